#include "script/YScriptApi.h"

#include <set>

#include "ScriptTestSupport.h"

namespace {

using scripttest::ScriptFixture;

int First(lua_State* L) {
    lua_pushstring(L, "first");
    return 1;
}
int Second(lua_State* L) {
    lua_pushstring(L, "second");
    return 1;
}

TEST(ScriptRegistration, ANameInBothTablesIsBoundToTheSecondTablesFunction) {
    const YScriptFunction table1[] = {{"Shared", First}, {"OnlyFirst", First}, {nullptr, nullptr}};
    const YScriptFunction table2[] = {{"Shared", Second}, {nullptr, nullptr}, {"AfterTheEnd", Second}};
    lua_State* L = luaL_newstate();
    RegisterScriptFunctionTable(L, table1);
    RegisterScriptFunctionTable(L, table2);
    ASSERT_EQ(luaL_dostring(L, "return Shared(), OnlyFirst(), AfterTheEnd"), 0);
    EXPECT_STREQ(lua_tostring(L, 1), "second");
    EXPECT_STREQ(lua_tostring(L, 2), "first");
    EXPECT_TRUE(lua_isnil(L, 3));  // rows past the null name are not read
    lua_close(L);
}

TEST(ScriptRegistration, RowsAreUniqueWithinATableAndNoneIsNamedUpdate) {
    for (const YScriptFunction* table : {ScriptFunctions, ScriptFunctions2}) {
        std::set<std::string> names;
        for (const YScriptFunction* row = table; row->name; ++row) {
            EXPECT_TRUE(names.insert(row->name).second) << row->name;
            EXPECT_NE(std::string(row->name), "Update");
        }
    }
}

TEST_F(ScriptFixture, EveryRowIsAGlobalFunctionOfEveryScriptState) {
    std::string text;
    for (const YScriptFunction* table : {ScriptFunctions, ScriptFunctions2})
        for (const YScriptFunction* row = table; row->name; ++row)
            text += std::string("if type(") + row->name + ") ~= 'function' then Record('" + row->name + "') end\n";
    text += "Record(type(Update))\n";
    EXPECT_EQ(Run(text), std::vector<std::string>{"function"});
}

}  // namespace
