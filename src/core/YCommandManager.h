// The command manager: the one registry of script handlers, by owner object and by
// name, that queues text commands for them; and the command table "commands.dat".
#pragma once
#include <cstddef>
#include <string>
#include <unordered_map>
#include <vector>

class CYScriptHandler;

// Most bytes of one command, its command and parameter texts together: a longer command is
// dropped with a log line. Every receiving handler keeps its own copy.
constexpr size_t kMaxCommandRecordBytes = size_t{1} << 20;

// One queued command: the command text and its arguments.
struct YCommand {
    std::string command;
    std::vector<std::string> args;
};

// One line of "commands.dat": a script-level word delivered as a command to a handler name.
struct YCommandRecord {
    std::string word;     // matched against the first word given to ParseCommand
    std::string kind;     // "name" is the only kind acted on
    std::string name;     // name of the receiving handlers
    std::string command;  // command text delivered
};

class CYCommandManager {
public:
    CYCommandManager() = default;
    virtual ~CYCommandManager() = default;
    CYCommandManager(const CYCommandManager&) = delete;
    CYCommandManager& operator=(const CYCommandManager&) = delete;

    // Adds the handler to the list, to the owner map (an owner keeps its first handler)
    // and, when it has a name, to that name's list. Each list holds a handler once.
    void Register(CYScriptHandler* handler);
    // Removes the handler from everywhere it was entered.
    void Unregister(CYScriptHandler* handler);

    // Queues the command for every handler registered under the name, in registration order.
    void SendCommandByName(const std::string& name, const std::string& command, const std::string& argText);
    // Queues the command for the handler registered for the owner object, if any.
    void SendCommandByPointer(const void* owner, const std::string& command, const std::string& argText);
    // Queues the command for every handler except the excluded one (may be null).
    void SendCommandToAll(const CYScriptHandler* excluded, const std::string& command, const std::string& argText);

    const std::vector<CYScriptHandler*>& Handlers() const { return handlers_; }

private:
    std::vector<CYScriptHandler*> handlers_;
    std::unordered_map<const void*, CYScriptHandler*> owners_;
    std::unordered_map<std::string, std::vector<CYScriptHandler*>> names_;
};

// The program's command manager; null before LoadCommands and after DestroyCommands.
extern CYCommandManager* g_commandManager;

// Creates the manager when there is none and appends the records of
// "data\scripts\commands.dat" to the command table. A missing file leaves the table as it is.
void LoadCommands();
// Deletes the manager and releases the command table.
void DestroyCommands();
// The command table, in file order.
const std::vector<YCommandRecord>& CommandTable();

// The arguments of an argument text: split at "," with double quotes grouping (a doubled
// quote inside quotes is one quote); each argument is trimmed unless it is one blank.
// An empty text gives none.
std::vector<std::string> SplitCommandArguments(const std::string& argText);
