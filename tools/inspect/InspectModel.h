#pragma once
#include <string>

namespace figurant {
// The document's load of a model and its normals, as JSON.
int InspectModel(const std::string& dxf, const std::string& normals);
// The load, the per-segment tables, the vertex collection and the figure tree, as JSON.
int InspectFigure(const std::string& dxf, const std::string& normals);
} // namespace figurant
