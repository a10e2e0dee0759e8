#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>

#include "binding/LockLevel.h"
#include "binding/ValueObject.h"
#include "control/Kadrelle.h"
#include "platform/OleColor.h"
#include "platform/StdFont.h"
#include "platform/Variant.h"

#pragma GCC visibility push(default)  // what this header declares is public API
namespace kadrelle::com {

// The published types of members and event parameters.
enum class VarType {
  None,
  OleColor,
  Boolean,
  Integer,
  Long,
  Single,
  String,
  Variant,
  Font,
  ValueObject,
  LockLevel,
  DisplayModes,
  PresetStyle,
  CaptionPositions,
  ParameterNumbers,
  EditorPositions,
};

// The type's name in the printed type library.
std::string_view idlName(VarType t);

// For each published type: the C++ type of the dual interface, and Basic's conversions from and to
// a Variant (from() throws Error 13, 6 or 424 as Basic would).
template <VarType V>
struct Arg;

template <class T>
struct LongArg {
  using type = T;
  static T from(const Variant& v) { return static_cast<T>(CLng(v)); }
  static Variant to(T v) { return Variant(static_cast<std::int32_t>(v)); }
};
template <class T>
struct ObjectArg {
  using type = std::shared_ptr<T>;
  static type from(const Variant& v) { return objectOf<T>(v); }
  static Variant to(const type& v) { return Variant(v); }
};

template <>
struct Arg<VarType::OleColor> : LongArg<OleColor> {};
template <>
struct Arg<VarType::Long> : LongArg<std::int32_t> {};
template <>
struct Arg<VarType::ParameterNumbers> : LongArg<ParameterNumbers> {};
template <>
struct Arg<VarType::EditorPositions> : LongArg<EditorPositions> {};
template <>
struct Arg<VarType::DisplayModes> : LongArg<DisplayModes> {};
template <>
struct Arg<VarType::PresetStyle> : LongArg<PresetStyle> {};
template <>
struct Arg<VarType::CaptionPositions> : LongArg<CaptionPositions> {};
template <>
struct Arg<VarType::Boolean> {
  using type = Boolean;
  static type from(const Variant& v) { return CBool(v); }
  static Variant to(type v) { return Variant(v); }
};
template <>
struct Arg<VarType::Integer> {
  using type = std::int16_t;
  static type from(const Variant& v) { return CInt(v); }
  static Variant to(type v) { return Variant(v); }
};
template <>
struct Arg<VarType::Single> {
  using type = float;
  static type from(const Variant& v) { return CSng(v); }
  static Variant to(type v) { return Variant(v); }
};
template <>
struct Arg<VarType::String> {
  using type = std::string;
  static type from(const Variant& v) { return CStr(v); }
  static Variant to(const type& v) { return Variant(v); }
};
template <>
struct Arg<VarType::Variant> {
  using type = Variant;
  static type from(const Variant& v) { return v.value(); }
  static Variant to(const type& v) { return v; }
};
template <>
struct Arg<VarType::Font> : ObjectArg<StdFont> {};
template <>
struct Arg<VarType::ValueObject> : ObjectArg<ValueObject> {};
template <>
struct Arg<VarType::LockLevel> : ObjectArg<LockLevel> {};

// How a by-value parameter is passed: small trivially copyable values as they are, others by const
// reference.
template <class T>
using In = std::conditional_t<std::is_trivially_copyable_v<T> && sizeof(T) <= 8, T, const T&>;

}  // namespace kadrelle::com
#pragma GCC visibility pop
