// Keys and mouse reaching the scripts, and the key bindings kept across runs.
#include <SDL2/SDL.h>
#include <gtest/gtest.h>

#include <lua.hpp>

#include <csignal>
#include <memory>
#include <string>
#include <vector>

#include "core/YCommandManager.h"
#include "core/YLog.h"
#include "core/YScript.h"
#include "core/Yinput.h"
#include "platform/system/System.h"
#include "support/InjectEvents.h"
#include "support/TestSupport.h"

namespace {

const char* const kDefaultBindings =
    "forward 200\nbackward 208\nleft 203\nright 205\nfire 57\npickup 29\ncam_left 44\ncam_right 45\n"
    "cam_mode 46\nnext 201\nprev 209\nmap 50\ndroid1 2\ndroid2 3\ndroid3 4\ndroid4 5\ndroid5 6\n"
    "droid6 7\ndroid7 8\ndroid8 9\ndroid9 10\nhelp 59\n";

// ---- the real program ----

// A main script that marks its first frame and then gives every frame back.
void WriteMainScript(const std::string& dir) {
    test::WriteFile(dir + "/data/scripts/main.lua",
                    "local f = io.open('running.txt', 'w') f:write('running\\n') f:close()\n"
                    "while true do Update() end\n");
}

TEST(InputProgram, WritesTheDefaultBindingsAtExit) {
    test::TempDir dir;
    WriteMainScript(dir.Path());
    test::Program program(dir.Path());
    ASSERT_TRUE(test::Program::WaitForText("running.txt", "running\n", 20));
    program.Signal(SIGTERM);
    EXPECT_EQ(program.Wait(20), 0);
    EXPECT_EQ(test::ReadFile("Actions.cfg"), kDefaultBindings);
}

TEST(InputProgram, ReadsTheBindingsAtStartAndWritesThemBack) {
    test::TempDir dir;
    WriteMainScript(dir.Path());
    test::WriteFile("Actions.cfg", "fire 29\nmap 1\nhelp 999\n");
    test::Program program(dir.Path());
    ASSERT_TRUE(test::Program::WaitForText("running.txt", "running\n", 20));
    program.Signal(SIGTERM);
    EXPECT_EQ(program.Wait(20), 0);
    std::string expected = kDefaultBindings;
    expected.replace(expected.find("fire 57\npickup 29\n"), 18, "fire 29\npickup 0\n");
    expected.replace(expected.find("map 50\n"), 7, "map 1\n");
    EXPECT_EQ(test::ReadFile("Actions.cfg"), expected);
}

TEST(InputProgram, NoBindingsAreWrittenWhenTheMainScriptIsMissing) {
    test::TempDir dir;
    test::Program program(dir.Path());
    EXPECT_EQ(program.Wait(20), 0);
    EXPECT_NE(test::ReadFile("YLog.log").find("\nGame Finished\t--------------\n"), std::string::npos);
    EXPECT_FALSE(test::FileExists("Actions.cfg"));
}

// ---- the command flow inside the engine ----

// What the script under test recorded, one text per Record call.
std::vector<std::string> g_seen;

// NextCommand(): the handler's next command as "command arg,arg", or nil when none waits.
int NextCommand(lua_State* L) {
    lua_getfield(L, LUA_GLOBALSINDEX, "globalObject");
    CYScript* script = CYScript::FromReference(lua_touserdata(L, -1));
    lua_pop(L, 1);
    CYScriptHandler* handler = script ? script->Handler() : nullptr;
    if (!handler || !handler->SetNextCommand()) {
        lua_pushnil(L);
        return 1;
    }
    const YCommand& c = *handler->CurrentCommand();
    std::string text = c.command;
    for (size_t i = 0; i < c.args.size(); ++i) text += (i == 0 ? " " : ",") + c.args[i];
    lua_pushstring(L, text.c_str());
    return 1;
}

int Record(lua_State* L) {
    g_seen.push_back(luaL_checkstring(L, 1));
    return 0;
}

void RegisterFunctions(lua_State* L) {
    lua_register(L, "NextCommand", NextCommand);
    lua_register(L, "Record", Record);
}

// An interface script reading what the input object sends, frame by frame.
class InputCommandFlow : public testing::Test {
protected:
    test::TempDir dir;
    std::unique_ptr<CYScriptHandler> interface;
    std::unique_ptr<CYInput> input;

    void SetUp() override {
        g_seen.clear();
        g_registerExtraScriptFunctions = RegisterFunctions;
        StartLog();
        LoadCommands();
        ASSERT_TRUE(sys::Init());
        test::WriteFile("data/scripts/interface.lua",
                        "while true do\n"
                        "  local c = NextCommand()\n"
                        "  while c do Record(c) c = NextCommand() end\n"
                        "  Update()\n"
                        "end\n");
        interface = std::make_unique<CYScriptHandler>(nullptr);
        interface->SetName("interface");
        g_commandManager->Register(interface.get());
        ASSERT_EQ(interface->AddState("idle", "interface.lua"), S_OK);
        interface->SwitchToIdle();
        input = std::make_unique<CYInput>();
        ASSERT_EQ(input->Init(nullptr, 800, 600), S_OK);
        input->SetCursorPos(200, 200);
    }
    void TearDown() override {
        input.reset();
        interface.reset();
        DestroyCommands();
        sys::Quit();
        g_registerExtraScriptFunctions = nullptr;
    }

    // One frame as the main loop runs it: input first, then the scripts.
    std::vector<std::string> Frame() {
        g_seen.clear();
        input->Update();
        interface->Step(0.02f);
        return g_seen;
    }
    static void Push(SDL_Event e) { SDL_PushEvent(&e); }
    static void Key(SDL_Scancode sc, bool down) { test::PushKey(sc, down); }
    static void Button(uint8_t button, bool down) { test::PushButton(button, down); }
    static void Motion(int dx, int dy) { test::PushMotion(dx, dy); }
};

using Seen = std::vector<std::string>;

TEST_F(InputCommandFlow, TheInterfaceScriptReadsClicksMovesAndKeysInOrder) {
    Frame();  // the script starts
    Motion(120, 40);
    Button(SDL_BUTTON_LEFT, true);
    Key(SDL_SCANCODE_UP, true);
    EXPECT_EQ(Frame(), (Seen{"screen_click 0.500000,0.500000", "mouse_down 0,320,240", "mouse_move 320,240",
                             "KeyAction forward,1"}));
    Button(SDL_BUTTON_LEFT, false);
    Key(SDL_SCANCODE_UP, false);
    EXPECT_EQ(Frame(), (Seen{"mouse_up 0,320,240", "KeyAction forward,0"}));
    EXPECT_EQ(Frame(), Seen{});
}

TEST_F(InputCommandFlow, EscapeAndTheConsoleKeyReachTheScriptWhenReleased) {
    Frame();
    Key(SDL_SCANCODE_ESCAPE, true);
    Key(SDL_SCANCODE_GRAVE, true);
    EXPECT_EQ(Frame(), Seen{});
    Key(SDL_SCANCODE_ESCAPE, false);
    Key(SDL_SCANCODE_GRAVE, false);
    EXPECT_EQ(Frame(), (Seen{"mainmenu", "console"}));
}

TEST_F(InputCommandFlow, TapsQuickerThanAFrameEachReachTheScript) {
    Frame();
    for (int tap = 0; tap < 3; ++tap) {
        Key(SDL_SCANCODE_ESCAPE, true);
        Key(SDL_SCANCODE_ESCAPE, false);
    }
    Button(SDL_BUTTON_LEFT, true);
    Button(SDL_BUTTON_LEFT, false);
    EXPECT_EQ(Frame(), (Seen{"screen_click 0.312500,0.416667", "mouse_down 0,200,200"}));
    EXPECT_EQ(Frame(), (Seen{"mouse_up 0,200,200", "mainmenu"}));
    EXPECT_EQ(Frame(), Seen{});
    EXPECT_EQ(Frame(), Seen{"mainmenu"});
    EXPECT_EQ(Frame(), Seen{});
    EXPECT_EQ(Frame(), Seen{"mainmenu"});
    EXPECT_EQ(Frame(), Seen{});
}

}  // namespace
