// The bounding-box drawer on the recording device: announced boxes drawn as line lists
// in their frame only.
#include "render/YBBoxRenderer.h"

#include <gtest/gtest.h>

#include "RenderTestSupport.h"
#include "render/YBoundingBox.h"

namespace {

class BBoxRendererTest : public rtest::RecordingRendererTest {
protected:
    void SetUp() override {
        RecordingRendererTest::SetUp();
        drawer_ = new CYBBoxRenderer;
        ASSERT_EQ(drawer_->Create(), S_OK);
        ASSERT_EQ(drawer_->Create(), S_OK);  // subscribes once
        renderer_->AddCameraNode()->AddChild(drawer_);
        recording_->ClearCalls();
    }
    void Announce(const CYBoundingBox& box) { SendEvent(YEVENT_BOUNDS_ANNOUNCE, reinterpret_cast<intptr_t>(&box), 0); }
    size_t Lines() { return CallsStartingWith("DrawPrimitiveUP(2, 12, 48)").size(); }
    CYBBoxRenderer* drawer_ = nullptr;
};

}  // namespace

TEST_F(BBoxRendererTest, AnnouncedBoxesAreDrawnInTheirFrameOnly) {
    CYBoundingBox a({0, 0, 0, 1}, {1, 1, 1, 1}), b({5, 0, 0, 1}, {1, 2, 3, 1});
    Announce(a);
    Announce(b);
    EXPECT_FALSE(drawer_->IsIdle());
    Frame();
    EXPECT_EQ(Lines(), 2u);
    EXPECT_EQ(CallsStartingWith("SetRenderState(137, 0)").size(), 1u);
    EXPECT_EQ(CallsStartingWith("SetTextureStageState(0, 1, 3)").size(), 1u);

    recording_->ClearCalls();
    Frame();
    EXPECT_EQ(Lines(), 0u);
    EXPECT_TRUE(drawer_->IsIdle());

    Announce(a);
    recording_->ClearCalls();
    Frame();
    EXPECT_EQ(Lines(), 1u);
}

TEST_F(BBoxRendererTest, ItsStatesAreSetOnEveryPassAlsoWithoutBoxes) {
    ASSERT_TRUE(drawer_->IsIdle());
    EXPECT_EQ(drawer_->Render(), S_OK);
    EXPECT_EQ(Lines(), 0u);
    EXPECT_EQ(CallsStartingWith("SetRenderState(137, 0)").size(), 1u);
    EXPECT_EQ(CallsStartingWith("SetTextureStageState(0, 1, 3)").size(), 1u);
}

TEST_F(BBoxRendererTest, RecordsAreCopiedSoAGoneBoxIsStillDrawnSafely) {
    {
        CYBoundingBox gone({0, 0, 0, 1}, {1, 1, 1, 1});
        Announce(gone);
    }
    Frame();
    EXPECT_EQ(Lines(), 1u);
    EXPECT_EQ(drawer_->GetRecordCount(), 0u);
}

TEST(BBoxRendererLines, TwelveEdgesJoinTheCornersInRingsThenUprights) {
    math::Vec4 c[8];
    for (int i = 0; i < 8; ++i) c[i] = {float(i), 0, 0, 1};
    gfx::Vertex v[24];
    CYBBoxRenderer::BuildLineList(c, v);
    const int ends[24] = {0, 1, 1, 2, 2, 3, 3, 0, 4, 5, 5, 6, 6, 7, 7, 4, 0, 4, 1, 5, 2, 6, 3, 7};
    for (int i = 0; i < 24; ++i) {
        EXPECT_EQ(v[i].x, float(ends[i])) << i;
        EXPECT_EQ(v[i].diffuse, 0x0098A9FFu);
    }
}
