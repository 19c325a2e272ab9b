#include "FigureImport.h"

#include "BoneNames.h"
#include "FigureTree.h"
#include "SegmentNames.h"
#include "SurfaceNormals.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <unordered_map>

namespace figurant {

namespace {

constexpr int kBodySegments = 16;
constexpr int kHeadSegment = 0, kChestSegment = 1, kPelvisSegment = 3;
// The waist lies this far from the hip joints' height to the shoulder joints' height.
constexpr double kWaistFraction = 0.35;
// Positions closer than this share of the model's size are one vertex.
constexpr double kWeldFraction = 1e-6;
// Metres per unit of the drawing's coordinates (units code 5: 100 inches).
constexpr double kDrawingUnit = 2.54;

double MeanHeight(const std::vector<ImportBone>& bones, const std::vector<NamedPart>& parts, BodyPart part) {
    double sum = 0;
    int n = 0;
    for (std::size_t b = 0; b < bones.size(); ++b)
        if (parts[b].part == part) sum += bones[b].head.y, ++n;
    return n ? sum / n : NAN;
}

// Spine bones from the hips to the neck: those below the waist are the pelvis, those at or above
// the shoulder joints the neck (part of the head), the rest the chest.
int SpineSegment(double height, double hips, double shoulders) {
    if (!std::isfinite(hips) || !std::isfinite(shoulders)) return kChestSegment;
    if (height >= shoulders) return kHeadSegment;
    return height < hips + kWaistFraction * (shoulders - hips) ? kPelvisSegment : kChestSegment;
}

} // namespace

std::vector<int> BoneSegments(const std::vector<ImportBone>& bones) {
    std::vector<NamedPart> parts;
    for (const ImportBone& b : bones)
        parts.push_back(ClassifyName(b.name));
    double hips = MeanHeight(bones, parts, BodyPart::Thigh);
    if (!std::isfinite(hips)) hips = MeanHeight(bones, parts, BodyPart::Pelvis);
    const double shoulders = MeanHeight(bones, parts, BodyPart::UpperArm);
    std::vector<int> segments(bones.size(), -1);
    for (std::size_t b = 0; b < bones.size(); ++b)
        segments[b] = parts[b].part == BodyPart::Spine ? SpineSegment(bones[b].head.y, hips, shoulders)
                                                       : SegmentOfPart(parts[b]);
    // Unknown bones take their nearest known ancestor's segment (the pelvis at the top).
    std::vector<int> resolved = segments;
    for (std::size_t b = 0; b < bones.size(); ++b) {
        int a = static_cast<int>(b);
        for (std::size_t guard = 0;
             a >= 0 && segments[static_cast<std::size_t>(a)] < 0 && guard <= bones.size(); ++guard)
            a = bones[static_cast<std::size_t>(a)].parent;
        resolved[b] = a >= 0 && segments[static_cast<std::size_t>(a)] >= 0
                          ? segments[static_cast<std::size_t>(a)]
                          : kPelvisSegment;
    }
    return resolved;
}

namespace {

using SegmentWeights = std::array<float, kBodySegments>;

// Vertices within the welding distance become one: a grid of cells the size of that distance,
// each position compared with those already in its own and the neighbouring cells.
class Welder {
  public:
    // Cells are counted from the model's lowest corner, so no cell number exceeds about a million.
    Welder(double tolerance, const Point3d& origin) : m_tol(tolerance), m_origin(origin) {}
    int Add(const Point3d& p) {
        const std::int64_t c[3] = {Cell(p.x - m_origin.x), Cell(p.y - m_origin.y), Cell(p.z - m_origin.z)};
        for (std::int64_t dx = -1; dx <= 1; ++dx)
            for (std::int64_t dy = -1; dy <= 1; ++dy)
                for (std::int64_t dz = -1; dz <= 1; ++dz) {
                    const auto range = m_cells.equal_range(Key(c[0] + dx, c[1] + dy, c[2] + dz));
                    for (auto it = range.first; it != range.second; ++it) {
                        const Point3d d = m_points[static_cast<std::size_t>(it->second)] - p;
                        if (Dot(d, d) <= m_tol * m_tol) return it->second;
                    }
                }
        const int id = static_cast<int>(m_points.size());
        m_points.push_back(p);
        m_cells.emplace(Key(c[0], c[1], c[2]), id);
        return id;
    }
    const std::vector<Point3d>& Points() const { return m_points; }

  private:
    std::int64_t Cell(double v) const { return static_cast<std::int64_t>(std::floor(v / m_tol)); }
    static std::uint64_t Key(std::int64_t x, std::int64_t y, std::int64_t z) {
        const auto h = [](std::int64_t v) { return static_cast<std::uint64_t>(v) * 0x9E3779B97F4A7C15ull; };
        return h(x) ^ (h(y) >> 21) ^ (h(z) << 21) ^ static_cast<std::uint64_t>(z);
    }
    double m_tol;
    Point3d m_origin;
    std::vector<Point3d> m_points;
    std::unordered_multimap<std::uint64_t, int> m_cells;
};

// A mesh without a skin: its own names first, then the bone it hangs from.
int FixedSegment(const ImportMesh& mesh, const std::vector<int>& boneSegments) {
    for (const std::string& name : mesh.names) {
        const NamedPart part = ClassifyName(name);
        if (part.part == BodyPart::Spine) return kChestSegment;
        if (const int s = SegmentOfPart(part); s >= 0) return s;
    }
    if (mesh.bone >= 0 && static_cast<std::size_t>(mesh.bone) < boneSegments.size())
        return boneSegments[static_cast<std::size_t>(mesh.bone)];
    return -1;
}

struct Face {
    std::array<int, 3> vertex; // welded
    int segment;
};

int Strongest(const SegmentWeights& w) {
    return static_cast<int>(std::max_element(w.begin(), w.end()) - w.begin());
}

// Positions beyond this magnitude (or not numbers at all) are left out with their faces: no
// body is that large, and a float could not hold them.
constexpr double kLargestCoordinate = 1e30;

bool Usable(const Point3d& p) {
    return std::fabs(p.x) <= kLargestCoordinate && std::fabs(p.y) <= kLargestCoordinate &&
           std::fabs(p.z) <= kLargestCoordinate;
}

// The lowest corner of the usable positions and the length of the box's diagonal.
std::pair<Point3d, double> ModelBox(const ImportScene& scene) {
    Point3d lo{1e300, 1e300, 1e300}, hi{-1e300, -1e300, -1e300};
    for (const ImportMesh& m : scene.meshes)
        for (const Point3d& p : m.positions) {
            if (!Usable(p)) continue;
            lo = {std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z)};
            hi = {std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z)};
        }
    const Point3d d = hi - lo;
    const double size = std::sqrt(Dot(d, d));
    return {lo, std::isfinite(size) && size > 0 ? size : 1.0};
}

} // namespace

namespace {

// Faces the names left without a segment go to the segment whose faces lie nearest.
void AssignLeftovers(std::vector<Face>& faces, const std::vector<Point3d>& points) {
    std::array<Point3d, kBodySegments> sum{};
    std::array<long, kBodySegments> count{};
    auto centre = [&](const Face& f) {
        const auto& v = f.vertex;
        return (1.0 / 3) * (points[static_cast<std::size_t>(v[0])] + points[static_cast<std::size_t>(v[1])] +
                            points[static_cast<std::size_t>(v[2])]);
    };
    for (const Face& f : faces)
        if (f.segment >= 0)
            sum[static_cast<std::size_t>(f.segment)] = sum[static_cast<std::size_t>(f.segment)] + centre(f),
            ++count[static_cast<std::size_t>(f.segment)];
    for (Face& f : faces) {
        if (f.segment >= 0) continue;
        double best = 1e300;
        for (int s = 0; s < kBodySegments; ++s) {
            if (!count[static_cast<std::size_t>(s)]) continue;
            const Point3d d =
                (1.0 / count[static_cast<std::size_t>(s)]) * sum[static_cast<std::size_t>(s)] - centre(f);
            if (Dot(d, d) < best) best = Dot(d, d), f.segment = s;
        }
        if (f.segment < 0) f.segment = kChestSegment;
    }
}

// The figure's right, across the body: from each left limb's centre to its right partner's,
// level with the ground. Without sided limbs, +z.
Point3d RightDirection(const std::vector<Face>& faces, const std::vector<Point3d>& points) {
    std::array<Point3d, kBodySegments> sum{};
    std::array<long, kBodySegments> count{};
    for (const Face& f : faces)
        for (int v : f.vertex)
            sum[static_cast<std::size_t>(f.segment)] =
                sum[static_cast<std::size_t>(f.segment)] + points[static_cast<std::size_t>(v)],
            ++count[static_cast<std::size_t>(f.segment)];
    Point3d right{};
    for (std::size_t s = 4; s + 1 < kBodySegments; s += 2)
        if (count[s] && count[s + 1])
            right = right + ((1.0 / count[s]) * sum[s] - (1.0 / count[s + 1]) * sum[s + 1]);
    right.y = 0;
    const double length = std::sqrt(Dot(right, right));
    return length > 0 ? (1.0 / length) * right : Point3d{0, 0, 1};
}

} // namespace

ConvertedFigure ConvertFigure(const ImportScene& scene) {
    ConvertedFigure out;
    out.boneSegments = BoneSegments(scene.bones);
    bool namesKnown = std::any_of(scene.bones.begin(), scene.bones.end(), [](const ImportBone& b) {
        return ClassifyName(b.name).part != BodyPart::Unknown;
    });
    const auto [origin, size] = ModelBox(scene);
    Welder welder(kWeldFraction * size, origin);
    std::vector<Face> faces;
    std::vector<Point3d> normalSums;
    bool fileNormals = true;
    for (const ImportMesh& mesh : scene.meshes) {
        const bool skinned = mesh.weights.size() == mesh.positions.size() && !mesh.weights.empty();
        const int fixed = skinned ? -1 : FixedSegment(mesh, out.boneSegments);
        namesKnown = namesKnown || fixed >= 0;
        fileNormals = fileNormals && mesh.normals.size() == mesh.positions.size();
        std::vector<int> ids;
        ids.reserve(mesh.positions.size());
        for (std::size_t i = 0; i < mesh.positions.size(); ++i) {
            if (!Usable(mesh.positions[i])) {
                ids.push_back(-1);
                continue;
            }
            ids.push_back(welder.Add(mesh.positions[i]));
            if (normalSums.size() < welder.Points().size()) normalSums.resize(welder.Points().size());
            if (i < mesh.normals.size() && Usable(mesh.normals[i]))
                normalSums[static_cast<std::size_t>(ids.back())] =
                    normalSums[static_cast<std::size_t>(ids.back())] + mesh.normals[i];
        }
        for (const auto& t : mesh.triangles) {
            if (std::any_of(t.begin(), t.end(), [&](int i) {
                    return i < 0 || static_cast<std::size_t>(i) >= ids.size() ||
                           ids[static_cast<std::size_t>(i)] < 0;
                }))
                continue;
            Face f{{ids[static_cast<std::size_t>(t[0])], ids[static_cast<std::size_t>(t[1])],
                    ids[static_cast<std::size_t>(t[2])]},
                   fixed};
            if (f.vertex[0] == f.vertex[1] || f.vertex[1] == f.vertex[2] || f.vertex[0] == f.vertex[2])
                continue;
            if (skinned) {
                SegmentWeights w{};
                for (int i : t) {
                    const VertexWeights& vw = mesh.weights[static_cast<std::size_t>(i)];
                    for (std::size_t k = 0; k < vw.bone.size(); ++k)
                        if (vw.bone[k] >= 0 &&
                            static_cast<std::size_t>(vw.bone[k]) < out.boneSegments.size() &&
                            vw.weight[k] > 0)
                            w[static_cast<std::size_t>(
                                out.boneSegments[static_cast<std::size_t>(vw.bone[k])])] += vw.weight[k];
                }
                f.segment = *std::max_element(w.begin(), w.end()) > 0 ? Strongest(w) : -1;
            }
            faces.push_back(f);
        }
    }
    if (faces.empty()) {
        out.error = "it holds no faces";
        return out;
    }
    if (!namesKnown) {
        out.error = "it has no skeleton whose bone names, and no mesh, group or material names, say which "
                    "part of the body each face belongs to";
        return out;
    }
    const std::vector<Point3d>& points = welder.Points();
    AssignLeftovers(faces, points);
    const Point3d up{0, 1, 0}, right = RightDirection(faces, points);
    const Point3d forward = Cross(up, right);
    const double scale = scene.metresPerUnit / kDrawingUnit;
    auto figureAxes = [&](const Point3d& p) { return Point3d{Dot(p, forward), Dot(p, up), Dot(p, right)}; };
    std::vector<Vec3f> drawn;
    drawn.reserve(points.size());
    for (const Point3d& p : points) {
        const Point3d q = scale * figureAxes(p);
        drawn.push_back({static_cast<float>(q.x), static_cast<float>(q.y), static_cast<float>(q.z)});
    }
    out.model = std::make_unique<CUnderlayList>();
    out.model->m_nUnits = 5;
    std::vector<std::uint32_t> segmentsAt(points.size(), 0);
    for (const Face& f : faces) {
        auto line = std::make_unique<CUnderlayPolyLine>();
        for (int k : {0, 1, 2, 2}) {
            const Vec3f& p = drawn[static_cast<std::size_t>(f.vertex[static_cast<std::size_t>(k)])];
            line->Add(p);
            out.model->ExtendBounds(p.x, p.y, p.z);
        }
        line->m_bFace = true;
        line->m_nSegment = ColourOfSegment(f.segment);
        out.model->Append(std::move(line));
        ++out.faces[static_cast<std::size_t>(f.segment)];
        for (int v : f.vertex)
            segmentsAt[static_cast<std::size_t>(v)] |= 1u << f.segment;
    }
    // Normals in the frame of a normals file: the drawing's (x, y, z) is (-z, -x, y) there.
    auto fileFrame = [](const Point3d& n) {
        return Vec3f{static_cast<float>(-n.z), static_cast<float>(-n.x), static_cast<float>(n.y)};
    };
    out.normalsFromFile = fileNormals;
    if (fileNormals) {
        for (const Face& f : faces)
            for (int k : {0, 1, 2, 2})
                out.normals.push_back(fileFrame(Normalize(figureAxes(
                    normalSums[static_cast<std::size_t>(f.vertex[static_cast<std::size_t>(k)])]))));
    } else {
        for (const Vec3f& n : CornerNormals(*out.model))
            out.normals.push_back(fileFrame({n.x, n.y, n.z}));
    }
    for (const TreeNode& node : FigureTreeTable()) {
        if (node.parent < 0) continue;
        JointReport j{node.parent, node.segment, 0};
        const std::uint32_t both = (1u << node.parent) | (1u << node.segment);
        for (std::uint32_t m : segmentsAt)
            j.ringSize += (m & both) == both;
        out.joints.push_back(j);
        if (j.ringSize == 0)
            out.missingJoints.push_back(SegmentName(node.parent) + " - " + SegmentName(node.segment));
    }
    return out;
}

} // namespace figurant
