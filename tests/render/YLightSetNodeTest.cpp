// The light-set node on the recording device: 15 slots set or disabled every time the
// node is drawn, awake or not.
#include "render/YLightSetNode.h"

#include <gtest/gtest.h>

#include "RenderTestSupport.h"

namespace {

class LightSetTest : public rtest::RecordingRendererTest {
protected:
    void SetUp() override {
        RecordingRendererTest::SetUp();
        lights_ = renderer_->AddLightingNode(renderer_->GetRoot());
        ASSERT_NE(lights_, nullptr);
        point_.type = gfx::LIGHT_POINT;
        point_.range = 10.0f;
    }
    CYLightSetNode* lights_ = nullptr;
    gfx::Light point_;
};

TEST_F(LightSetTest, EnabledSlotsAreSetAndEveryOtherIsDisabledEvenWhileIdle) {
    lights_->SetLight(0, point_);
    lights_->SetLightEnabled(0, true);
    lights_->SetLight(14, point_);
    lights_->SetLightEnabled(14, true);
    ASSERT_TRUE(lights_->IsIdle());
    EXPECT_EQ(lights_->Render(), S_OK);
    std::vector<std::string> expected = {"SetLight(0, 1)", "LightEnable(0, 1)"};
    for (int i = 1; i < 14; ++i) expected.push_back("LightEnable(" + std::to_string(i) + ", 0)");
    expected.insert(expected.end(), {"SetLight(14, 1)", "LightEnable(14, 1)"});
    EXPECT_EQ(recording_->Calls(), expected);
    for (int i = 0; i < 15; ++i) {
        bool on = false;
        device_->GetLightEnable(uint32_t(i), &on);
        EXPECT_EQ(on, i == 0 || i == 14) << i;
    }
}

TEST_F(LightSetTest, ClearedFlagDisablesTheLightOnEveryFrame) {
    lights_->SetLight(3, point_);
    lights_->SetLightEnabled(3, true);
    lights_->Render();
    lights_->SetLightEnabled(3, false);
    recording_->ClearCalls();
    lights_->Render();
    lights_->Render();
    EXPECT_EQ(CallsStartingWith("LightEnable(3, 0)").size(), 2u);
    EXPECT_TRUE(CallsStartingWith("SetLight").empty());
}

}  // namespace
