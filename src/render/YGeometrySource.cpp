#include "render/YGeometrySource.h"

#include <algorithm>

namespace {
constexpr int kCountLimit = 0x3FFFFFFF;
}

int AddCounts(int a, int b) {
    a = std::clamp(a, 0, kCountLimit);
    b = std::clamp(b, 0, kCountLimit);
    return std::min(a + b, kCountLimit);
}

YGeometrySource::~YGeometrySource() { RemoveFromQueues(); }

void YGeometrySource::RemoveFromQueues() {
    // Each Remove takes its queue out of queues_.
    while (!queues_.empty()) queues_.back()->Remove(this);
}

CYPolygonQueue::~CYPolygonQueue() { Clear(); }

void CYPolygonQueue::Add(YGeometrySource* source) {
    if (!source) return;
    entries_.push_back(source);
    if (std::find(source->queues_.begin(), source->queues_.end(), this) == source->queues_.end())
        source->queues_.push_back(this);
    vertices_ = AddCounts(vertices_, source->GetVertexCount());
    indices_ = AddCounts(indices_, source->GetIndexCount());
}

void CYPolygonQueue::Remove(YGeometrySource* source) {
    if (!source) return;
    auto& queues = source->queues_;
    queues.erase(std::remove(queues.begin(), queues.end(), this), queues.end());
    auto end = std::remove(entries_.begin(), entries_.end(), source);
    if (end == entries_.end()) return;
    entries_.erase(end, entries_.end());
    vertices_ = indices_ = 0;
    for (YGeometrySource* s : entries_) {
        vertices_ = AddCounts(vertices_, s->GetVertexCount());
        indices_ = AddCounts(indices_, s->GetIndexCount());
    }
}

void CYPolygonQueue::Clear() {
    for (YGeometrySource* source : entries_) {
        auto& queues = source->queues_;
        auto it = std::find(queues.begin(), queues.end(), this);
        if (it != queues.end()) queues.erase(it);
    }
    entries_.clear();
    vertices_ = indices_ = 0;
}
