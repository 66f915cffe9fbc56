#include "render/YComplexObject.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <unordered_set>

#include "core/YEvents.h"
#include "core/YFile.h"
#include "core/YLiveCounts.h"
#include "core/YLog.h"
#include "core/YUtils.h"
#include "render/YPartReferences.h"
#include "render/YSkeleton.h"

namespace {

constexpr int kMaxDeflections = 3;    // depth beyond which a move gives up
constexpr float kContactGap = 0.001f;  // distance kept from what was hit
constexpr float kMinAdvance = 0.002f;  // hits nearer than this do not advance the mover

bool WithinLimit(const math::Vec3& v) {
    return math::IsFinite(v) && std::fabs(v.x) <= kPositionLimit && std::fabs(v.y) <= kPositionLimit &&
           std::fabs(v.z) <= kPositionLimit;
}

float FiniteOrZero(float v) { return std::isfinite(v) ? v : 0.0f; }

// The skin record of one vertex from n (bone, weight) pairs at the file's read position:
// none gives zeros, one keeps its bone and weight, two are kept as read, more keep the
// heaviest pair and the heaviest of the others (the first of equal weights each), their
// weights divided by their sum, whatever its sign.
YSkinWeight ReadSkinWeight(CYFile* file) {
    YSkinWeight w;
    const uint32_t n = static_cast<uint32_t>(file->ReadInt());
    struct Pair {
        uint32_t bone = 0;
        float weight = 0.0f;
        bool set = false;
    } first, second;
    for (uint32_t k = 0; k < n && !file->ReadFailed(); ++k) {
        Pair p{static_cast<uint32_t>(file->ReadInt()), FiniteOrZero(file->ReadFloat()), true};
        if (n <= 2) {
            (k == 0 ? first : second) = p;
        } else if (!first.set || p.weight > first.weight) {
            second = first;
            first = p;
        } else if (!second.set || p.weight > second.weight) {
            second = p;
        }
    }
    if (n == 0) return w;
    w.boneA = first.bone;
    w.weightA = first.weight;
    if (n == 1) return w;
    w.boneB = second.bone;
    w.weightB = second.weight;
    if (n >= 3) {
        const float sum = first.weight + second.weight;
        // Weights that sum to nothing cannot be scaled; a sum so near nothing that the
        // quotient overflows gives no weight either.
        w.weightA = sum != 0.0f ? FiniteOrZero(first.weight / sum) : 0.0f;
        w.weightB = sum != 0.0f ? FiniteOrZero(second.weight / sum) : 0.0f;
    }
    return w;
}

// The box around the vertices' positions (a default box for none).
CYBoundingBox BoxAround(const std::vector<gfx::Vertex>& vertices) {
    if (vertices.empty()) return CYBoundingBox();
    math::Vec3 lo(vertices[0].x, vertices[0].y, vertices[0].z), hi = lo;
    for (const gfx::Vertex& v : vertices) {
        lo = math::Vec3(std::min(lo.x, v.x), std::min(lo.y, v.y), std::min(lo.z, v.z));
        hi = math::Vec3(std::max(hi.x, v.x), std::max(hi.y, v.y), std::max(hi.z, v.z));
    }
    const math::Vec3 extent = (hi - lo) * 0.5f;
    const math::Vec3 origin = lo + extent;
    return CYBoundingBox(math::Vec4{origin.x, origin.y, origin.z, 1.0f}, math::Vec4{extent.x, extent.y, extent.z, 1.0f});
}

// Every live complex object, so that the owner of a script handler can be told apart from
// the other engine objects that own handlers. Never destroyed: objects may outlive statics.
std::unordered_set<const CYComplexObject*>& LiveObjects() {
    static auto* objects = new std::unordered_set<const CYComplexObject*>;
    return *objects;
}

}  // namespace

CYComplexObject::CYComplexObject(const std::string& name) : name_(name), scriptHandler_(this) {
    partsByName_.rehash(100);
    ++g_live.complexObjects;
    LiveObjects().insert(this);
}

CYComplexObject* CYComplexObject::FromOwner(const void* owner) {
    auto* object = static_cast<const CYComplexObject*>(owner);
    return LiveObjects().count(object) ? const_cast<CYComplexObject*>(object) : nullptr;
}

CYComplexObject::~CYComplexObject() {
    DropReference();
    LiveObjects().erase(this);
    // A camera that follows this object lets go of it.
    CYCamera* camera = nullptr;
    SendEvent(YEVENT_GET_CAMERA, reinterpret_cast<intptr_t>(&camera), 0);
    if (camera && camera->GetTarget() == static_cast<YCameraSubject*>(this)) camera->SetTarget(nullptr);

    const math::Vec3 absolute = AbsolutePosition();
    if (carrier_) {
        carrier_->carried_ = nullptr;
        carrier_ = nullptr;
    }
    if (carried_) {
        CYComplexObject* rider = carried_;
        rider->position_ += absolute;
        rider->carrier_ = nullptr;
        carried_ = nullptr;
        rider->UpdatePlacement();
    }
    if (room_) room_->LeaveObject(this);
    room_ = nullptr;
    for (CYObject* part : parts_) {
        DropPartReferences(part);
        delete part;
    }
    parts_.clear();
    partsByName_.clear();
    DropSkeletonReference(skeleton_);
    delete skeleton_;
    skeleton_ = nullptr;
    --g_live.complexObjects;
}

void CYComplexObject::Draw() {
    if (!visible_) return;
    if (carried_) carried_->Draw();
    for (CYObject* part : parts_)
        if (part->IsVisible()) part->Update();
}

// ---- Parts --------------------------------------------------------------------------------

bool CYComplexObject::AddChild(CYObject* part) {
    if (!part || part->IsHeld()) return false;
    if (part->SubtreeDepth() > kMaxObjectDepth) {
        Log(3, "Object - %s: part tree too deep, refused\n", part->GetName().c_str());
        return false;
    }
    parts_.push_back(part);
    part->SetHeld(true);
    std::string name = part->GetName();
    while (partsByName_.count(name)) name += "_";
    part->SetName(name);
    partsByName_[name] = part;
    part->SetOwner(this);
    // The part's descendants keep their names and never displace an entry.
    std::vector<CYObject*> tree;
    part->CollectTree(&tree);
    for (size_t i = 1; i < tree.size(); ++i) {
        partsByName_.emplace(tree[i]->GetName(), tree[i]);
        tree[i]->SetOwner(this);
    }
    part->UpdateTransform(worldMatrix_);
    if (!part->GetVisual()->IsStaticGeometry()) active_ = true;
    UpdateBounds();
    return true;
}

CYObject* CYComplexObject::CreatePart(CYFile* file, const std::string& name, CYObject* parent,
                                      const std::vector<gfx::Vertex>& vertices, const std::vector<uint16_t>& indices,
                                      int kind, const std::vector<CYBoundingBox>* boxes, const math::Vec3& vectorA,
                                      const math::Vec3& vectorB) {
    if (parent && parent->GetOwner() != this) return nullptr;
    CYObject* part = nullptr;
    switch (kind) {
        case 0: part = new CYObject(name, vertices, indices, 0); break;
        case 1: part = new CYObjectKind1(name, vertices, indices, vectorA, vectorB); break;
        case 2: part = new CYObjectKind2(name, vertices, indices, vectorA, vectorB); break;
        case 3: {
            std::vector<YSkinWeight> weights(vertices.size());
            if (file) {
                for (YSkinWeight& w : weights) {
                    w = ReadSkinWeight(file);
                    if (file->ReadFailed()) break;
                }
                if (file->ReadFailed()) {
                    Log(3, "Skin data of part - %s ends early\n", name.c_str());
                    return nullptr;
                }
            }
            part = new CYSkinnedObject(name, vertices, indices, std::move(weights));
            break;
        }
        default: return nullptr;
    }
    if (boxes && !boxes->empty())
        part->SetBoundingRecords(*boxes);
    else
        part->AddBoundingRecord(BoxAround(vertices));
    if (parent) {
        if (!parent->AddChild(part)) {
            delete part;
            return nullptr;
        }
    } else {
        parts_.push_back(part);
        part->SetHeld(true);
    }
    part->SetOwner(this);
    UpdateBounds();
    partsByName_[part->GetName()] = part;
    return part;
}

void CYComplexObject::UpdateBounds() {
    if (parts_.empty()) return;
    const CYObject* first = parts_.front();
    box_ = first->GetBoundingRecords().empty() ? first->GetBox() : first->GetBoundingRecords().front();
    for (const CYObject* part : parts_) box_.Merge(part->GetBox());
}

CYObject* CYComplexObject::FindChild(const std::string& name) const {
    auto it = partsByName_.find(name);
    return it == partsByName_.end() ? nullptr : it->second;
}

void CYComplexObject::ForgetParts(const std::vector<CYObject*>& objects) {
    const std::unordered_set<CYObject*> gone(objects.begin(), objects.end());
    for (auto it = partsByName_.begin(); it != partsByName_.end();)
        it = gone.count(it->second) ? partsByName_.erase(it) : std::next(it);
}

void CYComplexObject::DeletePart(const std::string& name) {
    auto it = partsByName_.find(name);
    if (it == partsByName_.end()) return;
    CYObject* part = it->second;
    partsByName_.erase(it);
    std::vector<CYObject*> gone;
    part->CollectTree(&gone);
    // Scripts' references to the part and to what goes with it read as null from now on.
    DropPartReferences(part);
    bool deleted = false;
    auto top = std::find(parts_.begin(), parts_.end(), part);
    if (top != parts_.end()) {
        parts_.erase(top);
        delete part;
        deleted = true;
    } else {
        for (CYObject* p : parts_)
            if (p->DeleteChild(part)) {
                deleted = true;
                break;
            }
    }
    // Names of the parts that went with it would point at freed parts.
    if (deleted) ForgetParts(gone);
}

void CYComplexObject::SetRoom(YObjectRoom* room) {
    room_ = room;
    for (CYObject* part : parts_) part->SetRoom(room);
}

void CYComplexObject::CreateRenderNodes() {
    for (CYObject* part : parts_) part->CreateRenderNode();
}

CYComplexObject* CYComplexObject::Clone(const std::string& newName) const {
    auto* copy = new CYComplexObject(newName);
    for (const CYObject* part : parts_) {
        CYObject* p = part->Clone();
        copy->parts_.push_back(p);
        p->SetHeld(true);
        // Entered in the order the loader made them, so the same names win.
        std::vector<CYObject*> tree;
        p->CollectTree(&tree);
        for (CYObject* o : tree) {
            copy->partsByName_[o->GetName()] = o;
            o->SetOwner(copy);
        }
        p->UpdateTransform(copy->worldMatrix_);
    }
    copy->hasFileBounds_ = hasFileBounds_;
    std::copy(std::begin(fileBounds_), std::end(fileBounds_), copy->fileBounds_);
    copy->UpdateBounds();
    for (const std::string& state : scriptHandler_.StateNames())
        if (const CYScript* script = scriptHandler_.FindState(state)) copy->AddScript(state, script->FileName());
    copy->scriptHandler_.SetName(scriptHandler_.Name());
    return copy;
}

HRESULT CYComplexObject::AddScript(const std::string& stateName, const std::string& fileName) {
    active_ = true;
    return scriptHandler_.AddState(stateName, fileName);
}

void CYComplexObject::SetMoving(bool moving) {
    moving_ = moving;
    if (moving) active_ = true;
}

void CYComplexObject::SetSkeleton(CYSkeleton* skeleton) {
    if (skeleton != skeleton_) {
        DropSkeletonReference(skeleton_);
        delete skeleton_;
    }
    skeleton_ = skeleton;
}

void CYComplexObject::SetFileBounds(const uint32_t bounds[7]) {
    std::copy(bounds, bounds + 7, fileBounds_);
    hasFileBounds_ = true;
}

// ---- Frame update and placement -----------------------------------------------------------

void CYComplexObject::Update(float frameTime) {
    // The script may destroy this object; nothing of it is touched afterwards then.
    std::weak_ptr<void> life = scriptHandler_.LifeToken();
    scriptHandler_.Step(frameTime);
    if (life.expired()) return;

    if (moved_) {
        UpdatePlacement();
        if (carried_) carried_->UpdatePlacement();
        SendEvent(YEVENT_REGISTER_MOVING_OBJECT, reinterpret_cast<intptr_t>(this), 0);
        if (room_) room_->AddMovedObject(this);
    }
    if (skeleton_) skeleton_->Update(frameTime, worldMatrix_);
    for (CYObject* part : parts_) part->UpdateVertexEffect(frameTime);
}

math::Vec3 CYComplexObject::AbsolutePosition() const {
    math::Vec3 p = position_;
    int links = 0;
    for (const CYComplexObject* c = carrier_; c && links <= kMaxCarrierChain; c = c->carrier_, ++links)
        p += c->position_;
    return p;
}

void CYComplexObject::UpdatePlacement() {
    const math::Vec3 at = AbsolutePosition();
    worldMatrix_ = math::MatrixRotationZ(heading_) * math::MatrixTranslation(at.x, at.y, at.z);
    if (carried_) carried_->UpdatePlacement();
    for (CYObject* part : parts_) part->UpdateTransform(worldMatrix_);
    UpdateBounds();

    if (world_) {
        if (!room_) {
            if (YObjectRoom* room = world_->FindObjectRoom(this)) ChangeRoom(room);
        } else if (!room_->ContainsPoint(at)) {
            YObjectRoom* room = world_->FindObjectRoom(this);
            if (room != room_) ChangeRoom(room);
        }
    }
    moved_ = false;
}

void CYComplexObject::ChangeRoom(YObjectRoom* room) {
    if (room_) room_->LeaveObject(this);
    SetRoom(room);
    if (!room) return;
    const std::string& handler = scriptHandler_.Name();
    room->EnterObject(this, active_ && (handler.empty() || handler[0] == '_'));
    if (room->IsDrawnThisFrame()) Draw();
}

bool CYComplexObject::SetPosition(const math::Vec3& position) {
    if (!WithinLimit(position)) {
        Log(3, "Object - %s: position (%g, %g, %g) refused\n", name_.c_str(), double(position.x), double(position.y),
            double(position.z));
        return false;
    }
    position_ = position;
    moved_ = true;
    return true;
}

bool CYComplexObject::SetHeading(float heading) {
    if (!std::isfinite(heading)) {
        Log(3, "Object - %s: heading %g refused\n", name_.c_str(), double(heading));
        return false;
    }
    heading_ = heading;
    moved_ = true;
    return true;
}

bool CYComplexObject::SetRadius(float radius) {
    if (!(radius >= 0.0f) || !std::isfinite(radius)) {
        Log(3, "Object - %s: radius %g refused\n", name_.c_str(), double(radius));
        return false;
    }
    radius_ = radius;
    return true;
}

bool CYComplexObject::SetCarrier(CYComplexObject* target) {
    if (target == this) return false;
    if (target) {
        int above = 0;
        for (const CYComplexObject* c = target; c; c = c->carrier_) {
            if (c == this || ++above > kMaxCarrierChain) return false;
        }
        int below = 0;
        for (const CYComplexObject* c = this; c; c = c->carried_) ++below;
        if (above + below > kMaxCarrierChain) return false;
    }
    if (carrier_) {
        position_ = AbsolutePosition();
        carrier_->carried_ = nullptr;
        carrier_ = nullptr;
    }
    if (target) {
        // One rider a carrier: whoever rode on the target before gets off.
        if (target->carried_) target->carried_->SetCarrier(nullptr);
        position_ -= target->AbsolutePosition();
        carrier_ = target;
        target->carried_ = this;
    }
    return true;
}

void CYComplexObject::GetBounds(math::Vec3* min, math::Vec3* max) const {
    if (min) *min = box_.min;
    if (max) *max = box_.max;
}

void CYComplexObject::ComputeRadius() {
    UpdateBounds();
    const math::Vec3 p = AbsolutePosition();
    radius_ = std::max({std::fabs(box_.max.x - p.x), std::fabs(box_.max.y - p.y), std::fabs(p.y - box_.min.y)});
}

// ---- Movement and collision ---------------------------------------------------------------

void CYComplexObject::Move(const math::Vec3& v) {
    const math::Vec3 to = position_ + v;
    if (!math::IsFinite(v) || !WithinLimit(to)) {
        Log(3, "Object - %s: move refused\n", name_.c_str());
        return;
    }
    position_ = to;
    UpdatePlacement();
    moved_ = true;
}

bool CYComplexObject::MoveForward(float distance) { return MoveAlongHeading(distance); }

bool CYComplexObject::MoveBackward(float distance) { return MoveAlongHeading(-distance); }

bool CYComplexObject::MoveAlongHeading(float distance) {
    if (!std::isfinite(distance)) {
        Log(3, "Object - %s: move by %g refused\n", name_.c_str(), double(distance));
        return false;
    }
    const math::Vec3 delta(distance * std::cos(heading_), distance * std::sin(heading_), 0.0f);
    // The world is asked in world space; a rider's position stays relative.
    const math::Vec3 base = AbsolutePosition() - position_;
    math::Vec3 to = position_ + base;
    const bool hit = MoveWithCollision(0, to, delta, &to);
    if (WithinLimit(to - base))
        position_ = to - base;
    else
        Log(3, "Object - %s: move refused\n", name_.c_str());
    UpdatePlacement();
    moved_ = true;
    return hit;
}

bool CYComplexObject::MoveWithCollision(int depth, math::Vec3 p, const math::Vec3& delta, math::Vec3* out) {
    // After four deflections in one move the object stays where it was.
    if (depth > kMaxDeflections) return true;
    const math::Vec3 target = p + delta;
    const float length = math::Vec3Length(delta);
    math::Vec3 dir = math::Vec3Normalize(delta);
    dir.z = 0.0f;
    float distance = length;
    math::Vec3 contact;
    CYObject* part = nullptr;
    if (!world_ || !world_->CheckCollision(this, p, radius_, dir, &distance, &contact, &part)) {
        *out = target;
        return false;
    }
    if (!(distance >= 0.0f)) distance = 0.0f;
    // The mover's centre where it touches: the normal runs from the contact to it.
    const math::Vec3 touch(p.x + distance * dir.x, p.y + distance * dir.y, p.z);
    if (distance > kMinAdvance && distance <= length) {
        p.x += (distance - kContactGap) * dir.x;
        p.y += (distance - kContactGap) * dir.y;
    }
    // Slide: the target is brought back onto the plane through the mover's stopping point
    // with that normal, so that what remains of the move runs along the obstacle. A mover
    // without a radius that runs straight into something touches it with its centre: the
    // normal then runs from the contact back to where it stopped, against the move.
    math::Vec3 away(touch.x - contact.x, touch.y - contact.y, 0.0f);
    if (!(math::Vec3Length(away) > kContactGap * 0.5f)) away = math::Vec3(-dir.x, -dir.y, 0.0f);
    const math::Vec3 n = math::Vec3Normalize(away);
    const float k = RayPlaneDistanceThroughPointF(target.x, target.y, target.z, n.x, n.y, n.z, p.x, p.y, p.z, n.x,
                                                  n.y, n.z);
    const math::Vec3 slid = target + n * k;
    MoveWithCollision(depth + 1, p, math::Vec3(slid.x - p.x, slid.y - p.y, 0.0f), out);
    return true;
}

bool CYComplexObject::TestCollision(CYComplexObject* mover, const math::Vec3& s, float r, const math::Vec3& d,
                                    float* distance, math::Vec3* contact, CYObject** part) {
    if (!collidable_ || mover == this || !distance) return false;
    if (!moving_) {
        bool hit = false;
        for (CYObject* p : parts_) {
            if (!p->IsVisible() || !p->HasCollision()) continue;
            math::Vec3 touched;
            bool partHit = false;
            for (const CYBoundingBox& record : p->GetBoundingRecords())
                if (record.SegmentTest(s, r, d, distance, &touched)) partHit = true;
            if (partHit) {
                hit = true;
                if (contact) *contact = touched;
                if (part) *part = p;
            }
        }
        return hit;
    }
    // A moving object is a circle of its radius around its position.
    const math::Vec3 centre = AbsolutePosition();
    const float ex = centre.x - s.x, ey = centre.y - s.y;
    const float L = std::sqrt(ex * ex + ey * ey);
    if (!(L > 0.0f)) return false;
    const float ux = ex / L, uy = ey / L;
    const float p = ux * d.x + uy * d.y;
    if (!(p > 0.0f)) return false;  // moving away
    const float b = -2.0f * p * L;
    const float R = r + radius_;
    const float disc = b * b - 4.0f * (L * L - R * R);
    if (!(disc >= 0.0f)) return false;
    const float root = std::sqrt(disc);
    const float t1 = (root - b) * 0.5f;
    const float t0 = (-b - root) * 0.5f;
    if (t1 < 0.0f) return false;
    const float t = t0 >= 0.0f ? t0 : t1;
    if (!(t < *distance)) return false;
    *distance = t;
    math::Vec3 c(s.x + t * ux, s.y + t * uy, s.z);
    const math::Vec3 toCentre = math::Vec3Normalize(math::Vec3(centre.x - c.x, centre.y - c.y, 0.0f));
    c += toCentre * r;
    if (contact) *contact = c;
    if (part) *part = parts_.empty() ? nullptr : parts_.front();
    return true;
}
