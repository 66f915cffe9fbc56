#include "render/YObject.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "core/YEvents.h"
#include "core/YLiveCounts.h"
#include "core/YLog.h"
#include "core/YTimer.h"
#include "render/YComplexObject.h"
#include "render/YEffectNode.h"
#include "render/YNode.h"
#include "render/YPolygonRenderer.h"
#include "render/YRenderer.h"
#include "render/YSkeleton.h"
#include "render/YTextures.h"
#include "render/YVertexEffect.h"

namespace {

void EnterLiveTable(const std::string& name) {
    ++g_live.objects;
    LiveObjectNames().push_back(name);
}

// Objects tend to go in the reverse order of their making: search from the back.
void LeaveLiveTable(const std::string& name) {
    --g_live.objects;
    std::vector<std::string>& names = LiveObjectNames();
    for (auto it = names.rbegin(); it != names.rend(); ++it)
        if (*it == name) {
            names.erase(std::next(it).base());
            return;
        }
}

}  // namespace

// ---- Binding ------------------------------------------------------------------------------

CYObjectVisual::CYObjectVisual(CYObject* owner) : owner_(owner) {}

int CYObjectVisual::LayerIndex() const {
    switch (mode_) {
        case 1: return 3;
        case 2: return 4;
        case 3: return 5 + modeIndex_;
        default: return baseLayer_ - 1;
    }
}

HRESULT CYObjectVisual::CreateNode() {
    CYRenderer* renderer = nullptr;
    SendEvent(YEVENT_GET_RENDERER, reinterpret_cast<intptr_t>(&renderer), 0);
    if (!renderer) return E_FAIL;
    CYNode* layer = nullptr;
    SendEvent(YEVENT_GET_WORLD_PARAM, reinterpret_cast<intptr_t>(&layer), LayerIndex());
    CYNode* effect = renderer->GetEffectNode(layer, effectName_);
    CYNode* textures = effect ? renderer->GetTexturesNode(effect, textureNames_) : nullptr;
    if (!textures) {
        if (!failureLogged_) Log(3, "Error in object - %s", owner_ ? owner_->GetName().c_str() : "");
        failureLogged_ = true;
        return E_FAIL;
    }
    CYDynamicPolygonRenderer* sink = renderer->GetDynamicPolygonRenderer(textures);
    if (!sink) return E_FAIL;
    sink_ = sink;
    sinkEpoch_ = NodeDeletionCount();
    dirty_ = false;
    failureLogged_ = false;
    return S_OK;
}

void CYObjectVisual::Draw(CYObject* object) {
    // A node deleted since the path was built may have been the sink: find it again.
    if (sink_ && sinkEpoch_ != NodeDeletionCount()) {
        sink_ = nullptr;
        dirty_ = true;
    }
    if (dirty_) CreateNode();
    if (sink_ && object) sink_->AddGeometry(object);
}

void CYObjectVisual::CopyFrom(const CYObjectVisual& other) {
    effectName_ = other.effectName_;
    textureNames_ = other.textureNames_;
    staticGeometry_ = other.staticGeometry_;
    mode_ = other.mode_;
    modeIndex_ = other.modeIndex_;
    sink_ = nullptr;
    dirty_ = true;
}

// ---- Object -------------------------------------------------------------------------------

CYObject::CYObject(const std::string& name, const std::vector<gfx::Vertex>& vertices,
                   const std::vector<uint16_t>& indices, int kind)
    : CYObject(name, kind) {
    SetGeometry(vertices, indices);
    visual_.mode_ = 0;
    visual_.dirty_ = true;
    localMatrix_ = math::MatrixIdentity();
}

CYObject::CYObject(const std::string& name, int kind) : visual_(this), name_(name), kind_(kind) {
    EnterLiveTable(name_);
}

CYObject::~CYObject() {
    // Out of the sink queues before anything the sink reads goes.
    RemoveFromQueues();
    delete vertexEffect_;
    vertexEffect_ = nullptr;
    for (CYObject* child : children_) delete child;
    children_.clear();
    LeaveLiveTable(name_);
}

void CYObject::SetName(const std::string& name) {
    if (name == name_) return;
    std::vector<std::string>& names = LiveObjectNames();
    for (auto it = names.rbegin(); it != names.rend(); ++it)
        if (*it == name_) {
            *it = name;
            break;
        }
    name_ = name;
}

void CYObject::SetOwner(CYComplexObject* owner) { owner_ = owner; }

const uint16_t* CYObject::GetIndices() const { return indices_.empty() ? nullptr : indices_.data(); }

const gfx::Vertex* CYObject::GetVertices() const { return drawnVertices_.empty() ? nullptr : drawnVertices_.data(); }

int CYObject::GetIndexCount() const {
    return std::clamp(indexCount_, 0, static_cast<int>(std::min<size_t>(indices_.size(), INT32_MAX)));
}

int CYObject::GetVertexCount() const {
    return std::clamp(vertexCount_, 0, static_cast<int>(std::min<size_t>(drawnVertices_.size(), INT32_MAX)));
}

void CYObject::SetTexture(int index, const std::string& name) {
    if (index < 0 || index >= kMaxObjectTextures) {
        Log(3, "Texture index %d of object - %s is out of range\n", index, name_.c_str());
        return;
    }
    SendEvent(YEVENT_TEXTURE_REQUEST, reinterpret_cast<intptr_t>(name.c_str()), 0);
    std::vector<std::string>& names = visual_.textureNames_;
    if (names.size() < size_t(index) + 1) names.resize(size_t(index) + 1);
    names[size_t(index)] = name;
    visual_.dirty_ = true;
}

void CYObject::SetName2(const std::string& effectName) {
    visual_.effectName_ = effectName;
    visual_.dirty_ = true;
}

void CYObject::SetGeometry(const std::vector<gfx::Vertex>& vertices, const std::vector<uint16_t>& indices) {
    sourceVertices_ = vertices;
    drawnVertices_ = vertices;
    indices_.clear();
    indices_.reserve(indices.size() - indices.size() % 3);
    size_t dropped = 0;
    for (size_t k = 0; k + 3 <= indices.size(); k += 3) {
        if (indices[k] >= vertices.size() || indices[k + 1] >= vertices.size() || indices[k + 2] >= vertices.size()) {
            ++dropped;
            continue;
        }
        indices_.insert(indices_.end(), indices.begin() + std::ptrdiff_t(k), indices.begin() + std::ptrdiff_t(k + 3));
    }
    if (dropped || indices.size() % 3)
        Log(3, "Object - %s: %zu triangles name missing vertices, %zu indices left over; dropped\n", name_.c_str(),
            dropped, indices.size() % 3);
    indexCount_ = static_cast<int>(std::min<size_t>(indices_.size(), INT32_MAX));
    vertexCount_ = static_cast<int>(std::min<size_t>(drawnVertices_.size(), INT32_MAX));
}

void CYObject::SetRoom(YObjectRoom* room) { room_ = room; }

HRESULT CYObject::CreateRenderNode() { return visual_.CreateNode(); }

void CYObject::Update() {
    const int64_t frame = g_timer.frameCounter;
    if (frameStamp_ == frame) return;
    for (int i = 0; i < drawCount_; ++i) visual_.Draw(this);
    for (CYObject* child : children_) child->Update();
    if (showBounds_)
        for (CYBoundingBox& record : boundingRecords_)
            SendEvent(YEVENT_BOUNDS_ANNOUNCE, reinterpret_cast<intptr_t>(&record), 0);
    frameStamp_ = frame;
}

void CYObject::SetNameAndTextures(const std::string& effectName, const std::vector<std::string>& textureNames) {
    visual_.effectName_ = effectName;
    visual_.textureNames_ = textureNames;
    if (visual_.textureNames_.size() > size_t(kMaxObjectTextures)) {
        Log(3, "Object - %s: only %d textures kept\n", name_.c_str(), kMaxObjectTextures);
        visual_.textureNames_.resize(size_t(kMaxObjectTextures));
    }
    visual_.dirty_ = true;
    for (const std::string& name : visual_.textureNames_)
        SendEvent(YEVENT_TEXTURE_REQUEST, reinterpret_cast<intptr_t>(name.c_str()), 0);
}

void CYObject::Place(const math::Matrix& m) {
    const size_t n = std::min(sourceVertices_.size(), drawnVertices_.size());
    for (size_t i = 0; i < n; ++i) {
        const gfx::Vertex& s = sourceVertices_[i];
        gfx::Vertex& d = drawnVertices_[i];
        const math::Vec4 p = math::Vec3Transform(math::Vec3(s.x, s.y, s.z), m);
        const math::Vec3 normal = math::Vec3TransformNormal(math::Vec3(s.nx, s.ny, s.nz), m);
        d.x = p.x, d.y = p.y, d.z = p.z;
        d.nx = normal.x, d.ny = normal.y, d.nz = normal.z;
    }
    for (CYObject* child : children_) child->UpdateTransform(m);
    for (CYBoundingBox& record : boundingRecords_) record.Transform(m);
    RecomputeBox();
}

void CYObject::UpdateTransform(const math::Matrix& parent) {
    parentMatrix_ = parent;
    Place(localMatrix_ * parent);
}

void CYObject::SetEnabled(bool enabled) {
    if (!enabled) return;
    visual_.mode_ = 2;
    visual_.modeIndex_ = 0;
}

void CYObject::SetMode(int code) {
    visual_.modeIndex_ = 0;
    if (code == 1 || code == 2) {
        visual_.mode_ = code;
    } else if (code >= 5) {
        visual_.mode_ = 3;
        visual_.modeIndex_ = code - 5;
    } else {
        visual_.mode_ = 0;
    }
}

CYObjectVisual* CYObject::GetVisual() { return &visual_; }

void CYObject::ApplyVertexEffect(gfx::Vertex* destination) {
    const int n = GetVertexCount();
    if (!destination || n <= 0) return;
    if (vertexEffect_)
        vertexEffect_->Apply(destination, drawnVertices_.data(), n);
    else
        std::memcpy(destination, drawnVertices_.data(), size_t(n) * sizeof(gfx::Vertex));
}

void CYObject::UpdateVertexEffect(float frameTime) {
    if (vertexEffect_) vertexEffect_->Update(frameTime);
    for (CYObject* child : children_) child->UpdateVertexEffect(frameTime);
}

CYObject* CYObject::Clone() const {
    auto* copy = new CYObject(name_, sourceVertices_, indices_, 0);
    copy->boundingRecords_ = boundingRecords_;
    if (!copy->boundingRecords_.empty()) copy->RecomputeBox();
    copy->visual_.CopyFrom(visual_);
    copy->localMatrix_ = localMatrix_;
    copy->box_ = box_;
    copy->collision_ = collision_;
    for (const CYObject* child : children_) {
        CYObject* c = child->Clone();
        if (!copy->AddChild(c)) delete c;
    }
    return copy;
}

void CYObject::SetLocalTransform(const math::Matrix& matrix) {
    if (!math::IsFinite(matrix)) {
        Log(3, "Object - %s: transform with a non-finite value refused\n", name_.c_str());
        return;
    }
    localMatrix_ = matrix;
    Place(localMatrix_ * parentMatrix_);
    if (owner_) owner_->UpdateBounds();
}

void CYObject::SetVertexEffect(CYVertexEffect* effect) {
    if (effect != vertexEffect_) delete vertexEffect_;
    vertexEffect_ = effect;
    visual_.staticGeometry_ = false;
    visual_.dirty_ = true;
    if (owner_) owner_->SetActive();
}

void CYObject::AddBoundingRecord(const CYBoundingBox& box) {
    boundingRecords_.push_back(box);
    RecomputeBox();
}

void CYObject::SetBoundingRecords(const std::vector<CYBoundingBox>& boxes) {
    boundingRecords_ = boxes;
    RecomputeBox();
}

void CYObject::RecomputeBox() {
    bool started = false;
    if (!boundingRecords_.empty()) {
        box_ = boundingRecords_.front();
        for (size_t i = 1; i < boundingRecords_.size(); ++i) box_.Merge(boundingRecords_[i]);
        started = true;
    }
    for (CYObject* child : children_) {
        child->RecomputeBox();
        if (child->boundingRecords_.empty() && child->children_.empty()) continue;
        if (started) {
            box_.Merge(child->box_);
        } else {
            box_ = child->box_;
            started = true;
        }
    }
}

int CYObject::SubtreeDepth() const {
    int deepest = 0;
    for (const CYObject* child : children_) deepest = std::max(deepest, child->SubtreeDepth());
    return deepest + 1;
}

void CYObject::CollectTree(std::vector<CYObject*>* out) {
    out->push_back(this);
    for (CYObject* child : children_) child->CollectTree(out);
}

int CYObject::Level() const {
    int level = 1;
    for (const CYObject* p = parent_; p; p = p->parent_) ++level;
    return level;
}

bool CYObject::AddChild(CYObject* child) {
    if (!child || child == this || child->held_) return false;
    // An ancestor of this object (the root has no holder) would close a cycle.
    for (const CYObject* a = parent_; a; a = a->parent_)
        if (a == child) return false;
    if (Level() + child->SubtreeDepth() > kMaxObjectDepth) {
        Log(3, "Object - %s: child tree too deep, refused\n", name_.c_str());
        return false;
    }
    children_.push_back(child);
    child->held_ = true;
    child->parent_ = this;
    return true;
}

bool CYObject::DeleteChild(CYObject* child) {
    if (!child) return false;
    auto it = std::find(children_.begin(), children_.end(), child);
    if (it != children_.end()) {
        children_.erase(it);
        delete child;
        return true;
    }
    for (CYObject* c : children_)
        if (c->DeleteChild(child)) return true;
    return false;
}

bool CYObject::CrossRay(const math::Vec4& origin, const math::Vec4& direction, math::Vec4* point, float* distance,
                        math::Plane* plane) const {
    bool hit = false;
    for (const CYBoundingBox& record : boundingRecords_)
        if (record.IntersectRay(origin, direction, point, distance, plane) != 0.0f) hit = true;
    for (const CYObject* child : children_)
        if (child->visible_ && child->collision_ && child->CrossRay(origin, direction, point, distance, plane))
            hit = true;
    return hit;
}

void CYObject::SetDrawCount(int count) { drawCount_ = std::clamp(count, 0, kMaxDrawCount); }

// ---- Part kinds ---------------------------------------------------------------------------

CYObjectKind1::CYObjectKind1(const std::string& name, const std::vector<gfx::Vertex>& vertices,
                             const std::vector<uint16_t>& indices, const math::Vec3& a, const math::Vec3& b)
    : CYObject(name, vertices, indices, 1), vectorA(a), vectorB(b) {}

CYObjectKind2::CYObjectKind2(const std::string& name, const std::vector<gfx::Vertex>& vertices,
                             const std::vector<uint16_t>& indices, const math::Vec3& a, const math::Vec3& b)
    : CYObject(name, vertices, indices, 2), vectorA(a), vectorB(b) {}

CYSkinnedObject::CYSkinnedObject(const std::string& name, const std::vector<gfx::Vertex>& vertices,
                                 const std::vector<uint16_t>& indices, std::vector<YSkinWeight> weights)
    : CYObject(name, vertices, indices, 3), weights_(std::move(weights)) {}

void CYSkinnedObject::SetOwner(CYComplexObject* owner) {
    CYObject::SetOwner(owner);
    if (owner) owner->SetActive();
}

void CYSkinnedObject::UpdateVertexEffect(float frameTime) {
    // The skeleton is read from the owner each time: it is made after the parts and
    // may be replaced.
    const CYSkeleton* skeleton = owner_ ? owner_->GetSkeleton() : nullptr;
    const math::Matrix* skin = skeleton ? skeleton->GetSkinMatrices() : nullptr;
    const int bones = skeleton ? skeleton->GetBoneCount() : 0;
    if (skin && bones > 0) {
        const size_t n = std::min({weights_.size(), sourceVertices_.size(), drawnVertices_.size()});
        for (size_t i = 0; i < n; ++i) {
            const YSkinWeight& w = weights_[i];
            math::Matrix m{};
            // A bone the skeleton does not have adds nothing.
            for (int b = 0; b < 2; ++b) {
                const uint32_t bone = b == 0 ? w.boneA : w.boneB;
                const float weight = b == 0 ? w.weightA : w.weightB;
                if (bone >= uint32_t(bones) || weight == 0.0f) continue;
                for (int r = 0; r < 4; ++r)
                    for (int c = 0; c < 4; ++c) m.m[r][c] += weight * skin[bone].m[r][c];
            }
            const gfx::Vertex& s = sourceVertices_[i];
            gfx::Vertex& d = drawnVertices_[i];
            const math::Vec4 p = math::Vec3Transform(math::Vec3(s.x, s.y, s.z), m);
            const math::Vec3 normal = math::Vec3TransformNormal(math::Vec3(s.nx, s.ny, s.nz), m);
            d.x = p.x, d.y = p.y, d.z = p.z;
            d.nx = normal.x, d.ny = normal.y, d.nz = normal.z;
        }
    }
    CYObject::UpdateVertexEffect(frameTime);
}
