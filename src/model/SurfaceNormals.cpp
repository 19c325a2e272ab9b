#include "SurfaceNormals.h"

#include <cmath>
#include <cstring>
#include <map>
#include <tuple>

namespace figurant {

namespace {

template <typename Faces>
std::vector<Point3d> SummedFaceNormals(const std::vector<Point3d>& positions, const Faces& faces) {
    std::vector<Point3d> normals(positions.size());
    for (const auto& face : faces) {
        if (face.size() < 3) continue;
        // Twice the face's area along its normal: the cross products of the edges fanned from
        // the first corner.
        Point3d n{};
        const Point3d p0 = positions[static_cast<std::size_t>(face[0])];
        for (std::size_t k = 1; k + 1 < face.size(); ++k) {
            n = n + Cross(positions[static_cast<std::size_t>(face[k])] - p0,
                          positions[static_cast<std::size_t>(face[k + 1])] - p0);
        }
        for (int v : face) {
            Point3d& target = normals[static_cast<std::size_t>(v)];
            target = target + n;
        }
    }
    for (Point3d& n : normals) {
        const double length = std::sqrt(Dot(n, n));
        if (length > 0) n = (1.0 / length) * n;
    }
    return normals;
}

} // namespace

std::vector<Point3d> AreaWeightedNormals(const std::vector<Point3d>& positions,
                                         const std::vector<std::vector<int>>& faces) {
    return SummedFaceNormals(positions, faces);
}

std::vector<Point3d> AreaWeightedNormals(const std::vector<Point3d>& positions,
                                         const std::vector<std::array<int, 3>>& triangles) {
    return SummedFaceNormals(positions, triangles);
}

std::vector<Vec3f> CornerNormals(const CUnderlayList& model) {
    // Corners are welded by exact position (the bits of the floats, so -0 and +0 stay apart only
    // where the drawing wrote them apart).
    using Key = std::tuple<float, float, float>;
    std::map<Key, int> index;
    std::vector<Point3d> positions;
    std::vector<std::vector<int>> faces;
    std::vector<int> cornerVertex;
    for (const auto& line : model) {
        std::vector<int> face;
        for (const Vec3f& p : line->Points()) {
            const auto [it, added] =
                index.try_emplace(Key{p.x, p.y, p.z}, static_cast<int>(positions.size()));
            if (added) positions.push_back({p.x, p.y, p.z});
            cornerVertex.push_back(it->second);
            // A corner that repeats the one before (a triangle stored as four corners) adds nothing.
            if (face.empty() || face.back() != it->second) face.push_back(it->second);
        }
        if (line->m_bFace) faces.push_back(std::move(face));
    }
    const std::vector<Point3d> normals = AreaWeightedNormals(positions, faces);
    std::vector<Vec3f> corners;
    corners.reserve(cornerVertex.size());
    for (int v : cornerVertex) {
        const Point3d& n = normals[static_cast<std::size_t>(v)];
        corners.push_back({static_cast<float>(n.x), static_cast<float>(n.y), static_cast<float>(n.z)});
    }
    return corners;
}

} // namespace figurant
