// Bitmap fonts on the recording device (a screen of 800 x 600, so both scale factors
// are 1.25): loading descriptions, the quads a text produces, measuring, malformed
// files, and the batch drawn through the sink.
#include "render/YFont.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "RenderTestSupport.h"
#include "render/YNode.h"

using rtest::LogCount;

namespace {

// The advance width the test descriptions give cell i (written as "<w>.9").
int WidthOf(int cell) { return 3 + cell % 13; }
using Edit = std::function<void(std::vector<std::string>&)>;

// A description of a 256 x 160 sheet of 16 x 16 cells; `edit` may change any line.
std::string Description(const Edit& edit = nullptr) {
    std::vector<std::string> lines = {"width\t256", "height\t160", "x\t16", "y\t16"};
    for (int i = 0; i < 160; ++i) lines.push_back("g" + std::to_string(i) + "\t" + std::to_string(WidthOf(i)) + ".9");
    if (edit) edit(lines);
    std::string text;
    for (const std::string& l : lines) text += l + "\n";
    return text;
}

class FontTest : public rtest::RecordingRendererTest {
protected:
    // (Re)writes "f.fnt" and loads it into the one font of the test.
    HRESULT LoadText(const std::string& text, float spacing = 1.0f, float scale = 1.0f) {
        test::WriteFile("data/interface/fonts/f.fnt", text);
        if (!font_) font_ = std::make_unique<CYFont>("font.tga", "interface.fx", "f.fnt", spacing, scale);
        return font_->Load();
    }
    std::unique_ptr<CYFont> font_;
};

// ---- Loading ------------------------------------------------------------------------------

TEST_F(FontTest, LoadReadsSheetCellsAndWidthsTruncatedToTheirLowByte) {
    ASSERT_EQ(LoadText(Description([](auto& l) {
                  l[4 + 33] = "A\t300.7", l[4 + 34] = "B\t-3", l[4 + 35] = "C\t1e30", l[4 + 36] = "D\tnan";
              })),
              S_OK);
    EXPECT_EQ(font_->GetTextureWidth(), 256);
    EXPECT_EQ(font_->GetTextureHeight(), 160);
    EXPECT_EQ(font_->GetCellWidth(), 16.0f);
    EXPECT_FLOAT_EQ(font_->GetScaleY(), 1.25f);
    EXPECT_EQ(font_->GetGlyphWidth('z'), float(WidthOf('z' - 32)));
    EXPECT_EQ(font_->GetGlyphWidth(0xFF), float(WidthOf(159)));
    EXPECT_EQ(font_->GetGlyphWidth('A'), 44.0f);
    EXPECT_EQ(font_->GetGlyphWidth('B'), 253.0f);
    EXPECT_LT(font_->GetGlyphWidth('C'), 256.0f);
    EXPECT_EQ(font_->GetGlyphWidth('D'), 0.0f);
    EXPECT_EQ(font_->GetVisual()->GetTextureNames(), std::vector<std::string>{"font.tga"});
}

TEST_F(FontTest, MalformedDescriptionsFailAndKeepTheLoadedFont) {
    ASSERT_EQ(LoadText(Description()), S_OK);
    const std::vector<Edit> edits = {
        [](auto& l) { l[0] = "Width\t256"; },          [](auto& l) { std::swap(l[2], l[3]); },
        [](auto& l) { l[1] = "height"; },              [](auto& l) { l[0] = "width\t0"; },
        [](auto& l) { l[1] = "height\t-160"; },        [](auto& l) { l[0] = "width\t99999999999"; },
        [](auto& l) { l[2] = "x\t0"; },                [](auto& l) { l[3] = "y\tnan"; },
        [](auto& l) { l[2] = "x\t300"; },
    };
    for (size_t n = 0; n < edits.size(); ++n) {
        EXPECT_EQ(LoadText(Description(edits[n])), E_FAIL) << n;
        EXPECT_EQ(LogCount("f.fnt - bad font file!!!"), int(n + 1));
        EXPECT_EQ(font_->GetTextureWidth(), 256) << n;
        EXPECT_EQ(font_->GetGlyphWidth('z'), float(WidthOf('z' - 32))) << n;
    }
    // The line has no line feed of its own.
    EXPECT_EQ(LogCount("bad font file!!!\n"), 0);
}

TEST_F(FontTest, ShortOrBrokenGlyphListsLoad) {
    // Glyph lines from cell 46 ('N') on are missing: those glyphs keep the widths they had (0 when new).
    ASSERT_EQ(LoadText(Description([](auto& l) { l.resize(4 + 46); })), S_OK);
    EXPECT_EQ(font_->GetGlyphWidth('A'), float(WidthOf('A' - 32)));
    EXPECT_EQ(font_->GetGlyphWidth('M'), float(WidthOf('M' - 32)));
    EXPECT_EQ(font_->GetGlyphWidth('N'), 0.0f);
    EXPECT_EQ(font_->GetGlyphWidth(0xFF), 0.0f);
    EXPECT_EQ(font_->DrawText(0, 0, "O"), S_OK);
    EXPECT_EQ(font_->GetVertexCount(), 4);
    // A glyph line without a second token gives width 0; "[]" ends the list there.
    ASSERT_EQ(LoadText(Description([](auto& l) { l[4 + 1] = "12", l[4 + 60] = "[]"; })), S_OK);
    EXPECT_EQ(font_->GetGlyphWidth('!'), 0.0f);
    EXPECT_EQ(font_->GetGlyphWidth('"'), float(WidthOf(2)));
    EXPECT_EQ(font_->GetGlyphWidth(32 + 59), float(WidthOf(59)));
    EXPECT_EQ(font_->GetGlyphWidth(32 + 60), 0.0f);
    EXPECT_EQ(LogCount("bad font file!!!"), 0);
}

TEST_F(FontTest, MissingFileFailsAndTheFontCannotDraw) {
    CYFont font("font.tga", "interface.fx", "none.fnt", 1.0f, 1.0f);
    EXPECT_EQ(font.Load(), E_FAIL);
    EXPECT_EQ(font.GetVisual()->GetTextureNames(), std::vector<std::string>{"font.tga"});
    EXPECT_LT(font.DrawText(0, 0, "A"), 0);
    EXPECT_EQ(font.GetVertexCount(), 0);
    EXPECT_EQ(LogCount("DXError if render/YFont.cpp"), 1);
}

TEST_F(FontTest, SampleGameFontLoads) {
    const std::string root = std::string(KESTRUNE_SOURCE_DIR) + "/game/data/interface/fonts/";
    ASSERT_EQ(LoadText(test::ReadFile(root + "sans.fnt")), S_OK);
    EXPECT_GT(font_->GetGlyphWidth('W'), font_->GetGlyphWidth('i'));
    EXPECT_GT(font_->GetGlyphWidth(0xC6), 0.0f);
}

// ---- Geometry -----------------------------------------------------------------------------

TEST_F(FontTest, TextMakesOneQuadPerByte) {
    ASSERT_EQ(LoadText(Description()), S_OK);
    font_->DrawText(0, 0, "xyz");
    font_->BeginBatch();
    ASSERT_EQ(font_->DrawText(100, 40, "AB"), S_OK);
    ASSERT_EQ(font_->GetVertexCount(), 8);
    EXPECT_EQ(font_->GetIndexArray(), (std::vector<uint16_t>{0, 2, 1, 0, 3, 2, 4, 6, 5, 4, 7, 6}));
    const gfx::Vertex* v = font_->GetVertices();
    // 'A' is cell 33: column 1, row 2; corners floor(100 * 1.25), floor(116 * 1.25) etc.
    EXPECT_EQ(v[0].x, 125.0f);
    EXPECT_EQ(v[0].y, 50.0f);
    EXPECT_EQ(v[2].x, 145.0f);
    EXPECT_EQ(v[2].y, 70.0f);
    EXPECT_FLOAT_EQ(v[0].u0, 16.0f / 256);
    EXPECT_FLOAT_EQ(v[1].u0, 32.0f / 256);
    EXPECT_FLOAT_EQ(v[0].v0, 32.0f / 160);
    EXPECT_FLOAT_EQ(v[3].v0, 48.0f / 160 - 0.25f / 160);  // a quarter texel up
    for (int i = 0; i < 8; ++i) EXPECT_EQ(v[i].diffuse, 0xFFFFFFFFu);
    EXPECT_EQ(v[0].z, 1.0f);
    // The pen moves by the width of 'A' plus the spacing; control bytes add nothing.
    const float pen = float(WidthOf(33)) + 1.0f;
    const float secondLeft = std::floor((100 + pen) * 1.25f);
    EXPECT_EQ(v[4].x, secondLeft);
    font_->BeginBatch();
    ASSERT_EQ(font_->DrawText(100, 40, std::string("A\0\t\x1F", 4) + "B"), S_OK);
    EXPECT_EQ(font_->GetVertexCount(), 8);
    EXPECT_EQ(font_->GetVertices()[4].x, secondLeft);
}

TEST_F(FontTest, CyrillicLettersUseTheLastFourRows) {
    ASSERT_EQ(LoadText(Description()), S_OK);
    std::string text;
    for (int b = 0xC0; b <= 0xFF; ++b) text += char(b);
    ASSERT_EQ(font_->DrawText(0, 0, text), S_OK);
    ASSERT_EQ(font_->GetVertexCount(), 64 * 4);
    for (int k = 0; k < 64; ++k) {
        EXPECT_FLOAT_EQ(font_->GetVertices()[k * 4].v0, float(6 + k / 16) * 16 / 160) << k;
        EXPECT_FLOAT_EQ(font_->GetVertices()[k * 4].u0, float(k % 16) * 16 / 256) << k;
    }
    EXPECT_EQ(CYFont::CellIndex(0x80), CYFont::CellIndex(64));
}

TEST_F(FontTest, FiveLettersMeasureTheirWidthsPlusFive) {
    ASSERT_EQ(LoadText(Description()), S_OK);
    float sum = 0;
    for (char c : std::string("Hello")) sum += float(WidthOf(c - 32));
    EXPECT_EQ(font_->GetTextWidth("Hello\n"), sum + 5);
}

TEST_F(FontTest, ScaledFontKeepsCellPixelsAndDividesAdvances) {
    ASSERT_EQ(LoadText(Description(), 2.0f, 2.0f), S_OK);
    ASSERT_EQ(font_->DrawText(10, 10, "AA"), S_OK);
    const gfx::Vertex* v = font_->GetVertices();
    EXPECT_EQ(v[2].x, std::floor(10 * 1.25f + 16));
    const float pen = float(WidthOf(33)) / 1.25f + 2.0f / 1.25f;
    EXPECT_EQ(v[4].x, std::floor((10 + pen) * 1.25f));
    EXPECT_FLOAT_EQ(font_->GetTextWidth("AA"), 2 * pen);
}

TEST_F(FontTest, FullBatchEndsTheString) {
    ASSERT_EQ(LoadText(Description()), S_OK);
    ASSERT_EQ(font_->DrawText(0, 0, std::string(kMaxFontQuads - 1, 'x')), S_OK);
    EXPECT_LT(font_->DrawText(0, 0, "yz"), 0);
    EXPECT_EQ(font_->GetVertexCount(), kMaxFontQuads * 4);
    EXPECT_EQ(LogCount("DXError if render/YFont.cpp"), 1);
}

// ---- Drawing ------------------------------------------------------------------------------

TEST_F(FontTest, FlushedBatchIsDrawnInOneCall) {
    test::WriteFile("data/effects/interface.fx",
                    test::ReadFile(std::string(KESTRUNE_SOURCE_DIR) + "/game/data/effects/interface.fx"));
    test::WriteFile("data/textures/font.tga", rtest::SolidTga(4, 4, 0xFFFFFF));
    CYNode* layer = new CYWorld(math::MatrixIdentity());
    renderer_->AddCameraNode()->AddChild(layer);
    CYEventListener world;
    world.SubscribeOnce(YEVENT_GET_WORLD_PARAM, &layer,
                        [](void* c, intptr_t a, intptr_t) { *reinterpret_cast<CYNode**>(a) = *static_cast<CYNode**>(c); });
    ASSERT_EQ(LoadText(Description()), S_OK);
    font_->DrawText(0, 0, "Hi");
    font_->Flush();
    recording_->ClearCalls();
    Frame();
    std::vector<std::string> draws = CallsStartingWith("DrawIndexedPrimitive");
    ASSERT_EQ(draws.size(), 1u);
    EXPECT_NE(draws[0].find(", 8, "), std::string::npos) << draws[0];  // 8 vertices
    EXPECT_EQ(draws[0].substr(draws[0].size() - 4), ", 4)") << draws[0];  // 4 triangles
}

}  // namespace
