// Levels: the grid a level file builds (walls, columns, rooms, room and edge objects),
// the lit rooms and the passage map, collision and ray queries, drawing by visibility,
// forgetting objects, and hostile level files.
#include "world/YLevel.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <memory>

#include "LevelTestSupport.h"
#include "core/YTextParser.h"
#include "render/YCamera.h"
#include "world/YLevelFile.h"

using namespace leveltest;

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

class LevelTest : public ::testing::Test {
protected:
    void SetUp() override { WriteTemplates(); }
    void TearDown() override {
        world_.Clear();
        level_.reset();
    }
    // Loads a level of the size from the text; the result of Load.
    HRESULT Load(int roomRows, int roomColumns, const std::string& text) {
        text_ = text;
        level_ = std::make_unique<CYLevel>(&world_, roomRows, roomColumns);
        world_.level = level_.get();
        CYTextParser parser(text_.data(), static_cast<uint32_t>(text_.size()));
        return level_->Load(&parser, 0.0f);
    }
    HRESULT LoadGrid(int roomRows, int roomColumns, std::function<int(int, int)> wall,
                     std::function<std::string(int, int)> room = nullptr) {
        if (!room) room = [](int, int) { return RoomBlock(1); };
        return Load(roomRows, roomColumns, LevelText(roomRows, roomColumns, wall, room));
    }

    test::TempDir dir_;
    FakeWorld world_;
    std::unique_ptr<CYLevel> level_;
    std::string text_;
};

// ---- Building the grid -----------------------------------------------------------------------

TEST_F(LevelTest, OneRoomLevelReadsItsWallsColumnByColumnAndPlacesColumnsOnlyBesideWalls) {
    // Cells (1, 0), (0, 1), (2, 1), (1, 2) in the file's order: wall, none, door wall, wall.
    const std::string text = WallBlock(1, "a.tga", "b.tga") + WallBlock(0) + WallBlock(2) + WallBlock(1) +
                             RoomBlock(1);
    ASSERT_EQ(Load(1, 1, text), S_OK);
    EXPECT_EQ(level_->Rows(), 3);
    EXPECT_EQ(level_->Columns(), 3);
    CYComplexObject* low = level_->ObjectAtCell(1, 0);
    ASSERT_NE(low, nullptr);
    EXPECT_EQ(low->GetName(), "wall");
    EXPECT_NEAR(low->Position().x, 4.125f, 1e-5f);
    EXPECT_NEAR(low->GetHeading(), 1.5707964f, 1e-6f);  // between rooms of a row: turned
    EXPECT_EQ(TextureOf(low, "right", 0), "b.tga");
    EXPECT_EQ(TextureOf(low, "left", 1), "light3.tga");  // faces the outside
    EXPECT_EQ(level_->ObjectAtCell(0, 1), nullptr);
    CYComplexObject* door = level_->ObjectAtCell(2, 1);
    ASSERT_NE(door, nullptr);
    EXPECT_EQ(door->GetName(), "wallDoor");
    EXPECT_NEAR(door->Position().y, 4.125f, 1e-5f);
    EXPECT_EQ(door->GetHeading(), 0.0f);
    EXPECT_EQ(TextureOf(door, "right", 1), "light3.tga");

    // Corner (0, 0) touches the wall (1, 0); corner (0, 2) touches only the missing wall
    // (0, 1) and the wall (1, 2).
    for (auto [r, c] : {std::pair{0, 0}, {2, 0}, {2, 2}, {0, 2}}) {
        CYComplexObject* column = level_->ObjectAtCell(r, c);
        ASSERT_NE(column, nullptr) << r << "," << c;
        EXPECT_EQ(column->GetName(), "column");
        EXPECT_NEAR(column->Position().x, 4.125f * r, 1e-5f);
    }
    CYRoom* room = level_->RoomAtCell(1, 1);
    ASSERT_NE(room, nullptr);
    EXPECT_EQ(level_->GetRoomAt(math::Vec3(1, 7, 0)), room);
    EXPECT_EQ(level_->GetRoomAt(math::Vec3(9, 1, 0)), nullptr);
    EXPECT_EQ(level_->GetRoomAt(math::Vec3(kNaN, 1, 0)), nullptr);
    EXPECT_EQ(level_->RoomAtCell(-1, 99), nullptr);
}

TEST_F(LevelTest, TurnedWallsColumnsAndFloorHolesAreAnnouncedAsMoving) {
    // 1 x 2 rooms, every wall type 1; room (1, 1) has a plain floor, room (1, 3) a hole.
    ASSERT_EQ(LoadGrid(1, 2, [](int, int) { return 1; },
                       [](int, int c) { return RoomBlock(c == 1 ? 1 : 3); }),
              S_OK);
    std::vector<CYComplexObject*> expected;
    for (int c = 0; c < 5; c += 2) expected.push_back(level_->ObjectAtCell(1, c));  // between rooms of a row
    for (int r = 0; r < 3; r += 2)
        for (int c = 0; c < 5; c += 2) expected.push_back(level_->ObjectAtCell(r, c));  // columns
    expected.push_back(level_->RoomAtCell(1, 3)->GetFloorObject());
    std::vector<CYComplexObject*> moving = world_.moving;
    std::sort(moving.begin(), moving.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(moving, expected);  // the walls along rows keep their heading and are not announced
}

TEST_F(LevelTest, CornerWithoutWallsGetsNoColumnAndTypeZeroRoomDarkensTheWallsFacingIt) {
    // 1 x 2 rooms; no walls except the one between the rooms; the second room is type 0
    // and its object entry is skipped.
    const std::string text =
        LevelText(1, 2, [](int r, int c) { return (r == 1 && c == 2) ? 1 : 0; },
                  [](int, int c) { return c == 1 ? RoomBlock(1) : RoomBlock(0, Entry("box.adf", "0, 0", "x")); });
    ASSERT_EQ(Load(1, 2, text), S_OK);
    EXPECT_EQ(level_->ObjectAtCell(0, 0), nullptr);
    EXPECT_EQ(level_->ObjectAtCell(2, 4), nullptr);
    EXPECT_NE(level_->ObjectAtCell(0, 2), nullptr);
    EXPECT_NE(level_->ObjectAtCell(2, 2), nullptr);
    EXPECT_EQ(level_->RoomAtCell(1, 3), nullptr);
    CYComplexObject* wall = level_->ObjectAtCell(1, 2);
    EXPECT_EQ(TextureOf(wall, "right", 1), "light3.tga");
    EXPECT_EQ(TextureOf(wall, "left", 1), "");
    EXPECT_TRUE(world_.registered.empty());
    EXPECT_EQ(LogCount("without a floor skipped"), 1);
}

TEST_F(LevelTest, ObjectsWithinReachAreRoomObjectsAndFartherOnesStandOnTheRoomsSide) {
    const std::string entries = Entry("box.adf", "4.1, 0", "_inside") + Entry("door.adf", "4.2, 0", "door1", "90") +
                                Entry("box.adf", "0, -4.5") + "[object]\nfile = box.adf\nwhere = 1, 1\n" +
                                Entry("lightdroid.adf", "1, 1", "droid_a");
    ASSERT_EQ(LoadGrid(1, 1, [](int, int) { return 1; }, [&](int, int) { return RoomBlock(1, entries); }), S_OK);
    ASSERT_EQ(world_.registered.size(), 3u);  // the wrong position key dropped its entry
    EXPECT_EQ(world_.names, (std::vector<std::string>{"_inside", "door1", ""}));
    EXPECT_EQ(world_.droidNames, (std::vector<std::string>{"droid_a"}));
    CYRoom* room = level_->RoomAtCell(1, 1);
    CYComplexObject* inside = world_.registered[0];
    EXPECT_EQ(inside->GetRoom(), room);
    EXPECT_EQ(inside->ScriptHandler().Name(), "_inside");
    EXPECT_NEAR(inside->Position().x, 4.125f + 4.1f, 1e-5f);
    EXPECT_EQ(room->StaticObjects(), std::vector<CYComplexObject*>{inside});

    CYComplexObject* door = world_.registered[1];
    EXPECT_EQ(level_->EdgeObjectAtCell(2, 1), door);
    EXPECT_EQ(door->GetRoom(), nullptr);
    EXPECT_NEAR(door->Position().x, 4.125f + 4.2f, 1e-5f);
    EXPECT_NEAR(door->GetHeading(), 1.5707963f, 1e-5f);
    // Announced as moving by its first update and once more by the level.
    EXPECT_EQ(std::count(world_.moving.begin(), world_.moving.end(), door), 2);
    EXPECT_EQ(level_->EdgeObjectAtCell(1, 0), world_.registered[2]);
}

// ---- Lit rooms and passages ------------------------------------------------------------------

TEST_F(LevelTest, LitRoomsAreExactlyThoseReachableThroughDoorwaysAndOpenEdges) {
    // 1 x 3 rooms: room 0 - doorway - room 1 - plain wall - room 2.
    ASSERT_EQ(LoadGrid(1, 3, [](int r, int c) { return (r == 1 && c == 2) ? 2 : 1; }), S_OK);
    level_->UpdateLitRooms(math::Vec3(4, 4, 0));
    CYRoom* rooms[3] = {level_->RoomAtCell(1, 1), level_->RoomAtCell(1, 3), level_->RoomAtCell(1, 5)};
    EXPECT_TRUE(rooms[0]->IsLit());
    EXPECT_TRUE(rooms[1]->IsLit());
    EXPECT_FALSE(rooms[2]->IsLit());
    EXPECT_EQ(TextureOf(level_->ObjectAtCell(1, 4), "left", 1), "light2.tga");
    EXPECT_EQ(TextureOf(level_->ObjectAtCell(1, 4), "right", 1), "");
    EXPECT_EQ(level_->PendingRooms(), (std::vector<CYRoom*>{rooms[0], rooms[1]}));
    EXPECT_TRUE(level_->ActiveRooms().empty());
    level_->Update(0.0f);
    EXPECT_EQ(level_->ActiveRooms(), (std::vector<CYRoom*>{rooms[0], rooms[1]}));
    EXPECT_TRUE(level_->PendingRooms().empty());

    // The passage map: 3 bytes a room along x, 3 lines a room along y.
    const std::vector<uint8_t>& map = level_->PassageMap();
    ASSERT_EQ(map.size(), 27u);
    auto at = [&](int x, int y) { return map[static_cast<size_t>(y) * 3 + x]; };
    EXPECT_EQ(at(1, 1), 254);  // room 0's centre
    EXPECT_EQ(at(1, 2), 254);  // its doorway side
    EXPECT_EQ(at(1, 5), 255);  // the plain wall
    EXPECT_EQ(at(0, 0), 255);

    // Moving away: room 2 alone lights; rooms 0 and 1 and their walls go dark.
    level_->UpdateLitRooms(math::Vec3(4, 20, 0));
    EXPECT_FALSE(rooms[0]->IsLit());
    EXPECT_TRUE(rooms[2]->IsLit());
    EXPECT_EQ(TextureOf(level_->ObjectAtCell(1, 4), "left", 1), "light3.tga");
    EXPECT_EQ(TextureOf(rooms[0]->GetFloorObject(), "floor", 1), "light3.tga");
    level_->ResetRoomLights(1, 5);
    EXPECT_FALSE(rooms[2]->IsLit());
    level_->UpdateLitRooms(math::Vec3(kNaN, 0, 0));  // outside: nothing reachable
    EXPECT_TRUE(level_->PendingRooms().empty());
}

TEST_F(LevelTest, EdgeObjectBlocksThePassageUntilItIsOpened) {
    const std::string entries = Entry("door.adf", "0, 4.5", "gate");
    ASSERT_EQ(LoadGrid(1, 2, [](int r, int c) { return (r == 1 && c == 2) ? 0 : 1; },
                       [&](int, int c) { return RoomBlock(1, c == 1 ? entries : ""); }),
              S_OK);
    ASSERT_EQ(world_.registered.size(), 1u);
    CYComplexObject* gate = world_.registered[0];
    EXPECT_EQ(level_->EdgeObjectAtCell(1, 2), gate);
    EXPECT_FALSE(level_->IsPassable(1, 1, YSIDE_HIGH_COLUMN));
    EXPECT_FALSE(level_->IsPassable(1, 1, 7));
    level_->UpdateLitRooms(math::Vec3(4, 4, 0));
    EXPECT_FALSE(level_->RoomAtCell(1, 3)->IsLit());
    EXPECT_EQ(level_->PassageMap()[2 * 3 + 1], 255);
    EXPECT_EQ(level_->PendingEdgeObjects(), std::vector<CYComplexObject*>{gate});

    gate->ScriptHandler().flagParams["isOpened"] = true;
    EXPECT_TRUE(level_->IsPassable(1, 1, YSIDE_HIGH_COLUMN));
    level_->UpdateLitRooms(math::Vec3(4, 4, 0));
    EXPECT_TRUE(level_->RoomAtCell(1, 3)->IsLit());
    EXPECT_EQ(level_->PassageMap()[2 * 3 + 1], 254);
    // Both rooms list the gate; the active list takes it once.
    level_->Update(0.0f);
    EXPECT_EQ(level_->ActiveEdgeObjects(), std::vector<CYComplexObject*>{gate});

    // Forgotten before deletion: no list of the level keeps it.
    level_->ForgetObject(gate);
    EXPECT_EQ(level_->EdgeObjectAtCell(1, 2), nullptr);
    EXPECT_TRUE(level_->ActiveEdgeObjects().empty());
}

// ---- Collision and rays ----------------------------------------------------------------------

TEST_F(LevelTest, CollisionStopsAtWallsAndEdgeObjectsAndNothingOutsideTheGrid) {
    const std::string entries = Entry("door.adf", "0, 4.2", "gate") + Entry("box.adf", "-2, 0");
    ASSERT_EQ(LoadGrid(1, 2, [](int, int) { return 1; }, [&](int, int c) { return RoomBlock(1, c == 1 ? entries : ""); }),
              S_OK);
    const math::Vec3 centre(4.125f, 4.125f, 0.0f);
    float distance = 10.0f;
    math::Vec3 contact;
    CYObject* part = nullptr;
    // Toward +x: the outer wall at x = 8.25 - 0.125.
    EXPECT_TRUE(level_->CheckCollision(nullptr, centre, 0.5f, math::Vec3(1, 0, 0), &distance, &contact, &part));
    EXPECT_NEAR(distance, 8.125f - 4.125f - 0.5f, 1e-3f);
    ASSERT_NE(part, nullptr);
    EXPECT_EQ(part->GetName(), "left");
    // Toward +y: the gate (a box from y = 7.825) stands before the wall (1, 2).
    distance = 10.0f;
    EXPECT_TRUE(level_->CheckCollision(nullptr, centre, 0.5f, math::Vec3(0, 1, 0), &distance, &contact, &part));
    EXPECT_NEAR(distance, 7.825f - 4.125f - 0.5f, 1e-3f);
    EXPECT_EQ(part->GetName(), "box");
    // Toward -x: the room's box at x = 2.125.
    distance = 10.0f;
    EXPECT_TRUE(level_->CheckCollision(nullptr, centre, 0.5f, math::Vec3(-1, 0, 0), &distance, &contact, &part));
    EXPECT_NEAR(distance, 4.125f - 2.625f - 0.5f, 1e-3f);
    for (const math::Vec3& outside : {math::Vec3(kNaN, 1, 0), math::Vec3(-50, 1, 0), math::Vec3(1e30f, 1e30f, 0)}) {
        distance = 10.0f;
        EXPECT_FALSE(level_->CheckCollision(nullptr, outside, 0.5f, math::Vec3(1, 0, 0), &distance, &contact, &part));
        EXPECT_EQ(distance, 10.0f);
    }
}

TEST_F(LevelTest, RayWalksIntoTheNextRoomButNoFartherThanOneRoomSideFromItsOrigin) {
    // 1 x 3 rooms open between each other; a box at the near end of room 2 (y 17.125 to 18.125).
    const std::string far = Entry("box.adf", "0, -3");
    ASSERT_EQ(LoadGrid(1, 3, [](int r, int c) { return (r == 1 && (c == 2 || c == 4)) ? 0 : 1; },
                       [&](int, int c) { return RoomBlock(1, c == 5 ? far : ""); }),
              S_OK);
    math::Vec4 point;
    math::Plane plane;
    CYObject* hit = nullptr;
    const math::Vec4 along{0, 1, 0, 1};
    // From room 1: room 2 begins 4.5 away, and the box 5.125 away.
    float distance = 100.0f;
    EXPECT_TRUE(level_->CrossRay(math::Vec4{4.125f, 12.0f, 0.5f, 1}, along, &point, &distance, &hit, &plane));
    EXPECT_NEAR(distance, 5.125f, 1e-3f);
    ASSERT_NE(hit, nullptr);
    EXPECT_EQ(hit->GetName(), "box");
    // From room 0: room 2 begins 10.5 away, so the walk ends before it.
    distance = 100.0f;
    EXPECT_FALSE(level_->CrossRay(math::Vec4{4.125f, 6.0f, 0.5f, 1}, along, &point, &distance, &hit, &plane));
    // A zero distance never hits; origins outside the grid or not numbers hit nothing.
    distance = 0.0f;
    EXPECT_FALSE(level_->CrossRay(math::Vec4{4.125f, 12.0f, 0.5f, 1}, along, &point, &distance, &hit, &plane));
    distance = 100.0f;
    EXPECT_FALSE(level_->CrossRay(math::Vec4{kNaN, 12.0f, 0.5f, 1}, along, &point, &distance, &hit, &plane));
    EXPECT_FALSE(level_->CrossRayFromCell(-1, 1, math::Vec4{4, 4, 0, 1}, along, &point, &distance, &hit, &plane));
    EXPECT_FALSE(level_->CrossRayFromCell(1, 99, math::Vec4{4, 4, 0, 1}, along, &point, &distance, &hit, &plane));
    // Straight down onto the floor of room 0.
    distance = 100.0f;
    EXPECT_TRUE(level_->CrossRay(math::Vec4{4, 4, 1, 1}, math::Vec4{0, 0, -1, 1}, &point, &distance, &hit, &plane));
    EXPECT_NEAR(distance, 1.0f, 1e-3f);
    EXPECT_EQ(hit->GetName(), "floor");
}

// ---- Drawing ---------------------------------------------------------------------------------

TEST_F(LevelTest, RoomsInViewSetTheVisibilityOfTheirWallsAndColumns) {
    ASSERT_EQ(LoadGrid(1, 3, [](int, int) { return 1; }), S_OK);
    CYCamera camera;
    camera.SetProjection(1.0471976f, 1000.0f);
    camera.SetLookAt(math::Vec3(4.125f, 4.125f, 0.0f));
    camera.SetViewVector(4.0f, 0.0f, 0.0f);  // straight down over room 0, seeing little around it
    camera.Update(0.0f);
    level_->Render(&camera);
    EXPECT_EQ(level_->VisibilityAtCell(1, 1), 1u);
    EXPECT_EQ(level_->VisibilityAtCell(0, 1), 1u);
    EXPECT_EQ(level_->VisibilityAtCell(2, 1), 2u);
    EXPECT_EQ(level_->VisibilityAtCell(1, 0), 1u | 4u);
    EXPECT_EQ(level_->VisibilityAtCell(1, 2), 2u | 8u);
    EXPECT_EQ(level_->VisibilityAtCell(2, 2), 32u);
    EXPECT_EQ(level_->VisibilityAtCell(1, 5), 0u);  // room 2 out of view
    camera.SetLookAt(math::Vec3(4.125f, 20.625f, 0.0f));
    camera.Update(0.0f);
    level_->Render(&camera);
    EXPECT_EQ(level_->VisibilityAtCell(1, 1), 0u);
    EXPECT_EQ(level_->VisibilityAtCell(1, 4), 1u | 4u);  // set by room 2 after room 1 cleared its bits
}

// ---- The sample level -----------------------------------------------------------------------

TEST(SampleLevelTest, SampleLevelLoadsWithTheGeneratedTemplatesAndEveryRoomIsReachable) {
    const std::string data = std::string(KESTRUNE_SOURCE_DIR) + "/game/data";
    if (!test::FileExists(data + "/meshes/wall.a3d")) GTEST_SKIP() << "sample content not made";
    test::TempDir dir;
    std::filesystem::create_directory_symlink(data, "data");
    const std::string text = test::ReadFile("data/levels/level1.lvl");
    FakeWorld world;
    {
        CYLevel level(&world, 2, 3);
        world.level = &level;
        CYTextParser parser(text.data(), static_cast<uint32_t>(text.size()));
        ASSERT_EQ(level.Load(&parser, 0.0f), S_OK);
        EXPECT_EQ(level.RoomAtIndex(1, 2), nullptr);
        ASSERT_NE(level.RoomAtIndex(0, 2), nullptr);
        EXPECT_NE(level.RoomAtIndex(0, 2)->GetFloorObject()->FindChild("shaft"), nullptr);
        EXPECT_EQ(level.ObjectAtCell(1, 2), nullptr);  // the hall's open side
        EXPECT_EQ(level.ObjectAtCell(2, 1)->GetName(), "wallDoor");
        EXPECT_FALSE(world.registered.empty());
        level.UpdateLitRooms(math::Vec3(4, 4, 0));
        for (int i = 0; i < 2; ++i)
            for (int j = 0; j < 3; ++j) {
                CYRoom* room = level.RoomAtIndex(i, j);
                EXPECT_TRUE(!room || room->IsLit()) << i << "," << j;
            }
        world.Clear();
    }
    std::filesystem::remove("data");
}

// ---- Hostile files ---------------------------------------------------------------------------

TEST_F(LevelTest, MissingOrUnfitTemplatesFailTheLevelNamingTheTemplate) {
    const std::string text = LevelText(1, 1, [](int, int) { return 1; }, [](int, int) { return RoomBlock(1); });
    std::remove("data/meshes/column.adf");
    EXPECT_EQ(Load(1, 1, text), E_FAIL);
    EXPECT_EQ(LogCount("template column.adf cannot be loaded"), 1);
    EXPECT_EQ(level_->ObjectAtCell(1, 0), nullptr);

    WriteTemplates(false);
    EXPECT_EQ(Load(1, 1, text), E_FAIL);
    EXPECT_EQ(LogCount("template wall.adf has no parts"), 1);

    WriteTemplates();
    std::remove("data/meshes/floorHole.adf");
    EXPECT_EQ(Load(1, 1, LevelText(1, 1, [](int, int) { return 1; }, [](int, int) { return RoomBlock(2); })), E_FAIL);
    EXPECT_EQ(LogCount("floor template floorHole.adf cannot be loaded"), 1);
}

TEST_F(LevelTest, HostileLevelTextFailsWithALogLineAndKeepsWhatWasBuilt) {
    const auto walls = [](int, int) { return 1; };
    const std::string good = LevelText(1, 1, walls, [](int, int) { return RoomBlock(1); });
    // Truncated inside the last wall block: the walls before it stay, no room is read.
    EXPECT_EQ(Load(1, 1, good.substr(0, good.find("[floor]") - 20)), E_FAIL);
    EXPECT_NE(level_->ObjectAtCell(1, 0), nullptr);
    EXPECT_NE(level_->ObjectAtCell(0, 0), nullptr);  // columns are still made
    EXPECT_EQ(level_->RoomAtCell(1, 1), nullptr);
    EXPECT_GE(LogCount("text ends where"), 1);
    // A wrong section or type line.
    EXPECT_EQ(Load(1, 1, "[floor]\ntype = 1\n" + good), E_FAIL);
    EXPECT_EQ(Load(1, 1, "[wall]\ntype = x1\n" + good), E_FAIL);
    EXPECT_EQ(LogCount("type line expected"), 1);
    // Coordinates are read as far as they form numbers (none reads 0); a position far
    // outside the grid skips its entry alone.
    const struct {
        const char* position;
        float x, y;
    } positions[] = {{"nan, 0", 0, 0}, {"1, inf", 1, 0}, {",", 0, 0}, {"1.5", 1.5f, 0}, {"abc, 2x", 0, 2}};
    for (const auto& p : positions) {
        const std::string text = LevelText(1, 1, walls, [&](int, int) { return RoomBlock(1, Entry("box.adf", p.position)); });
        ASSERT_EQ(Load(1, 1, text), S_OK) << p.position;
        ASSERT_EQ(world_.registered.size(), 1u) << p.position;
        EXPECT_NEAR(world_.registered[0]->Position().x, 4.125f + p.x, 1e-5f) << p.position;
        EXPECT_NEAR(world_.registered[0]->Position().y, 4.125f + p.y, 1e-5f) << p.position;
        world_.Clear();
    }
    const std::string far = LevelText(
        1, 1, walls, [](int, int) { return RoomBlock(1, Entry("box.adf", "1e30, 0") + Entry("box.adf", "1, 1")); });
    EXPECT_EQ(Load(1, 1, far), S_OK);
    EXPECT_EQ(world_.registered.size(), 1u);
    EXPECT_EQ(LogCount("at (1e+30, 0) lies far outside the grid, skipped"), 1);
    world_.Clear();
    // An entry cut short by the end of the text is still read.
    EXPECT_EQ(Load(1, 1, good.substr(0, good.find("[/floor]")) + "[object]\nfile = box.adf\nposition = 1, 1\n"),
              S_OK);
    ASSERT_EQ(world_.registered.size(), 1u);
    EXPECT_NEAR(world_.registered[0]->Position().x, 5.125f, 1e-5f);
    EXPECT_EQ(LogCount("text ends inside an object entry"), 1);
    world_.Clear();
    // Sizes out of range are refused before anything is allocated or read.
    CYLevel huge(&world_, 1 << 20, 1 << 20);
    CYTextParser parser(good.data(), static_cast<uint32_t>(good.size()));
    EXPECT_EQ(huge.Load(&parser, 0.0f), E_FAIL);
    EXPECT_EQ(huge.RoomAtIndex(0, 0), nullptr);
    EXPECT_FALSE(huge.CrossRayFromCell(0, 0, math::Vec4{0, 0, 0, 1}, math::Vec4{1, 0, 0, 1}, nullptr, nullptr,
                                       nullptr, nullptr));
    CYLevel negative(&world_, -1, 3);
    EXPECT_EQ(negative.Load(&parser, 0.0f), E_FAIL);
    EXPECT_EQ(LogCount("rooms refused (1 to"), 2);
    EXPECT_EQ(LogCount("its size was refused"), 2);
    // No text at all, and a height that is not a number.
    CYLevel none(&world_, 1, 1);
    EXPECT_EQ(none.Load(nullptr, 0.0f), E_FAIL);
    CYLevel nanHeight(&world_, 1, 1);
    EXPECT_EQ(nanHeight.Load(&parser, kNaN), E_FAIL);
}

}  // namespace
