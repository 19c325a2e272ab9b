// figurant-convert: turns a rigged figure (glTF, GLB, VRM, FBX, Collada, OBJ) into the program's
// own body model, OUT.dxf and OUT.normal beside it, so it opens like the default figure.
#include "ConvertReport.h"
#include "DurableFile.h"
#include "FaceFileWriter.h"
#include "FigureFileReader.h"
#include "FigureReadApart.h"
#include "InputFile.h"
#include "NormalsReader.h"

#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>
#include <sys/stat.h>

namespace {

int Usage() {
    std::fputs("usage: figurant-convert IN OUT.dxf [--report]\n", stderr);
    return 2;
}

int Fail(const std::string& path, const std::string& why) {
    std::fprintf(stderr, "figurant-convert: \"%s\": %s\n", path.c_str(), why.c_str());
    return 1;
}

// Whether two paths name the same file (a link, another spelling).
bool SameFile(const std::string& a, const std::string& b) {
    struct stat x {
    }, y{};
    return ::stat(a.c_str(), &x) == 0 && ::stat(b.c_str(), &y) == 0 && x.st_dev == y.st_dev &&
           x.st_ino == y.st_ino;
}

// Writes the drawing and its normals, both or neither: when the second cannot be written, the
// first is put back as it was (or removed, if it is new).
std::string WritePair(const std::string& drawing, const std::string& drawingBytes, const std::string& normals,
                      const std::string& normalsBytes, std::string* failed) {
    std::string error;
    struct stat info {};
    const bool existed = ::stat(drawing.c_str(), &info) == 0;
    const auto before = figurant::ReadInputFile(drawing, &error);
    // A drawing there that cannot be read back could not be put back either: it is not replaced.
    if (existed && !before) {
        *failed = drawing;
        return "it cannot be read back to keep it safe: " + error;
    }
    *failed = drawing;
    if (error = figurant::WriteFileDurably(drawing, drawingBytes, figurant::SpecialFiles::Refuse);
        !error.empty())
        return error;
    *failed = normals;
    if (error = figurant::WriteFileDurably(normals, normalsBytes, figurant::SpecialFiles::Refuse);
        error.empty())
        return {};
    if (existed)
        figurant::WriteFileDurably(drawing, *before, figurant::SpecialFiles::Refuse);
    else
        std::remove(drawing.c_str());
    return error;
}

} // namespace

int main(int argc, char** argv) {
    // Past a file-size limit a write fails (EFBIG) and is reported, instead of ending the program.
    std::signal(SIGXFSZ, SIG_IGN);
    if (argc < 3 || argc > 4 || (argc == 4 && std::strcmp(argv[3], "--report") != 0)) return Usage();
    const std::string in = argv[1], out = argv[2];
    const std::string normals = figurant::NormalsPathBeside(out);
    if (SameFile(in, out) || SameFile(in, normals)) return Fail(out, "it is the figure being converted");
    std::string error;
    const auto scene = figurant::ReadFigureFileApart(in, &error);
    if (!scene) return Fail(in, error);
    const figurant::ConvertedFigure figure = figurant::ConvertFigure(*scene);
    if (!figure.error.empty()) return Fail(in, figure.error);
    std::string failed;
    if (const std::string e =
            WritePair(out, figurant::FormatFaceDrawing(figurant::DrawnFaces(*figure.model)), normals,
                      figurant::FormatNormalsFile(figurant::Triples(figure.normals)), &failed);
        !e.empty())
        return Fail(failed, e + (failed == normals ? "; \"" + out + "\" is left as it was" : ""));
    if (argc == 4) figurant::PrintConvertReport(*scene, figure, stdout);
    for (const std::string& joint : figure.missingJoints)
        std::fprintf(stderr, "figurant-convert: no joint found between %s\n", joint.c_str());
    return 0;
}
