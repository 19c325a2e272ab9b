// figurant-inspect: prints what the program reads and builds from the user's files, as JSON.
#include "InspectAnim.h"
#include "InspectDxf.h"
#include "InspectModel.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

int Usage() {
    std::fputs("usage: figurant-inspect dxf FILE [--summary]\n"
               "       figurant-inspect model DXF NORMALS\n"
               "       figurant-inspect figure DXF NORMALS\n"
               "       figurant-inspect anim FILE --segments N\n",
               stderr);
    return 2;
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
    if (command == "figure" && argc == 4) return figurant::InspectFigure(argv[2], argv[3]);
    if (command == "anim" && argc == 5 && std::strcmp(argv[3], "--segments") == 0) {
        char* end = nullptr;
        const long n = std::strtol(argv[4], &end, 10);
        if (*end != '\0' || n < 0 || n > 40) return Usage();
        return figurant::InspectAnim(argv[2], static_cast<int>(n));
    }
    return Usage();
}
