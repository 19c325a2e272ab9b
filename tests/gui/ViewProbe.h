#pragma once
// Looks at what the view draws: projects view-coordinate points with the view's own matrices
// and classifies the colours of the rendered picture.
#include "KvtView.h"

#include <QImage>
#include <cmath>

namespace figurant::test {

// The accumulated transform of a segment down the figure tree (root first).
inline Matrix4 TreeMatrix(CKvtView& view, int segment) {
    std::vector<const SegmentPose*> chain;
    for (const SegmentPose* p = &view.Pose(segment); p; p = p->m_pParent)
        chain.push_back(p);
    Matrix4 m;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it)
        MultMatrix(m, (*it)->m_matrix);
    return m;
}

// Widget pixel of a point in view coordinates, drawn under `model` (the tree matrix).
inline QPointF Project(CKvtView& view, const Point3d& p, const Matrix4& model = {}) {
    float rotation[16];
    BuildRotMatrix(rotation, view.Camera().curQuat);
    Matrix4 mv = view.Camera().sceneMatrix, r;
    for (int i = 0; i < 16; ++i)
        r[i] = rotation[i];
    MultMatrix(mv, r);
    Matrix4 rx, rz;
    // glRotatef turns the other way round from MakeRotation.
    MakeRotation(-static_cast<float>(view.Camera().sceneRotX), 1, 0, 0, rx);
    MakeRotation(-static_cast<float>(view.Camera().sceneRotZ), 0, 0, 1, rz);
    MultMatrix(mv, rx);
    MultMatrix(mv, rz);
    MultMatrix(mv, model);
    Vec4f e{static_cast<float>(p.x), static_cast<float>(p.y), static_cast<float>(p.z), 1};
    TransformPoint(mv, e);
    const double f = 1.0 / std::tan(view.Camera().fovy * 3.14159265358979323846 / 360.0);
    const double cx = f / view.Camera().aspect * e[0], cy = f * e[1];
    const double cw = -e[2];
    const double w = view.width(), h = view.height();
    return {(cx / cw + 1) / 2 * w, (1 - cy / cw) / 2 * h};
}

inline Point3d Centre(const std::vector<Point3d>& points) {
    Point3d c{};
    for (const Point3d& p : points)
        c = c + p;
    const double n = points.empty() ? 1.0 : static_cast<double>(points.size());
    return (1.0 / n) * c;
}

// Widget pixel of a segment's centre as posed: where a click picks that segment.
inline QPoint SegmentPoint(CKvtView& view, int segment) {
    return Project(view, Centre(view.FigureModel().Vertices(segment)), TreeMatrix(view, segment)).toPoint();
}

// The shirt and a selected segment are both red; tests tell them apart on other segments.
enum class Paint { Background, Skin, Red, Trousers, Shoes, Other };

inline Paint Classify(QRgb c) {
    const int r = qRed(c), g = qGreen(c), b = qBlue(c);
    if (r < 12 && g < 12 && b < 12) return Paint::Background;
    if (std::abs(r - g) < 18 && std::abs(g - b) < 18) return Paint::Trousers;
    // Colour material sets the diffuse colour only, so the grey ambient light lifts every channel.
    if (g < r / 3 && b < r / 3 && r > g + 60) return Paint::Red;
    if (r > g && g > b && b < 0.45 * g) return Paint::Shoes;
    if (r > g && g > b) return Paint::Skin;
    return Paint::Other;
}

inline const char* Name(Paint p) {
    const char* names[] = {"background", "skin", "red", "trousers", "shoes", "other"};
    return names[static_cast<int>(p)];
}

inline Paint PaintAt(const QImage& image, QPointF at) {
    return Classify(
        image.pixel(static_cast<int>(std::lround(at.x())), static_cast<int>(std::lround(at.y()))));
}

// Pixels that differ between two pictures of the same size.
inline int PixelsApart(const QImage& a, const QImage& b) {
    const QImage x = a.convertToFormat(QImage::Format_RGB32), y = b.convertToFormat(QImage::Format_RGB32);
    int apart = 0;
    for (int row = 0; row < x.height(); ++row)
        for (int column = 0; column < x.width(); ++column)
            apart += x.pixel(column, row) != y.pixel(column, row);
    return apart;
}

// Rows of the picture the figure takes: the first and the last.
inline std::pair<int, int> FigureRows(const QImage& image) {
    int top = image.height(), bottom = -1;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); x += 2)
            if (Classify(image.pixel(x, y)) != Paint::Background) {
                top = std::min(top, y);
                bottom = y;
                break;
            }
    return {top, bottom};
}

} // namespace figurant::test
