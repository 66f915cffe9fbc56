// Sprites and auto-sprites: the quads they turn to the camera, their sizes and end
// points, and what they do without a camera.
#include "render/YSprite.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "RenderTestSupport.h"
#include "render/YCamera.h"

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

math::Vec3 Pos(const gfx::Vertex& v) { return {v.x, v.y, v.z}; }

class SpriteTest : public rtest::RecordingRendererTest {};

// ---- Sprites -----------------------------------------------------------------------------

TEST_F(SpriteTest, SpriteShowsItsFullRectangleFromAnyDirection) {
    CYCamera camera;
    CYSprite sprite("sprite0", 2.0f, 1.0f);
    sprite.UpdateTransform(math::MatrixTranslation(1, 2, 3));
    for (float yaw : {0.0f, 1.0f, 2.5f, -2.0f}) {
        for (float pitch : {0.3f, 1.2f, 2.8f}) {
            camera.SetViewVector(8.0f, pitch, yaw);
            camera.Update(0.0f);
            gfx::Vertex out[4];
            sprite.ApplyVertexEffect(out);
            // In view space the corners sit at (+-a, +-b) around the sprite's position.
            const math::Vec3 c = math::Vec3TransformCoord({1, 2, 3}, camera.GetView());
            const float expected[4][2] = {{-2, -1}, {2, -1}, {2, 1}, {-2, 1}};
            for (int i = 0; i < 4; ++i) {
                const math::Vec3 v = math::Vec3TransformCoord(Pos(out[i]), camera.GetView());
                EXPECT_NEAR(v.x - c.x, expected[i][0], 1e-3f) << yaw << " " << pitch << " " << i;
                EXPECT_NEAR(v.y - c.y, expected[i][1], 1e-3f);
                EXPECT_NEAR(v.z - c.z, 0.0f, 1e-3f);
            }
            EXPECT_EQ(out[2].u0, 1.0f);
            EXPECT_EQ(out[2].v0, 1.0f);
        }
    }
    EXPECT_EQ(sprite.GetIndexArray(), (std::vector<uint16_t>{0, 1, 2, 0, 2, 3}));
    ASSERT_EQ(sprite.GetBoundingRecords().size(), 1u);
}

TEST_F(SpriteTest, WithoutCameraTheSpriteKeepsItsOwnPlaneAtItsPosition) {
    CYSprite sprite("sprite0", 1.0f, 1.0f);
    sprite.UpdateTransform(math::MatrixTranslation(5, 0, 0));
    gfx::Vertex out[4];
    sprite.ApplyVertexEffect(out);
    EXPECT_EQ(Pos(out[0]), math::Vec3(4, -1, 0));
    EXPECT_EQ(Pos(out[2]), math::Vec3(6, 1, 0));
}

TEST_F(SpriteTest, BadSizesAreRefusedAndKeepTheSize) {
    CYSprite sprite("sprite0", kNaN, 1.0f);
    EXPECT_EQ(sprite.GetHalfWidth(), 0.0f);
    EXPECT_TRUE(sprite.SetSize(3.0f, 3.0f));
    EXPECT_FALSE(sprite.SetSize(1.0f, std::numeric_limits<float>::infinity()));
    EXPECT_EQ(sprite.GetHalfWidth(), 3.0f);
    EXPECT_EQ(sprite.GetSourceVertices()[2].x, 3.0f);
    // A negative size is kept: the corners change sides.
    EXPECT_TRUE(sprite.SetSize(-1.0f, 1.0f));
    EXPECT_EQ(sprite.GetSourceVertices()[2].x, -1.0f);
    CYAutoSprite beam("autosprite0", {0, 0, 0}, {1, 0, 0}, -0.5f);
    EXPECT_EQ(beam.GetHalfWidth(), -0.5f);
}

// ---- Auto-sprites ------------------------------------------------------------------------

TEST_F(SpriteTest, AutoSpriteSpansItsEndPointsAcrossTheScreen) {
    CYCamera camera;  // looks along +x from above: a beam along y runs across the screen
    camera.Update(0.0f);
    CYAutoSprite beam("autosprite0", {0, -2, 0}, {0, 2, 0}, 0.5f);
    beam.UpdateTransform(math::MatrixTranslation(0, 0, 1));
    beam.UpdateVertexEffect(0.0f);
    const auto& v = beam.GetDrawnVertices();
    const math::Vec3 a(0, -2, 1), b(0, 2, 1);
    for (auto [i, j, end] : {std::tuple{0, 2, a}, std::tuple{1, 3, b}}) {
        const math::Vec3 mid = (Pos(v[size_t(i)]) + Pos(v[size_t(j)])) * 0.5f;
        EXPECT_NEAR(math::Vec3Length(mid - end), 0.0f, 1e-4f);
        const math::Vec3 side = math::Vec3TransformNormal(Pos(v[size_t(i)]) - Pos(v[size_t(j)]), camera.GetView());
        EXPECT_NEAR(math::Vec3Length(side), 1.0f, 1e-4f);
        EXPECT_NEAR(side.x, 0.0f, 1e-4f);  // upright on the screen, across the beam
        EXPECT_NEAR(side.z, 0.0f, 1e-4f);
    }
    EXPECT_EQ(beam.GetIndexArray(), (std::vector<uint16_t>{0, 3, 2, 0, 1, 3}));
}

TEST_F(SpriteTest, AutoSpriteRecordTakesHalfTheHeightBetweenItsEndsUpwards) {
    CYAutoSprite beam("autosprite0", {0, 0, 1}, {4, 0, 5}, 0.5f);
    ASSERT_EQ(beam.GetBoundingRecords().size(), 1u);
    const CYBoundingBox& record = beam.GetBoundingRecords()[0];
    EXPECT_EQ(record.origin.x, 2.0f);
    EXPECT_EQ(record.origin.z, 3.0f);
    EXPECT_FLOAT_EQ(record.extent.z, 2.0f);
}

TEST_F(SpriteTest, AutoSpriteEndPointsCoincidingOnTheScreenLeaveTheCornersAlone) {
    CYCamera camera;
    camera.Update(0.0f);
    const math::Vec3 eye = camera.GetEye(), at = camera.GetLookAt();
    CYAutoSprite beam("autosprite0", at, at + (at - eye), 1.0f);  // along the line of sight
    const auto before = beam.GetDrawnVertices();
    beam.UpdateVertexEffect(0.0f);
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_TRUE(std::isfinite(beam.GetDrawnVertices()[i].x));
        EXPECT_NEAR(beam.GetDrawnVertices()[i].y, before[i].y, 1e-3f);
    }
    EXPECT_FALSE(beam.SetPosition({kNaN, 0, 0}, {1, 1, 1}, 1.0f));
    EXPECT_EQ(beam.GetB(), at + (at - eye));
}

}  // namespace
