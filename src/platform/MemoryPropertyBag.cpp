#include "platform/MemoryPropertyBag.h"

#include <algorithm>

namespace kadrelle {

const Variant* MemoryPropertyBag::find(const std::string& name) const {
  auto it = std::find_if(entries_.begin(), entries_.end(),
                         [&](const Entry& e) { return e.first == name; });
  return it == entries_.end() ? nullptr : &it->second;
}

void MemoryPropertyBag::set(const std::string& name, Variant value) {
  auto it = std::find_if(entries_.begin(), entries_.end(),
                         [&](const Entry& e) { return e.first == name; });
  if (it != entries_.end()) {
    it->second = std::move(value);
  } else {
    entries_.emplace_back(name, std::move(value));
  }
}

Variant MemoryPropertyBag::ReadProperty(const std::string& name, const Variant& defaultValue) {
  const Variant* v = find(name);
  return v ? *v : defaultValue;
}

void MemoryPropertyBag::WriteProperty(const std::string& name, const Variant& value,
                                      const Variant&) {
  set(name, value);
}

}  // namespace kadrelle
