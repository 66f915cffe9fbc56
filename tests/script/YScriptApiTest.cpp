#include "script/YScriptApi.h"

#include <gtest/gtest.h>

#include <lua.hpp>

namespace {

int First(lua_State* L) { return lua_pushstring(L, "first"), 1; }
int Second(lua_State* L) { return lua_pushstring(L, "second"), 1; }

TEST(ScriptRegistration, ANameInBothTablesIsBoundToTheSecondTablesFunction) {
    const YScriptFunction table1[] = {{"Shared", First}, {"OnlyFirst", First}, {nullptr, nullptr}};
    const YScriptFunction table2[] = {{"Shared", Second}, {nullptr, nullptr}, {"PastTheEnd", Second}};
    lua_State* L = luaL_newstate();
    RegisterScriptFunctionTable(L, table1);
    RegisterScriptFunctionTable(L, table2);
    ASSERT_EQ(luaL_dostring(L, "return Shared(), OnlyFirst(), PastTheEnd"), 0);
    EXPECT_STREQ(lua_tostring(L, 1), "second");
    EXPECT_STREQ(lua_tostring(L, 2), "first");
    EXPECT_TRUE(lua_isnil(L, 3));
    lua_close(L);
}

}  // namespace
