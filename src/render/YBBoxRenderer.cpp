#include "render/YBBoxRenderer.h"

#include "core/YLog.h"
#include "render/YBoundingBox.h"
#include "render/YRenderer.h"

namespace {

// Corner pairs of the twelve edges.
constexpr int kEdges[12][2] = {{0, 1}, {1, 2}, {2, 3}, {3, 0}, {4, 5}, {5, 6},
                               {6, 7}, {7, 4}, {0, 4}, {1, 5}, {2, 6}, {3, 7}};

}  // namespace

CYBBoxRenderer::CYBBoxRenderer() : CYNode(YNODE_BBOXRENDERER) {}

HRESULT CYBBoxRenderer::Create() {
    SubscribeOnce(YEVENT_BOUNDS_ANNOUNCE, this, OnBoundsAnnounce);
    return S_OK;
}

void CYBBoxRenderer::OnBoundsAnnounce(void* context, intptr_t a, intptr_t) {
    auto* self = static_cast<CYBBoxRenderer*>(context);
    const auto* box = reinterpret_cast<const CYBoundingBox*>(a);
    if (!self || !box) return;
    if (self->records_.size() >= kMaxRecords) {
        if (!self->overflowLogged_) Log(0, "Bounding boxes: more than %zu in one frame, the rest not drawn\n", kMaxRecords);
        self->overflowLogged_ = true;
        return;
    }
    Corners corners;
    for (int i = 0; i < 8; ++i) corners.c[i] = box->corners[i];
    self->records_.push_back(corners);
    if (self->IsIdle()) self->ClearIdle();
}

void CYBBoxRenderer::BuildLineList(const math::Vec4 corners[8], gfx::Vertex out[24]) {
    for (int e = 0; e < 12; ++e) {
        for (int end = 0; end < 2; ++end) {
            const math::Vec4& c = corners[kEdges[e][end]];
            gfx::Vertex v;
            v.x = c.x, v.y = c.y, v.z = c.z;
            v.diffuse = kLineColour;
            out[e * 2 + end] = v;
        }
    }
}

HRESULT CYBBoxRenderer::Render() {
    gfx::Device* device = g_renderer ? g_renderer->GetDevice() : nullptr;
    // The states are set on every pass, with boxes or without, and are not restored.
    if (device) {
        device->SetTexture(0, nullptr);
        device->SetTextureStageState(0, gfx::TSS_COLOROP, gfx::TOP_SELECTARG2);
        device->SetRenderState(gfx::RS_LIGHTING, 0);
        // The draws below come from our memory and leave no buffer bound.
        g_renderer->ForgetBoundPair();
        gfx::Vertex lines[24];
        for (const Corners& record : records_) {
            BuildLineList(record.c, lines);
            device->DrawPrimitiveUP(gfx::PT_LINELIST, 12, lines, sizeof(gfx::Vertex));
        }
    }
    records_.clear();
    overflowLogged_ = false;
    return CYNode::Render();
}
