// mannequin: writes the default body model "guy01.dxf" and its normals "guy01k10.normal".
//   mannequin [--out DIR] [--faces N]
// --faces asks for a finer surface of about N faces (stress models for benchmarks).
#include "Body.h"
#include "ModelFiles.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

constexpr double kDefaultFaces = 4600; // faces at resolution 1

int Usage() {
    std::fputs("usage: mannequin [--out DIR] [--faces N] [--name BASE]\n", stderr);
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    std::string dir = ".", dxfName = "guy01.dxf", normalsName = "guy01k10.normal";
    int resolution = 1;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (i + 1 >= argc) return Usage();
        if (arg == "--out") {
            dir = argv[++i];
        } else if (arg == "--faces") {
            const double faces = std::strtod(argv[++i], nullptr);
            resolution = std::max(1, static_cast<int>(std::lround(std::sqrt(faces / kDefaultFaces))));
        } else if (arg == "--name") {
            dxfName = std::string(argv[++i]) + ".dxf";
            normalsName = std::string(argv[i]) + ".normal";
        } else {
            return Usage();
        }
    }
    const mannequin::Mesh mesh = mannequin::BuildBody(resolution);
    if (!mannequin::WriteModelFiles(mesh, dir + "/" + dxfName, dir + "/" + normalsName)) {
        std::fprintf(stderr, "mannequin: cannot write the model files into %s\n", dir.c_str());
        return 1;
    }
    std::printf("%zu faces, %zu vertices\n", mesh.Faces().size(), mesh.Positions().size());
    return 0;
}
