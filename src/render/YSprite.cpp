#include "render/YSprite.h"

#include <algorithm>
#include <cmath>

#include "core/YEvents.h"
#include "core/YLog.h"
#include "render/YCamera.h"
#include "render/YVertexEffect.h"

namespace {

// Any finite size: a negative one turns the quad over, as the corners are built from it.
bool GoodSize(float v) { return std::isfinite(v); }

gfx::Vertex MakeVertex(float x, float y, float u, float v) {
    gfx::Vertex out;
    out.x = x, out.y = y, out.z = 0.0f;
    out.nz = 1.0f;
    out.diffuse = 0xFFFFFFFF;
    out.u0 = u, out.v0 = v;
    return out;
}

}  // namespace

CYCamera* QueryCamera() {
    CYCamera* camera = nullptr;
    SendEvent(YEVENT_GET_CAMERA, reinterpret_cast<intptr_t>(&camera), 0);
    return camera;
}

CYSprite::CYSprite(const std::string& name, float halfWidth, float halfHeight) : CYObject(name, 0) {
    if (!SetSize(halfWidth, halfHeight)) Build();
}

bool CYSprite::SetSize(float halfWidth, float halfHeight) {
    if (!GoodSize(halfWidth) || !GoodSize(halfHeight)) {
        Log(3, "Bad size of sprite - %s\n", name_.c_str());
        return false;
    }
    halfWidth_ = halfWidth;
    halfHeight_ = halfHeight;
    Build();
    return true;
}

void CYSprite::Build() {
    const float a = halfWidth_, b = halfHeight_;
    SetGeometry({MakeVertex(-a, -b, 0, 0), MakeVertex(a, -b, 1, 0), MakeVertex(a, b, 1, 1), MakeVertex(-a, b, 0, 1)},
                {0, 1, 2, 0, 2, 3});
    const float m = std::max(a, b);
    SetBoundingRecords({CYBoundingBox(math::Vec4{0, 0, 0, 1}, math::Vec4{m, m, m, 0})});
    UpdateTransform(parentMatrix_);
}

void CYSprite::ApplyVertexEffect(gfx::Vertex* destination) {
    if (!destination || sourceVertices_.size() < 4) return;
    const math::Matrix w = localMatrix_ * parentMatrix_;
    CYCamera* camera = QueryCamera();
    math::Matrix r = camera ? camera->GetInverseView() : math::MatrixIdentity();
    r.m[3][0] = w.m[3][0], r.m[3][1] = w.m[3][1], r.m[3][2] = w.m[3][2];
    gfx::Vertex turned[4];
    for (int i = 0; i < 4; ++i) {
        turned[i] = sourceVertices_[size_t(i)];
        const math::Vec3 p = math::Vec3TransformCoord(math::Vec3(turned[i].x, turned[i].y, turned[i].z), r);
        turned[i].x = p.x, turned[i].y = p.y, turned[i].z = p.z;
    }
    if (vertexEffect_)
        vertexEffect_->Apply(destination, turned, 4);
    else
        std::copy(turned, turned + 4, destination);
}

void CYSprite::Update() { CYObject::Update(); }

void CYSprite::UpdateVertexEffect(float frameTime) { CYObject::UpdateVertexEffect(frameTime); }

CYAutoSprite::CYAutoSprite(const std::string& name, const math::Vec3& a, const math::Vec3& b, float halfWidth)
    : CYObject(name, 0) {
    if (!SetPosition(a, b, halfWidth)) Build();
}

bool CYAutoSprite::SetPosition(const math::Vec3& a, const math::Vec3& b, float halfWidth) {
    if (!math::IsFinite(a) || !math::IsFinite(b) || !GoodSize(halfWidth)) {
        Log(3, "Bad position of autosprite - %s\n", name_.c_str());
        return false;
    }
    a_ = a, b_ = b, halfWidth_ = halfWidth;
    Build();
    return true;
}

void CYAutoSprite::Build() {
    // Vertices 0 and 2 sit at A, 1 and 3 at B; the texture runs along the beam.
    std::vector<gfx::Vertex> v = {MakeVertex(a_.x, a_.y, 0, 0), MakeVertex(b_.x, b_.y, 1, 0),
                                  MakeVertex(a_.x, a_.y, 0, 1), MakeVertex(b_.x, b_.y, 1, 1)};
    v[0].z = v[2].z = a_.z;
    v[1].z = v[3].z = b_.z;
    SetGeometry(v, {0, 3, 2, 0, 1, 3});
    // The record covers the beam and its width across the floor; upwards it takes half the
    // height between the end points and no more.
    const math::Vec3 c = (a_ + b_) * 0.5f;
    const float h = halfWidth_;
    const math::Vec4 extent{std::fabs(a_.x - b_.x) * 0.5f + h, std::fabs(a_.y - b_.y) * 0.5f + h,
                            std::fabs(a_.z - b_.z) * 0.5f, 0};
    SetBoundingRecords({CYBoundingBox(math::Vec4{c.x, c.y, c.z, 1}, extent)});
    UpdateTransform(parentMatrix_);
}

void CYAutoSprite::UpdateVertexEffect(float frameTime) {
    CYObject::UpdateVertexEffect(frameTime);
    CYCamera* camera = QueryCamera();
    if (!camera || drawnVertices_.size() < 4) return;
    const math::Matrix w = localMatrix_ * parentMatrix_;
    const math::Vec3 aw = math::Vec3TransformCoord(a_, w);
    const math::Vec3 bw = math::Vec3TransformCoord(b_, w);
    const math::Vec4 ac = math::Vec3Transform(aw, camera->GetViewProjection());
    const math::Vec4 bc = math::Vec3Transform(bw, camera->GetViewProjection());
    const float dx = bc.x - ac.x, dy = bc.y - ac.y;
    const float length = std::sqrt(dx * dx + dy * dy);
    if (!(length > 0.0f) || !std::isfinite(length)) return;
    const float px = (ac.y - bc.y) / length * halfWidth_, py = dx / length * halfWidth_;
    math::Matrix r = camera->GetInverseView();
    auto place = [&](const math::Vec3& at, int plus, int minus) {
        r.m[3][0] = at.x, r.m[3][1] = at.y, r.m[3][2] = at.z;
        const math::Vec3 p = math::Vec3TransformCoord(math::Vec3(px, py, 0), r);
        const math::Vec3 q = math::Vec3TransformCoord(math::Vec3(-px, -py, 0), r);
        gfx::Vertex& vp = drawnVertices_[size_t(plus)];
        gfx::Vertex& vq = drawnVertices_[size_t(minus)];
        vp.x = p.x, vp.y = p.y, vp.z = p.z;
        vq.x = q.x, vq.y = q.y, vq.z = q.z;
    };
    place(aw, 0, 2);
    place(bw, 1, 3);
}
