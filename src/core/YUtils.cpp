#include "core/YUtils.h"

#include <cctype>
#include <cmath>

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

void Trim(std::string& s) {
    size_t b = 0;
    while (b < s.size() && IsSpace(s[b])) ++b;
    size_t e = s.size();
    while (e > b && IsSpace(s[e - 1])) --e;
    s = s.substr(b, e - b);
}

bool IsFloatString(const std::string& s) {
    for (char c : s)
        if (!(std::isdigit(static_cast<unsigned char>(c)) || c == '.' || c == '-')) return false;
    return true;
}

bool IsIntString(const std::string& s) {
    for (char c : s)
        if (!(std::isdigit(static_cast<unsigned char>(c)) || c == '-')) return false;
    return true;
}

bool StringToBool(const std::string& s) { return s == "true"; }

void ToLower(std::string& s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

using math::Plane;
using math::Vec3;

float RayPlaneDistance(const Vec3& p, const Vec3& v, const Plane& plane) {
    float nv = math::PlaneDotNormal(plane, v);
    if (nv == 0.0f) return -1.0f;
    return -math::PlaneDotCoord(plane, p) / nv;
}

float RayPlaneDistanceFront(const Vec3& p, const Vec3& v, const Plane& plane) {
    float nv = math::PlaneDotNormal(plane, v);
    if (!(nv < 0.0f)) return -1.0f;
    return -math::PlaneDotCoord(plane, p) / nv;
}

float RayPlaneDistanceThroughPoint(const Vec3& p, const Vec3& v, const Vec3& q, const Vec3* n) {
    if (!n) return -1.0f;
    float nv = math::Dot(*n, v);
    if (nv == 0.0f) return -1.0f;
    return -(math::Dot(*n, p) - math::Dot(*n, q)) / nv;
}

float RayPlaneDistanceThroughPointF(float px, float py, float pz, float vx, float vy, float vz, float qx, float qy,
                                    float qz, float nx, float ny, float nz) {
    Vec3 n{nx, ny, nz};
    return RayPlaneDistanceThroughPoint({px, py, pz}, {vx, vy, vz}, {qx, qy, qz}, &n);
}

int ClassifyPointPlane(const Vec3& p, const Plane& plane) {
    float s = math::PlaneDotCoord(plane, p);
    if (s < -0.001f) return PLANE_BEHIND;
    if (s > 0.001f) return PLANE_FRONT;
    return PLANE_ON;
}

bool SegmentCrossesPlane(const Plane& plane, const Vec3& c, float r, const Vec3& v, float* best, Vec3* contact) {
    if (ClassifyPointPlane(c, plane) == PLANE_FRONT) return false;
    Vec3 n{plane.a, plane.b, plane.c};
    Vec3 q = c + n * r;
    if (ClassifyPointPlane(q, plane) == PLANE_FRONT) {
        float t0 = RayPlaneDistance(c, n, plane);
        q = c + n * t0;
    }
    float t = RayPlaneDistance(q, v, plane);
    if (!(t > 0.0f)) return false;
    if (best && t >= *best) return false;
    if (best) *best = t;
    if (contact) *contact = q + v * t;
    return true;
}

float RayCircleDistance2D(float ox, float oy, float vx, float vy, float mx, float my, float r) {
    float ex = mx - ox, ey = my - oy;
    float p = ex * vx + ey * vy;
    float dist = std::sqrt(ex * ex + ey * ey);
    float disc = r * r - (dist * dist - p * p);
    if (disc >= 0.0f) return p - std::sqrt(disc);
    return -1.0f;
}

namespace {
// Counts the edge A->B when the point's u lies in the edge's u range (half-open: the lower
// end in, the upper end out, in either direction; closed for c->a) and its w is at or
// below the edge's w there, interpolated from A: wA + (u - uA) * (wB - wA) / (uB - uA).
// An edge with uA == uB gives no number there (0 / 0), so it never counts.
bool EdgeCounts(float pu, float pw, float au, float aw, float bu, float bw, bool closed) {
    const float lo = au < bu ? au : bu;
    const float hi = au < bu ? bu : au;
    const bool inside = closed ? (pu >= lo && pu <= hi) : (pu >= lo && pu < hi);
    if (!inside || au == bu) return false;
    const float w = aw + (pu - au) * (bw - aw) / (bu - au);
    return pw <= w;
}
}  // namespace

bool TriangleTest(const Vec3& p, const Vec3& a, const Vec3& b, const Vec3& c) {
    Vec3 n = math::Cross(a - b, c - b);
    float nx = std::fabs(n.x), ny = std::fabs(n.y), nz = std::fabs(n.z);
    // Pick the two coordinates kept by the projection.
    auto pick = [](const Vec3& v, int axis, float& u, float& w) {
        if (axis == 2) { u = v.x; w = v.y; }
        else if (axis == 1) { u = v.x; w = v.z; }
        else { u = v.y; w = v.z; }
    };
    int drop;
    if (nz >= nx && nz > ny) drop = 2;
    else if (ny >= nz && ny >= nx) drop = 1;
    else if (nz <= nx && ny <= nx) drop = 0;
    else return false;
    float pu, pw, au, aw, bu, bw, cu, cw;
    pick(p, drop, pu, pw);
    pick(a, drop, au, aw);
    pick(b, drop, bu, bw);
    pick(c, drop, cu, cw);
    int count = 0;
    if (EdgeCounts(pu, pw, au, aw, bu, bw, false)) ++count;
    if (EdgeCounts(pu, pw, bu, bw, cu, cw, false)) ++count;
    if (EdgeCounts(pu, pw, cu, cw, au, aw, true)) ++count;
    return count == 1;
}

bool BoxesOverlap2D(float x1, float y1, float w1, float h1, float x2, float y2, float w2, float h2) {
    return w1 + w2 >= std::fabs(x1 - x2) && h1 + h2 >= std::fabs(y1 - y2);
}
