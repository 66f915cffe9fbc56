// Pushing script results, and finding the engine's singletons. A function returns the count
// of the values it pushed.
#pragma once
#include <cstddef>
#include <cstdint>

#include <lua.hpp>

#include "core/YEvents.h"
#include "core/YReferences.h"

// An object as the reference scripts hold; null (a light userdata of address 0) for none.
inline void PushReference(lua_State* L, const CYReferenced* object) {
    lua_pushlightuserdata(L, ReferenceOfId(object ? object->ReferenceId() : 0));
}
inline void PushNull(lua_State* L) { lua_pushlightuserdata(L, nullptr); }

// Room for n more results; past the Lua stack's limit the script ends with an error that
// names what it asked for, instead of the interpreter failing.
inline void CheckResultRoom(lua_State* L, size_t n, const char* what) {
    if (n > static_cast<size_t>(LUAI_MAXCSTACK)) luaL_error(L, "too many results (%s)", what);
    luaL_checkstack(L, static_cast<int>(n), what);
}

// A count-and-table result: the count n, then a new table holding the elements under the
// keys 1..n in list order (each pushed by push(L, element)). Returns 2, the results pushed.
template <class List, class Push>
int PushCountAndTable(lua_State* L, const List& list, Push push) {
    lua_pushnumber(L, static_cast<lua_Number>(list.size()));
    lua_createtable(L, static_cast<int>(list.size() > INT32_MAX ? 0 : list.size()), 0);
    int key = 1;
    for (const auto& element : list) {
        push(L, element);
        lua_rawseti(L, -2, key++);
    }
    return 2;
}

// An engine singleton asked for with a query event: the subscriber writes its address into
// the reference sent as a. Null when nobody answers.
template <class T>
T* QuerySingleton(int event) {
    T* object = nullptr;
    SendEvent(event, reinterpret_cast<intptr_t>(&object), 0);
    return object;
}
