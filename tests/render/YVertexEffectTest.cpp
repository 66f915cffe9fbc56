// Vertex effects on a few vertices: each effect's course over time, the vertex field it
// changes, and the texts CreateVertexEffect accepts or refuses.
#include "render/YVertexEffect.h"

#include <gtest/gtest.h>

#include <memory>

#include "RenderTestSupport.h"

using rtest::LogCount;

namespace {

std::vector<gfx::Vertex> Vertices() {
    std::vector<gfx::Vertex> v(3);
    for (int i = 0; i < 3; ++i) v[i].x = float(i), v[i].u0 = 0.5f * float(i), v[i].v0 = 1.0f, v[i].diffuse = 0x12345678;
    return v;
}

std::vector<gfx::Vertex> Applied(CYVertexEffect& e) {
    const std::vector<gfx::Vertex> src = Vertices();
    std::vector<gfx::Vertex> out(src.size());
    e.Apply(out.data(), src.data(), int(src.size()));
    return out;
}

template <class T>
std::unique_ptr<T> Make(const std::string& text) {
    CYVertexEffect* e = CreateVertexEffect(text);
    auto* typed = dynamic_cast<T*>(e);
    if (!typed) delete e;
    return std::unique_ptr<T>(typed);
}

void RunFor(CYVertexEffect& e, float seconds, float step = 0.01f) {
    for (int i = 0; i < int(seconds / step + 0.5f); ++i) e.Update(step);
}

}  // namespace

// ---- Effects ----------------------------------------------------------------------------

TEST(VertexEffect, AnimSheetOfFourByTwoIsOnFrameFourAfterHalfASecond) {
    auto anim = Make<CYFrameAnimation>("ANIM 4 2 8");  // the name in capitals is accepted
    ASSERT_NE(anim, nullptr);
    EXPECT_EQ(anim->GetFrameCount(), 8);
    anim->Update(0.25f);
    anim->Update(0.25f);
    EXPECT_EQ(anim->GetCurrentFrame(), 4);
    const auto out = Applied(*anim);
    EXPECT_FLOAT_EQ(out[2].u0, 0.25f);  // 1.0 in the cell of column 0
    EXPECT_FLOAT_EQ(out[2].v0, 1.0f);   // 0.5 * 1 + 0.5 for row 1
    EXPECT_EQ(out[2].diffuse, 0x12345678u);
    EXPECT_EQ(out[1].x, 1.0f);
}

TEST(VertexEffect, BackwardOrHugeParametersStayInsideTheirRanges) {
    CYFrameAnimation back(4, 2, -8.0f);
    back.Update(0.125f);
    EXPECT_EQ(back.GetCurrentFrame(), 7);
    CYFrameAnimation fast(4, 2, 3e38f);
    fast.Update(1e30f);
    EXPECT_TRUE(fast.GetCurrentFrame() >= 0 && fast.GetCurrentFrame() < 8);
    EXPECT_EQ(CYFrameAnimation(0, -3, 1.0f).GetFrameCount(), 1);  // raised to one cell
    CYMovingTextureEffect moving(3e38f, -3e38f);
    moving.Update(1e20f);
    EXPECT_TRUE(moving.GetOffsetU() >= 0.0f && moving.GetOffsetU() <= 1.0f);
    EXPECT_TRUE(moving.GetOffsetV() >= 0.0f && moving.GetOffsetV() <= 1.0f);
}

TEST(VertexEffect, FlickKeepsItsLevelBetweenMinimumAndMaximum) {
    auto flick = Make<CYFlickEffect>("flick 2.0 100 200");
    ASSERT_NE(flick, nullptr);
    EXPECT_EQ(Applied(*flick)[0].diffuse, 0xFFFFFFu);  // white before the first update
    for (int i = 0; i < 500; ++i) {
        flick->Update(0.013f);
        ASSERT_GE(flick->GetLevel(), 100u);
        ASSERT_LE(flick->GetLevel(), 200u);
    }
    EXPECT_EQ(Applied(*flick)[1].diffuse, flick->GetLevel() * 0x010101u);
}

TEST(VertexEffect, FadeAtRate85ReachesZeroAfterThreeSecondsAndStays) {
    auto fade = Make<CYFadeEffect>("fade 85");
    ASSERT_NE(fade, nullptr);
    EXPECT_EQ(Applied(*fade)[0].diffuse, 0xFFFFFFFFu);
    fade->Update(1.5f);
    EXPECT_EQ(Applied(*fade)[0].diffuse, 0x7FFFFFFFu);
    fade->Update(1.5f);
    fade->Update(10.0f);
    EXPECT_EQ(fade->GetAlpha(), 0.0f);
    EXPECT_EQ(Applied(*fade)[2].diffuse, 0x00FFFFFFu);

    CYFadeEffect back(-85.0f);  // never past opaque
    back.Update(5.0f);
    EXPECT_EQ(Applied(back)[0].diffuse, 0xFFFFFFFFu);
}

TEST(VertexEffect, MovingTextureAfterThreeSecondsIsHalfAStepBeyondItsStart) {
    auto moving = Make<CYMovingTextureEffect>("movingtex 0.5 0");
    ASSERT_NE(moving, nullptr);
    const float startU = moving->GetOffsetU(), startV = moving->GetOffsetV();
    RunFor(*moving, 3.0f);
    float moved = moving->GetOffsetU() - startU;
    if (moved < 0) moved += 1.0f;
    EXPECT_NEAR(moved, 0.5f, 1e-3f);
    EXPECT_EQ(moving->GetOffsetV(), startV);
    EXPECT_NEAR(Applied(*moving)[1].u0, 0.5f + moving->GetOffsetU(), 1e-6f);
}

TEST(VertexEffect, ApplyWithoutVerticesWritesNothing) {
    CYFadeEffect fade(1.0f);
    gfx::Vertex out, in;
    out.diffuse = 7;
    fade.Apply(&out, &in, 0);
    fade.Apply(&out, nullptr, 1);
    fade.Apply(nullptr, &in, 1);
    EXPECT_EQ(out.diffuse, 7u);
}

// ---- Construction from text -------------------------------------------------------------

TEST(CreateVertexEffect, WrongTextsLogTheirMessageAndBuildNothing) {
    test::TempDir dir;
    const int before = g_live.vertexEffects;
    EXPECT_EQ(CreateVertexEffect("anim 4 2"), nullptr);
    EXPECT_EQ(LogCount("\xCD\xE5\xEF\xF0\xE0\xE2\xE8\xEB\xFC\xED\xEE\xE5 \xEA\xEE\xEB\xE8\xF7\xE5\xF1\xF2\xE2\xEE "
                       "\xEF\xE0\xF0\xE0\xEC\xE5\xF2\xF0\xEE\xE2 \xE4\xEB\xFF \xFD\xF4\xF4\xE5\xEA\xF2\xE0 "),
              1);
    EXPECT_EQ(CreateVertexEffect("flick 2 x 200"), nullptr);
    EXPECT_EQ(LogCount("\xDD\xF4\xF4\xE5\xEA\xF2 \xEC\xE5\xF0\xF6\xE0\xED\xE8\xFF: \xE2\xF2\xEE\xF0\xEE\xE9 "), 1);
    EXPECT_EQ(CreateVertexEffect("fade"), nullptr);
    EXPECT_EQ(CreateVertexEffect("fade 1 2"), nullptr);
    EXPECT_EQ(LogCount("\xDD\xF4\xF4\xE5\xEA\xF2 \xF0\xE0\xF1\xF2\xE2\xEE\xF0\xE5\xED\xE8\xFF"), 2);
    // A real past the float range is not a real.
    EXPECT_EQ(CreateVertexEffect("movingtex 1 " + std::string(60, '9')), nullptr);
    EXPECT_EQ(LogCount("\xE4\xE2\xE8\xE6\xF3\xF9\xE5\xE9\xF1\xFF \xF2\xE5\xEA\xF1\xF2\xF3\xF0\xFB: \xE2\xF2"), 1);
    // Sheets without cells, or too big to hold, are refused.
    EXPECT_EQ(CreateVertexEffect("anim 0 2 8"), nullptr);
    EXPECT_EQ(CreateVertexEffect("anim - 2 8"), nullptr);
    EXPECT_EQ(CreateVertexEffect("anim 99999999999 99999 8"), nullptr);
    EXPECT_EQ(LogCount("Animated texture effect: columns and rows must be 1 to 256"), 3);
    // Unknown names are silent.
    const size_t logSize = test::ReadFile("YLog.log").size();
    EXPECT_EQ(CreateVertexEffect("glow 1"), nullptr);
    EXPECT_EQ(CreateVertexEffect("   "), nullptr);
    EXPECT_EQ(test::ReadFile("YLog.log").size(), logSize);
    EXPECT_EQ(g_live.vertexEffects, before);
}

TEST(CreateVertexEffect, IntegersAreReadFromTheirLeadingDigits) {
    auto anim = Make<CYFrameAnimation>("anim 2.5 3.9 1");
    ASSERT_NE(anim, nullptr);
    EXPECT_EQ(anim->GetFrameCount(), 6);
    EXPECT_FLOAT_EQ(anim->GetFrameU(1), 0.5f);
    EXPECT_FLOAT_EQ(anim->GetFrameV(5), 2.0f / 3.0f);
    auto flick = Make<CYFlickEffect>("flick 1 -5 999");
    ASSERT_NE(flick, nullptr);
    flick->Update(0.1f);
    EXPECT_LE(flick->GetLevel(), 255u);
}

TEST(CreateVertexEffect, FlickTakesItsLevelsAsBytes) {
    // With both levels equal the flicker stands at that level: 300 is 44, -5 is 251.
    for (auto [text, level] : {std::pair{"flick 1 300 300", 44u}, std::pair{"flick 1 -5 -5", 251u},
                               std::pair{"flick 1 511 511", 255u}}) {
        auto flick = Make<CYFlickEffect>(text);
        ASSERT_NE(flick, nullptr) << text;
        flick->Update(0.3f);
        EXPECT_EQ(flick->GetLevel(), level) << text;
    }
}
