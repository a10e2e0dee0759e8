#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "ThrowsError.h"
#include "brommet/BrommetLibrary.h"

namespace kadrelle {
namespace {

using ::testing::HasSubstr;

// One member of a value object, its application view or a lock level of the drive, and a call.
struct Member {
  const char* name;
  std::function<void(BrommetValueObject&, View&, LockLevel&)> call;
};

const std::vector<Member>& everyMember() {
  static std::int32_t which = 0;
  static const std::vector<Member> members = {
      {"get_AppView", [](auto& o, auto&, auto&) { o.get_AppView(); }},
      {"get_DriveView", [](auto& o, auto&, auto&) { o.get_DriveView(); }},
      {"get_ReadOnly", [](auto& o, auto&, auto&) { o.get_ReadOnly(); }},
      {"get_Key", [](auto& o, auto&, auto&) { o.get_Key(); }},
      {"put_ParameterNumber",
       [](auto& o, auto&, auto&) { o.put_ParameterNumber(param::SpeedLimit); }},
      {"Commit", [](auto& o, auto&, auto&) { o.Commit(); }},
      {"get_AppLock", [](auto& o, auto&, auto&) { o.get_AppLock(); }},
      {"putref_AppLock", [](auto& o, auto&, auto&) { o.putref_AppLock(o.driveRef()->appLock()); }},
      {"get_RequiredLock", [](auto& o, auto&, auto&) { o.get_RequiredLock(); }},
      {"putref_Link", [](auto& o, auto&, auto&) { o.putref_Link(nullptr); }},
      {"get_IsText", [](auto& o, auto&, auto&) { o.get_IsText(); }},
      {"get_NumericValue", [](auto&, auto& v, auto&) { v.get_NumericValue(); }},
      {"put_NumericValue", [](auto&, auto& v, auto&) { v.put_NumericValue(100); }},
      {"get_DriveValue", [](auto&, auto& v, auto&) { v.get_DriveValue(); }},
      {"put_DriveValue", [](auto&, auto& v, auto&) { v.put_DriveValue(100); }},
      {"get_TextValue", [](auto&, auto& v, auto&) { v.get_TextValue(); }},
      {"put_TextValue", [](auto&, auto& v, auto&) { v.put_TextValue("100"); }},
      {"get_UpperLimit", [](auto&, auto& v, auto&) { v.get_UpperLimit(); }},
      {"get_LowerLimit", [](auto&, auto& v, auto&) { v.get_LowerLimit(); }},
      {"get_DriveUpperLimit", [](auto&, auto& v, auto&) { v.get_DriveUpperLimit(); }},
      {"get_DriveLowerLimit", [](auto&, auto& v, auto&) { v.get_DriveLowerLimit(); }},
      {"get_LimitsEnabled", [](auto&, auto& v, auto&) { v.get_LimitsEnabled(); }},
      {"get_NumberFormat", [](auto&, auto& v, auto&) { v.get_NumberFormat(); }},
      {"get_DisplayBase", [](auto&, auto& v, auto&) { v.get_DisplayBase(); }},
      {"get_Description", [](auto&, auto& v, auto&) { v.get_Description(); }},
      {"get_DriveDescription", [](auto&, auto& v, auto&) { v.get_DriveDescription(); }},
      {"get_Units", [](auto&, auto& v, auto&) { v.get_Units(which); }},
      {"get_Stepper", [](auto&, auto& v, auto&) { v.get_Stepper(); }},
      {"Step", [](auto&, auto& v, auto&) { v.Step(kTrue, 0); }},
      {"get_Level", [](auto&, auto&, auto& l) { l.get_Level(); }},
      {"put_Level", [](auto&, auto&, auto& l) { l.put_Level(1); }},
  };
  return members;
}

class DriveFaults : public ::testing::Test {
 protected:
  DriveFaults() { drive.appLock()->put_Level(3); }
  BrommetLibrary library;
  ServoDrive& drive = library.drive();
  std::shared_ptr<BrommetValueObject> object = library.makeValueObject(param::SpeedLimit);
  View& view = *object->appView();
  LockLevelRef lock = library.createLockLevel();
};

TEST_F(DriveFaults, EveryMemberFailsItsNextCallsOnly) {
  std::vector<std::string_view> named;
  for (const Member& m : everyMember()) {
    SCOPED_TRACE(m.name);
    named.push_back(m.name);
    auto call = [&] { m.call(*object, view, *lock); };
    drive.failNext(m.name, 2);
    for (int i = 0; i < 2; ++i)
      EXPECT_THAT(call, throwsError(SimulatedFaults::kSimulatedFault, HasSubstr(m.name)));
    EXPECT_NO_THROW(call());
  }
  EXPECT_EQ(named, drive.faults()->members());  // the table calls every member
  EXPECT_THAT([&] { drive.failNext("get_Levle"); }, throwsError(Error::kInvalidCall));
  drive.failNext("get_Units", 1, Error(Error::kOverflow, "boom"));
  std::int32_t which = 0;
  EXPECT_THAT([&] { view.get_Units(which); }, throwsError(Error::kOverflow, "boom"));
}

TEST_F(DriveFaults, CommunicationFaultFailsOnlyCallsThatReachTheDrive) {
  drive.simulateCommunicationFault(2);
  EXPECT_NO_THROW(view.get_UpperLimit());
  EXPECT_THAT([&] { view.get_NumericValue(); }, throwsError(SimulatedFaults::kCommunicationFault));
  EXPECT_THROW(view.get_TextValue(), Error);
  EXPECT_NO_THROW(view.get_NumericValue());
  drive.simulateCommunicationFault(5);
  drive.clearFaults();
  EXPECT_NO_THROW(object->Commit());
}

struct FailedWrite {
  const char* name;
  std::function<void(ServoDrive&)> arm;
  std::function<void(BrommetValueObject&, View&)> write;
  int code;
};

class FailedWrites : public DriveFaults, public ::testing::WithParamInterface<FailedWrite> {};

// As a real value library: the pending value is dropped, UpdateError says why, and every object
// of the parameter shows what the drive holds.
TEST_P(FailedWrites, AreReportedAndEveryObjectShowsTheDriveValue) {
  auto sibling = library.makeValueObject(param::SpeedLimit);
  std::vector<std::string> events;
  Connection c1 = object->UpdateError.connect([&](std::int32_t& code, std::string& text) {
    events.push_back("UpdateError " + std::to_string(code) + " " + text);
  });
  Connection c2 = object->ContentChanged.connect(
      [&](const Variant& v) { events.push_back("ContentChanged " + numberText(CDbl(v))); });
  Connection c3 =
      sibling->ContentChanged.connect([&](const Variant&) { events.push_back("sibling"); });
  Connection c4 =
      object->ValueChanged.connect([&](const Variant&) { events.push_back("ValueChanged"); });
  GetParam().arm(drive);
  EXPECT_THAT([&] { GetParam().write(*object, view); }, throwsError(GetParam().code));
  EXPECT_FALSE(object->hasPending());
  EXPECT_EQ(drive.value(param::SpeedLimit), 6553600);
  ASSERT_EQ(events.size(), 3u);
  EXPECT_EQ(events[0].rfind("UpdateError " + std::to_string(GetParam().code) + " Speed Limit: ", 0),
            0u)
      << events[0];
  EXPECT_EQ(events[1], "ContentChanged 3000");
  EXPECT_EQ(events[2], "sibling");
}

INSTANTIATE_TEST_SUITE_P(
    Writes, FailedWrites,
    ::testing::Values(
        FailedWrite{"Commit", [](ServoDrive& d) { d.failNext("Commit"); },
                    [](BrommetValueObject& o, View& v) {
                      v.put_NumericValue(1000);
                      o.Commit();
                    },
                    SimulatedFaults::kSimulatedFault},
        FailedWrite{"CommunicationInCommit", [](ServoDrive& d) { d.simulateCommunicationFault(); },
                    [](BrommetValueObject& o, View& v) {
                      v.put_NumericValue(1000);
                      o.Commit();
                    },
                    SimulatedFaults::kCommunicationFault},
        FailedWrite{"ViewWrite",
                    [](ServoDrive& d) { d.failNext("put_TextValue", 1, Error(75, "x")); },
                    [](BrommetValueObject&, View& v) { v.put_TextValue("1000"); }, 75},
        FailedWrite{"CommunicationInStep", [](ServoDrive& d) { d.simulateCommunicationFault(); },
                    [](BrommetValueObject&, View& v) { v.Step(kTrue, 0); },
                    SimulatedFaults::kCommunicationFault}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kadrelle
