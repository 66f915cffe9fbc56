// The sample game in the real program on a virtual X display, driven by real pointer and
// keyboard input. The options screen: a click skips the intro, the main menu leads to the
// options screen, whose check box, sliders, key fields and display mode arrows reach the
// "interface" script, and what was set there is in "YConfig.cfg" and "Actions.cfg" after the
// program quits from the main menu. The way from screen to screen: a new game's briefing, the
// mission with its pause panel, a save from it into a slot, the console line sending a
// command, the mission report and the main menu; then a second run that loads the saved game.
// The scripts write what they hear and the steps they take to the log, which the tests read.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
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
    // While a key field waits for its key ("?") the pointer still works the screen: a click
    // on the sound volume's track moves it there and gives up the wait, so the key pressed
    // after it (E) is not the forward key.
    pointer.Click(300, 246);
    EXPECT_TRUE(LogHasTimes("interface: textedit_click key_forward\n", 2));
    pointer.Click(340, 138);
    EXPECT_TRUE(LogHas("interface: move_slider sound_volume,0.444444\n"));
    pointer.Key("e");
    EXPECT_TRUE(LogHas("interface: key_assigned key_forward,18\n"));

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
    for (const char* line : {"TRILINEAR 1\n", "MUSIC_VOLUME 0.722\n", "SOUND_VOLUME 0.444\n", "SCREEN_WIDTH 800\n"})
        EXPECT_NE(config.find(line), std::string::npos) << line << config;
}

class GameFlow : public DesktopTest {
protected:
    void SetUp() override {
        DesktopTest::SetUp();
        if (IsSkipped()) return;
    }
    // Starts the program with a fresh log and settings, and leaves the intro by Escape.
    std::unique_ptr<Session> Start() {
        std::filesystem::remove("YLog.log");
        test::WriteFile("YConfig.cfg", "[COMMON]\nMOUSE_SPEED 1.0\n[VIDEO]\nSCREEN_WIDTH 640\nSCREEN_HEIGHT 480\n"
                                       "STATISTIC 0\n");
        auto run = std::make_unique<Session>(dir_.Path(), display_.Name());
        EXPECT_TRUE(ScreenShown("intro.txt"));
        EXPECT_TRUE(run->pointer.Home()) << "no program window on " << display_.Name();
        run->pointer.Key("Escape");
        EXPECT_TRUE(LogHas("MAIN: intro_done on the intro screen\n"));
        EXPECT_TRUE(ScreenShown("main_menu.txt"));
        Pointer::Pause(500);
        return run;
    }
    // Quits from the main menu ("Quit" at 200, 356, 240 x 44) and waits for the end.
    void Quit(Session& run) {
        run.pointer.Click(320, 378);
        EXPECT_TRUE(LogHas("MAIN: quit on the menu screen\n"));
        EXPECT_EQ(run.program.Wait(kWait), 0);
        const std::string log = test::ReadFile("YLog.log");
        EXPECT_EQ(log.find("ERROR!!!"), std::string::npos) << log;
        EXPECT_NE(log.find("0 - windows lost\n"), std::string::npos);
    }

};

TEST_F(GameFlow, ANewGameIsPlayedPausedSavedAndLoadedAgain) {
    {
        auto run = Start();
        if (HasFatalFailure()) return;
        Pointer& pointer = run->pointer;
        // "New game" (200, 170, 240 x 44): mission 1's briefing with the new squad of two.
        pointer.Click(320, 192);
        ASSERT_TRUE(LogHas("MAIN: new_game on the menu screen\n"));
        ASSERT_TRUE(LogHas("briefing: mission 1, 0 points, 2 droids\n"));
        Pointer::Pause(500);
        // "Start" (430, 420, 150 x 36): the mission bar.
        pointer.Click(505, 438);
        ASSERT_TRUE(LogHas("MAIN: start on the briefing screen\n"));
        ASSERT_TRUE(ScreenShown("hud.txt"));
        Pointer::Pause(1000);

        // Escape holds the game with the pause panel; its "Save" (245, 216) shows the slots.
        pointer.Key("Escape");
        EXPECT_TRUE(LogHas("MAIN: pause on the mission screen\n"));
        pointer.Click(320, 234);
        ASSERT_TRUE(LogHas("MAIN: save_game on the mission screen\n"));
        ASSERT_TRUE(ScreenShown("saves.txt"));
        Pointer::Pause(500);
        // Slot 3 (120, 252, 400 x 36) takes the game as it stood when the mission began.
        pointer.Click(320, 270);
        EXPECT_TRUE(LogHas("saves: saved \"Start of mission 1, 0 points\" in slot 3\n"));
        // "Back" (245, 370) returns to the mission held, with the pause panel: its "Resume"
        // (245, 170) lets the mission run again.
        pointer.Click(320, 388);
        EXPECT_TRUE(LogHas("MAIN: saves_back on the saves screen\n"));
        ASSERT_TRUE(ScreenShown("hud.txt", 2));
        EXPECT_TRUE(LogHasTimes("MAIN: pause on the mission screen\n", 2));
        Pointer::Pause(500);
        pointer.Click(320, 188);
        EXPECT_TRUE(LogHas("MAIN: resume on the mission screen\n"));
        Pointer::Pause(1000);

        // The ` key opens the console line at the top; a line typed there goes to
        // ParseCommand on Enter: here a mission's end, sent to "MAIN".
        pointer.Key("grave");
        pointer.MoveTo(200, 14);
        pointer.Type("name MAIN mission_failed 5,1");
        pointer.Key("Return");
        EXPECT_TRUE(LogHas("console: name MAIN mission_failed 5,1\n"));
        EXPECT_TRUE(LogHas("MAIN: mission_failed on the mission screen\n"));
        ASSERT_TRUE(ScreenShown("results.txt"));
        Pointer::Pause(500);
        // The report's "Main menu" (140, 400, 150 x 36).
        pointer.Click(215, 418);
        EXPECT_TRUE(LogHas("MAIN: results_menu on the results screen\n"));
        ASSERT_TRUE(ScreenShown("main_menu.txt", 2));
        Pointer::Pause(500);
        Quit(*run);
    }
    const std::string save = test::ReadFile("data/Saves/save3.sav");
    EXPECT_NE(save.find("Start of mission 1, 0 points"), std::string::npos);
    // The new game's squad, each droid with a name of its own.
    EXPECT_NE(save.find("Alpha"), std::string::npos);
    EXPECT_NE(save.find("Bravo"), std::string::npos);

    {
        // The second run loads slot 3 from "Load game" (200, 232): mission 1 again, with the
        // droids the mission gave.
        auto run = Start();
        if (HasFatalFailure()) return;
        Pointer& pointer = run->pointer;
        pointer.Click(320, 254);
        ASSERT_TRUE(LogHas("MAIN: load_game on the menu screen\n"));
        ASSERT_TRUE(ScreenShown("saves.txt"));
        Pointer::Pause(500);
        // An empty slot (1, at 120, 160) is only reported.
        pointer.Click(320, 178);
        pointer.Click(320, 270);
        EXPECT_TRUE(LogHas("MAIN: load_slot on the saves screen\n"));
        EXPECT_TRUE(LogHas("briefing: mission 1, 0 points, "));
        const std::string log = test::ReadFile("YLog.log");
        EXPECT_EQ(log.find("0 points, 0 droids"), std::string::npos) << "the droids the mission gave are back";
        EXPECT_EQ(log.find("load_slot on the saves screen"), log.rfind("load_slot on the saves screen"));
        ASSERT_TRUE(ScreenShown("briefing.txt"));
        Pointer::Pause(500);
        // Escape asks before the briefing is left for the main menu; Yes (160, 276) leaves.
        pointer.Key("Escape");
        Pointer::Pause(500);
        pointer.Click(235, 294);
        EXPECT_TRUE(LogHas("MAIN: briefing_back on the briefing screen\n"));
        ASSERT_TRUE(ScreenShown("main_menu.txt", 2));
        Pointer::Pause(500);
        Quit(*run);
    }
}

// The first mission won from the console with points to spend; the report's question; the
// shop, where a name typed into the droid's name field is bought with one click on Buy.
TEST_F(GameFlow, ANameTypedInTheShopIsBoughtWithOneClickOnBuy) {
    auto run = Start();
    if (HasFatalFailure()) return;
    Pointer& pointer = run->pointer;
    pointer.Click(320, 192);  // "New game"
    ASSERT_TRUE(ScreenShown("briefing.txt"));
    Pointer::Pause(500);
    // Escape asks before the briefing is left; "No" (330, 276) stays.
    pointer.Key("Escape");
    Pointer::Pause(500);
    pointer.Click(405, 294);
    pointer.Click(505, 438);  // "Start"
    ASSERT_TRUE(ScreenShown("hud.txt"));
    Pointer::Pause(1000);
    pointer.Key("grave");
    pointer.MoveTo(200, 14);
    pointer.Type("name GameWorld points 400,test");
    pointer.Key("Return");
    pointer.Type("win");
    pointer.Key("Return");
    ASSERT_TRUE(LogHas("MAIN: mission_complete on the mission screen\n"));
    ASSERT_TRUE(ScreenShown("results.txt"));
    Pointer::Pause(500);
    // The report's "Main menu" (140, 400) asks first after a win; "No" stays, "Continue"
    // (350, 400) opens the shop.
    pointer.Click(215, 418);
    Pointer::Pause(500);
    pointer.Click(405, 294);
    pointer.Click(425, 418);
    EXPECT_TRUE(LogHas("MAIN: results_done on the results screen\n"));
    ASSERT_TRUE(ScreenShown("shop.txt"));
    Pointer::Pause(1000);

    // The droid tab shows the Scout (200 points) chosen. A click on the name field (378,
    // 346), a name typed, and one click on "Buy" (308, 384) buys it under that name.
    pointer.Click(470, 356);
    pointer.Type("Zed");
    pointer.Click(358, 399);
    EXPECT_TRUE(LogHas("shop: bought scout Zed for 200\n"));
    // "Continue" (494, 428) keeps the purchase: the next briefing counts three droids.
    pointer.Click(561, 450);
    EXPECT_TRUE(LogHas("briefing: mission 2, 200 points, 3 droids\n"));

    run->program.Signal(SIGTERM);
    EXPECT_EQ(run->program.Wait(kWait), 0);
    const std::string log = test::ReadFile("YLog.log");
    EXPECT_EQ(log.find("ERROR!!!"), std::string::npos);
    // The questions' bare layers have an effect of their own.
    EXPECT_EQ(log.find("File - data\\effects\\ not found"), std::string::npos) << log;
    EXPECT_EQ(log.find("shop: bought"), log.rfind("shop: bought")) << "one purchase";
}

}  // namespace
