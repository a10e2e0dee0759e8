// The published tables against the interface the control publishes, and the printed library.
#include <gtest/gtest.h>

#include <map>
#include <sstream>

#include "component/TypeLibrary.h"

namespace kadrelle::com {
namespace {

// _Kadrelle in function-table order: name, kind, DISPID, type; "&" marks a by-reference argument.
constexpr const char* kPublished = R"(
BackColor get 68030012 OleColor|ForeColor get 68030011 OleColor|Enabled get 68030010 Boolean
Enabled let 68030010 Boolean|Font get FFFFFE00 Font|Font set FFFFFE00 Font
BorderStyle get 6803000F Integer|BorderStyle let 6803000F Integer|InitializeValue get 6803000E Variant
InitializeValue let 6803000E Variant|Text get 6803000D String|Text let 6803000D String
UseLimits get 6803000C Boolean|UseLimits let 6803000C Boolean|Value get 6803000B Variant
Value let 6803000B Variant|ToolTipText get 6803000A String|ToolTipText let 6803000A String
ParamKey get 68030009 String|ParamKey let 68030009 String|ValueObjRef get 68030008 ValueObject
ValueObjRef set 68030008 ValueObject|Refresh method 60030029 None|CaptionFont get 68030007 Font
CaptionFont set 68030007 Font|EditorWidth get 68030006 Single|EditorWidth let 68030006 Single
DisplayMode get 68030005 DisplayModes|DisplayMode let 68030005 DisplayModes
AppLockLevel set& 68030004 LockLevel|AppLockLevel get 68030004 LockLevel
SignLock get 68030003 Boolean|SignLock let 68030003 Boolean|ZeroException get 68030002 Boolean
ZeroException let 68030002 Boolean|CausesValidation get 68030001 Boolean
CausesValidation let 68030001 Boolean|Parameter get 68030000 ParameterNumbers
Parameter let 68030000 ParameterNumbers|VersionStr get 6803002A String
EditorPosition get 6803002B EditorPositions|EditorPosition let 6803002B EditorPositions
BackColor let 68030012 OleColor|TransparentBack let 6803002C Boolean
TransparentBack get 6803002C Boolean|UnitsFontScale let 68030035 Long
UnitsFontScale get 68030035 Long|SetPresetStyle let 68030034 PresetStyle
PresetStyle let 68030033 PresetStyle|PresetStyle get 68030033 PresetStyle
SetCaptionPosition let 68030032 CaptionPositions|CaptionPosition let 68030031 CaptionPositions
CaptionPosition get 68030031 CaptionPositions|SetUserDescription let& 68030030 String
UserDescription let& 6803002F String|UserDescription get 6803002F String
SetUserUnit let& 6803002E String|UserUnit let& 6803002D String|UserUnit get 6803002D String
)";

const std::map<std::string, std::string> kHelp = {
    {"BackColor",
     "Returns/sets the background color used to display text and graphics in an object."},
    {"ForeColor",
     "Returns/sets the foreground color used to display text and graphics in an object."},
    {"Enabled",
     "Returns/sets a value that determines whether an object can respond to user-generated "
     "events."},
    {"Font", "Returns a Font object."},
    {"CaptionFont", "Returns a Font object."},
    {"InitializeValue", "Same as the Value property but does not fire the Change event"},
    {"Text", "Display representation of the Value field as shown to the user."},
    {"UseLimits", "Enables use of MaxValue and MinValue to qualify input"},
    {"Value", "Underlying value of the control"},
    {"ToolTipText", "Returns/sets the text displayed when the mouse is paused over the control."},
    {"ParamKey", "Parameter key for this value"},
    {"Refresh", "Forces a complete repaint of a object."},
    {"EditorWidth",
     "Adjust the size of the editor box, will adjust the caption to retain the width"},
    {"SignLock", "Set to keep the value numeric sign constant during edits"},
    {"CausesValidation", "Returns/sets whether validation occurs on the control which lost focus."},
    {"Parameter",
     "Standard Parameter Number. Similar to \"ParamKey\" and will update the ParamKey."},
};

struct Row {
  std::string name, kind;
  std::uint32_t id;
  std::string type;
};

std::vector<Row> published() {
  std::string text = kPublished;
  for (char& c : text)
    if (c == '|') c = '\n';
  std::istringstream in(text);
  std::vector<Row> rows;
  for (Row r; in >> r.name >> r.kind >> std::hex >> r.id >> r.type;) rows.push_back(r);
  return rows;
}

const std::map<std::string, VarType> kTypeNames = {
    {"OleColor", VarType::OleColor},
    {"Boolean", VarType::Boolean},
    {"Integer", VarType::Integer},
    {"Long", VarType::Long},
    {"Single", VarType::Single},
    {"String", VarType::String},
    {"Variant", VarType::Variant},
    {"Font", VarType::Font},
    {"ValueObject", VarType::ValueObject},
    {"LockLevel", VarType::LockLevel},
    {"DisplayModes", VarType::DisplayModes},
    {"PresetStyle", VarType::PresetStyle},
    {"CaptionPositions", VarType::CaptionPositions},
    {"ParameterNumbers", VarType::ParameterNumbers},
    {"EditorPositions", VarType::EditorPositions},
    {"None", VarType::None},
};

TEST(TypeLibrary, MembersFollowThePublishedFunctionTable) {
  const auto rows = published();
  ASSERT_EQ(rows.size(), kMembers.size());
  const std::map<std::string, InvokeKind> kinds = {
      {"get", kGet}, {"let", kLet}, {"set", kSet}, {"method", kMethod}};
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const auto& want = rows[i];
    const auto& m = kMembers[i];
    SCOPED_TRACE("row " + std::to_string(i + 1) + " " + want.name);
    const bool byRef = want.kind.back() == '&';
    const std::string kind = byRef ? want.kind.substr(0, want.kind.size() - 1) : want.kind;
    EXPECT_EQ(m.name, want.name);
    EXPECT_EQ(m.kind, kinds.at(kind));
    EXPECT_EQ(static_cast<std::uint32_t>(m.id), want.id);
    EXPECT_EQ(m.type, kTypeNames.at(want.type));
    EXPECT_EQ(m.byRef, byRef);
    auto help = kHelp.find(want.name);
    EXPECT_EQ(m.help, help == kHelp.end() ? "" : help->second);
  }
}

TEST(TypeLibrary, LibraryTypesEventsAndEnumerations) {
  EXPECT_EQ(kLibrary.name, "KadrelleCtl");
  EXPECT_EQ(kLibrary.help, "Quarnel Kadrelle");
  EXPECT_EQ(kLibrary.version.major * 10 + kLibrary.version.minor, 14);
  EXPECT_EQ(kLibrary.locale, 0x0409u);

  // Every identifier is its own; the aliases carry versions 1.0 to 1.3.
  std::map<Guid, int> seen;
  for (const auto& t : kTypes) ++seen[t.id];
  for (const auto& id : kEventInterfaceIds) ++seen[id];
  ++seen[kLibrary.id];
  EXPECT_EQ(seen.size(), 15u);
  for (int v = 0; v < 4; ++v) {
    const auto& alias = kTypes[kType_Alias_v0 + v];
    EXPECT_EQ(alias.name, "Kadrelle___v" + std::to_string(v));
    EXPECT_EQ(alias.version.minor, v);
    EXPECT_EQ(kInterfaceIds[v], alias.id);
  }
  EXPECT_EQ(kInterfaceIds[4], kTypes[kType_Kadrelle_Interface].id);
  EXPECT_EQ(kEventInterfaceIds[4], kTypes[kType_Events].id);

  std::string events;
  for (const auto& e : kEvents) {
    events += std::to_string(e.id) + std::string(e.name) + "(";
    for (const auto& p : e.params)
      events += std::string(p.name) + ":" + std::string(idlName(p.type)) + " ";
    events += ")";
  }
  EXPECT_EQ(events,
            "1Change()2Click()3DblClick()4KeyDown(KeyCode:short Shift:short )"
            "5KeyPress(KeyAscii:short )6KeyUp(KeyCode:short Shift:short )"
            "7MouseDown(Button:short Shift:short x:single Y:single )"
            "8MouseMove(Button:short Shift:short x:single Y:single )"
            "9MouseUp(Button:short Shift:short x:single Y:single )"
            "10UpdateError(code:long description:BSTR )");

  std::string enums;
  for (const auto& e : kEnumerations) {
    enums += std::string(kTypes[e.type].name) + ":";
    for (const auto& m : e.members)
      enums += std::string(m.name) + "=" + std::to_string(m.value) + ",";
  }
  EXPECT_EQ(enums,
            "DisplayModes:APP_VIEW=0,CONFIG_VIEW=1,DRIVE_VIEW=2,"
            "PresetStyle:Classic Style=0,Corvo Style=1,Custom=2,"
            "CaptionPositions:Aligned Left=0,Aligned Right=1,Centered=2,");
}

TEST(TypeLibrary, PrintsAsIdl) {
  const std::string idl = printIdl();
  for (const char* part : {
           "library KadrelleCtl\n",
           "helpstring(\"Quarnel Kadrelle\")",
           "version(1.4)",
           "lcid(0x00000409)",
           "interface _Kadrelle : IDispatch {",
           "[id(0x68030012), propget, helpstring(\"Returns/sets the background color",
           "HRESULT BackColor([out, retval] OLE_COLOR* value);",
           "[id(0xFFFFFE00), propputref, helpstring(\"Returns a Font object.\")]\n"
           "    HRESULT Font([in] Font* value);",
           "HRESULT AppLockLevel([in, out] Brommet.LockLevel** value);",
           "\"Standard Parameter Number. Similar to \\\"ParamKey\\\" and will update",
           "[id(0x60030029), helpstring(\"Forces a complete repaint of a object.\")]\n"
           "    HRESULT Refresh();",
           "typedef _Kadrelle Kadrelle___v3;",
           "[id(0x00000007)] void MouseDown([in, out] short* Button, [in, out] short* Shift, "
           "[in, out] single* x, [in, out] single* Y);",
           "[helpstring(\"Aligned Left\")] Aligned Left = 0,",
           "[default, source] dispinterface __Kadrelle;",
       })
    EXPECT_NE(idl.find(part), std::string::npos) << part;
  // One declaration per member, none twice.
  std::size_t count = 0;
  for (std::size_t at = 0; (at = idl.find("    HRESULT ", at)) != std::string::npos; ++at) ++count;
  EXPECT_EQ(count, kMembers.size());
}

TEST(TypeLibrary, NamesAreFoundWithoutRegardToCase) {
  DISPID id = 0;
  EXPECT_TRUE(findDispId("editorwidth", id));
  EXPECT_EQ(id, 0x68030006);
  EXPECT_TRUE(findDispId("VERSIONSTR", id));
  EXPECT_EQ(id, 0x6803002A);
  EXPECT_FALSE(findDispId("EditorWidt", id));
  EXPECT_FALSE(findDispId("", id));
}

}  // namespace
}  // namespace kadrelle::com
