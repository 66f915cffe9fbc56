// Script functions for triggers, commands and small utilities.
#include <lua.hpp>

#include <cstdint>

#include "core/YEvents.h"
#include "script/YScriptArgs.h"
#include "script/YScriptFunctions.h"

// SetTrigger(name, value): stores the value; a positive one restarts the watching states.
int SetTrigger(lua_State* L) {
    const char* name = luaL_checklstring(L, 1, nullptr);
    int32_t value = ScriptNumberToInt(luaL_checknumber(L, 2));
    SendEvent(YEVENT_SET_TRIGGER, reinterpret_cast<intptr_t>(name), value);
    return 0;
}

// GetTrigger(name): the trigger's value, 0 when never set.
int GetTrigger(lua_State* L) {
    const char* name = luaL_checklstring(L, 1, nullptr);
    int32_t value = 0;
    SendEvent(YEVENT_GET_TRIGGER, reinterpret_cast<intptr_t>(name), reinterpret_cast<intptr_t>(&value));
    lua_pushnumber(L, value);
    return 1;
}
