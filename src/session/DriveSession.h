#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "binding/ValueObject.h"
#include "brommet/BrommetLibrary.h"
#include "brommet/DriveDescription.h"
#include "brommet/ServoDrive.h"
#include "modbus/Dispatcher.h"
#include "modbus/ModbusLibrary.h"
#include "platform/Variant.h"
#include "session/ParameterSet.h"
#include "session/UserSettings.h"

#pragma GCC visibility push(default)  // what this header declares is public API
namespace kadrelle {

// Which drive a session works on: the user's simulated drive (no address), or a drive on the
// network ("modbus://HOST[:PORT][?unit=N]"), described by the built-in description or a file. The
// simulated drive given a description file simulates that drive instead of the built-in one.
struct DriveChoice {
  std::string address;
  std::filesystem::path description;  // empty: the built-in one
  // How long a command waits for the drive's first values and for the answer to a write.
  std::chrono::milliseconds timeout{3000};

  bool network() const { return !address.empty(); }
};

// The user's drive as the user left it: its application lock level restored from the settings
// and, for the simulated drive, its stored parameters loaded from the user's drive file (when
// there is one). Every program command, window and script works on one session; several programs
// may work on the same files at once.
//
// What a program needs of the drive beyond the value library (the parameters, the clock, the
// connection) comes through here, the same for the simulated drive and a drive on the network. A
// network drive's results reach its value objects only when the host pumps dispatcher() on its
// user-interface thread (when dispatcher()->fd() is readable); tick() and the waits here pump it.
class DriveSession {
 public:
  // Loads the user's drive file; a damaged file is an Error naming it (nothing is overwritten).
  // A network drive is connected to in the background; a bad address or description file is an
  // Error saying why.
  explicit DriveSession(const DriveChoice& choice = {});
  ~DriveSession();
  DriveSession(const DriveSession&) = delete;
  DriveSession& operator=(const DriveSession&) = delete;

  // The simulated drive itself (its values, clock and faults); nothing for a network drive.
  ServoDrive* simulated() { return drive_.get(); }
  // The file the simulated drive's stored parameters are kept in (UserFiles::driveFile of its
  // description); empty for a network drive.
  const std::filesystem::path& driveFile() const { return driveFile_; }
  // The value library the controls bind to.
  ValueLibrary& library();
  UserSettings& settings() { return settings_; }
  const DriveDescription& description() const { return *description_; }
  std::span<const ParameterInfo> catalog() const { return description_->parameters(); }

  // The drive's parameters and value library, for parameter sets.
  DriveParameters parameters();

  // True when the drive has a parameter of that number.
  bool hasParameter(std::int32_t number) const;
  // A new value object bound to the parameter.
  ValueObjectRef valueObject(std::int32_t number);
  // The parameter's value in drive units, and a text parameter's text, as the drive holds them.
  double driveValue(const ParameterInfo& info);
  std::string text(const ParameterInfo& info);

  // The simulated drive runs for the given time (live values follow it); a network drive's
  // results that arrived meanwhile are pumped.
  void tick(double seconds);
  // As tick, but a network drive's results are pumped as they come for that long.
  void wait(double seconds);

  // What brings a network drive's results to the user-interface thread; nothing for the
  // simulated drive.
  Dispatcher* dispatcher() { return dispatcher_.get(); }
  // The network drive's library (its ConnectionChanged, refresh()); nothing for the simulated one.
  ModbusLibrary* network() { return network_.get(); }
  // True for the simulated drive and while a network drive is connected.
  bool connected() const;
  // "drive 127.0.0.1:1502 connected", "drive 127.0.0.1:1502 not connected: <why>", or
  // "simulated drive".
  std::string connectionText() const;
  // Waits, at most the choice's timeout, until the network drive's values have been read; when
  // they have not, an Error saying the drive did not answer, with the reason. The simulated drive
  // has them at once.
  void awaitValues();

  std::int32_t lockLevel() const { return appLock()->get_Level(); }
  // The lock level a change of the parameter needs now (the simulated drive asks more of
  // stop-only parameters while it is enabled).
  std::int32_t requiredLevel(const ParameterInfo& info) const {
    return drive_ ? drive_->requiredLevel(info.number) : info.lockLevel;
  }
  const std::shared_ptr<BrommetLockLevel>& appLock() const;
  // Sets and remembers the application lock level (0 to 3; others are error 380 saying so).
  void setLockLevel(std::int32_t level);
  // The same from text: a whole number ("2", "&H2"); other text is error 13 saying so.
  void setLockLevel(const std::string& level);

  // Writes the parameters this session changed to the user's drive file, on top of what the file
  // holds now: under the file's lock it is read again, the changed values are put into it and it
  // is replaced, so programs saving the same file at once lose none of each other's values. A
  // drive file damaged since is refused as when loading, and left as it is. A network drive
  // keeps its values itself: nothing is written.
  void save();

  // The parameter with that key or number ("P1510", "p1510", "1510"); error 5 when none has it.
  const ParameterInfo& findParameter(const std::string& name) const;
  // Commits a value in application units (a text for text parameters; text for a number is read
  // as an entry, hexadecimal parameters in hex) through a value object, as a control would; a
  // refusal is an Error with the value library's code and reason. A network drive's answer is
  // waited for (at most the choice's timeout).
  void commit(const ParameterInfo& info, const Variant& value);

 private:
  struct Stored {
    double value = 0;
    std::string text;
    bool operator==(const Stored&) const = default;
  };
  // The stored parameters' values now, in catalog order (others left at their defaults).
  std::vector<Stored> stored() const;

  // Waits until a network drive answered the value object's write (an Error when it did not).
  void awaitWrite(ValueObject& object);
  // Pumps the network drive's results until `done` holds or the choice's timeout passes; whether
  // it holds.
  template <class Done>
  bool pumpUntil(Done done);

  DriveChoice choice_;
  std::shared_ptr<const DriveDescription> description_;
  std::shared_ptr<ServoDrive> drive_;  // the simulated drive, or nothing
  std::unique_ptr<BrommetLibrary> simulatedLibrary_;
  std::shared_ptr<Dispatcher> dispatcher_;  // a network drive's
  std::unique_ptr<ModbusLibrary> network_;
  std::vector<ValueObjectRef> read_;  // a network drive's parameters, kept read
  UserSettings settings_;
  std::vector<Stored> saved_;  // as last loaded or saved
  std::filesystem::path driveFile_;
};

}  // namespace kadrelle
#pragma GCC visibility pop
