// The session layer the programs share: the user's drive and settings files, the form binder,
// the parameter groups and the built-in page.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <set>

#include "brommet/ParameterCatalog.h"
#include "host/FormFile.h"
#include "ombrel/OmbrelFactory.h"
#include "platform/DebugChannel.h"
#include "platform/Error.h"
#include "platform/FileIo.h"
#include "platform/HeadlessToolkit.h"
#include "session/DrivePage.h"
#include "session/FormBinder.h"
#include "session/FormFiles.h"
#include "session/Notices.h"
#include "session/ParameterGroups.h"

namespace kadrelle {
namespace {

namespace fs = std::filesystem;

// A home of its own per test: the user's folders point into it.
struct Home {
  Home() {
    ::setenv("XDG_CONFIG_HOME", (path / "config").c_str(), 1);
    ::setenv("XDG_DATA_HOME", (path / "data").c_str(), 1);
  }
  ~Home() { fs::remove_all(path); }
  const fs::path path =
      fs::temp_directory_path() / ("kadrelle-session-" + std::to_string(::getpid()));
};

class Session : public testing::Test {
 protected:
  // A form of one control with these saved settings, bound to the drive; the error, if any.
  std::string bindError(const std::string& properties) {
    Form form({toolkit, editBoxes, drive.library(), drive.settings(), debug});
    FormFile::fromJson(
        R"({"format":"kadrelle-form","version":1,"controls":[{"type":"Kadrelle","name":"A",)"
        R"("left":0,"top":0,"width":3000,"height":400,"properties":[)" +
            properties + "]}]}",
        "f.json", form);
    try {
      bindForm(form, drive, "f.json");
    } catch (const Error& e) {
      EXPECT_EQ(e.number(), Error::kBadFileFormat);
      return e.description();
    }
    return "";
  }

  Home home;
  HeadlessToolkit toolkit;
  OmbrelFactory editBoxes;
  StderrDebugChannel debug;
  DriveSession drive;
};

// A form saved by another program since this one opened it is not written over.
TEST_F(Session, FormSavesDoNotOverwriteAnotherProgramsSave) {
  const fs::path file = home.path / "f.json";
  fs::create_directories(home.path);
  const Form::Services services{toolkit, editBoxes, drive.library(), drive.settings(), debug};
  Form form(services), copy(services);
  loadDrivePage(form);
  FormFiles one, other;
  one.save(form, file);
  other.load(file, copy);
  form.control(0).put_EditorWidth(1000);
  other.save(form, file);
  EXPECT_THROW(one.save(form, file), Error);
  other.save(form, file);  // its own save is what it knows
  EXPECT_EQ(readFileCapped(file, 1 << 20), FormFile::toJson(form));
}

TEST_F(Session, TraceMaskIsReadAsTheControlReadsIt) {
  for (const auto& [text, mask] : {std::pair{"&H6", 6}, {" -1 ", -1}, {"2.5", 2}, {"4", 4}})
    EXPECT_EQ(parseTraceMask(text), mask) << text;
  for (const char* bad : {"x", "", "4294967296", "1e10"}) EXPECT_FALSE(parseTraceMask(bad)) << bad;
  UserSettings settings;
  settings.saveTraceMask("&H6");
  EXPECT_TRUE(settings.traceWanted());
  EXPECT_EQ(UserSettings().traceMaskText(), "&H6");
  settings.overrideTraceMask("0");
  EXPECT_FALSE(settings.traceWanted());
  EXPECT_THROW(settings.saveTraceMask("x"), Error);
}

// A form that cannot be bound is refused whole, naming the file and the control's place.
TEST_F(Session, BinderRefusesAFormNamingThePlace) {
  EXPECT_EQ(bindError(R"({"key":"Parameter","type":"Long","value":1510})"), "");
  EXPECT_EQ(bindError(R"({"key":"Parameter","type":"Long","value":9999})"),
            "f.json.controls[0]: A cannot be bound to parameter 9999 with its saved settings: "
            "No parameter 9999 on this drive");
  EXPECT_EQ(bindError(R"({"key":"Parameter","type":"Long","value":1510},)"
                      R"({"key":"DisplayMode","type":"Long","value":-7})"),
            "f.json.controls[0]: A cannot be bound to parameter 1510 with its saved settings: "
            "No display mode -7 (0, 1 or 2)");
}

TEST_F(Session, TheBuiltInPageBindsAndEveryGroupHasOneName) {
  Form form({toolkit, editBoxes, drive.library(), drive.settings(), debug});
  loadDrivePage(form);
  bindForm(form, drive, std::string(kDrivePageName));
  ASSERT_EQ(form.size(), 13u);
  for (std::size_t i = 0; i < form.size(); ++i) EXPECT_TRUE(form.control(i).get_ValueObjRef());
  form.control(0).put_Parameter(0);  // design mode: Parameter 0 unbinds
  bindControl(form.control(0), drive);
  EXPECT_FALSE(form.control(0).get_ValueObjRef());
  std::set<std::string_view> names;
  for (const ParameterInfo& info : ParameterCatalog::all())
    EXPECT_FALSE(groupName(info.group).empty()) << info.key;
  for (const GroupName& g : parameterGroups()) names.insert(g.name);
  EXPECT_EQ(names.size(), parameterGroups().size());
}

// What a host says of an entry or a refused write, in the command line's words.
TEST(Notices, EntriesAndRefusals) {
  const ParameterInfo& speed = *ParameterCatalog::find(param::SpeedLimit);
  EXPECT_EQ(entryNotice(speed, " 4500 ", true, "4500"), "");
  EXPECT_EQ(entryNotice(speed, "abc", true, "3000"),
            "P1510 Speed Limit: \"abc\" is not a number; the value stays 3000");
  EXPECT_EQ(entryNotice(*ParameterCatalog::find(param::NodeId), "xyz", true, "01"),
            "P1610 Node ID: \"xyz\" is not a hexadecimal number; the value stays 01");
  EXPECT_EQ(entryNotice(speed, "10007000", true, "6000"),
            "P1510 Speed Limit: 10007000 RPM is above the maximum of 6000 RPM; the value is 6000");
  EXPECT_EQ(refusalNotice(speed, 30006, "needs lock level 1", "lock 1"),
            "P1510 Speed Limit: needs lock level 1 (lock 1)");
  EXPECT_EQ(refusalNotice(speed, 380, "too big", "lock 1"), "P1510 Speed Limit: too big");
  EXPECT_EQ(refusalNotice(speed, 30006, "Speed Limit: needs lock level 1", "F6"),
            "P1510 Speed Limit: needs lock level 1 (F6)");  // named once
  EXPECT_EQ(whyNotWritable(speed, 1, 0, "F6"),
            "P1510 Speed Limit: needs lock level 1 "
            "(technician), the application holds 0 (operator) (F6)");
}

}  // namespace
}  // namespace kadrelle
