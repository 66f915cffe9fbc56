#include "core/YScript.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include <lua.hpp>

#include "core/YFile.h"
#include "core/YLiveCounts.h"
#include "core/YScriptBase.h"
#include "core/YTriggerRegistry.h"
#include "core/YLog.h"

void (*g_registerExtraScriptFunctions)(lua_State* L) = nullptr;
void (*g_registerScriptFunctions)(lua_State* L) = nullptr;
YScriptLimits g_scriptLimits;

namespace {

const char* const kScriptDir = "data\\scripts";
const char* const kErrorFormat = "\nERROR!!!!!!!!!!!!!\n%s\n\n";
// Registry key of the coroutine, which keeps it alive.
const char* const kCoroutineKey = "kestrune.coroutine";
// Instructions between two checks of the per-resume budget.
constexpr int kHookInterval = 10000;
// Largest script file read.
constexpr uint32_t kMaxScriptFile = 64u << 20;

}  // namespace

bool LoadScriptFileBytes(const std::string& enginePath, std::string& out) {
    out.clear();
    CYFile file(enginePath);
    if (FAILED(file.Load(kMaxScriptFile))) return false;
    out.assign(reinterpret_cast<const char*>(file.GetData()), file.GetSize());
    return true;
}

// What a Lua state is allowed: its allocator and count hook find this through the
// allocator's user data.
struct CYScript::LuaContext {
    size_t used = 0;
    size_t memoryLimit = 0;
    int64_t instructions = 0;
    int64_t instructionLimit = 0;
};

namespace {

// The allocator of every script Lua state: refuses to grow a state past its limit, so a
// script that piles up data ends with "not enough memory" instead of taking the machine.
void* LimitedAlloc(void* ud, void* ptr, size_t osize, size_t nsize) {
    auto* ctx = static_cast<CYScript::LuaContext*>(ud);
    if (nsize == 0) {
        std::free(ptr);
        ctx->used -= osize;
        return nullptr;
    }
    if (nsize > osize && nsize - osize > ctx->memoryLimit - ctx->used) return nullptr;
    void* p = std::realloc(ptr, nsize);
    if (!p) return nullptr;
    ctx->used = ctx->used - osize + nsize;
    return p;
}

// Ends a resume that runs past its instruction budget without giving the frame back.
// From then on every instruction of the thread fails, so a pcall cannot keep it going.
void CountHook(lua_State* L, lua_Debug*) {
    void* ud = nullptr;
    lua_getallocf(L, &ud);
    auto* ctx = static_cast<CYScript::LuaContext*>(ud);
    ctx->instructions += kHookInterval;
    if (ctx->instructions <= ctx->instructionLimit) return;
    lua_sethook(L, CountHook, LUA_MASKCOUNT, 1);
    luaL_where(L, 0);
    lua_pushstring(L, "script ran too long without calling Update");
    lua_concat(L, 2);
    lua_error(L);
}

int ScriptPanic(lua_State* L) {
    const char* message = lua_gettop(L) > 0 ? lua_tostring(L, -1) : nullptr;
    Log(0, kErrorFormat, message ? message : "(no message)");
    return 0;
}

// The host's own function: gives one frame back to the engine.
int Update(lua_State* L) {
    lua_pushnumber(L, 7);
    return lua_yield(L, 1);
}

// Logs the error value on top of the stack when it is a text (or a number); an error
// with any other value ends the state without a line.
void LogLuaError(lua_State* L) {
    if (lua_gettop(L) < 1 || !lua_isstring(L, -1)) return;
    Log(0, kErrorFormat, lua_tostring(L, -1));
}

// True when the value at index 1 is a number whose integer part is 7: what Update yields.
bool FirstResultIsSeven(lua_State* L) {
    return lua_gettop(L) >= 1 && lua_type(L, 1) == LUA_TNUMBER && std::trunc(lua_tonumber(L, 1)) == 7.0;
}

lua_State* NewLimitedState(CYScript::LuaContext* ctx) {
    ctx->used = 0;
    ctx->memoryLimit = g_scriptLimits.memoryBytes;
    ctx->instructions = 0;
    ctx->instructionLimit = g_scriptLimits.instructionsPerResume;
    lua_State* L = lua_newstate(LimitedAlloc, ctx);
    if (L) lua_atpanic(L, ScriptPanic);
    return L;
}

struct OpenArgs {
    lua_State* coroutine = nullptr;
};

// The set-up of a new Lua state, run protected so that a failure is an error result.
int OpenLuaProtected(lua_State* L) {
    auto* args = static_cast<OpenArgs*>(lua_touserdata(L, 1));
    static const luaL_Reg kLibraries[] = {
        {"", luaopen_base},        {LUA_IOLIBNAME, luaopen_io},       {LUA_OSLIBNAME, luaopen_os},
        {LUA_STRLIBNAME, luaopen_string}, {LUA_MATHLIBNAME, luaopen_math}, {LUA_TABLIBNAME, luaopen_table},
    };
    for (const luaL_Reg& lib : kLibraries) {
        lua_pushcfunction(L, lib.func);
        lua_pushstring(L, lib.name);
        lua_call(L, 1, 0);
    }
    // The base functions the scripts' language has beyond the library's: require,
    // loadfile and dofile on engine paths, newproxy (whose finalisers keep to the
    // instruction budget), gcinfo, collectgarbage; and table sizes kept by table.setn.
    OpenScriptBaseExtras(L);
    lua_pushcfunction(L, Update);
    lua_setfield(L, LUA_GLOBALSINDEX, "Update");
    if (g_registerScriptFunctions) g_registerScriptFunctions(L);
    if (g_registerExtraScriptFunctions) g_registerExtraScriptFunctions(L);
    lua_settop(L, 0);
    // Coroutines made later inherit the hook from the thread that makes them.
    lua_sethook(L, CountHook, LUA_MASKCOUNT, kHookInterval);
    args->coroutine = lua_newthread(L);
    lua_setfield(L, LUA_REGISTRYINDEX, kCoroutineKey);
    return 0;
}

int SetGlobalObjectProtected(lua_State* L) {
    void* reference = lua_touserdata(L, 1);
    lua_pushlightuserdata(L, reference);
    lua_setfield(L, LUA_GLOBALSINDEX, "globalObject");
    return 0;
}

}  // namespace

CYScript::CYScript() { ++g_live.scripts; }

CYScript::~CYScript() {
    DropReference();
    CloseLua();
    --g_live.scripts;
}

void CYScript::Delete() {
    if (busy_) {
        // The interpreter is inside this state: finish the resume first.
        deleteWhenDone_ = true;
        handler_ = nullptr;
        return;
    }
    delete this;
}

void CYScript::CloseLua() {
    if (lua_) lua_close(lua_);
    lua_ = nullptr;
    coroutine_ = nullptr;
    returnedAlive_ = false;
    context_.reset();
}

HRESULT CYScript::Load(const std::string& fileName) {
    fileName_ = fileName;
    path_ = std::string(kScriptDir) + "\\" + fileName;
    Log(3, "\nStarting to parse script file - %s ------------------\n", path_.c_str());
    HRESULT result = S_OK;
    std::string bytes;
    if (!LoadScriptFileBytes(path_, bytes)) {
        result = E_FAIL;
    } else {
        source_ = std::move(bytes);
        if (busy_)
            pending_ = Pending::Stop;
        else
            CloseLua();
        LuaContext ctx;
        if (lua_State* check = NewLimitedState(&ctx)) {
            if (luaL_loadbuffer(check, source_.data(), source_.size(), path_.c_str()) != 0) LogLuaError(check);
            lua_close(check);
        }
    }
    Log(3, "Finish parsing script file - %s ------------------\n", path_.c_str());
    return result;
}

bool CYScript::OpenLua() {
    CloseLua();
    context_ = std::make_unique<LuaContext>();
    lua_ = NewLimitedState(context_.get());
    if (!lua_) {
        Log(0, kErrorFormat, "not enough memory");
        context_.reset();
        return false;
    }
    OpenArgs args;
    if (lua_cpcall(lua_, OpenLuaProtected, &args) != 0) {
        LogLuaError(lua_);
        CloseLua();
        return false;
    }
    coroutine_ = args.coroutine;
    return true;
}

void CYScript::Start() {
    if (busy_) {
        pending_ = Pending::Start;
        return;
    }
    pending_ = Pending::None;
    firstRun_ = true;
    if (!OpenLua()) {
        finished_ = true;
        return;
    }
    // On failure the coroutine holds the message in place of the chunk, so the first
    // resume ends the state with an error.
    if (luaL_loadbuffer(coroutine_, source_.data(), source_.size(), path_.c_str()) != 0) LogLuaError(coroutine_);
    finished_ = false;
}

void CYScript::Stop() {
    if (busy_) {
        pending_ = Pending::Stop;
        return;
    }
    pending_ = Pending::None;
    finished_ = true;
    CloseLua();
}

void CYScript::SetGlobalObject() {
    if (lua_cpcall(lua_, SetGlobalObjectProtected, Reference()) != 0) {
        LogLuaError(lua_);
        lua_settop(lua_, 0);
    }
}

bool CYScript::Resume(float frameTime) {
    if (busy_) return false;
    frameTime_ = frameTime;
    if (firstRun_) {
        if (lua_) SetGlobalObject();
        firstRun_ = false;
    }
    if (finished_ || !coroutine_) return finished_;
    if (returnedAlive_) {
        // What resuming a dead coroutine gives; the coroutine itself is never resumed again.
        returnedAlive_ = false;
        Log(0, kErrorFormat, "cannot resume dead coroutine");
        finished_ = true;
        return true;
    }

    context_->instructions = 0;
    lua_sethook(coroutine_, CountHook, LUA_MASKCOUNT, kHookInterval);
    busy_ = true;
    int r = lua_resume(coroutine_, 0);
    busy_ = false;

    if (r == LUA_YIELD || r == 0) {
        // Alive only when the first value is 7, as Update yields. A chunk that returns 7 is
        // taken as yielded too; its coroutine is dead, so its next resume is an error.
        bool alive = FirstResultIsSeven(coroutine_);
        lua_settop(coroutine_, 0);
        finished_ = !alive;
        returnedAlive_ = alive && r == 0;
    } else {
        LogLuaError(coroutine_);
        finished_ = true;
    }

    if (deleteWhenDone_) {
        delete this;
        return true;
    }
    Pending pending = pending_;
    pending_ = Pending::None;
    if (pending == Pending::Start)
        Start();
    else if (pending == Pending::Stop)
        Stop();
    return finished_;
}

std::string GetScriptParamText(const CYScript* script) {
    if (!script || !script->Handler()) return std::string();
    return script->Handler()->Name();
}

// ---------------------------------------------------------------------------------------

CYScriptHandler::CYScriptHandler(void* owner) : owner_(owner) {
    if (g_commandManager) g_commandManager->Register(this);
}

CYScriptHandler::~CYScriptHandler() {
    life_.reset();
    if (g_commandManager) g_commandManager->Unregister(this);
    ForgetTriggerWatchersOf(this);
    current_ = nullptr;
    idle_ = nullptr;
    std::unordered_map<std::string, CYScript*> states;
    states.swap(states_);
    for (auto& entry : states) entry.second->Delete();
}

std::vector<std::string> CYScriptHandler::StateNames() const {
    std::vector<std::string> names;
    names.reserve(states_.size());
    for (const auto& entry : states_) names.push_back(entry.first);
    std::sort(names.begin(), names.end());
    return names;
}

HRESULT CYScriptHandler::AddState(const std::string& stateName, const std::string& fileName) {
    CYScript* script = new CYScript();
    HRESULT r = script->Load(fileName);
    if (r < 0) {
        script->Delete();
        return E_FAIL;
    }
    ClearCommands();
    noState_ = false;
    if (stateName == "idle") idle_ = script;
    auto it = states_.find(stateName);
    if (it == states_.end()) {
        states_.emplace(stateName, script);
    } else {
        CYScript* old = it->second;
        if (old == current_) current_ = nullptr;
        it->second = script;
        old->Delete();
    }
    script->SetOwnerObject(owner_);
    script->SetHandler(this);
    return r;
}

bool CYScriptHandler::SetState(const std::string& stateName, int32_t initValue) {
    ClearCommands();
    CYScript* state = FindState(stateName);
    if (!state) return false;
    current_ = state;
    state->SetOwnerName(name_);
    state->SetInitValue(initValue);
    state->Start();
    return true;
}

CYScript* CYScriptHandler::FindState(const std::string& stateName) const {
    auto it = states_.find(stateName);
    return it == states_.end() ? nullptr : it->second;
}

void CYScriptHandler::SwitchToIdle() {
    ClearCommands();
    current_ = idle_;
    if (current_ && current_->IsFinished()) {
        current_->SetOwnerName(name_);
        current_->Start();
    }
}

void CYScriptHandler::Step(float frameTime) {
    if (paused_) return;
    if (!current_) {
        if (idle_) SwitchToIdle();
        return;
    }
    std::weak_ptr<void> life = life_;
    bool finished = current_->Resume(frameTime);
    if (life.expired()) return;  // the script destroyed its own handler
    if (finished) SwitchToIdle();
}

bool CYScriptHandler::QueueCommand(const YCommand& command) {
    if (noState_ || commands_.size() > kCommandQueueLimit) return false;
    // The current command is the back record; a push at the front keeps it in place.
    commands_.push_front(command);
    return true;
}

bool CYScriptHandler::SetNextCommand() {
    if (commands_.empty()) return false;
    if (currentCommand_) {
        commands_.pop_back();
        currentCommand_ = nullptr;
    }
    if (commands_.empty()) return false;
    currentCommand_ = &commands_.back();
    return true;
}

void CYScriptHandler::ClearCommands() {
    commands_.clear();
    currentCommand_ = nullptr;
}
