#include "ControlRaster.h"

#include "Affine.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace figurant {

namespace {

struct Homogeneous {
    double x, y, z, w;
};

Homogeneous Apply(const Matrix4& m, double x, double y, double z, double w) {
    return {m[0] * x + m[4] * y + m[8] * z + m[12] * w, m[1] * x + m[5] * y + m[9] * z + m[13] * w,
            m[2] * x + m[6] * y + m[10] * z + m[14] * w, m[3] * x + m[7] * y + m[11] * z + m[15] * w};
}

// A corner as the rasterizer takes it: where it falls in the picture, 1/w for interpolating
// across it as the perspective does, its distance from the eye and its normal in the eye's frame.
struct ScreenCorner {
    double x, y, inverseW, depth;
    Point3d normal;
};

std::optional<ScreenCorner> ToScreen(const ViewMatrices& view, const Point3d& p, const Point3d& n) {
    const Homogeneous eye = Apply(view.modelView, p.x, p.y, p.z, 1);
    const Homogeneous clip = Apply(view.projection, eye.x, eye.y, eye.z, eye.w);
    if (!(clip.w > 1e-12) || !(-eye.z > 0)) return std::nullopt;
    const Homogeneous turned = Apply(view.modelView, n.x, n.y, n.z, 0);
    return ScreenCorner{(clip.x / clip.w + 1) / 2 * view.width, (1 - clip.y / clip.w) / 2 * view.height,
                        1 / clip.w, -eye.z, Point3d{turned.x, turned.y, turned.z}};
}

double Edge(const ScreenCorner& a, const ScreenCorner& b, double x, double y) {
    return (b.x - a.x) * (y - a.y) - (b.y - a.y) * (x - a.x);
}

} // namespace

std::optional<PicturePoint> ProjectToPicture(const ViewMatrices& view, const Point3d& p) {
    const auto s = ToScreen(view, p, {});
    if (!s) return std::nullopt;
    return PicturePoint{s->x, s->y, s->depth};
}

Point3d FromPicture(const ViewMatrices& view, double x, double y, const Point3d& through) {
    const Matrix4& P = view.projection;
    const double depth = Apply(view.modelView, through.x, through.y, through.z, 1).z;
    const double w = P[11] * depth + P[15];
    const double ndcX = 2 * x / view.width - 1, ndcY = 1 - 2 * y / view.height;
    const Point3d eye{(ndcX * w - P[8] * depth - P[12]) / P[0], (ndcY * w - P[9] * depth - P[13]) / P[5],
                      depth};
    return Affine::FromMatrix(view.modelView).Inverse()(eye);
}

Point3d EyeAxis(const ViewMatrices& view, int axis) {
    const Point3d along{axis == 0 ? 1.0 : 0.0, axis == 1 ? 1.0 : 0.0, axis == 2 ? 1.0 : 0.0};
    return Normalize(Affine::FromMatrix(view.modelView).Inverse().RotationOnly()(along));
}

double PixelsPerUnitAt(const ViewMatrices& view, const Point3d& at) {
    const auto a = ProjectToPicture(view, at), b = ProjectToPicture(view, at + EyeAxis(view, 0));
    return a && b ? std::hypot(b->x - a->x, b->y - a->y) : 0;
}

ControlRaster::ControlRaster(int width, int height)
    : m_width(std::max(width, 0)), m_height(std::max(height, 0)),
      m_depth(static_cast<std::size_t>(m_width) * static_cast<std::size_t>(m_height),
              std::numeric_limits<float>::infinity()),
      m_normal(m_depth.size()), m_segment(m_depth.size(), kBackground) {}

void ControlRaster::Draw(const std::vector<PosedTriangle>& triangles, const ViewMatrices& view) {
    bool any = false;
    for (const PosedTriangle& t : triangles) {
        std::optional<ScreenCorner> c[3];
        for (int k = 0; k < 3; ++k)
            c[k] =
                ToScreen(view, t.corner[static_cast<std::size_t>(k)], t.normal[static_cast<std::size_t>(k)]);
        if (!c[0] || !c[1] || !c[2]) continue; // the figure stands in front of the eye
        const double area = Edge(*c[0], *c[1], c[2]->x, c[2]->y);
        if (!(std::fabs(area) > 0)) continue;
        const int x0 = std::max(0, static_cast<int>(std::floor(std::min({c[0]->x, c[1]->x, c[2]->x}))));
        const int x1 =
            std::min(m_width - 1, static_cast<int>(std::ceil(std::max({c[0]->x, c[1]->x, c[2]->x}))));
        const int y0 = std::max(0, static_cast<int>(std::floor(std::min({c[0]->y, c[1]->y, c[2]->y}))));
        const int y1 =
            std::min(m_height - 1, static_cast<int>(std::ceil(std::max({c[0]->y, c[1]->y, c[2]->y}))));
        for (int y = y0; y <= y1; ++y)
            for (int x = x0; x <= x1; ++x) {
                const double px = x + 0.5, py = y + 0.5;
                // Barycentric weights in the picture, then as the perspective interpolates.
                const double l0 = Edge(*c[1], *c[2], px, py) / area, l1 = Edge(*c[2], *c[0], px, py) / area,
                             l2 = 1 - l0 - l1;
                if (l0 < 0 || l1 < 0 || l2 < 0) continue;
                const double q0 = l0 * c[0]->inverseW, q1 = l1 * c[1]->inverseW, q2 = l2 * c[2]->inverseW;
                const double sum = q0 + q1 + q2;
                const double w0 = q0 / sum, w1 = q1 / sum, w2 = q2 / sum;
                const auto depth = static_cast<float>(w0 * c[0]->depth + w1 * c[1]->depth + w2 * c[2]->depth);
                const std::size_t i = Index(x, y);
                if (!(depth < m_depth[i])) continue;
                m_depth[i] = depth;
                m_normal[i] = w0 * c[0]->normal + w1 * c[1]->normal + w2 * c[2]->normal;
                m_segment[i] = static_cast<std::int8_t>(t.segment);
                m_nearest = any ? std::min(m_nearest, depth) : depth;
                m_farthest = any ? std::max(m_farthest, depth) : depth;
                any = true;
            }
    }
    for (std::size_t i = 0; i < m_normal.size(); ++i)
        if (m_segment[i] != kBackground) {
            const Point3d& n = m_normal[i];
            const double length = std::sqrt(Dot(n, n));
            m_normal[i] = length > 0 ? (1 / length) * n : Point3d{0, 0, 1};
        }
}

} // namespace figurant
