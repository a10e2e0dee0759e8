// The control against the real edit box and the simulated drive: a script of a host's and a user's
// actions, and after each what the two controls, the first one's edit box and the drive show.
#include <gtest/gtest.h>

#include <functional>

#include "brommet/BrommetLibrary.h"
#include "brommet/ParameterCatalog.h"
#include "control/Kadrelle.h"
#include "kadrelle_test/Fakes.h"
#include "ombrel/OmbrelEditBox.h"
#include "ombrel/OmbrelFactory.h"

namespace kadrelle {
namespace {

class DriveForm : public testing::Test {
 protected:
  DriveForm() {
    drive->appLock()->put_Level(3);
    for (auto* k : {&first, &second}) {
      k->UserControl_InitProperties();
      k->children().surface.resize(4000, 400);
      k->put_EditorWidth(1200);
    }
    changes = first.Change.connect([this] { ++firstChanges; });
    errors = first.UpdateError.connect([this](std::int32_t& code, std::string& text) {
      lastError = std::to_string(code) + " " + text;
    });
  }
  void bindBoth(ParameterNumbers number) {
    first.putref_ValueObjRef(library.makeValueObject(number));
    second.putref_ValueObjRef(library.makeValueObject(number));
  }
  void type(const std::string& entry) {
    box.focusIn();
    box.typeText(entry);
    box.keyDown(13, 0), box.keyPress(13), box.keyUp(13, 0);
  }
  // first's key, text, caption and box (selection, editable); second's text and box; the drive's
  // speed limit and name; Change events of first; the error first's host heard last.
  std::string shown() {
    auto edit = [](EditBox& b) { return b.get_EditEnabled() ? "" : " locked"; };
    std::string line =
        first.get_ParamKey() + " " + first.get_Text() + " [" + first.children().caption.get_Text() +
        "] sel " + std::to_string(box.get_SelStart()) + "+" + std::to_string(box.get_SelLength()) +
        edit(box) + " | " + second.get_Text() + edit(second.children().editBox) + " | drive " +
        numberText(drive->value(param::SpeedLimit)) + " \"" + drive->text(param::DriveName) +
        "\" | changes " + std::to_string(firstChanges) +
        (lastError.empty() ? "" : " | " + lastError);
    lastError.clear();
    return line + "\n";
  }

  test::TestSite t;
  std::shared_ptr<ServoDrive> drive = std::make_shared<ServoDrive>();
  BrommetLibrary library{drive};
  OmbrelFactory boxes;
  ControlSite site{t.container, t.toolkit, boxes, library, t.settings, t.debug};
  Kadrelle first{site};
  Kadrelle second{site};
  EditBox& box = first.children().editBox;
  Connection changes, errors;
  int firstChanges = 0;
  std::string lastError;
};

// An entry typed into one control reaches the drive and every control bound to the parameter, and
// is selected whole; a refused or failed one reaches the host (a refused value is no failure of
// the call: Change is raised), and both controls show what the drive holds.
TEST_F(DriveForm, EntriesStepsAndFailuresReachTheDriveTheHostAndEveryBoundControl) {
  const std::pair<const char*, std::function<void()>> steps[] = {
      {"number", [&] { first.put_Parameter(param::SpeedLimit), first.Refresh(); }},
      {"bound", [&] { bindBoth(param::SpeedLimit); }},
      {"4500", [&] { type("4500"); }},
      {"60", [&] { second.put_DisplayMode(DRIVE_VIEW), bindBoth(param::SpeedLimit), type("60"); }},
      {"Axis X",
       [&] { second.put_DisplayMode(APP_VIEW), bindBoth(param::DriveName), type("Axis X"); }},
      {"PageUp", [&] { bindBoth(param::SpeedLimit), box.keyDown(33, 0); }},
      {"12000", [&] { first.put_UseLimits(kFalse), type("12000"); }},  // reaches the drive
      {"no answer", [&] { drive->simulateCommunicationFault(), type("1234"); }},
      {"lock 0", [&] { drive->appLock()->put_Level(0); }},
      {"measured", [&] { first.putref_ValueObjRef(library.makeValueObject(param::ActualSpeed)); }},
      {"running", [&] {
         drive->setValue(param::SpeedCommand, 1000.0 * 131072 / 60);
         drive->setEnabled(true);
         drive->tick(0.5);
       }}};
  std::string transcript;
  for (const auto& [name, step] : steps) {
    step();
    transcript += name + (": " + shown());
  }
  EXPECT_EQ(
      transcript,
      R"(number: P1510 N/A [Speed Limit] sel 0+0 locked |  | drive 6553600 "Axis 1" | changes 0
bound: P1510 3000 [Axis 1 Speed Limit (RPM)] sel 0+0 | 3000 | drive 6553600 "Axis 1" | changes 0
4500: P1510 4500 [Axis 1 Speed Limit (RPM)] sel 0+4 | 4500 | drive 9830400 "Axis 1" | changes 1
60: P1510 60 [Axis 1 Speed Limit (RPM)] sel 0+2 | 131,072 | drive 131072 "Axis 1" | changes 2
Axis X: P1710 Axis X [Axis 1 Drive Name] sel 0+6 | Axis X | drive 131072 "Axis X" | changes 3
PageUp: P1510 70 [Axis 1 Speed Limit (RPM)] sel 0+0 | 70 | drive 152917 "Axis X" | changes 3
12000: P1510 70 [Axis 1 Speed Limit (RPM)] sel 0+2 | 70 | drive 152917 "Axis X" | changes 4 | 30001 Speed Limit: 12000 RPM is above the maximum of 6000 RPM
no answer: P1510 70 [Axis 1 Speed Limit (RPM)] sel 0+0 | 70 | drive 152917 "Axis X" | changes 4 | 30101 Speed Limit: No answer from the drive (simulated communication fault in Commit)
lock 0: P1510 70 [Axis 1 Speed Limit (RPM)] sel 0+0 locked | 70 locked | drive 152917 "Axis X" | changes 4
measured: P1810 0.0 [Axis 1 Actual Speed (RPM)] sel 0+0 locked | 70 locked | drive 152917 "Axis X" | changes 4
running: P1810 70.0 [Axis 1 Actual Speed (RPM)] sel 0+0 locked | 70 locked | drive 152917 "Axis X" | changes 4
)");
}

// Every call into the value library, failed in turn at each place a commit, another control's
// commit, a refresh or a step reaches it (160 places): both boxes end showing what the drive
// holds, and a host has heard of the failure (UpdateError, or the error of its own call).
TEST_F(DriveForm, EveryFailedCallLeavesBothBoxesShowingTheDriveAndTheHostTold) {
  bindBoth(param::SpeedLimit);
  int heard = 0;  // UpdateError events of both controls
  auto count = [&](std::int32_t&, std::string&) { ++heard; };
  Connection counts[] = {first.UpdateError.connect(count), second.UpdateError.connect(count)};
  EditBox& other = second.children().editBox;
  const std::pair<const char*, std::function<void()>> actions[] = {
      {"commit", [&] { type("1234"); }},
      {"other's commit", [&] { other.focusIn(), other.typeText("1234\r"); }},
      {"refresh", [&] { first.Refresh(); }},
      {"step", [&] { box.keyDown(33, 0); }}};
  int reached = 0;
  for (const auto& [action, act] : actions) {
    for (std::string_view member : drive->faults()->members()) {
      for (int after = 0;; ++after, ++reached) {
        SCOPED_TRACE(action + (", " + std::string(member)) + " after " + std::to_string(after));
        drive->setValue(param::SpeedLimit, 6553600);  // 3000 RPM
        first.Refresh(), second.Refresh();
        heard = 0;
        drive->failNext(member, 1, {}, after);
        bool threw = false;
        try {
          act();
        } catch (const std::exception&) {
          threw = true;
        }
        const bool fired = drive->faults()->remaining(member) == 0;
        drive->clearFaults();
        if (!fired) break;
        const std::string shown = first.get_Text() + " | " + second.get_Text();
        first.Refresh(), second.Refresh();
        EXPECT_EQ(shown, first.get_Text() + " | " + second.get_Text());
        EXPECT_TRUE(threw || heard > 0);
      }
    }
  }
  EXPECT_GE(reached, 160);
}

}  // namespace
}  // namespace kadrelle
