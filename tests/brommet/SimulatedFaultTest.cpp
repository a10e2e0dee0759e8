#include <gtest/gtest.h>

#include <vector>

#include "Brommet.h"

namespace kadrelle {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::StartsWith;

// One member of a value object, its application view or a lock level of the drive, and a call.
struct Member {
  const char* name;
  void (*call)(BrommetValueObject&, View&, LockLevel&);
};
// clang-format off
#define CALL(on, member, ...) Member{#member, [](BrommetValueObject& o, View& v, LockLevel& l) { \
    (void)o, (void)v, (void)l; on.member(__VA_ARGS__); }}
std::int32_t which = 0;
const Member kMembers[] = {
    CALL(o, get_AppView),      CALL(o, get_DriveView),    CALL(o, get_ReadOnly),   CALL(o, get_Key),
    CALL(o, put_ParameterNumber, param::SpeedLimit),      CALL(o, Commit),         CALL(o, get_AppLock),
    CALL(o, putref_AppLock, o.driveRef()->appLock()),     CALL(o, get_RequiredLock),
    CALL(o, putref_Link, nullptr),                        CALL(o, get_IsText),
    CALL(v, get_NumericValue), CALL(v, put_NumericValue, 100),  CALL(v, get_DriveValue),
    CALL(v, put_DriveValue, 100), CALL(v, get_TextValue), CALL(v, put_TextValue, "100"),
    CALL(v, get_UpperLimit),   CALL(v, get_LowerLimit),   CALL(v, get_DriveUpperLimit),
    CALL(v, get_DriveLowerLimit), CALL(v, get_LimitsEnabled), CALL(v, get_NumberFormat),
    CALL(v, get_DisplayBase),  CALL(v, get_Description),  CALL(v, get_DriveDescription),
    CALL(v, get_Units, which), CALL(v, get_Stepper),      CALL(v, Step, kTrue, 0),
    CALL(l, get_Level),        CALL(l, put_Level, 1)};
#undef CALL
// clang-format on

class DriveFaults : public DriveSession {
 protected:
  DriveFaults() { drive().appLock()->put_Level(3); }
  std::shared_ptr<BrommetValueObject> object = bound(param::SpeedLimit);
  View& view = *object->appView();
  LockLevelRef lock = library.createLockLevel();
};

TEST_F(DriveFaults, EveryMemberFailsItsNextCallsOnly) {
  std::vector<std::string_view> named;
  for (const Member& m : kMembers) {
    SCOPED_TRACE(m.name);
    named.push_back(m.name);
    auto call = [&] { m.call(*object, view, *lock); };
    drive().failNext(m.name, 2);
    for (int i = 0; i < 2; ++i)
      EXPECT_THAT(call, throwsError(SimulatedFaults::kSimulatedFault, HasSubstr(m.name)));
    EXPECT_NO_THROW(call());
  }
  EXPECT_EQ(named, drive().faults()->members());  // the table calls every member
  EXPECT_THAT([&] { drive().failNext("get_Levle"); }, throwsError(Error::kInvalidCall));
  drive().failNext("get_Units", 1, Error(Error::kOverflow, "boom"));
  EXPECT_THAT([&] { view.get_Units(which); }, throwsError(Error::kOverflow, "boom"));
}

TEST_F(DriveFaults, CommunicationFaultFailsOnlyCallsThatReachTheDrive) {
  drive().simulateCommunicationFault(2);
  EXPECT_NO_THROW(view.get_UpperLimit());
  EXPECT_THAT([&] { view.get_NumericValue(); }, throwsError(SimulatedFaults::kCommunicationFault));
  EXPECT_THROW(view.get_TextValue(), Error);
  EXPECT_NO_THROW(view.get_NumericValue());
  drive().simulateCommunicationFault(5);
  drive().clearFaults();
  EXPECT_NO_THROW(object->Commit());
}

// As a real value library: the pending value is dropped, UpdateError says why, and every object
// of the parameter shows what the drive holds.
TEST_F(DriveFaults, FailedWritesAreReportedAndEveryObjectShowsTheDriveValue) {
  const auto commit = [](BrommetValueObject& o, View& v) {
    v.put_NumericValue(1000);
    o.Commit();
  };
  const struct {
    const char* failing;  // the member made to fail; nullptr: the drive does not answer
    std::function<void(BrommetValueObject&, View&)> write;
    int code;
  } cases[] = {
      {"Commit", commit, SimulatedFaults::kSimulatedFault},
      {nullptr, commit, SimulatedFaults::kCommunicationFault},
      {"put_TextValue", [](auto&, View& v) { v.put_TextValue("1000"); }, 75},
      {nullptr, [](auto&, View& v) { v.Step(kTrue, 0); }, SimulatedFaults::kCommunicationFault},
  };
  auto sibling = bound(param::SpeedLimit);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.code);
    Recorder r(*object), s(*sibling);
    if (!c.failing)
      drive().simulateCommunicationFault();
    else if (c.code == SimulatedFaults::kSimulatedFault)
      drive().failNext(c.failing);
    else
      drive().failNext(c.failing, 1, Error(c.code, "x"));
    EXPECT_THAT([&] { c.write(*object, view); }, throwsError(c.code));
    EXPECT_FALSE(object->hasPending());
    EXPECT_EQ(drive().value(param::SpeedLimit), 6553600);
    EXPECT_THAT(r.events,
                ElementsAre(StartsWith("UpdateError " + std::to_string(c.code) + " Speed Limit: "),
                            "ContentChanged 3000"));
    EXPECT_THAT(s.events, ElementsAre("ContentChanged 3000"));
  }
}

}  // namespace
}  // namespace kadrelle
