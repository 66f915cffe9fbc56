#include "script/YScriptResults.h"

#include "ScriptTestSupport.h"

namespace {

using scripttest::ScriptFixture;
using Lines = std::vector<std::string>;

// ThreeNumbers(): 3 and the table {10, 20, 30}, built as every count-and-table function is.
int ThreeNumbers(lua_State* L) {
    const std::vector<int> list{10, 20, 30};
    return PushCountAndTable(L, list, [](lua_State* S, int v) { lua_pushnumber(S, v); });
}

TEST_F(ScriptFixture, CountAndTableWithAnExtraArgumentStillReturnsTheFilledTable) {
    g_registerExtraScriptFunctions = [](lua_State* L) {
        scripttest::RegisterTestFunctions(L);
        lua_register(L, "ThreeNumbers", ThreeNumbers);
    };
    EXPECT_EQ(Run("local n, t = ThreeNumbers({9})\n"
                  "Record(n, #t, t[1], t[2], t[3], t[4])\n"),
              (Lines{"3|3|10|20|30|nil"}));
}

TEST_F(ScriptFixture, NullReferenceIsALightUserdataOfZeroThatTestsTrue) {
    EXPECT_EQ(Run("local r = StringToPointer('0')\n"
                  "Record(r, type(r), r and 'true in if' or 'false in if')\n"),
              (Lines{"ref:0|userdata|true in if"}));
}

TEST(ScriptSingletons, AQueryYieldsTheSubscribersObjectOrNull) {
    struct Camera {
        static void Answer(void* context, intptr_t a, intptr_t) { *reinterpret_cast<Camera**>(a) = static_cast<Camera*>(context); }
    } camera;
    EXPECT_EQ(QuerySingleton<Camera>(YEVENT_GET_CAMERA), nullptr);
    SubscribeEvent(YEVENT_GET_CAMERA, &camera, Camera::Answer);
    EXPECT_EQ(QuerySingleton<Camera>(YEVENT_GET_CAMERA), &camera);
    UnsubscribeEvent(YEVENT_GET_CAMERA, &camera, Camera::Answer);
    PurgeUnsubscribedEvents();
}

}  // namespace
