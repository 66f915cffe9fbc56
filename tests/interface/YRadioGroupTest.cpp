// Radio buttons and groups: one checked item at most, what checking sends, the lit images,
// hit tests by the mask in force, buttons outside a group, and groups that are never drawn.
#include "interface/YRadioGroup.h"

#include <gtest/gtest.h>

#include "ClickTestSupport.h"

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
    // A built group "g" of three items a, b, c side by side, and one plain window child.
    static std::unique_ptr<CYRadioGroup> MakeGroup() {
        YInterfaceElement e;
        e.attributes = {{"name", {"g"}}, {"width", {"30"}}, {"height", {"10"}}};
        std::unique_ptr<CYRadioGroup> group(dynamic_cast<CYRadioGroup*>(BuildRadioGroup(e)));
        for (const char* name : {"a", "b"}) group->AddChild(MakeItem(name, group->GetCount() * 10.0f));
        group->AddChild(new CYWindow("plain"));
        group->AddChild(MakeItem("c", 20));
        return group;
    }
};

TEST_F(RadioTest, CheckingAnItemUnchecksTheOthersAndIsToldOnlyOnChange) {
    auto group = MakeGroup();
    EXPECT_EQ(group->GetCheckedIndex(), -1);
    EXPECT_EQ(group->GetDrawCount(), 0);  // no image of its own: never drawn
    ASSERT_EQ(group->GetCount(), 3);  // the plain window got no index
    group->Check(1);
    group->Check(1);  // already checked: nothing
    group->Check(2);
    EXPECT_FALSE(group->GetItem(1)->IsChecked());
    EXPECT_EQ(group->GetItem(2)->GetImage(), CYRadioButton::kOn);
    group->Check(3);  // out of range: unchecks silently
    EXPECT_EQ(group->GetCheckedIndex(), -1);
    EXPECT_FALSE(group->GetItem(2)->IsChecked());
    EXPECT_EQ(EventLog::events, (Lines{"38 g 1", "38 g 2"}));
    EXPECT_EQ(Commands(), (Lines{"radiogroup_checked g 1", "radiogroup_checked g 2"}));
}

TEST_F(RadioTest, LeftClickOnAnUncheckedItemChecksItOthersDoNothing) {
    auto group = MakeGroup();
    CYRadioButton* a = group->GetItem(0);
    a->OnMouseButtonUp(1);  // right button
    EXPECT_EQ(group->GetCheckedIndex(), -1);
    events_->pointer[0] = events_->pointer[1] = 5;  // the pointer over a
    a->OnMouseButtonUp(0);
    EXPECT_EQ(group->GetCheckedIndex(), 0);
    EXPECT_EQ(a->GetImage(), CYRadioButton::kLitOn);  // checked under the pointer
    EXPECT_EQ(Shown(*a), "interface\\liton.tga");
    EXPECT_FLOAT_EQ(a->GetSourceVertices()[0].u0, 30 / 40.f);
    Commands();
    a->OnMouseButtonUp(0);  // already checked
    EXPECT_TRUE(Commands().empty());
    a->OnMouseLeave(-1000, -1000);
    EXPECT_EQ(a->GetImage(), CYRadioButton::kOn);
    CYWindow* hovered = nullptr;
    group->GetItem(1)->OnMouseMove(15, 5, &hovered);
    EXPECT_EQ(group->GetItem(1)->GetImage(), CYRadioButton::kLitOff);
}

TEST_F(RadioTest, HitTestsReadTheMaskInForceAndWithoutAMaskNameTheWholeRectangle) {
    test::WriteFile("data/interface/masks/off.msk", std::string(50, '\0') + std::string(50, '\1'));  // lower half
    test::WriteFile("data/interface/masks/on.msk", std::string(50, '\1') + std::string(50, '\0'));   // upper half
    test::WriteFile("data/interface/masks/short.msk", std::string(30, '\1'));                         // rows 0 to 2
    std::unique_ptr<CYRadioButton> both(MakeItem("both", 0, "off.msk", "on.msk"));
    EXPECT_FALSE(both->HitTest(5, 2));
    EXPECT_TRUE(both->HitTest(5, 7));
    events_->pointer[0] = 5, events_->pointer[1] = 2;  // outside the off mask, inside the on mask
    both->SetChecked(true);
    EXPECT_EQ(both->GetImage(), CYRadioButton::kOn);  // the pointer was tested against the off mask
    EXPECT_TRUE(both->HitTest(5, 2));
    EXPECT_FALSE(both->HitTest(5, 7));
    // Checked without an on mask: the mask in force has no byte anywhere.
    std::unique_ptr<CYRadioButton> offOnly(MakeItem("off", 0, "off.msk"));
    offOnly->SetChecked(true);
    EXPECT_FALSE(offOnly->HitTest(5, 2) || offOnly->HitTest(5, 7));
    // No mask name: the whole rectangle, whatever the on mask says.
    std::unique_ptr<CYRadioButton> onOnly(MakeItem("on", 0, "", "on.msk"));
    onOnly->SetChecked(true);
    EXPECT_TRUE(onOnly->HitTest(5, 7) && onOnly->HitTest(0, 9));
    EXPECT_FALSE(onOnly->HitTest(10, 2));
    std::unique_ptr<CYRadioButton> cut(MakeItem("cut", 0, "short.msk"));
    EXPECT_TRUE(cut->HitTest(5, 2));
    EXPECT_FALSE(cut->HitTest(5, 3));  // beyond the mask's bytes
    auto missing = std::make_unique<CYRadioButton>("m", "", "", "", 10, 10, 0, 0, 0, 0, 0, 0, "", "", "", "no.msk",
                                                   0, 0, 0, 0, 0, 0);
    EXPECT_LT(missing->Load(), 0);
    EXPECT_EQ(rtest::LogCount("DXError if YRadioGroup on line 74\n"), 1);
}

TEST_F(RadioTest, OutsideAGroupALeftClickChecksTheItemAndACheckedOneDoesNothing) {
    std::unique_ptr<CYRadioButton> alone(MakeItem("alone", 0));
    alone->OnMouseButtonUp(0);
    EXPECT_TRUE(alone->IsChecked());
    EXPECT_EQ(alone->GetImage(), CYRadioButton::kOn);
    alone->OnMouseButtonUp(0);
    EXPECT_TRUE(alone->IsChecked());
    EXPECT_TRUE(Commands().empty());
}

}  // namespace
