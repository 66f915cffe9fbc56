// Running other objects' script states from scripts, and commands to the droids.
#include "ObjectTestSupport.h"

namespace {

using namespace scripttest;

class ObjectScripts : public ObjectFixture {
protected:
    // An object with the states "run" (records its init data, waits a frame, records again)
    // and "self" (tries to execute itself while it runs).
    CYComplexObject* Scripted(const std::string& name) {
        test::WriteFile("data/scripts/run.lua", "Record('run', GetScriptInitData(globalObject)) Update() Record('again')\n");
        test::WriteFile("data/scripts/self.lua",
                        "Record(ExecuteComplexObjectScript(GetCurrentComplexObject(globalObject), 'self', nil))\n");
        CYComplexObject* o = NewObject(name);
        o->AddScript("run", "run.lua");
        o->AddScript("self", "self.lua");
        return o;
    }
};

TEST_F(ObjectScripts, AStateRunsOnceWhenExecutedAndGoesOnWhenUpdated) {
    CYComplexObject* o = Scripted("o");
    auto data = std::make_unique<Thing>();
    const std::string id = std::to_string(data->ReferenceId());
    EXPECT_EQ(Run("local o, arm = " + Ref(o) + ", GetChildObject(" + Ref(o) + ", 'arm')\n"
                  "Record(ExecuteComplexObjectScript(o, 'none', nil))\n"
                  "Record(ExecuteComplexObjectScript(o, 'run', StringToPointer('" + id + "')))\n"
                  "Record(ExecuteObjectScript(arm, 'run', nil))\n"
                  "UpdateObjectScript(arm) UpdateObjectScript(o)\n"),
              (Lines{"false", "run|ref:" + id, "true", "true", "again"}));
}

TEST_F(ObjectScripts, ARunningStateExecutedAgainIsMadeCurrentAndWaitingCommandsStay) {
    CYComplexObject* o = Scripted("o");
    CYScriptHandler& handler = o->ScriptHandler();
    handler.QueueCommand({"first", {}});
    handler.QueueCommand({"second", {}});
    ASSERT_TRUE(handler.SetNextCommand());
    EXPECT_EQ(Run("Record(ExecuteComplexObjectScript(" + Ref(o) + ", 'self', nil))\n"), (Lines{"true", "true"}));
    EXPECT_EQ(handler.CurrentCommand(), nullptr);
    EXPECT_EQ(handler.Commands().size(), 2u);
    EXPECT_EQ(handler.CurrentState(), handler.FindState("self"));

    g_records.clear();
    Run("ExecuteComplexObjectScript(" + Ref(o) + ", 'run', nil)\n");
    handler.SetPaused(true);
    Run("UpdateObjectScript(" + Ref(o) + ")\n");
    handler.SetPaused(false);
    EXPECT_EQ(Run("UpdateObjectScript(" + Ref(o) + ")\n"), (Lines{"run|ref:0", "again"}));
}

TEST_F(ObjectScripts, ObjectScriptsRunInsideOneAnotherOnlySixteenDeep) {
    test::WriteFile("data/scripts/chain.lua", "local me = GetCurrentComplexObject(globalObject) Record('in')\n"
                                              "ExecuteComplexObjectScript(GetObjectParam(me, 'next'), 'chain', nil)\n");
    std::vector<CYComplexObject*> chain;
    for (int i = 0; i < 20; ++i) {
        chain.push_back(NewObject("link"));
        chain.back()->AddScript("chain", "chain.lua");
        if (i > 0) chain[i - 1]->ScriptHandler().objectParams["next"] = int32_t(chain[i]->ReferenceId());
    }
    EXPECT_EQ(Run("ExecuteComplexObjectScript(" + Ref(chain[0]) + ", 'chain', nil)\n"), Lines(16, "in"));
    EXPECT_TRUE(LogHas("Script - chain.lua not run: 16 object scripts already run inside one another"));
}

TEST_F(ObjectScripts, CommandsReachEveryDroidInASlotOnlyWithAWorld) {
    CYComplexObject* droid = Scripted("droid_c");
    CYComplexObject* other = Scripted("other");
    for (CYComplexObject* o : {droid, other}) g_commandManager->Register(&o->ScriptHandler());
    Run("SendCommandToDroids('go', 'a,b') SendCommandToDroids('big', string.rep('x', 5000))\n");
    ASSERT_EQ(droid->ScriptHandler().Commands().size(), 2u);
    EXPECT_EQ(droid->ScriptHandler().Commands().back().args, (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(droid->ScriptHandler().Commands().front().args, (std::vector<std::string>{std::string(5000, 'x')}));
    EXPECT_TRUE(other->ScriptHandler().Commands().empty());
    RemoveWorld();
    EXPECT_EQ(Run("SendCommandToDroids('go', '') Record('ok')\n"), (Lines{"ok"}));
}

}  // namespace
