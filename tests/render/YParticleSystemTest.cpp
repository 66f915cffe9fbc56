// Particle systems and explosions: emission with an injected clock, motion, fading,
// the atlas columns, hostile parameters and the explosion of event 65.
#include "render/YParticleSystem.h"

#include <gtest/gtest.h>

#include <limits>
#include <memory>

#include "RenderTestSupport.h"
#include "render/YComplexObject.h"

namespace {

class ParticleTest : public rtest::RecordingRendererTest {
protected:
    // One frame: the clock advances by dt, then the particle step runs.
    void Step(CYParticleSystem& system, float dt) {
        ++g_timer.frameCounter;
        g_timer.totalTime += dt;
        g_timer.frameTime = dt;
        system.UpdateVertexEffect(dt);
    }
    static YParticleParams Params() {
        YParticleParams p;
        p.perSecond = 10;
        p.timeToLive = 100.0f;
        p.emitCount = -1;
        return p;
    }
};

// ---- Emission ----------------------------------------------------------------------------

TEST_F(ParticleTest, TenASecondAtSixtyFramesEmitsOneAboutEverySixthFrame) {
    CYParticleSystem system("smoke", Params());
    int emittingFrames = 0;
    for (int frame = 0; frame < 60; ++frame) {
        const int before = system.GetLiveCount();
        Step(system, 1.0f / 60.0f);
        EXPECT_LE(system.GetLiveCount() - before, 1);
        emittingFrames += system.GetLiveCount() - before;
    }
    EXPECT_GE(emittingFrames, 9);
    EXPECT_LE(emittingFrames, 10);
    EXPECT_EQ(system.GetIndexCount(), system.GetLiveCount() * 6);
    EXPECT_EQ(system.GetVertexCount(), system.GetLiveCount() * 4);
}

TEST_F(ParticleTest, EmitCountZeroWaitsForARestartAndMinusOneNeverStops) {
    YParticleParams p = Params();
    p.perSecond = 100;
    p.emitCount = 0;
    p.particlesToEmit = 3;
    CYParticleSystem system("sparks", p);
    for (int i = 0; i < 10; ++i) Step(system, 0.1f);
    EXPECT_EQ(system.GetLiveCount(), 0);
    system.Restart();
    for (int i = 0; i < 10; ++i) Step(system, 0.1f);
    EXPECT_EQ(system.GetLiveCount(), 3);

    YParticleParams once = Params();
    once.perSecond = 1;
    CYParticleSystem forever("smoke", once);
    g_timer.totalTime = 0.0;
    for (int i = 0; i < 50; ++i) Step(forever, 1.0f);
    EXPECT_EQ(forever.GetLiveCount(), 50);
}

TEST_F(ParticleTest, ConeAngleTwoEmitsAlongTheEmissionFrameAxisPlusTheSystemVelocity) {
    YParticleParams p = Params();
    p.coneAngle = 0;  // raised to 2
    p.emitDir = {3, 0, 4};
    p.velocity = {1, 0, 0};
    CYParticleSystem system("jet", p);
    system.SetEmissionFrame(math::MatrixRotationX(-1.5707964f));  // z turns to y
    system.UpdateTransform(math::MatrixTranslation(0, 0, 10));
    Step(system, 0.1f);
    ASSERT_EQ(system.GetLiveCount(), 1);
    const YParticle q = system.GetParticles()[0];
    EXPECT_NEAR(q.startVelocity.x, 1.0f, 1e-4f);
    EXPECT_NEAR(q.startVelocity.y, 5.0f, 1e-4f);
    EXPECT_NEAR(q.startVelocity.z, 0.0f, 1e-4f);
    // Born at the moved emitter (0.1, 0, 10), then moved by one step.
    EXPECT_NEAR(q.startPosition.x, 0.1f, 1e-4f);
    EXPECT_NEAR(q.startPosition.z, 10.0f, 1e-4f);
    EXPECT_NEAR(q.position.y, 0.5f, 1e-4f);
}

// ---- Life --------------------------------------------------------------------------------

TEST_F(ParticleTest, AlphaFallsOverTheLifeAndTheParticleGoesAtItsEnd) {
    YParticleParams p = Params();
    p.perSecond = 1;
    p.timeToLive = 1.0f;
    p.emitCount = 1;
    p.color = 0x80FF00FF;
    p.gravity = {0, 0, -2};
    p.wind = {1, 0, 0};
    CYParticleSystem system("puff", p);
    Step(system, 1.0f);
    ASSERT_EQ(system.GetLiveCount(), 1);
    EXPECT_EQ(system.GetVertices()[0].diffuse, 0x80FF00FFu);  // alpha 255 masked by the colour
    Step(system, 0.5f);
    EXPECT_EQ(system.GetVertices()[0].diffuse, (127u << 24 | 0xFFFFFFu) & 0x80FF00FFu);
    // position += (v + wind + g dt / 2) dt over two steps of 1 and 0.5.
    const YParticle q = system.GetParticles()[0];
    EXPECT_NEAR(q.position.x, 1.5f, 1e-4f);
    EXPECT_NEAR(q.position.z, -1.0f - (2.0f + 2.0f * 0.25f) * 0.5f, 1e-4f);
    Step(system, 0.5f);
    EXPECT_EQ(system.GetLiveCount(), 0);
    EXPECT_EQ(system.GetIndexCount(), 0);
}

TEST_F(ParticleTest, FourFramesShowTheAtlasColumnsOverTheTenthsOfALife) {
    YParticleParams p = Params();
    p.perSecond = 1;
    p.timeToLive = 1.0f;
    p.emitCount = 1;
    p.frames = 4;
    p.types = 2;
    CYParticleSystem system("fire", p);
    Step(system, 1.0f);
    Step(system, 0.05f);
    std::vector<int> columns;
    for (int tenth = 0; tenth < 10; ++tenth) {
        columns.push_back(int(system.GetVertices()[3].u0 * 4.0f + 0.5f));  // template u 0
        const float v = system.GetVertices()[3].v0;
        EXPECT_TRUE(v == 0.0f || v == 0.5f);
        Step(system, 0.1f);
    }
    EXPECT_EQ(columns, (std::vector<int>{0, 0, 0, 1, 1, 2, 2, 2, 3, 3}));
}

TEST_F(ParticleTest, HostileParametersAreMendedAndTheCountIsCapped) {
    YParticleParams p = Params();
    p.scale = std::numeric_limits<float>::quiet_NaN();
    p.gravity = {std::numeric_limits<float>::infinity(), 0, 0};
    p.perSecond = 2000000000;
    p.frames = 0;
    p.types = -3;
    CYParticleSystem system("storm", p);
    EXPECT_EQ(system.GetParams().scale, 1.0f);
    EXPECT_EQ(system.GetParams().gravity, math::Vec3());
    EXPECT_EQ(system.GetParams().frames, 1);
    EXPECT_EQ(system.GetParams().types, 1);
    g_timer.totalTime = 1.0e6;  // a long pause before the first step
    for (int i = 0; i < 3; ++i) Step(system, 1.0f);
    EXPECT_EQ(system.GetLiveCount(), kMaxParticles);
    const uint16_t* indices = system.GetIndices();
    EXPECT_EQ(indices[system.GetIndexCount() - 1], uint16_t(kMaxParticles * 4 - 2));
}

TEST_F(ParticleTest, NegativeScaleStaysAndALifeOfZeroOrLessShowsNoParticles) {
    YParticleParams p = Params();
    p.scale = -2.0f;
    p.coneAngle = 1000;
    CYParticleSystem flipped("flipped", p);
    EXPECT_EQ(flipped.GetParams().scale, -2.0f);
    EXPECT_EQ(flipped.GetParams().coneAngle, 1000);
    Step(flipped, 0.5f);
    ASSERT_EQ(flipped.GetLiveCount(), 5);
    // The first template corner is (-s, s): with s = -2 it lies at (2, -2) from the particle.
    const gfx::Vertex* v = flipped.GetVertices();
    EXPECT_FLOAT_EQ(v[0].x - v[2].x, 4.0f);
    for (float life : {0.0f, -1.0f}) {
        p.timeToLive = life;
        CYParticleSystem none("none", p);
        EXPECT_EQ(none.GetParams().timeToLive, life);
        for (int i = 0; i < 3; ++i) Step(none, 0.5f);
        EXPECT_EQ(none.GetLiveCount(), 0) << life;
        EXPECT_EQ(none.GetVertexCount(), 0);
    }
    p.timeToLive = 1.0f;
    p.perSecond = -12;
    CYParticleSystem idle("idle", p);
    EXPECT_EQ(idle.GetParams().perSecond, -12);
    for (int i = 0; i < 3; ++i) Step(idle, 0.5f);
    EXPECT_EQ(idle.GetLiveCount(), 0);
    EXPECT_EQ(rtest::LogCount("Bad parameters of particle system"), 0);
}

// ---- Explosions --------------------------------------------------------------------------

TEST_F(ParticleTest, EventSixtyFiveMovesTheOwnerRestartsTheSystemsAndPlaysTheSound) {
    static math::Vec3 heard;
    static int plays = 0;
    plays = 0;
    g_playExplosionSound = [](const math::Vec3& at) { heard = at, ++plays; };
    CYExplosionManager manager;
    manager.Init();
    auto object = std::make_unique<CYComplexObject>("boom");
    YParticleParams p = Params();
    p.emitCount = 0;
    p.particlesToEmit = 2;
    auto* system = new CYParticleSystem("blast", p);
    ASSERT_TRUE(object->AddChild(system));
    manager.AddSystem("blast", system);

    const float at[3] = {4, 5, 6};
    SendEvent(YEVENT_EXPLODE, reinterpret_cast<intptr_t>(at), 0);
    EXPECT_EQ(object->Position(), math::Vec3(4, 5, 6));
    EXPECT_EQ(system->GetParams().emitCount, 2);
    EXPECT_EQ(plays, 1);
    EXPECT_EQ(heard, math::Vec3(4, 5, 6));
    manager.Step(1.0f);  // the world matrix follows the owner
    Step(*system, 1.0f);
    ASSERT_GT(system->GetLiveCount(), 0);
    EXPECT_NEAR(system->GetParticles()[0].startPosition.x, 4.0f, 1e-4f);

    // An object destroyed after its system was entered leaves the table; the event
    // then only plays the sound.
    object.reset();
    EXPECT_EQ(manager.GetSystemCount(), 0u);
    SendEvent(YEVENT_EXPLODE, reinterpret_cast<intptr_t>(at), 0);
    EXPECT_EQ(plays, 2);
    g_playExplosionSound = nullptr;
}

}  // namespace
