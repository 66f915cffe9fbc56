// The events the game world answers, the interface mode, and the update of the rooms the
// camera's target can reach.
#include "core/YSettings.h"
#include "render/YNode.h"
#include "world/YGameWorld.h"
#include "world/YLevel.h"
#include "world/YRoom.h"

namespace {

constexpr float kQuarterPi = 0.7853982f;
constexpr float kClosestStart = 10000.0f;
constexpr const char* kControlAndActiveFlags[] = {"MoveForward", "MoveBackward", "RotateLeft",
                                                  "RotateRight", "Fire",         "isActive"};

CYGameWorld* World(void* context) { return static_cast<CYGameWorld*>(context); }

template <class T>
T* Out(intptr_t address) {
    return reinterpret_cast<T*>(address);
}

}  // namespace

// ---- Interface mode and visible rooms --------------------------------------------------------

void CYGameWorld::SetInterfaceMode(bool on) {
    if (on) {
        // Entering again keeps the droid saved when interface mode began.
        if (!interfaceMode_) savedDroid_ = currentDroid_;
        interfaceMode_ = 1;
        if (currentDroid_)
            for (const char* flag : kControlAndActiveFlags) currentDroid_->ScriptHandler().flagParams[flag] = false;
        currentDroid_ = nullptr;
        SendEvent(YEVENT_SET_CURSOR_TYPE, reinterpret_cast<intptr_t>("normal"), 0);
        return;
    }
    interfaceMode_ = 0;
    currentDroid_ = savedDroid_;
    if (!currentDroid_ || DroidSlotOf(droidSlots_, currentDroid_) < 0) {
        for (CYComplexObject* droid : droidSlots_)
            if (droid) {
                currentDroid_ = droid;
                break;
            }
    }
    camera_.SetViewVector(8.0f, kQuarterPi, 0.0f);
    if (currentDroid_) {
        currentDroid_->ScriptHandler().flagParams["isActive"] = true;
        camera_.SetTarget(currentDroid_);
    } else {
        camera_.SetTarget(GetNamedObject("Y"));
    }
    const std::weak_ptr<int> life = life_;
    UpdateVisibleRooms();
    if (life.expired()) return;
    SendEvent(YEVENT_SET_CURSOR_TYPE, reinterpret_cast<intptr_t>("hidden"), 0);
}

void CYGameWorld::UpdateVisibleRooms() {
    const std::weak_ptr<int> life = life_;
    // The camera's script may run here (and, in principle, delete the world).
    camera_.Update(0.0f);
    if (life.expired()) return;
    if (camera_.GetTarget()) {
        // Without a current floor (the target had left every floor) there is nothing to
        // reset, but the target's floor is still looked up, so that the current floor
        // follows the target when it comes back.
        if (currentFloor_)
            for (int r = 1; r < currentFloor_->Rows(); r += 2)
                for (int c = 1; c < currentFloor_->Columns(); c += 2) currentFloor_->ResetRoomLights(r, c);
        auto* target = dynamic_cast<CYComplexObject*>(camera_.GetTarget());
        FindObjectRoom(target, &currentFloor_, nullptr);
    }
    if (currentFloor_) currentFloor_->UpdateLitRooms(camera_.GetLookAt());
}

// ---- Event handlers --------------------------------------------------------------------------

void CYGameWorld::OnFrameEnd(void* context, intptr_t, intptr_t) {
    CYGameWorld* world = World(context);
    for (CYComplexObject* object : world->pendingAdd_) world->liveObjects_.push_back(object);
    world->pendingAdd_.clear();
    // Deleting one object may take the one it rides on with it: the list is read afresh.
    while (!world->pendingDeletion_.empty()) world->DeleteObject(world->pendingDeletion_.front());
}

void CYGameWorld::OnGetWorldNode(void* context, intptr_t a, intptr_t b) {
    if (a) *Out<CYNode*>(a) = World(context)->GetWorldNode(static_cast<int>(b));
}

void CYGameWorld::OnAction(void*, intptr_t, intptr_t) {}

void CYGameWorld::OnGetGameWorld(void* context, intptr_t a, intptr_t) {
    if (a) *Out<CYGameWorld*>(a) = World(context);
}

void CYGameWorld::OnUpdateVisibleRooms(void* context, intptr_t, intptr_t) { World(context)->UpdateVisibleRooms(); }

void CYGameWorld::OnObjectCreated(void* context, intptr_t a, intptr_t b) {
    World(context)->RegisterObject(reinterpret_cast<CYComplexObject*>(a), reinterpret_cast<const char*>(b));
}

void CYGameWorld::OnRegisterMovingObject(void* context, intptr_t a, intptr_t) {
    CYGameWorld* world = World(context);
    if (!a) return;
    auto* object = reinterpret_cast<CYComplexObject*>(a);
    std::vector<uint32_t>& ids = world->MovingIds(world->bufferIndex_);
    world->moving_[world->bufferIndex_].push_back(object);
    ids.push_back(object->ReferenceId());
}

void CYGameWorld::OnGetMovingObjects(void* context, intptr_t a, intptr_t b) {
    CYGameWorld* world = World(context);
    auto& buffer = world->moving_[(world->bufferIndex_ + 1) % 2];
    if (a) *Out<CYComplexObject**>(a) = buffer.empty() ? nullptr : buffer.data();
    if (b) *Out<int>(b) = static_cast<int>(buffer.size());
}

void CYGameWorld::OnGetClosestMovingObject(void* context, intptr_t a, intptr_t b) {
    if (!b) return;
    auto** answer = Out<CYComplexObject*>(b);
    *answer = nullptr;
    auto* object = reinterpret_cast<CYComplexObject*>(a);
    if (!object) return;
    CYGameWorld* world = World(context);
    const math::Vec3 p = object->GetPosition();
    float best = kClosestStart;
    const int buffer = (world->bufferIndex_ + 1) % 2;
    for (size_t i = 0; i < world->moving_[buffer].size(); ++i) {
        CYComplexObject* other = world->moving_[buffer][i];
        // Objects the world does not own (walls of replaced floors) may be gone.
        if (other == object || !world->MovingEntryAlive(buffer, i) || other->GetRoom() != object->GetRoom()) continue;
        const math::Vec3 q = other->GetPosition();
        const float d = (q.x - p.x) * (q.x - p.x) + (q.y - p.y) * (q.y - p.y);
        if (d < best) {
            best = d;
            *answer = other;
        }
    }
}

void CYGameWorld::OnGetComplexObject(void* context, intptr_t a, intptr_t b) {
    const char* name = reinterpret_cast<const char*>(a);
    CYComplexObject* object = World(context)->GetNamedObject(name ? name : "");
    if (b) *Out<CYComplexObject*>(b) = object;
}

void CYGameWorld::OnSetCameraTarget(void* context, intptr_t a, intptr_t) {
    World(context)->camera_.SetTarget(reinterpret_cast<CYComplexObject*>(a));
}

void CYGameWorld::OnSetInterfaceMode(void* context, intptr_t a, intptr_t) { World(context)->SetInterfaceMode(a != 0); }

void CYGameWorld::OnDisplayModeChanged(void* context, intptr_t, intptr_t) {
    CYGameWorld* world = World(context);
    if (!world->overlayCamera_) return;
    world->overlayCamera_->SetView(OverlayMatrix(float(g_settings.screenWidth), float(g_settings.screenHeight)));
    world->overlayCamera_->SetProjection(math::MatrixIdentity());
}

void CYGameWorld::OnChangeBackground(void* context, intptr_t a, intptr_t) {
    if (a) World(context)->ChangeBackground(reinterpret_cast<const char*>(a));
}

void CYGameWorld::OnIsValidObject(void* context, intptr_t a, intptr_t b) {
    if (b) *Out<uint8_t>(b) = World(context)->IsValidObject(reinterpret_cast<const void*>(a)) ? 1 : 0;
}
