// Vectors, planes, quaternions and 4x4 matrices with the conventions the engine's data
// assumes: row vectors (v' = v M), translation in the fourth row, A*B applies A first,
// left-handed coordinates with z up.
#pragma once

namespace math {

struct Vec2 {
    float x = 0, y = 0;
};

struct Vec3 {
    float x = 0, y = 0, z = 0;
    Vec3() = default;
    constexpr Vec3(float x_, float y_, float z_) : x(x_), y(y_), z(z_) {}
    Vec3 operator+(const Vec3& o) const { return {x + o.x, y + o.y, z + o.z}; }
    Vec3 operator-(const Vec3& o) const { return {x - o.x, y - o.y, z - o.z}; }
    Vec3 operator-() const { return {-x, -y, -z}; }
    Vec3 operator*(float s) const { return {x * s, y * s, z * s}; }
    Vec3 operator/(float s) const { return {x / s, y / s, z / s}; }
    Vec3& operator+=(const Vec3& o) { x += o.x; y += o.y; z += o.z; return *this; }
    Vec3& operator-=(const Vec3& o) { x -= o.x; y -= o.y; z -= o.z; return *this; }
    Vec3& operator*=(float s) { x *= s; y *= s; z *= s; return *this; }
    bool operator==(const Vec3& o) const { return x == o.x && y == o.y && z == o.z; }
    bool operator!=(const Vec3& o) const { return !(*this == o); }
};

struct Vec4 {
    float x = 0, y = 0, z = 0, w = 0;
};

// A plane a x + b y + c z + d = 0; (a, b, c) is the normal.
struct Plane {
    float a = 0, b = 0, c = 0, d = 0;
};

// A quaternion (x, y, z, w).
struct Quat {
    float x = 0, y = 0, z = 0, w = 1;
};

// A 4x4 matrix, m[row][column].
struct Matrix {
    float m[4][4] = {};
};

inline float Dot(const Vec3& a, const Vec3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline Vec3 Cross(const Vec3& a, const Vec3& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
// a x + b y + c z + d for the point.
inline float PlaneDotCoord(const Plane& p, const Vec3& v) { return p.a * v.x + p.b * v.y + p.c * v.z + p.d; }
// a x + b y + c z for the direction.
inline float PlaneDotNormal(const Plane& p, const Vec3& v) { return p.a * v.x + p.b * v.y + p.c * v.z; }

}  // namespace math
