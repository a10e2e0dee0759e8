#pragma once

#include <cstdint>

#include <memory>
#include <string_view>

#include "binding/LockLevel.h"
#include "platform/Error.h"

#include "brommet/SimulatedFaults.h"

#pragma GCC visibility push(default)  // what this header declares is public API
namespace kadrelle {

// Told of a simulated fault of a lock level it holds, before the fault is thrown, so that it can
// report it: the drive for its session level, a value object for its parameter's level.
class LockFaultListener {
 public:
  virtual void lockLevelFault(const Error& error) = 0;

 protected:
  ~LockFaultListener() = default;
};

// A lock level of the value library: 0 operator, 1 technician, 2 engineer, 3 factory. Raises
// Changed after each write that changes the level (a write of the same level raises nothing).
// A fixed lock level (a parameter's required level, kept by the library) refuses writes from
// outside with error 383; a level outside 0 to 3 is refused with error 380.
class BrommetLockLevel : public LockLevel {
 public:
  static constexpr int kReadOnlyProperty = 383;
  static constexpr std::int32_t kHighest = 3;  // factory

  // `faults`: the simulated faults of the drive the level belongs to, if any.
  explicit BrommetLockLevel(std::int32_t level = 0, bool fixed = false,
                            std::shared_ptr<SimulatedFaults> faults = nullptr)
      : level_(level), fixed_(fixed), faults_(std::move(faults)) {}

  std::int32_t get_Level() override;
  void put_Level(std::int32_t level) override;

  // The library's own write, also for a fixed level.
  void setLevel(std::int32_t level);
  // Who hears of this level's simulated faults; null for no one. It must take itself away
  // before it goes.
  void setFaultListener(LockFaultListener* listener) { listener_ = listener; }
  bool isFixed() const { return fixed_; }

 private:
  std::int32_t level_;
  bool fixed_;
  void simulate(std::string_view member);

  std::shared_ptr<SimulatedFaults> faults_;
  LockFaultListener* listener_ = nullptr;
};

}  // namespace kadrelle
#pragma GCC visibility pop
