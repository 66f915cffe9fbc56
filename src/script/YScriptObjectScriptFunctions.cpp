// Script functions that run other objects' script states, and commands to the droids.
#include <lua.hpp>

#include <cstring>
#include <deque>
#include <memory>

#include "core/YCommandManager.h"
#include "core/YLog.h"
#include "core/YScript.h"
#include "script/YScriptFunctions.h"
#include "script/YScriptObjects.h"

namespace {

// Longest command or parameter text sent to the droids: each droid's handler keeps a copy.
constexpr size_t kMaxDroidCommandText = 4096;
// Most object scripts run inside one another (a script running another object's script,
// which runs a third's...): each level holds a resume on the program's stack.
constexpr int kMaxNestedScripts = 16;
int g_nestedScripts = 0;

// Resumes the state one step for a script function; refused (not finished, logged) when
// too many object scripts already run inside one another.
bool ResumeNested(CYScript* state) {
    if (g_nestedScripts >= kMaxNestedScripts) {
        Log(3, "Script - %s not run: %d object scripts already run inside one another\n", state->FileName().c_str(),
            kMaxNestedScripts);
        return false;
    }
    ++g_nestedScripts;
    const bool finished = state->Resume(0.0f);
    --g_nestedScripts;
    return finished;
}

// The complex object whose scripts a part argument reaches: the part's owner, or the
// object itself when a complex object is given.
CYComplexObject* ArgScriptOwner(lua_State* L, int index) {
    if (CYComplexObject* object = ArgComplexObject(L, index)) return object;
    CYObject* part = ArgPart(L, index);
    return part ? part->GetOwner() : nullptr;
}

// Forgets which command is current while the waiting ones stay queued, so that the next
// SetNextCommand makes the oldest of them current again.
void ClearCurrentCommand(CYScriptHandler& handler) {
    if (!handler.CurrentCommand()) return;
    const std::deque<YCommand> waiting = handler.Commands();
    handler.ClearCommands();
    for (auto it = waiting.rbegin(); it != waiting.rend(); ++it) handler.QueueCommand(*it);
}

// Makes the named state of the object's handler current with the init data and, when it
// has finished, starts it and runs it once. False for a null object, an unknown state, or
// a state that is running now (a busy script is left alone).
bool ExecuteScript(CYComplexObject* object, const char* name, uint32_t initData) {
    if (!object) return false;
    CYScriptHandler& handler = object->ScriptHandler();
    CYScript* state = handler.FindState(name);
    if (state && state->IsBusy()) {
        Log(3, "Script state - %s of object - %s is running, not executed\n", name, object->GetName().c_str());
        return false;
    }
    ClearCurrentCommand(handler);
    if (!state) return false;
    handler.SetCurrentState(state);
    state->SetInitValue(static_cast<int32_t>(initData));
    if (state->IsFinished()) {
        state->SetOwnerName(handler.Name());
        state->Start();
        ResumeNested(state);
    }
    return true;
}

int PushExecuteResult(lua_State* L, CYComplexObject* object) {
    const char* name = ArgText(L, 2);
    const uint32_t initData = ArgReferenceId(L, 3);
    lua_pushboolean(L, ExecuteScript(object, name, initData));
    return 1;
}

}  // namespace

// ExecuteObjectScript(part, state, data): runs a state of the part's object.
int ExecuteObjectScript(lua_State* L) { return PushExecuteResult(L, ArgScriptOwner(L, 1)); }

// ExecuteComplexObjectScript(object, state, data): runs a state of the object.
int ExecuteComplexObjectScript(lua_State* L) { return PushExecuteResult(L, ArgComplexObject(L, 1)); }

// UpdateObjectScript(part): one step of the part's object's script handler, unless it is
// paused or its current state is running now.
int UpdateObjectScript(lua_State* L) {
    CYComplexObject* object = ArgScriptOwner(L, 1);
    if (!object) return 0;
    CYScriptHandler& handler = object->ScriptHandler();
    if (handler.IsPaused()) return 0;
    CYScript* current = handler.CurrentState();
    if (!current) {
        handler.SwitchToIdle();
        return 0;
    }
    if (current->IsBusy()) return 0;
    std::weak_ptr<void> life = handler.LifeToken();
    const bool finished = ResumeNested(current);
    if (finished && !life.expired()) handler.ClearCommands();
    return 0;
}

// TestComplexObject(object): reads its argument and does nothing.
int TestComplexObject(lua_State* L) {
    ArgComplexObject(L, 1);
    return 0;
}

// SendCommandToDroids(command, params): to the handler of every droid in the nine slots.
int SendCommandToDroids(lua_State* L) {
    const char* command = ArgText(L, 1);
    const char* params = ArgText(L, 2);
    CYGameWorld* world = QueryGameWorld();
    if (!world) return 0;
    if (std::strlen(command) > kMaxDroidCommandText || std::strlen(params) > kMaxDroidCommandText) {
        Log(0, "Script command dropped: its text is longer than %d bytes\n", static_cast<int>(kMaxDroidCommandText));
        return 0;
    }
    world->SendCommandToDroids(command, params);
    return 0;
}
