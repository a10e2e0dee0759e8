#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "platform/IniSettingsStore.h"

#pragma GCC visibility push(default)  // what this header declares is public API
namespace kadrelle {

// Where a drive-configuration program keeps what outlives it, each by the one folder rule of
// platform/UserFolders.h.
struct UserFiles {
  // <data folder>/kadrelle/drive.json: the simulated drive's stored parameters. A simulated
  // drive of the user's own description keeps them apart, in
  // <data folder>/kadrelle/drives/<description's name>-<8 hex digits of its full path>.json.
  static std::filesystem::path driveFile(const std::filesystem::path& description = {});
  // <data folder>/kadrelle/form.json: the built-in page as changed in design mode.
  static std::filesystem::path formFile();
  // <config folder>/Kadrelle.ini: the trace mask and the lock level.
  static std::filesystem::path settingsFile();
};

// The user's settings as the programs read and write them: the store the controls read (the
// trace mask from application "Kadrelle", section "1", key "Debug"), with the mask optionally
// given for one run, and the drive's lock level (section "Drive", key "LockLevel").
class UserSettings : public SettingsStore {
 public:
  static constexpr const char* kApplication = "Kadrelle";
  static constexpr const char* kTraceSection = "1";
  static constexpr const char* kTraceKey = "Debug";
  static constexpr const char* kDriveSection = "Drive";
  static constexpr const char* kLockKey = "LockLevel";

  UserSettings() = default;
  // Settings in another folder than the user's (tests, portable installs).
  explicit UserSettings(std::filesystem::path folder) : store_(std::move(folder)) {}

  std::string GetSetting(const std::string& application, const std::string& section,
                         const std::string& key, const std::string& defaultValue) override;

  // The trace mask this run uses as text; an override when one was given.
  std::string traceMaskText();
  // True when the mask asks for more than the lines every control writes.
  bool traceWanted();
  // The mask for this run only (the text is checked as saveTraceMask checks it).
  void overrideTraceMask(const std::string& text);
  // Stores the user's trace mask: a whole number as the control reads it ("-1", "&H6"); other
  // text is error 13 saying so.
  void saveTraceMask(const std::string& text);

  // The stored lock level (0 to 3), if there is a valid one.
  std::optional<std::int32_t> lockLevel();
  void saveLockLevel(std::int32_t level);

  const std::filesystem::path file() const { return store_.fileFor(kApplication); }

 private:
  IniSettingsStore store_;
  std::optional<std::string> traceOverride_;
};

// A trace mask in text as the control reads it: a number in Basic's notation ("6", "&H6", " -1 ")
// rounded to a whole one; nothing for other text or a number beyond 32 bits.
std::optional<std::int32_t> parseTraceMask(std::string_view text);

}  // namespace kadrelle
#pragma GCC visibility pop
