#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "binding/ValueObject.h"

#pragma GCC visibility push(default)  // what this header declares is public API
namespace kadrelle {

// The functional group a drive parameter belongs to.
enum class ParameterGroup {
  Motor,
  Feedback,
  CurrentLoop,
  VelocityLoop,
  PositionLoop,
  Limits,
  Communication,
  DriveInformation,
  Measured,
  Control,
};

// The fixed description of one drive parameter in the catalog. A parameter has two views: the
// application view in engineering units and the drive view in the drive's own integer units,
// related by `scale`: app value = drive value * scale. Both limit pairs are stored, so the catalog
// tests can check that they agree.
struct ParameterInfo {
  ParameterNumbers number = 0;
  std::string_view key{};  // "P" and the four-digit number
  ParameterGroup group = ParameterGroup::Motor;
  std::string_view name{};              // short name used in messages ("Speed Limit")
  std::string_view description{};       // caption text; may hold the axis marker "@*@"
  std::string_view driveDescription{};  // the drive's own name for the quantity
  std::string_view appUnits{};          // "" for none
  std::string_view driveUnits{};        // "" for none
  double scale = 1;                     // app value = drive value * scale
  double appLower = 0;
  double appUpper = 0;
  double driveLower = 0;
  double driveUpper = 0;
  bool limitsEnabled = true;
  std::string_view appFormat = "0";    // Basic-style number format of the application view
  std::string_view driveFormat = "0";  // and of the drive view
  std::int32_t displayBase = 0;        // 1: hexadecimal
  bool readOnly = false;
  bool text = false;           // a text parameter: its value is a string
  bool measured = false;       // advanced by the drive's tick
  bool nonVolatile = true;     // kept in the drive's parameter file
  bool stopOnly = false;       // a real drive accepts it only while disabled
  bool integral = true;        // the drive value is a whole number of drive units
  std::int32_t lockLevel = 0;  // 0 operator, 1 technician, 2 engineer, 3 factory
  double step = 0;             // in application units; 0: the value cannot be stepped
  double defaultValue = 0;     // in drive units
  std::string_view defaultText{};
  std::size_t maxTextLength = 0;  // text parameters: the longest text the drive takes
};

}  // namespace kadrelle
#pragma GCC visibility pop
