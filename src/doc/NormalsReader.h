#pragma once
// Reader of the ".normal" file: a count n, then n triples x y z, all whitespace separated and
// converted with the "C" rules. Each triple longer than 1e-8 is scaled to unit length.
#include "Vec3f.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace figurant {

// Nothing when the file cannot be read (not a regular file, larger than 1 GiB, missing: the reason
// goes to `error` when given) or its count is not a non-negative integer. Reading stops at the
// first number that cannot be read, and only whole triples read are kept, so a file shorter than
// its count gives fewer normals. A count larger than the file can hold allocates no more than the
// file can hold.
// The normals file that belongs beside a drawing: the same name with ".normal" for its extension.
std::string NormalsPathBeside(const std::string& drawingPath);

// `progress`, when given, is told the fraction of the text read every so many normals.
using NormalsProgress = std::function<void(double fraction)>;
std::optional<std::vector<Vec3f>> ReadNormalsFile(const std::string& path, std::string* error = nullptr,
                                                  const NormalsProgress& progress = {});
std::optional<std::vector<Vec3f>> ParseNormals(const std::string& text, const NormalsProgress& progress = {});

} // namespace figurant
