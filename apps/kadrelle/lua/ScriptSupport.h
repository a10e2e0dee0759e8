#pragma once

// What the sections of the Lua host share: the script's state, errors as Lua values, arguments,
// values and keys. Every C function that Lua calls runs its C++ work inside protect(), which
// turns exceptions into Lua errors only after every C++ object of that work is gone (Lua raises
// errors with longjmp, which must not cross live C++ frames).
#include <lua.hpp>

#include <cstdint>
#include <string>
#include <vector>

#include "../FormSession.h"
#include "platform/Error.h"
#include "platform/Variant.h"

namespace kadrelle::lua {

inline constexpr const char* kControlType = "kadrelle.Control";

inline constexpr const char* kObjectType = "kadrelle.Object";

inline constexpr const char* kErrorType = "kadrelle.Error";

inline constexpr const char* kPendingError = "kadrelle.pendingError";

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

Script& script(lua_State* L);

// Pushes an error value {number, description, where}; its text is "where error N: description".
void pushError(lua_State* L, int number, const std::string& description);

int errorToString(lua_State* L);

// Pushes the error an event handler raised, if one is waiting, and forgets it.
bool takePendingError(lua_State* L);

template <class F>
int protect(lua_State* L, F&& work) {
  lua_pushnil(L);
  lua_setfield(L, LUA_REGISTRYINDEX, kPendingError);
  {
    try {
      return work();
    } catch (const Error& e) {
      // A handler's error that came back through the dual interface (as error 440) is the error.
      if (!takePendingError(L)) pushError(L, e.number(), e.description());
    } catch (const HandlerFailed&) {
      takePendingError(L);
    } catch (const std::exception& e) {
      pushError(L, Error::kInvalidCall, e.what());
    }
  }
  return lua_error(L);
}

[[noreturn]] void badArgument(int index, const char* what);

std::string stringArg(lua_State* L, int index);

double numberArg(lua_State* L, int index);

Variant toVariant(lua_State* L, int index);

void pushObject(lua_State* L, ObjectRef object);

void pushVariant(lua_State* L, const Variant& v);

// A key name or code as the keyboard sends it: key code, shift, character.
struct KeyStroke {
  std::int16_t code = 0, character = 0;
  int focusMove = 0;  // Tab and BackTab move the focus instead
};

KeyStroke keyNamed(lua_State* L, int index);

void press(FormSession& session, const KeyStroke& key, std::int16_t shift);

std::int16_t shiftArg(lua_State* L, int index);

void pushControl(lua_State* L, std::size_t index);

std::size_t controlArg(lua_State* L, int index);

// The sections' functions and metatables, registered in the script's state.
void registerControls(lua_State* L, Script& s);
void registerGlobals(lua_State* L, Script& s);

}  // namespace kadrelle::lua
