// Binding a value object: what the edit box shows, which events refresh, lock levels and the value
// properties. A failing call ends its routine at that step; what was done before stays done and
// the error reaches whoever called: the host, or the object whose event was handled.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "control/Kadrelle.h"
#include "kadrelle_test/ControlTest.h"
#include "platform/MemoryPropertyBag.h"

namespace kadrelle {
namespace {

using test::CallLog;
using test::contains;
using test::errorNumber;
using Names = std::vector<std::string>;

class Bound : public test::ControlTest {
 protected:
  Bound() : ControlTest("36") {}
  void bind() {
    k.putref_ValueObjRef(value);
    t.clear();
  }
  // Whether a call starting with `prefix` was logged.
  bool made(const std::string& prefix) {
    return std::any_of(t.log.begin(), t.log.end(),
                       [&](const std::string& s) { return s.rfind(prefix, 0) == 0; });
  }
};

TEST_F(Bound, TextParameterShowsTheDriveViewTextInEveryMode) {
  value->isText = 1;
  value->driveView->textValue = "Axis A";
  k.putref_ValueObjRef(value);
  ASSERT_GE(t.log.size(), 4u);
  EXPECT_EQ(CallLog(t.log.begin(), t.log.begin() + 4),
            (CallLog{"editBox.TextMode=True", "editBox.Text=Axis A", "editBox.Armed=True",
                     "editBox.InitializeValue=String:Axis A"}));
}

TEST_F(Bound, UnboundShowsNotAvailableInItalicsAndNotEditable) {
  bind();
  EXPECT_EQ(t.editBox().font->get_Italic(), kFalse);
  k.putref_ValueObjRef(nullptr);
  EXPECT_EQ(t.editBox().font->get_Italic(), kTrue);
  // A fresh lock-level object, not the value object's.
  ASSERT_NE(k.get_AppLockLevel(), nullptr);
  EXPECT_NE(k.get_AppLockLevel(), value->appLock);
  EXPECT_EQ(t.caption().get_Enabled(), kFalse);
}

TEST_F(Bound, NullViewStopsTheRefreshAndReachesTheHost) {
  value->appView = nullptr;
  EXPECT_EQ(errorNumber([&] { k.putref_ValueObjRef(value); }), Error::kObjectNotSet);
  EXPECT_EQ(k.get_ValueObjRef(), value);
  EXPECT_EQ(k.get_AppLockLevel(), value->appLock);
}

TEST_F(Bound, OnlyContentChangedOfTheBoundObjectRefreshesAndUpdateErrorReachesTheHost) {
  bind();
  value->appView->numericValue = 99;
  value->ValueChanged.raise(Variant(99.0));
  value->Changed.raise(Variant(99.0));
  value->Refresh.raise(Variant(99.0));
  EXPECT_TRUE(t.log.empty());
  value->ContentChanged.raise(Variant(99.0));
  EXPECT_EQ(t.editBox().initializeValue, Variant(99.0));
  EXPECT_EQ(test::traceMessages(t.debug.lines, "m_ValueObjRef_ContentChanged"),
            (Names{"start", "done"}));

  // The error report reaches the host by reference, traced.
  std::string seen;
  auto c = k.UpdateError.connect([&](std::int32_t& code, std::string& description) {
    seen = std::to_string(code) + " " + description;
    code = 77;
    description = "handled";
  });
  std::int32_t code = 1001;
  std::string description = "12000 RPM is above the maximum";
  t.debug.lines.clear();
  value->UpdateError.raise(code, description);
  EXPECT_EQ(seen, "1001 12000 RPM is above the maximum");
  EXPECT_EQ(std::to_string(code) + " " + description, "77 handled");
  EXPECT_EQ(test::traceMessages(t.debug.lines, "m_ValueObjRef_UpdateError"),
            Names{"err=12000 RPM is above the maximum"});
  EXPECT_EQ(t.debug.lines.size(), 1u);

  // A replaced value object is no longer heard.
  k.putref_ValueObjRef(t.makeValue());
  t.log.clear();
  seen.clear();
  value->ContentChanged.raise(Variant(1.0));
  value->UpdateError.raise(code, description);
  EXPECT_TRUE(t.log.empty());
  EXPECT_EQ(seen, "");
}

TEST_F(Bound, DestroyedControlHearsNothing) {
  auto control = std::make_unique<Kadrelle>(t.site);
  control->UserControl_InitProperties();
  control->putref_ValueObjRef(value);
  control.reset();
  EXPECT_NO_THROW(value->ContentChanged.raise(Variant(1.0)));
  EXPECT_NO_THROW(value->appLock->put_Level(0));
}

TEST_F(Bound, HexDigitsFollowTheRangeOfTheView) {
  value->appView->displayBase = 1;
  const double grid[][3] = {{0, 255, 2}, {0, 15, 1},           {0, 16, 1}, {0, 65535, 4}, {7, 7, 4},
                            {10, 5, 4},  {0, 4294967295.0, 8}, {0, 1, 0},  {-128, 127, 2}};
  for (const auto& [lower, upper, digits] : grid) {
    value->appView->lowerLimit = lower;
    value->appView->upperLimit = upper;
    k.putref_ValueObjRef(value);
    EXPECT_EQ(t.editBox().hexDigits, digits) << lower << ".." << upper;
    EXPECT_EQ(t.editBox().hexMode, kTrue);
  }
}

// Flags: d(isabled), r(ead-only), no a(pplication) lock, no re(q)uired lock.
struct LockCase {
  std::int32_t held, required;
  std::string flags;
  bool editable;
};

class Editability : public test::ControlTest, public testing::WithParamInterface<LockCase> {};

TEST_P(Editability, FollowsLevelsEnabledAndReadOnly) {
  const LockCase& c = GetParam();
  value->appLock->put_Level(c.held);
  value->requiredLock->put_Level(c.required);
  const auto has = [&](char flag) { return c.flags.find(flag) != std::string::npos; };
  value->readOnly = Boolean(has('r'));
  if (has('a')) value->putref_AppLock(nullptr);
  if (has('q')) value->requiredLock = nullptr;
  k.put_Enabled(Boolean(!has('d')));
  k.putref_ValueObjRef(value);
  EXPECT_EQ(static_cast<bool>(t.editBox().editEnabled), c.editable);
  EXPECT_EQ(static_cast<bool>(t.caption().get_Enabled()), c.editable);
}

INSTANTIATE_TEST_SUITE_P(Grid, Editability,
                         testing::Values(LockCase{2, 3, "", false}, LockCase{3, 3, "", true},
                                         LockCase{3, 3, "r", false}, LockCase{3, 3, "d", false},
                                         LockCase{-1, 0, "", false}, LockCase{0, -5, "", true},
                                         // A missing lock leaves Enabled alone in charge.
                                         LockCase{0, 3, "ra", true}, LockCase{0, 3, "rq", true},
                                         LockCase{0, 3, "da", false}));

TEST_F(Bound, HeldLockLevelAppliesAtOnceRequiredLevelAtTheNextRefresh) {
  value->appLock->put_Level(2);
  bind();
  EXPECT_EQ(t.editBox().editEnabled, kFalse);
  value->appLock->put_Level(3);
  EXPECT_EQ(t.editBox().editEnabled, kTrue);
  EXPECT_EQ(t.caption().get_Enabled(), kTrue);
  value->requiredLock->put_Level(4);
  EXPECT_EQ(t.editBox().editEnabled, kTrue);
  const auto captionRefreshes = t.caption().refreshes;
  k.Refresh();
  EXPECT_EQ(t.editBox().editEnabled, kFalse);
  // Repainted by the lock state it applies, then by Refresh itself.
  EXPECT_EQ(t.caption().refreshes, captionRefreshes + 2);
}

// Assigned while unbound, a lock level is replaced by binding; while bound it goes to the value
// object and its level counts at once.
TEST_F(Bound, AppLockLevelAssigned) {
  LockLevelRef mine = t.values.createLockLevel();
  t.log.clear();
  k.putref_AppLockLevel(mine);
  EXPECT_EQ(k.get_AppLockLevel(), mine);
  EXPECT_TRUE(t.log.empty());
  bind();
  EXPECT_EQ(k.get_AppLockLevel(), value->appLock);

  LockLevelRef low = std::make_shared<test::FakeLockLevel>(t.log, t.faults, "low", 1);
  k.putref_AppLockLevel(low);
  EXPECT_EQ(value->heldAppLock, low);
  EXPECT_EQ(t.editBox().editEnabled, kFalse);
  low->put_Level(3);
  EXPECT_EQ(t.editBox().editEnabled, kTrue);
}

TEST_F(Bound, DisplayModeSwitchesViewsAndDescriptions) {
  value->driveView->driveDescription = "Velocity limit ";
  bind();
  // The view in use is the one the caption asks for its units.
  k.put_DisplayMode(DRIVE_VIEW);
  EXPECT_TRUE(made("driveView.Units") && !made("appView.Units"));
  EXPECT_EQ(t.caption().get_Text(), "Velocity limit (RPM)");
  t.log.clear();
  k.put_DisplayMode(APP_VIEW);
  EXPECT_TRUE(made("appView.Units") && !made("driveView.Units"));
  EXPECT_EQ(t.editBox().formatString, "0.0");
  // An unknown mode keeps the view but still refreshes.
  t.log.clear();
  k.put_DisplayMode(static_cast<DisplayModes>(3));
  EXPECT_TRUE(made("appView.Units") && !made("driveView.Units"));
  EXPECT_TRUE(made("editBox."));
  EXPECT_EQ(t.container.changed, (Names{"DisplayMode", "DisplayMode", "DisplayMode"}));
}

TEST_F(Bound, ParameterLooksUpTheKeyAndReportsBoth) {
  // Number 0 clears the key whatever the library would call it.
  t.values.parameters[0] = {"P0", ""};
  t.values.parameters[1] = {"P1", ""};
  for (const auto& [number, key] :
       std::vector<std::pair<ParameterNumbers, std::string>>{{1020, "P1020"}, {1, "P1"}, {0, ""}}) {
    k.put_ParamKey("P9999");
    t.clear();
    k.put_Parameter(number);
    EXPECT_EQ(k.get_Parameter(), number);
    EXPECT_EQ(k.get_ParamKey(), key) << number;
    EXPECT_EQ(t.container.changed, (Names{"ParamKey", "Parameter"}));
    EXPECT_TRUE(contains(t.log, "value.ParameterNumber=" + std::to_string(number)));
  }
  EXPECT_EQ(t.values.created, 3);
  EXPECT_EQ(k.get_ValueObjRef(), nullptr);
}

TEST_F(Bound, WhileBoundTheKeyIsTheObjectsAndTheOwnIsOnlyStored) {
  bind();
  const std::string rtf = t.caption().get_TextRTF();
  k.put_Parameter(1020);
  EXPECT_EQ(k.get_ValueObjRef(), value);
  EXPECT_EQ(value->parameterNumber, 0);
  EXPECT_EQ(t.caption().get_TextRTF(), rtf);
  // The key stored is the one the trace lines name.
  const auto traced = [&](const std::string& key) {
    t.debug.lines.clear();
    k.Refresh();
    return !t.debug.lines.empty() &&
           t.debug.lines[0].find(", param=" + key + ",") != std::string::npos;
  };
  EXPECT_TRUE(traced("P1020"));
  t.container.changed.clear();
  k.put_ParamKey("mine");
  EXPECT_EQ(k.get_ParamKey(), "P1010");
  EXPECT_TRUE(traced("mine"));
  EXPECT_EQ(t.container.changed, Names{"ParamKey"});
  k.putref_ValueObjRef(nullptr);
  EXPECT_EQ(k.get_ParamKey(), "mine");
}

TEST_F(Bound, ParamKeyLetOnlyStoresAndAFailingLookupKeepsIt) {
  const std::string rtf = t.caption().get_TextRTF();
  k.put_ParamKey("old");
  EXPECT_TRUE(t.log.empty());
  EXPECT_EQ(t.caption().get_TextRTF(), rtf);
  EXPECT_EQ(k.get_Parameter(), 0);
  EXPECT_EQ(t.values.created, 0);
  t.container.changed.clear();
  t.faults.fail("value.Key");
  EXPECT_THROW(k.put_Parameter(1020), Error);
  EXPECT_EQ(k.get_Parameter(), 1020);
  EXPECT_EQ(k.get_ParamKey(), "old");
  EXPECT_TRUE(t.container.changed.empty());
}

TEST_F(Bound, ValueCommitsAndRaisesChangeOnce) {
  bind();
  k.put_Value(Variant(std::int16_t{5}));
  EXPECT_EQ(std::count(t.log.begin(), t.log.end(), "value.Commit"), 1);
  EXPECT_EQ(changeCount, 1);
  EXPECT_EQ(t.container.changed, Names{"Value"});
  EXPECT_TRUE(contains(t.log, "appView.NumericValue=5"));
}

using ValuePropertiesQuiet = test::ControlTest;  // level 4 off

TEST_F(ValuePropertiesQuiet, InitializeValueTextIsTakenEvenWhenTheLineIsNotWritten) {
  // The "newval=" text is still made, so an empty font reference fails the call before anything
  // reaches the edit box.
  EXPECT_EQ(errorNumber([&] { k.put_InitializeValue(Variant(FontRef{})); }), Error::kObjectNotSet);
  EXPECT_TRUE(t.log.empty());
  EXPECT_TRUE(t.container.changed.empty());
  EXPECT_TRUE(t.debug.lines.empty());
}

// Each failing call ends its routine: a call made before it stays made, one after it is not, the
// caption stays as it was and nothing is reported.
TEST_F(Bound, FailingCallsEndTheirRoutine) {
  struct Failure {
    const char* member;
    std::function<void()> action;
    const char *stillMade, *notMade;
    std::function<void()> after = [] {};
  };
  LockLevelRef mine = std::make_shared<test::FakeLockLevel>(t.log, t.faults, "mine", 3);
  std::string other = "Other";
  const Failure failures[] = {
      {"appView.NumberFormat", [&] { k.Refresh(); }, "editBox.Armed=True", "editBox.MinValue="},
      {"value.IsText", [&] { value->ContentChanged.raise(Variant(1.0)); }, nullptr,
       "editBox.InitializeValue="},
      {"value.ReadOnly", [&] { value->appLock->put_Level(1); }, nullptr, "editBox.EditEnabled="},
      {"appView.Units", [&] { k.put_UserDescription(other); }, nullptr, "editBox.",
       [&] { EXPECT_EQ(k.get_UserDescription(), "Other"); }},
      // Unbinding without a lock level: the binding is gone, the old lock stays.
      {"library.createLockLevel", [&] { k.putref_ValueObjRef(nullptr); }, nullptr,
       "editBox.Text=N/A",
       [&] {
         EXPECT_EQ(k.get_ValueObjRef(), nullptr);
         EXPECT_EQ(k.get_AppLockLevel(), value->appLock);
       }},
      // Both lock assignments are made before the levels are compared.
      {"requiredLock.Level", [&] { k.putref_AppLockLevel(mine); },
       "value.AppLock=", "editBox.EditEnabled=", [&] { EXPECT_EQ(k.get_AppLockLevel(), mine); }},
      // The view is taken before its description fails; the mode is stored but not reported.
      {"driveView.DriveDescription", [&] { k.put_DisplayMode(DRIVE_VIEW); }, nullptr, "editBox.",
       [&] {
         EXPECT_EQ(k.get_DisplayMode(), DRIVE_VIEW);
         t.log.clear();
         k.Refresh();
         EXPECT_TRUE(made("driveView.Units"));
       }}};
  for (const Failure& f : failures) {
    SCOPED_TRACE(f.member);
    bind();
    const std::string rtf = t.caption().get_TextRTF();
    t.faults.fail(f.member);
    EXPECT_EQ(errorNumber(f.action), 5);
    EXPECT_TRUE(!f.stillMade || made(f.stillMade));
    EXPECT_FALSE(made(f.notMade));
    EXPECT_TRUE(t.container.changed.empty());
    EXPECT_EQ(t.caption().get_TextRTF(), rtf);
    f.after();
  }
  // A host's failing handler goes back to the value object.
  auto c = k.UpdateError.connect(
      [](std::int32_t&, std::string&) { throw Error(Error::kInvalidCall, "host refused"); });
  std::int32_t code = 1;
  EXPECT_EQ(errorNumber([&] { value->UpdateError.raise(code, other); }), Error::kInvalidCall);
}

// Whatever a host or library throws, the trapping routines handle it like an Error and end with
// their guards cleared, so later setters and layout passes still work.
TEST(Traps, AnyExceptionIsAFailureAndTheGuardsEndCleared) {
  test::TestSite t;
  t.settings.setDebug("6");
  t.faults.failForeign("library.createLockLevel", "no lock");
  Kadrelle& k = t.make();  // initialisation goes on without its lock level
  // The loading guard is down when a caption setting builds the caption (and traces doing so).
  const auto loading = [&](Kadrelle& c) {
    t.debug.lines.clear();
    errorNumber([&] { c.put_SetUserDescription("x"); });
    return test::traceMessages(t.debug.lines, "UpdateCaption").empty();
  };

  t.container.foreignFontFailure = true;
  EXPECT_NO_THROW(k.UserControl_InitProperties());
  EXPECT_EQ(k.get_Enabled(), kFalse);  // the steps after the failure did not run
  EXPECT_TRUE(t.container.changed.empty());
  t.container.foreignFontFailure = false;
  t.container.foreignNameFailure = true;  // every trace line of the layout pass fails
  EXPECT_NO_THROW(k.children().surface.resize(3000, 600));
  EXPECT_EQ(t.editBox().get_Width(), 3000.0f);  // the pass went on past its failing steps
  t.container.foreignNameFailure = false;
  EXPECT_FALSE(loading(k));
  t.debug.lines.clear();
  k.children().surface.resize(2000, 600);  // the resize guard is down too: not "recursing"
  EXPECT_EQ(test::traceMessages(t.debug.lines, "UserControl_Resize"), (Names{"start", "end"}));

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
  EXPECT_FALSE(loading(saved));

  // The commit handler ends with the failure's text in its trace line.
  saved.putref_ValueObjRef(t.makeValue());
  t.faults.failForeign("appView.NumericValue=", "link lost");
  t.debug.lines.clear();
  EXPECT_NO_THROW(t.editBox().enter("12"));
  EXPECT_EQ(test::traceMessages(t.debug.lines, "editBox_Change").back(), "err=link lost");
}

}  // namespace
}  // namespace kadrelle
