// Runs real Lua through the script host with the engine's script functions registered.
// Scripts report what they see with Record(...), one line per call.
#pragma once
#include <gtest/gtest.h>

#include <lua.hpp>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "core/YCommandManager.h"
#include "core/YReferences.h"
#include "core/YScript.h"
#include "core/YTriggerRegistry.h"
#include "script/YScriptApi.h"
#include "support/TestSupport.h"

namespace scripttest {

// An engine object that scripts can hold; NewThing/KillThing make and end them.
struct TestObject : CYReferenced {
    ~TestObject() override = default;
};
struct Thing : TestObject {};
struct OtherThing : TestObject {};

inline std::vector<std::string>& Records() {
    static std::vector<std::string> records;
    return records;
}
inline std::vector<std::unique_ptr<TestObject>>& Things() {
    static std::vector<std::unique_ptr<TestObject>> things;
    return things;
}

// A value as a text: references as "ref:<id>", nil and booleans by name.
inline std::string Describe(lua_State* L, int i) {
    switch (lua_type(L, i)) {
    case LUA_TLIGHTUSERDATA:
        return "ref:" + std::to_string(reinterpret_cast<uintptr_t>(lua_touserdata(L, i)));
    case LUA_TNIL:
        return "nil";
    case LUA_TBOOLEAN:
        return lua_toboolean(L, i) ? "true" : "false";
    case LUA_TNUMBER:
    case LUA_TSTRING:
        return lua_tostring(L, i);
    default:
        return luaL_typename(L, i);
    }
}

// Record(...): the arguments joined by "|".
inline int Record(lua_State* L) {
    std::string line;
    for (int i = 1; i <= lua_gettop(L); ++i) line += (i > 1 ? "|" : "") + Describe(L, i);
    Records().push_back(line);
    return 0;
}

// NewThing(other): a new Thing (an OtherThing when other is true).
inline int NewThing(lua_State* L) {
    if (lua_toboolean(L, 1))
        Things().push_back(std::make_unique<OtherThing>());
    else
        Things().push_back(std::make_unique<Thing>());
    lua_pushlightuserdata(L, Things().back()->Reference());
    return 1;
}

// KillThing(ref): destroys the object of a reference made by NewThing.
inline int KillThing(lua_State* L) {
    const void* ref = lua_touserdata(L, 1);
    for (auto it = Things().begin(); it != Things().end(); ++it)
        if ((*it)->Reference() == ref) {
            Things().erase(it);
            break;
        }
    return 0;
}

inline void RegisterTestFunctions(lua_State* L) {
    lua_register(L, "Record", Record);
    lua_register(L, "NewThing", NewThing);
    lua_register(L, "KillThing", KillThing);
}

class ScriptFixture : public testing::Test {
protected:
    test::TempDir dir;
    CYTriggerRegistry triggers;
    std::vector<std::unique_ptr<CYScriptHandler>> handlers;

    ScriptFixture() {
        Records().clear();
        triggers.Init();
        g_registerScriptFunctions = RegisterScriptFunctions;
        g_registerExtraScriptFunctions = RegisterTestFunctions;
        LoadCommands();
    }
    ~ScriptFixture() override {
        handlers.clear();
        Things().clear();
        g_registerScriptFunctions = nullptr;
        g_registerExtraScriptFunctions = nullptr;
        DestroyCommands();
    }

    // A handler named `name`, owned by `owner`, whose idle state runs the text; started.
    CYScriptHandler* Handler(const std::string& name, const std::string& text, void* owner = nullptr) {
        const std::string file = name + ".lua";
        test::WriteFile("data/scripts/" + file, text);
        handlers.push_back(std::make_unique<CYScriptHandler>(owner));
        CYScriptHandler* handler = handlers.back().get();
        handler->SetName(name);
        g_commandManager->Register(handler);
        EXPECT_EQ(handler->AddState("idle", file), S_OK);
        handler->SwitchToIdle();
        return handler;
    }

    // Runs the text once in a handler "TEST" and returns what it recorded.
    std::vector<std::string> Run(const std::string& text, float frameTime = 0.0f) {
        Handler("TEST", text)->Step(frameTime);
        return Records();
    }

    static std::string LogText() { return test::ReadFile("YLog.log"); }
};

}  // namespace scripttest
