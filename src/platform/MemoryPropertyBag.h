#pragma once

#include <string>
#include <utility>
#include <vector>

#include "platform/PropertyBag.h"

#pragma GCC visibility push(default)  // what this header declares is public API
namespace kadrelle {

// A property bag in memory. Keys keep the order in which they were first written and values
// keep their types. Every written value is kept, including values equal to their default.
class MemoryPropertyBag : public PropertyBag {
 public:
  using Entry = std::pair<std::string, Variant>;

  Variant ReadProperty(const std::string& name, const Variant& defaultValue) override;
  void WriteProperty(const std::string& name, const Variant& value,
                     const Variant& defaultValue) override;

  const std::vector<Entry>& entries() const { return entries_; }
  // The stored value, or nullptr when the key is absent.
  const Variant* find(const std::string& name) const;
  void set(const std::string& name, Variant value);
  void clear() { entries_.clear(); }

 private:
  std::vector<Entry> entries_;
};

}  // namespace kadrelle
#pragma GCC visibility pop
