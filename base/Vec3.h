#pragma once
// Three doubles in SI units: positions, velocities, forces, rotation vectors.
#include <cmath>

namespace korvan {

struct Vec3 {
    double x = 0, y = 0, z = 0;

    constexpr double& operator[](int i) { return i == 0 ? x : (i == 1 ? y : z); }
    constexpr double operator[](int i) const { return i == 0 ? x : (i == 1 ? y : z); }

    constexpr Vec3& operator+=(const Vec3& b) {
        x += b.x, y += b.y, z += b.z;
        return *this;
    }
    constexpr Vec3& operator-=(const Vec3& b) {
        x -= b.x, y -= b.y, z -= b.z;
        return *this;
    }
    constexpr Vec3& operator*=(double s) {
        x *= s, y *= s, z *= s;
        return *this;
    }
};

constexpr Vec3 operator+(Vec3 a, const Vec3& b) {
    return a += b;
}
constexpr Vec3 operator-(Vec3 a, const Vec3& b) {
    return a -= b;
}
constexpr Vec3 operator-(const Vec3& a) {
    return {-a.x, -a.y, -a.z};
}
constexpr Vec3 operator*(Vec3 a, double s) {
    return a *= s;
}
constexpr Vec3 operator*(double s, Vec3 a) {
    return a *= s;
}
constexpr bool operator==(const Vec3& a, const Vec3& b) {
    return a.x == b.x && a.y == b.y && a.z == b.z;
}

constexpr double Dot(const Vec3& a, const Vec3& b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
constexpr Vec3 Cross(const Vec3& a, const Vec3& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
inline double Length(const Vec3& a) {
    return std::sqrt(Dot(a, a));
}

// Unit vector along a; a zero vector stays zero.
inline Vec3 Normalized(const Vec3& a) {
    double len = Length(a);
    return len > 0 ? a * (1.0 / len) : a;
}

}  // namespace korvan
