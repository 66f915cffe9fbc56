// Text boxes: "#" breaks and word wrapping, a missing font, scrolling by the scroll bar,
// the line under a release, the font hooks, centring, and text drawn on a real screen.
#include "interface/YTextBox.h"

#include <gtest/gtest.h>

#include <memory>

#include "interface/YSlider.h"
#include "render/RenderTestSupport.h"
#include "render/YFont.h"
#include "render/YNode.h"

namespace {

using Lines = std::vector<std::string>;

// A font description: a 128 x 160 sheet of 8 x 16 cells, every glyph `width` wide.
std::string FontFile(int width) {
    std::string text = "width\t128\nheight\t160\nx\t8\ny\t16\n";
    for (int i = 0; i < 160; ++i) text += "g\t" + std::to_string(width) + "\n";
    return text;
}

// Fonts 0 (8 wide), 1 and 2 (10 wide); the pointer query; events 41 and 53.
struct BoxHarness : CYEventListener {
    int32_t cursorX = 0, cursorY = 0;
    std::vector<intptr_t> clicked;  // event 53's line; event 41 as -100
    BoxHarness() {
        test::WriteFile("data/interface/fonts/f.fnt", FontFile(8));
        test::WriteFile("data/interface/fonts/g.fnt", FontFile(10));
        test::WriteFile("data/textures/font.tga", rtest::SolidTga(128, 160, 0xFFFFFF));
        SubscribeOnce(YEVENT_GET_FONT, this, [](void*, intptr_t a, intptr_t b) {
            if (a < 0 || a > 2) return;
            auto* font = new CYFont("font.tga", "interface.fx", a == 0 ? "f.fnt" : "g.fnt", 0.0f, 1.0f);
            font->Load();
            *reinterpret_cast<CYFont**>(b) = font;
        });
        SubscribeOnce(YEVENT_GET_CURSOR_POS, this, [](void* c, intptr_t a, intptr_t b) {
            *reinterpret_cast<int32_t*>(a) = static_cast<BoxHarness*>(c)->cursorX;
            *reinterpret_cast<int32_t*>(b) = static_cast<BoxHarness*>(c)->cursorY;
        });
        SubscribeOnce(YEVENT_TEXTBOX_NOTIFY, this,
                      [](void* c, intptr_t, intptr_t) { static_cast<BoxHarness*>(c)->clicked.push_back(-100); });
        SubscribeOnce(YEVENT_TEXTBOX_NOTIFY2, this,
                      [](void* c, intptr_t, intptr_t b) { static_cast<BoxHarness*>(c)->clicked.push_back(b); });
    }
};

// A scroll bar of 10 x 48 with a thumb of 10 x 8.
YScrollBarDesc ScrollBar() {
    YScrollBarDesc d;
    d.name = "bar";
    d.thumbEffect = "interface.fx";
    d.width = 10, d.height = 48, d.thumbWidth = 10, d.thumbHeight = 8;
    return d;
}

class TextBoxTest : public rtest::RecordingRendererTest {
protected:
    // A box of 100 x 48 (three lines of 16) at (20, 30), loaded.
    std::unique_ptr<CYTextBox> Make(int font = 0, const YScrollBarDesc& bar = {}, bool centered = false,
                                    int lineSpace = 0) {
        auto box = std::make_unique<CYTextBox>("box", 100, 48, font, 1, 2, lineSpace, bar, centered);
        EXPECT_EQ(box->Load(), S_OK);
        box->SetPosition(20.0f, 30.0f);
        return box;
    }
    BoxHarness harness_;
};

TEST_F(TextBoxTest, HashBreaksLinesAndWordsWrapAtTheUsableWidth) {
    auto box = Make();
    box->SetText("alpha#beta");
    EXPECT_EQ(box->GetLines(), (Lines{"alpha", "beta"}));
    box->SetText("a##b");
    EXPECT_EQ(box->GetLines(), (Lines{"a", "", "b"}));
    box->SetText(" aaaa bbbb cccc ");  // 32 + 8 + 32 + 8, then 32 reaches 100
    EXPECT_EQ(box->GetLines(), (Lines{"aaaa bbbb", "cccc"}));
    box->AddText("");
    box->AddText("dd");
    EXPECT_EQ(box->GetLines(), (Lines{"aaaa bbbb", "cccc", "", "dd"}));
    box->SetText("aaaaaaaaaaaaaa");  // wider than the box: after an empty line
    EXPECT_EQ(box->GetLines(), (Lines{"", "aaaaaaaaaaaaaa"}));
    auto barred = Make(0, ScrollBar());  // 90 usable: 80 + 8 + 8 no longer fits
    barred->SetText("aaaaaaaaaa b");
    EXPECT_EQ(barred->GetLines(), (Lines{"aaaaaaaaaa", "b"}));
    EXPECT_EQ(barred->GetScrollBar()->GetX(), 110.0f);
}

TEST_F(TextBoxTest, WithoutItsFontTheBoxLaysOutAndDrawsNothing) {
    auto box = Make(7);
    box->SetText("one#two");
    EXPECT_TRUE(box->GetLines().empty());
    EXPECT_EQ(box->GetText(), "onetwo");
    box->SetVisible(true);
    box->Update();
    box->OnMouseButtonUp(0);
    EXPECT_EQ(harness_.clicked, (std::vector<intptr_t>{-100, -1}));
}

TEST_F(TextBoxTest, ScrollBarScrollsShowsOnlyForLongTextsAndReleasesReportTheLine) {
    auto box = Make(0, ScrollBar());
    box->SetActive(true);
    box->SetText("0#1#2#3#4#5#6#7#8#9");
    box->SetVisible(true);
    EXPECT_TRUE(box->GetScrollBar()->IsVisible());
    box->GetScrollBar()->SetPosition(0.5f);  // thumb at whole units: 20 of 40
    EXPECT_EQ(box->GetFirstLine(), 5);
    box->GetScrollBar()->SetPosition(1.0f);
    EXPECT_EQ(box->GetFirstLine(), 9);
    box->SetFirstLine(4);
    harness_.cursorY = 30 + 2 * 16 + 3;  // the third line shown
    box->OnMouseButtonUp(0);
    box->SetFirstLine(9);
    box->OnMouseButtonUp(0);
    box->SetFirstLine(-6);
    EXPECT_EQ(box->GetFirstLine(), 0);
    EXPECT_EQ(harness_.clicked, (std::vector<intptr_t>{-100, 6, -100, -1}));
    box->SetText("short");
    EXPECT_FALSE(box->GetScrollBar()->IsVisible());
    box->SetVisible(true);
    EXPECT_FALSE(box->GetScrollBar()->IsVisible());
}

TEST_F(TextBoxTest, DegenerateLineHeightsAndFirstLinesStayInsideTheLines) {
    auto box = Make(0, {}, false, -16);  // font 16 high: no height left
    EXPECT_EQ(box->LineHeight(), 1);
    box->SetText("a#b#c");
    box->SetVisible(true);
    box->SetFirstLine(99);
    EXPECT_EQ(box->GetFirstLine(), 2);
    box->SetText("");
    box->Update();  // first line past the (now empty) lines
    harness_.cursorY = 1000;
    box->OnMouseButtonUp(0);
    EXPECT_EQ(harness_.clicked.back(), -1);
}

TEST_F(TextBoxTest, PointerOverShowsThePressedFontAndAPressTheLitOne) {
    auto box = Make();
    CYFont* normal = box->GetCurrentFont();
    box->OnHoverHook(0, 0);
    EXPECT_EQ(box->GetFontState(), 2);
    EXPECT_NE(box->GetCurrentFont(), normal);
    box->OnButtonDownHook(0);
    EXPECT_EQ(box->GetFontState(), 1);
    box->OnLeaveHook(0, 0);
    EXPECT_EQ(box->GetCurrentFont(), normal);
}

TEST_F(TextBoxTest, CentredLineStartsHalfTheFreeWidthIn) {
    auto box = Make(0, {}, true);
    box->SetText("aaaaaa");  // 48 of 100: 26 in
    box->SetVisible(true);
    box->Update();
    ASSERT_FALSE(box->GetCurrentFont()->GetDrawnVertices().empty());
    EXPECT_EQ(box->GetCurrentFont()->GetDrawnVertices()[0].x, std::floor(46.0f * 1.25f));
}

// ---- on screen ----

class TextBoxScreenTest : public rtest::GLRendererTest {};

TEST_F(TextBoxScreenTest, LinesAreDrawnOneUnderTheOtherFromTheBoxsCorner) {
    test::WriteFile("data/effects/interface.fx",
                    test::ReadFile(std::string(KESTRUNE_SOURCE_DIR) + "/game/data/effects/interface.fx"));
    BoxHarness harness;  // a white sheet: every glyph is a white block
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

    CYTextBox box("box", 200, 40, 0, -1, -1, 4, {}, false);  // lines 20 apart: two fit
    ASSERT_EQ(box.Load(), S_OK);
    box.SetPosition(100.0f, 100.0f);
    box.SetText("ab#c#d");
    box.SetVisible(true);
    box.Update();
    ASSERT_EQ(renderer_->PrepareFrame(), S_OK);
    ASSERT_EQ(renderer_->RenderFrame(), S_OK);
    const std::vector<uint32_t> pixels = ReadFrame();
    auto lit = [&](int x, int y) { return (pixels[size_t(y) * kWidth + size_t(x)] & 0xFF) > 0xC0; };
    EXPECT_TRUE(lit(101, 101) && lit(114, 114));  // "ab": 16 x 16
    EXPECT_FALSE(lit(118, 108) || lit(104, 118));
    EXPECT_TRUE(lit(104, 124) && !lit(110, 124));  // "c", one glyph
    EXPECT_FALSE(lit(104, 144));                    // "d" does not fit
    EXPECT_FALSE(lit(99, 108));
}

}  // namespace
