#include "SegmentVertices.h"

namespace figurant {

void CollectSegmentVertices(const std::vector<const CUnderlayPolyLine*>& lines,
                            const std::vector<int>& vertexIds, float scale, const Vec3f& centre,
                            SegmentPose& pose) {
    pose.ClearVertices();
    std::size_t k = 0;
    for (const CUnderlayPolyLine* line : lines) {
        for (const Vec3f& p : line->Points()) {
            const int g = k < vertexIds.size() ? vertexIds[k] : -1;
            ++k;
            pose.AddVertexIfNew(ToPoint3d(ViewPoint(p, scale, centre)), g);
        }
    }
}

} // namespace figurant
