// The Lua host's controls (published members by name through dispatch, events, a user's keys)
// and the value library's objects they hand out.
#include <charconv>
#include <new>

#include "ScriptSupport.h"
#include "component/ControlDispatch.h"
#include "platform/StdFont.h"
#include "platform/Text.h"

namespace kadrelle::lua {

namespace {

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

}  // namespace

void registerControls(lua_State* L, Script& s) {
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
}

}  // namespace kadrelle::lua
