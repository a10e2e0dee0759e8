// Scripts of host actions beside the transcript they must give: every call the control makes on
// the edit box and the value object, its trace lines ("Procedure: message"), property-changed
// notifications and events, in the order they happen. When a transcript differs, read the
// difference: each line is behaviour a host can see.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "kadrelle_test/ControlTest.h"

namespace kadrelle {
namespace {

using Script = std::vector<std::pair<const char*, std::function<void()>>>;

class Transcript : public test::ControlTest {
 protected:
  explicit Transcript(const char* debug = "0") : ControlTest(debug, false) {
    t.container.onChanged = [this](const std::string& name) { t.log.push_back("changed " + name); };
    t.debug.onLine = [this](const std::string& line) {
      const std::string head = "Kadrelle", instance = " [Kadrelle1] ";
      const auto at = line.find(instance);
      std::string procedure = line.substr(head.size(), at - head.size());
      if (!procedure.empty()) procedure.erase(0, 1);
      std::string message = line.substr(at + instance.size());
      message.erase(message.find(", param="));
      t.log.push_back("trace " + procedure + (message.empty() ? "" : ": " + message));
    };
    change = k.Change.connect([this] { t.log.push_back("event Change"); });
    keyDown = k.KeyDown.connect([this](std::int16_t& code, std::int16_t&) {
      t.log.push_back("event KeyDown " + std::to_string(code));
    });
    value->appView->numericValue = 12.5;
    value->appView->textValue = "12.5";
    value->appView->stepper = std::make_shared<Object>();
  }
  // Runs the script and gives the transcript, each step headed by "> step"; the edit box's writes
  // in a row share a line.
  std::string run(const Script& script) {
    std::string out;
    for (const auto& [step, action] : script) {
      t.log.clear();
      action();
      out += std::string("> ") + step + "\n";
      bool box = false;
      for (const auto& line : t.log) {
        const bool write = line.rfind("editBox.", 0) == 0;
        if (write && box) out.back() = ',';  // continues the line of the writes before
        out += (write && box ? " " + line.substr(8) : line) + "\n";
        box = write;
      }
    }
    return out;
  }
  void key(std::int16_t code) {
    std::int16_t shift = 0;
    t.editBox().raiseKeyDown(code, shift);
  }

  Connection change, keyDown;
  // A session: a new instance bound, edited, stepped, switched to the drive view and unbound.
  const Script session = {
      {"new instance", [this] { k.UserControl_InitProperties(); }},
      {"bind", [this] { k.putref_ValueObjRef(value); }},
      {"enter 100", [this] { t.editBox().enter("100"); }},
      {"PgDn", [this] { key(34); }},
      {"key A", [this] { key(65); }},
      {"text abc", [this] { k.put_Text("abc"); }},  // the display alone
      {"initialize 5", [this] { k.put_InitializeValue(Variant(std::int16_t{5})); }},
      {"drive view", [this] { k.put_DisplayMode(DRIVE_VIEW); }},
      {"unbind", [this] { k.putref_ValueObjRef(nullptr); }}};
};

class TranscriptAllLevels : public Transcript {
 protected:
  TranscriptAllLevels() : Transcript("39") {}  // all but the caption document
};

TEST_F(TranscriptAllLevels, Session) {
  EXPECT_EQ(run(session), R"(> new instance
trace InitProperties
editBox.SignLock=Integer:0
changed TransparentBack
> bind
trace ValueObjRef(set): starting
trace SetCurrentView: start
trace SetCurrentView: end
trace updateFromState: start
trace updateFromState: setting up editBox
editBox.TextMode=False, HexMode=False, HexDigits=2, UseLimits=False, TextMode=False, Armed=True, FormatString=0.0, MinValue=0, MaxValue=100, UseLimits=True, InitializeValue=Double:12.5
trace SetBackColor: color=0x8000000F
trace UpdateCaption: start
appView.Units(0)
appView.Units(0)
trace ResizeRTF: Kadrelle.caption='Speed Limit (RPM)', capHeight=775, capWidth=3095, capTop=50, capLeft=100, contentHeight=195
trace UpdateCaption: end
editBox.EditEnabled=True, Refresh
trace UserControl_Resize: start
changed EditorWidth
trace UserControl_Resize: end
trace updateFromState: done
trace ValueObjRef(set): done
> enter 100
trace editBox_Change: start
appView.NumericValue=100
trace editBox_Change: new val=12.5
value.Commit
trace updateFromState: start
trace updateFromState: setting up editBox
editBox.TextMode=False, HexMode=False, HexDigits=2, UseLimits=False, TextMode=False, Armed=True, FormatString=0.0, MinValue=0, MaxValue=100, UseLimits=True, InitializeValue=Double:100
trace SetBackColor: color=0x8000000F
trace UpdateCaption: start
appView.Units(0)
appView.Units(0)
trace ResizeRTF: Kadrelle.caption='Speed Limit (RPM)', capHeight=775, capWidth=-100, capTop=50, capLeft=3295, contentHeight=195
trace UpdateCaption: end
editBox.EditEnabled=True, Refresh
trace UserControl_Resize: start
trace UserControl_Resize: end
trace updateFromState: done
editBox.SelStart=0, SelLength=3
event Change
trace editBox_Change: done, box=100
> PgDn
appView.Step(False,0)
trace editBox_KeyDown: PgDn
> key A
trace editBox_KeyDown: unhandled code=65, shift=0
event KeyDown 65
> text abc
editBox.Text=abc
changed Text
> initialize 5
trace InitializeValue: newval=5
editBox.InitializeValue=Integer:5, Refresh
changed InitializeValue
trace InitializeValue: done
> drive view
trace SetCurrentView: start
trace SetCurrentView: end
trace Refresh: starting
trace updateFromState: start
trace updateFromState: setting up editBox
editBox.TextMode=False, HexMode=False, HexDigits=2, UseLimits=False, TextMode=False, Armed=True, FormatString=#,##0.####, MinValue=-1000, MaxValue=1000, SignLock=Boolean:False, InitializeValue=Double:0
trace SetBackColor: color=0x8000000F
trace UpdateCaption: start
driveView.Units(0)
driveView.Units(0)
trace ResizeRTF: Kadrelle.caption='Speed Limit (drive) (RPM)', capHeight=775, capWidth=-100, capTop=50, capLeft=3295, contentHeight=195
trace UpdateCaption: end
editBox.EditEnabled=True, Refresh
trace UserControl_Resize: start
trace UserControl_Resize: end
trace updateFromState: done
editBox.Refresh
trace Refresh: done
changed DisplayMode
> unbind
trace ValueObjRef(set): starting
trace SetCurrentView: start
trace SetCurrentView: end
trace updateFromState: start
trace UpdateCaption: start
value.ParameterNumber=0
editBox.EditEnabled=False, TextMode=True, Text=N/A
trace ResizeRTF: Kadrelle.caption='', capHeight=775, capWidth=-100, capTop=50, capLeft=3295, contentHeight=195
trace UpdateCaption: end
editBox.Text=N/A, EditEnabled=False
trace SetBackColor: color=0x8000000F
trace UpdateCaption: start
value.ParameterNumber=0
editBox.EditEnabled=False, TextMode=True, Text=N/A
trace ResizeRTF: Kadrelle.caption='', capHeight=775, capWidth=-100, capTop=50, capLeft=3295, contentHeight=195
trace UpdateCaption: end
editBox.EditEnabled=False, Refresh
trace UserControl_Resize: start
trace UserControl_Resize: end
trace updateFromState: done
trace ValueObjRef(set): done
)");
}

// With level 1 alone neither the session nor its failures write a line: each keeps its level.
TEST_F(Transcript, LevelOneShowsNoLineOfTheSession) {
  run(session);
  k.putref_ValueObjRef(value);
  t.editBox().enter("abc");
  value->ContentChanged.raise(Variant(1.0));
  std::int32_t code = 1;
  std::string text = "refused";
  value->UpdateError.raise(code, text);
  t.faults.fail("value.Commit");
  t.editBox().enter("1");
  k.put_Enabled(kFalse);
  EXPECT_EQ(t.debug.lines, std::vector<std::string>{});
}

}  // namespace
}  // namespace kadrelle
