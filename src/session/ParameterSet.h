#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "binding/ValueObject.h"
#include "brommet/ParameterInfo.h"

#pragma GCC visibility push(default)  // what this header declares is public API
namespace kadrelle {

// A parameter-set file: a drive's settings as text, one parameter a line, values in application
// units exactly as the drive shows them, so two sets compare with `diff` and read in review:
//
//   # Kadrelle parameter set
//   drive = "Brommet simulated servo drive"
//   version = 1
//
//   # Limits
//   P1510 = 3000             # Speed Limit (RPM)
//   P1911 = "Axis one"       # Axis Name
//   # P0002 = 2.4            # Firmware Version, read-only
//
// A line is blank, a comment (#), a header entry (drive, version) or "KEY = VALUE"; a comment
// after a value starts with " #". Text values are in double quotes with \" and \\ escaped;
// numbers are written in the parameter's display format (hexadecimal parameters in hex, without a
// prefix). Read-only parameters are written as comments and measured values are left out: neither
// is ever sent to a drive.
struct ParameterSet {
  struct Entry {
    std::string key;    // as written ("P1510")
    std::string value;  // a number's text, or a text parameter's text unquoted
    bool quoted = false;
    std::size_t line = 0;  // 1-based
  };
  std::string drive;    // the drive description the set came from
  std::string version;  // and its version
  std::vector<Entry> entries;
};

// Where a set's values come from and go to: a drive's parameter descriptions and value library,
// and the name and version of its description.
struct DriveParameters {
  std::span<const ParameterInfo> catalog;
  ValueLibrary& library;
  std::string drive;
  std::string version;
  // For a library whose writes are answered later (a drive on the network): waits until the
  // drive answered the value object's Commit, throwing when it did not answer.
  std::function<void(ValueObject&)> awaitWrite = {};

  const ParameterInfo* find(std::string_view key) const;
};

// A value in application units as every program shows it: in the parameter's display format,
// hexadecimal parameters in hex digits without a prefix, as many as the range needs ("07D"),
// as the edit box shows them.
std::string shownText(const ParameterInfo& info, double appValue);
// The number a value's text stands for, in application units (hexadecimal parameters read hex,
// with or without a prefix); nothing when it is not a number of the parameter's kind.
std::optional<double> parsedNumber(const ParameterInfo& info, std::string_view text);

// The set's file text for the drive's present values.
std::string exportParameterSet(const DriveParameters& drive);
// Reads a set's text; `source` names it in errors. A line that is none of the above is Error 321
// "<source>:<line>: <what is wrong>"; so is a key given twice.
ParameterSet parseParameterSet(std::string_view text, const std::string& source);
// The same from a file (53/75 when it cannot be read, 321 when it is too large or malformed).
ParameterSet readParameterSet(const std::filesystem::path& file);

// How a value of a set stands against the drive.
enum class SetEntryState {
  Unchanged,       // the drive holds the value (compared as the drive stores it)
  Changed,         // the drive holds another value, which the set may replace
  ReadOnly,        // the drive's value cannot be written
  Unknown,         // the drive has no such parameter
  Invalid,         // the value is not a value of the parameter (not a number, out of range)
  AboveLockLevel,  // writing it needs a higher lock level than the session's
};
std::string_view stateName(SetEntryState state);  // "changed", "unknown", "above lock level", ...

struct SetEntryComparison {
  const ParameterSet::Entry* entry = nullptr;
  const ParameterInfo* info = nullptr;  // null for Unknown
  SetEntryState state = SetEntryState::Unchanged;
  std::string fileText;   // the set's value as the drive would show it
  std::string driveText;  // the drive's value as it shows it
  std::string reason;     // why an entry cannot be written ("12000 RPM is above ...")
  std::int32_t requiredLevel = 0;
};

struct SetComparison {
  std::vector<SetEntryComparison> entries;  // in the set's order
  std::size_t count(SetEntryState state) const;
  bool equal() const { return count(SetEntryState::Unchanged) == entries.size(); }
};

// Compares every entry of the set with the drive. Reading the drive may throw its errors.
SetComparison compareParameterSet(const DriveParameters& drive, const ParameterSet& set);

// One value written by applyParameterSet.
struct AppliedValue {
  const ParameterInfo* info = nullptr;
  std::string before;
  std::string after;
};

// Writes the set's changed values to the drive (only those whose key is in `only`, when it is not
// empty), in the order of the drive's descriptions, which lists a parameter after those it depends
// on. Nothing is written, and Error 5 names them, when a chosen entry is unknown, read-only,
// invalid or above the lock level, or a key of `only` is not in the set; a write the drive refuses
// undoes the writes before it and throws the drive's error naming the parameter. With `dryRun`
// nothing is written. Returns what changed (or would change).
std::vector<AppliedValue> applyParameterSet(const DriveParameters& drive, const ParameterSet& set,
                                            const std::vector<std::string>& only = {},
                                            bool dryRun = false);

// The parameters whose value is not their default: writable, non-measured parameters only.
std::vector<const ParameterInfo*> parametersNotAtDefault(const DriveParameters& drive);
// The parameter's default as the drive shows it.
std::string shownDefault(const ParameterInfo& info);
// Whether the drive's value of one parameter is its default.
bool atDefault(const ParameterInfo& info, ValueObject& object);

}  // namespace kadrelle
#pragma GCC visibility pop
