#include "brommet/ValueText.h"

#include <gtest/gtest.h>

namespace kadrelle {
namespace {

struct FormatCase {
  double value;
  const char* format;
  int base;
  const char* expected;
};

class ValueTextFormat : public ::testing::TestWithParam<FormatCase> {};

TEST_P(ValueTextFormat, Formats) {
  const auto& c = GetParam();
  EXPECT_EQ(ValueText::format(c.value, c.format, c.base), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Grid, ValueTextFormat,
    ::testing::Values(FormatCase{12000, "0", 0, "12000"}, FormatCase{-1234, "#,##0", 0, "-1,234"},
                      FormatCase{1234567.891, "#,##0.00", 0, "1,234,567.89"},
                      FormatCase{0.5, "0", 0, "1"}, FormatCase{-0.5, "0", 0, "-1"},
                      FormatCase{0.04, "0.0", 0, "0.0"}, FormatCase{-0.04, "0.0", 0, "0.0"},
                      FormatCase{3.14159, "0.000", 0, "3.142"},
                      FormatCase{999.96, "#,##0.0", 0, "1,000.0"},
                      FormatCase{1.5, "#.##", 0, "1.5"}, FormatCase{0.25, "#.##", 0, ".25"},
                      FormatCase{7, "000", 0, "007"}, FormatCase{1.5, "", 0, "1.5"},
                      FormatCase{65535, "", 1, "&HFFFF"}, FormatCase{-1, "0", 1, "&HFFFFFFFF"}));

TEST(ValueText, AcceptsOnlyPrintableAscii) {
  EXPECT_TRUE(ValueText::isPrintable("Axis 1 - Conveyor #2"));
  EXPECT_TRUE(ValueText::isPrintable(""));
  EXPECT_FALSE(ValueText::isPrintable("tab\there"));
  EXPECT_FALSE(ValueText::isPrintable("Achse \xC3\xBC"));
}

}  // namespace
}  // namespace kadrelle
