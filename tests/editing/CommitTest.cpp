#include <gtest/gtest.h>

#include <algorithm>

#include "control/Kadrelle.h"
#include "kadrelle_test/ControlTest.h"
#include "kadrelle_test/KadrelleTestAccess.h"

namespace kadrelle {
namespace {

using test::CallLog;
using test::contains;
using test::TestSite;

class Commit : public test::ControlTest {
 protected:
  explicit Commit(const char* debug = "6") : ControlTest(debug) {
    value->appView->textValue = "12.5";
    value->driveView->textValue = "1250";
  }
  void bind() { k.putref_ValueObjRef(value); }
  std::vector<std::string> commitLines() {
    return test::traceMessages(t.debug.lines, "editBox_Change");
  }
  void enter(const std::string& typed) {
    t.log.clear();
    t.debug.lines.clear();
    t.editBox().enter(typed);
  }
};

TEST_F(Commit, EntryGoesToTheViewOfTheModeAndIsCommitted) {
  struct Case {
    DisplayModes mode;
    std::int32_t isText;
    const char *typed, *written, *notWritten;
  };
  for (const Case& c :
       {Case{DRIVE_VIEW, 0, "100", "driveView.DriveValue=100", "driveView.NumericValue=100"},
        Case{CONFIG_VIEW, 0, "7", "driveView.NumericValue=7", "driveView.DriveValue=7"},
        // Text goes to the drive view unchecked, in every mode.
        Case{APP_VIEW, 1, "Axis {B}", "driveView.TextValue=Axis {B}",
             "appView.TextValue=Axis {B}"}}) {
    k.put_DisplayMode(c.mode);
    value->isText = c.isText;
    bind();
    changeCount = 0;
    enter(c.typed);
    EXPECT_TRUE(contains(t.log, c.written)) << c.written;
    EXPECT_FALSE(contains(t.log, c.notWritten)) << c.notWritten;
    EXPECT_TRUE(contains(t.log, "value.Commit"));
    EXPECT_EQ(changeCount, 1);
  }
}

TEST_F(Commit, NonNumericEntryIsTracedRefreshedAndStillReported) {
  bind();
  enter("abc");
  EXPECT_TRUE(std::none_of(t.log.begin(), t.log.end(), [](const std::string& s) {
    return s.rfind("appView.NumericValue=", 0) == 0;
  }));
  EXPECT_TRUE(contains(t.log, "value.Commit"));
  EXPECT_EQ(t.editBox().text, "0");  // the value object's value is back
  EXPECT_EQ(t.editBox().selStart, 0);
  EXPECT_EQ(t.editBox().selLength, 1);
  EXPECT_EQ(changeCount, 1);
  EXPECT_EQ(commitLines(), (std::vector<std::string>{"start", "illegal numeric P1010='abc'",
                                                     "new val=12.5", "done, box=0"}));
}

TEST_F(Commit, FontEntryIsTracedByItsNameAndStillReported) {
  // An object in the box's Value is not a number; the trace shows it by its name, and the
  // entry is reported like any other rejected one, whether or not the line is written.
  bind();
  t.log.clear();
  t.debug.lines.clear();
  t.editBox().value = Variant(makeFont("Courier New", 10));
  t.editBox().Change.raise();
  EXPECT_TRUE(contains(t.log, "value.Commit"));
  EXPECT_EQ(changeCount, 1);
  EXPECT_EQ(commitLines(), (std::vector<std::string>{"start", "illegal numeric P1010='Courier New'",
                                                     "new val=12.5", "done, box=0"}));
}

TEST_F(Commit, ReadOnlyValueKeepsTheTypedTextAndRaisesNothing) {
  value->readOnly = kTrue;
  bind();
  enter("55");
  EXPECT_EQ(t.editBox().text, "55");
  EXPECT_FALSE(contains(t.log, "value.Commit"));
  EXPECT_EQ(changeCount, 0);
  EXPECT_EQ(commitLines(), (std::vector<std::string>{"start"}));
}

TEST_F(Commit, MissingViewIsTracedAndRaisesNothing) {
  // A value object without an application view fails to bind but stays bound, viewless.
  value->isText = 1;
  value->appView = nullptr;
  EXPECT_THROW(bind(), Error);
  ASSERT_EQ(KadrelleTestAccess(k).view(), nullptr);
  enter("55");
  EXPECT_FALSE(contains(t.log, "value.Commit"));
  EXPECT_EQ(changeCount, 0);
  EXPECT_EQ(commitLines(), (std::vector<std::string>{"start", "view missing in P1010"}));
}

TEST_F(Commit, UnboundEntryRefreshesAndStillRaisesChange) {
  enter("55");
  EXPECT_EQ(t.editBox().text, "N/A");
  EXPECT_EQ(changeCount, 1);
  EXPECT_EQ(commitLines(), (std::vector<std::string>{"start", "done, box=N/A"}));
}

TEST_F(Commit, ValueObjectErrorIsTrappedAndTraced) {
  bind();
  t.faults.fail("value.Commit", 1001, "Speed Limit: 12000 RPM is above the maximum of 6000 RPM");
  EXPECT_NO_THROW(enter("12000"));
  EXPECT_TRUE(contains(t.log, "appView.NumericValue=12000"));
  EXPECT_EQ(changeCount, 0);
  EXPECT_EQ(commitLines(), (std::vector<std::string>{
                               "start", "new val=12.5",
                               "err=Speed Limit: 12000 RPM is above the maximum of 6000 RPM"}));
}

// A view whose value write makes its value object report an error at once.
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

TEST_F(Commit, HostThatUnbindsWhileTheViewIsWrittenEndsTheCommitWithATrace) {
  value->appView = std::make_shared<RefusingView>(t, *value);
  value->appView->textValue = "12.5";
  bind();
  auto unbind =
      k.UpdateError.connect([this](std::int32_t&, std::string&) { k.putref_ValueObjRef(nullptr); });
  enter("100");
  EXPECT_TRUE(contains(t.log, "appView.NumericValue=100"));
  EXPECT_FALSE(contains(t.log, "value.Commit"));
  EXPECT_EQ(changeCount, 0);
  EXPECT_EQ(commitLines(), (std::vector<std::string>{
                               "start", "err=Object variable or With block variable not set"}));
}

// The value object being committed, watched from outside so a test can tell whether it
// outlived the host handlers its commit ran.
std::weak_ptr<ValueObject> committedValue;
bool valueOutlivedItsReport = false;

// A value object that refuses every commit with an error report.
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

TEST_F(Commit, ValueObjectStaysAliveWhileAHostUnbindsFromItsCommit) {
  auto refusing = std::make_shared<RefusingValueObject>(t);
  k.putref_ValueObjRef(refusing);
  // From here on the control holds the only reference to the value object.
  committedValue = refusing;
  refusing.reset();
  valueOutlivedItsReport = false;
  auto unbind =
      k.UpdateError.connect([this](std::int32_t&, std::string&) { k.putref_ValueObjRef(nullptr); });
  enter("100");
  EXPECT_TRUE(contains(t.log, "value.Commit"));
  EXPECT_TRUE(valueOutlivedItsReport);
  EXPECT_TRUE(committedValue.expired());
  // The refresh after the commit shows the unbound state, and the host hears Change.
  EXPECT_EQ(t.editBox().text, "N/A");
  EXPECT_EQ(changeCount, 1);
}

TEST_F(Commit, ViewWriteErrorStopsBeforeCommit) {
  bind();
  t.faults.fail("appView.NumericValue=", 6, "Overflow");
  enter("1");
  EXPECT_FALSE(contains(t.log, "value.Commit"));
  EXPECT_EQ(changeCount, 0);
  EXPECT_EQ(commitLines().back(), "err=Overflow");
}

class CommitQuiet : public Commit {
 protected:
  CommitQuiet() : Commit("0") {}
};

TEST_F(CommitQuiet, TraceArgumentsAreStillReadWhenTheLevelIsOff) {
  // The current value is read for the "new val=" line even when nobody sees it; a failure
  // there ends the commit like any other.
  bind();
  t.faults.fail("appView.TextValue", 9, "Subscript out of range");
  enter("3");
  EXPECT_FALSE(contains(t.log, "value.Commit"));
  EXPECT_EQ(changeCount, 0);
  EXPECT_TRUE(t.debug.lines.empty());
}

}  // namespace
}  // namespace kadrelle
