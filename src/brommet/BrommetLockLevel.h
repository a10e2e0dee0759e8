#pragma once

#include <cstdint>

#include <memory>
#include "binding/LockLevel.h"

#include "brommet/SimulatedFaults.h"

#pragma GCC visibility push(default)  // what this header declares is public API
namespace kadrelle {

// A lock level of the value library: 0 operator, 1 technician, 2 engineer, 3 factory. Raises
// Changed after each write that changes the level (a write of the same level raises nothing).
// A fixed lock level (a parameter's required level, kept by the library) refuses writes from
// outside with error 383.
class BrommetLockLevel : public LockLevel {
 public:
  static constexpr int kReadOnlyProperty = 383;

  // `faults`: the simulated faults of the drive the level belongs to, if any.
  explicit BrommetLockLevel(std::int32_t level = 0, bool fixed = false,
                            std::shared_ptr<SimulatedFaults> faults = nullptr)
      : level_(level), fixed_(fixed), faults_(std::move(faults)) {}

  std::int32_t get_Level() override;
  void put_Level(std::int32_t level) override;

  // The library's own write, also for a fixed level.
  void setLevel(std::int32_t level);
  bool isFixed() const { return fixed_; }

 private:
  std::int32_t level_;
  bool fixed_;
  std::shared_ptr<SimulatedFaults> faults_;
};

}  // namespace kadrelle
#pragma GCC visibility pop
