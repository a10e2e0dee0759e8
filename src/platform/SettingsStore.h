#pragma once

#include <string>

namespace kadrelle {

// The per-user store of named string settings.
class SettingsStore {
 public:
  virtual ~SettingsStore() = default;
  // The stored text, or defaultValue when there is none or the store cannot be read.
  virtual std::string GetSetting(const std::string& application, const std::string& section,
                                 const std::string& key, const std::string& defaultValue) = 0;
};

}  // namespace kadrelle
