#pragma once

#include <cstdint>

#include "binding/LockLevel.h"
#include "brommet/FaultInjector.h"

namespace kadrelle {

// A lock level of the value library: 0 operator, 1 technician, 2 engineer, 3 factory. Raises
// Changed after each write that changes the level (a write of the same level raises nothing).
// A fixed lock level (a parameter's required level, kept by the library) refuses writes from
// outside with error 383.
class BrommetLockLevel : public LockLevel {
 public:
  static constexpr int kReadOnlyProperty = 383;

  explicit BrommetLockLevel(std::int32_t level = 0, bool fixed = false)
      : level_(level), fixed_(fixed) {}

  std::int32_t get_Level() override;
  void put_Level(std::int32_t level) override;

  // The library's own write, also for a fixed level.
  void setLevel(std::int32_t level);
  bool isFixed() const { return fixed_; }

  FaultInjector& faults() { return faults_; }

 private:
  std::int32_t level_;
  bool fixed_;
  FaultInjector faults_{"get_Level", "put_Level"};
};

}  // namespace kadrelle
