#include "core/YScript.h"

#include <gtest/gtest.h>

#include <lua.hpp>

#include <memory>
#include <string>
#include <vector>

#include "core/YCommandManager.h"
#include "core/YLiveCounts.h"
#include "support/TestSupport.h"

namespace {

// What the test functions saw, one text per call of Record.
std::vector<std::string> g_records;
// The handler that the test functions act on.
std::unique_ptr<CYScriptHandler> g_handler;

// Record(...): the arguments as texts, joined by ",".
int Record(lua_State* L) {
    std::string text;
    for (int i = 1; i <= lua_gettop(L); ++i) {
        if (i > 1) text += ",";
        const char* s = lua_tostring(L, i);
        text += s ? s : luaL_typename(L, i);
    }
    g_records.push_back(text);
    return 0;
}

CYScript* ScriptArg(lua_State* L) { return CYScript::FromReference(lua_touserdata(L, 1)); }

int FrameTimeOf(lua_State* L) {
    CYScript* s = ScriptArg(L);
    lua_pushnumber(L, s ? s->FrameTime() : -1.0);
    return 1;
}

int HandlerNameOf(lua_State* L) {
    lua_pushstring(L, GetScriptParamText(ScriptArg(L)).c_str());
    return 1;
}

int ResumeScript(lua_State* L) {
    CYScript* s = ScriptArg(L);
    lua_pushboolean(L, s && s->Resume(0.0f));
    return 1;
}

int StopScript(lua_State* L) {
    if (CYScript* s = ScriptArg(L)) s->Stop();
    return 0;
}

int SetHandlerState(lua_State* L) {
    lua_pushboolean(L, g_handler->SetState(luaL_checkstring(L, 1), 0));
    return 1;
}

int AddHandlerState(lua_State* L) {
    g_handler->AddState(luaL_checkstring(L, 1), luaL_checkstring(L, 2));
    return 0;
}

int DestroyHandler(lua_State*) {
    g_handler.reset();
    return 0;
}

void RegisterTestFunctions(lua_State* L) {
    lua_register(L, "Record", Record);
    lua_register(L, "FrameTimeOf", FrameTimeOf);
    lua_register(L, "HandlerNameOf", HandlerNameOf);
    lua_register(L, "ResumeScript", ResumeScript);
    lua_register(L, "StopScript", StopScript);
    lua_register(L, "SetHandlerState", SetHandlerState);
    lua_register(L, "AddHandlerState", AddHandlerState);
    lua_register(L, "DestroyHandler", DestroyHandler);
}

struct DeleteScript {
    void operator()(CYScript* s) const { s->Delete(); }
};
using ScriptPtr = std::unique_ptr<CYScript, DeleteScript>;

class ScriptTest : public testing::Test {
protected:
    test::TempDir dir;
    int liveBefore = g_live.scripts;

    ScriptTest() {
        g_records.clear();
        g_registerExtraScriptFunctions = RegisterTestFunctions;
        LoadCommands();
    }
    ~ScriptTest() override {
        g_handler.reset();
        g_registerExtraScriptFunctions = nullptr;
        g_scriptLimits = YScriptLimits{};
        DestroyCommands();
        EXPECT_EQ(g_live.scripts, liveBefore);
    }
    static void WriteScript(const std::string& name, const std::string& text) {
        test::WriteFile("data/scripts/" + name, text);
    }
    static ScriptPtr Started(const std::string& name, const std::string& text) {
        WriteScript(name, text);
        ScriptPtr s(new CYScript());
        EXPECT_EQ(s->Load(name), S_OK);
        s->Start();
        return s;
    }
    static size_t Count(const std::string& text, const std::string& what) {
        size_t n = 0;
        for (size_t p = text.find(what); p != std::string::npos; p = text.find(what, p + 1)) ++n;
        return n;
    }
    static std::string LogText() { return test::ReadFile("YLog.log"); }
};

// ---- loading ----

TEST_F(ScriptTest, LoadLogsTheParseLinesWithThePath) {
    WriteScript("a.lua", "Update()\n");
    ScriptPtr s(new CYScript());
    EXPECT_EQ(s->Load("a.lua"), S_OK);
    EXPECT_EQ(s->Path(), "data\\scripts\\a.lua");
    EXPECT_NE(LogText().find("\nStarting to parse script file - data\\scripts\\a.lua ------------------\n"
                             "Finish parsing script file - data\\scripts\\a.lua ------------------\n"),
              std::string::npos);
    EXPECT_TRUE(s->IsFinished());
}

TEST_F(ScriptTest, MissingFileFailsToLoadWithTheNotFoundLine) {
    ScriptPtr s(new CYScript());
    EXPECT_LT(s->Load("nope.lua"), 0);
    EXPECT_NE(LogText().find("File - data\\scripts\\nope.lua not found\n"), std::string::npos);
}

TEST_F(ScriptTest, SyntaxErrorIsLoggedAtLoadAndAgainAtStartThenEndsAtFirstResume) {
    WriteScript("bad.lua", "x = = 1\n");
    ScriptPtr s(new CYScript());
    EXPECT_EQ(s->Load("bad.lua"), S_OK);
    EXPECT_EQ(Count(LogText(), "\nERROR!!!!!!!!!!!!!\n[string \"data\\scripts\\bad.lua\"]:1:"), 1u);
    s->Start();
    EXPECT_EQ(Count(LogText(), "\nERROR!!!!!!!!!!!!!\n[string \"data\\scripts\\bad.lua\"]:1:"), 2u);
    EXPECT_FALSE(s->IsFinished());
    EXPECT_TRUE(s->Resume(0.1f));
    EXPECT_NE(LogText().find("attempt to call a string value"), std::string::npos);
}

// ---- running ----

TEST_F(ScriptTest, UpdateGivesBackOneFrameAtATime) {
    ScriptPtr s = Started("loop.lua", "local n = 0\nwhile true do n = n + 1 Record(n) Update() end\n");
    for (int i = 0; i < 3; ++i) EXPECT_FALSE(s->Resume(0.016f));
    EXPECT_EQ(g_records, (std::vector<std::string>{"1", "2", "3"}));
}

TEST_F(ScriptTest, ScriptThatReturnsIsFinishedAndNeverResumedAgain) {
    ScriptPtr s = Started("once.lua", "Record('ran')\nreturn 8\n");
    EXPECT_TRUE(s->Resume(0.0f));
    EXPECT_TRUE(s->Resume(0.0f));
    EXPECT_EQ(g_records, std::vector<std::string>{"ran"});
    EXPECT_EQ(LogText().find("ERROR!!!"), std::string::npos);
}

TEST_F(ScriptTest, AScriptThatReturnsSevenEndsWithAnErrorAtItsNextResume) {
    ScriptPtr s = Started("seven.lua", "Record('ran')\nreturn 7.5, 'more'\n");
    EXPECT_FALSE(s->Resume(0.0f));
    EXPECT_EQ(LogText().find("ERROR!!!"), std::string::npos);
    EXPECT_TRUE(s->Resume(0.0f));
    const std::string log = LogText();
    EXPECT_EQ(log.substr(log.find("\nERROR!!!")), "\nERROR!!!!!!!!!!!!!\ncannot resume dead coroutine\n\n");
    EXPECT_TRUE(s->Resume(0.0f));
    EXPECT_EQ(g_records, std::vector<std::string>{"ran"});
    // Started again, it runs anew.
    s->Start();
    EXPECT_FALSE(s->Resume(0.0f));
    EXPECT_EQ(g_records, (std::vector<std::string>{"ran", "ran"}));
}

TEST_F(ScriptTest, OnlyAYieldedSevenKeepsTheScriptAlive) {
    struct Case {
        const char* yield;
        bool finished;
    } cases[] = {{"coroutine.yield(7)", false}, {"coroutine.yield(7.9)", false}, {"coroutine.yield(8)", true},
                 {"coroutine.yield('7')", true}, {"coroutine.yield()", true},   {"coroutine.yield(1e300)", true}};
    for (const Case& c : cases) {
        ScriptPtr s = Started("y.lua", std::string(c.yield) + "\nRecord('after')\nUpdate()\n");
        EXPECT_EQ(s->Resume(0.0f), c.finished) << c.yield;
        EXPECT_EQ(s->Resume(0.0f), c.finished) << c.yield;
    }
    EXPECT_EQ(g_records, (std::vector<std::string>{"after", "after"}));
}

TEST_F(ScriptTest, StartRunsAgainFromTheFirstLineWithFreshGlobals) {
    ScriptPtr s = Started("g.lua", "Record(tostring(seen))\nseen = true\nUpdate()\n");
    s->Resume(0.0f);
    s->Resume(0.0f);
    s->Start();
    s->Resume(0.0f);
    EXPECT_EQ(g_records, (std::vector<std::string>{"nil", "nil"}));
}

TEST_F(ScriptTest, StopEndsTheStateAtOnce) {
    ScriptPtr s = Started("s.lua", "while true do Record('x') Update() end\n");
    s->Resume(0.0f);
    s->Stop();
    EXPECT_TRUE(s->IsFinished());
    EXPECT_EQ(s->LuaState(), nullptr);
    EXPECT_TRUE(s->Resume(0.0f));
    EXPECT_EQ(g_records.size(), 1u);
}

TEST_F(ScriptTest, GlobalObjectIsTheRunningScriptAndCarriesTheFrameTime) {
    ScriptPtr s = Started("o.lua", "while true do Record(FrameTimeOf(globalObject)) Update() end\n");
    s->Resume(0.5f);
    s->Resume(0.25f);
    EXPECT_EQ(g_records, (std::vector<std::string>{"0.5", "0.25"}));
    EXPECT_EQ(CYScript::FromReference(s->Reference()), s.get());
}

TEST_F(ScriptTest, ReferenceOfADeletedScriptReadsAsNullAndIsNotReused) {
    ScriptPtr a(new CYScript());
    void* ref = a->Reference();
    a.reset();
    ScriptPtr b(new CYScript());
    EXPECT_EQ(CYScript::FromReference(ref), nullptr);
    EXPECT_NE(b->Reference(), ref);
    EXPECT_EQ(CYScript::FromReference(nullptr), nullptr);
}

TEST_F(ScriptTest, StandardLibrariesAreOpen) {
    ScriptPtr s = Started("lib.lua",
                          "Record(type(io.open), type(os.time), string.upper('a'), math.floor(2.5), "
                          "table.concat({1, 2}, '-'), type(coroutine.yield), type(newproxy), type(require), "
                          "type(gcinfo))\n");
    s->Resume(0.0f);
    EXPECT_EQ(g_records, std::vector<std::string>{"function,function,A,2,1-2,function,function,function,function"});
}

// ---- errors and limits ----

TEST_F(ScriptTest, RuntimeErrorIsLoggedWithItsMessageAndFinishesTheState) {
    ScriptPtr s = Started("e.lua", "Update()\nerror('boom at frame two')\n");
    EXPECT_FALSE(s->Resume(0.0f));
    EXPECT_TRUE(s->Resume(0.0f));
    EXPECT_NE(LogText().find("\nERROR!!!!!!!!!!!!!\n[string \"data\\scripts\\e.lua\"]:2: boom at frame two\n\n"),
              std::string::npos);
}

TEST_F(ScriptTest, AnErrorWithANonTextValueEndsTheStateWithoutALine) {
    ScriptPtr s = Started("t.lua", "error({})\n");
    EXPECT_TRUE(s->Resume(0.0f));
    EXPECT_EQ(LogText().find("ERROR!!!"), std::string::npos);
    ScriptPtr n = Started("n.lua", "error(42)\n");
    EXPECT_TRUE(n->Resume(0.0f));
    EXPECT_NE(LogText().find("\nERROR!!!!!!!!!!!!!\n[string \"data\\scripts\\n.lua\"]:1: 42\n\n"), std::string::npos);
}

TEST_F(ScriptTest, AScriptThatPilesUpMemoryEndsWithNotEnoughMemory) {
    g_scriptLimits.memoryBytes = 8 << 20;
    ScriptPtr s = Started("m.lua", "local t = {}\nfor i = 1, 1e9 do t[i] = string.rep('x', 1000) .. i end\n");
    EXPECT_TRUE(s->Resume(0.0f));
    EXPECT_NE(LogText().find("not enough memory"), std::string::npos);
    ScriptPtr big = Started("big.lua", "local s = string.rep('x', 2^40)\n");
    EXPECT_TRUE(big->Resume(0.0f));
}

TEST_F(ScriptTest, AScriptThatNeverGivesTheFrameBackIsEnded) {
    g_scriptLimits.instructionsPerResume = 2000000;
    ScriptPtr s = Started("spin.lua", "Update()\nwhile true do end\n");
    EXPECT_FALSE(s->Resume(0.0f));
    EXPECT_TRUE(s->Resume(0.0f));
    EXPECT_NE(LogText().find("script ran too long without calling Update"), std::string::npos);
    // Catching the error does not keep it going.
    ScriptPtr p = Started("pspin.lua", "while true do pcall(function() while true do end end) end\n");
    EXPECT_TRUE(p->Resume(0.0f));
}

TEST_F(ScriptTest, TheInstructionBudgetIsPerResume) {
    g_scriptLimits.instructionsPerResume = 2000000;
    ScriptPtr s = Started("work.lua", "while true do for i = 1, 200000 do end Update() end\n");
    for (int i = 0; i < 30; ++i) ASSERT_FALSE(s->Resume(0.0f));
}

// ---- busy guard ----

TEST_F(ScriptTest, ResumingARunningScriptDoesNothingAndReportsNotFinished) {
    ScriptPtr s = Started("r.lua", "Record(tostring(ResumeScript(globalObject)))\nRecord('end')\n");
    EXPECT_TRUE(s->Resume(0.0f));
    EXPECT_EQ(g_records, (std::vector<std::string>{"false", "end"}));
}

TEST_F(ScriptTest, StopFromInsideTheScriptWaitsUntilItsResumeReturns) {
    ScriptPtr s = Started("st.lua", "StopScript(globalObject)\nRecord('still running')\nUpdate()\n");
    EXPECT_TRUE(s->Resume(0.0f));
    EXPECT_EQ(g_records, std::vector<std::string>{"still running"});
    EXPECT_EQ(s->LuaState(), nullptr);
}

class ScriptHandlerTest : public ScriptTest {
protected:
    ScriptHandlerTest() {
        g_handler = std::make_unique<CYScriptHandler>(nullptr);
        g_handler->SetName("h");
        g_commandManager->Register(g_handler.get());
    }
};

TEST_F(ScriptHandlerTest, SettingItsOwnStateRestartsTheScriptAfterItsResume) {
    WriteScript("self.lua", "Record('start')\nUpdate()\nSetHandlerState('a')\nRecord('after')\nUpdate()\n");
    ASSERT_EQ(g_handler->AddState("a", "self.lua"), S_OK);
    ASSERT_TRUE(g_handler->SetState("a", 0));
    EXPECT_FALSE(g_handler->CurrentState()->Resume(0.0f));
    EXPECT_FALSE(g_handler->CurrentState()->Resume(0.0f));
    EXPECT_EQ(g_records, (std::vector<std::string>{"start", "after"}));
    EXPECT_FALSE(g_handler->CurrentState()->Resume(0.0f));
    EXPECT_EQ(g_records, (std::vector<std::string>{"start", "after", "start"}));
}

TEST_F(ScriptHandlerTest, AddStateOverTheRunningStateDeletesItAfterItsResume) {
    WriteScript("old.lua", "AddHandlerState('a', 'new.lua')\nRecord('old goes on')\nUpdate()\n");
    WriteScript("new.lua", "Record('new')\nUpdate()\n");
    g_handler->AddState("a", "old.lua");
    g_handler->SetState("a", 0);
    int live = g_live.scripts;
    EXPECT_TRUE(g_handler->CurrentState()->Resume(0.0f));
    EXPECT_EQ(g_records, std::vector<std::string>{"old goes on"});
    EXPECT_EQ(g_handler->CurrentState(), nullptr);
    EXPECT_EQ(g_live.scripts, live);  // one new, one deleted
    ASSERT_TRUE(g_handler->SetState("a", 0));
    g_handler->CurrentState()->Resume(0.0f);
    EXPECT_EQ(g_records.back(), "new");
}

TEST_F(ScriptHandlerTest, HandlerDestroyedFromItsOwnScriptLetsTheResumeFinish) {
    WriteScript("kill.lua", "DestroyHandler()\nRecord(HandlerNameOf(globalObject))\nUpdate()\n");
    g_handler->AddState("idle", "kill.lua");
    g_handler->SwitchToIdle();
    g_handler->Step(0.0f);  // the handler is gone when Step returns
    EXPECT_EQ(g_handler, nullptr);
    EXPECT_EQ(g_records, std::vector<std::string>{""});
}

TEST_F(ScriptHandlerTest, ArgumentErrorOfAFunctionEndsOnlyTheScript) {
    ScriptPtr s = Started("h.lua", "SetHandlerState({})\n");
    EXPECT_TRUE(s->Resume(0.0f));
    EXPECT_NE(LogText().find("bad argument #1 to 'SetHandlerState'"), std::string::npos);
}

// ---- handler states ----

TEST_F(ScriptHandlerTest, AddStateOverTheCurrentStateLeavesNoCurrentState) {
    WriteScript("a.lua", "Update()\n");
    g_handler->AddState("a", "a.lua");
    g_handler->SetState("a", 0);
    CYScript* first = g_handler->CurrentState();
    int live = g_live.scripts;
    EXPECT_EQ(g_handler->AddState("a", "a.lua"), S_OK);
    EXPECT_EQ(g_handler->CurrentState(), nullptr);
    EXPECT_NE(g_handler->FindState("a"), first);
    EXPECT_EQ(g_live.scripts, live);
}

TEST_F(ScriptHandlerTest, AddStateOfAMissingFileAddsNothing) {
    EXPECT_EQ(g_handler->AddState("a", "missing.lua"), E_FAIL);
    EXPECT_EQ(g_handler->FindState("a"), nullptr);
    EXPECT_TRUE(g_handler->HasNoState());
}

TEST_F(ScriptHandlerTest, AddedStateIsNotStartedAndKnowsItsHandler) {
    WriteScript("a.lua", "Update()\n");
    g_handler->AddState("idle", "a.lua");
    CYScript* s = g_handler->FindState("idle");
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(g_handler->IdleState(), s);
    EXPECT_TRUE(s->IsFinished());
    EXPECT_EQ(s->Handler(), g_handler.get());
    EXPECT_EQ(GetScriptParamText(s), "h");
    EXPECT_FALSE(g_handler->HasNoState());
}

TEST_F(ScriptHandlerTest, SetStateStartsTheStateWithItsInitValueAndOwnerName) {
    WriteScript("a.lua", "Update()\n");
    g_handler->AddState("a", "a.lua");
    EXPECT_TRUE(g_handler->SetState("a", 42));
    CYScript* s = g_handler->CurrentState();
    EXPECT_EQ(s, g_handler->FindState("a"));
    EXPECT_EQ(s->InitValue(), 42);
    EXPECT_EQ(s->OwnerName(), "h");
    EXPECT_FALSE(s->IsFinished());
}

TEST_F(ScriptHandlerTest, AddStateAndSetStateBothEmptyTheQueueEvenForAMissingName) {
    WriteScript("a.lua", "Update()\n");
    g_handler->AddState("a", "a.lua");
    g_commandManager->SendCommandByName("h", "one", "");
    g_handler->SetNextCommand();
    EXPECT_FALSE(g_handler->SetState("nothing", 0));
    EXPECT_TRUE(g_handler->Commands().empty());
    EXPECT_EQ(g_handler->CurrentCommand(), nullptr);
    g_commandManager->SendCommandByName("h", "two", "");
    g_handler->AddState("b", "a.lua");
    EXPECT_TRUE(g_handler->Commands().empty());
}

TEST_F(ScriptHandlerTest, GetScriptParamTextOfAScriptWithoutHandlerIsEmpty) {
    ScriptPtr s(new CYScript());
    EXPECT_EQ(GetScriptParamText(s.get()), "");
    EXPECT_EQ(GetScriptParamText(nullptr), "");
}

// ---- commands read by scripts ----

TEST_F(ScriptHandlerTest, CommandsAreReadOldestFirstAndTheLastCurrentOneIsRemoved) {
    WriteScript("a.lua", "Update()\n");
    g_handler->AddState("a", "a.lua");
    g_commandManager->SendCommandByName("h", "first", "1");
    g_commandManager->SendCommandByName("h", "second", "a,b");
    ASSERT_TRUE(g_handler->SetNextCommand());
    EXPECT_EQ(g_handler->CurrentCommand()->command, "first");
    g_commandManager->SendCommandByName("h", "third", "");
    EXPECT_EQ(g_handler->CurrentCommand()->command, "first");
    ASSERT_TRUE(g_handler->SetNextCommand());
    EXPECT_EQ(g_handler->CurrentCommand()->command, "second");
    EXPECT_EQ(g_handler->CurrentCommand()->args, (std::vector<std::string>{"a", "b"}));
    ASSERT_TRUE(g_handler->SetNextCommand());
    EXPECT_EQ(g_handler->CurrentCommand()->command, "third");
    EXPECT_FALSE(g_handler->SetNextCommand());
    EXPECT_EQ(g_handler->CurrentCommand(), nullptr);
    EXPECT_TRUE(g_handler->Commands().empty());
}

// ---- the main loop's step ----

TEST_F(ScriptHandlerTest, IdleThatReturnsRestartsAndRunsAgainNextFrame) {
    WriteScript("main.lua", "Record('run')\n");
    g_handler->AddState("idle", "main.lua");
    g_handler->SwitchToIdle();
    g_commandManager->SendCommandByName("h", "c", "");
    g_handler->Step(0.0f);
    EXPECT_TRUE(g_handler->Commands().empty());
    EXPECT_EQ(g_handler->CurrentState(), g_handler->IdleState());
    EXPECT_FALSE(g_handler->IdleState()->IsFinished());
    g_handler->Step(0.0f);
    g_handler->Step(0.0f);
    EXPECT_EQ(g_records, (std::vector<std::string>{"run", "run", "run"}));
}

TEST_F(ScriptHandlerTest, ScriptErrorInIdleRestartsItWithoutStoppingTheHandler) {
    WriteScript("main.lua", "Record('run')\nerror('bad')\n");
    g_handler->AddState("idle", "main.lua");
    g_handler->SwitchToIdle();
    g_handler->Step(0.0f);
    g_handler->Step(0.0f);
    EXPECT_EQ(g_records, (std::vector<std::string>{"run", "run"}));
    EXPECT_EQ(Count(LogText(), ":2: bad\n"), 2u);
}

TEST_F(ScriptHandlerTest, WithoutACurrentStateTheStepSwitchesToIdleWithoutResuming) {
    WriteScript("main.lua", "Record('run')\nUpdate()\n");
    WriteScript("other.lua", "Update()\n");
    g_handler->AddState("idle", "main.lua");
    g_handler->AddState("x", "other.lua");
    g_handler->SetState("x", 0);
    g_handler->AddState("x", "other.lua");  // replaces the current state
    g_handler->Step(0.0f);
    EXPECT_EQ(g_handler->CurrentState(), g_handler->IdleState());
    EXPECT_TRUE(g_records.empty());
    g_handler->Step(0.0f);
    EXPECT_EQ(g_records, std::vector<std::string>{"run"});
}

TEST_F(ScriptHandlerTest, PausedHandlerIsNotStepped) {
    WriteScript("main.lua", "while true do Record('run') Update() end\n");
    g_handler->AddState("idle", "main.lua");
    g_handler->SwitchToIdle();
    g_handler->SetPaused(true);
    g_handler->Step(0.0f);
    EXPECT_TRUE(g_records.empty());
    g_handler->SetPaused(false);
    g_handler->Step(0.0f);
    EXPECT_EQ(g_records.size(), 1u);
}

}  // namespace
