#include "brommet/BrommetValueObject.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Brommet.h"

namespace kadrelle {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::StartsWith;
using ValueObjectTest = DriveSession;

// Everything an object shows through one of its views, on one line.
std::string shown(BrommetValueObject& o, bool appView) {
  View& v = appView ? *o.get_AppView() : *o.get_DriveView();
  std::int32_t which = 0;
  return o.get_Key() + (o.get_ReadOnly() ? " read-only: " : ": ") + v.get_TextValue() + " = " +
         numberText(v.get_NumericValue()) + " " + v.get_Units(which) + " in " +
         numberText(v.get_LowerLimit()) + ".." + numberText(v.get_UpperLimit()) +
         (v.get_LimitsEnabled() ? "" : " unlimited") + ", drive " + numberText(v.get_DriveValue()) +
         " in " + numberText(v.get_DriveLowerLimit()) + ".." + numberText(v.get_DriveUpperLimit()) +
         ", format " + v.get_NumberFormat() + " base " + std::to_string(v.get_DisplayBase()) +
         (v.get_Stepper() ? " stepped" : "") + " | " + v.get_Description() + " | " +
         v.get_DriveDescription();
}

TEST_F(ValueObjectTest, ViewsShowOneValueInTwoUnitSystems) {
  EXPECT_EQ(shown(*bound(param::SpeedLimit), true),
            "P1510: 3000 = 3000 RPM in 0..6000, drive 6553600 in 0..13107200, format 0 base 0 "
            "stepped | Axis 1 Speed Limit | Velocity limit");
  EXPECT_EQ(shown(*bound(param::SpeedLimit), false),  // the catalog's own description
            "P1510: 6,553,600 = 6553600 counts/s in 0..13107200, drive 6553600 in 0..13107200, "
            "format #,##0 base 0 stepped | @*@Speed Limit | Velocity limit");
  EXPECT_EQ(shown(*bound(param::NodeId), false),
            "P1610: &H1 = 1  in 1..127, drive 1 in 1..127, format 0 base 1 stepped | @*@Node ID | "
            "Fieldbus node address");
  EXPECT_EQ(shown(*bound(0), true),
            " read-only:  = 0  in 0..0 unlimited, drive 0 in 0..0, format  base 0 |  | ");
  EXPECT_EQ(shown(*bound(4711), false),  // no key, but the descriptions name the number
            " read-only:  = 0  in 0..0 unlimited, drive 0 in 0..0, format  base 0 | Unknown "
            "parameter 4711 | Unknown parameter 4711");
}

TEST_F(ValueObjectTest, NoOrUnknownParameterRefusesCommit) {
  auto none = bound(0);
  EXPECT_EQ(std::tuple(none->get_IsText(), none->get_RequiredLock()->get_Level()),
            std::tuple(0, 0));
  auto unknown = bound(4711);
  Recorder r(*unknown);
  unknown->get_AppView()->put_NumericValue(1);
  unknown->Commit();
  EXPECT_THAT(r.events, ElementsAre(AllOf(StartsWith("UpdateError 30005 "), HasSubstr("4711"))));
}

TEST_F(ValueObjectTest, CommitReachesEveryObjectOfTheParameterAndNoOther) {
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
  EXPECT_EQ(name->get_IsText(), 1);
  EXPECT_EQ(name->get_DriveView()->get_Stepper(), nullptr);
  writer->put_ParameterNumber(param::DriveName);
  writer->get_DriveView()->put_TextValue("Conveyor left");
  writer->Commit();
  EXPECT_EQ(drive().text(param::DriveName), "Conveyor left");
  EXPECT_THAT(n.events, ElementsAre("ValueChanged Conveyor left", "ContentChanged Conveyor left"));
}

TEST_F(ValueObjectTest, DriveValueWriteRoundsToWholeDriveUnits) {
  auto object = bound(param::MotorRatedCurrent);
  object->get_DriveView()->put_DriveValue(2500.5);
  object->Commit();
  EXPECT_DOUBLE_EQ(drive().value(param::MotorRatedCurrent), 2500);
  object->get_AppView()->put_NumericValue(2.0016);
  object->Commit();
  EXPECT_DOUBLE_EQ(drive().value(param::MotorRatedCurrent), 2002);
}

// A refused commit keeps the drive's value, tells no other object and says why.
TEST_F(ValueObjectTest, RefusedCommitKeepsTheDriveValueAndExplains) {
  using O = BrommetValueObject;
  const struct {
    ParameterNumbers number;
    bool appView;
    const char* written;  // through TextValue
    std::int32_t code;
    const char* description;
  } cases[] = {
      {param::SpeedLimit, true, "12000", O::kAboveMaximum,
       "Speed Limit: 12000 RPM is above the maximum of 6000 RPM"},
      {param::SpeedLimit, true, "-1", O::kBelowMinimum,
       "Speed Limit: -1 RPM is below the minimum of 0 RPM"},
      {param::SpeedLimit, true, "6000.2", O::kAboveMaximum,
       "Speed Limit: 6000.2 RPM is above the maximum of 6000 RPM"},
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
       "digits, blanks and punctuation only)"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.written);
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
  drive().appLock()->put_Level(0);
  auto object = bound(param::SpeedLimit);
  Recorder r(*object);
  object->get_AppView()->put_NumericValue(1000);
  object->Commit();
  EXPECT_THAT(r.events, ElementsAre("UpdateError 30006 Speed Limit: needs lock level 1 "
                                    "(technician), the application holds 0 (operator)"));
  drive().appLock()->put_Level(1);
  object->get_AppView()->put_NumericValue(1000);
  object->Commit();
  EXPECT_EQ(r.events.size(), 4u);  // and ValueChanged, ContentChanged, Changed
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
  EXPECT_EQ(required->get_Level(), 3);
  EXPECT_EQ(levelChanges, 1);
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

TEST_F(ValueObjectTest, ReselectingDropsTheOldParametersEvents) {
  auto object = bound(param::SpeedLimit);
  Recorder r(*object);
  object->put_ParameterNumber(param::CurrentLimit);
  drive().setValue(param::SpeedLimit, 100);
  EXPECT_TRUE(r.events.empty());
  drive().setValue(param::CurrentLimit, 5000);
  EXPECT_EQ(r.events, (std::vector<std::string>{"ValueChanged 5", "ContentChanged 5"}));
}

TEST_F(ValueObjectTest, ViewOutlivingItsObjectFails) {
  ViewRef view = bound(param::SpeedLimit)->get_AppView();
  EXPECT_THAT([&] { view->get_NumericValue(); }, throwsError(Error::kObjectNotSet));
}

TEST(LockLevel, RaisesChangedOnlyWhenTheLevelChanges) {
  BrommetLockLevel lock;
  std::vector<std::int32_t> seen;
  Connection c = lock.Changed.connect([&] { seen.push_back(lock.get_Level()); });
  lock.put_Level(2);
  lock.put_Level(2);
  lock.put_Level(0);
  EXPECT_EQ(seen, (std::vector<std::int32_t>{2, 0}));
}

TEST(Library, SharedInstanceIsMadeOnceAndANullDriveIsRefused) {
  BrommetLibrary library;
  auto shared = library.sharedValueObject();
  EXPECT_EQ(shared, library.sharedValueObject());
  EXPECT_NE(shared, library.createValueObject());
  EXPECT_THAT([] { BrommetLibrary{nullptr}; }, throwsError(Error::kObjectNotSet));
}

}  // namespace
}  // namespace kadrelle
