#include "brommet/ParameterCatalog.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <string>

#include "brommet/ServoDrive.h"

namespace kadrelle {

void PrintTo(const ParameterInfo& p, std::ostream* os) {
  *os << p.key;
}

namespace {

TEST(ParameterCatalog, HoldsAtLeastFortyParametersWithUniqueKeysInNumberOrder) {
  const auto all = ParameterCatalog::all();
  ASSERT_GE(all.size(), 40u);
  std::set<std::string_view> keys;
  for (std::size_t i = 0; i < all.size(); ++i) {
    EXPECT_TRUE(keys.insert(all[i].key).second) << all[i].key;
    EXPECT_EQ(all[i].key, "P" + std::to_string(all[i].number));
    if (i > 0) {
      EXPECT_LT(all[i - 1].number, all[i].number);
    }
  }
}

TEST(ParameterCatalog, CoversEveryGroup) {
  std::set<ParameterGroup> groups;
  for (const auto& p : ParameterCatalog::all()) groups.insert(p.group);
  EXPECT_EQ(groups.size(), 10u);
}

TEST(ParameterCatalog, OffersTextHexAndAxisMarkedParameters) {
  int text = 0, hex = 0, marked = 0;
  for (const auto& p : ParameterCatalog::all()) {
    text += p.text;
    hex += p.displayBase == 1;
    marked += p.description.find("@*@") != std::string_view::npos;
  }
  EXPECT_GE(text, 2);
  EXPECT_GE(hex, 3);
  EXPECT_GE(marked, 5);
  ASSERT_NE(ParameterCatalog::find(param::DriveName), nullptr);
  EXPECT_TRUE(ParameterCatalog::find(param::DriveName)->text);
  EXPECT_TRUE(ParameterCatalog::find(param::FirmwareVersion)->readOnly);
}

TEST(ParameterCatalog, LooksUpByNumberAndKey) {
  EXPECT_EQ(ParameterCatalog::find(param::SpeedLimit)->key, "P1510");
  EXPECT_EQ(ParameterCatalog::findKey("P1510")->number, param::SpeedLimit);
  EXPECT_EQ(ParameterCatalog::find(0), nullptr);
  EXPECT_EQ(ParameterCatalog::find(4711), nullptr);
  EXPECT_EQ(ParameterCatalog::find(1009), nullptr);
  EXPECT_EQ(ParameterCatalog::findKey(""), nullptr);
  EXPECT_FALSE(ParameterCatalog::indexOf(99999).has_value());
}

TEST(ParameterCatalog, NamesLockLevels) {
  EXPECT_EQ(ParameterCatalog::lockLevelName(0), "operator");
  EXPECT_EQ(ParameterCatalog::lockLevelName(3), "factory");
  EXPECT_EQ(ParameterCatalog::lockLevelName(7), "level 7");
}

// Decimal places a Basic-style format shows at most.
int decimals(std::string_view format) {
  auto point = format.find('.');
  return point == std::string_view::npos ? 0 : static_cast<int>(format.size() - point - 1);
}

bool isNumberFormat(std::string_view format) {
  if (format.empty()) return false;
  return format.find_first_not_of("#0,.") == std::string_view::npos &&
         format.find('.') == format.rfind('.');
}

class EveryParameter : public ::testing::TestWithParam<ParameterInfo> {};

TEST_P(EveryParameter, ViewsAgree) {
  const ParameterInfo& p = GetParam();
  EXPECT_FALSE(p.name.empty());
  EXPECT_FALSE(p.description.empty());
  EXPECT_FALSE(p.driveDescription.empty());
  EXPECT_GE(p.lockLevel, 0);
  EXPECT_LE(p.lockLevel, 3);
  if (p.text) {
    EXPECT_GT(p.maxTextLength, 0u);
    EXPECT_EQ(p.step, 0);
    EXPECT_FALSE(ServoDrive::checkText(p, p.defaultText).has_value()) << p.defaultText;
    return;
  }
  ASSERT_GT(p.scale, 0);
  auto near = [](double a, double b) {
    return std::fabs(a - b) <= 1e-9 * std::max(1.0, std::fabs(b));
  };
  EXPECT_TRUE(near(p.appLower, p.driveLower * p.scale)) << p.appLower << " vs " << p.driveLower;
  EXPECT_TRUE(near(p.appUpper, p.driveUpper * p.scale)) << p.appUpper << " vs " << p.driveUpper;
  EXPECT_LE(p.driveLower, p.driveUpper);
  EXPECT_GE(p.defaultValue, p.driveLower);
  EXPECT_LE(p.defaultValue, p.driveUpper);
  if (p.integral) {
    EXPECT_EQ(p.defaultValue, std::floor(p.defaultValue));
  }
  EXPECT_TRUE(isNumberFormat(p.appFormat)) << p.appFormat;
  EXPECT_TRUE(isNumberFormat(p.driveFormat)) << p.driveFormat;
  if (p.step > 0) {
    // The application format shows a single step.
    const double shown = p.step * std::pow(10.0, decimals(p.appFormat));
    EXPECT_NEAR(shown, std::round(shown), 1e-9) << p.appFormat << " step " << p.step;
    EXPECT_FALSE(p.readOnly);
  }
  if (p.displayBase == 1) {
    EXPECT_EQ(p.scale, 1);
    EXPECT_TRUE(p.integral);
    EXPECT_GE(p.driveLower, 0);
  }
  if (p.measured) {
    EXPECT_TRUE(p.readOnly);
  }
  if (p.readOnly) {
    EXPECT_EQ(p.step, 0);
  }
  // Enabling the drive must be able to raise the level these need.
  if (p.stopOnly) {
    EXPECT_LT(p.lockLevel, 3);
  }
  // Whole drive values must fit the drive's 32-bit registers.
  EXPECT_GE(p.driveLower, -2147483648.0);
  EXPECT_LE(p.driveUpper, 2147483647.0);
}

INSTANTIATE_TEST_SUITE_P(Catalog, EveryParameter,
                         ::testing::ValuesIn(ParameterCatalog::all().begin(),
                                             ParameterCatalog::all().end()),
                         [](const auto& info) { return std::string(info.param.key); });

}  // namespace
}  // namespace kadrelle
