#pragma once

#include <cstdint>
#include <memory>

#include "platform/Event.h"
#include "platform/Object.h"

#pragma GCC visibility push(default)  // what this header declares is public API
namespace kadrelle {

// A lock level of the value library: the level an application holds, or the level a parameter
// requires. Raises Changed after its level changes.
// Any member may fail by throwing Error (any other std::exception counts as error 5).
class LockLevel : public Object {
 public:
  virtual std::int32_t get_Level() = 0;
  virtual void put_Level(std::int32_t level) = 0;

  Event<> Changed;
};

using LockLevelRef = std::shared_ptr<LockLevel>;

}  // namespace kadrelle
#pragma GCC visibility pop
