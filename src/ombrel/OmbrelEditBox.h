#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "editing/EditBox.h"
#include "platform/ChildControlBase.h"
#include "platform/KeyCodes.h"
#include "platform/NumberFormat.h"

#pragma GCC visibility push(default)  // what this header declares is public API
namespace kadrelle {

// The one-line numeric edit box. It holds the editing logic only; a toolkit draws Text, the
// selection, ForeColor, Font and BorderStyle, and feeds user input through the input members.
//
// Modes and display
//  - Numeric (default): a numeric Value is shown through FormatString (see NumberFormat).
//  - HexMode: a numeric Value is shown as an unsigned 32-bit upper-case hexadecimal number padded
//    with zeros to HexDigits (1..8); -1 shows as FFFFFFFF. Entries are read as hexadecimal.
//  - TextMode (wins over HexMode): the text is free; Value is always the text.
//  A Value that is text (an entry that did not read as a number) is shown as it was typed.
//  Changing a mode or the format redraws the shown text unless an entry is under way.
//
// Entries
//  An entry starts with the first edit (typing, Backspace, Delete) and is finished by Enter or by
//  losing focus after a change. Enter finishes an entry even when nothing was typed, so the owner
//  hears every Enter. Finishing reads the text, applies the sign lock and the limits, stores the
//  result in Value, redraws the text from it, puts the caret at the end and raises Change once.
//  Escape abandons the entry and shows Value again. While an entry is under way Value still holds
//  the value from before it. Typing stops at kMaxEntryLength characters.
//
//  Change is raised for each finished entry and for each write of Value, and for nothing else:
//  not per keystroke, not for writes of Text or InitializeValue, not for Escape. Armed is kept and
//  read back but has no effect on Change.
//
// Values
//  - A finished entry is a Double when it reads as a number (EntryParser::parseDecimal, or
//    parseHex in HexMode), otherwise the String as typed. In TextMode it is always the String.
//  - SignLock: a numeric entry takes the sign of the numeric Value from before it (typing 5 over
//    -3 gives -5, typing -5 over 3 gives 5). Zero has no sign, so a zero entry over a nonzero
//    value is refused and the value from before stays; ZeroException lets that zero through. A
//    previous Value of zero, or of text, locks nothing.
//  - UseLimits: a numeric entry below MinValue becomes MinValue, one above MaxValue becomes
//    MaxValue. Limits with MinValue above MaxValue (or not numbers) hold nothing. Changing the
//    limits does not touch the current Value.
//  - Value written by the program is taken as a finished entry: numbers as numbers, text read the
//    same way as typed text, sign lock and limits applied, then Change. A value that is not finite
//    is refused with overflow (6), as CDbl does, and the last good value stays.
//  - InitializeValue sets Value as given (numbers, numeric text as a number, other text as text;
//    in TextMode always text), without limits, sign lock or Change, and abandons any entry.
//    Reading it gives Value.
//  - Text written by the program is shown as written, Value becomes what it reads as (as above,
//    without limits or sign lock), any entry is abandoned and no Change is raised.
//
// Keys (the host sends keyDown, then keyPress for a key that makes a character, then keyUp)
//  KeyDown: Delete (46), Home (36), End (35), Left (37) / Up (38), Right (39) / Down (40);
//  Shift (bit 1 of shift) held with the moving keys extends the selection.
//  KeyPress: printable characters replace the selection, Backspace (8) deletes, Enter (13)
//  finishes the entry, Escape (27) abandons it; Ctrl+A (1), Ctrl+C (3), Ctrl+V (22), Ctrl+X (24)
//  and Ctrl+Z (26) go to editCommand, which a toolkit with a clipboard overrides; other control
//  characters do nothing.
//  A KeyDown handler that sets KeyCode to 0 cancels the key, including the character the same
//  keystroke makes (the next keyPress before keyUp is dropped without an event); one that changes
//  KeyCode makes the box act on the new code. A KeyPress handler that sets KeyAscii to 0 cancels
//  the character; one that changes it inserts the new character. KeyAscii carries the character's
//  code point when it is below 0x10000 (as a 16-bit pattern), otherwise "?" stands for it.
//  With EditEnabled False every event is still raised, the caret and selection still move, but
//  nothing edits the text and Enter finishes no entry; switching EditEnabled off abandons an entry.
//
// Mouse: the mouse members raise their events and do nothing else; placing the caret from a
// position is the toolkit's work, through SelStart and SelLength. A double click selects all.
// Focus: focusIn selects all; focusOut finishes an entry under way.
//
// Display: the box is a model; a toolkit shows Text, the selection, ForeColor, Font, BorderStyle
// and whether it is editable and focused, and redraws on DisplayChanged. That is raised once at
// the end of each call (however many writes the call and the handlers it runs made) that changed
// any of them, and once per real change of the font's attributes or of the geometry.
//
// SelStart and SelLength count characters (code points). Text is UTF-8; invalid bytes written or
// typed become U+FFFD.
class OmbrelEditBox : public ChildControlBase<EditBox> {
 public:
  static constexpr std::int32_t kMaxEntryLength = 4096;

  OmbrelEditBox();

  std::string get_Text() override {
    settle();
    return text_;
  }
  void put_Text(const std::string& text) override;
  Variant get_Value() override { return value_; }
  void put_Value(const Variant& value) override;
  Variant get_InitializeValue() override { return value_; }
  void put_InitializeValue(const Variant& value) override;
  std::string get_FormatString() override { return format_.source(); }
  void put_FormatString(const std::string& format) override;
  double get_MinValue() override { return minValue_; }
  void put_MinValue(double value) override { minValue_ = value; }
  double get_MaxValue() override { return maxValue_; }
  void put_MaxValue(double value) override { maxValue_ = value; }
  Boolean get_UseLimits() override { return useLimits_; }
  void put_UseLimits(Boolean value) override { useLimits_ = Boolean(static_cast<bool>(value)); }
  Boolean get_SignLock() override { return signLock_; }
  void put_SignLock(const Variant& value) override { signLock_ = CBool(value); }
  Boolean get_ZeroException() override { return zeroException_; }
  void put_ZeroException(const Variant& value) override { zeroException_ = CBool(value); }
  Boolean get_TextMode() override { return textMode_; }
  void put_TextMode(Boolean value) override;
  Boolean get_HexMode() override { return hexMode_; }
  void put_HexMode(Boolean value) override;
  std::int32_t get_HexDigits() override { return hexDigits_; }
  void put_HexDigits(std::int32_t digits) override;
  Boolean get_EditEnabled() override { return editEnabled_; }
  void put_EditEnabled(Boolean value) override;
  Boolean get_Armed() override { return armed_; }
  void put_Armed(Boolean value) override { armed_ = value; }
  std::int16_t get_BorderStyle() override { return borderStyle_; }
  void put_BorderStyle(std::int16_t style) override;
  OleColor get_ForeColor() override { return foreColor_; }
  std::int32_t get_SelStart() override;
  void put_SelStart(std::int32_t start) override;
  std::int32_t get_SelLength() override;
  void put_SelLength(std::int32_t length) override;
  FontRef get_Font() override { return font_; }

  // Redraws the text from Value (unless an entry is under way).
  void Refresh() override;

  void focusIn() override;
  void focusOut() override;
  void keyDown(std::int16_t keyCode, std::int16_t shift) override;
  void keyPress(std::int16_t keyAscii) override;
  void keyUp(std::int16_t keyCode, std::int16_t shift) override;
  void typeText(std::string_view text) override;
  void mouseDown(std::int16_t button, std::int16_t shift, float x, float y) override;
  void mouseMove(std::int16_t button, std::int16_t shift, float x, float y) override;
  void mouseUp(std::int16_t button, std::int16_t shift, float x, float y) override;
  void click() override;
  void dblClick() override;

  // The editing commands of a line edit. Select All selects the whole text; Cut deletes the
  // selection (the caller has put it on the clipboard); Undo takes back the last edit of the
  // entry (typing a run of characters is one edit), and a second Undo takes back the first.
  // Cut and Undo edit only while EditEnabled is True.
  void selectAll();
  void deleteSelection();
  void undo();
  bool canUndo() const { return undo_ != nullptr; }

  // True between the first edit of an entry and its end.
  bool entryUnderWay() const { return dirty_; }
  bool hasFocus() const { return focused_; }

 protected:
  // Ctrl+A, Ctrl+C, Ctrl+V, Ctrl+X or Ctrl+Z as a KeyPress no handler cancelled (its control
  // character). The box itself has no clipboard: Select All and Undo are done here, the rest by
  // the toolkit.
  virtual void editCommand(std::uint32_t controlCharacter);

 private:
  // What a toolkit draws, compared before and after each call.
  struct Shown {
    std::string text;
    std::int32_t anchor, caret;
    Boolean editEnabled;
    std::int16_t borderStyle;
    bool focused;
  };
  // Runs the body of a call, raising DisplayChanged at the end of the outermost call that changed
  // what is shown and returned normally.
  template <class Body>
  void displaying(Body&& body);
  // Inline, defined beside the calls that use them.
  inline void rememberShown(Shown& before);
  inline bool shownChanged() const;
  // The text, for a write: the first write in a call keeps the text shown before it. Every write
  // of text_ goes through here, so a call without one has left the text as it was.
  inline std::string& rewriteText();

  // What the text was last drawn from. The owner writes every mode, the format and the value on
  // each refresh; a redraw from the same inputs keeps the text it drew, and a redraw only notes
  // what to draw: the value is formatted once, when the text is next read or the outermost call
  // ends, however many of those writes and redraws come.
  struct DrawnFrom {
    std::uint64_t numberBits;
    bool textMode, hexMode;
    std::int32_t hexDigits;
    std::uint32_t format;
    friend bool operator==(const DrawnFrom&, const DrawnFrom&) = default;
  };

  // A setting written unchanged, needing no redraw.
  inline bool unchanged(bool sameSetting) const;
  // Reads text as this box's modes read an entry: a Double or the text.
  Variant readEntry(const std::string& text) const;
  // Sign lock and limits, against the Value from before the entry.
  Variant holdEntry(Variant entry) const;
  // Takes a finished value: stores it, redraws, ends the entry, raises Change.
  void finishWith(Variant value);
  void finishEntry();
  void abandonEntry();
  void redraw();
  // Draws a noted redraw and fits the selection into the text; every reader of the text or the
  // selection calls it first.
  void settle() {
    if (textStale_ || selectionToFit_) settleNow();
  }
  void settleNow();
  // Puts the caret at the end of the text, whenever it is drawn.
  void selectAtEnd();
  void actOnKey(std::int16_t keyCode, std::int16_t shift);
  void actOnCharacter(std::uint32_t codePoint);
  void pressCodePoint(std::uint32_t codePoint);
  void replaceSelection(std::string_view replacement);
  void moveCaret(std::int32_t to, bool extend);
  inline std::int32_t length();

  std::string text_;
  Variant value_;
  NumberFormat format_;
  std::uint32_t formatGeneration_ = 0;  // counts compiled formats
  DrawnFrom drawnFrom_{};
  bool drawn_ = false;           // text_ is, or is noted to be, what drawnFrom_ draws
  bool textStale_ = false;       // text_ is still to be drawn from drawnFrom_
  bool selectionToFit_ = false;  // the selection may lie past the end of the text
  bool entryRead_ = false;  // value_ is what text_ reads as: written, not redrawn or edited since
  double minValue_ = 0;
  double maxValue_ = 0;
  Boolean useLimits_;
  Boolean signLock_;
  Boolean zeroException_;
  Boolean textMode_;
  Boolean hexMode_;
  std::int32_t hexDigits_ = 4;
  Boolean editEnabled_ = kTrue;
  Boolean armed_ = kTrue;
  std::int16_t borderStyle_ = 1;
  OleColor foreColor_ = kSystemWindowText;
  FontRef font_;
  std::int32_t anchor_ = 0;  // selection: from anchor_ to caret_, in characters
  std::int32_t caret_ = 0;
  bool dirty_ = false;
  // The text and selection before the last edit of the entry, for undo; where the last typed
  // character ended, so that a run of typing is one edit (-1: the last edit was no typing).
  struct Before {
    std::string text;
    std::int32_t anchor, caret;
  };
  std::unique_ptr<Before> undo_;  // held from an entry's first edit to its end
  std::int32_t typedTo_ = -1;
  bool focused_ = false;
  bool dropNextPress_ = false;
  int displayDepth_ = 0;
  Shown* shown_ = nullptr;  // the outermost call's snapshot, on that call's stack
  bool textKept_ = false;   // shown_->text holds the text from before the call
  Connection fontConnection_;
};

}  // namespace kadrelle
#pragma GCC visibility pop
