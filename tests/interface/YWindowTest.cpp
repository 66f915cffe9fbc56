// Windows: the quad on screen, flags passed down the tree, child order and placement,
// hit tests by rectangle and mask, pointer events, the script step, references and counts.
#include "interface/YWindow.h"

#include <gtest/gtest.h>

#include <lua.hpp>

#include <cmath>
#include <memory>

#include "core/YCommandManager.h"
#include "core/YLiveCounts.h"
#include "render/RenderTestSupport.h"
#include "render/YNode.h"
#include "render/YPolygonRenderer.h"

namespace {

std::vector<std::string> g_trace;  // hooks and events 32 to 35, in the order they ran

// Records events 32 to 35 as "<event> <name> <b>" and answers the layer request.
struct Listener : CYEventListener {
    CYNode* layer = nullptr;
    Listener() {
        for (int e = YEVENT_WINDOW_POINTER_ENTER; e <= YEVENT_WINDOW_BUTTON_UP; ++e)
            SubscribeOnce(e, reinterpret_cast<void*>(intptr_t(e)), [](void* c, intptr_t a, intptr_t b) {
                g_trace.push_back(std::to_string(intptr_t(c)) + " " + reinterpret_cast<const char*>(a) + " " +
                                  std::to_string(b));
            });
        SubscribeOnce(YEVENT_GET_WORLD_PARAM, this, [](void* c, intptr_t a, intptr_t) {
            *reinterpret_cast<CYNode**>(a) = static_cast<Listener*>(c)->layer;
        });
    }
};

// A widget that records its hooks.
struct HookWindow : CYWindow {
    HookWindow(const std::string& name, float x, float y, int w, int h)
        : CYWindow(name, "", "", "", w, h, 0, 0, 0, 0, x, y) {}
    void OnButtonDownHook(int32_t b) override { g_trace.push_back("hook " + std::to_string(b)); }
    void OnActivate() override { g_trace.push_back("activate " + GetName()); }
    void OnDeactivate() override { g_trace.push_back("deactivate " + GetName()); }
};

class WindowTest : public rtest::RecordingRendererTest {
protected:
    void SetUp() override {
        RecordingRendererTest::SetUp();
        test::WriteFile("data/effects/a.fx",
                        test::ReadFile(std::string(KESTRUNE_SOURCE_DIR) + "/game/data/effects/simple.fx"));
        LoadCommands();
        g_trace.clear();
        live_ = g_live.windows;
        listener_ = std::make_unique<Listener>();
    }
    void TearDown() override {
        listener_.reset();
        DestroyCommands();
        EXPECT_EQ(g_live.windows, live_);
        RecordingRendererTest::TearDown();
    }
    static std::unique_ptr<CYWindow> Make(const std::string& name, float x, float y, int w = 10, int h = 10,
                                          const std::string& mask = "") {
        return std::make_unique<CYWindow>(name, "", "", mask, w, h, 0, 0, 0, 0, x, y);
    }
    using Trace = std::vector<std::string>;
    int live_ = 0;
    std::unique_ptr<Listener> listener_;
};

// ---- geometry ----

TEST_F(WindowTest, QuadIsTheInterfaceRectangleTimesTheScreenScaleFloored) {
    CYWindow w("w", "", "", "", 100, 50, 256, 128, 8, 16, 10.7f, 20.2f);
    ASSERT_EQ(w.Load(), S_OK);  // 800 x 600: 1.25 pixels a unit both ways
    const std::vector<gfx::Vertex>& v = w.GetSourceVertices();
    ASSERT_EQ(w.GetVertexCount(), 4);
    const float expect[4][4] = {{13, 25, 8 / 256.f, 16 / 128.f}, {138, 25, (8 + 99.75f) / 256, 16 / 128.f},
                                {138, 87, (8 + 99.75f) / 256, (16 + 49.75f) / 128}, {13, 87, 8 / 256.f, (16 + 49.75f) / 128}};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(v[i].x, expect[i][0]);
        EXPECT_EQ(v[i].y, expect[i][1]);
        EXPECT_EQ(v[i].z, 1.0f);
        EXPECT_FLOAT_EQ(v[i].u0, expect[i][2]);
        EXPECT_FLOAT_EQ(v[i].v0, expect[i][3]);
    }
    EXPECT_EQ(w.GetIndexArray(), (std::vector<uint16_t>{0, 2, 1, 0, 3, 2}));
    g_settings.screenWidth = 1280;
    w.Rescale();
    EXPECT_EQ(w.GetSourceVertices()[1].x, 221.0f);  // floor(110.7 * 2)
    CYWindow bare("bare");  // no texture size: coordinates stay finite
    bare.Load();
    EXPECT_EQ(bare.GetSourceVertices()[2].u0, 0.0f);
}

TEST_F(WindowTest, ChildrenKeepTheirIntegerOffsetsAndBadPositionsAreRefusedOrHeld) {
    auto parent = Make("p", 10.7f, 20.2f);
    auto child = Make("c", 15.9f, 30.5f);
    ASSERT_TRUE(parent->AddChild(child.get()));
    CYWindow* c = child.release();
    parent->SetPosition(100, 100);
    EXPECT_EQ(c->GetX(), 105.0f);
    EXPECT_EQ(c->GetY(), 110.0f);
    parent->SetPosition(NAN, 5);
    EXPECT_EQ(parent->GetX(), 100.0f);
    parent->SetPosition(1e30f, -1e30f);
    EXPECT_EQ(parent->GetX(), kMaxWindowCoord);
    EXPECT_EQ(parent->GetY(), -kMaxWindowCoord);
}

// ---- loading and drawing ----

TEST_F(WindowTest, LoadPicksTheLayerQueueAndIgnoresShortNames) {
    CYWindow shortNames("s", "a.t", "a.f", "", 4, 4, 4, 4, 0, 0, 0, 0);
    shortNames.SetLayer(2);
    ASSERT_EQ(shortNames.Load(), S_OK);
    const CYObjectVisual* v = shortNames.GetVisual();
    EXPECT_EQ(v->GetMode() * 10 + v->GetModeIndex(), 32);  // interface queue of layer 2
    EXPECT_TRUE(v->GetTextureNames().empty() && v->GetEffectName().empty());
}

TEST_F(WindowTest, OnlyAVisibleWindowHandsItsQuadToTheSink) {
    listener_->layer = new CYWorld(math::MatrixIdentity());
    renderer_->AddCameraNode()->AddChild(listener_->layer);
    CYWindow w("w", "t0.tga", "a.fx", "", 4, 4, 4, 4, 0, 0, 0, 0);
    ASSERT_EQ(w.Load(), S_OK);
    w.Update();
    EXPECT_EQ(w.GetVisual()->GetSink(), nullptr);
    w.SetVisible(true);
    g_timer.frameCounter++;
    w.Update();
    auto* sink = dynamic_cast<CYDynamicPolygonRenderer*>(w.GetVisual()->GetSink());
    ASSERT_NE(sink, nullptr);
    EXPECT_EQ(sink->GetQueue().Size(), 1);
}

TEST_F(WindowTest, UnreadableMaskFailsTheLoadWithTheErrorLineAndSkipsTheChildren) {
    auto w = Make("w", 0, 0, 4, 4, "missing.msk");
    ASSERT_TRUE(w->AddChild(new HookWindow("c", 0, 0, 1, 1)));
    EXPECT_LT(w->Load(), 0);
    EXPECT_EQ(rtest::LogCount("DXError if YWindow on line 142\n"), 1);
    EXPECT_TRUE(g_trace.empty());  // the child's Load (which activates it) never ran
}

// ---- hit tests ----

TEST_F(WindowTest, RectangleIncludesTheLeftAndTopEdgesOnly) {
    auto w = Make("w", 10, 20, 5, 5);
    EXPECT_TRUE(w->HitTest(10, 20) && w->HitTest(14, 24));
    EXPECT_FALSE(w->HitTest(15, 22) || w->HitTest(12, 25));
}

TEST_F(WindowTest, MaskHitsOnlyNonZeroBytesAndNeverReadsPastItsData) {
    test::WriteFile("data/interface/masks/m.msk", std::string("\0\1\0\1\0\1", 6));  // 3 x 3 wanted, 6 given
    auto w = Make("w", 0.5f, 0, 3, 3, "m.msk");
    ASSERT_EQ(w->Load(), S_OK);
    EXPECT_EQ(w->GetMaskSize(), 6u);
    EXPECT_TRUE(w->HitTest(1, 0));   // column 1 - trunc(0.5)
    EXPECT_FALSE(w->HitTest(2, 0));
    EXPECT_TRUE(w->HitTest(2, 1));
    EXPECT_FALSE(w->HitTest(3, 0));  // inside the rectangle, one column past the mask's last
    EXPECT_FALSE(w->HitTest(1, 2));  // row 2 lies past the data
}

// ---- flags and children ----

TEST_F(WindowTest, ChildTakesTheParentsFlagsAndOnlyChangesPassDownTheTree) {
    auto p = Make("p", 0, 0);
    p->SetVisible(true);
    p->SetActive(true);
    CYWindow* c = Make("c", 0, 0).release();
    ASSERT_TRUE(p->AddChild(c));
    EXPECT_TRUE(c->IsVisible() && c->IsActive());
    EXPECT_EQ(c->GetParentWindow(), p.get());
    p->SetVisible(false);
    EXPECT_FALSE(c->IsVisible());
    p->SetActive(false);
    c->SetActive(true);
    p->SetActive(false);  // the current value: the child is not told
    EXPECT_TRUE(c->IsActive());
}

TEST_F(WindowTest, DeactivationNotifiesTheWindowAndEveryAncestorAsLeft) {
    auto p = Make("p", 0, 0);
    auto* c = new HookWindow("c", 0, 0, 5, 5);
    p->AddChild(c);
    p->SetActive(true);
    c->SetActive(false);
    EXPECT_EQ(g_trace, (Trace{"activate c", "33 c 0", "33 p 0", "deactivate c"}));
}

TEST_F(WindowTest, ChildrenStandInOrderOfAdditionUnlessDeeperAndLeaveWhenDeleted) {
    auto p = Make("p", 0, 0);
    CYWindow* back = Make("back", 0, 0).release();
    back->SetDepth(5);
    CYWindow* a = Make("a", 0, 0).release();
    CYWindow* b = Make("b", 0, 0).release();
    p->AddChild(back), p->AddChild(a), p->AddChild(b);
    EXPECT_EQ(p->Children(), (std::vector<CYObject*>{a, b, back}));
    EXPECT_EQ(p->FindChild("b"), b);
    EXPECT_EQ(p->FindChild("B"), nullptr);
    EXPECT_EQ(g_live.windows, live_ + 4);
    delete a;  // leaves no dangling entry behind
    EXPECT_EQ(p->Children(), (std::vector<CYObject*>{b, back}));
    p->DestroyChildren();
    EXPECT_TRUE(p->Children().empty());
    EXPECT_EQ(g_live.windows, live_ + 1);
}

TEST_F(WindowTest, AddChildRefusesCyclesHeldWindowsAndTreesTooDeep) {
    auto root = Make("root", 0, 0);
    CYWindow* last = root.get();
    for (int i = 1; i < kMaxObjectDepth; ++i) {
        CYWindow* next = Make("n", 0, 0).release();
        ASSERT_TRUE(last->AddChild(next));
        last = next;
    }
    auto extra = Make("extra", 0, 0);
    EXPECT_FALSE(last->AddChild(extra.get()) || last->AddChild(root.get()));
    EXPECT_FALSE(root->AddChild(last) || root->AddChild(root.get()));
}

// ---- pointer ----

TEST_F(WindowTest, HoverFindsTheTopmostActiveHitWhichThenReportsItsButtons) {
    auto p = Make("p", 0, 0, 100, 100);
    CYWindow* over = new HookWindow("over", 10, 10, 10, 10);
    CYWindow* top = Make("top", 10, 10).release();
    p->AddChild(Make("under", 10, 10).release()), p->AddChild(over), p->AddChild(top);
    p->SetActive(true);
    top->SetActive(false);
    g_trace.clear();
    CYWindow* hovered = nullptr;
    p->OnMouseMove(12, 12, &hovered);
    EXPECT_EQ(hovered, over);
    hovered->OnMouseButtonDown(1), hovered->OnMouseButtonUp(2);
    EXPECT_EQ(g_trace, (Trace{"32 p 0", "32 over 0", "hook 1", "34 over 1", "35 over 2"}));
    hovered = nullptr;
    p->OnMouseMove(200, 12, &hovered);
    EXPECT_EQ(hovered, nullptr);
}

// ---- script and references ----

int g_ticks = 0;
int Tick(lua_State*) {
    ++g_ticks;
    return 0;
}

TEST_F(WindowTest, OnlyAVisibleWindowRunsItsScriptAndItsHandlerHasNoOwner) {
    g_registerExtraScriptFunctions = [](lua_State* L) { lua_register(L, "Tick", Tick); };
    test::WriteFile("data/scripts/tick.lua", "Tick()\n");
    g_ticks = 0;
    auto w = Make("w", 0, 0);
    ASSERT_EQ(w->Script().AddState("idle", "tick.lua"), S_OK);
    w->UpdateWindow(), w->UpdateWindow();
    EXPECT_EQ(g_ticks, 0);
    w->SetVisible(true);
    w->UpdateWindow(), w->UpdateWindow();
    EXPECT_GT(g_ticks, 0);
    g_registerExtraScriptFunctions = nullptr;
    // Nobody is reached by the window's reference; the handler's name reaches it.
    EXPECT_EQ(w->Script().Owner(), nullptr);
    g_commandManager->SendCommandByPointer(ObjectAddress(w.get()), "Ping", "");
    EXPECT_EQ(w->Script().Commands().size(), 0u);
    w->Script().SetName("w");
    g_commandManager->Register(&w->Script());
    g_commandManager->SendCommandByName("w", "Ping", "");
    EXPECT_EQ(w->Script().Commands().size(), 1u);
    const void* ref = w->Reference();
    EXPECT_EQ(CYWindow::FromReference(ref), w.get());
    w.reset();
    EXPECT_EQ(CYWindow::FromReference(ref), nullptr);
}

}  // namespace
