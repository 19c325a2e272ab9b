#include "SegmentShape.h"

#include <cstddef>

namespace figurant {

void SegmentShape::SetLines(const std::vector<const CUnderlayPolyLine*>& lines,
                            const std::vector<std::int32_t>& firstIds) {
    runs.clear();
    pointCount = 0;
    std::int32_t nextId = 0;
    for (std::size_t i = 0; i < lines.size() && i < firstIds.size(); ++i) {
        const CUnderlayPolyLine* line = lines[i];
        // Equal addresses mean the line follows the run's last one in the same block.
        const bool follows =
            !runs.empty() && runs.back().first + runs.back().count == line && firstIds[i] == nextId;
        if (follows)
            ++runs.back().count;
        else
            runs.push_back({line, firstIds[i], 1});
        nextId = firstIds[i] + line->GetSize();
        pointCount += static_cast<std::size_t>(line->GetSize());
    }
    runs.shrink_to_fit();
}

} // namespace figurant
