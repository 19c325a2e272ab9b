#pragma once
// Writes body-model-like DXF files of many 3DFACE entities for the reader benchmarks.
#include <string>

namespace figurant::bench {

// Writes `faces` faces into `path` (unless a file of that name exists) and returns the path.
std::string EnsureFaceFile(const std::string& path, long faces);

} // namespace figurant::bench
