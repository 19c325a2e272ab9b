#pragma once
// An imported character as it was rigged: every bone of the file with its rest transform, one
// surface made of all its meshes with each vertex's weights (up to four, normalised), and the
// looks of its materials. Everything is in the file's scene frame (+y up, the file's origin) in
// metres. A mesh without a skin is bound wholly to the node it hangs from, so separate pieces
// move with their bones.
#include "Affine.h"
#include "FigureImport.h"

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace figurant {

struct CharacterJoint {
    std::string name;
    int parent = -1; // an earlier joint, or -1
    Affine restLocal;
    Point3d scale{1, 1, 1}; // the scale inside restLocal, along its own axes
    Affine restWorld;
    // A vertex is bound to it or to a joint under it: a bone of the skeleton rather than a node
    // that only holds the scene together.
    bool bone = false;
    int segment = -1; // the body segment the bone-name table gives it
};

// A bone's binding: from a surface position as placed to the joint's own frame in the bind pose.
struct CharacterBind {
    int joint = -1;
    Affine toJoint;
};

struct CharacterSurface {
    // As the file places them (the bind pose). `restPositions` holds where the skeleton's rest
    // puts them, only when that differs (a file saved in another pose than it was bound in).
    std::vector<Vec3f> positions, restPositions, normals;
    std::vector<std::array<float, 2>> uvs; // one per position, or none
    std::vector<std::array<int, 3>> triangles;
    std::vector<std::array<int, 4>> binds;     // per position, into Character::binds; -1 unused
    std::vector<std::array<float, 4>> weights; // per position, summing to 1
    struct Part {
        std::size_t firstTriangle = 0, triangleCount = 0;
        int material = -1;
    };
    std::vector<Part> parts; // the triangles by mesh, each with its material

    const std::vector<Vec3f>& Rest() const { return restPositions.empty() ? positions : restPositions; }
};

struct Character {
    std::vector<CharacterJoint> joints;
    std::vector<CharacterBind> binds;
    CharacterSurface surface;
    std::vector<ImportMaterial> materials;

    // The joint of that name (the first, if several share it); -1 when there is none.
    int FindJoint(const std::string& name) const;
    // Where the skeleton crosses between two body segments: the first bone in one of them whose
    // parent is in the other (its head is the joint's place); -1 when they do not meet.
    int JointBetween(int segmentA, int segmentB) const;
    // The bone whose weight is largest over a triangle's corners.
    int StrongestJoint(std::size_t triangle) const;
};

// Nothing when the scene has no skin (a figure of named groups goes the drawing's way) or its
// transforms are not numbers; `why` then says which.
std::optional<Character> CharacterFromScene(const ImportScene& scene, std::string* why = nullptr);

} // namespace figurant
