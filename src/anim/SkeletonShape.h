#pragma once
// Matching a capture's bones to the body by the skeleton's shape alone, for files whose names say
// nothing: the root is the pelvis; of the branches below it, the two that reach lowest are the
// legs and the one that reaches highest the spine, up to the head; of the branches off the spine,
// the two that reach furthest sideways are the arms. Along a limb, the two longest bones that
// follow one another are the upper and lower limb, the joint after them the hand or foot. The
// capture stands along +y; its left is +x.
#include "BvhReader.h"

#include <array>
#include <vector>

namespace figurant {

// Each of the sixteen segments' bone of the file (the figure's segment numbering), or -1.
std::array<int, 16> MatchByShape(const BvhMotion& motion, const std::vector<Point3d>& restAt);

} // namespace figurant
