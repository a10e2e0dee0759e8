#include "brommet/ParameterCatalog.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <string>

#include "brommet/ServoDrive.h"

namespace kadrelle {
namespace {

// Decimal places a Basic-style format shows at most.
int decimals(std::string_view format) {
  auto point = format.find('.');
  return point == std::string_view::npos ? 0 : static_cast<int>(format.size() - point - 1);
}

bool isNumberFormat(std::string_view format) {
  return !format.empty() && format.find_first_not_of("#0,.") == std::string_view::npos &&
         format.find('.') == format.rfind('.');
}

bool near(double a, double b) {
  return std::fabs(a - b) <= 1e-9 * std::max(1.0, std::fabs(b));
}

TEST(ParameterCatalog, EveryParameterIsFoundByNumberAndKeyAndItsViewsAgree) {
  const auto all = ParameterCatalog::all();
  ASSERT_GE(all.size(), 40u);
  std::set<std::string_view> keys;
  std::set<ParameterGroup> groups;
  int text = 0, hex = 0, marked = 0;
  for (std::size_t i = 0; i < all.size(); ++i) {
    const ParameterInfo& p = all[i];
    SCOPED_TRACE(p.key);
    EXPECT_TRUE(keys.insert(p.key).second);
    EXPECT_EQ(p.key, "P" + std::to_string(p.number));
    EXPECT_LT(i == 0 ? 0 : all[i - 1].number, p.number);  // find() searches by number
    EXPECT_EQ(ParameterCatalog::find(p.number), &p);
    EXPECT_EQ(ParameterCatalog::findKey(p.key), &p);
    groups.insert(p.group);
    text += p.text;
    hex += p.displayBase == 1;
    marked += p.description.find("@*@") != std::string_view::npos;
    EXPECT_FALSE(p.name.empty() || p.description.empty() || p.driveDescription.empty());
    EXPECT_TRUE(p.lockLevel >= 0 && p.lockLevel <= 3) << p.lockLevel;
    EXPECT_FALSE(p.stopOnly && p.lockLevel >= 3);  // enabling the drive raises it to 3
    if (p.text) {
      EXPECT_GT(p.maxTextLength, 0u);
      EXPECT_EQ(p.step, 0);
      EXPECT_FALSE(ServoDrive::checkText(p, p.defaultText).has_value()) << p.defaultText;
      continue;
    }
    ASSERT_GT(p.scale, 0);
    EXPECT_TRUE(near(p.appLower, p.driveLower * p.scale)) << p.appLower << " vs " << p.driveLower;
    EXPECT_TRUE(near(p.appUpper, p.driveUpper * p.scale)) << p.appUpper << " vs " << p.driveUpper;
    EXPECT_LE(p.driveLower, p.driveUpper);
    EXPECT_GE(p.defaultValue, p.driveLower);
    EXPECT_LE(p.defaultValue, p.driveUpper);
    EXPECT_TRUE(!p.integral || p.defaultValue == std::floor(p.defaultValue)) << p.defaultValue;
    EXPECT_TRUE(isNumberFormat(p.appFormat)) << p.appFormat;
    EXPECT_TRUE(isNumberFormat(p.driveFormat)) << p.driveFormat;
    if (p.step > 0) {  // the application format shows a single step
      const double shown = p.step * std::pow(10.0, decimals(p.appFormat));
      EXPECT_NEAR(shown, std::round(shown), 1e-9) << p.appFormat << " step " << p.step;
    }
    EXPECT_FALSE((p.measured && !p.readOnly) || (p.readOnly && p.step != 0));
    EXPECT_TRUE(p.displayBase != 1 || (p.scale == 1 && p.integral && p.driveLower >= 0));
    // Whole drive values must fit the drive's 32-bit registers.
    EXPECT_GE(p.driveLower, -2147483648.0);
    EXPECT_LE(p.driveUpper, 2147483647.0);
  }
  EXPECT_EQ(groups.size(), 10u);
  EXPECT_GE(text, 2);
  EXPECT_GE(hex, 3);
  EXPECT_GE(marked, 5);
}

TEST(ParameterCatalog, FindsNothingOutsideTheCatalogAndNamesHighLockLevels) {
  EXPECT_EQ(ParameterCatalog::find(1009), nullptr);            // below the first
  EXPECT_EQ(ParameterCatalog::find(1509), nullptr);            // between two
  EXPECT_FALSE(ParameterCatalog::indexOf(99999).has_value());  // beyond the last
  EXPECT_EQ(ParameterCatalog::findKey(""), nullptr);
  EXPECT_EQ(ParameterCatalog::lockLevelName(3), "factory");
  EXPECT_EQ(ParameterCatalog::lockLevelName(4), "level 4");
}

}  // namespace
}  // namespace kadrelle
