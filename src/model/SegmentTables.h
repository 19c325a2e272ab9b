#pragma once
// The document's model sorted by segment: what the figure is built from.
#include "UnderlayPolyLine.h"
#include "Vec3f.h"

#include <memory>
#include <vector>

namespace figurant {

struct SegmentTables {
    // Segment count: the tables hold segments 0 to nSegments - 1.
    int nSegments = 0;
    // Per segment number: the model's polylines of that segment, in model order (not owned).
    std::vector<std::vector<const CUnderlayPolyLine*>> lines;
    // Per segment number: the global vertex numbers of those polylines' points, in step.
    std::vector<std::vector<int>> vertexIds;
    // One unit normal per global vertex, shared with the document (a figure built from the
    // tables keeps them); null without normals.
    std::shared_ptr<const std::vector<Vec3f>> normals;

    bool Empty() const { return lines.empty(); }
};

} // namespace figurant
