#pragma once
// The document's model sorted by segment: what the figure is built from.
#include "NormalTable.h"
#include "UnderlayList.h"
#include "Vec3f.h"

#include "GeomMath.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace figurant {

struct SegmentTables {
    // Segment count: the tables hold segments 0 to nSegments - 1.
    int nSegments = 0;
    // The model the polylines below belong to, shared with the document: a figure built from the
    // tables keeps it, and draws its rest surface from it instead of from a copy.
    std::shared_ptr<const CUnderlayList> model;
    // Per segment number: the model's polylines of that segment, in model order.
    std::vector<std::vector<const CUnderlayPolyLine*>> lines;
    // Per segment number, in step with `lines`: the global vertex number of each polyline's first
    // point; the polyline's other points follow it in order.
    std::vector<std::vector<std::int32_t>> firstIds;
    // One unit normal per global vertex, shared with the document (a figure built from the
    // tables keeps them); null without normals.
    std::shared_ptr<const NormalTable> normals;

    // Per segment number, or empty: where the segment's joint is, in model coordinates, when the
    // figure's skeleton says so (an imported character's bones) instead of the shared rings.
    std::vector<std::optional<Point3d>> jointCentres;

    bool Empty() const { return lines.empty(); }
};

} // namespace figurant
