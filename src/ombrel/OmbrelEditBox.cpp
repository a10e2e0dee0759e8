#include "ombrel/OmbrelEditBox.h"

#include <algorithm>
#include <bit>
#include <exception>
#include <limits>
#include <utility>

#include "ombrel/EntryParser.h"
#include "platform/Error.h"
#include "platform/Text.h"

namespace kadrelle {

namespace {

std::string validUtf8(std::string_view text) {
  if (std::all_of(text.begin(), text.end(), [](char c) { return (c & 0x80) == 0; }))
    return std::string(text);  // ASCII, as typed numbers are
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) appendUtf8(out, decodeUtf8(text, i));
  return out;
}

// Byte offset of the character with the given index (the end for an index past it).
std::size_t byteOffset(std::string_view text, std::int32_t index) {
  std::size_t i = 0;
  for (std::int32_t n = 0; i < text.size(); ++i) {
    if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) {
      if (n == index) return i;
      ++n;
    }
  }
  return text.size();
}

}  // namespace

OmbrelEditBox::OmbrelEditBox() : font_(makeFont()) {
  fontConnection_ = font_->Changed.connect([this] { DisplayChanged.raise(); });
}

// The text is kept by its first rewrite in the call (rewriteText), so a call that leaves it alone
// neither copies nor compares it.
inline void OmbrelEditBox::rememberShown(Shown& before) {
  settle();  // after a call that failed part-way
  textKept_ = false;
  before.anchor = anchor_;
  before.caret = caret_;
  before.editEnabled = editEnabled_;
  before.borderStyle = borderStyle_;
  before.focused = focused_;
  shown_ = &before;
}

inline bool OmbrelEditBox::shownChanged() const {
  const Shown& b = *shown_;
  return b.anchor != anchor_ || b.caret != caret_ || b.editEnabled != editEnabled_ ||
         b.borderStyle != borderStyle_ || b.focused != focused_ || (textKept_ && b.text != text_);
}

inline std::string& OmbrelEditBox::rewriteText() {
  entryRead_ = false;
  textStale_ = false;
  if (!textKept_ && shown_) {
    shown_->text.assign(text_);
    textKept_ = true;
  }
  return text_;
}

inline std::int32_t OmbrelEditBox::length() {
  settle();
  return utf8Length(text_);
}

// Only the outermost call takes the snapshot and compares. A call that fails part-way still shows
// what it changed, with the next change's event.
template <class Body>
void OmbrelEditBox::displaying(Body&& body) {
  Shown before;
  if (displayDepth_++ == 0) rememberShown(before);
  try {
    body();
  } catch (...) {
    if (--displayDepth_ == 0) shown_ = nullptr;
    throw;
  }
  if (--displayDepth_ != 0) return;
  settle();
  const bool changed = shownChanged();
  shown_ = nullptr;
  if (changed) DisplayChanged.raise();
}

// ---- values ----

Variant OmbrelEditBox::readEntry(const std::string& text) const {
  if (textMode_) return Variant(text);
  auto number = hexMode_ ? EntryParser::parseHex(text) : EntryParser::parseDecimal(text);
  if (number) return Variant(*number);
  return Variant(text);
}

Variant OmbrelEditBox::holdEntry(Variant entry) const {
  const double* number = entry.get<double>();
  if (!number) return entry;
  double v = *number;
  const double* before = value_.get<double>();
  if (signLock_ && before && *before != 0) {
    if (v == 0) {
      if (!zeroException_) v = *before;
    } else if ((v < 0) != (*before < 0)) {
      v = -v;
    }
  }
  if (useLimits_ && minValue_ <= maxValue_) v = std::clamp(v, minValue_, maxValue_);
  return Variant(v);
}

namespace {

// A value written by the program, read the way this box reads entries.
template <class ReadText>
Variant programValue(const Variant& value, bool textMode, ReadText readText) {
  if (textMode) return Variant(CStr(value));
  if (value.isEmpty()) return value;
  if (const auto* text = value.get<std::string>()) return readText(validUtf8(*text));
  return Variant(CDbl(value));  // fonts: type mismatch; NaN and infinities: overflow
}

}  // namespace

void OmbrelEditBox::put_Value(const Variant& value) {
  displaying([&] {
    Variant entry = programValue(value, static_cast<bool>(textMode_),
                                 [this](const std::string& t) { return readEntry(t); });
    finishWith(holdEntry(std::move(entry)));
  });
}

void OmbrelEditBox::put_InitializeValue(const Variant& value) {
  displaying([&] {
    value_ = programValue(value, static_cast<bool>(textMode_),
                          [this](const std::string& t) { return readEntry(t); });
    dirty_ = false;
    redraw();
    anchor_ = caret_ = 0;
  });
}

void OmbrelEditBox::put_Text(const std::string& text) {
  displaying([&] {
    rewriteText() = validUtf8(text);
    drawn_ = false;
    value_ = readEntry(text_);
    entryRead_ = true;
    dirty_ = false;
    anchor_ = caret_ = 0;
  });
}

void OmbrelEditBox::finishWith(Variant value) {
  value_ = std::move(value);
  dirty_ = false;
  redraw();
  selectAtEnd();
  raiseChange();
}

void OmbrelEditBox::finishEntry() {
  undo_.reset();
  typedTo_ = -1;
  finishWith(holdEntry(entryRead_ ? value_ : readEntry(text_)));
}

void OmbrelEditBox::abandonEntry() {
  dirty_ = false;
  undo_.reset();
  typedTo_ = -1;
  redraw();
  selectAtEnd();
}

void OmbrelEditBox::redraw() {
  entryRead_ = false;
  if (const double* number = value_.get<double>()) {
    const DrawnFrom from{std::bit_cast<std::uint64_t>(*number), static_cast<bool>(textMode_),
                         static_cast<bool>(hexMode_), hexDigits_, formatGeneration_};
    // The text already shows (or will show) this value this way.
    if (drawn_ && from == drawnFrom_) return;
    drawnFrom_ = from;
    drawn_ = textStale_ = true;
  } else if (const auto* text = value_.get<std::string>()) {
    rewriteText() = *text;
    drawn_ = false;
  } else {
    rewriteText().clear();
    drawn_ = false;
  }
  if (anchor_ != 0 || caret_ != 0)
    selectionToFit_ = true;  // a selection at the start fits any text
}

void OmbrelEditBox::selectAtEnd() {
  anchor_ = caret_ = std::numeric_limits<std::int32_t>::max();
  selectionToFit_ = true;
}

void OmbrelEditBox::settleNow() {
  if (textStale_) {
    const double number = std::bit_cast<double>(drawnFrom_.numberBits);
    std::string& text = rewriteText();
    if (drawnFrom_.textMode) {
      text = numberText(number);
    } else if (drawnFrom_.hexMode) {
      NumberFormat::formatHex(number, drawnFrom_.hexDigits, text);
    } else {
      format_.format(number, text);
    }
  }
  if (selectionToFit_) {
    selectionToFit_ = false;
    const std::int32_t n = utf8Length(text_);
    anchor_ = std::min(anchor_, n);
    caret_ = std::min(caret_, n);
  }
}

// ---- settings that change the display ----

// The owner writes every setting on each refresh. One written with the value it has changes
// nothing while an entry is under way, nor while the text is drawn from the value: every change
// of the value or a setting outside an entry redraws, and every end of an entry redraws or leaves
// the text undrawn.
inline bool OmbrelEditBox::unchanged(bool sameSetting) const {
  return sameSetting && (dirty_ || drawn_);
}

void OmbrelEditBox::put_FormatString(const std::string& format) {
  if (unchanged(format == format_.source())) return;
  displaying([&] {
    // The owner writes the format on every refresh; compile it only when it differs.
    if (format != format_.source()) {
      format_ = NumberFormat(format);
      ++formatGeneration_;
    }
    if (!dirty_) redraw();
  });
}

void OmbrelEditBox::put_TextMode(Boolean value) {
  if (unchanged(textMode_ == Boolean(static_cast<bool>(value)))) return;
  displaying([&] {
    textMode_ = Boolean(static_cast<bool>(value));
    if (!dirty_) redraw();
  });
}

void OmbrelEditBox::put_HexMode(Boolean value) {
  if (unchanged(hexMode_ == Boolean(static_cast<bool>(value)))) return;
  displaying([&] {
    hexMode_ = Boolean(static_cast<bool>(value));
    if (!dirty_) redraw();
  });
}

void OmbrelEditBox::put_HexDigits(std::int32_t digits) {
  if (unchanged(hexDigits_ == digits)) return;
  displaying([&] {
    hexDigits_ = digits;
    if (!dirty_) redraw();
  });
}

void OmbrelEditBox::put_EditEnabled(Boolean value) {
  if (editEnabled_ == Boolean(static_cast<bool>(value))) return;  // no entry runs while it is off
  displaying([&] {
    editEnabled_ = Boolean(static_cast<bool>(value));
    if (!editEnabled_ && dirty_) abandonEntry();
  });
}

void OmbrelEditBox::put_BorderStyle(std::int16_t style) {
  displaying([&] { borderStyle_ = style; });
}

void OmbrelEditBox::Refresh() {
  displaying([&] {
    if (!dirty_) redraw();
  });
}

// ---- selection ----

std::int32_t OmbrelEditBox::get_SelStart() {
  settle();
  return std::min(anchor_, caret_);
}

std::int32_t OmbrelEditBox::get_SelLength() {
  settle();
  return anchor_ > caret_ ? anchor_ - caret_ : caret_ - anchor_;
}

void OmbrelEditBox::put_SelStart(std::int32_t start) {
  displaying([&] {
    if (start < 0) throw Error::invalidPropertyValue();
    anchor_ = caret_ = std::min(start, length());
  });
}

void OmbrelEditBox::put_SelLength(std::int32_t selLength) {
  displaying([&] {
    if (selLength < 0) throw Error::invalidPropertyValue();
    std::int32_t start = get_SelStart();
    anchor_ = start;
    caret_ = start + std::min(selLength, length() - start);
  });
}

void OmbrelEditBox::moveCaret(std::int32_t to, bool extend) {
  caret_ = std::clamp(to, std::int32_t{0}, length());
  if (!extend) anchor_ = caret_;
}

void OmbrelEditBox::replaceSelection(std::string_view replacement) {
  std::int32_t start = get_SelStart();
  std::size_t from = byteOffset(text_, start);
  std::size_t to = byteOffset(text_, start + get_SelLength());
  if (to > from || !replacement.empty()) {
    const bool typing = to == from && utf8Length(replacement) == 1;
    if (!(typing && start == typedTo_)) {
      if (!undo_) undo_ = std::make_unique<Before>();
      *undo_ = Before{text_, anchor_, caret_};
    }
    typedTo_ = typing ? start + 1 : -1;
    rewriteText().replace(from, to - from, replacement);
    drawn_ = false;
    dirty_ = true;
  }
  anchor_ = caret_ = start + utf8Length(replacement);
}

void OmbrelEditBox::editCommand(std::uint32_t controlCharacter) {
  if (controlCharacter == 1) selectAll();
  if (controlCharacter == 26) undo();
}

void OmbrelEditBox::selectAll() {
  displaying([&] {
    settle();
    anchor_ = 0;
    caret_ = length();
  });
}

void OmbrelEditBox::deleteSelection() {
  displaying([&] {
    settle();
    if (editEnabled_ && anchor_ != caret_) replaceSelection({});
  });
}

void OmbrelEditBox::undo() {
  displaying([&] {
    settle();
    if (!editEnabled_ || !undo_) return;
    Before now{text_, anchor_, caret_};
    rewriteText() = std::move(undo_->text);
    anchor_ = undo_->anchor;
    caret_ = undo_->caret;
    *undo_ = std::move(now);
    typedTo_ = -1;
    drawn_ = false;
    dirty_ = true;
  });
}

// ---- input ----

void OmbrelEditBox::focusIn() {
  displaying([&] {
    focused_ = true;
    anchor_ = 0;
    caret_ = length();
  });
}

void OmbrelEditBox::focusOut() {
  displaying([&] {
    focused_ = false;
    if (dirty_) finishEntry();
  });
}

void OmbrelEditBox::keyDown(std::int16_t keyCode, std::int16_t shift) {
  displaying([&] {
    dropNextPress_ = false;
    raiseKeyDown(keyCode, shift);
    if (keyCode == 0) {
      dropNextPress_ = true;
      return;
    }
    actOnKey(keyCode, shift);
  });
}

void OmbrelEditBox::actOnKey(std::int16_t keyCode, std::int16_t shift) {
  settle();
  const bool extend = (shift & kShiftMask) != 0;
  const bool selection = anchor_ != caret_;
  switch (keyCode) {
    case kKeyHome:
      moveCaret(0, extend);
      break;
    case kKeyEnd:
      moveCaret(length(), extend);
      break;
    case kKeyLeft:
    case kKeyUp:
      moveCaret(!extend && selection ? get_SelStart() : caret_ - 1, extend);
      break;
    case kKeyRight:
    case kKeyDown:
      moveCaret(!extend && selection ? get_SelStart() + get_SelLength() : caret_ + 1, extend);
      break;
    case kKeyDelete:
      if (!editEnabled_) break;
      if (!selection) caret_ = std::min(caret_ + 1, length());
      replaceSelection({});
      break;
    default:
      break;
  }
}

void OmbrelEditBox::keyPress(std::int16_t keyAscii) {
  displaying([&] {
    if (std::exchange(dropNextPress_, false)) return;
    raiseKeyPress(keyAscii);
    if (keyAscii == 0) return;
    actOnCharacter(static_cast<std::uint16_t>(keyAscii));
  });
}

void OmbrelEditBox::keyUp(std::int16_t keyCode, std::int16_t shift) {
  dropNextPress_ = false;
  raiseKeyUp(keyCode, shift);
}

void OmbrelEditBox::typeText(std::string_view text) {
  displaying([&] {
    dropNextPress_ = false;
    bool afterReturn = false;
    for (std::size_t i = 0; i < text.size();) {
      std::uint32_t cp = decodeUtf8(text, i);
      if (cp == '\n' && afterReturn) {
        afterReturn = false;
        continue;
      }
      afterReturn = cp == '\r';
      pressCodePoint(cp == '\n' || cp == '\r' ? std::uint32_t{kKeyReturn} : cp);
    }
  });
}

void OmbrelEditBox::pressCodePoint(std::uint32_t codePoint) {
  const std::int16_t original =
      codePoint <= 0xFFFF ? static_cast<std::int16_t>(codePoint) : std::int16_t{'?'};
  std::int16_t keyAscii = original;
  raiseKeyPress(keyAscii);
  if (keyAscii == 0) return;
  actOnCharacter(keyAscii == original ? codePoint : static_cast<std::uint16_t>(keyAscii));
}

void OmbrelEditBox::actOnCharacter(std::uint32_t cp) {
  settle();
  switch (cp) {
    case kKeyBack:
      if (!editEnabled_) return;
      if (anchor_ == caret_) anchor_ = std::max(caret_ - 1, std::int32_t{0});
      replaceSelection({});
      return;
    case kKeyReturn:
      if (editEnabled_) finishEntry();
      return;
    case kKeyEscape:
      abandonEntry();
      return;
    case 1:   // Ctrl+A
    case 3:   // Ctrl+C
    case 22:  // Ctrl+V
    case 24:  // Ctrl+X
    case 26:  // Ctrl+Z
      editCommand(cp);
      return;
    default:
      break;
  }
  if (cp < 0x20 || cp == 0x7F || (cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF) return;
  if (!editEnabled_) return;
  if (length() - get_SelLength() >= kMaxEntryLength) return;
  std::string encoded;
  appendUtf8(encoded, cp);
  replaceSelection(encoded);
}

void OmbrelEditBox::mouseDown(std::int16_t button, std::int16_t shift, float x, float y) {
  raiseMouseDown(button, shift, x, y);
}

void OmbrelEditBox::mouseMove(std::int16_t button, std::int16_t shift, float x, float y) {
  raiseMouseMove(button, shift, x, y);
}

void OmbrelEditBox::mouseUp(std::int16_t button, std::int16_t shift, float x, float y) {
  raiseMouseUp(button, shift, x, y);
}

void OmbrelEditBox::click() {
  raiseClick();
}

void OmbrelEditBox::dblClick() {
  displaying([&] {
    raiseDblClick();
    anchor_ = 0;
    caret_ = length();
  });
}

}  // namespace kadrelle
