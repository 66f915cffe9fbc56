#include "core/YTriggerRegistry.h"

#include <gtest/gtest.h>

#include <lua.hpp>

#include <memory>
#include <string>

#include "core/YCommandManager.h"
#include "core/YScript.h"
#include "script/YScriptApi.h"
#include "support/TestSupport.h"

namespace {

int32_t Read(const char* name) {
    int32_t v = -99;
    SendEvent(YEVENT_GET_TRIGGER, reinterpret_cast<intptr_t>(name), reinterpret_cast<intptr_t>(&v));
    return v;
}
void Write(const char* name, int32_t value) { SendEvent(YEVENT_SET_TRIGGER, reinterpret_cast<intptr_t>(name), value); }

class TriggerTest : public testing::Test {
protected:
    test::TempDir dir;
    std::unique_ptr<CYTriggerRegistry> registry = std::make_unique<CYTriggerRegistry>();
    TriggerTest() {
        registry->Init();
        LoadCommands();
        g_registerScriptFunctions = RegisterScriptFunctions;
    }
    ~TriggerTest() override {
        g_registerScriptFunctions = nullptr;
        registry.reset();
        PurgeUnsubscribedEvents();
        DestroyCommands();
    }
    // A handler whose watching state "_door" appends a line to "starts.txt" each time it starts.
    std::unique_ptr<CYScriptHandler> Watcher(const std::string& state = "_door") {
        test::WriteFile("data/scripts/door.lua",
                        "local f = io.open('starts.txt', 'a') f:write('start\\n') f:close()\n"
                        "while true do Update() end\n");
        auto h = std::make_unique<CYScriptHandler>(nullptr);
        EXPECT_GE(h->AddState(state, "door.lua"), 0);
        CYTriggerRegistry::RegisterWatchers(h.get());
        return h;
    }
    static int Starts() {
        std::string s = test::ReadFile("starts.txt");
        int n = 0;
        for (size_t p = s.find("start"); p != std::string::npos; p = s.find("start", p + 1)) ++n;
        return n;
    }
};

TEST_F(TriggerTest, SetAndGetWithZeroForANameNeverSet) {
    EXPECT_EQ(Read("nothing"), 0);
    Write("a", 5);
    Write("b", -1);
    EXPECT_EQ(Read("a"), 5);
    EXPECT_EQ(Read("b"), -1);
    Write("a", 0);
    EXPECT_EQ(Read("a"), 0);
}

TEST_F(TriggerTest, APositiveSetStartsTheWatchingStateEachTime) {
    // A started state first runs at its handler's next step.
    auto h = Watcher();
    Write("_door", 1);
    EXPECT_EQ(Starts(), 0);
    h->Step(0.01f);
    EXPECT_EQ(Starts(), 1);
    Write("_door", 1);
    h->Step(0.01f);
    EXPECT_EQ(Starts(), 2);
    Write("_door", 0);
    Write("_door", -1);
    Write("_other", 1);
    h->Step(0.01f);
    EXPECT_EQ(Starts(), 2);
}

TEST_F(TriggerTest, AStateNameWithACommaWatchesItsFirstToken) {
    auto h = Watcher("_door,open");
    Write("_door", 3);
    h->Step(0.01f);
    EXPECT_EQ(Starts(), 1);
}

TEST_F(TriggerTest, ClearingForgetsValuesAndWatchers) {
    auto h = Watcher();
    Write("x", 4);
    SendEvent(YEVENT_CLEAR_TRIGGERS, 0, 0);
    EXPECT_EQ(Read("x"), 0);
    Write("_door", 1);
    h->Step(0.01f);
    EXPECT_EQ(Starts(), 0);
}

TEST_F(TriggerTest, ADestroyedHandlerIsNeverReached) {
    auto h = Watcher();
    h.reset();
    Write("_door", 1);  // would call into freed memory if the record stayed
    EXPECT_EQ(Starts(), 0);
}

TEST_F(TriggerTest, AStateSettingTheTriggerItWatchesRestartsAfterItsResume) {
    // The running state restarts itself through its own trigger: the restart waits until
    // the resume that asked for it has returned.
    test::WriteFile("data/scripts/self.lua",
                    "local f = io.open('starts.txt', 'a') f:write('start\\n') f:close()\n"
                    "SetTrigger('_self', 1)\n"
                    "Update()\n");
    auto h = std::make_unique<CYScriptHandler>(nullptr);
    ASSERT_GE(h->AddState("_self", "self.lua"), 0);
    CYTriggerRegistry::RegisterWatchers(h.get());
    ASSERT_TRUE(h->SetState("_self", 0));
    h->Step(0.01f);
    EXPECT_EQ(Starts(), 1);
    h->Step(0.01f);
    EXPECT_EQ(Starts(), 2);
}

TEST_F(TriggerTest, ScriptFunctionsReachTheRegistry) {
    test::WriteFile("data/scripts/t.lua",
                    "SetTrigger('n', 3.9)\n"
                    "local f = io.open('out.txt', 'w') f:write(GetTrigger('n'), ',', GetTrigger('m')) f:close()\n"
                    "SetTrigger('big', 1e300)\n");
    auto h = std::make_unique<CYScriptHandler>(nullptr);
    ASSERT_GE(h->AddState("t", "t.lua"), 0);
    ASSERT_TRUE(h->SetState("t", 0));
    h->Step(0.01f);
    EXPECT_EQ(test::ReadFile("out.txt"), "3,0");
    EXPECT_EQ(Read("big"), INT32_MAX);
}

}  // namespace
