#pragma once
// Small double-precision vector arithmetic for the model generator.
#include <cmath>

namespace mannequin {

struct V3 {
    double x = 0, y = 0, z = 0;
};

inline V3 operator+(V3 a, V3 b) {
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
inline V3 operator-(V3 a, V3 b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
inline V3 operator*(double s, V3 a) {
    return {s * a.x, s * a.y, s * a.z};
}
inline double Dot(V3 a, V3 b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
inline V3 Cross(V3 a, V3 b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
inline double Length(V3 a) {
    return std::sqrt(Dot(a, a));
}
inline V3 Unit(V3 a) {
    const double l = Length(a);
    return l > 0 ? (1.0 / l) * a : a;
}
inline V3 Lerp(V3 a, V3 b, double t) {
    return a + t * (b - a);
}

// Closest point to p on the segment from a to b.
inline V3 ClosestOnSegment(V3 p, V3 a, V3 b) {
    const V3 ab = b - a;
    const double l2 = Dot(ab, ab);
    double t = l2 > 0 ? Dot(p - a, ab) / l2 : 0;
    t = t < 0 ? 0 : t > 1 ? 1 : t;
    return a + t * ab;
}

} // namespace mannequin
