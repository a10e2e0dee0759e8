#include <gtest/gtest.h>

#include <vector>

#include "brommet/BrommetLibrary.h"

namespace kadrelle {
namespace {

constexpr double kRpm = ParameterCatalog::kRpmPerCountsPerSecond;

class Step : public ::testing::Test {
 protected:
  Step() { library.drive().appLock()->put_Level(2); }
  BrommetLibrary library;
};

struct StepCase {
  const char* name;
  ParameterNumbers number;
  bool appView;
  double startDrive;  // drive units; negative: the default value
  bool up;
  std::int16_t shift;
  double expected;    // in the view's units
  std::int32_t code;  // UpdateError code of a refused step: the value stays; 0 when accepted
  int lockLevel = 2;
};

class Stepping : public Step, public ::testing::WithParamInterface<StepCase> {};

TEST_P(Stepping, MovesByTheStepAndClampsAtTheLimitsOrRefuses) {
  const StepCase& c = GetParam();
  library.drive().appLock()->put_Level(c.lockLevel);
  if (c.startDrive >= 0) library.drive().setValue(c.number, c.startDrive);
  auto object = library.makeValueObject(c.number);
  auto view = c.appView ? object->get_AppView() : object->get_DriveView();
  const double before = view->get_NumericValue();
  std::vector<std::int32_t> codes;
  int content = 0;
  Connection e =
      object->UpdateError.connect([&](std::int32_t& code, std::string&) { codes.push_back(code); });
  Connection f = object->ContentChanged.connect([&](const Variant&) { ++content; });
  EXPECT_NO_THROW(view->Step(Boolean(c.up), c.shift));
  EXPECT_EQ(codes, c.code ? std::vector<std::int32_t>{c.code} : std::vector<std::int32_t>{});
  EXPECT_EQ(content, c.code ? 0 : 1);
  EXPECT_NEAR(view->get_NumericValue(), c.code ? before : c.expected, c.code ? 0 : 1e-3);
}

using O = BrommetValueObject;

INSTANTIATE_TEST_SUITE_P(
    Grid, Stepping,
    ::testing::Values(
        StepCase{"Up", param::SpeedLimit, true, 6553600, true, 0, 3010, 0},
        StepCase{"ShiftWithCtrl", param::SpeedLimit, true, 6553600, false, 3, 2900, 0},
        StepCase{"CtrlAloneIsOneStep", param::SpeedLimit, true, 6553600, true, 2, 3010, 0},
        StepCase{"ClampAtMaximum", param::SpeedLimit, true, 5995 / kRpm, true, 0, 6000, 0},
        StepCase{"ClampAtMinimum", param::SpeedLimit, true, 21845, false, 1, 0, 0},
        StepCase{"DriveViewStepsWholeCounts", param::SpeedLimit, false, 6553600, true, 0, 6575445,
                 0},
        StepCase{"NegativeRange", param::SpeedCommand, true, 0, false, 1, -100, 0},
        StepCase{"LockTooLow", param::SpeedLimit, true, -1, true, 1, 0, O::kLockTooLow, 0},
        StepCase{"Text", param::DriveName, false, -1, true, 1, 0, O::kNotSteppable, 3},
        StepCase{"NoStep", param::StatusWordMask, true, -1, true, 1, 0, O::kNotSteppable, 3},
        StepCase{"NoParameter", 0, true, -1, true, 1, 0, O::kNoParameter, 3}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Step, StaysOnTheStepGridOverManySteps) {
  auto object = library.makeValueObject(param::SpeedLimit);
  library.drive().setValue(param::SpeedLimit, 0);
  auto view = object->get_AppView();
  for (int i = 0; i < 100; ++i) view->Step(kTrue, 0);
  EXPECT_NEAR(view->get_NumericValue(), 1000, 1e-3);
  for (int i = 0; i < 10; ++i) view->Step(kFalse, 1);
  EXPECT_NEAR(view->get_NumericValue(), 0, 1e-3);
}

TEST_F(Step, AtTheLimitOnlyTheSteppingObjectHears) {
  library.drive().setValue(param::SpeedLimit, 13107200);
  auto object = library.makeValueObject(param::SpeedLimit);
  auto sibling = library.makeValueObject(param::SpeedLimit);
  int self = 0, other = 0, changed = 0;
  Connection a = object->ContentChanged.connect([&](const Variant&) { ++self; });
  Connection b = sibling->ContentChanged.connect([&](const Variant&) { ++other; });
  Connection c = object->Changed.connect([&](const Variant&) { ++changed; });
  object->get_AppView()->Step(kTrue, 1);
  EXPECT_EQ(self, 1);
  EXPECT_EQ(other, 0);
  EXPECT_EQ(changed, 0);
  EXPECT_DOUBLE_EQ(library.drive().value(param::SpeedLimit), 13107200);
  object->get_AppView()->Step(kFalse, 0);
  EXPECT_EQ(other, 1);
  EXPECT_EQ(changed, 1);
}

}  // namespace
}  // namespace kadrelle
