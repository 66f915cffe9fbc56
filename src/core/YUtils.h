// Small string and geometry helpers shared by the parsers and the collision code.
#pragma once
#include <string>

#include "platform/math/Math.h"

// Blank, tab, carriage return or line feed.
bool IsSpace(char c);
// Removes leading and trailing IsSpace characters in place.
void Trim(std::string& s);
// Every character a digit, '.' or '-' (true for the empty string).
bool IsFloatString(const std::string& s);
// Every character a digit or '-' (true for the empty string).
bool IsIntString(const std::string& s);
// True for exactly "true".
bool StringToBool(const std::string& s);
// Lower-cases every character in place (C locale, bytes above 127 unchanged).
void ToLower(std::string& s);

// Result of ClassifyPointPlane.
enum : int { PLANE_FRONT = 1, PLANE_BEHIND = 16, PLANE_ON = 256 };

// t = -(n.p + d) / (n.v), or -1 when n.v is 0.
float RayPlaneDistance(const math::Vec3& p, const math::Vec3& v, const math::Plane& plane);
// As RayPlaneDistance, only for a ray running against the normal (n.v < 0); else -1.
float RayPlaneDistanceFront(const math::Vec3& p, const math::Vec3& v, const math::Plane& plane);
// t = -(n.p - n.q) / (n.v) for the plane through q with normal n, or -1 when n.v is 0.
float RayPlaneDistanceThroughPoint(const math::Vec3& p, const math::Vec3& v, const math::Vec3& q, const math::Vec3* n);
// The same with the four vectors as twelve floats.
float RayPlaneDistanceThroughPointF(float px, float py, float pz, float vx, float vy, float vz, float qx, float qy,
                                    float qz, float nx, float ny, float nz);
// PLANE_BEHIND when n.p + d < -0.001, PLANE_FRONT when > 0.001, else PLANE_ON.
int ClassifyPointPlane(const math::Vec3& p, const math::Plane& plane);
// A sphere of radius r at c moving along v against a plane it approaches from behind:
// true, with best and contact updated, when it meets the plane nearer than best.
bool SegmentCrossesPlane(const math::Plane& plane, const math::Vec3& c, float r, const math::Vec3& v, float* best,
                         math::Vec3* contact);
// Distance along the unit direction v from o to a circle of radius r at m; -1 when missed.
float RayCircleDistance2D(float ox, float oy, float vx, float vy, float mx, float my, float r);
// True when p lies inside the projection of the triangle abc.
bool TriangleTest(const math::Vec3& p, const math::Vec3& a, const math::Vec3& b, const math::Vec3& c);
// True when two axis-aligned rectangles given by centre and half sizes overlap.
bool BoxesOverlap2D(float x1, float y1, float w1, float h1, float x2, float y2, float w2, float h2);
