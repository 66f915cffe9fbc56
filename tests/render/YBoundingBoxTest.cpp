// Bounding boxes: corners, planes, world range, merging, circle sweeps and rays.
#include <gtest/gtest.h>

#include <cmath>

#include "platform/math/Math.h"
#include "render/YBoundingBox.h"

using namespace math;

namespace {

constexpr float kPi = 3.14159265358979f;
constexpr float kTol = 1e-4f;

// A 4 x 2 x 1 box centred on the origin.
CYBoundingBox FlatBox() { return CYBoundingBox({0, 0, 0, 1}, {2, 1, 0.5f, 1}); }

void ExpectVec(const Vec3& v, float x, float y, float z, float tolerance = kTol) {
    EXPECT_NEAR(v.x, x, tolerance);
    EXPECT_NEAR(v.y, y, tolerance);
    EXPECT_NEAR(v.z, z, tolerance);
}

void ExpectPlane(const Plane& p, float a, float b, float c, float d) {
    EXPECT_NEAR(p.a, a, kTol);
    EXPECT_NEAR(p.b, b, kTol);
    EXPECT_NEAR(p.c, c, kTol);
    EXPECT_NEAR(p.d, d, kTol);
}

// The direction in which a mover that stopped at the hit is pushed off the contact.
Vec3 PushDirection(const Vec3& start, const Vec3& dir, float distance, const Vec3& contact) {
    Vec3 at = start + dir * distance;
    return Vec3Normalize({at.x - contact.x, at.y - contact.y, 0});
}

// ---- Corners, planes and range ------------------------------------------------------------

TEST(BoundingBoxShape, CornersFollowTheFixedOrder) {
    CYBoundingBox box({1, 2, 3, 1}, {2, 1, 0.5f, 1});
    const float expected[8][3] = {{-1, 1, 2.5f}, {3, 1, 2.5f}, {3, 3, 2.5f}, {-1, 3, 2.5f},
                                  {-1, 1, 3.5f}, {3, 1, 3.5f}, {3, 3, 3.5f}, {-1, 3, 3.5f}};
    for (int i = 0; i < 8; ++i) {
        ExpectVec({box.corners[i].x, box.corners[i].y, box.corners[i].z}, expected[i][0], expected[i][1],
                  expected[i][2]);
        EXPECT_EQ(box.corners[i].w, 1.0f);
    }
    ExpectVec(box.min, -1, 1, 2.5f);
    ExpectVec(box.max, 3, 3, 3.5f);
    EXPECT_EQ(box.merged, 0);
}

TEST(BoundingBoxShape, ZeroExtentIsRaisedToAThousandth) {
    CYBoundingBox box;
    EXPECT_NEAR(box.corners[6].x - box.corners[0].x, 0.002f, 1e-7f);
    EXPECT_NEAR(box.corners[6].y - box.corners[0].y, 0.002f, 1e-7f);
    EXPECT_NEAR(box.corners[6].z - box.corners[0].z, 0.002f, 1e-7f);
    CYBoundingBox set = FlatBox();
    set.Set({0, 0, 0, 1}, {0, 5, -3, 1});
    EXPECT_FLOAT_EQ(set.extent.x, 0.001f);
    EXPECT_FLOAT_EQ(set.extent.y, 5.0f);
    EXPECT_FLOAT_EQ(set.extent.z, 0.001f);
}

TEST(BoundingBoxShape, FacePlanesPointOutOfTheBox) {
    CYBoundingBox box = FlatBox();
    ExpectPlane(box.planes[0], 0, 0, -1, -0.5f);  // bottom
    ExpectPlane(box.planes[1], 1, 0, 0, -2);      // edge 1-2
    ExpectPlane(box.planes[2], 0, 1, 0, -1);      // edge 2-3
    ExpectPlane(box.planes[3], -1, 0, 0, -2);     // edge 3-0
    ExpectPlane(box.planes[4], 0, -1, 0, -1);     // edge 0-1
    ExpectPlane(box.planes[5], 0, 0, 1, -0.5f);   // top
}

TEST(BoundingBoxShape, MirroringTransformKeepsPlanesOutward) {
    CYBoundingBox box = FlatBox();
    Matrix mirror = MatrixIdentity();
    mirror.m[0][0] = -1;
    box.Transform(mirror * MatrixTranslation(10, 0, 0));
    Vec3 centre{10, 0, 0};
    for (const Plane& p : box.planes) EXPECT_LT(PlaneDotCoord(p, centre), 0.0f);
    ExpectPlane(box.planes[1], -1, 0, 0, 8);
}

TEST(BoundingBoxShape, RotationAboutZGivesTheRotatedWorldRange) {
    CYBoundingBox box = FlatBox();
    Matrix m = MatrixRotationZ(kPi / 2) * MatrixTranslation(5, 0, 1);
    box.Transform(m);
    ExpectVec(box.min, 4, -2, 0.5f);
    ExpectVec(box.max, 6, 2, 1.5f);
    EXPECT_EQ(box.worldMatrix, box.localMatrix * m);
    // The face planes turned with the box and still point out of it.
    for (const Plane& p : box.planes) EXPECT_LT(PlaneDotCoord(p, {5, 0, 1}), 0.0f);
}

// ---- Merge --------------------------------------------------------------------------------

TEST(BoundingBoxMerge, UnionOfTwoBoxesBecomesAnAxisAlignedBox) {
    CYBoundingBox a({0, 0, 0, 1}, {1, 1, 1, 1});
    CYBoundingBox b({0, 0, 0, 1}, {1, 1, 1, 1});
    b.Transform(MatrixRotationZ(kPi / 4) * MatrixTranslation(5, 0, 2));
    a.Merge(b);
    float r = std::sqrt(2.0f);
    ExpectVec(a.min, -1, -r, -1);
    ExpectVec(a.max, 5 + r, r, 3);
    ExpectVec({a.origin.x, a.origin.y, a.origin.z}, (4 + r) * 0.5f, 0, 1);
    ExpectVec({a.extent.x, a.extent.y, a.extent.z}, (6 + r) * 0.5f, r, 2);
    EXPECT_EQ(a.origin.w, 1.0f);
    EXPECT_EQ(a.merged, 1);
    ExpectVec({a.corners[0].x, a.corners[0].y, a.corners[0].z}, -1, -r, -1);
    ExpectVec({a.corners[6].x, a.corners[6].y, a.corners[6].z}, 5 + r, r, 3);
}

TEST(BoundingBoxMerge, WithItselfKeepsTheRange) {
    CYBoundingBox box({0.3f, -1.7f, 0.1f, 1}, {2.2f, 0.9f, 0.4f, 1});
    Vec3 lo = box.min, hi = box.max;
    box.Merge(box);
    EXPECT_FLOAT_EQ(box.min.x, lo.x);
    EXPECT_FLOAT_EQ(box.min.y, lo.y);
    EXPECT_FLOAT_EQ(box.min.z, lo.z);
    EXPECT_FLOAT_EQ(box.max.x, hi.x);
    EXPECT_FLOAT_EQ(box.max.y, hi.y);
    EXPECT_FLOAT_EQ(box.max.z, hi.z);
    EXPECT_EQ(box.merged, 1);
}

// ---- Circle sweeps ------------------------------------------------------------------------

struct Approach {
    const char* name;
    Vec3 start;
    Vec3 dir;
    float distance;
    Vec3 contact;
    Vec3 normal;
};

TEST(BoundingBoxSweep, CircleFromEachSideAndCornerHitsWhatItMeets) {
    CYBoundingBox box = FlatBox();
    const float r = 0.5f;
    const float s = std::sqrt(0.5f);
    const Approach cases[] = {
        {"from +x", {10, 0.3f, 0.2f}, {-1, 0, 0}, 7.5f, {2, 0.3f, 0.2f}, {1, 0, 0}},
        {"from -x", {-10, -0.6f, 0}, {1, 0, 0}, 7.5f, {-2, -0.6f, 0}, {-1, 0, 0}},
        {"from +y", {1.5f, 10, 0}, {0, -1, 0}, 8.5f, {1.5f, 1, 0}, {0, 1, 0}},
        {"from -y", {-1.9f, -10, 0}, {0, 1, 0}, 8.5f, {-1.9f, -1, 0}, {0, -1, 0}},
        {"corner +x+y", {7, 6, 0}, {-s, -s, 0}, 5 * std::sqrt(2.0f) - r, {2, 1, 0}, {s, s, 0}},
        {"corner -x+y", {-7, 6, 0}, {s, -s, 0}, 5 * std::sqrt(2.0f) - r, {-2, 1, 0}, {-s, s, 0}},
        {"corner -x-y", {-7, -6, 0}, {s, s, 0}, 5 * std::sqrt(2.0f) - r, {-2, -1, 0}, {-s, -s, 0}},
        {"corner +x-y", {7, -6, 0}, {-s, s, 0}, 5 * std::sqrt(2.0f) - r, {2, -1, 0}, {s, -s, 0}},
    };
    for (const Approach& c : cases) {
        SCOPED_TRACE(c.name);
        float distance = 100.0f;
        Vec3 contact;
        ASSERT_TRUE(box.SegmentTest(c.start, r, c.dir, &distance, &contact));
        EXPECT_NEAR(distance, c.distance, kTol);
        ExpectVec(contact, c.contact.x, c.contact.y, c.contact.z);
        Vec3 n = PushDirection(c.start, c.dir, distance, contact);
        ExpectVec(n, c.normal.x, c.normal.y, c.normal.z);
    }
}

TEST(BoundingBoxSweep, GrazingACornerReportsTheCorner) {
    CYBoundingBox box = FlatBox();
    float distance = 100.0f;
    Vec3 contact;
    // Offset 0.4 beyond the face line with radius 0.5: the rim meets the corner 0.3 early.
    ASSERT_TRUE(box.SegmentTest({10, 1.4f, 0}, 0.5f, {-1, 0, 0}, &distance, &contact));
    EXPECT_NEAR(distance, 7.7f, kTol);
    ExpectVec(contact, 2, 1, 0);
}

TEST(BoundingBoxSweep, ParallelPassBeyondTheRadiusMissesAndChangesNothing) {
    CYBoundingBox box = FlatBox();
    float distance = 100.0f;
    Vec3 contact{-7, -7, -7};
    EXPECT_FALSE(box.SegmentTest({10, 1.6f, 0}, 0.5f, {-1, 0, 0}, &distance, &contact));
    // The side planes are met beside their edges; those touches must not lower the distance.
    EXPECT_FALSE(box.SegmentTest({10, 3, 0}, 0.5f, {-1, -0.0f, 0}, &distance, &contact));
    EXPECT_FALSE(box.SegmentTest({10, 5, 0}, 0.5f, {-std::sqrt(0.5f), -std::sqrt(0.5f), 0}, &distance, &contact));
    EXPECT_EQ(distance, 100.0f);
    ExpectVec(contact, -7, -7, -7, 0);
}

TEST(BoundingBoxSweep, MoverMovingAwayOrFromInsideNeverHits) {
    CYBoundingBox box = FlatBox();
    float distance = 100.0f;
    Vec3 contact;
    EXPECT_FALSE(box.SegmentTest({10, 0, 0}, 0.5f, {1, 0, 0}, &distance, &contact));
    EXPECT_FALSE(box.SegmentTest({3, 2, 0}, 0.5f, {0.6f, 0.8f, 0}, &distance, &contact));
    // A mover caught inside is let out.
    EXPECT_FALSE(box.SegmentTest({0, 0, 0}, 0.5f, {1, 0, 0}, &distance, &contact));
    EXPECT_EQ(distance, 100.0f);
}

TEST(BoundingBoxSweep, OnlyANearerHitReplacesTheDistance) {
    CYBoundingBox box = FlatBox();
    float distance = 7.0f;
    Vec3 contact{1, 1, 1};
    EXPECT_FALSE(box.SegmentTest({10, 0, 0}, 0.5f, {-1, 0, 0}, &distance, &contact));
    EXPECT_EQ(distance, 7.0f);
    ExpectVec(contact, 1, 1, 1, 0);
    // A nearer box afterwards wins.
    CYBoundingBox near = FlatBox();
    near.Transform(MatrixTranslation(5, 0, 0));
    EXPECT_TRUE(near.SegmentTest({10, 0, 0}, 0.5f, {-1, 0, 0}, &distance, &contact));
    EXPECT_NEAR(distance, 2.5f, kTol);
}

TEST(BoundingBoxSweep, FaceOfATranslatedBoxIsHitDespiteRounding) {
    // Off-grid positions make the face's single x value and the touching point differ in
    // their last bits; the face must still stop the circle rather than the corners.
    for (float y : {0.1f, 0.37f, 0.7f, 1.3f}) {
        SCOPED_TRACE(y);
        CYBoundingBox box({0, 0, 0, 1}, {0.3f, 0.7f, 0.5f, 1});
        box.Transform(MatrixTranslation(3.1f, 0.7f, 0.2f));
        float distance = 100.0f;
        Vec3 contact;
        ASSERT_TRUE(box.SegmentTest({10.3f, y, 0.2f}, 0.35f, {-1, 0, 0}, &distance, &contact));
        EXPECT_NEAR(distance, 10.3f - 0.35f - 3.4f, kTol);
        EXPECT_NEAR(contact.x, 3.4f, kTol);
        EXPECT_NEAR(contact.y, y, kTol);
    }
}

TEST(BoundingBoxSweep, RotatedBoxStopsTheCircleAtItsTurnedFace) {
    CYBoundingBox box = FlatBox();
    // Turned by 30 degrees and moved: the +x face now faces (cos 30, sin 30).
    float a = kPi / 6;
    box.Transform(MatrixRotationZ(a) * MatrixTranslation(4, 3, 0));
    Vec3 n{std::cos(a), std::sin(a), 0};
    Vec3 faceCentre = Vec3{4, 3, 0} + n * 2.0f;
    Vec3 start = faceCentre + n * 6.0f;
    float distance = 100.0f;
    Vec3 contact;
    ASSERT_TRUE(box.SegmentTest(start, 0.5f, -n, &distance, &contact));
    EXPECT_NEAR(distance, 5.5f, kTol);
    ExpectVec(contact, faceCentre.x, faceCentre.y, 0);
    ExpectVec(PushDirection(start, -n, distance, contact), n.x, n.y, 0);
}

// ---- Rays ---------------------------------------------------------------------------------

TEST(BoundingBoxRay, RayFromOutsideHitsTheNearFace) {
    CYBoundingBox box = FlatBox();
    float distance = 100.0f;
    Vec4 point;
    Plane plane;
    EXPECT_EQ(box.IntersectRay({10, 0.2f, 0.3f, 1}, {-1, 0, 0, 0}, &point, &distance, &plane), 1.0f);
    EXPECT_NEAR(distance, 8.0f, kTol);
    ExpectVec({point.x, point.y, point.z}, 2, 0.2f, 0.3f);
    ExpectPlane(plane, 1, 0, 0, -2);
    // From above, with a direction of length 2: distance in units of the direction.
    distance = 100.0f;
    EXPECT_EQ(box.IntersectRay({-1, -0.5f, 10.5f, 1}, {0, 0, -2, 0}, &point, &distance, &plane), 1.0f);
    EXPECT_NEAR(distance, 5.0f, kTol);
    ExpectPlane(plane, 0, 0, 1, -0.5f);
}

TEST(BoundingBoxRay, RaysBesideTheDiagonalBetweenAFacesTrianglesHit) {
    // Just either side of the diagonal that the face's two triangles share: on the +x face
    // and on the top face. On the diagonal itself the triangles' own rounding decides.
    CYBoundingBox box = FlatBox();
    for (float u = -0.95f; u < 1.0f; u += 0.05f) {
        for (float side : {-0.01f, 0.01f}) {
            SCOPED_TRACE(testing::Message() << u << " " << side);
            float distance = 100.0f;
            Vec4 point;
            Plane plane;
            EXPECT_EQ(box.IntersectRay({10, u, u * 0.5f + side, 1}, {-1, 0, 0, 0}, &point, &distance, &plane), 1.0f);
            ExpectPlane(plane, 1, 0, 0, -2);
            distance = 100.0f;
            EXPECT_EQ(box.IntersectRay({2 * u, u + side, 9, 1}, {0, 0, -1, 0}, &point, &distance, &plane), 1.0f);
            ExpectPlane(plane, 0, 0, 1, -0.5f);
        }
    }
}

TEST(BoundingBoxRay, RayOnTheTopFacesLeftBorderHits) {
    // The border x = -2 is the second triangle's c->a edge, vertical in the projection:
    // it does not count, so the point counts one edge and lies in the face.
    CYBoundingBox box = FlatBox();
    float distance = 100.0f;
    Vec4 point;
    Plane plane;
    EXPECT_EQ(box.IntersectRay({-2, 0, 9, 1}, {0, 0, -1, 0}, &point, &distance, &plane), 1.0f);
    EXPECT_NEAR(distance, 8.5f, kTol);
    ExpectPlane(plane, 0, 0, 1, -0.5f);
}

TEST(BoundingBoxRay, ParallelMissingAndFartherRaysReportNothing) {
    CYBoundingBox box = FlatBox();
    float distance = 100.0f;
    Vec4 point{9, 9, 9, 9};
    Plane plane{9, 9, 9, 9};
    // Parallel to the top face, just above it.
    EXPECT_EQ(box.IntersectRay({-10, 0, 0.6f, 1}, {1, 0, 0, 0}, &point, &distance, &plane), 0.0f);
    // Beside the box.
    EXPECT_EQ(box.IntersectRay({10, 1.5f, 0, 1}, {-1, 0, 0, 0}, &point, &distance, &plane), 0.0f);
    // Pointing away.
    EXPECT_EQ(box.IntersectRay({10, 0, 0, 1}, {1, 0, 0, 0}, &point, &distance, &plane), 0.0f);
    EXPECT_EQ(distance, 100.0f);
    // A hit beyond the distance already found.
    distance = 7.0f;
    EXPECT_EQ(box.IntersectRay({10, 0, 0, 1}, {-1, 0, 0, 0}, &point, &distance, &plane), 0.0f);
    EXPECT_EQ(distance, 7.0f);
    EXPECT_EQ(point.x, 9.0f);
    EXPECT_EQ(plane.a, 9.0f);
}

TEST(BoundingBoxRay, RayFromInsideHitsTheFaceItLeaves) {
    CYBoundingBox box = FlatBox();
    float distance = 100.0f;
    Vec4 point;
    Plane plane;
    EXPECT_EQ(box.IntersectRay({0, 0.2f, 0, 1}, {1, 0, 0, 0}, &point, &distance, &plane), 1.0f);
    EXPECT_NEAR(distance, 2.0f, kTol);
    ExpectVec({point.x, point.y, point.z}, 2, 0.2f, 0);
    ExpectPlane(plane, 1, 0, 0, -2);
    // Upwards from inside: the top face; a face already nearer than that is kept.
    distance = 100.0f;
    EXPECT_EQ(box.IntersectRay({0.5f, 0, 0, 1}, {0, 0, 1, 0}, &point, &distance, &plane), 1.0f);
    EXPECT_NEAR(distance, 0.5f, kTol);
    ExpectPlane(plane, 0, 0, 1, -0.5f);
    distance = 0.25f;
    EXPECT_EQ(box.IntersectRay({0.5f, 0, 0, 1}, {0, 0, 1, 0}, &point, &distance, &plane), 0.0f);
}

TEST(BoundingBoxRay, RotatedBoxIsHitOnItsTurnedFace) {
    CYBoundingBox box = FlatBox();
    box.Transform(MatrixRotationZ(kPi / 2) * MatrixTranslation(0, 10, 0));
    // Extent 2 along x now lies along y: the -y face is at y = 8.
    float distance = 100.0f;
    Vec4 point;
    Plane plane;
    EXPECT_EQ(box.IntersectRay({0.5f, 0, 0, 1}, {0, 1, 0, 0}, &point, &distance, &plane), 1.0f);
    EXPECT_NEAR(distance, 8.0f, kTol);
    ExpectVec({point.x, point.y, point.z}, 0.5f, 8, 0);
    ExpectPlane(plane, 0, -1, 0, 8);
}

}  // namespace
