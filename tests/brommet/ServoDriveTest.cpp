#include "brommet/ServoDrive.h"

#include <gtest/gtest.h>

#include "brommet/BrommetLibrary.h"

namespace kadrelle {
namespace {

constexpr double kRpm = ParameterCatalog::kRpmPerCountsPerSecond;

class DriveModel : public ::testing::Test {
 protected:
  void run(double seconds, double dt = 0.01) {
    for (double t = 0; t < seconds - 1e-9; t += dt) drive.tick(dt);
  }
  double rpm() const { return drive.value(param::ActualSpeed) * kRpm; }
  std::shared_ptr<ServoDrive> shared = std::make_shared<ServoDrive>();
  ServoDrive& drive = *shared;
};

TEST_F(DriveModel, RampsToTheCommandOnlyWhileEnabledAndReportsLiveValues) {
  BrommetLibrary library(shared);
  auto speed = library.makeValueObject(param::ActualSpeed);
  auto other = library.makeValueObject(param::SpeedLimit);
  std::vector<double> seen;
  int otherEvents = 0;
  Connection c = speed->ContentChanged.connect([&](const Variant& v) { seen.push_back(CDbl(v)); });
  Connection d = other->ContentChanged.connect([&](const Variant&) { ++otherEvents; });
  drive.setValue(param::SpeedCommand, 1200 / kRpm);
  run(1);  // disabled: at rest, nothing to report
  EXPECT_EQ(rpm(), 0);
  EXPECT_EQ(drive.value(param::ActualCurrent), 0);
  EXPECT_TRUE(seen.empty());
  drive.setEnabled(true);

  run(0.1);  // 6000 RPM/s: 600 RPM after 0.1 s
  EXPECT_NEAR(rpm(), 600, 1);
  EXPECT_GT(drive.value(param::ActualCurrent), 0);
  EXPECT_LT(drive.value(param::BusVoltage), 3250);
  run(0.5);
  EXPECT_NEAR(rpm(), 1200, 0.01);
  EXPECT_EQ(static_cast<int>(drive.value(param::StatusWord)) & 7, 7);  // enabled, at speed, moving
  EXPECT_GT(drive.value(param::ActualPosition), 0);
  EXPECT_GT(drive.value(param::FollowingError), 0);
  ASSERT_FALSE(seen.empty());
  EXPECT_NEAR(seen.back(), 1200, 0.01);
  EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
  EXPECT_EQ(otherEvents, 0);

  drive.setEnabled(false);
  run(1);
  EXPECT_EQ(rpm(), 0);
  EXPECT_EQ(static_cast<int>(drive.value(param::StatusWord)) & 1, 0);
}

TEST_F(DriveModel, SpeedLimitCapsTheCommand) {
  drive.setValue(param::SpeedLimit, 500 / kRpm);
  drive.setValue(param::SpeedCommand, -3000 / kRpm);
  drive.setEnabled(true);
  run(1);
  EXPECT_NEAR(rpm(), -500, 0.01);
}

TEST_F(DriveModel, MotorWarmsUnderLoadHoursCountAndIdleTicksChangeNothing) {
  const double hours = drive.value(param::OperatingHours);
  drive.setValue(param::SpeedCommand, 6000 / kRpm);
  drive.setValue(param::SpeedLimit, 6000 / kRpm);
  drive.setEnabled(true);
  run(600, 1);
  EXPECT_GT(drive.value(param::MotorTemperature), 250);
  EXPECT_GT(drive.value(param::DriveTemperature), 250);
  EXPECT_EQ(drive.value(param::OperatingHours), hours + 600);
  const double temperature = drive.value(param::MotorTemperature), speed = rpm();
  drive.tick(0);  // ticks that are not positive change nothing
  drive.tick(-1);
  EXPECT_EQ(drive.value(param::MotorTemperature), temperature);
  EXPECT_EQ(rpm(), speed);
}

TEST_F(DriveModel, UnknownNumbersReadAsNothingAndTheEnableParameterRaisesEnabledChanged) {
  EXPECT_EQ(drive.value(4711), 0);
  EXPECT_EQ(drive.text(4711), "");
  EXPECT_THROW(drive.setValue(4711, 1), Error);
  EXPECT_THROW(drive.setText(0, "x"), Error);
  int changes = 0;
  Connection c = drive.EnabledChanged.connect([&] { ++changes; });
  drive.setValue(param::DriveEnable, 1);
  EXPECT_TRUE(drive.enabled());
  drive.setEnabled(true);  // no change
  drive.setValue(param::SpeedLimit, 1);
  drive.setEnabled(false);
  EXPECT_EQ(changes, 2);
}

}  // namespace
}  // namespace kadrelle
