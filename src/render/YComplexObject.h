// The game's object: droids, doors, walls, columns and scripted objects. It owns a tree
// of named parts, stands at a position with a heading on the floor plane, has its own
// script handler and optionally a skeleton, moves with sliding collision, and keeps
// track of the room it stands in. The game world places and updates it.
#pragma once
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/YReferences.h"
#include "core/YScript.h"
#include "platform/graphics/Device.h"
#include "platform/math/Math.h"
#include "render/YBoundingBox.h"
#include "render/YCamera.h"
#include "render/YObject.h"

class CYComplexObject;
class CYFile;
class CYSkeleton;

// What a complex object needs of the room it stands in (the game world's rooms).
// A room that goes before objects still standing in it first gives each SetRoom(null).
class YObjectRoom {
public:
    // min <= p < max on all three axes of the room's box.
    virtual bool ContainsPoint(const math::Vec3& p) const = 0;
    // The object enters: it leaves the pending removals if it is there and joins the
    // object list; with update set it also joins the pending additions of the list the
    // room updates every frame.
    virtual void EnterObject(CYComplexObject* object, bool update) = 0;
    // The object leaves: out of the object list; out of the updated list (onto the
    // pending removals while the room walks that list); out of both moved-object lists.
    virtual void LeaveObject(CYComplexObject* object) = 0;
    // Appends the object to the moved-object list of the current frame.
    virtual void AddMovedObject(CYComplexObject* object) = 0;
    // The room was drawn in the current frame and is visible.
    virtual bool IsDrawnThisFrame() const = 0;

protected:
    ~YObjectRoom() = default;
};

// What a complex object needs of the game world that placed it.
class YObjectWorld {
public:
    // The room under the object's position, or null.
    virtual YObjectRoom* FindObjectRoom(CYComplexObject* object) = 0;
    // A circle of the radius moving from p along the floor direction dir, up to
    // *distance, against walls and objects (their TestCollision) other than the mover:
    // on a hit true, with *distance the travel to the nearest hit, *contact the point
    // touched and *part the part hit (when the object had one).
    virtual bool CheckCollision(CYComplexObject* mover, const math::Vec3& p, float radius, const math::Vec3& dir,
                                float* distance, math::Vec3* contact, CYObject** part) = 0;

protected:
    ~YObjectWorld() = default;
};

// Positions beyond this distance from the origin on any axis are refused.
constexpr float kPositionLimit = 1.0e6f;
// Longest chain of objects riding on each other.
constexpr int kMaxCarrierChain = 16;

// Scripts hold it through the reference table: once destroyed, its references read as null.
class CYComplexObject : public YCameraSubject, public CYReferenced {
public:
    explicit CYComplexObject(const std::string& name);
    // Unlinks the carrier and the carried object (which keeps its absolute position),
    // stops a camera that follows it, leaves its room, deletes parts and skeleton. Its
    // references read as null from the start, before any event is sent.
    ~CYComplexObject() override;
    CYComplexObject(const CYComplexObject&) = delete;
    CYComplexObject& operator=(const CYComplexObject&) = delete;

    // The live complex object at the address a script handler names as its owner; null
    // when no complex object lives there (the owner is another kind of object, or gone).
    static CYComplexObject* FromOwner(const void* owner);

    // When visible: the carried object's Draw, then Update of every visible part.
    void Draw() override;

    // Takes the part as a top-level part: a name already used gets "_" appended until
    // it is free; owner set; placed under the world matrix; active unless the part is
    // static geometry; bounds recomputed. False (nothing changes) for null, a part that
    // already belongs to something, or a tree deeper than kMaxObjectDepth.
    bool AddChild(CYObject* part);
    // Builds a part of the kind (0 to 3; other kinds give null), appends it to the
    // parent part's children (null parent: to the top-level parts), enters it under its
    // name (replacing an entry of that name) and recomputes the bounds. Kind 3 reads its
    // skin data from the file's read position; a file that ends inside it gives null.
    // boxes null or empty: one box is made around the vertices.
    CYObject* CreatePart(CYFile* file, const std::string& name, CYObject* parent,
                         const std::vector<gfx::Vertex>& vertices, const std::vector<uint16_t>& indices, int kind,
                         const std::vector<CYBoundingBox>* boxes, const math::Vec3& vectorA,
                         const math::Vec3& vectorB);
    // box = the first part's first record merged with every top-level part's box.
    void UpdateBounds();
    // The part of that name anywhere in the tree, or null.
    CYObject* FindChild(const std::string& name) const;
    // Removes the name's entry; a top-level part of that object is deleted, else the
    // part is deleted from wherever it sits below the parts. Entries of every part
    // deleted with it go too. Nothing for a name the map does not hold.
    void DeletePart(const std::string& name);
    // Stores the room and passes it to every top-level part.
    void SetRoom(YObjectRoom* room);
    // Builds the node path of every top-level part.
    void CreateRenderNodes();
    // A copy named newName: the parts (each entered in the name map with its
    // descendants), the file bounds, the script states and the handler's name. It
    // stands at the origin with heading 0.
    CYComplexObject* Clone(const std::string& newName) const;
    // Loads a script state into the handler; the object becomes active.
    HRESULT AddScript(const std::string& stateName, const std::string& fileName);
    // Moving objects collide as a circle of their radius; true also makes it active.
    void SetMoving(bool moving);
    // Once a frame: script, placement when moved, skeleton, vertex effects.
    void Update(float frameTime);
    // Moves along (or against) the heading with sliding collision; true when something
    // was hit. A non-finite distance is refused (false, nothing moves).
    bool MoveForward(float distance);
    bool MoveBackward(float distance);
    // position += v without collision. Refused for a non-finite vector or a position
    // beyond kPositionLimit.
    void Move(const math::Vec3& v);
    // Rebuilds the world matrix from heading and position (plus the carrier's position),
    // re-places the parts and the carried object, and follows the object into its room.
    void UpdatePlacement();
    // radius = the largest of |max x - x|, |max y - y| and |y - min y| of the box around
    // the position (the box's minimum x does not enter).
    void ComputeRadius();
    // This object against a circle of radius r moving from s along the floor direction
    // d up to *distance. On a nearer hit: *distance, *contact and *part set, true.
    bool TestCollision(CYComplexObject* mover, const math::Vec3& s, float r, const math::Vec3& d, float* distance,
                       math::Vec3* contact, CYObject** part);
    // Makes this object ride on target (null: ride on nothing). The position changes
    // between absolute and relative so that the object stays where it is. An object
    // already riding on target is let go first. Refused (false) when target rides on
    // this object, directly or not, or when the chain would grow beyond kMaxCarrierChain.
    bool SetCarrier(CYComplexObject* target);

    // YCameraSubject: absolute position, heading, world bounds.
    math::Vec3 GetPosition() const override { return AbsolutePosition(); }
    float GetHeading() const override { return heading_; }
    void GetBounds(math::Vec3* min, math::Vec3* max) const override;

    // The position (relative to the carrier while there is one).
    const math::Vec3& Position() const { return position_; }
    // The position plus the positions of the carriers.
    math::Vec3 AbsolutePosition() const;
    // Sets the position and marks the object moved; refused (false, logged) for
    // non-finite values or a position beyond kPositionLimit.
    bool SetPosition(const math::Vec3& position);
    // Sets the heading and marks the object moved; refused (false, logged) when not finite.
    bool SetHeading(float heading);
    float GetRadius() const { return radius_; }
    // Refused (false, logged) when negative or not finite.
    bool SetRadius(float radius);

    const std::string& GetName() const { return name_; }
    void SetName(const std::string& name) { name_ = name; }
    const std::vector<CYObject*>& Parts() const { return parts_; }
    const std::unordered_map<std::string, CYObject*>& PartsByName() const { return partsByName_; }
    const CYBoundingBox& GetBox() const { return box_; }
    const math::Matrix& GetWorldMatrix() const { return worldMatrix_; }
    CYScriptHandler& ScriptHandler() { return scriptHandler_; }
    const CYScriptHandler& ScriptHandler() const { return scriptHandler_; }
    CYComplexObject* GetCarrier() const { return carrier_; }
    CYComplexObject* GetCarried() const { return carried_; }
    bool IsActive() const { return active_; }
    void SetActive() { active_ = true; }
    bool IsMoved() const { return moved_; }
    void SetMoved() { moved_ = true; }
    YObjectWorld* GetWorld() const { return world_; }
    void SetWorld(YObjectWorld* world) { world_ = world; }
    bool IsCollidable() const { return collidable_; }
    void SetCollidable(bool value) { collidable_ = value; }
    YObjectRoom* GetRoom() const { return room_; }
    bool IsMoving() const { return moving_; }
    float GetWeight() const { return weight_; }
    void SetWeight(float weight) { weight_ = weight; }
    CYSkeleton* GetSkeleton() const { return skeleton_; }
    // Takes ownership; the previous skeleton is deleted.
    void SetSkeleton(CYSkeleton* skeleton);
    bool IsVisible() const { return visible_; }
    void SetVisible(bool value) { visible_ = value; }
    bool HasFileBounds() const { return hasFileBounds_; }
    const uint32_t* GetFileBounds() const { return fileBounds_; }
    void SetFileBounds(const uint32_t bounds[7]);

private:
    // One step of the sliding move from p by delta; writes *out unless it gives up.
    bool MoveWithCollision(int depth, math::Vec3 p, const math::Vec3& delta, math::Vec3* out);
    bool MoveAlongHeading(float distance);
    // Leaves the current room (if any) and enters room (if not null).
    void ChangeRoom(YObjectRoom* room);
    // Enters every part of the tree below part under its own name.
    void EnterTree(CYObject* part);
    // Drops every name entry that points into the objects.
    void ForgetParts(const std::vector<CYObject*>& objects);

    CYComplexObject* carrier_ = nullptr;
    CYComplexObject* carried_ = nullptr;
    std::vector<CYObject*> parts_;
    std::unordered_map<std::string, CYObject*> partsByName_;
    std::string name_;
    CYBoundingBox box_;
    bool hasFileBounds_ = false;
    uint32_t fileBounds_[7] = {};
    math::Matrix worldMatrix_ = math::MatrixIdentity();
    CYScriptHandler scriptHandler_;
    float heading_ = 0.0f;
    math::Vec3 position_;
    float radius_ = 0.0f;
    bool active_ = false;
    bool moved_ = true;
    YObjectWorld* world_ = nullptr;
    bool collidable_ = true;
    YObjectRoom* room_ = nullptr;
    bool moving_ = false;
    float weight_ = 0.0f;
    CYSkeleton* skeleton_ = nullptr;
    bool visible_ = true;
};
