// Sliders: orientation and the thumb's fit, the value set by scripts and recomputed from
// the thumb's whole-unit position, dragging, and clicks on the track.
#include "interface/YSlider.h"

#include <gtest/gtest.h>

#include <memory>

#include "core/YCommandManager.h"
#include "render/RenderTestSupport.h"

namespace {

int32_t g_cursorY = 0;           // the pointer's y; x is always 15
std::vector<std::string> g_moved;  // event 36 as "<name> <position>"

class SliderTest : public rtest::RecordingRendererTest {
protected:
    void SetUp() override {
        RecordingRendererTest::SetUp();
        LoadCommands();
        g_moved.clear();
        listener_.SubscribeOnce(YEVENT_GET_CURSOR_POS, nullptr, [](void*, intptr_t a, intptr_t b) {
            *reinterpret_cast<int32_t*>(a) = 15, *reinterpret_cast<int32_t*>(b) = g_cursorY;
        });
        listener_.SubscribeOnce(YEVENT_SLIDER_MOVED, nullptr, [](void*, intptr_t a, intptr_t b) {
            g_moved.push_back(reinterpret_cast<const char*>(a) + (" " + std::to_string(*reinterpret_cast<float*>(b))));
        });
        test::WriteFile("data/scripts/idle.lua", "");
        handler_.AddState("idle", "idle.lua");
        handler_.SetName("interface");
        g_commandManager->Register(&handler_);
    }
    void TearDown() override {
        listener_.UnsubscribeAll();
        DestroyCommands();
        RecordingRendererTest::TearDown();
    }
    // A track of w x h at (10, 20) with a thumb of tw x th, loaded.
    static std::unique_ptr<CYSlider> Make(int w, int h, int tw, int th) {
        auto s = std::make_unique<CYSlider>("s", "", "", "", w, h, 0, 0, 0, 0, "", "", "", tw, th, 0, 0, 0, 0);
        EXPECT_EQ(s->Load(), S_OK);
        s->SetPosition(10.0f, 20.0f);
        return s;
    }
    CYEventListener listener_;
    CYScriptHandler handler_{nullptr};
};

TEST_F(SliderTest, OrientationAndTheThumbsFit) {
    EXPECT_TRUE(Make(20, 100, 20, 20)->IsVertical() && Make(100, 100, 100, 20)->IsVertical());
    EXPECT_EQ(Make(100, 20, 20, 20)->IsVertical(), false);
    YInterfaceElement e;
    e.attributes = {{"name", {"x"}}, {"width", {"20"}}, {"height", {"50"}}, {"toddler_width", {"30"}}};
    EXPECT_EQ(BuildSlider(e), nullptr);
    EXPECT_EQ(rtest::LogCount("Toddler size incompatible with slider\n"), 1);
}

TEST_F(SliderTest, ValueIsClampedAndRecomputedFromTheThumbsWholeUnitPosition) {
    auto s = Make(20, 100, 20, 20);  // travel 80
    s->SetPosition(0.5f);
    EXPECT_EQ(s->GetThumb()->GetY(), 60.0f);
    s->SetPosition(0.33f);  // thumb at trunc(46.4) = 46
    EXPECT_FLOAT_EQ(s->GetSliderPosition(), 26.0f / 80.0f);
    s->SetPosition(1.5f);
    EXPECT_EQ(s->GetThumb()->GetY(), 100.0f);
    EXPECT_EQ(g_moved.back(), "s 1.000000");
    const YCommand& last = handler_.Commands().front();
    EXPECT_EQ(last.command + " " + last.args[0] + " " + last.args[1], "move_slider s 1.000000");
    s->SetPosition(0.0f, 0.0f);  // moving the track moves the thumb and reports again
    EXPECT_EQ(s->GetThumb()->GetY(), 80.0f);
    EXPECT_EQ(s->GetSliderPosition(), 1.0f);
    // The whole-unit thumb coordinate against a track at 20.5: a little before the start.
    s->SetPosition(10.0f, 20.5f);
    s->SetPosition(0.0f);
    EXPECT_FLOAT_EQ(s->GetSliderPosition(), -0.5f / 80.0f);
    const YCommand& start = handler_.Commands().front();
    EXPECT_EQ(start.command + " " + start.args[0] + " " + start.args[1], "move_slider s -0.006250");
    auto full = Make(20, 100, 20, 100);  // no travel: a defined value
    full->SetPosition(1.0f);
    EXPECT_EQ(full->GetSliderPosition(), 0.0f);
}

TEST_F(SliderTest, LeftDragFollowsThePointerWithinTheTrackUntilTheLeftRelease) {
    auto s = Make(20, 100, 20, 20);
    CYToddler* thumb = s->GetThumb();
    g_cursorY = 25;
    thumb->OnMouseButtonDown(1);
    EXPECT_FALSE(thumb->IsDragging());
    thumb->OnMouseButtonDown(0);
    ASSERT_TRUE(thumb->IsDragging());
    const size_t before = handler_.Commands().size();
    SendEvent(YEVENT_MOUSE_MOVE, 99, 45);  // grabbed 5 below the thumb's top
    EXPECT_EQ(thumb->GetY(), 40.0f);
    SendEvent(YEVENT_MOUSE_MOVE, 15, 500);
    EXPECT_EQ(s->GetSliderPosition(), 1.0f);
    EXPECT_EQ(handler_.Commands().size(), before + 2);  // one per move
    SendEvent(YEVENT_MOUSE_UP, 1, 0);
    EXPECT_TRUE(thumb->IsDragging());
    SendEvent(YEVENT_MOUSE_UP, 0, 0);
    SendEvent(YEVENT_MOUSE_MOVE, 15, 25);
    EXPECT_EQ(s->GetSliderPosition(), 1.0f);
    thumb->OnMouseButtonDown(0);
    s.reset();  // deleted mid-drag: the pointer no longer reaches it
    SendEvent(YEVENT_MOUSE_MOVE, 15, 25);
}

TEST_F(SliderTest, OnlyALeftReleaseEndsADragNotTheThumbsDeactivation) {
    auto s = Make(20, 100, 20, 20);
    CYToddler* thumb = s->GetThumb();
    s->SetActive(true);
    g_cursorY = 25;
    thumb->OnMouseButtonDown(0);
    s->SetActive(false);
    EXPECT_TRUE(thumb->IsDragging());
    SendEvent(YEVENT_MOUSE_MOVE, 15, 45);
    EXPECT_EQ(thumb->GetY(), 40.0f);
    SendEvent(YEVENT_MOUSE_UP, 0, 0);
    EXPECT_FALSE(thumb->IsDragging());
}

TEST_F(SliderTest, TrackClickCentresTheThumbOnThePointerButNotOnTheThumb) {
    auto s = Make(20, 100, 20, 20);
    g_cursorY = 90;
    s->OnMouseButtonDown(0);
    EXPECT_EQ(s->GetThumb()->GetY(), 80.0f);
    EXPECT_FLOAT_EQ(s->GetSliderPosition(), 0.75f);
    g_cursorY = 85;  // on the thumb
    s->OnMouseButtonDown(0);
    EXPECT_EQ(s->GetThumb()->GetY(), 80.0f);
}

}  // namespace
