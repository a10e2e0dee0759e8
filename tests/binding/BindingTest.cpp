#include <gtest/gtest.h>

#include "control/Kadrelle.h"
#include "kadrelle_test/ControlTest.h"
#include "kadrelle_test/KadrelleTestAccess.h"

namespace kadrelle {
namespace {

using test::CallLog;
using test::errorNumber;

class Bound : public test::ControlTest {
 protected:
  Bound() : ControlTest("4") {
    value->appView->numericValue = 12.5;
    value->appView->numberFormat = "0.0";
    value->appView->lowerLimit = -10;
    value->appView->upperLimit = 245;
    value->driveView->numericValue = 1250;
    value->driveView->driveLowerLimit = -1000;
    value->driveView->driveUpperLimit = 24500;
  }
  void bind() {
    t.log.clear();
    k.putref_ValueObjRef(value);
  }
  // The edit box's writes only, in order.
  CallLog editBoxWrites() {
    CallLog out;
    for (const auto& s : t.log)
      if (s.rfind("editBox.", 0) == 0) out.push_back(s);
    return out;
  }
};

TEST_F(Bound, TextParameterShowsTheDriveViewTextInEveryMode) {
  value->isText = 1;
  value->driveView->textValue = "Axis A";
  value->appView->textValue = "not this";
  bind();
  const CallLog writes = editBoxWrites();
  ASSERT_GE(writes.size(), 4u);
  EXPECT_EQ(CallLog(writes.begin(), writes.begin() + 4),
            (CallLog{"editBox.TextMode=True", "editBox.Text=Axis A", "editBox.Armed=True",
                     "editBox.InitializeValue=String:Axis A"}));
}

TEST_F(Bound, UnboundShowsNotAvailableInItalicsAndNotEditable) {
  bind();
  EXPECT_EQ(t.editBox().font->get_Italic(), kFalse);
  k.putref_ValueObjRef(nullptr);
  EXPECT_EQ(t.editBox().font->get_Italic(), kTrue);
  EXPECT_EQ(KadrelleTestAccess(k).view(), nullptr);
  // A fresh lock-level object, not the value object's.
  ASSERT_NE(k.get_AppLockLevel(), nullptr);
  EXPECT_NE(k.get_AppLockLevel(), value->appLock);
  EXPECT_EQ(t.caption().get_Enabled(), kFalse);
}

TEST_F(Bound, NullViewStopsTheRefreshAndReachesTheHost) {
  struct NoAppView : test::FakeValueObject {
    using FakeValueObject::FakeValueObject;
    ViewRef get_AppView() override { return nullptr; }
  };
  auto broken = std::make_shared<NoAppView>(t.log, t.faults);
  t.log.clear();
  EXPECT_EQ(errorNumber([&] { k.putref_ValueObjRef(broken); }), Error::kObjectNotSet);
  // What was done before the failure stays done.
  EXPECT_EQ(k.get_ValueObjRef(), broken);
  EXPECT_EQ(k.get_AppLockLevel(), broken->appLock);
}

TEST_F(Bound, OnlyContentChangedOfTheBoundObjectRefreshes) {
  bind();
  t.log.clear();
  value->appView->numericValue = 99;
  value->ValueChanged.raise(Variant(99.0));
  value->Changed.raise(Variant(99.0));
  value->Refresh.raise(Variant(99.0));
  EXPECT_TRUE(editBoxWrites().empty());
  value->ContentChanged.raise(Variant(99.0));
  EXPECT_EQ(t.editBox().initializeValue, Variant(99.0));

  // A replaced value object is no longer heard.
  k.putref_ValueObjRef(t.makeValue());
  t.log.clear();
  int raised = 0;
  auto c = k.UpdateError.connect([&](std::int32_t&, std::string&) { ++raised; });
  value->ContentChanged.raise(Variant(1.0));
  std::int32_t code = 1;
  std::string text = "x";
  value->UpdateError.raise(code, text);
  EXPECT_TRUE(t.log.empty());
  EXPECT_EQ(raised, 0);
}

TEST_F(Bound, UpdateErrorReachesTheHostByReferenceAndIsTraced) {
  bind();
  std::int32_t seenCode = 0;
  std::string seenText;
  auto c = k.UpdateError.connect([&](std::int32_t& code, std::string& description) {
    seenCode = code;
    seenText = description;
    code = 77;
    description = "handled";
  });
  std::int32_t code = 1001;
  std::string description = "12000 RPM is above the maximum";
  t.debug.lines.clear();
  value->UpdateError.raise(code, description);
  EXPECT_EQ(seenCode, 1001);
  EXPECT_EQ(seenText, "12000 RPM is above the maximum");
  EXPECT_EQ(code, 77);
  EXPECT_EQ(description, "handled");
  EXPECT_EQ(test::traceMessages(t.debug.lines, "m_ValueObjRef_UpdateError"),
            std::vector<std::string>{"err=12000 RPM is above the maximum"});
  EXPECT_EQ(t.debug.lines.size(), 1u);
}

TEST_F(Bound, DestroyedControlHearsNothing) {
  auto control = std::make_unique<Kadrelle>(t.site);
  control->UserControl_InitProperties();
  control->putref_ValueObjRef(value);
  control.reset();
  EXPECT_NO_THROW(value->ContentChanged.raise(Variant(1.0)));
  EXPECT_NO_THROW(value->appLock->put_Level(0));
}

struct HexCase {
  double lower, upper;
  std::int32_t digits;
};

class HexDigits : public test::ControlTest, public testing::WithParamInterface<HexCase> {};

TEST_P(HexDigits, FollowTheRangeOfTheView) {
  value->appView->lowerLimit = GetParam().lower;
  value->appView->upperLimit = GetParam().upper;
  value->appView->displayBase = 1;
  k.putref_ValueObjRef(value);
  EXPECT_EQ(t.editBox().hexDigits, GetParam().digits);
  EXPECT_EQ(t.editBox().hexMode, kTrue);
}

INSTANTIATE_TEST_SUITE_P(Grid, HexDigits,
                         testing::Values(HexCase{0, 255, 2}, HexCase{0, 15, 1}, HexCase{0, 16, 1},
                                         HexCase{0, 65535, 4}, HexCase{7, 7, 4}, HexCase{10, 5, 4},
                                         HexCase{0, 4294967295.0, 8}, HexCase{0, 1, 0},
                                         HexCase{-128, 127, 2}));

struct LockCase {
  std::int32_t held, required;
  bool enabled, readOnly, nullAppLock, nullRequired;
  bool editable;
};

class Editability : public test::ControlTest, public testing::WithParamInterface<LockCase> {};

TEST_P(Editability, FollowsLevelsEnabledAndReadOnly) {
  const LockCase& c = GetParam();
  value->appLock->put_Level(c.held);
  value->requiredLock->put_Level(c.required);
  value->readOnly = Boolean(c.readOnly);
  if (c.nullAppLock) value->putref_AppLock(nullptr);
  if (c.nullRequired) value->requiredLock = nullptr;
  k.put_Enabled(Boolean(c.enabled));
  k.putref_ValueObjRef(value);
  EXPECT_EQ(static_cast<bool>(t.editBox().editEnabled), c.editable);
  EXPECT_EQ(static_cast<bool>(t.caption().get_Enabled()), c.editable);
}

INSTANTIATE_TEST_SUITE_P(Grid, Editability,
                         testing::Values(LockCase{2, 3, true, false, false, false, false},
                                         LockCase{3, 3, true, false, false, false, true},
                                         LockCase{3, 3, true, true, false, false, false},
                                         LockCase{3, 3, false, false, false, false, false},
                                         LockCase{-1, 0, true, false, false, false, false},
                                         LockCase{0, -5, true, false, false, false, true},
                                         // A missing lock leaves Enabled alone in charge.
                                         LockCase{0, 3, true, true, true, false, true},
                                         LockCase{0, 3, true, true, false, true, true},
                                         LockCase{0, 3, false, false, true, false, false}));

TEST_F(Bound, HeldLockLevelAppliesAtOnceRequiredLevelAtTheNextRefresh) {
  value->appLock->put_Level(2);
  bind();
  EXPECT_EQ(t.editBox().editEnabled, kFalse);
  value->appLock->put_Level(3);
  EXPECT_EQ(t.editBox().editEnabled, kTrue);
  EXPECT_EQ(t.caption().get_Enabled(), kTrue);
  value->requiredLock->put_Level(4);
  EXPECT_EQ(t.editBox().editEnabled, kTrue);
  k.Refresh();
  EXPECT_EQ(t.editBox().editEnabled, kFalse);
}

// Assigned while unbound, a lock level is replaced by binding; while bound it goes to the value
// object and its level counts at once.
TEST_F(Bound, AppLockLevelAssigned) {
  LockLevelRef mine = t.values.createLockLevel();
  t.log.clear();
  k.putref_AppLockLevel(mine);
  EXPECT_EQ(k.get_AppLockLevel(), mine);
  EXPECT_TRUE(editBoxWrites().empty());
  bind();
  EXPECT_EQ(k.get_AppLockLevel(), value->appLock);

  LockLevelRef low = std::make_shared<test::FakeLockLevel>(t.log, t.faults, "low", 1);
  k.putref_AppLockLevel(low);
  EXPECT_EQ(value->appLockRef(), low);
  EXPECT_EQ(t.editBox().editEnabled, kFalse);
  low->put_Level(3);
  EXPECT_EQ(t.editBox().editEnabled, kTrue);
}

TEST_F(Bound, DisplayModeSwitchesViewsAndDescriptions) {
  value->appView->description = "  Speed Limit  ";
  value->driveView->driveDescription = "Velocity limit ";
  bind();
  KadrelleTestAccess a(k);
  t.container.changed.clear();
  k.put_DisplayMode(DRIVE_VIEW);
  EXPECT_EQ(a.view(), value->driveView);
  EXPECT_EQ(a.viewDescription(), "Velocity limit");
  k.put_DisplayMode(APP_VIEW);
  EXPECT_EQ(a.view(), value->appView);
  EXPECT_EQ(t.editBox().formatString, "0.0");
  // An unknown mode keeps the view but still refreshes.
  t.log.clear();
  k.put_DisplayMode(static_cast<DisplayModes>(3));
  EXPECT_EQ(a.view(), value->appView);
  EXPECT_FALSE(editBoxWrites().empty());
  EXPECT_EQ(t.container.changed,
            (std::vector<std::string>{"DisplayMode", "DisplayMode", "DisplayMode"}));
}

}  // namespace
}  // namespace kadrelle
