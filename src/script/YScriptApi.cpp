#include "script/YScriptApi.h"

#include <lua.hpp>

#include "script/YScriptFunctions.h"

// Rows in registration order; each family adds its rows in their places as it is built.
const YScriptFunction ScriptFunctions[] = {
    {"GetDeltaTime", GetDeltaTime},
    {"TestValue", TestValue},
    {"SetTrigger", SetTrigger},
    {"GetTrigger", GetTrigger},
    {"GetScriptInitData", GetScriptInitData},
    {"ComparePointers", ComparePointers},
    {"GetScriptParam", GetScriptParam},
    {"SaveLog", SaveLog},
    {"SaveLogInt", SaveLogInt},
    {"CalculateNumber", CalculateNumber},
    {"ParseCommand", ParseCommand},
    {"GetLog", GetLog},
    {"ToInt", ToInt},
    {nullptr, nullptr},
};

const YScriptFunction ScriptFunctions2[] = {
    {"TestNumber", TestNumber},
    {"TestString", TestString},
    {"SendCommandToAll", SendCommandToAll},
    {"SendCommandByName", SendCommandByName},
    {"SendCommandByPointer", SendCommandByPointer},
    {"SetNextCommand", SetNextCommand},
    {"GetCurrentCommand", GetCurrentCommand},
    {"GetCurrentParams", GetCurrentParams},
    {"PointerToString", PointerToString},
    {"StringToPointer", StringToPointer},
    {"SplitString", SplitString},
    {"SecondsToTime", SecondsToTime},
    {nullptr, nullptr},
};

void RegisterScriptFunctionTable(lua_State* L, const YScriptFunction* table) {
    for (const YScriptFunction* row = table; row->name; ++row) {
        lua_pushstring(L, row->name);
        lua_pushcclosure(L, row->function, 0);
        lua_settable(L, LUA_GLOBALSINDEX);
    }
}

void RegisterScriptFunctions(lua_State* L) {
    RegisterScriptFunctionTable(L, ScriptFunctions);
    RegisterScriptFunctionTable(L, ScriptFunctions2);
}
