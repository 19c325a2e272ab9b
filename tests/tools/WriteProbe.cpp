// Test helper: "write-probe create|append PATH" writes a key-frame-sized block the way the program
// saves animations, and exits 0 on success. Tests run it as an unprivileged user.
#include "DurableFile.h"

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
    if (argc != 3) return 2;
    const std::string mode = argv[1], bytes = "\n0 0\n1 0 0 0 \n";
    const std::string error = mode == "append" ? figurant::AppendFileDurably(argv[2], bytes)
                                               : figurant::WriteFileDurably(argv[2], bytes);
    if (!error.empty()) std::fprintf(stderr, "%s\n", error.c_str());
    return error.empty() ? 0 : 1;
}
