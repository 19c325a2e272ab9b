// figurant-convert: turns a rigged figure (glTF, GLB, VRM, FBX, Collada, OBJ) into the program's
// own body model, OUT.dxf and OUT.normal beside it, so it opens like the default figure.
#include "ConvertReport.h"
#include "DurableFile.h"
#include "FaceFileWriter.h"
#include "FigureFileReader.h"
#include "FigureReadApart.h"
#include "NormalsReader.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace {

int Usage() {
    std::fputs("usage: figurant-convert IN OUT.dxf [--report]\n", stderr);
    return 2;
}

int Fail(const std::string& path, const std::string& why) {
    std::fprintf(stderr, "figurant-convert: \"%s\": %s\n", path.c_str(), why.c_str());
    return 1;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3 || argc > 4 || (argc == 4 && std::strcmp(argv[3], "--report") != 0)) return Usage();
    const std::string in = argv[1], out = argv[2];
    std::string error;
    const auto scene = figurant::ReadFigureFileApart(in, &error);
    if (!scene) return Fail(in, error);
    const figurant::ConvertedFigure figure = figurant::ConvertFigure(*scene);
    if (!figure.error.empty()) return Fail(in, figure.error);
    const std::string normals = figurant::NormalsPathBeside(out);
    if (const std::string e =
            figurant::WriteFileDurably(out, figurant::FormatFaceDrawing(figurant::DrawnFaces(*figure.model)));
        !e.empty())
        return Fail(out, e);
    if (const std::string e = figurant::WriteFileDurably(
            normals, figurant::FormatNormalsFile(figurant::Triples(figure.normals)));
        !e.empty())
        return Fail(normals, e);
    if (argc == 4) figurant::PrintConvertReport(*scene, figure, stdout);
    for (const std::string& joint : figure.missingJoints)
        std::fprintf(stderr, "figurant-convert: no joint found between %s\n", joint.c_str());
    return 0;
}
