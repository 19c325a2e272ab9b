// Fuzz target: the normals-file reader on arbitrary bytes.
#include "NormalsReader.h"

#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto normals = figurant::ParseNormals(std::string(reinterpret_cast<const char*>(data), size));
    // A count larger than the bytes could hold must never be allocated.
    if (normals && normals->size() > size / 6 + 2) __builtin_trap();
    return 0;
}
