#include <gtest/gtest.h>

#include "control/Kadrelle.h"
#include "kadrelle_test/ControlTest.h"

namespace kadrelle {
namespace {

using test::TestSite;
using Names = std::vector<std::string>;

class Keys : public test::ControlTest {
 protected:
  Keys() : ControlTest("36") {}
  std::int16_t press(std::int16_t code, std::int16_t shift = 0) {
    t.log.clear();
    t.debug.lines.clear();
    t.editBox().KeyDown.raise(code, shift);
    return code;
  }

  std::vector<std::pair<std::int16_t, std::int16_t>> seen;
  bool zeroKey = false;
  Connection hostKeys = k.KeyDown.connect([this](std::int16_t& code, std::int16_t& shift) {
    seen.emplace_back(code, shift);
    if (zeroKey) code = 0;
  });
};

TEST_F(Keys, PageKeysStepAViewThatCanStepOtherKeysReachTheHost) {
  EXPECT_EQ(press(33), 33);  // unbound
  EXPECT_EQ(test::traceMessages(t.debug.lines, "editBox_KeyDown"),
            Names{"unhandled code=33, shift=0"});
  k.putref_ValueObjRef(value);  // a view without a stepper
  EXPECT_EQ(press(33), 33);
  EXPECT_TRUE(t.log.empty());
  EXPECT_EQ(seen, (decltype(seen){{33, 0}, {33, 0}}));

  value->appView->stepper = std::make_shared<Object>();
  EXPECT_EQ(press(33, 1), 0);
  EXPECT_EQ(t.log, (test::CallLog{"appView.Step(True,1)"}));
  EXPECT_EQ(test::traceMessages(t.debug.lines, "editBox_KeyDown"), Names{"PgUp"});
  EXPECT_EQ(seen.size(), 2u);

  // A failing step leaves the key and raises nothing.
  t.faults.fail("appView.Step", 380, "Invalid property value");
  std::int16_t code = 34, shift = 0;
  EXPECT_THROW(t.editBox().KeyDown.raise(code, shift), Error);
  EXPECT_EQ(code, 34);
  EXPECT_EQ(seen.size(), 2u);

  // What the host does to the key's cells, the edit box sees.
  zeroKey = true;
  EXPECT_EQ(press(65), 0);
  std::int16_t ascii = 97;
  auto c = k.KeyPress.connect([](std::int16_t& a) { a = 0; });
  t.editBox().KeyPress.raise(ascii);
  EXPECT_EQ(ascii, 0);
}

// The view being stepped, watched from outside so a test can tell whether it outlived the
// host handlers its step ran.
std::weak_ptr<View> steppedView;
bool viewOutlivedItsReport = false;

// A view whose step makes its value object report an error at once.
class RefusingStepView : public test::FakeView {
 public:
  RefusingStepView(TestSite& t, test::FakeValueObject& owner)
      : FakeView(t.log, t.faults, "appView"), owner_(owner) {}
  void Step(Boolean up, std::int16_t shift) override {
    FakeView::Step(up, shift);
    std::int32_t code = 1010;
    std::string description = "the value cannot be stepped";
    owner_.UpdateError.raise(code, description);
    viewOutlivedItsReport = !steppedView.expired();
  }

 private:
  test::FakeValueObject& owner_;
};

TEST_F(Keys, ViewStaysAliveWhileAHostUnbindsFromItsStep) {
  auto view = std::make_shared<RefusingStepView>(t, *value);
  view->stepper = std::make_shared<Object>();
  value->appView = view;
  k.putref_ValueObjRef(value);
  // From here on the control holds the only references to the value object and its view.
  steppedView = view;
  view.reset();
  value.reset();
  auto unbind =
      k.UpdateError.connect([this](std::int32_t&, std::string&) { k.putref_ValueObjRef(nullptr); });
  EXPECT_EQ(press(34), 0);
  EXPECT_TRUE(viewOutlivedItsReport);
  EXPECT_TRUE(steppedView.expired());
  EXPECT_EQ(k.get_ValueObjRef(), nullptr);
  EXPECT_TRUE(seen.empty());
}

TEST_F(Keys, MouseAndClickEventsReachTheHostWithTheEditBoxsCells) {
  std::string host;
  auto c = k.MouseMove.connect([&](std::int16_t& b, std::int16_t& s, float& x, float& y) {
    host = std::to_string(b) + " " + std::to_string(s) + " " + numberText(x) + " " + numberText(y);
    x = 0;
  });
  std::int16_t b = 1, s = 2;
  float x = 12.5f, y = 7;
  t.editBox().MouseMove.raise(b, s, x, y);
  EXPECT_EQ(host, "1 2 12.5 7");
  EXPECT_EQ(x, 0);  // the host's change reaches the edit box's cell
  int clicks = 0;
  auto cc = k.Click.connect([&] { ++clicks; });
  auto dc = k.DblClick.connect([&] { clicks += 10; });
  t.editBox().Click.raise();
  t.editBox().DblClick.raise();
  EXPECT_EQ(clicks, 11);
}

class Options : public test::ControlTest {
 protected:
  Options() : ControlTest("2") {}
};

TEST_F(Options, EachLetReachesTheEditBoxAndNotifies) {
  k.put_BorderStyle(7);
  k.put_UseLimits(kTrue);
  k.put_SignLock(kTrue);
  k.put_ZeroException(kTrue);
  k.put_CausesValidation(kFalse);
  k.put_ToolTipText("tip");
  EXPECT_EQ(k.get_BorderStyle(), 7);
  EXPECT_EQ(k.get_UseLimits(), kTrue);
  EXPECT_EQ(k.get_SignLock(), kTrue);
  EXPECT_EQ(k.get_ZeroException(), kTrue);
  EXPECT_EQ(t.editBox().get_CausesValidation(), kFalse);
  EXPECT_EQ(t.editBox().get_ToolTipText(), "tip");
  EXPECT_EQ(t.container.changed, (Names{"BorderStyle", "UseLimits", "SignLock", "ZeroException",
                                        "CausesValidation", "ToolTipText"}));
}

TEST_F(Options, EnabledRefreshesAndNotifiesEvenWhenUnchangedButOnlyTracesWhileLoading) {
  t.debug.lines.clear();
  k.put_Enabled(kTrue);
  k.put_Enabled(kTrue);
  EXPECT_EQ(t.container.changed, (Names{"EditorWidth", "Enabled", "Enabled"}));
  EXPECT_EQ(t.editBox().editEnabled, kFalse);  // unbound: never editable
  EXPECT_EQ(test::traceMessages(t.debug.lines, "Enabled"),
            (Names{"state=True", "done", "state=True", "done"}));

  // While loading, the let only traces its state line.
  test::RecordingBag loading;
  loading.onRead = [&](const std::string& key) {
    if (key == "ParamKey") k.put_Enabled(kFalse);
  };
  t.debug.lines.clear();
  t.container.changed.clear();
  k.UserControl_ReadProperties(loading);
  EXPECT_EQ(k.get_Enabled(), kTrue);
  // Only the first layout pass after loading reports its width choice.
  EXPECT_EQ(t.container.changed, Names{"EditorWidth"});
  EXPECT_EQ(test::traceMessages(t.debug.lines, "Enabled"), Names{"state=False"});
}

TEST_F(Options, UseLimitsInDriveViewLastsUntilTheNextRefresh) {
  k.put_DisplayMode(DRIVE_VIEW);
  k.putref_ValueObjRef(value);
  k.put_UseLimits(kTrue);
  EXPECT_EQ(k.get_UseLimits(), kTrue);
  k.Refresh();
  EXPECT_EQ(k.get_UseLimits(), kFalse);
}

}  // namespace
}  // namespace kadrelle
