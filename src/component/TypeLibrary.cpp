#include "component/TypeLibrary.h"

#include "component/KadrelleInterface.h"
#include "platform/Text.h"

namespace kadrelle::com {

const LibraryInfo kLibrary{
    "KadrelleCtl",
    "Quarnel Kadrelle",
    makeGuid("5AF00281-B489-4CF9-B67D-A881B55F7567"),
    {1, 4},
    0x0409,
    "32-bit Windows",
    2,
    {"stdole2.tlb", "Brommet"},
};

const std::array<TypeInfo, 10> kTypes{{
    {"_Kadrelle",
     TypeKind::DualInterface,
     IID__Kadrelle,
     {1, 4},
     kHidden | kDual | kNonExtensible | kAutomation},
    {"Kadrelle", TypeKind::Class, CLSID_Kadrelle, {1, 4}, kControl},
    {"Kadrelle___v0",
     TypeKind::Alias,
     makeGuid("A3B9B97C-41C6-4289-94EF-0C3B44567E62"),
     {1, 0},
     kHidden},
    {"Kadrelle___v1",
     TypeKind::Alias,
     makeGuid("E39E6DC2-ED9A-476E-9602-E3ADE40769C8"),
     {1, 1},
     kHidden},
    {"Kadrelle___v2",
     TypeKind::Alias,
     makeGuid("4137C623-2424-4E64-B56C-6334B54FFCE7"),
     {1, 2},
     kHidden},
    {"Kadrelle___v3",
     TypeKind::Alias,
     makeGuid("9B80D04D-E928-409E-B487-D9DA23C07582"),
     {1, 3},
     kHidden},
    {"__Kadrelle", TypeKind::EventInterface, DIID___Kadrelle, {1, 4}, kHidden | kNonExtensible},
    {"DisplayModes",
     TypeKind::Enumeration,
     makeGuid("654C23E3-3C12-430F-AA26-BA99963DB357"),
     {1, 0},
     0},
    {"PresetStyle",
     TypeKind::Enumeration,
     makeGuid("32FCFDAD-C708-430B-97FB-CE065825E1BB"),
     {1, 0},
     0},
    {"CaptionPositions",
     TypeKind::Enumeration,
     makeGuid("F487E1D9-4C91-4102-930B-411F6FCF5D7A"),
     {1, 0},
     0},
}};

const std::array<Guid, 5> kInterfaceIds{kTypes[kType_Alias_v0].id, kTypes[kType_Alias_v1].id,
                                        kTypes[kType_Alias_v2].id, kTypes[kType_Alias_v3].id,
                                        IID__Kadrelle};
const std::array<Guid, 5> kEventInterfaceIds{
    makeGuid("01960C13-5C1B-4581-ABB6-6CB4A5C657F9"),
    makeGuid("F04C2ABF-81EA-4762-A0A0-F7E0664B36F5"),
    makeGuid("15869998-F59A-4B29-BB96-9E7F38A76A05"),
    makeGuid("F365ADAA-1AB3-4E80-9CBE-F13B11A4D982"),
    DIID___Kadrelle,
};

namespace {

template <auto Fn, InvokeKind Kind, VarType V, bool ByRef>
HRESULT invokeMember(_Kadrelle& object, Variant* argument, Variant* result) {
  using A = Arg<V>;
  if constexpr (Kind == kMethod) {
    return (object.*Fn)();
  } else if constexpr (Kind == kGet) {
    typename A::type value{};
    HRESULT r = (object.*Fn)(&value);
    if (succeeded(r) && result) *result = A::to(value);
    return r;
  } else if constexpr (ByRef) {
    typename A::type value = A::from(*argument);
    const typename A::type before = value;
    HRESULT r = (object.*Fn)(&value);
    if (argument->isByRef() && !(value == before)) argument->assign(A::to(value));
    return r;
  } else {
    return (object.*Fn)(A::from(*argument));
  }
}

#define KADRELLE_KIND_get kGet
#define KADRELLE_KIND_put kLet
#define KADRELLE_KIND_putref kSet
#define KADRELLE_KIND_method kMethod
#define KADRELLE_BYREF_ByVal false
#define KADRELLE_BYREF_ByRef true
#define KADRELLE_ROW(kind, name, id, type, ref, help, target)                          \
  MemberInfo{#name,                                                                    \
             KADRELLE_KIND_##kind,                                                     \
             id,                                                                       \
             VarType::type,                                                            \
             KADRELLE_BYREF_##ref,                                                     \
             help,                                                                     \
             #target,                                                                  \
             &invokeMember<&_Kadrelle::KADRELLE_FN_##kind(name), KADRELLE_KIND_##kind, \
                           VarType::type, KADRELLE_BYREF_##ref>},

template <class... Args>
Connection connectEvent(Event<Args...>& event, const EventInfo& info, EventHandler handler) {
  return event.connect([&info, handler = std::move(handler)](Args... args) {
    Variant cells[] = {Variant::ref(args)..., Variant()};
    handler(info, cells, sizeof...(Args));
  });
}
template <auto Member>
Connection connectMember(Kadrelle& control, const EventInfo& info, EventHandler handler) {
  return connectEvent(control.*Member, info, std::move(handler));
}

constexpr ParamInfo kKeyParams[] = {{"KeyCode", VarType::Integer}, {"Shift", VarType::Integer}};
constexpr ParamInfo kKeyPressParams[] = {{"KeyAscii", VarType::Integer}};
constexpr ParamInfo kMouseParams[] = {{"Button", VarType::Integer},
                                      {"Shift", VarType::Integer},
                                      {"x", VarType::Single},
                                      {"Y", VarType::Single}};
constexpr ParamInfo kUpdateErrorParams[] = {{"code", VarType::Long},
                                            {"description", VarType::String}};

constexpr EnumMember kDisplayModes[] = {{"APP_VIEW", 0}, {"CONFIG_VIEW", 1}, {"DRIVE_VIEW", 2}};
constexpr EnumMember kPresetStyles[] = {{"Classic Style", 0}, {"Corvo Style", 1}, {"Custom", 2}};
constexpr EnumMember kCaptionPositions[] = {
    {"Aligned Left", 0}, {"Aligned Right", 1}, {"Centered", 2}};

}  // namespace

const std::array<MemberInfo, 59> kMembers{{KADRELLE_MEMBERS(KADRELLE_ROW)}};

const std::array<EventInfo, 10> kEvents{{
    {1, "Change", {}, &connectMember<&Kadrelle::Change>},
    {2, "Click", {}, &connectMember<&Kadrelle::Click>},
    {3, "DblClick", {}, &connectMember<&Kadrelle::DblClick>},
    {4, "KeyDown", kKeyParams, &connectMember<&Kadrelle::KeyDown>},
    {5, "KeyPress", kKeyPressParams, &connectMember<&Kadrelle::KeyPress>},
    {6, "KeyUp", kKeyParams, &connectMember<&Kadrelle::KeyUp>},
    {7, "MouseDown", kMouseParams, &connectMember<&Kadrelle::MouseDown>},
    {8, "MouseMove", kMouseParams, &connectMember<&Kadrelle::MouseMove>},
    {9, "MouseUp", kMouseParams, &connectMember<&Kadrelle::MouseUp>},
    {10, "UpdateError", kUpdateErrorParams, &connectMember<&Kadrelle::UpdateError>},
}};

const std::array<EnumInfo, 3> kEnumerations{{
    {kType_DisplayModes, kDisplayModes},
    {kType_PresetStyle, kPresetStyles},
    {kType_CaptionPositions, kCaptionPositions},
}};

std::string_view idlName(VarType t) {
  switch (t) {
    case VarType::None:
      return "void";
    case VarType::OleColor:
      return "OLE_COLOR";
    case VarType::Boolean:
      return "VARIANT_BOOL";
    case VarType::Integer:
      return "short";
    case VarType::Long:
      return "long";
    case VarType::Single:
      return "single";
    case VarType::String:
      return "BSTR";
    case VarType::Variant:
      return "VARIANT";
    case VarType::Font:
      return "Font*";
    case VarType::ValueObject:
      return "Brommet.ValueObject*";
    case VarType::LockLevel:
      return "Brommet.LockLevel*";
    case VarType::DisplayModes:
      return "DisplayModes";
    case VarType::PresetStyle:
      return "PresetStyle";
    case VarType::CaptionPositions:
      return "CaptionPositions";
    case VarType::ParameterNumbers:
      return "Brommet.ParameterNumbers";
    case VarType::EditorPositions:
      return "Brommet.EditorPositions";
  }
  return "?";
}

const MemberInfo* findMember(DISPID id, std::uint16_t kinds) {
  for (const auto& m : kMembers)
    if (m.id == id && (m.kind & kinds) != 0) return &m;
  return nullptr;
}

bool findDispId(std::string_view name, DISPID& id) {
  for (const auto& m : kMembers) {
    if (equalsIgnoreCase(m.name, name)) {
      id = m.id;
      return true;
    }
  }
  return false;
}

namespace {

std::string attributes(const TypeInfo& t, std::string_view more = {}) {
  std::string s = "  [uuid(" + t.id.text().substr(1, 36) + "), version(" +
                  std::to_string(t.version.major) + "." + std::to_string(t.version.minor) + ")";
  if (t.flags & kHidden) s += ", hidden";
  if (t.flags & kDual) s += ", dual";
  if (t.flags & kNonExtensible) s += ", nonextensible";
  if (t.flags & kAutomation) s += ", oleautomation";
  if (t.flags & kControl) s += ", control";
  s += more;
  return s + "]\n";
}

std::string quoted(std::string_view text) {
  std::string s = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\') s += '\\';
    s += c;
  }
  return s + "\"";
}

std::string memberIdl(const MemberInfo& m) {
  static constexpr std::string_view kAttr[] = {"", "", ", propget",   "", ", propput", "",
                                               "", "", ", propputref"};
  std::string s =
      "    [id(" + hex32(static_cast<std::uint32_t>(m.id)) + ")" + std::string(kAttr[m.kind]);
  if (!m.help.empty()) s += ", helpstring(" + quoted(m.help) + ")";
  s += "]\n    HRESULT " + std::string(m.name) + "(";
  std::string type(idlName(m.type));
  if (m.kind == kGet) s += "[out, retval] " + type + "* value";
  if (m.kind & (kLet | kSet))
    s += (m.byRef ? "[in, out] " + type + "* value" : "[in] " + type + " value");
  return s + ");\n";
}

}  // namespace

std::string printIdl() {
  const auto& lib = kLibrary;
  std::string s = "[\n  uuid(" + lib.id.text().substr(1, 36) + "),\n  version(" +
                  std::to_string(lib.version.major) + "." + std::to_string(lib.version.minor) +
                  "),\n  helpstring(" + quoted(lib.help) + "),\n  lcid(" + hex32(lib.locale) +
                  "),\n  control\n]\nlibrary " + std::string(lib.name) + "\n{\n";
  for (auto import : lib.imports) s += "  importlib(" + quoted(import) + ");\n";
  for (const auto& e : kEnumerations) {
    const auto& t = kTypes[e.type];
    s += "\n" + attributes(t) + "  typedef enum " + std::string(t.name) + " {\n";
    for (const auto& m : e.members)
      s += "    [helpstring(" + quoted(m.name) + ")] " + std::string(m.name) + " = " +
           std::to_string(m.value) + ",\n";
    s += "  } " + std::string(t.name) + ";\n";
  }
  const auto& dual = kTypes[kType_Kadrelle_Interface];
  s += "\n" + attributes(dual) + "  interface _Kadrelle : IDispatch {\n";
  for (const auto& m : kMembers) s += memberIdl(m);
  s += "  };\n";
  for (int i = kType_Alias_v0; i <= kType_Alias_v3; ++i)
    s +=
        "\n" + attributes(kTypes[i]) + "  typedef _Kadrelle " + std::string(kTypes[i].name) + ";\n";
  const auto& events = kTypes[kType_Events];
  s += "\n" + attributes(events) + "  dispinterface __Kadrelle {\n  properties:\n  methods:\n";
  for (const auto& e : kEvents) {
    s += "    [id(" + hex32(static_cast<std::uint32_t>(e.id)) + ")] void " + std::string(e.name) +
         "(";
    for (std::size_t i = 0; i < e.params.size(); ++i)
      s += (i ? ", " : "") + std::string("[in, out] ") + std::string(idlName(e.params[i].type)) +
           "* " + std::string(e.params[i].name);
    s += ");\n";
  }
  s += "  };\n";
  const auto& cls = kTypes[kType_Kadrelle_Class];
  s += "\n" + attributes(cls) + "  coclass Kadrelle {\n    [default] interface _Kadrelle;\n" +
       "    [default, source] dispinterface __Kadrelle;\n  };\n};\n";
  return s;
}

}  // namespace kadrelle::com
