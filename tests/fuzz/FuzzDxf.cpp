// Fuzz target: the DXF reader on arbitrary bytes. Whatever it keeps is finite, no polyline holds
// more points than its entity can make (a face nine corners, a circle or arc 74 points), and a
// read in two halves gives exactly what one read from start to end gives.
#include "DxfReader.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <sys/mman.h>
#include <unistd.h>

namespace {

constexpr int kMostPoints = 74;

bool Finite(const figurant::Vec3f& p) {
    return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z);
}

void CheckKept(const figurant::CUnderlayList& list) {
    for (const auto& line : list) {
        if (line->GetSize() > kMostPoints) __builtin_trap();
        for (const figurant::Vec3f& p : line->Points())
            if (!Finite(p)) __builtin_trap();
    }
    if (list.GetCount() > 0)
        for (float b : list.m_bounds)
            if (!std::isfinite(b)) __builtin_trap();
}

bool SameBits(const void* a, const void* b, std::size_t n) {
    return n == 0 || std::memcmp(a, b, n) == 0;
}

bool Same(const figurant::CUnderlayList& a, const figurant::CUnderlayList& b) {
    if (a.GetCount() != b.GetCount() || a.m_bBoundsEmpty != b.m_bBoundsEmpty) return false;
    if (!SameBits(a.m_bounds, b.m_bounds, sizeof a.m_bounds)) return false;
    for (auto i = a.begin(), j = b.begin(); i != a.end(); ++i, ++j) {
        const auto& p = **i;
        const auto& q = **j;
        if (p.m_bFace != q.m_bFace || p.m_nSegment != q.m_nSegment || p.GetSize() != q.GetSize())
            return false;
        if (!SameBits(p.Points().begin(), q.Points().begin(), p.Points().size() * sizeof(figurant::Vec3f)))
            return false;
    }
    return true;
}

bool Same(const figurant::DxfReadReport& a, const figurant::DxfReadReport& b) {
    return a.droppedEntities == b.droppedEntities && a.endedInsideEntity == b.endedInsideEntity &&
           a.stopLine == b.stopLine;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // A file in memory: the read in halves needs a regular file it can read by position.
    const int fd = memfd_create("fuzz-dxf", 0);
    if (fd < 0) return 0;
    std::FILE* file = fdopen(fd, "w+b");
    if (!file) return 0;
    if (size && std::fwrite(data, 1, size, file) != size) __builtin_trap();
    std::fflush(file);
    figurant::DxfReadOptions whole;
    whole.keepUnits = size % 2; // both unit modes
    whole.halvesFrom = UINT64_MAX;
    figurant::DxfReadOptions halves = whole;
    halves.halvesFrom = 0;
    figurant::DxfReadReport report, halvesReport;
    std::rewind(file);
    const auto list = figurant::ReadDxfStream(file, nullptr, whole, &report, size);
    std::rewind(file);
    const auto halvesList = figurant::ReadDxfStream(file, nullptr, halves, &halvesReport, size);
    std::fclose(file);
    CheckKept(*list);
    if (!Same(*list, *halvesList) || !Same(report, halvesReport)) __builtin_trap();
    return 0;
}
