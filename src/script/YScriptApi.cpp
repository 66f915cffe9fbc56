#include "script/YScriptApi.h"

#include <lua.hpp>

#include "script/YScriptFunctions.h"

// Rows in registration order; each family adds its rows in their places as it is built.
const YScriptFunction ScriptFunctions[] = {
    {"GetDeltaTime", GetDeltaTime},
    {"TestValue", TestValue},
    {"PlaySoundSimple", PlaySoundSimple},
    {"StopSound", StopSound},
    {"ResetSound", ResetSound},
    {"GetSound3D", GetSound3D},
    {"GetSoundSimple", GetSoundSimple},
    {"GetSoundClone3D", GetSoundClone3D},
    {"GetSoundClone3Dl", GetSoundClone3Dl},
    {"GetSoundCloneSimple", GetSoundCloneSimple},
    {"SetTrigger", SetTrigger},
    {"GetTrigger", GetTrigger},
    {"SetMusic", SetMusic},
    {"PlayMusic", PlayMusic},
    {"StopMusic", StopMusic},
    {"SetMusicVolume", SetMusicVolume},
    {"SetMusic2", SetMusic2},
    {"PlayMusic2", PlayMusic2},
    {"StopMusic2", StopMusic2},
    {"SetMusicVolume2", SetMusicVolume2},
    {"SetSoundsVolume", SetSoundsVolume},
    {"GetScriptInitData", GetScriptInitData},
    {"UpdateMusic", UpdateMusic},
    {"UpdateMusic2", UpdateMusic2},
    {"ComparePointers", ComparePointers},
    {"GetScriptParam", GetScriptParam},
    {"SaveLog", SaveLog},
    {"SaveLogInt", SaveLogInt},
    {"CalculateNumber", CalculateNumber},
    {"ParseCommand", ParseCommand},
    {"GetLog", GetLog},
    {"ToInt", ToInt},
    {"GetSoundVolume", GetSoundVolume},
    {"GetMusicVolume", GetMusicVolume},
    {"GetSoundQuality", GetSoundQuality},
    {"SetSoundQuality", SetSoundQuality},
    {"SetMusicFade", SetMusicFade},
    {"SetMusicFade2", SetMusicFade2},
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
    {"NRPlaySound3D", NRPlaySound3D},
    {"DeleteSounds", DeleteSounds},
    {"StopAllSounds", StopAllSounds},
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
