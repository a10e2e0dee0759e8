#include "ombrel/NumberFormat.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <new>
#include <string>

#include "platform/Variant.h"

// Counts heap allocations, so the hot formatting path can be shown to make none. Under the
// address sanitizer the sanitizer owns operator new, so nothing is counted there.
#if defined(__SANITIZE_ADDRESS__)
#define KADRELLE_COUNTS_ALLOCATIONS 0
#else
#define KADRELLE_COUNTS_ALLOCATIONS 1
#endif

namespace {
std::atomic<long> allocations{0};
}  // namespace

#if KADRELLE_COUNTS_ALLOCATIONS
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

struct FormatCase {
  const char* format;
  double value;
  std::string expected;
};

void PrintTo(const FormatCase& c, std::ostream* os) {
  *os << '"' << c.format << "\" with " << numberText(c.value);
}

class NumberFormatGrid : public testing::TestWithParam<FormatCase> {};

TEST_P(NumberFormatGrid, ShowsValue) {
  const FormatCase& c = GetParam();
  EXPECT_EQ(NumberFormat(c.format).format(c.value), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Placeholders, NumberFormatGrid,
    testing::Values(FormatCase{"#,##0.####", 1234.5, "1,234.5"},
                    FormatCase{"#,##0.####", -1234.56789, "-1,234.5679"},
                    FormatCase{"#,##0.####", 0, "0"}, FormatCase{"000", 7, "007"},
                    FormatCase{"#", 0, ""}, FormatCase{"#.##", 0.5, ".5"},
                    FormatCase{"0.##", 0.5, "0.5"}, FormatCase{".00", 12.5, "12.50"},
                    FormatCase{"0.0#0", 1.5, "1.500"},
                    FormatCase{"(000) 000-0000", 5551234567, "(555) 123-4567"}));

INSTANTIATE_TEST_SUITE_P(
    Rounding, NumberFormatGrid,
    testing::Values(FormatCase{"0.00", 2.345, "2.35"}, FormatCase{"0.00", 1.005, "1.01"},
                    FormatCase{"0.00", 0.995, "1.00"}, FormatCase{"0.00", 9.995, "10.00"},
                    FormatCase{"0", 2.5, "3"},
                    FormatCase{"0", -2.5,
                               "-3"},  // a negative value that rounds to zero shows no sign
                    FormatCase{"0.00", -0.004, "0.00"}, FormatCase{"#,##0", 999.5, "1,000"}));

INSTANTIATE_TEST_SUITE_P(Thousands, NumberFormatGrid,
                         testing::Values(FormatCase{"#,##0", 1234567890, "1,234,567,890"},
                                         FormatCase{"#,##0", -1234567, "-1,234,567"},
                                         FormatCase{"0,000", 5, "0,005"},
                                         FormatCase{"#,##0", 1e20, "100,000,000,000,000,000,000"},
                                         FormatCase{"#,##0,,", 1234567890, "1,235"},
                                         FormatCase{"#,", 1234567, "1235"},
                                         FormatCase{"0.0,0", 1.25, "1.2,5"}));

INSTANTIATE_TEST_SUITE_P(PercentAndScientific, NumberFormatGrid,
                         testing::Values(FormatCase{"0.00%", 0.1234, "12.34%"},
                                         FormatCase{"0.00E+00", 1234.5, "1.23E+03"},
                                         FormatCase{"0.00E+00", 0.00012345, "1.23E-04"},
                                         FormatCase{"0.00E-00", 1234.5, "1.23E03"},
                                         FormatCase{"0.00e-00", 0.00012345, "1.23e-04"},
                                         FormatCase{"0.00E+00", 0, "0.00E+00"},
                                         FormatCase{"0.00E+00", 9.999, "1.00E+01"},
                                         FormatCase{"0.0E+0", -12345, "-1.2E+4"},
                                         FormatCase{".0E+0", 1234.5, ".1E+4"},
                                         FormatCase{"00.0E+00", 1234.5, "12.3E+02"},
                                         FormatCase{"0.00E+000", 1e-300, "1.00E-300"},
                                         // "#" in the exponent shows nothing for a zero exponent
                                         FormatCase{"0.0E-#", 1.5, "1.5E"}));

INSTANTIATE_TEST_SUITE_P(LiteralsAndSections, NumberFormatGrid,
                         testing::Values(FormatCase{"\"$\"#,##0.00", 1234.5, "$1,234.50"},
                                         FormatCase{"0.0 \\m\\m", 5, "5.0 mm"},
                                         FormatCase{"\"#0;\"0", 7, "#0;7"},
                                         FormatCase{"\\\xC2\xB0"
                                                    "0",
                                                    7,
                                                    "\xC2\xB0"
                                                    "7"},
                                         FormatCase{"0\xC2\xB0", 7, "7\xC2\xB0"},
                                         FormatCase{"0.00;(0.00)", -5, "(5.00)"},
                                         FormatCase{"0.00;(0.00);\"zero\"", 0, "zero"},
                                         FormatCase{"0.00;(0.00);\"zero\"", -0.001, "(0.00)"},
                                         FormatCase{"0;;\"none\"", -5, "-5"},
                                         FormatCase{"0;-0;", 0, "0"}));

INSTANTIATE_TEST_SUITE_P(NamedFormats, NumberFormatGrid,
                         testing::Values(FormatCase{"Fixed", 1234.567, "1234.57"},
                                         FormatCase{"standard", 1234.567, "1,234.57"},
                                         FormatCase{"Percent", 0.5, "50.00%"},
                                         FormatCase{"SCIENTIFIC", 1234.5, "1.23E+03"},
                                         FormatCase{"General Number", 1234.5, "1234.5"},
                                         FormatCase{"", 0.1, "0.1"},
                                         FormatCase{"", 1e20, "1E+20"}));

// Malformed formats show the default text form.
INSTANTIATE_TEST_SUITE_P(Malformed, NumberFormatGrid,
                         testing::Values(FormatCase{"0.00\"abc", 1.5, "1.5"},
                                         FormatCase{"0\\", 1.5, "1.5"},
                                         FormatCase{"0;0;0;0", -1.5, "-1.5"},
                                         FormatCase{"0.0E+", 1.5, "1.5"}));

TEST(NumberFormat, ReportsMalformedFormats) {
  EXPECT_TRUE(NumberFormat("#,##0.####").wellFormed());
  EXPECT_TRUE(NumberFormat("").wellFormed());
  EXPECT_FALSE(NumberFormat("0.00\"abc").wellFormed());
  EXPECT_FALSE(NumberFormat("0;0;0;0").wellFormed());
}

TEST(NumberFormat, HugeValuesShowEveryDigit) {
  std::string expected = "1" + std::string(300, '0') + ".00";
  EXPECT_EQ(NumberFormat("0.00").format(1e300), expected);
  EXPECT_EQ(NumberFormat("0.00").format(std::numeric_limits<double>::max()).size(), 309u + 3u);
}

TEST(NumberFormat, NonFiniteValuesShowTheDefaultForm) {
  const double inf = std::numeric_limits<double>::infinity();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  EXPECT_EQ(NumberFormat("0.00").format(inf), numberText(inf));
  EXPECT_EQ(NumberFormat("0.00").format(nan), numberText(nan));
  // Percent scaling that overflows falls back too.
  EXPECT_EQ(NumberFormat("0%%%").format(1e306), numberText(1e306));
}

TEST(NumberFormat, FormatReplacesThePreviousContent) {
  std::string out = "old text that is long enough to live on the heap";
  NumberFormat("0.0").format(2, out);
  EXPECT_EQ(out, "2.0");
}

TEST(NumberFormat, FormattingIntoAReusedStringAllocatesNothing) {
  if (!KADRELLE_COUNTS_ALLOCATIONS) GTEST_SKIP() << "allocations are not counted here";
  NumberFormat format("#,##0.00;(#,##0.00);\"zero\"");
  NumberFormat scientific("Scientific");
  std::string out;
  out.reserve(64);
  long before = allocations.load();
  for (double v : {1234.5, -98765.4321, 0.0, 1e12, -0.001}) {
    format.format(v, out);
    scientific.format(v, out);
    NumberFormat::formatHex(v, 8, out);
  }
  EXPECT_EQ(allocations.load() - before, 0);
  EXPECT_EQ(out, "00000000");
}

struct HexCase {
  double value;
  std::int32_t digits;
  std::string expected;
};

void PrintTo(const HexCase& c, std::ostream* os) {
  *os << numberText(c.value) << " in " << c.digits << " digits";
}

class HexGrid : public testing::TestWithParam<HexCase> {};

TEST_P(HexGrid, ShowsUnsignedUpperCaseHex) {
  const HexCase& c = GetParam();
  EXPECT_EQ(NumberFormat::formatHex(c.value, c.digits), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Padding, HexGrid,
                         testing::Values(HexCase{255, 2, "FF"}, HexCase{255, 4, "00FF"},
                                         HexCase{0, 4, "0000"}, HexCase{10, 0, "A"},
                                         HexCase{10, -3, "A"}, HexCase{10, 12, "0000000A"},
                                         HexCase{65536, 2, "10000"}, HexCase{2.5, 1, "2"},
                                         HexCase{3.5, 1, "4"},
                                         HexCase{4294967295.0, 8, "FFFFFFFF"}));

INSTANTIATE_TEST_SUITE_P(NegativeAndOutOfRange, HexGrid,
                         testing::Values(HexCase{-1, 4, "FFFFFFFF"}, HexCase{-2, 2, "FFFFFFFE"},
                                         HexCase{-2147483648.0, 1, "80000000"},
                                         HexCase{-2147483649.0, 4, "-2147483649"},
                                         HexCase{4294967296.0, 4, "4294967296"}));

}  // namespace
}  // namespace kadrelle
