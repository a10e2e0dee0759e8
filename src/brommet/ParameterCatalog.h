#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "brommet/ParameterInfo.h"

#pragma GCC visibility push(default)  // what this header declares is public API
namespace kadrelle {

// Standard parameter numbers of the simulated drive. Key = "P" followed by the number.
namespace param {
inline constexpr ParameterNumbers None = 0;
// Motor
inline constexpr ParameterNumbers MotorRatedCurrent = 1010;
inline constexpr ParameterNumbers MotorPeakCurrent = 1011;
inline constexpr ParameterNumbers MotorRatedSpeed = 1012;
inline constexpr ParameterNumbers MotorPolePairs = 1013;
inline constexpr ParameterNumbers MotorTorqueConstant = 1014;
inline constexpr ParameterNumbers MotorResistance = 1015;
inline constexpr ParameterNumbers MotorInductance = 1016;
inline constexpr ParameterNumbers MotorThermalTimeConstant = 1017;
// Feedback
inline constexpr ParameterNumbers EncoderResolution = 1110;
inline constexpr ParameterNumbers FeedbackType = 1111;
inline constexpr ParameterNumbers EncoderDirection = 1112;
inline constexpr ParameterNumbers CommutationOffset = 1113;
// Current loop
inline constexpr ParameterNumbers CurrentLoopGain = 1210;
inline constexpr ParameterNumbers CurrentLoopIntegralTime = 1211;
inline constexpr ParameterNumbers PwmFrequency = 1212;
// Velocity loop
inline constexpr ParameterNumbers VelocityLoopGain = 1310;
inline constexpr ParameterNumbers VelocityLoopIntegralTime = 1311;
inline constexpr ParameterNumbers VelocityFilterTime = 1312;
inline constexpr ParameterNumbers Acceleration = 1313;
inline constexpr ParameterNumbers Deceleration = 1314;
// Position loop
inline constexpr ParameterNumbers PositionLoopGain = 1410;
inline constexpr ParameterNumbers FollowingErrorWindow = 1411;
inline constexpr ParameterNumbers InPositionWindow = 1412;
inline constexpr ParameterNumbers HomeOffset = 1413;
inline constexpr ParameterNumbers SoftwareLimitPositive = 1414;
inline constexpr ParameterNumbers SoftwareLimitNegative = 1415;
// Limits
inline constexpr ParameterNumbers SpeedLimit = 1510;
inline constexpr ParameterNumbers CurrentLimit = 1511;
inline constexpr ParameterNumbers TorqueLimit = 1512;
inline constexpr ParameterNumbers OvervoltageTrip = 1513;
inline constexpr ParameterNumbers UndervoltageTrip = 1514;
inline constexpr ParameterNumbers MotorTemperatureTrip = 1515;
inline constexpr ParameterNumbers I2tLimit = 1516;
// Communication
inline constexpr ParameterNumbers NodeId = 1610;
inline constexpr ParameterNumbers CanBitRate = 1611;
inline constexpr ParameterNumbers HeartbeatPeriod = 1612;
inline constexpr ParameterNumbers StatusWordMask = 1613;
inline constexpr ParameterNumbers FaultMask = 1614;
inline constexpr ParameterNumbers SerialBaudRate = 1615;
// Drive information
inline constexpr ParameterNumbers DriveName = 1710;
inline constexpr ParameterNumbers FirmwareVersion = 1711;
inline constexpr ParameterNumbers SerialNumber = 1712;
inline constexpr ParameterNumbers HardwareRevision = 1713;
inline constexpr ParameterNumbers OperatingHours = 1714;
inline constexpr ParameterNumbers DriveRatedCurrent = 1715;
// Measured quantities
inline constexpr ParameterNumbers ActualSpeed = 1810;
inline constexpr ParameterNumbers ActualCurrent = 1811;
inline constexpr ParameterNumbers BusVoltage = 1812;
inline constexpr ParameterNumbers DriveTemperature = 1813;
inline constexpr ParameterNumbers MotorTemperature = 1814;
inline constexpr ParameterNumbers ActualPosition = 1815;
inline constexpr ParameterNumbers FollowingError = 1816;
inline constexpr ParameterNumbers StatusWord = 1817;
// Control
inline constexpr ParameterNumbers DriveEnable = 1910;
inline constexpr ParameterNumbers OperatingMode = 1911;
inline constexpr ParameterNumbers SpeedCommand = 1912;
}  // namespace param

// The parameter catalog of the simulated single-axis drive.
//
// Units and scales (application view = drive view * scale):
//  - speed:        RPM           against encoder counts per second, scale 60 / 131072
//  - acceleration: RPM/s         against counts per second squared, scale 60 / 131072
//  - position:     revolutions   against encoder counts, scale 1 / 131072
//  - current:      A             against mA, scale 0.001
//  - voltage:      V             against 0.1 V, scale 0.1
//  - temperature:  degrees C     against 0.1 degrees C, scale 0.1
//  - times:        ms against us, or s against ms, or h against s
//  - gains:        V/A against mV/A, mA/(rad/s) against uA/(rad/s), 1/s against 0.01/s
//  - torque:       % of rated    against 0.1 %, scale 0.1
//  - frequencies and bit rates: kHz against Hz, kbit/s against bit/s, scale 0.001
//  - electrical angle: degrees   against 1/65536 of a turn, scale 360 / 65536
// The encoder has a fixed resolution of 131072 counts per revolution (P1110, read-only).
// Counts, identifiers, masks and plain numbers use the same value in both views (scale 1).
// Masks, the node id and the serial number are shown in hexadecimal (display base 1).
class ParameterCatalog {
 public:
  static constexpr double kCountsPerRevolution = 131072;
  static constexpr double kRpmPerCountsPerSecond = 60.0 / kCountsPerRevolution;

  // Every parameter, in ascending number order.
  static std::span<const ParameterInfo> all();
  // The parameter with that number, or nullptr (0 and unknown numbers).
  static const ParameterInfo* find(ParameterNumbers number);
  // The parameter with that key ("P1510"), or nullptr.
  static const ParameterInfo* findKey(std::string_view key);
  // The position of a parameter in all().
  static std::optional<std::size_t> indexOf(ParameterNumbers number);
  // "operator", "technician", "engineer", "factory", or "level N" beyond those.
  static std::string lockLevelName(std::int32_t level);
};

}  // namespace kadrelle
#pragma GCC visibility pop
