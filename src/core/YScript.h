// The script host: a script state runs one Lua file as a coroutine resumed once per
// frame; a script handler is the scripted state machine of one engine object, with
// named states, an idle state and the queue of commands sent to its scripts.
#pragma once
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>
#include <unordered_map>

#include "core/YCommandManager.h"
#include "core/YReferences.h"
#include "platform/system/Result.h"

struct lua_State;
class CYScriptHandler;

// Reads a file of the script directory whole. The engine path keeps the "\" form.
// Logs "File - %s not found\n" and returns false when it cannot be read.
bool LoadScriptFileBytes(const std::string& enginePath, std::string& out);

// Called at the end of every Lua state's set-up, after the host's own functions; null in
// the program. Tests register functions of their own through it.
extern void (*g_registerExtraScriptFunctions)(lua_State* L);
// Registers the engine's script functions in every Lua state, before the extra ones; set
// by the program at start-up.
extern void (*g_registerScriptFunctions)(lua_State* L);

// Bounds of one Lua state: bytes it may hold and VM instructions it may run in one resume.
struct YScriptLimits {
    size_t memoryBytes = size_t{256} << 20;
    int64_t instructionsPerResume = 1000000000;
};
extern YScriptLimits g_scriptLimits;

// Abstract script state. Deleted through Delete(), which waits while it runs.
class CYScriptState {
public:
    CYScriptState() = default;
    CYScriptState(const CYScriptState&) = delete;
    CYScriptState& operator=(const CYScriptState&) = delete;

    virtual void Delete() = 0;
    // Reads the file; negative when it cannot be read.
    virtual HRESULT Load(const std::string& fileName) = 0;
    // Prepares the state to run from its first line.
    virtual void Start() = 0;
    // Runs the state to its next frame; true when it has finished.
    virtual bool Resume(float frameTime) = 0;
    // Ends the state at once.
    virtual void Stop() = 0;
    virtual bool IsFinished() const { return finished_; }

protected:
    virtual ~CYScriptState() = default;
    bool finished_ = true;
};

// Scripts hold a script as a reference (the global "globalObject" of its own Lua state).
class CYScript : public CYScriptState, public CYReferenced {
public:
    CYScript();

    // Deletes the script now, or when the resume that runs it returns.
    void Delete() override;
    // Keeps the file's text and checks its syntax (an error is logged, not returned).
    HRESULT Load(const std::string& fileName) override;
    // A fresh Lua state with the file loaded into the coroutine. While the script runs,
    // the restart waits until its resume returns.
    void Start() override;
    // One step of the coroutine. A busy script (its resume is running) is not resumed
    // again and reports not finished.
    bool Resume(float frameTime) override;
    // Finished, Lua state closed; waits while the script runs.
    void Stop() override;
    // Creates the Lua state, its libraries and functions, and the coroutine. False (logged)
    // when the state could not be made.
    bool OpenLua();

    bool IsBusy() const { return busy_; }

    // The live script of a reference; null for null, a deleted script or another object.
    static CYScript* FromReference(const void* reference) { return ResolveReference<CYScript>(reference); }

    const std::string& FileName() const { return fileName_; }
    // "data\scripts\<file name>", the chunk name in Lua messages.
    const std::string& Path() const { return path_; }
    float FrameTime() const { return frameTime_; }
    int32_t InitValue() const { return initValue_; }
    void SetInitValue(int32_t value) { initValue_ = value; }
    const std::string& OwnerName() const { return ownerName_; }
    void SetOwnerName(const std::string& name) { ownerName_ = name; }
    void* OwnerObject() const { return ownerObject_; }
    void SetOwnerObject(void* owner) { ownerObject_ = owner; }
    CYScriptHandler* Handler() const { return handler_; }
    void SetHandler(CYScriptHandler* handler) { handler_ = handler; }
    lua_State* LuaState() const { return lua_; }
    lua_State* Coroutine() const { return coroutine_; }

    struct LuaContext;

protected:
    ~CYScript() override;

private:
    enum class Pending { None, Start, Stop };

    void CloseLua();
    void SetGlobalObject();

    std::string fileName_;
    std::string path_;
    std::string source_;
    lua_State* lua_ = nullptr;
    lua_State* coroutine_ = nullptr;
    std::unique_ptr<LuaContext> context_;
    void* ownerObject_ = nullptr;
    bool firstRun_ = true;
    float frameTime_ = 0.0f;
    int32_t initValue_ = 0;
    std::string ownerName_;
    CYScriptHandler* handler_ = nullptr;
    bool busy_ = false;
    // The coroutine returned 7: taken as yielded, but it cannot run again.
    bool returnedAlive_ = false;
    Pending pending_ = Pending::None;
    bool deleteWhenDone_ = false;
};

// The name of the handler that owns the script; empty without a handler.
std::string GetScriptParamText(const CYScript* script);

// Most commands a handler holds unread: a command is dropped when more than this many wait.
constexpr size_t kCommandQueueLimit = 50;

class CYScriptHandler {
public:
    explicit CYScriptHandler(void* owner);
    virtual ~CYScriptHandler();
    CYScriptHandler(const CYScriptHandler&) = delete;
    CYScriptHandler& operator=(const CYScriptHandler&) = delete;

    // Loads the file as the named state (replacing a state of that name); not started.
    // E_FAIL when the file cannot be read.
    HRESULT AddState(const std::string& stateName, const std::string& fileName);
    // Empties the command queue; makes the named state current with the init value and
    // (re)starts it. False when no state has that name.
    bool SetState(const std::string& stateName, int32_t initValue);
    CYScript* FindState(const std::string& stateName) const;
    // The names of every state, in byte order.
    std::vector<std::string> StateNames() const;

    // One frame of a handler run by the main loop: resumes the current state; a finished
    // or missing current state gives way to the idle state. Nothing while paused.
    void Step(float frameTime);
    // Empties the queue; the idle state becomes current, started when it is finished.
    void SwitchToIdle();

    // Queues a command at the front; dropped without a state or with a full queue.
    bool QueueCommand(const YCommand& command);
    // Removes the current command and makes the oldest waiting one current; false when none.
    bool SetNextCommand();
    // The command the scripts are reading, or null.
    const YCommand* CurrentCommand() const { return currentCommand_; }
    // No command is current; the queue stays, so the next SetNextCommand makes the oldest
    // waiting one (the one that was current, if any) current.
    void ClearCurrentCommand() { currentCommand_ = nullptr; }
    void ClearCommands();
    const std::deque<YCommand>& Commands() const { return commands_; }

    void* Owner() const { return owner_; }
    const std::string& Name() const { return name_; }
    void SetName(const std::string& name) { name_ = name; }
    CYScript* CurrentState() const { return current_; }
    void SetCurrentState(CYScript* state) { current_ = state; }
    CYScript* IdleState() const { return idle_; }
    bool HasNoState() const { return noState_; }
    bool IsPaused() const { return paused_; }
    void SetPaused(bool paused) { paused_ = paused; }
    // Expires when the handler is destroyed: runners check it after resuming a state,
    // since a script may destroy its own handler.
    std::weak_ptr<void> LifeToken() const { return life_; }

    // The owner's script-visible parameters; reading an absent key enters its default.
    std::unordered_map<std::string, bool> flagParams;
    std::unordered_map<std::string, int32_t> objectParams;
    std::unordered_map<std::string, std::string> textParams;

private:
    std::unordered_map<std::string, CYScript*> states_;
    void* owner_;
    CYScript* current_ = nullptr;
    std::string name_;
    CYScript* idle_ = nullptr;
    bool noState_ = true;
    std::deque<YCommand> commands_;
    const YCommand* currentCommand_ = nullptr;
    bool paused_ = false;
    std::shared_ptr<int> life_ = std::make_shared<int>(0);
};
