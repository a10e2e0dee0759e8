// Parameter sets: export, read, compare with a drive, apply the chosen differences.
#include "session/ParameterSet.h"

#include <gmock/gmock.h>

#include <cmath>

#include "brommet/BrommetLibrary.h"
#include "brommet/ParameterCatalog.h"
#include "brommet/ServoDrive.h"
#include "platform/Error.h"

namespace kadrelle {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

struct Drive {
  std::shared_ptr<ServoDrive> drive = std::make_shared<ServoDrive>();
  BrommetLibrary library{drive};
  DriveParameters parameters{ParameterCatalog::all(), library, "Brommet simulated servo drive",
                             "1"};
  Drive() { drive->appLock()->put_Level(3); }
};

std::string errorOf(const std::function<void()>& call) {
  try {
    call();
  } catch (const Error& e) {
    return std::to_string(e.number()) + " " + e.description();
  }
  return "no error";
}

std::vector<std::string> rows(const SetComparison& c) {
  std::vector<std::string> out;
  for (const auto& row : c.entries)
    if (row.state != SetEntryState::Unchanged)
      out.push_back(row.entry->key + " " + std::string(stateName(row.state)) + " " + row.fileText +
                    " | " + row.driveText + (row.reason.empty() ? "" : " | ") + row.reason);
  return out;
}

// A drive's export read back compares equal with it, and with a copy of it once applied; what a
// set must never send is not in it as a value.
TEST(ParameterSets, ExportedSetRoundTripsToAnotherDrive) {
  Drive tuned;
  tuned.drive->setValue(param::SpeedLimit,
                        std::round(4500 / ParameterCatalog::kRpmPerCountsPerSecond));
  tuned.drive->setText(param::DriveName, R"(Axis "one" \ left)");
  tuned.drive->setValue(param::NodeId, 0x2A);
  const std::string text = exportParameterSet(tuned.parameters);
  EXPECT_THAT(text, HasSubstr("\nP1510 = 4500"));
  EXPECT_THAT(text, HasSubstr("# Speed Limit (RPM)\n"));
  EXPECT_THAT(text, HasSubstr(R"(P1710 = "Axis \"one\" \\ left")"));
  EXPECT_THAT(text, HasSubstr("\nP1610 = 2A "));          // hexadecimal, as the form shows it
  EXPECT_THAT(text, HasSubstr("\n# P1711 = "));           // read-only: a comment
  EXPECT_THAT(text, ::testing::Not(HasSubstr("P1810")));  // measured: left out

  const ParameterSet set = parseParameterSet(text, "tuned.kset");
  EXPECT_EQ(set.drive, "Brommet simulated servo drive");
  EXPECT_TRUE(compareParameterSet(tuned.parameters, set).equal());

  Drive fresh;
  const SetComparison before = compareParameterSet(fresh.parameters, set);
  EXPECT_THAT(rows(before), ElementsAre("P1510 changed 4500 | 3000", "P1610 changed 2A | 01",
                                        R"(P1710 changed Axis "one" \ left | Axis 1)"));
  const auto applied = applyParameterSet(fresh.parameters, set);
  ASSERT_EQ(applied.size(), 3u);  // in the drive's order
  EXPECT_EQ(applied[0].info->key, "P1510");
  EXPECT_EQ(applied[0].before + " -> " + applied[0].after, "3000 -> 4500");
  EXPECT_TRUE(compareParameterSet(fresh.parameters, set).equal());
  EXPECT_EQ(exportParameterSet(fresh.parameters), text);
}

// Values compare as the drive stores them; each kind of entry that cannot be sent is counted
// and says why.
TEST(ParameterSets, ComparisonClassifiesEveryEntry) {
  Drive d;
  d.drive->appLock()->put_Level(1);
  d.drive->setValue(param::InPositionWindow, 11954);  // 0.0912 rev, stored in whole counts
  const ParameterSet set = parseParameterSet(
      "version = 1\n"
      "P1412 = 0.0912      # In-Position Window\n"
      "p1510 = 12000\n"  // keys in any case
      "P1312 = 0.4\n"    // needs level 2
      "P1715 = 30\n"     // read-only
      "P1810 = 5\n"      // measured
      "P9999 = 1\n"
      "P1512 = abc\n"
      "P1412x = 1\n",
      "s");
  const SetComparison c = compareParameterSet(d.parameters, set);
  EXPECT_THAT(
      rows(c),
      ElementsAre("p1510 invalid 12000 | 3000 | 12000 RPM is above the maximum of 6000 RPM",
                  "P1312 above the lock level 0.4 | 0.5 | needs lock level 2",
                  "P1715 read-only 30.00 | 20.00 | the drive's value cannot be changed",
                  "P1810 unknown to this drive 5 |  | no parameter P1810 to set on this drive",
                  "P9999 unknown to this drive 1 |  | no parameter P9999 to set on this drive",
                  "P1512 invalid abc | 200.0 | \"abc\" is not a number",
                  "P1412x unknown to this drive 1 |  | no parameter P1412x to set on this drive"));
  EXPECT_EQ(c.count(SetEntryState::Unchanged), 1u);
  EXPECT_FALSE(c.equal());
}

// Applying writes only what differs and was chosen, all or nothing.
TEST(ParameterSets, ApplyIsAllOrNothing) {
  Drive d;
  const ParameterSet set =
      parseParameterSet("P1510 = 4500\nP1512 = 150\nP1313 = 3000\nP1515 = 150\n", "s");
  const double accel = d.drive->value(param::Acceleration);

  // Chosen keys only; a dry run writes nothing.
  auto keys = [](const std::vector<AppliedValue>& changes) {
    std::vector<std::string> out;
    for (const auto& c : changes) out.emplace_back(c.info->key);
    return out;
  };
  EXPECT_THAT(keys(applyParameterSet(d.parameters, set, {"p1512", "P1510"}, true)),
              ElementsAre("P1510", "P1512"));
  EXPECT_EQ(d.drive->value(param::TorqueLimit), 2000);
  EXPECT_THAT(errorOf([&] { applyParameterSet(d.parameters, set, {"P1411"}); }),
              "5 Nothing was written; cannot apply P1411 (not in the set)");

  // An entry that cannot be sent refuses the whole set before anything is written.
  d.drive->appLock()->put_Level(1);
  EXPECT_THAT(errorOf([&] { applyParameterSet(d.parameters, set); }),
              HasSubstr("cannot apply P1515 (above the lock level: needs lock level 2)"));
  EXPECT_EQ(d.drive->value(param::TorqueLimit), 2000);

  // A write the drive refuses half-way puts back the ones before it.
  d.drive->appLock()->put_Level(3);
  Connection arm =
      d.drive->watch(param::TorqueLimit, [&, armed = false](ServoDrive::Notice) mutable {
        if (!std::exchange(armed, true)) d.drive->failNext("Commit");
      });
  EXPECT_THAT(errorOf([&] { applyParameterSet(d.parameters, set); }),
              HasSubstr("; the values written before it were restored"));
  arm = {};
  EXPECT_EQ(d.drive->value(param::TorqueLimit), 2000);
  EXPECT_EQ(d.drive->value(param::Acceleration), accel);
  EXPECT_TRUE(parametersNotAtDefault(d.parameters).empty());

  EXPECT_EQ(applyParameterSet(d.parameters, set).size(), 4u);
  std::vector<std::string> changed;
  for (const auto* info : parametersNotAtDefault(d.parameters)) changed.emplace_back(info->key);
  EXPECT_THAT(changed, ElementsAre("P1313", "P1510", "P1512", "P1515"));
  EXPECT_TRUE(applyParameterSet(d.parameters, set).empty());  // nothing differs any more
}

TEST(ParameterSets, MalformedFilesNameTheLine) {
  for (const auto& [text, error] : std::initializer_list<std::pair<const char*, const char*>>{
           {"\n# c\nP1510 4500\n", "321 f.kset:3: expected KEY = VALUE"},
           {"P1710 = \"open\n", "321 f.kset:1: a text without its closing quote"},
           {"P1710 = \"a\" b\n", "321 f.kset:1: more after the closing quote"},
           {"P1510 =  # none\n", "321 f.kset:1: no value for P1510"},
           {"P1510 = 1\np1510 = 2\n", "321 f.kset:2: p1510 is given twice"},
           {" = 2\n", "321 f.kset:1: a value without a key"}}) {
    EXPECT_EQ(errorOf([&] { parseParameterSet(text, "f.kset"); }), error);
  }
}

}  // namespace
}  // namespace kadrelle
