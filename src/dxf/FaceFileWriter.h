#pragma once
// Writes a body model the way the program reads one: an ASCII DXF of 3DFACEs on layer BODY whose
// colours name segments, and a normals file with one normal per corner. Numbers have nine
// significant digits in the "C" format, enough to read a float back exactly.
#include "UnderlayList.h"

#include <array>
#include <string>
#include <vector>

namespace figurant {

using Triple = std::array<double, 3>;

struct DrawnFace {
    int colour = 7;
    std::array<Triple, 4> corners{}; // a triangle repeats its last corner
};

std::string FormatFaceDrawing(const std::vector<DrawnFace>& faces);
// The count, then "x y z" per line.
std::string FormatNormalsFile(const std::vector<Triple>& normals);

// The faces of a model held in the drawing's own frame and units (colours in m_nSegment).
std::vector<DrawnFace> DrawnFaces(const CUnderlayList& model);
std::vector<Triple> Triples(const std::vector<Vec3f>& normals);

} // namespace figurant
