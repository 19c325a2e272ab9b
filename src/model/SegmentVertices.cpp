#include "SegmentVertices.h"

namespace figurant {

void CollectSegmentVertices(const std::vector<const CUnderlayPolyLine*>& lines,
                            const std::vector<std::int32_t>& firstIds, float scale, const Vec3f& centre,
                            SegmentPose& pose) {
    pose.ClearVertices();
    for (std::size_t i = 0; i < lines.size(); ++i) {
        std::int32_t g = i < firstIds.size() ? firstIds[i] : -1;
        for (const Vec3f& p : lines[i]->Points()) {
            pose.AddVertexIfNew(ToPoint3d(ViewPoint(p, scale, centre)), g);
            if (g >= 0) ++g;
        }
    }
}

} // namespace figurant
