// figurant-inspect: prints what the program reads and builds from the user's files, as JSON.
#include "FigureFileReader.h"
#include "InspectAnim.h"
#include "InspectCharacter.h"
#include "InspectDxf.h"
#include "InspectModel.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

int Usage() {
    std::fputs("usage: figurant-inspect dxf FILE [--summary]\n"
               "       figurant-inspect model DXF NORMALS\n"
               "       figurant-inspect figure DXF NORMALS [--pose POSE.json]\n"
               "       figurant-inspect figure CHARACTER [--pose POSE.json]\n"
               "       figurant-inspect anim FILE --segments N\n",
               stderr);
    return 2;
}

// figure DXF NORMALS [--pose P] or figure CHARACTER [--pose P]: a character file is named as one.
int Figure(int argc, char** argv) {
    std::vector<std::string> files;
    std::string pose;
    for (int i = 2; i < argc; ++i) {
        if (std::strcmp(argv[i], "--pose") == 0 && i + 1 < argc)
            pose = argv[++i];
        else
            files.push_back(argv[i]);
    }
    if (files.size() == 1 && figurant::IsFigureFileName(files[0]))
        return figurant::InspectCharacter(files[0], pose);
    if (files.size() == 2) return figurant::InspectFigure(files[0], files[1], pose);
    return Usage();
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) return Usage();
    const std::string command = argv[1];
    if (command == "dxf") {
        if (argc == 3) return figurant::InspectDxf(argv[2], false);
        if (argc == 4 && std::strcmp(argv[3], "--summary") == 0) return figurant::InspectDxf(argv[2], true);
        return Usage();
    }
    if (command == "model" && argc == 4) return figurant::InspectModel(argv[2], argv[3]);
    if (command == "figure") return Figure(argc, argv);
    if (command == "anim" && argc == 5 && std::strcmp(argv[3], "--segments") == 0) {
        char* end = nullptr;
        const long n = std::strtol(argv[4], &end, 10);
        if (*end != '\0' || n < 0 || n > 40) return Usage();
        return figurant::InspectAnim(argv[2], static_cast<int>(n));
    }
    return Usage();
}
