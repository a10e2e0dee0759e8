// Values as Basic converts, formats and shows them, objects and by-reference cells in them, and
// number text that a host's comma-decimal locale leaves alone.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <clocale>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <locale>
#include <random>
#include <string>
#include <tuple>

#include "kadrelle_test/Checks.h"
#include "platform/DecimalDigits.h"
#include "platform/Error.h"
#include "platform/NumberFormat.h"
#include "platform/StdFont.h"
#include "platform/Variant.h"

namespace kadrelle {
namespace {

namespace fs = std::filesystem;

// One conversion of one value: the result in its default text form, or "error N". "Font" is the
// font a Variant holds, "Concat" the text "&" joins.
std::string convert(std::string_view conversion, const Variant& v) {
  try {
    if (conversion == "CBool") return booleanText(CBool(v));
    if (conversion == "CInt") return numberText(std::int32_t{CInt(v)});
    if (conversion == "CLng") return numberText(CLng(v));
    if (conversion == "CSng") return numberText(CSng(v));
    if (conversion == "CDbl") return numberText(CDbl(v));
    if (conversion == "CCur") return numberText(CCur(v));
    if (conversion == "CStr") return CStr(v);
    if (conversion == "IsNumeric") return booleanText(Boolean(IsNumeric(v)));
    if (conversion == "Concat") return concatText(v);
    if (conversion == "Font")
      return objectOf<StdFont>(v) ? objectOf<StdFont>(v)->get_Name() : "Nothing";
  } catch (const Error& e) {
    return "error " + std::to_string(e.number());
  }
  return "unknown conversion";
}

// Number text must not change when a host switches to a comma-decimal locale, in C++
// (std::locale::global) or in C (setlocale, as many GUI programs do): the conversion and format
// tables run in the classic locale and in both. When the system has no German locale, one is
// built with localedef into a temporary folder (LOCPATH).
class NumberText : public testing::TestWithParam<std::string> {
 protected:
  struct CommaDecimal : std::numpunct<char> {
    char do_decimal_point() const override { return ','; }
    char do_thousands_sep() const override { return '.'; }
    std::string do_grouping() const override { return "\3"; }
  };
  static bool german() {
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "de_DE"})
      if (std::setlocale(LC_ALL, name)) return true;
    return false;
  }
  static void SetUpTestSuite() {
    std::error_code ec;
    if (!german() && fs::create_directories(folder(), ec) &&
        std::system(("localedef -i de_DE -f UTF-8 '" + (folder() / "de_DE.UTF-8").string() +
                     "' >/dev/null 2>&1")
                        .c_str()) == 0)
      ::setenv("LOCPATH", folder().c_str(), 1);
    std::setlocale(LC_ALL, "C");
  }
  static void TearDownTestSuite() {
    std::error_code ec;
    if (fs::remove_all(folder(), ec) > 0) ::unsetenv("LOCPATH");
  }
  static fs::path folder() {
    return fs::temp_directory_path() / ("kadrelle-locale-" + std::to_string(::getpid()));
  }
  void SetUp() override {
    if (GetParam() == "C++")
      std::locale::global(std::locale(std::locale::classic(), new CommaDecimal));
    if (GetParam() != "C") return;
    if (!german()) GTEST_SKIP() << "no de_DE locale here, and localedef could not make one";
    ASSERT_STREQ(std::localeconv()->decimal_point, ",");
  }
  void TearDown() override {
    std::locale::global(previous_);
    std::setlocale(LC_ALL, "C");
  }
  const std::locale previous_;  // the global locale before
};

INSTANTIATE_TEST_SUITE_P(Locales, NumberText, testing::Values("classic", "C++", "C"));

TEST_P(NumberText, ConversionsAndFormatsFollowBasic) {
  struct Other : Object {};
  const FontRef font = makeFont("Tahoma");
  constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
  constexpr double kInf = std::numeric_limits<double>::infinity();
  using C = std::tuple<const char*, Variant, const char*>;  // conversion, input, expected
  const C cases[] = {
      // Boolean: True is -1, any nonzero number is True, text reads as a word or a number.
      C{"CInt", kTrue, "-1"}, C{"CBool", 0.25, "True"}, C{"CBool", 0.0, "False"},
      C{"CBool", " tRUE ", "True"}, C{"CBool", "FALSE", "False"}, C{"CBool", "2", "True"},
      C{"CBool", "yes", "error 13"}, C{"CBool", Variant(), "False"},
      // Ranges: rounding first, halves to even, then overflow.
      C{"CInt", std::int32_t{-32768}, "-32768"}, C{"CInt", std::int32_t{32768}, "error 6"},
      C{"CInt", 32767.5, "error 6"}, C{"CInt", 32767.49, "32767"}, C{"CInt", -32768.5, "-32768"},
      C{"CLng", 2147483647.5, "error 6"}, C{"CLng", -2147483648.5, "-2147483648"},
      C{"CLng", -2147483649.0, "error 6"}, C{"CLng", kNaN, "error 6"}, C{"CInt", 2.5, "2"},
      C{"CInt", 3.5, "4"}, C{"CInt", -2.5, "-2"}, C{"CInt", 2.5000001, "3"}, C{"CLng", "4.5", "4"},
      C{"CInt", Currency::fromScaled(25000), "2"}, C{"CSng", 1e39, "error 6"},
      C{"CSng", kNaN, "error 6"}, C{"CSng", Variant(-static_cast<float>(kInf)), "error 6"},
      C{"CDbl", kNaN, "error 6"}, C{"CDbl", Variant(kInf), "error 6"},
      C{"CCur", "12.34565", "12.3456"}, C{"CCur", 1e15, "error 6"},
      // Numeric text: blanks, signs, grouping anywhere after the first digit, exponents.
      C{"CInt", " \t-7 ", "-7"}, C{"CInt", "+7", "7"}, C{"CDbl", ".5", "0.5"}, C{"CDbl", "5.", "5"},
      C{"CDbl", "1.5E3", "1500"}, C{"CDbl", "1d-2", "0.01"}, C{"CDbl", "-1.5e+2", "-150"},
      C{"CLng", "1,234,567", "1234567"}, C{"CLng", "1,,000", "1000"}, C{"CLng", "1,", "1"},
      C{"CDbl", "1,2345.5", "12345.5"}, C{"CDbl", "1e-400", "0"},
      C{"CDbl", "0." + std::string(400, '0') + "1", "0"},
      C{"CDbl", std::string(400, '9'), "error 13"}, C{"CDbl", "1e400", "error 13"},
      // "&H" and "&O": 16 bits make an Integer, more a Long.
      C{"CInt", "&H8002", "-32766"}, C{"CLng", "&HFFFF", "-1"}, C{"CLng", "&h10000", "65536"},
      C{"CLng", "&HFFFFFFFF", "-1"}, C{"CLng", "&H80000000", "-2147483648"},
      C{"CInt", "&O177777", "-1"}, C{"CLng", " &O17 ", "15"},
      // Text that is not a number.
      C{"CInt", "", "error 13"}, C{"CDbl", "   ", "error 13"}, C{"CLng", "12abc", "error 13"},
      C{"CDbl", "1.2.3", "error 13"}, C{"CDbl", ".", "error 13"}, C{"CDbl", "1E", "error 13"},
      C{"CLng", ",5", "error 13"}, C{"CLng", "1 2", "error 13"}, C{"CLng", "-&H1", "error 13"},
      C{"CLng", "&HG", "error 13"}, C{"CLng", "&H100000000", "error 13"},
      C{"CLng", "&O8", "error 13"}, C{"CInt", font, "error 13"}, C{"CStr", font, "error 13"},
      // IsNumeric agrees with the conversions.
      C{"IsNumeric", Variant(), "True"}, C{"IsNumeric", kFalse, "True"},
      C{"IsNumeric", "1,,000", "True"}, C{"IsNumeric", "&H1F", "True"}, C{"IsNumeric", "", "False"},
      C{"IsNumeric", "e5", "False"}, C{"IsNumeric", font, "False"},
      // Objects: a font's default member is its name; a plain value is no object.
      C{"Font", font, "Tahoma"}, C{"Font", nullptr, "Nothing"}, C{"Concat", font, "Tahoma"},
      C{"Font", 5, "error 424"}, C{"Font", Variant(), "error 424"},
      C{"Font", std::make_shared<Other>(), "error 13"},
      // Default text: 7 significant digits for Single and 15 for Double, halves away from zero.
      C{"CStr", Variant(), ""}, C{"CStr", kFalse, "False"},
      C{"CStr", std::int16_t{-32768}, "-32768"}, C{"CStr", 654322.23456f, "654322.3"},
      C{"CStr", "654322.23456", "654322.23456"}, C{"CSng", "654322.23456", "654322.3"},
      C{"CStr", 0.1f, "0.1"}, C{"CStr", 12345678.0f, "1.234568E+07"},
      C{"CStr", 1.0 / 3.0, "0.333333333333333"}, C{"CStr", 0.1 + 0.2, "0.3"},
      C{"CStr", 1e15, "1E+15"}, C{"CStr", 123456789012345.0, "123456789012345"},
      C{"CStr", 0.000056789, "0.000056789"}, C{"CStr", 0.00005, "0.00005"},
      C{"CStr", -2.5e-7, "-2.5E-07"}, C{"CStr", 1e100, "1E+100"}, C{"CStr", -0.0, "0"},
      C{"CStr", Currency::fromScaled(-1), "-0.0001"},
      C{"CStr", Currency::fromScaled(std::numeric_limits<std::int64_t>::min()),
        "-922337203685477.5808"}};
  for (const C& c : cases)
    EXPECT_EQ(convert(std::get<0>(c), std::get<1>(c)), std::get<2>(c)) << "row " << &c - cases;

  // What Basic's Format gives (US English), except where the trailing point is concerned: the
  // point is shown only when a digit follows it (see NumberFormat.h).
  using F = std::tuple<const char*, double, std::string>;
  for (const auto& [format, value, expected] :
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
    EXPECT_EQ(NumberFormat(format).format(value), expected)
        << '"' << format << "\" with " << numberText(value);
  }
  EXPECT_FALSE(NumberFormat("0;0;0;0;0").wellFormed());
  EXPECT_TRUE(NumberFormat("0;0;0;0").wellFormed());
}

TEST(Variant, ByReferenceCellsReadAndWriteTheCallersVariable) {
  std::int16_t key = 65;
  std::string text = "old";
  float x = 0;
  ObjectRef object;
  Variant keyCell = Variant::ref(key), textCell = Variant::ref(text), xCell = Variant::ref(x),
          objectCell = Variant::ref(object);
  EXPECT_EQ(std::tuple(keyCell.isByRef(), keyCell.type(), CStr(keyCell), keyCell.value()),
            std::tuple(true, Variant::Type::Integer, "65", Variant(std::int16_t{65})));

  // Writes convert to the variable's type by Basic's rules.
  keyCell.assign("2.5");
  xCell.assign(std::int32_t{7});
  textCell.assign(1.5);
  FontRef font = makeFont();
  objectCell.assign(font);
  EXPECT_EQ(std::tuple(key, x, text, object), std::tuple(2, 7.0f, "1.5", font));
  const auto fails = [](int n) { return test::throwsError(n); };
  EXPECT_THAT([&] { keyCell.assign("x"); }, fails(Error::kTypeMismatch));
  EXPECT_THAT([&] { keyCell.assign(70000); }, fails(Error::kOverflow));
  EXPECT_THAT([&] { objectCell.assign(1); }, fails(Error::kObjectRequired));
  EXPECT_EQ(key, 2);  // a refused write leaves the variable as it was

  // A plain Variant takes the value, not the cell.
  Variant plain;
  plain.assign(keyCell);
  key = 9;
  EXPECT_EQ(plain, Variant(std::int16_t{2}));
}

// Significant digits found by scaling with an exact power of ten agree with those read from 25
// correctly rounded digits: halves away from zero, carries into a new digit, powers of ten and
// the ends of the scaled range.
TEST(NumberFormat, SignificantDigitsByScalingAgreeWithTheLongReading) {
  const auto check = [](double x, int digits) {
    const DecimalDigits fast = DecimalDigits::of(x, digits);
    DecimalDigits slow = DecimalDigits::of(x);
    slow.roundTo(digits);
    ASSERT_EQ(std::string(fast.d, fast.n), std::string(slow.d, slow.n)) << x << " to " << digits;
    ASSERT_EQ(fast.point, slow.point) << x << " to " << digits;
  };
  std::mt19937_64 random(7);
  std::uniform_real_distribution<double> exponent(-8, 16);
  for (int i = 0; i < 3000; ++i) {
    const double x = std::pow(10.0, exponent(random));
    for (int digits : {1, 7, 15}) check(x, digits);
  }
  for (double x :
       {0.5, 2.5, 2.345, 1.005, 9.5, 0.125, 999.5, 123456789012344.5, 999999999999999.5, 1e15,
        std::nextafter(1e15, 0.0), 1e-7, std::nextafter(1e-7, 0.0), 1e-6, std::nextafter(1e-6, 1.0),
        1000.0, std::nextafter(1000.0, 0.0), 0.001, std::nextafter(0.001, 1.0)}) {
    for (int digits = 1; digits <= 15; ++digits) check(x, digits);
  }
}

// Unsigned upper-case hex, zero-padded.
TEST(NumberFormat, HexAndReusedStrings) {
  using H = std::tuple<double, std::int32_t, const char*>;
  for (const auto& [value, digits, expected] :
       {H{255, 2, "FF"}, H{255, 4, "00FF"}, H{10, -3, "A"}, H{10, 12, "0000000A"},
        H{65536, 2, "10000"}, H{2.5, 1, "2"}, H{3.5, 1, "4"}, H{4294967295.0, 8, "FFFFFFFF"},
        H{-1, 4, "FFFFFFFF"}, H{-2147483648.0, 1, "80000000"}, H{-2147483649.0, 4, "-2147483649"},
        H{4294967296.0, 4, "4294967296"}})
    EXPECT_EQ(NumberFormat::formatHex(value, digits), expected) << value << " " << digits;
  // Into a string that is reused: the text replaces what the string held.
  std::string out = "old", hex = "old";
  NumberFormat("0.0").format(2, out);
  NumberFormat::formatHex(255, 2, hex);
  EXPECT_EQ(out + hex, "2.0FF");
}

}  // namespace
}  // namespace kadrelle
