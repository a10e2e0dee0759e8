#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/Text.h"

#pragma GCC visibility push(default)  // what this header declares is public API
namespace kadrelle::com {

// A 16-byte identifier of a library, class or interface, written
// {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}. The first three groups are numbers (stored little-endian
// in the 16 bytes), the last two are bytes in order.
struct Guid {
  std::uint32_t data1 = 0;
  std::uint16_t data2 = 0;
  std::uint16_t data3 = 0;
  std::array<std::uint8_t, 8> data4{};

  friend constexpr bool operator==(const Guid&, const Guid&) = default;
  friend constexpr auto operator<=>(const Guid&, const Guid&) = default;

  // The braced upper-case text form.
  std::string text() const;
  // The 16-byte binary form.
  std::array<std::uint8_t, 16> bytes() const;
  // Reads the text form, braces optional; false when it is not one.
  static constexpr bool parse(std::string_view text, Guid& out);
};

constexpr bool Guid::parse(std::string_view s, Guid& out) {
  if (s.size() == 38 && s.front() == '{' && s.back() == '}') s = s.substr(1, 36);
  if (s.size() != 36 || s[8] != '-' || s[13] != '-' || s[18] != '-' || s[23] != '-') return false;
  // Where each field's digits start, and how many there are: data1, data2, data3, data4[0..7].
  constexpr std::size_t kAt[11] = {0, 9, 14, 19, 21, 24, 26, 28, 30, 32, 34};
  constexpr std::size_t kDigits[11] = {8, 4, 4, 2, 2, 2, 2, 2, 2, 2, 2};
  std::uint32_t field[11] = {};
  for (std::size_t f = 0; f < 11; ++f) {
    for (std::size_t i = kAt[f]; i < kAt[f] + kDigits[f]; ++i) {
      const int d = hexDigitValue(s[i]);
      if (d < 0) return false;
      field[f] = field[f] * 16 + static_cast<std::uint32_t>(d);
    }
  }
  out.data1 = field[0];
  out.data2 = static_cast<std::uint16_t>(field[1]);
  out.data3 = static_cast<std::uint16_t>(field[2]);
  for (std::size_t i = 0; i < 8; ++i) out.data4[i] = static_cast<std::uint8_t>(field[3 + i]);
  return true;
}

// A Guid from its text form, checked at compile time.
consteval Guid makeGuid(std::string_view s) {
  Guid g;
  if (!Guid::parse(s, g)) throw "not a GUID";
  return g;
}

}  // namespace kadrelle::com
#pragma GCC visibility pop
