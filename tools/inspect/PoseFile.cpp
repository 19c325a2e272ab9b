#include "PoseFile.h"

#include "InputFile.h"

#include <cmath>
#include <nlohmann/json.hpp>

namespace figurant {

std::optional<PoseRotations> ReadPoseFile(const std::string& path, std::string* error) {
    const auto bytes = ReadInputFile(path, error);
    if (!bytes) return std::nullopt;
    const auto json = nlohmann::json::parse(*bytes, nullptr, false);
    if (json.is_discarded() || !json.is_object() || !json.contains("rotations") ||
        !json["rotations"].is_object()) {
        *error = "it is not a pose: {\"rotations\": {\"<joint name>\": [x, y, z, w], ...}}";
        return std::nullopt;
    }
    PoseRotations out;
    for (const auto& [name, value] : json["rotations"].items()) {
        std::array<double, 4> q{};
        bool numbers = value.is_array() && value.size() == 4;
        for (std::size_t i = 0; numbers && i < 4; ++i) {
            numbers = value[i].is_number() && std::isfinite(value[i].get<double>());
            if (numbers) q[i] = value[i].get<double>();
        }
        const double length = numbers ? std::sqrt(q[0] * q[0] + q[1] * q[1] + q[2] * q[2] + q[3] * q[3]) : 0;
        if (!(length > 0) || !std::isfinite(length)) {
            *error = "the rotation of \"" + name + "\" is not a quaternion [x, y, z, w]";
            return std::nullopt;
        }
        for (double& c : q)
            c /= length;
        out[name] = q;
    }
    return out;
}

} // namespace figurant
