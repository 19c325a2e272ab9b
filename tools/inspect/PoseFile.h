#pragma once
// The pose files of `figurant-inspect --pose`: {"rotations": {"<joint name>": [x, y, z, w], ...}}.
#include <array>
#include <map>
#include <optional>
#include <string>

namespace figurant {

using PoseRotations = std::map<std::string, std::array<double, 4>>;

// Each joint's unit quaternion by name; nothing, with the reason in `error`, when the file cannot
// be read or a rotation is not four numbers of some length.
std::optional<PoseRotations> ReadPoseFile(const std::string& path, std::string* error);

} // namespace figurant
