#include "FigureFileReader.h"

#include "GltfBindMatrices.h"
#include "InputFile.h"

#include <assimp/DefaultIOSystem.h>
#include <assimp/IOStream.hpp>
#include <assimp/Importer.hpp>
#include <assimp/material.h>
#include <assimp/postprocess.h>
#include <assimp/scene.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <sys/stat.h>
#include <unordered_map>

namespace figurant {

const char* const kFigureFileFilter = "Figures (*.glb *.gltf *.vrm *.fbx *.dae "
                                      "*.obj)|*.glb;*.gltf;*.vrm;*.fbx;*.dae;*.obj|All Files (*.*)|*.*||";

namespace {

// The library's own limiting of weights is not used: it drops the bones left without a weight
// (end bones, eyes, finger tips), which the skeleton keeps. The four largest are kept here.
constexpr unsigned kSteps = aiProcess_Triangulate | aiProcess_SortByPType | aiProcess_ValidateDataStructure;
constexpr int kMaxWeights = 4;
// How much of a file's beginning says what kind of file it is.
constexpr std::size_t kSniffBytes = 4096;
constexpr int kDeepestNode = 1000;
// FBX unit scales (centimetres per unit) outside these bounds are not believed: micrometres to
// ten kilometres per unit covers every real file.
constexpr double kSmallestUnitScale = 1e-4, kLargestUnitScale = 1e6;

Point3d ToPoint(const aiVector3D& v) {
    return {v.x, v.y, v.z};
}

Affine ToAffine(const aiMatrix4x4& m) {
    Affine a;
    a.r = {{{m.a1, m.a2, m.a3}, {m.b1, m.b2, m.b3}, {m.c1, m.c2, m.c3}}};
    a.t = {m.a4, m.b4, m.c4};
    return a;
}

// A picture larger than this is not taken as a material's look (the figure is still read).
constexpr std::size_t kLargestTexture = 256u << 20;

// The turn that brings a file's up axis (0 x, 1 y, 2 z; sign +1 or -1) to +y.
aiMatrix4x4 UpToY(int axis, int sign) {
    aiMatrix4x4 m;
    if (axis == 2) m = aiMatrix4x4(1, 0, 0, 0, 0, 0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 1); // z -> y
    if (axis == 0) m = aiMatrix4x4(0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1); // x -> y
    if (sign < 0) m = aiMatrix4x4(1, 0, 0, 0, 0, -1, 0, 0, 0, 0, -1, 0, 0, 0, 0, 1) * m;
    return m;
}

class SceneBuilder {
  public:
    // `io` opens the files a material names, as the library opens the figure's own files.
    SceneBuilder(const aiScene& scene, Assimp::IOSystem* io) : m_scene(scene), m_io(io) {}

    ImportScene Build() {
        int upAxis = 1, upSign = 1;
        double unitScale = 0;
        if (const aiMetadata* meta = m_scene.mMetaData) {
            int32_t axis = 1, sign = 1;
            if (meta->Get("UpAxis", axis)) upAxis = axis;
            if (meta->Get("UpAxisSign", sign)) upSign = sign;
            double d = 0;
            float f = 0;
            if (meta->Get("UnitScaleFactor", d))
                unitScale = d;
            else if (meta->Get("UnitScaleFactor", f))
                unitScale = f;
        }
        // FBX gives its unit in centimetres; the other formats read here are in metres (Collada's
        // unit and up axis are applied by the library).
        if (unitScale >= kSmallestUnitScale && unitScale <= kLargestUnitScale)
            m_out.metresPerUnit = unitScale / 100.0;
        Walk(*m_scene.mRootNode, UpToY(upAxis, upSign), -1);
        for (unsigned m = 0; m < m_scene.mNumMaterials; ++m)
            m_out.materials.push_back(Material(*m_scene.mMaterials[m]));
        for (const auto& [mesh, owner] : m_pending)
            AddMesh(*mesh, owner);
        return std::move(m_out);
    }

  private:
    // Every node becomes a bone; meshes wait until the whole tree is known, so that their bones
    // can be found by name.
    void Walk(const aiNode& node, const aiMatrix4x4& parent, int parentBone) {
        const aiMatrix4x4 global = parent * node.mTransformation;
        const int index = static_cast<int>(m_out.bones.size());
        ImportBone bone;
        bone.name = node.mName.C_Str();
        bone.parent = parentBone;
        bone.head = ToPoint(global * aiVector3D(0, 0, 0));
        bone.local = ToAffine(parentBone < 0 ? parent * node.mTransformation : node.mTransformation);
        aiVector3D scale, position;
        aiQuaternion turn;
        node.mTransformation.Decompose(scale, turn, position);
        bone.scale = ToPoint(scale);
        m_out.bones.push_back(std::move(bone));
        m_boneIndex.emplace(node.mName.C_Str(), index);
        m_globals.push_back(global);
        for (unsigned i = 0; i < node.mNumMeshes; ++i)
            if (node.mMeshes[i] < m_scene.mNumMeshes)
                m_pending.push_back({m_scene.mMeshes[node.mMeshes[i]], index});
        // No real skeleton is nested this deep; a file that claims so is not followed further.
        if (m_depth >= kDeepestNode) return;
        ++m_depth;
        for (unsigned i = 0; i < node.mNumChildren; ++i)
            Walk(*node.mChildren[i], global, index);
        --m_depth;
    }

    // A skinned mesh sits where its first bone's bind matrix puts it; any other mesh where its
    // node's transforms put it.
    aiMatrix4x4 Placement(const aiMesh& mesh, int owner) const {
        for (unsigned b = 0; b < mesh.mNumBones; ++b) {
            const auto it = m_boneIndex.find(mesh.mBones[b]->mName.C_Str());
            if (it != m_boneIndex.end())
                return m_globals[static_cast<std::size_t>(it->second)] * mesh.mBones[b]->mOffsetMatrix;
        }
        return m_globals[static_cast<std::size_t>(owner)];
    }

    void AddMesh(const aiMesh& mesh, int owner) {
        ImportMesh out;
        out.names = {mesh.mName.C_Str(), m_out.bones[static_cast<std::size_t>(owner)].name};
        if (mesh.mMaterialIndex < m_scene.mNumMaterials)
            out.names.push_back(m_scene.mMaterials[mesh.mMaterialIndex]->GetName().C_Str());
        out.bone = owner;
        out.material =
            mesh.mMaterialIndex < m_scene.mNumMaterials ? static_cast<int>(mesh.mMaterialIndex) : -1;
        const aiMatrix4x4 place = Placement(mesh, owner);
        const aiMatrix3x3 turn(place);
        for (unsigned v = 0; v < mesh.mNumVertices; ++v) {
            out.positions.push_back(ToPoint(place * mesh.mVertices[v]));
            if (mesh.HasNormals()) out.normals.push_back(ToPoint((turn * mesh.mNormals[v]).NormalizeSafe()));
            if (mesh.HasTextureCoords(0))
                out.uvs.push_back({mesh.mTextureCoords[0][v].x, mesh.mTextureCoords[0][v].y});
        }
        // A mirroring transform turns the faces inside out: their winding is reversed back.
        const bool mirrored = place.Determinant() < 0;
        for (unsigned f = 0; f < mesh.mNumFaces; ++f) {
            const aiFace& face = mesh.mFaces[f];
            if (face.mNumIndices != 3) continue;
            const int a = static_cast<int>(face.mIndices[0]), b = static_cast<int>(face.mIndices[1]),
                      c = static_cast<int>(face.mIndices[2]);
            out.triangles.push_back(mirrored ? std::array<int, 3>{a, c, b} : std::array<int, 3>{a, b, c});
        }
        if (mesh.mNumBones > 0) {
            out.weights.assign(mesh.mNumVertices, {});
            for (unsigned b = 0; b < mesh.mNumBones; ++b) {
                const aiBone& bone = *mesh.mBones[b];
                const auto it = m_boneIndex.find(bone.mName.C_Str());
                if (it == m_boneIndex.end()) continue;
                out.binds.push_back({it->second, ToAffine(bone.mOffsetMatrix) * ToAffine(place).Inverse()});
                for (unsigned w = 0; w < bone.mNumWeights; ++w)
                    if (bone.mWeights[w].mVertexId < mesh.mNumVertices)
                        KeepLargest(out.weights[bone.mWeights[w].mVertexId], it->second,
                                    bone.mWeights[w].mWeight);
            }
        }
        m_out.meshes.push_back(std::move(out));
    }

    // A vertex keeps its four largest weights: a new one takes the place of the smallest when it
    // is larger (the character scales the kept ones to sum to one).
    static void KeepLargest(VertexWeights& kept, int bone, float weight) {
        static_assert(kMaxWeights == 4, "a vertex holds four weights");
        if (!(weight > 0)) return;
        std::size_t smallest = 0;
        for (std::size_t k = 0; k < 4; ++k) {
            if (kept.bone[k] < 0) {
                smallest = k;
                break;
            }
            if (kept.weight[k] < kept.weight[smallest]) smallest = k;
        }
        if (kept.bone[smallest] >= 0 && kept.weight[smallest] >= weight) return;
        kept.bone[smallest] = bone;
        kept.weight[smallest] = weight;
    }

    ImportMaterial Material(const aiMaterial& material) const {
        ImportMaterial out;
        out.name = material.GetName().C_Str();
        aiColor4D colour(1, 1, 1, 1);
        if (material.Get(AI_MATKEY_BASE_COLOR, colour) == AI_SUCCESS ||
            material.Get(AI_MATKEY_COLOR_DIFFUSE, colour) == AI_SUCCESS)
            out.baseColour = {colour.r, colour.g, colour.b, colour.a};
        for (const aiTextureType type : {aiTextureType_BASE_COLOR, aiTextureType_DIFFUSE}) {
            aiString path;
            if (material.GetTextureCount(type) == 0 || material.GetTexture(type, 0, &path) != AI_SUCCESS)
                continue;
            out.textureBytes = TextureBytes(path.C_Str());
            if (!out.textureBytes.empty()) break;
        }
        return out;
    }

    // A picture inside the file (compressed, as the file holds it), or a file beside it.
    std::string TextureBytes(const char* path) const {
        if (const aiTexture* embedded = m_scene.GetEmbeddedTexture(path)) {
            if (embedded->mHeight != 0 || !embedded->pcData || embedded->mWidth > kLargestTexture) return {};
            return std::string(reinterpret_cast<const char*>(embedded->pcData), embedded->mWidth);
        }
        if (!m_io) return {};
        std::unique_ptr<Assimp::IOStream, std::function<void(Assimp::IOStream*)>> file(
            m_io->Open(path, "rb"), [this](Assimp::IOStream* f) { m_io->Close(f); });
        if (!file || file->FileSize() > kLargestTexture) return {};
        std::string bytes(file->FileSize(), '\0');
        bytes.resize(file->Read(bytes.data(), 1, bytes.size()));
        return bytes;
    }

    const aiScene& m_scene;
    Assimp::IOSystem* m_io;
    ImportScene m_out;
    std::unordered_map<std::string, int> m_boneIndex;
    std::vector<aiMatrix4x4> m_globals;
    std::vector<std::pair<const aiMesh*, int>> m_pending;
    int m_depth = 0;
};

// The full path of the folder a file is in, without the last slash; empty when it cannot be found.
std::string FolderOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    char* folder = ::realpath(slash == std::string::npos ? "." : path.substr(0, slash + 1).c_str(), nullptr);
    const std::string full = folder ? folder : "";
    std::free(folder);
    return full;
}

// The files the library opens on its own (buffers, textures, material libraries, external
// references) are let through only as the chosen file is: regular files no larger than the cap,
// and inside the chosen file's folder, so a file cannot make the reader wait on a pipe or read a
// file it has no business with.
class FolderIOSystem : public Assimp::DefaultIOSystem {
  public:
    // Nothing is let through without a chosen file.
    explicit FolderIOSystem(const std::string& chosen) {
        if (chosen.empty()) return;
        const std::string folder = FolderOf(chosen);
        if (!folder.empty()) m_folder = folder == "/" ? folder : folder + "/";
    }
    bool Exists(const char* file) const override { return file && Allowed(Beside(file)); }
    Assimp::IOStream* Open(const char* file, const char* mode) override {
        if (!file || !mode || std::strpbrk(mode, "wa+")) return nullptr;
        const std::string path = Beside(file);
        if (!Allowed(path)) return nullptr;
        return DefaultIOSystem::Open(path.c_str(), mode);
    }

  private:
    // A name without a folder of its own (a texture a .gltf names) is beside the chosen file,
    // wherever the program was started.
    std::string Beside(const char* file) const { return file[0] == '/' ? file : m_folder + file; }

    bool Allowed(const std::string& file) const {
        if (m_folder.empty()) return false;
        char* real = ::realpath(file.c_str(), nullptr);
        if (!real) return false;
        const std::string path(real);
        std::free(real);
        struct stat info {};
        return path.compare(0, m_folder.size(), m_folder) == 0 && ::stat(path.c_str(), &info) == 0 &&
               S_ISREG(info.st_mode) && static_cast<std::uint64_t>(info.st_size) <= kMaxInputBytes;
    }
    std::string m_folder;
};

std::optional<ImportScene> FromImporter(Assimp::Importer& importer, const aiScene* scene,
                                        std::string* error) {
    if (!scene || !scene->mRootNode) {
        if (error) *error = importer.GetErrorString();
        if (error && error->empty()) *error = "it is not a figure file this program can read";
        return std::nullopt;
    }
    return SceneBuilder(*scene, importer.GetIOHandler()).Build();
}

std::string LowerExtension(const std::string& path) {
    const auto dot = path.find_last_of('.');
    const auto slash = path.find_last_of('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
    std::string extension = path.substr(dot + 1);
    for (char& c : extension)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return extension;
}

void Configure(Assimp::Importer& importer) {
    importer.SetPropertyInteger(AI_CONFIG_IMPORT_REMOVE_EMPTY_BONES, 0);
    // Points and lines are of no use to a body model.
    importer.SetPropertyInteger(AI_CONFIG_PP_SBP_REMOVE, aiPrimitiveType_POINT | aiPrimitiveType_LINE);
}

// What the first bytes of a file say it is; empty when they say nothing this reader knows.
std::string KindByContent(const std::string& head) {
    const auto text = [&](const char* s) { return head.find(s) != std::string::npos; };
    if (head.compare(0, 4, "glTF") == 0) return "glb";
    if (head.compare(0, 18, "Kaydara FBX Binary") == 0 || text("FBXHeaderExtension")) return "fbx";
    if (text("<COLLADA")) return "dae";
    const std::size_t first = head.find_first_not_of(" \t\r\n\xEF\xBB\xBF");
    if (first != std::string::npos && head[first] == '{' && text("\"asset\"")) return "gltf";
    if (text("SECTION") && (head.compare(first == std::string::npos ? 0 : first, 1, "0") == 0)) return "dxf";
    return {};
}

const char* KindName(const std::string& kind) {
    static const std::pair<const char*, const char*> kNames[] = {
        {"glb", "a binary glTF file"}, {"gltf", "a glTF file"}, {"fbx", "an FBX file"},
        {"dae", "a Collada file"},     {"obj", "an OBJ file"},  {"dxf", "a DXF drawing"}};
    for (const auto& [k, name] : kNames)
        if (kind == k) return name;
    return "a figure file";
}

// A file whose first bytes say it is another kind than its name says is named for what it is: the
// library would otherwise read it with the wrong reader (a drawing as a figure) or say something
// beside the point. OBJ files, plain text without a mark, are only refused when they are another kind.
std::string ContentMismatch(const std::string& head, const std::string& extension) {
    const std::string named = extension == "vrm" ? "glb" : extension;
    const std::string found = KindByContent(head);
    if (found.empty() ? named == "obj" || named == "gltf" : found == named) return {};
    // An ASCII FBX or a glTF may hold the other's words in a string; only a mark that contradicts the
    // name refuses the file.
    if (found.empty())
        return "it is not " + std::string(KindName(named)) + " (its first bytes are no such file's)";
    return "it is not " + std::string(KindName(named)) + " but looks like " + KindName(found);
}

} // namespace

bool IsFigureFileName(const std::string& path) {
    static const char* const kExtensions[] = {"glb", "gltf", "vrm", "fbx", "dae", "obj"};
    const std::string extension = LowerExtension(path);
    return std::find(std::begin(kExtensions), std::end(kExtensions), extension) != std::end(kExtensions);
}

void WarmFigureReader() {
    Assimp::Importer importer;
    Configure(importer);
}

std::optional<ImportScene> ReadFigureFile(const std::string& path, std::string* error) {
    std::string head(kSniffBytes, '\0');
    {
        // The same checks as every reader: a regular file, no larger than the cap. Its first bytes
        // say what kind of file it is.
        InputFile file(path);
        if (!file.Ok()) {
            if (error) *error = file.Error();
            return std::nullopt;
        }
        head.resize(std::fread(head.data(), 1, head.size(), file.Stream()));
    }
    const std::string extension = LowerExtension(path);
    if (const std::string mismatch = ContentMismatch(head, extension); !mismatch.empty()) {
        if (error) *error = mismatch;
        return std::nullopt;
    }
    // A VRM avatar is a binary glTF under another name, which the library does not know; a glTF
    // whose skins lack their bind matrices is mended first.
    if (extension == "vrm" || extension == "glb" || extension == "gltf") {
        const auto bytes = ReadInputFile(path, error);
        if (!bytes) return std::nullopt;
        const auto mended = WithIdentityBindMatrices(*bytes, FolderOf(path));
        const std::string& text = mended ? *mended : *bytes;
        if (mended || extension == "vrm")
            return ReadFigureBytes(text.data(), text.size(), extension == "gltf" ? "gltf" : "glb", error,
                                   path);
    }
    Assimp::Importer importer;
    Configure(importer);
    importer.SetIOHandler(new FolderIOSystem(path)); // the importer owns it
    return FromImporter(importer, importer.ReadFile(path, kSteps), error);
}

std::optional<ImportScene> ReadFigureBytes(const void* data, std::size_t size, const std::string& extension,
                                           std::string* error, const std::string& chosen) {
    if (extension == "glb" || extension == "gltf") {
        const std::string_view bytes(static_cast<const char*>(data), size);
        if (const auto mended = WithIdentityBindMatrices(bytes, chosen.empty() ? "" : FolderOf(chosen)))
            return ReadFigureBytes(mended->data(), mended->size(), extension, error, chosen);
    }
    Assimp::Importer importer;
    Configure(importer);
    importer.SetIOHandler(new FolderIOSystem(chosen)); // the importer owns it
    return FromImporter(importer, importer.ReadFileFromMemory(data, size, kSteps, extension.c_str()), error);
}

} // namespace figurant
