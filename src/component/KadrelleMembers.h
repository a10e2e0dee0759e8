#pragma once

// The one table of the dual interface _Kadrelle: its 59 members in the order of the interface's
// function table. The interface's virtual functions, their implementation, the dispatch table, the
// printed type library and the tests all expand this list; no member is listed anywhere else.
//
// Columns: kind (get, put = let, putref = set, method), name, dispatch identifier, type (a
// VarType), ByVal or ByRef, help string ("" for none), the function the implementation calls
// (on the control unless the object implements it itself).

#define KADRELLE_HELP_BACKCOLOR \
  "Returns/sets the background color used to display text and graphics in an object."
#define KADRELLE_HELP_ENABLED \
  "Returns/sets a value that determines whether an object can respond to user-generated events."
#define KADRELLE_HELP_INITVALUE "Same as the Value property but does not fire the Change event"
#define KADRELLE_HELP_TEXT "Display representation of the Value field as shown to the user."
#define KADRELLE_HELP_USELIMITS "Enables use of MaxValue and MinValue to qualify input"
#define KADRELLE_HELP_TOOLTIP \
  "Returns/sets the text displayed when the mouse is paused over the control."
#define KADRELLE_HELP_EDITORWIDTH \
  "Adjust the size of the editor box, will adjust the caption to retain the width"
#define KADRELLE_HELP_SIGNLOCK "Set to keep the value numeric sign constant during edits"
#define KADRELLE_HELP_CAUSESVALIDATION \
  "Returns/sets whether validation occurs on the control which lost focus."
#define KADRELLE_HELP_PARAMETER \
  "Standard Parameter Number. Similar to \"ParamKey\" and will update the ParamKey."

// clang-format off
#define KADRELLE_MEMBERS(X)                                                                              \
  X(get,    BackColor,          0x68030012, OleColor,         ByVal, KADRELLE_HELP_BACKCOLOR,          control().get_BackColor)          \
  X(get,    ForeColor,          0x68030011, OleColor,         ByVal, "Returns/sets the foreground color used to display text and graphics in an object.", control().get_ForeColor) \
  X(get,    Enabled,            0x68030010, Boolean,          ByVal, KADRELLE_HELP_ENABLED,            control().get_Enabled)            \
  X(put,    Enabled,            0x68030010, Boolean,          ByVal, KADRELLE_HELP_ENABLED,            control().put_Enabled)            \
  X(get,    Font,               -512,       Font,             ByVal, "Returns a Font object.",         control().get_Font)               \
  X(putref, Font,               -512,       Font,             ByVal, "Returns a Font object.",         control().putref_Font)            \
  X(get,    BorderStyle,        0x6803000F, Integer,          ByVal, "",                               control().get_BorderStyle)        \
  X(put,    BorderStyle,        0x6803000F, Integer,          ByVal, "",                               control().put_BorderStyle)        \
  X(get,    InitializeValue,    0x6803000E, Variant,          ByVal, KADRELLE_HELP_INITVALUE,          control().get_InitializeValue)    \
  X(put,    InitializeValue,    0x6803000E, Variant,          ByVal, KADRELLE_HELP_INITVALUE,          control().put_InitializeValue)    \
  X(get,    Text,               0x6803000D, String,           ByVal, KADRELLE_HELP_TEXT,               control().get_Text)               \
  X(put,    Text,               0x6803000D, String,           ByVal, KADRELLE_HELP_TEXT,               control().put_Text)               \
  X(get,    UseLimits,          0x6803000C, Boolean,          ByVal, KADRELLE_HELP_USELIMITS,          control().get_UseLimits)          \
  X(put,    UseLimits,          0x6803000C, Boolean,          ByVal, KADRELLE_HELP_USELIMITS,          control().put_UseLimits)          \
  X(get,    Value,              0x6803000B, Variant,          ByVal, "Underlying value of the control", control().get_Value)             \
  X(put,    Value,              0x6803000B, Variant,          ByVal, "Underlying value of the control", control().put_Value)             \
  X(get,    ToolTipText,        0x6803000A, String,           ByVal, KADRELLE_HELP_TOOLTIP,            control().get_ToolTipText)        \
  X(put,    ToolTipText,        0x6803000A, String,           ByVal, KADRELLE_HELP_TOOLTIP,            control().put_ToolTipText)        \
  X(get,    ParamKey,           0x68030009, String,           ByVal, "Parameter key for this value",   control().get_ParamKey)           \
  X(put,    ParamKey,           0x68030009, String,           ByVal, "Parameter key for this value",   control().put_ParamKey)           \
  X(get,    ValueObjRef,        0x68030008, ValueObject,      ByVal, "",                               control().get_ValueObjRef)        \
  X(putref, ValueObjRef,        0x68030008, ValueObject,      ByVal, "",                               control().putref_ValueObjRef)     \
  X(method, Refresh,            0x60030029, None,             ByVal, "Forces a complete repaint of a object.", control().Refresh)        \
  X(get,    CaptionFont,        0x68030007, Font,             ByVal, "Returns a Font object.",         control().get_CaptionFont)        \
  X(putref, CaptionFont,        0x68030007, Font,             ByVal, "Returns a Font object.",         control().putref_CaptionFont)     \
  X(get,    EditorWidth,        0x68030006, Single,           ByVal, KADRELLE_HELP_EDITORWIDTH,        control().get_EditorWidth)        \
  X(put,    EditorWidth,        0x68030006, Single,           ByVal, KADRELLE_HELP_EDITORWIDTH,        control().put_EditorWidth)        \
  X(get,    DisplayMode,        0x68030005, DisplayModes,     ByVal, "",                               control().get_DisplayMode)        \
  X(put,    DisplayMode,        0x68030005, DisplayModes,     ByVal, "",                               control().put_DisplayMode)        \
  X(putref, AppLockLevel,       0x68030004, LockLevel,        ByRef, "",                               control().putref_AppLockLevel)    \
  X(get,    AppLockLevel,       0x68030004, LockLevel,        ByVal, "",                               control().get_AppLockLevel)       \
  X(get,    SignLock,           0x68030003, Boolean,          ByVal, KADRELLE_HELP_SIGNLOCK,           control().get_SignLock)           \
  X(put,    SignLock,           0x68030003, Boolean,          ByVal, KADRELLE_HELP_SIGNLOCK,           control().put_SignLock)           \
  X(get,    ZeroException,      0x68030002, Boolean,          ByVal, "",                               control().get_ZeroException)      \
  X(put,    ZeroException,      0x68030002, Boolean,          ByVal, "",                               control().put_ZeroException)      \
  X(get,    CausesValidation,   0x68030001, Boolean,          ByVal, KADRELLE_HELP_CAUSESVALIDATION,   control().get_CausesValidation)   \
  X(put,    CausesValidation,   0x68030001, Boolean,          ByVal, KADRELLE_HELP_CAUSESVALIDATION,   control().put_CausesValidation)   \
  X(get,    Parameter,          0x68030000, ParameterNumbers, ByVal, KADRELLE_HELP_PARAMETER,          control().get_Parameter)          \
  X(put,    Parameter,          0x68030000, ParameterNumbers, ByVal, KADRELLE_HELP_PARAMETER,          control().put_Parameter)          \
  X(get,    VersionStr,         0x6803002A, String,           ByVal, "",                               versionStr)                       \
  X(get,    EditorPosition,     0x6803002B, EditorPositions,  ByVal, "",                               control().get_EditorPosition)     \
  X(put,    EditorPosition,     0x6803002B, EditorPositions,  ByVal, "",                               control().put_EditorPosition)     \
  X(put,    BackColor,          0x68030012, OleColor,         ByVal, KADRELLE_HELP_BACKCOLOR,          control().put_BackColor)          \
  X(put,    TransparentBack,    0x6803002C, Boolean,          ByVal, "",                               control().put_TransparentBack)    \
  X(get,    TransparentBack,    0x6803002C, Boolean,          ByVal, "",                               control().get_TransparentBack)    \
  X(put,    UnitsFontScale,     0x68030035, Long,             ByVal, "",                               control().put_UnitsFontScale)     \
  X(get,    UnitsFontScale,     0x68030035, Long,             ByVal, "",                               control().get_UnitsFontScale)     \
  X(put,    SetPresetStyle,     0x68030034, PresetStyle,      ByVal, "",                               control().put_SetPresetStyle)     \
  X(put,    PresetStyle,        0x68030033, PresetStyle,      ByVal, "",                               control().put_PresetStyle)        \
  X(get,    PresetStyle,        0x68030033, PresetStyle,      ByVal, "",                               control().get_PresetStyle)        \
  X(put,    SetCaptionPosition, 0x68030032, CaptionPositions, ByVal, "",                               control().put_SetCaptionPosition) \
  X(put,    CaptionPosition,    0x68030031, CaptionPositions, ByVal, "",                               control().put_CaptionPosition)    \
  X(get,    CaptionPosition,    0x68030031, CaptionPositions, ByVal, "",                               control().get_CaptionPosition)    \
  X(put,    SetUserDescription, 0x68030030, String,           ByRef, "",                               control().put_SetUserDescription) \
  X(put,    UserDescription,    0x6803002F, String,           ByRef, "",                               control().put_UserDescription)    \
  X(get,    UserDescription,    0x6803002F, String,           ByVal, "",                               control().get_UserDescription)    \
  X(put,    SetUserUnit,        0x6803002E, String,           ByRef, "",                               control().put_SetUserUnit)        \
  X(put,    UserUnit,           0x6803002D, String,           ByRef, "",                               control().put_UserUnit)           \
  X(get,    UserUnit,           0x6803002D, String,           ByVal, "",                               control().get_UserUnit)
// clang-format on
