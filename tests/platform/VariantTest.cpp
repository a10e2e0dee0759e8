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

using C = ConversionCase;
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
        C{"CInt", kTrue, "-1"}, C{"CBool", 0.25, "True"}, C{"CBool", 0.0, "False"},
        C{"CBool", " tRUE ", "True"}, C{"CBool", "FALSE", "False"}, C{"CBool", "2", "True"},
        C{"CBool", "yes", "error 13"}, C{"CBool", Variant(), "False"},
        // Ranges: rounding first, halves to even, then overflow.
        C{"CInt", std::int32_t{-32768}, "-32768"}, C{"CInt", std::int32_t{32768}, "error 6"},
        C{"CInt", 32767.5, "error 6"}, C{"CInt", 32767.49, "32767"}, C{"CInt", -32768.5, "-32768"},
        C{"CLng", 2147483647.5, "error 6"}, C{"CLng", -2147483648.5, "-2147483648"},
        C{"CLng", -2147483649.0, "error 6"}, C{"CLng", kNaN, "error 6"}, C{"CInt", 2.5, "2"},
        C{"CInt", 3.5, "4"}, C{"CInt", -2.5, "-2"}, C{"CInt", 2.5000001, "3"},
        C{"CLng", "4.5", "4"}, C{"CInt", Currency::fromScaled(25000), "2"},
        C{"CSng", 1e39, "error 6"}, C{"CCur", "12.34565", "12.3456"}, C{"CCur", 1e15, "error 6"},
        // Numeric text: blanks, signs, grouping anywhere after the first digit, exponents.
        C{"CInt", " \t-7 ", "-7"}, C{"CInt", "+7", "7"}, C{"CDbl", ".5", "0.5"},
        C{"CDbl", "5.", "5"}, C{"CDbl", "1.5E3", "1500"}, C{"CDbl", "1d-2", "0.01"},
        C{"CDbl", "-1.5e+2", "-150"}, C{"CLng", "1,234,567", "1234567"},
        C{"CLng", "1,,000", "1000"}, C{"CLng", "1,", "1"}, C{"CDbl", "1,2345.5", "12345.5"},
        C{"CDbl", "1e-400", "0"}, C{"CDbl", "0." + std::string(400, '0') + "1", "0"},
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
        C{"CLng", "&O8", "error 13"}, C{"CInt", kFont, "error 13"}, C{"CStr", kFont, "error 13"},
        // IsNumeric agrees with the conversions.
        C{"IsNumeric", Variant(), "True"}, C{"IsNumeric", kFalse, "True"},
        C{"IsNumeric", "1,,000", "True"}, C{"IsNumeric", "&H1F", "True"},
        C{"IsNumeric", "", "False"}, C{"IsNumeric", "e5", "False"}, C{"IsNumeric", kFont, "False"},
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
          "-922337203685477.5808"}));

}  // namespace
}  // namespace kadrelle
