#include "core/YScriptBase.h"

#include <gtest/gtest.h>

#include <lua.hpp>

#include <cstdlib>
#include <string>
#include <vector>

#include "core/YScript.h"
#include "support/TestSupport.h"

namespace {

std::vector<std::string> g_seen;

// Record(...): the arguments as texts (booleans as true or false), joined by ",".
int Record(lua_State* L) {
    std::string text;
    for (int i = 1; i <= lua_gettop(L); ++i) {
        if (i > 1) text += ",";
        const char* s = lua_tostring(L, i);
        if (lua_isboolean(L, i)) s = lua_toboolean(L, i) ? "true" : "false";
        text += s ? s : luaL_typename(L, i);
    }
    g_seen.push_back(text);
    return 0;
}

void RegisterRecord(lua_State* L) { lua_register(L, "Record", Record); }

class ScriptBaseTest : public testing::Test {
protected:
    test::TempDir dir;
    ScriptBaseTest() {
        ::unsetenv("LUA_PATH");  // the default path applies
        g_seen.clear();
        g_registerExtraScriptFunctions = RegisterRecord;
    }
    ~ScriptBaseTest() override {
        g_registerExtraScriptFunctions = nullptr;
        g_scriptLimits = YScriptLimits{};
    }
    // Runs a main script to its end (or its first Update); true when it finished.
    static bool Run(const std::string& text) {
        test::WriteFile("data/scripts/t.lua", text);
        CYScript* s = new CYScript();
        EXPECT_EQ(s->Load("t.lua"), S_OK);
        s->Start();
        bool finished = s->Resume(0.0f);
        s->Delete();
        return finished;
    }
    static std::string LogText() { return test::ReadFile("YLog.log"); }
};

TEST_F(ScriptBaseTest, RequireSearchesTheDefaultPathOnceAndRecordsTheResult) {
    test::WriteFile("util.lua", "Record('loading', _REQUIREDNAME)\nreturn {x = 5}\n");
    test::WriteFile("quiet.lua", "Record('quiet')\n");
    Run("local u = require('util')\n"
        "Record(u.x, require('util') == u, _LOADED.util == u, tostring(_REQUIREDNAME))\n"
        "Record(tostring(require('quiet')), tostring(require('quiet')))\n");
    EXPECT_EQ(g_seen, (std::vector<std::string>{"loading,util", "5,true,true,nil", "quiet", "true,true"}));
}

TEST_F(ScriptBaseTest, RequireFollowsLuaPathAndEngineStylePaths) {
    test::WriteFile("data/scripts/Mod.lua", "return 'from the scripts'\n");
    test::WriteFile("mod", "return 'bare name'\n");
    Run("LUA_PATH = 'nowhere\\\\?.lua;;data\\\\scripts\\\\?.lua'\n"
        "Record(require('mod'))\n"
        "LUA_PATH = nil\n"
        "_LOADED.mod = nil\n"
        "Record(require('mod'))\n");
    EXPECT_EQ(g_seen, (std::vector<std::string>{"from the scripts", "bare name"}));
}

TEST_F(ScriptBaseTest, RequireFailuresAreLuaErrors) {
    test::WriteFile("bad.lua", "x = = 1\n");
    test::WriteFile("self.lua", "require('self')\n");
    Run("Record(pcall(require, 'absent'))\n"
        "local ok, message = pcall(require, 'bad')\n"
        "Record(ok, message)\n"
        "Record((pcall(require, 'self')))\n"
        "_LOADED = 1\n"
        "Record(pcall(require, 'bad'))\n");
    ASSERT_EQ(g_seen.size(), 4u);
    EXPECT_EQ(g_seen[0], "false,could not load package `absent' from path `?;?.lua'");
    EXPECT_EQ(g_seen[1].rfind("false,error loading package `bad' (bad.lua:1: ", 0), 0u) << g_seen[1];
    EXPECT_EQ(g_seen[2], "false");  // a package that requires itself runs out of nesting
    EXPECT_EQ(g_seen[3], "false,`_LOADED' is not a table");
}

TEST_F(ScriptBaseTest, LoadfileAndDofileReadEnginePaths) {
    test::WriteFile("data/scripts/Part.lua", "local a = ... return 'part', 2\n");
    Run("Record(dofile([[DATA\\scripts\\part.lua]]))\n"
        "local chunk = loadfile([[data\\scripts\\part.lua]])\n"
        "Record(type(chunk), loadfile([[data\\none.lua]]))\n"
        "Record(pcall(dofile, [[data\\none.lua]]))\n");
    EXPECT_EQ(g_seen, (std::vector<std::string>{"part,2", "function,nil,cannot read data\\none.lua",
                                                 "false,cannot read data\\none.lua"}));
}

TEST_F(ScriptBaseTest, NewproxyMakesUserdataWithOwnOrSharedMetatables) {
    Run("local a = newproxy(true)\n"
        "getmetatable(a).__index = function(_, k) return 'field ' .. k end\n"
        "local b = newproxy(a)\n"
        "local c = newproxy(false)\n"
        "Record(type(a), a.x, b.y, getmetatable(b) == getmetatable(a), tostring(getmetatable(c)))\n"
        "Record(pcall(newproxy, {}))\n");
    ASSERT_EQ(g_seen.size(), 2u);
    EXPECT_EQ(g_seen[0], "userdata,field x,field y,true,nil");
    EXPECT_EQ(g_seen[1].rfind("false,bad argument #1 to '?' (boolean or proxy expected)", 0), 0u) << g_seen[1];
}

TEST_F(ScriptBaseTest, AProxysFinaliserRunsWhenItIsCollected) {
    Run("local p = newproxy(true)\n"
        "getmetatable(p).__gc = function(u) Record('finalised', type(u)) end\n"
        "p = nil\n"
        "collectgarbage()\n"
        "Record('after')\n");
    EXPECT_EQ(g_seen, (std::vector<std::string>{"finalised,userdata", "after"}));
}

TEST_F(ScriptBaseTest, AFinaliserThatNeverEndsKeepsToTheInstructionBudget) {
    g_scriptLimits.instructionsPerResume = 1000000;
    EXPECT_TRUE(Run("local p = newproxy(true)\n"
                    "getmetatable(p).__gc = function() while true do end end\n"
                    "p = nil\n"
                    "collectgarbage()\n"
                    "while true do end\n"));
    // Once for the finaliser, once for the script itself.
    const std::string log = LogText();
    const std::string line = "script ran too long without calling Update";
    const size_t first = log.find(line);
    ASSERT_NE(first, std::string::npos);
    EXPECT_NE(log.find(line, first + 1), std::string::npos) << log;
}

TEST_F(ScriptBaseTest, GcinfoAndCollectgarbageTakeTheirOlderForms) {
    Run("local used, threshold = gcinfo()\n"
        "Record(type(used), threshold >= used)\n"
        "Record(select('#', collectgarbage(0)), select('#', collectgarbage()), type(collectgarbage('count')))\n"
        "collectgarbage(1e9)\n");
    EXPECT_EQ(g_seen, (std::vector<std::string>{"number,true", "0,0,number"}));
}

TEST_F(ScriptBaseTest, TablesKeepTheSizeTheyStateThroughSetnOrTheirFieldN) {
    EXPECT_TRUE(Run("local t = {}\n"
                    "table.setn(t, 3)\n"
                    "Record(table.getn(t), t.n)\n"
                    "table.insert(t, 'x')\n"
                    "Record(table.getn(t), t[4])\n"
                    "Record(table.remove(t), table.getn(t))\n"
                    "local v = {n = 2}\n"
                    "table.insert(v, 'a')\n"
                    "table.setn(v, 5)\n"
                    "Record(v[3], v.n, table.getn(v))\n"
                    "local function count(...) return table.getn(arg) end\n"
                    "Record(count(nil, nil))\n"
                    "local function pass(...) return select('#', unpack(arg)) end\n"
                    "Record(pass(1, nil, nil, nil), select('#', unpack({1, 2, 3}, 2)))\n"
                    "local w = {'a', 'b'}\n"
                    "table.insert(w, 1, 'z')\n"
                    "Record(table.getn(w), table.remove(w, 1), table.getn(w))\n"));
    EXPECT_EQ(g_seen, (std::vector<std::string>{"3,nil", "4,x", "x,3", "a,5,5", "2", "4,2", "3,z,2"}));
}

TEST_F(ScriptBaseTest, AStatedSizeFarBeyondTheElementsIsShiftedByTheElementsItHolds) {
    EXPECT_TRUE(Run("local t = {'a'}\n"
                    "t[5] = 'b'\n"
                    "table.setn(t, 1e9)\n"
                    "table.insert(t, 1, 'z')\n"
                    "Record(table.getn(t), t[1], t[2], t[5], t[6])\n"
                    "Record(table.remove(t, 1), t[1], t[5], t[6], table.getn(t))\n"
                    "local u = {'p', 'q'}\n"
                    "table.setn(u, 7)\n"
                    "table.setn(u, -3)\n"
                    "Record(table.getn(u))\n"));
    EXPECT_EQ(g_seen, (std::vector<std::string>{"1000000001,z,a,nil,b", "z,a,b,nil,1000000000", "2"}));
}

}  // namespace
