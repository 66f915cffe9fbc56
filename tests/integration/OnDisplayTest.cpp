// The real program on a virtual X display: a window manager's close request gives the main
// script one "GameOver"; a second copy whose message box is up ends on SIGTERM or SIGINT as
// after its OK; a click made while the box has the focus does nothing, and when the focus
// comes back the cursor is where the pointer is. Skipped where Xvfb or xdotool is missing.
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "desktop/DesktopSupport.h"
#include "support/TestSupport.h"

// Last: the X11 headers define many short macro names.
#include <X11/Xlib.h>

namespace {

class OnDisplay : public testing::Test {
protected:
    void SetUp() override {
        if (!desktop::Installed("Xvfb") || !desktop::Installed("xdotool")) GTEST_SKIP() << "Xvfb and xdotool missing";
        if (display_.Name().empty()) GTEST_SKIP() << "no virtual display";
    }
    std::vector<std::string> Environment() const {
        return {"SDL_VIDEODRIVER=x11", "DISPLAY=" + display_.Name(), "ASAN_OPTIONS=detect_leaks=0:abort_on_error=1"};
    }
    // The first window whose name matches, waited for; 0 when there is none.
    unsigned long FindWindow(const std::string& name) const {
        const std::string command =
            "DISPLAY=" + display_.Name() + " timeout 20 xdotool search --sync --name '" + name + "' 2>/dev/null";
        std::FILE* out = popen(command.c_str(), "r");
        if (!out) return 0;
        unsigned long id = 0;
        if (std::fscanf(out, "%lu", &id) != 1) id = 0;
        pclose(out);
        return id;
    }
    bool Xdotool(const std::string& arguments) const { return desktop::Pointer(display_.Name()).Run(arguments); }
    bool WindowExists(const std::string& name) const { return Xdotool("search --name '" + name + "'"); }
    bool WindowSize(unsigned long window, int* width, int* height) const {
        return desktop::WindowSize(display_.Name(), "getwindowgeometry --shell " + std::to_string(window), width, height);
    }
    // What a window manager sends when the window's close button is pressed.
    bool AskToClose(unsigned long window) const {
        Display* x = XOpenDisplay(display_.Name().c_str());
        if (!x) return false;
        XEvent e{};
        e.xclient.type = ClientMessage;
        e.xclient.window = window;
        e.xclient.message_type = XInternAtom(x, "WM_PROTOCOLS", False);
        e.xclient.format = 32;
        e.xclient.data.l[0] = static_cast<long>(XInternAtom(x, "WM_DELETE_WINDOW", False));
        e.xclient.data.l[1] = CurrentTime;
        const bool sent = XSendEvent(x, window, False, NoEventMask, &e) != 0;
        XCloseDisplay(x);
        return sent;
    }

    desktop::VirtualDisplay display_;
    test::TempDir dir_;
};

TEST_F(OnDisplay, ClosingTheWindowGivesTheMainScriptOneGameOver) {
    test::WriteFile("data/scripts/main.lua",
                    "local f = io.open('ready.txt', 'w') f:write('ready') f:close()\n"
                    "while true do\n"
                    "  while SetNextCommand(globalObject) do\n"
                    "    local out = io.open('commands.txt', 'a') out:write(GetCurrentCommand(globalObject), '\\n') out:close()\n"
                    "  end\n"
                    "  Update()\n"
                    "end\n");
    test::Program program(dir_.Path(), Environment());
    ASSERT_TRUE(test::Program::WaitForText("ready.txt", "ready", desktop::kWait));
    const unsigned long window = FindWindow("^Kestrune$");
    ASSERT_NE(window, 0u);
    ASSERT_TRUE(AskToClose(window));
    EXPECT_EQ(program.Wait(desktop::kWait), 0);
    EXPECT_EQ(test::ReadFile("commands.txt"), "GameOver\n");
    EXPECT_NE(test::ReadFile("YLog.log").find("\nGame Finished\t--------------\n"), std::string::npos);
}

TEST_F(OnDisplay, ASecondCopyWithItsMessageBoxUpEndsOnSigtermOrSigintAsAfterOk) {
    test::WriteFile("data/scripts/main.lua", "while true do Update() end\n");
    test::Program first(dir_.Path());  // headless: only its lock matters
    ASSERT_TRUE(test::Program::WaitForText("YLog.log", "Game Started", desktop::kWait));
    for (int signal : {SIGTERM, SIGINT}) {
        SCOPED_TRACE(signal);
        test::TempDir other;  // another working directory, the same lock
        std::vector<std::string> env = Environment();
        env.push_back("XDG_RUNTIME_DIR=" + dir_.Path());
        test::Program second(other.Path(), env);
        ASSERT_NE(FindWindow("^Error$"), 0u) << "no message box on the display";
        second.Signal(signal);
        EXPECT_EQ(second.Wait(desktop::kWait), 1);
        EXPECT_FALSE(WindowExists("^Error$"));
        EXPECT_FALSE(test::FileExists(other.Path() + "/YLog.log"));
    }
    first.Signal(SIGTERM);
    EXPECT_EQ(first.Wait(desktop::kWait), 0);
}

// A second copy's message box takes the focus; the player clicks on the game window behind it
// and types, then gives the game the focus back and clicks again without moving the pointer.
TEST_F(OnDisplay, AClickWhileAnotherWindowHasTheFocusDoesNothingAndTheCursorComesBackWhereThePointerIs) {
    const std::string source = std::string(KESTRUNE_SOURCE_DIR) + "/game/data/";
    std::filesystem::create_directories("data");
    for (const char* folder : {"interface", "effects"})
        std::filesystem::copy(source + folder, std::string("data/") + folder, std::filesystem::copy_options::recursive);
    test::WriteFile("data/scripts/probe.lua",
                    "while true do\n"
                    "  while SetNextCommand(globalObject) do\n"
                    "    SaveLog('probe: ' .. GetCurrentCommand(globalObject) .. ' ' ..\n"
                    "            table.concat({ GetCurrentParams(globalObject) }, ','))\n"
                    "  end\n"
                    "  Update()\n"
                    "end\n");
    test::WriteFile("data/interface/Data/probe.txt",
                    "[window]\nname = probe\neffect = interface.fx\nwidth = 640\nheight = 480\ntex_width = 640\n"
                    "tex_height = 480\nposition = 0, 0\nscript0 = idle, probe.lua\n[/window]\n");
    test::WriteFile("data/scripts/main.lua", "local world = CreateGameWorld()\nInitGameWorld(world)\nSetInterfaceMode(1)\n"
                                             "SetCursorType('normal')\nInitInterface('probe.txt')\n"
                                             "while true do Update() end\n");
    test::WriteFile("YConfig.cfg", "[COMMON]\nMOUSE_SPEED 1.0\n[VIDEO]\nSCREEN_WIDTH 640\nSCREEN_HEIGHT 480\n");
    test::Program game(dir_.Path(), Environment());
    ASSERT_TRUE(desktop::LogHas("Parsing interface file - data\\interface\\Data\\probe.txt ----------------- finished"));
    const unsigned long window = FindWindow("^Kestrune$");
    ASSERT_NE(window, 0u);
    ASSERT_TRUE(Xdotool("windowfocus --sync " + std::to_string(window)));
    desktop::Pointer::Pause(500);

    // The interface point (500, 300), where the window shows the 640 x 480 frame scaled to fit.
    int width = 0, height = 0;
    ASSERT_TRUE(WindowSize(window, &width, &height));
    const double scale = std::min(width / 640.0, height / 480.0);
    const int px = static_cast<int>((width - 640 * scale) / 2 + 500.5 * scale);
    const int py = static_cast<int>((height - 480 * scale) / 2 + 300.5 * scale);
    {
        test::TempDir other;  // the working directory while it lives
        std::vector<std::string> env = Environment();
        env.push_back("XDG_RUNTIME_DIR=" + dir_.Path());
        test::Program second(other.Path(), env);
        const unsigned long box = FindWindow("^Error$");
        ASSERT_NE(box, 0u) << "no message box on the display";
        ASSERT_TRUE(Xdotool("windowfocus --sync " + std::to_string(box)));
        desktop::Pointer::Pause(500);
        Xdotool("mousemove --sync --window " + std::to_string(window) + " " + std::to_string(px) + " " +
                std::to_string(py));
        desktop::Pointer::Pause(300);
        Xdotool("mousedown 1");
        desktop::Pointer::Pause(400);
        Xdotool("mouseup 1");
        Xdotool("key space");
        desktop::Pointer::Pause(500);
        second.Signal(SIGTERM);
        EXPECT_EQ(second.Wait(desktop::kWait), 1);
    }

    Xdotool("windowfocus --sync " + std::to_string(window));
    EXPECT_TRUE(desktop::LogHas("probe: mouse_move 500,300\n"));
    Xdotool("mousedown 1");
    desktop::Pointer::Pause(400);
    Xdotool("mouseup 1");
    EXPECT_TRUE(desktop::LogHas("probe: mouse_up 0,500,300\n"));
    const std::string log = test::ReadFile("YLog.log");
    EXPECT_EQ(log.find("probe: mouse_down"), log.find("probe: mouse_down 0,500,300\n"));
    EXPECT_EQ(log.find("probe: mouse_down"), log.rfind("probe: mouse_down"));
    EXPECT_EQ(log.find("KeyAction"), std::string::npos);
    game.Signal(SIGTERM);
    EXPECT_EQ(game.Wait(desktop::kWait), 0);
}

}  // namespace
