#include "AnimationFormat.h"

#include "NumberConv.h"

#include <algorithm>

#include <charconv>
#include <cmath>
#include <limits>

namespace figurant {

std::string FormatReal(float value) {
    const double v = value;
    if (std::isnan(v)) return std::signbit(v) ? "-nan" : "nan";
    if (std::isinf(v)) return v < 0 ? "-inf" : "inf";
    char buf[32];
    const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general, 6);
    return std::string(buf, r.ptr);
}

void AppendLine(std::string& out, const float* values, int count) {
    for (int i = 0; i < count; ++i)
        out += FormatReal(values[i]) + " ";
    out += "\n";
}

std::string FormatKeyFrame(const AnimationScene& scene) {
    std::string out = "\n" + std::to_string(scene.sceneRotX) + " " + std::to_string(scene.sceneRotZ) + "\n";
    AppendLine(out, scene.sceneMatrix.m.data(), 16);
    for (int i = 0; i < scene.nSegments; ++i)
        AppendLine(out, scene.pose[static_cast<std::size_t>(i)].m_matrix.m.data(), 16);
    return out;
}

std::string FormatIncrementBlock(const AnimationScene& scene) {
    std::string out;
    for (int i = 0; i < scene.nSegments; ++i) {
        const SegmentPose& p = scene.pose[static_cast<std::size_t>(i)];
        AppendLine(out, p.m_rotInc.data(), 3);
        AppendLine(out, p.m_transInc.data(), 3);
    }
    return out;
}

std::optional<long> TornLine(const std::string& text, int nSegments) {
    NumberReader in(text);
    auto reals = [&](int n) {
        float v = 0;
        for (int i = 0; i < n; ++i)
            if (!in.Read(v)) return false;
        return true;
    };
    auto keyFrame = [&] {
        int rot = 0;
        return in.Read(rot) && in.Read(rot) && reals(16 + 16 * nSegments);
    };
    if (!keyFrame()) return in.FailedLine();
    for (;;) {
        const std::size_t blockStart = in.Count();
        if (!reals(6 * nSegments)) {
            if (!in.FailedAtEnd() || in.Count() != blockStart) return in.FailedLine();
            break;
        }
        if (!keyFrame()) return in.FailedLine();
    }
    // The last number may itself be cut short: a whole frame ends with its line end.
    if (text.empty() || text.back() != '\n')
        return 1 + static_cast<long>(std::count(text.begin(), text.end(), '\n'));
    return std::nullopt;
}

} // namespace figurant
