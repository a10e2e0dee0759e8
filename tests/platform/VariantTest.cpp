#include <gtest/gtest.h>

#include <limits>
#include <optional>
#include <string>

#include "platform/Error.h"
#include "platform/StdFont.h"
#include "platform/Variant.h"

namespace kadrelle {
namespace {

// One conversion of one value, written as text: the result in its default text form, or
// "error N" with Basic's error number.
struct ConversionCase {
  const char* conversion;  // CBool, CInt, CLng, CSng, CDbl, CCur, CStr, IsNumeric
  Variant input;
  const char* expected;
};

void PrintTo(const ConversionCase& c, std::ostream* os) {
  *os << c.conversion << "(" << (c.input.get<std::string>() ? "\"" : "")
      << (c.input.get<std::string>() || c.input.holdsNumber() ? CStr(c.input) : "?")
      << (c.input.get<std::string>() ? "\"" : "") << ")";
}

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
  } catch (const Error& e) {
    return "error " + std::to_string(e.number());
  }
  return "unknown conversion";
}

class Conversion : public testing::TestWithParam<ConversionCase> {};

TEST_P(Conversion, FollowsBasic) {
  const ConversionCase& c = GetParam();
  EXPECT_EQ(convert(c.conversion, c.input), c.expected);
}

const FontRef kFont = makeFont();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

INSTANTIATE_TEST_SUITE_P(
    Basic, Conversion,
    testing::Values(
        // Boolean: True is -1, any nonzero number is True, text reads as a word or a number.
        ConversionCase{"CInt", kTrue, "-1"}, ConversionCase{"CBool", 0.25, "True"},
        ConversionCase{"CBool", 0.0, "False"}, ConversionCase{"CBool", " tRUE ", "True"},
        ConversionCase{"CBool", "FALSE", "False"}, ConversionCase{"CBool", "2", "True"},
        ConversionCase{"CBool", "yes", "error 13"}, ConversionCase{"CBool", Variant(), "False"},
        // Ranges: rounding first, halves to even, then overflow.
        ConversionCase{"CInt", std::int32_t{-32768}, "-32768"},
        ConversionCase{"CInt", std::int32_t{32768}, "error 6"},
        ConversionCase{"CInt", 32767.5, "error 6"}, ConversionCase{"CInt", 32767.49, "32767"},
        ConversionCase{"CInt", -32768.5, "-32768"}, ConversionCase{"CLng", 2147483647.5, "error 6"},
        ConversionCase{"CLng", -2147483648.5, "-2147483648"},
        ConversionCase{"CLng", -2147483649.0, "error 6"}, ConversionCase{"CLng", kNaN, "error 6"},
        ConversionCase{"CInt", 2.5, "2"}, ConversionCase{"CInt", 3.5, "4"},
        ConversionCase{"CInt", -2.5, "-2"}, ConversionCase{"CInt", 2.5000001, "3"},
        ConversionCase{"CLng", "4.5", "4"},
        ConversionCase{"CInt", Currency::fromScaled(25000), "2"},
        ConversionCase{"CSng", 1e39, "error 6"}, ConversionCase{"CCur", "12.34565", "12.3456"},
        ConversionCase{"CCur", 1e15, "error 6"},
        // Numeric text: blanks, signs, grouping anywhere after the first digit, exponents.
        ConversionCase{"CInt", " \t-7 ", "-7"}, ConversionCase{"CInt", "+7", "7"},
        ConversionCase{"CDbl", ".5", "0.5"}, ConversionCase{"CDbl", "5.", "5"},
        ConversionCase{"CDbl", "1.5E3", "1500"}, ConversionCase{"CDbl", "1d-2", "0.01"},
        ConversionCase{"CDbl", "-1.5e+2", "-150"}, ConversionCase{"CLng", "1,234,567", "1234567"},
        ConversionCase{"CLng", "1,,000", "1000"}, ConversionCase{"CLng", "1,", "1"},
        ConversionCase{"CDbl", "1,2345.5", "12345.5"}, ConversionCase{"CDbl", "1e-400", "0"},
        ConversionCase{"CDbl", "0." + std::string(400, '0') + "1", "0"},
        ConversionCase{"CDbl", std::string(400, '9'), "error 13"},
        ConversionCase{"CDbl", "1e400", "error 13"},
        // "&H" and "&O": 16 bits make an Integer, more a Long.
        ConversionCase{"CInt", "&H8002", "-32766"}, ConversionCase{"CLng", "&HFFFF", "-1"},
        ConversionCase{"CLng", "&h10000", "65536"}, ConversionCase{"CLng", "&HFFFFFFFF", "-1"},
        ConversionCase{"CLng", "&H80000000", "-2147483648"},
        ConversionCase{"CInt", "&O177777", "-1"}, ConversionCase{"CLng", " &O17 ", "15"},
        // Text that is not a number.
        ConversionCase{"CInt", "", "error 13"}, ConversionCase{"CDbl", "   ", "error 13"},
        ConversionCase{"CLng", "12abc", "error 13"}, ConversionCase{"CDbl", "1.2.3", "error 13"},
        ConversionCase{"CDbl", ".", "error 13"}, ConversionCase{"CDbl", "1E", "error 13"},
        ConversionCase{"CLng", ",5", "error 13"}, ConversionCase{"CLng", "1 2", "error 13"},
        ConversionCase{"CLng", "-&H1", "error 13"}, ConversionCase{"CLng", "&HG", "error 13"},
        ConversionCase{"CLng", "&H100000000", "error 13"},
        ConversionCase{"CLng", "&O8", "error 13"}, ConversionCase{"CInt", kFont, "error 13"},
        ConversionCase{"CStr", kFont, "error 13"},
        // IsNumeric agrees with the conversions.
        ConversionCase{"IsNumeric", Variant(), "True"}, ConversionCase{"IsNumeric", kFalse, "True"},
        ConversionCase{"IsNumeric", "1,,000", "True"}, ConversionCase{"IsNumeric", "&H1F", "True"},
        ConversionCase{"IsNumeric", "", "False"}, ConversionCase{"IsNumeric", "e5", "False"},
        ConversionCase{"IsNumeric", kFont, "False"},
        // Default text: 7 significant digits for Single and 15 for Double, halves away from zero.
        ConversionCase{"CStr", Variant(), ""}, ConversionCase{"CStr", kFalse, "False"},
        ConversionCase{"CStr", std::int16_t{-32768}, "-32768"},
        ConversionCase{"CStr", 654322.23456f, "654322.3"},
        ConversionCase{"CStr", "654322.23456", "654322.23456"},
        ConversionCase{"CSng", "654322.23456", "654322.3"}, ConversionCase{"CStr", 0.1f, "0.1"},
        ConversionCase{"CStr", 12345678.0f, "1.234568E+07"},
        ConversionCase{"CStr", 1.0 / 3.0, "0.333333333333333"},
        ConversionCase{"CStr", 0.1 + 0.2, "0.3"}, ConversionCase{"CStr", 1e15, "1E+15"},
        ConversionCase{"CStr", 123456789012345.0, "123456789012345"},
        ConversionCase{"CStr", 0.000056789, "0.000056789"},
        ConversionCase{"CStr", 0.00005, "0.00005"}, ConversionCase{"CStr", -2.5e-7, "-2.5E-07"},
        ConversionCase{"CStr", 1e100, "1E+100"}, ConversionCase{"CStr", -0.0, "0"},
        ConversionCase{"CStr", Currency::fromScaled(-1), "-0.0001"},
        ConversionCase{"CStr", Currency::fromScaled(std::numeric_limits<std::int64_t>::min()),
                       "-922337203685477.5808"}));

}  // namespace
}  // namespace kadrelle
