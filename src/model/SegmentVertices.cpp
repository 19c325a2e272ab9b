#include "SegmentVertices.h"

namespace figurant {

void CollectSegmentVertices(const SegmentShape& shape, float scale, const Vec3f& centre, SegmentPose& pose) {
    pose.ClearVertices();
    shape.ForEachRestPoint([&](std::size_t, const Vec3f& p, std::int32_t id) {
        pose.AddVertexIfNew(ToPoint3d(ViewPoint(p, scale, centre)), id);
    });
}

void CollectSegmentVertices(const std::vector<const CUnderlayPolyLine*>& lines,
                            const std::vector<std::int32_t>& firstIds, float scale, const Vec3f& centre,
                            SegmentPose& pose) {
    SegmentShape shape;
    shape.SetLines(lines, firstIds);
    CollectSegmentVertices(shape, scale, centre, pose);
}

} // namespace figurant
