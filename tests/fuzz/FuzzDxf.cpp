// Fuzz target: the DXF reader on arbitrary bytes.
#include "DxfReader.h"

#include <cstdint>
#include <cstdio>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<char> bytes(data, data + size);
    std::FILE* file = size ? fmemopen(bytes.data(), size, "rb") : std::fopen("/dev/null", "rb");
    if (!file) return 0;
    figurant::DxfReadOptions options;
    options.keepUnits = size % 2; // both unit modes
    const auto list = figurant::ReadDxfStream(file, nullptr, options);
    std::fclose(file);
    return 0;
}
