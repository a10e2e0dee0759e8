#pragma once

#include <cstdint>

#pragma GCC visibility push(default)  // what this header declares is public API
namespace kadrelle {

// The control's published enumerations.
enum DisplayModes : std::int32_t { APP_VIEW = 0, CONFIG_VIEW = 1, DRIVE_VIEW = 2 };
// "Classic Style", "Corvo Style", "Custom".
enum PresetStyle : std::int32_t { ClassicStyle = 0, CorvoStyle = 1, CustomStyle = 2 };
// "Aligned Left", "Aligned Right", "Centered".
enum CaptionPositions : std::int32_t { AlignedLeft = 0, AlignedRight = 1, Centered = 2 };

}  // namespace kadrelle
#pragma GCC visibility pop
