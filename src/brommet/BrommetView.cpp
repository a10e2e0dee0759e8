#include "brommet/BrommetView.h"

#include "brommet/BrommetValueObject.h"
#include "brommet/ValueText.h"
#include "platform/Error.h"

namespace kadrelle {

namespace {

// The stepper a steppable view hands out; it is only ever tested for nothing.
class Stepper : public Object {};

const std::shared_ptr<Object>& stepper() {
  static const std::shared_ptr<Object> kStepper = std::make_shared<Stepper>();
  return kStepper;
}

}  // namespace

inline BrommetValueObject& BrommetView::owner(std::string_view member, bool reachesDrive) {
  if (!owner_) throw Error(Error::kObjectNotSet, "The value object of this view no longer exists");
  owner_->simulate(member, reachesDrive);
  return *owner_;
}

inline BrommetValueObject& BrommetView::reader(std::string_view member) {
  return owner(member, owner_ && !owner_->hasPending());
}

double BrommetView::get_NumericValue() {
  auto& o = reader("get_NumericValue");
  return o.info_ && appView_ ? o.driveValue() * o.info_->scale : o.driveValue();
}

void BrommetView::put_NumericValue(double value) {
  owner("put_NumericValue").setPendingNumber(value, appView_);
}

double BrommetView::get_DriveValue() {
  return reader("get_DriveValue").driveValue();
}

void BrommetView::put_DriveValue(double value) {
  owner("put_DriveValue").setPendingNumber(value, false);
}

std::string BrommetView::get_TextValue() {
  auto& o = reader("get_TextValue");
  if (!o.info_) return std::string();
  if (o.info_->text) return o.textValue();
  if (o.pending_ && o.pending_->notANumber) return o.pending_->text;
  const double value = appView_ ? o.driveValue() * o.info_->scale : o.driveValue();
  // Compiled again only when the parameter's format differs from the last one.
  const std::string_view format = appView_ ? o.info_->appFormat : o.info_->driveFormat;
  if (format != textFormat_.source()) textFormat_ = NumberFormat(format);
  return ValueText::format(value, textFormat_, o.info_->displayBase);
}

void BrommetView::put_TextValue(const std::string& text) {
  owner("put_TextValue").setPendingText(text, appView_);
}

double BrommetView::get_UpperLimit() {
  auto& o = owner("get_UpperLimit");
  return !o.info_ ? 0 : appView_ ? o.info_->appUpper : o.info_->driveUpper;
}

double BrommetView::get_LowerLimit() {
  auto& o = owner("get_LowerLimit");
  return !o.info_ ? 0 : appView_ ? o.info_->appLower : o.info_->driveLower;
}

double BrommetView::get_DriveUpperLimit() {
  auto& o = owner("get_DriveUpperLimit");
  return o.info_ ? o.info_->driveUpper : 0;
}

double BrommetView::get_DriveLowerLimit() {
  auto& o = owner("get_DriveLowerLimit");
  return o.info_ ? o.info_->driveLower : 0;
}

Boolean BrommetView::get_LimitsEnabled() {
  auto& o = owner("get_LimitsEnabled");
  return Boolean(o.info_ && !o.info_->text && o.info_->limitsEnabled);
}

std::string BrommetView::get_NumberFormat() {
  auto& o = owner("get_NumberFormat");
  if (!o.info_) return std::string();
  return std::string(appView_ ? o.info_->appFormat : o.info_->driveFormat);
}

std::int32_t BrommetView::get_DisplayBase() {
  auto& o = owner("get_DisplayBase");
  return o.info_ ? o.info_->displayBase : 0;
}

std::string BrommetView::get_Description() {
  auto& o = owner("get_Description");
  if (!o.info_) return o.unknownDescription();
  return appView_ ? o.drive_->withAxis(o.info_->description) : std::string(o.info_->description);
}

std::string BrommetView::get_DriveDescription() {
  auto& o = owner("get_DriveDescription");
  return o.info_ ? o.drive_->withAxis(o.info_->driveDescription) : o.unknownDescription();
}

std::string BrommetView::get_Units(std::int32_t& /*which*/) {
  auto& o = owner("get_Units");
  if (!o.info_) return std::string();
  return std::string(appView_ ? o.info_->appUnits : o.info_->driveUnits);
}

std::shared_ptr<Object> BrommetView::get_Stepper() {
  auto& o = owner("get_Stepper");
  const bool steppable = o.info_ && !o.info_->text && !o.info_->readOnly && o.info_->step > 0;
  return steppable ? stepper() : nullptr;
}

void BrommetView::Step(Boolean up, std::int16_t shift) {
  owner("Step", true).step(appView_, static_cast<bool>(up), shift);
}

}  // namespace kadrelle
