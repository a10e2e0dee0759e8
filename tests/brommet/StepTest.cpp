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
  double startDrive;  // drive units
  bool up;
  std::int16_t shift;
  double expected;  // in the view's units
};

class Stepping : public Step, public ::testing::WithParamInterface<StepCase> {};

TEST_P(Stepping, MovesByTheStepAndClampsAtTheLimits) {
  const StepCase& c = GetParam();
  library.drive().setValue(c.number, c.startDrive);
  auto object = library.makeValueObject(c.number);
  auto view = c.appView ? object->get_AppView() : object->get_DriveView();
  int content = 0;
  Connection conn = object->ContentChanged.connect([&](const Variant&) { ++content; });
  view->Step(Boolean(c.up), c.shift);
  EXPECT_NEAR(view->get_NumericValue(), c.expected, 1e-3);
  EXPECT_EQ(content, 1);
}

INSTANTIATE_TEST_SUITE_P(
    Grid, Stepping,
    ::testing::Values(
        StepCase{"SpeedUp", param::SpeedLimit, true, 6553600, true, 0, 3010},
        StepCase{"ShiftWithCtrl", param::SpeedLimit, true, 6553600, false, 3, 2900},
        StepCase{"CtrlAloneIsOneStep", param::SpeedLimit, true, 6553600, true, 2, 3010},
        StepCase{"ClampAtMaximum", param::SpeedLimit, true, 5995 / kRpm, true, 0, 6000},
        StepCase{"ClampAtMinimum", param::SpeedLimit, true, 21845, false, 1, 0},
        StepCase{"DriveViewStepsWholeCounts", param::SpeedLimit, false, 6553600, true, 0, 6575445},
        StepCase{"NegativeRange", param::SpeedCommand, true, 0, false, 1, -100}),
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

struct StepRefusal {
  ParameterNumbers number;
  int lockLevel;
  std::int32_t code;
};

class RefusedStep : public Step, public ::testing::WithParamInterface<StepRefusal> {};

TEST_P(RefusedStep, KeepsTheValue) {
  const auto& c = GetParam();
  library.drive().appLock()->put_Level(c.lockLevel);
  auto object = library.makeValueObject(c.number);
  const double before = library.drive().value(c.number);
  std::vector<std::int32_t> codes;
  int content = 0;
  Connection e =
      object->UpdateError.connect([&](std::int32_t& code, std::string&) { codes.push_back(code); });
  Connection f = object->ContentChanged.connect([&](const Variant&) { ++content; });
  EXPECT_NO_THROW(object->get_AppView()->Step(kTrue, 1));
  EXPECT_EQ(codes, std::vector<std::int32_t>{c.code});
  EXPECT_EQ(content, 0);
  EXPECT_EQ(library.drive().value(c.number), before);
}

INSTANTIATE_TEST_SUITE_P(
    Grid, RefusedStep,
    ::testing::Values(StepRefusal{param::SpeedLimit, 0, BrommetValueObject::kLockTooLow},
                      StepRefusal{param::DriveName, 3, BrommetValueObject::kNotSteppable},
                      StepRefusal{param::StatusWordMask, 3, BrommetValueObject::kNotSteppable},
                      StepRefusal{0, 3, BrommetValueObject::kNoParameter}));

}  // namespace
}  // namespace kadrelle
