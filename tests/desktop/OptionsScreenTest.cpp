// The sample game's first screens in the real program on a virtual X display, driven by real
// pointer and keyboard input: a click skips the intro, the main menu leads to the options
// screen, whose check box, sliders, key fields and display mode arrows reach the "interface"
// script, and what was set there is in "YConfig.cfg" and "Actions.cfg" after the program quits
// from the main menu. The scripts write what they hear to the log, which the test reads.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "desktop/DesktopSupport.h"

namespace {

using namespace desktop;

TEST(InterfaceProgram, OptionsScreenAnswersRealPointerAndKeyboardAndKeepsTheSettings) {
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
    ASSERT_TRUE(LogHas("Parsing interface file - data\\interface\\Data\\intro.txt ----------------- finished"));

    // A click skips the intro.
    Pointer pointer(display.Name());
    ASSERT_TRUE(pointer.Home()) << "no program window on " << display.Name();
    pointer.Click(320, 240);
    ASSERT_TRUE(LogHas("MAIN: intro_done on the intro screen\n"));
    ASSERT_TRUE(LogHas("Parsing interface file - data\\interface\\Data\\main_menu.txt ----------------- finished"));
    Pointer::Pause(500);

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
    // A click on the sound volume's track (250, 128) centres the thumb there: 420 - 250 of 180.
    pointer.Click(430, 138);
    EXPECT_TRUE(LogHas("interface: move_slider sound_volume,0.944444\n"));

    // The forward key field (256, 237, 110 x 20) takes the next key released: W, code 17.
    pointer.Click(300, 246);
    EXPECT_TRUE(LogHas("interface: textedit_click key_forward\n"));
    pointer.Key("w");
    EXPECT_TRUE(LogHas("interface: key_assigned key_forward,17\n"));
    // Escape in the backward field (256, 271) keeps its key and the screen (the arrow below
    // is on the options screen).
    pointer.Click(300, 280);
    EXPECT_TRUE(LogHas("interface: textedit_click key_backward\n"));
    pointer.Key("Escape");
    EXPECT_TRUE(LogHas("interface: key_assigned key_backward,1\n"));

    // The arrow right of the display mode (436, 58) switches to the next mode of the list.
    pointer.Click(448, 70);
    EXPECT_TRUE(LogHas("interface: button_click display_next\n"));
    Pointer::Pause(500);

    // "Back" (490, 424, 110 x 38) to the main menu, and "Quit" (200, 356) ends the program.
    pointer.Click(545, 443);
    EXPECT_TRUE(LogHas("MAIN: options_done on the options screen\n"));
    ASSERT_TRUE(LogHasTimes("data\\interface\\Data\\main_menu.txt ----------------- finished", 2));
    Pointer::Pause(500);
    pointer.Click(320, 378);
    EXPECT_TRUE(LogHas("interface: button_click quit\n"));
    EXPECT_EQ(program.Wait(kWait), 0);
    const std::string log = test::ReadFile("YLog.log");
    EXPECT_EQ(log.find("ERROR!!!"), std::string::npos);
    const std::string actions = test::ReadFile("Actions.cfg");
    EXPECT_NE(actions.find("forward 17\n"), std::string::npos) << actions;
    EXPECT_NE(actions.find("backward 208\n"), std::string::npos) << actions;
    const std::string config = test::ReadFile("YConfig.cfg");
    for (const char* line : {"TRILINEAR 1\n", "MUSIC_VOLUME 0.722\n", "SOUND_VOLUME 0.944\n", "SCREEN_WIDTH 800\n"})
        EXPECT_NE(config.find(line), std::string::npos) << line << config;
}

}  // namespace
