// Radio buttons and groups: one checked item at most, what checking sends, the lit images,
// the on and off masks, buttons outside a group, and groups that are never drawn.
#include "interface/YRadioGroup.h"

#include <gtest/gtest.h>

#include "ClickTestSupport.h"
#include "render/YPolygonRenderer.h"

namespace {

using itest::EventLog;

class RadioTest : public itest::WidgetTest {
protected:
    // 10 x 10 at (x, 0) with every image: off, on at 10, lit off at 20, lit on at 30.
    static CYRadioButton* MakeItem(const std::string& name, float x, const std::string& mask = "",
                                   const std::string& onMask = "") {
        auto* item = new CYRadioButton(name, "interface\\off.tga", "", mask, 10, 10, 40, 10, 0, 0, x, 0,
                                       "interface\\on.tga", "interface\\liton.tga", "interface\\litoff.tga", onMask,
                                       10, 0, 20, 0, 30, 0);
        EXPECT_EQ(item->Load(), S_OK);
        return item;
    }
    // A group "g" of three items a, b, c side by side, and one plain window child.
    std::unique_ptr<CYRadioGroup> MakeGroup() {
        auto group = std::make_unique<CYRadioGroup>("g", 30, 10);
        EXPECT_EQ(group->Load(), S_OK);
        for (const char* name : {"a", "b"}) group->AddChild(MakeItem(name, group->GetCount() * 10.0f));
        group->AddChild(new CYWindow("plain"));
        group->AddChild(MakeItem("c", 20));
        group->Check(-1);
        return group;
    }
};

TEST_F(RadioTest, CheckingAnItemUnchecksTheOthersAndIsToldOnlyOnChange) {
    auto group = MakeGroup();
    ASSERT_EQ(group->GetCount(), 3);  // the plain window got no index
    EXPECT_EQ(group->GetItem(2)->GetName(), "c");
    group->Check(1);
    group->Check(1);  // already checked: nothing
    group->Check(2);
    EXPECT_FALSE(group->GetItem(1)->IsChecked());
    EXPECT_TRUE(group->GetItem(2)->IsChecked());
    EXPECT_EQ(group->GetItem(2)->GetImage(), CYRadioButton::kOn);
    group->Check(3);  // out of range: unchecks silently
    EXPECT_EQ(group->GetCheckedIndex(), -1);
    EXPECT_FALSE(group->GetItem(2)->IsChecked());
    EXPECT_EQ(EventLog::events, (Lines{"38 g 1", "38 g 2"}));
    EXPECT_EQ(scripts_->Take(), (Lines{"radiogroup_checked g 1", "radiogroup_checked g 2"}));
}

TEST_F(RadioTest, LeftClickOnAnUncheckedItemChecksItOthersDoNothing) {
    auto group = MakeGroup();
    CYRadioButton* a = group->GetItem(0);
    a->OnMouseButtonUp(1);  // right button
    EXPECT_EQ(group->GetCheckedIndex(), -1);
    events_->pointerX = events_->pointerY = 5;  // the pointer over a
    a->OnMouseButtonUp(0);
    EXPECT_EQ(group->GetCheckedIndex(), 0);
    EXPECT_EQ(a->GetImage(), CYRadioButton::kLitOn);  // checked under the pointer
    EXPECT_EQ(Shown(*a), "interface\\liton.tga");
    EXPECT_FLOAT_EQ(a->GetSourceVertices()[0].u0, 30 / 40.f);
    scripts_->Take();
    a->OnMouseButtonUp(0);  // already checked
    EXPECT_TRUE(scripts_->Take().empty());
    a->OnMouseLeave(-1000, -1000);
    EXPECT_EQ(a->GetImage(), CYRadioButton::kOn);
    CYWindow* hovered = nullptr;
    group->GetItem(1)->OnMouseMove(15, 5, &hovered);
    EXPECT_EQ(group->GetItem(1)->GetImage(), CYRadioButton::kLitOff);
}

TEST_F(RadioTest, MasksFollowTheStateAndAMissingOnMaskMeansTheRectangle) {
    test::WriteFile("data/interface/masks/off.msk", std::string(50, '\0') + std::string(50, '\1'));  // lower half
    test::WriteFile("data/interface/masks/on.msk", std::string(50, '\1') + std::string(50, '\0'));   // upper half
    std::unique_ptr<CYRadioButton> both(MakeItem("both", 0, "off.msk", "on.msk"));
    EXPECT_FALSE(both->HitTest(5, 2));
    EXPECT_TRUE(both->HitTest(5, 7));
    both->SetChecked(true);
    EXPECT_TRUE(both->HitTest(5, 2));
    EXPECT_FALSE(both->HitTest(5, 7));
    std::unique_ptr<CYRadioButton> offOnly(MakeItem("offOnly", 0, "off.msk"));
    offOnly->SetChecked(true);
    EXPECT_TRUE(offOnly->HitTest(5, 2) && offOnly->HitTest(5, 7));
    EXPECT_FALSE(offOnly->HitTest(10, 2));
    auto missing = std::make_unique<CYRadioButton>("m", "", "", "", 10, 10, 0, 0, 0, 0, 0, 0, "", "", "", "no.msk",
                                                   0, 0, 0, 0, 0, 0);
    EXPECT_LT(missing->Load(), 0);
    EXPECT_EQ(rtest::LogCount("DXError if YRadioGroup on line 74\n"), 1);
}

TEST_F(RadioTest, ButtonOutsideAGroupTogglesOnItsOwn) {
    std::unique_ptr<CYRadioButton> alone(MakeItem("alone", 0));
    EXPECT_EQ(alone->GetGroup(), nullptr);
    alone->OnMouseButtonUp(0);
    EXPECT_TRUE(alone->IsChecked());
    alone->OnMouseButtonUp(0);
    EXPECT_FALSE(alone->IsChecked());
    EXPECT_TRUE(scripts_->Take().empty());
}

TEST_F(RadioTest, GroupIsNeverDrawnItsItemsAre) {
    CYNode* layer = new CYWorld(math::MatrixIdentity());
    renderer_->AddCameraNode()->AddChild(layer);
    struct Layer : CYEventListener {
        CYNode* node;
        explicit Layer(CYNode* n) : node(n) {
            SubscribeOnce(YEVENT_GET_WORLD_PARAM, this, [](void* c, intptr_t a, intptr_t) {
                *reinterpret_cast<CYNode**>(a) = static_cast<Layer*>(c)->node;
            });
        }
    } answer(layer);
    YInterfaceElement e;
    e.attributes = {{"name", {"g"}}, {"width", {"30"}}, {"height", {"10"}}};
    std::unique_ptr<CYWindow> built(BuildRadioGroup(e));
    ASSERT_NE(built, nullptr);
    auto* group = dynamic_cast<CYRadioGroup*>(built.get());
    EXPECT_EQ(group->GetCheckedIndex(), -1);
    group->AddChild(MakeItem("a", 0));
    group->SetVisible(true);
    g_timer.frameCounter++;
    group->Update();
    EXPECT_EQ(group->GetVisual()->GetSink(), nullptr);
    auto* sink = dynamic_cast<CYDynamicPolygonRenderer*>(group->GetItem(0)->GetVisual()->GetSink());
    ASSERT_NE(sink, nullptr);
    EXPECT_EQ(sink->GetQueue().Size(), 1);
}

}  // namespace
