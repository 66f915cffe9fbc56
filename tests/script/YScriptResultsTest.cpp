#include "script/YScriptResults.h"

#include "ScriptTestSupport.h"

namespace {

using namespace scripttest;

int ThreeNumbers(lua_State* L) {
    return PushCountAndTable(L, std::vector<int>{10, 20, 30}, [](lua_State* S, int v) { lua_pushnumber(S, v); });
}

TEST_F(ScriptFixture, CountAndTableWithAnExtraArgumentStillReturnsTheFilledTable) {
    g_registerExtraScriptFunctions = [](lua_State* L) {
        RegisterTestFunctions(L);
        lua_register(L, "ThreeNumbers", ThreeNumbers);
    };
    EXPECT_EQ(Run("local n, t = ThreeNumbers({9}) Record(n, #t, t[1], t[2], t[3])\n"), Lines{"3|3|10|20|30"});
}

}  // namespace
