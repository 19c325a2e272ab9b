#include "SceneMath.h"

#include <cmath>

namespace figurant {

namespace {

// The rotation matrix alone. Turns about a coordinate axis are built from the sine and cosine
// directly (the axis length does not matter there); any other axis is normalised first, and one
// of length 1e-4 or less gives no turn at all.
bool RotationMatrix(float angle, float x, float y, float z, Matrix4& R) {
    const float s = std::sin(static_cast<float>(angle * kPi / 180.0));
    const float c = std::cos(static_cast<float>(angle * kPi / 180.0));
    auto at = [&R](int row, int col) -> float& { return R[4 * col + row]; };
    if (x == 0 && y == 0 && z != 0) {
        at(0, 0) = at(1, 1) = c;
        at(0, 1) = z < 0 ? s : -s;
        at(1, 0) = z < 0 ? -s : s;
        return true;
    }
    if (x == 0 && z == 0 && y != 0) {
        at(0, 0) = at(2, 2) = c;
        at(0, 2) = y < 0 ? -s : s;
        at(2, 0) = y < 0 ? s : -s;
        return true;
    }
    if (y == 0 && z == 0 && x != 0) {
        at(1, 1) = at(2, 2) = c;
        at(1, 2) = x < 0 ? s : -s;
        at(2, 1) = x < 0 ? -s : s;
        return true;
    }
    const float mag = std::sqrt(x * x + y * y + z * z);
    if (mag <= 1.0e-4f) return false;
    x /= mag;
    y /= mag;
    z /= mag;
    const float oc = 1.0f - c;
    at(0, 0) = oc * (x * x) + c;
    at(0, 1) = oc * (x * y) - z * s;
    at(0, 2) = oc * (z * x) + y * s;
    at(1, 0) = oc * (x * y) + z * s;
    at(1, 1) = oc * (y * y) + c;
    at(1, 2) = oc * (y * z) - x * s;
    at(2, 0) = oc * (z * x) - y * s;
    at(2, 1) = oc * (y * z) + x * s;
    at(2, 2) = oc * (z * z) + c;
    return true;
}

void NormalizeInPlace(float v[3]) {
    const float r =
        static_cast<float>(std::sqrt(static_cast<double>(v[0] * v[0] + v[1] * v[1] + v[2] * v[2])));
    if (r == 0.0f) return;
    v[0] /= r;
    v[1] /= r;
    v[2] /= r;
}

void CrossInPlace(const float a[3], const float b[3], float out[3]) {
    out[0] = a[1] * b[2] - a[2] * b[1];
    out[1] = a[2] * b[0] - a[0] * b[2];
    out[2] = a[0] * b[1] - a[1] * b[0];
}

} // namespace

Matrix4 SceneRotated(const Matrix4& M, float angle, float x, float y, float z) {
    Matrix4 R;
    if (!RotationMatrix(angle, x, y, z, R)) return M;
    Matrix4 result;
    MultMatrix(M, R, result);
    return result;
}

Matrix4 SceneTranslated(const Matrix4& M, float x, float y, float z) {
    Matrix4 result = M;
    MultMatrix(result, Matrix4::Translation(x, y, z));
    return result;
}

Matrix4 SceneScaled(const Matrix4& M, float f) {
    Matrix4 result = M;
    for (int i = 0; i < 12; ++i)
        result[i] *= f;
    return result;
}

Matrix4 SceneTilted(const Matrix4& M, float angle) {
    const float cx = M[12], cy = M[13], cz = M[14];
    Matrix4 about = Matrix4::Translation(cx, cy, cz);
    about = SceneRotated(about, angle, 1, 0, 0);
    MultMatrix(about, Matrix4::Translation(-cx, -cy, -cz));
    Matrix4 result;
    MultMatrix(about, M, result);
    return result;
}

Matrix4 ScenePanned(const Matrix4& M, float dx, float dy) {
    Matrix4 result;
    MultMatrix(Matrix4::Translation(dx, dy, 0), M, result);
    return result;
}

Matrix4 SceneZoomedAtCentre(const Matrix4& M, float f) {
    // translate(0, 0, depth) x scale(f) x translate(0, 0, -depth) x M
    const float depth = M[14];
    Matrix4 about = SceneScaled(Matrix4::Translation(0, 0, depth), f), result;
    MultMatrix(about, Matrix4::Translation(0, 0, -depth));
    MultMatrix(about, M, result);
    return result;
}

Matrix4 LookAt(const Point3d& eye, const Point3d& centre, const Point3d& up) {
    float forward[3] = {static_cast<float>(centre.x - eye.x), static_cast<float>(centre.y - eye.y),
                        static_cast<float>(centre.z - eye.z)};
    float upv[3] = {static_cast<float>(up.x), static_cast<float>(up.y), static_cast<float>(up.z)};
    float side[3];
    NormalizeInPlace(forward);
    CrossInPlace(forward, upv, side);
    NormalizeInPlace(side);
    CrossInPlace(side, forward, upv);
    Matrix4 m;
    for (int i = 0; i < 3; ++i) {
        m[4 * i + 0] = side[i];
        m[4 * i + 1] = upv[i];
        m[4 * i + 2] = -forward[i];
    }
    // The translation by -eye, applied on the right as glTranslate does.
    const auto tx = static_cast<float>(-eye.x), ty = static_cast<float>(-eye.y),
               tz = static_cast<float>(-eye.z);
    for (int r = 0; r < 4; ++r)
        m[12 + r] = m[r] * tx + m[4 + r] * ty + m[8 + r] * tz + m[12 + r];
    return m;
}

} // namespace figurant
