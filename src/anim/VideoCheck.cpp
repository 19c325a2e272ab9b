#include "VideoCheck.h"

#include "InputFile.h"

#include <cstdint>
#include <set>

namespace figurant {

namespace {

// A box's header: a 32-bit size (1: a 64-bit size follows the type; 0: up to the end of the
// file) and a four-letter type.
constexpr std::uint64_t kHeaderBytes = 8, kLongHeaderBytes = 16;

std::uint64_t BigEndian(const unsigned char* bytes, int count) {
    std::uint64_t v = 0;
    for (int i = 0; i < count; ++i)
        v = v << 8 | bytes[i];
    return v;
}

} // namespace

std::string CheckMp4File(const std::string& path) {
    InputFile file(path, ~std::uint64_t{0});
    if (!file.Ok()) return file.Error();
    const std::uint64_t size = file.Size();
    std::set<std::string> types;
    for (std::uint64_t at = 0; at < size;) {
        unsigned char header[kLongHeaderBytes];
        if (size - at < kHeaderBytes || std::fseek(file.Stream(), static_cast<long>(at), SEEK_SET) != 0 ||
            std::fread(header, 1, kHeaderBytes, file.Stream()) != kHeaderBytes)
            return "the file ends inside a box's header";
        std::uint64_t box = BigEndian(header, 4);
        if (box == 1) {
            if (size - at < kLongHeaderBytes ||
                std::fread(header + kHeaderBytes, 1, kLongHeaderBytes - kHeaderBytes, file.Stream()) !=
                    kLongHeaderBytes - kHeaderBytes)
                return "the file ends inside a box's header";
            box = BigEndian(header + kHeaderBytes, 8);
            if (box < kLongHeaderBytes) return "a box has an impossible size";
        } else if (box == 0) {
            box = size - at;
        } else if (box < kHeaderBytes) {
            return "a box has an impossible size";
        }
        if (box > size - at) return "the file is cut short (its last box is not whole)";
        types.insert(std::string(reinterpret_cast<const char*>(header + 4), 4));
        at += box;
    }
    for (const char* needed : {"ftyp", "mdat", "moov"})
        if (!types.count(needed)) return std::string("the file has no \"") + needed + "\" box";
    return {};
}

} // namespace figurant
