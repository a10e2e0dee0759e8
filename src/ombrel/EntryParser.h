#pragma once

#include <optional>
#include <string_view>

#pragma GCC visibility push(default)  // what this header declares is public API
namespace kadrelle {

// Reads what a user typed into the box as a number. Anything these do not accept is kept as text.
class EntryParser {
 public:
  // A decimal entry: blanks around it, an optional sign, digits with optional "," thousands
  // separators, an optional fraction and exponent ("1,234.5", "-7", "2.5E+3"), also Basic's "&H"
  // and "&O" forms; a trailing "%" divides by 100 ("12.5%" is 0.125). Results that are not finite
  // are refused.
  static std::optional<double> parseDecimal(std::string_view text);

  // A hexadecimal entry: blanks around it, an optional "&H" or "0x" prefix (any letter case), then
  // 1 to 8 hexadecimal digits. The value is unsigned: "FFFFFFFF" is 4294967295.
  static std::optional<double> parseHex(std::string_view text);
};

}  // namespace kadrelle
#pragma GCC visibility pop
