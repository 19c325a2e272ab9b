#pragma once
// Builds the figure's closed surface, cut into body segments at the joints so that each child
// shares one ring of vertices with its parent.
#include "Mesh.h"

namespace mannequin {

// Resolution 1 is the default model; resolution k has k times the ring vertices and k times
// the rings along each limb (about k squared times the faces).
// The result is oriented (counter-clockwise seen from outside) in the drawing's axes: x forward,
// y up, z towards the figure's right, in metres.
Mesh BuildBody(int resolution);

} // namespace mannequin
