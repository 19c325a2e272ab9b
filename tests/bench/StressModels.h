#pragma once
// The generated body models the benchmarks load: the default one and finer stress models, written
// into the build folder on first use.
#include <string>

namespace figurant::bench {

struct ModelFiles {
    std::string dxf, normals;
    long faces;
};

// resolution 1 is the default model; larger ones have about resolution squared times its faces.
ModelFiles EnsureBodyModel(int resolution);
// The resolution that gives about `faces` faces.
int ResolutionFor(long faces);

} // namespace figurant::bench
