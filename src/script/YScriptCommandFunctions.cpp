// Script functions that send commands to script handlers and read the running script's own.
#include <lua.hpp>

#include <string>
#include <vector>

#include "core/YCommandManager.h"
#include "core/YScript.h"
#include "core/YTokenizer.h"
#include "core/YUtils.h"
#include "script/YScriptArgs.h"
#include "script/YScriptFunctions.h"
#include "script/YScriptObjects.h"
#include "script/YScriptResults.h"

namespace {

// The handler of the script given as the argument, or null.
CYScriptHandler* HandlerArg(lua_State* L, int index) {
    CYScript* script = ArgObject<CYScript>(L, index);
    return script ? script->Handler() : nullptr;
}

}  // namespace

// ParseCommand(line): "all <command> [<params>]" sends to every handler, "name <handler>
// <command> [<params>]" to the handlers of a name, otherwise the first word is looked up
// in the command table.
int ParseCommand(lua_State* L) {
    const char* line = ArgTextLenient(L, 1);
    if (!g_commandManager) return 0;
    std::vector<std::string> words;
    CYTokenizer tokenizer(line, " ", true);
    std::string word;
    while (tokenizer.NextToken(word)) words.push_back(word);
    words.emplace_back();
    const size_t n = words.size();
    ToLower(words[0]);
    if (words[0] == "all" && n > 2) {
        g_commandManager->SendCommandToAll(nullptr, words[1], words[2]);
        return 0;
    }
    if (words[0] == "name" && n > 3) {
        g_commandManager->SendCommandByName(words[1], words[2], words[3]);
        return 0;
    }
    for (const YCommandRecord& record : CommandTable()) {
        if (record.word != words[0] || record.kind != "name") continue;
        if (n > 1) g_commandManager->SendCommandByName(record.name, record.command, words[1]);
        break;
    }
    return 0;
}

// SendCommandToAll(command, params): to every handler.
int SendCommandToAll(lua_State* L) {
    const char* command = ArgText(L, 1);
    const char* argText = ArgText(L, 2);
    if (g_commandManager) g_commandManager->SendCommandToAll(nullptr, command, argText);
    return 0;
}

// SendCommandByName(name, command, params): to every handler registered under the name.
int SendCommandByName(lua_State* L) {
    const char* name = ArgText(L, 1);
    const char* command = ArgText(L, 2);
    const char* argText = ArgText(L, 3);
    if (g_commandManager) g_commandManager->SendCommandByName(name, command, argText);
    return 0;
}

// SendCommandByPointer(object, command, params): to the handler the object owns (the main
// camera's for the camera's reference).
int SendCommandByPointer(lua_State* L) {
    CYReferenced* object = ArgObject<CYReferenced>(L, 1);
    const char* command = ArgText(L, 2);
    const char* argText = ArgText(L, 3);
    if (!object || !g_commandManager) return 0;
    const void* owner = ObjectAddress(object);
    CYGameWorld* world = QueryGameWorld();
    if (world && object->Reference() == world->CameraReference()) owner = &world->GetCamera();
    g_commandManager->SendCommandByPointer(owner, command, argText);
    return 0;
}

// SetNextCommand(script): drops the current command and makes the oldest waiting one
// current; true when there is one.
int SetNextCommand(lua_State* L) {
    CYScriptHandler* handler = HandlerArg(L, 1);
    lua_pushboolean(L, handler && handler->SetNextCommand());
    return 1;
}

// GetCurrentCommand(script): the current command's text; nothing when there is none.
int GetCurrentCommand(lua_State* L) {
    CYScriptHandler* handler = HandlerArg(L, 1);
    const YCommand* current = handler ? handler->CurrentCommand() : nullptr;
    if (!current) return 0;
    lua_pushlstring(L, current->command.data(), current->command.size());
    return 1;
}

// GetCurrentParams(script): the current command's parameters, one text each.
int GetCurrentParams(lua_State* L) {
    CYScriptHandler* handler = HandlerArg(L, 1);
    const YCommand* current = handler ? handler->CurrentCommand() : nullptr;
    if (!current) return 0;
    CheckResultRoom(L, current->args.size(), "too many command parameters");
    for (const std::string& arg : current->args) lua_pushlstring(L, arg.data(), arg.size());
    return static_cast<int>(current->args.size());
}
