#include "world/YRoom.h"

#include <algorithm>
#include <cstdio>

#include "core/YCommandManager.h"
#include "core/YEvents.h"
#include "core/YLog.h"
#include "core/YTextParser.h"
#include "core/YTimer.h"
#include "core/YTokenizer.h"
#include "core/YUtils.h"
#include "render/YCamera.h"
#include "render/YMeshLoader.h"
#include "world/YLevel.h"

namespace {

constexpr float kHalfPi = 1.5707964f;
constexpr float kPi = 3.1415927f;
constexpr float kThreeHalfPi = 4.712389f;
constexpr float kInterfaceReach = 1.5f;

void EraseAll(std::vector<CYComplexObject*>& list, const CYComplexObject* object) {
    list.erase(std::remove(list.begin(), list.end(), object), list.end());
}

bool Contains(const std::vector<CYComplexObject*>& list, const CYComplexObject* object) {
    return std::find(list.begin(), list.end(), object) != list.end();
}

// Every part of the object's tree.
std::vector<CYObject*> AllParts(const CYComplexObject* object) {
    std::vector<CYObject*> parts;
    for (CYObject* part : object->Parts()) part->CollectTree(&parts);
    return parts;
}

// The object's floor rectangle: the centre and half sizes of its world box.
bool OverlapsRect(const CYComplexObject* object, const math::Vec3& centre, float halfWidth, float halfHeight) {
    const CYBoundingBox& box = object->GetBox();
    const float cx = (box.min.x + box.max.x) * 0.5f, cy = (box.min.y + box.max.y) * 0.5f;
    const float hw = (box.max.x - box.min.x) * 0.5f, hh = (box.max.y - box.min.y) * 0.5f;
    return BoxesOverlap2D(centre.x, centre.y, halfWidth, halfHeight, cx, cy, hw, hh);
}

// The ray against every visible, colliding top-level part of the object.
bool RayAgainstParts(const CYComplexObject* object, const math::Vec4& origin, const math::Vec4& direction,
                     math::Vec4* point, float* distance, CYObject** hitObject, math::Plane* extra) {
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

CYRoom::CYRoom(int roomRow, int roomColumn) : roomRow_(roomRow), roomColumn_(roomColumn) {}

CYRoom::~CYRoom() {
    // Objects still standing here must not keep a pointer to the room.
    for (auto* list : {&staticObjects_, &dynamicObjects_, &updatedObjects_, &pendingAdd_, &movingObjects_[0],
                       &movingObjects_[1]})
        for (CYComplexObject* object : *list)
            if (object && object->GetRoom() == this) object->SetRoom(nullptr);
    delete floorObject_;
}

// ---- Building --------------------------------------------------------------------------------

HRESULT CYRoom::BuildFloor(CYLevel* level, int type, const math::Vec3& centre, CYTextParser* parser) {
    floorType_ = type;
    centre_ = centre;
    boxMin_ = math::Vec4{boxMin_.x + centre.x, boxMin_.y + centre.y, boxMin_.z + centre.z, boxMin_.w};
    boxMax_ = math::Vec4{boxMax_.x + centre.x, boxMax_.y + centre.y, boxMax_.z + centre.z, boxMax_.w};
    level_ = level;

    const char* file = type == 1 ? "floor.adf" : "floorHole.adf";
    CYMeshLoader loader;
    CYComplexObject* floor = nullptr;
    if (FAILED(loader.LoadObject(file, &floor)) || !floor) {
        Log(3, "Level: floor template %s cannot be loaded (room %d, %d)\n", file, roomRow_, roomColumn_);
        delete floor;
        return E_FAIL;
    }
    if (type != 1) {
        // A floor hole is turned by its type and, marked as moved, announced by its Update.
        float turn = 0.0f;
        if (type == 2) turn = kHalfPi;
        else if (type == 3) turn = kPi;
        else if (type == 4) turn = kThreeHalfPi;
        floor->SetMoved();
        floor->SetHeading(floor->GetHeading() + turn);
        floor->Update(0.0f);
    }

    // The floor texture line: a non-empty value replaces texture 0 of every part but the shaft.
    std::string line, key, value;
    if (parser && parser->GetLine(line)) {
        CYTokenizer tokens(line, "=", false);
        tokens.NextToken(key);
        tokens.NextToken(value);
        Trim(value);
    }
    if (!value.empty())
        for (CYObject* part : AllParts(floor))
            if (part->GetName() != "shaft") part->SetTexture(0, value);

    floor->SetRoom(this);
    floor->SetPosition(centre);
    floor->UpdatePlacement();
    floor->Update(0.0f);
    floor->CreateRenderNodes();
    floorObject_ = floor;
    floor->ScriptHandler().flagParams["isFloor"] = true;
    FillLight();
    return S_OK;
}

void CYRoom::FillLight() {
    light_ = gfx::Light();
    light_.type = gfx::LIGHT_POINT;
    light_.diffuse = gfx::ColorValue{1.0f, 1.0f, 1.0f, 0.0f};
    light_.specular = gfx::ColorValue{1.0f, 1.0f, 1.0f, 0.0f};
    light_.ambient = gfx::ColorValue{0.0f, 0.0f, 0.0f, 0.0f};
    light_.position = math::Vec3(centre_.x, centre_.y, centre_.z + 3.0f);
    light_.direction = math::Vec3(0.0f, 0.0f, 0.0f);
    light_.range = 5.125f;
    light_.falloff = 0.0f;
    light_.attenuation0 = 0.0f;
    light_.attenuation1 = 1.0f;
    light_.attenuation2 = 0.0f;
    light_.theta = 0.0f;
    light_.phi = 0.0f;
}

void CYRoom::AddObject(CYComplexObject* object, float dx, float dy, float heading) {
    if (!object) return;
    const std::string& handler = object->ScriptHandler().Name();
    if (object->IsActive() && (handler.empty() || handler[0] == '_') && !Contains(pendingAdd_, object))
        pendingAdd_.push_back(object);
    object->SetRoom(this);
    if (level_) object->SetWorld(level_->GetWorld());
    object->SetPosition(math::Vec3(centre_.x + dx, centre_.y + dy, centre_.z));
    object->UpdatePlacement();
    object->SetHeading(heading);
    object->SetMoved();
    object->UpdatePlacement();
    if (!object->IsActive()) {
        staticObjects_.push_back(object);
    } else {
        object->ScriptHandler().SetState("init", 0);
        dynamicObjects_.push_back(object);
    }
}

// ---- Per frame -------------------------------------------------------------------------------

bool CYRoom::Render(CYCamera* camera) {
    bool visible = false;
    if (camera && camera->IsInFrustum(math::Vec3(boxMin_.x, boxMin_.y, boxMin_.z),
                                      math::Vec3(boxMax_.x, boxMax_.y, boxMax_.z))) {
        visible = true;
        drawnFrame_ = g_timer.frameCounter;
        if (lit_ && level_ && level_->GetWorld()) level_->GetWorld()->AddLight(light_);
        SendEvent(YEVENT_ROOM_DRAWN, 0, 0);
        if (floorObject_) camera->DrawIfVisible(floorObject_);
        if (lit_) {
            for (CYComplexObject* object : dynamicObjects_) camera->DrawIfVisible(object);
            for (CYComplexObject* object : staticObjects_) camera->DrawIfVisible(object);
        }
    }
    TurnOver();
    return visible;
}

void CYRoom::TurnOver() {
    frameParity_ = (frameParity_ + 1) % 2;
    movingObjects_[frameParity_].clear();
}

void CYRoom::Update(float frameTime) {
    updating_ = true;
    // Entries of objects that leave the room while the list is walked are cleared, not
    // erased, so the walk never meets an object that has gone. A killed object keeps
    // its entry until the walk is over.
    for (size_t i = 0; i < updatedObjects_.size(); ++i)
        if (CYComplexObject* object = updatedObjects_[i]) object->Update(frameTime);
    updating_ = false;

    for (CYComplexObject* object : pendingAdd_)
        if (!Contains(updatedObjects_, object)) updatedObjects_.push_back(object);
    pendingAdd_.clear();
    for (CYComplexObject* object : pendingRemove_) {
        auto first = std::find(updatedObjects_.begin(), updatedObjects_.end(), object);
        if (first != updatedObjects_.end()) updatedObjects_.erase(first);
    }
    pendingRemove_.clear();
    EraseAll(updatedObjects_, nullptr);
}

void CYRoom::SetLit(bool lit) {
    if (floorObject_)
        for (CYObject* part : AllParts(floorObject_)) part->SetTexture(1, lit ? "light2.tga" : "light3.tga");
    lit_ = lit;
}

// ---- Queries ---------------------------------------------------------------------------------

void CYRoom::GetObjectsInRect(std::vector<CYComplexObject*>* out, const math::Vec3& centre, float halfWidth,
                              float halfHeight) const {
    if (!out) return;
    for (CYComplexObject* object : dynamicObjects_)
        if (OverlapsRect(object, centre, halfWidth, halfHeight)) out->push_back(object);
}

void CYRoom::GetCollidersInRect(std::vector<CYComplexObject*>* out, const math::Vec3& centre, float halfWidth,
                                float halfHeight) const {
    if (!out) return;
    GetObjectsInRect(out, centre, halfWidth, halfHeight);
    for (CYComplexObject* object : staticObjects_)
        if (OverlapsRect(object, centre, halfWidth, halfHeight)) out->push_back(object);
}

bool CYRoom::CrossRay(const math::Vec4& origin, const math::Vec4& direction, math::Vec4* point, float* distance,
                      CYObject** hitObject, math::Plane* extra) const {
    bool hit = false;
    if (floorObject_ && floorObject_->IsCollidable())
        hit |= RayAgainstParts(floorObject_, origin, direction, point, distance, hitObject, extra);
    for (const CYComplexObject* object : staticObjects_)
        if (object->IsCollidable()) hit |= RayAgainstParts(object, origin, direction, point, distance, hitObject, extra);
    for (const CYComplexObject* object : dynamicObjects_)
        if (object->IsVisible() && object->IsCollidable())
            hit |= RayAgainstParts(object, origin, direction, point, distance, hitObject, extra);
    return hit;
}

void CYRoom::ReportInterfaceObjects(const math::Vec3& point) {
    // Commands are only queued, so the list does not change under the walk.
    for (CYComplexObject* object : dynamicObjects_) {
        CYScriptHandler& handler = object->ScriptHandler();
        if (!handler.flagParams["hasInterface"]) continue;
        if (!handler.flagParams["isActivated"]) {
            if (!OverlapsRect(object, point, kInterfaceReach, kInterfaceReach)) continue;
            handler.flagParams["isActivated"] = true;
        }
        char param[512];
        std::snprintf(param, sizeof param, "%s,%u", handler.textParams["interface"].c_str(),
                      static_cast<unsigned>(handler.objectParams["intObject"]));
        if (g_commandManager) g_commandManager->SendCommandByName("interface", "border", param);
    }
}

// ---- Object lists ----------------------------------------------------------------------------

void CYRoom::RemoveFromUpdated(CYComplexObject* object) {
    if (!updating_) {
        EraseAll(updatedObjects_, object);
        return;
    }
    std::replace(updatedObjects_.begin(), updatedObjects_.end(), object, static_cast<CYComplexObject*>(nullptr));
    if (!Contains(pendingRemove_, object)) pendingRemove_.push_back(object);
}

void CYRoom::RemoveObject(CYComplexObject* object) {
    if (!object) return;
    EraseAll(staticObjects_, object);
    EraseAll(dynamicObjects_, object);
    EraseAll(pendingAdd_, object);
    RemoveFromUpdated(object);
    EraseAll(movingObjects_[0], object);
    EraseAll(movingObjects_[1], object);
}

void CYRoom::KillObject(CYComplexObject* object) {
    if (!object) return;
    EraseAll(dynamicObjects_, object);
    if (!updating_) EraseAll(updatedObjects_, object);
    else pendingRemove_.push_back(object);
    EraseAll(movingObjects_[0], object);
    EraseAll(movingObjects_[1], object);
}

bool CYRoom::HoldsObject(const CYComplexObject* object) const {
    if (!object) return false;
    for (const auto* list : {&staticObjects_, &dynamicObjects_, &updatedObjects_, &pendingAdd_, &movingObjects_[0],
                             &movingObjects_[1]})
        if (Contains(*list, object)) return true;
    return false;
}

bool CYRoom::ContainsPoint(const math::Vec3& p) const {
    return p.x >= boxMin_.x && p.x < boxMax_.x && p.y >= boxMin_.y && p.y < boxMax_.y && p.z >= boxMin_.z &&
           p.z < boxMax_.z;
}

void CYRoom::EnterObject(CYComplexObject* object, bool update) {
    if (!object) return;
    EraseAll(pendingRemove_, object);
    if (!Contains(dynamicObjects_, object)) dynamicObjects_.push_back(object);
    if (update && !Contains(pendingAdd_, object)) pendingAdd_.push_back(object);
}

void CYRoom::LeaveObject(CYComplexObject* object) {
    // Every list, the static and pending ones too: an object that leaves (or is
    // deleted) must not be drawn or updated here again.
    RemoveObject(object);
}

void CYRoom::AddMovedObject(CYComplexObject* object) {
    if (object) movingObjects_[frameParity_].push_back(object);
}

bool CYRoom::IsDrawnThisFrame() const { return drawnFrame_ == g_timer.frameCounter; }
