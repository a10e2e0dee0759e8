#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "binding/View.h"
#include "brommet/FaultInjector.h"

namespace kadrelle {

class BrommetValueObject;

// One view of a value object's parameter. The application view shows the value in engineering
// units, the drive view in drive units (see ParameterCatalog for the scales); both give the drive
// limits in drive units. Values written into a view wait for the value object's Commit, and the
// views show them until then. A view reads its value object's state directly, so reading it is
// cheap. A view that outlives its value object fails every call with error 91.
class BrommetView : public View {
 public:
  BrommetView(BrommetValueObject& owner, bool appView) : owner_(&owner), appView_(appView) {}

  double get_NumericValue() override;
  void put_NumericValue(double value) override;
  double get_DriveValue() override;
  void put_DriveValue(double value) override;
  std::string get_TextValue() override;
  void put_TextValue(const std::string& text) override;

  double get_UpperLimit() override;
  double get_LowerLimit() override;
  double get_DriveUpperLimit() override;
  double get_DriveLowerLimit() override;
  Boolean get_LimitsEnabled() override;

  std::string get_NumberFormat() override;
  std::int32_t get_DisplayBase() override;
  std::string get_Description() override;
  std::string get_DriveDescription() override;
  std::string get_Units(std::int32_t& which) override;

  std::shared_ptr<Object> get_Stepper() override;
  void Step(Boolean up, std::int16_t shift) override;

  bool isAppView() const { return appView_; }
  FaultInjector& faults() { return faults_; }
  // Called by the value object as it goes away.
  void detach() { owner_ = nullptr; }

 private:
  BrommetValueObject& owner(std::string_view member);

  BrommetValueObject* owner_;
  bool appView_;
  FaultInjector faults_{"get_NumericValue",    "put_NumericValue",  "get_DriveValue",
                        "put_DriveValue",      "get_TextValue",     "put_TextValue",
                        "get_UpperLimit",      "get_LowerLimit",    "get_DriveUpperLimit",
                        "get_DriveLowerLimit", "get_LimitsEnabled", "get_NumberFormat",
                        "get_DisplayBase",     "get_Description",   "get_DriveDescription",
                        "get_Units",           "get_Stepper",       "Step"};
};

}  // namespace kadrelle
