#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "platform/SettingsStore.h"

#pragma GCC visibility push(default)  // what this header declares is public API
namespace kadrelle {

// Settings kept in one INI file per application, "<folder>/<application>.ini", where the folder
// is $XDG_CONFIG_HOME, or ~/.config when that is unset. Sections are "[name]" lines and settings
// "key=value" lines; blanks around names and values are ignored, ";" and "#" start comment lines,
// and section and key names compare without regard to case. A missing, unreadable or oversized
// file (over 1 MiB), or a line that is not text, gives the default: a settings file never stops
// a control.
class IniSettingsStore : public SettingsStore {
 public:
  // Files under the user's XDG config folder.
  IniSettingsStore();
  // Files under the given folder (tests, portable installs).
  explicit IniSettingsStore(std::filesystem::path folder);

  std::string GetSetting(const std::string& application, const std::string& section,
                         const std::string& key, const std::string& defaultValue) override;

  const std::filesystem::path& folder() const { return folder_; }
  std::filesystem::path fileFor(const std::string& application) const;

  static constexpr std::uintmax_t kMaxFileSize = 1 << 20;

  // The value of section/key in INI text, if present.
  static std::optional<std::string> lookup(std::string_view text, std::string_view section,
                                           std::string_view key);

 private:
  std::filesystem::path folder_;
};

// The user's config folder: $XDG_CONFIG_HOME, else $HOME/.config, else ".".
std::filesystem::path userConfigFolder();

}  // namespace kadrelle
#pragma GCC visibility pop
