// Runs real Lua through the script host with the engine's script functions registered.
// Scripts report with Record(...): one line a call, values joined by "|", references as
// "ref:<id>". NewThing() makes an object scripts can hold, KillThing(ref) destroys it.
#pragma once
#include <gtest/gtest.h>

#include <lua.hpp>

#include <memory>
#include <string>
#include <vector>

#include "core/YCommandManager.h"
#include "core/YScript.h"
#include "core/YTriggerRegistry.h"
#include "script/YScriptApi.h"
#include "support/TestSupport.h"

namespace scripttest {

using Lines = std::vector<std::string>;
struct Thing : CYReferenced {
    ~Thing() override = default;
};
inline Lines g_records;
inline std::vector<std::unique_ptr<Thing>> g_things;

inline void RegisterTestFunctions(lua_State* L) {
    lua_register(L, "Record", [](lua_State* L) {
        std::string line;
        for (int i = 1; i <= lua_gettop(L); ++i) {
            int t = lua_type(L, i);
            line += (i > 1 ? "|" : "") +
                    (t == LUA_TLIGHTUSERDATA ? "ref:" + std::to_string(ReferenceIdOf(lua_touserdata(L, i)))
                     : t == LUA_TBOOLEAN     ? std::string(lua_toboolean(L, i) ? "true" : "false")
                                             : std::string(lua_isstring(L, i) ? lua_tostring(L, i) : luaL_typename(L, i)));
        }
        g_records.push_back(line);
        return 0;
    });
    lua_register(L, "NewThing", [](lua_State* L) {
        g_things.push_back(std::make_unique<Thing>());
        lua_pushlightuserdata(L, g_things.back()->Reference());
        return 1;
    });
    lua_register(L, "KillThing", [](lua_State* L) {
        std::erase_if(g_things, [L](const auto& t) { return t->Reference() == lua_touserdata(L, 1); });
        return 0;
    });
}

class ScriptFixture : public testing::Test {
protected:
    test::TempDir dir;
    CYTriggerRegistry triggers;
    std::vector<std::unique_ptr<CYScriptHandler>> handlers;

    ScriptFixture() {
        g_records.clear();
        triggers.Init();
        g_registerScriptFunctions = RegisterScriptFunctions;
        g_registerExtraScriptFunctions = RegisterTestFunctions;
        LoadCommands();
    }
    ~ScriptFixture() override {
        handlers.clear();
        g_things.clear();
        g_registerScriptFunctions = g_registerExtraScriptFunctions = nullptr;
        DestroyCommands();
    }
    // A started handler of that name and owner whose idle state runs the text.
    CYScriptHandler* Handler(const std::string& name, const std::string& text, void* owner = nullptr) {
        test::WriteFile("data/scripts/" + name + ".lua", text);
        handlers.push_back(std::make_unique<CYScriptHandler>(owner));
        handlers.back()->SetName(name);
        g_commandManager->Register(handlers.back().get());
        EXPECT_EQ(handlers.back()->AddState("idle", name + ".lua"), S_OK);
        handlers.back()->SwitchToIdle();
        return handlers.back().get();
    }
    // Runs the text for one frame in a handler "TEST"; what it recorded.
    Lines Run(const std::string& text, float frameTime = 0.0f) {
        Handler("TEST", text)->Step(frameTime);
        return g_records;
    }
    static bool LogHas(const std::string& text) { return test::ReadFile("YLog.log").find(text) != std::string::npos; }
};

}  // namespace scripttest
