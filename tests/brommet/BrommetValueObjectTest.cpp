#include "brommet/BrommetValueObject.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ThrowsError.h"
#include "brommet/BrommetLibrary.h"

namespace kadrelle {
namespace {

// Records every event of one value object, in order.
struct Recorder {
  explicit Recorder(ValueObject& object) {
    connections.push_back(object.Changed.connect(
        [this](const Variant& v) { events.push_back("Changed " + CStr(v)); }));
    connections.push_back(object.ValueChanged.connect(
        [this](const Variant& v) { events.push_back("ValueChanged " + CStr(v)); }));
    connections.push_back(object.ContentChanged.connect(
        [this](const Variant& v) { events.push_back("ContentChanged " + CStr(v)); }));
    connections.push_back(object.Refresh.connect(
        [this](const Variant& v) { events.push_back("Refresh " + CStr(v)); }));
    connections.push_back(
        object.UpdateError.connect([this](std::int32_t& code, std::string& description) {
          codes.push_back(code);
          errors.push_back(description);
        }));
  }
  std::vector<std::string> events;
  std::vector<std::int32_t> codes;
  std::vector<std::string> errors;
  std::vector<Connection> connections;
};

class ValueObjectTest : public ::testing::Test {
 protected:
  ValueObjectTest() { drive().appLock()->put_Level(2); }
  ServoDrive& drive() { return library.drive(); }
  std::shared_ptr<BrommetValueObject> bound(ParameterNumbers number) {
    return library.makeValueObject(number);
  }
  BrommetLibrary library;
};

TEST_F(ValueObjectTest, NoOrUnknownParameterIsReadOnlyAndRefusesCommit) {
  auto object = bound(0);
  EXPECT_EQ(object->get_Key(), "");
  EXPECT_EQ(object->get_DriveView()->get_Description(), "");
  EXPECT_EQ(object->get_AppView()->get_DriveDescription(), "");
  EXPECT_EQ(object->get_ReadOnly(), kTrue);
  EXPECT_EQ(object->get_IsText(), 0);
  EXPECT_EQ(object->get_AppView()->get_Stepper(), nullptr);
  EXPECT_EQ(object->get_RequiredLock()->get_Level(), 0);

  object = bound(4711);  // unknown: no key, but the descriptions name the number
  EXPECT_EQ(object->get_Key(), "");
  EXPECT_NE(object->get_DriveView()->get_Description().find("4711"), std::string::npos);
  EXPECT_NE(object->get_AppView()->get_DriveDescription().find("4711"), std::string::npos);
  EXPECT_EQ(object->get_ReadOnly(), kTrue);
  Recorder r(*object);
  object->get_AppView()->put_NumericValue(1);
  object->Commit();
  ASSERT_EQ(r.codes.size(), 1u);
  EXPECT_EQ(r.codes[0], BrommetValueObject::kNoParameter);
  EXPECT_NE(r.errors[0].find("4711"), std::string::npos);
}

TEST_F(ValueObjectTest, ViewsShowOneValueInTwoUnitSystems) {
  auto object = bound(param::SpeedLimit);
  auto app = object->get_AppView();
  auto driveView = object->get_DriveView();
  std::int32_t which = 0;
  EXPECT_EQ(object->get_Key(), "P1510");
  EXPECT_DOUBLE_EQ(app->get_NumericValue(), 3000);
  EXPECT_DOUBLE_EQ(driveView->get_NumericValue(), 6553600);
  EXPECT_DOUBLE_EQ(app->get_DriveValue(), 6553600);
  EXPECT_EQ(app->get_Units(which), "RPM");
  EXPECT_EQ(driveView->get_Units(which), "counts/s");
  EXPECT_DOUBLE_EQ(app->get_UpperLimit(), 6000);
  EXPECT_DOUBLE_EQ(driveView->get_UpperLimit(), 13107200);
  EXPECT_DOUBLE_EQ(app->get_DriveUpperLimit(), 13107200);
  EXPECT_EQ(app->get_LimitsEnabled(), kTrue);
  EXPECT_EQ(app->get_NumberFormat(), "0");
  EXPECT_EQ(driveView->get_NumberFormat(), "#,##0");
  EXPECT_EQ(driveView->get_TextValue(), "6,553,600");
  EXPECT_EQ(app->get_Description(), "Axis 1 Speed Limit");
  EXPECT_EQ(driveView->get_Description(), "@*@Speed Limit");  // the catalog's own text
  EXPECT_NE(app->get_Stepper(), nullptr);
  EXPECT_EQ(object->get_ReadOnly(), kFalse);
  EXPECT_EQ(app->get_DisplayBase(), 0);
  auto node = bound(param::NodeId);
  EXPECT_EQ(node->get_AppView()->get_DisplayBase(), 1);
  EXPECT_EQ(node->get_DriveView()->get_TextValue(), "&H1");
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
  EXPECT_TRUE(o.events.empty());
  EXPECT_TRUE(u.events.empty());
  EXPECT_TRUE(w.errors.empty());
  EXPECT_DOUBLE_EQ(drive().value(param::SpeedLimit), 9830400);
  EXPECT_DOUBLE_EQ(sibling->get_DriveView()->get_NumericValue(), 9830400);
  EXPECT_FALSE(writer->hasPending());
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

struct Refusal {
  ParameterNumbers number;
  bool appView;
  const char* written;  // through TextValue
  std::int32_t code;
  const char* description;
};

class RefusedCommit : public ValueObjectTest, public ::testing::WithParamInterface<Refusal> {};

TEST_P(RefusedCommit, KeepsTheDriveValueAndExplains) {
  const Refusal& c = GetParam();
  auto object = bound(c.number);
  auto watcher = bound(c.number);
  const double before = drive().value(c.number);
  const std::string textBefore = drive().text(c.number);
  Recorder r(*object), w(*watcher);
  auto view = c.appView ? object->get_AppView() : object->get_DriveView();
  view->put_TextValue(c.written);
  EXPECT_NO_THROW(object->Commit());
  ASSERT_EQ(r.codes.size(), 1u);
  EXPECT_EQ(r.codes[0], c.code);
  EXPECT_EQ(r.errors[0], c.description);
  EXPECT_TRUE(r.events.empty());
  EXPECT_TRUE(w.events.empty());
  EXPECT_EQ(drive().value(c.number), before);
  EXPECT_EQ(drive().text(c.number), textBefore);
  EXPECT_FALSE(object->hasPending());
}

INSTANTIATE_TEST_SUITE_P(
    Grid, RefusedCommit,
    ::testing::Values(
        Refusal{param::SpeedLimit, true, "12000", BrommetValueObject::kAboveMaximum,
                "Speed Limit: 12000 RPM is above the maximum of 6000 RPM"},
        Refusal{param::SpeedLimit, true, "-1", BrommetValueObject::kBelowMinimum,
                "Speed Limit: -1 RPM is below the minimum of 0 RPM"},
        Refusal{param::SpeedLimit, true, "6000.2", BrommetValueObject::kAboveMaximum,
                "Speed Limit: 6000.2 RPM is above the maximum of 6000 RPM"},
        Refusal{param::SpeedLimit, false, "20000000", BrommetValueObject::kAboveMaximum,
                "Speed Limit: 20,000,000 counts/s is above the maximum of 13,107,200 counts/s"},
        Refusal{param::NodeId, true, "&H80", BrommetValueObject::kAboveMaximum,
                "Node ID: &H80 is above the maximum of &H7F"},
        Refusal{param::SpeedLimit, true, "fast", BrommetValueObject::kBadText,
                "Speed Limit: \"fast\" is not a number"},
        Refusal{param::ActualSpeed, true, "100", BrommetValueObject::kReadOnly,
                "Actual Speed: the parameter is read-only and cannot be changed"},
        Refusal{param::DriveName, false, "A drive name far too long to store",
                BrommetValueObject::kBadText,
                "Drive Name: the text is 34 characters long; at most 24 are allowed"},
        Refusal{param::DriveName, false, "Tab\there", BrommetValueObject::kBadText,
                "Drive Name: the text holds a character the drive cannot store (letters, "
                "digits, blanks and punctuation only)"}));

TEST_F(ValueObjectTest, CommitNeedsTheRequiredLevelOfTheSessionLockOrItsOwn) {
  drive().appLock()->put_Level(0);
  auto object = bound(param::SpeedLimit);
  Recorder r(*object);
  object->get_AppView()->put_NumericValue(1000);
  object->Commit();
  ASSERT_EQ(r.codes, std::vector<std::int32_t>{BrommetValueObject::kLockTooLow});
  EXPECT_EQ(r.errors[0],
            "Speed Limit: needs lock level 1 (technician), the application holds 0 (operator)");
  drive().appLock()->put_Level(1);
  object->get_AppView()->put_NumericValue(1000);
  object->Commit();
  EXPECT_EQ(r.codes.size(), 1u);
  EXPECT_NEAR(object->get_AppView()->get_NumericValue(), 1000, 1e-3);
  // Until given its own lock, an object uses the drive session's.
  EXPECT_EQ(object->get_AppLock(), drive().appLock());
  object->putref_AppLock(library.createLockLevel());
  object->get_AppView()->put_NumericValue(2000);
  object->Commit();  // the own lock is at level 0
  EXPECT_EQ(r.codes, std::vector<std::int32_t>(2, BrommetValueObject::kLockTooLow));
}

TEST_F(ValueObjectTest, TextParameterCommitsThroughTheDriveView) {
  auto object = bound(param::DriveName);
  auto other = bound(param::DriveName);
  Recorder r(*other);
  EXPECT_EQ(object->get_IsText(), 1);
  EXPECT_EQ(object->get_DriveView()->get_TextValue(), "Axis 1");
  EXPECT_EQ(object->get_DriveView()->get_Stepper(), nullptr);
  object->get_DriveView()->put_TextValue("Conveyor left");
  object->Commit();
  EXPECT_EQ(drive().text(param::DriveName), "Conveyor left");
  EXPECT_EQ(r.events, (std::vector<std::string>{"ValueChanged Conveyor left",
                                                "ContentChanged Conveyor left"}));
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
  ASSERT_EQ(p.errors.size(), 1u);
  EXPECT_EQ(p.errors[0],
            "PWM Frequency: needs lock level 3 (factory), the application holds 2 (engineer); "
            "disable the drive to change it");
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
