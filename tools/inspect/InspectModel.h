#pragma once
#include <string>

namespace figurant {
// The document's load of a model and its normals, as JSON.
int InspectModel(const std::string& dxf, const std::string& normals);
// The load, the per-segment tables, the vertex collection, the figure tree and its joints, as
// JSON; with a pose file, every point of the surface at rest and posed.
int InspectFigure(const std::string& dxf, const std::string& normals, const std::string& posePath = {});
} // namespace figurant
