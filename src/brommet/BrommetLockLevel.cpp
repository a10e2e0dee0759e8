#include "brommet/BrommetLockLevel.h"

#include <string>

#include "platform/Error.h"

namespace kadrelle {

void BrommetLockLevel::simulate(std::string_view member) {
  if (!faults_ || !faults_->planned()) return;
  try {
    faults_->check(member);
  } catch (const Error& e) {
    // Read once: reporting may end the holder, which then takes itself away.
    if (LockFaultListener* listener = listener_) listener->lockLevelFault(e);
    throw;
  }
}

std::int32_t BrommetLockLevel::get_Level() {
  simulate("get_Level");
  return level_;
}

void BrommetLockLevel::put_Level(std::int32_t level) {
  simulate("put_Level");
  if (fixed_)
    throw Error(kReadOnlyProperty,
                "Set not supported (read-only property): the level a "
                "parameter requires is set by the drive");
  if (level < 0 || level > kHighest)
    throw Error(Error::kInvalidPropertyValue, "Invalid property value: lock level " +
                                                  std::to_string(level) +
                                                  " is not one of 0 (operator) to 3 (factory)");
  setLevel(level);
}

void BrommetLockLevel::setLevel(std::int32_t level) {
  if (level == level_) return;
  level_ = level;
  Changed.raise();
}

}  // namespace kadrelle
