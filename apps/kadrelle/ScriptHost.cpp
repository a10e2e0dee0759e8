// Lua automation of a form. Every C function that Lua calls runs its C++ work inside protect(),
// which turns exceptions into Lua errors only after every C++ object of that work is gone (Lua
// raises errors with longjmp, which must not cross live C++ frames).
#include "ScriptHost.h"

#include <lua.hpp>

#include <charconv>
#include <cmath>
#include <iostream>
#include <limits>

#include "ControlDispatch.h"
#include "brommet/ParameterCatalog.h"
#include "platform/Error.h"
#include "platform/StdFont.h"
#include "platform/Text.h"

namespace kadrelle {

namespace {

constexpr const char* kControlType = "kadrelle.Control";
constexpr const char* kObjectType = "kadrelle.Object";
constexpr const char* kErrorType = "kadrelle.Error";
constexpr const char* kPendingError = "kadrelle.pendingError";

// A Lua error raised inside an event handler, on its way back out through the control. The error
// value waits in the registry.
struct HandlerFailed {};

struct ControlRef {
  std::size_t index;
};

class Script {
 public:
  Script(FormSession& session, lua_State* L) : session_(session), L_(L) {}
  ~Script() { connections_.clear(); }

  FormSession& session() { return session_; }
  ControlDispatch& dispatch(std::size_t index) { return session_.dispatch(index); }
  void keep(Connection c) { connections_.push_back(std::move(c)); }
  lua_State* state() { return L_; }

 private:
  FormSession& session_;
  lua_State* L_;
  std::vector<Connection> connections_;
};

Script& script(lua_State* L) {
  return *static_cast<Script*>(lua_touserdata(L, lua_upvalueindex(1)));
}

// Pushes an error value {number, description, where}; its text is "where error N: description".
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

template <class F>
int protect(lua_State* L, F&& work) {
  {
    try {
      return work();
    } catch (const Error& e) {
      pushError(L, e.number(), e.description());
    } catch (const HandlerFailed&) {
      lua_getfield(L, LUA_REGISTRYINDEX, kPendingError);
    } catch (const std::exception& e) {
      pushError(L, Error::kInvalidCall, e.what());
    }
  }
  return lua_error(L);
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

// A key name or code as the keyboard sends it: key code, shift, character.
struct KeyStroke {
  std::int16_t code = 0, character = 0;
  int focusMove = 0;  // Tab and BackTab move the focus instead
};

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
      {"Enter", {13, 13}},     {"Escape", {27, 27}}, {"Backspace", {8, 8}}, {"Tab", {0, 0, 1}},
      {"BackTab", {0, 0, -1}}, {"PageUp", {33, 0}},  {"PageDown", {34, 0}}, {"Left", {37, 0}},
      {"Up", {38, 0}},         {"Right", {39, 0}},   {"Down", {40, 0}},     {"Home", {36, 0}},
      {"End", {35, 0}},        {"Delete", {46, 0}},
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

// ---- controls

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

int controlFocus(lua_State* L) {
  return protect(L, [&] {
    script(L).session().setFocus(controlArg(L, 1));
    return 0;
  });
}

int controlType(lua_State* L) {
  return protect(L, [&] {
    FormSession& session = script(L).session();
    session.setFocus(controlArg(L, 1));
    session.type(stringArg(L, 2));
    return 0;
  });
}

int controlPress(lua_State* L) {
  return protect(L, [&] {
    FormSession& session = script(L).session();
    session.setFocus(controlArg(L, 1));
    press(session, keyNamed(L, 2), shiftArg(L, 3));
    return 0;
  });
}

// k:on(event, handler): the handler gets a table of the event's arguments by name.
int controlOn(lua_State* L) {
  return protect(L, [&] {
    Script& s = script(L);
    const std::size_t index = controlArg(L, 1);
    const std::string event = stringArg(L, 2);
    if (lua_type(L, 3) != LUA_TFUNCTION) badArgument(3, "a function");
    auto params = s.dispatch(index).eventParameters(event);
    if (!params) throw Error(Error::kNoSuchMember, "No event named " + event);
    lua_pushvalue(L, 3);
    const int handler = luaL_ref(L, LUA_REGISTRYINDEX);
    s.keep(s.dispatch(index).connect(
        event, [L, handler, names = *params](Variant* args, std::uint32_t count) {
          const int top = lua_gettop(L);
          lua_rawgeti(L, LUA_REGISTRYINDEX, handler);
          lua_createtable(L, 0, static_cast<int>(count));
          for (std::uint32_t i = 0; i < count && i < names.size(); ++i) {
            pushVariant(L, args[i]);
            lua_setfield(L, -2, names[i].c_str());
          }
          lua_pushvalue(L, -1);
          lua_insert(L, top + 1);  // keep the table below the function
          if (lua_pcall(L, 1, 0, 0) != LUA_OK) {
            lua_setfield(L, LUA_REGISTRYINDEX, kPendingError);
            lua_settop(L, top);
            throw HandlerFailed{};
          }
          // Read raw: a metamethod of the table could raise a Lua error, which must not unwind
          // through these C++ frames.
          for (std::uint32_t i = 0; i < count && i < names.size(); ++i) {
            lua_pushlstring(L, names[i].data(), names[i].size());
            lua_rawget(L, top + 1);
            Variant v;
            try {
              v = toVariant(L, -1);
            } catch (...) {
              lua_settop(L, top);
              throw;
            }
            lua_pop(L, 1);
            args[i].assign(v);
          }
          lua_settop(L, top);
        }));
    return 0;
  });
}

int controlMethod(lua_State* L) {
  return protect(L, [&] {
    Script& s = script(L);
    const std::size_t index = controlArg(L, 1);
    const std::string name = lua_tostring(L, lua_upvalueindex(2));
    pushVariant(L, s.dispatch(index).call(name));
    return 1;
  });
}

int controlIndex(lua_State* L) {
  return protect(L, [&] {
    Script& s = script(L);
    const std::size_t index = controlArg(L, 1);
    const std::string name = stringArg(L, 2);
    static const luaL_Reg kActions[] = {
        {"focus", controlFocus}, {"type", controlType}, {"press", controlPress}, {"on", controlOn}};
    for (const auto& a : kActions) {
      if (name == a.name) {
        lua_pushlightuserdata(L, &s);
        lua_pushcclosure(L, a.func, 1);
        return 1;
      }
    }
    switch (s.dispatch(index).find(name)) {
      case ControlDispatch::Member::Method:
        lua_pushlightuserdata(L, &s);
        lua_pushstring(L, name.c_str());
        lua_pushcclosure(L, controlMethod, 2);
        return 1;
      case ControlDispatch::Member::Property:
        pushVariant(L, s.dispatch(index).get(name));
        return 1;
      case ControlDispatch::Member::None:
        break;
    }
    throw Error(Error::kNoSuchMember, "Object doesn't support this property or method: " + name);
  });
}

// A text written to the Value of a control that edits a number must read as one: the control
// would take any other text as an entry to refuse without a word. Type mismatch (13), or
// overflow (6) for a number beyond Double.
void checkNumericValue(Kadrelle& control, const std::string& name, const Variant& value) {
  const std::string* text = value.get<std::string>();
  if (!text || !equalsIgnoreCase(name, "Value") || !control.get_ValueObjRef() ||
      control.children().editBox.get_TextMode() || parseNumber(*text))
    return;
  const std::string_view t = trim(*text);
  double ignored = 0;
  const auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), ignored);
  if (ec == std::errc::result_out_of_range && end == t.data() + t.size()) throw Error::overflow();
  throw Error::typeMismatch();
}

int controlNewIndex(lua_State* L) {
  return protect(L, [&] {
    Script& s = script(L);
    const std::size_t index = controlArg(L, 1);
    const std::string name = stringArg(L, 2);
    const Variant value = toVariant(L, 3);
    checkNumericValue(s.session().form().control(index), name, value);
    s.dispatch(index).put(name, value);
    return 0;
  });
}

int controlToString(lua_State* L) {
  return protect(L, [&] {
    const std::size_t index = controlArg(L, 1);
    const std::string text = "Kadrelle " + script(L).session().form().name(index);
    lua_pushstring(L, text.c_str());
    return 1;
  });
}

int controlEqual(lua_State* L) {
  auto* a = static_cast<ControlRef*>(luaL_testudata(L, 1, kControlType));
  auto* b = static_cast<ControlRef*>(luaL_testudata(L, 2, kControlType));
  lua_pushboolean(L, a && b && a->index == b->index);
  return 1;
}

// ---- value-library objects

int objectGc(lua_State* L) {
  static_cast<ObjectRef*>(luaL_checkudata(L, 1, kObjectType))->~ObjectRef();
  return 0;
}

// The standard font object's attributes (k.Font.Bold = true), converted by Basic's rules.
struct FontAttribute {
  const char* name;
  Variant (*get)(const StdFont&);
  void (*put)(StdFont&, const Variant&);
};
const FontAttribute kFontAttributes[] = {
    {"Name", [](const StdFont& f) { return Variant(f.get_Name()); },
     [](StdFont& f, const Variant& v) { f.put_Name(CStr(v)); }},
    {"Size", [](const StdFont& f) { return Variant(f.get_Size()); },
     [](StdFont& f, const Variant& v) { f.put_Size(CCur(v)); }},
    {"Bold", [](const StdFont& f) { return Variant(f.get_Bold()); },
     [](StdFont& f, const Variant& v) { f.put_Bold(CBool(v)); }},
    {"Italic", [](const StdFont& f) { return Variant(f.get_Italic()); },
     [](StdFont& f, const Variant& v) { f.put_Italic(CBool(v)); }},
    {"Underline", [](const StdFont& f) { return Variant(f.get_Underline()); },
     [](StdFont& f, const Variant& v) { f.put_Underline(CBool(v)); }},
    {"Strikethrough", [](const StdFont& f) { return Variant(f.get_Strikethrough()); },
     [](StdFont& f, const Variant& v) { f.put_Strikethrough(CBool(v)); }},
    {"Weight", [](const StdFont& f) { return Variant(f.get_Weight()); },
     [](StdFont& f, const Variant& v) { f.put_Weight(CInt(v)); }},
    {"Charset", [](const StdFont& f) { return Variant(f.get_Charset()); },
     [](StdFont& f, const Variant& v) { f.put_Charset(CInt(v)); }},
};

const FontAttribute* fontAttribute(const ObjectRef& object, const std::string& name) {
  if (!std::dynamic_pointer_cast<StdFont>(object)) return nullptr;
  for (const auto& a : kFontAttributes)
    if (name == a.name) return &a;
  return nullptr;
}

// The value-library object at the index; anything else is type mismatch (an Error, not a Lua
// error, which would unwind through C++ frames).
const ObjectRef& objectArg(lua_State* L, int index) {
  auto* object = static_cast<ObjectRef*>(luaL_testudata(L, index, kObjectType));
  if (!object) badArgument(index, "an object");
  return *object;
}

int objectIndex(lua_State* L) {
  return protect(L, [&] {
    const ObjectRef& object = objectArg(L, 1);
    const std::string name = stringArg(L, 2);
    if (auto lock = std::dynamic_pointer_cast<LockLevel>(object); lock && name == "Level") {
      lua_pushinteger(L, lock->get_Level());
      return 1;
    }
    if (auto value = std::dynamic_pointer_cast<ValueObject>(object); value && name == "Key") {
      const std::string key = value->get_Key();
      lua_pushstring(L, key.c_str());
      return 1;
    }
    if (auto* a = fontAttribute(object, name)) {
      pushVariant(L, a->get(static_cast<const StdFont&>(*object)));
      return 1;
    }
    throw Error(Error::kNoSuchMember, "Object doesn't support this property or method: " + name);
  });
}

int objectNewIndex(lua_State* L) {
  return protect(L, [&] {
    const ObjectRef& object = objectArg(L, 1);
    const std::string name = stringArg(L, 2);
    if (auto lock = std::dynamic_pointer_cast<LockLevel>(object); lock && name == "Level") {
      lock->put_Level(CLng(toVariant(L, 3)));
      return 0;
    }
    if (auto* a = fontAttribute(object, name)) {
      a->put(static_cast<StdFont&>(*object), toVariant(L, 3));
      return 0;
    }
    throw Error(Error::kNoSuchMember, "Object doesn't support this property or method: " + name);
  });
}

// ---- the form

int formIndex(lua_State* L) {
  return protect(L, [&] {
    Form& form = script(L).session().form();
    if (lua_type(L, 2) == LUA_TNUMBER) {
      const lua_Integer i = lua_tointeger(L, 2);
      if (i < 1 || static_cast<std::size_t>(i) > form.size()) {
        lua_pushnil(L);
        return 1;
      }
      pushControl(L, static_cast<std::size_t>(i - 1));
      return 1;
    }
    const std::string name = stringArg(L, 2);
    for (std::size_t i = 0; i < form.size(); ++i) {
      if (form.name(i) == name) {
        pushControl(L, i);
        return 1;
      }
    }
    lua_pushnil(L);
    return 1;
  });
}

// form.SpeedLimit = 4500 would hide the control behind a plain field of the table.
int formNewIndex(lua_State* L) {
  return protect(L, [&]() -> int {
    throw Error(Error::kNoSuchMember, "The form's members cannot be assigned: " + stringArg(L, 2) +
                                          " (assign a control's property)");
  });
}

int formLength(lua_State* L) {
  lua_pushinteger(L, static_cast<lua_Integer>(script(L).session().form().size()));
  return 1;
}

int formFocus(lua_State* L) {
  return protect(L, [&] {
    script(L).session().setFocus(controlArg(L, 2));
    return 0;
  });
}

int formFocused(lua_State* L) {
  pushControl(L, script(L).session().focus());
  return 1;
}

int formType(lua_State* L) {
  return protect(L, [&] {
    script(L).session().type(stringArg(L, 2));
    return 0;
  });
}

int formPress(lua_State* L) {
  return protect(L, [&] {
    press(script(L).session(), keyNamed(L, 2), shiftArg(L, 3));
    return 0;
  });
}

int formNames(lua_State* L) {
  Form& form = script(L).session().form();
  lua_createtable(L, static_cast<int>(form.size()), 0);
  for (std::size_t i = 0; i < form.size(); ++i) {
    lua_pushstring(L, form.name(i).c_str());
    lua_rawseti(L, -2, static_cast<lua_Integer>(i + 1));
  }
  return 1;
}

int formSave(lua_State* L) {
  return protect(L, [&] {
    FormSession& session = script(L).session();
    if (lua_isnoneornil(L, 2))
      session.save(true);  // the built-in page's form too: the script asked for the form
    else
      session.saveForm(stringArg(L, 2));
    return 0;
  });
}

// ---- the drive

int driveGet(lua_State* L) {
  return protect(L, [&] {
    const ParameterInfo& info = DriveSession::findParameter(stringArg(L, 2));
    ServoDrive& drive = script(L).session().drive().drive();
    if (info.text)
      lua_pushstring(L, drive.text(info.number).c_str());
    else
      lua_pushnumber(L, drive.value(info.number) * info.scale);
    return 1;
  });
}

int driveSet(lua_State* L) {
  return protect(L, [&] {
    const ParameterInfo& info = DriveSession::findParameter(stringArg(L, 2));
    script(L).session().drive().commit(info, toVariant(L, 3));
    return 0;
  });
}

int driveValueObject(lua_State* L) {
  return protect(L, [&] {
    const ParameterInfo& info = DriveSession::findParameter(stringArg(L, 2));
    pushObject(L, script(L).session().library().makeValueObject(info.number));
    return 1;
  });
}

int driveTick(lua_State* L) {
  return protect(L, [&] {
    script(L).session().tick(numberArg(L, 2));
    return 0;
  });
}

int driveSave(lua_State* L) {
  return protect(L, [&] {
    script(L).session().drive().save();
    return 0;
  });
}

int driveIndex(lua_State* L) {
  return protect(L, [&] {
    DriveSession& drive = script(L).session().drive();
    const std::string name = stringArg(L, 2);
    if (name == "lockLevel") {
      lua_pushinteger(L, drive.lockLevel());
      return 1;
    }
    if (name == "appLock") {
      pushObject(L, drive.drive().appLock());
      return 1;
    }
    lua_pushnil(L);
    return 1;
  });
}

int driveNewIndex(lua_State* L) {
  return protect(L, [&] {
    const std::string name = stringArg(L, 2);
    if (name != "lockLevel") throw Error(Error::kNoSuchMember, "The drive has no " + name);
    script(L).session().setLockLevel(CLng(toVariant(L, 3)));
    if (script(L).session().drive().lockLevel() != CLng(toVariant(L, 3)))
      throw Error(Error::kInvalidPropertyValue, "Lock levels go from 0 to 3");
    return 0;
  });
}

void registerTable(lua_State* L, Script& s, const char* global, const luaL_Reg* methods,
                   const luaL_Reg* meta) {
  lua_newtable(L);
  lua_pushlightuserdata(L, &s);
  luaL_setfuncs(L, methods, 1);
  lua_newtable(L);
  lua_pushlightuserdata(L, &s);
  luaL_setfuncs(L, meta, 1);
  lua_setmetatable(L, -2);
  lua_setglobal(L, global);
}

void registerTypes(lua_State* L, Script& s) {
  luaL_newmetatable(L, kErrorType);
  lua_pushcfunction(L, errorToString);
  lua_setfield(L, -2, "__tostring");
  lua_pop(L, 1);

  const luaL_Reg control[] = {{"__index", controlIndex},
                              {"__newindex", controlNewIndex},
                              {"__tostring", controlToString},
                              {"__eq", controlEqual},
                              {nullptr, nullptr}};
  luaL_newmetatable(L, kControlType);
  lua_pushlightuserdata(L, &s);
  luaL_setfuncs(L, control, 1);
  lua_pop(L, 1);

  const luaL_Reg object[] = {{"__index", objectIndex},
                             {"__newindex", objectNewIndex},
                             {"__gc", objectGc},
                             {nullptr, nullptr}};
  luaL_newmetatable(L, kObjectType);
  lua_pushlightuserdata(L, &s);
  luaL_setfuncs(L, object, 1);
  lua_pop(L, 1);

  const luaL_Reg formMethods[] = {
      {"focus", formFocus}, {"focused", formFocused}, {"type", formType}, {"press", formPress},
      {"names", formNames}, {"save", formSave},       {nullptr, nullptr}};
  const luaL_Reg formMeta[] = {{"__index", formIndex},
                               {"__newindex", formNewIndex},
                               {"__len", formLength},
                               {nullptr, nullptr}};
  registerTable(L, s, "form", formMethods, formMeta);

  const luaL_Reg driveMethods[] = {
      {"get", driveGet},   {"set", driveSet},   {"valueObject", driveValueObject},
      {"tick", driveTick}, {"save", driveSave}, {nullptr, nullptr}};
  const luaL_Reg driveMeta[] = {
      {"__index", driveIndex}, {"__newindex", driveNewIndex}, {nullptr, nullptr}};
  registerTable(L, s, "drive", driveMethods, driveMeta);
}

// Text errors carry their place, and control errors their own text: they stay as they are. Any
// other value a script raises (error({}), error(nil)) is named by its type at the place of the
// call that raised it.
int messageHandler(lua_State* L) {
  if (lua_type(L, 1) == LUA_TSTRING || luaL_getmetafield(L, 1, "__tostring") != LUA_TNIL) {
    lua_settop(L, 1);
    return 1;
  }
  luaL_where(L, 2);  // 1 is error() itself
  lua_pushfstring(L, "error with a %s value", luaL_typename(L, 1));
  lua_concat(L, 2);
  return 1;
}

}  // namespace

int runScript(const std::filesystem::path& file, FormSession& session) {
  lua_State* L = luaL_newstate();
  if (!L) {
    std::cerr << "kadrelle: cannot start Lua\n";
    return 1;
  }
  int status = 0;
  {
    Script s(session, L);
    luaL_openlibs(L);
    registerTypes(L, s);
    lua_pushcfunction(L, messageHandler);
    const int handler = lua_gettop(L);
    if (luaL_loadfile(L, file.c_str()) != LUA_OK || lua_pcall(L, 0, 0, handler) != LUA_OK) {
      std::cerr << "kadrelle: " << luaL_tolstring(L, -1, nullptr) << '\n';
      status = 1;
    }
    lua_settop(L, 0);
    lua_gc(L, LUA_GCCOLLECT);
  }
  lua_close(L);
  return status;
}

}  // namespace kadrelle
