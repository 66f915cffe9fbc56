#include "world/YPathFinder.h"

#include <algorithm>
#include <cmath>

#include "core/YLog.h"
#include "render/YComplexObject.h"
#include "world/YLevel.h"
#include "world/YRoom.h"

CYPathFinder g_pathFinder;

namespace {

constexpr float kHalfPi = 1.5707964f;
constexpr float kQuarterPi = 0.7853982f;
constexpr float kThreeQuarterPi = 2.3561945f;
constexpr float kPi = 3.1415927f;
constexpr int kRoomGridLast = kRoomGridSide - 1;

bool KnownCode(uint8_t code) {
    return code == kPathStart || code == kPathGoal || code == kPathFree || code == kPathBlocked;
}

// The working copy: the grid inside a frame of blocked cells.
class WaveGrid {
public:
    WaveGrid(int width, int height) : width_(width + 2), cells_(static_cast<size_t>(width + 2) * (height + 2), kPathBlocked) {}
    uint8_t& At(int x, int y) { return cells_[static_cast<size_t>(y) * width_ + x]; }

private:
    int width_;
    std::vector<uint8_t> cells_;
};

// Spreads the waves; true with the goal cell (working coordinates) when a wave meets it.
bool Spread(WaveGrid& work, int width, int height, int* goalX, int* goalY) {
    static const int step[4][2] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}};
    for (int k = 0; k < kPathMaxWaves; ++k)
        for (int y = 1; y <= height; ++y)
            for (int x = 1; x <= width; ++x) {
                if (work.At(x, y) != k) continue;
                for (const auto& s : step) {
                    uint8_t& next = work.At(x + s[0], y + s[1]);
                    if (next == kPathFree) {
                        next = static_cast<uint8_t>(k + 1);
                    } else if (next == kPathGoal) {
                        *goalX = x + s[0];
                        *goalY = y + s[1];
                        return true;
                    }
                }
            }
    return false;
}

// Walks from the goal down the wave values to a start cell, marking the way in the
// input grid. Every step lowers the value, so the walk ends within the wave count; a
// walk that does not is refused.
bool Trace(WaveGrid& work, uint8_t* grid, int width, int height, int x, int y, float cellSize,
           std::vector<YMove>* out) {
    auto mark = [&](int wx, int wy) {
        if (wx >= 1 && wy >= 1 && wx <= width && wy <= height)
            grid[static_cast<size_t>(wy - 1) * width + (wx - 1)] = 1;
    };
    mark(x, y);
    for (int steps = 0; steps <= kPathMaxWaves + 1; ++steps) {
        int bestX = x, bestY = y;
        int best = 256;
        for (int ny = y - 1; ny <= y + 1; ++ny)
            for (int nx = x - 1; nx <= x + 1; ++nx) {
                if (nx == x && ny == y) continue;
                if (work.At(nx, ny) < best) {
                    best = work.At(nx, ny);
                    bestX = nx;
                    bestY = ny;
                }
            }
        mark(bestX, bestY);
        const int dx = bestX - x, dy = y - bestY;
        out->push_back(YMove{std::sqrt(float(dx * dx + dy * dy)) * cellSize, MoveHeading(dx, dy)});
        x = bestX;
        y = bestY;
        if (best == kPathStart) return true;
    }
    Log(3, "Path finder: the way back does not reach the start\n");
    return false;
}

// A world coordinate relative to the room's low edge, in room-grid cells (truncated),
// held within -1 .. 30 so that it always fits an int; false when not finite.
bool RoomGridCell(float v, float roomLow, float margin, int* cell) {
    const float f = std::trunc((v - roomLow) * kRoomGridCellsPerUnit + margin);
    if (!std::isfinite(f)) return false;
    *cell = static_cast<int>(std::clamp(f, -1.0f, float(kRoomGridSide + 1)));
    return true;
}

// Marks the room grid cells under the object's colliding parts blocked.
void MarkObstacle(const CYComplexObject* object, float lowX, float lowY, float margin, uint8_t* grid) {
    auto& flags = const_cast<CYComplexObject*>(object)->ScriptHandler().flagParams;
    const bool defence = flags["isDefence"];
    if (!object->IsCollidable() && !defence) return;
    std::vector<CYObject*> parts;
    for (CYObject* part : object->Parts()) part->CollectTree(&parts);
    for (const CYObject* part : parts) {
        if (!part->HasCollision() && !defence) continue;
        for (const CYBoundingBox& record : part->GetBoundingRecords()) {
            int x0, y0, x1, y1;
            if (!RoomGridCell(record.min.x, lowX, -margin, &x0) || !RoomGridCell(record.min.y, lowY, -margin, &y0) ||
                !RoomGridCell(record.max.x, lowX, margin, &x1) || !RoomGridCell(record.max.y, lowY, margin, &y1))
                continue;
            x0 = std::max(x0, 0);
            y0 = std::max(y0, 0);
            x1 = std::min(x1, kRoomGridLast);
            y1 = std::min(y1, kRoomGridLast);
            for (int y = y0; y <= y1; ++y)
                for (int x = x0; x <= x1; ++x) grid[y * kRoomGridSide + x] = kPathBlocked;
        }
    }
}

// The local goal chosen by a coarse way across the level's passage map; false when there
// is none, or it has too many moves.
bool CoarseExit(const CYLevel* level, int roomRow, int roomColumn, int targetRow, int targetColumn, int* gx, int* gy) {
    const int width = level->PassageMapWidth(), height = level->PassageMapHeight();
    std::vector<uint8_t> map = level->PassageMap();
    if (map.size() != static_cast<size_t>(width) * height || width <= 0 || height <= 0) return false;
    map[static_cast<size_t>(3 * roomColumn + 1) * width + 3 * roomRow + 1] = kPathGoal;
    map[static_cast<size_t>(3 * targetColumn + 1) * width + 3 * targetRow + 1] = kPathStart;
    std::vector<YMove> coarse;
    if (!g_pathFinder.FindPath(map.data(), width, height, kPassageCellSize, &coarse)) return false;
    if (coarse.size() >= kMaxCoarseMoves || coarse.empty()) return false;
    ExitCellForHeading(coarse.front().heading, gx, gy);
    return true;
}

}  // namespace

bool CYPathFinder::FindPath(uint8_t* grid, int width, int height, float cellSize, std::vector<YMove>* moves) {
    if (moves) moves->clear();
    if (!grid || !moves || width < 1 || height < 1 || width > kPathMaxSide || height > kPathMaxSide ||
        !std::isfinite(cellSize)) {
        Log(3, "Path finder: grid refused\n");
        return false;
    }
    WaveGrid work(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            uint8_t& cell = grid[static_cast<size_t>(y) * width + x];
            // Codes the finder does not know block the way.
            work.At(x + 1, y + 1) = KnownCode(cell) ? cell : kPathBlocked;
            cell = 0;
        }
    int goalX = 0, goalY = 0;
    if (!Spread(work, width, height, &goalX, &goalY)) return false;
    std::vector<YMove> found;
    if (!Trace(work, grid, width, height, goalX, goalY, cellSize, &found)) {
        std::fill(grid, grid + static_cast<size_t>(width) * height, 0);
        return false;
    }
    *moves = std::move(found);
    return true;
}

YMove GetMoveAt(const std::vector<YMove>* moves, int index) {
    if (!moves || index < 0 || static_cast<size_t>(index) >= moves->size()) return YMove{};
    return (*moves)[static_cast<size_t>(index)];
}

float MoveHeading(int dx, int dy) {
    if (dy == 0) return dx < 0 ? -kHalfPi : kHalfPi;
    if (dy < 0) return dx > 0 ? kThreeQuarterPi : (dx == 0 ? kPi : -kThreeQuarterPi);
    return dx > 0 ? kQuarterPi : (dx == 0 ? 0.0f : -kQuarterPi);
}

void ExitCellForHeading(float heading, int* gx, int* gy) {
    struct Exit {
        float heading;
        int x, y;
    };
    static const Exit exits[4] = {{0.0f, 15, 0}, {kHalfPi, 29, 15}, {kPi, 15, 29}, {-kHalfPi, 0, 15}};
    int best = 0;
    float bestGap = 10.0f;
    for (int i = 0; i < 4; ++i) {
        // Angular distance, the way round that is shorter.
        float gap = std::fabs(std::remainder(heading - exits[i].heading, 2.0f * kPi));
        if (!std::isfinite(gap)) gap = 10.0f;
        if (gap < bestGap - 1.0e-4f) {
            bestGap = gap;
            best = i;
        }
    }
    *gx = exits[best].x;
    *gy = exits[best].y;
}

bool FindObjectPath(CYLevel* level, CYRoom* room, CYComplexObject* object, CYComplexObject* ignored, int targetRow,
                    int targetColumn, float targetX, float targetY, std::vector<YMove>* moves) {
    if (!moves) return false;
    moves->clear();
    if (!level || !room || !object) return false;
    const int rr = room->RoomRow(), rc = room->RoomColumn();
    if (level->RoomAtIndex(rr, rc) != room) return false;
    const float lowX = float(rr) * kRoomSide, lowY = float(rc) * kRoomSide;
    const math::Vec3 at = object->AbsolutePosition();
    const float margin = std::trunc(object->GetRadius() * kRoomGridCellsPerUnit);

    int sx, sy, gx, gy;
    if (!RoomGridCell(at.x, lowX, 0.0f, &sx) || !RoomGridCell(at.y, lowY, 0.0f, &sy) || sx < 0 || sy < 0) return false;
    const bool acrossRooms = targetRow != rr || targetColumn != rc;
    if (!acrossRooms) {
        if (!RoomGridCell(targetX, lowX, 0.0f, &gx) || !RoomGridCell(targetY, lowY, 0.0f, &gy) || gx < 0 || gy < 0)
            return false;
    } else {
        if (targetRow < 0 || targetColumn < 0 || targetRow >= level->RoomRows() || targetColumn >= level->RoomColumns())
            return false;
        if (!CoarseExit(level, rr, rc, targetRow, targetColumn, &gx, &gy)) return false;
    }

    std::vector<uint8_t> grid(kRoomGridSide * kRoomGridSide, kPathFree);
    const float cellMargin = std::isfinite(margin) ? std::clamp(margin, 0.0f, float(kRoomGridSide)) : 0.0f;
    for (const auto* list : {&room->StaticObjects(), &room->DynamicObjects()})
        for (const CYComplexObject* other : *list)
            if (other != object && other != ignored) MarkObstacle(other, lowX, lowY, cellMargin, grid.data());

    sx = std::min(sx, kRoomGridLast);
    sy = std::min(sy, kRoomGridLast);
    gx = std::min(gx, kRoomGridLast);
    gy = std::min(gy, kRoomGridLast);
    if (sx == gx && sy == gy) {
        if (sx == 0) sx = 1;
        else if (sx == kRoomGridLast) sx = kRoomGridLast - 1;
        if (sy == 0) sy = 1;
        else if (sy == kRoomGridLast) sy = kRoomGridLast - 1;
    }
    grid[sy * kRoomGridSide + sx] = kPathGoal;
    grid[gy * kRoomGridSide + gx] = kPathStart;
    if (!g_pathFinder.FindPath(grid.data(), kRoomGridSide, kRoomGridSide, kRoomGridCellSize, moves)) return false;
    if (acrossRooms && !moves->empty()) moves->push_back(moves->back());
    return true;
}
