// Text boxes: "#" breaks and word wrapping, a missing font, scrolling by the scroll bar,
// the line under a release, the font hooks, centring, and a box on a real screen.
#include "interface/YTextBox.h"

#include <gtest/gtest.h>

#include <memory>

#include "interface/YSlider.h"
#include "render/RenderTestSupport.h"
#include "render/YFont.h"
#include "render/YNode.h"

namespace {

using Lines = std::vector<std::string>;
int32_t g_cursorY = 0;
std::vector<intptr_t> g_clicked;  // event 53's line; event 41 as -100

// Fonts 0 (glyphs 8 wide) and 1, 2 (10 wide): 8 x 16 cells of a white sheet. Answers the
// pointer query and records events 41 and 53.
struct Harness : CYEventListener {
    Harness() {
        for (int w : {8, 10}) {
            std::string text = "width\t128\nheight\t160\nx\t8\ny\t16\n";
            for (int i = 0; i < 160; ++i) text += "g\t" + std::to_string(w) + "\n";
            test::WriteFile("data/interface/fonts/f" + std::to_string(w) + ".fnt", text);
        }
        test::WriteFile("data/textures/font.tga", rtest::SolidTga(128, 160, 0xFFFFFF));
        g_clicked.clear();
        SubscribeOnce(YEVENT_GET_FONT, this, [](void*, intptr_t a, intptr_t b) {
            if (a < 0 || a > 2) return;
            auto* font = new CYFont("font.tga", "interface.fx", a == 0 ? "f8.fnt" : "f10.fnt", 0.0f, 1.0f);
            font->Load();
            *reinterpret_cast<CYFont**>(b) = font;
        });
        SubscribeOnce(YEVENT_GET_CURSOR_POS, this,
                      [](void*, intptr_t, intptr_t b) { *reinterpret_cast<int32_t*>(b) = g_cursorY; });
        SubscribeOnce(YEVENT_TEXTBOX_NOTIFY, this, [](void*, intptr_t, intptr_t) { g_clicked.push_back(-100); });
        SubscribeOnce(YEVENT_TEXTBOX_NOTIFY2, this, [](void*, intptr_t, intptr_t b) { g_clicked.push_back(b); });
    }
};

// A scroll bar of 10 x 48 with a thumb of 10 x 8.
YScrollBarDesc ScrollBar(const std::string& texture = "", const std::string& thumb = "") {
    YScrollBarDesc d;
    d.name = "bar", d.effect = d.thumbEffect = "interface.fx";
    d.texture = texture, d.thumbTexture = thumb;
    d.width = d.texWidth = d.thumbWidth = d.thumbTexWidth = 10;
    d.height = d.texHeight = 48, d.thumbHeight = d.thumbTexHeight = 8;
    return d;
}

class TextBoxTest : public rtest::RecordingRendererTest {
protected:
    // A box of 100 x 48 (three lines of 16) at (20, 30), loaded.
    static std::unique_ptr<CYTextBox> Make(int font = 0, const YScrollBarDesc& bar = {}, bool centered = false,
                                           int lineSpace = 0) {
        auto box = std::make_unique<CYTextBox>("box", 100, 48, font, 1, 2, lineSpace, bar, centered);
        EXPECT_EQ(box->Load(), S_OK);
        box->SetPosition(20.0f, 30.0f);
        return box;
    }
    Harness harness_;
};

TEST_F(TextBoxTest, HashBreaksLinesAndWordsWrapAtTheUsableWidth) {
    auto box = Make();
    box->SetText("alpha#beta");
    EXPECT_EQ(box->GetLines(), (Lines{"alpha", "beta"}));
    box->SetText(" aaaa bbbb cccc##");  // 32 + 8 + 32 + 8, then 32 reaches 100
    EXPECT_EQ(box->GetLines(), (Lines{"aaaa bbbb", "cccc", ""}));
    box->AddText("dd");
    box->AddText("aaaaaaaaaaaaaa");  // wider than the box: after an empty line
    EXPECT_EQ(box->GetLines(), (Lines{"aaaa bbbb", "cccc", "", "dd", "", "aaaaaaaaaaaaaa"}));
    auto barred = Make(0, ScrollBar());  // 90 usable: 80 + 8 + 8 no longer fits
    barred->SetText("aaaaaaaaaa b");
    EXPECT_EQ(barred->GetLines(), (Lines{"aaaaaaaaaa", "b"}));
    EXPECT_EQ(barred->GetScrollBar()->GetX(), 110.0f);
}

TEST_F(TextBoxTest, WithoutItsFontTheBoxLaysOutAndDrawsNothing) {
    auto box = Make(7);
    box->SetText("one#two#");
    EXPECT_TRUE(box->GetLines().empty());
    box->SetVisible(true);
    box->Update();
    box->OnMouseButtonUp(0);
    EXPECT_EQ(g_clicked, (std::vector<intptr_t>{-100, -1}));  // events 41 and 53
}

TEST_F(TextBoxTest, ScrollBarScrollsShowsOnlyForLongTextsAndReleasesReportTheLine) {
    auto box = Make(0, ScrollBar());
    box->SetActive(true);
    box->SetText("0#1#2#3#4#5#6#7#8#9");
    box->SetVisible(true);
    EXPECT_TRUE(box->GetScrollBar()->IsVisible());
    box->GetScrollBar()->SetPosition(0.5f);
    EXPECT_EQ(box->GetFirstLine(), 5);
    box->GetScrollBar()->SetPosition(1.0f);
    EXPECT_EQ(box->GetFirstLine(), 9);
    box->SetFirstLine(4);
    g_cursorY = 30 + 2 * 16 + 3;  // the third line shown
    box->OnMouseButtonUp(0);
    box->SetFirstLine(9);
    box->OnMouseButtonUp(0);
    EXPECT_EQ(g_clicked, (std::vector<intptr_t>{-100, 6, -100, -1}));
    box->SetFirstLine(-6);
    EXPECT_EQ(box->GetFirstLine(), 0);
    box->SetFirstLine(99);
    EXPECT_EQ(box->GetFirstLine(), 9);
    box->SetText("short");  // the scroll bar is decided when the box is shown, not by its text
    EXPECT_TRUE(box->GetScrollBar()->IsVisible());
    box->Update();  // first line past the lines now
    box->SetVisible(true);
    EXPECT_FALSE(box->GetScrollBar()->IsVisible());
    for (const char* more : {"1", "2", "3", "4"}) box->AddText(more);  // five lines now
    EXPECT_FALSE(box->GetScrollBar()->IsVisible());
    EXPECT_EQ(Make(0, {}, false, -16)->LineHeight(), 1);  // font 16 high: at least a unit
}

TEST_F(TextBoxTest, CentredLineStartsHalfTheFreeWidthInAndAPressShowsTheLitFont) {
    auto box = Make(0, {}, true);
    box->SetText("aaaaaa");  // 48 of 100: 26 in
    box->SetVisible(true);
    box->OnButtonDownHook(0);
    EXPECT_EQ(box->GetFontState(), 1);
    box->OnLeaveHook(0, 0);
    box->Update();
    ASSERT_FALSE(box->GetCurrentFont()->GetDrawnVertices().empty());
    EXPECT_EQ(box->GetCurrentFont()->GetDrawnVertices()[0].x, std::floor(46.0f * 1.25f));
}

// ---- on screen ----

class TextBoxScreenTest : public rtest::GLRendererTest {};

TEST_F(TextBoxScreenTest, LinesAndTheScrollBarsThumbAreDrawnWhereTheyBelong) {
    const std::string fx = std::string(KESTRUNE_SOURCE_DIR) + "/game/data/effects/interface.fx";
    test::WriteFile("data/effects/interface.fx", test::ReadFile(fx));
    test::WriteFile("data/textures/track.tga", rtest::SolidTga(10, 48, 0x0000FF));
    test::WriteFile("data/textures/thumb.tga", rtest::SolidTga(10, 8, 0xFF0000));
    Harness harness;
    // The overlay: pixels of the screen, y downward, every layer one world node.
    math::Matrix view = math::MatrixOrthoOffCenterLH(0, float(kWidth), 0, float(kHeight), 0, 1);
    view.m[1][1] *= -1.0f;
    view.m[3][1] += 2.0f;
    CYCameraNode* camera = renderer_->AddCameraNode();
    camera->SetView(view);
    camera->SetProjection(math::MatrixIdentity());
    static CYNode* layer;
    layer = new CYWorld(math::MatrixIdentity());
    camera->AddChild(layer);
    harness.SubscribeOnce(YEVENT_GET_WORLD_PARAM, nullptr,
                          [](void*, intptr_t a, intptr_t) { *reinterpret_cast<CYNode**>(a) = layer; });

    CYTextBox box("box", 200, 48, 0, -1, -1, 8, ScrollBar("track.tga", "thumb.tga"), false);  // lines 24 apart
    ASSERT_EQ(box.Load(), S_OK);
    box.SetPosition(100.0f, 100.0f);  // the bar at x 290 .. 299
    box.SetActive(true);
    box.SetText("ab#c#d#e");
    box.SetVisible(true);
    box.GetScrollBar()->SetPosition(0.5f);  // thumb over rows 120 .. 127, from line 2
    box.Update();
    ASSERT_EQ(renderer_->PrepareFrame(), S_OK);
    ASSERT_EQ(renderer_->RenderFrame(), S_OK);
    const std::vector<uint32_t> pixels = ReadFrame();
    auto at = [&](int x, int y) { return pixels[size_t(y) * kWidth + size_t(x)] & 0xFFFFFF; };
    auto white = [&](int x, int y) { return at(x, y) > 0xE0E0E0; };
    EXPECT_TRUE(white(101, 101) && white(107, 114) && white(101, 125));  // "d" and "e", one glyph each
    EXPECT_FALSE(white(110, 108) || white(104, 119) || white(104, 150) || white(99, 108));
    EXPECT_GT(at(295, 124) >> 16, 0xC0u) << std::hex << at(295, 124);  // the thumb is red
    EXPECT_GT(at(295, 140) & 0xFF, 0xC0u) << std::hex << at(295, 140);  // the track blue
    EXPECT_LT(at(295, 140) >> 16, 0x10u);
}

}  // namespace
