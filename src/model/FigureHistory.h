#pragma once
// The undo history's records (private to the figure's sources). A step holds, for each segment
// it touched, the state the step replaced; undo and redo exchange that state with the figure's,
// so each is exact to the bit and costs what the step changed.
#include "Figure.h"

namespace figurant {

// A twisted surface is a function of its angle: the record keeps whether it is twisted and the angle.
struct Figure::SurfaceRecord {
    bool twisted = false;
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
    // What a twist or a reset changed in the segment's surface.
    std::optional<SurfaceRecord> surface;
};

struct Figure::Step {
    std::string name;
    std::vector<Snapshot> segments;
    // Bones of an imported skeleton the step turned, with their turns before it.
    std::vector<std::pair<int, Quaternion>> bones;
    // Saves of increments when the step was last done or undone.
    int saves = 0;
};

} // namespace figurant
