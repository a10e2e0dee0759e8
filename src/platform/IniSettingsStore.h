#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "platform/SettingsStore.h"
#include "platform/UserFolders.h"

#pragma GCC visibility push(default)  // what this header declares is public API
namespace kadrelle {

// Settings kept in one INI file per application, "<folder>/<application>.ini", where the folder
// is the user's config folder (platform/UserFolders.h). Sections are "[name]" lines and settings
// "key=value" lines; blanks around names and values are ignored, ";" and "#" start comment lines,
// and section and key names compare without regard to case. A missing, unreadable or oversized
// file (over 1 MiB), or a line that is not text, gives the default: a settings file never stops
// a control.
//
// SaveSetting writes one setting back, changing only the line that holds it (or adding one to
// the section, or the section at the end), so a byte-order mark, CRLF line ends, comments and
// every other setting stay as they were; sections and keys match exactly as the reader matches
// them. The file is changed under its lock and replaced atomically (platform/FileIo.h).
class IniSettingsStore : public SettingsStore {
 public:
  // Files under the user's XDG config folder.
  IniSettingsStore();
  // Files under the given folder (tests, portable installs).
  explicit IniSettingsStore(std::filesystem::path folder);

  std::string GetSetting(const std::string& application, const std::string& section,
                         const std::string& key, const std::string& defaultValue) override;

  // Writes the setting; the folder and the file are made when missing. A value or name that
  // holds a line break, a name that holds "=" or starts a comment or section, or a file the
  // reader would not read (not text, too large) is error 5 naming the file; file errors are
  // those of updateFileAtomically.
  void SaveSetting(const std::string& application, const std::string& section,
                   const std::string& key, const std::string& value);

  const std::filesystem::path& folder() const { return folder_; }
  std::filesystem::path fileFor(const std::string& application) const;

  static constexpr std::uintmax_t kMaxFileSize = 1 << 20;

  // The value of section/key in INI text, if present.
  static std::optional<std::string> lookup(std::string_view text, std::string_view section,
                                           std::string_view key);
  // INI text with section/key set to the value, as SaveSetting writes it (names and value
  // already checked).
  static std::string withSetting(std::string_view text, std::string_view section,
                                 std::string_view key, std::string_view value);

 private:
  std::filesystem::path folder_;
};

}  // namespace kadrelle
#pragma GCC visibility pop
