// A level: one floor of a mission, a grid of (2R + 1) x (2C + 1) square cells 8.25 units
// wide. Cells at odd row and odd column are rooms, cells between two rooms hold walls or
// door walls, corner cells hold columns. Row r runs along world x, column c along y; the
// room cell (r, c) has its centre at (8.25 (r - 1)/2 + 4.125, 8.25 (c - 1)/2 + 4.125, z).
//
// The level reads its block of the mission file (the level grid), draws the rooms,
// walls and columns the camera sees, lights the rooms reachable from the camera's
// look-at point, keeps the passage map the path finder searches, and answers collision,
// ray and rectangle queries. Every cell index from outside (scripts, positions) is
// checked: outside the grid means "no room".
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/graphics/Device.h"
#include "platform/math/Math.h"
#include "platform/system/Result.h"
#include "render/YComplexObject.h"

class CYCamera;
class CYNode;
class CYObject;
class CYRoom;
class CYTextParser;

// What a level needs of the game world that owns it. The game world implements it; the
// world pointer that rooms give their objects is this one.
class YLevelWorld : public YObjectWorld {
public:
    // Adds a light to the frame's lights (at most 15 a frame; later ones are dropped).
    virtual void AddLight(const gfx::Light& light) = 0;
    // Builds the droid a level places under the registration name; null when it cannot.
    virtual CYComplexObject* SetupDroidModel(const std::string& name) = 0;
    // The world node the world made first, directly under the main camera's node and
    // handed out by no event; null when there is none.
    virtual CYNode* GetLevelWorldNode() = 0;

protected:
    ~YLevelWorld() = default;
};

// Largest room grid a level accepts, rooms per side.
constexpr int kMaxLevelRooms = 128;
// Most object entries one room block may hold.
constexpr int kMaxRoomObjectEntries = 1024;

// Visibility bits of a cell's flag word.
enum YVisibilityBit : uint32_t {
    YVIS_1 = 1,
    YVIS_2 = 2,
    YVIS_4 = 4,
    YVIS_8 = 8,
    YVIS_16 = 16,
    YVIS_32 = 32,
};

// Room sides: 0 toward r - 1, 1 toward r + 1, 2 toward c - 1, 3 toward c + 1.
enum YRoomSide : int { YSIDE_LOW_ROW = 0, YSIDE_HIGH_ROW = 1, YSIDE_LOW_COLUMN = 2, YSIDE_HIGH_COLUMN = 3 };

class CYLevel {
public:
    // A level of roomRows x roomColumns rooms. Sizes outside 1 .. kMaxLevelRooms leave
    // an empty grid whose Load fails with a log line. The passage map starts blocked.
    CYLevel(YLevelWorld* world, int roomRows, int roomColumns);
    // Deletes the rooms, walls and columns; edge objects belong to the world.
    virtual ~CYLevel();
    CYLevel(const CYLevel&) = delete;
    CYLevel& operator=(const CYLevel&) = delete;

    // Reads the level grid from the parser (positioned behind the mission's level line)
    // for a floor at height z: wall pass, column pass, room pass with object entries.
    // 0 on success; E_FAIL (logged) on a format error, a missing or unfit template, a
    // floor that cannot be built, or a level whose size was refused.
    HRESULT Load(CYTextParser* parser, float z);

    // Per frame: updates the reachable rooms, then takes over the pending rooms and
    // edge objects computed by UpdateLitRooms.
    void Update(float frameTime);
    // Updates every room (rows, then columns ascending).
    void UpdateAllRooms(float frameTime);
    // Draws the visible rooms, then the walls, edge objects and columns beside them.
    // Every room turns its moved-object lists over, seen or not.
    void Render(CYCamera* camera);
    // The frame's end for a floor that is not drawn: every room turns its moved-object
    // lists over, so they hold one frame of moves as on the drawn floor.
    void TurnOverRooms();

    // A circle of the radius moving from p along dir up to *distance against the walls,
    // columns and edge objects around p's room cell and the objects near it. On a hit
    // true, with the distance shortened and the contact and part hit set. A position
    // outside the grid (or not finite) hits nothing.
    bool CheckCollision(CYComplexObject* mover, const math::Vec3& p, float radius, const math::Vec3& dir,
                        float* distance, math::Vec3* contact, CYObject** hitObject);
    // The ray from the room cell of the origin; false when the distance is 0.
    bool CrossRay(const math::Vec4& origin, const math::Vec4& direction, math::Vec4* point, float* distance,
                  CYObject** hitObject, math::Plane* extra);
    // The ray walk from the room cell (r, c) into the next room cells it crosses. False
    // for a cell outside the grid.
    bool CrossRayFromCell(int r, int c, const math::Vec4& origin, const math::Vec4& direction, math::Vec4* point,
                          float* distance, CYObject** hitObject, math::Plane* extra);

    // The room under the position (x, y), or null (outside the grid, not finite, no room).
    CYRoom* GetRoomAt(const math::Vec3& p) const;
    // The room cell of a position: (r, c) both odd; false when the position is not finite
    // or lies outside the grid's rooms.
    bool RoomCellOf(float x, float y, int* r, int* c) const;
    // The active objects of every room whose rectangle overlaps the given one.
    void GetObjectsInRect(std::vector<CYComplexObject*>* out, const math::Vec3& centre, float halfWidth,
                          float halfHeight) const;
    // The active and static objects of every room whose rectangle overlaps it.
    void GetCollidersInRect(std::vector<CYComplexObject*>* out, const math::Vec3& centre, float halfWidth,
                            float halfHeight) const;

    // Lights the rooms reachable from the position's room, darkens the others, gathers
    // them (and their edge objects) for the next Update and rebuilds the passage map.
    void UpdateLitRooms(const math::Vec3& position);
    // Whether one can leave the room cell (r, c) through the side (YRoomSide).
    bool IsPassable(int r, int c, int side) const;
    // Flood fill from the room cell (r, c) over passable sides; both arrays hold one
    // byte per room (room row x room columns + room column).
    void MarkReachableRooms(std::vector<uint8_t>* reached, std::vector<uint8_t>* visited, int r, int c) const;
    // 255 everywhere, 254 on every room's centre and on the centre of each passable side.
    void BuildPassageMap();
    // Darkens the room at the grid cell (r, c) and the room-facing sides of its walls,
    // and clears its lit flag. Nothing where no room stands.
    void ResetRoomLights(int r, int c);
    // Forgets the object everywhere the level keeps it: edge objects, active and pending
    // edge objects, and every list of every room. Called before the object is deleted.
    void ForgetObject(CYComplexObject* object);

    // Grid cells, (r, c) with 0 <= r < Rows(), 0 <= c < Columns(); null outside the grid.
    CYRoom* RoomAtCell(int r, int c) const;
    // The wall, door wall or column of the cell (null at room cells and empty cells).
    CYComplexObject* ObjectAtCell(int r, int c) const;
    // The edge object (door) at the wall cell, or null.
    CYComplexObject* EdgeObjectAtCell(int r, int c) const;
    // The room of room row i and room column j (grid cell (2i + 1, 2j + 1)), or null.
    CYRoom* RoomAtIndex(int roomRow, int roomColumn) const;
    // Whether (r, c) lies in the grid.
    bool InGrid(int r, int c) const { return r >= 0 && c >= 0 && r < rows_ && c < columns_; }
    uint32_t VisibilityAtCell(int r, int c) const;

    int Rows() const { return rows_; }
    int Columns() const { return columns_; }
    int RoomRows() const { return (rows_ - 1) / 2; }
    int RoomColumns() const { return (columns_ - 1) / 2; }
    float GetZ() const { return z_; }
    YLevelWorld* GetWorld() const { return world_; }
    // 3 x room rows bytes a line (along x), 3 x room columns lines (along y): 255
    // blocked, 254 free.
    const std::vector<uint8_t>& PassageMap() const { return passageMap_; }
    int PassageMapWidth() const { return 3 * RoomRows(); }
    int PassageMapHeight() const { return 3 * RoomColumns(); }
    const std::vector<CYRoom*>& ActiveRooms() const { return activeRooms_; }
    const std::vector<CYComplexObject*>& ActiveEdgeObjects() const { return activeEdgeObjects_; }
    const std::vector<CYRoom*>& PendingRooms() const { return pendingRooms_; }
    const std::vector<CYComplexObject*>& PendingEdgeObjects() const { return pendingEdgeObjects_; }
    const std::vector<CYNode*>& WorldNodes() const { return worldNodes_; }

private:
    friend class CYLevelFile;

    size_t Index(int r, int c) const { return static_cast<size_t>(r) * static_cast<size_t>(columns_) + c; }
    // Texture 1 of the part of the wall at (r, c), when both exist.
    void SetWallSideLight(int r, int c, const char* part, const std::string& texture);
    // The four wall sides facing the room cell (r, c).
    void SetRoomWallsLight(int r, int c, const std::string& texture);
    // The active and static objects overlapping the square of half size reach around p,
    // from the rooms within one room side of it.
    void CollidersNear(std::vector<CYComplexObject*>* out, const math::Vec3& p, float reach) const;
    // Sets or clears the visibility bits around a room cell.
    void MarkVisibility(int r, int c, bool visible);
    void MakeWorldNodes();

    std::vector<CYNode*> worldNodes_;  // owned by the scene tree
    math::Matrix matrix_ = math::MatrixIdentity();
    std::vector<uint8_t> passageMap_;
    std::vector<CYRoom*> activeRooms_;
    std::vector<CYComplexObject*> activeEdgeObjects_;
    std::vector<CYRoom*> pendingRooms_;
    std::vector<CYComplexObject*> pendingEdgeObjects_;
    std::vector<std::unique_ptr<CYRoom>> rooms_;              // per cell, room cells only
    std::vector<std::unique_ptr<CYComplexObject>> objects_;  // per cell: walls, columns
    std::vector<CYComplexObject*> edgeObjects_;               // per cell, not owned
    std::vector<uint32_t> visibility_;
    YLevelWorld* world_;
    int rows_;
    int columns_;
    float z_ = 0.0f;
    bool sizeRefused_ = false;
    // Node deletions counted when the world nodes were made: a change means they may be gone.
    uint64_t nodeEpoch_ = 0;
};
