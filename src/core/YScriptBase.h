// The base functions of the scripts' language that the Lua library in use lacks or gives
// another shape: require with its search along LUA_PATH, loadfile and dofile on engine
// paths, newproxy, gcinfo with two results and collectgarbage with a limit. Opened over
// the library's own base functions.
#pragma once

struct lua_State;

// Sets the globals require, _LOADED, loadfile, dofile, newproxy, gcinfo and
// collectgarbage. Runs inside a protected call (it allocates).
void OpenScriptBaseExtras(lua_State* L);

// The default search path of require when neither the global nor the environment
// variable LUA_PATH gives one.
extern const char* const kRequireDefaultPath;
