#include "interface/YWindow.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include "core/YFile.h"
#include "core/YLiveCounts.h"
#include "core/YLog.h"
#include "core/YSettings.h"
#include "core/YTimer.h"
#include "render/YVertexEffect.h"

namespace {

// Two triangles 0-2-1 and 0-3-2 over the four corners.
const std::vector<uint16_t> kQuadIndices = {0, 2, 1, 0, 3, 2};

float HoldCoord(float v) { return std::clamp(v, -kMaxWindowCoord, kMaxWindowCoord); }

int32_t HoldSize(int32_t v) { return std::clamp(v, 0, kMaxWindowSize); }

}  // namespace

CYWindow::CYWindow(const std::string& name, const std::string& textureName, const std::string& effectName,
                   const std::string& maskName, int32_t width, int32_t height, int32_t texWidth, int32_t texHeight,
                   int32_t texU, int32_t texV, float x, float y)
    : CYObject(name, 0),
      x_(std::isfinite(x) ? HoldCoord(x) : 0.0f),
      y_(std::isfinite(y) ? HoldCoord(y) : 0.0f),
      width_(HoldSize(width)),
      height_(HoldSize(height)),
      maskName_(maskName),
      textureName_(textureName),
      effectName_(effectName),
      texWidth_(texWidth),
      texHeight_(texHeight),
      texU_(texU),
      texV_(texV),
      // The handler has no owner: commands reach a window's scripts by the name its
      // screen registers it under, never by the window's reference.
      script_(nullptr) {
    if (width_ != width || height_ != height || x_ != x || y_ != y)
        Log(3, "Window - %s: size %d x %d or position out of range, held\n", name.c_str(), width, height);
    ++g_live.windows;
    CYObject::SetVisible(false);
    // The quad exists from the start, so the index list never names missing vertices.
    ComputeScale();
    BuildQuad(texU_, texV_);
}

CYWindow::CYWindow(const std::string& name) : CYWindow(name, "", "", "", 0, 0, 0, 0, 0, 0, 0.0f, 0.0f) {}

CYWindow::~CYWindow() {
    DropReference();
    CYWindow::DestroyChildren();
    --g_live.windows;
    // A window deleted on its own leaves no dangling entry in its parent.
    if (parentWindow_) {
        std::vector<CYObject*>& siblings = parentWindow_->children_;
        siblings.erase(std::remove(siblings.begin(), siblings.end(), static_cast<CYObject*>(this)), siblings.end());
        parentWindow_ = nullptr;
        parent_ = nullptr;
    }
    UnsubscribeAll();
}

CYWindow* CYWindow::ChildAt(size_t index) const {
    return index < children_.size() ? dynamic_cast<CYWindow*>(children_[index]) : nullptr;
}

void CYWindow::ComputeScale() {
    scaleX_ = float(g_settings.screenWidth) * 0.0015625f;
    scaleY_ = float(g_settings.screenHeight) * 0.0020833334f;
}

void CYWindow::Update() {
    if (!IsVisible()) return;
    CYObject::Update();
    for (size_t i = 0; i < children_.size(); ++i)
        if (CYObject* child = children_[i]) child->Update();
}

void CYWindow::SetVisible(bool visible) {
    CYObject::SetVisible(visible);
    for (size_t i = 0; i < children_.size(); ++i)
        if (CYWindow* child = ChildAt(i)) child->SetVisible(visible);
}

void CYWindow::SetActive(bool active) {
    if (active_ == active) return;
    active_ = active;
    if (active) {
        OnActivate();
    } else {
        OnMouseLeave(-1000, -1000);
        OnDeactivate();
    }
    for (size_t i = 0; i < children_.size(); ++i)
        if (CYWindow* child = ChildAt(i)) child->SetActive(active);
}

void CYWindow::SetPosition(float x, float y) {
    if (!std::isfinite(x) || !std::isfinite(y)) {
        Log(3, "Window - %s: non-finite position refused\n", name_.c_str());
        return;
    }
    x = HoldCoord(x);
    y = HoldCoord(y);
    const float ox = std::trunc(x_), oy = std::trunc(y_);
    x_ = x;
    y_ = y;
    for (size_t i = 0; i < children_.size(); ++i)
        if (CYWindow* child = ChildAt(i))
            child->SetPosition((std::trunc(child->x_) - ox) + x, (std::trunc(child->y_) - oy) + y);
    BuildQuad(texU_, texV_);
}

void CYWindow::SetDepth(float depth) {
    if (std::isfinite(depth)) depth_ = depth;
}

int32_t CYWindow::UpdateWindow() {
    if (!IsVisible()) return 0;
    const float dt = float(g_timer.frameTime);
    if (vertexEffect_) vertexEffect_->Update(dt);
    for (size_t i = 0; i < children_.size(); ++i)
        if (CYObject* child = children_[i]) child->UpdateVertexEffect(dt);
    // A script may delete this window; nothing of it is touched afterwards then.
    std::weak_ptr<void> life = script_.LifeToken();
    script_.Step(dt);
    if (life.expired()) return 0;
    for (size_t i = 0; i < children_.size(); ++i) {
        if (CYWindow* child = ChildAt(i)) child->UpdateWindow();
        if (life.expired()) return 0;
    }
    return 0;
}

HRESULT CYWindow::Load() {
    ComputeScale();
    OnActivate();
    SetMode(layer_ + 5);
    SetPosition(x_, y_);
    if (textureName_.size() > 3) SetTexture(0, textureName_);
    if (effectName_.size() > 3) SetName2(effectName_);
    HRESULT hr = S_OK;
    if (!maskName_.empty()) {
        CYFile file("data\\interface\\masks\\" + maskName_);
        hr = file.Load(kMaxMaskBytes);
        if (hr < 0) {
            LogDXError("YWindow", 142, hr);
            return hr;
        }
        maskData_.assign(file.GetData(), file.GetData() + file.GetSize());
        maskSize_ = file.GetSize();
    }
    for (size_t i = 0; i < children_.size(); ++i) {
        CYWindow* child = ChildAt(i);
        if (!child) continue;
        hr = child->Load();
        if (hr < 0) return hr;
    }
    return hr;
}

void CYWindow::DestroyChildren() {
    OnDeactivate();
    // The vector is emptied rather than left holding nulls, which the object walks
    // (update, placement, bounds) would follow.
    std::vector<CYObject*> children;
    children.swap(children_);
    for (CYObject* child : children) {
        if (auto* window = dynamic_cast<CYWindow*>(child)) {
            window->parentWindow_ = nullptr;
            window->parent_ = nullptr;
        }
        delete child;
    }
}

bool CYWindow::AddChild(CYWindow* child) {
    if (!child || child == this || child->IsHeld() || child->parentWindow_) return false;
    for (const CYObject* p = parent_; p; p = p->GetParent())
        if (p == child) return false;
    if (Level() + child->SubtreeDepth() > kMaxObjectDepth) {
        Log(3, "Window - %s: child tree too deep, refused\n", name_.c_str());
        return false;
    }
    child->SetVisible(IsVisible());
    child->SetActive(active_);
    child->parentWindow_ = this;
    child->parent_ = this;
    child->SetHeld(true);
    auto at = children_.begin();
    for (; at != children_.end(); ++at) {
        const auto* window = dynamic_cast<const CYWindow*>(*at);
        if (window && window->depth_ > child->depth_) break;
    }
    children_.insert(at, child);
    return true;
}

int32_t CYWindow::OnMouseMove(int32_t x, int32_t y, CYWindow** hovered) {
    if (!hovered || !HitTest(x, y)) return 0;
    *hovered = this;
    SendEvent(YEVENT_WINDOW_POINTER_ENTER, reinterpret_cast<intptr_t>(name_.c_str()), 0);
    OnHoverHook(x, y);
    for (size_t i = children_.size(); i-- > 0;) {
        CYWindow* child = ChildAt(i);
        if (child && child->active_) child->OnMouseMove(x, y, hovered);
        if (*hovered != this) break;
    }
    return 0;
}

int32_t CYWindow::OnMouseLeave(int32_t x, int32_t y) {
    if (HitTest(x, y)) return 0;
    SendEvent(YEVENT_WINDOW_POINTER_LEAVE, reinterpret_cast<intptr_t>(name_.c_str()), 0);
    OnLeaveHook(x, y);
    if (parentWindow_) parentWindow_->OnMouseLeave(x, y);
    return 0;
}

int32_t CYWindow::OnMouseButtonDown(int32_t button) {
    OnButtonDownHook(button);
    SendEvent(YEVENT_WINDOW_BUTTON_DOWN, reinterpret_cast<intptr_t>(name_.c_str()), button);
    return 0;
}

int32_t CYWindow::OnMouseButtonUp(int32_t button) {
    OnButtonUpHook(button);
    SendEvent(YEVENT_WINDOW_BUTTON_UP, reinterpret_cast<intptr_t>(name_.c_str()), button);
    return 0;
}

void CYWindow::OnHoverHook(int32_t, int32_t) {}
void CYWindow::OnLeaveHook(int32_t, int32_t) {}
void CYWindow::OnButtonDownHook(int32_t) {}
void CYWindow::OnButtonUpHook(int32_t) {}

bool CYWindow::HitTest(int32_t x, int32_t y) {
    const float px = float(x), py = float(y);
    if (!(x_ <= px && px < x_ + float(width_) && y_ <= py && py < y_ + float(height_))) return false;
    if (maskName_.empty()) return true;
    // The mask cell of the point; with a fractional position the rectangle reaches one
    // unit past the mask's last column or row, and those points are outside.
    const int64_t column = int64_t(x) - int64_t(std::trunc(x_));
    const int64_t row = int64_t(y) - int64_t(std::trunc(y_));
    if (column < 0 || column >= width_ || row < 0 || row >= height_) return false;
    const int64_t index = row * width_ + column;
    if (index >= int64_t(maskSize_) || size_t(index) >= maskData_.size()) return false;
    return maskData_[size_t(index)] != 0;
}

void CYWindow::OnActivate() {}
void CYWindow::OnDeactivate() {}

void CYWindow::SetLayer(int32_t layer) { layer_ = layer; }

void CYWindow::Rescale() {
    ComputeScale();
    SetPosition(x_, y_);
    for (size_t i = 0; i < children_.size(); ++i)
        if (CYWindow* child = ChildAt(i)) child->Rescale();
}

CYWindow* CYWindow::FindChild(const std::string& name) {
    if (name_ == name) return this;
    for (size_t i = 0; i < children_.size(); ++i)
        if (CYWindow* child = ChildAt(i))
            if (CYWindow* found = child->FindChild(name)) return found;
    return nullptr;
}

void CYWindow::BuildQuad(int32_t texU, int32_t texV) {
    const float L = std::floor(x_ * scaleX_), T = std::floor(y_ * scaleY_);
    const float R = std::floor((x_ + float(width_)) * scaleX_), B = std::floor((y_ + float(height_)) * scaleY_);
    // A window without a texture size has no image: its texture coordinates stay 0.
    float uL = 0.0f, uR = 0.0f, vT = 0.0f, vB = 0.0f;
    if (texWidth_ > 0) {
        uL = float(texU) / float(texWidth_);
        uR = uL + (float(width_) - 0.25f) / float(texWidth_);
    }
    if (texHeight_ > 0) {
        vT = float(texV) / float(texHeight_);
        vB = vT + (float(height_) - 0.25f) / float(texHeight_);
    }
    const float corners[4][4] = {{L, T, uL, vT}, {R, T, uR, vT}, {R, B, uR, vB}, {L, B, uL, vB}};
    std::vector<gfx::Vertex> quad(4);
    for (int i = 0; i < 4; ++i) {
        gfx::Vertex& v = quad[size_t(i)];
        v.x = corners[i][0];
        v.y = corners[i][1];
        v.z = 1.0f;
        v.u0 = corners[i][2];
        v.v0 = corners[i][3];
        // The image is drawn as it is: white diffuse under a modulating stage.
        v.diffuse = 0xFFFFFFFF;
    }
    sourceVertices_ = quad;
    drawnVertices_ = std::move(quad);
    vertexCount_ = 4;
    indices_ = kQuadIndices;
    indexCount_ = int(indices_.size());
}
