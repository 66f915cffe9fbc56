// World and rooms: creating, running and deleting the game world, its floors and rooms,
// moving objects, collision and ray tests, removing objects, paths across the room grid
// and the main camera. Floors and rooms cross to scripts as handles the world gives out;
// a floor, room, row or column from a script that lies outside the grid is "no room".
#include <cstdio>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include <lua.hpp>

#include "core/YCommandManager.h"
#include "core/YLog.h"
#include "render/YCamera.h"
#include "script/YScriptArgs.h"
#include "script/YScriptFunctions.h"
#include "script/YScriptObjects.h"
#include "script/YScriptResults.h"
#include "world/YGameWorld.h"
#include "world/YLevel.h"
#include "world/YPathFinder.h"
#include "world/YRoom.h"

namespace {

// A path for the scripts: the moves FindPath found, until DeleteMoves.
class CYMoveList : public CYReferenced {
public:
    std::vector<YMove> moves;
};

// Move lists that scripts have not deleted yet. A script that never deletes its lists
// cannot grow the store without bound: beyond the limit the oldest list goes.
constexpr size_t kMaxMoveLists = 1024;
std::deque<std::unique_ptr<CYMoveList>>& MoveLists() {
    static std::deque<std::unique_ptr<CYMoveList>> lists;
    return lists;
}

CYMoveList* KeepMoveList(std::vector<YMove> moves) {
    auto& lists = MoveLists();
    if (lists.size() >= kMaxMoveLists) {
        Log(3, "FindPath: more than %u move lists kept; the oldest is deleted\n", unsigned(kMaxMoveLists));
        lists.pop_front();
    }
    lists.push_back(std::make_unique<CYMoveList>());
    lists.back()->moves = std::move(moves);
    return lists.back().get();
}

void DeleteMoveList(const CYMoveList* list) {
    auto& lists = MoveLists();
    for (auto it = lists.begin(); it != lists.end(); ++it)
        if (it->get() == list) {
            lists.erase(it);
            return;
        }
}

// The floor of a script's floor index, or null (no world, or outside the list).
CYLevel* ArgFloor(CYGameWorld* world, lua_State* L, int index, bool strict) {
    const int floor = strict ? ArgInt(L, index) : ArgIntLenient(L, index);
    return world ? world->GetFloor(floor) : nullptr;
}

// A room argument (a handle the world gave out); null for anything else.
CYRoom* ArgRoom(lua_State* L, int index) {
    if (lua_type(L, index) != LUA_TLIGHTUSERDATA) return nullptr;
    CYGameWorld* world = QueryGameWorld();
    return world ? world->ResolveRoom(lua_touserdata(L, index)) : nullptr;
}

void PushRoom(lua_State* L, CYGameWorld* world, CYRoom* room) {
    lua_pushlightuserdata(L, world && room ? world->RoomReference(room) : nullptr);
}

void PushLevel(lua_State* L, CYGameWorld* world, CYLevel* level) {
    lua_pushlightuserdata(L, world && level ? world->LevelReference(level) : nullptr);
}

void PushVec3(lua_State* L, const math::Vec3& v) {
    lua_pushnumber(L, v.x);
    lua_pushnumber(L, v.y);
    lua_pushnumber(L, v.z);
}

// The room cell of room indices, computed wide so that no script value overflows; false
// outside the floor's grid.
bool RoomCell(const CYLevel* level, int32_t roomRow, int32_t roomColumn, int* r, int* c) {
    const int64_t row = 2 * int64_t{roomRow} + 1;
    const int64_t column = 2 * int64_t{roomColumn} + 1;
    if (!level || row < 1 || column < 1 || row >= level->Rows() - 1 || column >= level->Columns() - 1) return false;
    *r = static_cast<int>(row);
    *c = static_cast<int>(column);
    return true;
}

// The main camera, for a camera argument. The world has one camera; any live reference
// given as the camera (the world, the camera's script, an object) names it.
CYCamera* ArgCamera(lua_State* L, int index) {
    if (ArgReferenceId(L, index) == 0) return nullptr;
    return QuerySingleton<CYCamera>(YEVENT_GET_CAMERA);
}

// The moving objects of the previous frame (event 15).
void QueryMovingObjects(CYComplexObject*** first, int* count) {
    *first = nullptr;
    *count = 0;
    SendEvent(YEVENT_GET_MOVING_OBJECTS, reinterpret_cast<intptr_t>(first), reinterpret_cast<intptr_t>(count));
    if (!*first || *count < 0) *count = 0;
}

std::string ReferenceText(const CYReferenced* object) {
    char text[16];
    std::snprintf(text, sizeof text, "%d", static_cast<int>(object->ReferenceId()));
    return text;
}

int PushObjectList(lua_State* L, const std::vector<CYComplexObject*>& objects) {
    CheckResultRoom(L, 3, "object list");
    return PushCountAndTable(L, objects, [](lua_State* l, CYComplexObject* o) { PushReference(l, o); });
}

// The name of the wall object of a cell, or the empty text.
const char* WallText(const CYLevel* level, int r, int c) {
    const CYComplexObject* wall = level->ObjectAtCell(r, c);
    return wall ? wall->GetName().c_str() : "";
}

}  // namespace

// ---- The world -------------------------------------------------------------------------------

int CreateGameWorld(lua_State* L) {
    PushReference(L, new CYGameWorld());
    return 1;
}

int InitGameWorld(lua_State* L) {
    CYGameWorld* world = ArgObject<CYGameWorld>(L, 1);
    lua_pushboolean(L, world && SUCCEEDED(world->Init()));
    return 1;
}

int SetGameOver(lua_State* L) {
    if (CYGameWorld* world = ArgObject<CYGameWorld>(L, 1)) world->SetGameOver();
    return 0;
}

int UpdateGameWorld(lua_State* L) {
    CYGameWorld* world = ArgObject<CYGameWorld>(L, 1);
    const double frameTime = ArgFloatLenient(L, 2);
    if (world) world->Update(frameTime);
    return 0;
}

int DeleteGameWorld(lua_State* L) {
    CYGameWorld::Destroy(ArgObject<CYGameWorld>(L, 1));
    return 0;
}

int GetGameWorld(lua_State* L) {
    PushReference(L, QueryGameWorld());
    return 1;
}

// ---- Floors and rooms ------------------------------------------------------------------------

int GetLevelsCount(lua_State* L) {
    CYGameWorld* world = QueryGameWorld();
    lua_pushnumber(L, world ? static_cast<lua_Number>(world->Floors().size()) : 0);
    return 1;
}

int GetLevelDimensions(lua_State* L) {
    CYLevel* level = ArgFloor(QueryGameWorld(), L, 1, false);
    lua_pushnumber(L, level ? (level->Rows() - 1) / 2 : 0);
    lua_pushnumber(L, level ? (level->Columns() - 1) / 2 : 0);
    return 2;
}

int GetRoom(lua_State* L) {
    CYGameWorld* world = QueryGameWorld();
    CYLevel* level = ArgFloor(world, L, 1, false);
    int r = 0, c = 0;
    const bool cell = RoomCell(level, ArgIntLenient(L, 2), ArgIntLenient(L, 3), &r, &c);
    CYRoom* room = cell ? level->RoomAtCell(r, c) : nullptr;
    if (!room) {
        lua_pushboolean(L, false);
        return 1;
    }
    lua_pushboolean(L, true);
    lua_pushnumber(L, room->FloorType());
    lua_pushstring(L, WallText(level, r, c - 1));
    lua_pushstring(L, WallText(level, r + 1, c));
    lua_pushstring(L, WallText(level, r, c + 1));
    lua_pushstring(L, WallText(level, r - 1, c));
    PushRoom(L, world, room);
    return 7;
}

int GetDoors(lua_State* L) {
    CYLevel* level = ArgFloor(QueryGameWorld(), L, 1, false);
    int r = 0, c = 0;
    const bool cell = RoomCell(level, ArgIntLenient(L, 2), ArgIntLenient(L, 3), &r, &c);
    const int cells[4][2] = {{r, c - 1}, {r + 1, c}, {r, c + 1}, {r - 1, c}};
    for (const auto& at : cells) PushReference(L, cell ? level->EdgeObjectAtCell(at[0], at[1]) : nullptr);
    return 4;
}

int GetRoomDoor(lua_State* L) {
    const int32_t floor = ArgInt(L, 1);
    const int32_t row = ArgInt(L, 2);
    const int32_t column = ArgInt(L, 3);
    const int32_t side = ArgInt(L, 4);
    CYGameWorld* world = QueryGameWorld();
    PushReference(L, world ? world->GetRoomDoor(floor, row, column, side) : nullptr);
    return 1;
}

int GetActiveObjectsInRoom(lua_State* L) {
    CYLevel* level = ArgFloor(QueryGameWorld(), L, 1, false);
    int r = 0, c = 0;
    const bool cell = RoomCell(level, ArgIntLenient(L, 2), ArgIntLenient(L, 3), &r, &c);
    CYRoom* room = cell ? level->RoomAtCell(r, c) : nullptr;
    return PushObjectList(L, room ? room->DynamicObjects() : std::vector<CYComplexObject*>{});
}

int GetActiveObjectsInRect(lua_State* L) {
    const math::Vec3 centre(ArgFloat(L, 1), ArgFloat(L, 2), ArgFloat(L, 3));
    const float halfWidth = ArgFloat(L, 4);
    const float halfDepth = ArgFloat(L, 5);
    std::vector<CYComplexObject*> objects;
    if (CYGameWorld* world = QueryGameWorld()) world->GetActiveObjectsInRect(&objects, centre, halfWidth, halfDepth);
    return PushObjectList(L, objects);
}

// GetRoomCenter of the first table and GetRoomPosition answer alike.
int GetRoomCenterShadowed(lua_State* L) { return GetRoomCenter(L); }

int GetRoomCenter(lua_State* L) {
    CYRoom* room = ArgRoom(L, 1);
    PushVec3(L, room ? room->GetCentre() : math::Vec3());
    return 3;
}

int GetRoomPosition(lua_State* L) { return GetRoomCenter(L); }

int GetObjectRoom(lua_State* L) {
    CYComplexObject* object = ArgComplexObject(L, 1);
    CYGameWorld* world = QueryGameWorld();
    CYRoom* room = nullptr;
    if (object && world) world->FindObjectRoom(object, nullptr, &room);
    PushRoom(L, world, room);
    return 1;
}

int GetCObjLevelRoom(lua_State* L) {
    CYComplexObject* object = ArgComplexObject(L, 1);
    CYGameWorld* world = QueryGameWorld();
    CYLevel* level = nullptr;
    CYRoom* room = nullptr;
    if (object && world) world->FindObjectRoom(object, &level, &room);
    PushLevel(L, world, level);
    PushRoom(L, world, room);
    return 2;
}

int GetObjectInfo(lua_State* L) {
    CYComplexObject* object = ArgComplexObject(L, 1);
    CYGameWorld* world = QueryGameWorld();
    CYLevel* level = nullptr;
    CYRoom* room = nullptr;
    if (object && world) world->FindObjectRoom(object, &level, &room);
    PushLevel(L, world, level);
    lua_pushnumber(L, room ? room->RoomRow() : 0);
    lua_pushnumber(L, room ? room->RoomColumn() : 0);
    PushRoom(L, world, room);
    return 4;
}

int SetObjectRoom(lua_State* L) {
    CYComplexObject* object = ArgComplexObject(L, 1);
    CYRoom* room = ArgRoom(L, 2);
    if (object && room) object->SetRoom(room);
    return 0;
}

// ---- Moving objects --------------------------------------------------------------------------

int RegisterMovingObject(lua_State* L) {
    if (CYComplexObject* object = ArgComplexObject(L, 1))
        SendEvent(YEVENT_REGISTER_MOVING_OBJECT, reinterpret_cast<intptr_t>(object), 0);
    return 0;
}

int GetMovingObjectsCount(lua_State* L) {
    CYComplexObject** first = nullptr;
    int count = 0;
    QueryMovingObjects(&first, &count);
    lua_pushnumber(L, count);
    return 1;
}

// The entry is read through the world, which knows whether that object still lives.
int GetMovingObject(lua_State* L) {
    const int32_t index = ArgIntLenient(L, 1);
    CYGameWorld* world = QueryGameWorld();
    PushReference(L, world ? world->PreviousMovingObject(index) : nullptr);
    return 1;
}

int GetRoomClosestMovingObject(lua_State* L) {
    CYComplexObject* object = ArgComplexObject(L, 1);
    CYComplexObject* closest = nullptr;
    if (object)
        SendEvent(YEVENT_GET_CLOSEST_MOVING_OBJECT, reinterpret_cast<intptr_t>(object),
                  reinterpret_cast<intptr_t>(&closest));
    lua_pushboolean(L, closest != nullptr);
    PushReference(L, closest);
    return 2;
}

int GetRoomMovingObjectsCount(lua_State* L) {
    CYRoom* room = ArgRoom(L, 1);
    lua_pushnumber(L, room ? static_cast<lua_Number>(room->ReadableMovingObjects().size()) : 0);
    return 1;
}

int GetRoomMovingObject(lua_State* L) {
    CYRoom* room = ArgRoom(L, 1);
    const int32_t index = ArgInt(L, 2);
    CYComplexObject* object = nullptr;
    if (room && index >= 0 && static_cast<size_t>(index) < room->ReadableMovingObjects().size())
        object = room->ReadableMovingObjects()[index];
    PushReference(L, object);
    return 1;
}

int UpdateVisibleRooms(lua_State*) {
    SendEvent(YEVENT_UPDATE_VISIBLE_ROOMS, 0, 0);
    return 0;
}

// ---- Collision and rays ----------------------------------------------------------------------

int CheckCollision(lua_State* L) {
    CYComplexObject* object = ArgComplexObject(L, 1);
    const math::Vec3 p(ArgFloat(L, 2), ArgFloat(L, 3), ArgFloat(L, 4));
    const float radius = ArgFloat(L, 5);
    const math::Vec3 dir(ArgFloat(L, 6), ArgFloat(L, 7), ArgFloat(L, 8));
    float distance = ArgFloat(L, 9);
    CYGameWorld* world = QueryGameWorld();
    bool hit = false;
    CYObject* part = nullptr;
    if (object && world) {
        // The object must not hit itself.
        const bool collidable = object->IsCollidable();
        object->SetCollidable(false);
        math::Vec3 contact;
        hit = world->CheckCollision(nullptr, p, radius, dir, &distance, &contact, &part);
        object->SetCollidable(collidable);
    }
    lua_pushboolean(L, hit);
    PushPart(L, hit ? part : nullptr);
    return 2;
}

int CrossRay(lua_State* L) {
    const math::Vec4 origin{ArgFloat(L, 1), ArgFloat(L, 2), ArgFloat(L, 3), 1.0f};
    const math::Vec4 direction{ArgFloat(L, 4), ArgFloat(L, 5), ArgFloat(L, 6), 1.0f};
    float distance = ArgFloat(L, 7);
    CYGameWorld* world = QueryGameWorld();
    math::Vec4 point{};
    math::Plane plane{};
    CYObject* hitObject = nullptr;
    if (!world || distance == 0.0f || !world->CrossRay(origin, direction, &point, &distance, &hitObject, &plane)) {
        lua_pushboolean(L, false);
        return 1;
    }
    lua_pushboolean(L, true);
    lua_pushnumber(L, distance);
    PushPart(L, hitObject);
    lua_pushnumber(L, point.x);
    lua_pushnumber(L, point.y);
    lua_pushnumber(L, point.z);
    lua_pushnumber(L, plane.a);
    lua_pushnumber(L, plane.b);
    lua_pushnumber(L, plane.c);
    lua_pushnumber(L, plane.d);
    return 10;
}

// ---- Removing objects ------------------------------------------------------------------------

int IsValidObject(lua_State* L) {
    CYComplexObject* object = ArgComplexObject(L, 1);
    CYGameWorld* world = QueryGameWorld();
    lua_pushboolean(L, object && world && world->IsValidObject(object));
    return 1;
}

int KillObject(lua_State* L) {
    CYComplexObject* object = ArgComplexObject(L, 1);
    CYComplexObject* replacement = ArgComplexObject(L, 2);
    CYGameWorld* world = QueryGameWorld();
    if (!object || !world) return 0;
    const math::Vec3 position = object->GetPosition();
    const float at[3] = {position.x, position.y, position.z};
    CYRoom* room = nullptr;
    world->FindObjectRoom(object, nullptr, &room);
    if (room) room->KillObject(object);
    world->KillObject(object, replacement);
    SendEvent(YEVENT_SET_CAMERA_TARGET, reinterpret_cast<intptr_t>(replacement), 0);
    SendEvent(YEVENT_EXPLODE, reinterpret_cast<intptr_t>(at), 0);
    return 0;
}

int DestroyObject(lua_State* L) {
    CYComplexObject* object = ArgComplexObject(L, 1);
    if (!object) return 0;
    const std::string reference = ReferenceText(object);
    CYGameWorld* world = QueryGameWorld();
    if (world && world->QueueObjectForDeletion(object)) {
        if (CYComplexObject* child = object->GetCarried(); child && g_commandManager)
            g_commandManager->SendCommandByPointer(child->ScriptHandler().Owner(), "delete snap", reference);
    }
    if (g_commandManager) g_commandManager->SendCommandToAll(nullptr, "destroy object", reference);
    return 0;
}

// ---- Paths -----------------------------------------------------------------------------------

int FindPath(lua_State* L) {
    CYComplexObject* object = ArgComplexObject(L, 1);
    CYComplexObject* ignored = ArgComplexObject(L, 2);
    const int32_t targetRow = ArgIntLenient(L, 3);
    const int32_t targetColumn = ArgIntLenient(L, 4);
    const float targetX = ArgFloatLenient(L, 5);
    const float targetY = ArgFloatLenient(L, 6);
    CYGameWorld* world = QueryGameWorld();
    CYLevel* level = nullptr;
    CYRoom* room = nullptr;
    if (object && world) world->FindObjectRoom(object, &level, &room);
    std::vector<YMove> moves;
    if (!level || !room ||
        !FindObjectPath(level, room, object, ignored, targetRow, targetColumn, targetX, targetY, &moves)) {
        lua_pushboolean(L, false);
        PushNull(L);
        lua_pushnumber(L, 0);
        return 3;
    }
    const size_t count = moves.size();
    lua_pushboolean(L, true);
    PushReference(L, KeepMoveList(std::move(moves)));
    lua_pushnumber(L, static_cast<lua_Number>(count));
    return 3;
}

int GetMove(lua_State* L) {
    CYMoveList* list = ArgObject<CYMoveList>(L, 1);
    const YMove move = GetMoveAt(list ? &list->moves : nullptr, ArgIntLenient(L, 2));
    lua_pushnumber(L, move.length);
    lua_pushnumber(L, move.heading);
    return 2;
}

int DeleteMoves(lua_State* L) {
    if (CYMoveList* list = ArgObject<CYMoveList>(L, 1)) DeleteMoveList(list);
    return 0;
}

// ---- The camera ------------------------------------------------------------------------------

int GetCameraPos(lua_State* L) {
    CYCamera* camera = QuerySingleton<CYCamera>(YEVENT_GET_CAMERA);
    PushVec3(L, camera ? camera->GetEye() : math::Vec3());
    return 3;
}

int SnapCameraToObject(lua_State* L) {
    SendEvent(YEVENT_SET_CAMERA_TARGET, reinterpret_cast<intptr_t>(ArgComplexObject(L, 1)), 0);
    return 0;
}

int SetCameraZAngle(lua_State* L) {
    CYCamera* camera = ArgCamera(L, 1);
    const float angle = ArgFloatLenient(L, 2);
    if (camera) camera->SetViewVector(camera->GetDistance(), camera->GetPitch(), angle);
    return 0;
}

int GetCameraZAngle(lua_State* L) {
    CYCamera* camera = ArgCamera(L, 1);
    lua_pushnumber(L, camera ? camera->GetYaw() : 0.0f);
    return 1;
}

int SetCameraLookAt(lua_State* L) {
    CYCamera* camera = ArgCamera(L, 1);
    const math::Vec3 point(ArgFloatLenient(L, 2), ArgFloatLenient(L, 3), ArgFloatLenient(L, 4));
    if (camera) camera->SetLookAt(point);
    return 0;
}

int GetCameraLookAt(lua_State* L) {
    CYCamera* camera = ArgCamera(L, 1);
    PushVec3(L, camera ? camera->GetLookAt() : math::Vec3());
    return 3;
}
