#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "binding/ValueObject.h"
#include "control/Enumerations.h"
#include "platform/StdFont.h"

#pragma GCC visibility push(default)  // what this header declares is public API
namespace kadrelle {

// What the caption's rich-text document is made of.
struct CaptionInputs {
  std::string_view description;       // "&&" stands for one "&"
  std::string_view units;             // none when empty
  const StdFont* font = nullptr;      // the caption font; without one the document is empty
  std::int32_t unitsFontScale = 100;  // percent of the font size for the units
  EditorPositions editorPosition = kEditorLeft;  // above or below: the units get their own line
  CaptionPositions captionPosition = AlignedLeft;
};

// The caption document: a fixed template around the description (in the font, bold as the font
// says) and the units (regular, scaled). Sizes are half points, nearest integer, halves to even;
// a size beyond 16 bits is error 6. The text goes into out, reusing its storage.
void captionRtf(const CaptionInputs& in, std::string& out);

// Remembers the inputs of the caption document last shown, so that the same inputs are not built
// again. The document itself is kept once, by the rich-text box that shows it: `build` returns
// `shown` when the inputs are those of the last build, else builds into a buffer of the calling
// thread (valid until the next build on it). A build that fails keeps nothing, so the same inputs
// fail again; `forget` does the same for a document that could not be shown.
class CaptionDocument {
 public:
  const std::string& build(const CaptionInputs& in, const std::string& shown);
  void forget() { built_ = false; }

 private:
  bool sameInputs(const CaptionInputs& in) const;

  bool built_ = false;
  std::string description_, units_;
  const std::string* fontName_ = nullptr;  // font names are kept once per process
  bool hasFont_ = false, bold_ = false;
  std::int64_t size_ = 0;
  std::int32_t unitsFontScale_ = 0;
  EditorPositions editorPosition_ = kEditorLeft;
  CaptionPositions captionPosition_ = AlignedLeft;
};

}  // namespace kadrelle
#pragma GCC visibility pop
