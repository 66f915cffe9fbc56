// An oriented box: an origin and half sizes in the box's own space, carried into world
// space by a matrix. It keeps its world corners, face planes and world range current so
// that the collision and ray tests need no recomputation. The members are the record
// that the bounding-box drawer receives, so their order is fixed.
#pragma once
#include <cstdint>

#include "platform/math/Math.h"

class CYBoundingBox {
public:
    // Origin (0, 0, 0), extent 0 (0.001 once clamped), identity matrices.
    CYBoundingBox();
    // A box of the given centre and half sizes; corners computed with the local matrix.
    CYBoundingBox(const math::Vec4& origin, const math::Vec4& extent);
    virtual ~CYBoundingBox() = default;
    CYBoundingBox(const CYBoundingBox&) = default;
    CYBoundingBox& operator=(const CYBoundingBox&) = default;

    // Stores the centre and half sizes and recomputes the corners with the local matrix.
    void Set(const math::Vec4& origin, const math::Vec4& extent);
    // worldMatrix = localMatrix * m; corners, planes and range recomputed with it.
    void Transform(const math::Matrix& m);
    // Becomes the axis-aligned union of both boxes' world ranges; merged = 1.
    void Merge(const CYBoundingBox& other);
    // Sweeps a circle of radius r from start along the unit floor direction dir against
    // the four side faces. On a hit nearer than *distance: *distance is the travel,
    // *contact the point of the box touched, and the result is true.
    bool SegmentTest(const math::Vec3& start, float r, const math::Vec3& dir, float* distance,
                     math::Vec3* contact) const;
    // The ray against the faces it enters. On a hit at 0 <= t < *distance (in units of the
    // direction's length): *distance = t, *point the hit point, *plane the face; 1.0.
    // Otherwise 0 and nothing is written.
    float IntersectRay(const math::Vec4& rayOrigin, const math::Vec4& rayDir, math::Vec4* point, float* distance,
                       math::Plane* plane) const;

    math::Vec4 origin{0, 0, 0, 1};
    math::Vec4 extent{0, 0, 0, 1};
    math::Matrix localMatrix = math::MatrixIdentity();
    // World corners: (-x,-y,-z), (+x,-y,-z), (+x,+y,-z), (-x,+y,-z), then the same with +z.
    math::Vec4 corners[8];
    math::Vec3 min;
    math::Vec3 max;
    uint8_t merged = 0;
    math::Matrix worldMatrix = math::MatrixIdentity();
    // Bottom, the sides along the edges 1-2, 2-3, 3-0, 0-1, top; normals point outwards.
    math::Plane planes[6];

private:
    void ComputeCorners(const math::Matrix& t);
};
