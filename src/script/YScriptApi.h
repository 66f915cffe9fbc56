// The engine's functions for Lua scripts, registered as globals in every Lua state.
#pragma once

struct lua_State;

struct YScriptFunction {
    const char* name;
    int (*function)(lua_State* L);
};

// Both registration tables, each ended by a row with a null name.
extern const YScriptFunction ScriptFunctions[];
extern const YScriptFunction ScriptFunctions2[];

// Stores every row of a table, in order up to the null name, as a global function.
void RegisterScriptFunctionTable(lua_State* L, const YScriptFunction* table);
// Registers ScriptFunctions, then ScriptFunctions2 (a name in both ends up bound to the
// second table's function).
void RegisterScriptFunctions(lua_State* L);
