#include <gtest/gtest.h>

#include <limits>
#include <optional>
#include <string>

#include "platform/Error.h"
#include "platform/StdFont.h"
#include "platform/Variant.h"

namespace kadrelle {
namespace {

enum class To { Bool, Int, Lng, Sng, Dbl, Cur };

const char* toName(To to) {
  static const char* const kNames[] = {"CBool", "CInt", "CLng", "CSng", "CDbl", "CCur"};
  return kNames[static_cast<int>(to)];
}

// The converted value as a double (Boolean as its raw -1 / 0, Currency as its value), or the
// Basic error number.
struct Outcome {
  double value = 0;
  int error = 0;
};

Outcome convert(To to, const Variant& v) {
  try {
    switch (to) {
      case To::Bool:
        return {static_cast<double>(CBool(v).raw())};
      case To::Int:
        return {static_cast<double>(CInt(v))};
      case To::Lng:
        return {static_cast<double>(CLng(v))};
      case To::Sng:
        return {static_cast<double>(CSng(v))};
      case To::Dbl:
        return {CDbl(v)};
      case To::Cur:
        return {static_cast<double>(CCur(v).scaled()) / 10000.0};
    }
  } catch (const Error& e) {
    return {0, e.number()};
  }
  return {};
}

struct ConversionCase {
  const char* name;
  To to;
  Variant input;
  double value;  // expected when error is 0
  int error;
};

void PrintTo(const ConversionCase& c, std::ostream* os) {
  *os << toName(c.to) << " " << c.name;
}

constexpr int kOverflow = Error::kOverflow;
constexpr int kMismatch = Error::kTypeMismatch;

ConversionCase ok(const char* name, To to, Variant in, double value) {
  return {name, to, std::move(in), value, 0};
}
ConversionCase fails(const char* name, To to, Variant in, int error) {
  return {name, to, std::move(in), 0, error};
}

class Conversion : public testing::TestWithParam<ConversionCase> {};

TEST_P(Conversion, FollowsBasicRules) {
  const ConversionCase& c = GetParam();
  Outcome got = convert(c.to, c.input);
  if (c.error != 0) {
    EXPECT_EQ(got.error, c.error) << "value " << got.value;
  } else {
    EXPECT_EQ(got.error, 0);
    EXPECT_EQ(got.value, c.value);
  }
}

std::string conversionName(const testing::TestParamInfo<ConversionCase>& info) {
  return std::string(toName(info.param.to)) + "_" + info.param.name;
}

const FontRef kFont = makeFont();

INSTANTIATE_TEST_SUITE_P(
    Variant, Conversion,
    testing::Values(
        // Boolean: True is -1, any nonzero number is True, text reads as a word or a number.
        ok("True", To::Int, kTrue, -1), ok("Nonzero", To::Bool, 0.25, -1),
        ok("Zero", To::Bool, 0.0, 0), ok("TextTrue", To::Bool, " tRUE ", -1),
        ok("TextFalse", To::Bool, "FALSE", 0), ok("TextNumber", To::Bool, "2", -1),
        fails("TextWord", To::Bool, "yes", kMismatch), ok("Empty", To::Bool, Variant(), 0),
        ok("Empty", To::Int, Variant(), 0),
        // 16-bit range.
        ok("Max", To::Int, std::int32_t{32767}, 32767),
        ok("Min", To::Int, std::int32_t{-32768}, -32768),
        fails("AboveMax", To::Int, std::int32_t{32768}, kOverflow),
        fails("BelowMin", To::Int, std::int32_t{-32769}, kOverflow),
        fails("HalfAboveMaxRoundsOut", To::Int, 32767.5, kOverflow),
        ok("JustBelowHalfAboveMax", To::Int, 32767.49, 32767),
        ok("HalfBelowMinRoundsToEven", To::Int, -32768.5, -32768),
        // 32-bit range.
        ok("Max", To::Lng, 2147483647.0, 2147483647.0),
        ok("Min", To::Lng, -2147483648.0, -2147483648.0),
        fails("AboveMax", To::Lng, 2147483648.0, kOverflow),
        fails("BelowMin", To::Lng, -2147483649.0, kOverflow),
        fails("HalfAboveMaxRoundsOut", To::Lng, 2147483647.5, kOverflow),
        ok("HalfBelowMinRoundsToEven", To::Lng, -2147483648.5, -2147483648.0),
        fails("NaN", To::Lng, std::numeric_limits<double>::quiet_NaN(), kOverflow),
        // Halves to even.
        ok("TwoAndHalf", To::Int, 2.5, 2), ok("ThreeAndHalf", To::Int, 3.5, 4),
        ok("MinusTwoAndHalf", To::Int, -2.5, -2), ok("Half", To::Int, 0.5, 0),
        ok("AboveHalf", To::Int, 2.5000001, 3), ok("TextHalf", To::Lng, "4.5", 4),
        ok("CurrencyHalf", To::Int, Currency::fromScaled(25000), 2),
        // Numeric text.
        ok("Blanks", To::Int, " \t-7 ", -7), ok("PlusSign", To::Int, "+7", 7),
        ok("LeadingPoint", To::Dbl, ".5", 0.5), ok("TrailingPoint", To::Dbl, "5.", 5),
        ok("Exponent", To::Dbl, "1.5E3", 1500), ok("ExponentD", To::Dbl, "1d-2", 0.01),
        ok("Thousands", To::Lng, "1,234,567", 1234567), ok("HexText", To::Int, "&H1F", 31),
        ok("HexLower", To::Lng, "&hff", 255), ok("HexAllOnes", To::Lng, "&HFFFFFFFF", -1),
        ok("HexSignBit", To::Lng, "&H80000000", -2147483648.0),
        ok("OctalText", To::Lng, "&O17", 15),
        // Text that is not a number.
        fails("Word", To::Int, "abc", kMismatch), fails("EmptyText", To::Int, "", kMismatch),
        fails("OnlyBlanks", To::Dbl, "   ", kMismatch),
        fails("TrailingLetters", To::Lng, "12abc", kMismatch),
        fails("TwoPoints", To::Dbl, "1.2.3", kMismatch),
        fails("OnlyPoint", To::Dbl, ".", kMismatch),
        fails("ExponentWithoutDigits", To::Dbl, "1E", kMismatch),
        fails("LeadingComma", To::Lng, ",5", kMismatch),
        fails("DoubleComma", To::Lng, "1,,2", kMismatch),
        fails("HexWithoutDigits", To::Lng, "&H", kMismatch),
        fails("HexBadDigit", To::Lng, "&HG", kMismatch),
        fails("HexTooLong", To::Lng, "&H100000000", kMismatch),
        fails("OctalBadDigit", To::Lng, "&O8", kMismatch), fails("Font", To::Int, kFont, kMismatch),
        // Single and Currency.
        ok("Single", To::Sng, "0.5", 0.5), fails("SingleOverflow", To::Sng, 1e39, kOverflow),
        ok("CurrencyRoundsToFourPlaces", To::Cur, "12.34565", 12.3456),
        fails("CurrencyOverflow", To::Cur, 1e15, kOverflow)),
    conversionName);

struct TextCase {
  const char* name;
  Variant input;
  std::string text;
};

void PrintTo(const TextCase& c, std::ostream* os) {
  *os << c.name;
}

class DefaultText : public testing::TestWithParam<TextCase> {};

TEST_P(DefaultText, MatchesBasic) {
  EXPECT_EQ(CStr(GetParam().input), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Variant, DefaultText,
    testing::Values(
        TextCase{"Empty", Variant(), ""}, TextCase{"True", kTrue, "True"},
        TextCase{"False", kFalse, "False"}, TextCase{"Integer", std::int16_t{-32768}, "-32768"},
        TextCase{"Long", std::int32_t{2147483647}, "2147483647"},
        TextCase{"SingleTenth", 0.1f, "0.1"}, TextCase{"SingleSevenDigits", 1234567.0f, "1234567"},
        TextCase{"SingleEightDigits", 12345678.0f, "1.234568E+07"},
        TextCase{"DoubleThird", 1.0 / 3.0, "0.333333333333333"},
        TextCase{"DoubleFifteenDigits", 123456789012345.0, "123456789012345"},
        TextCase{"DoubleSixteenDigits", 1e15, "1E+15"}, TextCase{"DoubleSmall", 0.0001, "0.0001"},
        TextCase{"DoubleSmaller", 0.00001, "1E-05"},
        TextCase{"DoubleNegativeExponent", -2.5e-7, "-2.5E-07"},
        TextCase{"DoubleNegativeZero", -0.0, "0"},
        TextCase{"CurrencyWhole", Currency::fromScaled(120000), "12"},
        TextCase{"CurrencyFraction", Currency::fromScaled(15000), "1.5"},
        TextCase{"CurrencyFourPlaces", Currency::fromScaled(-1), "-0.0001"},
        TextCase{"CurrencyLargest", Currency::fromScaled(9223372036854775807),
                 "922337203685477.5807"},
        TextCase{"CurrencySmallest", Currency::fromScaled(std::numeric_limits<std::int64_t>::min()),
                 "-922337203685477.5808"},
        TextCase{"String", "as is ", "as is "}),
    [](const testing::TestParamInfo<TextCase>& info) { return std::string(info.param.name); });

TEST(Variant, FontHasNoText) {
  try {
    CStr(Variant(makeFont()));
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_EQ(e.number(), Error::kTypeMismatch);
  }
}

struct NumericCase {
  const char* name;
  Variant input;
  bool numeric;
};

void PrintTo(const NumericCase& c, std::ostream* os) {
  *os << c.name;
}

class NumericTest : public testing::TestWithParam<NumericCase> {};

TEST_P(NumericTest, AgreesWithConversion) {
  const NumericCase& c = GetParam();
  EXPECT_EQ(IsNumeric(c.input), c.numeric);
  // What the test accepts, CDbl converts; what it refuses is a type mismatch.
  Outcome got = convert(To::Dbl, c.input);
  EXPECT_EQ(got.error, c.numeric ? 0 : Error::kTypeMismatch);
}

INSTANTIATE_TEST_SUITE_P(
    Variant, NumericTest,
    testing::Values(NumericCase{"Empty", Variant(), true}, NumericCase{"Boolean", kFalse, true},
                    NumericCase{"Text", " 12 ", true}, NumericCase{"Hex", "&H1F", true},
                    NumericCase{"Thousands", "1,000", true}, NumericCase{"EmptyText", "", false},
                    NumericCase{"Word", "abc", false}, NumericCase{"BareExponent", "e5", false},
                    NumericCase{"Font", makeFont(), false}),
    [](const testing::TestParamInfo<NumericCase>& info) { return std::string(info.param.name); });

TEST(ParseNumber, ReadsTheFullGrammar) {
  EXPECT_EQ(parseNumber("1,234,567.5"), 1234567.5);
  EXPECT_EQ(parseNumber("-1,000"), -1000.0);
  EXPECT_EQ(parseNumber(" &H10 "), 16.0);
  EXPECT_EQ(parseNumber("-&H1"), std::nullopt);
  EXPECT_EQ(parseNumber("1,2345"), 12345.0);
  EXPECT_EQ(parseNumber("1 2"), std::nullopt);
  EXPECT_EQ(parseNumber("1e400"), std::nullopt);
}

}  // namespace
}  // namespace kadrelle
