// docs/scripting.md against the engine: every registered function has its row, and each
// row's "strict" or "lenient" is how the function reads a wrong argument. Also the points
// of the page's conventions that a few lines of script can pin: truth values and how a
// parameter text is split.
#include <gtest/gtest.h>

#include <lua.hpp>

#include <cctype>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "ObjectTestSupport.h"
#include "core/YSettings.h"
#include "script/YScriptApi.h"

namespace scripttest {
namespace {

std::string ReadDoc() {
    std::ifstream in(std::string(KESTRUNE_SOURCE_DIR) + "/docs/scripting.md");
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string Trim(const std::string& s) {
    const size_t first = s.find_first_not_of(' ');
    if (first == std::string::npos) return std::string();
    return s.substr(first, s.find_last_not_of(' ') - first + 1);
}

// The rows of the function tables: each function named in a row's first cell (in
// backticks, the name before its parenthesis) with the row's second cell. A name on two
// rows is kept as "twice".
std::map<std::string, std::string> DocumentedFunctions(const std::string& doc) {
    std::map<std::string, std::string> marks;
    std::istringstream lines(doc.substr(doc.find("\n## Functions")));
    std::string line;
    while (std::getline(lines, line)) {
        if (line.rfind("| `", 0) != 0) continue;
        std::vector<std::string> cells;
        std::istringstream row(line.substr(1));
        std::string cell;
        while (std::getline(row, cell, '|')) cells.push_back(Trim(cell));
        if (cells.size() < 2) continue;
        for (size_t tick = cells[0].find('`'); tick != std::string::npos;) {
            const size_t end = cells[0].find('`', tick + 1);
            if (end == std::string::npos) break;
            std::string name;
            for (size_t i = tick + 1; i < end && (std::isalnum(static_cast<unsigned char>(cells[0][i])) || cells[0][i] == '_'); ++i)
                name += cells[0][i];
            if (!name.empty()) marks[name] = marks.count(name) ? "twice" : cells[1];
            tick = cells[0].find('`', end + 1);
        }
    }
    return marks;
}

std::vector<std::string> RegisteredNames() {
    std::vector<std::string> names;
    for (const YScriptFunction* table : {ScriptFunctions, ScriptFunctions2})
        for (const YScriptFunction* row = table; row->name; ++row) names.push_back(row->name);
    return names;
}

// Calls every engine function with wrong arguments and tells which of them stop the script.
class ArgumentProbe : public ObjectFixture {
protected:
    const YSettings savedSettings = g_settings;
    lua_State* L = luaL_newstate();

    ArgumentProbe() { RegisterScriptFunctions(L); }
    ~ArgumentProbe() override {
        lua_close(L);
        g_settings = savedSettings;
    }

    // True when the call ends with Lua's argument error. Every argument is a table (a type
    // no function reads as a number or a text); with liveFirst the first is a live object,
    // for functions that read their other arguments only for a real object.
    bool StopsOnWrongArgument(const std::string& name, bool liveFirst) {
        lua_settop(L, 0);
        lua_getglobal(L, name.c_str());
        constexpr int kArguments = 12;
        for (int i = 0; i < kArguments; ++i) {
            if (i == 0 && liveFirst) lua_pushlightuserdata(L, NewObject("probe_" + name)->Reference());
            else lua_newtable(L);
        }
        const int rc = lua_pcall(L, kArguments, LUA_MULTRET, 0);
        const std::string error = rc != 0 && lua_isstring(L, -1) ? lua_tostring(L, -1) : "";
        if (rc == 0) ForgetMadeWorlds();
        lua_settop(L, 0);
        return error.find("bad argument") != std::string::npos;
    }

    // A world a probe made (CreateGameWorld) is not left behind.
    void ForgetMadeWorlds() {
        for (int i = 1; i <= lua_gettop(L); ++i) {
            if (lua_type(L, i) != LUA_TLIGHTUSERDATA) continue;
            CYGameWorld* made = ResolveReference<CYGameWorld>(lua_touserdata(L, i));
            if (made && made != world.get()) CYGameWorld::Destroy(made);
        }
    }

    std::string Reading(const std::string& name) {
        return StopsOnWrongArgument(name, false) || StopsOnWrongArgument(name, true) ? "strict" : "lenient";
    }
};

TEST_F(ArgumentProbe, EveryRegisteredFunctionHasOneRowThatSaysHowItReadsAWrongArgument) {
    const std::map<std::string, std::string> documented = DocumentedFunctions(ReadDoc());
    std::set<std::string> registered;
    for (const std::string& name : RegisteredNames()) {
        registered.insert(name);
        auto row = documented.find(name);
        if (row == documented.end()) {
            ADD_FAILURE() << name << " is registered but has no row in docs/scripting.md";
            continue;
        }
        EXPECT_EQ(row->second, Reading(name)) << name;
    }
    for (const auto& [name, mark] : documented) EXPECT_TRUE(registered.count(name)) << name << " is documented but not registered";
}

// "on" arguments go by Lua's truth: nil and false are off, everything else (0 and "0" too) on.
TEST_F(ObjectFixture, OnArgumentsTakeLuasTruthSoZeroIsOn) {
    CYComplexObject* o = NewObject("lamp");
    const YSettings saved = g_settings;
    const std::string r = Ref(o);
    const Lines lines = Run("local o = " + r + "\n" +
                            "SetObjectTrigger(o, 'a', 0) SetObjectTrigger(o, 'b', '0') SetObjectTrigger(o, 'c', nil)\n"
                            "Record(GetObjectTrigger(o, 'a'), GetObjectTrigger(o, 'b'), GetObjectTrigger(o, 'c'))\n"
                            "SetTrilinearFiltration(0) local t = GetTrilinearFiltration()\n"
                            "SetSoundQuality(0) local q = GetSoundQuality()\n"
                            "SetSoundQuality(false) Record(t, q, GetSoundQuality())\n"
                            "SetCObjVisible(o, 0) SetCollision(o, 0)\n");
    EXPECT_EQ(lines, (Lines{"true|true|false", "true|true|false"}));
    EXPECT_TRUE(o->IsVisible());
    EXPECT_TRUE(o->IsCollidable());
    g_settings = saved;
}

// A parameter text is split at its commas, each piece trimmed, except that a piece of one
// blank stays a blank and a last empty piece is lost; a handler holds 51 commands.
TEST_F(ScriptFixture, ParameterPiecesAndTheQueueBoundAreAsThePageSays) {
    Handler("READER", "local n = 0\n"
                      "while SetNextCommand(globalObject) do\n"
                      "  n = n + 1\n"
                      "  if GetCurrentCommand(globalObject) == 'show' then Record(GetCurrentParams(globalObject)) end\n"
                      "end\n"
                      "Record(n)\n"
                      "Update()\n");
    Run("SendCommandByName('READER', 'show', ' a ,  b ')\n"
        "SendCommandByName('READER', 'show', 'a, ,b')\n"
        "SendCommandByName('READER', 'show', 'a,,b,')\n"
        "for i = 4, 60 do SendCommandByName('READER', 'more', '') end\n");
    handlers.front()->Step(0.0f);
    EXPECT_EQ(g_records, (Lines{"a|b", "a| |b", "a||b", "51"}));
}

}  // namespace
}  // namespace scripttest
