#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

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
  static bool parse(std::string_view text, Guid& out);
};

namespace detail {
consteval std::uint32_t hexDigits(std::string_view s, std::size_t from, std::size_t count) {
  std::uint32_t v = 0;
  for (std::size_t i = from; i < from + count; ++i) {
    char c = s[i];
    std::uint32_t d = c >= '0' && c <= '9'   ? c - '0'
                      : c >= 'A' && c <= 'F' ? c - 'A' + 10
                      : c >= 'a' && c <= 'f' ? c - 'a' + 10
                                             : throw "not a hexadecimal digit";
    v = v * 16 + d;
  }
  return v;
}
}  // namespace detail

// A Guid from its text form without braces, checked at compile time.
consteval Guid makeGuid(std::string_view s) {
  if (s.size() != 36 || s[8] != '-' || s[13] != '-' || s[18] != '-' || s[23] != '-')
    throw "not a GUID";
  Guid g;
  g.data1 = detail::hexDigits(s, 0, 8);
  g.data2 = static_cast<std::uint16_t>(detail::hexDigits(s, 9, 4));
  g.data3 = static_cast<std::uint16_t>(detail::hexDigits(s, 14, 4));
  const std::size_t at[8] = {19, 21, 24, 26, 28, 30, 32, 34};
  for (int i = 0; i < 8; ++i)
    g.data4[i] = static_cast<std::uint8_t>(detail::hexDigits(s, at[i], 2));
  return g;
}

}  // namespace kadrelle::com
#pragma GCC visibility pop
