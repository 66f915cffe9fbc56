#include "render/YBoundingBox.h"

#include <initializer_list>

#include "core/YUtils.h"

using math::Matrix;
using math::Plane;
using math::Vec3;
using math::Vec4;

namespace {

// Half sizes are never thinner than this, so that every face spans a plane.
constexpr float kMinExtent = 0.001f;
// A touching point this close to an edge's range still counts: the range of an
// axis-aligned face is a single value along one axis.
constexpr float kEdgeTolerance = 0.001f;

// Corner signs in the fixed corner order.
constexpr float kSignX[8] = {-1, 1, 1, -1, -1, 1, 1, -1};
constexpr float kSignY[8] = {-1, -1, 1, 1, -1, -1, 1, 1};
constexpr float kSignZ[8] = {-1, -1, -1, -1, 1, 1, 1, 1};

// Per face in plane order (bottom, sides along the edges 1-2, 2-3, 3-0, 0-1, top): three
// corners whose plane normal points out of an unmirrored box, and the face's two triangles.
constexpr int kPlaneCorners[6][3] = {{0, 2, 1}, {1, 2, 5}, {2, 3, 6}, {3, 0, 7}, {0, 1, 4}, {4, 5, 6}};
constexpr int kFaceTriangles[6][2][3] = {{{0, 1, 2}, {0, 2, 3}}, {{1, 2, 6}, {1, 6, 5}}, {{2, 3, 7}, {2, 7, 6}},
                                         {{3, 0, 4}, {3, 4, 7}}, {{0, 1, 5}, {0, 5, 4}}, {{4, 5, 6}, {4, 6, 7}}};
// The side faces' bottom edges, in plane order (planes 1 to 4).
constexpr int kSideEdges[4][2] = {{1, 2}, {2, 3}, {3, 0}, {0, 1}};

Vec3 XYZ(const Vec4& v) { return {v.x, v.y, v.z}; }

bool InRange(float value, float a, float b) {
    float lo = a < b ? a : b;
    float hi = a < b ? b : a;
    return value >= lo - kEdgeTolerance && value <= hi + kEdgeTolerance;
}

}  // namespace

CYBoundingBox::CYBoundingBox() { ComputeCorners(localMatrix); }

CYBoundingBox::CYBoundingBox(const Vec4& origin_, const Vec4& extent_) : origin(origin_), extent(extent_) {
    ComputeCorners(localMatrix);
}

void CYBoundingBox::Set(const Vec4& origin_, const Vec4& extent_) {
    origin = origin_;
    extent = extent_;
    ComputeCorners(localMatrix);
}

void CYBoundingBox::Transform(const Matrix& m) {
    worldMatrix = localMatrix * m;
    ComputeCorners(worldMatrix);
}

void CYBoundingBox::Merge(const CYBoundingBox& other) {
    Vec3 lo{other.min.x < min.x ? other.min.x : min.x, other.min.y < min.y ? other.min.y : min.y,
            other.min.z < min.z ? other.min.z : min.z};
    Vec3 hi{other.max.x > max.x ? other.max.x : max.x, other.max.y > max.y ? other.max.y : max.y,
            other.max.z > max.z ? other.max.z : max.z};
    min = lo;
    max = hi;
    merged = 1;
    extent = {(hi.x - lo.x) * 0.5f, (hi.y - lo.y) * 0.5f, (hi.z - lo.z) * 0.5f, 1.0f};
    origin = {lo.x + extent.x, lo.y + extent.y, lo.z + extent.z, 1.0f};
    ComputeCorners(localMatrix);
}

void CYBoundingBox::ComputeCorners(const Matrix& t) {
    // Also catches a NaN half size from bad data.
    if (!(extent.x >= kMinExtent)) extent.x = kMinExtent;
    if (!(extent.y >= kMinExtent)) extent.y = kMinExtent;
    if (!(extent.z >= kMinExtent)) extent.z = kMinExtent;

    Vec3 centre;
    for (int i = 0; i < 8; ++i) {
        Vec4 c{origin.x + kSignX[i] * extent.x, origin.y + kSignY[i] * extent.y, origin.z + kSignZ[i] * extent.z,
               1.0f};
        corners[i] = math::Vec4Transform(c, t);
        centre += XYZ(corners[i]) * 0.125f;
    }

    for (int f = 0; f < 6; ++f) {
        const int* k = kPlaneCorners[f];
        Plane p = math::PlaneFromPoints(XYZ(corners[k[0]]), XYZ(corners[k[1]]), XYZ(corners[k[2]]));
        // A mirroring matrix turns the winding round; the normals still point outwards.
        if (math::PlaneDotCoord(p, centre) > 0.0f) p = {-p.a, -p.b, -p.c, -p.d};
        planes[f] = p;
    }

    min = max = XYZ(corners[0]);
    for (int i = 1; i < 8; ++i) {
        const Vec4& c = corners[i];
        if (c.x < min.x) min.x = c.x;
        if (c.y < min.y) min.y = c.y;
        if (c.z < min.z) min.z = c.z;
        if (c.x > max.x) max.x = c.x;
        if (c.y > max.y) max.y = c.y;
        if (c.z > max.z) max.z = c.z;
    }
}

bool CYBoundingBox::SegmentTest(const Vec3& start, float r, const Vec3& dir, float* distance, Vec3* contact) const {
    if (!distance) return false;
    bool hit = false;
    for (int k = 0; k < 4; ++k) {
        const Vec4& a = corners[kSideEdges[k][0]];
        const Vec4& b = corners[kSideEdges[k][1]];

        // The face plane, turned to face inwards: the swept-sphere helper expects the mover
        // behind the plane, and a mover outside the box is in front of the outward face.
        // It works on a copy of the distance so that a touch beside the edge changes nothing.
        const Plane& face = planes[k + 1];
        Plane inward{-face.a, -face.b, -face.c, -face.d};
        float travel = *distance;
        Vec3 touch;
        if (SegmentCrossesPlane(inward, start, r, dir, &travel, &touch) && InRange(touch.x, a.x, b.x) &&
            InRange(touch.y, a.y, b.y)) {
            *distance = travel;
            if (contact) *contact = touch;
            hit = true;
        }

        // The edge's corners: how far the circle travels until its rim reaches one, found
        // by running back from the corner to the circle at the start.
        for (const Vec4* c : {&a, &b}) {
            float t = RayCircleDistance2D(c->x, c->y, -dir.x, -dir.y, start.x, start.y, r);
            if (t >= 0.0f && t < *distance) {
                *distance = t;
                if (contact) *contact = {c->x, c->y, start.z + t * dir.z};
                hit = true;
            }
        }
    }
    return hit;
}

float CYBoundingBox::IntersectRay(const Vec4& rayOrigin, const Vec4& rayDir, Vec4* point, float* distance,
                                  Plane* plane) const {
    if (!distance) return 0.0f;
    Vec3 o = XYZ(rayOrigin), v = XYZ(rayDir);
    float result = 0.0f;
    for (int f = 0; f < 6; ++f) {
        // Any face ahead counts, entered or left: a ray from inside the box hits the face
        // it leaves, one from outside the nearer face it enters.
        float t = RayPlaneDistance(o, v, planes[f]);
        if (!(t >= 0.0f) || !(t < *distance)) continue;
        Vec3 p = o + v * t;
        bool inside = false;
        for (const auto& tri : kFaceTriangles[f])
            if (TriangleTest(p, XYZ(corners[tri[0]]), XYZ(corners[tri[1]]), XYZ(corners[tri[2]]))) inside = true;
        if (!inside) continue;
        *distance = t;
        if (point) *point = {p.x, p.y, p.z, 1.0f};
        if (plane) *plane = planes[f];
        result = 1.0f;
    }
    return result;
}
