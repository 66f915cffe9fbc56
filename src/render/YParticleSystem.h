// Particle systems: camera-facing squares emitted from a point in a cone, moved under
// velocity, wind and gravity, faded out over their life and animated through a texture
// atlas (frame columns, type rows). The explosion manager restarts its systems and
// plays the explosion sound when event 65 arrives.
#pragma once
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/YEvents.h"
#include "platform/math/Math.h"
#include "render/YObject.h"

// Most live particles of one system: four vertices each must fit 16-bit indices.
constexpr int kMaxParticles = 16384;

struct YParticleParams {
    math::Vec3 position;
    math::Vec3 velocity;
    math::Vec3 emitDir;
    math::Vec3 wind;
    math::Vec3 gravity;
    float scale = 1.0f;
    int perSecond = 1;
    float timeToLive = 1.0f;
    int coneAngle = 2;
    int frames = 1;
    int types = 1;
    uint32_t color = 0xFFFFFFFF;
    int emitCount = -1;
    int particlesToEmit = 50;
};

struct YParticle {
    math::Vec3 position;
    math::Vec3 velocity;
    math::Vec3 startPosition;
    math::Vec3 startVelocity;
    float birthTime = 0.0f;
    float life = 1.0f;
    int type = 0;
};

class CYParticleSystem : public CYObject {
public:
    // Bad parameters are mended with a log line: non-finite vectors become 0, sizes and
    // life outside their range fall back, counts are held to 1 .. their limits.
    CYParticleSystem(const std::string& name, const YParticleParams& params);
    // Tells the explosion manager to forget this system.
    ~CYParticleSystem() override;

    // The particle step: emission, motion, ageing, bounds, and the camera-facing quads.
    void UpdateVertexEffect(float frameTime) override;
    // World matrix = local matrix · parent matrix; nothing else moves.
    void UpdateTransform(const math::Matrix& parent) override;
    // The object update, only in a frame whose particle step ran with particles alive.
    void Update() override;
    // emitcount returns to particlestoemit (-1: emits for ever).
    void Restart();

    // The frame emission directions are turned by (identity at construction).
    void SetEmissionFrame(const math::Matrix& m) { emissionFrame_ = m; }
    const YParticleParams& GetParams() const { return params_; }
    int GetLiveCount() const { return int(particles_.size()); }
    // Live particles, newest first.
    std::vector<YParticle> GetParticles() const { return {particles_.rbegin(), particles_.rend()}; }
    const math::Matrix& GetWorldMatrix() const { return world_; }

private:
    // The steps of the particle step: the particles due now are born at the emitter; every
    // particle moves and ages (the dead go) and the bounds follow; the camera-facing quads
    // of the live ones are built, newest first.
    void Emit(float now);
    void MoveAndAge(float now, float dt);
    void BuildQuads();

    YParticleParams params_;
    std::vector<YParticle> particles_;  // oldest first
    float lastEmission_ = 0.0f;
    math::Matrix emissionFrame_ = math::MatrixIdentity();
    math::Matrix world_ = math::MatrixIdentity();
    gfx::Vertex template_[4];
    int64_t stepStamp_ = -1;
    bool infinite_ = false;
};

// Plays the explosion sound at a position (set by the audio system); null: silence.
extern void (*g_playExplosionSound)(const math::Vec3& position);

class CYExplosionManager : public CYEventListener {
public:
    CYExplosionManager();
    // Cancels the subscription; the systems belong to their objects.
    ~CYExplosionManager() override;
    CYExplosionManager(const CYExplosionManager&) = delete;
    CYExplosionManager& operator=(const CYExplosionManager&) = delete;

    // Subscribes to event 65 (once).
    void Init();
    // Enters a system (owned by its object) under the name; a name already used is
    // replaced. Null is refused.
    bool AddSystem(const std::string& name, CYParticleSystem* system);
    // Steps every system by the frame time.
    void Step(float frameTime);
    // Drops every entry of the system (its object is going away).
    void Forget(CYParticleSystem* system);
    // The explosion at the position: the owner of the first system moves there, every
    // system restarts, and the sound plays.
    void Explode(const math::Vec3& position);

    static void OnExplode(void* context, intptr_t a, intptr_t b);
    size_t GetSystemCount() const { return systems_.size(); }

private:
    std::unordered_map<std::string, CYParticleSystem*> systems_;
    std::vector<std::string> order_;  // names in the order they were entered
};

// The one manager made at program start; null before.
extern CYExplosionManager* g_explosionManager;
