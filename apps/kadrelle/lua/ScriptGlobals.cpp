// The Lua host's globals: the form and the drive.
#include "ScriptSupport.h"
#include "brommet/ParameterCatalog.h"
#include "platform/FileIo.h"
#include "session/ParameterSet.h"

namespace kadrelle::lua {

namespace {

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
    DriveSession& drive = script(L).session().drive();
    const ParameterInfo& info = drive.findParameter(stringArg(L, 2));
    drive.awaitValues();
    if (info.text)
      lua_pushstring(L, drive.text(info).c_str());
    else
      lua_pushnumber(L, drive.driveValue(info) * info.scale);
    return 1;
  });
}

int driveSet(lua_State* L) {
  return protect(L, [&] {
    DriveSession& drive = script(L).session().drive();
    drive.commit(drive.findParameter(stringArg(L, 2)), toVariant(L, 3));
    return 0;
  });
}

int driveValueObject(lua_State* L) {
  return protect(L, [&] {
    DriveSession& drive = script(L).session().drive();
    pushObject(L, drive.valueObject(drive.findParameter(stringArg(L, 2)).number));
    return 1;
  });
}

int driveTick(lua_State* L) {
  return protect(L, [&] {
    script(L).session().tick(numberArg(L, 2));
    return 0;
  });
}

// drive:wait(seconds): time passes; a network drive's results reach the controls meanwhile.
int driveWait(lua_State* L) {
  return protect(L, [&] {
    script(L).session().drive().wait(numberArg(L, 2));
    return 0;
  });
}

int driveSave(lua_State* L) {
  return protect(L, [&] {
    script(L).session().drive().save();
    return 0;
  });
}

// drive:export([file]): the drive's parameter set as text, written to the file when one is named.
int driveExport(lua_State* L) {
  return protect(L, [&] {
    DriveSession& drive = script(L).session().drive();
    drive.awaitValues();
    const std::string text = exportParameterSet(drive.parameters());
    if (!lua_isnoneornil(L, 2)) writeFileAtomically(stringArg(L, 2), text);
    lua_pushlstring(L, text.data(), text.size());
    return 1;
  });
}

// Pushes t[name] of the table at `index` without metamethods (which could raise past C++ frames).
int rawField(lua_State* L, int index, const char* name) {
  lua_pushstring(L, name);
  return lua_rawget(L, index < 0 ? index - 1 : index);
}

void setField(lua_State* L, const char* name, const std::string& value) {
  lua_pushlstring(L, value.data(), value.size());
  lua_setfield(L, -2, name);
}

// drive:diff(file): {equal = bool, counts = {changed = n, ...}, differences = {{key, name, state,
// file, drive, units, reason}, ...}}.
int driveDiff(lua_State* L) {
  return protect(L, [&] {
    const ParameterSet set = readParameterSet(stringArg(L, 2));
    DriveSession& drive = script(L).session().drive();
    drive.awaitValues();
    const SetComparison c = compareParameterSet(drive.parameters(), set);
    lua_newtable(L);
    lua_pushboolean(L, c.equal());
    lua_setfield(L, -2, "equal");
    lua_newtable(L);
    for (auto state :
         {SetEntryState::Unchanged, SetEntryState::Changed, SetEntryState::ReadOnly,
          SetEntryState::Unknown, SetEntryState::Invalid, SetEntryState::AboveLockLevel}) {
      lua_pushinteger(L, static_cast<lua_Integer>(c.count(state)));
      lua_setfield(L, -2, std::string(stateName(state)).c_str());
    }
    lua_setfield(L, -2, "counts");
    lua_newtable(L);
    lua_Integer n = 0;
    for (const auto& row : c.entries) {
      if (row.state == SetEntryState::Unchanged) continue;
      lua_newtable(L);
      setField(L, "key", row.entry->key);
      setField(L, "name", row.info ? std::string(row.info->name) : "");
      setField(L, "state", std::string(stateName(row.state)));
      setField(L, "file", row.fileText);
      setField(L, "drive", row.driveText);
      setField(L, "units", row.info && !row.info->text ? std::string(row.info->appUnits) : "");
      setField(L, "reason", row.reason);
      lua_rawseti(L, -2, ++n);
    }
    lua_setfield(L, -2, "differences");
    return 1;
  });
}

// drive:apply(file [, {only = {keys}, dryRun = bool}]): writes what differs, all or nothing (as
// drive:set, kept by drive:save()), and returns {{key, name, before, after}, ...}.
int driveApply(lua_State* L) {
  return protect(L, [&] {
    const ParameterSet set = readParameterSet(stringArg(L, 2));
    std::vector<std::string> only;
    bool dryRun = false;
    if (lua_istable(L, 3)) {
      if (rawField(L, 3, "only") == LUA_TTABLE) {
        for (lua_Integer i = 1; lua_rawgeti(L, -1, i) == LUA_TSTRING; ++i) {
          only.emplace_back(lua_tostring(L, -1));
          lua_pop(L, 1);
        }
        lua_pop(L, 1);
      }
      lua_pop(L, 1);
      rawField(L, 3, "dryRun");
      dryRun = lua_toboolean(L, -1);
      lua_pop(L, 1);
    }
    DriveSession& drive = script(L).session().drive();
    drive.awaitValues();
    const auto changes = applyParameterSet(drive.parameters(), set, only, dryRun);
    lua_newtable(L);
    lua_Integer n = 0;
    for (const auto& change : changes) {
      lua_newtable(L);
      setField(L, "key", std::string(change.info->key));
      setField(L, "name", std::string(change.info->name));
      setField(L, "before", change.before);
      setField(L, "after", change.after);
      lua_rawseti(L, -2, ++n);
    }
    return 1;
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
      pushObject(L, drive.appLock());
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

}  // namespace

void registerGlobals(lua_State* L, Script& s) {
  const luaL_Reg formMethods[] = {
      {"focus", formFocus}, {"focused", formFocused}, {"type", formType}, {"press", formPress},
      {"names", formNames}, {"save", formSave},       {nullptr, nullptr}};
  const luaL_Reg formMeta[] = {{"__index", formIndex},
                               {"__newindex", formNewIndex},
                               {"__len", formLength},
                               {nullptr, nullptr}};
  registerTable(L, s, "form", formMethods, formMeta);

  const luaL_Reg driveMethods[] = {
      {"get", driveGet},       {"set", driveSet},   {"valueObject", driveValueObject},
      {"tick", driveTick},     {"wait", driveWait}, {"save", driveSave},
      {"export", driveExport}, {"diff", driveDiff}, {"apply", driveApply},
      {nullptr, nullptr}};
  const luaL_Reg driveMeta[] = {
      {"__index", driveIndex}, {"__newindex", driveNewIndex}, {nullptr, nullptr}};
  registerTable(L, s, "drive", driveMethods, driveMeta);
}

}  // namespace kadrelle::lua
