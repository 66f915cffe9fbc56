// The sample game's screens in the real program on a virtual X display, driven by real
// pointer and keyboard input: the main menu leads to the options screen, whose check box,
// slider, name field and key field reach the "interface" script, and a key assigned there is
// in "Actions.cfg" after the program quits from the main menu. The scripts write what they
// hear to the log, which the test reads.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include "../render/RenderTestSupport.h"
#include "core/YActions.h"
#include "core/YCommandManager.h"
#include "interface/YInterfaceManager.h"
#include "render/YCamera.h"
#include "render/YNode.h"
#include "script/YScriptApi.h"
#include "support/TestSupport.h"

namespace {

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
        // Xvfb writes the display number once it accepts connections.
        char buffer[16] = {};
        const ssize_t n = pid_ > 0 ? read(fds[0], buffer, sizeof buffer - 1) : -1;
        close(fds[0]);
        if (n > 0) display_ = ":" + std::to_string(std::atoi(buffer));
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

bool Installed(const char* program) {
    return std::system((std::string("command -v ") + program + " > /dev/null 2>&1").c_str()) == 0;
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

bool LogHas(const std::string& text) { return test::Program::WaitForText("YLog.log", text, kWait); }

// Waits until the log holds the text n times.
bool LogHasTimes(const std::string& text, size_t n) {
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

TEST(InterfaceProgram, OptionsScreenAnswersRealPointerAndKeyboardAndKeepsTheAssignedKey) {
    if (!Installed("Xvfb") || !Installed("xdotool")) GTEST_SKIP() << "Xvfb and xdotool are not installed";
    VirtualDisplay display;
    if (display.Name().empty()) GTEST_SKIP() << "no virtual display";

    test::TempDir dir;
    std::filesystem::copy(std::string(KESTRUNE_SOURCE_DIR) + "/game/data", dir.Path() + "/data",
                          std::filesystem::copy_options::recursive);
    ASSERT_TRUE(test::FileExists("data/textures/interface/options_back.tga")) << "made at build time";
    test::WriteFile("YConfig.cfg", "[COMMON]\nMOUSE_SPEED 1.0\n[VIDEO]\nSCREEN_WIDTH 640\nSCREEN_HEIGHT 480\n"
                                   "FULL_SCREEN 0\nSTATISTIC 0\n");
    // The X11 client libraries that SDL loads and unloads leak a little at exit, where a
    // leak check can no longer name them: the program's own leaks are checked by the runs on
    // the offscreen driver.
    test::Program program(dir.Path(), {"SDL_VIDEODRIVER=x11", "DISPLAY=" + display.Name(),
                                       "ASAN_OPTIONS=detect_leaks=0:abort_on_error=1"});
    ASSERT_TRUE(LogHas("Parsing interface file - data\\interface\\Data\\main_menu.txt ----------------- finished"));

    Pointer pointer(display.Name());
    ASSERT_TRUE(pointer.Home()) << "no program window on " << display.Name();
    // The main menu's "Options" button (200, 294, 240 x 44) brings up the options screen.
    pointer.Click(320, 316);
    ASSERT_TRUE(LogHas("interface: button_click options\n"));
    ASSERT_TRUE(LogHas("Parsing interface file - data\\interface\\Data\\options.txt ----------------- finished"));
    Pointer::Pause(500);

    // The check box (250, 162, 24 x 24).
    pointer.Click(262, 174);
    EXPECT_TRUE(LogHas("interface: checkbox trilinear,1\n"));

    // The music slider's thumb (20 x 20) stands at the volume of 0.5: 250 + 90. Dragged
    // 40 units right it reports its moves, ending at 0.5 + 40 / 180.
    pointer.Drag(350, 102, 390, 102);
    EXPECT_TRUE(LogHas("interface: move_slider music_volume,0.722222\n"));

    // The name field (256, 305, 208 x 20): typed text, confirmed with Enter.
    pointer.Click(300, 314);
    EXPECT_TRUE(LogHas("interface: textedit_click player_name\n"));
    pointer.Type("Ada");
    pointer.Key("Return");
    EXPECT_TRUE(LogHas("interface: text_edit_complete player_name,Ada\n"));

    // The forward key field (256, 237, 128 x 20) takes the next key released: W, code 17.
    pointer.Click(300, 246);
    EXPECT_TRUE(LogHas("interface: textedit_click key_forward\n"));
    pointer.Key("w");
    EXPECT_TRUE(LogHas("interface: key_assigned key_forward,17\n"));

    // "Back" (490, 424, 110 x 38) to the main menu, and "Quit" (200, 356) ends the program.
    pointer.Click(545, 443);
    EXPECT_TRUE(LogHas("interface: button_click back\n"));
    ASSERT_TRUE(LogHasTimes("data\\interface\\Data\\main_menu.txt ----------------- finished", 2));
    Pointer::Pause(500);
    pointer.Click(320, 378);
    EXPECT_TRUE(LogHas("interface: button_click quit\n"));
    EXPECT_EQ(program.Wait(kWait), 0);
    const std::string actions = test::ReadFile("Actions.cfg");
    EXPECT_NE(actions.find("forward 17\n"), std::string::npos) << actions;
    EXPECT_EQ(test::ReadFile("YLog.log").find("ERROR!!!"), std::string::npos);
}

// ---- the screens as drawn

// Answers event 5 with the interface layers under a camera that maps the 640 x 480
// interface onto the frame, as the game world does.
struct InterfaceLayers : CYEventListener {
    std::vector<CYNode*> layers;
    explicit InterfaceLayers(CYRenderer& renderer) {
        CYCameraNode* camera = renderer.AddCameraNode();
        math::Matrix view = math::MatrixOrthoOffCenterLH(0, 640, 0, 480, 0, 1);
        view.m[1][1] *= -1.0f;
        view.m[3][1] += 2.0f;
        camera->SetView(view);
        camera->SetProjection(math::MatrixIdentity());
        for (int i = 0; i < 20; ++i) {
            layers.push_back(new CYWorld(math::MatrixIdentity()));
            camera->AddChild(layers.back());
        }
        SubscribeOnce(YEVENT_GET_WORLD_PARAM, this, [](void* c, intptr_t a, intptr_t b) {
            auto& list = static_cast<InterfaceLayers*>(c)->layers;
            *reinterpret_cast<CYNode**>(a) = b >= 5 && b < 25 ? list[size_t(b - 5)] : nullptr;
        });
    }
};

// Answers event 21 with the default key bindings, as the input object does.
struct Bindings : CYEventListener {
    CYActions actions;
    Bindings() {
        SubscribeOnce(YEVENT_GET_ACTIONS, this, [](void* c, intptr_t a, intptr_t) {
            *reinterpret_cast<CYActions**>(a) = &static_cast<Bindings*>(c)->actions;
        });
    }
};

class SampleScreens : public rtest::GLRendererTest {
protected:
    void SetUp() override {
        GLRendererTest::SetUp();
        g_settings.statistics = 0;
        g_registerScriptFunctions = RegisterScriptFunctions;
        LoadCommands();
        std::filesystem::copy(std::string(KESTRUNE_SOURCE_DIR) + "/game/data", "data",
                              std::filesystem::copy_options::recursive);
        layers_ = std::make_unique<InterfaceLayers>(*renderer_);
        manager_ = std::make_unique<CYInterfaceManager>(renderer_.get());
        manager_->Init();
    }
    void TearDown() override {
        manager_.reset();
        layers_.reset();
        DestroyCommands();
        g_registerScriptFunctions = nullptr;
        GLRendererTest::TearDown();
    }
    // Shows the screen for a few frames (its script fills it in) and reads the frame.
    std::vector<uint32_t> Show(const char* name) {
        SendEvent(YEVENT_INIT_INTERFACE, reinterpret_cast<intptr_t>(name), 0);
        for (int frame = 0; frame < 3; ++frame) {
            g_timer.frameCounter++;
            manager_->Update();
            manager_->Render();
            EXPECT_EQ(renderer_->PrepareFrame(), S_OK);
            EXPECT_EQ(renderer_->RenderFrame(), S_OK);
        }
        return ReadFrame();
    }
    static uint32_t At(const std::vector<uint32_t>& frame, int x, int y) { return frame[size_t(y) * kWidth + x] & 0xFFFFFF; }
    static int Red(uint32_t c) { return int(c >> 16 & 0xFF); }
    static int Green(uint32_t c) { return int(c >> 8 & 0xFF); }
    static int Blue(uint32_t c) { return int(c & 0xFF); }

    Bindings bindings_;
    std::unique_ptr<InterfaceLayers> layers_;
    std::unique_ptr<CYInterfaceManager> manager_;
};

TEST_F(SampleScreens, MainMenuAndOptionsScreenDrawTheirImagesWidgetsAndTexts) {
    std::vector<uint32_t> menu = Show("main_menu.txt");
    // Night-blue backdrop, the panel's bright rim, and the buttons' light labels on blue.
    const uint32_t backdrop = At(menu, 20, 240), rim = At(menu, 171, 280);
    EXPECT_GT(Blue(backdrop), Red(backdrop));
    EXPECT_LT(Blue(backdrop), 0x60);
    EXPECT_GT(Blue(rim), 0xA0);
    int light = 0;
    for (int x = 260; x < 380; ++x) light += Red(At(menu, x, 192)) > 0xC0;
    EXPECT_GT(light, 10) << "the label of \"New game\"";
    EXPECT_EQ(manager_->GetWindowCount(), 1u);

    std::vector<uint32_t> options = Show("options.txt");
    // The slider's thumb at the music volume of 0.5 (250 + 90) is light; the check box well is dark.
    const uint32_t thumb = At(options, 350, 102);
    EXPECT_GT(Red(thumb), 0x90);
    EXPECT_GT(Blue(thumb), 0xC0);
    EXPECT_LT(Blue(At(options, 262, 174)), 0x60);
    // The help text drawn in the bitmap font in its box, and the key field's key name.
    int text = 0;
    for (int y = 344; y < 364; ++y)
        for (int x = 60; x < 300; ++x) text += Red(At(options, x, y)) > 0xC0;
    EXPECT_GT(text, 40) << "the first line of help";
    int key = 0;
    for (int y = 237; y < 257; ++y)
        for (int x = 256; x < 300; ++x) key += Red(At(options, x, y)) > 0xC0;
    EXPECT_GT(key, 10) << "\"Up\" in the forward key field";
}

}  // namespace
