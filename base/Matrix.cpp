#include "base/Matrix.h"

#include <cmath>

namespace korvan {

Mat3 operator*(const Mat3& a, const Mat3& b) {
    Mat3 r;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            r.m[i][j] = a.m[i][0] * b.m[0][j] + a.m[i][1] * b.m[1][j] + a.m[i][2] * b.m[2][j];
    return r;
}

Mat4 operator*(const Mat4& a, const Mat4& b) {
    Mat4 r;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) {
            double s = 0;
            for (int k = 0; k < 4; ++k) s += a.m[i][k] * b.m[k][j];
            r.m[i][j] = s;
        }
    return r;
}

Mat3 Transposed(const Mat3& a) {
    Mat3 r;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) r.m[i][j] = a.m[j][i];
    return r;
}

namespace {

// Cofactor C(i,j) of a 3x3: signed minor with row i and column j removed.
double Cofactor3(const Mat3& a, int i, int j) {
    int r0 = (i + 1) % 3, r1 = (i + 2) % 3, c0 = (j + 1) % 3, c1 = (j + 2) % 3;
    // Cyclic index choice makes the sign come out of the product order itself.
    return a.m[r0][c0] * a.m[r1][c1] - a.m[r0][c1] * a.m[r1][c0];
}

// Minor of a 4x4 with row i and column j removed.
double Minor4(const Mat4& a, int i, int j) {
    Mat3 sub;
    for (int r = 0, sr = 0; r < 4; ++r) {
        if (r == i) continue;
        for (int c = 0, sc = 0; c < 4; ++c) {
            if (c == j) continue;
            sub.m[sr][sc++] = a.m[r][c];
        }
        ++sr;
    }
    return Determinant(sub);
}

bool Usable(double det) {
    return det != 0.0 && !std::isnan(det);
}

}  // namespace

double Determinant(const Mat3& a) {
    return a.m[0][0] * Cofactor3(a, 0, 0) + a.m[0][1] * Cofactor3(a, 0, 1) + a.m[0][2] * Cofactor3(a, 0, 2);
}

double Determinant(const Mat4& a) {
    double det = 0;
    for (int j = 0; j < 4; ++j) det += ((j % 2) ? -1.0 : 1.0) * a.m[0][j] * Minor4(a, 0, j);
    return det;
}

// A^-1 = adj(A) / det(A), adj(A)(i,j) = C(j,i).
// Each cofactor once; the determinant expands along the first row.
bool InvertByCofactors(const Mat3& a, Mat3& out) {
    const double c00 = Cofactor3(a, 0, 0), c01 = Cofactor3(a, 0, 1), c02 = Cofactor3(a, 0, 2);
    const double det = a.m[0][0] * c00 + a.m[0][1] * c01 + a.m[0][2] * c02;
    if (!Usable(det)) return false;
    const double c10 = Cofactor3(a, 1, 0), c11 = Cofactor3(a, 1, 1), c12 = Cofactor3(a, 1, 2);
    const double c20 = Cofactor3(a, 2, 0), c21 = Cofactor3(a, 2, 1), c22 = Cofactor3(a, 2, 2);
    // One division: the divider is the slowest unit a simulation step uses, and this runs four
    // times per body and sub-step.
    const double r = 1 / det;
    out = Mat3{{{c00 * r, c10 * r, c20 * r}, {c01 * r, c11 * r, c21 * r}, {c02 * r, c12 * r, c22 * r}}};
    return true;
}

bool InvertByCofactors(const Mat4& a, Mat4& out) {
    double det = Determinant(a);
    if (!Usable(det)) return false;
    Mat4 inv;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) inv.m[i][j] = (((i + j) % 2) ? -1.0 : 1.0) * Minor4(a, j, i) / det;
    out = inv;
    return true;
}

}  // namespace korvan
