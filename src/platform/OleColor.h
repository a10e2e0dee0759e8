#pragma once

#include <cstdint>

#pragma GCC visibility push(default)  // what this header declares is public API
namespace kadrelle {

// A 32-bit colour: 0x00BBGGRR for plain colours; a high byte of 0x80 marks a system colour whose
// index is in the low byte.
using OleColor = std::uint32_t;

inline constexpr OleColor kSystemButtonFace = 0x8000000F;
inline constexpr OleColor kSystemWindow = 0x80000005;
inline constexpr OleColor kSystemWindowText = 0x80000008;

constexpr bool isSystemColor(OleColor c) {
  return (c & 0xFF000000u) == 0x80000000u;
}
constexpr unsigned systemColorIndex(OleColor c) {
  return c & 0xFFu;
}

// Plain colour from its red, green and blue parts.
constexpr OleColor rgb(unsigned r, unsigned g, unsigned b) {
  return (r & 0xFFu) | ((g & 0xFFu) << 8) | ((b & 0xFFu) << 16);
}

}  // namespace kadrelle
#pragma GCC visibility pop
