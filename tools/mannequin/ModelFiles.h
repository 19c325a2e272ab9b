#pragma once
// Writes the generated surface as the program's model files: a DXF drawing of 3DFACE entities
// in units of 100 inches and the matching normals file. The mesh is in the drawing's axes
// (x forward, y up, z towards the figure's right), in metres.
#include "Mesh.h"

#include <string>

namespace mannequin {

// False when a file cannot be written completely.
bool WriteModelFiles(const Mesh& mesh, const std::string& dxfPath, const std::string& normalsPath);

} // namespace mannequin
