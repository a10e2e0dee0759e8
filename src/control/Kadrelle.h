#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "binding/LockLevel.h"
#include "binding/ValueObject.h"
#include "binding/View.h"
#include "caption/CaptionRtf.h"
#include "control/ControlSite.h"
#include "control/Enumerations.h"
#include "editing/EditBox.h"
#include "platform/Boolean.h"
#include "platform/Event.h"
#include "platform/OleColor.h"
#include "platform/PropertyBag.h"
#include "platform/RareString.h"
#include "platform/StdFont.h"
#include "platform/Variant.h"

#pragma GCC visibility push(default)  // what this header declares is public API
namespace kadrelle {

// The parameter-edit control: a caption beside, above or below a one-line edit box, bound to
// one value object of the value library.
//
// Creating it runs its initialisation (trace mask, lock level); the host then calls exactly one
// of UserControl_InitProperties (a new instance) or UserControl_ReadProperties (a saved one).
// Every member runs on the host's user-interface thread. Failures are Error exceptions that end
// the call at the failing step; what was done before stays done.
class Kadrelle : private EditBoxOwner, private SurfaceOwner {
 public:
  explicit Kadrelle(const ControlSite& site);
  ~Kadrelle();
  Kadrelle(const Kadrelle&) = delete;
  Kadrelle& operator=(const Kadrelle&) = delete;

  // Lifecycle notifications from the host.
  void UserControl_InitProperties();
  void UserControl_ReadProperties(PropertyBag& bag);
  void UserControl_WriteProperties(PropertyBag& bag);
  void UserControl_Resize() override;
  void UserControl_EnterFocus() {}
  void UserControl_ExitFocus() {}
  void UserControl_LostFocus() {}

  // The control's surface and its four children, by role, for hosts that size, draw or feed
  // them. The control owns them for its whole life; a host must not replace or destroy them.
  struct Children {
    ControlSurface& surface;  // the control's own drawing area; a host sizes it
    EditBox& editBox;         // the one-line edit box
    PictureBox& captionBox;   // the caption's container
    RichTextBox& caption;     // the caption's rich text, inside captionBox
    Label& measuringLabel;    // hidden; measures the caption's plain text
  };
  Children children() const {
    return {*m_surface, *editBox, *m_rtfCaptionBox, *m_rtfCaption, *heightCalcLbl};
  }

  // Appearance.
  OleColor get_BackColor();
  void put_BackColor(OleColor newColor);
  OleColor get_ForeColor();
  FontRef get_Font();
  void putref_Font(FontRef New_Font);
  Boolean get_TransparentBack();
  void put_TransparentBack(Boolean newState);
  std::int32_t get_UnitsFontScale();
  void put_UnitsFontScale(std::int32_t newScale);
  PresetStyle get_PresetStyle();
  void put_PresetStyle(PresetStyle newSetup);
  void put_SetPresetStyle(PresetStyle newSetup);

  // Editing options.
  Boolean get_Enabled();
  void put_Enabled(Boolean newState);
  std::int16_t get_BorderStyle();
  void put_BorderStyle(std::int16_t newStyle);
  Boolean get_UseLimits();
  void put_UseLimits(Boolean newValue);
  Boolean get_SignLock();
  void put_SignLock(Boolean newValue);
  Boolean get_ZeroException();
  void put_ZeroException(Boolean newValue);
  Boolean get_CausesValidation();
  void put_CausesValidation(Boolean newValue);
  std::string get_ToolTipText();
  void put_ToolTipText(const std::string& newText);

  // Value, text and parameter.
  Variant get_Value();
  void put_Value(const Variant& newValue);
  Variant get_InitializeValue();
  void put_InitializeValue(const Variant& newValue);
  std::string get_Text();
  void put_Text(const std::string& newText);
  std::string get_ParamKey();
  void put_ParamKey(const std::string& newKey);
  ParameterNumbers get_Parameter();
  void put_Parameter(ParameterNumbers newNumber);

  // Binding, views and lock levels.
  ValueObjectRef get_ValueObjRef();
  void putref_ValueObjRef(ValueObjectRef newValueObj);
  void Refresh();
  DisplayModes get_DisplayMode();
  void put_DisplayMode(DisplayModes newMode);
  LockLevelRef get_AppLockLevel();
  void putref_AppLockLevel(const LockLevelRef& newLock);

  // Caption and layout.
  FontRef get_CaptionFont();
  void putref_CaptionFont(FontRef New_CaptionFont);
  std::string get_UserDescription();
  void put_UserDescription(const std::string& newDescription);
  void put_SetUserDescription(const std::string& newDescription);
  std::string get_UserUnit();
  void put_UserUnit(const std::string& newUnit);
  void put_SetUserUnit(const std::string& newUnit);
  float get_EditorWidth();
  void put_EditorWidth(float New_EditorWidth);
  EditorPositions get_EditorPosition();
  void put_EditorPosition(EditorPositions New_EditorPosition);
  CaptionPositions get_CaptionPosition();
  void put_CaptionPosition(CaptionPositions newState);
  void put_SetCaptionPosition(CaptionPositions newState);

  // Events to the host. Arguments are the sender's own cells.
  Event<> Change;
  Event<> Click;
  Event<> DblClick;
  Event<std::int16_t&, std::int16_t&> KeyDown;
  Event<std::int16_t&> KeyPress;
  Event<std::int16_t&, std::int16_t&> KeyUp;
  Event<std::int16_t&, std::int16_t&, float&, float&> MouseDown;
  Event<std::int16_t&, std::int16_t&, float&, float&> MouseMove;
  Event<std::int16_t&, std::int16_t&, float&, float&> MouseUp;
  Event<std::int32_t&, std::string&> UpdateError;

  static constexpr const char* kTypeName = "Kadrelle";

 private:
  // Lifecycle and trace.
  void UserControl_Initialize();
  // Writes the trace line when the level's bit is on; the test is inline, so a line that is not
  // written costs one mask test.
  void Trace(std::string_view message, std::string_view procedure, std::int32_t level) {
    if (traces(level)) writeTrace(message, procedure);
  }
  void writeTrace(std::string_view message, std::string_view procedure);
  bool traces(std::int32_t level) const { return (level & m_debugLevel) != 0; }
  void notify(const char* property);

  // Binding and refresh.
  void updateFromState();
  void SetCurrentView();
  void ApplyLockState();
  void connectValueObject();
  void connectAppLock();
  void m_appLock_Changed();
  void m_ValueObjRef_ContentChanged();
  void m_ValueObjRef_UpdateError(std::int32_t& code, std::string& description);
  void ApplyParameter(ParameterNumbers number);

  // Editing: the edit box's events, heard as its owner.
  void editBox_Change() override;
  void editBox_KeyDown(std::int16_t& KeyCode, std::int16_t& Shift) override;
  void editBox_Click() override { Click.raise(); }
  void editBox_DblClick() override { DblClick.raise(); }
  void editBox_KeyPress(std::int16_t& KeyAscii) override { KeyPress.raise(KeyAscii); }
  void editBox_KeyUp(std::int16_t& KeyCode, std::int16_t& Shift) override {
    KeyUp.raise(KeyCode, Shift);
  }
  void editBox_MouseDown(std::int16_t& Button, std::int16_t& Shift, float& X, float& Y) override {
    MouseDown.raise(Button, Shift, X, Y);
  }
  void editBox_MouseMove(std::int16_t& Button, std::int16_t& Shift, float& X, float& Y) override {
    MouseMove.raise(Button, Shift, X, Y);
  }
  void editBox_MouseUp(std::int16_t& Button, std::int16_t& Shift, float& X, float& Y) override {
    MouseUp.raise(Button, Shift, X, Y);
  }

  // Caption, layout and styles.
  void UpdateCaption();
  const std::string& MakeCaptionRTF();
  void ResizeRTF();
  void SetBackColor(OleColor newColor);
  void ApplyTransparentBack(Boolean state);
  static void CopyFont(const FontRef& source, const FontRef& destination);
  float borderMargin();

  // Persistence: the saved keys, in order, with their defaults and what reading and writing do.
  struct SavedKey;
  static const SavedKey kSavedKeys[];

  const ControlSite m_site;

  // The state record: the objects a refresh reads, then the numbers and flags together, then
  // the texts; a text few controls set is one pointer until set.
  ValueObjectRef m_ValueObjRef;
  LockLevelRef m_appLock;
  ViewRef m_view;
  FontRef m_Font;
  FontRef m_CaptionFont;
  double m_hexRange = 0;  // the view's range the edit box's hexadecimal digits were worked out for
  std::int32_t m_debugLevel = 0;
  ParameterNumbers m_Parameter = 0;
  DisplayModes m_DisplayMode = APP_VIEW;
  std::int32_t m_hexDigits = 4;
  float m_EditorWidth = 0;
  float m_lineHeight = 0;
  EditorPositions m_EditorPosition = 0;
  OleColor m_BackColor = 0;
  std::int32_t m_UnitsFontScale = 0;
  CaptionPositions m_CaptionPosition = AlignedLeft;
  PresetStyle m_PresetStyle = ClassicStyle;
  Boolean m_inResize;
  Boolean m_Enabled;
  Boolean m_loading;
  std::string m_captionText;
  std::string m_unitsText;
  std::string m_UserDescription;
  std::string m_viewDescription;
  CaptionDocument m_captionDocument;  // builds the document only when its inputs change
  RareString m_ParamKey;
  RareString m_UserUnit;

  // The surface and the four children, created with the control.
  std::unique_ptr<ControlSurface> m_surface;
  std::unique_ptr<EditBox> editBox;
  std::unique_ptr<Label> heightCalcLbl;
  std::unique_ptr<PictureBox> m_rtfCaptionBox;
  std::unique_ptr<RichTextBox> m_rtfCaption;

  // Event connections; declared last so they are dropped first.
  Connection m_valueObjConnections[2];
  Connection m_appLockConnection;
};

}  // namespace kadrelle
#pragma GCC visibility pop
