#pragma once
// The undo history's records (private to the figure's sources). A step holds, for each segment
// it touched, the state the step replaced; undo and redo exchange that state with the figure's,
// so each is exact to the bit and costs what the step changed.
#include "Figure.h"

namespace figurant {

struct Figure::SurfaceRecord {
    bool twisted = false;
    std::vector<Vec3f> normals;
    float angle = 0.0f;
};

struct Figure::Snapshot {
    int segment = 0;
    Matrix4 matrix;
    std::array<float, 3> rotInc{}, transInc{};
    // How the step changed the increments (after less before), for steps undone after a save.
    std::array<float, 3> rotDelta{}, transDelta{};
    // The parent-side ring (a twist of the parent turns it).
    std::optional<std::vector<Point3d>> parentRing;
    // What a twist changed that cannot be worked out again: whether the surface is twisted, its
    // turned normals, its angle and the distinct vertices (the twisted points and their view
    // positions follow from the vertices).
    std::optional<SurfaceRecord> surface;
    std::vector<Point3d> vertices;
};

struct Figure::Step {
    std::string name;
    std::vector<Snapshot> segments;
    // Saves of increments when the step was last done or undone.
    int saves = 0;
};

} // namespace figurant
