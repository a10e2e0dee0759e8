#pragma once

#include <optional>

#include "binding/ValueObject.h"

#pragma GCC visibility push(default)  // what this header declares is public API
namespace kadrelle {

// A place on the control's surface, in twips.
struct Rect {
  float left = 0, top = 0, width = 0, height = 0;
  friend bool operator==(const Rect&, const Rect&) = default;
};

// Gap between the edit box and a caption beside it, twips.
inline constexpr float kCaptionGap = 100;

// Where the edit box's top-left corner goes: at the left edge, at the right edge (right),
// or on the bottom line (bottom); never at a negative place.
struct Point {
  float left = 0, top = 0;
};
Point editBoxOrigin(EditorPositions position, float surfaceWidth, float surfaceHeight,
                    float editorWidth, float lineHeight, float margin);

// What the caption's place depends on.
struct CaptionLayout {
  EditorPositions position = kEditorLeft;
  float surfaceWidth = 0, surfaceHeight = 0;
  float editorWidth = 0;
  float editBoxLeft = 0, editBoxHeight = 0;
  float margin = 0;         // the edit box's border margin
  float contentHeight = 0;  // the caption text's height
};
// The caption box beside, below or above the edit box, before negative sizes are cut to zero;
// nothing for an editor position the layout does not know.
std::optional<Rect> captionRect(const CaptionLayout& in);

}  // namespace kadrelle
#pragma GCC visibility pop
