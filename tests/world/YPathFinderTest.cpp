// The path finder: waves and the trace back on small grids, the wave limit, codes it does
// not know, grids it refuses; and an object's way in its room and across rooms.
#include "world/YPathFinder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>

#include "LevelTestSupport.h"
#include "core/YTextParser.h"

using namespace leveltest;

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

bool Find(std::vector<uint8_t>& grid, int width, std::vector<YMove>* moves, float cell = 1.0f) {
    return g_pathFinder.FindPath(grid.data(), width, static_cast<int>(grid.size()) / width, cell, moves);
}

TEST(PathFinderTest, AdjacentAndDiagonalWaysAreTracedFromTheGoalBackToTheStart) {
    std::vector<YMove> moves{{9, 9}};
    std::vector<uint8_t> line{0, 253, 254};
    ASSERT_TRUE(Find(line, 3, &moves, 2.75f));
    ASSERT_EQ(moves.size(), 1u);
    EXPECT_FLOAT_EQ(moves[0].length, 2.75f);
    EXPECT_FLOAT_EQ(moves[0].heading, -1.5707964f);
    EXPECT_EQ(line, (std::vector<uint8_t>{1, 1, 0}));

    std::vector<uint8_t> square{0, 254, 254, 253};
    ASSERT_TRUE(Find(square, 2, &moves, 0.275f));
    ASSERT_EQ(moves.size(), 1u);
    EXPECT_FLOAT_EQ(moves[0].length, std::sqrt(2.0f) * 0.275f);
    EXPECT_FLOAT_EQ(moves[0].heading, -0.7853982f);
    EXPECT_EQ(square, (std::vector<uint8_t>{1, 0, 0, 1}));
}

TEST(PathFinderTest, WalledOffFarAndUnknownCellsGiveNoWayAndAClearedGrid) {
    std::vector<YMove> moves{{1, 1}};
    std::vector<uint8_t> walled{0, 254, 255, 253};
    EXPECT_FALSE(Find(walled, 4, &moves));
    EXPECT_TRUE(moves.empty());
    EXPECT_EQ(walled, std::vector<uint8_t>(4, 0));

    // 50 steps along a corridor are found; 51 are not.
    for (int steps : {50, 51}) {
        std::vector<uint8_t> corridor(steps + 1, 254);
        corridor.front() = 0;
        corridor.back() = 253;
        EXPECT_EQ(Find(corridor, steps + 1, &moves), steps == 50) << steps;
        EXPECT_EQ(moves.size(), steps == 50 ? 50u : 0u);
    }
    // A stray code is a wall, not a wave: 1 next to the goal does not lead there.
    std::vector<uint8_t> stray{0, 255, 1, 253};
    EXPECT_FALSE(Find(stray, 4, &moves));
    std::vector<uint8_t> seven{0, 7, 253};
    EXPECT_FALSE(Find(seven, 3, &moves));

    std::vector<uint8_t> tiny{0, 253};
    EXPECT_FALSE(g_pathFinder.FindPath(nullptr, 2, 1, 1.0f, &moves));
    EXPECT_FALSE(g_pathFinder.FindPath(tiny.data(), 0, 1, 1.0f, &moves));
    EXPECT_FALSE(g_pathFinder.FindPath(tiny.data(), 2, kPathMaxSide + 1, 1.0f, &moves));
    EXPECT_FALSE(g_pathFinder.FindPath(tiny.data(), 2, 1, kNaN, &moves));
    EXPECT_FALSE(g_pathFinder.FindPath(tiny.data(), 2, 1, 1.0f, nullptr));
}

TEST(PathFinderTest, HeadingsMovesAndExitsFollowTheirTables) {
    EXPECT_EQ(MoveHeading(0, 0), 1.5707964f);
    EXPECT_EQ(MoveHeading(0, -1), 3.1415927f);
    EXPECT_EQ(MoveHeading(-1, -1), -2.3561945f);

    const std::vector<YMove> moves{{1, 2}, {3, 4}};
    EXPECT_EQ(GetMoveAt(&moves, 1).length, 3.0f);
    for (int index : {-1, 2}) {
        EXPECT_EQ(GetMoveAt(&moves, index).length, 0.0f);
        EXPECT_EQ(GetMoveAt(&moves, index).heading, 0.0f);
    }
    EXPECT_EQ(GetMoveAt(nullptr, 0).length, 0.0f);

    int x = -1, y = -1;
    // The four exits, the one nearest a heading between them, and a heading that is none.
    const struct {
        float heading;
        int x, y;
    } exits[] = {{0.0f, 15, 0}, {1.5707964f, 29, 15}, {-3.1415927f, 15, 29}, {-1.5707964f, 0, 15},
                 {-2.5f, 15, 29}, {kNaN, 15, 0}};
    for (const auto& e : exits) {
        ExitCellForHeading(e.heading, &x, &y);
        EXPECT_EQ(x, e.x) << e.heading;
        EXPECT_EQ(y, e.y) << e.heading;
    }
}

// A level of 1 x 5 open rooms along y, each with nothing but its floor.
class ObjectPathTest : public ::testing::Test {
protected:
    void SetUp() override {
        WriteTemplates();
        text_ = LevelText(1, 5, [](int r, int) { return r == 1 ? 0 : 1; },
                          [](int, int c) { return RoomBlock(1, c == 1 ? Entry("box.adf", "0, 0") : ""); });
        CYTextParser parser(text_.data(), static_cast<uint32_t>(text_.size()));
        ASSERT_EQ(level_.Load(&parser, 0.0f), S_OK);
        level_.BuildPassageMap();
        walker_.SetRadius(0.3f);
    }
    void TearDown() override { world_.Clear(); }
    bool Path(float x, float y, int row, int column, float tx, float ty) {
        walker_.SetPosition(math::Vec3(x, y, 0));
        return FindObjectPath(&level_, level_.RoomAtIndex(0, 0), &walker_, nullptr, row, column, tx, ty, &moves_);
    }
    test::TempDir dir_;
    FakeWorld world_;
    CYLevel level_{&world_, 1, 5};
    CYComplexObject walker_{"walker"};
    std::vector<YMove> moves_;
    std::string text_;
};

TEST_F(ObjectPathTest, WayInsideTheRoomGoesAroundObstaclesToTheTarget) {
    // From the low-x side of the box in the room's middle to its high-x side.
    ASSERT_TRUE(Path(1.5f, 4.125f, 0, 0, 6.75f, 4.125f));
    // Walked cell by cell from (5, 15): it ends on (24, 15) and never enters the box's
    // cells (13 to 16 on both axes).
    int x = 5, y = 15;
    for (const YMove& m : moves_) {
        x += static_cast<int>(std::lround(m.length * std::sin(m.heading) / 0.275f));
        y -= static_cast<int>(std::lround(m.length * std::cos(m.heading) / 0.275f));
        EXPECT_FALSE(x >= 13 && x <= 16 && y >= 13 && y <= 16) << x << "," << y;
    }
    EXPECT_EQ(x, 24);
    EXPECT_EQ(y, 15);

    // Standing on the goal cell at the border: the start moves one cell inward.
    ASSERT_TRUE(Path(0.05f, 4.125f, 0, 0, 0.05f, 4.125f));
    EXPECT_EQ(moves_.size(), 1u);
    // Targets outside the room's grid, or not numbers, give no way.
    EXPECT_FALSE(Path(1.5f, 4.125f, 0, 0, -3.0f, 4.0f));
    EXPECT_FALSE(Path(1.5f, 4.125f, 0, 0, kNaN, 4.0f));
    EXPECT_TRUE(moves_.empty());
    EXPECT_FALSE(FindObjectPath(&level_, nullptr, &walker_, nullptr, 0, 0, 1, 1, &moves_));
}

TEST_F(ObjectPathTest, WayAcrossRoomsLeadsToTheExitAndRepeatsItsLastMove) {
    ASSERT_TRUE(Path(4.125f, 1.0f, 0, 3, 0.0f, 0.0f));  // three rooms on: 9 coarse moves
    ASSERT_GE(moves_.size(), 2u);
    EXPECT_EQ(moves_.back().length, moves_[moves_.size() - 2].length);
    EXPECT_EQ(moves_.back().heading, moves_[moves_.size() - 2].heading);
    float y = 0.0f;
    for (size_t i = 0; i + 1 < moves_.size(); ++i) y -= moves_[i].length * std::cos(moves_[i].heading);
    EXPECT_NEAR(y, (28 - 3) * 0.275f, 1e-3f);  // from cell (15, 3) to the high-y exit (15, 28)

    EXPECT_FALSE(Path(4.125f, 4.125f, 0, 4, 0.0f, 0.0f));  // 12 coarse moves: too far
    EXPECT_FALSE(Path(4.125f, 4.125f, 0, 5, 0.0f, 0.0f));  // no such room
    EXPECT_FALSE(Path(4.125f, 4.125f, -1, 0, 0.0f, 0.0f));
    EXPECT_FALSE(Path(4.125f, 4.125f, 1 << 30, 1 << 30, 0.0f, 0.0f));
}

}  // namespace
