// The simulated drive: its model, its parameter file, the catalog of its parameters and how their
// values are written.
#include <gtest/gtest.h>

#include <cmath>
#include <set>

#include "Brommet.h"
#include "brommet/DriveDescription.h"
#include "brommet/ValueText.h"

namespace kadrelle {
namespace fs = std::filesystem;
namespace {

using ::testing::AllOf;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
constexpr double kRpm = ParameterCatalog::kRpmPerCountsPerSecond;

class DriveModel : public ::testing::Test {
 protected:
  void run(double seconds, double dt = 0.01) {
    for (double t = 0; t < seconds - 1e-9; t += dt) drive.tick(dt);
  }
  double rpm() const { return drive.value(param::ActualSpeed) * kRpm; }
  std::shared_ptr<ServoDrive> shared = std::make_shared<ServoDrive>();
  ServoDrive& drive = *shared;
};

TEST_F(DriveModel, RampsToTheCommandOnlyWhileEnabledAndReportsLiveValues) {
  BrommetLibrary library(shared);
  auto speed = library.makeValueObject(param::ActualSpeed);
  auto other = library.makeValueObject(param::SpeedLimit);
  std::vector<double> seen;
  int otherEvents = 0;
  Connection c = speed->ContentChanged.connect([&](const Variant& v) { seen.push_back(CDbl(v)); });
  Connection d = other->ContentChanged.connect([&](const Variant&) { ++otherEvents; });
  drive.setValue(param::SpeedCommand, 1200 / kRpm);
  run(1);  // disabled: at rest, nothing to report
  EXPECT_EQ(std::tuple(rpm(), drive.value(param::ActualCurrent), seen.size()),
            std::tuple(0.0, 0.0, 0u));
  drive.setEnabled(true);

  run(0.1);  // 6000 RPM/s: 600 RPM after 0.1 s
  EXPECT_NEAR(rpm(), 600, 1);
  EXPECT_GT(drive.value(param::ActualCurrent), 0);
  EXPECT_LT(drive.value(param::BusVoltage), 3250);
  run(0.5);
  EXPECT_NEAR(rpm(), 1200, 0.01);
  EXPECT_EQ(static_cast<int>(drive.value(param::StatusWord)) & 7, 7);  // enabled, at speed, moving
  EXPECT_GT(drive.value(param::ActualPosition), 0);
  EXPECT_GT(drive.value(param::FollowingError), 0);
  ASSERT_FALSE(seen.empty());
  EXPECT_NEAR(seen.back(), 1200, 0.01);
  EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
  EXPECT_EQ(otherEvents, 0);

  drive.setEnabled(false);
  run(1);
  EXPECT_EQ(rpm(), 0);
  EXPECT_EQ(static_cast<int>(drive.value(param::StatusWord)) & 1, 0);
  drive.setValue(param::SpeedLimit, 500 / kRpm);  // the limit caps the command
  drive.setValue(param::SpeedCommand, -3000 / kRpm);
  drive.setEnabled(true);
  run(1);
  EXPECT_NEAR(rpm(), -500, 0.01);
}

TEST_F(DriveModel, MotorWarmsUnderLoadHoursCountAndIdleTicksChangeNothing) {
  const double hours = drive.value(param::OperatingHours);
  drive.setValue(param::SpeedCommand, 6000 / kRpm);
  drive.setValue(param::SpeedLimit, 6000 / kRpm);
  drive.setEnabled(true);
  run(600, 1);
  EXPECT_GT(drive.value(param::MotorTemperature), 250);
  EXPECT_GT(drive.value(param::DriveTemperature), 250);
  EXPECT_EQ(drive.value(param::OperatingHours), hours + 600);
  const double temperature = drive.value(param::MotorTemperature), speed = rpm();
  drive.tick(0);  // ticks that are not positive change nothing
  drive.tick(-1);
  EXPECT_EQ(std::pair(drive.value(param::MotorTemperature), rpm()), std::pair(temperature, speed));
}

TEST_F(DriveModel, UnknownNumbersReadAsNothingAndTheEnableParameterRaisesEnabledChanged) {
  EXPECT_EQ(std::pair(drive.value(4711), drive.text(4711)), std::pair(0.0, std::string()));
  EXPECT_THROW(drive.setValue(4711, 1), Error);
  EXPECT_THROW(drive.setText(0, "x"), Error);
  int changes = 0;
  Connection c = drive.EnabledChanged.connect([&] { ++changes; });
  drive.setValue(param::DriveEnable, 1);
  EXPECT_TRUE(drive.enabled());
  drive.setEnabled(true);  // no change
  drive.setValue(param::SpeedLimit, 1);
  drive.setEnabled(false);
  EXPECT_EQ(changes, 2);
}

// A folder of its own for each test.
class DriveFile : public ::testing::Test {
 protected:
  test::TempFolder temp{"brommet"};
  fs::path folder = temp.path, file = folder / "drive.json";
};

TEST_F(DriveFile, SaveAndLoadRoundTripTheStoredParameters) {
  ServoDrive a;
  a.setValue(param::SpeedLimit, 9830400);
  a.setValue(param::NodeId, 0x21);
  a.setValue(param::HomeOffset, -131072);
  a.setText(param::DriveName, "Conveyor \"left\", 24 long");  // as long as a name may be
  a.setValue(param::SpeedCommand, 1000);                      // volatile: not saved
  // Entries that are not the drive's own stay through a save.
  std::ofstream(file) << R"({"note": "left axis", "parameters": {}, "later": [1]})";
  a.save(file);
  const std::string text = test::readText(file);
  EXPECT_NE(text.find(R"("later": [)"), std::string::npos) << text;
  EXPECT_LT(text.find("parameters"), text.find(R"("note": "left axis")")) << text;

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
  // A file they cannot use is named.
  const fs::path missing = folder / "no-such-folder" / "drive.json";
  EXPECT_THAT([&] { a.save(missing); },
              throwsError(Error::kFileAccess, HasSubstr(missing.string())));
  EXPECT_THAT([&] { b->load(folder / "absent.json"); },
              throwsError(Error::kFileNotFound, HasSubstr("absent.json")));
}

// A broken file is refused whole, naming file and entry; its valid first entries are not applied.
TEST_F(DriveFile, CorruptFilesAreRefusedWhole) {
#define HEAD R"({"format": "Brommet drive parameters", "version": 1, "parameters": )"

  const std::pair<const char*, const char*> cases[] = {
      // text, problem named
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
      {HEAD R"({"P1510": 100, "P1710": "abcdefghijklmnopqrstuvwxy"}})",
       "entry \"P1710\": the text is 25 characters long; at most 24 are allowed"}};
#undef HEAD
  for (const auto& [text, problem] : cases) {
    SCOPED_TRACE(text);
    std::ofstream(file, std::ios::binary) << text;
    ServoDrive drive;
    int loaded = 0;
    Connection connection = drive.Loaded.connect([&] { ++loaded; });
    EXPECT_THAT(
        [&] { drive.load(file); },
        throwsError(Error::kBadFileFormat, AllOf(HasSubstr(file.string()), HasSubstr(problem))));
    EXPECT_EQ(drive.value(param::SpeedLimit), 6553600);
    EXPECT_EQ(drive.text(param::DriveName), "Axis 1");
    EXPECT_EQ(loaded, 0);
  }
}

bool isNumberFormat(std::string_view format) {
  return !format.empty() && format.find_first_not_of("#0,.") == std::string_view::npos &&
         format.find('.') == format.rfind('.');
}

bool near(double a, double b) {
  return std::fabs(a - b) <= 1e-9 * std::max(1.0, std::fabs(b));
}

TEST(ParameterCatalog, EveryParameterIsFoundByNumberAndKeyAndNothingElseIs) {
  const auto all = ParameterCatalog::all();
  ASSERT_GE(all.size(), 40u);
  std::set<std::string_view> keys;
  std::set<ParameterGroup> groups;
  int text = 0, hex = 0, marked = 0;
  for (std::size_t i = 0; i < all.size(); ++i) {
    const ParameterInfo& p = all[i];
    SCOPED_TRACE(p.key);
    EXPECT_TRUE(keys.insert(p.key).second);
    EXPECT_EQ(p.key, "P" + std::to_string(p.number));
    EXPECT_LT(i == 0 ? 0 : all[i - 1].number, p.number);  // find() searches by number
    EXPECT_EQ(ParameterCatalog::find(p.number), &p);
    EXPECT_EQ(ParameterCatalog::findKey(p.key), &p);
    groups.insert(p.group);
    text += p.text;
    hex += p.displayBase == 1;
    marked += p.description.find("@*@") != std::string_view::npos;
    EXPECT_FALSE(p.name.empty() || p.description.empty() || p.driveDescription.empty());
    EXPECT_TRUE(p.lockLevel >= 0 && p.lockLevel <= 3) << p.lockLevel;
    EXPECT_FALSE(p.stopOnly && p.lockLevel >= 3);  // enabling the drive raises it to 3
    if (p.text) {
      EXPECT_GT(p.maxTextLength, 0u);
      EXPECT_EQ(p.step, 0);
      EXPECT_FALSE(ServoDrive::checkText(p, p.defaultText).has_value()) << p.defaultText;
      continue;
    }
    ASSERT_GT(p.scale, 0);
    EXPECT_TRUE(near(p.appLower, p.driveLower * p.scale)) << p.appLower << " vs " << p.driveLower;
    EXPECT_TRUE(near(p.appUpper, p.driveUpper * p.scale)) << p.appUpper << " vs " << p.driveUpper;
    EXPECT_TRUE(p.driveLower <= p.defaultValue && p.defaultValue <= p.driveUpper) << p.defaultValue;
    EXPECT_TRUE(!p.integral || p.defaultValue == std::floor(p.defaultValue)) << p.defaultValue;
    EXPECT_TRUE(isNumberFormat(p.appFormat)) << p.appFormat;
    EXPECT_TRUE(isNumberFormat(p.driveFormat)) << p.driveFormat;
    if (p.step > 0) {  // the application format shows a single step
      const auto point = p.appFormat.find('.');
      const double shown =
          p.step * std::pow(10.0, point == p.appFormat.npos ? 0 : p.appFormat.size() - point - 1);
      EXPECT_NEAR(shown, std::round(shown), 1e-9) << p.appFormat << " step " << p.step;
    }
    EXPECT_FALSE((p.measured && !p.readOnly) || (p.readOnly && p.step != 0));
    EXPECT_TRUE(p.displayBase != 1 || (p.scale == 1 && p.integral && p.driveLower >= 0));
    EXPECT_TRUE(p.driveLower >= INT32_MIN && p.driveUpper <= INT32_MAX);  // 32-bit registers
  }
  for (std::size_t i = 0; i < all.size(); ++i)  // served over Modbus: every one has registers
    EXPECT_TRUE(DriveDescription::simulated()->location(i).has_value()) << all[i].key;
  EXPECT_TRUE(groups.size() == 10u && text >= 2 && hex >= 3 && marked >= 5)
      << groups.size() << " " << text << " " << hex << " " << marked;
  EXPECT_EQ(ParameterCatalog::find(1009), nullptr);            // below the first
  EXPECT_EQ(ParameterCatalog::find(1509), nullptr);            // between two
  EXPECT_FALSE(ParameterCatalog::indexOf(99999).has_value());  // beyond the last
  EXPECT_FALSE(ParameterCatalog::indexOf(-1510).has_value());
  EXPECT_EQ(ParameterCatalog::findKey(""), nullptr);
  EXPECT_EQ(ParameterCatalog::lockLevelName(3), "factory");
  EXPECT_EQ(ParameterCatalog::lockLevelName(4), "level 4");
}

// A user's drive description: what it leaves out follows from what it gives; a bad one is refused
// naming the file and the place.
TEST(DriveDescription, ReadsAUsersDriveAndRefusesBadFilesNamingThePlace) {
  auto parse = [](std::string parameters) {
    return DriveDescription::parse(
        R"({"format": "Kadrelle drive description", "version": 1, "parameters": [)" + parameters +
            "]}",
        "my.json");
  };
  const std::string speed =
      R"({"key": "S", "number": 7, "name": "Speed", "units": "RPM", "driveUnits": "0.1 RPM",
          "scale": 0.1, "range": [-300, 300], "register": {"address": 4, "type": "int32",
          "words": "low-first", "scale": 2}})";
  auto d = parse(speed + R"(, {"key": "N", "number": 3, "name": "Name", "type": "text",
                              "maxLength": 5, "register": {"address": 0, "type": "string"}})");
  ASSERT_EQ(d->size(), 2u);
  const ParameterInfo& s = d->parameters()[1];  // in number order
  EXPECT_EQ(std::tuple(s.key, s.driveDescription, s.driveLower, s.driveUpper, s.lockLevel),
            std::tuple("S", "Speed", -3000.0, 3000.0, 0));
  EXPECT_EQ(d->find(3), &d->parameters()[0]);
  EXPECT_EQ(d->findKey("S"), &s);
  EXPECT_EQ(std::tuple(d->location(1)->lowWordFirst, d->location(1)->scale), std::tuple(true, 2.0));
  EXPECT_EQ(std::tuple(d->location(0)->count, d->parameters()[0].text), std::tuple(3, true));
  // Simulated: the value objects see its parameters alone; the motion model moves only what the
  // description calls measured.
  BrommetLibrary library(std::make_shared<ServoDrive>(d));
  auto s7 = library.makeValueObject(7);
  s7->get_AppView()->put_NumericValue(200);
  s7->Commit();
  EXPECT_EQ(std::pair(library.drive().value(7), library.makeValueObject(1510)->get_Key()),
            std::pair(2000.0, std::string()));
  ServoDrive own(parse(R"({"key": "A", "number": 1810, "name": "x", "range": [0, 9], "default": 5},
      {"key": "E", "number": 1910, "name": "On", "range": [0, 1], "default": 1})"));
  own.tick(1);
  EXPECT_EQ(std::pair(own.enabled(), own.value(1810)), std::pair(true, 5.0));

  const std::vector<std::pair<std::string, std::string>> bad = {
      {R"({"key": "S", "number": 7})", "my.json: parameters[0] (S): missing \"name\""},
      {R"({"key": "S", "number": 7, "name": "x", "rnage": [0, 1]})", "unknown entry \"rnage\""},
      {R"({"key": "S", "number": 0, "name": "x", "range": [0, 1]})",
       "parameters[0] (S).number: expected a whole number from 1 to 2147483647"},
      {R"({"key": "S", "number": 7, "name": "x", "range": [2, 1]})",
       "(S).range: the lower limit is above the upper one"},
      {R"({"key": "S", "number": 7, "name": "x"})", "missing \"range\" or \"driveRange\""},
      {R"({"key": "S", "number": 7, "name": "x", "range": [0, 1], "default": 5})",
       "(S).default: outside the drive range"},
      {R"({"key": "S", "number": 7, "name": "x", "type": "text", "step": 1})",
       "(S).step: a text parameter has no \"step\""},
      {R"({"key": "S", "number": 7, "name": "x", "range": [0, 1],
           "register": {"address": 65535, "type": "int32"}})",
       "(S).register: the value runs past the last register"},
      {R"({"key": "S", "number": 7, "name": "x", "range": [0, 1],
           "register": {"address": 1, "type": "int64"}})",
       "(S).register.type: \"int64\" is none of \"int16\", \"uint16\""},
      {R"({"key": "S", "number": 7, "name": "x", "range": [0, 1], "maxLength": 3})",
       "(S).maxLength: only a text parameter has one"},
      {speed + "," + speed, "parameters[1] (S).number: number 7 is also that of S"},
      {speed + R"(, {"key": "S", "number": 8, "name": "x", "range": [0, 1]})",
       "parameters[1] (S).key: the key is given twice"},
      {speed + R"(, {"key": "T", "number": 8, "name": "x", "range": [0, 1],
                     "register": {"address": 5, "type": "uint16"}})",
       "parameters[1] (T).register: the registers overlap those of S"}};
  for (const auto& [parameters, message] : bad)
    EXPECT_THAT([&] { parse(parameters); }, throwsError(321, HasSubstr(message))) << parameters;
  EXPECT_THAT([] { DriveDescription::parse("{\"format\": 1", "my.json"); },
              throwsError(321, "my.json: not valid JSON (byte 13)"));
  EXPECT_THAT([] { DriveDescription::parse(R"({"format": "x", "version": 1})", "my.json"); },
              throwsError(321, HasSubstr("my.json: format: expected")));
}

TEST(ValueText, FormatsAsTheEditBoxDoesAndAcceptsOnlyPrintableAscii) {
  using F = std::tuple<double, const char*, int, const char*>;
  for (const auto& [value, format, base, text] :
       {F{1, "000###", 0, "000001"}, F{0, "#", 0, ""}, F{-1234.5, "#,##0.00", 0, "-1,234.50"},
        F{1.5, "", 0, "1.5"}, F{65535, "", 1, "&HFFFF"}, F{-1, "0", 1, "&HFFFFFFFF"},
        F{4294967296.0, "0", 1, "4294967296"}})
    EXPECT_EQ(ValueText::format(value, format, base), text) << value;
  EXPECT_TRUE(ValueText::isPrintable("Axis 1 - Conveyor #2") && ValueText::isPrintable(""));
  EXPECT_FALSE(ValueText::isPrintable("tab\there") || ValueText::isPrintable("Achse \xC3\xBC"));
}

}  // namespace
}  // namespace kadrelle
