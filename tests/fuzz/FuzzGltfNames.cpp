// Fuzz target: the glTF writer given a character whose bone and material names are arbitrary
// bytes (as older files carry them, in any encoding). The writer must never throw, and what it
// writes must be a binary glTF whose JSON a strict reader takes, every name valid UTF-8.
#include "CharacterGlb.h"

#include <nlohmann/json.hpp>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace {

using namespace figurant;

// Three names from the bytes, split at zero bytes (missing ones empty).
std::vector<std::string> Names(const std::uint8_t* data, std::size_t size) {
    std::vector<std::string> names(3);
    std::size_t k = 0;
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == 0 && k + 1 < names.size())
            ++k;
        else
            names[k] += static_cast<char>(data[i]);
    }
    return names;
}

// Two bones and one triangle bound to both, named by the input.
ImportScene Scene(const std::vector<std::string>& names) {
    ImportScene scene;
    scene.bones = {ImportBone(names[0], -1, {0, 0, 0}), ImportBone(names[1], 0, {0, 1, 0})};
    scene.bones[1].local.t = {0, 1, 0};
    ImportMesh mesh;
    mesh.names = {"mesh"};
    mesh.positions = {{0, 0, 0}, {1, 0, 0}, {0, 2, 0}};
    mesh.triangles = {{0, 1, 2}};
    VertexWeights w;
    w.bone = {0, 1, -1, -1};
    w.weight = {0.5f, 0.5f, 0, 0};
    mesh.weights = {w, w, w};
    mesh.binds = {{0, Affine{}}, {1, Affine{}}};
    mesh.material = 0;
    scene.meshes.push_back(mesh);
    scene.materials.push_back({names[2], {1, 1, 1, 1}, {}});
    return scene;
}

std::uint32_t Word(const std::string& bytes, std::size_t at) {
    std::uint32_t v = 0;
    std::memcpy(&v, bytes.data() + at, sizeof v);
    return v;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto character = CharacterFromScene(Scene(Names(data, size)));
    if (!character) __builtin_trap();
    const std::string glb =
        FormatCharacterGlb(*character, std::vector<Affine>(character->joints.size()), CharacterMotion{});
    // The header (12 bytes), then the JSON chunk's length and type.
    constexpr std::size_t kJsonAt = 20;
    if (glb.size() < kJsonAt) __builtin_trap();
    const std::string json = glb.substr(kJsonAt, Word(glb, 12));
    const auto parsed = nlohmann::json::parse(json, nullptr, false);
    if (parsed.is_discarded() || parsed["nodes"].size() < 2) __builtin_trap();
    return 0;
}
