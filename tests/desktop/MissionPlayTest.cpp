// The sample game's first mission in the real program on a virtual X display, played as a
// player plays it: real clicks and keys, the console line for the orders a test needs. The
// mission is the game's own, changed only where a test needs a quiet field: crates stand
// where the enemies stood, and the droids land where the test wants them (the spawn pads of
// the hall are left out and pads are added to the room the test names).
// The scripts write what they hear and the steps they take to the log, which the tests read.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <string>

#include "desktop/DesktopSupport.h"

namespace {

using namespace desktop;

const std::string kMission = "data/missions/mission1.txt";

// A spawn pad at (x, y) from its room's centre.
std::string Pad(const std::string& name, const std::string& position) {
    return "[object]\nfile = spawn.adf\nposition = " + position + "\nangle = 0\nname = " + name + "\n";
}

// Every object entry of the file with the description, up to the marker, loses its
// position line: the level drops such an entry.
void DropEntries(std::string& mission, const std::string& file, const std::string& until) {
    for (size_t at = mission.find("file = " + file); at != std::string::npos && at < mission.find(until);
         at = mission.find("file = " + file, at + 1)) {
        const size_t key = mission.find("position =", at);
        if (key != std::string::npos) mission.replace(key, 8, "place___");
    }
}

class MissionPlay : public DesktopTest {
protected:
    void SetUp() override {
        DesktopTest::SetUp();
        if (IsSkipped()) return;
    }

    // The mission with crates for enemies; the hall's first pad kept when asked; pads added
    // to the room ("1, 0") of the ground floor.
    void Field(bool hallPad, const std::string& room, const std::string& pads) {
        std::string mission = test::ReadFile(kMission);
        for (const char* enemy : {"crawler.adf", "turret.adf", "sentinel.adf"})
            for (size_t at = mission.find(enemy); at != std::string::npos; at = mission.find(enemy))
                mission.replace(at, std::string(enemy).size(), "crate.adf");
        const size_t hall = mission.find("// room 0, 0");
        DropEntries(mission, "spawn.adf", "// room 1, 0");
        if (hallPad) mission.replace(mission.find("place___", hall), 8, "position");
        const std::string block = "// room " + room + "\n[floor]\ntype = 1\ntexture = floor.png\n";
        ASSERT_NE(mission.find(block), std::string::npos) << block;
        mission.replace(mission.find(block), block.size(), block + pads);
        test::WriteFile(kMission, mission);
    }

    // The program with a fresh log, from the intro through "New game" and the briefing's
    // "Start" into the mission.
    void Play() {
        StartToMenu();
        if (HasFatalFailure()) return;
        run_->pointer.Click(320, 192);  // "New game"
        ASSERT_TRUE(LogHas("MAIN: new_game on the menu screen\n"));
        ASSERT_TRUE(LogHas("Parsing interface file - data\\interface\\Data\\briefing.txt ----------------- finished"));
        Pointer::Pause(500);
        run_->pointer.Click(505, 438);  // "Start"
        ASSERT_TRUE(LogHas("MAIN: start on the briefing screen\n"));
        ASSERT_TRUE(LogHas("Mission: Proving Ground: "));
        // The camera settles on the current droid's room.
        Pointer::Pause(3000);
    }

    // A line typed into the console: the ` key opens it, the line takes keys while the
    // pointer is over it, and Enter sends it; the pointer leaves it and ` closes it again.
    void Console(const std::string& line) {
        run_->pointer.Key("grave");
        run_->pointer.MoveTo(200, 14);
        run_->pointer.Type(line);
        run_->pointer.Key("Return");
        ASSERT_TRUE(LogHasTimes("console: " + line + "\n", ++lines_[line]));
        run_->pointer.MoveTo(200, 100);
        run_->pointer.Key("grave");
    }

    void Quit() {
        if (!run_) return;
        run_->program.Signal(SIGTERM);
        EXPECT_EQ(run_->program.Wait(kWait), 0);
        const std::string log = test::ReadFile("YLog.log");
        EXPECT_EQ(log.find("ERROR!!!"), std::string::npos) << log;
    }

    std::map<std::string, size_t> lines_;
};

// The text after the last occurrence of the marker, up to the end of its line.
std::string LastLineAfter(const std::string& marker) {
    const std::string log = test::ReadFile("YLog.log");
    const size_t at = log.rfind(marker);
    if (at == std::string::npos) return "";
    const size_t from = at + marker.size();
    return log.substr(from, log.find('\n', from) - from);
}

TEST_F(MissionPlay, WhenTheCurrentDroidIsDestroyedTheViewFramesTheNextDroidsRoom) {
    // The first droid lands in the hall (0, 0), the second in room (1, 0).
    Field(true, "1, 0", Pad("spawn7", "2.6, 1.9"));
    Play();
    if (HasFatalFailure()) return;
    ASSERT_TRUE(LogHas("Camera: framing room 0,0 of floor 0;"));

    Console("name GameWorld destroy_droid");
    ASSERT_TRUE(LogHas(" was destroyed.\n"));
    // The other droid is current, and the camera looks into its room.
    ASSERT_TRUE(LogHas("Camera: framing room 1,0 of floor 0;"));
    EXPECT_NE(LastLineAfter("Camera: framing room 1,0 of floor 0;").find("stands in room 1,0"), std::string::npos);
    Pointer::Pause(1500);
    const std::string log = test::ReadFile("YLog.log");
    EXPECT_EQ(log.find("mission failed"), std::string::npos);

    // Destroyed too, it leaves none: the mission fails.
    Console("name GameWorld destroy_droid");
    EXPECT_TRUE(LogHas("Every droid was destroyed: mission failed."));
    EXPECT_TRUE(LogHas("MAIN: mission_failed on the mission screen\n"));
    Quit();
}

// A data chip on the floor where the click below lands.
const std::string kChipThere = "[object]\nfile = chip.adf\nposition = -3.3, 3.4\nangle = 0\nname = chip9\n";

TEST_F(MissionPlay, AClickBeyondTheHiddenNearWallGoesToTheFloorSeenThere) {
    // The droid stands in room (1, 0); the wall toward the hall, on the camera's side, is
    // cut away. A click low on the right of the view, on the floor just inside the room
    // beyond that wall's place, sends the droid there, not to the hidden wall.
    Field(false, "1, 0", Pad("spawn7", "2.6, 1.9") + kChipThere);
    Play();
    if (HasFatalFailure()) return;
    // The mission bar names the room's doors as the view shows them: the doorway to room
    // (1, 1) on the right, the one to the hall behind, under the cut-away wall.
    EXPECT_TRUE(LogHas("Camera: Doors: right, behind\n"));
    run_->pointer.Click(480, 330);
    ASSERT_TRUE(LogHas(" goes to "));
    const std::string target = LastLineAfter(" goes to ");
    float x = 0, y = 0;
    ASSERT_EQ(std::sscanf(target.c_str(), "%f,%f", &x, &y), 2) << target;
    EXPECT_GT(x, 8.25f) << "the point lies in room (1, 0), beyond the wall toward the hall: " << target;
    EXPECT_LT(x, 12.375f) << target;
    EXPECT_GT(y, 4.125f) << target;
    EXPECT_LT(y, 8.25f) << target;
    // A data chip lies there: the droid picks it up.
    EXPECT_TRUE(test::Program::WaitForText("YLog.log", "Mission: Data chip: +50 points.", 60.0));
    Quit();
}

TEST_F(MissionPlay, ADroidSentToTheChipOfRoom11FindsItsWayRoundTheBarrels) {
    // From the near corner of room (1, 1) to the data chip in its far corner, behind two
    // barrels that stand close to the wall and a crate in the middle of the room: round the
    // barrels on the room's side, not through the gap between them and the wall.
    Field(false, "1, 1", Pad("spawn7", "3.1, -2.9"));
    Play();
    if (HasFatalFailure()) return;
    Console("name droid goto 15.375,15.375");
    EXPECT_TRUE(test::Program::WaitForText("YLog.log", "Mission: Data chip: +50 points.", 90.0));
    Quit();
}

TEST_F(MissionPlay, ARepairKitWaitsForADroidThatNeedsIt) {
    // The one droid lands beside the repair kit of room (1, 0) (2.6, 2.6 from its centre),
    // touching it, with its armour full: the kit stays. A graze the mission bar still shows
    // as 100% (0.5 of the 160 a scout takes) leaves it too. Hit hard, the droid takes it.
    Field(false, "1, 0", Pad("spawn7", "2.6, 2.3"));
    Play();
    if (HasFatalFailure()) return;
    Console("name droid hit 0.5,");
    Pointer::Pause(2000);
    // The mission writes the kit's news as a "Mission: " line.
    EXPECT_EQ(LastLineAfter("Mission: ").find("epair"), std::string::npos) << "used at full armour";
    Console("name droid hit 40,");
    EXPECT_TRUE(LogHas("Mission: Repair kit: Alpha's armour up from 75% to 100%.\n"));
    Quit();
}

TEST_F(MissionPlay, ADroidsShieldTakesTheFirstDamageAndItsRepairKitWorksOnceAtHalfArmour) {
    // The squad's scouts carry a Field shield (50) and a Repair kit (40 over 10 s); a scout
    // takes 160 from full armour to none.
    std::string droids = test::ReadFile("data/GameData/droid.dat");
    const std::string scout = "scout\tScout\t1\tchariot\tchainmail\tthunder\t1";
    ASSERT_NE(droids.find(scout), std::string::npos);
    droids.replace(droids.find(scout), scout.size(), scout + "\tshield\trepair");
    test::WriteFile("data/GameData/droid.dat", droids);
    Field(false, "1, 0", Pad("spawn7", "-2.6, -2.3"));
    Play();
    if (HasFatalFailure()) return;
    Console("name droid hit 40,");
    Pointer::Pause(1000);
    const std::string log = test::ReadFile("YLog.log");
    EXPECT_EQ(log.find("field shield fails"), std::string::npos) << "the shield held 40 of its 50";
    EXPECT_EQ(log.find("repair kit"), std::string::npos) << "the armour is full";
    // 10 more the shield takes, 90 the armour: 70 of 160 left, under half.
    Console("name droid hit 100,");
    EXPECT_TRUE(LogHas("Droid: Alpha's field shield fails\n"));
    EXPECT_TRUE(LogHas("Mission: Alpha's repair kit sets to work\n"));
    // 40 more over 10 seconds: 110 of 160.
    EXPECT_TRUE(test::Program::WaitForText("YLog.log", "Droid: Alpha's repair kit is spent, armour 69%\n", 20.0));
    // Once a mission: another fall to half sets nothing to work.
    Console("name droid hit 40,");
    Pointer::Pause(1500);
    const std::string after = test::ReadFile("YLog.log");
    EXPECT_EQ(after.find("repair kit sets to work"), after.rfind("repair kit sets to work"));
    Quit();
}

}  // namespace
