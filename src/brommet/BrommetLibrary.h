#pragma once

#include <memory>

#include "binding/ValueObject.h"
#include "brommet/BrommetValueObject.h"
#include "brommet/ServoDrive.h"

#pragma GCC visibility push(default)  // what this header declares is public API
namespace kadrelle {

// The value library the control binds to: makes value objects of one simulated drive and
// lock-level objects, and keeps the shared value-object instance.
//
//   auto drive = std::make_shared<ServoDrive>();
//   BrommetLibrary library(drive);            // or BrommetLibrary library; for a drive of its own
//   ValueObjectRef speed = library.createValueObject();
//   speed->put_ParameterNumber(param::SpeedLimit);
class BrommetLibrary : public ValueLibrary {
 public:
  // A library with a drive of its own.
  BrommetLibrary();
  // A library for a given drive (shared with the host); a null drive is error 91.
  explicit BrommetLibrary(std::shared_ptr<ServoDrive> drive);

  ValueObjectRef createValueObject() override;
  // A new lock level at level 0 (operator).
  LockLevelRef createLockLevel() override;
  ValueObjectRef sharedValueObject() override;

  // The same objects with their concrete type, for hosts and tests.
  std::shared_ptr<BrommetValueObject> makeValueObject(ParameterNumbers number = 0);
  const std::shared_ptr<BrommetValueObject>& sharedInstance();

  ServoDrive& drive() const { return *drive_; }
  const std::shared_ptr<ServoDrive>& driveRef() const { return drive_; }

 private:
  std::shared_ptr<ServoDrive> drive_;
  std::shared_ptr<BrommetValueObject> shared_;
};

}  // namespace kadrelle
#pragma GCC visibility pop
