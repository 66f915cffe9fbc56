// What the object, object-script and shop functions share: complex objects and parts as
// arguments and results, the game world, and the bounds on numbers used as places,
// angles and sizes.
#pragma once
#include <cmath>

#include <lua.hpp>

#include "render/YComplexObject.h"
#include "render/YPartReferences.h"
#include "script/YScriptArgs.h"
#include "script/YScriptResults.h"
#include "world/YGameWorld.h"

// Largest angle, in radians, a script may turn anything by: beyond it sine and cosine
// carry no precision (a clamped infinity lands here too).
constexpr float kMaxScriptAngle = 1.0e6f;

// A complex-object argument; null for null, gone or other objects.
inline CYComplexObject* ArgComplexObject(lua_State* L, int index) { return ArgObject<CYComplexObject>(L, index); }

// A part argument (a window counts as one); null for null, gone or other objects.
inline CYObject* ArgPart(lua_State* L, int index) {
    if (lua_type(L, index) != LUA_TLIGHTUSERDATA) return nullptr;
    return ResolvePart(lua_touserdata(L, index));
}

inline void PushPart(lua_State* L, CYObject* part) { lua_pushlightuserdata(L, PartReference(part)); }

// The game world (event 10), or null before one was made and initialised.
inline CYGameWorld* QueryGameWorld() { return QuerySingleton<CYGameWorld>(YEVENT_GET_GAME_WORLD); }

// A coordinate or offset within the range positions may take.
inline bool ScriptPlaceOk(float v) { return std::fabs(v) <= kPositionLimit; }
inline bool ScriptPlaceOk(const math::Vec3& v) { return ScriptPlaceOk(v.x) && ScriptPlaceOk(v.y) && ScriptPlaceOk(v.z); }
inline bool ScriptAngleOk(float a) { return std::fabs(a) <= kMaxScriptAngle; }
