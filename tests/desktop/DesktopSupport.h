// Driving the real program on a virtual X display: the display itself, the pointer and
// keyboard through xdotool, and waits on the program's log.
#pragma once
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "support/TestSupport.h"

namespace desktop {

constexpr double kWait = 30.0;

// A virtual X display of our own, on the first free display number.
class VirtualDisplay {
public:
    VirtualDisplay() {
        int fds[2];
        if (pipe(fds) != 0) return;
        pid_ = fork();
        if (pid_ == 0) {
            close(fds[0]);
            const std::string fd = std::to_string(fds[1]);
            execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1280x1024x24", "-nolisten", "tcp",
                   static_cast<char*>(nullptr));
            _exit(127);
        }
        close(fds[1]);
        // Xvfb writes the display number and then a line feed, in two writes, once it accepts
        // connections; closing the pipe before the line feed arrives would end it.
        std::string number;
        for (char c = 0; pid_ > 0 && number.size() < 16;) {
            const ssize_t n = read(fds[0], &c, 1);
            if (n < 0 && errno == EINTR) continue;
            if (n != 1 || c == '\n') break;
            number += c;
        }
        close(fds[0]);
        if (!number.empty()) display_ = ":" + std::to_string(std::atoi(number.c_str()));
    }
    ~VirtualDisplay() {
        if (pid_ <= 0) return;
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
    }
    VirtualDisplay(const VirtualDisplay&) = delete;
    VirtualDisplay& operator=(const VirtualDisplay&) = delete;
    // Empty when no display could be started.
    const std::string& Name() const { return display_; }

private:
    pid_t pid_ = -1;
    std::string display_;
};

inline bool Installed(const char* program) {
    return std::system((std::string("command -v ") + program + " > /dev/null 2>&1").c_str()) == 0;
}

// The size of a window on the display, from xdotool's arguments that print its geometry
// ("getwindowgeometry --shell <id>", or a search chained to it).
inline bool WindowSize(const std::string& display, const std::string& geometry, int* width, int* height) {
    const std::string command = "DISPLAY=" + display + " timeout 20 xdotool " + geometry;
    std::FILE* out = popen(command.c_str(), "r");
    if (!out) return false;
    char line[128];
    while (std::fgets(line, sizeof line, out)) {
        std::sscanf(line, "WIDTH=%d", width);
        std::sscanf(line, "HEIGHT=%d", height);
    }
    pclose(out);
    return *width > 0 && *height > 0;
}

// The pointer and keyboard of the display, through xdotool. The program's cursor starts at
// (200, 200) of the 640 x 480 interface and moves by the pointer's relative motion (1:1 in a
// 640 x 480 window at mouse speed 1); the pointer keeps track of where it put it.
class Pointer {
public:
    explicit Pointer(std::string display) : display_(std::move(display)) {}

    bool Run(const std::string& arguments) const {
        const std::string command = "DISPLAY=" + display_ + " timeout 20 xdotool " + arguments + " > /dev/null 2>&1";
        return std::system(command.c_str()) == 0;
    }
    static void Pause(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

    // Into the window, then into the interface's top-left corner, where the cursor stops.
    bool Home() {
        if (!Run("search --sync --name Kestrune windowactivate --sync %@ mousemove --window %@ 320 240")) {
            // Without a window manager the window cannot be activated: the move is enough.
            if (!Run("search --sync --name Kestrune mousemove --window %@ 320 240")) return false;
        }
        Pause(500);
        for (int i = 0; i < 16; ++i) Step(-50, -50);
        x_ = y_ = 0;
        return true;
    }
    // To a point of the interface, in steps the program sees one or a few a frame.
    void MoveTo(int x, int y) {
        while (x_ != x || y_ != y) {
            const int dx = std::clamp(x - x_, -40, 40), dy = std::clamp(y - y_, -40, 40);
            Step(dx, dy);
            x_ += dx;
            y_ += dy;
        }
        Pause(200);
    }
    // A press and release held long enough for a frame to see each.
    void Click(int x, int y) {
        MoveTo(x, y);
        Run("mousedown 1");
        Pause(kHold);
        Run("mouseup 1");
        Pause(kHold);
    }
    void Drag(int fromX, int fromY, int toX, int toY) {
        MoveTo(fromX, fromY);
        Run("mousedown 1");
        Pause(kHold);
        while (x_ != toX || y_ != toY) {
            const int dx = std::clamp(toX - x_, -10, 10), dy = std::clamp(toY - y_, -10, 10);
            Step(dx, dy);
            x_ += dx;
            y_ += dy;
            Pause(60);
        }
        Run("mouseup 1");
        Pause(kHold);
    }
    void Type(const std::string& text) { Run("type --delay 80 '" + text + "'"); }
    void Key(const std::string& key) {
        Run("keydown " + key);
        Pause(kHold);
        Run("keyup " + key);
        Pause(kHold);
    }

private:
    // Milliseconds a button or key is held, and left alone after.
    static constexpr int kHold = 400;

    void Step(int dx, int dy) {
        Run("mousemove_relative -- " + std::to_string(dx) + " " + std::to_string(dy));
        Pause(40);
    }

    std::string display_;
    int x_ = 200, y_ = 200;
};

inline bool LogHas(const std::string& text) { return test::Program::WaitForText("YLog.log", text, kWait); }

// Waits until the log holds the text n times.
inline bool LogHasTimes(const std::string& text, size_t n) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(kWait);
    do {
        const std::string log = test::ReadFile("YLog.log");
        size_t count = 0;
        for (size_t at = log.find(text); at != std::string::npos; at = log.find(text, at + 1)) ++count;
        if (count >= n) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    } while (std::chrono::steady_clock::now() < end);
    return false;
}

// Waits until the log says the screen of that description file was built n times.
inline bool ScreenShown(const std::string& file, size_t times = 1) {
    return LogHasTimes("Parsing interface file - data\\interface\\Data\\" + file + " ----------------- finished", times);
}

// The program in the test's folder on the display, with the pointer that drives it.
struct Session {
    test::Program program;
    Pointer pointer;
    Session(const std::string& dir, const std::string& display)
        : program(dir, {"SDL_VIDEODRIVER=x11", "DISPLAY=" + display, "ASAN_OPTIONS=detect_leaks=0:abort_on_error=1"}),
          pointer(display) {}
};

// A test on a virtual display of its own, in a folder holding the sample game's data without
// its saves; skipped where Xvfb or xdotool is missing. A fixture's own SetUp calls this one
// first and returns when it skipped.
class DesktopTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!Installed("Xvfb") || !Installed("xdotool")) GTEST_SKIP() << "Xvfb and xdotool are not installed";
        if (display_.Name().empty()) GTEST_SKIP() << "no virtual display";
        std::filesystem::copy(std::string(KESTRUNE_SOURCE_DIR) + "/game/data", dir_.Path() + "/data",
                              std::filesystem::copy_options::recursive);
        std::filesystem::remove_all(dir_.Path() + "/data/Saves");
    }

    // Starts the sample game in a 640 x 480 window and leaves the intro by Escape for the
    // main menu; a fixture's test returns when this failed (HasFatalFailure).
    void StartToMenu() {
        test::WriteFile("YConfig.cfg", "[COMMON]\nMOUSE_SPEED 1.0\n[VIDEO]\nSCREEN_WIDTH 640\nSCREEN_HEIGHT 480\n"
                                       "FULL_SCREEN 0\nSTATISTIC 0\n");
        run_ = std::make_unique<Session>(dir_.Path(), display_.Name());
        ASSERT_TRUE(ScreenShown("intro.txt"));
        ASSERT_TRUE(run_->pointer.Home()) << "no program window on " << display_.Name();
        run_->pointer.Key("Escape");
        ASSERT_TRUE(ScreenShown("main_menu.txt"));
        Pointer::Pause(500);
    }

    VirtualDisplay display_;
    test::TempDir dir_;
    std::unique_ptr<Session> run_;  // the program and its pointer, once started
};

}  // namespace desktop
