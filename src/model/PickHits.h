#pragma once
// Decoding of the OpenGL selection buffer: records {name count n, min depth, max depth, n names}.
#include <cstdint>
#include <optional>
#include <vector>

namespace figurant {

struct PickHit {
    float depth; // (zmin / 2^31 + zmax / 2^31) / 2
    std::vector<std::uint32_t> names;
};

// The records of `nHits` hits; a negative count (buffer overflow) gives none. Records that would
// run past `bufferWords` are not read.
std::vector<PickHit> DecodeSelectBuffer(const std::uint32_t* buffer, int bufferWords, int nHits);
// The first name of the nearest hit; equal depths keep the earlier record.
std::optional<std::uint32_t> NearestName(const std::vector<PickHit>& hits);

} // namespace figurant
