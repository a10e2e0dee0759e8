#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/Boolean.h"
#include "platform/ChildControl.h"
#include "platform/ControlSurface.h"
#include "platform/Event.h"
#include "platform/OleColor.h"
#include "platform/StdFont.h"
#include "platform/Variant.h"

#pragma GCC visibility push(default)  // what this header declares is public API
namespace kadrelle {

// The one listener that hosts an edit box (the control) hears each of the box's events through
// this interface, before the events' own handlers. It holds no connection: it must outlive the
// box or be taken away (EditBox::setOwner(nullptr)) first. Arguments are the box's own cells.
class EditBoxOwner {
 public:
  virtual void editBox_Change() = 0;
  virtual void editBox_Click() = 0;
  virtual void editBox_DblClick() = 0;
  virtual void editBox_KeyDown(std::int16_t& keyCode, std::int16_t& shift) = 0;
  virtual void editBox_KeyPress(std::int16_t& keyAscii) = 0;
  virtual void editBox_KeyUp(std::int16_t& keyCode, std::int16_t& shift) = 0;
  virtual void editBox_MouseDown(std::int16_t& button, std::int16_t& shift, float& x, float& y) = 0;
  virtual void editBox_MouseMove(std::int16_t& button, std::int16_t& shift, float& x, float& y) = 0;
  virtual void editBox_MouseUp(std::int16_t& button, std::int16_t& shift, float& x, float& y) = 0;

 protected:
  ~EditBoxOwner() = default;
};

// The numeric text box the control hosts as its editor.
// Any member may fail by throwing Error (any other std::exception counts as error 5).
//
// What the control relies on:
//  - Change comes once per finished entry (and for a written Value), never per keystroke and
//    never for writes of Text or InitializeValue;
//  - a KeyDown handler that sets KeyCode to 0 cancels the key, and a KeyPress handler that sets
//    KeyAscii to 0 cancels the character;
//  - Value reads back what the user typed, numeric or not.
class EditBox : public ChildControl {
 public:
  virtual std::string get_Text() = 0;
  virtual void put_Text(const std::string& text) = 0;
  virtual Variant get_Value() = 0;
  virtual void put_Value(const Variant& value) = 0;
  virtual Variant get_InitializeValue() = 0;
  virtual void put_InitializeValue(const Variant& value) = 0;
  virtual std::string get_FormatString() = 0;
  virtual void put_FormatString(const std::string& format) = 0;
  virtual double get_MinValue() = 0;
  virtual void put_MinValue(double value) = 0;
  virtual double get_MaxValue() = 0;
  virtual void put_MaxValue(double value) = 0;
  virtual Boolean get_UseLimits() = 0;
  virtual void put_UseLimits(Boolean value) = 0;
  virtual Boolean get_SignLock() = 0;
  virtual void put_SignLock(const Variant& value) = 0;
  virtual Boolean get_ZeroException() = 0;
  virtual void put_ZeroException(const Variant& value) = 0;
  virtual Boolean get_TextMode() = 0;
  virtual void put_TextMode(Boolean value) = 0;
  virtual Boolean get_HexMode() = 0;
  virtual void put_HexMode(Boolean value) = 0;
  virtual std::int32_t get_HexDigits() = 0;
  virtual void put_HexDigits(std::int32_t digits) = 0;
  virtual Boolean get_EditEnabled() = 0;
  virtual void put_EditEnabled(Boolean value) = 0;
  virtual Boolean get_Armed() = 0;
  virtual void put_Armed(Boolean value) = 0;
  virtual std::int16_t get_BorderStyle() = 0;
  virtual void put_BorderStyle(std::int16_t style) = 0;
  virtual OleColor get_ForeColor() = 0;
  virtual std::int32_t get_SelStart() = 0;
  virtual void put_SelStart(std::int32_t start) = 0;
  virtual std::int32_t get_SelLength() = 0;
  virtual void put_SelLength(std::int32_t length) = 0;
  // The box's own font object; callers change its attributes in place.
  virtual FontRef get_Font() = 0;

  // Input from the toolkit or host. Coordinates are twips in the box's own space.
  virtual void focusIn() = 0;
  virtual void focusOut() = 0;
  virtual void keyDown(std::int16_t keyCode, std::int16_t shift) = 0;
  virtual void keyPress(std::int16_t keyAscii) = 0;
  virtual void keyUp(std::int16_t keyCode, std::int16_t shift) = 0;
  // Typed text (UTF-8), as if each character had been pressed.
  virtual void typeText(std::string_view text) = 0;
  virtual void mouseDown(std::int16_t button, std::int16_t shift, float x, float y) = 0;
  virtual void mouseMove(std::int16_t button, std::int16_t shift, float x, float y) = 0;
  virtual void mouseUp(std::int16_t button, std::int16_t shift, float x, float y) = 0;
  virtual void click() = 0;
  virtual void dblClick() = 0;

  Event<> Click;
  Event<> DblClick;
  Event<std::int16_t&, std::int16_t&> KeyDown;
  Event<std::int16_t&> KeyPress;
  Event<std::int16_t&, std::int16_t&> KeyUp;
  Event<std::int16_t&, std::int16_t&, float&, float&> MouseDown;
  Event<std::int16_t&, std::int16_t&, float&, float&> MouseMove;
  Event<std::int16_t&, std::int16_t&, float&, float&> MouseUp;
  Event<> Change;

  void setOwner(EditBoxOwner* owner) { owner_ = owner; }

 protected:
  // Implementations raise each event through these: the owner first, then the event's handlers.
  using I16 = std::int16_t;
  void raiseChange() {
    if (owner_) owner_->editBox_Change();
    Change.raise();
  }
  void raiseClick() {
    if (owner_) owner_->editBox_Click();
    Click.raise();
  }
  void raiseDblClick() {
    if (owner_) owner_->editBox_DblClick();
    DblClick.raise();
  }
  void raiseKeyDown(I16& keyCode, I16& shift) {
    if (owner_) owner_->editBox_KeyDown(keyCode, shift);
    KeyDown.raise(keyCode, shift);
  }
  void raiseKeyPress(I16& keyAscii) {
    if (owner_) owner_->editBox_KeyPress(keyAscii);
    KeyPress.raise(keyAscii);
  }
  void raiseKeyUp(I16& keyCode, I16& shift) {
    if (owner_) owner_->editBox_KeyUp(keyCode, shift);
    KeyUp.raise(keyCode, shift);
  }
  void raiseMouseDown(I16& button, I16& shift, float& x, float& y) {
    if (owner_) owner_->editBox_MouseDown(button, shift, x, y);
    MouseDown.raise(button, shift, x, y);
  }
  void raiseMouseMove(I16& button, I16& shift, float& x, float& y) {
    if (owner_) owner_->editBox_MouseMove(button, shift, x, y);
    MouseMove.raise(button, shift, x, y);
  }
  void raiseMouseUp(I16& button, I16& shift, float& x, float& y) {
    if (owner_) owner_->editBox_MouseUp(button, shift, x, y);
    MouseUp.raise(button, shift, x, y);
  }

 private:
  EditBoxOwner* owner_ = nullptr;
};

// Makes the edit box component.
class EditBoxFactory {
 public:
  virtual ~EditBoxFactory() = default;
  virtual std::unique_ptr<EditBox> createEditBox(ControlSurface& parent) = 0;
};

}  // namespace kadrelle
#pragma GCC visibility pop
