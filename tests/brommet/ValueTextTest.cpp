#include "brommet/ValueText.h"

#include <gtest/gtest.h>

namespace kadrelle {
namespace {

TEST(ValueText, FormatsAsTheEditBoxDoes) {
  EXPECT_EQ(ValueText::format(1, "000###", 0), "000001");
  EXPECT_EQ(ValueText::format(0, "#", 0), "");
  EXPECT_EQ(ValueText::format(-1234.5, "#,##0.00", 0), "-1,234.50");
  EXPECT_EQ(ValueText::format(1.5, "", 0), "1.5");
  EXPECT_EQ(ValueText::format(65535, "", 1), "&HFFFF");
  EXPECT_EQ(ValueText::format(-1, "0", 1), "&HFFFFFFFF");
  EXPECT_EQ(ValueText::format(4294967296.0, "0", 1), "4294967296");
}

TEST(ValueText, AcceptsOnlyPrintableAscii) {
  EXPECT_TRUE(ValueText::isPrintable("Axis 1 - Conveyor #2"));
  EXPECT_TRUE(ValueText::isPrintable(""));
  EXPECT_FALSE(ValueText::isPrintable("tab\there"));
  EXPECT_FALSE(ValueText::isPrintable("Achse \xC3\xBC"));
}

}  // namespace
}  // namespace kadrelle
