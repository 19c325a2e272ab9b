#include "StressModels.h"

#include "Body.h"
#include "ModelFiles.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>

namespace figurant::bench {

int ResolutionFor(long faces) {
    return std::max(1, static_cast<int>(std::lround(std::sqrt(faces / 4674.0))));
}

namespace {

// A fingerprint of the generator's output (its smallest body): files a different generator wrote
// (an earlier figure's shapes) are then never taken for this one's.
std::string GeneratorFingerprint() {
    const mannequin::Mesh mesh = mannequin::BuildBody(1);
    std::uint64_t hash = 1469598103934665603ULL; // FNV-1a
    auto add = [&](const void* data, std::size_t size) {
        for (std::size_t i = 0; i < size; ++i) {
            hash ^= static_cast<const unsigned char*>(data)[i];
            hash *= 1099511628211ULL;
        }
    };
    for (const mannequin::V3& p : mesh.Positions())
        add(&p, sizeof p);
    for (const mannequin::Face& f : mesh.Faces())
        add(&f, sizeof f);
    char text[17];
    std::snprintf(text, sizeof text, "%08llx", static_cast<unsigned long long>(hash & 0xffffffffULL));
    return text;
}

} // namespace

ModelFiles EnsureBodyModel(int resolution) {
    static const std::string fingerprint = GeneratorFingerprint();
    const std::string base = "bench-body-" + fingerprint + "-" + std::to_string(resolution);
    // Absolute, so a reader in another working folder finds them.
    const std::filesystem::path here = std::filesystem::current_path();
    ModelFiles files{(here / (base + ".dxf")).string(), (here / (base + ".normal")).string(), 0};
    if (!std::filesystem::exists(files.dxf) || !std::filesystem::exists(files.normals)) {
        const mannequin::Mesh mesh = mannequin::BuildBody(resolution);
        mannequin::WriteModelFiles(mesh, files.dxf, files.normals);
    }
    return files;
}

} // namespace figurant::bench
