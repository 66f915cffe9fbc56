// The path finder: a wave spreads over a byte grid from the start cell (code 0) through
// free cells (254) until it meets the goal cell (253), at most 50 waves; the way is then
// traced back from the goal and returned as straight moves, each a length and a
// heading. Cells of any other code are blocked (255).
//
// FindObjectPath is the object's way for the scripts: across rooms on the level's
// passage map to the exit of its room, or inside its room on a 29 x 29 grid of the
// room's obstacles.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

class CYComplexObject;
class CYLevel;
class CYRoom;

// One straight move: length in world units, heading in radians.
struct YMove {
    float length = 0.0f;
    float heading = 0.0f;
};
static_assert(sizeof(YMove) == 8);

// Grid codes.
constexpr uint8_t kPathStart = 0;
constexpr uint8_t kPathGoal = 253;
constexpr uint8_t kPathFree = 254;
constexpr uint8_t kPathBlocked = 255;
// Waves spread before the search gives up.
constexpr int kPathMaxWaves = 50;
// Largest grid side the finder accepts.
constexpr int kPathMaxSide = 4096;

// The room grid of FindObjectPath: 29 x 29 cells, 30 cells per room side.
constexpr int kRoomGridSide = 29;
constexpr float kRoomGridCellsPerUnit = 3.6363637f;
constexpr float kRoomGridCellSize = 0.275f;
constexpr float kPassageCellSize = 2.75f;
// A coarse way of this many moves or more is refused.
constexpr size_t kMaxCoarseMoves = 10;

class CYPathFinder {
public:
    CYPathFinder() = default;
    virtual ~CYPathFinder() = default;

    // Searches the width x height grid (cell (x, y) at y * width + x) and replaces the
    // moves with the way found, from the goal back to the start (empty when none). The
    // grid is overwritten: 1 on the cells of the way, 0 elsewhere. False when no way was
    // found within 50 waves, when the grid is null or its size is out of range.
    bool FindPath(uint8_t* grid, int width, int height, float cellSize, std::vector<YMove>* moves);
};

// The program's path finder.
extern CYPathFinder g_pathFinder;

// The move at index of the list; (0, 0) outside it or for a null list.
YMove GetMoveAt(const std::vector<YMove>* moves, int index);

// The heading of a straight move from the table of the trace: dx along x, dy the
// current y minus the next y.
float MoveHeading(int dx, int dy);

// The local goal on the border of the room grid through which a way of the heading
// leaves the room: the exit nearest to the heading (0 -> (15, 0), pi/2 -> (29, 15),
// pi -> (15, 29), -pi/2 -> (0, 15)); the caller holds them within the grid.
void ExitCellForHeading(float heading, int* gx, int* gy);

// The way of the object in its room toward (targetX, targetY) when the target room is
// its own, else toward the exit its coarse way across the level's passage map takes
// (then the last move is repeated once so that the object carries on across the edge).
// The ignored object is no obstacle. True with the moves on success; false and no moves
// when no way is found, the coarse way has 10 or more moves, or any index is outside the
// grids (target room outside the level, object outside its room, values not finite).
bool FindObjectPath(CYLevel* level, CYRoom* room, CYComplexObject* object, CYComplexObject* ignored, int targetRow,
                    int targetColumn, float targetX, float targetY, std::vector<YMove>* moves);
