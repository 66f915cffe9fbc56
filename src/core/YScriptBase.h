// The base functions of the scripts' language that the Lua library in use lacks or gives
// another shape: require with its search along LUA_PATH, loadfile and dofile on engine
// paths, newproxy, gcinfo with two results and collectgarbage with a limit; and the table
// functions that go by a table's stated size (its field "n" or table.setn): getn, setn,
// insert, remove and unpack. Opened over the library's own functions.
#pragma once

struct lua_State;

// Sets the globals require, _LOADED, loadfile, dofile, newproxy, gcinfo, collectgarbage
// and unpack, and table.getn, setn, insert and remove. Runs inside a protected call (it
// allocates).
void OpenScriptBaseExtras(lua_State* L);

// The default search path of require when neither the global nor the environment
// variable LUA_PATH gives one.
extern const char* const kRequireDefaultPath;
