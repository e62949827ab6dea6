#pragma once
// Row-major 3x3 and 4x4 matrices. Body matrices (rot, localToWorld, worldToLocal) are row-major;
// camera matrices, which follow the OpenGL column-major convention, live with the views.
#include "base/Vec3.h"

namespace korvan {

struct Mat3 {
    double m[3][3] = {{0, 0, 0}, {0, 0, 0}, {0, 0, 0}};

    static constexpr Mat3 Identity() { return Mat3{{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}}; }
    constexpr Vec3 Row(int r) const { return {m[r][0], m[r][1], m[r][2]}; }
    constexpr Vec3 Column(int c) const { return {m[0][c], m[1][c], m[2][c]}; }
    constexpr void SetRow(int r, const Vec3& v) { m[r][0] = v.x, m[r][1] = v.y, m[r][2] = v.z; }
    constexpr double* data() { return &m[0][0]; }
    constexpr const double* data() const { return &m[0][0]; }
};

struct Mat4 {
    double m[4][4] = {{0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}};

    static constexpr Mat4 Identity() {
        return Mat4{{{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}}};
    }
    constexpr double* data() { return &m[0][0]; }
    constexpr const double* data() const { return &m[0][0]; }
};

constexpr Vec3 operator*(const Mat3& a, const Vec3& v) {
    return {a.m[0][0] * v.x + a.m[0][1] * v.y + a.m[0][2] * v.z,
            a.m[1][0] * v.x + a.m[1][1] * v.y + a.m[1][2] * v.z,
            a.m[2][0] * v.x + a.m[2][1] * v.y + a.m[2][2] * v.z};
}

// a^T v: for a matrix whose rows are body axes, a body vector turned into world coordinates.
constexpr Vec3 TransposedTimes(const Mat3& a, const Vec3& v) {
    return {a.m[0][0] * v.x + a.m[1][0] * v.y + a.m[2][0] * v.z,
            a.m[0][1] * v.x + a.m[1][1] * v.y + a.m[2][1] * v.z,
            a.m[0][2] * v.x + a.m[1][2] * v.y + a.m[2][2] * v.z};
}

Mat3 operator*(const Mat3& a, const Mat3& b);
Mat4 operator*(const Mat4& a, const Mat4& b);
Mat3 Transposed(const Mat3& a);

// Upper 3x3 applied to v (a direction: no translation).
constexpr Vec3 TransformVector(const Mat4& a, const Vec3& v) {
    return {a.m[0][0] * v.x + a.m[0][1] * v.y + a.m[0][2] * v.z,
            a.m[1][0] * v.x + a.m[1][1] * v.y + a.m[1][2] * v.z,
            a.m[2][0] * v.x + a.m[2][1] * v.y + a.m[2][2] * v.z};
}
// Full affine transform of a point (last row assumed 0 0 0 1).
constexpr Vec3 TransformPoint(const Mat4& a, const Vec3& p) {
    return TransformVector(a, p) + Vec3{a.m[0][3], a.m[1][3], a.m[2][3]};
}

double Determinant(const Mat3& a);
double Determinant(const Mat4& a);

// Inverses by cofactors. They fail, leaving `out` untouched, when the determinant is exactly 0
// or not a number; callers report that as a calculation anomaly.
bool InvertByCofactors(const Mat3& a, Mat3& out);
bool InvertByCofactors(const Mat4& a, Mat4& out);

}  // namespace korvan
