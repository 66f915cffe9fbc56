// Script functions of the shop and the player's droids: the game-data catalogues, the
// points, buying and selling droids and their items, deploying a droid into a room,
// choosing the current droid, and the state a droid carries in its record. Without a
// world, and for an index outside its list, they do nothing and answer their defaults.
#include <lua.hpp>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "core/YCommandManager.h"
#include "core/YEvents.h"
#include "core/YLog.h"
#include "core/YNumbers.h"
#include "core/YTriggerRegistry.h"
#include "render/YMeshLoader.h"
#include "script/YScriptFunctions.h"
#include "script/YScriptObjects.h"
#include "world/YDroidModel.h"
#include "world/YDroids.h"
#include "world/YRoom.h"

namespace {

// Highest score.
constexpr int32_t kMaxPoints = 99999;
// Most droids the player's list may hold, and most devices one droid may carry.
constexpr size_t kMaxUserDroids = 1024;
constexpr size_t kMaxDevices = 256;
// Half size of the square around a spawn point that must hold no droid and no enemy.
constexpr float kSpawnHalfSize = 0.4f;
// Handler name of deployed droids.
const char* const kDroidHandlerName = "droid";

// The record at the index of the player's list, or null outside it (or without a world).
CYDroidRecord* UserDroid(CYGameWorld* world, int32_t index) {
    if (!world || index < 0) return nullptr;
    YRecordList& live = world->Rosters().Live();
    return static_cast<size_t>(index) < live.size() ? live[static_cast<size_t>(index)].get() : nullptr;
}

// Whether the player's list may take one more droid (logged when not).
bool UserListHasRoom(CYGameWorld* world) {
    if (world->Rosters().Live().size() < kMaxUserDroids) return true;
    Log(3, "The player's droid list holds %d droids: no more are added\n", static_cast<int>(kMaxUserDroids));
    return false;
}

// The record of a droid-object argument, or null.
CYDroidRecord* ArgDroidRecord(lua_State* L, int index) { return DroidRecordOf(ArgComplexObject(L, index)); }

void PushText(lua_State* L, const std::string& text) { lua_pushlstring(L, text.data(), text.size()); }

// The fields of a shop item: name, its numbers, the second text and the integer.
template <size_t N>
int PushItem(lua_State* L, const CYItemRecord<N>* item) {
    const CYItemRecord<N> empty;
    if (!item) item = &empty;
    PushText(L, item->name);
    for (float v : item->values) lua_pushnumber(L, v);
    PushText(L, item->text);
    lua_pushnumber(L, item->number);
    return static_cast<int>(N) + 3;
}

// Name, unlock level, chassis, armour, weapon, weapons count, device count, the devices.
int PushDroid(lua_State* L, const CYDroidRecord& record) {
    CheckResultRoom(L, 7 + record.devices.size(), "droid devices");
    PushText(L, record.name);
    lua_pushnumber(L, record.unlockLevel);
    PushText(L, record.chassis);
    PushText(L, record.armor);
    PushText(L, record.weapon);
    lua_pushnumber(L, record.weaponsCount);
    lua_pushnumber(L, static_cast<lua_Number>(record.devices.size()));
    for (const std::string& device : record.devices) PushText(L, device);
    return 7 + static_cast<int>(record.devices.size());
}

// The key of a catalogue's entry at the index of its order; empty outside it.
template <class Table>
std::string KeyAt(const Table& table, int32_t index) {
    if (index < 0 || static_cast<size_t>(index) >= table.Size()) return std::string();
    return (table.begin() + index)->first;
}

// Number of entries of a catalogue, or of the player's list for "user"; -1 for other kinds.
long CatalogueSize(CYGameWorld* world, const std::string& kind) {
    CYGameData& data = world->GameData();
    if (kind == "weapon") return static_cast<long>(data.weapons.Size());
    if (kind == "armor") return static_cast<long>(data.armors.Size());
    if (kind == "device") return static_cast<long>(data.devices.Size());
    if (kind == "chassis") return static_cast<long>(data.chassis.Size());
    if (kind == "droid") return static_cast<long>(data.droids.Size());
    if (kind == "user") return static_cast<long>(world->Rosters().Live().size());
    return -1;
}

// A droid and its floor: true, the object, trunc((z + 0.01) / 3); or false alone.
int PushDroidAndFloor(lua_State* L, CYComplexObject* droid) {
    if (!droid) {
        lua_pushboolean(L, false);
        return 1;
    }
    lua_pushboolean(L, true);
    PushReference(L, droid);
    lua_pushnumber(L, FloorOfHeightWithAllowance(droid->AbsolutePosition().z));
    return 3;
}

// The first spawn point of the room (flag "isSpawn") whose square holds no droid and no
// enemy; null when every one is taken or there is none.
CYComplexObject* FreeSpawnPoint(CYRoom* room) {
    for (CYComplexObject* spawn : room->DynamicObjects()) {
        if (!spawn || !spawn->ScriptHandler().flagParams["isSpawn"]) continue;
        std::vector<CYComplexObject*> near;
        room->GetObjectsInRect(&near, spawn->AbsolutePosition(), kSpawnHalfSize, kSpawnHalfSize);
        const bool taken = std::any_of(near.begin(), near.end(), [](CYComplexObject* o) {
            auto& flags = o->ScriptHandler().flagParams;
            return flags["isDroid"] || flags["isEnemy"];
        });
        if (!taken) return spawn;
    }
    return nullptr;
}

// The droid model of the record at the spawn point, handed to the world as a droid and
// brought up to date; null (nothing left behind) when the model cannot be loaded.
CYComplexObject* PlaceDroid(CYGameWorld* world, CYDroidRecord* record, const math::Vec3& at) {
    CYComplexObject* droid = nullptr;
    CYMeshLoader loader;
    if (FAILED(loader.LoadObject(kDroidDescription, &droid)) || !droid) return nullptr;
    SetDroidRecordOf(droid, record);
    FitDroidModel(droid, *record);
    // Named and entered for commands as the objects a level places are, "_" states watching
    // their triggers.
    droid->ScriptHandler().SetName(kDroidHandlerName);
    CYTriggerRegistry::RegisterWatchers(&droid->ScriptHandler());
    if (g_commandManager) g_commandManager->Register(&droid->ScriptHandler());
    SendEvent(YEVENT_REGISTER_OBJECT, reinterpret_cast<intptr_t>(droid), reinterpret_cast<intptr_t>(kDroidHandlerName));
    // The droid stands in the world's rooms, so that it is drawn and collides there.
    droid->SetWorld(world);
    droid->SetPosition(at);
    droid->UpdatePlacement();
    droid->Update(0.0f);
    droid->Update(0.0f);
    record->deployed = 1;
    return droid;
}

// Takes every object the world holds that carries the record out of the world (deleted at
// the end of the frame), tells its snapped rider, and clears its "info".
void RemoveDroidsOf(CYGameWorld* world, const CYDroidRecord* record) {
    std::vector<CYComplexObject*> carriers;
    for (CYComplexObject* object : world->RegisteredObjects())
        if (DroidRecordOf(object) == record) carriers.push_back(object);
    for (CYComplexObject* object : carriers) {
        world->QueueObjectForDeletion(object);
        if (CYComplexObject* rider = object->GetCarried(); rider && g_commandManager)
            g_commandManager->SendCommandByPointer(rider, "delete snap", std::to_string(object->ReferenceId()));
        SetDroidRecordOf(object, nullptr);
    }
}

}  // namespace

// ---- Catalogues -----------------------------------------------------------------------------

// GetProductInfoCount(kind): entries of the catalogue, or droids of the player's list for
// "user"; 0 for another kind.
int GetProductInfoCount(lua_State* L) {
    const std::string kind = ArgTextLenient(L, 1);
    CYGameWorld* world = QueryGameWorld();
    lua_pushnumber(L, world ? std::max(0L, CatalogueSize(world, kind)) : 0);
    return 1;
}

// GetProductInfoID(kind, index): the id at that place of the catalogue's order; empty for
// an index outside it, for "user" and for another kind.
int GetProductInfoID(lua_State* L) {
    const std::string kind = ArgTextLenient(L, 1);
    const int32_t index = ArgIntLenient(L, 2);
    CYGameWorld* world = QueryGameWorld();
    std::string id;
    if (world) {
        CYGameData& data = world->GameData();
        if (kind == "weapon") id = KeyAt(data.weapons, index);
        else if (kind == "armor") id = KeyAt(data.armors, index);
        else if (kind == "device") id = KeyAt(data.devices, index);
        else if (kind == "chassis") id = KeyAt(data.chassis, index);
        else if (kind == "droid") id = KeyAt(data.droids, index);
    }
    PushText(L, id);
    return 1;
}

// GetProductInfo(kind, id): the fields of the entry; those of an empty record for an id the
// catalogue does not hold (the catalogue is left as it is). For "user" the id is the
// index of the player's droid.
int GetProductInfo(lua_State* L) {
    const std::string kind = ArgTextLenient(L, 1);
    const std::string id = ArgTextLenient(L, 2);
    CYGameWorld* world = QueryGameWorld();
    if (!world) return 0;
    CYGameData& data = world->GameData();
    if (kind == "weapon") return PushItem(L, data.weapons.Find(id));
    if (kind == "armor") return PushItem(L, data.armors.Find(id));
    if (kind == "device") return PushItem(L, data.devices.Find(id));
    if (kind == "chassis") return PushItem(L, data.chassis.Find(id));
    const CYDroidRecord* record = nullptr;
    if (kind == "droid") record = data.droids.Find(id);
    else if (kind == "user") record = UserDroid(world, TextToInt(id, YNumberMode::Leading));
    else return 0;
    return PushDroid(L, record ? *record : CYDroidRecord());
}

// GetEnemyInfo(id): the six numbers of the enemy; zeros for an id the table does not hold.
int GetEnemyInfo(lua_State* L) {
    const std::string id = ArgTextLenient(L, 1);
    CYGameWorld* world = QueryGameWorld();
    const CYEnemyRecord* enemy = world ? world->GameData().enemies.Find(id) : nullptr;
    const CYEnemyRecord none;
    for (float v : (enemy ? enemy : &none)->values) lua_pushnumber(L, v);
    return 6;
}

// ---- Points ---------------------------------------------------------------------------------

int GetPointsCount(lua_State* L) {
    CYGameWorld* world = QueryGameWorld();
    lua_pushnumber(L, world ? world->LiveScore() : 0);
    return 1;
}

// SetPointsCount(points): at most 99999.
int SetPointsCount(lua_State* L) {
    const int32_t points = ArgIntLenient(L, 1);
    if (CYGameWorld* world = QueryGameWorld()) world->LiveScore() = std::min(points, kMaxPoints);
    return 0;
}

// ---- Buying and selling -----------------------------------------------------------------------

// BuyDroid(model, name): a droid of the model's parts and devices joins the player's list
// (a model the catalogue does not hold gives the default parts). The points stay.
int BuyDroid(lua_State* L) {
    const std::string model = ArgTextLenient(L, 1);
    const std::string name = ArgTextLenient(L, 2);
    CYGameWorld* world = QueryGameWorld();
    if (!world || !UserListHasRoom(world)) return 0;
    const CYDroidRecord* type = world->GameData().droids.Find(model);
    const CYDroidRecord fallback;
    if (!type) type = &fallback;
    CYDroidRecord record;
    record.name = name;
    record.armor = type->armor;
    record.chassis = type->chassis;
    record.weapon = type->weapon;
    record.weaponsCount = type->weaponsCount;
    record.devices = type->devices;
    world->Rosters().AddLive(record);
    return 0;
}

// SellDroid(index): the droid leaves the player's list; its deployed object keeps no record.
int SellDroid(lua_State* L) {
    const int32_t index = ArgIntLenient(L, 1);
    CYGameWorld* world = QueryGameWorld();
    if (UserDroid(world, index)) {
        YRecordList& live = world->Rosters().Live();
        live.erase(live.begin() + index);
    }
    return 0;
}

// BuyItem(index, kind, id): the droid takes the chassis, armour or weapon (one more weapon),
// or one more device.
int BuyItem(lua_State* L) {
    const int32_t index = ArgIntLenient(L, 1);
    const std::string kind = ArgTextLenient(L, 2);
    const std::string id = ArgTextLenient(L, 3);
    CYDroidRecord* record = UserDroid(QueryGameWorld(), index);
    if (!record) return 0;
    if (kind == "chassis") {
        record->chassis = id;
    } else if (kind == "armor") {
        record->armor = id;
    } else if (kind == "weapon") {
        record->weapon = id;
        if (record->weaponsCount < INT32_MAX) ++record->weaponsCount;
    } else if (kind == "device") {
        if (record->devices.size() < kMaxDevices) record->devices.push_back(id);
        else Log(3, "Droid - %s carries %d devices: no more are added\n", record->name.c_str(), int(kMaxDevices));
    }
    return 0;
}

// SellItem(index, kind, slot): one weapon fewer (the last leaves the weapon "none"), or the
// device of the slot (counted from 1) removed. A droid with no weapon has none to sell.
int SellItem(lua_State* L) {
    const int32_t index = ArgIntLenient(L, 1);
    const std::string kind = ArgTextLenient(L, 2);
    const int32_t slot = ArgIntLenient(L, 3);
    CYDroidRecord* record = UserDroid(QueryGameWorld(), index);
    if (!record) return 0;
    if (kind == "weapon" && record->weaponsCount > 0) {
        if (record->weaponsCount == 1) record->weapon = "none";
        --record->weaponsCount;
    } else if (kind == "device" && slot >= 1 && static_cast<size_t>(slot) <= record->devices.size()) {
        record->devices.erase(record->devices.begin() + (slot - 1));
    }
    return 0;
}

// AddDefaultUserDroid(): a droid of the default parts, named "Droid - 3", joins the list.
int AddDefaultUserDroid(lua_State*) {
    CYGameWorld* world = QueryGameWorld();
    if (!world || !UserListHasRoom(world)) return 0;
    CYDroidRecord record;
    record.name = DroidRecordName(3);
    world->Rosters().AddLive(record);
    return 0;
}

// DeleteUserDroids(): every droid of the player's list goes, with the objects that carry it.
int DeleteUserDroids(lua_State*) {
    CYGameWorld* world = QueryGameWorld();
    if (!world) return 0;
    YRecordList& live = world->Rosters().Live();
    for (const auto& record : live) RemoveDroidsOf(world, record.get());
    live.clear();
    return 0;
}

int GetUserDroidsCount(lua_State* L) {
    CYGameWorld* world = QueryGameWorld();
    lua_pushnumber(L, world ? static_cast<lua_Number>(world->Rosters().Live().size()) : 0);
    return 1;
}

// GetDroidsCount(): the player's droids and the droids the levels placed.
int GetDroidsCount(lua_State* L) {
    CYGameWorld* world = QueryGameWorld();
    const size_t n = world ? world->Rosters().Live().size() + world->Rosters().Placed().size() : 0;
    lua_pushnumber(L, static_cast<lua_Number>(n));
    return 1;
}

// ---- Deploying and choosing droids ------------------------------------------------------------

int IsDroidDeployed(lua_State* L) {
    const int32_t index = ArgIntLenient(L, 1);
    const CYDroidRecord* record = UserDroid(QueryGameWorld(), index);
    lua_pushboolean(L, record && record->deployed);
    return 1;
}

// DeployDroid(index, room): the droid of the player's list at the first free spawn point of
// the room: true, the spawn point's x and y, the droid; false when the list has no such
// droid, the room no free spawn point, or the model cannot be loaded.
int DeployDroid(lua_State* L) {
    const int32_t index = ArgIntLenient(L, 1);
    CYGameWorld* world = QueryGameWorld();
    CYDroidRecord* record = UserDroid(world, index);
    CYRoom* room = world && lua_type(L, 2) == LUA_TLIGHTUSERDATA ? world->ResolveRoom(lua_touserdata(L, 2)) : nullptr;
    CYComplexObject* spawn = record && room ? FreeSpawnPoint(room) : nullptr;
    const math::Vec3 at = spawn ? spawn->AbsolutePosition() : math::Vec3();
    CYComplexObject* droid = spawn ? PlaceDroid(world, record, at) : nullptr;
    if (!droid) {
        lua_pushboolean(L, false);
        return 1;
    }
    lua_pushboolean(L, true);
    lua_pushnumber(L, at.x);
    lua_pushnumber(L, at.y);
    PushReference(L, droid);
    return 4;
}

// IsUserDroid(object): whether the object carries a droid of the player's list.
int IsUserDroid(lua_State* L) {
    CYComplexObject* object = ArgComplexObject(L, 1);
    CYGameWorld* world = QueryGameWorld();
    const CYDroidRecord* record = world ? DroidRecordOf(object) : nullptr;
    lua_pushboolean(L, record && world->Rosters().IsLive(record));
    return 1;
}

// GetDroid(slot): the droid of the slot (0 to 8) and its floor, or false.
int GetDroid(lua_State* L) {
    const int32_t slot = ArgIntLenient(L, 1);
    CYGameWorld* world = QueryGameWorld();
    return PushDroidAndFloor(L, world ? world->GetDroidSlot(slot) : nullptr);
}

int GetCurrentDroid(lua_State* L) {
    CYGameWorld* world = QueryGameWorld();
    return PushDroidAndFloor(L, world ? world->GetCurrentDroid() : nullptr);
}

// SetCurrentDroid(droid, unused): the droid becomes the current and the saved droid and the
// camera follows it; "isActive" moves from the old current droid to it.
int SetCurrentDroid(lua_State* L) {
    CYComplexObject* droid = ArgComplexObject(L, 1);
    CYGameWorld* world = QueryGameWorld();
    if (droid && world) world->SetCurrentDroid(droid);
    return 0;
}

int NextDroid(lua_State* L) {
    CYGameWorld* world = QueryGameWorld();
    PushReference(L, world ? world->NextDroid() : nullptr);
    return 1;
}

int PrevDroid(lua_State* L) {
    CYGameWorld* world = QueryGameWorld();
    PushReference(L, world ? world->PrevDroid() : nullptr);
    return 1;
}

// ChangeDroid(number): the droid of slot number - 1 becomes pending, unless it cannot be
// changed to; the current droid otherwise.
int ChangeDroid(lua_State* L) {
    const int64_t slot = static_cast<int64_t>(ArgInt(L, 1)) - 1;
    CYGameWorld* world = QueryGameWorld();
    CYComplexObject* droid = nullptr;
    if (world) droid = slot >= 0 && slot < kDroidSlots ? world->ChangeDroid(static_cast<int>(slot)) : world->GetCurrentDroid();
    PushReference(L, droid);
    return 1;
}

// ---- A droid's record -------------------------------------------------------------------------

int GetDroidName(lua_State* L) {
    const CYDroidRecord* record = ArgDroidRecord(L, 1);
    PushText(L, record ? record->name : std::string());
    return 1;
}

int GetChassisType(lua_State* L) {
    const CYDroidRecord* record = ArgDroidRecord(L, 1);
    PushText(L, record ? record->chassis : std::string());
    return 1;
}

int GetArmorType(lua_State* L) {
    const CYDroidRecord* record = ArgDroidRecord(L, 1);
    PushText(L, record ? record->armor : std::string());
    return 1;
}

int GetWeaphonType(lua_State* L) {
    const CYDroidRecord* record = ArgDroidRecord(L, 1);
    PushText(L, record ? record->weapon : std::string());
    return 1;
}

int GetArmorState(lua_State* L) {
    const CYDroidRecord* record = ArgDroidRecord(L, 1);
    lua_pushnumber(L, record ? record->armorState : 0.0f);
    return 1;
}

int SetArmorState(lua_State* L) {
    CYDroidRecord* record = ArgDroidRecord(L, 1);
    const float value = ArgFloat(L, 2);
    if (record) record->armorState = value;
    return 0;
}

int GetWeaponState(lua_State* L) {
    const CYDroidRecord* record = ArgDroidRecord(L, 1);
    lua_pushnumber(L, record ? record->weaponState : 0.0f);
    return 1;
}

int SetWeaponState(lua_State* L) {
    CYDroidRecord* record = ArgDroidRecord(L, 1);
    const float value = ArgFloat(L, 2);
    if (record) record->weaponState = value;
    return 0;
}

int GetWeaponsCount(lua_State* L) {
    const CYDroidRecord* record = ArgDroidRecord(L, 1);
    lua_pushnumber(L, record ? record->weaponsCount : 0);
    return 1;
}

// SetWeaponsCount(droid, count): below 1 the droid's weapon also becomes "none".
int SetWeaponsCount(lua_State* L) {
    CYDroidRecord* record = ArgDroidRecord(L, 1);
    const int32_t count = ArgInt(L, 2);
    if (!record) return 0;
    record->weaponsCount = count;
    if (count < 1) record->weapon = "none";
    return 0;
}

// GetDroidDevices(droid): the count and a table of the device names; 0 alone without a record.
int GetDroidDevices(lua_State* L) {
    const CYDroidRecord* record = ArgDroidRecord(L, 1);
    if (!record) {
        lua_pushnumber(L, 0);
        return 1;
    }
    return PushCountAndTable(L, record->devices, [](lua_State* L, const std::string& d) { PushText(L, d); });
}
