// Vectors, planes, quaternions and 4x4 matrices with the conventions the engine's data
// assumes: row vectors (v' = v M), translation in the fourth row, A*B applies A first,
// left-handed coordinates with z up. Angles are in radians.
#pragma once
#include <cmath>

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

// True when every component is a finite number (no NaN, no infinity).
inline bool IsFinite(const Vec3& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }
inline bool IsFinite(const Vec4& v) {
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z) && std::isfinite(v.w);
}
inline bool IsFinite(const Matrix& m) {
    for (const auto& row : m.m)
        for (float f : row)
            if (!std::isfinite(f)) return false;
    return true;
}

inline float Dot(const Vec3& a, const Vec3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline Vec3 Cross(const Vec3& a, const Vec3& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
// a x + b y + c z + d for the point.
inline float PlaneDotCoord(const Plane& p, const Vec3& v) { return p.a * v.x + p.b * v.y + p.c * v.z + p.d; }
// a x + b y + c z for the direction.
inline float PlaneDotNormal(const Plane& p, const Vec3& v) { return p.a * v.x + p.b * v.y + p.c * v.z; }

// Vectors.
// Length of the vector.
float Vec3Length(const Vec3& v);
// Squared length.
float Vec3LengthSq(const Vec3& v);
// The vector scaled to length 1; the zero vector stays zero.
Vec3 Vec3Normalize(const Vec3& v);
// a + (b - a) s.
Vec3 Vec3Lerp(const Vec3& a, const Vec3& b, float s);
// (v, 1) M, not divided by w.
Vec4 Vec3Transform(const Vec3& v, const Matrix& m);
// v M for a four-component vector.
Vec4 Vec4Transform(const Vec4& v, const Matrix& m);
// (v, 1) M divided by its w (left undivided when w is 0).
Vec3 Vec3TransformCoord(const Vec3& v, const Matrix& m);
// (v, 0) M: a direction, the translation ignored.
Vec3 Vec3TransformNormal(const Vec3& v, const Matrix& m);

// Matrices.
Matrix MatrixIdentity();
// a b: a applied first, then b.
Matrix MatrixMultiply(const Matrix& a, const Matrix& b);
inline Matrix operator*(const Matrix& a, const Matrix& b) { return MatrixMultiply(a, b); }
bool operator==(const Matrix& a, const Matrix& b);
inline bool operator!=(const Matrix& a, const Matrix& b) { return !(a == b); }
Matrix MatrixTranslation(float x, float y, float z);
// Rotations by an angle about the x, y and z axes (clockwise looking along the axis
// towards the origin, as left-handed coordinates turn).
Matrix MatrixRotationX(float angle);
Matrix MatrixRotationY(float angle);
Matrix MatrixRotationZ(float angle);
// Roll about z, then pitch about x, then yaw about y: Rz(roll) Rx(pitch) Ry(yaw).
Matrix MatrixRotationYawPitchRoll(float yaw, float pitch, float roll);
// The rotation of a quaternion, used as given (not normalised).
Matrix MatrixRotationQuaternion(const Quat& q);
Matrix MatrixTranspose(const Matrix& m);
// The inverse of m; false (and out untouched) when m is singular. det receives the
// determinant when not null.
bool MatrixInverse(const Matrix& m, Matrix* out, float* det = nullptr);
// Reflection in a plane (the plane is normalised first).
Matrix MatrixReflect(const Plane& plane);
// Left-handed view matrix of an eye looking at a point, with an up direction.
Matrix MatrixLookAtLH(const Vec3& eye, const Vec3& at, const Vec3& up);
// Left-handed perspective projection: vertical field of view, aspect width / height,
// near and far distances; depth maps to 0..1.
Matrix MatrixPerspectiveFovLH(float fovY, float aspect, float zNear, float zFar);
// Left-handed orthographic projection of the box left..right, bottom..top, zNear..zFar.
Matrix MatrixOrthoOffCenterLH(float left, float right, float bottom, float top, float zNear, float zFar);

// Planes.
// The plane through three points, its normal (p2 - p1) x (p3 - p1) normalised.
Plane PlaneFromPoints(const Vec3& p1, const Vec3& p2, const Vec3& p3);

}  // namespace math
