#pragma once

namespace kadrelle {

// Base of the opaque objects that are only passed around or tested for nothing (a view's
// stepper, the value library's link object).
class Object {
 public:
  virtual ~Object() = default;
};

}  // namespace kadrelle
