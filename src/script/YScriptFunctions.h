// The script functions, by family.
#pragma once

struct lua_State;

// Scripts, commands and utilities.
int SetTrigger(lua_State* L);
int GetTrigger(lua_State* L);
