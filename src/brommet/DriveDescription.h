#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "brommet/ParameterInfo.h"

#pragma GCC visibility push(default)  // what this header declares is public API
namespace kadrelle {

// How a parameter's value is held in fieldbus registers (16-bit Modbus holding registers).
enum class RegisterType { Int16, Uint16, Int32, Uint32, Float32, String };

// Where a parameter lives on a fieldbus: its first register, the type held there, the order of
// the two words of a 32-bit value and the scale: drive value = register value * scale. A string
// takes maxTextLength characters, two to a register, the first in the high byte.
struct RegisterLocation {
  std::uint16_t address = 0;
  RegisterType type = RegisterType::Int32;
  bool lowWordFirst = false;  // 32-bit values: the low word in the first register
  double scale = 1;
  std::uint16_t count = 2;  // registers taken
};

// A drive's parameters read from a drive description (docs/drive-description.md): the fixed
// description of each parameter, as the value libraries use it, and where each lives on a
// fieldbus. Parameters are kept in ascending number order. The simulated drive's catalog is one
// such description, built in.
class DriveDescription {
 public:
  static constexpr const char* kFormat = "Kadrelle drive description";
  static constexpr int kVersion = 1;
  // Longer files are refused unread.
  static constexpr std::uintmax_t kMaxFileSize = 4u << 20;

  // Reads a description. A bad one is Error 321 naming `source` (the file) and the place
  // ("drive.json: parameters[3] (P1510).range: the lower limit is above the upper one").
  static std::shared_ptr<const DriveDescription> parse(std::string_view text,
                                                       const std::string& source);
  // Reads a file; one that cannot be read is error 53 or 75, as readFileCapped says.
  static std::shared_ptr<const DriveDescription> load(const std::filesystem::path& file);
  // The simulated drive's description, built in.
  static const std::shared_ptr<const DriveDescription>& simulated();

  DriveDescription(const DriveDescription&) = delete;
  DriveDescription& operator=(const DriveDescription&) = delete;

  const std::string& name() const { return name_; }
  std::span<const ParameterInfo> parameters() const { return parameters_; }
  std::size_t size() const { return parameters_.size(); }
  std::optional<std::size_t> indexOf(ParameterNumbers number) const;
  const ParameterInfo* find(ParameterNumbers number) const;
  const ParameterInfo* findKey(std::string_view key) const;
  // Where the parameter at that index lives on a fieldbus; nothing when the description does
  // not say.
  const std::optional<RegisterLocation>& location(std::size_t index) const {
    return locations_[index];
  }

 private:
  DriveDescription() = default;
  friend class DescriptionReader;

  std::string name_;
  std::vector<ParameterInfo> parameters_;
  std::vector<std::optional<RegisterLocation>> locations_;
  std::deque<std::string> strings_;  // what the parameters' texts view; never moves
};

// The name of a register type in a description ("int32"), and the number of registers a value of
// it takes (a string: half its length, rounded up).
std::string_view registerTypeName(RegisterType type);
std::uint16_t registerCount(RegisterType type, std::size_t maxTextLength);

}  // namespace kadrelle
#pragma GCC visibility pop
