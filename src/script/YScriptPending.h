// Placeholder rows for script functions whose family is not built yet: the table keeps its
// full order, and a script calling one gets a log line and no results.
#pragma once

struct lua_State;

int ScriptFunctionNotBuilt(lua_State* L, const char* name);

#define SCRIPT_FUNCTION_NOT_BUILT(name) \
    int name(lua_State* L) { return ScriptFunctionNotBuilt(L, #name); }
