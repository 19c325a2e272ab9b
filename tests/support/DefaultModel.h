#pragma once
// Paths of the generated default model files that the build writes for the program.
#include <cstdlib>
#include <filesystem>
#include <string>

namespace figurant::test {

inline std::string RunDir() {
    const char* dir = std::getenv("FIGURANT_RUN_DIR");
    return dir ? dir : "run";
}
// Where the tests leave the pictures they take for people to look at: beside the run folder, not
// in it, where every save dialog of the program opens.
inline std::string PicturesDir() {
    const std::string dir = RunDir() + "/../test-pictures";
    std::filesystem::create_directories(dir);
    return dir;
}
inline std::string DefaultModelPath() {
    return RunDir() + "/guy01.dxf";
}
inline std::string DefaultNormalsPath() {
    return RunDir() + "/guy01k10.normal";
}

} // namespace figurant::test
