// The control against the real edit box and the simulated drive.
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
  void type(EditBox& box, const std::string& entry) {
    box.focusIn();
    box.typeText(entry);
    box.keyDown(13, 0);
    box.keyPress(13);
    box.keyUp(13, 0);
  }

  test::TestSite t;
  std::shared_ptr<ServoDrive> drive = std::make_shared<ServoDrive>();
  BrommetLibrary library{drive};
  OmbrelFactory boxes;
  ControlSite site{t.container, t.toolkit, boxes, library, t.settings, t.debug};
  Kadrelle first{site};
  Kadrelle second{site};
  Connection changes, errors;
  int firstChanges = 0;
  std::string lastError;
};

// An entry typed into one control reaches the drive and every control bound to the parameter.
TEST_F(DriveForm, TypedEntryReachesTheDriveAndEveryBoundControl) {
  const struct {
    ParameterNumbers number;
    DisplayModes secondMode;
    const char* entry;
    const char* shown;  // by the second control
  } cases[] = {{param::SpeedLimit, APP_VIEW, "4500", "4500"},
               {param::SpeedLimit, DRIVE_VIEW, "60", "131,072"},
               {param::DriveName, APP_VIEW, "Axis X", "Axis X"}};
  int changes = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.entry);
    second.put_DisplayMode(c.secondMode);
    bindBoth(c.number);
    EditBox& box = first.children().editBox;
    type(box, c.entry);
    EXPECT_EQ(firstChanges, ++changes);
    EXPECT_EQ(second.get_Text(), c.shown);
    EXPECT_EQ(drive->text(c.number), c.number == param::DriveName ? c.entry : "");
    // The committed text is selected whole.
    EXPECT_EQ(box.get_SelStart(), 0);
    EXPECT_EQ(box.get_SelLength(), static_cast<std::int32_t>(box.get_Text().size()));
  }
  EXPECT_DOUBLE_EQ(drive->value(param::SpeedLimit), 60.0 * 131072 / 60);
}

// A refused or failed write reaches the host, and both controls show what the drive holds.
TEST_F(DriveForm, FailedEntriesReachTheHostAndEveryControlShowsTheDriveValue) {
  const struct {
    std::function<void(Kadrelle&, ServoDrive&)> arm;
    const char* entry;
    const char* error;  // part of what the host hears
    int changes;        // Change events so far: a refused value is no failure of the call
  } cases[] = {
      {[](Kadrelle& k, ServoDrive&) { k.put_UseLimits(kFalse); },  // let the entry reach the drive
       "12000", "30001 Speed Limit: 12000 RPM is above the maximum", 1},
      {[](Kadrelle&, ServoDrive& d) { d.simulateCommunicationFault(); }, "1234",
       "30101 Speed Limit: No answer from the drive", 1},
  };
  bindBoth(param::SpeedLimit);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.entry);
    c.arm(first, *drive);
    type(first.children().editBox, c.entry);
    EXPECT_EQ(drive->value(param::SpeedLimit), 6553600);
    EXPECT_NE(lastError.find(c.error), std::string::npos) << lastError;
    EXPECT_EQ(firstChanges, c.changes);
    EXPECT_EQ(first.get_Text(), "3000");
    EXPECT_EQ(second.get_Text(), "3000");
  }
}

TEST_F(DriveForm, PageKeysStepAndTheLockLevelDecidesEditability) {
  bindBoth(param::SpeedLimit);
  EditBox& box = first.children().editBox;
  box.keyDown(33, 0);
  EXPECT_EQ(second.get_Text(), "3010");
  EXPECT_EQ(firstChanges, 0);
  EXPECT_EQ(box.get_EditEnabled(), kTrue);
  drive->appLock()->put_Level(0);
  EXPECT_EQ(box.get_EditEnabled(), kFalse);
  EXPECT_EQ(second.children().editBox.get_EditEnabled(), kFalse);
}

TEST_F(DriveForm, MeasuredValuesRefreshBoundControls) {
  auto speed = library.makeValueObject(param::ActualSpeed);
  first.putref_ValueObjRef(speed);
  drive->setValue(param::SpeedCommand, 1000.0 * 131072 / 60);
  drive->setEnabled(true);
  std::string before = first.get_Text();
  drive->tick(0.5);
  EXPECT_NE(first.get_Text(), before);
}

TEST_F(DriveForm, CaptionNamesTheAxisOnlyWhenBound) {
  first.put_Parameter(param::SpeedLimit);
  EXPECT_EQ(first.get_ParamKey(), "P1510");
  first.Refresh();  // the number alone redraws nothing
  EXPECT_EQ(first.get_Text(), "N/A");
  EXPECT_EQ(first.children().caption.get_Text(), "Speed Limit");
  bindBoth(param::SpeedLimit);
  EXPECT_EQ(first.children().caption.get_Text(), "Axis 1 Speed Limit (RPM)");
}

}  // namespace
}  // namespace kadrelle
