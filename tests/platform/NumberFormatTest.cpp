#include "platform/NumberFormat.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <limits>
#include <new>
#include <string>

#include "platform/Variant.h"

// Counts heap allocations, so the hot formatting path can be shown to make none.
#if defined(__SANITIZE_ADDRESS__)
static std::atomic<long> allocations{-1};  // the sanitizer owns operator new: nothing is counted
#else
static std::atomic<long> allocations{0};
// The replacements pair malloc with free; g++ cannot see that once they are inlined.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(std::size_t size) {
  ++allocations;
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
  std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
  std::free(p);
}
#endif

namespace kadrelle {
namespace {

// What Basic's Format gives (US English), except where the trailing point is concerned: the
// point is shown only when a digit follows it (see NumberFormat.h).
TEST(NumberFormat, ShowsWhatBasicShows) {
  struct F {
    const char* format;
    double value;
    std::string expected;
  };
  constexpr double kInf = std::numeric_limits<double>::infinity();
  for (const F& c :
       {// Digit placeholders before the point: a "0" forces every place to its right.
        F{"#", 0, ""}, F{"##", 1, "1"}, F{"00", 1, "01"}, F{"000###", 1, "000001"},
        F{"#00##00#0", 1, "00000001"}, F{"1#####0000", 1, "10001"}, F{"0##", 100, "100"},
        F{"#000", 17, "017"}, F{"#3", 17, "173"},
        F{"##abcdefghijklmnopqrstuvwxyz", 1, "1abcdefghijklmnopqrstuvwxyz"},
        F{"(000) 000-0000", 5551234567, "(555) 123-4567"},
        // After the point.
        F{"0#.0#0#0#0#0", 1.2, "01.200000000"}, F{"#0.#0#0#0#0#", 9.87654321, "9.87654321"},
        F{"#0.#0#0#0#0#", 9.8, "9.80000000"}, F{"#0.#0#0#0#0#0", 0.00000008, "0.0000000800"},
        F{"#0.##########", 0.00010705, "0.00010705"}, F{"#.00", 0.17, ".17"},
        F{"#.33", 0.17, ".33"}, F{"#.33", 17, "17.33"}, F{".00", 12.5, "12.50"},
        F{"#.##", 0.0099, ".01"}, F{"#.###", 0.0995, ".1"}, F{".#", -0.1, "-.1"},
        // The deliberate difference: no point without a digit after it (Basic: "1." and ".").
        F{"#.#", 1, "1"}, F{"#.#", 0, ""}, F{"#,#.#", 123456789, "123,456,789"},
        F{"#,##0.####", 5, "5"},
        // Rounding on the 15 significant digits, halves away from zero.
        F{"0.00", 2.345, "2.35"}, F{"0.00", 1.005, "1.01"}, F{"0", 2.5, "3"}, F{"0", -2.5, "-3"},
        F{"#0.000000", 9.9999999, "10.000000"}, F{"0.00", -0.004, "0.00"},
        F{"#,##0", 999.5, "1,000"},
        // Grouping and scaling commas.
        F{"#,###,###,###", 100000, "100,000"}, F{"0,000,000,000", 1, "0,000,000,001"},
        F{"###, ###, ###", 123456789, "123, 456, 789"},
        F{"#,##0", 1e20, "100,000,000,000,000,000,000"}, F{"#,##0,,", 1234567890, "1,235"},
        F{"#,", 1234567, "1235"}, F{"0.0,0", 1.25, "1.2,5"},
        // Percent, literal and escaped text.
        F{"##.00%", 0.25, "25.00%"}, F{"##.###\\%", 0.25, ".25%"}, F{"00\\c\\o\\p\\y", 0, "00copy"},
        F{"\"#0;\"0", 7, "#0;7"}, F{"\\\u00B00", 7, "\u00B07"},
        // Scientific: the integer placeholders fix the exponent, its "0"s its digits.
        F{"0.0000E-000", 1.7, "1.7000E000"}, F{"0.0000e+0#", 1.7, "1.7000e+0"},
        F{"0.#####E-#0#0", 29.123456789, "2.91235E01"}, F{"0.0000e-1", 1.7, "1.7000e01"},
        F{"0.0000e+1", 1000001, "1.0000e+61"}, F{"0.0000E+000", 1.73245, "1.7325E+000"},
        F{"#0.000000000000e-000", 86.936849, "86.936849000000e000"},
        F{"#000.0000e+0", 450.0001e+43, "4500.0010e+42"},
        F{"##00.0000e-0", 0.0001e-11, "1000.0000e-18"}, F{".0000E+0", 47.11, ".4711E+2"},
        F{"0.00E+00", 0.00012345, "1.23E-04"}, F{"0.00E+00", 9.999, "1.00E+01"},
        F{"0.0E+0", -12345, "-1.2E+4"}, F{"0.00E+000", 1e-300, "1.00E-300"},
        F{"0.0E-#", 1.5, "1.5E"}, F{"#####.####e-0%", 3.0401e-13, "30401e-15%"},
        // Sections.
        F{"#;-#", -1, "-1"}, F{"\"pos\";\"neg\"", 0, "pos"},
        F{"\"pos\";\"neg\";\"zero\"", -1, "neg"}, F{"0.00;(0.00);\"zero\"", 0, "zero"},
        F{"0.00;(0.00);\"zero\"", -0.001, "(0.00)"}, F{"0;;\"none\"", -5, "-5"}, F{"0;-0;", 0, "0"},
        F{"0;(0);\"z\";\"null\"", -2, "(2)"},
        // Named formats and the general format.
        F{"General Number", 1234.5, "1234.5"}, F{"Fixed", 0.2, "0.20"},
        F{"standard", 562486.2356, "562,486.24"}, F{"Percent", 0.7521, "75.21%"},
        F{"SCIENTIFIC", -3456.789, "-3.46E+03"}, F{"Currency", -5, "($5.00)"}, F{"Yes/No", 0, "No"},
        F{"On/Off", 23, "On"}, F{"True/False", -1, "True"}, F{"", 1e20, "1E+20"},
        // Malformed formats show the default text form.
        F{"0.00\"abc", 1.5, "1.5"}, F{"0\\", 1.5, "1.5"}, F{"0;0;0;0;0", -1.5, "-1.5"},
        // Six sections: the split keeps four parts and must write none past them.
        F{"0;0;0;0;0;\"x\"", 2.5, "2.5"},
        // Huge and non-finite values; scaling that overflows.
        F{"0.00", 1e300, "1" + std::string(300, '0') + ".00"}, F{"0.00", kInf, numberText(kInf)},
        F{"0%%%", 1e306, numberText(1e306)}}) {
    EXPECT_EQ(NumberFormat(c.format).format(c.value), c.expected)
        << '"' << c.format << "\" with " << numberText(c.value);
  }
  EXPECT_FALSE(NumberFormat("0;0;0;0;0").wellFormed());
  EXPECT_TRUE(NumberFormat("0;0;0;0").wellFormed());
}

TEST(NumberFormat, FormattingIntoAReusedStringAllocatesNothing) {
  if (allocations < 0) GTEST_SKIP() << "allocations are not counted here";
  NumberFormat format("#,##0.00;(#,##0.00);\"zero\"");
  NumberFormat scientific("Scientific");
  std::string out = "old text that is long enough to live on the heap";
  long before = allocations.load();
  for (double v : {1234.5, -98765.4321, 0.0, 1e12, -0.001}) {
    format.format(v, out);
    scientific.format(v, out);
    NumberFormat::formatHex(v, 8, out);
  }
  EXPECT_EQ(allocations.load() - before, 0);
  EXPECT_EQ(out, "00000000");
}

// Unsigned upper-case hex, zero-padded.
TEST(NumberFormat, Hex) {
  struct H {
    double value;
    std::int32_t digits;
    const char* expected;
  };
  for (const H& c :
       {H{255, 2, "FF"}, H{255, 4, "00FF"}, H{10, -3, "A"}, H{10, 12, "0000000A"},
        H{65536, 2, "10000"}, H{2.5, 1, "2"}, H{3.5, 1, "4"}, H{4294967295.0, 8, "FFFFFFFF"},
        H{-1, 4, "FFFFFFFF"}, H{-2147483648.0, 1, "80000000"}, H{-2147483649.0, 4, "-2147483649"},
        H{4294967296.0, 4, "4294967296"}})
    EXPECT_EQ(NumberFormat::formatHex(c.value, c.digits), c.expected) << c.value << " " << c.digits;
}

}  // namespace
}  // namespace kadrelle
