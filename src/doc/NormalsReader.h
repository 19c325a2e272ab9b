#pragma once
// Reader of the ".normal" file: a count n, then n triples x y z, all whitespace separated and
// converted with the "C" rules. Each triple longer than 1e-8 is scaled to unit length.
#include "Vec3f.h"

#include <optional>
#include <string>
#include <vector>

namespace figurant {

// Nothing when the file cannot be opened or its count is not a non-negative integer. Reading
// stops at the first number that cannot be read; triples not read stay (0, 0, 0). A count larger
// than the file can hold is cut to what it can hold, so a tiny file never allocates gigabytes.
std::optional<std::vector<Vec3f>> ReadNormalsFile(const std::string& path);
std::optional<std::vector<Vec3f>> ParseNormals(const std::string& text);

} // namespace figurant
