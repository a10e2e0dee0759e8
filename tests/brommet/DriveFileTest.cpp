#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>

#include "Brommet.h"

namespace kadrelle {
namespace fs = std::filesystem;
namespace {

using ::testing::AllOf;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

// A folder of its own for each test.
class DriveFile : public ::testing::Test {
 protected:
  ~DriveFile() override { fs::remove_all(folder); }
  void write(const std::string& text) { std::ofstream(file, std::ios::binary) << text; }
  std::string pattern = (fs::temp_directory_path() / "brommet-XXXXXX").string();
  fs::path folder = ::mkdtemp(pattern.data());
  fs::path file = folder / "drive.json";
};

TEST_F(DriveFile, SaveAndLoadRoundTripTheStoredParameters) {
  ServoDrive a;
  a.setValue(param::SpeedLimit, 9830400);
  a.setValue(param::NodeId, 0x21);
  a.setValue(param::HomeOffset, -131072);
  a.setText(param::DriveName, "Conveyor \"left\"");
  a.setValue(param::SpeedCommand, 1000);  // volatile: not saved
  a.save(file);

  auto b = std::make_shared<ServoDrive>();
  BrommetLibrary library(b);
  auto speed = library.makeValueObject(param::SpeedLimit);
  auto pwm = library.makeValueObject(param::PwmFrequency);
  Recorder speedEvents(*speed), pwmEvents(*pwm);
  int loaded = 0;
  Connection c = b->Loaded.connect([&] { ++loaded; });
  b->load(file);

  for (const auto& p : ParameterCatalog::all()) {
    if (p.nonVolatile && !p.readOnly) {
      EXPECT_EQ(b->value(p.number), a.value(p.number)) << p.key;
      EXPECT_EQ(b->text(p.number), a.text(p.number)) << p.key;
    }
  }
  EXPECT_EQ(b->value(param::SpeedCommand), 0);
  EXPECT_THAT(speedEvents.events, ElementsAre("ValueChanged 4500", "ContentChanged 4500"));
  EXPECT_THAT(pwmEvents.events, ElementsAre());  // unchanged value
  EXPECT_EQ(loaded, 1);
}

TEST_F(DriveFile, SaveAndLoadFailuresNameTheFile) {
  ServoDrive drive;
  const fs::path missing = folder / "no-such-folder" / "drive.json";
  EXPECT_THAT([&] { drive.save(missing); },
              throwsError(Error::kFileAccess, HasSubstr(missing.string())));
  EXPECT_THAT([&] { drive.load(folder / "absent.json"); },
              throwsError(Error::kFileNotFound, HasSubstr("absent.json")));
}

// A broken file is refused whole, naming file and entry; its valid first entries are not applied.
TEST_F(DriveFile, CorruptFilesAreRefusedWhole) {
#define HEAD R"({"format": "Brommet drive parameters", "version": 1, "parameters": )"

  const struct {
    const char* text;
    const char* problem;  // expected in the description
  } cases[] = {
      {HEAD R"({"P1510": 100, "P1)", "not valid JSON"},
      {"", "not valid JSON"},
      {"77E778", "not valid JSON"},  // found by fuzzing
      {"[1, 2]", "not a drive parameter file"},
      {R"({"format": "other", "version": 1, "parameters": {}})", "format"},
      {R"({"format": "Brommet drive parameters", "version": 2, "parameters": {}})", "version"},
      {R"({"format": "Brommet drive parameters", "version": 1})", "\"parameters\""},
      {HEAD R"({"P1510": 100, "P9998": 1, "P9999": 1}})", "entry \"P9998\": no such parameter"},
      {HEAD R"({"P1710": "New", "P1510": 99999999}})",
       "entry \"P1510\": 99,999,999 counts/s is above the maximum of 13,107,200 counts/s"},
      {HEAD R"({"P1510": 100, "P1511": "ten"}})", "entry \"P1511\": a number is expected"},
      {HEAD R"({"P1510": 100, "P1710": 5}})", "entry \"P1710\": a text is expected"},
      {HEAD R"({"P1510": 100.5}})", "entry \"P1510\": 100.5 is not a whole"},
      {HEAD R"({"P1510": 100, "P1711": "9.9"}})", "entry \"P1711\": not a stored parameter"},
      {HEAD R"({"P1510": 100, "P1912": 0}})", "entry \"P1912\": not a stored parameter"},
      {HEAD R"({"P1510": 100, "P1710": "abcdefghijklmnopqrstuvwxyz"}})",
       "entry \"P1710\": the text is 26 characters long"}};
#undef HEAD
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    write(c.text);
    ServoDrive drive;
    int loaded = 0;
    Connection connection = drive.Loaded.connect([&] { ++loaded; });
    EXPECT_THAT(
        [&] { drive.load(file); },
        throwsError(Error::kBadFileFormat, AllOf(HasSubstr(file.string()), HasSubstr(c.problem))));
    EXPECT_EQ(drive.value(param::SpeedLimit), 6553600);
    EXPECT_EQ(drive.text(param::DriveName), "Axis 1");
    EXPECT_EQ(loaded, 0);
  }
}

}  // namespace
}  // namespace kadrelle
