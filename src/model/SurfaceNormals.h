#pragma once
// Normals of a surface from its faces: each vertex gets the sum of the normals of every face that
// holds it, each weighted by the face's area, made unit length. Faces are wound outwards (as they
// must be to be seen with back faces culled), so the normals point outwards. The default-model
// generator and the import of a drawing without a normals file use this one rule.
#include "GeomMath.h"
#include "UnderlayList.h"

#include <array>
#include <vector>

namespace figurant {

// positions: the vertices; faces: each a list of vertex indices in winding order.
std::vector<Point3d> AreaWeightedNormals(const std::vector<Point3d>& positions,
                                         const std::vector<std::vector<int>>& faces);
// The same for triangles.
std::vector<Point3d> AreaWeightedNormals(const std::vector<Point3d>& positions,
                                         const std::vector<std::array<int, 3>>& triangles);

// One normal per corner of every polyline of the model, in model order (the layout of a normals
// file); corners at exactly the same position share their normal. Corners of open lines get the
// normals of the faces that share their position, or none (0, 0, 0).
std::vector<Vec3f> CornerNormals(const CUnderlayList& model);

} // namespace figurant
