// A failing call on the value library ends the routine at that step; what was done before stays
// done and the error reaches whoever called: the host, or the object whose event was handled.
#include <gtest/gtest.h>

#include <algorithm>

#include "control/Kadrelle.h"
#include "kadrelle_test/ControlTest.h"
#include "kadrelle_test/KadrelleTestAccess.h"
#include "platform/MemoryPropertyBag.h"

namespace kadrelle {
namespace {

using test::CallLog;
using test::errorNumber;

bool has(const CallLog& log, const std::string& prefix) {
  return std::any_of(log.begin(), log.end(),
                     [&](const std::string& s) { return s.rfind(prefix, 0) == 0; });
}

class FailurePaths : public test::ControlTest {
 protected:
  FailurePaths() {
    k.putref_ValueObjRef(value);
    t.log.clear();
    t.container.changed.clear();
  }
};

TEST_F(FailurePaths, RefreshStopsAtTheFailingViewRead) {
  t.faults.fail("appView.NumberFormat", 7, "Out of memory");
  EXPECT_EQ(errorNumber([&] { k.Refresh(); }), 7);
  // The writes before the failing read were made; the limits and value after it were not.
  EXPECT_TRUE(has(t.log, "editBox.Armed=True"));
  EXPECT_FALSE(has(t.log, "editBox.MinValue="));
  EXPECT_FALSE(has(t.log, "editBox.InitializeValue="));
  EXPECT_FALSE(has(t.log, "editBox.Refresh"));
}

TEST_F(FailurePaths, ContentChangedFailureGoesBackToTheValueObject) {
  t.faults.fail("value.IsText", 9, "Subscript out of range");
  EXPECT_EQ(errorNumber([&] { value->ContentChanged.raise(Variant(1.0)); }), 9);
  EXPECT_FALSE(has(t.log, "editBox.InitializeValue="));
}

TEST_F(FailurePaths, DisplayModeIsStoredButNotReportedWhenTheViewFails) {
  t.faults.fail("driveView.DriveDescription");
  EXPECT_EQ(errorNumber([&] { k.put_DisplayMode(DRIVE_VIEW); }), 5);
  EXPECT_EQ(k.get_DisplayMode(), DRIVE_VIEW);
  // The view itself was taken before its description failed.
  EXPECT_EQ(KadrelleTestAccess(k).view(), value->driveView);
  EXPECT_TRUE(t.container.changed.empty());
}

TEST_F(FailurePaths, LockStateFailureReachesTheAssigningHost) {
  LockLevelRef lock = std::make_shared<test::FakeLockLevel>(t.log, t.faults, "mine", 3);
  t.faults.fail("requiredLock.Level");
  EXPECT_EQ(errorNumber([&] { k.putref_AppLockLevel(lock); }), 5);
  // Both assignments were made before the levels were compared.
  EXPECT_EQ(k.get_AppLockLevel(), lock);
  EXPECT_EQ(value->appLockRef(), lock);
  EXPECT_FALSE(has(t.log, "editBox.EditEnabled="));
}

TEST_F(FailurePaths, LockChangedFailureGoesBackToTheLockObject) {
  t.faults.fail("value.ReadOnly");
  EXPECT_EQ(errorNumber([&] { value->appLock->put_Level(1); }), 5);
  EXPECT_FALSE(has(t.log, "editBox.EditEnabled="));
}

TEST_F(FailurePaths, UpdateErrorHandlerFailureGoesBackToTheValueObject) {
  auto c = k.UpdateError.connect(
      [](std::int32_t&, std::string&) { throw Error(Error::kInvalidCall, "host refused"); });
  std::int32_t code = 1;
  std::string text = "refused";
  EXPECT_EQ(errorNumber([&] { value->UpdateError.raise(code, text); }), Error::kInvalidCall);
}

TEST_F(FailurePaths, UnbindingWithoutALockLevelLeavesTheOldBinding) {
  t.faults.fail("library.createLockLevel");
  EXPECT_EQ(errorNumber([&] { k.putref_ValueObjRef(nullptr); }), 5);
  // The binding is gone, the lock is still the old one, and nothing was redrawn.
  EXPECT_EQ(k.get_ValueObjRef(), nullptr);
  EXPECT_EQ(k.get_AppLockLevel(), value->appLock);
  EXPECT_FALSE(has(t.log, "editBox.Text=N/A"));
}

TEST_F(FailurePaths, CaptionUnitsFailureLeavesTheCaptionAsItWas) {
  std::string before = t.caption().get_TextRTF();
  t.faults.fail("appView.Units");
  std::string unit;
  std::string description = "Other";
  EXPECT_EQ(errorNumber([&] { k.put_UserDescription(description); }), 5);
  EXPECT_EQ(k.get_UserDescription(), "Other");
  EXPECT_EQ(t.caption().get_TextRTF(), before);
  EXPECT_TRUE(t.container.changed.empty());
}

// Whatever a host or library throws, the trapping routines handle it like an Error and end with
// their guards cleared, so later setters and layout passes still work.
TEST(Traps, AnyExceptionIsAFailureAndTheGuardsEndCleared) {
  test::TestSite t;
  t.settings.setDebug("6");
  t.faults.failForeign("library.createLockLevel", "no lock");
  Kadrelle& k = t.make();  // initialisation goes on without its lock level
  KadrelleTestAccess a(k);

  t.container.foreignFontFailure = true;
  EXPECT_NO_THROW(k.UserControl_InitProperties());
  EXPECT_FALSE(a.loading());
  t.container.foreignFontFailure = false;
  t.container.foreignNameFailure = true;  // every trace line of the layout pass fails
  EXPECT_NO_THROW(k.children().surface.resize(3000, 600));
  EXPECT_FALSE(a.inResize());
  EXPECT_EQ(t.editBox().get_Width(), 3000.0f);  // the pass went on past its failing steps

  // Reading stops at the failing row and still runs its closing steps.
  struct ThrowingBag : MemoryPropertyBag {
    Variant ReadProperty(const std::string& name, const Variant& defaultValue) override {
      if (name == "UserUnit") throw std::runtime_error("bag gone");
      return MemoryPropertyBag::ReadProperty(name, defaultValue);
    }
  } bag;
  t.container.foreignNameFailure = false;
  Kadrelle& saved = t.make();
  EXPECT_NO_THROW(saved.UserControl_ReadProperties(bag));
  EXPECT_FALSE(KadrelleTestAccess(saved).loading());

  // The commit handler ends with the failure's text in its trace line.
  saved.putref_ValueObjRef(t.makeValue());
  t.faults.failForeign("appView.NumericValue=", "link lost");
  t.debug.lines.clear();
  EXPECT_NO_THROW(t.editBox().enter("12"));
  EXPECT_EQ(test::traceMessages(t.debug.lines, "editBox_Change").back(), "err=link lost");
}

}  // namespace
}  // namespace kadrelle
