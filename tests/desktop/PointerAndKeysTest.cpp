// The real program on a virtual X display with pointers that give no relative motion and
// with presses too quick for a frame: a pointer put at a place (as a tablet, a remote desktop
// or xdotool's mousemove does) takes the cursor there; a click or a key tapped with no delay
// reaches the scripts, every tap of several. And a second copy started on the display shows
// its message box there, writes the line to standard error and ends with 1 once it is closed.
// The screens are the test's own: a probe script writes every command it hears to the log.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "desktop/DesktopSupport.h"

namespace {

using namespace desktop;

const std::string kProbeScript =
    "while true do\n"
    "  while SetNextCommand(globalObject) do\n"
    "    local command = GetCurrentCommand(globalObject)\n"
    "    if command ~= 'mouse_move' and command ~= 'char' then\n"
    "      SaveLog('probe: ' .. command .. ' ' .. table.concat({ GetCurrentParams(globalObject) }, ','))\n"
    "    end\n"
    "  end\n"
    "  Update()\n"
    "end\n";

// A button of the probe screens, without a mask.
std::string Button(const std::string& name, int x, int y, int width, int height) {
    const std::string n = "\n";
    return "[button]\nname = " + name + "\ntexture = buttons.tga\nlit = buttons.tga\npressed = buttons.tga\n" +
           "effect = interface.fx\nwidth = " + std::to_string(width) + "\nheight = " + std::to_string(height) + n +
           "tex_width = 256\ntex_height = 256\noffset_x = 0\noffset_y = 0\nlit_x = 0\nlit_y = 0\npressed_x = 0\n" +
           "pressed_y = 0\nposition = " + std::to_string(x) + ", " + std::to_string(y) + "\n[/button]\n";
}

std::string Screen(const std::string& buttons) {
    return "[window]\nname = probe\ntexture = menu_back.tga\neffect = interface.fx\nwidth = 640\nheight = 480\n"
           "tex_width = 640\ntex_height = 480\nposition = 0, 0\nscript0 = idle, probe.lua\n" +
           buttons + "[/window]\n";
}

// The sample game's data with a main script that shows one probe screen.
class PointerAndKeys : public DesktopTest {
protected:
    void SetUp() override {
        DesktopTest::SetUp();
        if (IsSkipped()) return;
        ASSERT_TRUE(test::FileExists("data/textures/interface/buttons.tga")) << "made at build time";
        test::WriteFile("data/scripts/probe.lua", kProbeScript);
        test::WriteFile("data/interface/Data/whole.txt", Screen(Button("whole", 0, 0, 640, 480)));
        test::WriteFile("data/interface/Data/sides.txt",
                        Screen(Button("left", 40, 200, 120, 80) + Button("right", 480, 200, 120, 80)));
        test::WriteFile("YConfig.cfg", "[COMMON]\nMOUSE_SPEED 1.0\n[VIDEO]\nSCREEN_WIDTH 640\nSCREEN_HEIGHT 480\n"
                                       "FULL_SCREEN 0\nSTATISTIC 0\n");
    }
    // Starts the program on a probe screen and waits until it is shown.
    void Start(const std::string& screen) {
        test::WriteFile("data/scripts/main.lua",
                        "local world = CreateGameWorld()\nInitGameWorld(world)\nSetInterfaceMode(1)\n"
                        "SetCursorType('normal')\nInitInterface('" + screen + ".txt')\n"
                        "while true do Update() end\n");
        program_ = std::make_unique<test::Program>(dir_.Path(), Environment());
        // Start-up on a loaded machine may take a while: the first screen is waited for longer.
        ASSERT_TRUE(test::Program::WaitForText(
            "YLog.log", "Parsing interface file - data\\interface\\Data\\" + screen + ".txt ----------------- finished",
            3 * kWait))
            << test::ReadFile("YLog.log");
        ASSERT_TRUE(Xdotool("search --sync --name Kestrune")) << "no program window on " << display_.Name();
        Pointer::Pause(500);
    }
    std::vector<std::string> Environment() const {
        // The X11 client libraries leak a little at exit (see the options screen's test).
        return {"SDL_VIDEODRIVER=x11", "DISPLAY=" + display_.Name(), "ASAN_OPTIONS=detect_leaks=0:abort_on_error=1"};
    }
    bool Xdotool(const std::string& arguments) const { return Pointer(display_.Name()).Run(arguments); }
    // Puts the pointer over a point of the interface in one absolute move. The window shows
    // the 640 x 480 frame scaled to fit, centred; the pointer goes to the middle of the point.
    bool PutPointer(int x, int y) const {
        int width = 0, height = 0;
        if (!WindowSize(&width, &height)) return false;
        const double scale = std::min(width / 640.0, height / 480.0);
        const int px = static_cast<int>((width - 640 * scale) / 2 + (x + 0.5) * scale);
        const int py = static_cast<int>((height - 480 * scale) / 2 + (y + 0.5) * scale);
        return Xdotool("search --sync --name Kestrune mousemove --sync --window %@ " + std::to_string(px) + " " +
                       std::to_string(py));
    }
    bool WindowSize(int* width, int* height) const {
        return desktop::WindowSize(display_.Name(), "search --name Kestrune getwindowgeometry --shell", width, height);
    }
    // A press and release held long enough for a frame to see each.
    void SlowClick() const {
        Xdotool("mousedown 1");
        Pointer::Pause(400);
        Xdotool("mouseup 1");
        Pointer::Pause(400);
    }
    void Stop() {
        program_->Signal(SIGTERM);
        EXPECT_EQ(program_->Wait(kWait), 0);
        EXPECT_EQ(test::ReadFile("YLog.log").find("ERROR!!!"), std::string::npos);
    }

    std::unique_ptr<test::Program> program_;
};

size_t Count(const std::string& text, const std::string& part) {
    size_t n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
}

TEST_F(PointerAndKeys, APointerPutAtAPlaceTakesTheCursorThereAndRelativeMotionGoesOnFromIt) {
    Start("sides");
    if (HasFatalFailure()) return;
    // The cursor starts at (200, 200), on neither button; the pointer is put on the right one.
    ASSERT_TRUE(PutPointer(560, 240));
    Pointer::Pause(300);
    SlowClick();
    EXPECT_TRUE(LogHas("probe: mouse_down 0,560,240\n"));
    EXPECT_TRUE(LogHas("probe: button_click right\n"));
    // Relative motion moves it on from there, as a mouse does.
    Xdotool("mousemove_relative -- -40 0");
    Pointer::Pause(300);
    SlowClick();
    EXPECT_TRUE(LogHas("probe: mouse_down 0,520,240\n"));
    // And put on the left one.
    ASSERT_TRUE(PutPointer(100, 230));
    Pointer::Pause(300);
    SlowClick();
    EXPECT_TRUE(LogHas("probe: mouse_down 0,100,230\n"));
    EXPECT_TRUE(LogHas("probe: button_click left\n"));
    Stop();
}

TEST_F(PointerAndKeys, AClickAndKeyTapsWithNoDelayReachTheScripts) {
    Start("whole");
    if (HasFatalFailure()) return;
    ASSERT_TRUE(PutPointer(320, 200));
    Pointer::Pause(300);
    // Press and release come together, well inside one frame.
    Xdotool("click 1");
    EXPECT_TRUE(LogHas("probe: mouse_down 0,"));
    EXPECT_TRUE(LogHas("probe: mouse_up 0,"));
    EXPECT_TRUE(LogHas("probe: button_click whole\n"));
    // Five quick taps of Escape, each released at once and the next pressed at once: five
    // "mainmenu".
    Xdotool("key --delay 0 Escape Escape Escape Escape Escape");
    EXPECT_TRUE(LogHasTimes("probe: mainmenu \n", 5));
    // A bound key tapped: the action goes down and up.
    Xdotool("key space");
    EXPECT_TRUE(LogHas("probe: KeyAction fire,1\n"));
    EXPECT_TRUE(LogHas("probe: KeyAction fire,0\n"));
    Pointer::Pause(500);
    const std::string log = test::ReadFile("YLog.log");
    EXPECT_EQ(Count(log, "probe: mainmenu \n"), 5u);
    EXPECT_EQ(Count(log, "probe: button_click whole\n"), 1u);
    Stop();
}

// Runs the program with its standard error in a file; returns its process id.
pid_t StartCapturing(const std::string& dir, const std::vector<std::string>& env, const std::string& errors) {
    const pid_t pid = fork();
    if (pid == 0) {
        if (chdir(dir.c_str()) != 0) _exit(127);
        const int fd = open(errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd < 0 || dup2(fd, 2) < 0) _exit(127);
        setenv("ALSOFT_DRIVERS", "null", 1);
        for (const std::string& e : env) putenv(strdup(e.c_str()));
        execl(KESTRUNE_BIN, KESTRUNE_BIN, static_cast<char*>(nullptr));
        _exit(127);
    }
    return pid;
}

// The exit code, or -1 when the process did not end in time (it is then killed).
int WaitFor(pid_t pid, double seconds) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    int status = 0;
    while (waitpid(pid, &status, WNOHANG) != pid) {
        if (std::chrono::steady_clock::now() > end) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST_F(PointerAndKeys, ASecondCopyShowsItsMessageBoxOnTheDisplayAndWritesTheLine) {
    Start("whole");
    if (HasFatalFailure()) return;
    test::TempDir other;  // another working directory, the same lock
    std::vector<std::string> env = Environment();
    env.push_back("XDG_RUNTIME_DIR=" + dir_.Path());
    const std::string errors = other.Path() + "/errors.txt";
    const pid_t second = StartCapturing(other.Path(), env, errors);
    ASSERT_GT(second, 0);
    // "Error" with "Игра уже запущена!!!" waits for its OK; Enter with the pointer over it closes it.
    const bool shown = Xdotool("search --sync --name '^Error$'");
    EXPECT_TRUE(shown) << "no message box on the display";
    if (shown) {
        Pointer::Pause(500);
        int status = 0;
        EXPECT_EQ(waitpid(second, &status, WNOHANG), 0) << "ended before its box was closed";
        Xdotool("search --name '^Error$' mousemove --sync --window %@ 5 5");
        Pointer::Pause(300);
        Xdotool("key Return");
    }
    EXPECT_EQ(WaitFor(second, kWait), 1);
    EXPECT_TRUE(test::Program::WaitForText(errors, "Error: \xD0\x98\xD0\xB3\xD1\x80\xD0\xB0 \xD1\x83\xD0\xB6\xD0\xB5 "
                                                   "\xD0\xB7\xD0\xB0\xD0\xBF\xD1\x83\xD1\x89\xD0\xB5\xD0\xBD\xD0\xB0!!!\n",
                                           kWait));
    Stop();
}

}  // namespace
