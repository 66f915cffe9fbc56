// Reading script arguments. Arguments are read by stack position (the first is 1); extra
// ones are ignored and missing ones read as nil. Strict readers end the calling script with
// Lua's argument error on a wrong type; lenient ones read a default instead.
#pragma once
#include <cfloat>
#include <cmath>
#include <cstdint>

#include <lua.hpp>

#include "core/YReferences.h"

// A script number truncated toward zero to a 32-bit integer; out-of-range values are
// clamped and NaN reads as 0, so a hostile number never overflows the conversion.
inline int32_t ScriptNumberToInt(double v) {
    if (std::isnan(v)) return 0;
    if (v >= 2147483647.0) return INT32_MAX;
    if (v <= -2147483648.0) return INT32_MIN;
    return static_cast<int32_t>(v);
}

// A script number narrowed to single precision; NaN reads as 0 and values beyond the float
// range are clamped, so coordinates and times are always finite.
inline float ScriptNumberToFloat(double v) {
    if (std::isnan(v)) return 0.0f;
    if (v >= FLT_MAX) return FLT_MAX;
    if (v <= -FLT_MAX) return -FLT_MAX;
    return static_cast<float>(v);
}

// Numbers: a number or a numeric text. Strict: anything else is an argument error.
inline double ArgNumber(lua_State* L, int index) { return luaL_checknumber(L, index); }
// Lenient: anything else reads as 0.
inline double ArgNumberLenient(lua_State* L, int index) { return lua_tonumber(L, index); }
inline int32_t ArgInt(lua_State* L, int index) { return ScriptNumberToInt(ArgNumber(L, index)); }
inline int32_t ArgIntLenient(lua_State* L, int index) { return ScriptNumberToInt(ArgNumberLenient(L, index)); }
inline float ArgFloat(lua_State* L, int index) { return ScriptNumberToFloat(ArgNumber(L, index)); }
inline float ArgFloatLenient(lua_State* L, int index) { return ScriptNumberToFloat(ArgNumberLenient(L, index)); }

// Texts: a text, or a number converted to its text. The pointer lives while the argument
// stays on the stack. Strict: anything else is an argument error.
inline const char* ArgText(lua_State* L, int index) { return luaL_checklstring(L, index, nullptr); }
// Lenient: anything else (nil, a table, an object, a boolean) reads as the empty text.
inline const char* ArgTextLenient(lua_State* L, int index) {
    const char* text = lua_tostring(L, index);
    return text ? text : "";
}

// Truth values: nil and false are false, every other value true.
inline bool ArgBool(lua_State* L, int index) { return lua_toboolean(L, index) != 0; }

// The id of a reference argument when its object is alive; 0 (null) for a dead object and
// for anything that is not a light userdata.
inline uint32_t ArgReferenceId(lua_State* L, int index) {
    if (lua_type(L, index) != LUA_TLIGHTUSERDATA) return 0;
    uint32_t id = ReferenceIdOf(lua_touserdata(L, index));
    return FindReferenced(id) ? id : 0;
}

// An object argument of class T; null for a null, dead or other-class reference and for
// anything that is not a reference.
template <class T>
T* ArgObject(lua_State* L, int index) {
    if (lua_type(L, index) != LUA_TLIGHTUSERDATA) return nullptr;
    return ResolveReference<T>(lua_touserdata(L, index));
}
