#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>

#include "component/Arg.h"
#include "component/Interfaces.h"

#pragma GCC visibility push(default)  // what this header declares is public API
namespace kadrelle::com {

class _Kadrelle;

struct Version {
  std::uint16_t major = 0, minor = 0;
};

// The library itself.
struct LibraryInfo {
  std::string_view name;
  std::string_view help;
  Guid id;
  Version version;
  std::uint32_t locale;
  std::string_view target;
  std::uint32_t flags;  // 2: control
  std::array<std::string_view, 2> imports;
};
extern const LibraryInfo kLibrary;

// The ten types of the library, in the order below.
enum class TypeKind { DualInterface, Class, Alias, EventInterface, Enumeration };
enum TypeFlags : std::uint32_t {
  kHidden = 1,
  kDual = 2,
  kNonExtensible = 4,
  kAutomation = 8,
  kControl = 16,
};
struct TypeInfo {
  std::string_view name;
  TypeKind kind;
  Guid id;
  Version version;
  std::uint32_t flags;
};
extern const std::array<TypeInfo, 10> kTypes;
enum TypeIndex {
  kType_Kadrelle_Interface,
  kType_Kadrelle_Class,
  kType_Alias_v0,
  kType_Alias_v1,
  kType_Alias_v2,
  kType_Alias_v3,
  kType_Events,
  kType_DisplayModes,
  kType_PresetStyle,
  kType_CaptionPositions,
};
inline constexpr Guid CLSID_Kadrelle = makeGuid("3CCDFE82-D79B-4229-9085-B4C0B8CF3829");
inline constexpr Guid DIID___Kadrelle = makeGuid("F9836106-D0D7-4E03-BA04-484E5E3F7566");

// The identifiers under which each interface has been published, earliest first: versions 1.0 to
// 1.3 (the four aliases, and four earlier event interfaces), then the current one.
extern const std::array<Guid, 5> kInterfaceIds;
extern const std::array<Guid, 5> kEventInterfaceIds;

// One member of _Kadrelle (see KadrelleMembers.h), in function-table order. `invoke` converts the
// argument by Basic's rules (throwing Error on failure) and calls the member through the
// interface; a by-reference argument's cell gets back what the member left in it.
struct MemberInfo {
  std::string_view name;
  InvokeKind kind;
  DISPID id;
  VarType type;
  bool byRef;
  std::string_view help;
  std::string_view calls;
  HRESULT (*invoke)(_Kadrelle& object, Variant* argument, Variant* result);
};
extern const std::array<MemberInfo, 59> kMembers;

// The events of __Kadrelle; every parameter is passed by reference.
struct ParamInfo {
  std::string_view name;
  VarType type;
};
struct EventInfo;
// Hears one raised event: its arguments are by-reference cells over the control's own variables.
using EventHandler = std::function<void(const EventInfo&, Variant* args, std::uint32_t count)>;
struct EventInfo {
  DISPID id;
  std::string_view name;
  std::span<const ParamInfo> params;
  // Connects a handler to this event of a control.
  Connection (*connect)(Kadrelle& control, const EventInfo& event, EventHandler handler);
};
extern const std::array<EventInfo, 10> kEvents;

// The enumerations; each member's help string is its name.
struct EnumMember {
  std::string_view name;
  std::int32_t value;
};
struct EnumInfo {
  TypeIndex type;
  std::span<const EnumMember> members;
};
extern const std::array<EnumInfo, 3> kEnumerations;

// The first member (in function-table order) with that identifier and one of the kinds, or nullptr.
const MemberInfo* findMember(DISPID id, std::uint16_t kinds);
// The dispatch identifier of a member name matched without regard to case, or false.
bool findDispId(std::string_view name, DISPID& id);

// The library as IDL text.
std::string printIdl();

}  // namespace kadrelle::com
#pragma GCC visibility pop
