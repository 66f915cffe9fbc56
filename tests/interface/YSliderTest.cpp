// Sliders: orientation and the thumb's fit, the value set by scripts and by the thumb's
// whole-unit position, dragging and track clicks, and the thumb drawn on a real screen.
#include "interface/YSlider.h"

#include <gtest/gtest.h>

#include <memory>

#include "core/YCommandManager.h"
#include "render/RenderTestSupport.h"
#include "render/YNode.h"

namespace {

// Answers the pointer query and records event 36; collects what reaches "interface".
struct SliderHarness : CYEventListener {
    int32_t cursorX = 0, cursorY = 0;
    std::vector<std::string> moved;  // "<name> <position>"
    CYScriptHandler handler{nullptr};
    SliderHarness() {
        SubscribeOnce(YEVENT_GET_CURSOR_POS, this, [](void* c, intptr_t a, intptr_t b) {
            *reinterpret_cast<int32_t*>(a) = static_cast<SliderHarness*>(c)->cursorX;
            *reinterpret_cast<int32_t*>(b) = static_cast<SliderHarness*>(c)->cursorY;
        });
        SubscribeOnce(YEVENT_SLIDER_MOVED, this, [](void* c, intptr_t a, intptr_t b) {
            static_cast<SliderHarness*>(c)->moved.push_back(std::string(reinterpret_cast<const char*>(a)) + " " +
                                                            std::to_string(*reinterpret_cast<float*>(b)));
        });
        test::WriteFile("data/scripts/idle.lua", "");
        handler.AddState("idle", "idle.lua");
        handler.SetName("interface");
        g_commandManager->Register(&handler);
    }
    ~SliderHarness() override { g_commandManager->Unregister(&handler); }
};

class SliderTest : public rtest::RecordingRendererTest {
protected:
    void SetUp() override {
        RecordingRendererTest::SetUp();
        LoadCommands();
        harness_ = std::make_unique<SliderHarness>();
    }
    void TearDown() override {
        harness_.reset();
        DestroyCommands();
        RecordingRendererTest::TearDown();
    }
    // A track of w x h at (10, 20) with a thumb of tw x th, loaded.
    static std::unique_ptr<CYSlider> Make(int w, int h, int tw, int th, HRESULT* hr = nullptr) {
        auto s = std::make_unique<CYSlider>("s", "", "", "", w, h, 0, 0, 0, 0, "", "", "", tw, th, 0, 0, 0, 0);
        const HRESULT r = s->Load();
        if (hr) *hr = r;
        s->SetPosition(10.0f, 20.0f);
        return s;
    }
    std::unique_ptr<SliderHarness> harness_;
};

TEST_F(SliderTest, OrientationFitLayersAndTheThumbsName) {
    EXPECT_TRUE(Make(20, 100, 20, 20)->IsVertical());
    EXPECT_TRUE(Make(100, 100, 100, 20)->IsVertical());
    auto h = Make(100, 20, 20, 20);
    EXPECT_FALSE(h->IsVertical());
    EXPECT_EQ(h->GetThumb()->GetName(), "s_toddler");
    h->SetLayer(2);
    EXPECT_EQ(h->GetThumb()->GetLayer(), 3);
    HRESULT hr = S_OK;
    Make(20, 100, 19, 20, &hr);
    EXPECT_EQ(hr, E_FAIL);
    EXPECT_EQ(rtest::LogCount("Toddler size incompatible with slider\n"), 1);
    YInterfaceElement e;
    e.attributes = {{"name", {"x"}}, {"width", {"20"}}, {"height", {"50"}}, {"toddler_width", {"30"}}};
    EXPECT_EQ(BuildSlider(e), nullptr);
    e.attributes["toddler_width"] = {"20"};
    std::unique_ptr<CYWindow> built(BuildSlider(e));
    ASSERT_NE(built, nullptr);
}

TEST_F(SliderTest, ValueIsClampedAndRecomputedFromTheThumbsWholeUnitPosition) {
    auto s = Make(20, 100, 20, 20);  // travel 80
    s->SetPosition(0.5f);
    EXPECT_EQ(s->GetThumb()->GetY(), 60.0f);
    EXPECT_EQ(s->GetThumb()->GetX(), 10.0f);
    s->SetPosition(0.33f);  // thumb at trunc(46.4) = 46
    EXPECT_FLOAT_EQ(s->GetSliderPosition(), 26.0f / 80.0f);
    s->SetPosition(1.5f);
    EXPECT_EQ(s->GetSliderPosition(), 1.0f);
    EXPECT_EQ(s->GetThumb()->GetY(), 100.0f);
    EXPECT_EQ(harness_->moved.back(), "s 1.000000");
    EXPECT_EQ(harness_->handler.Commands().front().command, "move_slider");
    EXPECT_EQ(harness_->handler.Commands().front().args, (std::vector<std::string>{"s", "1.000000"}));
    s->SetPosition(NAN);
    EXPECT_EQ(s->GetSliderPosition(), 1.0f);
    s->SetPosition(0.0f, 0.0f);  // moving the track moves the thumb and reports again
    EXPECT_EQ(s->GetThumb()->GetY(), 80.0f);
    EXPECT_EQ(s->GetSliderPosition(), 1.0f);
    auto full = Make(20, 100, 20, 100);  // no travel: a defined value
    full->SetPosition(1.0f);
    EXPECT_EQ(full->GetSliderPosition(), 0.0f);
}

TEST_F(SliderTest, LeftDragFollowsThePointerWithinTheTrackUntilTheLeftRelease) {
    auto s = Make(20, 100, 20, 20);
    CYToddler* thumb = s->GetThumb();
    harness_->cursorX = 15, harness_->cursorY = 25;
    thumb->OnMouseButtonDown(1);
    EXPECT_FALSE(thumb->IsDragging());
    thumb->OnMouseButtonDown(0);
    ASSERT_TRUE(thumb->IsDragging());
    EXPECT_EQ(thumb->GetGrabY(), 5);
    const size_t before = harness_->handler.Commands().size();
    SendEvent(YEVENT_MOUSE_MOVE, 99, 45);
    EXPECT_EQ(thumb->GetY(), 40.0f);
    EXPECT_EQ(thumb->GetX(), 10.0f);
    SendEvent(YEVENT_MOUSE_MOVE, 15, 500);
    EXPECT_EQ(s->GetSliderPosition(), 1.0f);
    EXPECT_EQ(harness_->handler.Commands().size(), before + 2);  // one per move
    SendEvent(YEVENT_MOUSE_UP, 1, 0);
    EXPECT_TRUE(thumb->IsDragging());
    SendEvent(YEVENT_MOUSE_UP, 0, 0);
    EXPECT_FALSE(thumb->IsDragging());
    SendEvent(YEVENT_MOUSE_MOVE, 15, 25);
    EXPECT_EQ(s->GetSliderPosition(), 1.0f);
    thumb->OnMouseButtonDown(0);
    s.reset();  // deleted mid-drag: the pointer no longer reaches it
    SendEvent(YEVENT_MOUSE_MOVE, 15, 25);
}

TEST_F(SliderTest, TrackClickCentresTheThumbOnThePointerButNotOnTheThumb) {
    auto s = Make(20, 100, 20, 20);
    harness_->cursorX = 15, harness_->cursorY = 90;
    s->OnMouseButtonDown(0);
    EXPECT_EQ(s->GetThumb()->GetY(), 80.0f);
    EXPECT_FLOAT_EQ(s->GetSliderPosition(), 0.75f);
    harness_->cursorY = 115;
    s->OnMouseButtonDown(0);  // clamped to the end
    EXPECT_EQ(s->GetThumb()->GetY(), 100.0f);
    harness_->cursorY = 105;  // on the thumb
    s->OnMouseButtonDown(0);
    EXPECT_EQ(s->GetThumb()->GetY(), 100.0f);
}

// ---- on screen ----

class SliderScreenTest : public rtest::GLRendererTest {};

TEST_F(SliderScreenTest, ThumbIsDrawnAtItsPositionOverTheTrack) {
    test::WriteFile("data/textures/interface/track.tga", rtest::SolidTga(32, 128, 0x0000FF));
    test::WriteFile("data/textures/interface/thumb.tga", rtest::SolidTga(32, 32, 0xFF0000));
    test::WriteFile("data/effects/interface.fx",
                    test::ReadFile(std::string(KESTRUNE_SOURCE_DIR) + "/game/data/effects/interface.fx"));
    // The overlay: pixels of a 640 x 480 screen, y downward.
    math::Matrix view = math::MatrixOrthoOffCenterLH(0, float(kWidth), 0, float(kHeight), 0, 1);
    view.m[1][1] *= -1.0f;
    view.m[3][1] += 2.0f;
    CYCameraNode* camera = renderer_->AddCameraNode();
    camera->SetView(view);
    camera->SetProjection(math::MatrixIdentity());
    struct Layers : CYEventListener {
        CYNode* node = new CYWorld(math::MatrixIdentity());
        Layers() {
            SubscribeOnce(YEVENT_GET_WORLD_PARAM, this, [](void* c, intptr_t a, intptr_t) {
                *reinterpret_cast<CYNode**>(a) = static_cast<Layers*>(c)->node;
            });
        }
    } layers;
    camera->AddChild(layers.node);

    CYSlider s("s", "interface\\track.tga", "interface.fx", "", 20, 100, 32, 128, 0, 0, "interface\\thumb.tga",
               "interface.fx", "", 20, 20, 32, 32, 0, 0);
    ASSERT_EQ(s.Load(), S_OK);
    s.SetPosition(100.0f, 100.0f);
    s.SetPosition(0.5f);  // thumb over rows 140 .. 159
    s.SetVisible(true);
    s.Update();
    ASSERT_EQ(renderer_->PrepareFrame(), S_OK);
    ASSERT_EQ(renderer_->RenderFrame(), S_OK);
    const std::vector<uint32_t> pixels = ReadFrame();
    auto at = [&](int x, int y) { return pixels[size_t(y) * kWidth + size_t(x)] & 0xFFFFFF; };
    auto red = [](uint32_t c) { return (c >> 16) > 0xC0 && (c & 0xFFFF) < 0x1010; };
    auto blue = [](uint32_t c) { return (c & 0xFF) > 0xC0 && (c >> 8) < 0x1010; };
    EXPECT_TRUE(red(at(110, 150))) << std::hex << at(110, 150);
    EXPECT_TRUE(blue(at(110, 120))) << std::hex << at(110, 120);
    EXPECT_TRUE(blue(at(110, 170))) << std::hex << at(110, 170);
    EXPECT_EQ(at(90, 150), 0u);
}

}  // namespace
