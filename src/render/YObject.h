// The object base: every drawable engine object (parts of complex objects, sprites,
// particle systems, fonts, interface windows) holds a triangle mesh of 48-byte vertices
// and 16-bit indices twice (as loaded, and transformed for drawing), a local transform,
// owned children, bounding records, an optional vertex effect, and a render binding
// that finds or builds its path of scene nodes and hands it to its polygon sink.
// Objects do not draw themselves: Update hands them to the sink once a frame, and the
// sink reads their counts, indices and vertices during the renderer's fill pass.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "platform/graphics/Device.h"
#include "platform/math/Math.h"
#include "platform/system/Result.h"
#include "render/YBoundingBox.h"
#include "render/YGeometrySource.h"

class CYComplexObject;
class CYObject;
class CYPolygonSink;
class CYVertexEffect;
class YObjectRoom;

// Deepest tree of objects: a root and its descendants span at most this many levels.
constexpr int kMaxObjectDepth = 32;
// Most hand-overs of one object to its sink in one frame.
constexpr int kMaxDrawCount = 16;
// Most texture names of one binding.
constexpr int kMaxObjectTextures = 8;

// The object's render binding: the effect and textures it is drawn with, the scene
// layer it is drawn under, and the sink at the end of its node path.
class CYObjectVisual {
public:
    explicit CYObjectVisual(CYObject* owner);
    CYObjectVisual(const CYObjectVisual&) = delete;
    CYObjectVisual& operator=(const CYObjectVisual&) = delete;

    // Builds (or finds) the path layer -> effect node -> textures node -> dynamic sink.
    // 0, or E_FAIL with the sink left as it was. A failure is logged once until a path is
    // built again: a window drawn with no layer to draw under would log every frame.
    HRESULT CreateNode();
    // Rebuilds the path when dirty, then hands the object to the sink; without a sink
    // the object is not drawn.
    void Draw(CYObject* object);
    // Takes the effect, textures, static flag, mode and index of another binding; the
    // copy is dirty and builds its own path.
    void CopyFrom(const CYObjectVisual& other);

    // The scene layer (event 5 index) of the current mode.
    int LayerIndex() const;

    const std::string& GetEffectName() const { return effectName_; }
    const std::vector<std::string>& GetTextureNames() const { return textureNames_; }
    bool IsStaticGeometry() const { return staticGeometry_; }
    void SetStaticGeometry(bool value) { staticGeometry_ = value; }
    int GetMode() const { return mode_; }
    int GetModeIndex() const { return modeIndex_; }
    CYPolygonSink* GetSink() const { return sink_; }
    bool IsDirty() const { return dirty_; }
    void MarkDirty() { dirty_ = true; }
    int GetBaseLayer() const { return baseLayer_; }
    void SetBaseLayer(int layer) { baseLayer_ = layer; }
    CYObject* GetOwner() const { return owner_; }

private:
    friend class CYObject;

    std::string effectName_;
    std::vector<std::string> textureNames_;
    bool staticGeometry_ = false;
    int mode_ = 0;
    int modeIndex_ = 0;
    CYPolygonSink* sink_ = nullptr;
    bool dirty_ = true;
    int baseLayer_ = 2;
    CYObject* owner_;
    // Node deletions counted when the sink was found: a change means it may be gone.
    uint64_t sinkEpoch_ = 0;
    // A failed build was logged and no build has succeeded since.
    bool failureLogged_ = false;
};

class CYObject : public YGeometrySource {
public:
    // The loader's form: the geometry as given, drawn untransformed until placed.
    CYObject(const std::string& name, const std::vector<gfx::Vertex>& vertices, const std::vector<uint16_t>& indices,
             int kind);
    // Empty geometry; the base of sprites, fonts, particle systems and windows.
    CYObject(const std::string& name, int kind);
    // Deletes the vertex effect and every child; leaves the live-object table and every
    // sink queue.
    ~CYObject() override;
    CYObject(const CYObject&) = delete;
    CYObject& operator=(const CYObject&) = delete;

    // Stores the complex object the object belongs to.
    virtual void SetOwner(CYComplexObject* owner);
    // The drawn geometry; the counts never exceed the arrays.
    const uint16_t* GetIndices() const override;
    const gfx::Vertex* GetVertices() const override;
    int GetIndexCount() const override;
    int GetVertexCount() const override;
    // Asks the renderer to load the texture (event 0), then stores it at the index
    // (0 .. kMaxObjectTextures - 1; others are refused) and marks the binding dirty.
    virtual void SetTexture(int index, const std::string& name);
    // The binding's effect file; marks the binding dirty.
    virtual void SetName2(const std::string& effectName);
    // Replaces the geometry (source and drawn copies). Triangles that name a vertex
    // past the array, and a trailing incomplete triangle, are dropped with a log line.
    virtual void SetGeometry(const std::vector<gfx::Vertex>& vertices, const std::vector<uint16_t>& indices);
    virtual void SetRoom(YObjectRoom* room);
    // The binding's CreateNode.
    virtual HRESULT CreateRenderNode();
    // Once a frame: drawCount hand-overs to the sink, the children, the bounds
    // announcement when shown; a second call in the same frame does nothing.
    virtual void Update();
    // Effect and textures at once; event 0 for each texture; binding dirty.
    virtual void SetNameAndTextures(const std::string& effectName, const std::vector<std::string>& textureNames);
    // Re-places the object under a parent matrix: drawn vertices, children, records, box.
    virtual void UpdateTransform(const math::Matrix& parent);
    // True selects mode 2 with index 0; false changes nothing.
    virtual void SetEnabled(bool enabled);
    // Scene layer code: 0, 1, 2 as they are; 3, 4 and negatives give 0; 5 and above
    // give mode 3 with index code - 5.
    virtual void SetMode(int code);
    virtual CYObjectVisual* GetVisual();
    // Writes the vertices into the sink's buffer, through the vertex effect if any.
    void ApplyVertexEffect(gfx::Vertex* destination) override;
    // Advances the vertex effect, then every child's.
    virtual void UpdateVertexEffect(float frameTime);

    // A plain object (kind 0) with this object's name, source geometry, records,
    // binding, local matrix, box and collision flag, and clones of the children.
    CYObject* Clone() const;
    // Sets the local matrix and re-places the object under its last parent matrix;
    // then the owner's bounds follow. A matrix with a non-finite entry is refused.
    void SetLocalTransform(const math::Matrix& matrix);
    // Replaces (and deletes) the vertex effect; null removes it. The object stops being
    // static geometry, the binding is dirty, and the owner becomes active.
    void SetVertexEffect(CYVertexEffect* effect);
    // Appends a copy of the box to the records and recomputes the own box.
    void AddBoundingRecord(const CYBoundingBox& box);
    // Replaces the records and recomputes the own box.
    void SetBoundingRecords(const std::vector<CYBoundingBox>& boxes);
    // box = the first record merged with the rest and with every child's recomputed box.
    // Without records the children's boxes alone make it; with neither it stays.
    void RecomputeBox();
    // Appends an object as an owned child. False (nothing changes) for null, for this
    // object, for an object that already belongs to a parent or a complex object, or
    // when the tree would grow deeper than kMaxObjectDepth.
    bool AddChild(CYObject* child);
    // Deletes the child when it is one of this object's children, else searches the
    // children depth first. True when it was found and deleted.
    bool DeleteChild(CYObject* child);
    // The ray against the bounding records, then against the children whose visible and
    // collision flags are set; the nearest hit at 0 <= t < *distance sets the distance,
    // the point and the face plane. True on a hit.
    bool CrossRay(const math::Vec4& origin, const math::Vec4& direction, math::Vec4* point, float* distance,
                  math::Plane* plane) const;

    // Levels of the tree below and including this object (1 without children).
    int SubtreeDepth() const;
    // 1 for an object without a parent object, else its parent's level + 1.
    int Level() const;
    // The object this one is a child of, or null.
    CYObject* GetParent() const { return parent_; }
    // This object and every descendant, depth first.
    void CollectTree(std::vector<CYObject*>* out);

    const std::string& GetName() const { return name_; }
    // Renames the object, in the live-object table too.
    void SetName(const std::string& name);
    int GetKind() const { return kind_; }
    int GetDrawCount() const { return drawCount_; }
    // Held within 0 .. kMaxDrawCount.
    void SetDrawCount(int count);
    CYVertexEffect* GetVertexEffect() const { return vertexEffect_; }
    YObjectRoom* GetRoom() const { return room_; }
    const std::vector<gfx::Vertex>& GetSourceVertices() const { return sourceVertices_; }
    const std::vector<gfx::Vertex>& GetDrawnVertices() const { return drawnVertices_; }
    const std::vector<uint16_t>& GetIndexArray() const { return indices_; }
    const math::Matrix& GetLocalMatrix() const { return localMatrix_; }
    const math::Matrix& GetParentMatrix() const { return parentMatrix_; }
    const std::vector<CYObject*>& Children() const { return children_; }
    const std::vector<CYBoundingBox>& GetBoundingRecords() const { return boundingRecords_; }
    const CYBoundingBox& GetBox() const { return box_; }
    CYComplexObject* GetOwner() const { return owner_; }
    bool IsVisible() const { return visible_; }
    void SetVisible(bool value) { visible_ = value; }
    bool GetShowBounds() const { return showBounds_; }
    void SetShowBounds(bool value) { showBounds_ = value; }
    bool HasCollision() const { return collision_; }
    void SetCollision(bool value) { collision_ = value; }
    // Whether a parent object or a complex object owns this object.
    bool IsHeld() const { return held_; }
    void SetHeld(bool value) { held_ = value; }

protected:
    // Places the drawn vertices, the children and the records with M.
    void Place(const math::Matrix& m);

    int drawCount_ = 1;
    CYVertexEffect* vertexEffect_ = nullptr;
    YObjectRoom* room_ = nullptr;
    CYObjectVisual visual_;
    std::string name_;
    std::vector<gfx::Vertex> sourceVertices_;
    std::vector<uint16_t> indices_;
    std::vector<gfx::Vertex> drawnVertices_;
    math::Matrix localMatrix_ = math::MatrixIdentity();
    int indexCount_ = 0;
    int vertexCount_ = 0;
    std::vector<CYObject*> children_;
    int kind_ = 0;
    std::vector<CYBoundingBox> boundingRecords_;
    CYBoundingBox box_;
    CYComplexObject* owner_ = nullptr;
    math::Matrix parentMatrix_ = math::MatrixIdentity();
    int64_t frameStamp_ = -1;
    bool visible_ = true;
    bool showBounds_ = false;
    bool collision_ = true;
    bool held_ = false;
    CYObject* parent_ = nullptr;
};

// Parts of kinds 1 and 2: two vectors from the mesh file, kept but not used.
class CYObjectKind1 : public CYObject {
public:
    CYObjectKind1(const std::string& name, const std::vector<gfx::Vertex>& vertices,
                  const std::vector<uint16_t>& indices, const math::Vec3& vectorA, const math::Vec3& vectorB);
    math::Vec3 vectorA;
    math::Vec3 vectorB;
};

class CYObjectKind2 : public CYObject {
public:
    CYObjectKind2(const std::string& name, const std::vector<gfx::Vertex>& vertices,
                  const std::vector<uint16_t>& indices, const math::Vec3& vectorA, const math::Vec3& vectorB);
    math::Vec3 vectorA;
    math::Vec3 vectorB;
};

// Two bones and their weights for one vertex of a skinned part.
struct YSkinWeight {
    uint32_t boneA = 0;
    uint32_t boneB = 0;
    float weightA = 0.0f;
    float weightB = 0.0f;
};
static_assert(sizeof(YSkinWeight) == 16);

// Part kind 3: its vertices follow the bones of its owner's skeleton.
class CYSkinnedObject : public CYObject {
public:
    CYSkinnedObject(const std::string& name, const std::vector<gfx::Vertex>& vertices,
                    const std::vector<uint16_t>& indices, std::vector<YSkinWeight> weights);
    // Also makes the owner active.
    void SetOwner(CYComplexObject* owner) override;
    // Places every vertex by its two bones' skinning matrices (once the owner's skeleton
    // has been posed), then advances the vertex effects.
    void UpdateVertexEffect(float frameTime) override;

    const std::vector<YSkinWeight>& GetWeights() const { return weights_; }

private:
    std::vector<YSkinWeight> weights_;
};
