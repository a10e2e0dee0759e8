#include "ScriptSupport.h"

#include <limits>

#include "platform/KeyCodes.h"

namespace kadrelle::lua {

Script& script(lua_State* L) {
  return *static_cast<Script*>(lua_touserdata(L, lua_upvalueindex(1)));
}

void pushError(lua_State* L, int number, const std::string& description) {
  lua_createtable(L, 0, 3);
  lua_pushinteger(L, number);
  lua_setfield(L, -2, "number");
  lua_pushlstring(L, description.data(), description.size());
  lua_setfield(L, -2, "description");
  luaL_where(L, 1);
  lua_setfield(L, -2, "where");
  luaL_setmetatable(L, kErrorType);
}

int errorToString(lua_State* L) {
  lua_getfield(L, 1, "where");
  lua_pushstring(L, "error ");
  lua_getfield(L, 1, "number");
  lua_pushstring(L, ": ");
  lua_getfield(L, 1, "description");
  lua_concat(L, 5);
  return 1;
}

bool takePendingError(lua_State* L) {
  if (lua_getfield(L, LUA_REGISTRYINDEX, kPendingError) == LUA_TNIL) {
    lua_pop(L, 1);
    return false;
  }
  lua_pushnil(L);
  lua_setfield(L, LUA_REGISTRYINDEX, kPendingError);
  return true;
}

[[noreturn]] void badArgument(int index, const char* what) {
  throw Error(Error::kTypeMismatch, "argument " + std::to_string(index) + " must be " + what);
}

std::string stringArg(lua_State* L, int index) {
  if (lua_type(L, index) != LUA_TSTRING && lua_type(L, index) != LUA_TNUMBER)
    badArgument(index, "a string");
  std::size_t n = 0;
  const char* s = lua_tolstring(L, index, &n);
  return std::string(s, n);
}

double numberArg(lua_State* L, int index) {
  if (lua_type(L, index) != LUA_TNUMBER) badArgument(index, "a number");
  return lua_tonumber(L, index);
}

Variant toVariant(lua_State* L, int index) {
  switch (lua_type(L, index)) {
    case LUA_TNIL:
    case LUA_TNONE:
      return Variant();
    case LUA_TBOOLEAN:
      return Variant(lua_toboolean(L, index) != 0);
    case LUA_TNUMBER:
      if (lua_isinteger(L, index)) {
        const lua_Integer n = lua_tointeger(L, index);
        if (n >= std::numeric_limits<std::int32_t>::min() &&
            n <= std::numeric_limits<std::int32_t>::max())
          return Variant(static_cast<std::int32_t>(n));
      }
      return Variant(static_cast<double>(lua_tonumber(L, index)));
    case LUA_TSTRING: {
      std::size_t n = 0;
      const char* s = lua_tolstring(L, index, &n);
      return Variant(std::string(s, n));
    }
    case LUA_TUSERDATA:
      if (auto* object = static_cast<ObjectRef*>(luaL_testudata(L, index, kObjectType)))
        return Variant(*object);
      break;
    default:
      break;
  }
  throw Error(Error::kTypeMismatch,
              std::string("a Lua ") + luaL_typename(L, index) + " cannot be passed to the control");
}

void pushObject(lua_State* L, ObjectRef object) {
  if (!object) {
    lua_pushnil(L);
    return;
  }
  void* memory = lua_newuserdatauv(L, sizeof(ObjectRef), 0);
  new (memory) ObjectRef(std::move(object));
  luaL_setmetatable(L, kObjectType);
}

void pushVariant(lua_State* L, const Variant& v) {
  const Variant plain = v.value();
  switch (plain.type()) {
    case Variant::Type::Empty:
      lua_pushnil(L);
      return;
    case Variant::Type::Boolean:
      lua_pushboolean(L, static_cast<bool>(*plain.get<Boolean>()));
      return;
    case Variant::Type::Integer:
      lua_pushinteger(L, *plain.get<std::int16_t>());
      return;
    case Variant::Type::Long:
      lua_pushinteger(L, *plain.get<std::int32_t>());
      return;
    case Variant::Type::Object:
      pushObject(L, *plain.get<ObjectRef>());
      return;
    case Variant::Type::String: {
      const std::string& s = *plain.get<std::string>();
      lua_pushlstring(L, s.data(), s.size());
      return;
    }
    default:
      lua_pushnumber(L, CDbl(plain));
      return;
  }
}

KeyStroke keyNamed(lua_State* L, int index) {
  if (lua_type(L, index) == LUA_TNUMBER) {
    const auto code = static_cast<std::int16_t>(lua_tointeger(L, index));
    return {code, static_cast<std::int16_t>(code == 13 || code == 27 || code == 8 ? code : 0)};
  }
  const std::string name = stringArg(L, index);
  static const struct {
    const char* name;
    KeyStroke key;
  } kKeys[] = {
      {"Enter", {kKeyReturn, kKeyReturn}},
      {"Escape", {kKeyEscape, kKeyEscape}},
      {"Backspace", {kKeyBack, kKeyBack}},
      {"Tab", {0, 0, 1}},
      {"BackTab", {0, 0, -1}},
      {"PageUp", {kKeyPageUp, 0}},
      {"PageDown", {kKeyPageDown, 0}},
      {"Left", {kKeyLeft, 0}},
      {"Up", {kKeyUp, 0}},
      {"Right", {kKeyRight, 0}},
      {"Down", {kKeyDown, 0}},
      {"Home", {kKeyHome, 0}},
      {"End", {kKeyEnd, 0}},
      {"Delete", {kKeyDelete, 0}},
  };
  for (const auto& k : kKeys)
    if (name == k.name) return k.key;
  throw Error(Error::kInvalidCall, "No key named \"" + name + "\"");
}

void press(FormSession& session, const KeyStroke& key, std::int16_t shift) {
  if (key.focusMove > 0) return session.focusNext();
  if (key.focusMove < 0) return session.focusPrevious();
  session.pressKey(key.code, shift, key.character);
}

std::int16_t shiftArg(lua_State* L, int index) {
  if (lua_isnoneornil(L, index)) return 0;
  if (lua_type(L, index) == LUA_TBOOLEAN) return lua_toboolean(L, index) ? 1 : 0;
  return static_cast<std::int16_t>(numberArg(L, index));
}

void pushControl(lua_State* L, std::size_t index) {
  auto* ref = static_cast<ControlRef*>(lua_newuserdatauv(L, sizeof(ControlRef), 0));
  ref->index = index;
  luaL_setmetatable(L, kControlType);
}

std::size_t controlArg(lua_State* L, int index) {
  auto* ref = static_cast<ControlRef*>(luaL_testudata(L, index, kControlType));
  if (ref) return ref->index;
  if (lua_type(L, index) == LUA_TSTRING) {
    Form& form = script(L).session().form();
    const std::string name = stringArg(L, index);
    for (std::size_t i = 0; i < form.size(); ++i)
      if (form.name(i) == name) return i;
    throw Error(Error::kInvalidCall, "No control named " + name + " on the form");
  }
  badArgument(index, "a control or a control's name");
}

}  // namespace kadrelle::lua
