#include "ombrel/EntryParser.h"

#include <cstdint>

#include "platform/Text.h"
#include "platform/Variant.h"

namespace kadrelle {

std::optional<double> EntryParser::parseDecimal(std::string_view text) {
  std::string_view s = trim(text);
  if (!s.empty() && s.back() == '%') {
    auto n = parseNumber(s.substr(0, s.size() - 1));
    if (!n) return std::nullopt;
    return *n / 100;
  }
  return parseNumber(s);
}

std::optional<double> EntryParser::parseHex(std::string_view text) {
  std::string_view s = trim(text);
  if (s.size() >= 2 && ((s[0] == '&' && (s[1] == 'H' || s[1] == 'h')) ||
                        (s[0] == '0' && (s[1] == 'x' || s[1] == 'X')))) {
    s.remove_prefix(2);
  }
  if (s.empty() || s.size() > 8) return std::nullopt;
  std::uint32_t value = 0;
  for (char c : s) {
    int d = hexDigitValue(c);
    if (d < 0) return std::nullopt;
    value = value * 16 + static_cast<std::uint32_t>(d);
  }
  return static_cast<double>(value);
}

}  // namespace kadrelle
