#include "platform/math/Math.h"

#include <cmath>

namespace math {

float Vec3Length(const Vec3& v) { return std::sqrt(Vec3LengthSq(v)); }

float Vec3LengthSq(const Vec3& v) { return v.x * v.x + v.y * v.y + v.z * v.z; }

Vec3 Vec3Normalize(const Vec3& v) {
    float length = Vec3Length(v);
    if (length == 0.0f) return {0, 0, 0};
    return v / length;
}

Vec3 Vec3Lerp(const Vec3& a, const Vec3& b, float s) {
    return {a.x + (b.x - a.x) * s, a.y + (b.y - a.y) * s, a.z + (b.z - a.z) * s};
}

Vec4 Vec4Transform(const Vec4& v, const Matrix& m) {
    Vec4 r;
    r.x = v.x * m.m[0][0] + v.y * m.m[1][0] + v.z * m.m[2][0] + v.w * m.m[3][0];
    r.y = v.x * m.m[0][1] + v.y * m.m[1][1] + v.z * m.m[2][1] + v.w * m.m[3][1];
    r.z = v.x * m.m[0][2] + v.y * m.m[1][2] + v.z * m.m[2][2] + v.w * m.m[3][2];
    r.w = v.x * m.m[0][3] + v.y * m.m[1][3] + v.z * m.m[2][3] + v.w * m.m[3][3];
    return r;
}

Vec4 Vec3Transform(const Vec3& v, const Matrix& m) { return Vec4Transform(Vec4{v.x, v.y, v.z, 1.0f}, m); }

Vec3 Vec3TransformCoord(const Vec3& v, const Matrix& m) {
    Vec4 r = Vec3Transform(v, m);
    if (r.w == 0.0f) return {r.x, r.y, r.z};
    return {r.x / r.w, r.y / r.w, r.z / r.w};
}

Vec3 Vec3TransformNormal(const Vec3& v, const Matrix& m) {
    Vec4 r = Vec4Transform(Vec4{v.x, v.y, v.z, 0.0f}, m);
    return {r.x, r.y, r.z};
}

Matrix MatrixIdentity() {
    Matrix r;
    for (int i = 0; i < 4; ++i) r.m[i][i] = 1.0f;
    return r;
}

Matrix MatrixMultiply(const Matrix& a, const Matrix& b) {
    Matrix r;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            r.m[i][j] = a.m[i][0] * b.m[0][j] + a.m[i][1] * b.m[1][j] + a.m[i][2] * b.m[2][j] + a.m[i][3] * b.m[3][j];
    return r;
}

bool operator==(const Matrix& a, const Matrix& b) {
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            if (a.m[i][j] != b.m[i][j]) return false;
    return true;
}

Matrix MatrixTranslation(float x, float y, float z) {
    Matrix r = MatrixIdentity();
    r.m[3][0] = x;
    r.m[3][1] = y;
    r.m[3][2] = z;
    return r;
}

Matrix MatrixRotationX(float angle) {
    float c = std::cos(angle), s = std::sin(angle);
    Matrix r = MatrixIdentity();
    r.m[1][1] = c;
    r.m[1][2] = s;
    r.m[2][1] = -s;
    r.m[2][2] = c;
    return r;
}

Matrix MatrixRotationY(float angle) {
    float c = std::cos(angle), s = std::sin(angle);
    Matrix r = MatrixIdentity();
    r.m[0][0] = c;
    r.m[0][2] = -s;
    r.m[2][0] = s;
    r.m[2][2] = c;
    return r;
}

Matrix MatrixRotationZ(float angle) {
    float c = std::cos(angle), s = std::sin(angle);
    Matrix r = MatrixIdentity();
    r.m[0][0] = c;
    r.m[0][1] = s;
    r.m[1][0] = -s;
    r.m[1][1] = c;
    return r;
}

Matrix MatrixRotationYawPitchRoll(float yaw, float pitch, float roll) {
    return MatrixRotationZ(roll) * MatrixRotationX(pitch) * MatrixRotationY(yaw);
}

Matrix MatrixRotationQuaternion(const Quat& q) {
    float x = q.x, y = q.y, z = q.z, w = q.w;
    Matrix r = MatrixIdentity();
    r.m[0][0] = 1.0f - 2.0f * (y * y + z * z);
    r.m[0][1] = 2.0f * (x * y + z * w);
    r.m[0][2] = 2.0f * (x * z - y * w);
    r.m[1][0] = 2.0f * (x * y - z * w);
    r.m[1][1] = 1.0f - 2.0f * (x * x + z * z);
    r.m[1][2] = 2.0f * (y * z + x * w);
    r.m[2][0] = 2.0f * (x * z + y * w);
    r.m[2][1] = 2.0f * (y * z - x * w);
    r.m[2][2] = 1.0f - 2.0f * (x * x + y * y);
    return r;
}

Matrix MatrixTranspose(const Matrix& m) {
    Matrix r;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) r.m[i][j] = m.m[j][i];
    return r;
}

bool MatrixInverse(const Matrix& m, Matrix* out, float* det) {
    // Cofactor expansion in double precision; the 2x2 minors of the lower and upper
    // row pairs are shared between the cofactors.
    double a[16];
    for (int i = 0; i < 16; ++i) a[i] = m.m[i / 4][i % 4];
    double s0 = a[0] * a[5] - a[4] * a[1];
    double s1 = a[0] * a[6] - a[4] * a[2];
    double s2 = a[0] * a[7] - a[4] * a[3];
    double s3 = a[1] * a[6] - a[5] * a[2];
    double s4 = a[1] * a[7] - a[5] * a[3];
    double s5 = a[2] * a[7] - a[6] * a[3];
    double c5 = a[10] * a[15] - a[14] * a[11];
    double c4 = a[9] * a[15] - a[13] * a[11];
    double c3 = a[9] * a[14] - a[13] * a[10];
    double c2 = a[8] * a[15] - a[12] * a[11];
    double c1 = a[8] * a[14] - a[12] * a[10];
    double c0 = a[8] * a[13] - a[12] * a[9];
    double d = s0 * c5 - s1 * c4 + s2 * c3 + s3 * c2 - s4 * c1 + s5 * c0;
    if (det) *det = static_cast<float>(d);
    if (d == 0.0 || !std::isfinite(d)) return false;
    double k = 1.0 / d;
    double b[16];
    b[0] = (a[5] * c5 - a[6] * c4 + a[7] * c3) * k;
    b[1] = (-a[1] * c5 + a[2] * c4 - a[3] * c3) * k;
    b[2] = (a[13] * s5 - a[14] * s4 + a[15] * s3) * k;
    b[3] = (-a[9] * s5 + a[10] * s4 - a[11] * s3) * k;
    b[4] = (-a[4] * c5 + a[6] * c2 - a[7] * c1) * k;
    b[5] = (a[0] * c5 - a[2] * c2 + a[3] * c1) * k;
    b[6] = (-a[12] * s5 + a[14] * s2 - a[15] * s1) * k;
    b[7] = (a[8] * s5 - a[10] * s2 + a[11] * s1) * k;
    b[8] = (a[4] * c4 - a[5] * c2 + a[7] * c0) * k;
    b[9] = (-a[0] * c4 + a[1] * c2 - a[3] * c0) * k;
    b[10] = (a[12] * s4 - a[13] * s2 + a[15] * s0) * k;
    b[11] = (-a[8] * s4 + a[9] * s2 - a[11] * s0) * k;
    b[12] = (-a[4] * c3 + a[5] * c1 - a[6] * c0) * k;
    b[13] = (a[0] * c3 - a[1] * c1 + a[2] * c0) * k;
    b[14] = (-a[12] * s3 + a[13] * s1 - a[14] * s0) * k;
    b[15] = (a[8] * s3 - a[9] * s1 + a[10] * s0) * k;
    for (int i = 0; i < 16; ++i) out->m[i / 4][i % 4] = static_cast<float>(b[i]);
    return true;
}

Matrix MatrixReflect(const Plane& plane) {
    float length = std::sqrt(plane.a * plane.a + plane.b * plane.b + plane.c * plane.c);
    float k = length == 0.0f ? 0.0f : 1.0f / length;
    float a = plane.a * k, b = plane.b * k, c = plane.c * k, d = plane.d * k;
    Matrix r;
    r.m[0][0] = 1.0f - 2.0f * a * a;
    r.m[0][1] = -2.0f * b * a;
    r.m[0][2] = -2.0f * c * a;
    r.m[1][0] = -2.0f * a * b;
    r.m[1][1] = 1.0f - 2.0f * b * b;
    r.m[1][2] = -2.0f * c * b;
    r.m[2][0] = -2.0f * a * c;
    r.m[2][1] = -2.0f * b * c;
    r.m[2][2] = 1.0f - 2.0f * c * c;
    r.m[3][0] = -2.0f * a * d;
    r.m[3][1] = -2.0f * b * d;
    r.m[3][2] = -2.0f * c * d;
    r.m[3][3] = 1.0f;
    return r;
}

Matrix MatrixLookAtLH(const Vec3& eye, const Vec3& at, const Vec3& up) {
    Vec3 zaxis = Vec3Normalize(at - eye);
    Vec3 xaxis = Vec3Normalize(Cross(up, zaxis));
    Vec3 yaxis = Cross(zaxis, xaxis);
    Matrix r = MatrixIdentity();
    r.m[0][0] = xaxis.x;
    r.m[1][0] = xaxis.y;
    r.m[2][0] = xaxis.z;
    r.m[0][1] = yaxis.x;
    r.m[1][1] = yaxis.y;
    r.m[2][1] = yaxis.z;
    r.m[0][2] = zaxis.x;
    r.m[1][2] = zaxis.y;
    r.m[2][2] = zaxis.z;
    r.m[3][0] = -Dot(xaxis, eye);
    r.m[3][1] = -Dot(yaxis, eye);
    r.m[3][2] = -Dot(zaxis, eye);
    return r;
}

Matrix MatrixPerspectiveFovLH(float fovY, float aspect, float zNear, float zFar) {
    float yScale = 1.0f / std::tan(fovY * 0.5f);
    float xScale = yScale / aspect;
    Matrix r;
    r.m[0][0] = xScale;
    r.m[1][1] = yScale;
    r.m[2][2] = zFar / (zFar - zNear);
    r.m[2][3] = 1.0f;
    r.m[3][2] = -zNear * zFar / (zFar - zNear);
    return r;
}

Matrix MatrixOrthoOffCenterLH(float left, float right, float bottom, float top, float zNear, float zFar) {
    Matrix r = MatrixIdentity();
    r.m[0][0] = 2.0f / (right - left);
    r.m[1][1] = 2.0f / (top - bottom);
    r.m[2][2] = 1.0f / (zFar - zNear);
    r.m[3][0] = (left + right) / (left - right);
    r.m[3][1] = (top + bottom) / (bottom - top);
    r.m[3][2] = zNear / (zNear - zFar);
    return r;
}

Plane PlaneFromPoints(const Vec3& p1, const Vec3& p2, const Vec3& p3) {
    Vec3 n = Vec3Normalize(Cross(p2 - p1, p3 - p1));
    return {n.x, n.y, n.z, -Dot(n, p1)};
}

}  // namespace math
