#include "core/YCommandManager.h"

#include <algorithm>

#include "core/YScript.h"
#include "core/YUtils.h"

CYCommandManager* g_commandManager = nullptr;

namespace {

std::vector<YCommandRecord> g_commandTable;

const char* const kCommandsFile = "data\\scripts\\commands.dat";

// Splits a text at a one-character delimiter; with quotes on, double quotes group
// characters and a doubled quote inside quotes stands for one. The text is trimmed
// first; each token is trimmed unless it is exactly one blank. A delimiter at the very
// end gives no empty last token.
std::vector<std::string> Tokenize(const std::string& input, char delimiter, bool quotes) {
    std::string text = input;
    Trim(text);
    std::vector<std::string> tokens;
    size_t pos = 0;
    while (pos < text.size()) {
        std::string token;
        bool inQuote = false;
        bool complete = false;
        while (!complete && pos < text.size()) {
            char c = text[pos];
            if (c == '"' && quotes) {
                if (!inQuote) {
                    inQuote = true;
                } else if (pos + 1 < text.size() && text[pos + 1] == '"') {
                    token += '"';
                    ++pos;
                } else {
                    inQuote = false;
                }
            } else if (inQuote) {
                token += c;
            } else if (c == delimiter) {
                complete = true;
            } else {
                token += c;
            }
            ++pos;
        }
        if (token != " ") Trim(token);
        tokens.push_back(std::move(token));
    }
    return tokens;
}

// The lines of a text data file: a line holding "//" is dropped whole; a "/*" line, the
// lines up to the "*/" line and that line are dropped; lines are trimmed and empty ones
// skipped; "[name]" gives "name"; a line "[]" ends the text.
std::vector<std::string> ReadDataLines(const std::string& bytes) {
    std::vector<std::string> lines;
    size_t pos = 0;
    bool inComment = false;
    for (;;) {
        std::string line;
        do {
            line.clear();
            while (pos < bytes.size()) {
                char c = bytes[pos++];
                if (c == '\0' || c == '\n') break;
                line += c;
            }
            if (line.find("//") != std::string::npos) line.clear();
            if (line.find("/*") != std::string::npos) inComment = true;
            if (line.find("*/") != std::string::npos) {
                inComment = false;
                line.clear();
            }
            if (inComment) line.clear();
            Trim(line);
        } while (line.empty() && pos < bytes.size());
        if (line.size() >= 2 && line.front() == '[' && line.back() == ']') line = line.substr(1, line.size() - 2);
        if (line.empty()) break;
        lines.push_back(std::move(line));
    }
    return lines;
}

void Deliver(CYScriptHandler* handler, const YCommand& command) { handler->QueueCommand(command); }

template <typename T>
void RemoveAll(std::vector<T>& list, const T& value) {
    list.erase(std::remove(list.begin(), list.end(), value), list.end());
}

}  // namespace

std::vector<std::string> SplitCommandArguments(const std::string& argText) { return Tokenize(argText, ',', true); }

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
    if (it == names_.end()) return;
    YCommand record{command, SplitCommandArguments(argText)};
    for (CYScriptHandler* handler : it->second) Deliver(handler, record);
}

void CYCommandManager::SendCommandByPointer(const void* owner, const std::string& command,
                                            const std::string& argText) {
    auto it = owners_.find(owner);
    if (it == owners_.end()) return;
    Deliver(it->second, YCommand{command, SplitCommandArguments(argText)});
}

void CYCommandManager::SendCommandToAll(const CYScriptHandler* excluded, const std::string& command,
                                        const std::string& argText) {
    YCommand record{command, SplitCommandArguments(argText)};
    for (CYScriptHandler* handler : handlers_)
        if (handler != excluded) Deliver(handler, record);
}

void LoadCommands() {
    if (!g_commandManager) g_commandManager = new CYCommandManager();
    std::string bytes;
    if (!LoadScriptFileBytes(kCommandsFile, bytes)) return;
    for (const std::string& line : ReadDataLines(bytes)) {
        std::vector<std::string> words = Tokenize(line, ' ', true);
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
