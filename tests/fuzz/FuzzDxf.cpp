// Fuzz target: the DXF reader on arbitrary bytes. Whatever it keeps is finite, and no polyline
// holds more points than its entity can make (a face nine corners, a circle or arc 74 points).
#include "DxfReader.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

constexpr int kMostPoints = 74;

bool Finite(const figurant::Vec3f& p) {
    return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<char> bytes(data, data + size);
    std::FILE* file = size ? fmemopen(bytes.data(), size, "rb") : std::fopen("/dev/null", "rb");
    if (!file) return 0;
    figurant::DxfReadOptions options;
    options.keepUnits = size % 2; // both unit modes
    figurant::DxfReadReport report;
    const auto list = figurant::ReadDxfStream(file, nullptr, options, &report);
    std::fclose(file);
    for (const auto& line : *list) {
        if (line->GetSize() > kMostPoints) __builtin_trap();
        for (const figurant::Vec3f& p : line->Points())
            if (!Finite(p)) __builtin_trap();
    }
    if (list->GetCount() > 0)
        for (float b : list->m_bounds)
            if (!std::isfinite(b)) __builtin_trap();
    return 0;
}
