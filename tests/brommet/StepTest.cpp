#include <gtest/gtest.h>

#include <vector>

#include "Brommet.h"

namespace kadrelle {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::StartsWith;
constexpr double kRpm = ParameterCatalog::kRpmPerCountsPerSecond;

using Step = DriveSession;
using O = BrommetValueObject;

TEST_F(Step, MovesByTheStepAndClampsAtTheLimitsOrRefuses) {
  const struct {
    ParameterNumbers number;
    bool appView;
    double startDrive;  // drive units; negative: the default value
    bool up;
    std::int16_t shift;
    double expected;    // in the view's units
    std::int32_t code;  // UpdateError code of a refused step: the value stays; 0 when accepted
    int lockLevel = 2;
  } cases[] = {
      {param::SpeedLimit, true, 6553600, true, 0, 3010, 0},
      {param::SpeedLimit, true, 6553600, false, 3, 2900, 0},     // Shift with Ctrl: ten steps
      {param::SpeedLimit, true, 6553600, true, 2, 3010, 0},      // Ctrl alone: one
      {param::SpeedLimit, true, 5995 / kRpm, true, 0, 6000, 0},  // clamped at the limits
      {param::SpeedLimit, true, 21845, false, 1, 0, 0},
      {param::SpeedLimit, false, 6553600, true, 0, 6575445, 0},  // whole counts
      {param::SpeedCommand, true, 0, false, 1, -100, 0},
      {param::SpeedLimit, true, -1, true, 1, 0, O::kLockTooLow, 0},
      {param::DriveName, false, -1, true, 1, 0, O::kNotSteppable, 3},
      {param::StatusWordMask, true, -1, true, 1, 0, O::kNotSteppable, 3},
      {0, true, -1, true, 1, 0, O::kNoParameter, 3},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.number << (c.up ? " up " : " down ") << c.shift);
    drive().appLock()->put_Level(c.lockLevel);
    if (c.startDrive >= 0) drive().setValue(c.number, c.startDrive);
    auto object = bound(c.number);
    auto view = c.appView ? object->get_AppView() : object->get_DriveView();
    const double before = view->get_NumericValue();
    Recorder r(*object);
    EXPECT_NO_THROW(view->Step(Boolean(c.up), c.shift));
    if (c.code)
      EXPECT_THAT(r.events, ElementsAre(StartsWith("UpdateError " + std::to_string(c.code))));
    else
      EXPECT_THAT(r.events, Contains(StartsWith("ContentChanged")).Times(1));
    EXPECT_NEAR(view->get_NumericValue(), c.code ? before : c.expected, c.code ? 0 : 1e-3);
  }
}

TEST_F(Step, StaysOnTheStepGridOverManySteps) {
  auto object = bound(param::SpeedLimit);
  drive().setValue(param::SpeedLimit, 0);
  auto view = object->get_AppView();
  for (int i = 0; i < 100; ++i) view->Step(kTrue, 0);
  EXPECT_NEAR(view->get_NumericValue(), 1000, 1e-3);
  for (int i = 0; i < 10; ++i) view->Step(kFalse, 1);
  EXPECT_NEAR(view->get_NumericValue(), 0, 1e-3);
}

TEST_F(Step, AtTheLimitOnlyTheSteppingObjectHears) {
  drive().setValue(param::SpeedLimit, 13107200);
  auto object = bound(param::SpeedLimit);
  auto sibling = bound(param::SpeedLimit);
  Recorder r(*object), s(*sibling);
  object->get_AppView()->Step(kTrue, 1);
  EXPECT_THAT(r.events, ElementsAre("ContentChanged 6000"));
  EXPECT_THAT(s.events, ElementsAre());
  EXPECT_DOUBLE_EQ(drive().value(param::SpeedLimit), 13107200);
  object->get_AppView()->Step(kFalse, 0);
  // 5990 RPM in whole counts
  EXPECT_THAT(r.events,
              ElementsAre("ContentChanged 6000", StartsWith("ValueChanged 5990.0001"),
                          StartsWith("ContentChanged 5990.0001"), StartsWith("Changed 5990.0001")));
  EXPECT_THAT(s.events, ElementsAre(StartsWith("ValueChanged 5990.0001"),
                                    StartsWith("ContentChanged 5990.0001")));
}

}  // namespace
}  // namespace kadrelle
