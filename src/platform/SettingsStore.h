#pragma once

#include <string>

#pragma GCC visibility push(default)  // what this header declares is public API
namespace kadrelle {

// The per-user store of named string settings.
// Any member may fail by throwing Error (any other std::exception counts as error 5).
class SettingsStore {
 public:
  virtual ~SettingsStore() = default;
  // The stored text, or defaultValue when there is none or the store cannot be read.
  virtual std::string GetSetting(const std::string& application, const std::string& section,
                                 const std::string& key, const std::string& defaultValue) = 0;
};

}  // namespace kadrelle
#pragma GCC visibility pop
