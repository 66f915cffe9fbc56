#include "script/YScriptApi.h"

#include <lua.hpp>

#include "script/YScriptFunctions.h"

const YScriptFunction ScriptFunctions[] = {
    {"SetTrigger", SetTrigger},
    {"GetTrigger", GetTrigger},
    {nullptr, nullptr},
};

const YScriptFunction ScriptFunctions2[] = {
    {nullptr, nullptr},
};

namespace {
void RegisterTable(lua_State* L, const YScriptFunction* table) {
    for (const YScriptFunction* row = table; row->name; ++row) {
        lua_pushstring(L, row->name);
        lua_pushcclosure(L, row->function, 0);
        lua_settable(L, LUA_GLOBALSINDEX);
    }
}
}  // namespace

void RegisterScriptFunctions(lua_State* L) {
    RegisterTable(L, ScriptFunctions);
    RegisterTable(L, ScriptFunctions2);
}
