#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <map>

#include "brommet/BrommetLibrary.h"

namespace kadrelle {
namespace {

// Calls one member of a value object, its application view or a lock level.
using Call = std::function<void(BrommetValueObject&, BrommetLockLevel&)>;

const std::map<std::string_view, Call>& valueObjectCalls() {
  static const std::map<std::string_view, Call> calls = {
      {"get_AppView", [](auto& o, auto&) { o.get_AppView(); }},
      {"get_DriveView", [](auto& o, auto&) { o.get_DriveView(); }},
      {"get_ReadOnly", [](auto& o, auto&) { o.get_ReadOnly(); }},
      {"get_Key", [](auto& o, auto&) { o.get_Key(); }},
      {"put_ParameterNumber", [](auto& o, auto&) { o.put_ParameterNumber(param::SpeedLimit); }},
      {"Commit", [](auto& o, auto&) { o.Commit(); }},
      {"get_AppLock", [](auto& o, auto&) { o.get_AppLock(); }},
      {"putref_AppLock", [](auto& o, auto&) { o.putref_AppLock(o.driveRef()->appLock()); }},
      {"get_RequiredLock", [](auto& o, auto&) { o.get_RequiredLock(); }},
      {"putref_Link", [](auto& o, auto&) { o.putref_Link(nullptr); }},
      {"get_IsText", [](auto& o, auto&) { o.get_IsText(); }},
  };
  return calls;
}

const std::map<std::string_view, Call>& viewCalls() {
  static std::int32_t which = 0;
  static const std::map<std::string_view, Call> calls = {
      {"get_NumericValue", [](auto& o, auto&) { o.appView()->get_NumericValue(); }},
      {"put_NumericValue", [](auto& o, auto&) { o.appView()->put_NumericValue(100); }},
      {"get_DriveValue", [](auto& o, auto&) { o.appView()->get_DriveValue(); }},
      {"put_DriveValue", [](auto& o, auto&) { o.appView()->put_DriveValue(100); }},
      {"get_TextValue", [](auto& o, auto&) { o.appView()->get_TextValue(); }},
      {"put_TextValue", [](auto& o, auto&) { o.appView()->put_TextValue("100"); }},
      {"get_UpperLimit", [](auto& o, auto&) { o.appView()->get_UpperLimit(); }},
      {"get_LowerLimit", [](auto& o, auto&) { o.appView()->get_LowerLimit(); }},
      {"get_DriveUpperLimit", [](auto& o, auto&) { o.appView()->get_DriveUpperLimit(); }},
      {"get_DriveLowerLimit", [](auto& o, auto&) { o.appView()->get_DriveLowerLimit(); }},
      {"get_LimitsEnabled", [](auto& o, auto&) { o.appView()->get_LimitsEnabled(); }},
      {"get_NumberFormat", [](auto& o, auto&) { o.appView()->get_NumberFormat(); }},
      {"get_DisplayBase", [](auto& o, auto&) { o.appView()->get_DisplayBase(); }},
      {"get_Description", [](auto& o, auto&) { o.appView()->get_Description(); }},
      {"get_DriveDescription", [](auto& o, auto&) { o.appView()->get_DriveDescription(); }},
      {"get_Units", [](auto& o, auto&) { o.appView()->get_Units(which); }},
      {"get_Stepper", [](auto& o, auto&) { o.appView()->get_Stepper(); }},
      {"Step", [](auto& o, auto&) { o.appView()->Step(kTrue, 0); }},
  };
  return calls;
}

const std::map<std::string_view, Call>& lockCalls() {
  static const std::map<std::string_view, Call> calls = {
      {"get_Level", [](auto&, auto& l) { l.get_Level(); }},
      {"put_Level", [](auto&, auto& l) { l.put_Level(1); }},
  };
  return calls;
}

enum class Target { ValueObject, View, Lock };

struct Member {
  Target target;
  std::string_view name;
};

std::vector<Member> everyMember() {
  std::vector<Member> all;
  for (const auto& [name, call] : valueObjectCalls()) all.push_back({Target::ValueObject, name});
  for (const auto& [name, call] : viewCalls()) all.push_back({Target::View, name});
  for (const auto& [name, call] : lockCalls()) all.push_back({Target::Lock, name});
  return all;
}

class InjectedFault : public ::testing::TestWithParam<Member> {
 protected:
  InjectedFault() {
    library.drive().appLock()->put_Level(3);
    object = library.makeValueObject(param::SpeedLimit);
  }
  FaultInjector& injector() {
    switch (GetParam().target) {
      case Target::ValueObject:
        return object->faults();
      case Target::View:
        return object->appView()->faults();
      case Target::Lock:
        return lock.faults();
    }
    throw Error::invalidCall();
  }
  void call() {
    const auto& table = GetParam().target == Target::ValueObject ? valueObjectCalls()
                        : GetParam().target == Target::View      ? viewCalls()
                                                                 : lockCalls();
    table.at(GetParam().name)(*object, lock);
  }
  BrommetLibrary library;
  std::shared_ptr<BrommetValueObject> object;
  BrommetLockLevel lock;
};

TEST_P(InjectedFault, FailsTheNextCallOnly) {
  injector().failNext(GetParam().name);
  EXPECT_TRUE(injector().isArmed(GetParam().name));
  try {
    call();
    FAIL() << "no error from " << GetParam().name;
  } catch (const Error& e) {
    EXPECT_EQ(e.number(), FaultInjector::kInjectedFault);
    EXPECT_NE(e.description().find(GetParam().name), std::string::npos);
  }
  EXPECT_FALSE(injector().isArmed(GetParam().name));
  EXPECT_NO_THROW(call());
}

TEST_P(InjectedFault, CarriesTheGivenErrorAndLeavesOtherMembersAlone) {
  injector().failNext(GetParam().name, Error(Error::kOverflow, "boom"));
  for (const auto& other : injector().members()) {
    if (other == GetParam().name) continue;
    EXPECT_FALSE(injector().isArmed(other));
  }
  try {
    call();
    FAIL() << "no error from " << GetParam().name;
  } catch (const Error& e) {
    EXPECT_EQ(e.number(), Error::kOverflow);
    EXPECT_EQ(e.description(), "boom");
  }
}

std::string memberName(const ::testing::TestParamInfo<Member>& info) {
  static const std::array<const char*, 3> kPrefix = {"ValueObject_", "View_", "Lock_"};
  return kPrefix[static_cast<std::size_t>(info.param.target)] + std::string(info.param.name);
}

INSTANTIATE_TEST_SUITE_P(EveryMember, InjectedFault, ::testing::ValuesIn(everyMember()),
                         memberName);

TEST(FaultInjector, ListsExactlyTheMembersTheTablesCall) {
  BrommetLibrary library;
  auto object = library.makeValueObject();
  BrommetLockLevel lock;
  EXPECT_EQ(object->faults().members().size(), valueObjectCalls().size());
  EXPECT_EQ(object->appView()->faults().members().size(), viewCalls().size());
  EXPECT_EQ(lock.faults().members().size(), lockCalls().size());
}

TEST(FaultInjector, RefusesNamesThatAreNoMember) {
  BrommetLockLevel lock;
  EXPECT_THROW(lock.faults().failNext("get_Levle"), Error);
  EXPECT_NO_THROW(lock.get_Level());
}

TEST(FaultInjector, ClearDisarms) {
  BrommetLockLevel lock;
  lock.faults().failNext("get_Level");
  lock.faults().clear();
  EXPECT_NO_THROW(lock.get_Level());
}

TEST(FaultInjector, FailedWriteChangesNothing) {
  BrommetLibrary library;
  library.drive().appLock()->put_Level(3);
  auto object = library.makeValueObject(param::SpeedLimit);
  object->appView()->put_NumericValue(1000);
  object->faults().failNext("Commit");
  EXPECT_THROW(object->Commit(), Error);
  EXPECT_DOUBLE_EQ(object->appView()->get_NumericValue(), 1000);  // still waiting
  EXPECT_DOUBLE_EQ(library.drive().value(param::SpeedLimit), 6553600);
  object->Commit();
  EXPECT_NEAR(library.drive().value(param::SpeedLimit) * ParameterCatalog::kRpmPerCountsPerSecond,
              1000, 1e-3);
}

}  // namespace
}  // namespace kadrelle
