// The value objects of the value library: views, commits and their refusals, steps, lock levels
// and the simulated faults.
#include "brommet/BrommetValueObject.h"

#include <gtest/gtest.h>

#include "Brommet.h"

namespace kadrelle {
namespace {

using ::testing::ElementsAre;
using ::testing::StartsWith;
using ValueObjectTest = DriveSession;
using O = BrommetValueObject;
constexpr double kRpm = ParameterCatalog::kRpmPerCountsPerSecond;

// Everything an object shows through one of its views, a line each. Of an unknown parameter the
// descriptions name the number.
TEST_F(ValueObjectTest, ViewsShowOneValueInTwoUnitSystems) {
  const auto shown = [&](ParameterNumbers number, bool appView) {
    auto o = bound(number);
    View& v = appView ? *o->get_AppView() : *o->get_DriveView();
    std::int32_t which = 0;
    return o->get_Key() + (o->get_ReadOnly() ? " read-only" : "") +
           (o->get_IsText() ? " text" : "") + " lock " +
           std::to_string(o->get_RequiredLock()->get_Level()) + ": " + v.get_TextValue() + " = " +
           numberText(v.get_NumericValue()) + " " + v.get_Units(which) + " in " +
           numberText(v.get_LowerLimit()) + ".." + numberText(v.get_UpperLimit()) +
           (v.get_LimitsEnabled() ? "" : " unlimited") + ", drive " +
           numberText(v.get_DriveValue()) + " in " + numberText(v.get_DriveLowerLimit()) + ".." +
           numberText(v.get_DriveUpperLimit()) + ", format " + v.get_NumberFormat() + " base " +
           std::to_string(v.get_DisplayBase()) + (v.get_Stepper() ? " stepped" : "") + " \"" +
           v.get_Description() + "\" \"" + v.get_DriveDescription() + "\"\n";
  };
  EXPECT_EQ(
      shown(param::SpeedLimit, true) + shown(param::SpeedLimit, false) +
          shown(param::NodeId, false) + shown(0, true) + shown(4711, false),
      R"(P1510 lock 1: 3000 = 3000 RPM in 0..6000, drive 6553600 in 0..13107200, format 0 base 0 stepped "Axis 1 Speed Limit" "Velocity limit"
P1510 lock 1: 6,553,600 = 6553600 counts/s in 0..13107200, drive 6553600 in 0..13107200, format #,##0 base 0 stepped "@*@Speed Limit" "Velocity limit"
P1610 lock 1: &H1 = 1  in 1..127, drive 1 in 1..127, format 0 base 1 stepped "@*@Node ID" "Fieldbus node address"
 read-only lock 0:  = 0  in 0..0 unlimited, drive 0 in 0..0, format  base 0 "" ""
 read-only lock 0:  = 0  in 0..0 unlimited, drive 0 in 0..0, format  base 0 "Unknown parameter 4711" "Unknown parameter 4711"
)");
}

TEST_F(ValueObjectTest, CommitReachesEveryObjectOfTheParameterAndNoOtherReselectingToo) {
  auto writer = bound(param::SpeedLimit);
  auto sibling = bound(param::SpeedLimit);
  auto other = bound(param::CurrentLimit);
  auto unbound = library.makeValueObject();
  Recorder w(*writer), s(*sibling), o(*other), u(*unbound);
  writer->Commit();  // nothing written yet: nothing happens

  writer->get_AppView()->put_NumericValue(4500);
  EXPECT_DOUBLE_EQ(writer->get_AppView()->get_NumericValue(), 4500);  // shown while pending
  EXPECT_DOUBLE_EQ(sibling->get_AppView()->get_NumericValue(), 3000);
  EXPECT_TRUE(s.events.empty());
  writer->Commit();

  EXPECT_EQ(w.events,
            (std::vector<std::string>{"ValueChanged 4500", "ContentChanged 4500", "Changed 4500"}));
  EXPECT_EQ(s.events, (std::vector<std::string>{"ValueChanged 4500", "ContentChanged 4500"}));
  EXPECT_TRUE(o.events.empty() && u.events.empty());
  EXPECT_DOUBLE_EQ(drive().value(param::SpeedLimit), 9830400);
  EXPECT_DOUBLE_EQ(sibling->get_DriveView()->get_NumericValue(), 9830400);
  EXPECT_FALSE(writer->hasPending());

  auto name = bound(param::DriveName);  // a text parameter commits through the drive view
  Recorder n(*name);
  EXPECT_TRUE(name->get_IsText() == 1 && !name->get_DriveView()->get_Stepper());
  writer->put_ParameterNumber(param::DriveName);
  const std::string text = "Conveyor left, 24 chars!";  // as long as a name may be
  writer->get_DriveView()->put_TextValue(text);
  writer->Commit();
  EXPECT_EQ(drive().text(param::DriveName), text);
  EXPECT_THAT(n.events, ElementsAre("ValueChanged " + text, "ContentChanged " + text));
  w.events.clear();  // the reselected writer hears the new parameter only
  drive().setValue(param::SpeedLimit, 100);
  drive().setText(param::DriveName, "B");
  EXPECT_THAT(w.events, ElementsAre("ValueChanged B", "ContentChanged B"));
  View& app = *other->get_AppView();  // its text follows the reselected parameter's format
  EXPECT_EQ(app.get_TextValue(), "10.00");
  other->put_ParameterNumber(param::SpeedLimit);
  EXPECT_EQ(app.get_TextValue(), "0");  // 100 counts/s
}

// A refused commit keeps the drive's value, tells no other object and says why.
TEST_F(ValueObjectTest, RefusedCommitKeepsTheDriveValueAndExplains) {
  const struct {
    ParameterNumbers number;
    bool appView;
    const char* written;  // through TextValue
    std::int32_t code;
    const char* description;
    std::int32_t lockLevel = 2;
  } cases[] = {
      {param::SpeedLimit, true, "12000", O::kAboveMaximum,
       "Speed Limit: 12000 RPM is above the maximum of 6000 RPM"},
      {param::SpeedLimit, true, "-1", O::kBelowMinimum,
       "Speed Limit: -1 RPM is below the minimum of 0 RPM"},
      {param::SpeedLimit, true, "6000.2", O::kAboveMaximum,
       "Speed Limit: 6000.2 RPM is above the maximum of 6000 RPM"},
      {param::SpeedLimit, true, "1E+300", O::kAboveMaximum,
       "Speed Limit: 1E+300 RPM is above the maximum of 6000 RPM"},
      {param::SpeedLimit, false, "20000000", O::kAboveMaximum,
       "Speed Limit: 20,000,000 counts/s is above the maximum of 13,107,200 counts/s"},
      {param::NodeId, true, "&H80", O::kAboveMaximum, "Node ID: &H80 is above the maximum of &H7F"},
      {param::SpeedLimit, true, "fast", O::kBadText, "Speed Limit: \"fast\" is not a number"},
      {param::ActualSpeed, true, "100", O::kReadOnly,
       "Actual Speed: the parameter is read-only and cannot be changed"},
      {param::DriveName, false, "A drive name far too long to store", O::kBadText,
       "Drive Name: the text is 34 characters long; at most 24 are allowed"},
      {param::DriveName, false, "Tab\there", O::kBadText,
       "Drive Name: the text holds a character the drive cannot store (letters, "
       "digits, blanks and punctuation only)"},
      {param::SpeedLimit, true, "1000", O::kLockTooLow,
       "Speed Limit: needs lock level 1 (technician), the application holds 0 (operator)", 0},
      {4711, true, "1", O::kNoParameter,
       "Parameter 4711 is not known to this drive; nothing was written"},
      {0, true, "1", O::kNoParameter, "No parameter is selected; nothing was written"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.written);
    drive().appLock()->put_Level(c.lockLevel);
    auto object = bound(c.number);
    auto watcher = bound(c.number);
    const double before = drive().value(c.number);
    const std::string textBefore = drive().text(c.number);
    Recorder r(*object), w(*watcher);
    (c.appView ? object->get_AppView() : object->get_DriveView())->put_TextValue(c.written);
    EXPECT_NO_THROW(object->Commit());
    EXPECT_THAT(r.events,
                ElementsAre("UpdateError " + std::to_string(c.code) + " " + c.description));
    EXPECT_TRUE(w.events.empty());
    EXPECT_EQ(drive().value(c.number), before);
    EXPECT_EQ(drive().text(c.number), textBefore);
    EXPECT_FALSE(object->hasPending());
  }
}

TEST_F(ValueObjectTest, CommitNeedsTheRequiredLevelOfTheSessionLockOrItsOwn) {
  drive().appLock()->put_Level(1);
  auto object = bound(param::SpeedLimit);
  Recorder r(*object);
  object->get_AppView()->put_NumericValue(1000);
  object->Commit();
  EXPECT_EQ(r.events.size(), 3u);  // ValueChanged, ContentChanged, Changed
  EXPECT_NEAR(object->get_AppView()->get_NumericValue(), 1000, 1e-3);
  // Until given its own lock, an object uses the drive session's.
  EXPECT_EQ(object->get_AppLock(), drive().appLock());
  object->putref_AppLock(library.createLockLevel());
  object->get_AppView()->put_NumericValue(2000);
  object->Commit();  // the own lock is at level 0
  EXPECT_THAT(r.events.back(), StartsWith("UpdateError 30006 Speed Limit: "));
}

TEST_F(ValueObjectTest, RequiredLockRefusesWritesAndRisesForStopOnlyParametersWhileEnabled) {
  auto pwm = bound(param::PwmFrequency);
  auto speed = bound(param::SpeedLimit);
  auto required = pwm->get_RequiredLock();
  int levelChanges = 0;
  Connection c = required->Changed.connect([&] { ++levelChanges; });
  Recorder p(*pwm), s(*speed);
  EXPECT_THAT([&] { required->put_Level(0); }, throwsError(BrommetLockLevel::kReadOnlyProperty));
  EXPECT_EQ(required->get_Level(), 2);

  drive().setEnabled(true);
  EXPECT_EQ(std::pair(required->get_Level(), levelChanges), std::pair(3, 1));
  EXPECT_EQ(p.events, std::vector<std::string>{"ContentChanged 8"});
  EXPECT_TRUE(s.events.empty());
  EXPECT_EQ(speed->get_RequiredLock()->get_Level(), 1);

  pwm->get_AppView()->put_NumericValue(16);
  pwm->Commit();
  EXPECT_EQ(p.events.back(),
            "UpdateError 30006 PWM Frequency: needs lock level 3 (factory), the application holds "
            "2 (engineer); disable the drive to change it");
  EXPECT_DOUBLE_EQ(drive().value(param::PwmFrequency), 8000);

  drive().setEnabled(false);
  EXPECT_EQ(required->get_Level(), 2);
  pwm->get_AppView()->put_NumericValue(16);
  pwm->Commit();
  EXPECT_DOUBLE_EQ(drive().value(param::PwmFrequency), 16000);
}

// A written value rounds to whole drive units; a view outliving its object fails; a lock level
// says when its level changes.
TEST_F(ValueObjectTest, RoundingViewsLockLevelsAndTheSharedInstance) {
  auto object = bound(param::MotorRatedCurrent);
  object->get_DriveView()->put_DriveValue(2500.5);
  object->Commit();
  EXPECT_DOUBLE_EQ(drive().value(param::MotorRatedCurrent), 2500);
  object->get_AppView()->put_NumericValue(2.0016);
  object->Commit();
  EXPECT_DOUBLE_EQ(drive().value(param::MotorRatedCurrent), 2002);
  ViewRef view = bound(param::SpeedLimit)->get_AppView();
  EXPECT_THAT([&] { view->get_NumericValue(); }, throwsError(Error::kObjectNotSet));
  BrommetLockLevel lock;
  std::vector<std::int32_t> seen;
  Connection c = lock.Changed.connect([&] { seen.push_back(lock.get_Level()); });
  lock.put_Level(2);
  lock.put_Level(2);
  lock.put_Level(0);
  for (std::int32_t level : {-1, 4, 99})
    EXPECT_THAT([&] { lock.put_Level(level); }, throwsError(Error::kInvalidPropertyValue));
  EXPECT_EQ(seen, (std::vector<std::int32_t>{2, 0}));
  auto shared = library.sharedValueObject();
  EXPECT_EQ(shared, library.sharedValueObject());
  EXPECT_NE(shared, library.createValueObject());
  EXPECT_THAT([] { BrommetLibrary{nullptr}; }, throwsError(Error::kObjectNotSet));
}

TEST_F(ValueObjectTest, StepMovesByTheStepAndClampsAtTheLimitsOrRefuses) {
  const struct {
    ParameterNumbers number;
    bool appView;
    double startDrive;  // drive units; negative: the default value
    bool up;
    std::int16_t shift;
    double expected;    // in the view's units
    std::int32_t code;  // UpdateError code of a refused step: the value stays; 0 when accepted
    int lockLevel = 2;
  } cases[] = {{param::SpeedLimit, true, 6553600, true, 0, 3010, 0},
               {param::SpeedLimit, true, 6553600, false, 3, 2900, 0},  // Shift with Ctrl: ten steps
               {param::SpeedLimit, true, 6553600, true, 2, 3010, 0},   // Ctrl alone: one
               {param::SpeedLimit, true, 5995 / kRpm, true, 0, 6000, 0},  // clamped at the limits
               {param::SpeedLimit, true, 21845, false, 1, 0, 0},
               {param::SpeedLimit, false, 6553600, true, 0, 6575445, 0},  // whole counts
               {param::SpeedCommand, true, 0, false, 1, -100, 0},
               {param::SpeedLimit, true, -1, true, 1, 0, O::kLockTooLow, 0},
               {param::DriveName, false, -1, true, 1, 0, O::kNotSteppable, 3},
               {param::StatusWordMask, true, -1, true, 1, 0, O::kNotSteppable, 3},
               {0, true, -1, true, 1, 0, O::kNoParameter, 3}};
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
      EXPECT_THAT(r.events, testing::Contains(StartsWith("ContentChanged")).Times(1));
    EXPECT_NEAR(view->get_NumericValue(), c.code ? before : c.expected, c.code ? 0 : 1e-3);
  }
}

TEST_F(ValueObjectTest, StepsStayOnTheGridAndAtTheLimitOnlyTheSteppingObjectHears) {
  auto object = bound(param::SpeedLimit);
  auto sibling = bound(param::SpeedLimit);
  auto view = object->get_AppView();
  drive().setValue(param::SpeedLimit, 0);
  for (int i = 0; i < 100; ++i) view->Step(kTrue, 0);
  EXPECT_NEAR(view->get_NumericValue(), 1000, 1e-3);
  for (int i = 0; i < 10; ++i) view->Step(kFalse, 1);
  EXPECT_NEAR(view->get_NumericValue(), 0, 1e-3);
  drive().setValue(param::SpeedLimit, 13107200);
  Recorder r(*object), s(*sibling);
  view->Step(kTrue, 1);
  EXPECT_THAT(r.events, ElementsAre("ContentChanged 6000"));
  EXPECT_THAT(s.events, ElementsAre());
  EXPECT_DOUBLE_EQ(drive().value(param::SpeedLimit), 13107200);
  view->Step(kFalse, 0);  // 5990 RPM in whole counts
  EXPECT_THAT(r.events,
              ElementsAre("ContentChanged 6000", StartsWith("ValueChanged 5990.0001"),
                          StartsWith("ContentChanged 5990.0001"), StartsWith("Changed 5990.0001")));
  EXPECT_THAT(s.events, ElementsAre(StartsWith("ValueChanged 5990.0001"),
                                    StartsWith("ContentChanged 5990.0001")));
}

// One member of a value object, its application view, a lock level or the library of the drive,
// and a call.
struct Member {
  const char* name;
  void (*call)(BrommetValueObject&, View&, LockLevel&, ValueLibrary&);
};
// clang-format off
#define CALL(on, member, ...) Member{#member, \
    [](BrommetValueObject& o, View& v, LockLevel& l, ValueLibrary& b) { \
    (void)o, (void)v, (void)l, (void)b; on.member(__VA_ARGS__); }}
std::int32_t which = 0;
const Member kMembers[] = {
    CALL(o, get_AppView),      CALL(o, get_DriveView),    CALL(o, get_ReadOnly),   CALL(o, get_Key),
    CALL(o, put_ParameterNumber, param::SpeedLimit),      CALL(o, Commit),         CALL(o, get_AppLock),
    CALL(o, putref_AppLock, o.driveRef()->appLock()),     CALL(o, get_RequiredLock),
    CALL(o, putref_Link, nullptr),                        CALL(o, get_IsText),
    CALL(v, get_NumericValue), CALL(v, put_NumericValue, 100),  CALL(v, get_DriveValue),
    CALL(v, put_DriveValue, 100), CALL(v, get_TextValue), CALL(v, put_TextValue, "100"),
    CALL(v, get_UpperLimit),   CALL(v, get_LowerLimit),   CALL(v, get_DriveUpperLimit),
    CALL(v, get_DriveLowerLimit), CALL(v, get_LimitsEnabled), CALL(v, get_NumberFormat),
    CALL(v, get_DisplayBase),  CALL(v, get_Description),  CALL(v, get_DriveDescription),
    CALL(v, get_Units, which), CALL(v, get_Stepper),      CALL(v, Step, kTrue, 0),
    CALL(l, get_Level),        CALL(l, put_Level, 1),     CALL(b, createValueObject),
    CALL(b, createLockLevel),  CALL(b, sharedValueObject)};
#undef CALL
// clang-format on

class DriveFaults : public DriveSession {
 protected:
  DriveFaults() { drive().appLock()->put_Level(3); }
  std::shared_ptr<BrommetValueObject> object = bound(param::SpeedLimit);
  View& view = *object->appView();
  LockLevelRef lock = library.createLockLevel();
};

TEST_F(DriveFaults, EveryMemberFailsItsNextCallsOnly) {
  std::vector<std::string_view> named;
  for (const Member& m : kMembers) {
    SCOPED_TRACE(m.name);
    named.push_back(m.name);
    auto call = [&] { m.call(*object, view, *lock, library); };
    drive().failNext(m.name, 2, {}, 1);  // one call still succeeds
    EXPECT_NO_THROW(call());
    for (int i = 0; i < 2; ++i)
      EXPECT_THAT(call, throwsError(SimulatedFaults::kSimulatedFault, testing::HasSubstr(m.name)));
    EXPECT_NO_THROW(call());
  }
  EXPECT_EQ(named, drive().faults()->members());  // the table calls every member
  EXPECT_THAT([&] { drive().failNext("get_Levle"); }, throwsError(Error::kInvalidCall));
  drive().failNext("get_Units", 1, Error(Error::kOverflow, "boom"));
  EXPECT_THAT([&] { view.get_Units(which); }, throwsError(Error::kOverflow, "boom"));
}

TEST_F(DriveFaults, CommunicationFaultFailsOnlyCallsThatReachTheDrive) {
  drive().simulateCommunicationFault(2);
  EXPECT_NO_THROW(view.get_UpperLimit());
  EXPECT_THAT([&] { view.get_NumericValue(); }, throwsError(SimulatedFaults::kCommunicationFault));
  EXPECT_THROW(view.get_TextValue(), Error);
  EXPECT_NO_THROW(view.get_NumericValue());
  drive().simulateCommunicationFault(5);
  drive().clearFaults();
  EXPECT_NO_THROW(object->Commit());
}

// As a real value library: the pending value is dropped, UpdateError says why, and every object
// of the parameter shows what the drive holds.
TEST_F(DriveFaults, FailedWritesAreReportedAndEveryObjectShowsTheDriveValue) {
  const auto commit = [](BrommetValueObject& o, View& v) {
    v.put_NumericValue(1000);
    o.Commit();
  };
  const struct {
    const char* failing;  // the member made to fail; nullptr: the drive does not answer
    std::function<void(BrommetValueObject&, View&)> write;
    int code;
  } cases[] = {
      {"Commit", commit, SimulatedFaults::kSimulatedFault},
      {nullptr, commit, SimulatedFaults::kCommunicationFault},
      {"put_TextValue", [](auto&, View& v) { v.put_TextValue("1000"); }, 75},
      {nullptr, [](auto&, View& v) { v.Step(kTrue, 0); }, SimulatedFaults::kCommunicationFault}};
  auto sibling = bound(param::SpeedLimit);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.code);
    Recorder r(*object), s(*sibling);
    if (!c.failing)
      drive().simulateCommunicationFault();
    else if (c.code == SimulatedFaults::kSimulatedFault)
      drive().failNext(c.failing);
    else
      drive().failNext(c.failing, 1, Error(c.code, "x"));
    EXPECT_THAT([&] { c.write(*object, view); }, throwsError(c.code));
    EXPECT_FALSE(object->hasPending());
    EXPECT_EQ(drive().value(param::SpeedLimit), 6553600);
    EXPECT_THAT(r.events,
                ElementsAre(StartsWith("UpdateError " + std::to_string(c.code) + " Speed Limit: "),
                            "ContentChanged 3000"));
    EXPECT_THAT(s.events, ElementsAre("ContentChanged 3000"));
  }
}

}  // namespace
}  // namespace kadrelle
