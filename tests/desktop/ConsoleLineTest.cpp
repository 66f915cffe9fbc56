// The sample game's console line in the real program on a virtual X display, typed into with
// the real keyboard: after Enter the line is empty and takes the next command at once,
// wherever the pointer is; Escape closes it; leaving the mission for the menu asks first.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "desktop/DesktopSupport.h"

namespace {

using namespace desktop;

// The lines the console sent, each "console: <line>", in order.
std::vector<std::string> ConsoleLines() {
    std::vector<std::string> lines;
    const std::string log = test::ReadFile("YLog.log"), mark = "\nconsole: ";
    for (size_t at = log.find(mark); at != std::string::npos; at = log.find(mark, at + 1)) {
        const size_t end = log.find('\n', at + 1);
        lines.push_back(log.substr(at + mark.size(), end - at - mark.size()));
    }
    return lines;
}

TEST(ConsoleLine, TakesOneCommandAfterAnotherWithoutThePointerAndHoldsNoOldText) {
    if (!Installed("Xvfb") || !Installed("xdotool")) GTEST_SKIP() << "Xvfb and xdotool are not installed";
    VirtualDisplay display;
    if (display.Name().empty()) GTEST_SKIP() << "no virtual display";
    test::TempDir dir;
    std::filesystem::copy(std::string(KESTRUNE_SOURCE_DIR) + "/game/data", dir.Path() + "/data",
                          std::filesystem::copy_options::recursive);
    std::filesystem::remove_all(dir.Path() + "/data/Saves");
    test::WriteFile("YConfig.cfg", "[COMMON]\nMOUSE_SPEED 1.0\n[VIDEO]\nSCREEN_WIDTH 640\nSCREEN_HEIGHT 480\n"
                                   "STATISTIC 0\n");
    Session run(dir.Path(), display.Name());
    Pointer& pointer = run.pointer;
    ASSERT_TRUE(ScreenShown("intro.txt"));
    ASSERT_TRUE(pointer.Home()) << "no program window on " << display.Name();
    pointer.Key("Escape");
    ASSERT_TRUE(ScreenShown("main_menu.txt"));
    Pointer::Pause(500);
    // "New game" (200, 170), then "Start" (430, 420) on the briefing: the mission bar.
    pointer.Click(320, 192);
    ASSERT_TRUE(ScreenShown("briefing.txt"));
    Pointer::Pause(500);
    pointer.Click(505, 438);
    ASSERT_TRUE(ScreenShown("hud.txt"));
    ASSERT_TRUE(LogHas("Mission: Proving Ground: destroy every enemy."));
    Pointer::Pause(500);

    // The ` key opens the line at the top (0, 0, 640 x 28). With the pointer over it, a word
    // and Enter; then the next word and Enter with the pointer where it was.
    pointer.Key("grave");
    pointer.MoveTo(200, 14);
    pointer.Type("help");
    pointer.Key("Return");
    ASSERT_TRUE(LogHas("\nconsole: help\n"));
    EXPECT_TRUE(LogHas("console: the words are help; status; repair; win; lose;"));
    pointer.Type("status");
    pointer.Key("Return");
    EXPECT_TRUE(LogHas("\nconsole: status\n"));
    EXPECT_TRUE(LogHas("Mission: 2 droids on the field, "));
    // A third with the pointer away from the line, over the game (no click).
    pointer.MoveTo(320, 300);
    pointer.Type("status");
    pointer.Key("Return");
    EXPECT_TRUE(LogHasTimes("\nconsole: status\n", 2));
    EXPECT_EQ(ConsoleLines(), (std::vector<std::string>{"help", "the words are help; status; repair; win; lose; "
                                                                "turn 1, turn -1; all <command> <params>; "
                                                                "name <script> <command> <params>",
                                                        "status", "status"}));

    // Escape closes the line and does not hold the game; the next Escape does.
    pointer.Key("Escape");
    Pointer::Pause(500);
    EXPECT_EQ(test::ReadFile("YLog.log").find("MAIN: pause on the mission screen"), std::string::npos);
    pointer.Key("Escape");
    ASSERT_TRUE(LogHas("MAIN: pause on the mission screen\n"));
    // "Quit to menu" (245, 262) asks first: No (330, 276) keeps the mission, Yes (160, 276)
    // leaves it.
    pointer.Click(320, 280);
    pointer.Click(405, 294);
    pointer.Click(320, 280);
    pointer.Click(235, 294);
    ASSERT_TRUE(LogHas("MAIN: quit_to_menu on the mission screen\n"));
    EXPECT_EQ(test::ReadFile("YLog.log").find("quit_to_menu"), test::ReadFile("YLog.log").rfind("quit_to_menu"));
    ASSERT_TRUE(ScreenShown("main_menu.txt", 2));
    Pointer::Pause(500);
    // "Quit" (200, 356) ends the program.
    pointer.Click(320, 378);
    EXPECT_EQ(run.program.Wait(kWait), 0);
    EXPECT_EQ(test::ReadFile("YLog.log").find("ERROR!!!"), std::string::npos);
}

}  // namespace
