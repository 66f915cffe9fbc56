// The sample game's second mission won in the real program on a virtual X display with
// what a player does: purchases in the shop with the points of the first mission, then
// clicks on the floor and the camera keys, no console word.
//
// The points reach the shop the way a player's do: a save holds the start of the first
// mission with the points its enemies pay (their rewards in the enemy table, counted from
// the mission file: what destroying them all yields, with no data chip picked up); the first
// mission is ended from the console, which pays nothing more, so the shop that follows holds
// exactly the points the first mission yields. From the shop on, the test only clicks.
//
// Where a click lands: the camera looks at an anchor 8 units away, 45 degrees down, with a
// 60 degree vertical field of view over the 4:3 interface; the anchor stands 1.4 units
// before the centre of the current droid's room along the view and halfway toward the droid
// across it (mainCamera.lua). The droid script says where a droid stops and where a lift
// puts it, which tells the test where the view will settle.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "desktop/DesktopSupport.h"
#include "world/YSaveGame.h"

namespace {

using namespace desktop;

constexpr double kRoom = 8.25;
constexpr double kPi = 3.14159265358979;

// The points the enemies of a mission file pay: the reward column of the enemy table for
// every enemy object of the mission, found by its description ("crawler.adf").
int MissionRewards(const std::string& missionFile) {
    std::map<std::string, int> rewards;
    std::istringstream table(test::ReadFile("data/GameData/enemy.dat"));
    for (std::string line; std::getline(table, line);) {
        if (line.rfind("//", 0) == 0) continue;
        std::istringstream row(line);
        std::string key;
        double health = 0, armour = 0, damage = 0, speed = 0, sight = 0, reward = 0;
        if (row >> key >> health >> armour >> damage >> speed >> sight >> reward)
            rewards[key] = static_cast<int>(reward);
    }
    const std::string mission = test::ReadFile(missionFile);
    int total = 0;
    for (const auto& [kind, reward] : rewards)
        for (size_t at = mission.find("file = " + kind + ".adf"); at != std::string::npos;
             at = mission.find("file = " + kind + ".adf", at + 1))
            total += reward;
    return total;
}

// The point of the interface (640 x 480) under which a point of the floor lies, for the
// view along the heading of a droid standing at (x, y) on its floor.
struct View {
    double heading = 0;
    double droidX = 0, droidY = 0;

    // The camera's anchor: as mainCamera.lua places it.
    void Anchor(double* ax, double* ay) const {
        const double cx = (std::floor(droidX / kRoom) + 0.5) * kRoom, cy = (std::floor(droidY / kRoom) + 0.5) * kRoom;
        const double fx = std::cos(heading), fy = std::sin(heading);
        const double across = (droidX - cx) * -fy + (droidY - cy) * fx;
        *ax = cx - fx * 1.4 - fy * across * 0.5;
        *ay = cy - fy * 1.4 + fx * across * 0.5;
    }
    // False when the point lies outside the view above the mission bar.
    bool Screen(double x, double y, int* px, int* py) const {
        double ax = 0, ay = 0;
        Anchor(&ax, &ay);
        const double c = std::cos(heading), s = std::sin(heading), k = std::sqrt(0.5), height = 8 * k;
        const double ex = ax - c * height, ey = ay - s * height;
        const double rx = x - ex, ry = y - ey, rz = -height;
        const double ahead = (rx * c + ry * s) * k - rz * k;
        const double right = -rx * s + ry * c;
        const double up = (rx * c + ry * s) * k + rz * k;
        const double tanY = std::tan(kPi / 6), tanX = tanY * 4.0 / 3.0;
        const double u = (right / ahead / tanX + 1) / 2, v = (1 - up / ahead / tanY) / 2;
        *px = static_cast<int>(std::lround(u * 640)), *py = static_cast<int>(std::lround(v * 480));
        return ahead > 0 && *px > 8 && *px < 632 && *py > 8 && *py < 415;
    }
};

class Mission2 : public DesktopTest {
protected:
    void SetUp() override {
        DesktopTest::SetUp();
        if (IsSkipped()) return;
        points_ = MissionRewards("data/missions/mission1.txt");
    }

    // A save in the first slot: the start of the mission with the points and the droids.
    static void Save(int mission, int points, const std::vector<std::pair<std::string, std::string>>& droids) {
        YSaveGame save;
        save.name = "Start of mission " + std::to_string(mission) + ", " + std::to_string(points) + " points";
        save.lastLevel = mission;
        save.fixedScore = points;
        for (const auto& [name, weapon] : droids) {
            // A scout as the shop sells it, with the weapon given.
            CYDroidRecord scout;
            scout.name = name;
            scout.unlockLevel = 1;
            scout.chassis = "chariot";
            scout.armor = "chainmail";
            scout.weapon = weapon;
            scout.weaponsCount = 1;
            save.roster.push_back(scout);
        }
        const std::vector<uint8_t> bytes = EncodeSaveGame(save);
        std::filesystem::create_directories("data/Saves");
        std::ofstream("data/Saves/save1.sav", std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }

    // The program from the intro through "Load game" and the first slot to the briefing of
    // the saved mission, and its "Start".
    void LoadAndStart(const std::string& missionName, const std::string& room = "0,0") {
        StartToMenu();
        if (HasFatalFailure()) return;
        run_->pointer.Click(320, 254);  // "Load game"
        ASSERT_TRUE(ScreenShown("saves.txt"));
        Pointer::Pause(500);
        run_->pointer.Click(320, 178);  // the first slot
        ASSERT_TRUE(LogHas("MAIN: load_slot on the saves screen\n"));
        ASSERT_TRUE(ScreenShown("briefing.txt"));
        Pointer::Pause(500);
        run_->pointer.Click(505, 438);  // "Start"
        ASSERT_TRUE(LogHas("Mission: " + missionName + ": "));
        ASSERT_TRUE(LogHas("Camera: framing room " + room + " of floor 0; Alpha stands in room " + room));
        Pointer::Pause(2000);
    }

    void Quit() {
        if (!run_) return;
        run_->program.Signal(SIGTERM);
        EXPECT_EQ(run_->program.Wait(kWait), 0);
        EXPECT_EQ(test::ReadFile("YLog.log").find("ERROR!!!"), std::string::npos);
    }

    // A click on the floor point; the droid's stop there is awaited.
    void GoTo(const std::string& droid, double x, double y, double seconds = 60) {
        int px = 0, py = 0;
        ASSERT_TRUE(view_.Screen(x, y, &px, &py)) << x << "," << y << " is out of view: " << px << "," << py;
        const size_t stops = Count(droid + " stops at ");
        run_->pointer.Click(px, py);
        ASSERT_TRUE(LogHasTimes("Mission: " + droid + " goes to ", ++goes_[droid])) << "click at " << px << "," << py;
        const std::string to = LastLineAfter("Mission: " + droid + " goes to ");
        ASSERT_TRUE(WaitTimes("Droid: " + droid + " stops at ", stops + 1, seconds))
            << droid << " was sent to " << to << " (" << x << "," << y << ") and did not get there";
        Settle(LastLineAfter("Droid: " + droid + " stops at "));
    }

    // The view settles on the droid standing at the point "x,y".
    void Settle(const std::string& where) {
        ASSERT_EQ(std::sscanf(where.c_str(), "%lf,%lf", &view_.droidX, &view_.droidY), 2) << where;
        Pointer::Pause(1500);
    }

    // A quarter turn of the view to the left (Z), as a player turns it.
    void TurnLeft() {
        run_->pointer.Key("z");
        view_.heading += kPi / 2;
        Pointer::Pause(1500);
    }

    static size_t Count(const std::string& text) {
        const std::string log = test::ReadFile("YLog.log");
        size_t count = 0;
        for (size_t at = log.find(text); at != std::string::npos; at = log.find(text, at + 1)) ++count;
        return count;
    }
    static bool WaitTimes(const std::string& text, size_t n, double seconds) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
        do {
            if (Count(text) >= n) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        } while (std::chrono::steady_clock::now() < end);
        return false;
    }
    static std::string LastLineAfter(const std::string& marker) {
        const std::string log = test::ReadFile("YLog.log");
        const size_t at = log.rfind(marker);
        if (at == std::string::npos) return "";
        const size_t from = at + marker.size();
        return log.substr(from, log.find('\n', from) - from);
    }

    int points_ = 0;
    View view_;
    std::map<std::string, size_t> goes_;
};

TEST_F(Mission2, IsWonWithPurchasesAndClicksOnly) {
    // The first mission's start with the points it yields, ended at once from the console.
    ASSERT_GE(points_, 75) << "the steel shell costs 75 with the mesh plating traded in";
    Save(1, points_, {{"Alpha", "thunder"}, {"Bravo", "thunder"}});
    LoadAndStart("Proving Ground");
    if (HasFatalFailure()) return;
    run_->pointer.Key("grave");
    run_->pointer.MoveTo(200, 14);
    run_->pointer.Type("win");
    run_->pointer.Key("Return");
    ASSERT_TRUE(LogHas("console: win\n"));
    run_->pointer.MoveTo(200, 100);
    run_->pointer.Key("grave");
    ASSERT_TRUE(ScreenShown("results.txt"));
    Pointer::Pause(500);
    run_->pointer.Click(425, 418);  // "Continue"
    ASSERT_TRUE(ScreenShown("shop.txt"));
    Pointer::Pause(1000);

    // The shop: Alpha, chosen first, gets the steel shell (its mesh plating is traded in).
    run_->pointer.Click(465, 82);   // "Armour"
    run_->pointer.Click(465, 143);  // "Steel shell", the second cheapest
    run_->pointer.Click(358, 399);  // "Buy"
    Pointer::Pause(500);
    run_->pointer.Click(561, 450);  // "Continue"
    ASSERT_TRUE(LogHas("shop: done with 2 droids and " + std::to_string(points_ - 75) + " points\n"));
    ASSERT_TRUE(LogHas("MAIN: shop_done on the shop screen\n"));
    ASSERT_TRUE(ScreenShown("briefing.txt", 2));
    Pointer::Pause(500);
    run_->pointer.Click(505, 438);  // "Start"
    ASSERT_TRUE(LogHas("Mission: Foundry: "));
    ASSERT_TRUE(LogHas("Camera: framing room 0,0 of floor 0; Alpha stands in room 0,0"));
    Pointer::Pause(2000);

    // Alpha, from the landing hall's first pad, through the rooms ahead to the lift.
    Settle("1.525,1.525");
    GoTo("Alpha", 9.2, 4.125);
    GoTo("Alpha", 17.2, 4.125);
    const size_t rides = Count("Droid: Alpha rides up to floor 1 at ");
    GoTo("Alpha", 20.625, 6.185);
    ASSERT_TRUE(WaitTimes("Droid: Alpha rides up to floor 1 at ", rides + 1, 20));
    Settle(LastLineAfter("Droid: Alpha rides up to floor 1 at "));

    // Upstairs the way leads back south: the view turns round, and Alpha goes through the
    // two rooms to the exit pad of the south room.
    TurnLeft();
    TurnLeft();
    GoTo("Alpha", 15.7, 4.125);
    GoTo("Alpha", 7.5, 4.125);
    GoTo("Alpha", 4.125, 9.2);
    int px = 0, py = 0;
    ASSERT_TRUE(view_.Screen(4.125, 14.375, &px, &py)) << px << "," << py;
    run_->pointer.Click(px, py);
    EXPECT_TRUE(test::Program::WaitForText("YLog.log", "reached the exit: mission complete!", 60));
    EXPECT_TRUE(LogHas("MAIN: mission_complete on the mission screen\n"));
    const std::string log = test::ReadFile("YLog.log");
    EXPECT_EQ(log.find("console: ", log.find("Mission: Foundry: ")), std::string::npos) << "no console word";

    Quit();
}

// A crawler stands where the droid is sent, and stays there shooting at the droid it sees:
// no way leads there, and the droid under fire, carrying the flamer of the report, closes
// in and fights it at once rather than standing until its order gives up.
TEST_F(Mission2, ADroidHeldUpByAnEnemyOnItsWayFightsItAtOnce) {
    std::string mission = test::ReadFile("data/missions/mission2.txt");
    // The droid lands in room (1, 0), the hall's pads left out (an entry without a position
    // is dropped); the room's crawler stands between the droid and the hall's door, out of
    // the flamer's reach, and the crawler of the room to the right of the hall is a crate,
    // so that only the one in the way fights.
    const size_t rooms = mission.find("// room 1, 0");
    for (size_t at = mission.find("file = spawn.adf"); at < rooms; at = mission.find("file = spawn.adf", at + 1))
        mission.replace(mission.find("position =", at), 8, "place___");
    const std::string crawler2 = "file = crawler.adf\nposition = 0.5, 1.5\nangle = 270\nname = crawler2\n";
    const std::string crawler1 = "file = crawler.adf\nposition = 1.5, 0.5\n";
    ASSERT_NE(mission.find(crawler2), std::string::npos);
    ASSERT_NE(mission.find(crawler1), std::string::npos);
    mission.replace(mission.find(crawler2), crawler2.size(),
                    "file = crawler.adf\nposition = -2.875, 0.0\nangle = 0\nname = crawler2\n[object]\n"
                    "file = spawn.adf\nposition = 2.0, 0.0\nangle = 0\nname = spawn7\n");
    mission.replace(mission.find(crawler1), crawler1.size(), "file = crate.adf\nposition = 1.5, 0.5\n");
    test::WriteFile("data/missions/mission2.txt", mission);
    Save(2, 0, {{"Alpha", "burn"}});
    LoadAndStart("Foundry", "1,0");
    if (HasFatalFailure()) return;

    // To the floor just beside the crawler, on the side of the hall's door.
    Settle("14.375,4.125");
    int px = 0, py = 0;
    ASSERT_TRUE(view_.Screen(8.85, 4.6, &px, &py)) << px << "," << py;
    run_->pointer.Click(px, py);
    ASSERT_TRUE(LogHas("Mission: Alpha goes to "));
    const auto sent = std::chrono::steady_clock::now();
    // Closing in and the fight take a few seconds. A droid that waited for its order to give
    // up stood under fire for ten, and then out of its flamer's reach for good.
    ASSERT_TRUE(test::Program::WaitForText("YLog.log", "Mission: crawler destroyed", 40));
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - sent).count();
    EXPECT_LT(seconds, 12.0) << "the crawler in the way was destroyed only after " << seconds << " s";
    // With the crawler gone the droid goes on to where it was sent.
    EXPECT_TRUE(test::Program::WaitForText("YLog.log", "Droid: Alpha stops at ", 20));
    Quit();
}

}  // namespace
