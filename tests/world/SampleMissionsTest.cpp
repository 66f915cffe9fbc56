// The sample game's two missions, loaded from game/data as the game loads them: their
// floors and rooms, the doors, columns and shafts between them, and the objects the level
// files place (spawn pads, enemies of the enemy table, pickups, lifts, the exit), with their
// scripts run as at a mission's start.
#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <memory>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "LevelTestSupport.h"
#include "core/YCommandManager.h"
#include "core/YEvents.h"
#include "core/YLog.h"
#include "script/YScriptApi.h"
#include "world/YGameWorld.h"

namespace {

using leveltest::LogCount;

// What the test expects of one mission file.
struct Expected {
    const char* file;
    int number;
    const char* name;
    int roomRows, roomColumns;
    std::vector<int> roomsPerFloor;
    int enemies;
    bool exit;
};

void PrintTo(const Expected& e, std::ostream* out) { *out << e.file; }

bool Flag(CYComplexObject* object, const char* flag) { return object->ScriptHandler().flagParams[flag]; }

// The word a level object's name begins with ("crawler2" -> "crawler").
std::string Kind(CYComplexObject* object) {
    const std::string& name = object->ScriptHandler().Name();
    size_t n = 0;
    while (n < name.size() && std::isalpha(static_cast<unsigned char>(name[n]))) ++n;
    return name.substr(0, n);
}

class SampleMissionsTest : public ::testing::TestWithParam<Expected> {
protected:
    void SetUp() override {
        const std::string data = std::string(KESTRUNE_SOURCE_DIR) + "/game/data";
        if (!test::FileExists(data + "/meshes/pad.a3d") || !test::FileExists(data + "/meshes/droids.a3d"))
            GTEST_SKIP() << "sample content not made";
        std::filesystem::create_directory_symlink(data, "data");
        StartLog();
        LoadCommands();
        g_registerScriptFunctions = RegisterScriptFunctions;
        world_ = std::make_unique<CYGameWorld>();
        world_->Init();
    }
    void TearDown() override {
        world_.reset();
        g_registerScriptFunctions = nullptr;
        DestroyCommands();
        PurgeUnsubscribedEvents();
        std::filesystem::remove("data");
    }

    test::TempDir dir_;
    std::unique_ptr<CYGameWorld> world_;
};

TEST_P(SampleMissionsTest, MissionLoadsItsFloorsRoomsAndObjectsCleanly) {
    const Expected& e = GetParam();
    ASSERT_GE(world_->LoadMission(std::string("data\\missions\\") + e.file, e.number), 0);
    EXPECT_EQ(world_->MissionName(), e.name);
    EXPECT_FALSE(world_->MissionBriefing().empty());
    ASSERT_EQ(world_->Floors().size(), e.roomsPerFloor.size());
    EXPECT_GE(e.roomsPerFloor.size(), 2u);

    int spawns = 0, enemies = 0, exits = 0, lifts = 0, shafts = 0;
    std::set<std::string> enemyNames;
    for (size_t f = 0; f < world_->Floors().size(); ++f) {
        const CYLevel* level = world_->Floors()[f].get();
        ASSERT_EQ(level->RoomRows(), e.roomRows);
        ASSERT_EQ(level->RoomColumns(), e.roomColumns);
        int rooms = 0, doors = 0, columns = 0;
        for (int r = 0; r < level->Rows(); ++r)
            for (int c = 0; c < level->Columns(); ++c) {
                const CYComplexObject* cell = level->ObjectAtCell(r, c);
                if (cell && cell->GetName() == "wallDoor") ++doors;
                if (cell && cell->GetName() == "column") ++columns;
            }
        EXPECT_GE(doors, 2) << "floor " << f;
        EXPECT_GE(columns, 4) << "floor " << f;
        for (int i = 0; i < e.roomRows; ++i)
            for (int j = 0; j < e.roomColumns; ++j) {
                const CYRoom* room = level->RoomAtIndex(i, j);
                if (!room) continue;
                ++rooms;
                // A shaft leads down into a room of the floor below.
                if (room->FloorType() >= 2) {
                    ++shafts;
                    ASSERT_GT(f, 0u) << "a shaft on the lowest floor";
                    EXPECT_NE(world_->Floors()[f - 1]->RoomAtIndex(i, j), nullptr) << "no room under the shaft";
                }
                for (CYComplexObject* object : room->DynamicObjects()) {
                    if (Flag(object, "isSpawn")) ++spawns;
                    if (Flag(object, "isExit")) ++exits;
                    if (Kind(object) == "lift") ++lifts;
                    if (Flag(object, "isEnemy")) {
                        ++enemies;
                        EXPECT_NE(world_->GameData().enemies.Find(Kind(object)), nullptr) << Kind(object);
                        EXPECT_TRUE(enemyNames.insert(object->ScriptHandler().Name()).second) << "names repeat";
                    }
                }
            }
        EXPECT_EQ(rooms, e.roomsPerFloor[f]) << "floor " << f;
    }
    // Room for a full squad on the pads, a way up for every way down.
    EXPECT_GE(spawns, 6);
    EXPECT_EQ(enemies, e.enemies);
    EXPECT_EQ(exits, e.exit ? 1 : 0);
    EXPECT_GE(shafts, 1);
    EXPECT_GE(lifts, 1);
    // No droid of the level's own: the player's are deployed on the spawn pads.
    EXPECT_EQ(world_->GetCurrentDroid(), nullptr);
    for (const char* error : {"Error in", "ERROR", "Undefined mesh object", "Cannot load", "not found"})
        EXPECT_EQ(LogCount(error), 0) << error;
}

TEST_P(SampleMissionsTest, EveryRoomOfAFloorCanBeReachedFromAnyOther) {
    const Expected& e = GetParam();
    ASSERT_GE(world_->LoadMission(std::string("data\\missions\\") + e.file, e.number), 0);
    for (const auto& floor : world_->Floors()) {
        CYLevel* level = floor.get();
        std::vector<CYRoom*> rooms;
        for (int i = 0; i < e.roomRows; ++i)
            for (int j = 0; j < e.roomColumns; ++j)
                if (CYRoom* room = level->RoomAtIndex(i, j)) rooms.push_back(room);
        ASSERT_FALSE(rooms.empty());
        const math::Vec3 from(rooms.front()->GetCentre().x, rooms.front()->GetCentre().y, level->GetZ());
        level->UpdateLitRooms(from);
        level->Update(0.0);
        EXPECT_EQ(level->ActiveRooms().size(), rooms.size()) << "floor at " << level->GetZ();
    }
}


// One frame of the game as the main loop runs it: the frame's start (pending objects join,
// deleted ones go), then the world's update.
void Frame(CYGameWorld& world, double seconds) {
    SendEvent(YEVENT_FRAME, 0, 0);
    world.Update(seconds);
}

// The mission script deploys a new game's two standard droids onto the spawn pads of the
// first room when the mission starts, keeps them as the state to save, and a droid sent to
// another room walks there along the path finder's ways.
TEST_F(SampleMissionsTest, StartDeploysTheSquadOnThePadsAndADroidWalksToTheNextRoom) {
    ASSERT_GE(world_->LoadMission("data\\missions\\mission1.txt", 1), 0);
    world_->SetInterfaceMode(false);
    g_commandManager->SendCommandByName("GameWorld", "start_mission", "");
    for (int i = 0; i < 3; ++i) Frame(*world_, 0.02);

    ASSERT_NE(world_->GetDroidSlot(0), nullptr);
    ASSERT_NE(world_->GetDroidSlot(1), nullptr);
    EXPECT_EQ(world_->GetDroidSlot(2), nullptr);
    EXPECT_EQ(world_->GetCurrentDroid(), world_->GetDroidSlot(0));
    EXPECT_EQ(world_->Rosters().Live().size(), 2u);
    EXPECT_EQ(world_->Rosters().Fixed().size(), 2u);
    const CYRoom* hall = world_->Floors()[0]->RoomAtIndex(0, 0);
    std::set<const CYComplexObject*> padsTaken;
    for (int slot = 0; slot < 2; ++slot) {
        CYComplexObject* droid = world_->GetDroidSlot(slot);
        EXPECT_TRUE(Flag(droid, "isDroid"));
        for (CYComplexObject* pad : hall->DynamicObjects())
            if (Flag(pad, "isSpawn") && pad->GetPosition() == droid->GetPosition()) padsTaken.insert(pad);
    }
    EXPECT_EQ(padsTaken.size(), 2u);  // one pad each

    // Into room 1,0 through the doorway between them, with the enemy there left asleep.
    world_->ScriptHandler().textParams["state"] = "waiting";
    CYComplexObject* droid = world_->GetDroidSlot(1);
    g_commandManager->SendCommandByPointer(droid, "goto", "12.0,4.0");
    for (int i = 0; i < 1500 && droid->GetPosition().x < 11.7f; ++i) Frame(*world_, 0.02);
    EXPECT_NEAR(droid->GetPosition().x, 12.0f, 0.35f);
    EXPECT_NEAR(droid->GetPosition().y, 4.0f, 0.35f);
    EXPECT_EQ(LogCount("ERROR"), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Sample, SampleMissionsTest,
    ::testing::Values(Expected{"mission1.txt", 1, "Proving Ground", 2, 3, {5, 3}, 5, false},
                      Expected{"mission2.txt", 2, "Foundry", 3, 3, {9, 5}, 10, true}),
    [](const ::testing::TestParamInfo<Expected>& info) { return std::string("mission") + std::to_string(info.param.number); });

}  // namespace
