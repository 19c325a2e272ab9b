#pragma once
// Reading a large drawing in two halves at once. The second half starts at an entity's line "0"
// near the middle and is read on a thread of its own; the first half's reader checks that it
// meets that line in step, so the result is always exactly that of one read from start to end
// (when it is not in step, the first reader reads on alone and the second half is dropped).
#include "DxfReader.h"

#include <cstdint>
#include <cstdio>
#include <optional>

namespace figurant {

// Where a stream can be cut: the start of the first line "0" followed by a line "3DFACE" in the
// megabyte behind the middle. Nothing for a stream that is not a regular file read from its
// start, is smaller than `fromBytes`, or runs on a machine with a single processor.
std::optional<std::uint64_t> FindHalves(std::FILE* file, std::uint64_t limit, std::uint64_t fromBytes);

// Reads the stream with `first` (whose list is `list`) up to `split` and the rest at the same
// time, appending the second half's polylines and counts to the first's.
void ReadHalves(CDxfReader& first, CByteSource& source, CUnderlayList& list, const DxfReadOptions& options,
                std::FILE* file, std::uint64_t split, std::uint64_t limit);

} // namespace figurant
