#include "InspectDxf.h"

#include "DxfReader.h"
#include "Json.h"

#include <cstdio>

namespace figurant {

void PrintBounds(const CUnderlayList& list) {
    std::fputs("[", stdout);
    for (int i = 0; i < 6; ++i)
        std::printf("%s%s", i ? ", " : "", json::Float(list.m_bounds[i]).c_str());
    std::fputs("]", stdout);
}

void PrintPolylines(const CUnderlayList& list) {
    std::fputs("[", stdout);
    json::ListWriter lines(stdout);
    for (const auto& line : list) {
        lines.Next();
        std::printf("{\"face\": %d, \"segment\": %d, \"points\": [", line->m_bFace ? 1 : 0, line->m_nSegment);
        json::ListWriter points(stdout);
        for (const Vec3f& p : line->Points()) {
            points.Next();
            std::fputs(json::Point(p).c_str(), stdout);
        }
        std::fputs("]}", stdout);
    }
    std::fputs("]", stdout);
}

int InspectDxf(const std::string& path, bool summary) {
    const auto list = ReadDxfFile(path, nullptr, DxfReadOptions{});
    if (!list) {
        std::puts("null");
        return 1;
    }
    std::printf("{\"units\": %d, \"bounds_empty\": %d, \"bounds\": ", list->m_nUnits,
                list->m_bBoundsEmpty ? 1 : 0);
    PrintBounds(*list);
    if (summary) {
        long points = 0;
        for (const auto& line : *list)
            points += line->GetSize();
        std::printf(", \"polylines\": %d, \"points\": %ld}\n", list->GetCount(), points);
    } else {
        std::fputs(", \"polylines\": ", stdout);
        PrintPolylines(*list);
        std::fputs("}\n", stdout);
    }
    return 0;
}

} // namespace figurant
