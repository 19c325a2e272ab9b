#pragma once
// Paths of the generated default model files that the build writes for the program.
#include <cstdlib>
#include <string>

namespace figurant::test {

inline std::string RunDir() {
    const char* dir = std::getenv("FIGURANT_RUN_DIR");
    return dir ? dir : "run";
}
inline std::string DefaultModelPath() {
    return RunDir() + "/guy01.dxf";
}
inline std::string DefaultNormalsPath() {
    return RunDir() + "/guy01k10.normal";
}

} // namespace figurant::test
