// Objects on the recording device: the node path of the binding, the hand-over to the
// sink, transforms and bounds, geometry checks, clones, live counts; and one textured
// quad drawn on a real GL context.
#include "render/YObject.h"

#include <gtest/gtest.h>

#include <cmath>

#include "RenderTestSupport.h"
#include "core/YLiveCounts.h"
#include "render/YEffectNode.h"
#include "render/YPolygonRenderer.h"
#include "render/YTextures.h"
#include "render/YVertexEffect.h"

using rtest::GLRendererTest;

namespace {

std::vector<gfx::Vertex> Quad(float size = 1.0f, uint32_t colour = 0xFFFFFFFF) {
    std::vector<gfx::Vertex> v(4);
    const float xy[4][2] = {{-1, 1}, {1, 1}, {1, -1}, {-1, -1}};
    for (int i = 0; i < 4; ++i) {
        v[i].x = xy[i][0] * size, v[i].y = xy[i][1] * size, v[i].z = 0.5f;
        v[i].nx = 1.0f;
        v[i].diffuse = colour;
        v[i].u0 = xy[i][0] > 0 ? 1.0f : 0.0f, v[i].v0 = xy[i][1] > 0 ? 0.0f : 1.0f;
    }
    return v;
}
const std::vector<uint16_t> kQuadIndices = {0, 1, 2, 0, 2, 3};

// Answers event 5 with one layer node and records the indices asked for; records
// event 0 and event 6.
struct WorldStub : CYEventListener {
    CYNode* layer = nullptr;
    std::vector<intptr_t> layersAsked;
    std::vector<std::string> textureRequests;
    int boundsAnnounced = 0;
    WorldStub() {
        SubscribeOnce(YEVENT_GET_WORLD_PARAM, this, [](void* c, intptr_t a, intptr_t b) {
            auto* self = static_cast<WorldStub*>(c);
            self->layersAsked.push_back(b);
            *reinterpret_cast<CYNode**>(a) = self->layer;
        });
        SubscribeOnce(YEVENT_TEXTURE_REQUEST, this, [](void* c, intptr_t a, intptr_t) {
            static_cast<WorldStub*>(c)->textureRequests.push_back(reinterpret_cast<const char*>(a));
        });
        SubscribeOnce(YEVENT_BOUNDS_ANNOUNCE, this,
                      [](void* c, intptr_t, intptr_t) { ++static_cast<WorldStub*>(c)->boundsAnnounced; });
    }
};

class ObjectTest : public rtest::RecordingRendererTest {
protected:
    // The objects' effect "a.fx" is the sample game's lit, textured effect.
    test::TempDir dir_;
    void SetUp() override {
        test::WriteFile("data/effects/a.fx",
                        test::ReadFile(std::string(KESTRUNE_SOURCE_DIR) + "/game/data/effects/simple.fx"));
        RecordingRendererTest::SetUp();
        world_.layer = new CYWorld(math::MatrixIdentity());
        renderer_->AddCameraNode()->AddChild(world_.layer);
    }
    CYObject* MakeQuad(const std::string& name = "quad") {
        auto* o = new CYObject(name, Quad(), kQuadIndices, 0);
        o->SetNameAndTextures("a.fx", {"t0.tga"});
        return o;
    }
    CYDynamicPolygonRenderer* SinkOf(CYObject* o) {
        return dynamic_cast<CYDynamicPolygonRenderer*>(o->GetVisual()->GetSink());
    }
    WorldStub world_;
};

// A vertex effect that writes its call counts into the diffuse colour.
struct CountingEffect : CYVertexEffect {
    int updates = 0;
    void Update(float) override { ++updates; }
    void Apply(gfx::Vertex* d, const gfx::Vertex* s, int n) override {
        for (int i = 0; i < n; ++i) (d[i] = s[i]).diffuse = 0xAB000000u | uint32_t(updates);
    }
};

// ---- Binding ------------------------------------------------------------------------------

TEST_F(ObjectTest, BindingBuildsItsNodePathOnceAndSharesIt) {
    std::unique_ptr<CYObject> a(MakeQuad("a")), b(MakeQuad("b"));
    a->Update();
    CYDynamicPolygonRenderer* sink = SinkOf(a.get());
    ASSERT_NE(sink, nullptr);
    // layer -> effect -> textures -> sink
    auto* textures = static_cast<CYTextures*>(sink->GetParent());
    auto* effect = static_cast<CYEffectNode*>(textures->GetParent());
    EXPECT_EQ(textures->GetNames(), std::vector<std::string>{"t0.tga"});
    EXPECT_EQ(effect->GetEffectName(), "a.fx");
    EXPECT_EQ(effect->GetParent(), world_.layer);
    EXPECT_EQ(world_.layersAsked, std::vector<intptr_t>{1});

    ++g_timer.frameCounter;
    a->Update();
    b->Update();
    EXPECT_EQ(world_.layersAsked.size(), 2u);  // only b asked
    EXPECT_EQ(SinkOf(b.get()), sink);
    EXPECT_EQ(world_.layer->Children().size(), 1u);

    // A new effect makes the binding dirty; the next draw finds a path of its own.
    a->SetName2("b.fx");
    ++g_timer.frameCounter;
    a->Update();
    EXPECT_NE(SinkOf(a.get()), sink);
    EXPECT_EQ(world_.layer->Children().size(), 2u);

    // A texture index past the list grows it; the texture is asked for first.
    a->SetTexture(2, "c.tga");
    a->SetTexture(1000000, "x.tga");
    EXPECT_EQ(world_.textureRequests, (std::vector<std::string>{"t0.tga", "t0.tga", "c.tga"}));
    EXPECT_EQ(a->GetVisual()->GetTextureNames(), (std::vector<std::string>{"t0.tga", "", "c.tga"}));
}

TEST_F(ObjectTest, ModeSelectsTheSceneLayer) {
    CYObject o("o", 0);
    CYObjectVisual* v = o.GetVisual();
    o.SetMode(7);
    EXPECT_EQ(v->GetMode(), 3);
    EXPECT_EQ(v->GetModeIndex(), 2);
    o.CreateRenderNode();
    EXPECT_EQ(world_.layersAsked.back(), 7);
    o.SetEnabled(false);
    EXPECT_EQ(v->GetMode(), 3);
    for (auto [code, layer] : {std::pair{4, 1}, {-3, 1}, {1, 3}, {2, 4}}) {
        o.SetMode(code);
        EXPECT_EQ(v->LayerIndex(), layer) << code;
    }
    o.SetEnabled(true);
    EXPECT_EQ(v->GetMode(), 2);
    // Without a layer node the path cannot be built: logged, E_FAIL, the sink kept.
    CYPolygonSink* sink = v->GetSink();
    ASSERT_NE(sink, nullptr);
    world_.layer = nullptr;
    EXPECT_EQ(o.CreateRenderNode(), E_FAIL);
    EXPECT_EQ(v->GetSink(), sink);
}

TEST_F(ObjectTest, APathThatCannotBeBuiltIsLoggedOnceUntilOneIsBuilt) {
    CYNode* layer = world_.layer;
    world_.layer = nullptr;
    std::unique_ptr<CYObject> o(MakeQuad("lost"));
    for (int frame = 0; frame < 3; ++frame, ++g_timer.frameCounter) o->Update();
    EXPECT_EQ(SinkOf(o.get()), nullptr);
    EXPECT_EQ(rtest::LogCount("Error in object - lost"), 1);
    world_.layer = layer;
    o->Update();
    ASSERT_NE(SinkOf(o.get()), nullptr);
    world_.layer = nullptr;
    EXPECT_EQ(o->CreateRenderNode(), E_FAIL);
    EXPECT_EQ(o->CreateRenderNode(), E_FAIL);
    EXPECT_EQ(rtest::LogCount("Error in object - lost"), 2);
}

// ---- Hand-over to the sink ------------------------------------------------------------

TEST_F(ObjectTest, UpdateHandsTheObjectOverDrawCountTimesOnceAFrame) {
    std::unique_ptr<CYObject> o(MakeQuad());
    o->SetDrawCount(3);
    o->AddChild(MakeQuad("child"));
    o->AddBoundingRecord(CYBoundingBox());
    o->SetShowBounds(true);
    o->Update();
    o->Update();
    CYDynamicPolygonRenderer* sink = SinkOf(o.get());
    ASSERT_NE(sink, nullptr);
    EXPECT_EQ(sink->GetQueue().Size(), 4);  // three of the object, one of the child
    EXPECT_EQ(world_.boundsAnnounced, 1);
}

TEST_F(ObjectTest, FillPassWritesThroughTheEffectAndSkipsObjectsDestroyedWhileQueued) {
    std::unique_ptr<CYObject> keep(MakeQuad("keep"));
    CYObject* gone = MakeQuad("gone");
    const int effectsBefore = g_live.vertexEffects;
    keep->SetVertexEffect(new CountingEffect);
    keep->UpdateVertexEffect(0.1f);
    keep->Update();
    gone->Update();
    CYDynamicPolygonRenderer* sink = SinkOf(keep.get());
    EXPECT_EQ(sink->GetQueue().Size(), 2);
    delete gone;
    EXPECT_EQ(sink->GetQueue().Size(), 1);
    Frame();
    std::vector<gfx::Vertex> written = Read<gfx::Vertex>(renderer_->GetDynamicVertexBuffer(), 0, 4);
    EXPECT_EQ(written[2].x, 1.0f);
    EXPECT_EQ(written[2].diffuse, 0xAB000001u);
    EXPECT_EQ(Read<uint16_t>(renderer_->GetDynamicIndexBuffer(), 0, 6), kQuadIndices);
    EXPECT_EQ(CallsStartingWith("DrawIndexedPrimitive"),
              std::vector<std::string>{"DrawIndexedPrimitive(4, 0, 0, 4, 0, 2)"});
    keep->SetVertexEffect(nullptr);
    EXPECT_EQ(g_live.vertexEffects, effectsBefore);
}

TEST_F(ObjectTest, BindingFindsANewSinkWhenItsPathWasDeleted) {
    std::unique_ptr<CYObject> o(MakeQuad());
    o->Update();
    delete world_.layer;  // the path and its sink go with the layer
    world_.layer = new CYWorld(math::MatrixIdentity());
    renderer_->GetRoot()->AddChild(world_.layer);
    ++g_timer.frameCounter;
    o->Update();
    ASSERT_NE(SinkOf(o.get()), nullptr);
    EXPECT_EQ(SinkOf(o.get())->GetParent()->GetParent()->GetParent(), world_.layer);
    EXPECT_EQ(SinkOf(o.get())->GetQueue().Size(), 1);
}

// ---- Geometry, transforms and bounds ------------------------------------------------------

TEST_F(ObjectTest, GeometryDropsTrianglesThatNameMissingVertices) {
    CYObject o("o", Quad(), {0, 1, 2, 0, 2, 9, 3, 2, 1, 0}, 0);
    EXPECT_EQ(o.GetIndexArray(), (std::vector<uint16_t>{0, 1, 2, 3, 2, 1}));
    o.SetGeometry({}, {0, 1, 2});
    EXPECT_EQ(o.GetIndexCount(), 0);
    EXPECT_EQ(o.GetVertexCount(), 0);
    EXPECT_EQ(o.GetIndices(), nullptr);
}

TEST_F(ObjectTest, UpdateTransformPlacesVerticesChildrenRecordsAndTheUnionBox) {
    CYObject o("o", Quad(), kQuadIndices, 0);
    o.AddBoundingRecord(CYBoundingBox(math::Vec4{0, 0, 0, 1}, math::Vec4{1, 1, 0.5f, 1}));
    auto* child = new CYObject("c", Quad(0.5f), kQuadIndices, 0);
    child->AddBoundingRecord(CYBoundingBox(math::Vec4{0, 0, 0, 1}, math::Vec4{0.5f, 0.5f, 0.5f, 1}));
    child->SetLocalTransform(math::MatrixTranslation(4, 0, 0));
    ASSERT_TRUE(o.AddChild(child));
    // 90 degrees about z, then 10 along x.
    const math::Matrix m = math::MatrixRotationZ(1.5707964f) * math::MatrixTranslation(10, 0, 0);
    o.UpdateTransform(m);
    const gfx::Vertex& v = o.GetDrawnVertices()[1];  // (1, 1, 0.5) -> (9, 1, 0.5)
    EXPECT_NEAR(v.x, 9.0f, 1e-5f);
    EXPECT_NEAR(v.y, 1.0f, 1e-5f);
    EXPECT_NEAR(v.ny, 1.0f, 1e-5f);  // normal (1, 0, 0) turned to (0, 1, 0)
    EXPECT_EQ(v.diffuse, 0xFFFFFFFFu);
    // The child at (4, 0) locally, turned with its parent: around (10, 4).
    EXPECT_NEAR(child->GetDrawnVertices()[0].y, 4.0f - 0.5f, 1e-5f);
    EXPECT_NEAR(o.GetBox().min.y, -1.0f, 1e-5f);
    EXPECT_NEAR(o.GetBox().max.y, 4.5f, 1e-5f);
    // A non-finite local transform is refused.
    math::Matrix bad = math::MatrixIdentity();
    bad.m[3][0] = NAN;
    child->SetLocalTransform(bad);
    EXPECT_EQ(child->GetLocalMatrix(), math::MatrixTranslation(4, 0, 0));
}

// ---- Children, clones and the live table --------------------------------------------------

TEST_F(ObjectTest, ChildTreesAreOwnedOnceAndBoundedInDepth) {
    CYObject root("root", 0);
    CYObject* last = &root;
    for (int i = 1; i < kMaxObjectDepth; ++i) {
        auto* c = new CYObject("n", 0);
        ASSERT_TRUE(last->AddChild(c));
        last = c;
    }
    CYObject* extra = new CYObject("extra", 0);
    EXPECT_FALSE(last->AddChild(extra));
    EXPECT_FALSE(root.AddChild(last));  // already has a parent
    EXPECT_FALSE(last->AddChild(&root));  // its own ancestor: a cycle
    EXPECT_TRUE(root.AddChild(extra));
    EXPECT_TRUE(root.DeleteChild(last));  // found deep down and deleted
    EXPECT_EQ(root.SubtreeDepth(), kMaxObjectDepth - 1);
    EXPECT_FALSE(root.DeleteChild(last));
}

TEST_F(ObjectTest, CloneIsAPlainObjectWithTheBindingRecordsAndChildren) {
    CYSkinnedObject skinned("skin", Quad(), kQuadIndices, std::vector<YSkinWeight>(4));
    skinned.SetNameAndTextures("b.fx", {"t.tga"});
    skinned.SetMode(6);
    skinned.SetCollision(false);
    skinned.AddBoundingRecord(CYBoundingBox());
    skinned.AddChild(new CYObject("child", Quad(), kQuadIndices, 2));
    skinned.UpdateTransform(math::MatrixTranslation(5, 0, 0));
    std::unique_ptr<CYObject> copy(skinned.Clone());
    EXPECT_EQ(copy->GetKind(), 0);
    EXPECT_EQ(copy->GetDrawnVertices()[0].x, -1.0f);  // the source geometry
    EXPECT_EQ(copy->GetVisual()->GetEffectName(), "b.fx");
    EXPECT_TRUE(copy->GetVisual()->IsDirty());
    EXPECT_FALSE(copy->HasCollision());
    ASSERT_EQ(copy->Children().size(), 1u);
    EXPECT_EQ(copy->Children()[0]->GetKind(), 0);
}

TEST_F(ObjectTest, LiveTableFollowsMakingRenamingAndDeleting) {
    const int before = g_live.objects;
    auto count = [](const std::string& name) {
        return std::count(LiveObjectNames().begin(), LiveObjectNames().end(), name);
    };
    {
        CYObject a("live-a", 0);
        a.AddChild(new CYObject("live-b", 0));
        EXPECT_EQ(g_live.objects, before + 2);
        a.SetName("live-c");
        EXPECT_EQ(count("live-a"), 0);
        EXPECT_EQ(count("live-c"), 1);
    }
    EXPECT_EQ(g_live.objects, before);
    EXPECT_EQ(count("live-b") + count("live-c"), 0);
}

// ---- A real GL context --------------------------------------------------------------------

// A 2 x 2 white texture, 32-bit uncompressed TGA.
std::string WhiteTga() {
    std::string tga(18, '\0');
    tga[2] = 2;
    tga[12] = 2, tga[14] = 2;
    tga[16] = 32, tga[17] = 8;
    return tga + std::string(16, '\xFF');
}

TEST_F(GLRendererTest, TexturedQuadObjectIsDrawnWhereItsTransformPlacesIt) {
    test::WriteFile("data/textures/white.tga", WhiteTga());
    test::WriteFile("data/effects/quad.fx",
                    "texture tex0;\ntechnique T { pass P { Lighting = false; CullMode = CCW;\n"
                    "Texture[0] = <tex0>; ColorOp[0] = Modulate; ColorArg1[0] = Texture; ColorArg2[0] = Diffuse; } }\n");
    WorldStub world;
    world.layer = new CYWorld(math::MatrixIdentity());
    renderer_->AddCameraNode()->AddChild(world.layer);
    renderer_->GetDevice()->SetRenderState(gfx::RS_LIGHTING, 0);

    // A quarter-screen quad in clip space, moved into the right half.
    CYObject quad("quad", Quad(0.25f, 0xFF2080C0), kQuadIndices, 0);
    quad.SetNameAndTextures("quad.fx", {"white.tga"});
    quad.UpdateTransform(math::MatrixTranslation(0.5f, 0, 0));
    quad.Update();
    ASSERT_EQ(renderer_->PrepareFrame(), S_OK);
    ASSERT_EQ(renderer_->RenderFrame(), S_OK);
    std::vector<uint32_t> pixels = ReadFrame();
    auto at = [&](int x, int y) { return pixels[size_t(y) * kWidth + x] & 0xFFFFFF; };
    // The quad's colour, give or take the brightness ramp.
    auto isQuad = [](uint32_t c) {
        return std::abs(int(c >> 16) - 0x20) <= 2 && std::abs(int((c >> 8) & 0xFF) - 0x80) <= 2 &&
               std::abs(int(c & 0xFF) - 0xC0) <= 2;
    };
    // Clip x 0.25 .. 0.75 is pixels 400 .. 560; y -0.25 .. 0.25 is rows 180 .. 300.
    EXPECT_TRUE(isQuad(at(480, 240))) << std::hex << at(480, 240);
    EXPECT_TRUE(isQuad(at(405, 185))) << std::hex << at(405, 185);
    EXPECT_EQ(at(395, 240), 0u);
    EXPECT_EQ(at(480, 175), 0u);
    EXPECT_EQ(renderer_->GetDrawCallCount(), 1);
}

}  // namespace
