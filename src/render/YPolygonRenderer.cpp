#include "render/YPolygonRenderer.h"

namespace {

// Every child's slot, stopping at the first failure.
template <class Call>
void ForChildren(const CYNode& node, Call call) {
    for (CYNode* child : node.Children())
        if (FAILED(call(child))) return;
}

}  // namespace

// ---- Dynamic sink -------------------------------------------------------------------------

CYDynamicPolygonRenderer::CYDynamicPolygonRenderer() : CYNode(YNODE_DYNAMICPOLYGONRENDERER) {}

void CYDynamicPolygonRenderer::AddGeometry(YGeometrySource* object) {
    // Without a renderer there is no fill pass to empty the queue.
    if (!object || !g_renderer) return;
    ClearIdle();
    g_renderer->AddDynamicTotals(object->GetVertexCount(), object->GetIndexCount());
    queue_.Add(object);
}

HRESULT CYDynamicPolygonRenderer::FillBuffers() {
    if (IsIdle()) return S_OK;
    if (queue_.Vertices() != 0 && g_renderer)
        g_renderer->WriteDynamicBatch(queue_.Data(), queue_.Size(), queue_.Vertices(), queue_.Indices(), &batch_);
    queue_.Clear();
    ForChildren(*this, [](CYNode* c) { return c->FillBuffers(); });
    return S_OK;
}

HRESULT CYDynamicPolygonRenderer::Render() {
    if (IsIdle()) return S_OK;
    if (batch_.triangleCount != 0 && g_renderer) g_renderer->DrawDynamicBatch(batch_);
    if (!IsIdle()) ForChildren(*this, [](CYNode* c) { return c->Render(); });
    return S_OK;
}

void CYDynamicPolygonRenderer::MarkIdle() {
    batch_.triangleCount = 0;
    SetIdle(true);
}

// ---- Static sink --------------------------------------------------------------------------

CYStaticPolygonRenderer::CYStaticPolygonRenderer() : CYNode(YNODE_STATICPOLYGONRENDERER) {}

void CYStaticPolygonRenderer::AddGeometry(YGeometrySource* object) {
    if (!object || !g_renderer) return;
    if (written_) {
        // Already in the static pair: only the path needs waking to be drawn.
        if (batch_.triangleCount != 0) ClearIdle();
        return;
    }
    ClearIdle();
    g_renderer->AddStaticTotals(object->GetVertexCount(), object->GetIndexCount());
    queue_.Add(object);
}

HRESULT CYStaticPolygonRenderer::FillBuffers() {
    if (!written_) {
        // When the static pair could not be locked the objects are collected again.
        if (queue_.Vertices() != 0 && g_renderer &&
            SUCCEEDED(g_renderer->WriteStaticBatch(queue_.Data(), queue_.Size(), queue_.Vertices(),
                                                   queue_.Indices(), &batch_)))
            written_ = 1;
        queue_.Clear();
    }
    if (!IsIdle()) ForChildren(*this, [](CYNode* c) { return c->FillBuffers(); });
    return S_OK;
}

HRESULT CYStaticPolygonRenderer::Render() {
    if (batch_.triangleCount != 0 && g_renderer) g_renderer->DrawStaticBatch(batch_);
    if (!IsIdle()) ForChildren(*this, [](CYNode* c) { return c->Render(); });
    return S_OK;
}

void CYStaticPolygonRenderer::SetState(int value) {
    written_ = value;
    if (value == 0) batch_.triangleCount = 0;
    CYNode::SetState(value);
    queue_.Clear();
}
