#include "brommet/BrommetView.h"

#include "brommet/BrommetValueObject.h"
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

const ParameterInfo* BrommetView::parameter(std::string_view member) {
  return owner(member).info_;
}

double BrommetView::get_NumericValue() {
  auto& o = reader("get_NumericValue");
  return o.info_ ? viewed(*o.info_, o.driveValue()) : o.driveValue();
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
  return formatted(*o.info_, o.driveValue());
}

void BrommetView::put_TextValue(const std::string& text) {
  owner("put_TextValue").setPendingText(text, appView_);
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

std::shared_ptr<Object> BrommetView::get_Stepper() {
  auto& o = owner("get_Stepper");
  const bool steppable = o.info_ && !o.info_->text && !o.info_->readOnly && o.info_->step > 0;
  return steppable ? stepper() : nullptr;
}

void BrommetView::Step(Boolean up, std::int16_t shift) {
  owner("Step", true).step(appView_, static_cast<bool>(up), shift);
}

}  // namespace kadrelle
