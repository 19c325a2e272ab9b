#pragma once
// Turns a rigged humanoid mesh, as an importer read it, into the program's own body model: one
// face per triangle, each face in the segment of the bone that holds most of its weight, in the
// figure's axes and the drawing's units, with positions welded so that neighbouring segments
// share their boundary vertices (the figure builder finds joints from shared vertices only).
#include "Affine.h"
#include "GeomMath.h"
#include "UnderlayList.h"

#include <array>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace figurant {

struct ImportBone {
    ImportBone() = default;
    ImportBone(std::string boneName, int boneParent, const Point3d& restHead)
        : name(std::move(boneName)), parent(boneParent), head(restHead) {}
    std::string name;
    int parent = -1; // index in the scene's bones; -1 for a root
    Point3d head;    // rest position
    // The rest transform relative to the parent (a root's includes the turn of the file's up axis
    // to +y), and the scale inside it along its own axes (a pose turns the bone inside its scale).
    Affine local;
    Point3d scale{1, 1, 1};
};

// How a skinned mesh's positions (as placed in the scene) reach one of its bones' frames in the
// bind pose: the bone's inverse bind matrix after the mesh's placement is taken off.
struct SkinBind {
    int bone = -1;
    Affine toBone;
};

// The look of a mesh: its base colour (linear RGBA) and base-colour picture, if any, as the
// picture file's own bytes (PNG, JPEG, ...).
struct ImportMaterial {
    std::string name;
    std::array<float, 4> baseColour{1, 1, 1, 1};
    std::string textureBytes;
};

// Weights of one vertex: up to four (bone, weight) pairs; bone -1 marks an unused pair.
struct VertexWeights {
    std::array<int, 4> bone{-1, -1, -1, -1};
    std::array<float, 4> weight{0, 0, 0, 0};
};

struct ImportMesh {
    // Mesh, node and material names, tried in turn when the mesh has no weights.
    std::vector<std::string> names;
    std::vector<Point3d> positions; // rest pose, placed by the node transforms
    std::vector<Point3d> normals;   // one per position, or none
    std::vector<std::array<int, 3>> triangles;
    std::vector<VertexWeights> weights; // one per position, or none for a mesh without a skin
    int bone = -1;                      // without a skin: the bone the mesh hangs from, if any
    // With weights: each weighted bone's bind, by bone (a bone the mesh weights has one here).
    std::vector<SkinBind> binds;
    std::vector<std::array<float, 2>> uvs; // one per position, or none
    int material = -1;                     // index in the scene's materials, or none
};

// Positions in the file's units with +y up (the reader turns the file's up axis to +y).
struct ImportScene {
    std::vector<ImportBone> bones;
    std::vector<ImportMesh> meshes;
    std::vector<ImportMaterial> materials;
    double metresPerUnit = 1.0;
};

struct JointReport {
    int parent = 0, child = 0;
    long ringSize = 0; // vertices the two segments share
};

// Triangles of the file that are not in the figure, by reason.
struct FacesLeftOut {
    long placeless = 0; // a corner is not a number, or lies beyond any body's size
    long folded = 0;    // two corners are the same point (within a millionth of a body)
    long Total() const { return placeless + folded; }
};

struct ConvertedFigure {
    // Empty when nothing could be made; the model is then null.
    std::string error;
    // Faces as a drawing reads them: x forward, y up, z the figure's right, in the drawing's
    // units (100 inches), colours naming segments.
    std::unique_ptr<CUnderlayList> model;
    // One normal per corner, in the frame a normals file uses (after the drawing's axis swap).
    std::vector<Vec3f> normals;
    bool normalsFromFile = false;
    // Radians about the vertical axis from the file's forward (+z, y up) to the way the figure
    // faces in the file: the figure is turned to face forward here, and exports turn it back.
    double facingYaw = 0;
    // The turn from the file's scene to the drawing's axes (x forward, y up, z the figure's right).
    Affine axes;
    FacesLeftOut leftOut;
    std::vector<int> boneSegments;   // per bone of the scene
    std::array<long, 16> faces{};    // per segment
    std::vector<JointReport> joints; // every joint of the figure tree
    // "Left Forearm - Left Hand", ... for joints with no shared ring or a missing segment.
    std::vector<std::string> missingJoints;
};

// The segment of every bone: by its name, spine bones by their height between the hips and the
// shoulders, unknown bones as their nearest known ancestor.
std::vector<int> BoneSegments(const std::vector<ImportBone>& bones);

ConvertedFigure ConvertFigure(const ImportScene& scene);

} // namespace figurant
