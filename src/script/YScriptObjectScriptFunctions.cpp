// Script functions that run other objects' script states, and commands to the droids.
#include <lua.hpp>

#include <memory>

#include "core/YCommandManager.h"
#include "core/YLog.h"
#include "core/YScript.h"
#include "script/YScriptFunctions.h"
#include "script/YScriptObjects.h"

namespace {

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

// Makes the named state of the object's handler current with the init data and, when it
// has finished, starts it and runs it once. A state that is running now (the caller's own,
// or one the caller runs inside) has not finished: it becomes current with the init data and
// goes on from where it is. False for a null object or an unknown state.
bool ExecuteScript(CYComplexObject* object, const char* name, uint32_t initData) {
    if (!object) return false;
    CYScriptHandler& handler = object->ScriptHandler();
    handler.ClearCurrentCommand();
    CYScript* state = handler.FindState(name);
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
    world->SendCommandToDroids(command, params);
    return 0;
}
