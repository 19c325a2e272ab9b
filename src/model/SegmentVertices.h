#pragma once
// The geometric half of building a segment's vertex arrays: every point of the segment's
// polylines in view coordinates, with its global vertex number, and the segment's distinct
// vertices collected into its pose record.
#include "SegmentPose.h"
#include "SegmentShape.h"
#include "UnderlayPolyLine.h"

#include <cstdint>
#include <vector>

namespace figurant {

// A model point in view coordinates: scaled, then the model centre subtracted, in floats.
inline Vec3f ViewPoint(const Vec3f& p, float scale, const Vec3f& centre) {
    return {static_cast<float>(p.x * scale) - centre.x, static_cast<float>(p.y * scale) - centre.y,
            static_cast<float>(p.z * scale) - centre.z};
}

inline Point3d ToPoint3d(const Vec3f& v) {
    return {v.x, v.y, v.z};
}

// Empties the record's vertices, then walks the segment's rest points in order, and keeps each
// point not yet held (HasVertex) with its vertex number.
void CollectSegmentVertices(const SegmentShape& shape, float scale, const Vec3f& centre, SegmentPose& pose);
// The same for polylines and the vertex number of each one's first point (in step).
void CollectSegmentVertices(const std::vector<const CUnderlayPolyLine*>& lines,
                            const std::vector<std::int32_t>& firstIds, float scale, const Vec3f& centre,
                            SegmentPose& pose);

} // namespace figurant
