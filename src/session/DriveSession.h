#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "binding/ValueObject.h"
#include "brommet/BrommetLibrary.h"
#include "brommet/ServoDrive.h"
#include "platform/Variant.h"
#include "session/ParameterSet.h"
#include "session/UserSettings.h"

#pragma GCC visibility push(default)  // what this header declares is public API
namespace kadrelle {

// The user's drive as the user left it: its stored parameters loaded from the user's drive file
// (when there is one) and its application lock level restored from the settings. Every program
// command, window and script works on one session; several programs may work on the same files
// at once.
//
// The drive is the simulated one; what a program needs of it beyond the value library (the
// catalog, the clock) comes through here, so another drive can take its place in one spot.
class DriveSession {
 public:
  // Loads the user's drive file; a damaged file is an Error naming it (nothing is overwritten).
  DriveSession();

  // The simulated drive itself (its values, clock and faults).
  ServoDrive& drive() { return *drive_; }
  // The value library the controls bind to.
  ValueLibrary& library() { return library_; }
  UserSettings& settings() { return settings_; }

  // The drive's parameters and value library, for parameter sets.
  DriveParameters parameters();

  // True when the drive has a parameter of that number.
  bool hasParameter(std::int32_t number) const;
  // A new value object bound to the parameter.
  ValueObjectRef valueObject(std::int32_t number);

  // Runs the drive for the given time (live values follow it).
  void tick(double seconds) { drive_->tick(seconds); }

  std::int32_t lockLevel() const { return drive_->appLock()->get_Level(); }
  // Sets and remembers the application lock level (0 to 3; others are error 380 saying so).
  void setLockLevel(std::int32_t level);
  // The same from text: a whole number ("2", "&H2"); other text is error 13 saying so.
  void setLockLevel(const std::string& level);

  // Writes the parameters this session changed to the user's drive file, on top of what the file
  // holds now: under the file's lock it is read again, the changed values are put into it and it
  // is replaced, so programs saving the same file at once lose none of each other's values. A
  // drive file damaged since is refused as when loading, and left as it is.
  void save();

  // The parameter with that key or number ("P1510", "p1510", "1510"); error 5 when none has it.
  static const ParameterInfo& findParameter(const std::string& name);
  // Commits a value in application units (a text for text parameters; text for a number is read
  // as an entry, hexadecimal parameters in hex) through a value object, as a control would; a
  // refusal is an Error with the value library's code and reason.
  void commit(const ParameterInfo& info, const Variant& value);

 private:
  struct Stored {
    double value = 0;
    std::string text;
    bool operator==(const Stored&) const = default;
  };
  // The stored parameters' values now, in catalog order (others left at their defaults).
  std::vector<Stored> stored() const;

  std::shared_ptr<ServoDrive> drive_ = std::make_shared<ServoDrive>();
  BrommetLibrary library_{drive_};
  UserSettings settings_;
  std::vector<Stored> saved_;  // as last loaded or saved
};

}  // namespace kadrelle
#pragma GCC visibility pop
