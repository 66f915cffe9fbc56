// Script functions for the running script, triggers, the log and small conversions.
#include <lua.hpp>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "core/YEvents.h"
#include "core/YLog.h"
#include "core/YNumbers.h"
#include "core/YScript.h"
#include "core/YTokenizer.h"
#include "script/YScriptArgs.h"
#include "script/YScriptFunctions.h"
#include "script/YScriptResults.h"

// GetDeltaTime(script): the frame time the script was last resumed with; 0 for null.
int GetDeltaTime(lua_State* L) {
    CYScript* script = ArgObject<CYScript>(L, 1);
    lua_pushnumber(L, script ? script->FrameTime() : 0.0f);
    return 1;
}

// TestValue(object): reads its argument and does nothing.
int TestValue(lua_State* L) {
    ArgObject<CYReferenced>(L, 1);
    return 0;
}

// SetTrigger(name, value): stores the value; a positive one restarts the watching states.
int SetTrigger(lua_State* L) {
    const char* name = ArgText(L, 1);
    int32_t value = ArgInt(L, 2);
    SendEvent(YEVENT_SET_TRIGGER, reinterpret_cast<intptr_t>(name), value);
    return 0;
}

// GetTrigger(name): the trigger's value, 0 when never set.
int GetTrigger(lua_State* L) {
    const char* name = ArgText(L, 1);
    int32_t value = 0;
    SendEvent(YEVENT_GET_TRIGGER, reinterpret_cast<intptr_t>(name), reinterpret_cast<intptr_t>(&value));
    lua_pushnumber(L, value);
    return 1;
}

// GetScriptInitData(script): the reference the script state was started with; null when
// there is none or its object is gone.
int GetScriptInitData(lua_State* L) {
    CYScript* script = ArgObject<CYScript>(L, 1);
    uint32_t id = script ? static_cast<uint32_t>(script->InitValue()) : 0;
    PushReference(L, FindReferenced(id));
    return 1;
}

// ComparePointers(a, b): true when both are the same object; two nulls are equal, and so
// are a null and the reference of a destroyed object.
int ComparePointers(lua_State* L) {
    lua_pushboolean(L, ArgReferenceId(L, 1) == ArgReferenceId(L, 2));
    return 1;
}

// GetScriptParam(script): the name of the handler that runs the script; empty without one.
int GetScriptParam(lua_State* L) {
    std::string name = GetScriptParamText(ArgObject<CYScript>(L, 1));
    lua_pushlstring(L, name.data(), name.size());
    return 1;
}

// SaveLog(text): the text as it is, and a line feed.
int SaveLog(lua_State* L) {
    Log(0, "%s\n", ArgTextLenient(L, 1));
    return 0;
}

// SaveLogInt(number): the number truncated to an integer.
int SaveLogInt(lua_State* L) {
    Log(0, "%d\n", ArgIntLenient(L, 1));
    return 0;
}

// CalculateNumber(a, b): 1 when b is 0, else the smaller of the two.
int CalculateNumber(lua_State* L) {
    int32_t a = ArgIntLenient(L, 1);
    int32_t b = ArgIntLenient(L, 2);
    lua_pushnumber(L, b == 0 ? 1 : (a < b ? a : b));
    return 1;
}

// GetLog(): always the empty text.
int GetLog(lua_State* L) {
    lua_pushstring(L, "");
    return 1;
}

// ToInt(number): rounded up to the next integer.
int ToInt(lua_State* L) {
    lua_pushnumber(L, ScriptNumberToInt(std::ceil(ArgNumberLenient(L, 1))));
    return 1;
}

// TestNumber(number), TestString(text): read their argument and do nothing.
int TestNumber(lua_State* L) {
    ArgNumberLenient(L, 1);
    return 0;
}

int TestString(lua_State* L) {
    ArgTextLenient(L, 1);
    return 0;
}

// PointerToString(reference): the reference's id in decimal; "0" for null or a dead object.
int PointerToString(lua_State* L) {
    char text[16];
    std::snprintf(text, sizeof text, "%d", static_cast<int>(ArgReferenceId(L, 1)));
    lua_pushstring(L, text);
    return 1;
}

// StringToPointer(text): the reference whose id is the text's leading integer; null when
// there are no digits or no live object has that id.
int StringToPointer(lua_State* L) {
    // The leading decimal integer, as atoi reads it; beyond the id range it names nothing.
    int64_t value = 0;
    ParseInteger(ArgText(L, 1), YNumberMode::Leading, INT64_MIN, INT64_MAX, &value);
    uint32_t id = value > 0 && value <= kMaxReferenceId ? static_cast<uint32_t>(value) : 0;
    PushReference(L, FindReferenced(id));
    return 1;
}

// SplitString(text, separators): the tokens of the text split at any of the separator
// characters, one result each. The tokenizer trims them and keeps empty ones between two
// separators.
int SplitString(lua_State* L) {
    std::string text = ArgText(L, 1);
    const char* separators = ArgText(L, 2);
    const char delimiter[2] = {separators[0], '\0'};
    // Every other separator character is made the first one, so one delimiter splits at all.
    if (delimiter[0] != '\0' && separators[1] != '\0') {
        for (char& c : text)
            if (std::strchr(separators + 1, c)) c = delimiter[0];
    }
    CYTokenizer tokenizer(text, delimiter, false);
    std::string token;
    int count = 0;
    while (tokenizer.NextToken(token)) {
        CheckResultRoom(L, 1, "too many tokens");
        lua_pushlstring(L, token.data(), token.size());
        ++count;
    }
    return count;
}

// SecondsToTime(seconds): whole minutes, then the seconds left over.
int SecondsToTime(lua_State* L) {
    float seconds = ArgFloat(L, 1);
    int32_t minutes = ScriptNumberToInt(seconds * 0.016666668f);
    lua_pushnumber(L, minutes);
    lua_pushnumber(L, ScriptNumberToInt(seconds - minutes * 60.0));
    return 2;
}
