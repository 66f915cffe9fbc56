// The scene-node tree: every drawn thing hangs below the renderer's root. Objects are
// not in the tree; each frame they hand their geometry to a sink node, which wakes its
// path to the root. The renderer fills and draws only awake paths, then puts the whole
// tree back to sleep.
#pragma once
#include <cstdint>
#include <list>

#include "platform/math/Math.h"
#include "platform/system/Result.h"

enum YNodeType : int {
    YNODE_CAMERA = 0,
    YNODE_EFFECT = 1,
    YNODE_TEXTURES = 2,
    YNODE_WORLD = 3,
    YNODE_LIGHTING = 4,
    YNODE_DYNAMICPOLYGONRENDERER = 5,
    YNODE_STATICPOLYGONRENDERER = 6,
    YNODE_TEXTURERENDERER = 7,
    YNODE_CLIP = 8,
    YNODE_BBOXRENDERER = 9,
    YNODE_NONE = 10,
};

// Nodes deleted since the program started. Whoever keeps a pointer to a node outside
// the tree compares it with the count it saw: a change means the node may be gone.
uint64_t NodeDeletionCount();

// A scene node. It owns its children; deleting a node deletes its subtree and takes it
// out of its parent's list. Built, then Create, then attached with AddChild.
class CYNode {
public:
    explicit CYNode(int type = YNODE_NONE);
    // Detaches from the parent and deletes every child.
    virtual ~CYNode();
    CYNode(const CYNode&) = delete;
    CYNode& operator=(const CYNode&) = delete;

    // Called once after construction, before the node is attached; a failure discards it.
    virtual HRESULT Create();
    // Slot 2 of every child; stops at the first negative result.
    virtual HRESULT ForEachChild2();
    // Passes the value to every child.
    virtual void SetState(int value);
    // Before and after a device reset; forwarded to every child.
    virtual void OnLostDevice();
    virtual void OnResetDevice();
    // Draws: nothing while idle, else every child in order, stopping at the first
    // negative result, which is returned.
    virtual HRESULT Render();
    // Puts an awake node and its awake subtree to sleep.
    virtual void MarkIdle();
    // Slot 8 of every child; stops at the first negative result.
    virtual HRESULT ForEachChild8();
    // Appends the child (taken from a previous parent) and becomes its owner. 0, or
    // E_INVALIDARG for null or for the node itself.
    virtual HRESULT AddChild(CYNode* child);
    // Deletes every child.
    virtual void DeleteChildren();
    // The fill pass: nothing while idle, else every child in order, stopping at the
    // first negative result.
    virtual HRESULT FillBuffers();

    // Wakes the node and its ancestors up to the first one already awake.
    void ClearIdle();

    int GetType() const { return type_; }
    bool IsIdle() const { return idle_ != 0; }
    CYNode* GetParent() const { return parent_; }
    const std::list<CYNode*>& Children() const { return children_; }

protected:
    void SetIdle(bool idle) { idle_ = idle ? 1 : 0; }

private:
    // Removes a child from the list without deleting it.
    void Detach(CYNode* child);

    CYNode* parent_ = nullptr;
    std::list<CYNode*> children_;
    uint8_t idle_ = 1;
    int type_;
};

// Holds a view and a projection matrix and sets them on the device when drawn, awake
// or not; its children draw only when it is awake.
class CYCameraNode : public CYNode {
public:
    CYCameraNode();
    // Clears the holder's pointer to this node, so a camera never keeps a deleted node.
    ~CYCameraNode() override;
    HRESULT Render() override;

    // The pointer cleared when this node is deleted (the feeding camera's), or null.
    void SetHolder(CYCameraNode** holder) { holder_ = holder; }
    CYCameraNode** GetHolder() const { return holder_; }

    void SetView(const math::Matrix& view) { view_ = view; }
    void SetProjection(const math::Matrix& projection) { projection_ = projection; }
    const math::Matrix& GetView() const { return view_; }
    const math::Matrix& GetProjection() const { return projection_; }

private:
    math::Matrix view_;
    math::Matrix projection_;
    CYCameraNode** holder_ = nullptr;
};

// A world node: keeps the world matrix it was built with; draws its children.
class CYWorld : public CYNode {
public:
    explicit CYWorld(const math::Matrix& world);
    const math::Matrix& GetMatrix() const { return world_; }

private:
    math::Matrix world_;
};

// A grouping node that draws its children.
class CYClipNode : public CYNode {
public:
    CYClipNode();
};
