#include "CharacterGlb.h"

#include "CharacterPose.h"
#include "Utf8.h"

#include <cmath>
#include <cstring>
#include <sstream>
#include <tiny_gltf.h>

namespace figurant {

namespace {

// A transform as a glTF node holds it: translation, rotation (x, y, z, w), scale.
struct Trs {
    std::vector<double> t, r, s;
};

Trs Decompose(const Affine& a) {
    double scale[3];
    Affine turn;
    for (std::size_t c = 0; c < 3; ++c) {
        scale[c] = std::sqrt(a.r[0][c] * a.r[0][c] + a.r[1][c] * a.r[1][c] + a.r[2][c] * a.r[2][c]);
        for (std::size_t r = 0; r < 3; ++r)
            turn.r[r][c] = scale[c] > 0 ? a.r[r][c] / scale[c] : (r == c ? 1 : 0);
    }
    const auto& m = turn.r;
    const double det = m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) -
                       m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
                       m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
    if (det < 0) {
        scale[0] = -scale[0];
        for (std::size_t r = 0; r < 3; ++r)
            turn.r[r][0] = -turn.r[r][0];
    }
    const Quaternion q = RotationQuaternion(turn);
    return {{a.t.x, a.t.y, a.t.z}, {q[0], q[1], q[2], q[3]}, {scale[0], scale[1], scale[2]}};
}

class GlbBuilder {
  public:
    explicit GlbBuilder(const Character& c) : m_c(c) {
        m_model.asset.version = "2.0";
        m_model.asset.generator = "Tervo Figurant";
        m_model.buffers.emplace_back();
        // The joints written: the skeleton's bones (a node the reading library made up is left out).
        for (std::size_t j = 0; j < c.joints.size(); ++j) {
            m_node.push_back(c.joints[j].bone ? static_cast<int>(m_joints.size()) : -1);
            if (c.joints[j].bone) m_joints.push_back(static_cast<int>(j));
        }
    }

    std::string Build(const std::vector<Affine>& pose, const CharacterMotion& motion) {
        if (m_joints.size() > kMostGltfJoints) return {};
        AddNodes(pose);
        AddMaterials();
        AddMesh();
        if (!motion.frames.empty()) AddAnimation(motion);
        tinygltf::Scene scene;
        for (std::size_t k = 0; k < m_joints.size(); ++k)
            if (ExportedParent(m_joints[k]) < 0) scene.nodes.push_back(static_cast<int>(k));
        scene.nodes.push_back(static_cast<int>(m_model.nodes.size()) - 1); // the mesh's node
        m_model.scenes.push_back(scene);
        m_model.defaultScene = 0;
        std::ostringstream out;
        tinygltf::TinyGLTF writer;
        writer.WriteGltfSceneToStream(&m_model, out, false, true);
        return out.str();
    }

  private:
    int ExportedParent(int joint) const {
        const int p = m_c.joints[static_cast<std::size_t>(joint)].parent;
        return p >= 0 && m_node[static_cast<std::size_t>(p)] >= 0 ? p : -1;
    }

    // Each joint relative to its written parent, or in the character's frame at the top.
    Affine Local(const std::vector<Affine>& worlds, int joint) const {
        const int p = ExportedParent(joint);
        return p < 0
                   ? worlds[static_cast<std::size_t>(joint)]
                   : worlds[static_cast<std::size_t>(p)].Inverse() * worlds[static_cast<std::size_t>(joint)];
    }

    // Bytes appended to the one buffer, four-byte aligned, as a buffer view.
    int View(const void* data, std::size_t bytes, int target = 0) {
        auto& buffer = m_model.buffers[0].data;
        while (buffer.size() % 4)
            buffer.push_back(0);
        tinygltf::BufferView view;
        view.buffer = 0;
        view.byteOffset = buffer.size();
        view.byteLength = bytes;
        view.target = target;
        const auto* p = static_cast<const unsigned char*>(data);
        buffer.insert(buffer.end(), p, p + bytes);
        m_model.bufferViews.push_back(view);
        return static_cast<int>(m_model.bufferViews.size()) - 1;
    }

    template <typename T>
    int Accessor(const std::vector<T>& values, int componentType, int type, std::size_t count,
                 int target = 0) {
        tinygltf::Accessor a;
        a.bufferView = View(values.data(), values.size() * sizeof(T), target);
        a.componentType = componentType;
        a.type = type;
        a.count = count;
        m_model.accessors.push_back(a);
        return static_cast<int>(m_model.accessors.size()) - 1;
    }

    void AddNodes(const std::vector<Affine>& pose) {
        for (int j : m_joints) {
            tinygltf::Node node;
            node.name = ValidUtf8(m_c.joints[static_cast<std::size_t>(j)].name);
            const Trs trs = Decompose(Local(pose, j));
            node.translation = trs.t;
            node.rotation = trs.r;
            node.scale = trs.s;
            for (std::size_t k = 0; k < m_joints.size(); ++k)
                if (ExportedParent(m_joints[k]) == j) node.children.push_back(static_cast<int>(k));
            m_model.nodes.push_back(node);
        }
        // The skin: every joint, bound in the rest pose.
        std::vector<float> inverse;
        for (int j : m_joints)
            for (double v : m_c.joints[static_cast<std::size_t>(j)].restWorld.Inverse().ColumnMajor())
                inverse.push_back(static_cast<float>(v));
        tinygltf::Skin skin;
        skin.inverseBindMatrices =
            Accessor(inverse, TINYGLTF_COMPONENT_TYPE_FLOAT, TINYGLTF_TYPE_MAT4, m_joints.size());
        for (std::size_t k = 0; k < m_joints.size(); ++k)
            skin.joints.push_back(static_cast<int>(k));
        m_model.skins.push_back(skin);
    }

    static std::string MimeOf(const std::string& bytes) {
        if (bytes.compare(0, 8, "\x89PNG\r\n\x1a\n") == 0) return "image/png";
        if (bytes.compare(0, 3, "\xFF\xD8\xFF") == 0) return "image/jpeg";
        return {};
    }

    // Only the materials some part of the surface wears (a file's unused or default ones stay
    // out), renumbered in their order.
    void AddMaterials() {
        m_material.assign(m_c.materials.size(), -1);
        for (const CharacterSurface::Part& part : m_c.surface.parts)
            if (part.material >= 0 && static_cast<std::size_t>(part.material) < m_material.size())
                m_material[static_cast<std::size_t>(part.material)] = 0;
        for (std::size_t i = 0; i < m_c.materials.size(); ++i) {
            if (m_material[i] < 0) continue;
            m_material[i] = static_cast<int>(m_model.materials.size());
            const ImportMaterial& m = m_c.materials[i];
            tinygltf::Material material;
            material.name = ValidUtf8(m.name);
            material.pbrMetallicRoughness.baseColorFactor = {m.baseColour[0], m.baseColour[1],
                                                             m.baseColour[2], m.baseColour[3]};
            material.pbrMetallicRoughness.metallicFactor = 0;
            if (const std::string mime = MimeOf(m.textureBytes); !mime.empty() && !m_c.surface.uvs.empty()) {
                tinygltf::Image image;
                image.bufferView = View(m.textureBytes.data(), m.textureBytes.size());
                image.mimeType = mime;
                m_model.images.push_back(image);
                tinygltf::Texture texture;
                texture.source = static_cast<int>(m_model.images.size()) - 1;
                m_model.textures.push_back(texture);
                material.pbrMetallicRoughness.baseColorTexture.index =
                    static_cast<int>(m_model.textures.size()) - 1;
            }
            m_model.materials.push_back(material);
        }
    }

    void AddMesh() {
        const CharacterSurface& s = m_c.surface;
        const std::vector<Vec3f>& rest = s.Rest();
        std::vector<float> positions, normals, uvs, weights;
        std::vector<std::uint16_t> joints;
        std::vector<double> lo(3, 1e300), hi(3, -1e300);
        for (std::size_t v = 0; v < rest.size(); ++v) {
            const float p[3] = {rest[v].x, rest[v].y, rest[v].z};
            for (std::size_t a = 0; a < 3; ++a) {
                positions.push_back(p[a]);
                lo[a] = std::min(lo[a], static_cast<double>(p[a]));
                hi[a] = std::max(hi[a], static_cast<double>(p[a]));
            }
            normals.insert(normals.end(), {s.normals[v].x, s.normals[v].y, s.normals[v].z});
            // The reader gives texture coordinates from the bottom left; glTF counts from the top.
            if (!s.uvs.empty()) uvs.insert(uvs.end(), {s.uvs[v][0], 1.0f - s.uvs[v][1]});
            for (std::size_t k = 0; k < 4; ++k) {
                const int b = s.binds[v][k];
                const int joint = b >= 0 ? m_c.binds[static_cast<std::size_t>(b)].joint : -1;
                joints.push_back(
                    static_cast<std::uint16_t>(joint >= 0 ? m_node[static_cast<std::size_t>(joint)] : 0));
                weights.push_back(b >= 0 ? s.weights[v][k] : 0.0f);
            }
        }
        tinygltf::Primitive shared;
        shared.attributes["POSITION"] = Accessor(positions, TINYGLTF_COMPONENT_TYPE_FLOAT, TINYGLTF_TYPE_VEC3,
                                                 rest.size(), TINYGLTF_TARGET_ARRAY_BUFFER);
        m_model.accessors.back().minValues = lo;
        m_model.accessors.back().maxValues = hi;
        shared.attributes["NORMAL"] = Accessor(normals, TINYGLTF_COMPONENT_TYPE_FLOAT, TINYGLTF_TYPE_VEC3,
                                               rest.size(), TINYGLTF_TARGET_ARRAY_BUFFER);
        if (!uvs.empty())
            shared.attributes["TEXCOORD_0"] = Accessor(uvs, TINYGLTF_COMPONENT_TYPE_FLOAT, TINYGLTF_TYPE_VEC2,
                                                       rest.size(), TINYGLTF_TARGET_ARRAY_BUFFER);
        shared.attributes["JOINTS_0"] =
            Accessor(joints, TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT, TINYGLTF_TYPE_VEC4, rest.size(),
                     TINYGLTF_TARGET_ARRAY_BUFFER);
        shared.attributes["WEIGHTS_0"] = Accessor(weights, TINYGLTF_COMPONENT_TYPE_FLOAT, TINYGLTF_TYPE_VEC4,
                                                  rest.size(), TINYGLTF_TARGET_ARRAY_BUFFER);
        tinygltf::Mesh mesh;
        mesh.name = "Character";
        for (const CharacterSurface::Part& part : s.parts) {
            std::vector<std::uint32_t> indices;
            for (std::size_t t = part.firstTriangle; t < part.firstTriangle + part.triangleCount; ++t)
                for (int v : s.triangles[t])
                    indices.push_back(static_cast<std::uint32_t>(v));
            tinygltf::Primitive primitive = shared;
            primitive.mode = TINYGLTF_MODE_TRIANGLES;
            primitive.indices = Accessor(indices, TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT, TINYGLTF_TYPE_SCALAR,
                                         indices.size(), TINYGLTF_TARGET_ELEMENT_ARRAY_BUFFER);
            primitive.material =
                part.material >= 0 && static_cast<std::size_t>(part.material) < m_material.size()
                    ? m_material[static_cast<std::size_t>(part.material)]
                    : -1;
            mesh.primitives.push_back(primitive);
        }
        m_model.meshes.push_back(mesh);
        tinygltf::Node node;
        node.name = "Character";
        node.mesh = 0;
        node.skin = 0;
        m_model.nodes.push_back(node);
    }

    void AddAnimation(const CharacterMotion& motion) {
        std::vector<float> times;
        for (std::size_t f = 0; f < motion.frames.size(); ++f)
            times.push_back(static_cast<float>(f / motion.framesPerSecond));
        const int input = Accessor(times, TINYGLTF_COMPONENT_TYPE_FLOAT, TINYGLTF_TYPE_SCALAR, times.size());
        m_model.accessors.back().minValues = {times.front()};
        m_model.accessors.back().maxValues = {times.back()};
        tinygltf::Animation animation;
        animation.name = "Figurant";
        for (std::size_t k = 0; k < m_joints.size(); ++k) {
            std::vector<float> translations, rotations;
            for (const auto& worlds : motion.frames) {
                const Trs trs = Decompose(Local(worlds, m_joints[k]));
                for (double v : trs.t)
                    translations.push_back(static_cast<float>(v));
                for (double v : trs.r)
                    rotations.push_back(static_cast<float>(v));
            }
            for (const auto& [path, values, type] :
                 {std::make_tuple("translation", &translations, TINYGLTF_TYPE_VEC3),
                  std::make_tuple("rotation", &rotations, TINYGLTF_TYPE_VEC4)}) {
                tinygltf::AnimationSampler sampler;
                sampler.input = input;
                sampler.output = Accessor(*values, TINYGLTF_COMPONENT_TYPE_FLOAT, type, times.size());
                sampler.interpolation = "LINEAR";
                animation.samplers.push_back(sampler);
                tinygltf::AnimationChannel channel;
                channel.sampler = static_cast<int>(animation.samplers.size()) - 1;
                channel.target_node = static_cast<int>(k);
                channel.target_path = path;
                animation.channels.push_back(channel);
            }
        }
        m_model.animations.push_back(animation);
    }

    const Character& m_c;
    tinygltf::Model m_model;
    std::vector<int> m_joints;   // the joints written, in order
    std::vector<int> m_node;     // by joint: its node, or -1
    std::vector<int> m_material; // by the character's material: the one written, or -1
};

} // namespace

std::vector<std::vector<Affine>> CharacterFrames(const Character& character,
                                                 const std::vector<PoseFrame>& frames, const Affine& frame,
                                                 const std::vector<Quaternion>& turns) {
    std::vector<std::vector<Affine>> out;
    out.reserve(frames.size());
    for (const PoseFrame& f : frames)
        out.push_back(PosedJointWorlds(character, InCharacterFrame(WorldTransforms(f), frame), turns));
    return out;
}

std::string FormatCharacterGlb(const Character& character, const std::vector<Affine>& pose,
                               const CharacterMotion& motion) {
    return GlbBuilder(character).Build(pose, motion);
}

} // namespace figurant
