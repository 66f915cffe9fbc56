#include "render/YNode.h"

#include "core/YLiveCounts.h"
#include "render/YRenderer.h"

namespace {

uint64_t g_nodeDeletions = 0;

void CountNode(int type, int delta) {
    g_live.nodes += delta;
    if (type >= 0 && type <= YNODE_NONE)
        g_live.nodesByType[type] += delta;
    else
        g_live.nodesOfUnknownType += delta;
}

}  // namespace

uint64_t NodeDeletionCount() { return g_nodeDeletions; }

CYNode::CYNode(int type) : type_(type) { CountNode(type_, 1); }

CYNode::~CYNode() {
    if (parent_) parent_->Detach(this);
    DeleteChildren();
    CountNode(type_, -1);
    ++g_nodeDeletions;
}

void CYNode::Detach(CYNode* child) {
    children_.remove(child);
    child->parent_ = nullptr;
}

HRESULT CYNode::Create() { return S_OK; }

HRESULT CYNode::ForEachChild2() {
    for (CYNode* child : children_) {
        HRESULT hr = child->ForEachChild2();
        if (FAILED(hr)) return hr;
    }
    return S_OK;
}

void CYNode::SetState(int value) {
    for (CYNode* child : children_) child->SetState(value);
}

void CYNode::OnLostDevice() {
    for (CYNode* child : children_) child->OnLostDevice();
}

void CYNode::OnResetDevice() {
    for (CYNode* child : children_) child->OnResetDevice();
}

HRESULT CYNode::Render() {
    if (idle_) return S_OK;
    HRESULT hr = S_OK;
    for (CYNode* child : children_) {
        hr = child->Render();
        if (FAILED(hr)) return hr;
    }
    return hr;
}

void CYNode::MarkIdle() {
    if (idle_) return;
    idle_ = 1;
    for (CYNode* child : children_) child->MarkIdle();
}

HRESULT CYNode::ForEachChild8() {
    for (CYNode* child : children_) {
        HRESULT hr = child->ForEachChild8();
        if (FAILED(hr)) return hr;
    }
    return S_OK;
}

HRESULT CYNode::AddChild(CYNode* child) {
    if (!child || child == this) return E_INVALIDARG;
    if (child->parent_) child->parent_->Detach(child);
    children_.push_back(child);
    child->parent_ = this;
    return S_OK;
}

void CYNode::DeleteChildren() {
    while (!children_.empty()) {
        CYNode* child = children_.front();
        children_.pop_front();
        // The child must not reach back into this list while it goes.
        child->parent_ = nullptr;
        delete child;
    }
}

HRESULT CYNode::FillBuffers() {
    if (idle_) return S_OK;
    for (CYNode* child : children_) {
        HRESULT hr = child->FillBuffers();
        if (FAILED(hr)) return hr;
    }
    return S_OK;
}

void CYNode::ClearIdle() {
    for (CYNode* node = this; node && node->idle_; node = node->parent_) node->idle_ = 0;
}

// ---- Camera, world and clip nodes ------------------------------------------------------

CYCameraNode::CYCameraNode()
    : CYNode(YNODE_CAMERA), view_(math::MatrixIdentity()), projection_(math::MatrixIdentity()) {}

CYCameraNode::~CYCameraNode() {
    if (holder_ && *holder_ == this) *holder_ = nullptr;
}

HRESULT CYCameraNode::Render() {
    // The transforms are set even while idle; the children draw only when awake.
    if (g_device) {
        g_device->SetTransform(gfx::TS_VIEW, &view_);
        g_device->SetTransform(gfx::TS_PROJECTION, &projection_);
    }
    return CYNode::Render();
}

CYWorld::CYWorld(const math::Matrix& world) : CYNode(YNODE_WORLD), world_(world) {}

CYClipNode::CYClipNode() : CYNode(YNODE_CLIP) {}
