// The base of every interface element: a textured rectangle in the 640 x 480 interface
// space with an optional hit mask, visible and active flags, a parent, ordered child
// windows and a script handler of its own. Widgets put their behaviour in the hooks.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "core/YEvents.h"
#include "core/YReferences.h"
#include "core/YScript.h"
#include "platform/system/Result.h"
#include "render/YObject.h"

// Largest window width or height in interface units; larger sizes are held to it.
constexpr int32_t kMaxWindowSize = 8192;
// Positions are held within -kMaxWindowCoord .. kMaxWindowCoord interface units.
constexpr float kMaxWindowCoord = 100000.0f;
// Largest hit-mask file read; larger files are refused.
constexpr uint32_t kMaxMaskBytes = 16u << 20;

class CYWindow : public CYObject, public CYEventListener, public CYReferenced {
public:
    CYWindow(const std::string& name, const std::string& textureName, const std::string& effectName,
             const std::string& maskName, int32_t width, int32_t height, int32_t texWidth, int32_t texHeight,
             int32_t texU, int32_t texV, float x, float y);
    // Every size, position, texture field and string empty or zero.
    explicit CYWindow(const std::string& name);
    // Deletes the children, then drops out of its parent's children.
    ~CYWindow() override;

    // Only while visible: the object's per-frame hand-over, then every child's.
    void Update() override;

    // Stores the flag and passes it to every child.
    virtual void SetVisible(bool visible);
    // A change runs OnActivate, or the leave notification and OnDeactivate; then the
    // children follow.
    virtual void SetActive(bool active);
    // Moves the window and its subtree (children keep their integer offsets) and
    // rebuilds the quad. Non-finite positions are refused; others are held to range.
    virtual void SetPosition(float x, float y);
    virtual void SetDepth(float depth);
    // Per frame while visible: vertex effects, one script step, the children. 0.
    virtual int32_t UpdateWindow();
    // Scale, activation, render mode, quad, texture, effect and mask, then the children.
    // The first negative result stops it and is returned.
    virtual HRESULT Load();
    // OnDeactivate, then deletes every child.
    virtual void DestroyChildren();
    // Takes the child in depth order with this window's flags. False (nothing changes)
    // for null, this window, a child that already has a parent, an ancestor of this
    // window, or a tree that would grow deeper than kMaxObjectDepth.
    virtual bool AddChild(CYWindow* child);
    // Hover search: the deepest, topmost hit window ends in *hovered. 0.
    virtual int32_t OnMouseMove(int32_t x, int32_t y, CYWindow** hovered);
    // When the point is outside: event 33, the leave hook, then the parent's. 0.
    virtual int32_t OnMouseLeave(int32_t x, int32_t y);
    // The hook, then event 34 (name, button). 0.
    virtual int32_t OnMouseButtonDown(int32_t button);
    // The hook, then event 35 (name, button). 0.
    virtual int32_t OnMouseButtonUp(int32_t button);
    virtual void OnHoverHook(int32_t x, int32_t y);
    virtual void OnLeaveHook(int32_t x, int32_t y);
    virtual void OnButtonDownHook(int32_t button);
    virtual void OnButtonUpHook(int32_t button);
    // Inside the rectangle, and on a non-zero mask byte when there is a mask.
    virtual bool HitTest(int32_t x, int32_t y);
    virtual void OnActivate();
    virtual void OnDeactivate();
    virtual void SetLayer(int32_t layer);
    // Recomputes the scale, re-places the window, then every child's.
    virtual void Rescale();

    // This window or the first descendant (pre-order) of that name; null when none.
    CYWindow* FindChild(const std::string& name);
    // Rebuilds the four vertices of the quad from the position, size and texel origin.
    void BuildQuad(int32_t texU, int32_t texV);

    uint32_t GetType() const { return type_; }
    bool IsActive() const { return active_; }
    float GetX() const { return x_; }
    float GetY() const { return y_; }
    float GetDepth() const { return depth_; }
    int32_t GetWidth() const { return width_; }
    int32_t GetHeight() const { return height_; }
    CYWindow* GetParentWindow() const { return parentWindow_; }
    const std::vector<uint8_t>& GetMaskData() const { return maskData_; }
    uint32_t GetMaskSize() const { return maskSize_; }
    const std::string& GetMaskName() const { return maskName_; }
    const std::string& GetTextureName() const { return textureName_; }
    const std::string& GetEffectName() const { return effectName_; }
    int32_t GetTexWidth() const { return texWidth_; }
    int32_t GetTexHeight() const { return texHeight_; }
    int32_t GetTexU() const { return texU_; }
    int32_t GetTexV() const { return texV_; }
    CYScriptHandler& Script() { return script_; }
    int32_t GetLayer() const { return layer_; }
    float GetScaleX() const { return scaleX_; }
    float GetScaleY() const { return scaleY_; }

    // The live window of a script reference; null for null, a deleted window or another object.
    static CYWindow* FromReference(const void* reference) { return ResolveReference<CYWindow>(reference); }

protected:
    // Screen pixels per interface unit from the configured screen size.
    void ComputeScale();
    // The children as windows, skipping any that are not.
    CYWindow* ChildAt(size_t index) const;

    uint32_t type_ = 0;
    bool active_ = false;
    float x_ = 0.0f;
    float y_ = 0.0f;
    float depth_ = 0.0f;
    int32_t width_ = 0;
    int32_t height_ = 0;
    CYWindow* parentWindow_ = nullptr;
    std::vector<uint8_t> maskData_;
    uint32_t maskSize_ = 0;
    std::string maskName_;
    std::string textureName_;
    std::string effectName_;
    int32_t texWidth_ = 0;
    int32_t texHeight_ = 0;
    int32_t texU_ = 0;
    int32_t texV_ = 0;
    CYScriptHandler script_;
    int32_t layer_ = 0;
    float scaleX_ = 0.0f;
    float scaleY_ = 0.0f;
};
