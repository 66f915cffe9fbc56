#include "world/YLevel.h"

#include <algorithm>
#include <cmath>

#include "core/YEvents.h"
#include "core/YLog.h"
#include "core/YTextParser.h"
#include "render/YCamera.h"
#include "render/YNode.h"
#include "world/YLevelFile.h"
#include "world/YRoom.h"

namespace {

constexpr float kCellsPerUnit = -0.121212125f;  // -1 / 8.25
constexpr float kProbeRadius = 0.001f;
constexpr float kProbeLength = 5.0f;
constexpr float kFarRay = 10000.0f;
// Largest multiple of a room side a position may lie from the origin and still name a cell.
constexpr float kMaxCellSteps = 1.0e6f;

// Direction and neighbour offset of each room side.
constexpr int kSideRow[4] = {-1, 1, 0, 0};
constexpr int kSideColumn[4] = {0, 0, -1, 1};

bool ValidSize(int roomRows, int roomColumns) {
    return roomRows >= 1 && roomColumns >= 1 && roomRows <= kMaxLevelRooms && roomColumns <= kMaxLevelRooms;
}

// The room-grid cell index along one axis of a world coordinate: 1 - 2 trunc(v * -1/8.25).
bool AxisCell(float v, int* cell) {
    const float steps = std::trunc(v * kCellsPerUnit);
    if (!std::isfinite(steps) || std::fabs(steps) > kMaxCellSteps) return false;
    *cell = 1 - 2 * static_cast<int>(steps);
    return true;
}

template <class T>
void EraseAll(std::vector<T*>& list, const T* item) {
    list.erase(std::remove(list.begin(), list.end(), item), list.end());
}

template <class T>
void AppendUnique(std::vector<T*>& list, T* item) {
    if (std::find(list.begin(), list.end(), item) == list.end()) list.push_back(item);
}

// The ray against every visible, colliding top-level part of a collidable object.
bool RayAgainstObject(const CYComplexObject* object, const math::Vec4& origin, const math::Vec4& direction,
                      math::Vec4* point, float* distance, CYObject** hitObject, math::Plane* extra) {
    if (!object || !object->IsCollidable()) return false;
    bool hit = false;
    for (CYObject* part : object->Parts()) {
        if (!part->IsVisible() || !part->HasCollision()) continue;
        if (part->CrossRay(origin, direction, point, distance, extra)) {
            hit = true;
            if (hitObject) *hitObject = part;
        }
    }
    return hit;
}

}  // namespace

CYLevel::CYLevel(YLevelWorld* world, int roomRows, int roomColumns) : world_(world) {
    sizeRefused_ = !ValidSize(roomRows, roomColumns);
    if (sizeRefused_) {
        Log(3, "Level: size %d x %d rooms refused (1 to %d a side)\n", roomRows, roomColumns, kMaxLevelRooms);
        roomRows = roomColumns = 0;
    }
    rows_ = 2 * roomRows + 1;
    columns_ = 2 * roomColumns + 1;
    passageMap_.assign(static_cast<size_t>(9) * roomRows * roomColumns, 255);
}

CYLevel::~CYLevel() {
    // Rooms go first: they tell the objects still standing in them that they are gone.
    rooms_.clear();
    objects_.clear();
    // The nodes belong to the scene tree; they are taken away only while surely alive.
    if (!worldNodes_.empty() && NodeDeletionCount() == nodeEpoch_)
        for (CYNode* node : worldNodes_) delete node;
}

// ---- Loading ---------------------------------------------------------------------------------

void CYLevel::MakeWorldNodes() {
    CYNode* lit = nullptr;
    SendEvent(YEVENT_GET_WORLD_PARAM, reinterpret_cast<intptr_t>(&lit), 0);
    CYNode* hidden = world_ ? world_->GetLevelWorldNode() : nullptr;
    CYNode* parents[3] = {lit, hidden, lit};
    for (CYNode* parent : parents) {
        // Without a parent the node would belong to nobody.
        if (!parent) continue;
        auto* node = new CYWorld(matrix_);
        if (FAILED(node->Create()) || FAILED(parent->AddChild(node))) {
            delete node;
            continue;
        }
        worldNodes_.push_back(node);
    }
    nodeEpoch_ = NodeDeletionCount();
}

HRESULT CYLevel::Load(CYTextParser* parser, float z) {
    if (sizeRefused_) {
        Log(3, "Level: not loaded, its size was refused\n");
        return E_FAIL;
    }
    if (!std::isfinite(z) || std::fabs(z) > kPositionLimit) {
        Log(3, "Level: height %g refused\n", double(z));
        return E_FAIL;
    }
    if (!rooms_.empty()) {
        Log(3, "Level: loaded twice\n");
        return E_FAIL;
    }
    z_ = z;
    matrix_ = math::MatrixIdentity();
    MakeWorldNodes();
    const size_t cells = static_cast<size_t>(rows_) * static_cast<size_t>(columns_);
    rooms_.resize(cells);
    objects_.resize(cells);
    edgeObjects_.assign(cells, nullptr);
    visibility_.assign(cells, 0);
    CYLevelFile file(this, parser, z);
    return file.Read();
}

// ---- Per frame -------------------------------------------------------------------------------

void CYLevel::Update(float frameTime) {
    for (size_t i = 0; i < activeRooms_.size(); ++i) activeRooms_[i]->Update(frameTime);
    if (!pendingRooms_.empty()) {
        activeRooms_.clear();
        for (CYRoom* room : pendingRooms_) AppendUnique(activeRooms_, room);
        pendingRooms_.clear();
    }
    if (!pendingEdgeObjects_.empty()) {
        activeEdgeObjects_.clear();
        for (CYComplexObject* object : pendingEdgeObjects_) AppendUnique(activeEdgeObjects_, object);
        pendingEdgeObjects_.clear();
    }
}

void CYLevel::UpdateAllRooms(float frameTime) {
    for (int r = 1; r < rows_; r += 2)
        for (int c = 1; c < columns_; c += 2)
            if (CYRoom* room = RoomAtCell(r, c)) room->Update(frameTime);
}

void CYLevel::MarkVisibility(int r, int c, bool visible) {
    struct Mark {
        int dr, dc;
        uint32_t bits;
    };
    static const Mark marks[] = {{0, 0, 1},  {-1, 0, 1},  {1, 0, 2},  {0, -1, 1 | 4}, {0, 1, 2 | 8},
                                 {-1, -1, 1}, {-1, 1, 2}, {1, -1, 16}, {1, 1, 32}};
    for (const Mark& m : marks) {
        if (!InGrid(r + m.dr, c + m.dc)) continue;
        uint32_t& word = visibility_[Index(r + m.dr, c + m.dc)];
        word = visible ? (word | m.bits) : (word & ~m.bits);
    }
}

void CYLevel::TurnOverRooms() {
    for (auto& room : rooms_)
        if (room) room->TurnOver();
}

void CYLevel::Render(CYCamera* camera) {
    if (!camera || visibility_.empty()) {
        TurnOverRooms();
        return;
    }
    for (int r = 1; r < rows_; r += 2)
        for (int c = 1; c < columns_; c += 2)
            if (CYRoom* room = RoomAtCell(r, c)) MarkVisibility(r, c, room->Render(camera));

    for (int r = 0; r < rows_; ++r)
        for (int c = 0; c < columns_; ++c) {
            const bool rowOdd = (r % 2) == 1, columnOdd = (c % 2) == 1;
            const uint32_t bits = visibility_[Index(r, c)];
            if (rowOdd != columnOdd) {
                if (!(bits & (YVIS_1 | YVIS_2))) continue;
                if (CYComplexObject* wall = objects_[Index(r, c)].get()) camera->DrawIfVisible(wall);
                if (CYComplexObject* edge = edgeObjects_[Index(r, c)]) camera->DrawIfVisible(edge);
            } else if (!rowOdd && (bits & (YVIS_1 | YVIS_2 | YVIS_4 | YVIS_8 | YVIS_16 | YVIS_32))) {
                if (CYComplexObject* column = objects_[Index(r, c)].get()) camera->DrawIfVisible(column);
            }
        }
}

// ---- Collision and rays ----------------------------------------------------------------------

bool CYLevel::CheckCollision(CYComplexObject* mover, const math::Vec3& p, float radius, const math::Vec3& dir,
                             float* distance, math::Vec3* contact, CYObject** hitObject) {
    if (!distance || !math::IsFinite(p)) return false;
    bool hit = false;
    int r = 0, c = 0;
    if (AxisCell(p.x, &r) && AxisCell(p.y, &c) && InGrid(r, c)) {
        static const int around[8][2] = {{-1, 0}, {1, 0}, {0, 1}, {0, -1}, {-1, -1}, {1, -1}, {-1, 1}, {1, 1}};
        for (const auto& d : around)
            if (CYComplexObject* object = ObjectAtCell(r + d[0], c + d[1]))
                hit |= object->TestCollision(mover, p, radius, dir, distance, contact, hitObject);
        for (int k = 0; k < 4; ++k)
            if (CYComplexObject* edge = EdgeObjectAtCell(r + around[k][0], c + around[k][1]))
                hit |= edge->TestCollision(mover, p, radius, dir, distance, contact, hitObject);
    }
    const float reach = 2.0f * (radius + *distance);
    std::vector<CYComplexObject*> near;
    CollidersNear(&near, p, reach);
    for (CYComplexObject* object : near) hit |= object->TestCollision(mover, p, radius, dir, distance, contact, hitObject);
    return hit;
}

bool CYLevel::CrossRay(const math::Vec4& origin, const math::Vec4& direction, math::Vec4* point, float* distance,
                       CYObject** hitObject, math::Plane* extra) {
    if (!distance || *distance == 0.0f) return false;
    int r = 0, c = 0;
    if (!AxisCell(origin.x, &r) || !AxisCell(origin.y, &c)) return false;
    return CrossRayFromCell(r, c, origin, direction, point, distance, hitObject, extra);
}

bool CYLevel::CrossRayFromCell(int r, int c, const math::Vec4& origin, const math::Vec4& direction,
                               math::Vec4* point, float* distance, CYObject** hitObject, math::Plane* extra) {
    if (!InGrid(r, c) || !distance) return false;
    static const int around[8][2] = {{-1, 0}, {1, 0}, {0, 1}, {0, -1}, {-1, -1}, {1, -1}, {-1, 1}, {1, 1}};
    bool sideHit = false;
    for (const auto& d : around)
        sideHit |= RayAgainstObject(ObjectAtCell(r + d[0], c + d[1]), origin, direction, point, distance, hitObject,
                                    extra);
    for (int k = 0; k < 4; ++k)
        sideHit |= RayAgainstObject(EdgeObjectAtCell(r + around[k][0], c + around[k][1]), origin, direction, point,
                                    distance, hitObject, extra);
    if (CYRoom* room = RoomAtCell(r, c))
        if (room->CrossRay(origin, direction, point, distance, hitObject, extra)) return true;
    if (sideHit) return true;

    // The side through which the ray leaves the cell, within one room side of the origin.
    const float x0 = kRoomSide * float((r - 1) / 2), y0 = kRoomSide * float((c - 1) / 2);
    float best = kFarRay;
    int nr = r, nc = c;
    auto consider = [&](float edge, float o, float d, bool positive, int tr, int tc) {
        const float t = (edge - o) / d;
        const bool inReach = positive ? (t >= 0.0f && t <= kRoomSide && t <= *distance)
                                      : (t >= 0.0f && t < kRoomSide && t < *distance);
        if (inReach && t < best) {
            best = t;
            nr = tr;
            nc = tc;
        }
    };
    if (direction.y < 0.0f) consider(y0, origin.y, direction.y, false, r, c - 2);
    if (direction.x < 0.0f) consider(x0, origin.x, direction.x, false, r - 2, c);
    if (direction.x > 0.0f) consider(x0 + kRoomSide, origin.x, direction.x, true, r + 2, c);
    if (direction.y > 0.0f) consider(y0 + kRoomSide, origin.y, direction.y, true, r, c + 2);
    if (nr == r && nc == c) return false;
    return CrossRayFromCell(nr, nc, origin, direction, point, distance, hitObject, extra);
}

// ---- Rooms and rectangles --------------------------------------------------------------------

bool CYLevel::RoomCellOf(float x, float y, int* r, int* c) const {
    int rr = 0, cc = 0;
    if (!AxisCell(x, &rr) || !AxisCell(y, &cc)) return false;
    if (rr <= 0 || rr >= rows_ - 1 || cc <= 0 || cc >= columns_ - 1) return false;
    if (r) *r = rr;
    if (c) *c = cc;
    return true;
}

CYRoom* CYLevel::GetRoomAt(const math::Vec3& p) const {
    int r = 0, c = 0;
    return RoomCellOf(p.x, p.y, &r, &c) ? RoomAtCell(r, c) : nullptr;
}

void CYLevel::GetObjectsInRect(std::vector<CYComplexObject*>* out, const math::Vec3& centre, float halfWidth,
                               float halfHeight) const {
    for (int r = 1; r < rows_; r += 2)
        for (int c = 1; c < columns_; c += 2)
            if (CYRoom* room = RoomAtCell(r, c)) room->GetObjectsInRect(out, centre, halfWidth, halfHeight);
}

void CYLevel::GetCollidersInRect(std::vector<CYComplexObject*>* out, const math::Vec3& centre, float halfWidth,
                                 float halfHeight) const {
    for (int r = 1; r < rows_; r += 2)
        for (int c = 1; c < columns_; c += 2)
            if (CYRoom* room = RoomAtCell(r, c)) room->GetCollidersInRect(out, centre, halfWidth, halfHeight);
}

void CYLevel::CollidersNear(std::vector<CYComplexObject*>* out, const math::Vec3& p, float reach) const {
    // Objects stand in the room under them and reach less than a room side beyond it, so
    // rooms farther away cannot hold anything that overlaps the square.
    const float margin = reach + kRoomSide;
    if (!std::isfinite(margin) || margin > kRoomSide * kMaxLevelRooms * 2) {
        GetCollidersInRect(out, p, reach, reach);
        return;
    }
    // Room index along an axis, held within -1 .. count before it becomes an integer.
    auto index = [](float v, int count) {
        const float f = std::floor(v / kRoomSide);
        return f < 0.0f ? -1 : (f > float(count) ? count : static_cast<int>(f));
    };
    const int i0 = std::max(0, index(p.x - margin, RoomRows())), i1 = std::min(RoomRows() - 1, index(p.x + margin, RoomRows()));
    const int j0 = std::max(0, index(p.y - margin, RoomColumns()));
    const int j1 = std::min(RoomColumns() - 1, index(p.y + margin, RoomColumns()));
    for (int i = i0; i <= i1; ++i)
        for (int j = j0; j <= j1; ++j)
            if (CYRoom* room = RoomAtIndex(i, j)) room->GetCollidersInRect(out, p, reach, reach);
}

// ---- Lit rooms and the passage map -----------------------------------------------------------

void CYLevel::SetWallSideLight(int r, int c, const char* part, const std::string& texture) {
    if (CYComplexObject* wall = ObjectAtCell(r, c))
        if (CYObject* side = wall->FindChild(part)) side->SetTexture(1, texture);
}

void CYLevel::SetRoomWallsLight(int r, int c, const std::string& texture) {
    SetWallSideLight(r - 1, c, "right", texture);
    SetWallSideLight(r + 1, c, "left", texture);
    SetWallSideLight(r, c - 1, "right", texture);
    SetWallSideLight(r, c + 1, "left", texture);
}

void CYLevel::UpdateLitRooms(const math::Vec3& position) {
    const size_t roomCount = static_cast<size_t>(RoomRows()) * RoomColumns();
    std::vector<uint8_t> reached(roomCount, 0), visited(roomCount, 0);
    int r0 = 0, c0 = 0;
    if (RoomCellOf(position.x, position.y, &r0, &c0)) MarkReachableRooms(&reached, &visited, r0, c0);

    pendingRooms_.clear();
    pendingEdgeObjects_.clear();
    for (int r = 1; r < rows_; r += 2)
        for (int c = 1; c < columns_; c += 2) {
            CYRoom* room = RoomAtCell(r, c);
            const size_t index = static_cast<size_t>((r - 1) / 2) * RoomColumns() + (c - 1) / 2;
            if (!reached[index] || !room) {
                if (room && room->IsLit()) {
                    SetRoomWallsLight(r, c, "light3.tga");
                    room->SetLit(false);
                }
                continue;
            }
            pendingRooms_.push_back(room);
            for (int side = 0; side < 4; ++side)
                if (CYComplexObject* edge = EdgeObjectAtCell(r + kSideRow[side], c + kSideColumn[side]))
                    pendingEdgeObjects_.push_back(edge);
            if (!room->IsLit()) {
                SetRoomWallsLight(r, c, "light2.tga");
                room->SetLit(true);
            }
        }
    BuildPassageMap();
}

void CYLevel::MarkReachableRooms(std::vector<uint8_t>* reached, std::vector<uint8_t>* visited, int r, int c) const {
    const size_t roomCount = static_cast<size_t>(RoomRows()) * RoomColumns();
    if (!reached || !visited || reached->size() < roomCount || visited->size() < roomCount) return;
    // A fill with a stack of its own: the grid may be far larger than the call stack allows.
    std::vector<std::pair<int, int>> stack{{r, c}};
    while (!stack.empty()) {
        const auto [cr, cc] = stack.back();
        stack.pop_back();
        if (!InGrid(cr, cc) || cr % 2 != 1 || cc % 2 != 1) continue;
        const size_t index = static_cast<size_t>((cr - 1) / 2) * RoomColumns() + (cc - 1) / 2;
        if ((*visited)[index]) continue;
        (*visited)[index] = 1;
        if (!RoomAtCell(cr, cc)) continue;
        (*reached)[index] = 1;
        for (int side = 0; side < 4; ++side)
            if (IsPassable(cr, cc, side)) stack.emplace_back(cr + 2 * kSideRow[side], cc + 2 * kSideColumn[side]);
    }
}

bool CYLevel::IsPassable(int r, int c, int side) const {
    CYRoom* room = RoomAtCell(r, c);
    if (!room || side < 0 || side > 3) return false;
    const int nr = r + kSideRow[side], nc = c + kSideColumn[side];
    if (CYComplexObject* wall = ObjectAtCell(nr, nc)) {
        float distance = kProbeLength;
        math::Vec3 contact;
        CYObject* part = nullptr;
        const math::Vec3 d(float(kSideRow[side]), float(kSideColumn[side]), 0.0f);
        if (wall->TestCollision(nullptr, room->GetCentre(), kProbeRadius, d, &distance, &contact, &part)) return false;
    }
    if (CYComplexObject* edge = EdgeObjectAtCell(nr, nc))
        if (!edge->ScriptHandler().flagParams["isOpened"]) return false;
    return true;
}

void CYLevel::BuildPassageMap() {
    std::fill(passageMap_.begin(), passageMap_.end(), 255);
    const int width = PassageMapWidth();
    auto set = [&](int x, int y) { passageMap_[static_cast<size_t>(y) * width + x] = 254; };
    for (int c = 1; c < columns_; c += 2)
        for (int r = 1; r < rows_; r += 2) {
            if (!RoomAtCell(r, c)) continue;
            const int i = (r - 1) / 2, j = (c - 1) / 2;
            set(3 * i + 1, 3 * j + 1);
            if (IsPassable(r, c, YSIDE_LOW_ROW)) set(3 * i, 3 * j + 1);
            if (IsPassable(r, c, YSIDE_HIGH_ROW)) set(3 * i + 2, 3 * j + 1);
            if (IsPassable(r, c, YSIDE_LOW_COLUMN)) set(3 * i + 1, 3 * j);
            if (IsPassable(r, c, YSIDE_HIGH_COLUMN)) set(3 * i + 1, 3 * j + 2);
        }
}

void CYLevel::ResetRoomLights(int r, int c) {
    CYRoom* room = RoomAtCell(r, c);
    if (!room) return;
    room->SetLit(false);
    SetRoomWallsLight(r, c, "light3.tga");
}

void CYLevel::ForgetObject(CYComplexObject* object) {
    if (!object) return;
    std::replace(edgeObjects_.begin(), edgeObjects_.end(), object, static_cast<CYComplexObject*>(nullptr));
    EraseAll(activeEdgeObjects_, object);
    EraseAll(pendingEdgeObjects_, object);
    for (auto& room : rooms_)
        if (room) room->RemoveObject(object);
}

// ---- Cells -----------------------------------------------------------------------------------

CYRoom* CYLevel::RoomAtCell(int r, int c) const {
    if (!InGrid(r, c) || rooms_.empty()) return nullptr;
    return rooms_[Index(r, c)].get();
}

CYComplexObject* CYLevel::ObjectAtCell(int r, int c) const {
    if (!InGrid(r, c) || objects_.empty()) return nullptr;
    return objects_[Index(r, c)].get();
}

CYComplexObject* CYLevel::EdgeObjectAtCell(int r, int c) const {
    if (!InGrid(r, c) || edgeObjects_.empty()) return nullptr;
    return edgeObjects_[Index(r, c)];
}

CYRoom* CYLevel::RoomAtIndex(int roomRow, int roomColumn) const {
    if (roomRow < 0 || roomColumn < 0 || roomRow >= RoomRows() || roomColumn >= RoomColumns()) return nullptr;
    return RoomAtCell(2 * roomRow + 1, 2 * roomColumn + 1);
}

uint32_t CYLevel::VisibilityAtCell(int r, int c) const {
    if (!InGrid(r, c) || visibility_.empty()) return 0;
    return visibility_[Index(r, c)];
}
