#include "StressModels.h"

#include "Body.h"
#include "ModelFiles.h"

#include <cmath>
#include <filesystem>

namespace figurant::bench {

int ResolutionFor(long faces) {
    return std::max(1, static_cast<int>(std::lround(std::sqrt(faces / 4674.0))));
}

ModelFiles EnsureBodyModel(int resolution) {
    const std::string base = "bench-body-" + std::to_string(resolution);
    ModelFiles files{base + ".dxf", base + ".normal", 0};
    if (!std::filesystem::exists(files.dxf) || !std::filesystem::exists(files.normals)) {
        const mannequin::Mesh mesh = mannequin::BuildBody(resolution);
        mannequin::WriteModelFiles(mesh, files.dxf, files.normals);
    }
    return files;
}

} // namespace figurant::bench
