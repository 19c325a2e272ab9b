// Fuzz target: the normals-file reader on arbitrary bytes.
#include "NormalsReader.h"

#include <cmath>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto normals = figurant::ParseNormals(std::string(reinterpret_cast<const char*>(data), size));
    // A count larger than the bytes could hold must never be allocated.
    if (normals && normals->size() > size / 6 + 2) __builtin_trap();
    // Every normal kept is finite, and of unit length unless it was (nearly) zero.
    if (normals)
        for (const figurant::Vec3f& n : *normals) {
            const double length = std::sqrt(double(n.x) * n.x + double(n.y) * n.y + double(n.z) * n.z);
            if (!std::isfinite(length) || (length > 1e-6 && std::fabs(length - 1) > 1e-5)) __builtin_trap();
        }
    return 0;
}
