#include "Character.h"

#include "SegmentVertices.h"
#include "SurfaceNormals.h"

#include <algorithm>
#include <cmath>
#include <map>

namespace figurant {

namespace {

// Rest positions further than this from where the file places them mean the file was saved in
// another pose than it was bound in (a micrometre: far below what a picture shows).
constexpr double kSameRestMetres = 1e-6;

bool Finite(const Affine& a) {
    for (const auto& row : a.r)
        for (double v : row)
            if (!std::isfinite(v)) return false;
    return std::isfinite(a.t.x) && std::isfinite(a.t.y) && std::isfinite(a.t.z);
}

Affine InMetres(Affine a, double metres) {
    a.t = metres * a.t;
    return a;
}

Vec3f ToVec(const Point3d& p) {
    return {static_cast<float>(p.x), static_cast<float>(p.y), static_cast<float>(p.z)};
}

class SurfaceBuilder {
  public:
    SurfaceBuilder(Character& out, double metres) : m_out(out), m_metres(metres) {}

    void Add(const ImportMesh& mesh) {
        CharacterSurface& s = m_out.surface;
        const auto first = static_cast<int>(s.positions.size());
        std::vector<Point3d> placed;
        placed.reserve(mesh.positions.size());
        for (const Point3d& p : mesh.positions)
            placed.push_back(m_metres * p);
        const std::vector<Point3d> normals =
            mesh.normals.size() == placed.size() ? mesh.normals : AreaWeightedNormals(placed, mesh.triangles);
        for (std::size_t v = 0; v < placed.size(); ++v) {
            s.positions.push_back(ToVec(placed[v]));
            s.normals.push_back(ToVec(normals[v]));
            s.uvs.push_back(mesh.uvs.size() == placed.size() ? mesh.uvs[v] : std::array<float, 2>{0, 0});
        }
        m_anyUvs = m_anyUvs || !mesh.uvs.empty();
        AddWeights(mesh);
        CharacterSurface::Part part{s.triangles.size(), 0, mesh.material};
        for (const auto& t : mesh.triangles) {
            const bool usable = std::all_of(t.begin(), t.end(), [&](int v) {
                const Point3d& p = placed[static_cast<std::size_t>(v)];
                return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z);
            });
            if (usable) s.triangles.push_back({first + t[0], first + t[1], first + t[2]});
        }
        part.triangleCount = s.triangles.size() - part.firstTriangle;
        if (part.triangleCount > 0) s.parts.push_back(part);
    }

    void Finish() {
        if (!m_anyUvs) m_out.surface.uvs.clear();
    }

  private:
    // A binding of the mesh's own: each weighted bone's, and the node it hangs from for vertices
    // with no weight.
    int Bind(int joint, const Affine& toJoint) {
        m_out.binds.push_back({joint, toJoint});
        return static_cast<int>(m_out.binds.size()) - 1;
    }

    void AddWeights(const ImportMesh& mesh) {
        CharacterSurface& s = m_out.surface;
        const int owner = std::max(mesh.bone, 0);
        int hung = -1;
        auto hangFromOwner = [&] {
            if (hung < 0)
                hung = Bind(owner, m_out.joints[static_cast<std::size_t>(owner)].restWorld.Inverse());
            return hung;
        };
        std::map<int, int> bindOf;
        for (const SkinBind& b : mesh.binds)
            bindOf.emplace(b.bone, Bind(b.bone, InMetres(b.toBone, m_metres)));
        for (std::size_t v = 0; v < mesh.positions.size(); ++v) {
            std::array<int, 4> binds{-1, -1, -1, -1};
            std::array<float, 4> weights{0, 0, 0, 0};
            double sum = 0; // four of the largest floats overflow a float's sum
            if (v < mesh.weights.size()) {
                const VertexWeights& w = mesh.weights[v];
                for (std::size_t k = 0; k < 4; ++k) {
                    const auto it = bindOf.find(w.bone[k]);
                    if (it == bindOf.end() || !(w.weight[k] > 0) || !std::isfinite(w.weight[k])) continue;
                    binds[k] = it->second;
                    weights[k] = w.weight[k];
                    sum += w.weight[k];
                }
            }
            if (sum > 0) {
                for (float& w : weights)
                    w = static_cast<float>(w / sum);
            } else {
                binds = {hangFromOwner(), -1, -1, -1};
                weights = {1, 0, 0, 0};
            }
            s.binds.push_back(binds);
            s.weights.push_back(weights);
        }
    }

    Character& m_out;
    double m_metres;
    bool m_anyUvs = false;
};

// Marks every joint of the skin (bound, weighted or not) and the joints above them up to the
// scene's top node, which the reading library may have made up to hold several roots: it is a
// bone only when a vertex is bound to it. Nodes under a bone are bones too (end bones, eyes,
// finger tips that no skin lists), unless they hold a mesh: a mesh's own node is no bone.
void MarkBones(Character& c, const ImportScene& scene) {
    for (const CharacterBind& b : c.binds) {
        c.joints[static_cast<std::size_t>(b.joint)].bone = true;
        for (int j = c.joints[static_cast<std::size_t>(b.joint)].parent; j > 0;
             j = c.joints[static_cast<std::size_t>(j)].parent)
            c.joints[static_cast<std::size_t>(j)].bone = true;
    }
    std::vector<bool> holdsMesh(c.joints.size(), false);
    for (const ImportMesh& mesh : scene.meshes)
        if (mesh.bone >= 0 && static_cast<std::size_t>(mesh.bone) < holdsMesh.size())
            holdsMesh[static_cast<std::size_t>(mesh.bone)] = true;
    // Parents come before their children.
    for (std::size_t j = 0; j < c.joints.size(); ++j) {
        CharacterJoint& joint = c.joints[j];
        if (!joint.bone && joint.parent > 0 && c.joints[static_cast<std::size_t>(joint.parent)].bone &&
            !holdsMesh[j])
            joint.bone = true;
    }
}

// Where the skeleton's rest puts each vertex by its weights; kept only when it is not where the
// file places it.
void SettleRest(Character& c) {
    CharacterSurface& s = c.surface;
    std::vector<Affine> restSkin;
    for (const CharacterBind& b : c.binds)
        restSkin.push_back(c.joints[static_cast<std::size_t>(b.joint)].restWorld * b.toJoint);
    std::vector<Vec3f> rest(s.positions.size());
    bool differs = false;
    for (std::size_t v = 0; v < s.positions.size(); ++v) {
        const Point3d p = ToPoint3d(s.positions[v]);
        Point3d sum{};
        for (std::size_t k = 0; k < 4; ++k)
            if (s.binds[v][k] >= 0)
                sum = sum + static_cast<double>(s.weights[v][k]) *
                                restSkin[static_cast<std::size_t>(s.binds[v][k])](p);
        rest[v] = ToVec(sum);
        const Point3d d = sum - p;
        differs = differs || Dot(d, d) > kSameRestMetres * kSameRestMetres;
    }
    if (differs) s.restPositions = std::move(rest);
}

} // namespace

int Character::FindJoint(const std::string& name) const {
    for (std::size_t j = 0; j < joints.size(); ++j)
        if (joints[j].name == name) return static_cast<int>(j);
    return -1;
}

int Character::JointBetween(int segmentA, int segmentB) const {
    for (std::size_t j = 0; j < joints.size(); ++j) {
        const CharacterJoint& joint = joints[j];
        if (joint.parent < 0 || !joint.bone) continue;
        const int up = joints[static_cast<std::size_t>(joint.parent)].segment;
        if ((joint.segment == segmentA && up == segmentB) || (joint.segment == segmentB && up == segmentA))
            return static_cast<int>(j);
    }
    return -1;
}

int Character::StrongestJoint(std::size_t triangle) const {
    // At most twelve joints weigh on a triangle: summed in place, without a map.
    std::array<std::pair<int, float>, 12> sum{};
    std::size_t used = 0;
    for (int v : surface.triangles[triangle])
        for (std::size_t k = 0; k < 4; ++k) {
            const int b = surface.binds[static_cast<std::size_t>(v)][k];
            if (b < 0) continue;
            const int joint = binds[static_cast<std::size_t>(b)].joint;
            auto* at = std::find_if(sum.begin(), sum.begin() + static_cast<std::ptrdiff_t>(used),
                                    [&](const auto& e) { return e.first == joint; });
            if (at == sum.begin() + static_cast<std::ptrdiff_t>(used)) *at = {joint, 0.0f}, ++used;
            at->second += surface.weights[static_cast<std::size_t>(v)][k];
        }
    const auto* best = std::max_element(sum.begin(), sum.begin() + static_cast<std::ptrdiff_t>(used),
                                        [](const auto& a, const auto& b) { return a.second < b.second; });
    return used == 0 ? -1 : best->first;
}

std::optional<Character> CharacterFromScene(const ImportScene& scene, std::string* why) {
    const bool skinned = std::any_of(scene.meshes.begin(), scene.meshes.end(),
                                     [](const ImportMesh& m) { return !m.binds.empty(); });
    if (!skinned) {
        if (why) *why = "it has no skin";
        return std::nullopt;
    }
    const double metres =
        std::isfinite(scene.metresPerUnit) && scene.metresPerUnit > 0 ? scene.metresPerUnit : 1.0;
    Character c;
    const std::vector<int> segments = BoneSegments(scene.bones);
    for (std::size_t b = 0; b < scene.bones.size(); ++b) {
        const ImportBone& bone = scene.bones[b];
        CharacterJoint j{bone.name, bone.parent, InMetres(bone.local, metres), bone.scale, {},
                         false,     segments[b]};
        j.restWorld = j.parent >= 0 ? c.joints[static_cast<std::size_t>(j.parent)].restWorld * j.restLocal
                                    : j.restLocal;
        if (!Finite(j.restWorld)) {
            if (why) *why = "the transform of its node \"" + bone.name + "\" is not a number";
            return std::nullopt;
        }
        c.joints.push_back(std::move(j));
    }
    SurfaceBuilder surface(c, metres);
    for (const ImportMesh& mesh : scene.meshes)
        surface.Add(mesh);
    surface.Finish();
    for (const CharacterBind& b : c.binds)
        if (!Finite(b.toJoint)) {
            if (why)
                *why = "the bind matrix of its bone \"" + c.joints[static_cast<std::size_t>(b.joint)].name +
                       "\" is not a number";
            return std::nullopt;
        }
    MarkBones(c, scene);
    SettleRest(c);
    c.materials = scene.materials;
    return c;
}

} // namespace figurant
