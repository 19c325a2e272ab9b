#pragma once
// What every character made of an accepted scene must hold: one weight set per vertex summing to
// one, indices that stand for something, and a rest pose that skins without leaving the numbers.
#include "Character.h"
#include "Skinning.h"

#include <cmath>

namespace figurant::fuzz {

inline void CheckCharacter(const ImportScene& scene) {
    const auto character = CharacterFromScene(scene);
    if (!character) return;
    const CharacterSurface& s = character->surface;
    const std::size_t n = s.positions.size();
    if (s.normals.size() != n || s.binds.size() != n || s.weights.size() != n ||
        (!s.uvs.empty() && s.uvs.size() != n))
        __builtin_trap();
    for (std::size_t v = 0; v < n; ++v) {
        float sum = 0;
        for (std::size_t k = 0; k < 4; ++k) {
            const int b = s.binds[v][k];
            if (b >= static_cast<int>(character->binds.size())) __builtin_trap();
            if (b >= 0) sum += s.weights[v][k];
        }
        if (std::fabs(sum - 1) > 1e-3f) __builtin_trap();
    }
    for (const auto& t : s.triangles)
        for (int v : t)
            if (v < 0 || static_cast<std::size_t>(v) >= n) __builtin_trap();
    std::vector<float> skinned;
    SkinSurface(*character, std::vector<Affine>(character->joints.size()), SkinMethod::DualQuaternion,
                Affine{}, skinned);
    SkinSurface(*character, std::vector<Affine>(character->joints.size()), SkinMethod::Linear, Affine{},
                skinned);
    if (skinned.size() != 6 * n) __builtin_trap();
}

} // namespace figurant::fuzz
