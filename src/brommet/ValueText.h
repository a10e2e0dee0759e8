#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#pragma GCC visibility push(default)  // what this header declares is public API
namespace kadrelle {

class NumberFormat;

// Text forms of parameter values, shared by the views and the drive's messages.
class ValueText {
 public:
  // The value in a Basic number format, exactly as the edit box shows it (NumberFormat). Display
  // base 1 gives hexadecimal with the "&H" prefix ("&H7F"), negative values as 32-bit two's
  // complement.
  static std::string format(double value, std::string_view numberFormat, std::int32_t displayBase);
  // The same with the format compiled already.
  static std::string format(double value, const NumberFormat& numberFormat,
                            std::int32_t displayBase);
  // True when every character is printable ASCII, the only characters drive texts hold.
  static bool isPrintable(std::string_view text);
};

}  // namespace kadrelle
#pragma GCC visibility pop
