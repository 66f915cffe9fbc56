// A room: one room cell of a level. It owns the floor object built from a floor
// template, has a point light of its own and a box for visibility, and keeps lists of
// the objects placed in it (not owned: the game world owns them). Each frame the level
// asks it to draw itself (lit: floor and objects, unlit: the floor only) and, when it is
// reachable from the camera's look-at point, to update its active objects.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "platform/graphics/Device.h"
#include "platform/math/Math.h"
#include "platform/system/Result.h"
#include "render/YComplexObject.h"

class CYCamera;
class CYLevel;
class CYObject;
class CYTextParser;

// Side of a room cell, in world units.
constexpr float kRoomSide = 8.25f;

class CYRoom : public YObjectRoom {
public:
    // A room of the level's room grid at (room row, room column); empty lists, unlit.
    CYRoom(int roomRow, int roomColumn);
    // Deletes the floor object. Objects still standing in the room are told they are in
    // no room any more; the objects themselves are not deleted.
    virtual ~CYRoom();
    CYRoom(const CYRoom&) = delete;
    CYRoom& operator=(const CYRoom&) = delete;

    // Builds the floor of the type at the centre ("floor.adf" for type 1, else
    // "floorHole.adf" turned by the type), reads the floor texture line from the parser
    // and fills the light. 0, or E_FAIL (logged) when the floor template cannot be loaded.
    HRESULT BuildFloor(CYLevel* level, int type, const math::Vec3& centre, CYTextParser* parser);
    // Places an object of the level file at the centre plus (dx, dy) with the heading
    // (radians) and enters it into the room's lists.
    void AddObject(CYComplexObject* object, float dx, float dy, float heading);
    // Draws the room when its box is in the camera's frustum (see the file comment);
    // true when visible. Turns the moved-object lists over in every case.
    bool Render(CYCamera* camera);
    // The frame's end for the moved-object lists: the list filled during the frame
    // becomes the readable one and the other is emptied to be filled next. Render does
    // it for a drawn floor; rooms of floors not drawn are turned over without drawing.
    void TurnOver();
    // Updates the active objects, then takes in the pending additions and removals.
    void Update(float frameTime);
    // Texture 1 of every floor part becomes "light2.tga" (lit) or "light3.tga".
    void SetLit(bool lit);
    bool IsLit() const { return lit_; }
    // Appends the active objects whose floor rectangle overlaps the given one.
    void GetObjectsInRect(std::vector<CYComplexObject*>* out, const math::Vec3& centre, float halfWidth,
                          float halfHeight) const;
    // The same over the active objects, then the static ones.
    void GetCollidersInRect(std::vector<CYComplexObject*>* out, const math::Vec3& centre, float halfWidth,
                            float halfHeight) const;
    // The ray against the floor, the static and the active objects; on a hit true, with
    // the distance shortened to the nearest hit and the part hit stored.
    bool CrossRay(const math::Vec4& origin, const math::Vec4& direction, math::Vec4* point, float* distance,
                  CYObject** hitObject, math::Plane* extra) const;
    // The active objects with the "hasInterface" flag report themselves to the interface
    // ("border" commands) when activated or near the point.
    void ReportInterfaceObjects(const math::Vec3& point);
    // Takes every occurrence of the object out of every list of the room (safe while
    // the room updates its objects). The object's own room pointer is not changed.
    void RemoveObject(CYComplexObject* object);
    // A killed object leaves the active, the updated and both moved-object lists; the
    // static list keeps it. While the room walks its updated list the entry stays (the
    // object is still updated in this walk) and leaves at the end of the walk.
    void KillObject(CYComplexObject* object);
    // Whether any list of the room holds the object.
    bool HoldsObject(const CYComplexObject* object) const;

    // YObjectRoom: what complex objects call when they move between rooms.
    bool ContainsPoint(const math::Vec3& p) const override;
    void EnterObject(CYComplexObject* object, bool update) override;
    void LeaveObject(CYComplexObject* object) override;
    void AddMovedObject(CYComplexObject* object) override;
    bool IsDrawnThisFrame() const override;

    // The objects that moved in the previous frame (the list not being filled).
    const std::vector<CYComplexObject*>& ReadableMovingObjects() const { return movingObjects_[(frameParity_ + 1) % 2]; }
    const std::vector<CYComplexObject*>& MovingObjects(int parity) const { return movingObjects_[parity & 1]; }
    int FrameParity() const { return frameParity_; }

    CYLevel* GetLevel() const { return level_; }
    const gfx::Light& GetLight() const { return light_; }
    const math::Vec4& BoxMin() const { return boxMin_; }
    const math::Vec4& BoxMax() const { return boxMax_; }
    CYComplexObject* GetFloorObject() const { return floorObject_; }
    const math::Vec3& GetCentre() const { return centre_; }
    const std::vector<CYComplexObject*>& StaticObjects() const { return staticObjects_; }
    const std::vector<CYComplexObject*>& DynamicObjects() const { return dynamicObjects_; }
    const std::vector<CYComplexObject*>& UpdatedObjects() const { return updatedObjects_; }
    const std::vector<CYComplexObject*>& PendingAdd() const { return pendingAdd_; }
    const std::vector<CYComplexObject*>& PendingRemove() const { return pendingRemove_; }
    int RoomRow() const { return roomRow_; }
    int RoomColumn() const { return roomColumn_; }
    int FloorType() const { return floorType_; }
    bool IsUpdating() const { return updating_; }

private:
    // Takes the object out of the updated list: at once, or (while the list is walked)
    // by clearing its entries and queueing it on the pending removals.
    void RemoveFromUpdated(CYComplexObject* object);
    void FillLight();

    CYLevel* level_ = nullptr;
    gfx::Light light_;
    math::Vec4 boxMin_{-4.0f, -4.0f, 0.0f, 1.0f};
    math::Vec4 boxMax_{4.0f, 4.0f, 2.5f, 1.0f};
    CYComplexObject* floorObject_ = nullptr;  // owned
    math::Vec3 centre_;
    std::vector<CYComplexObject*> staticObjects_;
    std::vector<CYComplexObject*> dynamicObjects_;
    std::vector<CYComplexObject*> updatedObjects_;
    std::vector<CYComplexObject*> pendingAdd_;
    std::vector<CYComplexObject*> pendingRemove_;
    std::vector<CYComplexObject*> movingObjects_[2];
    int frameParity_ = 0;
    bool lit_ = false;
    int roomRow_;
    int roomColumn_;
    int floorType_ = 0;
    bool updating_ = false;
    // Frame of the last Render that found the room visible (-1: never).
    int64_t drawnFrame_ = -1;
};
