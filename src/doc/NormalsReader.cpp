#include "NormalsReader.h"

#include "InputFile.h"
#include "NumberReader.h"

#include <algorithm>
#include <cmath>

namespace figurant {

namespace {

// Normals read between two reports of progress.
constexpr std::size_t kNormalsPerReport = 1 << 16;

} // namespace

std::optional<std::vector<Vec3f>> ParseNormals(const std::string& text, const NormalsProgress& progress) {
    NumberReader in(text);
    // The count: a whole number, not negative, without a fraction.
    int count = 0;
    if (!in.Read(count) || count < 0 || in.FollowedByFraction()) return {};
    // Every number takes at least two bytes (a digit and a separator), so the file cannot hold
    // more triples than this: a huge count in a tiny file allocates no more than the file's size.
    const long fits = static_cast<long>(text.size() / 6) + 2;
    std::vector<Vec3f> normals(static_cast<std::size_t>(std::min(static_cast<long>(count), fits)));
    for (Vec3f& n : normals) {
        const auto index = static_cast<std::size_t>(&n - normals.data());
        if (progress && index % kNormalsPerReport == 0)
            progress(static_cast<double>(in.Position()) /
                     static_cast<double>(std::max<std::size_t>(text.size(), 1)));
        float* c[3] = {&n.x, &n.y, &n.z};
        int read = 0;
        for (; read < 3; ++read) {
            if (!in.Read(*c[read])) break;
        }
        const double length = std::sqrt(static_cast<double>(n.x) * n.x + static_cast<double>(n.y) * n.y +
                                        static_cast<double>(n.z) * n.z);
        if (std::fabs(length) > 1e-8) {
            n.x = static_cast<float>(n.x / length);
            n.y = static_cast<float>(n.y / length);
            n.z = static_cast<float>(n.z / length);
        }
        if (read < 3) {
            normals.resize(static_cast<std::size_t>(&n - normals.data()));
            break;
        }
    }
    return normals;
}

std::string NormalsPathBeside(const std::string& drawingPath) {
    const auto dot = drawingPath.find_last_of('.');
    const auto slash = drawingPath.find_last_of('/');
    const bool hasExtension = dot != std::string::npos && (slash == std::string::npos || dot > slash);
    return (hasExtension ? drawingPath.substr(0, dot) : drawingPath) + ".normal";
}

std::optional<std::vector<Vec3f>> ReadNormalsFile(const std::string& path, std::string* error,
                                                  const NormalsProgress& progress) {
    const auto text = ReadInputFile(path, error);
    if (!text) return {};
    return ParseNormals(*text, progress);
}

} // namespace figurant
