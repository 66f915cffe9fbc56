// The world's objects: registration under a name (and a droid slot), the lists that
// hold them, and their removal and deletion.
#include <algorithm>
#include <cstring>

#include "core/YLog.h"
#include "world/YDroids.h"
#include "world/YGameWorld.h"
#include "world/YLevel.h"
#include "world/YRoom.h"

namespace {

template <class T>
bool Contains(const std::vector<T*>& list, const T* item) {
    return std::find(list.begin(), list.end(), item) != list.end();
}

// The droid slot a registration name asks for: -1 for none. A name of at most five
// characters holding "droid" takes the first empty slot; a longer one the slot of its
// seventh character, "a" to "i" (any other seventh character takes none).
int SlotForName(const std::string& name, const YDroidSlots& slots) {
    if (name.find("droid") == std::string::npos) return -1;
    if (name.size() <= 5) {
        for (int i = 0; i < kDroidSlots; ++i)
            if (!slots[i]) return i;
        return -1;
    }
    if (name.size() < 7) return -1;
    const char c = name[6];
    return c >= 'a' && c <= 'i' ? c - 'a' : -1;
}

}  // namespace

void CYGameWorld::RegisterObject(CYComplexObject* object, const char* nameText) {
    if (!object) return;
    const std::string name = nameText ? nameText : "";
    const int slot = SlotForName(name, droidSlots_);
    if (slot >= 0) droidSlots_[slot] = object;
    // An object registered again under a second name is still updated once a frame.
    if (!name.empty() && name[0] != '_' && !Contains(pendingAdd_, object) && !Contains(liveObjects_, object))
        pendingAdd_.push_back(object);
    namedObjects_[name] = object;
    registered_.insert(object);
}

void CYGameWorld::ForgetKilledObject(CYComplexObject* object) {
    for (CYComplexObject*& slot : droidSlots_)
        if (slot == object) slot = nullptr;
    std::erase_if(namedObjects_, [object](const auto& entry) { return entry.second == object; });
    if (walkingLive_) std::replace(liveObjects_.begin(), liveObjects_.end(), object, static_cast<CYComplexObject*>(nullptr));
    else std::erase(liveObjects_, object);
    for (int buffer = 0; buffer < 2; ++buffer) {
        std::vector<uint32_t>& ids = MovingIds(buffer);
        size_t kept = 0;
        for (size_t i = 0; i < moving_[buffer].size(); ++i) {
            if (moving_[buffer][i] == object) continue;
            moving_[buffer][kept] = moving_[buffer][i];
            ids[kept++] = ids[i];
        }
        moving_[buffer].resize(kept);
        ids.resize(kept);
    }
}

void CYGameWorld::ForgetObject(CYComplexObject* object) {
    ForgetKilledObject(object);
    std::erase(pendingAdd_, object);
    if (pendingDroid_ == object) pendingDroid_ = nullptr;
    if (savedDroid_ == object) savedDroid_ = nullptr;
    if (camera_.GetTarget() == static_cast<YCameraSubject*>(object)) camera_.SetTarget(nullptr);
    for (auto& floor : floors_) floor->ForgetObject(object);
    // A room outside the floors (there is none in a loaded mission) still lets go of it.
    if (auto* room = dynamic_cast<CYRoom*>(object->GetRoom())) room->RemoveObject(object);
}

void CYGameWorld::KillObject(CYComplexObject* object, CYComplexObject* replacement) {
    if (!object) return;
    // The object lives on where the world's lists do not reach: the rooms, the level's
    // doors, the camera and the current droid keep it. The replacement, when given,
    // becomes the current droid.
    ForgetKilledObject(object);
    if (!replacement) return;
    if (currentDroid_) currentDroid_->ScriptHandler().flagParams["isActive"] = false;
    currentDroid_ = replacement;
    replacement->ScriptHandler().flagParams["isActive"] = true;
}

void CYGameWorld::DestroyCarriedRecord(CYComplexObject* object) {
    auto& params = object->ScriptHandler().objectParams;
    auto it = params.find("info");
    if (it == params.end() || it->second == 0) return;
    if (CYDroidRecord* record = DroidRecordOf(object)) rosters_.DestroyRecord(record);
}

void CYGameWorld::DeleteObject(CYComplexObject* object) {
    if (!object) return;
    // Only what the world holds is deleted, and only once: an object neither registered
    // nor waiting for deletion belongs to someone else or is gone already.
    if (!registered_.count(object) && !Contains(pendingDeletion_, object)) {
        Log(3, "CYGameWorld::DeleteObject: the world does not hold object %s\n", object->GetName().c_str());
        return;
    }
    // The object it rides on goes first; the rider is taken out of the lists first so
    // that the recursion does not reach it again.
    registered_.erase(object);
    std::erase(pendingDeletion_, object);
    if (CYComplexObject* carrier = object->GetCarrier()) DeleteObject(carrier);
    ForgetObject(object);
    DestroyCarriedRecord(object);
    if (currentDroid_ == object) {
        currentDroid_ = nullptr;
        camera_.SetTarget(nullptr);
    }
    // The destructor may re-place the object riding on this one: the rooms stay valid.
    delete object;
}

bool CYGameWorld::QueueObjectForDeletion(CYComplexObject* object) {
    if (!object || !registered_.count(object)) return false;
    registered_.erase(object);
    if (!Contains(pendingDeletion_, object)) pendingDeletion_.push_back(object);
    return true;
}
