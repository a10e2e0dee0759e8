#pragma once

#include <cstdint>

#pragma GCC visibility push(default)  // what this header declares is public API
namespace kadrelle {

// The key codes and shift bits of the key events (KeyDown, KeyUp carry codes; KeyPress carries
// characters, where Back, Return and Escape have the same numbers).
enum KeyCodes : std::int16_t {
  kKeyBack = 8,
  kKeyTab = 9,
  kKeyReturn = 13,
  kKeyEscape = 27,
  kKeyPageUp = 33,
  kKeyPageDown = 34,
  kKeyEnd = 35,
  kKeyHome = 36,
  kKeyLeft = 37,
  kKeyUp = 38,
  kKeyRight = 39,
  kKeyDown = 40,
  kKeyDelete = 46,
};

enum ShiftBits : std::int16_t { kShiftMask = 1, kCtrlMask = 2, kAltMask = 4 };

}  // namespace kadrelle
#pragma GCC visibility pop
