// The sample game's screen scripts (the mission bar, options, saved games, briefing, shop)
// without a screen: the widgets' commands arrive as the widgets send them, and the texts the
// scripts show are recorded by stand-ins for the window functions ("text|window|text").
#include <algorithm>
#include <sstream>

#include "ObjectTestSupport.h"
#include "core/YActions.h"

namespace {

using namespace scripttest;

// Windows are their names; the texts set on them are recorded. A key field's text after a
// key was assigned comes from the world's text parameter "key:<field>".
const char* const kWindowStandIns = R"(
GetWindow = function(name) return name end
NewWindow = function(name) return name end
for _, name in ipairs({ "SetWindowVisible", "SetWindowActive", "SetWindowPosition", "SetCursorType",
                        "SetSliderPos", "SetCheckBox", "SetRadioGroupActiveButton" }) do
  _G[name] = function() end
end
local edits = {}
SetText = function(w, t) Record("text", w, t) end
SetTextForEdit = function(w, t) edits[w] = t; Record("edit", w, t) end
GetText = function(w)
  local assigned = GetGlobalSParam(GetGameWorld(), "key:" .. w)
  if assigned ~= "" then return assigned end
  return edits[w] or ""
end
)";

const std::string kScripts = std::string(KESTRUNE_SOURCE_DIR) + "/game/data/scripts/";

class SampleScreen : public ObjectFixture {
protected:
    CYActions actions;
    CYEventListener bindings;

    SampleScreen() {
        bindings.SubscribeOnce(YEVENT_GET_ACTIONS, this, [](void* c, intptr_t a, intptr_t) {
            *reinterpret_cast<CYActions**>(a) = &static_cast<SampleScreen*>(c)->actions;
        });
        test::WriteFile("data/scripts/commands.dat", test::ReadFile(kScripts + "commands.dat"));
        LoadCommands();
        Handler("MAIN", "while true do\n"
                        "  while SetNextCommand(globalObject) do Record('MAIN', GetCurrentCommand(globalObject)) end\n"
                        "  Update()\n"
                        "end\n");
    }
    void Screen(const std::string& script) {
        Handler("interface", kWindowStandIns + test::ReadFile(kScripts + script));
        Frame();
    }
    void Frame() {
        for (size_t i = 0; i < handlers.size(); ++i) handlers[i]->Step(0.1f);
    }
    void Send(const std::string& command, const std::string& params) {
        g_commandManager->SendCommandByName("interface", command, params);
        Frame();
    }
    void Tell(const std::string& key, const std::string& value) {
        Run("SetGlobalSParam(GetGameWorld(), '" + key + "', '" + value + "')");
        handlers.pop_back();
    }
    // The last text set on the window (a text edit's with "edit"), or "-" when none was.
    static std::string Shown(const std::string& window, const std::string& kind = "text") {
        const std::string mark = kind + "|" + window + "|";
        for (auto line = g_records.rbegin(); line != g_records.rend(); ++line)
            if (line->rfind(mark, 0) == 0) return line->substr(mark.size());
        return "-";
    }
    static size_t Count(const std::string& record) { return size_t(std::count(g_records.begin(), g_records.end(), record)); }
};

TEST_F(SampleScreen, TheMissionBarShowsMessagesAsWrittenAndTheControlsAsBound) {
    Screen("hud.lua");
    const std::string text = "2 droids on the field, 2 enemies left, 95 points earned here.";
    Tell("message", text);
    Send("hud_message", text);
    EXPECT_EQ(Shown("message"), text);
    // A text of another sender: its pieces with their blanks again.
    Send("hud_message", "Door open,  lift ready");
    EXPECT_EQ(Shown("message"), "Door open, lift ready");

    actions.SetAction("fire", 0x21);
    Send("KeyAction", "help,1");
    const std::string controls = Shown("message");
    EXPECT_NE(controls.find("Up/Down/Left/Right drive, F fires, 1-9 or PgUp/PgDn pick, Z/X turn view"),
              std::string::npos)
        << controls;
    EXPECT_EQ(controls.find("Space"), std::string::npos) << controls;
}

TEST_F(SampleScreen, TheConsoleLineTypesSendsAndListsEveryWordOfTheTable) {
    Screen("hud.lua");
    Send("console", "");
    for (const char* c : {"104", "101", "108", "120", "8", "112", "13"}) Send("char", c);  // "helx", Backspace, "p"
    Frame();  // ParseCommand's "console_help" comes back to the bar
    EXPECT_TRUE(LogHas("console: help\n"));
    EXPECT_EQ(Shown("console", "edit"), "_") << "the line is empty after Enter";
    const std::string list = Shown("console_words");
    std::istringstream table(test::ReadFile(kScripts + "commands.dat"));
    for (std::string line; std::getline(table, line);) {
        if (line.empty() || line.find("//") != std::string::npos) continue;
        const std::string word = line.substr(0, line.find(' '));
        EXPECT_NE(list.find("#" + word + " "), std::string::npos) << word << " in " << list;
    }
    for (const char* form : {"#all <command>", "#name <script> <command>"})
        EXPECT_NE(list.find(form), std::string::npos) << list;

    // The next line follows at once; the console key's own ` is no part of it.
    for (const char* c : {"119", "105", "110", "96", "13"}) Send("char", c);
    EXPECT_TRUE(LogHas("console: win\n"));
}

TEST_F(SampleScreen, AKeyTakenFromAnotherMoveIsSaidAndAMoveWithoutAKeySaysSo) {
    Screen("options.lua");
    Tell("key:key_fire", "Up");
    Send("key_assigned", "key_fire, 200");
    EXPECT_EQ(actions.FindActionByKey(200), actions.IndexOfAction("fire"));
    EXPECT_EQ(Shown("help"), "Up was Forward's key: Forward has no key now.#Click its field to give it one.");
    EXPECT_EQ(Count("edit|key_forward|no key"), 1u);
    // A key of an action no field here could give back stays where it is.
    Tell("key:key_backward", "1");
    Send("key_assigned", "key_backward, 2");
    EXPECT_EQ(actions.FindActionByKey(2), actions.IndexOfAction("droid1"));
    EXPECT_EQ(Shown("help"), "1 is the key of Droid 1: choose another key for Backward.");
}

TEST_F(SampleScreen, TheSavedGamesSayWhatASaveKeepsAndAskBeforeAUsedSlotIsSavedOver) {
    Tell("saves_mode", "save");
    Tell("save_name", "Start of mission 2, 245 points");
    Tell("save_mission", "2");
    Tell("save_points", "245");
    Tell("save_points_now", "300");
    Screen("saves.lua");
    EXPECT_EQ(Shown("keeps_text"),
              "A save keeps the start of mission 2, with 245 points.#Points won and damage taken since are not kept.");
    Send("button_click", "slot1");
    EXPECT_EQ(Shown("slot1_text"), "1.   Start of mission 2, 245 points");
    Send("button_click", "slot1");
    EXPECT_EQ(Shown("confirm_text"), "Save over slot 1?#It holds \"Start of mission 2, 245 points\".");
    Send("button_click", "slot2");  // only the question answers
    Send("button_click", "confirm_no");
    Send("button_click", "slot1");
    Send("mainmenu", "");  // Escape says no, and the screen stays
    Send("button_click", "slot1");
    Send("button_click", "confirm_yes");
    const std::string log = test::ReadFile("YLog.log");
    size_t saves = 0;
    for (size_t at = log.find("saves: saved"); at != std::string::npos; at = log.find("saves: saved", at + 1)) ++saves;
    EXPECT_EQ(saves, 2u);
    EXPECT_EQ(Shown("slot2_text"), "2.   empty");
    Frame();
    EXPECT_EQ(Count("MAIN|saves_back"), 0u);
}

TEST_F(SampleScreen, LeavingTheBriefingForTheMenuAsksFirst) {
    Tell("mission", "1");
    Screen("briefing.lua");
    Send("mainmenu", "");
    Send("mainmenu", "");  // no
    Send("button_click", "back");
    Send("button_click", "confirm_no");
    Frame();
    EXPECT_EQ(Count("MAIN|briefing_back"), 0u);
    Send("button_click", "back");
    Send("button_click", "confirm_yes");
    Frame();  // "MAIN" reads it in the next frame
    EXPECT_EQ(Count("MAIN|briefing_back"), 1u);
}

TEST_F(SampleScreen, TheShopShowsADroidOfTheStandardNameByALabelOfItsOwn) {
    CYDroidRecord droid;
    droid.name = "Wren";
    world->Rosters().AddLive(droid);
    droid.name = "\xC4\xF0\xEE\xE8\xE4 - 3";
    world->Rosters().AddLive(droid);
    Screen("shop.lua");
    EXPECT_EQ(Shown("droid_label0"), "1. Wren");
    EXPECT_EQ(Shown("droid_label1"), "2. Droid 2");
    EXPECT_EQ(world->Rosters().Live().at(1)->name, "\xC4\xF0\xEE\xE8\xE4 - 3") << "the record keeps its name";
}

TEST_F(SampleScreen, LeavingTheReportOfAMissionWonForTheMenuAsksFirst) {
    Tell("result", "complete");
    Screen("results.lua");
    Send("button_click", "main_menu");
    Send("mainmenu", "");  // no
    Frame();
    EXPECT_EQ(Count("MAIN|results_menu"), 0u);
    Send("button_click", "main_menu");
    Send("button_click", "confirm_yes");
    Frame();
    EXPECT_EQ(Count("MAIN|results_menu"), 1u);
}

TEST_F(SampleScreen, ADroidsNameKeepsNoCommaOrQuoteThatCommandsWouldSplitOrDrop) {
    for (const char* table : {"weapon", "armor", "chassis", "device", "droid", "enemy"}) {
        const std::string file = std::string("GameData/") + table + ".dat";
        test::WriteFile("data/" + file, test::ReadFile(std::string(KESTRUNE_SOURCE_DIR) + "/game/data/" + file));
    }
    ASSERT_EQ(world->LoadGameData(), S_OK);
    world->LiveScore() = 500;
    Screen("shop.lua");
    Tell("key:droid_name", "Rex, \"the\"\t2nd");
    Send("button_click", "buy");  // the first model of the droid tab, the scout
    ASSERT_EQ(world->Rosters().Live().size(), 1u);
    EXPECT_EQ(world->Rosters().Live().at(0)->name, "Rex   the  2nd");
}

}  // namespace
