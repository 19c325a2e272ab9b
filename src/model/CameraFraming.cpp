#include "CameraFraming.h"

#include "SceneMath.h"

#include <algorithm>
#include <cmath>

namespace figurant {

namespace {

// The near plane's distance as a share of the eye's distance from the model's centre.
constexpr double kNearShare = 0.01;
// At the start the model fills this share of the view's height (or of its width, when that is
// the tighter fit), measured at the front of its box.
constexpr double kStartFill = 0.8;

} // namespace

ViewVolume ComputeViewVolume(const Vec3f& extent) {
    ViewVolume c;
    c.extentZ = extent.z;
    c.extentY = extent.y;
    c.extentX = extent.x;
    const float size = c.extentY > c.extentX ? c.extentY : c.extentX;
    // The eye's place does not depend on the lens: a longer lens frames the figure by the zoom,
    // which a perspective picture shows as the eye standing further back.
    c.camDist = static_cast<float>((size * 0.5) / std::tan(kStandardFieldOfView * 0.5 * kPi / 180.0));
    c.modelSize = c.extentZ > size ? c.extentZ : size;
    c.zNear = c.camDist - 20 * c.modelSize;
    // The near plane is where the depth buffer spends its precision: a hair's breadth from the eye
    // left it a centimetre coarse at the figure, and the surfaces that meet at the hips fought
    // for their pixels from one picture to the next. A share of the eye's distance keeps the whole
    // model, however it is turned, in front of it.
    if (!(c.zNear > 0)) c.zNear = std::max(0.0001, kNearShare * (1.5 * c.extentZ + c.camDist));
    c.zFar = c.camDist + 20 * c.modelSize;
    return c;
}

double StartEyeDistance(const ViewVolume& v) {
    return 1.5 * v.extentZ + v.camDist;
}

Matrix4 StartLookAt(const ViewVolume& v) {
    const Point3d eye{0, -StartEyeDistance(v), 0}, centre{0, 0, 0};
    Vec3f d{static_cast<float>(centre.x - eye.x), static_cast<float>(centre.y - eye.y),
            static_cast<float>(centre.z - eye.z)};
    NormalizeF(d);
    const Vec3f z{0, 0, 1};
    const float along = DotF(z, d);
    const Point3d up{-along * d.x, -along * d.y, 1 - along * d.z};
    return LookAt(eye, centre, up);
}

double HalfHeightAt(const Lens& lens, const ViewVolume& v, double depth) {
    // An orthographic lens shows at every depth what the standard lens shows at the eye's
    // distance from the model.
    if (lens.Orthographic()) return StartEyeDistance(v) * std::tan(kStandardFieldOfView * kPi / 360.0);
    return depth * std::tan(lens.FieldOfView() * kPi / 360.0);
}

float FramingZoom(const Lens& lens, const ViewVolume& v, const Vec3f& extent, double aspect) {
    const double D = StartEyeDistance(v);
    const double depth = D - 0.5 * extent.y;
    const double height = extent.z, width = extent.x;
    if (!(depth > 0) || !(height > 0)) return 1.0f;
    if (!lens.Standard()) {
        // The front of the zoomed box: a zoom z puts it at depth D - y z / 2, where the view is
        // 2 t (D - y z / 2) high (t the tangent of half the field); filling the share s of that
        // gives z = 2 s t D / (h + s t y). An orthographic view is 2 H high at every depth.
        const double t = HalfHeightAt(lens, v, 1);
        auto fill = [&](double side, double across) {
            return lens.Orthographic()
                       ? kStartFill * 2 * HalfHeightAt(lens, v, 0) * across / side
                       : kStartFill * 2 * t * across * D / (side + kStartFill * t * across * extent.y);
        };
        double zoom = fill(height, 1);
        if (width > 0) zoom = std::min(zoom, fill(width, aspect));
        return static_cast<float>(zoom);
    }
    // The standard lens keeps the framing it always had, measured at the unzoomed box's front.
    const double halfHeight = HalfHeightAt(lens, v, depth);
    double zoom = kStartFill * 2 * halfHeight / height;
    if (width > 0) zoom = std::min(zoom, kStartFill * 2 * halfHeight * aspect / width);
    return static_cast<float>(zoom);
}

const ViewPreset* FindViewPreset(const std::string& name) {
    static const ViewPreset kPresets[] = {{"front", 0, 0},       {"side", 90, 0}, {"back", 180, 0},
                                          {"otherside", -90, 0}, {"top", 0, 90},  {"bottom", 0, -90}};
    for (const ViewPreset& p : kPresets)
        if (name == p.name) return &p;
    return nullptr;
}

Matrix4 PresetSceneMatrix(const Lens& lens, const ViewVolume& v, double aspect, float turn, float tilt) {
    const Matrix4 start =
        SceneScaled(StartLookAt(v), FramingZoom(lens, v, {v.extentX, v.extentY, v.extentZ}, aspect));
    return SceneTilted(SceneRotated(start, turn, 0, 0, 1), tilt);
}

Matrix4 ProjectionMatrix(const Lens& lens, const ViewVolume& v, double aspect) {
    Matrix4 p;
    const double n = v.zNear, f = v.zFar;
    if (lens.Orthographic()) {
        const double h = HalfHeightAt(lens, v, 0), w = h * aspect;
        p[0] = static_cast<float>(1 / w);
        p[5] = static_cast<float>(1 / h);
        p[10] = static_cast<float>(-2 / (f - n));
        p[14] = static_cast<float>(-(f + n) / (f - n));
        return p;
    }
    const double half = lens.FieldOfView() / 2 * kPi / 180.0;
    const double cot = std::cos(half) / std::sin(half);
    p[0] = static_cast<float>(cot / aspect);
    p[5] = static_cast<float>(cot);
    p[10] = static_cast<float>(-(f + n) / (f - n));
    p[11] = -1;
    p[14] = static_cast<float>(-2 * f * n / (f - n));
    p[15] = 0;
    return p;
}

} // namespace figurant
