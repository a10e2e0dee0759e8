#pragma once

#include <string>

#include "platform/Variant.h"

#pragma GCC visibility push(default)  // what this header declares is public API
namespace kadrelle {

// The host's store of a control's design-time settings. ReadProperty returns the stored value,
// or the default when the key is absent; WriteProperty stores a value and is told its default.
// Any member may fail by throwing Error (any other std::exception counts as error 5).
class PropertyBag {
 public:
  virtual ~PropertyBag() = default;
  virtual Variant ReadProperty(const std::string& name, const Variant& defaultValue) = 0;
  virtual void WriteProperty(const std::string& name, const Variant& value,
                             const Variant& defaultValue) = 0;
};

}  // namespace kadrelle
#pragma GCC visibility pop
