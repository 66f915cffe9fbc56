#include "core/YUtils.h"

#include <gtest/gtest.h>

namespace {

using math::Plane;
using math::Vec3;

TEST(StringHelpers, TrimRemovesBlanksTabsAndLineEnds) {
    std::string s = " \t a b \r\n";
    Trim(s);
    EXPECT_EQ(s, "a b");
    std::string blank = " \t\r\n";
    Trim(blank);
    EXPECT_EQ(blank, "");
}

TEST(StringHelpers, NumberClassification) {
    EXPECT_TRUE(IsIntString(""));
    EXPECT_TRUE(IsFloatString(""));
    EXPECT_TRUE(IsIntString("-12"));
    EXPECT_FALSE(IsIntString("1.5"));
    EXPECT_TRUE(IsFloatString("-1.5"));
    EXPECT_FALSE(IsFloatString("1e5"));
}

TEST(StringHelpers, StringToBoolIsExactAndCaseSensitive) {
    EXPECT_TRUE(StringToBool("true"));
    EXPECT_FALSE(StringToBool("True"));
    EXPECT_FALSE(StringToBool("false"));
    EXPECT_FALSE(StringToBool("1"));
}

TEST(StringHelpers, ToLowerLeavesHighBytesAlone) {
    std::string s = "ABC\xC0z";
    ToLower(s);
    EXPECT_EQ(s, "abc\xC0z");
}

TEST(PlaneHelpers, ClassifyUsesTheThousandthThreshold) {
    Plane p{0, 0, 1, 0};
    EXPECT_EQ(ClassifyPointPlane({0, 0, 0.0005f}, p), PLANE_ON);
    EXPECT_EQ(ClassifyPointPlane({0, 0, -0.0005f}, p), PLANE_ON);
    EXPECT_EQ(ClassifyPointPlane({0, 0, 0.002f}, p), PLANE_FRONT);
    EXPECT_EQ(ClassifyPointPlane({0, 0, -0.002f}, p), PLANE_BEHIND);
}

TEST(PlaneHelpers, RayDistances) {
    Plane p{0, 0, 1, -2};  // z = 2
    EXPECT_FLOAT_EQ(RayPlaneDistance({0, 0, 0}, {0, 0, 1}, p), 2.0f);
    EXPECT_FLOAT_EQ(RayPlaneDistance({0, 0, 0}, {1, 0, 0}, p), -1.0f);
    // Only a ray running against the normal counts for the front test.
    EXPECT_FLOAT_EQ(RayPlaneDistanceFront({0, 0, 0}, {0, 0, 1}, p), -1.0f);
    EXPECT_FLOAT_EQ(RayPlaneDistanceFront({0, 0, 5}, {0, 0, -1}, p), 3.0f);
    Vec3 n{0, 0, 1};
    EXPECT_FLOAT_EQ(RayPlaneDistanceThroughPoint({0, 0, 0}, {0, 0, 2}, {5, 5, 4}, &n), 2.0f);
    EXPECT_FLOAT_EQ(RayPlaneDistanceThroughPointF(0, 0, 0, 0, 0, 2, 5, 5, 4, 0, 0, 1), 2.0f);
    EXPECT_FLOAT_EQ(RayPlaneDistanceThroughPointF(0, 0, 0, 1, 0, 0, 5, 5, 4, 0, 0, 1), -1.0f);
}

TEST(PlaneHelpers, SegmentCrossesPlaneFromBehind) {
    Plane p{1, 0, 0, -10};  // x = 10, normal +x: a mover at x < 10 is behind it
    float best = 100.0f;
    Vec3 contact;
    ASSERT_TRUE(SegmentCrossesPlane(p, {0, 0, 0}, 1.0f, {1, 0, 0}, &best, &contact));
    EXPECT_FLOAT_EQ(best, 9.0f);
    EXPECT_FLOAT_EQ(contact.x, 10.0f);
    // A farther plane does not replace the nearer hit.
    Plane far{1, 0, 0, -20};
    EXPECT_FALSE(SegmentCrossesPlane(far, {0, 0, 0}, 1.0f, {1, 0, 0}, &best, &contact));
    EXPECT_FLOAT_EQ(best, 9.0f);
    // Moving away, and starting in front, never hit.
    float b2 = 100.0f;
    EXPECT_FALSE(SegmentCrossesPlane(p, {0, 0, 0}, 1.0f, {-1, 0, 0}, &b2, &contact));
    EXPECT_FALSE(SegmentCrossesPlane(p, {15, 0, 0}, 1.0f, {-1, 0, 0}, &b2, &contact));
}

TEST(PlaneHelpers, RayCircleDistance) {
    EXPECT_FLOAT_EQ(RayCircleDistance2D(0, 0, 1, 0, 10, 0, 2), 8.0f);
    EXPECT_FLOAT_EQ(RayCircleDistance2D(0, 0, 1, 0, 10, 5, 2), -1.0f);
}

TEST(TriangleHelper, InsideOutsideAndEdges) {
    Vec3 a{0, 0, 0}, b{4, 0, 0}, c{0, 4, 0};
    EXPECT_TRUE(TriangleTest({1, 1, 0}, a, b, c));
    EXPECT_FALSE(TriangleTest({3, 3, 0}, a, b, c));
    EXPECT_FALSE(TriangleTest({-1, 1, 0}, a, b, c));
    // A vertical triangle is tested in the plane it spans.
    EXPECT_TRUE(TriangleTest({1, 5, 1}, {0, 5, 0}, {4, 5, 0}, {0, 5, 4}));
    // A point on the closing edge c->a counts that edge.
    EXPECT_TRUE(TriangleTest({2, 2, 0}, {0, 0, 0}, {4, 0, 0}, {4, 4, 0}));
    // An edge c->a that is vertical in the projection never counts (its interpolation
    // divides 0 by 0): the point on it counts b->c only.
    EXPECT_TRUE(TriangleTest({0, 1, 0}, a, b, c));
    // Each edge is interpolated from its first vertex, so the diagonal that two triangles
    // of a quad share in opposite directions can round differently in each: this point
    // on it lies in neither.
    Vec3 q0{0, 0, 0}, q1{3, 0, 0}, q2{3, 7, 0}, q3{0, 7, 0};
    const float t = 0.15f;
    Vec3 p{3 * t, 7 * t, 0};
    EXPECT_FALSE(TriangleTest(p, q0, q1, q2));
    EXPECT_FALSE(TriangleTest(p, q0, q2, q3));
}

TEST(RectHelper, BoxesOverlapIncludesTouching) {
    EXPECT_TRUE(BoxesOverlap2D(0, 0, 1, 1, 2, 0, 1, 1));
    EXPECT_FALSE(BoxesOverlap2D(0, 0, 1, 1, 2.01f, 0, 1, 1));
    EXPECT_FALSE(BoxesOverlap2D(0, 0, 1, 1, 0, 3, 1, 1));
}

}  // namespace
