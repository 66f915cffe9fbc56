#include "world/YGameWorld.h"

#include <cmath>
#include <cstdio>

#include "core/YCommandManager.h"
#include "core/YLog.h"
#include "core/YSettings.h"
#include "core/YTriggerRegistry.h"
#include "render/YBBoxRenderer.h"
#include "render/YEffectNode.h"
#include "render/YLightSetNode.h"
#include "render/YNode.h"
#include "render/YObject.h"
#include "render/YPolygonRenderer.h"
#include "render/YRenderer.h"
#include "render/YTextures.h"
#include "world/YDroidModel.h"
#include "world/YLevel.h"
#include "world/YRoom.h"

namespace {

constexpr float kFloorFactor = 0.33333334f;
constexpr float kFloorAllowance = 0.01f;
constexpr float kThirdPi = 1.0471976f;
constexpr const char* kDefaultBackground = "backgrounds\\podlozka.tga";
constexpr const char* kBackgroundEffect = "background.fx";
constexpr const char* kCameraScript = "mainCamera.lua";
// The control flags the world carries from one droid to the next.
constexpr const char* kControlFlags[] = {"MoveForward", "MoveBackward", "RotateLeft", "RotateRight", "Fire"};

// trunc(f) as a floor index; -1 when it is not finite or beyond any floor list.
int FloorIndex(float f) {
    if (!std::isfinite(f) || f <= -1.0f || f >= 1.0e6f) return -1;
    return static_cast<int>(f);
}

CYWorld* CreateWorldNode(CYNode* parent) {
    if (!parent) return nullptr;
    auto* node = new CYWorld(math::MatrixIdentity());
    if (FAILED(node->Create()) || FAILED(parent->AddChild(node))) {
        delete node;
        return nullptr;
    }
    return node;
}

CYBBoxRenderer* CreateBoundingBoxNode(CYNode* parent) {
    if (!parent) return nullptr;
    auto* node = new CYBBoxRenderer();
    if (FAILED(node->Create()) || FAILED(parent->AddChild(node))) {
        delete node;
        return nullptr;
    }
    return node;
}

gfx::Vertex BackgroundVertex(float x, float y, float u, float v) {
    gfx::Vertex vertex;
    vertex.x = x;
    vertex.y = y;
    vertex.z = 1.0f;
    vertex.nz = -1.0f;
    vertex.diffuse = 0xFFFFFFFF;
    vertex.u0 = vertex.u1 = u;
    vertex.v0 = vertex.v1 = v;
    return vertex;
}

bool IsInInterfaceMode(const CYGameWorld* world) { return world && world->IsInterfaceMode(); }

}  // namespace

int FloorOfHeightWithAllowance(float z) { return FloorIndex((z + kFloorAllowance) * kFloorFactor); }
int FloorOfHeight(float z) { return FloorIndex(z * kFloorFactor); }

CYGameWorld::CYGameWorld() : scriptHandler_(this) {
    namedObjects_.rehash(kWorldTableBuckets);
    registered_.rehash(kWorldTableBuckets);
}

CYGameWorld::~CYGameWorld() {
    life_.reset();
    // Scripts that still hold the world see null from here on.
    DropReference();
    UnsubscribeAll();
    // Objects queued for deletion first, then every registered one; deleting one may
    // take the object it rides on with it, so each list is read afresh every time.
    while (!pendingDeletion_.empty()) DeleteObject(pendingDeletion_.front());
    while (!registered_.empty()) DeleteObject(*registered_.begin());
    currentFloor_ = nullptr;
    floors_.clear();
    rosters_.DestroyAll();
    camera_.SetTarget(nullptr);
    DeleteSceneNodes();
    background_.reset();
}

void CYGameWorld::DeleteSceneNodes() {
    if (!renderer_ || g_renderer != renderer_) return;
    CYNode* mine[] = {camera_.GetNode(), backgroundCamera_, overlayCamera_};
    // Only nodes still hanging under the root are deleted: a pointer is compared, never
    // followed, until it is found there.
    std::vector<CYNode*> found;
    for (CYNode* child : renderer_->GetRoot()->Children())
        for (CYNode* node : mine)
            if (node && child == node) found.push_back(child);
    for (CYNode* node : found) delete node;
    hiddenWorldNode_ = nullptr;
    lightSet_ = nullptr;
    for (CYNode*& node : worldNodes_) node = nullptr;
    for (CYNode*& node : overlayNodes_) node = nullptr;
    bboxParent_ = nullptr;
    bboxNode_ = nullptr;
    overlayCamera_ = nullptr;
    backgroundCamera_ = nullptr;
    backgroundEffect_ = nullptr;
    backgroundTextures_ = nullptr;
    backgroundSink_ = nullptr;
}

// ---- Init ------------------------------------------------------------------------------------

void CYGameWorld::NameHandler(CYScriptHandler& handler, const char* name) {
    handler.SetName(name);
    CYTriggerRegistry::RegisterWatchers(&handler);
    if (g_commandManager) g_commandManager->Register(&handler);
}

void CYGameWorld::StartCameraScript() {
    CYScriptHandler& handler = camera_.ScriptHandler();
    handler.AddState("idle", kCameraScript);
    handler.ClearCommands();
    if (handler.IdleState()) handler.SwitchToIdle();
}

void CYGameWorld::Subscribe() {
    SubscribeOnce(YEVENT_GET_WORLD_PARAM, this, OnGetWorldNode);
    SubscribeOnce(YEVENT_ACTION, this, OnAction);
    SubscribeOnce(YEVENT_GET_GAME_WORLD, this, OnGetGameWorld);
    SubscribeOnce(YEVENT_UPDATE_VISIBLE_ROOMS, this, OnUpdateVisibleRooms);
    SubscribeOnce(YEVENT_REGISTER_OBJECT, this, OnObjectCreated);
    SubscribeOnce(YEVENT_REGISTER_MOVING_OBJECT, this, OnRegisterMovingObject);
    SubscribeOnce(YEVENT_GET_MOVING_OBJECTS, this, OnGetMovingObjects);
    SubscribeOnce(YEVENT_GET_CLOSEST_MOVING_OBJECT, this, OnGetClosestMovingObject);
    SubscribeOnce(YEVENT_GET_COMPLEX_OBJECT, this, OnGetComplexObject);
    SubscribeOnce(YEVENT_SET_CAMERA_TARGET, this, OnSetCameraTarget);
    SubscribeOnce(YEVENT_FRAME, this, OnFrameEnd);
    SubscribeOnce(YEVENT_SET_INTERFACE_MODE, this, OnSetInterfaceMode);
    SubscribeOnce(YEVENT_DISPLAY_MODE_CHANGED, this, OnDisplayModeChanged);
    SubscribeOnce(YEVENT_CHANGE_BACKGROUND, this, OnChangeBackground);
    SubscribeOnce(YEVENT_IS_VALID_OBJECT, this, OnIsValidObject);
}

void CYGameWorld::SetUpCamera() {
    camera_.SetLookAt(math::Vec3(0.25f, 0.25f, 0.0f));
    camera_.SetProjection(kThirdPi, 1000.0f);
    camera_.SetViewVector(8.0f, 0.0f, 0.0f);
}

math::Matrix CYGameWorld::OverlayMatrix(float width, float height) {
    // A screen of no size would give infinities; one pixel stands in for it.
    if (!(width >= 1.0f)) width = 1.0f;
    if (!(height >= 1.0f)) height = 1.0f;
    math::Matrix m = math::MatrixOrthoOffCenterLH(0.0f, width, 0.0f, height, 0.0f, 1.0f);
    m.m[1][1] *= -1.0f;
    m.m[3][1] += 2.0f;
    return m;
}

HRESULT CYGameWorld::BuildSceneNodes() {
    CYNode* cameraNode = camera_.GetNode();
    hiddenWorldNode_ = CreateWorldNode(cameraNode);
    lightSet_ = renderer_->AddLightingNode(cameraNode);
    for (int i = 0; i < 3; ++i) worldNodes_[i] = CreateWorldNode(lightSet_);
    worldNodes_[3] = CreateWorldNode(cameraNode);
    worldNodes_[4] = CreateWorldNode(cameraNode);
    bboxParent_ = CreateWorldNode(cameraNode);
    bboxNode_ = CreateBoundingBoxNode(bboxParent_);
    overlayCamera_ = renderer_->AddCameraNode();
    if (overlayCamera_) {
        overlayCamera_->SetView(OverlayMatrix(float(g_settings.screenWidth), float(g_settings.screenHeight)));
        overlayCamera_->SetProjection(math::MatrixIdentity());
    }
    return S_OK;
}

void CYGameWorld::BuildBackground() {
    const std::vector<gfx::Vertex> vertices = {
        BackgroundVertex(-1.0f, 1.0f, 0.0f, 0.0f), BackgroundVertex(1.0f, 1.0f, 1.0f, 0.0f),
        BackgroundVertex(1.0f, -1.5f, 1.0f, 1.0f), BackgroundVertex(-1.0f, -1.5f, 0.0f, 1.0f)};
    const std::vector<uint16_t> indices = {0, 2, 1, 0, 3, 2};
    background_ = std::make_unique<CYObject>("Background", vertices, indices, 0);
}

HRESULT CYGameWorld::Init() {
    // A second call would hang a second set of nodes under the root: it answers as the first.
    if (initCalled_) {
        Log(3, "CYGameWorld::Init: the world is initialised already\n");
        return initResult_;
    }
    initCalled_ = true;
    initResult_ = InitOnce();
    return initResult_;
}

HRESULT CYGameWorld::InitOnce() {
    g_isWorldInInterfaceMode = IsInInterfaceMode;
    NameHandler(scriptHandler_, "GameWorld");
    NameHandler(camera_.ScriptHandler(), "MainCamera");
    StartCameraScript();
    LoadGameData();
    Subscribe();
    SetUpCamera();
    renderer_ = QueryRenderer();
    if (renderer_) {
        backgroundCamera_ = renderer_->AddCameraNode();
        if (backgroundCamera_) {
            backgroundCamera_->SetView(math::MatrixIdentity());
            backgroundCamera_->SetProjection(math::MatrixIdentity());
        }
    }
    const HRESULT hr = camera_.CreateNode();
    if (FAILED(hr)) {
        Log(3, "CYGameWorld::Init: the camera node could not be made\n");
        return hr;
    }
    camera_.Update(0.0f);
    BuildSceneNodes();
    BuildBackground();
    backgroundEffect_ = backgroundCamera_ ? renderer_->GetEffectNode(backgroundCamera_, kBackgroundEffect) : nullptr;
    ChangeBackground(kDefaultBackground);
    for (CYNode*& node : overlayNodes_) node = CreateWorldNode(overlayCamera_);
    return hr;
}

CYRenderer* CYGameWorld::QueryRenderer() {
    CYRenderer* renderer = nullptr;
    SendEvent(YEVENT_GET_RENDERER, reinterpret_cast<intptr_t>(&renderer), 0);
    return renderer;
}

HRESULT CYGameWorld::LoadGameData() { return gameData_.LoadGameData(); }

// ---- Update ----------------------------------------------------------------------------------

void CYGameWorld::Destroy(CYGameWorld* world) {
    if (!world) return;
    if (world->busyDepth_ > 0) {
        world->deleteRequested_ = true;
        return;
    }
    delete world;
}

bool CYGameWorld::LeaveBusy() {
    if (--busyDepth_ > 0 || !deleteRequested_) return true;
    delete this;
    return false;
}

void CYGameWorld::Update(double frameTime) {
    ++busyDepth_;
    UpdateFrame(frameTime);
    if (!LeaveBusy() || busyDepth_ > 0 || !requestedMission_) return;
    // Nothing of the frame is on the stack any more: the rooms and objects may go.
    const YMissionRequest request = std::move(*requestedMission_);
    requestedMission_.reset();
    LoadMission(request.path, request.number);
}

void CYGameWorld::UpdateFrame(double frameTime) {
    const float t = std::isfinite(frameTime) ? static_cast<float>(frameTime) : 0.0f;
    const std::weak_ptr<int> life = life_;
    if (pendingDroid_) {
        ApplyPendingDroid();
        if (life.expired()) return;
    }
    if (!interfaceMode_) {
        RunScript(t);
        if (life.expired()) return;
    } else if (CYPolygonSink* sink = GetBackgroundSink()) {
        sink->AddGeometry(background_.get());
    }
    SwapMovingBuffers();
    ResetFrameLights();
    if (!interfaceMode_ && currentFloor_) {
        UpdateFloor(t);
        if (life.expired()) return;
        if (currentFloor_) ReportBorderDroids();
    }
    if (interfaceMode_) {
        camera_.SetTarget(nullptr);
        camera_.SetLookAt(backgroundLookAt_);
        camera_.SetViewVector(backgroundViewVector_.x, backgroundViewVector_.y, backgroundViewVector_.z);
    }
    camera_.Update(t);
    if (life.expired()) return;
    RenderFloors();
}

void CYGameWorld::RenderFloors() {
    // Objects move on every floor, so every room ends its frame: the current floor while
    // it is drawn, the others without drawing. Otherwise the moves of the floors the
    // camera is not on would pile up for the whole mission.
    CYLevel* drawn = interfaceMode_ ? nullptr : currentFloor_;
    for (auto& floor : floors_)
        if (floor && floor.get() != drawn) floor->TurnOverRooms();
    if (drawn) drawn->Render(&camera_);
}

void CYGameWorld::TransferControls() {
    if (!pendingDroid_ || !currentDroid_) return;
    auto& from = currentDroid_->ScriptHandler().flagParams;
    auto& to = pendingDroid_->ScriptHandler().flagParams;
    for (const char* flag : kControlFlags) to[flag] = from[flag];
    for (const char* flag : kControlFlags) from[flag] = false;
}

void CYGameWorld::ApplyPendingDroid() {
    TransferControls();
    currentDroidHandlerName_ = pendingDroid_->ScriptHandler().Name();
    if (currentDroid_) currentDroid_->ScriptHandler().flagParams["isActive"] = false;
    currentDroid_ = pendingDroid_;
    pendingDroid_ = nullptr;
    currentDroid_->ScriptHandler().flagParams["isActive"] = true;
    camera_.SetTarget(currentDroid_);
    const std::weak_ptr<int> life = life_;
    camera_.Update(0.0f);
    if (life.expired()) return;
    if (g_commandManager) g_commandManager->SendCommandByName("interface", "UpdateDroid", "");
    UpdateVisibleRooms();
}

void CYGameWorld::RunScript(float frameTime) { scriptHandler_.Step(frameTime); }

void CYGameWorld::SwapMovingBuffers() {
    bufferIndex_ = (bufferIndex_ + 1) % 2;
    moving_[bufferIndex_].clear();
    movingIds_[bufferIndex_].clear();
}

std::vector<uint32_t>& CYGameWorld::MovingIds(int buffer) {
    if (movingIds_[buffer].size() != moving_[buffer].size()) movingIds_[buffer].assign(moving_[buffer].size(), 0);
    return movingIds_[buffer];
}

bool CYGameWorld::MovingEntryAlive(int buffer, size_t index) const {
    if (index >= moving_[buffer].size() || moving_[buffer].size() != movingIds_[buffer].size()) return false;
    // The stored pointer is compared, never followed, until the table vouches for it.
    auto* live = dynamic_cast<CYComplexObject*>(FindReferenced(movingIds_[buffer][index]));
    return live && live == moving_[buffer][index];
}

CYComplexObject* CYGameWorld::PreviousMovingObject(int index) const {
    const int buffer = (bufferIndex_ + 1) % 2;
    if (index < 0 || !MovingEntryAlive(buffer, static_cast<size_t>(index))) return nullptr;
    return moving_[buffer][index];
}

void CYGameWorld::ResetFrameLights() {
    if (lightSet_)
        for (int i = 0; i < frameLights_; ++i) lightSet_->SetLightEnabled(i, false);
    frameLights_ = 0;
}

void CYGameWorld::UpdateFloor(float frameTime) {
    const std::weak_ptr<int> life = life_;
    // Objects' scripts run here: one may kill another (its entry becomes null) or
    // register new ones (they wait in the pending additions).
    walkingLive_ = true;
    for (size_t i = 0; i < liveObjects_.size(); ++i) {
        CYComplexObject* object = liveObjects_[i];
        if (!object) continue;
        object->Update(frameTime);
        if (life.expired()) return;
    }
    walkingLive_ = false;
    std::erase(liveObjects_, nullptr);
    if (!currentFloor_) return;
    if (CYRoom* room = currentFloor_->GetRoomAt(camera_.GetLookAt())) room->ReportInterfaceObjects(camera_.GetLookAt());
    currentFloor_->Update(frameTime);
}

void CYGameWorld::ReportBorderDroids() {
    if (!g_commandManager) return;
    for (int i = 0; i < kDroidSlots; ++i) {
        CYComplexObject* droid = droidSlots_[i];
        if (!droid || droid == currentDroid_) continue;
        if (GetFloor(FloorOfHeightWithAllowance(droid->GetPosition().z)) != currentFloor_) continue;
        const int32_t intObject = droid->ScriptHandler().objectParams["intObject"];
        if (intObject == 0) continue;
        char param[64];
        std::snprintf(param, sizeof param, "%i,%u", i + 1, static_cast<unsigned>(intObject));
        g_commandManager->SendCommandByName("interface", "border", param);
    }
}

// ---- Queries ---------------------------------------------------------------------------------

CYLevel* CYGameWorld::GetFloor(int index) const {
    if (index < 0 || static_cast<size_t>(index) >= floors_.size()) return nullptr;
    return floors_[index].get();
}

bool CYGameWorld::CheckCollision(CYComplexObject* mover, const math::Vec3& p, float radius, const math::Vec3& dir,
                                 float* distance, math::Vec3* contact, CYObject** part) {
    CYLevel* level = GetFloor(FloorOfHeight(p.z));
    return level && level->CheckCollision(mover, p, radius, dir, distance, contact, part);
}

bool CYGameWorld::CrossRay(const math::Vec4& origin, const math::Vec4& direction, math::Vec4* point,
                           float* distance, CYObject** hit, math::Plane* plane) {
    CYLevel* level = GetFloor(FloorOfHeight(origin.z));
    return level && level->CrossRay(origin, direction, point, distance, hit, plane);
}

void CYGameWorld::GetActiveObjectsInRect(std::vector<CYComplexObject*>* out, const math::Vec3& centre,
                                         float halfWidth, float halfDepth) {
    if (CYLevel* level = GetFloor(FloorOfHeight(centre.z))) level->GetObjectsInRect(out, centre, halfWidth, halfDepth);
}

void CYGameWorld::FindObjectRoom(CYComplexObject* object, CYLevel** level, CYRoom** room) {
    if (level) *level = nullptr;
    if (room) *room = nullptr;
    if (!object) return;
    math::Vec3 p = object->GetPosition();
    p.z += kFloorAllowance;
    CYLevel* floor = GetFloor(FloorOfHeightWithAllowance(object->GetPosition().z));
    if (!floor) return;
    if (level) *level = floor;
    if (room) *room = floor->GetRoomAt(p);
}

YObjectRoom* CYGameWorld::FindObjectRoom(CYComplexObject* object) {
    CYRoom* room = nullptr;
    FindObjectRoom(object, nullptr, &room);
    return room;
}

bool CYGameWorld::GetRoomFlagAt(const math::Vec3& p) const {
    if (interfaceMode_) return false;
    CYLevel* level = GetFloor(FloorOfHeight(p.z));
    if (!level) return false;
    CYRoom* room = level->GetRoomAt(p);
    return room && room->IsLit();
}

CYComplexObject* CYGameWorld::GetRoomDoor(int floor, int row, int column, int side) const {
    CYLevel* level = GetFloor(floor);
    if (!level) return nullptr;
    // Room indices from scripts may be anything: the cell is computed wide and checked.
    int64_t r = 2 * int64_t{row} + 1;
    int64_t c = 2 * int64_t{column} + 1;
    switch (side) {
        case 0: --r; break;
        case 1: ++r; break;
        case 2: --c; break;
        case 3: ++c; break;
        default: return nullptr;
    }
    if (r < 0 || c < 0 || r >= level->Rows() || c >= level->Columns()) return nullptr;
    return level->EdgeObjectAtCell(static_cast<int>(r), static_cast<int>(c));
}

bool CYGameWorld::IsValidObject(const void* object) const {
    if (!object) return false;
    return registered_.count(static_cast<CYComplexObject*>(const_cast<void*>(object))) != 0;
}

CYComplexObject* CYGameWorld::GetDroidSlot(int slot) const {
    return slot >= 0 && slot < kDroidSlots ? droidSlots_[slot] : nullptr;
}

CYComplexObject* CYGameWorld::GetNamedObject(const std::string& name) { return namedObjects_[name]; }

CYNode* CYGameWorld::GetWorldNode(int index) const {
    if (index >= 0 && index < kWorldLayers) return worldNodes_[index];
    if (index >= kWorldLayers && index < kWorldLayers + kOverlayNodes) return overlayNodes_[index - kWorldLayers];
    return nullptr;
}

CYNode* CYGameWorld::GetLevelWorldNode() { return hiddenWorldNode_; }

CYPolygonSink* CYGameWorld::GetBackgroundSink() const { return backgroundSink_; }

// ---- Lights, commands, background ------------------------------------------------------------

void CYGameWorld::AddLight(const gfx::Light& light) {
    if (frameLights_ >= kFrameLights || !lightSet_) return;
    lightSet_->SetLight(frameLights_, light);
    lightSet_->SetLightEnabled(frameLights_, true);
    ++frameLights_;
}

void CYGameWorld::SendCommandToDroids(const std::string& command, const std::string& param) {
    if (!g_commandManager) return;
    for (CYComplexObject* droid : droidSlots_)
        if (droid) g_commandManager->SendCommandByPointer(droid->ScriptHandler().Owner(), command, param);
}

bool CYGameWorld::SetBackgroundLookAt(const math::Vec3& lookAt) {
    if (!math::IsFinite(lookAt)) {
        Log(3, "CYGameWorld: background look-at point (%g, %g, %g) refused\n", lookAt.x, lookAt.y, lookAt.z);
        return false;
    }
    backgroundLookAt_ = lookAt;
    return true;
}

bool CYGameWorld::SetBackgroundViewVector(const math::Vec3& viewVector) {
    if (!math::IsFinite(viewVector) || viewVector.x == 0.0f) {
        Log(3, "CYGameWorld: background view vector (%g, %g, %g) refused\n", viewVector.x, viewVector.y,
            viewVector.z);
        return false;
    }
    backgroundViewVector_ = viewVector;
    return true;
}

void CYGameWorld::ChangeBackground(const std::string& textureName) {
    if (!renderer_ || !backgroundEffect_) return;
    backgroundTextures_ = renderer_->GetTexturesNode(backgroundEffect_, {textureName});
    backgroundSink_ = backgroundTextures_ ? renderer_->GetDynamicPolygonRenderer(backgroundTextures_) : nullptr;
}

CYComplexObject* CYGameWorld::SetupDroidModel(const std::string& name) { return ::SetupDroidModel(name, rosters_); }
