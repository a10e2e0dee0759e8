#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "brommet/DriveDescription.h"

#pragma GCC visibility push(default)  // what this header declares is public API
namespace kadrelle {

// A parameter's value as the registers of its RegisterLocation hold it, and back. Numbers are in
// drive units: register value = drive value / scale, rounded to whole numbers for the integer
// types and held within the type's range. A text takes `maxTextLength` characters, two to a
// register, the first in the high byte, padded with NUL.
std::vector<std::uint16_t> encodeNumber(const RegisterLocation& at, double driveValue);
std::vector<std::uint16_t> encodeText(const RegisterLocation& at, std::string_view text);
double decodeNumber(const RegisterLocation& at, const std::uint16_t* registers);
std::string decodeText(const RegisterLocation& at, const std::uint16_t* registers);

// Where a Modbus TCP drive is: modbus://HOST[:PORT][?unit=N] (port 502 and unit 1 unless given).
struct ModbusEndpoint {
  std::string host;
  int port = 502;
  int unit = 1;
  // "127.0.0.1:1502", as messages name the drive.
  std::string name() const { return host + ":" + std::to_string(port); }
};
// Reads such an address; one that is not is error 5 saying what is wrong.
ModbusEndpoint parseModbusAddress(std::string_view address);

}  // namespace kadrelle
#pragma GCC visibility pop
