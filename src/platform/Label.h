#pragma once

#include <string>

#include "platform/ChildControl.h"

#pragma GCC visibility push(default)  // what this header declares is public API
namespace kadrelle {

// A plain label that sizes itself to its caption (one line per line break, no wrapping), in the
// font of the surface it sits on.
class Label : public ChildControl {
 public:
  virtual std::string get_Caption() const = 0;
  virtual void put_Caption(const std::string& caption) = 0;
};

}  // namespace kadrelle
#pragma GCC visibility pop
