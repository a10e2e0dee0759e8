#pragma once

#include <string>

#include "platform/StdFont.h"

#pragma GCC visibility push(default)  // what this header declares is public API
namespace kadrelle {

// What the host container offers one control instance.
// Any member may fail by throwing Error (any other std::exception counts as error 5).
class Container {
 public:
  virtual ~Container() = default;
  // The control tells the host, by the property's name, that a design-time setting changed.
  virtual void PropertyChanged(const std::string& name) = 0;
  // The container's font; a host may hand out a new object on every request.
  virtual FontRef AmbientFont() = 0;
  // The name the host knows this instance by ("Kadrelle1").
  virtual std::string AmbientDisplayName() = 0;
};

}  // namespace kadrelle
#pragma GCC visibility pop
