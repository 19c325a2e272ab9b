#include "SceneWire.h"

#include "Utf8.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <type_traits>

namespace figurant {

namespace {

constexpr char kSceneMagic[8] = {'F', 'G', 'S', 'C', 'E', 'N', 'E', '2'};
constexpr char kErrorMagic[8] = {'F', 'G', 'E', 'R', 'R', 'O', 'R', '1'};

class Writer {
  public:
    explicit Writer(const char (&magic)[8]) { m_out.append(magic, 8); }
    template <typename T> void Put(T v) { m_out.append(reinterpret_cast<const char*>(&v), sizeof v); }
    void Count(std::size_t n) { Put<std::uint64_t>(n); }
    void Text(const std::string& s) {
        Count(s.size());
        m_out += s;
    }
    void Point(const Point3d& p) {
        Put(p.x);
        Put(p.y);
        Put(p.z);
    }
    // A vector of plain values as the wire holds them, one after another.
    template <typename T> void Array(const std::vector<T>& v) {
        static_assert(std::is_trivially_copyable_v<T>);
        Count(v.size());
        if (!v.empty()) m_out.append(reinterpret_cast<const char*>(v.data()), v.size() * sizeof(T));
    }
    void Reserve(std::size_t bytes) { m_out.reserve(bytes); }
    std::string Take() { return std::move(m_out); }

  private:
    std::string m_out;
};

class Reader {
  public:
    explicit Reader(const std::string& bytes) : m_bytes(bytes) {}
    bool Magic(const char (&magic)[8]) {
        if (m_bytes.size() < 8 || std::memcmp(m_bytes.data(), magic, 8) != 0) return false;
        m_at = 8;
        return true;
    }
    template <typename T> bool Get(T& v) {
        if (m_bytes.size() - m_at < sizeof v) return false;
        std::memcpy(&v, m_bytes.data() + m_at, sizeof v);
        m_at += sizeof v;
        return true;
    }
    // A count of items of at least `itemSize` bytes each: no more than the bytes left can hold.
    bool Count(std::size_t& n, std::size_t itemSize) {
        std::uint64_t v = 0;
        if (!Get(v) || v > (m_bytes.size() - m_at) / itemSize) return false;
        n = static_cast<std::size_t>(v);
        return true;
    }
    bool Text(std::string& s) {
        std::size_t n = 0;
        if (!Count(n, 1)) return false;
        s.assign(m_bytes, m_at, n);
        m_at += n;
        return true;
    }
    bool Point(Point3d& p) { return Get(p.x) && Get(p.y) && Get(p.z); }
    // A vector Writer::Array wrote; the caller checks the values.
    template <typename T> bool Array(std::vector<T>& v) {
        static_assert(std::is_trivially_copyable_v<T>);
        std::size_t n = 0;
        if (!Count(n, sizeof(T))) return false;
        v.resize(n);
        if (n > 0) std::memcpy(v.data(), m_bytes.data() + m_at, n * sizeof(T));
        m_at += n * sizeof(T);
        return true;
    }
    bool AtEnd() const { return m_at == m_bytes.size(); }

  private:
    const std::string& m_bytes;
    std::size_t m_at = 0;
};

constexpr std::size_t kPointBytes = 3 * sizeof(double);
// The wire holds points, triangles and weights as the vectors lay them out.
static_assert(sizeof(Point3d) == kPointBytes);
static_assert(sizeof(std::array<int, 3>) == 3 * sizeof(std::int32_t));
static_assert(sizeof(VertexWeights) == 4 * (sizeof(std::int32_t) + sizeof(float)));
static_assert(sizeof(Affine) == 12 * sizeof(double) && std::is_trivially_copyable_v<Affine>);

void PutMesh(Writer& w, const ImportMesh& mesh) {
    w.Count(mesh.names.size());
    for (const std::string& name : mesh.names)
        w.Text(name);
    w.Array(mesh.positions);
    w.Array(mesh.normals);
    w.Array(mesh.triangles);
    w.Array(mesh.weights);
    w.Put<std::int32_t>(mesh.bone);
    w.Count(mesh.binds.size());
    for (const SkinBind& bind : mesh.binds) {
        w.Put<std::int32_t>(bind.bone);
        w.Put(bind.toBone);
    }
    w.Array(mesh.uvs);
    w.Put<std::int32_t>(mesh.material);
}

// A mesh whose every index stands for something: corners for positions, bones for bones.
bool GetMesh(Reader& r, ImportMesh& mesh, std::size_t bones, std::size_t materials) {
    std::size_t n = 0;
    if (!r.Count(n, sizeof(std::uint64_t))) return false;
    mesh.names.resize(n);
    for (std::string& name : mesh.names) {
        if (!r.Text(name)) return false;
        name = ValidUtf8(name);
    }
    if (!r.Array(mesh.positions) || !r.Array(mesh.normals) || !r.Array(mesh.triangles) ||
        !r.Array(mesh.weights))
        return false;
    if (!mesh.normals.empty() && mesh.normals.size() != mesh.positions.size()) return false;
    if (!mesh.weights.empty() && mesh.weights.size() != mesh.positions.size()) return false;
    const auto corner = [&](int i) { return i >= 0 && static_cast<std::size_t>(i) < mesh.positions.size(); };
    for (const auto& t : mesh.triangles)
        if (!std::all_of(t.begin(), t.end(), corner)) return false;
    const auto bone = [&](int b) { return b >= -1 && b < static_cast<std::int64_t>(bones); };
    for (const VertexWeights& v : mesh.weights)
        if (!std::all_of(v.bone.begin(), v.bone.end(), bone)) return false;
    std::int32_t meshBone = 0;
    if (!r.Get(meshBone) || !bone(meshBone)) return false;
    mesh.bone = meshBone;
    std::size_t nBinds = 0;
    if (!r.Count(nBinds, sizeof(std::int32_t) + sizeof(Affine))) return false;
    mesh.binds.resize(nBinds);
    for (SkinBind& bind : mesh.binds) {
        std::int32_t b = 0;
        if (!r.Get(b) || b < 0 || !bone(b) || !r.Get(bind.toBone)) return false;
        bind.bone = b;
    }
    std::int32_t material = 0;
    if (!r.Array(mesh.uvs) || (!mesh.uvs.empty() && mesh.uvs.size() != mesh.positions.size()) ||
        !r.Get(material) || material < -1 || material >= static_cast<std::int64_t>(materials))
        return false;
    mesh.material = material;
    return true;
}

} // namespace

std::string EncodeScene(const ImportScene& scene) {
    Writer w(kSceneMagic);
    std::size_t size = 64 * scene.bones.size();
    for (const ImportMesh& mesh : scene.meshes)
        size += 2 * kPointBytes * mesh.positions.size() + 12 * mesh.triangles.size() +
                32 * mesh.weights.size() + 256;
    w.Reserve(size);
    w.Put(scene.metresPerUnit);
    w.Count(scene.bones.size());
    for (const ImportBone& bone : scene.bones) {
        w.Text(bone.name);
        w.Put<std::int32_t>(bone.parent);
        w.Point(bone.head);
        w.Put(bone.local);
        w.Point(bone.scale);
    }
    w.Count(scene.materials.size());
    for (const ImportMaterial& material : scene.materials) {
        w.Text(material.name);
        w.Put(material.baseColour);
        w.Text(material.textureBytes);
    }
    w.Count(scene.meshes.size());
    for (const ImportMesh& mesh : scene.meshes)
        PutMesh(w, mesh);
    return w.Take();
}

std::string EncodeReadError(const std::string& error) {
    Writer w(kErrorMagic);
    w.Text(error);
    return w.Take();
}

std::optional<ImportScene> DecodeScene(const std::string& bytes, std::string* error) {
    auto fail = [&](const char* why) {
        if (error) *error = why;
        return std::nullopt;
    };
    Reader r(bytes);
    if (r.Magic(kErrorMagic)) {
        std::string reason;
        if (!r.Text(reason) || !r.AtEnd()) return fail("the reader's answer is damaged");
        // A refusal always says why, if only that no reason came.
        if (error) *error = reason.empty() ? "the reader gave no reason" : reason;
        return std::nullopt;
    }
    if (!r.Magic(kSceneMagic)) return fail("the reader gave no answer");
    ImportScene scene;
    std::size_t n = 0;
    if (!r.Get(scene.metresPerUnit) ||
        !r.Count(n, sizeof(std::uint64_t) + sizeof(std::int32_t) + 2 * kPointBytes + sizeof(Affine)))
        return fail("the reader's answer is damaged");
    scene.bones.resize(n);
    for (std::size_t b = 0; b < n; ++b) {
        ImportBone& bone = scene.bones[b];
        std::int32_t parent = 0;
        // A parent comes before its children, so the bones form a tree.
        if (!r.Text(bone.name) || !r.Get(parent) || parent < -1 || parent >= static_cast<std::int64_t>(b) ||
            !r.Point(bone.head) || !r.Get(bone.local) || !r.Point(bone.scale))
            return fail("the reader's answer is damaged");
        bone.parent = parent;
        bone.name = ValidUtf8(bone.name);
    }
    if (!r.Count(n, 2 * sizeof(std::uint64_t) + sizeof(ImportMaterial::baseColour)))
        return fail("the reader's answer is damaged");
    scene.materials.resize(n);
    for (ImportMaterial& material : scene.materials) {
        if (!r.Text(material.name) || !r.Get(material.baseColour) || !r.Text(material.textureBytes))
            return fail("the reader's answer is damaged");
        material.name = ValidUtf8(material.name);
    }
    constexpr std::size_t kSmallestMesh = 7 * sizeof(std::uint64_t) + 2 * sizeof(std::int32_t);
    if (!r.Count(n, kSmallestMesh)) return fail("the reader's answer is damaged");
    scene.meshes.resize(n);
    for (ImportMesh& mesh : scene.meshes)
        if (!GetMesh(r, mesh, scene.bones.size(), scene.materials.size()))
            return fail("the reader's answer is damaged");
    if (!r.AtEnd()) return fail("the reader's answer is damaged");
    return scene;
}

} // namespace figurant
