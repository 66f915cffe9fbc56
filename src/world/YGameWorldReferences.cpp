// Rooms and floors as the references scripts hold. A handle names the floor index and
// the room indices as well as the address, so that a room or floor that the world no
// longer has (a new mission replaced the floors) reads as null instead of freed memory.
#include "world/YGameWorld.h"
#include "world/YLevel.h"
#include "world/YRoom.h"

namespace {

// Handles kept before the ones that no longer name anything are dropped.
constexpr size_t kHandlePurgeThreshold = 4096;

}  // namespace

bool CYGameWorld::HandleResolves(const CYPlaceHandle& handle) const {
    CYLevel* level = GetFloor(handle.floor);
    if (!level) return false;
    if (handle.roomRow < 0) return level == handle.target;
    return level->RoomAtIndex(handle.roomRow, handle.roomColumn) == handle.target;
}

void* CYGameWorld::PlaceReference(const void* target, int floor, int roomRow, int roomColumn) {
    auto it = placeHandles_.find(target);
    if (it != placeHandles_.end()) {
        const CYPlaceHandle& handle = *it->second;
        if (handle.floor == floor && handle.roomRow == roomRow && handle.roomColumn == roomColumn &&
            HandleResolves(handle))
            return handle.Reference();
        // The address now names another room or floor: the old handle reads as null.
        placeHandles_.erase(it);
    }
    if (placeHandles_.size() >= kHandlePurgeThreshold)
        std::erase_if(placeHandles_, [this](const auto& entry) { return !HandleResolves(*entry.second); });
    auto handle = std::make_unique<CYPlaceHandle>(target, floor, roomRow, roomColumn);
    void* reference = handle->Reference();
    placeHandles_[target] = std::move(handle);
    return reference;
}

void* CYGameWorld::LevelReference(CYLevel* level) {
    if (!level) return nullptr;
    for (size_t i = 0; i < floors_.size(); ++i)
        if (floors_[i].get() == level) return PlaceReference(level, static_cast<int>(i), -1, -1);
    return nullptr;
}

void* CYGameWorld::RoomReference(CYRoom* room) {
    if (!room) return nullptr;
    for (size_t i = 0; i < floors_.size(); ++i) {
        CYLevel* level = floors_[i].get();
        if (level != room->GetLevel()) continue;
        if (level->RoomAtIndex(room->RoomRow(), room->RoomColumn()) != room) return nullptr;
        return PlaceReference(room, static_cast<int>(i), room->RoomRow(), room->RoomColumn());
    }
    return nullptr;
}

const CYGameWorld::CYPlaceHandle* CYGameWorld::FindHandle(const void* reference) const {
    auto* handle = dynamic_cast<CYPlaceHandle*>(FindReferenced(ReferenceIdOf(reference)));
    if (!handle) return nullptr;
    // A handle of another world is not this world's.
    auto it = placeHandles_.find(handle->target);
    return it != placeHandles_.end() && it->second.get() == handle ? handle : nullptr;
}

CYRoom* CYGameWorld::ResolveRoom(const void* reference) const {
    const CYPlaceHandle* handle = FindHandle(reference);
    if (!handle || handle->roomRow < 0 || !HandleResolves(*handle)) return nullptr;
    return GetFloor(handle->floor)->RoomAtIndex(handle->roomRow, handle->roomColumn);
}

CYLevel* CYGameWorld::ResolveLevel(const void* reference) const {
    const CYPlaceHandle* handle = FindHandle(reference);
    if (!handle || handle->roomRow >= 0 || !HandleResolves(*handle)) return nullptr;
    return GetFloor(handle->floor);
}
