#include "brommet/BrommetLibrary.h"

#include "platform/Error.h"

namespace kadrelle {

BrommetLibrary::BrommetLibrary() : drive_(std::make_shared<ServoDrive>()) {}

BrommetLibrary::BrommetLibrary(std::shared_ptr<ServoDrive> drive) : drive_(std::move(drive)) {
  if (!drive_) throw Error::objectNotSet();
}

ValueObjectRef BrommetLibrary::createValueObject() {
  drive_->faults()->check("createValueObject");
  return makeValueObject();
}

LockLevelRef BrommetLibrary::createLockLevel() {
  drive_->faults()->check("createLockLevel");
  return std::make_shared<BrommetLockLevel>(0, false, drive_->faults());
}

ValueObjectRef BrommetLibrary::sharedValueObject() {
  drive_->faults()->check("sharedValueObject");
  return sharedInstance();
}

std::shared_ptr<BrommetValueObject> BrommetLibrary::makeValueObject(ParameterNumbers number) {
  auto object = std::make_shared<BrommetValueObject>(drive_);
  if (number != 0) object->put_ParameterNumber(number);
  return object;
}

const std::shared_ptr<BrommetValueObject>& BrommetLibrary::sharedInstance() {
  if (!shared_) shared_ = std::make_shared<BrommetValueObject>(drive_);
  return shared_;
}

}  // namespace kadrelle
