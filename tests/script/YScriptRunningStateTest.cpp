// Executing an object's script state that is running now: the script's own state, or one
// that the running script runs inside. It becomes current with the new init data and goes on
// from where it is, neither restarted nor resumed.
#include "ObjectTestSupport.h"

namespace {

using namespace scripttest;

class RunningState : public ObjectFixture {};

TEST_F(RunningState, AScriptExecutingItsOwnStateGetsTrueTheNewDataAndGoesOn) {
    test::WriteFile("data/scripts/self.lua",
                    "local me = GetCurrentComplexObject(globalObject)\n"
                    "Record('start', GetScriptInitData(globalObject))\n"
                    "SetNextCommand(globalObject)\n"
                    "Record(GetCurrentCommand(globalObject))\n"
                    "Record(ExecuteComplexObjectScript(me, 'self', GetObjectParam(me, 'data')))\n"
                    "Record('data', GetScriptInitData(globalObject))\n"
                    "Record(GetCurrentCommand(globalObject))\n"
                    "Record(SetNextCommand(globalObject), GetCurrentCommand(globalObject))\n"
                    "Update()\n"
                    "Record('resumed')\n"
                    "Update()\n");
    test::WriteFile("data/scripts/wait.lua", "while true do Update() end\n");
    CYComplexObject* o = NewObject("o");
    o->AddScript("self", "self.lua");
    o->AddScript("wait", "wait.lua");
    auto data = std::make_unique<Thing>();
    const std::string id = std::to_string(data->ReferenceId());
    CYScriptHandler& handler = o->ScriptHandler();
    handler.objectParams["data"] = static_cast<int32_t>(data->ReferenceId());
    handler.QueueCommand({"first", {}});
    EXPECT_EQ(Run("local o = " + Ref(o) + "\n"
                  "Record(ExecuteComplexObjectScript(o, 'self', nil))\n"
                  "UpdateObjectScript(o)\n"),
              (Lines{"start|ref:0", "first", "true", "data|ref:" + id, "", "true|first", "true", "resumed"}));
    EXPECT_EQ(handler.CurrentState(), handler.FindState("self"));
    EXPECT_FALSE(LogHas("not executed"));
}

TEST_F(RunningState, AStateExecutedFromAScriptItRunsBecomesCurrentAgain) {
    // "outer" makes "wait" current, then runs the other object's "inner", which executes
    // "outer" (running, since "inner" runs inside it) through a part of the first object.
    test::WriteFile("data/scripts/outer.lua",
                    "local me = GetCurrentComplexObject(globalObject)\n"
                    "Record('outer')\n"
                    "ExecuteComplexObjectScript(me, 'wait', nil)\n"
                    "Record(ExecuteComplexObjectScript(GetObjectParam(me, 'other'), 'inner', me))\n"
                    "Record('outer data', GetScriptInitData(globalObject))\n"
                    "Update()\n"
                    "Record('outer again')\n");
    test::WriteFile("data/scripts/inner.lua",
                    "local first = GetScriptInitData(globalObject)\n"
                    "Record('inner', ExecuteObjectScript(GetChildObject(first, 'arm'), 'outer', first))\n");
    test::WriteFile("data/scripts/wait.lua", "while true do Update() end\n");
    CYComplexObject* first = NewObject("first");
    CYComplexObject* second = NewObject("second");
    first->AddScript("outer", "outer.lua");
    first->AddScript("wait", "wait.lua");
    second->AddScript("inner", "inner.lua");
    first->ScriptHandler().objectParams["other"] = static_cast<int32_t>(second->ReferenceId());
    const std::string id = std::to_string(first->ReferenceId());
    EXPECT_EQ(Run("local o = " + Ref(first) + "\n"
                  "ExecuteComplexObjectScript(o, 'outer', nil)\n"
                  "UpdateObjectScript(o)\n"),
              (Lines{"outer", "inner|true", "true", "outer data|ref:" + id, "outer again"}));
    CYScriptHandler& handler = first->ScriptHandler();
    EXPECT_EQ(handler.CurrentState(), handler.FindState("outer"));
}

}  // namespace
