// Fuzz target: the rigged-figure import (the import library's readers, then the conversion) on
// arbitrary bytes. The first bytes pick the format as a file's extension would.
#include "CharacterChecks.h"
#include "FigureFileReader.h"
#include "FigureImport.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>

namespace {

std::string ExtensionOf(const std::uint8_t* data, std::size_t size) {
    if (size >= 4 && std::memcmp(data, "glTF", 4) == 0) return "glb";
    if (size >= 1 && data[0] == '{') return "gltf";
    if (size >= 1 && data[0] == '<') return "dae";
    if (size >= 18 && std::memcmp(data, "Kaydara FBX Binary", 18) == 0) return "fbx";
    return "obj";
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto scene = figurant::ReadFigureBytes(data, size, ExtensionOf(data, size), nullptr);
    if (!scene) return 0;
    figurant::fuzz::CheckCharacter(*scene);
    const figurant::ConvertedFigure figure = figurant::ConvertFigure(*scene);
    if (!figure.error.empty()) {
        if (figure.model) __builtin_trap();
        return 0;
    }
    // Every face is a triangle in a body segment, with a finite normal for each of its four corners.
    std::size_t corners = 0;
    for (const auto& line : *figure.model) {
        if (!line->m_bFace || line->GetSize() != 4) __builtin_trap();
        corners += 4;
        for (const figurant::Vec3f& p : line->Points())
            if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z)) __builtin_trap();
    }
    if (figure.normals.size() != corners) __builtin_trap();
    for (const figurant::Vec3f& n : figure.normals)
        if (!std::isfinite(n.x) || !std::isfinite(n.y) || !std::isfinite(n.z)) __builtin_trap();
    return 0;
}
