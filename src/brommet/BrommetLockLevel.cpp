#include "brommet/BrommetLockLevel.h"

#include "platform/Error.h"

namespace kadrelle {

std::int32_t BrommetLockLevel::get_Level() {
  if (faults_) faults_->check("get_Level");
  return level_;
}

void BrommetLockLevel::put_Level(std::int32_t level) {
  if (faults_) faults_->check("put_Level");
  if (fixed_)
    throw Error(kReadOnlyProperty,
                "Set not supported (read-only property): the level a "
                "parameter requires is set by the drive");
  setLevel(level);
}

void BrommetLockLevel::setLevel(std::int32_t level) {
  if (level == level_) return;
  level_ = level;
  Changed.raise();
}

}  // namespace kadrelle
