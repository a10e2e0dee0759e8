#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "brommet/ParameterView.h"

#pragma GCC visibility push(default)  // what this header declares is public API
namespace kadrelle {

class BrommetValueObject;

// One view of a value object's parameter. The application view shows the value in engineering
// units, the drive view in drive units (see ParameterCatalog for the scales); both give the drive
// limits in drive units. Values written into a view wait for the value object's Commit, and the
// views show them until then. A view reads its value object's state directly, so reading it is
// cheap. A view that outlives its value object fails every call with error 91.
//
// Descriptions: the application view's Description and both views' DriveDescription name the
// drive's axis ("Axis 1 Speed Limit"); the drive view's Description is the catalog's own text,
// with the axis marker "@*@" where a multi-axis drive puts the axis ("@*@Speed Limit").
class BrommetView : public ParameterView {
 public:
  BrommetView(BrommetValueObject& owner, bool appView) : ParameterView(appView), owner_(&owner) {}

  double get_NumericValue() override;
  void put_NumericValue(double value) override;
  double get_DriveValue() override;
  void put_DriveValue(double value) override;
  std::string get_TextValue() override;
  void put_TextValue(const std::string& text) override;

  std::string get_Description() override;
  std::string get_DriveDescription() override;

  std::shared_ptr<Object> get_Stepper() override;
  void Step(Boolean up, std::int16_t shift) override;

  // Called by the value object as it goes away.
  void detach() { owner_ = nullptr; }

 private:
  const ParameterInfo* parameter(std::string_view member) override;
  // The value object, after the drive's simulated fault for the member, if any. Inline, defined
  // beside the members that use them.
  inline BrommetValueObject& owner(std::string_view member, bool reachesDrive = false);
  // The same for a read of the value, which reaches the drive unless a value waits for Commit.
  inline BrommetValueObject& reader(std::string_view member);

  BrommetValueObject* owner_;
};

}  // namespace kadrelle
#pragma GCC visibility pop
