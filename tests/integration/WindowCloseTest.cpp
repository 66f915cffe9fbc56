// The real program on a virtual X display: a window manager's close request gives the main
// script one "GameOver", and a second copy whose message box is up ends on SIGTERM or
// SIGINT as after its OK. Skipped where Xvfb or xdotool is missing.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
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
    bool WindowExists(const std::string& name) const {
        const std::string command =
            "DISPLAY=" + display_.Name() + " timeout 20 xdotool search --name '" + name + "' > /dev/null 2>&1";
        return std::system(command.c_str()) == 0;
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

}  // namespace
