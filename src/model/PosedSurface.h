#pragma once
// The figure's surface as posed, in view coordinates: what the view draws in its hierarchical
// picture (every segment of the tree under its matrices down the tree, and the bands that close
// the joints), as plain triangles for pictures made without OpenGL.
#include "Figure.h"

#include <array>
#include <vector>

namespace figurant {

struct PosedTriangle {
    std::array<Point3d, 3> corner, normal;
    int segment;
};

// Each segment's transform down the figure tree (the product of the matrices from the root), by
// segment number; identity for segments outside the tree.
std::vector<Matrix4> TreeMatrices(const Figure& figure);

std::vector<PosedTriangle> PosedTriangles(const Figure& figure);

} // namespace figurant
