// Lua automation of a form: the script's state, its globals and types, and how its errors end it.
#include "ScriptHost.h"

#include <iostream>

#include "ScriptSupport.h"

namespace kadrelle {

namespace lua {

namespace {

void registerTypes(lua_State* L, Script& s) {
  luaL_newmetatable(L, kErrorType);
  lua_pushcfunction(L, errorToString);
  lua_setfield(L, -2, "__tostring");
  lua_pop(L, 1);
  registerControls(L, s);
  registerGlobals(L, s);
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

}  // namespace lua

int runScript(const std::filesystem::path& file, FormSession& session) {
  lua_State* L = luaL_newstate();
  if (!L) {
    std::cerr << "kadrelle: cannot start Lua\n";
    return 1;
  }
  int status = 0;
  // An entry or key the form did not take as the script asked goes on, and is said on the way.
  session.onNotice = [](const std::string& text) {
    std::cerr << "kadrelle: warning: " << text << '\n';
  };
  session.unlockHint = "drive.lockLevel = N changes the level";
  {
    lua::Script s(session, L);
    luaL_openlibs(L);
    lua::registerTypes(L, s);
    lua_pushcfunction(L, lua::messageHandler);
    const int handler = lua_gettop(L);
    if (luaL_loadfile(L, file.c_str()) != LUA_OK || lua_pcall(L, 0, 0, handler) != LUA_OK) {
      std::cerr << "kadrelle: " << luaL_tolstring(L, -1, nullptr) << '\n';
      status = 1;
    }
    lua_settop(L, 0);
    lua_gc(L, LUA_GCCOLLECT);
  }
  lua_close(L);
  session.onNotice = nullptr;
  return status;
}

}  // namespace kadrelle
