// By-name access to a control through the component's type library and its dual interface.
#include "component/ControlDispatch.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "component/KadrelleObject.h"
#include "component/TypeLibrary.h"
#include "platform/Error.h"
#include "platform/StdFont.h"

namespace kadrelle {

using namespace com;

namespace {

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

ControlDispatch::ControlDispatch(Kadrelle& control) : control_(control) {
  void* object = nullptr;
  const HRESULT r = KadrelleObject::wrap(control, IID__Kadrelle, &object);
  if (!succeeded(r)) throw Error(Error::kInvalidCall, "The control has no dual interface");
  object_ = ComPtr<_Kadrelle>::attach(static_cast<_Kadrelle*>(object));
}

Variant ControlDispatch::invoke(DISPID id, std::uint16_t kind, Variant* argument) {
  Variant result;
  ErrorInfo error;
  const HRESULT r =
      object_->Invoke(id, kind, argument, argument ? 1 : 0, argument ? nullptr : &result, &error);
  if (!succeeded(r)) throw Error(error.number, error.description);
  return result;
}

ControlDispatch::Member ControlDispatch::find(std::string_view name) {
  DISPID id;
  if (!findDispId(name, id)) return Member::None;
  return findMember(id, kMethod) ? Member::Method : Member::Property;
}

Variant ControlDispatch::get(std::string_view name) {
  const DISPID id = idOf(name);
  if (!findMember(id, kGet)) noMember(name, " (it cannot be read)");
  return invoke(id, kGet, nullptr);
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
  invoke(id, member->kind, &argument);
}

Variant ControlDispatch::call(std::string_view name) {
  const DISPID id = idOf(name);
  if (!findMember(id, kMethod)) noMember(name, " (it is no method)");
  return invoke(id, kMethod, nullptr);
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
