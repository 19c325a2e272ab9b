#include "CharacterPose.h"

#include "BoneNames.h"

#include <cmath>
#include <unordered_map>

namespace figurant {

namespace {

// The name with its side words swapped ("LeftHand" -> "RightHand", "hand.L" -> "hand.R"), once
// for each habit that applies.
std::vector<std::string> OtherSideNames(const std::string& name) {
    static const std::pair<const char*, const char*> kSides[] = {
        {"Left", "Right"}, {"left", "right"}, {"LEFT", "RIGHT"}, {".L", ".R"}, {"_L", "_R"}, {".l", ".r"},
        {"_l", "_r"},      {"L_", "R_"},      {" L ", " R "},    {"-L", "-R"}, {"-l", "-r"}};
    std::vector<std::string> out;
    for (const auto& [a, b] : kSides)
        for (const auto& [from, to] : {std::make_pair(a, b), std::make_pair(b, a)}) {
            const auto at = name.find(from);
            if (at == std::string::npos) continue;
            std::string other = name;
            other.replace(at, std::string(from).size(), to);
            out.push_back(other);
        }
    return out;
}

Affine Scaled(const Affine& a, double s) {
    Affine out = a;
    for (auto& row : out.r)
        for (double& v : row)
            v *= s;
    return out;
}

// The rotation part of a similarity (its uniform scale taken out).
Affine RotationOf(const Affine& a) {
    const double scale = std::cbrt(std::fabs(a.r[0][0] * (a.r[1][1] * a.r[2][2] - a.r[1][2] * a.r[2][1]) -
                                             a.r[0][1] * (a.r[1][0] * a.r[2][2] - a.r[1][2] * a.r[2][0]) +
                                             a.r[0][2] * (a.r[1][0] * a.r[2][1] - a.r[1][1] * a.r[2][0])));
    return Scaled(a.RotationOnly(), scale > 0 ? 1.0 / scale : 1.0);
}

Affine Turned(const CharacterJoint& joint, const Affine& local, const Quaternion& turn) {
    if (turn == Quaternion{0, 0, 0, 1}) return local;
    Affine scale;
    scale.r = {{{joint.scale.x, 0, 0}, {0, joint.scale.y, 0}, {0, 0, joint.scale.z}}};
    return local * scale.Inverse() * QuaternionRotation(turn) * scale;
}

} // namespace

bool HeadsSegment(const Character& c, int joint) {
    const CharacterJoint& j = c.joints[static_cast<std::size_t>(joint)];
    if (j.segment < 0) return false;
    if (j.parent < 0) return true;
    const CharacterJoint& parent = c.joints[static_cast<std::size_t>(j.parent)];
    return !parent.bone || parent.segment != j.segment;
}

std::vector<FigureBone> FigureBonesOf(const Character& c, const Affine& frame) {
    const Affine frameTurn = RotationOf(frame);
    // Looked up once: a file may hold a great many nodes.
    std::unordered_map<std::string, int> byName;
    std::vector<int> firstChild(c.joints.size(), -1);
    for (std::size_t j = c.joints.size(); j-- > 0;) {
        byName[c.joints[j].name] = static_cast<int>(j); // the first of a name wins
        const int parent = c.joints[j].parent;
        if (parent >= 0 && c.joints[j].bone)
            firstChild[static_cast<std::size_t>(parent)] = static_cast<int>(j);
    }
    std::vector<FigureBone> bones;
    for (std::size_t j = 0; j < c.joints.size(); ++j) {
        const CharacterJoint& joint = c.joints[j];
        FigureBone bone;
        bone.name = joint.name;
        bone.posable = joint.bone;
        bone.segment = HeadsSegment(c, static_cast<int>(j)) ? joint.segment : -1;
        const BodySide side = ClassifyName(joint.name).side;
        bone.side = side == BodySide::Left ? 1 : side == BodySide::Right ? 2 : 0;
        for (const std::string& other : OtherSideNames(joint.name))
            if (const auto m = byName.find(other); m != byName.end() && bone.mirror < 0)
                bone.mirror = m->second;
        // view -> local: (frame turn x rest world turn)^-1, both rotations.
        bone.viewToLocal = (frameTurn * RotationOf(joint.restWorld)).Transposed();
        if (const int child = firstChild[j]; child >= 0) {
            const Point3d& t = c.joints[static_cast<std::size_t>(child)].restLocal.t;
            if (Dot(t, t) > 0) bone.twistAxis = Normalize(t);
        }
        bones.push_back(std::move(bone));
    }
    return bones;
}

std::vector<PosedTriangle> SkinnedTriangles(const Character& c, const std::vector<float>& skinned) {
    std::vector<PosedTriangle> out;
    if (skinned.size() != 6 * c.surface.positions.size()) return out;
    out.reserve(c.surface.triangles.size());
    auto at = [&](int v, int offset) {
        const float* p = &skinned[6 * static_cast<std::size_t>(v) + static_cast<std::size_t>(offset)];
        return Point3d{p[0], p[1], p[2]};
    };
    for (std::size_t t = 0; t < c.surface.triangles.size(); ++t) {
        const auto& tri = c.surface.triangles[t];
        const int joint = c.StrongestJoint(t);
        const int segment = joint >= 0 ? c.joints[static_cast<std::size_t>(joint)].segment : -1;
        out.push_back({{at(tri[0], 0), at(tri[1], 0), at(tri[2], 0)},
                       {at(tri[0], 3), at(tri[1], 3), at(tri[2], 3)},
                       segment});
    }
    return out;
}

std::vector<Affine> InCharacterFrame(const std::vector<Affine>& segmentWorlds, const Affine& frame) {
    const Affine back = frame.Inverse();
    std::vector<Affine> out;
    out.reserve(segmentWorlds.size());
    for (const Affine& w : segmentWorlds)
        out.push_back(back * w * frame);
    return out;
}

std::vector<Affine> PosedJointWorlds(const Character& c, const std::vector<Affine>& segmentWorlds,
                                     const std::vector<Quaternion>& turns) {
    auto segmentMove = [&](int s) {
        return s >= 0 && static_cast<std::size_t>(s) < segmentWorlds.size()
                   ? segmentWorlds[static_cast<std::size_t>(s)]
                   : Affine{};
    };
    std::vector<Affine> worlds(c.joints.size());
    for (std::size_t j = 0; j < c.joints.size(); ++j) {
        const CharacterJoint& joint = c.joints[j];
        const Quaternion turn = j < turns.size() ? turns[j] : Quaternion{0, 0, 0, 1};
        if (joint.parent < 0) {
            worlds[j] = Turned(joint, segmentMove(joint.segment) * joint.restWorld, turn);
            continue;
        }
        const auto p = static_cast<std::size_t>(joint.parent);
        Affine local = joint.restLocal;
        if (c.joints[p].segment != joint.segment) {
            // The segment's turn relative to the one above it, taken into the joint's rest frame.
            const Affine relative = segmentMove(c.joints[p].segment).Inverse() * segmentMove(joint.segment);
            local = local * joint.restWorld.Inverse() * relative * joint.restWorld;
        }
        worlds[j] = worlds[p] * Turned(joint, local, turn);
    }
    return worlds;
}

} // namespace figurant
