#include "PickHits.h"

namespace figurant {

std::vector<PickHit> DecodeSelectBuffer(const std::uint32_t* buffer, int bufferWords, int nHits) {
    std::vector<PickHit> hits;
    int pos = 0;
    for (int h = 0; h < nHits; ++h) {
        if (pos + 3 > bufferWords) break;
        const std::uint32_t n = buffer[pos];
        if (n > static_cast<std::uint32_t>(bufferWords - pos - 3)) break;
        const double zmin = buffer[pos + 1], zmax = buffer[pos + 2];
        PickHit hit{static_cast<float>((zmin / 2147483648.0 + zmax / 2147483648.0) / 2), {}};
        hit.names.assign(buffer + pos + 3, buffer + pos + 3 + n);
        hits.push_back(std::move(hit));
        pos += 3 + static_cast<int>(n);
    }
    return hits;
}

std::optional<std::uint32_t> NearestName(const std::vector<PickHit>& hits) {
    const PickHit* best = nullptr;
    for (const PickHit& h : hits)
        if (!best || h.depth < best->depth) best = &h;
    if (!best || best->names.empty()) return std::nullopt;
    return best->names.front();
}

} // namespace figurant
