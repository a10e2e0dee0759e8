// Finished entries committed to the value object, keys and mouse events, and the options that
// live in the edit box.
#include <gtest/gtest.h>

#include "control/Kadrelle.h"
#include "kadrelle_test/ControlTest.h"

namespace kadrelle {
namespace {

using test::contains;
using test::TestSite;
using Lines = std::vector<std::string>;

class Editing : public test::ControlTest {
 protected:
  explicit Editing(const char* debug = "38") : ControlTest(debug) {}
  std::int16_t press(std::int16_t code, std::int16_t shift = 0) {
    t.clear();
    t.editBox().raiseKeyDown(code, shift);
    return code;
  }

  std::vector<std::pair<std::int16_t, std::int16_t>> seen;  // keys the host saw
  bool zeroKey = false;
  Connection hostKeys = k.KeyDown.connect([this](std::int16_t& code, std::int16_t& shift) {
    seen.emplace_back(code, shift);
    if (zeroKey) code = 0;
  });
};

// One finished entry: the state it meets, what the user enters, and what the commit handler
// does with it.
struct Entry {
  const char* name;
  const char* typed;              // nullptr: a font object lands in the box's Value
  Lines trace;                    // the handler's trace lines
  bool committed;                 // the value object's Commit went through
  int changes;                    // Change events raised
  const char* box = nullptr;      // the edit box's text afterwards
  const char* made = nullptr;     // a call made
  const char* notMade = nullptr;  // a call not made
  DisplayModes mode = APP_VIEW;
  std::int32_t isText = 0;
  bool bound = true, readOnly = false, viewless = false, quiet = false;
  const char* failing = nullptr;  // a call that fails with the description below
  const char* error = "";
};

// clang-format off
const Entry kEntries[] = {
    {.name = "drive view", .typed = "100", .trace = {"start", "new val=1250", "done, box=0"},
     .committed = true, .changes = 1, .made = "driveView.DriveValue=100",
     .notMade = "driveView.NumericValue=100", .mode = DRIVE_VIEW},
    {.name = "configuration view", .typed = "7", .trace = {"start", "new val=1250", "done, box=7"},
     .committed = true, .changes = 1, .made = "driveView.NumericValue=7",
     .notMade = "driveView.DriveValue=7", .mode = CONFIG_VIEW},
    // Text goes to the drive view unchecked, in every mode.
    {.name = "text", .typed = "Axis {B}", .trace = {"start", "new val=12.5", "done, box=Axis {B}"},
     .committed = true, .changes = 1, .made = "driveView.TextValue=Axis {B}",
     .notMade = "appView.TextValue=Axis {B}", .isText = 1},
    // Not a number: traced, the value object's value is back, and the entry still reported.
    {.name = "not numeric", .typed = "abc",
     .trace = {"start", "illegal numeric P1010='abc'", "new val=12.5", "done, box=0"},
     .committed = true, .changes = 1, .box = "0", .notMade = "appView.NumericValue=0"},
    // An object is not a number either; the trace shows it by its name.
    {.name = "font object", .typed = nullptr,
     .trace = {"start", "illegal numeric P1010='Courier New'", "new val=12.5", "done, box=0"},
     .committed = true, .changes = 1},
    {.name = "read-only keeps the typed text", .typed = "55", .trace = {"start"},
     .committed = false, .changes = 0, .box = "55", .readOnly = true},
    // A value object without an application view fails to bind but stays bound, viewless.
    {.name = "missing view", .typed = "55", .trace = {"start", "view missing in P1010"},
     .committed = false, .changes = 0, .isText = 1, .viewless = true},
    {.name = "unbound refreshes", .typed = "55", .trace = {"start", "done, box=N/A"},
     .committed = false, .changes = 1, .box = "N/A", .bound = false},
    {.name = "value object refuses", .typed = "12000",
     .trace = {"start", "new val=12.5", "err=12000 RPM is above the maximum"}, .committed = false,
     .changes = 0, .made = "appView.NumericValue=12000", .failing = "value.Commit",
     .error = "12000 RPM is above the maximum"},
    {.name = "view write fails", .typed = "1", .trace = {"start", "err=Overflow"},
     .committed = false, .changes = 0, .failing = "appView.NumericValue=", .error = "Overflow"},
    // The current value is read for the "new val=" line even at level 0, where nobody sees it;
    // a failure there ends the commit like any other.
    {.name = "quiet", .typed = "3", .trace = {}, .committed = false, .changes = 0, .quiet = true,
     .failing = "appView.TextValue"}
};
// clang-format on

class Commit : public Editing, public testing::WithParamInterface<Entry> {
 protected:
  Commit() : Editing(GetParam().quiet ? "0" : "38") {}
};

TEST_P(Commit, TracesWritesCommitsAndReports) {
  const Entry& e = GetParam();
  SCOPED_TRACE(e.name);
  value->appView->textValue = "12.5";
  value->driveView->textValue = "1250";
  value->isText = e.isText;
  value->readOnly = Boolean(e.readOnly);
  if (e.viewless) value->appView = nullptr;
  k.put_DisplayMode(e.mode);
  const int bindError = e.bound ? test::errorNumber([&] { k.putref_ValueObjRef(value); }) : 0;
  EXPECT_EQ(bindError != 0, e.viewless);
  if (e.failing) t.faults.fail(e.failing, 5, e.error);
  t.clear();
  changeCount = 0;
  if (e.typed) {
    t.editBox().enter(e.typed);
  } else {
    t.editBox().value = Variant(makeFont("Courier New", 10));
    t.editBox().raiseChange();
  }
  EXPECT_EQ(test::traceMessages(t.debug.lines, "editBox_Change"), e.trace);
  EXPECT_EQ(contains(t.log, "value.Commit"), e.committed);
  EXPECT_EQ(changeCount, e.changes);
  EXPECT_EQ(t.editBox().text, e.box ? e.box : t.editBox().text);
  EXPECT_TRUE(!e.made || contains(t.log, e.made)) << e.made;
  EXPECT_TRUE(!e.notMade || !contains(t.log, e.notMade)) << e.notMade;
}

INSTANTIATE_TEST_SUITE_P(Entries, Commit, testing::ValuesIn(kEntries));

// A host that unbinds from the error report of a view write, a step or a commit: the view or value
// object being used stays alive until its call returns.
std::weak_ptr<void> watched;
bool outlivedItsReport = false;

void report(ValueObject& owner) {
  std::int32_t code = 1001;
  std::string description = "refused";
  owner.UpdateError.raise(code, description);
  outlivedItsReport = !watched.expired();
}

class ReportingView : public test::FakeView {
 public:
  ReportingView(TestSite& t, ValueObject& owner)
      : FakeView(t.log, t.faults, "appView"), owner_(owner) {}
  void put_NumericValue(double v) override {
    FakeView::put_NumericValue(v);
    report(owner_);
  }
  void Step(Boolean up, std::int16_t shift) override {
    FakeView::Step(up, shift);
    report(owner_);
  }

 private:
  ValueObject& owner_;
};

class ReportingValueObject : public test::FakeValueObject {
 public:
  explicit ReportingValueObject(TestSite& t) : FakeValueObject(t.log, t.faults) {}
  void Commit() override {
    FakeValueObject::Commit();
    report(*this);
  }
};

class HostUnbinds : public Editing {
 protected:
  Connection unbind =
      k.UpdateError.connect([this](std::int32_t&, std::string&) { k.putref_ValueObjRef(nullptr); });
};

TEST_F(HostUnbinds, WhileTheViewIsWrittenEndsTheCommitWithATrace) {
  value->appView = std::make_shared<ReportingView>(t, *value);
  k.putref_ValueObjRef(value);
  t.clear();
  t.editBox().enter("100");
  EXPECT_TRUE(contains(t.log, "appView.NumericValue=100"));
  EXPECT_FALSE(contains(t.log, "value.Commit"));
  EXPECT_EQ(changeCount, 0);
  EXPECT_EQ(test::traceMessages(t.debug.lines, "editBox_Change"),
            (Lines{"start", "err=Object variable or With block variable not set"}));
}

TEST_F(HostUnbinds, FromTheCommitKeepsTheValueObjectAliveAndRefreshes) {
  auto refusing = std::make_shared<ReportingValueObject>(t);
  k.putref_ValueObjRef(refusing);
  // From here on the control holds the only reference to the value object.
  watched = refusing;
  refusing.reset();
  t.editBox().enter("100");
  EXPECT_TRUE(outlivedItsReport);
  EXPECT_TRUE(watched.expired());
  // The refresh after the commit shows the unbound state, and the host hears Change.
  EXPECT_EQ(t.editBox().text, "N/A");
  EXPECT_EQ(changeCount, 1);
}

TEST_F(HostUnbinds, FromAStepKeepsTheViewAlive) {
  auto view = std::make_shared<ReportingView>(t, *value);
  view->stepper = std::make_shared<Object>();
  value->appView = view;
  k.putref_ValueObjRef(value);
  // From here on the control holds the only references to the value object and its view.
  watched = view;
  outlivedItsReport = false;
  view.reset();
  value.reset();
  EXPECT_EQ(press(34), 0);
  EXPECT_TRUE(outlivedItsReport);
  EXPECT_TRUE(watched.expired());
  EXPECT_EQ(k.get_ValueObjRef(), nullptr);
  EXPECT_TRUE(seen.empty());
}

TEST_F(Editing, PageKeysStepAViewThatCanStepOtherKeysReachTheHost) {
  EXPECT_EQ(press(33), 33);     // unbound
  k.putref_ValueObjRef(value);  // a view without a stepper
  EXPECT_EQ(press(33), 33);
  EXPECT_TRUE(t.log.empty());
  EXPECT_EQ(seen, (decltype(seen){{33, 0}, {33, 0}}));

  value->appView->stepper = std::make_shared<Object>();
  EXPECT_EQ(press(33, 1), 0);
  EXPECT_EQ(t.log, (test::CallLog{"appView.Step(True,1)"}));
  EXPECT_EQ(test::traceMessages(t.debug.lines, "editBox_KeyDown"), Lines{"PgUp"});
  EXPECT_EQ(seen.size(), 2u);

  // A failing step leaves the key and raises nothing.
  t.faults.fail("appView.Step", 380, "Invalid property value");
  std::int16_t code = 34, shift = 0;
  EXPECT_THROW(t.editBox().raiseKeyDown(code, shift), Error);
  EXPECT_EQ(code, 34);
  EXPECT_EQ(seen.size(), 2u);

  // What the host does to the key's cells, the edit box sees.
  zeroKey = true;
  EXPECT_EQ(press(65), 0);
  std::int16_t ascii = 97;
  auto c = k.KeyPress.connect([](std::int16_t& a) { a = 0; });
  t.editBox().raiseKeyPress(ascii);
  EXPECT_EQ(ascii, 0);
}

TEST_F(Editing, MouseAndClickEventsReachTheHostWithTheEditBoxsCells) {
  std::string host;
  auto c = k.MouseMove.connect([&](std::int16_t& b, std::int16_t& s, float& x, float& y) {
    host = std::to_string(b) + " " + std::to_string(s) + " " + numberText(x) + " " + numberText(y);
    x = 0;
  });
  std::int16_t b = 1, s = 2;
  float x = 12.5f, y = 7;
  t.editBox().raiseMouseMove(b, s, x, y);
  EXPECT_EQ(host, "1 2 12.5 7");
  EXPECT_EQ(x, 0);  // the host's change reaches the edit box's cell
  int clicks = 0;
  auto cc = k.Click.connect([&] { ++clicks; });
  auto dc = k.DblClick.connect([&] { clicks += 10; });
  t.editBox().raiseClick();
  t.editBox().raiseDblClick();
  EXPECT_EQ(clicks, 11);
}

TEST_F(Editing, EachLetReachesTheEditBoxAndNotifies) {
  k.put_BorderStyle(7);
  k.put_UseLimits(kTrue);
  k.put_SignLock(kTrue);
  k.put_ZeroException(kTrue);
  k.put_CausesValidation(kFalse);
  k.put_ToolTipText("tip");
  EXPECT_EQ(
      std::tuple(k.get_BorderStyle(), k.get_UseLimits(), k.get_SignLock(), k.get_ZeroException(),
                 t.editBox().get_CausesValidation(), t.editBox().get_ToolTipText()),
      std::tuple(std::int16_t{7}, kTrue, kTrue, kTrue, kFalse, "tip"));
  EXPECT_EQ(t.container.changed, (Lines{"BorderStyle", "UseLimits", "SignLock", "ZeroException",
                                        "CausesValidation", "ToolTipText"}));
}

TEST_F(Editing, EnabledRefreshesAndNotifiesEvenWhenUnchangedButOnlyTracesWhileLoading) {
  t.debug.lines.clear();
  k.put_Enabled(kTrue);
  k.put_Enabled(kTrue);
  EXPECT_EQ(t.container.changed, (Lines{"EditorWidth", "Enabled", "Enabled"}));
  EXPECT_EQ(t.editBox().editEnabled, kFalse);  // unbound: never editable
  EXPECT_EQ(test::traceMessages(t.debug.lines, "Enabled"),
            (Lines{"state=True", "done", "state=True", "done"}));

  // While loading, the let only traces its state line.
  test::RecordingBag loading;
  loading.onRead = [&](const std::string& key) {
    if (key == "ParamKey") k.put_Enabled(kFalse);
  };
  t.clear();
  k.UserControl_ReadProperties(loading);
  EXPECT_EQ(k.get_Enabled(), kTrue);
  // Only the first layout pass after loading reports its width choice.
  EXPECT_EQ(t.container.changed, Lines{"EditorWidth"});
  EXPECT_EQ(test::traceMessages(t.debug.lines, "Enabled"), Lines{"state=False"});
}

}  // namespace
}  // namespace kadrelle
