#pragma once

#pragma GCC visibility push(default)  // what this header declares is public API
namespace kadrelle {

// Base of every object a Variant can refer to: fonts, value objects, views, lock levels, the
// dispatch object, and the opaque objects that are only passed around or tested for nothing (a
// view's stepper, the value library's link object).
class Object {
 public:
  virtual ~Object() = default;
};

}  // namespace kadrelle
#pragma GCC visibility pop
