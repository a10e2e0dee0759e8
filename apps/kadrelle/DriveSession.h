#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "brommet/BrommetLibrary.h"
#include "brommet/ServoDrive.h"
#include "platform/Variant.h"

namespace kadrelle {

// Where the program keeps what outlives it.
struct UserFiles {
  // $XDG_DATA_HOME/kadrelle/drive.json (or ~/.local/share/...): the drive's parameters.
  static std::filesystem::path driveFile();
  // $XDG_DATA_HOME/kadrelle/form.json: the built-in page as changed in design mode.
  static std::filesystem::path formFile();
  // $XDG_CONFIG_HOME/Kadrelle.ini (or ~/.config/...): the trace mask and the lock level.
  static std::filesystem::path settingsFile();
};

// Writes key=value into a section of an INI file, keeping every other line, atomically. A
// missing file or section is created.
void writeIniSetting(const std::filesystem::path& file, const std::string& section,
                     const std::string& key, const std::string& value);
// The value of a setting in an INI file, if the file and the setting exist.
std::optional<std::string> readIniSetting(const std::filesystem::path& file,
                                          const std::string& section, const std::string& key);

// The simulated drive as the user left it: its parameter file loaded (when there is one) and its
// application lock level restored. Every program command works on one session.
class DriveSession {
 public:
  static constexpr const char* kLockSection = "Drive";
  static constexpr const char* kLockKey = "LockLevel";

  // Loads the user's drive file; a damaged file is an Error naming it (nothing is overwritten).
  DriveSession();

  ServoDrive& drive() { return *drive_; }
  BrommetLibrary& library() { return library_; }

  std::int32_t lockLevel() const { return drive_->appLock()->get_Level(); }
  // Sets and remembers the application lock level (0 to 3).
  void setLockLevel(std::int32_t level);

  // Writes the drive's non-volatile parameters to the user's drive file.
  void save();

  // The parameter with that key or number ("P1510", "p1510", "1510"); error 5 when none has it.
  static const ParameterInfo& findParameter(const std::string& name);
  // Commits a value in application units (a text for text parameters; text for a number is read
  // as an entry, hexadecimal parameters in hex) through a value object, as a control would; a
  // refusal is an Error with the value library's code and reason.
  void commit(const ParameterInfo& info, const Variant& value);

 private:
  std::shared_ptr<ServoDrive> drive_ = std::make_shared<ServoDrive>();
  BrommetLibrary library_{drive_};
};

}  // namespace kadrelle
