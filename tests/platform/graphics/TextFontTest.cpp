// The text font's glyph sheet and layout, from the system's monospace face.
#include <gtest/gtest.h>

#include "platform/graphics/TextFont.h"

using namespace gfx;
using namespace gfx::detail;

namespace {

std::unique_ptr<FontAtlas> StatisticsFont() {
    FontDesc desc;
    desc.height = 16;
    desc.weight = FW_BOLD;
    return LoadFontAtlas(desc);
}

int Coverage(const FontAtlas& a, const FontGlyph& g) {
    int sum = 0;
    for (int y = g.y0; y < g.y1; ++y)
        for (int x = g.x0; x < g.x1; ++x) sum += a.pixels[size_t(y) * a.width + x];
    return sum;
}

TEST(TextFontTest, StatisticsFontIsTheBoldMonospaceFace) {
    FontDesc desc;
    desc.weight = FW_BOLD;
    EXPECT_EQ(FontFileFor(desc), "/usr/share/fonts/truetype/dejavu/DejaVuSansMono-Bold.ttf");
    desc.weight = FW_NORMAL;
    EXPECT_EQ(FontFileFor(desc), "/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf");
}

TEST(TextFontTest, CellHeightIsTheRequestedHeight) {
    auto atlas = StatisticsFont();
    ASSERT_NE(atlas, nullptr);
    EXPECT_EQ(atlas->lineHeight, 16);
    EXPECT_GT(atlas->ascent, 8);
    EXPECT_LT(atlas->ascent, 16);
    EXPECT_GE(atlas->advance, 8);
    EXPECT_LE(atlas->advance, 11);
}

TEST(TextFontTest, LettersHaveInkAndBlanksHaveNone) {
    auto atlas = StatisticsFont();
    ASSERT_NE(atlas, nullptr);
    EXPECT_GT(Coverage(*atlas, atlas->glyphs['A']), 1000);
    EXPECT_GT(Coverage(*atlas, atlas->glyphs[0xC0]), 1000);  // Cyrillic capital A in code page 1251
    const FontGlyph& space = atlas->glyphs[' '];
    EXPECT_EQ(space.x1 - space.x0, 0);
}

TEST(TextFontTest, TextAdvancesOneCellAByteAndOneLineANewline) {
    auto atlas = StatisticsFont();
    ASSERT_NE(atlas, nullptr);
    std::vector<GlyphQuad> quads;
    Rect r{20, 0, 1000, 600};
    EXPECT_EQ(LayoutText(*atlas, "AB A\nA", -1, r, &quads), 32);
    ASSERT_EQ(quads.size(), 4u);  // the blank draws nothing
    EXPECT_EQ(quads[1].x0 - quads[0].x0, float(atlas->advance));
    EXPECT_EQ(quads[2].x0 - quads[0].x0, float(3 * atlas->advance));
    EXPECT_EQ(quads[3].x0, quads[0].x0);
    EXPECT_EQ(quads[3].y0 - quads[0].y0, 16.0f);
    EXPECT_EQ(LayoutText(*atlas, "AB A\nA", 2, r, &quads), 16);
    EXPECT_EQ(quads.size(), 2u);
}

TEST(TextFontTest, ControlBytesShowAsQuestionMarks) {
    auto atlas = StatisticsFont();
    ASSERT_NE(atlas, nullptr);
    std::vector<GlyphQuad> a, b;
    Rect r{0, 0, 100, 100};
    LayoutText(*atlas, "\x01", -1, r, &a);
    LayoutText(*atlas, "?", -1, r, &b);
    ASSERT_EQ(a.size(), 1u);
    ASSERT_EQ(b.size(), 1u);
    EXPECT_EQ(a[0].u0, b[0].u0);
    EXPECT_EQ(a[0].v0, b[0].v0);
}

TEST(TextFontTest, DataThatIsNoFontGivesNoSheet) {
    EXPECT_EQ(BuildFontAtlas({}, 16), nullptr);
    EXPECT_EQ(BuildFontAtlas(std::vector<uint8_t>(12, 0), 16), nullptr);
}

}  // namespace
