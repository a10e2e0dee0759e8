#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "ThrowsError.h"
#include "brommet/BrommetLibrary.h"

namespace kadrelle {
namespace {

using ::testing::HasSubstr;

enum Target { kObject, kView, kLock };

// One member of a value object, its application view or a lock level, and a call of it.
struct Member {
  Target target;
  const char* name;
  std::function<void(BrommetValueObject&, BrommetView&, BrommetLockLevel&)> call;
};

const std::vector<Member>& everyMember() {
  static std::int32_t which = 0;
  static const std::vector<Member> members = {
      {kObject, "get_AppView", [](auto& o, auto&, auto&) { o.get_AppView(); }},
      {kObject, "get_DriveView", [](auto& o, auto&, auto&) { o.get_DriveView(); }},
      {kObject, "get_ReadOnly", [](auto& o, auto&, auto&) { o.get_ReadOnly(); }},
      {kObject, "get_Key", [](auto& o, auto&, auto&) { o.get_Key(); }},
      {kObject, "put_ParameterNumber",
       [](auto& o, auto&, auto&) { o.put_ParameterNumber(param::SpeedLimit); }},
      {kObject, "Commit", [](auto& o, auto&, auto&) { o.Commit(); }},
      {kObject, "get_AppLock", [](auto& o, auto&, auto&) { o.get_AppLock(); }},
      {kObject, "putref_AppLock",
       [](auto& o, auto&, auto&) { o.putref_AppLock(o.driveRef()->appLock()); }},
      {kObject, "get_RequiredLock", [](auto& o, auto&, auto&) { o.get_RequiredLock(); }},
      {kObject, "putref_Link", [](auto& o, auto&, auto&) { o.putref_Link(nullptr); }},
      {kObject, "get_IsText", [](auto& o, auto&, auto&) { o.get_IsText(); }},
      {kView, "get_NumericValue", [](auto&, auto& v, auto&) { v.get_NumericValue(); }},
      {kView, "put_NumericValue", [](auto&, auto& v, auto&) { v.put_NumericValue(100); }},
      {kView, "get_DriveValue", [](auto&, auto& v, auto&) { v.get_DriveValue(); }},
      {kView, "put_DriveValue", [](auto&, auto& v, auto&) { v.put_DriveValue(100); }},
      {kView, "get_TextValue", [](auto&, auto& v, auto&) { v.get_TextValue(); }},
      {kView, "put_TextValue", [](auto&, auto& v, auto&) { v.put_TextValue("100"); }},
      {kView, "get_UpperLimit", [](auto&, auto& v, auto&) { v.get_UpperLimit(); }},
      {kView, "get_LowerLimit", [](auto&, auto& v, auto&) { v.get_LowerLimit(); }},
      {kView, "get_DriveUpperLimit", [](auto&, auto& v, auto&) { v.get_DriveUpperLimit(); }},
      {kView, "get_DriveLowerLimit", [](auto&, auto& v, auto&) { v.get_DriveLowerLimit(); }},
      {kView, "get_LimitsEnabled", [](auto&, auto& v, auto&) { v.get_LimitsEnabled(); }},
      {kView, "get_NumberFormat", [](auto&, auto& v, auto&) { v.get_NumberFormat(); }},
      {kView, "get_DisplayBase", [](auto&, auto& v, auto&) { v.get_DisplayBase(); }},
      {kView, "get_Description", [](auto&, auto& v, auto&) { v.get_Description(); }},
      {kView, "get_DriveDescription", [](auto&, auto& v, auto&) { v.get_DriveDescription(); }},
      {kView, "get_Units", [](auto&, auto& v, auto&) { v.get_Units(which); }},
      {kView, "get_Stepper", [](auto&, auto& v, auto&) { v.get_Stepper(); }},
      {kView, "Step", [](auto&, auto& v, auto&) { v.Step(kTrue, 0); }},
      {kLock, "get_Level", [](auto&, auto&, auto& l) { l.get_Level(); }},
      {kLock, "put_Level", [](auto&, auto&, auto& l) { l.put_Level(1); }},
  };
  return members;
}

class FaultInjection : public ::testing::Test {
 protected:
  FaultInjection() { library.drive().appLock()->put_Level(3); }
  FaultInjector& injector(Target target) {
    return target == kObject ? object->faults() : target == kView ? view.faults() : lock.faults();
  }
  BrommetLibrary library;
  std::shared_ptr<BrommetValueObject> object = library.makeValueObject(param::SpeedLimit);
  BrommetView& view = *object->appView();
  BrommetLockLevel lock;
};

TEST_F(FaultInjection, EveryMemberFailsItsNextCallOnly) {
  std::size_t counts[3] = {};
  for (const Member& m : everyMember()) {
    SCOPED_TRACE(m.name);
    ++counts[m.target];
    auto call = [&] { m.call(*object, view, lock); };
    injector(m.target).failNext(m.name);
    EXPECT_TRUE(injector(m.target).isArmed(m.name));
    EXPECT_THAT(call, throwsError(FaultInjector::kInjectedFault, HasSubstr(m.name)));
    EXPECT_FALSE(injector(m.target).isArmed(m.name));
    EXPECT_NO_THROW(call());
  }
  // The table above calls every member the injectors know.
  for (Target t : {kObject, kView, kLock}) EXPECT_EQ(injector(t).members().size(), counts[t]);
}

TEST_F(FaultInjection, CarriesTheGivenErrorAndArmsOnlyThatMember) {
  view.faults().failNext("get_Units", Error(Error::kOverflow, "boom"));
  for (const auto& other : view.faults().members())
    EXPECT_EQ(view.faults().isArmed(other), other == "get_Units") << other;
  std::int32_t which = 0;
  EXPECT_THAT([&] { view.get_Units(which); }, throwsError(Error::kOverflow, "boom"));
}

TEST_F(FaultInjection, RefusesNamesThatAreNoMemberAndClearDisarms) {
  EXPECT_THAT([&] { lock.faults().failNext("get_Levle"); }, throwsError(Error::kInvalidCall));
  EXPECT_NO_THROW(lock.get_Level());
  lock.faults().failNext("get_Level");
  lock.faults().clear();
  EXPECT_NO_THROW(lock.get_Level());
}

TEST_F(FaultInjection, FailedCommitKeepsTheWriteWaiting) {
  view.put_NumericValue(1000);
  object->faults().failNext("Commit");
  EXPECT_THROW(object->Commit(), Error);
  EXPECT_DOUBLE_EQ(view.get_NumericValue(), 1000);
  EXPECT_DOUBLE_EQ(library.drive().value(param::SpeedLimit), 6553600);
  object->Commit();
  EXPECT_NEAR(library.drive().value(param::SpeedLimit) * ParameterCatalog::kRpmPerCountsPerSecond,
              1000, 1e-3);
}

}  // namespace
}  // namespace kadrelle
