// The published surface: the member table (its one source), the IDL printed from it, and the
// control's dual interface and dispatch over it (conversions, refusals, failures, events).
#include <gtest/gtest.h>

#include <map>
// GCC 12 at -O1 (the sanitizer build) reports a false maybe-uninitialized inside the std::function
// that std::regex keeps.
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#include <regex>
#include <set>

#include "Fixture.h"
#include "component/ControlDispatch.h"
#include "component/KadrelleObject.h"
#include "component/TypeLibrary.h"
#include "kadrelle_test/Checks.h"

namespace kadrelle::com {
namespace {

TEST(TypeLibrary, EachNameHasOneIdentifierFoundWithoutRegardToCase) {
  std::map<std::string, DISPID> idOf;
  std::set<std::pair<DISPID, int>> kinds;
  for (const auto& m : kMembers) {
    SCOPED_TRACE(m.name);
    EXPECT_EQ(idOf.emplace(m.name, m.id).first->second, m.id);
    EXPECT_TRUE(kinds.insert({m.id, m.kind}).second) << "kind listed twice";
    EXPECT_EQ(findMember(m.id, m.kind), &m);
    std::string upper(m.name);
    for (char& c : upper) c = static_cast<char>(std::toupper(c));
    DISPID id = 0;
    EXPECT_TRUE(findDispId(upper, id));
    EXPECT_EQ(id, m.id);
  }
  std::set<DISPID> distinct;
  for (const auto& [name, id] : idOf) EXPECT_TRUE(distinct.insert(id).second) << name;
  DISPID id = 0;
  EXPECT_FALSE(findDispId("EditorWidt", id) || findDispId("", id));
  for (std::size_t i = 0; i < kEvents.size(); ++i) EXPECT_EQ(kEvents[i].id, DISPID(i + 1));

  // Every identifier is its own; the aliases carry versions 1.0 to 1.3.
  std::set<Guid> guids{kLibrary.id};
  for (const auto& t : kTypes) guids.insert(t.id);
  guids.insert(kEventInterfaceIds.begin(), kEventInterfaceIds.end());
  EXPECT_EQ(guids.size(), 15u);
  for (int v = 0; v < 4; ++v)
    EXPECT_EQ(std::tuple(kTypes[kType_Alias_v0 + v].version.minor, kTypes[kType_Alias_v0 + v].id),
              std::tuple(v, kInterfaceIds[v]));
  EXPECT_EQ(kInterfaceIds[4], kTypes[kType_Kadrelle_Interface].id);
  EXPECT_EQ(kEventInterfaceIds[4], kTypes[kType_Events].id);
}

// The printed library parsed back gives the tables it was printed from, in order.
TEST(TypeLibrary, PrintedIdlParsesBackToTheTables) {
  const std::string idl = printIdl();
  EXPECT_EQ(std::count(idl.begin(), idl.end(), '{'), std::count(idl.begin(), idl.end(), '}'));
  EXPECT_EQ(idl.find("[\n  uuid("), 0u);
  for (const char* part : {"version(1.4),\n  helpstring(\"Quarnel Kadrelle\"),\n  lcid(0x00000409)",
                           "library KadrelleCtl\n{", "interface _Kadrelle : IDispatch {",
                           "typedef _Kadrelle Kadrelle___v3;", "dispinterface __Kadrelle {",
                           "coclass Kadrelle {\n    [default] interface _Kadrelle;\n"
                           "    [default, source] dispinterface __Kadrelle;"})
    EXPECT_NE(idl.find(part), std::string::npos) << part;

  const std::regex member(
      R"re(    \[id\((0x[0-9A-F]{8})\)(, prop(get|put|putref))?(, helpstring\("((?:[^"\\]|\\.)*)"\))?\]\n)re"
      R"re(    HRESULT (\w+)\(((\[out, retval\] |\[in\] |\[in, out\] )([\w.]+\*?\*?) value)?\);)re");
  const std::map<std::string, InvokeKind> kinds = {
      {"", kMethod}, {"get", kGet}, {"put", kLet}, {"putref", kSet}};
  std::size_t i = 0;
  for (std::sregex_iterator it(idl.begin(), idl.end(), member), end; it != end; ++it, ++i) {
    ASSERT_LT(i, kMembers.size());
    const auto& m = kMembers[i];
    const std::smatch& s = *it;
    SCOPED_TRACE(m.name);
    EXPECT_EQ(DISPID(std::stoul(s[1].str(), nullptr, 16)), m.id);
    EXPECT_EQ(kinds.at(s[3].str()), m.kind);
    EXPECT_EQ(std::regex_replace(s[5].str(), std::regex(R"(\\(.))"), "$1"), m.help);
    EXPECT_EQ(s[6].str(), m.name);
    const std::string type(idlName(m.type));
    EXPECT_EQ(s[9].str(), m.kind == kMethod ? "" : m.kind == kGet || m.byRef ? type + "*" : type);
    EXPECT_EQ(s[8].str() == "[in, out] ", m.byRef);
  }
  EXPECT_EQ(i, kMembers.size());

  const std::regex event(R"re(    \[id\((0x[0-9A-F]{8})\)\] void (\w+)\(([^)]*)\);)re");
  i = 0;
  for (std::sregex_iterator it(idl.begin(), idl.end(), event), end; it != end; ++it, ++i) {
    ASSERT_LT(i, kEvents.size());
    const auto& e = kEvents[i];
    std::string params;
    for (const auto& p : e.params)
      params += (params.empty() ? "[in, out] " : ", [in, out] ") + std::string(idlName(p.type)) +
                "* " + std::string(p.name);
    EXPECT_EQ(DISPID(std::stoul((*it)[1].str(), nullptr, 16)), e.id);
    EXPECT_EQ((*it)[2].str(), e.name);
    EXPECT_EQ((*it)[3].str(), params);
  }
  EXPECT_EQ(i, kEvents.size());

  std::string enums, printed;
  for (const auto& e : kEnumerations) {
    enums += std::string(kTypes[e.type].name) + ":";
    for (const auto& m : e.members) enums += std::string(m.name) + "=" + std::to_string(m.value);
  }
  const std::regex enumeration(
      R"re(typedef enum (\w+) \{|\[helpstring\("([^"]*)"\)\] \2 = (-?\d+),)re");
  for (std::sregex_iterator it(idl.begin(), idl.end(), enumeration), end; it != end; ++it)
    printed += (*it)[1].matched ? (*it)[1].str() + ":" : (*it)[2].str() + "=" + (*it)[3].str();
  EXPECT_EQ(printed, enums);
}

class Dispatch : public testing::Test {
 protected:
  Dispatch() {
    EXPECT_EQ(KadrelleObject::create(&s.site, {kFileVersion, "/opt/kadrelle/Kadrelle.ocx"},
                                     IID_IDispatch, object.out()),
              S_OK);
    children = test::start(*object);
  }
  // Calls a member by name; the error of a failed call lands in `error`.
  HRESULT call(std::string_view name, std::uint16_t kind, std::vector<Variant> args = {},
               Variant* result = nullptr) {
    error = {};
    DISPID id = 0;
    const HRESULT r = object->GetIDsOfNames(std::string(name).c_str(), &id);
    return succeeded(r)
               ? object->Invoke(id, kind, args.data(), std::uint32_t(args.size()), result, &error)
               : r;
  }
  Variant get(std::string_view name) {
    Variant v;
    EXPECT_EQ(call(name, kGet, {}, &v), S_OK) << name << ": " << error.description;
    return v;
  }

  test::ComponentSite s;
  ComPtr<IDispatch> object;
  ControlChildren children;
  ErrorInfo error;
};

Variant::Type variantType(VarType t) {
  using T = Variant::Type;
  static const std::map<VarType, T> types = {
      {VarType::Boolean, T::Boolean}, {VarType::Integer, T::Integer},
      {VarType::Single, T::Single},   {VarType::String, T::String},
      {VarType::Font, T::Object},     {VarType::ValueObject, T::Object},
      {VarType::LockLevel, T::Object}};
  return types.contains(t) ? types.at(t) : T::Long;
}

// Every member answers its kinds (a getter with its type, a setter takes what the getter gave or
// a number, a method runs) and refuses the kinds it lacks.
TEST_F(Dispatch, EveryMemberAnswersItsKindsAndRefusesTheRest) {
  ASSERT_EQ(call("ValueObjRef", kSet, {s.library.makeValueObject(param::SpeedLimit)}), S_OK);
  for (const auto& m : kMembers) {
    for (InvokeKind kind : {kGet, kLet, kSet, kMethod}) {
      SCOPED_TRACE(testing::Message() << m.name << " kind " << kind);
      Variant v{std::int32_t{0}}, result;
      if (kind != kGet && findMember(m.id, kGet)) {
        ASSERT_EQ(object->Invoke(m.id, kGet, nullptr, 0, &v, &error), S_OK);
      }
      const bool present = findMember(m.id, kind);
      error = {};
      EXPECT_EQ(object->Invoke(m.id, kind, &v, kind & (kLet | kSet) ? 1 : 0, &result, &error),
                present ? S_OK : DISP_E_MEMBERNOTFOUND)
          << error.description;
      EXPECT_EQ(error.number, present ? 0 : 438);
      if (present && kind == kGet && m.type != VarType::Variant) {
        EXPECT_EQ(result.type(), variantType(m.type));
      }
    }
  }
  EXPECT_EQ(CStr(get("VersionStr")), "1.0.124\r\n/opt/kadrelle\\Kadrelle");
  EXPECT_EQ(CStr(get("ParamKey")), "P1510");
}

TEST_F(Dispatch, AssignmentsConvertByBasicRules) {
  std::string unit = "rpm";
  const std::tuple<const char*, Variant, Variant> cases[] = {
      // name, written, read back
      {"DisplayMode", "2", std::int32_t{2}},
      {"editorwidth", "1500.5", 1500.5f},
      {"Enabled", "false", kFalse},
      {"BackColor", "&H8000000F", std::int32_t(0x8000000F)},
      {"UnitsFontScale", 2.5, std::int32_t{2}},
      {"ToolTipText", std::int16_t{12}, "12"},
      {"UserUnit", Variant::ref(unit), "rpm"},
      {"BorderStyle", kTrue, std::int16_t{-1}}};
  for (const auto& [name, value, read] : cases) {
    EXPECT_EQ(call(name, kLet, {value}), S_OK) << name << ": " << error.description;
    EXPECT_EQ(get(name), read) << name;
  }
  auto lock = s.library.createLockLevel();
  EXPECT_EQ(call("AppLockLevel", kSet, {lock}), S_OK);
  EXPECT_EQ(get("AppLockLevel"), Variant(lock));
  // A method may be called the way Basic calls anything without arguments.
  EXPECT_EQ(call("Refresh", kMethod | kGet), S_OK);
}

TEST_F(Dispatch, FailingCallsGiveAResultCodeAndTheError) {
  // name, kind, arguments, result and error number
  const std::tuple<const char*, std::uint16_t, std::vector<Variant>, HRESULT, int> cases[] = {
      {"EditorWidth", kLet, {}, DISP_E_BADPARAMCOUNT, 450},
      {"Refresh", kMethod, {Variant(1)}, DISP_E_BADPARAMCOUNT, 450},
      {"DisplayMode", kLet, {"x"}, DISP_E_TYPEMISMATCH, 13},
      {"BorderStyle", kLet, {40000}, DISP_E_OVERFLOW, 6},
      {"ValueObjRef", kSet, {5}, DISP_E_EXCEPTION, 424},
      {"ValueObjRef", kSet, {std::make_shared<StdFont>()}, DISP_E_TYPEMISMATCH, 13},
      {"Font", kSet, {nullptr}, DISP_E_EXCEPTION, 91},
      {"NoSuchMember", kGet, {}, DISP_E_UNKNOWNNAME, 0}};
  for (const auto& [name, kind, args, code, number] : cases) {
    EXPECT_EQ(call(name, kind, args), code) << name;
    EXPECT_EQ(error.number, number) << name;
    EXPECT_EQ(error.description.empty(), number == 0) << name;
  }
  EXPECT_EQ(object->Invoke(0x12345, kGet, nullptr, 0, nullptr, &error), DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(object->Invoke(0x68030006, kLet, nullptr, 1, nullptr, nullptr), DISP_E_BADPARAMCOUNT);

  // The dual interface returns the control error code and keeps the error for the caller.
  auto dual = object.query<_Kadrelle>(IID__Kadrelle);
  ComPtr<IControlObject> control = object.query<IControlObject>(IID_IControlObject);
  EXPECT_EQ(dual->putref_Font(nullptr), controlError(91));
  ErrorInfo kept;
  ASSERT_EQ(control->GetErrorInfo(&kept), S_OK);
  EXPECT_EQ(std::pair(kept.number, kept.description),
            std::pair(91, std::string("Object variable or With block variable not set")));
  EXPECT_EQ(dual->get_EditorWidth(nullptr), E_POINTER);
  EXPECT_EQ(control->Load(nullptr), E_POINTER);
  float width = 0;
  EXPECT_EQ(dual->get_EditorWidth(&width), S_OK);
  EXPECT_EQ(control->GetErrorInfo(&kept), S_FALSE);
}

TEST_F(Dispatch, InterfacesByIdentifierAndReferenceCounting) {
  const long alive = KadrelleObject::liveObjects();
  ComPtr<_Kadrelle> dual = object.query<_Kadrelle>(IID__Kadrelle);
  for (const auto& iid : kInterfaceIds) EXPECT_EQ(object.query<_Kadrelle>(iid).get(), dual.get());
  ComPtr<IUnknown> none;
  EXPECT_EQ(object->QueryInterface(IID_IClassFactory, none.out()), E_NOINTERFACE);
  EXPECT_FALSE(none);
  object.reset();
  EXPECT_EQ(KadrelleObject::liveObjects(), alive);
  dual.reset();
  EXPECT_EQ(KadrelleObject::liveObjects(), alive - 1);
}

// A control a form owns, reached by name through the dual interface over it: the interface does
// not delete it, errors are the interface's, and VersionStr names the library of the control.
TEST(BorrowedControl, ByNameThroughTheDualInterface) {
  test::ComponentSite s;
  Kadrelle control(s.site);
  control.UserControl_InitProperties();
  {
    ControlDispatch byName(control);
    byName.put("displaymode", Variant("2"));
    EXPECT_EQ(control.get_DisplayMode(), 2);
    EXPECT_EQ(CLng(byName.get("DisplayMode")), 2);
    EXPECT_NE(CStr(byName.get("VersionStr")).find("\\libkadrelle_core"), std::string::npos);
    EXPECT_THAT([&] { byName.put("DisplayMode", Variant("x")); },
                kadrelle::test::throwsError(Error::kTypeMismatch));
    EXPECT_THROW(byName.get("NoSuchMember"), Error);
  }
  EXPECT_EQ(control.get_DisplayMode(), 2);  // still there
  EXPECT_EQ(KadrelleObject::wrap(control, IID__Kadrelle, nullptr), E_POINTER);
}

// A host's event sink: records each event with its arguments' types and values; zeroes KeyAscii
// when asked.
class Sink final : public IDispatch {
 public:
  HRESULT QueryInterface(const Guid&, void**) override { return E_NOINTERFACE; }
  std::uint32_t AddRef() override { return ++refs; }
  std::uint32_t Release() override { return --refs; }
  HRESULT GetIDsOfNames(const char*, DISPID*) override { return DISP_E_UNKNOWNNAME; }
  HRESULT Invoke(DISPID id, std::uint16_t kind, Variant* args, std::uint32_t count, Variant*,
                 ErrorInfo*) override {
    const EventInfo& e = kEvents.at(id - 1);
    std::string line = std::string(e.name) + (kind == kMethod ? "(" : "?(");
    for (std::uint32_t i = 0; i < count; ++i) {
      EXPECT_TRUE(args[i].isByRef());
      EXPECT_EQ(args[i].type(), variantType(e.params[i].type)) << e.name << " " << i;
      line += (i ? "," : "") + CStr(args[i]);
    }
    heard.push_back(line + ")");
    if (zeroKeys && count > 0 && e.name == "KeyPress") args[0].assign(0);
    return S_OK;
  }
  std::uint32_t refs = 0;
  bool zeroKeys = false;
  std::vector<std::string> heard;
};

TEST_F(Dispatch, EventsReachTheSinkWhichChangesByReferenceArguments) {
  Sink sink;
  auto control = object.query<IControlObject>(IID_IControlObject);
  std::uint32_t cookie = 0;
  ASSERT_EQ(control->Advise(&sink, &cookie), S_OK);
  s.drive->appLock()->put_Level(3);
  EXPECT_EQ(sink.refs, 1u);
  ASSERT_EQ(call("ValueObjRef", kSet, {s.library.makeValueObject(param::SpeedLimit)}), S_OK);
  EditBox& box = *children.editBox;
  box.focusIn();
  box.put_SelStart(0);
  box.put_SelLength(100);
  sink.zeroKeys = true;
  box.keyPress('7');
  EXPECT_EQ(box.get_Text(), CStr(get("Text")));
  EXPECT_EQ(box.get_Text().find('7'), std::string::npos);
  sink.zeroKeys = false;
  box.keyPress('7');
  EXPECT_EQ(box.get_Text(), "7");
  box.mouseDown(1, 2, 10.5f, 20);
  EXPECT_EQ(sink.heard,
            (std::vector<std::string>{"KeyPress(55)", "KeyPress(55)", "MouseDown(1,2,10.5,20)"}));
  ASSERT_EQ(control->Unadvise(cookie), S_OK);
  EXPECT_EQ(sink.refs, 0u);
  box.keyPress('8');
  EXPECT_EQ(sink.heard.size(), 3u);
  EXPECT_EQ(control->Unadvise(cookie), E_INVALIDARG);
}

}  // namespace
}  // namespace kadrelle::com
