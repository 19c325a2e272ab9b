#pragma once
#include <string>

namespace figurant {

// `figurant-inspect figure FILE [--pose POSE.json]` for a character file Import Model reads: its
// joints in the rest pose and, with a pose, every vertex at rest and posed by linear blending.
int InspectCharacter(const std::string& file, const std::string& posePath);

} // namespace figurant
