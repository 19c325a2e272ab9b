#include "GlbWriter.h"

#include "ExportSkeleton.h"
#include "NumberConv.h"
#include "SegmentColour.h"
#include "SegmentVertices.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <map>
#include <tuple>
#include <unordered_map>

namespace figurant {

namespace {

std::string Number(double v) {
    return NineDigits(std::isfinite(v) ? v : 0.0); // JSON has no inf or nan
}

// The GL buffer targets glTF names for vertex attributes and for indices.
constexpr int kVertexTarget = 34962; // ARRAY_BUFFER
constexpr int kIndexTarget = 34963;  // ELEMENT_ARRAY_BUFFER

// The binary chunk and the accessors over it, built up together.
class BinaryBuilder {
  public:
    // A block of floats as an accessor; min and max for those that need them.
    int Floats(const std::vector<float>& values, const char* type, int components, bool bounds,
               int target = 0) {
        const int view = View(values.data(), values.size() * sizeof(float), target);
        std::string accessor =
            "{\"bufferView\":" + std::to_string(view) +
            ",\"componentType\":5126,\"count\":" + std::to_string(values.size() / components) +
            ",\"type\":\"" + type + "\"";
        if (bounds) accessor += Bounds(values, components);
        return Accessor(accessor + "}");
    }
    int Indices(const std::vector<std::uint32_t>& values) {
        const int view = View(values.data(), values.size() * sizeof(std::uint32_t), kIndexTarget);
        return Accessor("{\"bufferView\":" + std::to_string(view) + ",\"componentType\":5125,\"count\":" +
                        std::to_string(values.size()) + ",\"type\":\"SCALAR\"}");
    }
    int Joints(const std::vector<std::uint16_t>& values) {
        const int view = View(values.data(), values.size() * sizeof(std::uint16_t), kVertexTarget);
        return Accessor("{\"bufferView\":" + std::to_string(view) + ",\"componentType\":5123,\"count\":" +
                        std::to_string(values.size() / 4) + ",\"type\":\"VEC4\"}");
    }
    std::string AccessorsJson() const { return "[" + Join(m_accessors) + "]"; }
    std::string ViewsJson() const { return "[" + Join(m_views) + "]"; }
    const std::string& Bytes() const { return m_bytes; }

  private:
    static std::string Join(const std::vector<std::string>& items) {
        std::string out;
        for (const std::string& item : items)
            out += (out.empty() ? "" : ",") + item;
        return out;
    }
    static std::string Bounds(const std::vector<float>& values, int components) {
        std::string lo, hi;
        for (int c = 0; c < components; ++c) {
            float mn = values.empty() ? 0 : values[static_cast<std::size_t>(c)], mx = mn;
            for (std::size_t i = static_cast<std::size_t>(c); i < values.size();
                 i += static_cast<std::size_t>(components))
                mn = std::min(mn, values[i]), mx = std::max(mx, values[i]);
            lo += (c ? "," : "") + Number(mn);
            hi += (c ? "," : "") + Number(mx);
        }
        return ",\"min\":[" + lo + "],\"max\":[" + hi + "]";
    }
    int View(const void* data, std::size_t size, int target) {
        while (m_bytes.size() % 4)
            m_bytes += '\0';
        const std::size_t offset = m_bytes.size();
        m_bytes.append(static_cast<const char*>(data), size);
        m_views.push_back("{\"buffer\":0,\"byteOffset\":" + std::to_string(offset) +
                          ",\"byteLength\":" + std::to_string(size) +
                          (target ? ",\"target\":" + std::to_string(target) : "") + "}");
        return static_cast<int>(m_views.size()) - 1;
    }
    int Accessor(const std::string& json) {
        m_accessors.push_back(json);
        return static_cast<int>(m_accessors.size()) - 1;
    }
    std::string m_bytes;
    std::vector<std::string> m_views, m_accessors;
};

// A corner of the skin: where it is at rest, its normal, and the joint that carries it.
struct SkinVertex {
    Point3d position, normal;
    int joint;
};

// The place of every joint ring's points at rest, and the joint of the child at that ring (the
// figure tree's child: the pelvis at the waist, though the export hangs the chest from it).
std::map<std::tuple<double, double, double>, int> RingJoints(const Figure& figure,
                                                             const std::vector<ExportJoint>& joints) {
    std::map<std::tuple<double, double, double>, int> ring;
    for (std::size_t j = 0; j < joints.size(); ++j)
        if (figure.Pose(joints[j].segment).m_pParent)
            for (const Point3d& p : figure.Pose(joints[j].segment).m_restRing)
                ring[{p.x, p.y, p.z}] = static_cast<int>(j);
    return ring;
}

// Triangles of every face of the segments in the skeleton, as fans, grouped by segment.
std::map<int, std::vector<SkinVertex>> SkinTriangles(const Figure& figure,
                                                     const std::vector<ExportJoint>& joints) {
    const auto ring = RingJoints(figure, joints);
    std::map<int, std::vector<SkinVertex>> out;
    for (std::size_t j = 0; j < joints.size(); ++j) {
        const SegmentShape& shape = figure.Shape(joints[j].segment);
        const auto& turned = shape.twisted.normals;
        std::vector<SkinVertex> corners;
        shape.ForEachRestLine([&](const CUnderlayPolyLine& line, std::int32_t id, std::size_t k) {
            corners.clear();
            for (const Vec3f& restPoint : line.Points()) {
                const Point3d rest = ToPoint3d(ViewPoint(restPoint, figure.Scale(), figure.Centre()));
                const auto onRing = ring.find({rest.x, rest.y, rest.z});
                const bool seam = onRing != ring.end();
                const Vec3f now = figure.PointNow(joints[j].segment, k, restPoint);
                const Point3d at = seam ? rest : ToPoint3d(ViewPoint(now, figure.Scale(), figure.Centre()));
                const Point3d normal = turned.empty()      ? ToPoint3d(figure.Normal(id))
                                       : k < turned.size() ? ToPoint3d(turned[k])
                                                           : Point3d{};
                corners.push_back({at, normal, seam ? onRing->second : static_cast<int>(j)});
                ++k;
                ++id;
            }
            if (!line.m_bFace) return;
            for (std::size_t i = 1; i + 1 < corners.size(); ++i) {
                const SkinVertex &a = corners[0], &b = corners[i], &c = corners[i + 1];
                if (a.position == b.position || b.position == c.position || a.position == c.position)
                    continue;
                for (const SkinVertex* v : {&a, &b, &c})
                    out[joints[j].segment].push_back(*v);
            }
        });
    }
    return out;
}

// What makes two corners one vertex: place, normal and joint, to the bit.
struct CornerKey {
    std::array<double, 6> values;
    int joint;
    bool operator==(const CornerKey& o) const { return values == o.values && joint == o.joint; }
};
struct CornerKeyHash {
    std::size_t operator()(const CornerKey& k) const {
        std::size_t h = std::hash<int>()(k.joint);
        for (double v : k.values)
            h = h * 1000003u ^ std::hash<double>()(v);
        return h;
    }
};

// A segment's colour as the screen shows it (sRGB), as glTF's linear colour.
std::array<double, 3> LinearColour(int segment) {
    std::array<double, 3> c{0.8, 0.8, 0.8};
    SegmentColour(segment, c);
    for (double& v : c)
        v = std::pow(v, 2.2);
    return c;
}

std::string Vector(const std::vector<double>& v) {
    std::string out;
    for (double c : v)
        out += (out.empty() ? "" : ",") + Number(c);
    return "[" + out + "]";
}

} // namespace

namespace {

struct JsonParts {
    std::string first, second;
};

// The skin as one closed surface: one primitive whose corners are shared wherever they have the
// same place, normal and joint (a ring's points, bound to the child's joint, are shared by the
// faces on both sides), coloured per vertex in its joint's segment colour. Returns the primitive
// and its material.
JsonParts SkinJson(const Figure& figure, const std::vector<ExportJoint>& joints, const ExchangeAxes& axes,
                   BinaryBuilder& bin) {
    std::vector<float> positions, normals, colours, weights;
    std::vector<std::uint16_t> jointIds;
    std::vector<std::uint32_t> indices;
    std::unordered_map<CornerKey, std::uint32_t, CornerKeyHash> made;
    for (const auto& [segment, vertices] : SkinTriangles(figure, joints)) {
        for (const SkinVertex& v : vertices) {
            const Point3d& p = v.position;
            const Point3d& d = v.normal;
            const auto [it, added] = made.try_emplace(CornerKey{{p.x, p.y, p.z, d.x, d.y, d.z}, v.joint},
                                                      static_cast<std::uint32_t>(made.size()));
            indices.push_back(it->second);
            if (!added) continue;
            const Point3d at = axes.Point(p);
            Point3d n = axes.Direction(d);
            const double length = std::sqrt(Dot(n, n));
            n = length > 1e-6 ? (1.0 / length) * n : Point3d{0, 1, 0};
            for (double c : {at.x, at.y, at.z})
                positions.push_back(static_cast<float>(c));
            for (double c : {n.x, n.y, n.z})
                normals.push_back(static_cast<float>(c));
            for (double c : LinearColour(joints[static_cast<std::size_t>(v.joint)].segment))
                colours.push_back(static_cast<float>(c));
            for (int c : {v.joint, 0, 0, 0})
                jointIds.push_back(static_cast<std::uint16_t>(c));
            for (float w : {1.0f, 0.0f, 0.0f, 0.0f})
                weights.push_back(w);
        }
    }
    const int position = bin.Floats(positions, "VEC3", 3, true, kVertexTarget);
    const int normal = bin.Floats(normals, "VEC3", 3, false, kVertexTarget);
    const int colour = bin.Floats(colours, "VEC3", 3, false, kVertexTarget);
    const int joint = bin.Joints(jointIds);
    const int weight = bin.Floats(weights, "VEC4", 4, false, kVertexTarget);
    const int index = bin.Indices(indices);
    const std::string primitive =
        "{\"attributes\":{\"POSITION\":" + std::to_string(position) +
        ",\"NORMAL\":" + std::to_string(normal) + ",\"COLOR_0\":" + std::to_string(colour) +
        ",\"JOINTS_0\":" + std::to_string(joint) + ",\"WEIGHTS_0\":" + std::to_string(weight) +
        "},\"indices\":" + std::to_string(index) + ",\"material\":0}";
    const std::string material =
        "{\"name\":\"Segment Colours\",\"pbrMetallicRoughness\":{\"baseColorFactor\":[1,1,1,1],"
        "\"metallicFactor\":0,\"roughnessFactor\":1}}";
    return {primitive, material};
}

// The skeleton's nodes in the pose, then the mesh's node; and the skin that binds them.
JsonParts SkeletonJson(const std::vector<ExportJoint>& joints, const PoseFrame& pose,
                       const ExchangeAxes& axes, BinaryBuilder& bin) {
    std::vector<float> inverseBind;
    std::string nodes, jointList;
    const std::vector<Affine> now = WorldTransforms(pose);
    for (std::size_t j = 0; j < joints.size(); ++j) {
        const Affine local = BoneLocal(joints, j, now, axes);
        const auto q = RotationQuaternion(local);
        std::string children;
        for (std::size_t c = 0; c < joints.size(); ++c)
            if (joints[c].parent == static_cast<int>(j))
                children += (children.empty() ? "" : ",") + std::to_string(c);
        nodes += "{\"name\":\"" + joints[j].name +
                 "\",\"translation\":" + Vector({local.t.x, local.t.y, local.t.z}) +
                 ",\"rotation\":" + Vector({q[0], q[1], q[2], q[3]}) +
                 (children.empty() ? "" : ",\"children\":[" + children + "]") + "},";
        jointList += (j ? "," : "") + std::to_string(j);
        for (double v : BoneFrame(joints, j, axes).Inverse().ColumnMajor())
            inverseBind.push_back(static_cast<float>(v));
    }
    const int inverseBindAccessor = bin.Floats(inverseBind, "MAT4", 16, false);
    nodes += "{\"name\":\"Figure\",\"mesh\":0,\"skin\":0}";
    const std::string skin = "{\"joints\":[" + jointList +
                             "],\"inverseBindMatrices\":" + std::to_string(inverseBindAccessor) +
                             ",\"skeleton\":0}";
    return {nodes, skin};
}

// The animation: every joint's translation and rotation at each frame; empty for one frame or none.
std::string AnimationJson(const std::vector<ExportJoint>& joints, const std::vector<PoseFrame>& frames,
                          const ExchangeAxes& axes, double framesPerSecond, BinaryBuilder& bin) {
    if (frames.size() <= 1) return {};
    std::vector<float> times;
    for (std::size_t f = 0; f < frames.size(); ++f)
        times.push_back(static_cast<float>(static_cast<double>(f) / framesPerSecond));
    const int input = bin.Floats(times, "SCALAR", 1, true);
    std::vector<std::vector<float>> translations(joints.size()), rotations(joints.size());
    for (const PoseFrame& frame : frames) {
        const std::vector<Affine> world = WorldTransforms(frame);
        for (std::size_t j = 0; j < joints.size(); ++j) {
            const Affine local = BoneLocal(joints, j, world, axes);
            for (double c : {local.t.x, local.t.y, local.t.z})
                translations[j].push_back(static_cast<float>(c));
            for (double c : RotationQuaternion(local))
                rotations[j].push_back(static_cast<float>(c));
        }
    }
    std::string samplers, channels;
    int nSamplers = 0;
    for (std::size_t j = 0; j < joints.size(); ++j) {
        for (const auto& [path, values, type, n] : {std::tuple{"translation", &translations[j], "VEC3", 3},
                                                    std::tuple{"rotation", &rotations[j], "VEC4", 4}}) {
            const int output = bin.Floats(*values, type, n, false);
            samplers += std::string(samplers.empty() ? "" : ",") + "{\"input\":" + std::to_string(input) +
                        ",\"output\":" + std::to_string(output) + ",\"interpolation\":\"LINEAR\"}";
            channels += std::string(channels.empty() ? "" : ",") +
                        "{\"sampler\":" + std::to_string(nSamplers++) +
                        ",\"target\":{\"node\":" + std::to_string(j) + ",\"path\":\"" + path + "\"}}";
        }
    }
    return ",\"animations\":[{\"name\":\"Playback\",\"samplers\":[" + samplers + "],\"channels\":[" +
           channels + "]}]";
}

// The binary container: header, the JSON chunk padded with spaces, the binary chunk with zeros.
std::string GlbContainer(std::string json, std::string bytes) {
    while (json.size() % 4)
        json += ' ';
    while (bytes.size() % 4)
        bytes += '\0';
    std::string glb;
    auto u32 = [&](std::uint32_t v) { glb.append(reinterpret_cast<const char*>(&v), 4); };
    u32(0x46546C67); // "glTF"
    u32(2);          // container version
    u32(static_cast<std::uint32_t>(12 + 8 + json.size() + 8 + bytes.size()));
    u32(static_cast<std::uint32_t>(json.size()));
    u32(0x4E4F534A); // "JSON"
    glb += json;
    u32(static_cast<std::uint32_t>(bytes.size()));
    u32(0x004E4942); // "BIN"
    return glb + bytes;
}

} // namespace

std::string FormatGlb(const Figure& figure, const PoseFrame& pose, const std::vector<PoseFrame>& frames,
                      const MotionOptions& options) {
    const std::vector<ExportJoint> joints = ExportSkeleton(figure, options.naming);
    const ExchangeAxes axes = ExportAxes(figure, options.metresPerUnit, options.facingYaw);
    BinaryBuilder bin;
    const auto [primitives, materials] = SkinJson(figure, joints, axes, bin);
    const auto [nodes, skin] = SkeletonJson(joints, pose, axes, bin);
    const std::string animation = AnimationJson(joints, frames, axes, options.framesPerSecond, bin);
    const std::string json =
        "{\"asset\":{\"version\":\"2.0\",\"generator\":\"Tervo Figurant\",\"extras\":{\"framesPerSecond\":" +
        Number(options.framesPerSecond) +
        "}},\"scene\":0,"
        "\"scenes\":[{\"nodes\":[0," +
        std::to_string(joints.size()) + "]}],\"nodes\":[" + nodes + "],\"skins\":[" + skin +
        "],\"meshes\":[{\"name\":\"Figure\",\"primitives\":[" + primitives + "]}],\"materials\":[" +
        materials + "]" + animation + ",\"buffers\":[{\"byteLength\":" + std::to_string(bin.Bytes().size()) +
        "}],\"bufferViews\":" + bin.ViewsJson() + ",\"accessors\":" + bin.AccessorsJson() + "}";
    return GlbContainer(json, bin.Bytes());
}

} // namespace figurant
