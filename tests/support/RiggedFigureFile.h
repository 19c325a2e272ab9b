#pragma once
// Small rigged humanoid files for the import tests: a figure of open tubes, one per bone, glTF
// 2.0 with the buffer inline. Tubes that meet share a ring of positions, written twice (once per
// tube, as exporters split vertices at seams), each copy bound to its own tube's bone. The bone
// names follow whichever naming convention the test gives.
#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace figurant::test {

// Names for the figure's bones, in the order of kFigureBones below.
using BoneNaming = std::array<const char*, 22>;

// Mixamo: the default names of its auto-rigger.
inline const BoneNaming kMixamoNames = {"mixamorig:Hips",           "mixamorig:Spine",
                                        "mixamorig:Spine1",         "mixamorig:Spine2",
                                        "mixamorig:Neck",           "mixamorig:Head",
                                        "mixamorig:LeftShoulder",   "mixamorig:LeftArm",
                                        "mixamorig:LeftForeArm",    "mixamorig:LeftHand",
                                        "mixamorig:LeftHandIndex1", "mixamorig:RightShoulder",
                                        "mixamorig:RightArm",       "mixamorig:RightForeArm",
                                        "mixamorig:RightHand",      "mixamorig:RightHandIndex1",
                                        "mixamorig:LeftUpLeg",      "mixamorig:LeftLeg",
                                        "mixamorig:LeftFoot",       "mixamorig:RightUpLeg",
                                        "mixamorig:RightLeg",       "mixamorig:RightFoot"};

struct FigureBone {
    int parent;
    std::array<float, 3> head, tail; // metres, y up, the figure facing +z (its left at +x)
    float radius;
};

// Hips, three spine bones, neck, head; per side shoulder, upper arm, forearm, hand, finger; per
// side thigh, shin, foot.
inline const std::vector<FigureBone> kFigureBones = {
    {-1, {0, 0.95f, 0}, {0, 1.10f, 0}, 0.14f},          // 0 hips
    {0, {0, 1.10f, 0}, {0, 1.20f, 0}, 0.13f},           // 1 spine
    {1, {0, 1.20f, 0}, {0, 1.32f, 0}, 0.14f},           // 2 spine 1
    {2, {0, 1.32f, 0}, {0, 1.45f, 0}, 0.15f},           // 3 spine 2 / chest
    {3, {0, 1.45f, 0}, {0, 1.55f, 0}, 0.05f},           // 4 neck
    {4, {0, 1.55f, 0}, {0, 1.80f, 0}, 0.09f},           // 5 head
    {3, {0.02f, 1.40f, 0}, {0.20f, 1.40f, 0}, 0.05f},   // 6 left shoulder
    {6, {0.20f, 1.40f, 0}, {0.45f, 1.40f, 0}, 0.045f},  // 7 left upper arm
    {7, {0.45f, 1.40f, 0}, {0.70f, 1.40f, 0}, 0.04f},   // 8 left forearm
    {8, {0.70f, 1.40f, 0}, {0.82f, 1.40f, 0}, 0.035f},  // 9 left hand
    {9, {0.82f, 1.40f, 0}, {0.90f, 1.40f, 0}, 0.02f},   // 10 left finger
    {3, {-0.02f, 1.40f, 0}, {-0.20f, 1.40f, 0}, 0.05f}, // 11 right shoulder
    {11, {-0.20f, 1.40f, 0}, {-0.45f, 1.40f, 0}, 0.045f},
    {12, {-0.45f, 1.40f, 0}, {-0.70f, 1.40f, 0}, 0.04f},
    {13, {-0.70f, 1.40f, 0}, {-0.82f, 1.40f, 0}, 0.035f},
    {14, {-0.82f, 1.40f, 0}, {-0.90f, 1.40f, 0}, 0.02f},
    {0, {0.10f, 0.95f, 0}, {0.10f, 0.52f, 0}, 0.07f},  // 16 left thigh
    {16, {0.10f, 0.52f, 0}, {0.10f, 0.08f, 0}, 0.05f}, // 17 left shin
    {17, {0.10f, 0.08f, 0}, {0.10f, 0.04f, 0.18f}, 0.04f},
    {0, {-0.10f, 0.95f, 0}, {-0.10f, 0.52f, 0}, 0.07f}, // 19 right thigh
    {19, {-0.10f, 0.52f, 0}, {-0.10f, 0.08f, 0}, 0.05f},
    {20, {-0.10f, 0.08f, 0}, {-0.10f, 0.04f, 0.18f}, 0.04f},
};

namespace detail {

inline std::string Base64(const std::string& bytes) {
    static const char* k = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        std::uint32_t v = static_cast<std::uint8_t>(bytes[i]) << 16;
        if (i + 1 < bytes.size()) v |= static_cast<std::uint8_t>(bytes[i + 1]) << 8;
        if (i + 2 < bytes.size()) v |= static_cast<std::uint8_t>(bytes[i + 2]);
        out += k[(v >> 18) & 63];
        out += k[(v >> 12) & 63];
        out += i + 1 < bytes.size() ? k[(v >> 6) & 63] : '=';
        out += i + 2 < bytes.size() ? k[v & 63] : '=';
    }
    return out;
}

// A number in the "C" format, whatever the locale.
inline std::string Num(double v) {
    char buf[32];
    return std::string(buf, std::to_chars(buf, buf + sizeof buf, v).ptr);
}

template <typename T> void Append(std::string& buffer, const T& value) {
    buffer.append(reinterpret_cast<const char*>(&value), sizeof value);
}

// The ring of a joint: the same positions for every tube that meets there.
inline std::vector<std::array<float, 3>> Ring(const std::array<float, 3>& at, float radius, int size) {
    std::vector<std::array<float, 3>> ring;
    for (int i = 0; i < size; ++i) {
        const double a = 2 * 3.14159265358979 * i / size;
        // Rings lie in the plane across the body's up-down and left-right lines alike, which is
        // enough for the tubes to share them; the tubes need not be round.
        ring.push_back({at[0] + radius * static_cast<float>(std::cos(a)),
                        at[1] + radius * static_cast<float>(std::sin(a)),
                        at[2] + radius * static_cast<float>(std::sin(a + 1.0))});
    }
    return ring;
}

} // namespace detail

// The figure's surface: positions, triangles (three indices each) and each position's bone.
struct TubeMesh {
    std::vector<std::array<float, 3>> positions;
    std::vector<std::uint32_t> indices;
    std::vector<std::uint16_t> bones;
};

// `ring` positions round each tube, `rows` bands of faces along it (the tests' figure has 8 and 1;
// larger ones make heavy figures for benchmarks).
// With `pieces`, every tube stops short of its joints by a centimetre: a figure of separate pieces
// that share no vertex (armour, robots).
inline TubeMesh FigureTubes(int ring = 8, int rows = 1, bool pieces = false) {
    using namespace detail;
    const std::size_t nBones = kFigureBones.size();
    // One tube per bone, and two bound to the hips that carry the pelvis out to the thighs.
    struct Tube {
        std::size_t bone;
        std::array<float, 3> from, to;
        float radius;
    };
    std::vector<Tube> tubes;
    for (std::size_t b = 0; b < nBones; ++b)
        tubes.push_back({b, kFigureBones[b].head, kFigureBones[b].tail, kFigureBones[b].radius});
    for (std::size_t thigh : {16, 19})
        tubes.push_back({0, kFigureBones[0].head, kFigureBones[thigh].head, kFigureBones[thigh].radius});
    TubeMesh mesh;
    auto& positions = mesh.positions;
    auto& indices = mesh.indices;
    auto& joints = mesh.bones;
    // A tube that starts where another ends starts from that tube's end ring.
    std::map<std::array<float, 3>, float> ringRadius;
    for (const Tube& t : tubes)
        ringRadius.emplace(t.to, t.radius);
    const auto n = static_cast<std::uint32_t>(ring);
    constexpr float kGap = 0.01f;
    for (Tube t : tubes) {
        const float startRadius = ringRadius.count(t.from) && !pieces ? ringRadius[t.from] : t.radius;
        if (pieces) {
            std::array<float, 3> d{t.to[0] - t.from[0], t.to[1] - t.from[1], t.to[2] - t.from[2]};
            const float length = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
            for (std::size_t a = 0; a < 3; ++a) {
                t.from[a] += kGap * d[a] / length;
                t.to[a] -= kGap * d[a] / length;
            }
        }
        const auto start = Ring(t.from, startRadius, ring);
        const auto end = Ring(t.to, t.radius, ring);
        const auto first = static_cast<std::uint32_t>(positions.size());
        for (int r = 0; r <= rows; ++r)
            for (int i = 0; i < ring; ++i) {
                const float f = static_cast<float>(r) / static_cast<float>(rows);
                const auto& a = start[static_cast<std::size_t>(i)];
                const auto& b = end[static_cast<std::size_t>(i)];
                // The end rows are the rings themselves, bit for bit.
                positions.push_back(r == 0      ? a
                                    : r == rows ? b
                                                : std::array<float, 3>{a[0] + f * (b[0] - a[0]),
                                                                       a[1] + f * (b[1] - a[1]),
                                                                       a[2] + f * (b[2] - a[2])});
                joints.push_back(static_cast<std::uint16_t>(t.bone));
            }
        for (std::uint32_t r = 0; r < static_cast<std::uint32_t>(rows); ++r)
            for (std::uint32_t i = 0; i < n; ++i) {
                const std::uint32_t j = (i + 1) % n, row = first + r * n;
                const std::uint32_t a = row + i, b = row + j, c = row + n + j, d = row + n + i;
                for (std::uint32_t v : {a, b, c, a, c, d})
                    indices.push_back(v);
            }
    }
    return mesh;
}

// The figure as an OBJ without a skeleton: one group per bone, named as the bone.
inline std::string FigureObj(const BoneNaming& names) {
    const TubeMesh mesh = FigureTubes();
    std::string obj;
    for (const auto& p : mesh.positions) {
        obj += "v " + detail::Num(p[0]) + " " + detail::Num(p[1]) + " " + detail::Num(p[2]) + "\n";
    }
    int group = -1;
    for (std::size_t t = 0; t + 2 < mesh.indices.size(); t += 3) {
        const int bone = mesh.bones[mesh.indices[t]];
        if (bone != group) obj += "g " + std::string(names[static_cast<std::size_t>(bone)]) + "\n";
        group = bone;
        obj += "f " + std::to_string(mesh.indices[t] + 1) + " " + std::to_string(mesh.indices[t + 1] + 1) +
               " " + std::to_string(mesh.indices[t + 2] + 1) + "\n";
    }
    return obj;
}

// The figure as a .gltf text.
inline std::string RiggedFigureGltf(const BoneNaming& names, int ring = 8, int rows = 1,
                                    bool pieces = false) {
    using namespace detail;
    const std::size_t nBones = kFigureBones.size();
    const TubeMesh mesh = FigureTubes(ring, rows, pieces);
    const auto& positions = mesh.positions;
    const auto& indices = mesh.indices;
    const auto& joints = mesh.bones;
    std::string buffer;
    for (const auto& p : positions)
        for (float c : p)
            Append(buffer, c);
    const std::size_t indexOffset = buffer.size();
    for (std::uint32_t i : indices)
        Append(buffer, i);
    const std::size_t jointOffset = buffer.size();
    for (std::uint16_t j : joints)
        for (std::uint16_t k : {j, std::uint16_t{0}, std::uint16_t{0}, std::uint16_t{0}})
            Append(buffer, k);
    const std::size_t weightOffset = buffer.size();
    for (std::size_t v = 0; v < positions.size(); ++v)
        for (float w : {1.0f, 0.0f, 0.0f, 0.0f})
            Append(buffer, w);
    const std::size_t matrixOffset = buffer.size();
    for (const FigureBone& b : kFigureBones) {
        const float m[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, -b.head[0], -b.head[1], -b.head[2], 1};
        for (float c : m)
            Append(buffer, c);
    }
    std::array<float, 3> lo{1e9f, 1e9f, 1e9f}, hi{-1e9f, -1e9f, -1e9f};
    for (const auto& p : positions)
        for (int a = 0; a < 3; ++a)
            lo[a] = std::min(lo[a], p[a]), hi[a] = std::max(hi[a], p[a]);
    auto num = [](double v) { return Num(v); };
    std::string nodes, jointList;
    for (std::size_t b = 0; b < nBones; ++b) {
        const FigureBone& bone = kFigureBones[b];
        const auto parentHead = bone.parent < 0 ? std::array<float, 3>{0, 0, 0}
                                                : kFigureBones[static_cast<std::size_t>(bone.parent)].head;
        std::string children;
        for (std::size_t c = 0; c < nBones; ++c)
            if (kFigureBones[c].parent == static_cast<int>(b))
                children += (children.empty() ? "" : ",") + std::to_string(c);
        nodes += "{\"name\":\"" + std::string(names[b]) + "\",\"translation\":[" +
                 num(bone.head[0] - parentHead[0]) + "," + num(bone.head[1] - parentHead[1]) + "," +
                 num(bone.head[2] - parentHead[2]) + "]" +
                 (children.empty() ? "" : ",\"children\":[" + children + "]") + "},";
        jointList += (b ? "," : "") + std::to_string(b);
    }
    nodes += "{\"name\":\"Body\",\"mesh\":0,\"skin\":0}";
    const std::string n = std::to_string(positions.size());
    return "{\"asset\":{\"version\":\"2.0\"},\"scene\":0,\"scenes\":[{\"nodes\":[0," +
           std::to_string(nBones) + "]}],\"nodes\":[" + nodes + "],\"skins\":[{\"joints\":[" + jointList +
           "],\"inverseBindMatrices\":4,\"skeleton\":0}],\"meshes\":[{\"name\":\"Body\",\"primitives\":[{"
           "\"attributes\":{\"POSITION\":0,\"JOINTS_0\":2,\"WEIGHTS_0\":3},\"indices\":1}]}],"
           "\"buffers\":[{\"byteLength\":" +
           std::to_string(buffer.size()) + ",\"uri\":\"data:application/octet-stream;base64," +
           Base64(buffer) +
           "\"}],\"bufferViews\":["
           "{\"buffer\":0,\"byteOffset\":0,\"byteLength\":" +
           std::to_string(indexOffset) +
           "},"
           "{\"buffer\":0,\"byteOffset\":" +
           std::to_string(indexOffset) + ",\"byteLength\":" + std::to_string(jointOffset - indexOffset) +
           "},"
           "{\"buffer\":0,\"byteOffset\":" +
           std::to_string(jointOffset) + ",\"byteLength\":" + std::to_string(weightOffset - jointOffset) +
           "},"
           "{\"buffer\":0,\"byteOffset\":" +
           std::to_string(weightOffset) + ",\"byteLength\":" + std::to_string(matrixOffset - weightOffset) +
           "},"
           "{\"buffer\":0,\"byteOffset\":" +
           std::to_string(matrixOffset) + ",\"byteLength\":" + std::to_string(buffer.size() - matrixOffset) +
           "}],"
           "\"accessors\":["
           "{\"bufferView\":0,\"componentType\":5126,\"count\":" +
           n + ",\"type\":\"VEC3\",\"min\":[" + num(lo[0]) + "," + num(lo[1]) + "," + num(lo[2]) +
           "],\"max\":[" + num(hi[0]) + "," + num(hi[1]) + "," + num(hi[2]) +
           "]},"
           "{\"bufferView\":1,\"componentType\":5125,\"count\":" +
           std::to_string(indices.size()) +
           ",\"type\":\"SCALAR\"},"
           "{\"bufferView\":2,\"componentType\":5123,\"count\":" +
           n +
           ",\"type\":\"VEC4\"},"
           "{\"bufferView\":3,\"componentType\":5126,\"count\":" +
           n +
           ",\"type\":\"VEC4\"},"
           "{\"bufferView\":4,\"componentType\":5126,\"count\":" +
           std::to_string(nBones) + ",\"type\":\"MAT4\"}]}";
}

} // namespace figurant::test

namespace figurant::test {

// An arm for the skinning tests: a root turned a quarter about +y and set apart, an upper arm
// whose rest frame is turned about its own axis, a forearm and a hand, in a line along the upper
// arm's local +x from its head. The surface is a tube of `ring` sides in `rows` bands; near the
// elbow the weights blend linearly from the upper arm to the forearm (over ±`blend` metres), the
// hand holds what lies past the wrist. With `pieces`, each bone has a tube of its own with gaps
// between them, wholly bound to it. The bind matrices invert the joints' rest transforms.
struct ArmOptions {
    int ring = 12, rows = 28; // the elbow (0.3 of 0.7) falls on a row
    double blend = 0.06;
    bool pieces = false;
};

struct ArmNode {
    const char* name;
    int parent;
    std::array<double, 3> translation;
    std::array<double, 4> rotation; // x, y, z, w
};

inline const std::vector<ArmNode> kArmNodes = {
    {"Root", -1, {0.5, 1.0, -0.25}, {0, 0.70710678118654752, 0, 0.70710678118654752}},
    {"UpperArm", 0, {0.1, 0.2, 0}, {0.38268343236508977, 0, 0, 0.92387953251128676}},
    {"ForeArm", 1, {0.3, 0, 0}, {0, 0, 0, 1}},
    {"Hand", 2, {0.25, 0, 0}, {0, 0, 0, 1}},
};
constexpr double kArmRadius = 0.05;

// Column-major 4 x 4 transforms for the generator (and the tests' own skinning).
using Mat4 = std::array<double, 16>;

inline Mat4 Multiply(const Mat4& a, const Mat4& b) {
    Mat4 m{};
    for (int c = 0; c < 4; ++c)
        for (int r = 0; r < 4; ++r)
            for (int k = 0; k < 4; ++k)
                m[4 * c + r] += a[4 * k + r] * b[4 * c + k];
    return m;
}

inline Mat4 FromTurn(const std::array<double, 3>& t, const std::array<double, 4>& q) {
    const double x = q[0], y = q[1], z = q[2], w = q[3];
    return {1 - 2 * (y * y + z * z),
            2 * (x * y + z * w),
            2 * (x * z - y * w),
            0,
            2 * (x * y - z * w),
            1 - 2 * (x * x + z * z),
            2 * (y * z + x * w),
            0,
            2 * (x * z + y * w),
            2 * (y * z - x * w),
            1 - 2 * (x * x + y * y),
            0,
            t[0],
            t[1],
            t[2],
            1};
}

// The inverse of a rigid transform.
inline Mat4 InverseRigid(const Mat4& m) {
    Mat4 out{};
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            out[4 * c + r] = m[4 * r + c];
    for (int r = 0; r < 3; ++r)
        out[12 + r] = -(out[r] * m[12] + out[4 + r] * m[13] + out[8 + r] * m[14]);
    out[15] = 1;
    return out;
}

inline std::array<double, 3> Apply(const Mat4& m, const std::array<double, 3>& p) {
    return {m[0] * p[0] + m[4] * p[1] + m[8] * p[2] + m[12], m[1] * p[0] + m[5] * p[1] + m[9] * p[2] + m[13],
            m[2] * p[0] + m[6] * p[1] + m[10] * p[2] + m[14]};
}

// World transforms of the arm's nodes, each node's rotation followed by its own turn.
inline std::vector<Mat4> ArmWorlds(const std::vector<std::array<double, 4>>& turns = {}) {
    std::vector<Mat4> worlds;
    for (std::size_t i = 0; i < kArmNodes.size(); ++i) {
        const ArmNode& n = kArmNodes[i];
        Mat4 local = FromTurn(n.translation, n.rotation);
        if (i < turns.size()) local = Multiply(local, FromTurn({0, 0, 0}, turns[i]));
        worlds.push_back(n.parent < 0 ? local : Multiply(worlds[static_cast<std::size_t>(n.parent)], local));
    }
    return worlds;
}

struct ArmSurface {
    std::vector<std::array<double, 3>> positions; // in the scene, at rest
    std::vector<std::array<std::uint16_t, 4>> joints;
    std::vector<std::array<float, 4>> weights;
    std::vector<std::uint32_t> indices;
};

inline ArmSurface ArmTube(const ArmOptions& o) {
    const Mat4 upper = ArmWorlds()[1];
    const double elbow = 0.3, wrist = 0.55, end = 0.7, gap = 0.02;
    ArmSurface s;
    auto tube = [&](double from, double to, int rows, auto&& weigh) {
        const auto first = static_cast<std::uint32_t>(s.positions.size());
        for (int r = 0; r <= rows; ++r) {
            const double x = from + (to - from) * r / rows;
            for (int i = 0; i < o.ring; ++i) {
                const double a = 2 * 3.14159265358979323846 * i / o.ring;
                s.positions.push_back(Apply(upper, {x, kArmRadius * std::cos(a), kArmRadius * std::sin(a)}));
                std::array<std::uint16_t, 4> j{};
                std::array<float, 4> w{};
                weigh(x, j, w);
                s.joints.push_back(j);
                s.weights.push_back(w);
            }
        }
        const auto n = static_cast<std::uint32_t>(o.ring);
        for (std::uint32_t r = 0; r < static_cast<std::uint32_t>(rows); ++r)
            for (std::uint32_t i = 0; i < n; ++i) {
                const std::uint32_t a = first + r * n + i, b = first + r * n + (i + 1) % n;
                for (std::uint32_t v : {a, b, b + n, a, b + n, a + n})
                    s.indices.push_back(v);
            }
    };
    auto only = [](std::uint16_t bone) {
        return [bone](double, std::array<std::uint16_t, 4>& j, std::array<float, 4>& w) {
            j = {bone, 0, 0, 0};
            w = {1, 0, 0, 0};
        };
    };
    if (o.pieces) {
        tube(0, elbow - gap, o.rows / 3, only(1));
        tube(elbow + gap, wrist - gap, o.rows / 3, only(2));
        tube(wrist + gap, end, o.rows / 3, only(3));
        return s;
    }
    tube(0, end, o.rows, [&](double x, std::array<std::uint16_t, 4>& j, std::array<float, 4>& w) {
        if (x > wrist) {
            j = {3, 0, 0, 0};
            w = {1, 0, 0, 0};
            return;
        }
        const double f = std::clamp((x - (elbow - o.blend)) / (2 * o.blend), 0.0, 1.0);
        j = {1, 2, 0, 0};
        w = {static_cast<float>(1 - f), static_cast<float>(f), 0, 0};
    });
    return s;
}

// The arm's surface posed by linear blending, worked out from the generator's own transforms.
inline std::vector<std::array<double, 3>> ArmLinearBlend(const ArmOptions& o,
                                                         const std::vector<std::array<double, 4>>& turns) {
    const std::vector<Mat4> rest = ArmWorlds(), moved = ArmWorlds(turns);
    const ArmSurface surface = ArmTube(o);
    std::vector<std::array<double, 3>> out;
    for (std::size_t v = 0; v < surface.positions.size(); ++v) {
        std::array<double, 3> sum{};
        for (std::size_t k = 0; k < 4; ++k) {
            const auto j = surface.joints[v][k];
            const auto p = Apply(Multiply(moved[j], InverseRigid(rest[j])), surface.positions[v]);
            for (std::size_t a = 0; a < 3; ++a)
                sum[a] += surface.weights[v][k] * p[a];
        }
        out.push_back(sum);
    }
    return out;
}

inline std::string ArmCharacterGltf(const ArmOptions& o = {}) {
    using namespace detail;
    const ArmSurface s = ArmTube(o);
    std::string buffer;
    for (const auto& p : s.positions)
        for (double c : p)
            Append(buffer, static_cast<float>(c));
    const std::size_t indexOffset = buffer.size();
    for (std::uint32_t i : s.indices)
        Append(buffer, i);
    const std::size_t jointOffset = buffer.size();
    for (const auto& j : s.joints)
        for (std::uint16_t k : j)
            Append(buffer, k);
    const std::size_t weightOffset = buffer.size();
    for (const auto& w : s.weights)
        for (float k : w)
            Append(buffer, k);
    const std::size_t matrixOffset = buffer.size();
    for (const Mat4& world : ArmWorlds())
        for (double c : InverseRigid(world))
            Append(buffer, static_cast<float>(c));
    std::array<float, 3> lo{1e9f, 1e9f, 1e9f}, hi{-1e9f, -1e9f, -1e9f};
    for (const auto& p : s.positions)
        for (std::size_t a = 0; a < 3; ++a)
            lo[a] = std::min(lo[a], static_cast<float>(p[a])),
            hi[a] = std::max(hi[a], static_cast<float>(p[a]));
    std::string nodes;
    for (std::size_t i = 0; i < kArmNodes.size(); ++i) {
        const ArmNode& n = kArmNodes[i];
        nodes += "{\"name\":\"" + std::string(n.name) + "\",\"translation\":[" + Num(n.translation[0]) + "," +
                 Num(n.translation[1]) + "," + Num(n.translation[2]) + "],\"rotation\":[" +
                 Num(n.rotation[0]) + "," + Num(n.rotation[1]) + "," + Num(n.rotation[2]) + "," +
                 Num(n.rotation[3]) + "]" +
                 (i + 1 < kArmNodes.size() ? ",\"children\":[" + std::to_string(i + 1) + "]" : "") + "},";
    }
    nodes += "{\"name\":\"Arm\",\"mesh\":0,\"skin\":0}";
    auto view = [&](std::size_t from, std::size_t to) {
        return "{\"buffer\":0,\"byteOffset\":" + std::to_string(from) +
               ",\"byteLength\":" + std::to_string(to - from) + "}";
    };
    const std::string n = std::to_string(s.positions.size());
    return "{\"asset\":{\"version\":\"2.0\"},\"scene\":0,\"scenes\":[{\"nodes\":[0,4]}],\"nodes\":[" + nodes +
           "],\"skins\":[{\"joints\":[0,1,2,3],\"inverseBindMatrices\":4}],\"meshes\":[{\"name\":\"Arm\","
           "\"primitives\":[{\"attributes\":{\"POSITION\":0,\"JOINTS_0\":2,\"WEIGHTS_0\":3},\"indices\":1}]}]"
           ","
           "\"buffers\":[{\"byteLength\":" +
           std::to_string(buffer.size()) + ",\"uri\":\"data:application/octet-stream;base64," +
           Base64(buffer) + "\"}],\"bufferViews\":[" + view(0, indexOffset) + "," +
           view(indexOffset, jointOffset) + "," + view(jointOffset, weightOffset) + "," +
           view(weightOffset, matrixOffset) + "," + view(matrixOffset, buffer.size()) +
           "],\"accessors\":[{\"bufferView\":0,\"componentType\":5126,\"count\":" + n +
           ",\"type\":\"VEC3\",\"min\":[" + Num(lo[0]) + "," + Num(lo[1]) + "," + Num(lo[2]) + "],\"max\":[" +
           Num(hi[0]) + "," + Num(hi[1]) + "," + Num(hi[2]) +
           "]},{\"bufferView\":1,\"componentType\":5125,\"count\":" + std::to_string(s.indices.size()) +
           ",\"type\":\"SCALAR\"},{\"bufferView\":2,\"componentType\":5123,\"count\":" + n +
           ",\"type\":\"VEC4\"},{\"bufferView\":3,\"componentType\":5126,\"count\":" + n +
           ",\"type\":\"VEC4\"},{\"bufferView\":4,\"componentType\":5126,\"count\":4,\"type\":\"MAT4\"}]}";
}

} // namespace figurant::test
