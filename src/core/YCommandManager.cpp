#include "core/YCommandManager.h"

#include <algorithm>

#include "core/YFile.h"
#include "core/YLog.h"
#include "core/YScript.h"
#include "core/YTextParser.h"
#include "core/YTokenizer.h"
#include "core/YUtils.h"

CYCommandManager* g_commandManager = nullptr;

namespace {

std::vector<YCommandRecord> g_commandTable;

const char* const kCommandsFile = "data\\scripts\\commands.dat";

// The tokens of a text split at a delimiter, quotes honoured.
std::vector<std::string> Tokenize(const std::string& text, const char* delimiter) {
    std::vector<std::string> tokens;
    CYTokenizer tokenizer(text, delimiter, true);
    std::string token;
    while (tokenizer.NextToken(token)) tokens.push_back(token);
    return tokens;
}

void Deliver(CYScriptHandler* handler, const YCommand& command) { handler->QueueCommand(command); }

// True when a command of these texts may be queued; every receiving handler keeps a copy,
// so one record is bounded far above what any script sends. Otherwise logged.
bool RecordFits(const std::string& command, const std::string& argText) {
    if (command.size() + argText.size() <= kMaxCommandRecordBytes) return true;
    Log(0, "Command dropped: its command and parameter texts hold more than %zu bytes\n", kMaxCommandRecordBytes);
    return false;
}

template <typename T>
void RemoveAll(std::vector<T>& list, const T& value) {
    list.erase(std::remove(list.begin(), list.end(), value), list.end());
}

}  // namespace

std::vector<std::string> SplitCommandArguments(const std::string& argText) { return Tokenize(argText, ","); }

void CYCommandManager::Register(CYScriptHandler* handler) {
    if (!handler) return;
    if (std::find(handlers_.begin(), handlers_.end(), handler) == handlers_.end()) handlers_.push_back(handler);
    if (handler->Owner()) owners_.emplace(handler->Owner(), handler);
    if (!handler->Name().empty()) {
        std::vector<CYScriptHandler*>& list = names_[handler->Name()];
        if (std::find(list.begin(), list.end(), handler) == list.end()) list.push_back(handler);
    }
}

void CYCommandManager::Unregister(CYScriptHandler* handler) {
    if (!handler) return;
    RemoveAll(handlers_, handler);
    if (handler->Owner()) owners_.erase(handler->Owner());
    // Every name list, not only the current name's: a handler renamed after it was
    // registered must not stay behind under its old name.
    for (auto it = names_.begin(); it != names_.end();) {
        RemoveAll(it->second, handler);
        it = it->second.empty() ? names_.erase(it) : std::next(it);
    }
}

void CYCommandManager::SendCommandByName(const std::string& name, const std::string& command,
                                         const std::string& argText) {
    auto it = names_.find(name);
    if (it == names_.end() || !RecordFits(command, argText)) return;
    YCommand record{command, SplitCommandArguments(argText)};
    for (CYScriptHandler* handler : it->second) Deliver(handler, record);
}

void CYCommandManager::SendCommandByPointer(const void* owner, const std::string& command,
                                            const std::string& argText) {
    auto it = owners_.find(owner);
    if (it == owners_.end() || !RecordFits(command, argText)) return;
    Deliver(it->second, YCommand{command, SplitCommandArguments(argText)});
}

void CYCommandManager::SendCommandToAll(const CYScriptHandler* excluded, const std::string& command,
                                        const std::string& argText) {
    if (!RecordFits(command, argText)) return;
    YCommand record{command, SplitCommandArguments(argText)};
    for (CYScriptHandler* handler : handlers_)
        if (handler != excluded) Deliver(handler, record);
}

void LoadCommands() {
    if (!g_commandManager) g_commandManager = new CYCommandManager();
    CYFile file(kCommandsFile);
    if (FAILED(file.Load())) return;
    CYTextParser parser(file.GetData(), file.GetSize());
    std::string line;
    while (parser.GetLine(line)) {
        std::vector<std::string> words = Tokenize(line, " ");
        words.resize(std::max<size_t>(words.size(), 4));
        g_commandTable.push_back(YCommandRecord{words[0], words[1], words[2], words[3]});
    }
}

void DestroyCommands() {
    delete g_commandManager;
    g_commandManager = nullptr;
    g_commandTable.clear();
}

const std::vector<YCommandRecord>& CommandTable() { return g_commandTable; }
