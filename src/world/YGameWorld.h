// The game world: the one object that holds a running game. It owns the floors of the
// loaded mission, every object registered with it, the player's nine droid slots and the
// current droid, the main camera with its script, its own script handler ("GameWorld"),
// the scene nodes objects, lights and the background are drawn under, the game-data
// tables, the droid rosters and the mission values that saves keep. Scripts create,
// initialise, update and delete it; everything else reaches it through the events it
// answers (10 gives the world itself).
#pragma once
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "core/YEvents.h"
#include "core/YReferences.h"
#include "core/YScript.h"
#include "platform/graphics/Device.h"
#include "platform/math/Math.h"
#include "platform/system/Result.h"
#include "render/YCamera.h"
#include "render/YComplexObject.h"
#include "world/YDroidRecord.h"
#include "world/YDroids.h"
#include "world/YGameData.h"
#include "world/YLevel.h"

class CYBBoxRenderer;
class CYCameraNode;
class CYDynamicPolygonRenderer;
class CYEffectNode;
class CYLevel;
class CYLightSetNode;
class CYNode;
class CYObject;
class CYPolygonSink;
class CYRenderer;
class CYRoom;
class CYTextures;
class CYWorld;

// Scene layers that event 5 hands out: five world nodes, then twenty overlay nodes.
constexpr int kWorldLayers = 5;
constexpr int kOverlayNodes = 20;
// Lights the light-set node takes in one frame.
constexpr int kFrameLights = 15;
// Mission results that scripts write and read.
constexpr int kMissionResults = 10;
// Bucket count of the name and object tables.
constexpr size_t kWorldTableBuckets = 100;

// The floor of a height in the per-frame droid test and in FindObjectRoom (with the
// 0.01 allowance), and in the collision, ray, rectangle and room-flag queries (without).
// A height whose floor is not a finite integer range gives -1 (no floor).
int FloorOfHeightWithAllowance(float z);
int FloorOfHeight(float z);

class CYGameWorld : public CYEventListener, public CYReferenced, public YLevelWorld {
public:
    // Members as a new world has them; no events yet.
    CYGameWorld();
    // Deletes every registered object and every object waiting for deletion, every
    // floor, every droid record and the background object; cancels the subscriptions.
    ~CYGameWorld() override;

    // Deletes the world now, or, when called from inside its Update or a mission load (a
    // script of the world, its camera or its objects), as soon as that call returns.
    static void Destroy(CYGameWorld* world);

    // Handlers, camera script, game data, subscriptions, camera and scene nodes, the
    // background. The camera node's failure is returned at once; else 0.
    HRESULT Init();
    // One frame: droid switch, script, buffers, lights, objects and floor, camera, drawing;
    // then the mission a script asked for during the frame is loaded.
    void Update(double frameTime);
    // Reads the six game-data tables (the result is not needed by Init).
    HRESULT LoadGameData();

    // Queries forwarded to the floor of a height.
    bool CheckCollision(CYComplexObject* mover, const math::Vec3& p, float radius, const math::Vec3& dir,
                        float* distance, math::Vec3* contact, CYObject** part) override;
    bool CrossRay(const math::Vec4& origin, const math::Vec4& direction, math::Vec4* point, float* distance,
                  CYObject** hit, math::Plane* plane);
    void GetActiveObjectsInRect(std::vector<CYComplexObject*>* out, const math::Vec3& centre, float halfWidth,
                                float halfDepth);
    // The floor (from z + 0.01) and the room under the object; both null outside.
    void FindObjectRoom(CYComplexObject* object, CYLevel** level, CYRoom** room);
    YObjectRoom* FindObjectRoom(CYComplexObject* object) override;
    // Whether the room under the point is lit (false in interface mode or outside rooms).
    bool GetRoomFlagAt(const math::Vec3& p) const;
    // The wall or door entry on a side (0 above, 1 below, 2 left, 3 right) of a room;
    // null for another side or a floor, row or column outside the grid.
    CYComplexObject* GetRoomDoor(int floor, int row, int column, int side) const;
    // Whether the object is registered and not destroyed.
    bool IsValidObject(const void* object) const;
    // Takes the object out of the droid slots, the named-object table, the live list and
    // both moving-object buffers without deleting it (rooms and doors keep it); a
    // replacement becomes the current droid.
    void KillObject(CYComplexObject* object, CYComplexObject* replacement);
    // Takes the object out of every list and deletes it (with the object it rides on).
    void DeleteObject(CYComplexObject* object);
    // Takes a registered object out of the set and queues it for deletion at the end of
    // the frame. False when the world does not hold it.
    bool QueueObjectForDeletion(CYComplexObject* object);
    // One of at most fifteen lights of this frame; later ones are dropped.
    void AddLight(const gfx::Light& light) override;
    // The droid a level places: the model and its placed record (null when it cannot).
    CYComplexObject* SetupDroidModel(const std::string& name) override;
    // The world node made first under the camera's node (the levels' second node).
    CYNode* GetLevelWorldNode() override;
    // The command to the handler of every filled droid slot, in slot order.
    void SendCommandToDroids(const std::string& command, const std::string& param);
    // The background drawn in interface mode: a texture under "background.fx".
    void ChangeBackground(const std::string& textureName);
    // Event 12: camera, room-light reset, the target's floor, the lit rooms.
    void UpdateVisibleRooms();
    // Event 22.
    void SetInterfaceMode(bool on);
    // Event 13: slots, pending additions, the name table and the registered set.
    void RegisterObject(CYComplexObject* object, const char* name);

    // Event handlers; the context is the world.
    static void OnFrameEnd(void* context, intptr_t a, intptr_t b);
    static void OnGetWorldNode(void* context, intptr_t a, intptr_t b);
    static void OnAction(void* context, intptr_t a, intptr_t b);
    static void OnGetGameWorld(void* context, intptr_t a, intptr_t b);
    static void OnUpdateVisibleRooms(void* context, intptr_t a, intptr_t b);
    static void OnObjectCreated(void* context, intptr_t a, intptr_t b);
    static void OnRegisterMovingObject(void* context, intptr_t a, intptr_t b);
    static void OnGetMovingObjects(void* context, intptr_t a, intptr_t b);
    static void OnGetClosestMovingObject(void* context, intptr_t a, intptr_t b);
    static void OnGetComplexObject(void* context, intptr_t a, intptr_t b);
    static void OnSetCameraTarget(void* context, intptr_t a, intptr_t b);
    static void OnSetInterfaceMode(void* context, intptr_t a, intptr_t b);
    static void OnDisplayModeChanged(void* context, intptr_t a, intptr_t b);
    static void OnChangeBackground(void* context, intptr_t a, intptr_t b);
    static void OnIsValidObject(void* context, intptr_t a, intptr_t b);

    // Droids: rosters, selection, pending and saved droid
    // (the droid switching is defined in YGameWorldDroids.cpp; SetupDroidModel above, the
    // levels' entry point, is defined with the world in YGameWorld.cpp)
    // The droid that becomes current at the next Update: from the slot after (NextDroid)
    // or before (PrevDroid) the current droid's, wrapping, the first filled slot whose
    // droid's flag "notChangable" is false; it becomes the pending droid. The current
    // droid, with nothing made pending, when it is in no slot or no other slot qualifies.
    CYComplexObject* NextDroid();
    CYComplexObject* PrevDroid();
    // The droid of a slot (0 to 8) becomes the pending droid when it exists and its flag
    // "notChangable" is false, and is returned; otherwise the current droid is returned.
    CYComplexObject* ChangeDroid(int slot);
    // The droid becomes the current and the saved droid and the camera's target; "isActive"
    // moves from the old current droid to it. Nothing for null.
    void SetCurrentDroid(CYComplexObject* droid);

    // Missions
    // (the mission and level loading and the saved games are defined with them)
    // Clears the running mission, rebuilds the live roster from the fixed roster, reads
    // the mission file (its header, then one level block per floor), starts the mission
    // script as the world script's idle state and tells the scripts "level_inited". The
    // last floor's result on success; E_FAIL after a header error or a missing level line;
    // a floor's failure; the file's failure (the mission then finishes with no floors).
    // Asked for while the world runs its scripts (its Update, or a load finishing), the
    // load waits until the outermost Update has returned and S_OK is answered; the last
    // such request wins, one is carried out per Update.
    HRESULT LoadMission(const std::string& path, int32_t number);
    // Whether a load asked for during the world's scripts waits for the end of the Update.
    bool HasRequestedMission() const { return requestedMission_.has_value(); }
    // Snapshots of the live progress: the fixed roster copies the live roster, the fixed
    // score the live score, and the last level becomes the mission number + 1 (FixState)
    // or the mission number (FixState2).
    void FixState();
    void FixState2();
    // Live score = fixed score.
    void RestoreScore();
    // A new game's progress: last level 1, fixed score 0, fixed roster empty.
    void InitialState();
    int32_t GetLastLevel() const { return lastLevel_; }
    // Writes the fixed state under the name to the slot's file. E_FAIL (logged, the old
    // file untouched) when it cannot be written.
    HRESULT SaveGame(int32_t slot, const std::string& name);
    // Reads the slot's file into the fixed state: S_OK when it was read whole. A missing
    // file empties the fixed roster and keeps the last level and fixed score; a damaged
    // one changes nothing. Both give E_FAIL.
    HRESULT LoadGame(int32_t slot);
    // The name stored in the slot's file; empty when it cannot be read.
    std::string GetSaveName(int32_t slot) const;

private:
    // LoadMission's steps: the file read into floors and script; the old mission cleared;
    // the header's script started; the floors built from their level blocks; the
    // finishing updates.
    HRESULT LoadMissionNow(const std::string& path, int32_t number);
    void ClearMission();
    // The header's seven lines, each applied as it is read; the floor count, room rows
    // and room columns into sizes. False (nothing logged) on a header error.
    bool ReadHeader(CYTextParser& parser, int32_t sizes[3]);
    void StartMissionScript(const std::string& script);
    HRESULT BuildFloors(CYTextParser& parser, int32_t height, int32_t width, int32_t depth, const std::string& path);
    HRESULT FinishMission(HRESULT result);
    void FixLiveState(int32_t lastLevel);
    // The end of an Update or a mission load: false when the world was deleted then.
    bool LeaveBusy();
    // A load asked for while the world was busy: its file and mission number.
    struct YMissionRequest {
        std::string path;
        int32_t number = 0;
    };
    std::optional<YMissionRequest> requestedMission_;

public:

    // Rooms and floors as script references: a handle in the reference table names the
    // floor and the room; it reads as null once that floor or room is no longer the
    // world's (a new mission, or the world deleted).
    void* RoomReference(CYRoom* room);
    void* LevelReference(CYLevel* level);
    CYRoom* ResolveRoom(const void* reference) const;
    CYLevel* ResolveLevel(const void* reference) const;

    // The main camera as scripts hold it (a reference that lives as long as the world).
    void* CameraReference() const { return cameraReference_.Reference(); }

    // Accessors.
    CYCamera& GetCamera() { return camera_; }
    CYScriptHandler& ScriptHandler() { return scriptHandler_; }
    CYRenderer* GetRenderer() const { return renderer_; }
    std::vector<std::unique_ptr<CYLevel>>& Floors() { return floors_; }
    const std::vector<std::unique_ptr<CYLevel>>& Floors() const { return floors_; }
    // The floor of an index, or null outside the list.
    CYLevel* GetFloor(int index) const;
    CYLevel* GetCurrentFloor() const { return currentFloor_; }
    void SetCurrentFloor(CYLevel* floor) { currentFloor_ = floor; }
    CYGameData& GameData() { return gameData_; }
    bool IsInterfaceMode() const { return interfaceMode_ != 0; }
    bool IsGameOver() const { return gameOver_ != 0; }
    void SetGameOver() { gameOver_ = 1; }
    CYComplexObject* GetDroidSlot(int slot) const;
    CYComplexObject* GetCurrentDroid() const { return currentDroid_; }
    CYComplexObject* GetPendingDroid() const { return pendingDroid_; }
    CYComplexObject* GetSavedDroid() const { return savedDroid_; }
    const std::string& GetCurrentDroidHandlerName() const { return currentDroidHandlerName_; }
    // The named-object table's entry (entered with null when absent, as event 17 does).
    CYComplexObject* GetNamedObject(const std::string& name);
    const std::vector<CYComplexObject*>& LiveObjects() const { return liveObjects_; }
    const std::vector<CYComplexObject*>& PendingAddObjects() const { return pendingAdd_; }
    const std::vector<CYComplexObject*>& PendingDeletionObjects() const { return pendingDeletion_; }
    // The moving-object buffer being filled, and the complete one of the previous frame.
    const std::vector<CYComplexObject*>& FillingMovingObjects() const { return moving_[bufferIndex_]; }
    const std::vector<CYComplexObject*>& PreviousMovingObjects() const { return moving_[(bufferIndex_ + 1) % 2]; }
    // The object at an index of the previous frame's buffer; null outside it, and for an
    // object destroyed since (an object the world does not own may go at any time).
    CYComplexObject* PreviousMovingObject(int index) const;
    const std::unordered_set<CYComplexObject*>& RegisteredObjects() const { return registered_; }
    int GetFrameLightCount() const { return frameLights_; }
    CYLightSetNode* GetLightSetNode() const { return lightSet_; }
    // Event 5's node of a layer index; null outside 0..24.
    CYNode* GetWorldNode(int index) const;
    // The world node made first under the camera's node, handed out by no event.
    CYWorld* GetHiddenWorldNode() const { return hiddenWorldNode_; }
    CYCameraNode* GetOverlayCameraNode() const { return overlayCamera_; }
    CYBBoxRenderer* GetBoundingBoxNode() const { return bboxNode_; }
    CYObject* GetBackgroundObject() const { return background_.get(); }
    CYEffectNode* GetBackgroundEffectNode() const { return backgroundEffect_; }
    CYPolygonSink* GetBackgroundSink() const;
    // The look-at point and the view vector (distance, pitch, yaw) the camera takes every
    // frame in interface mode. A value the camera would refuse (not finite, a distance of
    // 0) is refused here, once, with a log line; the old one stays. False then.
    bool SetBackgroundLookAt(const math::Vec3& lookAt);
    bool SetBackgroundViewVector(const math::Vec3& viewVector);
    const math::Vec3& GetBackgroundLookAt() const { return backgroundLookAt_; }
    const math::Vec3& GetBackgroundViewVector() const { return backgroundViewVector_; }
    // The overlay projection for a screen size: y counts pixels downward from the top.
    static math::Matrix OverlayMatrix(float width, float height);

    // The droid records (default, live roster, placed records, fixed roster).
    CYDroidRosters& Rosters() { return rosters_; }
    const YDroidSlots& DroidSlots() const { return droidSlots_; }
    // Mission and score values that saves keep.
    int32_t& LiveScore() { return liveScore_; }
    int32_t& FixedScore() { return fixedScore_; }
    int32_t& MissionNumber() { return missionNumber_; }
    int32_t& LastLevel() { return lastLevel_; }
    std::string& MissionNumberText() { return missionNumberText_; }
    std::string& MissionName() { return missionName_; }
    std::string& MissionBriefing() { return missionBriefing_; }
    int32_t* MissionResults() { return missionResults_; }

private:
    // Init's steps, run by the first Init only.
    HRESULT InitOnce();
    // Update's steps.
    void UpdateFrame(double frameTime);
    void ApplyPendingDroid();
    void TransferControls();
    void RunScript(float frameTime);
    void SwapMovingBuffers();
    void ResetFrameLights();
    void UpdateFloor(float frameTime);
    void ReportBorderDroids();
    // The frame's last step: the current floor is drawn, every floor's rooms turn over.
    void RenderFloors();
    // Init's steps.
    void NameHandler(CYScriptHandler& handler, const char* name);
    void StartCameraScript();
    void Subscribe();
    void SetUpCamera();
    HRESULT BuildSceneNodes();
    void BuildBackground();
    // The ids of a buffer, realigned (as unknown) when its objects were changed alone.
    std::vector<uint32_t>& MovingIds(int buffer);
    // Whether the entry of a buffer is still the live object it was.
    bool MovingEntryAlive(int buffer, size_t index) const;
    // Every list, slot and pointer of the world and its floors forgets the object (the
    // registered set and the current droid excepted).
    void ForgetObject(CYComplexObject* object);
    // What a killed object leaves: the droid slots, the name table, the live list and
    // the moving-object buffers.
    void ForgetKilledObject(CYComplexObject* object);
    // Destroys the droid record the object carries in "info".
    void DestroyCarriedRecord(CYComplexObject* object);
    // Deletes the camera, background and overlay camera nodes the world hung under the
    // renderer's root (with everything below them) while that renderer is alive.
    void DeleteSceneNodes();
    // Event 3's answer.
    static CYRenderer* QueryRenderer();

    CYScriptHandler scriptHandler_;
    CYRenderer* renderer_ = nullptr;
    CYCamera camera_;
    std::vector<std::unique_ptr<CYLevel>> floors_;
    CYLevel* currentFloor_ = nullptr;

    // Scene nodes (owned by the scene tree).
    CYWorld* hiddenWorldNode_ = nullptr;
    CYLightSetNode* lightSet_ = nullptr;
    CYNode* worldNodes_[kWorldLayers] = {};
    CYWorld* bboxParent_ = nullptr;
    CYBBoxRenderer* bboxNode_ = nullptr;
    CYNode* overlayNodes_[kOverlayNodes] = {};
    CYCameraNode* overlayCamera_ = nullptr;
    CYCameraNode* backgroundCamera_ = nullptr;
    CYEffectNode* backgroundEffect_ = nullptr;
    CYTextures* backgroundTextures_ = nullptr;
    CYDynamicPolygonRenderer* backgroundSink_ = nullptr;

    std::vector<CYComplexObject*> moving_[2];
    // The reference id of each entry of the buffers, by which a destroyed one is known.
    std::vector<uint32_t> movingIds_[2];
    std::vector<CYComplexObject*> liveObjects_;
    std::vector<CYComplexObject*> pendingAdd_;
    int bufferIndex_ = 0;
    std::unique_ptr<CYObject> background_;
    uint8_t gameOver_ = 0;

    YDroidSlots droidSlots_{};
    CYComplexObject* currentDroid_ = nullptr;
    CYComplexObject* pendingDroid_ = nullptr;
    CYComplexObject* savedDroid_ = nullptr;
    std::string currentDroidHandlerName_;
    std::unordered_map<std::string, CYComplexObject*> namedObjects_;
    std::vector<CYComplexObject*> pendingDeletion_;
    int frameLights_ = 0;

    CYGameData gameData_;
    // Default record, live roster, placed-droid records, fixed roster.
    CYDroidRosters rosters_;
    int32_t liveScore_ = 0;
    uint8_t interfaceMode_ = 0;
    math::Vec3 backgroundLookAt_;
    // Until a script sets it, the camera's starting orbit (a distance of 0 would be refused).
    math::Vec3 backgroundViewVector_{8.0f, 0.0f, 0.0f};
    std::string missionNumberText_;
    std::string missionName_;
    std::string missionBriefing_;
    int32_t missionNumber_ = 1;
    int32_t lastLevel_ = 1;
    int32_t fixedScore_ = 0;
    int32_t missionResults_[kMissionResults] = {};
    std::unordered_set<CYComplexObject*> registered_;
    // Expires when the world is destroyed: Update checks it after running scripts, since
    // a script may delete the world it runs in.
    std::shared_ptr<int> life_ = std::make_shared<int>(0);
    // While Update walks the live objects, removals leave null entries, compacted after.
    bool walkingLive_ = false;
    bool initCalled_ = false;
    HRESULT initResult_ = S_OK;
    // Updates and mission loads running (one, or nested through a script), and a deletion
    // asked for meanwhile.
    int busyDepth_ = 0;
    bool deleteRequested_ = false;
    // Script handles of rooms and floors, by the address they name.
    class CYPlaceHandle : public CYReferenced {
    public:
        CYPlaceHandle(const void* target, int floor, int roomRow, int roomColumn)
            : target(target), floor(floor), roomRow(roomRow), roomColumn(roomColumn) {}
        const void* target;
        int floor;
        int roomRow;
        int roomColumn;
    };
    std::unordered_map<const void*, std::unique_ptr<CYPlaceHandle>> placeHandles_;
    // The camera's reference: any live reference names the main camera to the camera's
    // script functions, so it needs no more than an id of its own.
    class CYCameraReference : public CYReferenced {};
    CYCameraReference cameraReference_;
    // The handle of a floor index and room (-1, -1 for the floor itself), made when missing.
    void* PlaceReference(const void* target, int floor, int roomRow, int roomColumn);
    bool HandleResolves(const CYPlaceHandle& handle) const;
    const CYPlaceHandle* FindHandle(const void* reference) const;
};
