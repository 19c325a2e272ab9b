#include "FigureImport.h"

#include "BoneNames.h"
#include "FigureTree.h"
#include "SegmentNames.h"
#include "SegmentVertices.h"
#include "SurfaceNormals.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <future>
#include <limits>
#include <optional>
#include <unordered_map>

namespace figurant {

namespace {

constexpr int kBodySegments = 16;
constexpr int kHeadSegment = 0, kChestSegment = 1, kPelvisSegment = 3;
// The waist lies this far from the hip joints' height to the shoulder joints' height.
constexpr double kWaistFraction = 0.35;
// Positions closer than this are one vertex: a millionth of a body's height, whatever else the
// file holds (a share of the model's size let one stray vertex far away weld a body together).
constexpr double kWeldMetres = 2e-6;
// Metres per unit of the drawing's coordinates, and the units code that names that unit.
constexpr double kDrawingUnit = 2.54;
constexpr int kDrawingUnitsCode = 5; // 100 inches

double MeanHeight(const std::vector<ImportBone>& bones, const std::vector<NamedPart>& parts, BodyPart part) {
    double sum = 0;
    int n = 0;
    for (std::size_t b = 0; b < bones.size(); ++b)
        if (parts[b].part == part) sum += bones[b].head.y, ++n;
    return n ? sum / n : std::numeric_limits<double>::quiet_NaN();
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
    // Unknown bones take their nearest known ancestor's segment (the pelvis at the top). The walk
    // up stops after as many steps as there are bones, whatever the parent links say.
    auto known = [&](int a) {
        return a >= 0 && static_cast<std::size_t>(a) < bones.size() &&
               segments[static_cast<std::size_t>(a)] >= 0;
    };
    // A parent listed before its child has been resolved already (the readers list bones so), which
    // keeps this linear however long a chain of unknown bones is.
    std::vector<int> resolved = segments;
    for (std::size_t b = 0; b < bones.size(); ++b) {
        if (known(static_cast<int>(b))) continue;
        const int parent = bones[b].parent;
        if (parent >= 0 && static_cast<std::size_t>(parent) < b) {
            resolved[b] = resolved[static_cast<std::size_t>(parent)];
            continue;
        }
        int a = parent;
        for (std::size_t steps = 0;
             a >= 0 && static_cast<std::size_t>(a) < bones.size() && !known(a) && steps <= bones.size();
             ++steps)
            a = bones[static_cast<std::size_t>(a)].parent;
        resolved[b] = known(a) ? segments[static_cast<std::size_t>(a)] : kPelvisSegment;
    }
    return resolved;
}

namespace {

using SegmentWeights = std::array<float, kBodySegments>;

// Vertices within the welding distance become one. Positions are hashed into cells much larger
// than that distance, so a position is looked up in its own cell only, and in a neighbouring
// cell only when it lies within the distance of that cell's side.
class Welder {
  public:
    // Cells are counted from the model's lowest corner.
    Welder(double tolerance, const Point3d& origin, std::size_t expected)
        : m_tol(tolerance), m_cell(tolerance * kCellsPerTolerance), m_origin(origin) {
        m_points.reserve(expected);
        m_next.reserve(expected);
        m_cells.reserve(expected);
    }
    int Add(const Point3d& p) {
        const Point3d q = p - m_origin;
        const double v[3] = {q.x / m_cell, q.y / m_cell, q.z / m_cell};
        double c[3];
        int lo[3], hi[3];
        for (int a = 0; a < 3; ++a) {
            const double f = std::floor(v[a]);
            c[a] = f;
            const double margin = m_tol / m_cell;
            lo[a] = v[a] - f < margin ? -1 : 0;
            hi[a] = f + 1 - v[a] < margin ? 1 : 0;
        }
        for (int dx = lo[0]; dx <= hi[0]; ++dx)
            for (int dy = lo[1]; dy <= hi[1]; ++dy)
                for (int dz = lo[2]; dz <= hi[2]; ++dz) {
                    const auto it = m_cells.find(Cell{c[0] + dx, c[1] + dy, c[2] + dz});
                    if (it == m_cells.end()) continue;
                    for (int id = it->second; id >= 0; id = m_next[static_cast<std::size_t>(id)]) {
                        const Point3d d = m_points[static_cast<std::size_t>(id)] - p;
                        if (Dot(d, d) <= m_tol * m_tol) return id;
                    }
                }
        const int id = static_cast<int>(m_points.size());
        m_points.push_back(p);
        // A new point goes to the head of its cell's chain.
        const auto [it, fresh] = m_cells.try_emplace(Cell{c[0], c[1], c[2]}, id);
        m_next.push_back(fresh ? -1 : it->second);
        it->second = id;
        return id;
    }
    const std::vector<Point3d>& Points() const { return m_points; }

  private:
    static constexpr double kCellsPerTolerance = 1000;
    // A cell by its whole-numbered coordinates, kept as doubles: a position however far away has
    // a cell of its own, and no two cells share a key.
    struct Cell {
        double x, y, z;
        bool operator==(const Cell& o) const { return x == o.x && y == o.y && z == o.z; }
    };
    struct CellHash {
        std::size_t operator()(const Cell& c) const {
            std::size_t h = std::hash<double>()(c.x);
            h = h * 1000003u ^ std::hash<double>()(c.y);
            return h * 1000003u ^ std::hash<double>()(c.z);
        }
    };
    double m_tol, m_cell;
    Point3d m_origin;
    std::vector<Point3d> m_points;
    std::vector<int> m_next;                         // per point: the next point of its cell, or -1
    std::unordered_map<Cell, int, CellHash> m_cells; // the newest point of each cell
};

// A mesh without a skin: its own names first, then the bone it hangs from, when that bone or one
// above it has a body part's name (a teapot under a node named "Teapot" is no pelvis).
int FixedSegment(const ImportMesh& mesh, const std::vector<int>& boneSegments,
                 const std::vector<bool>& named) {
    for (const std::string& name : mesh.names) {
        const NamedPart part = ClassifyName(name);
        if (part.part == BodyPart::Spine) return kChestSegment;
        if (const int s = SegmentOfPart(part); s >= 0) return s;
    }
    if (mesh.bone >= 0 && static_cast<std::size_t>(mesh.bone) < boneSegments.size() &&
        named[static_cast<std::size_t>(mesh.bone)])
        return boneSegments[static_cast<std::size_t>(mesh.bone)];
    return -1;
}

// Bones that have a body part's name, or hang below one that has.
std::vector<bool> NamedBones(const std::vector<ImportBone>& bones) {
    std::vector<bool> named(bones.size(), false);
    for (std::size_t b = 0; b < bones.size(); ++b) {
        const int parent = bones[b].parent;
        named[b] =
            ClassifyName(bones[b].name).part != BodyPart::Unknown ||
            (parent >= 0 && static_cast<std::size_t>(parent) < b && named[static_cast<std::size_t>(parent)]);
    }
    return named;
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

template <typename T> const T& At(const std::vector<T>& v, int i) {
    return v[static_cast<std::size_t>(i)];
}

// The middle of each segment's faces, by their corners; none for a segment without faces.
std::array<std::optional<Point3d>, kBodySegments> SegmentMiddles(const std::vector<Face>& faces,
                                                                 const std::vector<Point3d>& points) {
    std::array<Point3d, kBodySegments> sum{};
    std::array<long, kBodySegments> count{};
    for (const Face& f : faces) {
        if (f.segment < 0) continue;
        const auto s = static_cast<std::size_t>(f.segment);
        for (int v : f.vertex) {
            sum[s] = sum[s] + At(points, v);
            ++count[s];
        }
    }
    std::array<std::optional<Point3d>, kBodySegments> middles;
    for (std::size_t s = 0; s < middles.size(); ++s)
        if (count[s] > 0) middles[s] = (1.0 / static_cast<double>(count[s])) * sum[s];
    return middles;
}

// Faces the names left without a segment go to the segment whose faces lie nearest.
void AssignLeftovers(std::vector<Face>& faces, const std::vector<Point3d>& points) {
    const auto middles = SegmentMiddles(faces, points);
    for (Face& f : faces) {
        if (f.segment >= 0) continue;
        const Point3d centre =
            (1.0 / 3) * (At(points, f.vertex[0]) + At(points, f.vertex[1]) + At(points, f.vertex[2]));
        double best = std::numeric_limits<double>::infinity();
        for (std::size_t s = 0; s < middles.size(); ++s) {
            if (!middles[s]) continue;
            const Point3d d = *middles[s] - centre;
            if (Dot(d, d) < best) {
                best = Dot(d, d);
                f.segment = static_cast<int>(s);
            }
        }
        if (f.segment < 0) f.segment = kChestSegment;
    }
}

// The figure's right, across the body: from each left limb's middle to its right partner's,
// level with the ground. Without sided limbs, +z.
Point3d RightDirection(const std::vector<Face>& faces, const std::vector<Point3d>& points) {
    const auto middles = SegmentMiddles(faces, points);
    Point3d right{};
    for (std::size_t s = 4; s + 1 < middles.size(); s += 2)
        if (middles[s] && middles[s + 1]) right = right + (*middles[s] - *middles[s + 1]);
    right.y = 0;
    const double length = std::sqrt(Dot(right, right));
    return length > 0 ? (1.0 / length) * right : Point3d{0, 0, 1};
}

} // namespace

namespace {

Welder WelderFor(const ImportScene& scene) {
    const Point3d origin = ModelBox(scene).first;
    std::size_t positions = 0;
    for (const ImportMesh& m : scene.meshes)
        positions += m.positions.size();
    const double metres =
        std::isfinite(scene.metresPerUnit) && scene.metresPerUnit > 0 ? scene.metresPerUnit : 1.0;
    return Welder(kWeldMetres / metres, origin, positions);
}

// A skinned face's weights by segment, summed over its corners.
SegmentWeights FaceWeights(const ImportMesh& mesh, const std::array<int, 3>& corners,
                           const std::vector<int>& boneSegments) {
    SegmentWeights w{};
    for (int i : corners) {
        const VertexWeights& vw = At(mesh.weights, i);
        for (std::size_t k = 0; k < vw.bone.size(); ++k) {
            const int bone = vw.bone[k];
            if (bone >= 0 && static_cast<std::size_t>(bone) < boneSegments.size() && vw.weight[k] > 0)
                w[static_cast<std::size_t>(At(boneSegments, bone))] += vw.weight[k];
        }
    }
    return w;
}

// The segment holding the largest weight; -1 when nothing is weighted.
int WeightedSegment(const SegmentWeights& w) {
    const int strongest = Strongest(w);
    return w[static_cast<std::size_t>(strongest)] > 0 ? strongest : -1;
}

// Every mesh's faces over one set of welded vertices, with the file's normals summed per vertex.
class FaceCollector {
  public:
    FaceCollector(const ImportScene& scene, const std::vector<int>& boneSegments)
        : m_boneSegments(boneSegments), m_named(NamedBones(scene.bones)), m_welder(WelderFor(scene)) {}

    // True when the mesh has no skin and its own names (or its node's) place it on the body.
    bool Add(const ImportMesh& mesh) {
        const bool skinned = !mesh.weights.empty() && mesh.weights.size() == mesh.positions.size();
        const int fixed = skinned ? -1 : FixedSegment(mesh, m_boneSegments, m_named);
        m_fileNormals = m_fileNormals && mesh.normals.size() == mesh.positions.size();
        std::vector<int> ids;
        ids.reserve(mesh.positions.size());
        m_faces.reserve(m_faces.size() + mesh.triangles.size());
        m_weights.reserve(m_weights.size() + mesh.triangles.size());
        m_skinned.reserve(m_skinned.size() + mesh.triangles.size());
        for (std::size_t i = 0; i < mesh.positions.size(); ++i)
            ids.push_back(Weld(mesh.positions[i], i < mesh.normals.size() ? mesh.normals[i] : Point3d{}));
        auto usable = [&](int i) {
            return i >= 0 && static_cast<std::size_t>(i) < ids.size() && At(ids, i) >= 0;
        };
        for (const auto& t : mesh.triangles) {
            if (!std::all_of(t.begin(), t.end(), usable)) {
                ++m_leftOut.placeless;
                continue;
            }
            const SegmentWeights w = skinned ? FaceWeights(mesh, t, m_boneSegments) : SegmentWeights{};
            const Face f{{At(ids, t[0]), At(ids, t[1]), At(ids, t[2])}, skinned ? WeightedSegment(w) : fixed};
            // Faces that welding folded to a line or a point are dropped, and counted.
            if (f.vertex[0] != f.vertex[1] && f.vertex[1] != f.vertex[2] && f.vertex[0] != f.vertex[2]) {
                m_faces.push_back(f);
                m_weights.push_back(w);
                m_skinned.push_back(skinned);
            } else {
                ++m_leftOut.folded;
            }
        }
        return fixed >= 0;
    }

    std::vector<Face>& Faces() { return m_faces; }
    const std::vector<SegmentWeights>& Weights() const { return m_weights; }
    const std::vector<bool>& Skinned() const { return m_skinned; }
    const std::vector<Point3d>& Points() const { return m_welder.Points(); }
    const std::vector<Point3d>& NormalSums() const { return m_normalSums; }
    bool FileNormals() const { return m_fileNormals; }
    const FacesLeftOut& LeftOut() const { return m_leftOut; }

  private:
    int Weld(const Point3d& p, const Point3d& normal) {
        if (!Usable(p)) return -1;
        const int id = m_welder.Add(p);
        if (m_normalSums.size() < m_welder.Points().size()) m_normalSums.resize(m_welder.Points().size());
        if (Usable(normal)) m_normalSums[static_cast<std::size_t>(id)] = At(m_normalSums, id) + normal;
        return id;
    }

    const std::vector<int>& m_boneSegments;
    const std::vector<bool> m_named;
    Welder m_welder;
    std::vector<Face> m_faces;
    std::vector<SegmentWeights> m_weights; // per face, summed over its corners (skinned faces)
    std::vector<bool> m_skinned;
    std::vector<Point3d> m_normalSums;
    bool m_fileNormals = true;
    FacesLeftOut m_leftOut;
};

// The figure's axes: x forward, y up, z the figure's right.
struct FigureAxes {
    Point3d forward, up, right;
    Point3d operator()(const Point3d& p) const { return {Dot(p, forward), Dot(p, up), Dot(p, right)}; }
};

// Normals in the frame of a normals file: the drawing's (x, y, z) is (-z, -x, y) there.
Vec3f NormalsFileFrame(const Point3d& n) {
    return {static_cast<float>(-n.z), static_cast<float>(-n.x), static_cast<float>(n.y)};
}

// Every joint of the figure tree and how many vertices its two segments share.
void CheckJoints(const std::vector<Face>& faces, std::size_t nPoints, ConvertedFigure& out) {
    std::vector<std::uint32_t> segmentsAt(nPoints, 0);
    for (const Face& f : faces)
        for (int v : f.vertex)
            segmentsAt[static_cast<std::size_t>(v)] |= 1u << f.segment;
    for (const TreeNode& node : FigureTreeTable()) {
        if (node.parent < 0) continue;
        JointReport j{node.parent, node.segment, 0};
        const std::uint32_t both = (1u << node.parent) | (1u << node.segment);
        j.ringSize = std::count_if(segmentsAt.begin(), segmentsAt.end(),
                                   [&](std::uint32_t m) { return (m & both) == both; });
        out.joints.push_back(j);
        if (j.ringSize == 0)
            out.missingJoints.push_back(SegmentName(node.parent) + " - " + SegmentName(node.segment));
    }
}

} // namespace

namespace {

// Triangles that were one quad where the figure was modelled (two skinned triangles whose longest
// edges are the same edge) take one segment together, chosen by their weights summed: the boundary
// between two segments then runs along the quads' edges instead of in teeth across them.
void JoinQuadHalves(std::vector<Face>& faces, const std::vector<SegmentWeights>& weights,
                    const std::vector<bool>& skinned, const std::vector<Point3d>& points) {
    auto edgeKey = [](int a, int b) {
        return (static_cast<std::uint64_t>(std::min(a, b)) << 32) |
               static_cast<std::uint32_t>(std::max(a, b));
    };
    // Each longest edge with the skinned faces that have it: a pair is a quad's halves.
    struct Halves {
        std::size_t first, second;
        int count;
    };
    std::unordered_map<std::uint64_t, Halves> byEdge;
    byEdge.reserve(faces.size());
    for (std::size_t f = 0; f < faces.size(); ++f) {
        if (!skinned[f]) continue;
        const auto& v = faces[f].vertex;
        double best = -1;
        std::uint64_t longest = 0;
        for (int k = 0; k < 3; ++k) {
            const Point3d d = At(points, v[static_cast<std::size_t>((k + 1) % 3)]) -
                              At(points, v[static_cast<std::size_t>(k)]);
            if (Dot(d, d) > best) {
                best = Dot(d, d);
                longest = edgeKey(v[static_cast<std::size_t>(k)], v[static_cast<std::size_t>((k + 1) % 3)]);
            }
        }
        const auto [it, fresh] = byEdge.try_emplace(longest, Halves{f, f, 1});
        if (!fresh && ++it->second.count == 2) it->second.second = f;
    }
    for (const auto& [edge, halves] : byEdge) {
        if (halves.count != 2) continue;
        SegmentWeights sum{};
        for (std::size_t f : {halves.first, halves.second})
            for (std::size_t s = 0; s < sum.size(); ++s)
                sum[s] += weights[f][s];
        const int segment = WeightedSegment(sum);
        if (segment < 0) continue;
        faces[halves.first].segment = faces[halves.second].segment = segment;
    }
}

} // namespace

namespace {

// The faces as a drawing holds them: a face of four corners per triangle (the last repeated), a
// colour naming its segment; with the file's normals, one per corner.
void WriteDrawing(const std::vector<Face>& faces, const std::vector<Vec3f>& drawn, const FigureAxes& axes,
                  const FaceCollector& collector, ConvertedFigure& out) {
    out.model = std::make_unique<CUnderlayList>();
    out.model->m_nUnits = kDrawingUnitsCode;
    if (out.normalsFromFile) out.normals.reserve(4 * faces.size());
    for (const Face& f : faces) {
        CUnderlayPolyLine line;
        line.SetSize(4);
        std::int32_t corner = 0;
        for (int v : {f.vertex[0], f.vertex[1], f.vertex[2], f.vertex[2]}) {
            const Vec3f& p = At(drawn, v);
            line.SetAt(corner++, p);
            out.model->ExtendBounds(p.x, p.y, p.z);
            if (out.normalsFromFile)
                out.normals.push_back(NormalsFileFrame(Normalize(axes(At(collector.NormalSums(), v)))));
        }
        line.m_bFace = true;
        line.m_nSegment = ColourOfSegment(f.segment);
        out.model->Append(std::move(line));
        ++out.faces[static_cast<std::size_t>(f.segment)];
    }
}

// Without the file's normals: the faces' own rule, over the welded vertices they already share.
std::vector<Vec3f> ComputeNormals(const std::vector<Face>& faces, const std::vector<Vec3f>& drawn) {
    std::vector<Point3d> positions;
    positions.reserve(drawn.size());
    for (const Vec3f& p : drawn)
        positions.push_back(ToPoint3d(p));
    std::vector<std::array<int, 3>> corners;
    corners.reserve(faces.size());
    for (const Face& f : faces)
        corners.push_back(f.vertex);
    const std::vector<Point3d> normals = AreaWeightedNormals(positions, corners);
    std::vector<Vec3f> out;
    out.reserve(4 * faces.size());
    for (const Face& f : faces)
        for (int v : {f.vertex[0], f.vertex[1], f.vertex[2], f.vertex[2]})
            out.push_back(NormalsFileFrame(At(normals, v)));
    return out;
}

} // namespace

ConvertedFigure ConvertFigure(const ImportScene& scene) {
    ConvertedFigure out;
    out.boneSegments = BoneSegments(scene.bones);
    bool namesKnown = std::any_of(scene.bones.begin(), scene.bones.end(), [](const ImportBone& b) {
        return ClassifyName(b.name).part != BodyPart::Unknown;
    });
    FaceCollector collector(scene, out.boneSegments);
    for (const ImportMesh& mesh : scene.meshes)
        namesKnown = collector.Add(mesh) || namesKnown;
    std::vector<Face>& faces = collector.Faces();
    if (faces.empty()) {
        out.error = "it holds no faces";
        return out;
    }
    if (!namesKnown) {
        out.error = "it has no skeleton whose bone names, and no mesh, group or material names, say which "
                    "part of the body each face belongs to";
        return out;
    }
    const std::vector<Point3d>& points = collector.Points();
    JoinQuadHalves(faces, collector.Weights(), collector.Skinned(), points);
    AssignLeftovers(faces, points);
    const Point3d up{0, 1, 0}, right = RightDirection(faces, points);
    const FigureAxes axes{Cross(up, right), up, right};
    out.facingYaw = std::atan2(axes.forward.x, axes.forward.z);
    out.axes.r = {{{axes.forward.x, axes.forward.y, axes.forward.z},
                   {axes.up.x, axes.up.y, axes.up.z},
                   {axes.right.x, axes.right.y, axes.right.z}}};
    const double metres =
        std::isfinite(scene.metresPerUnit) && scene.metresPerUnit > 0 ? scene.metresPerUnit : 1.0;
    std::vector<Vec3f> drawn;
    drawn.reserve(points.size());
    for (const Point3d& p : points) {
        const Point3d q = (metres / kDrawingUnit) * axes(p);
        drawn.push_back({static_cast<float>(q.x), static_cast<float>(q.y), static_cast<float>(q.z)});
    }
    out.normalsFromFile = collector.FileNormals();
    out.leftOut = collector.LeftOut();
    // Normals worked out from the faces take as long as the drawing: they are made beside it.
    std::future<std::vector<Vec3f>> normals;
    if (!out.normalsFromFile)
        normals = std::async(std::launch::async, ComputeNormals, std::cref(faces), std::cref(drawn));
    WriteDrawing(faces, drawn, axes, collector, out);
    CheckJoints(faces, points.size(), out);
    if (normals.valid()) out.normals = normals.get();
    return out;
}

} // namespace figurant
