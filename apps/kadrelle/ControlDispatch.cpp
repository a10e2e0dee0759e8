// By-name access to a control of a form through the component's type library: names, kinds and
// types come from its member and event tables, and every member is called through the dual
// interface _Kadrelle, here implemented over a control that the form owns.
#include "ControlDispatch.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "component/KadrelleInterface.h"
#include "component/ModuleInfo.h"
#include "component/TypeLibrary.h"
#include "platform/Error.h"
#include "platform/StdFont.h"

namespace kadrelle {

using namespace com;

namespace {

template <class T>
T& need(T* p) {
  if (!p) throw Error::invalidCall();
  return *p;
}

[[noreturn]] void noMember(std::string_view name, std::string_view how = "") {
  throw Error(Error::kNoSuchMember, "Object doesn't support this property or method: " +
                                        std::string(name) + std::string(how));
}

DISPID idOf(std::string_view name) {
  DISPID id;
  if (!findDispId(name, id)) noMember(name);
  return id;
}

const EventInfo* findEvent(std::string_view name) {
  auto same = [](char a, char b) {
    return std::tolower(static_cast<unsigned char>(a)) ==
           std::tolower(static_cast<unsigned char>(b));
  };
  for (const auto& e : kEvents)
    if (std::ranges::equal(e.name, name, same)) return &e;
  return nullptr;
}

}  // namespace

// The dual interface over a borrowed control. Owned by its ControlDispatch and never handed out,
// so reference counting does nothing; members are called through the type library's table.
class ControlDispatch::Object final : public _Kadrelle {
 public:
  explicit Object(Kadrelle& control)
      : control_(control), module_(ModuleInfo::containing(reinterpret_cast<const void*>(&idOf))) {}

  HRESULT QueryInterface(const Guid&, void** out) override {
    if (out) *out = nullptr;
    return E_NOINTERFACE;
  }
  std::uint32_t AddRef() override { return 1; }
  std::uint32_t Release() override { return 1; }
  HRESULT GetIDsOfNames(const char* name, DISPID* id) override {
    return name && findDispId(name, need(id)) ? S_OK : DISP_E_UNKNOWNNAME;
  }
  HRESULT Invoke(DISPID, std::uint16_t, Variant*, std::uint32_t, Variant*, ErrorInfo*) override {
    return E_NOTIMPL;
  }

#define KADRELLE_DEFINE(kind, name, id, type, ref, help, target) \
  HRESULT KADRELLE_SIGNATURE(kind, name, ref, type) override {   \
    return call([&] { KADRELLE_CALL(kind, ref, target); });      \
  }
  KADRELLE_MEMBERS(KADRELLE_DEFINE)
#undef KADRELLE_DEFINE

  // Calls the member; its failure comes back as the control's Error. Anything else a member lets
  // through (a script handler's own failure on its way out) passes unchanged.
  void invoke(const MemberInfo& member, Variant* argument, Variant* result) {
    error_.reset();
    const HRESULT r = member.invoke(*this, argument, result);
    if (succeeded(r)) return;
    if (error_) throw *error_;
    throw Error(440, "Automation error");
  }

 private:
  Kadrelle& control() {
    return control_;
  }
  std::string versionStr() {
    return com::versionStr(module_);
  }

  template <class F>
  HRESULT call(F&& f) {
    try {
      f();
      return S_OK;
    } catch (const std::exception& e) {
      error_ = asError(e);
    }
    return controlError(error_->number());
  }

  Kadrelle& control_;
  ModuleInfo module_;
  std::optional<Error> error_;
};

ControlDispatch::ControlDispatch(Kadrelle& control)
    : control_(control), object_(std::make_unique<Object>(control)) {}

ControlDispatch::~ControlDispatch() = default;

ControlDispatch::Member ControlDispatch::find(std::string_view name) {
  DISPID id;
  if (!findDispId(name, id)) return Member::None;
  return findMember(id, kMethod) ? Member::Method : Member::Property;
}

Variant ControlDispatch::get(std::string_view name) {
  const MemberInfo* member = findMember(idOf(name), kGet);
  if (!member) noMember(name, " (it cannot be read)");
  Variant result;
  object_->invoke(*member, nullptr, &result);
  return result;
}

void ControlDispatch::put(std::string_view name, const Variant& value) {
  const DISPID id = idOf(name);
  const MemberInfo* let = findMember(id, kLet);
  const MemberInfo* set = findMember(id, kSet);
  // Empty given to a property that takes only objects is Nothing: a script's nil unbinds.
  const bool nothing = value.isEmpty() && set && !let;
  const bool byReference = set && (value.type() == Variant::Type::Object || nothing);
  const MemberInfo* member = byReference ? set : let ? let : set;
  if (!member) noMember(name, " (it cannot be assigned)");
  Variant argument = nothing ? Variant(nullptr) : value;
  object_->invoke(*member, &argument, nullptr);
}

Variant ControlDispatch::call(std::string_view name) {
  const MemberInfo* member = findMember(idOf(name), kMethod);
  if (!member) noMember(name, " (it is no method)");
  Variant result;
  object_->invoke(*member, nullptr, &result);
  return result;
}

std::optional<std::vector<std::string>> ControlDispatch::eventParameters(std::string_view event) {
  const EventInfo* e = findEvent(event);
  if (!e) return std::nullopt;
  std::vector<std::string> names;
  for (const auto& p : e->params) names.emplace_back(p.name);
  return names;
}

Connection ControlDispatch::connect(std::string_view event, EventHandler handler) {
  const EventInfo* e = findEvent(event);
  if (!e) throw Error(Error::kNoSuchMember, "No event named " + std::string(event));
  return e->connect(control_, *e,
                    [handler = std::move(handler)](const EventInfo&, Variant* args,
                                                   std::uint32_t count) { handler(args, count); });
}

const std::vector<ControlDispatch::Property>& ControlDispatch::properties() {
  static const std::vector<Property> list = [] {
    std::vector<Property> out;
    for (const auto& m : kMembers) {
      if (m.kind != kGet) continue;
      const bool object =
          m.type == VarType::Font || m.type == VarType::ValueObject || m.type == VarType::LockLevel;
      out.push_back({std::string(m.name), std::string(idlName(m.type)),
                     findMember(m.id, kLet | kSet) != nullptr, object, std::string(m.help)});
    }
    return out;
  }();
  return list;
}

namespace {

const MemberInfo* getter(std::string_view property) {
  DISPID id;
  return findDispId(property, id) ? findMember(id, kGet) : nullptr;
}

}  // namespace

std::string ControlDispatch::text(const Variant& value, std::string_view property) {
  const Variant v = value.value();
  const MemberInfo* member = getter(property);
  if (member && member->type == VarType::OleColor && v.holdsNumber()) {
    char hex[16];
    std::snprintf(hex, sizeof hex, "&H%08X", static_cast<std::uint32_t>(CLng(v)));
    return hex;
  }
  return v.type() == Variant::Type::Object ? "" : CStr(v);
}

std::string ControlDispatch::display(const Variant& value, std::string_view property) {
  const Variant v = value.value();
  if (v.type() == Variant::Type::Object) {
    const ObjectRef& object = *v.get<ObjectRef>();
    if (!object) return "Nothing";
    if (auto font = std::dynamic_pointer_cast<StdFont>(object))
      return "Font " + concatText(v) + " " + numberText(CDbl(Variant(font->get_Size()))) + "pt";
    return "(object)";
  }
  if (v.type() == Variant::Type::String) return "\"" + CStr(v) + "\"";
  std::string shown = text(v, property);
  const MemberInfo* member = getter(property);
  for (const auto& e : kEnumerations) {
    if (!member || idlName(member->type) != kTypes[e.type].name) continue;
    for (const auto& m : e.members)
      if (v.holdsNumber() && m.value == CLng(v)) shown += " (" + std::string(m.name) + ")";
  }
  return shown;
}

}  // namespace kadrelle
