#include <gtest/gtest.h>

#include "control/Kadrelle.h"
#include "kadrelle_test/ControlTest.h"

namespace kadrelle {
namespace {

using test::contains;
using test::TestSite;
using Lines = std::vector<std::string>;
using Value = std::shared_ptr<test::FakeValueObject>;

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
     .failing = "appView.TextValue"},
};
// clang-format on

class Commit : public test::ControlTest, public testing::WithParamInterface<Entry> {
 protected:
  Commit() : ControlTest(GetParam().quiet ? "0" : "6") {}
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
  t.log.clear();
  t.debug.lines.clear();
  changeCount = 0;
  if (e.typed) {
    t.editBox().enter(e.typed);
  } else {
    t.editBox().value = Variant(makeFont("Courier New", 10));
    t.editBox().Change.raise();
  }
  EXPECT_EQ(test::traceMessages(t.debug.lines, "editBox_Change"), e.trace);
  EXPECT_EQ(contains(t.log, "value.Commit"), e.committed);
  EXPECT_EQ(changeCount, e.changes);
  EXPECT_EQ(t.editBox().text, e.box ? e.box : t.editBox().text);
  EXPECT_TRUE(!e.made || contains(t.log, e.made)) << e.made;
  EXPECT_TRUE(!e.notMade || !contains(t.log, e.notMade)) << e.notMade;
}

INSTANTIATE_TEST_SUITE_P(Entries, Commit, testing::ValuesIn(kEntries));

// A host that unbinds from the error report of the view write or of the commit: the view or
// value object being used stays alive until its call returns.
std::weak_ptr<ValueObject> committedValue;
bool valueOutlivedItsReport = false;

class RefusingView : public test::FakeView {
 public:
  RefusingView(TestSite& t, test::FakeValueObject& owner)
      : FakeView(t.log, t.faults, "appView"), owner_(owner) {}
  void put_NumericValue(double v) override {
    FakeView::put_NumericValue(v);
    std::int32_t code = 1001;
    std::string description = "refused";
    owner_.UpdateError.raise(code, description);
  }

 private:
  test::FakeValueObject& owner_;
};

class RefusingValueObject : public test::FakeValueObject {
 public:
  explicit RefusingValueObject(TestSite& t) : FakeValueObject(t.log, t.faults) {}
  void Commit() override {
    FakeValueObject::Commit();
    std::int32_t code = 1001;
    std::string description = "refused";
    UpdateError.raise(code, description);
    valueOutlivedItsReport = !committedValue.expired();
  }
};

class CommitUnbound : public test::ControlTest {
 protected:
  CommitUnbound() : ControlTest("6") {}
  Connection unbind =
      k.UpdateError.connect([this](std::int32_t&, std::string&) { k.putref_ValueObjRef(nullptr); });
};

TEST_F(CommitUnbound, WhileTheViewIsWrittenEndsTheCommitWithATrace) {
  value->appView = std::make_shared<RefusingView>(t, *value);
  k.putref_ValueObjRef(value);
  t.log.clear();
  t.debug.lines.clear();
  t.editBox().enter("100");
  EXPECT_TRUE(contains(t.log, "appView.NumericValue=100"));
  EXPECT_FALSE(contains(t.log, "value.Commit"));
  EXPECT_EQ(changeCount, 0);
  EXPECT_EQ(test::traceMessages(t.debug.lines, "editBox_Change"),
            (Lines{"start", "err=Object variable or With block variable not set"}));
}

TEST_F(CommitUnbound, FromTheCommitKeepsTheValueObjectAliveAndRefreshes) {
  auto refusing = std::make_shared<RefusingValueObject>(t);
  k.putref_ValueObjRef(refusing);
  // From here on the control holds the only reference to the value object.
  committedValue = refusing;
  refusing.reset();
  t.editBox().enter("100");
  EXPECT_TRUE(valueOutlivedItsReport);
  EXPECT_TRUE(committedValue.expired());
  // The refresh after the commit shows the unbound state, and the host hears Change.
  EXPECT_EQ(t.editBox().text, "N/A");
  EXPECT_EQ(changeCount, 1);
}

}  // namespace
}  // namespace kadrelle
