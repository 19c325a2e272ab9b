#pragma once
#include <string>

namespace figurant {
// The key frames and increment blocks of an animation file read with `segments` segment records,
// as JSON; 1 when the file cannot be opened.
int InspectAnim(const std::string& path, int segments);
} // namespace figurant
