#include "render/YParticleSystem.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>

#include "core/YLog.h"
#include "core/YTimer.h"
#include "render/YCamera.h"
#include "render/YComplexObject.h"
#include "render/YSprite.h"

void (*g_playExplosionSound)(const math::Vec3& position) = nullptr;
CYExplosionManager* g_explosionManager = nullptr;

namespace {

constexpr float kDegrees = 3.14159265f / 180.0f;
// Largest emission rate accepted from a description: it bounds the work of one frame.
constexpr int kMaxPerSecond = 100000;

// Mends the parameters a description may get wrong; true when nothing needed mending. Values
// that are merely unusual keep their meaning: a negative scale turns the square over, a life
// of 0 or less removes every particle in the step it is born, a negative rate emits nothing.
bool Mend(YParticleParams* p) {
    bool good = true;
    for (math::Vec3* v : {&p->position, &p->velocity, &p->emitDir, &p->wind, &p->gravity})
        if (!math::IsFinite(*v)) *v = math::Vec3(), good = false;
    if (!std::isfinite(p->scale)) p->scale = 1.0f, good = false;
    if (!std::isfinite(p->timeToLive)) p->timeToLive = 1.0f, good = false;
    // A negative rate is never due, as a rate of 0.
    if (p->perSecond > kMaxPerSecond) p->perSecond = kMaxPerSecond, good = false;
    // Without a column or a row the atlas steps would divide by zero.
    if (p->frames < 1) p->frames = 1, good = false;
    if (p->types < 1) p->types = 1, good = false;
    p->coneAngle = std::max(p->coneAngle, 2);
    return good;
}

}  // namespace

CYParticleSystem::CYParticleSystem(const std::string& name, const YParticleParams& params)
    : CYObject(name, 0), params_(params) {
    if (!Mend(&params_)) Log(3, "Bad parameters of particle system - %s; mended\n", name_.c_str());
    infinite_ = params_.emitCount == -1;
    const float s = params_.scale;
    const float du = 1.0f / float(params_.frames), dv = 1.0f / float(params_.types);
    const float corners[4][4] = {{-s, s, 0, dv}, {-s, -s, du, dv}, {s, -s, du, 0}, {s, s, 0, 0}};
    for (int j = 0; j < 4; ++j) {
        gfx::Vertex& v = template_[j];
        v.x = corners[j][0], v.y = corners[j][1], v.z = 0.0f;
        v.nx = v.ny = v.nz = 1.0f;
        v.diffuse = 0xFFFFFFFF;
        v.u0 = corners[j][2], v.v0 = corners[j][3];
    }
}

CYParticleSystem::~CYParticleSystem() {
    if (g_explosionManager) g_explosionManager->Forget(this);
}

void CYParticleSystem::UpdateTransform(const math::Matrix& parent) {
    parentMatrix_ = parent;
    world_ = localMatrix_ * parent;
}

void CYParticleSystem::Update() {
    if (stepStamp_ == int64_t(g_timer.frameCounter) && !particles_.empty()) CYObject::Update();
}

void CYParticleSystem::Restart() {
    params_.emitCount = params_.particlesToEmit;
    infinite_ = params_.emitCount == -1;
}

void CYParticleSystem::UpdateVertexEffect(float frameTime) {
    CYObject::UpdateVertexEffect(frameTime);
    if (!std::isfinite(frameTime) || frameTime < 0.0f) frameTime = 0.0f;
    const float now = float(g_timer.totalTime);
    stepStamp_ = int64_t(g_timer.frameCounter);
    params_.position += params_.velocity * frameTime;
    Emit(now);
    MoveAndAge(now, frameTime);
    BuildQuads();
}

void CYParticleSystem::Emit(float now) {
    // Whole particles due since the last emission; never more than the free places.
    const double due = std::floor((double(now) - double(lastEmission_)) * double(params_.perSecond));
    int n = 0;
    if (due >= 1.0) {
        lastEmission_ = now;
        n = int(std::min(due, double(kMaxParticles)));
    }
    n = std::min(n, kMaxParticles - int(particles_.size()));

    const math::Vec3 spawn = math::Vec3TransformCoord(params_.position, world_);
    const float speed = math::Vec3Length(params_.emitDir);
    for (int i = 0; i < n && (infinite_ || params_.emitCount > 0); ++i) {
        const float a = float(std::rand() % (params_.coneAngle / 2)) * kDegrees;
        const float b = float(std::rand() % 3600) * 0.1f * kDegrees;
        const math::Vec3 local(std::sin(a) * speed * std::cos(b), std::sin(a) * speed * std::sin(b),
                               std::cos(a) * speed);
        YParticle p;
        p.position = p.startPosition = spawn;
        p.velocity = p.startVelocity = math::Vec3TransformNormal(local, emissionFrame_) + params_.velocity;
        p.birthTime = now;
        p.life = 1.0f;
        p.type = std::rand() % params_.types;
        particles_.push_back(p);
        if (!infinite_) --params_.emitCount;
    }
}

void CYParticleSystem::MoveAndAge(float now, float dt) {
    const float inf = std::numeric_limits<float>::infinity();
    math::Vec3 lo(inf, inf, inf), hi(-inf, -inf, -inf);
    for (YParticle& p : particles_) {
        p.position += (p.velocity + params_.wind + params_.gravity * (dt * 0.5f)) * dt;
        p.velocity += params_.gravity * dt;
        lo = math::Vec3(std::min(lo.x, p.position.x), std::min(lo.y, p.position.y), std::min(lo.z, p.position.z));
        hi = math::Vec3(std::max(hi.x, p.position.x), std::max(hi.y, p.position.y), std::max(hi.z, p.position.z));
        const float age = now - p.birthTime;
        p.life = age < params_.timeToLive ? 1.0f - age / params_.timeToLive : -1.0f;
    }
    std::erase_if(particles_, [](const YParticle& p) { return p.life < 0.0f; });

    const size_t live = particles_.size();
    indexCount_ = int(live * 6);
    vertexCount_ = int(live * 4);
    if (live && math::IsFinite(lo) && math::IsFinite(hi)) {
        const math::Vec3 c = (lo + hi) * 0.5f, e = (hi - lo) * 0.5f;
        SetBoundingRecords({CYBoundingBox(math::Vec4{c.x, c.y, c.z, 1}, math::Vec4{e.x, e.y, e.z, 0})});
    }
}

void CYParticleSystem::BuildQuads() {
    CYCamera* camera = QueryCamera();
    math::Matrix r = camera ? camera->GetInverseView() : math::MatrixIdentity();
    const size_t live = particles_.size();
    drawnVertices_.resize(live * 4);
    indices_.resize(live * 6);
    static const uint16_t kIndices[6] = {0, 2, 1, 0, 3, 2};
    const int frames = params_.frames, types = params_.types;
    for (size_t k = 0; k < live; ++k) {
        const YParticle& p = particles_[live - 1 - k];  // newest first
        r.m[3][0] = p.position.x, r.m[3][1] = p.position.y, r.m[3][2] = p.position.z;
        const int tenth = std::clamp(int((1.0f - p.life) * 10.0f), 0, 9);
        const int f = int(int64_t(tenth) * frames / 10);
        const uint32_t alpha = uint32_t(std::clamp(int(p.life * 255.0f), 0, 255));
        for (size_t j = 0; j < 4; ++j) {
            gfx::Vertex v = template_[j];
            const math::Vec3 at = math::Vec3TransformCoord(math::Vec3(v.x, v.y, v.z), r);
            v.x = at.x, v.y = at.y, v.z = at.z;
            v.u0 += float(f) / float(frames);
            v.v0 += float(p.type) / float(types);
            v.diffuse = ((alpha << 24) | 0xFFFFFFu) & params_.color;
            drawnVertices_[k * 4 + j] = v;
        }
        for (size_t i = 0; i < 6; ++i) indices_[k * 6 + i] = uint16_t(kIndices[i] + 4 * k);
    }
}

CYExplosionManager::CYExplosionManager() {
    if (!g_explosionManager) g_explosionManager = this;
}

CYExplosionManager::~CYExplosionManager() {
    UnsubscribeAll();
    if (g_explosionManager == this) g_explosionManager = nullptr;
}

void CYExplosionManager::Init() {
    systems_.reserve(100);
    SubscribeOnce(YEVENT_EXPLODE, this, &CYExplosionManager::OnExplode);
}

bool CYExplosionManager::AddSystem(const std::string& name, CYParticleSystem* system) {
    if (!system) return false;
    if (systems_.find(name) == systems_.end()) order_.push_back(name);
    systems_[name] = system;
    return true;
}

void CYExplosionManager::Step(float frameTime) {
    for (const std::string& name : order_) systems_[name]->UpdateVertexEffect(frameTime);
}

void CYExplosionManager::Forget(CYParticleSystem* system) {
    std::erase_if(order_, [&](const std::string& name) { return systems_[name] == system; });
    std::erase_if(systems_, [&](const auto& entry) { return entry.second == system; });
}

void CYExplosionManager::Explode(const math::Vec3& position) {
    if (!order_.empty()) {
        if (CYComplexObject* owner = systems_[order_.front()]->GetOwner()) {
            if (owner->SetPosition(position)) owner->UpdatePlacement();
        }
        for (const std::string& name : order_) systems_[name]->Restart();
    }
    if (g_playExplosionSound) g_playExplosionSound(position);
}

void CYExplosionManager::OnExplode(void* context, intptr_t a, intptr_t) {
    if (!a) return;
    const float* p = reinterpret_cast<const float*>(a);
    const math::Vec3 position(p[0], p[1], p[2]);
    if (!math::IsFinite(position)) {
        Log(3, "Explosion at a bad position ignored\n");
        return;
    }
    static_cast<CYExplosionManager*>(context)->Explode(position);
}
