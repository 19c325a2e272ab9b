// Fuzz target: what a figure-reading child sends back, as the parent reads it, then the
// conversion of whatever scene it accepts, and the character made of it. A scene accepted holds
// names of valid UTF-8 only, and encodes to bytes that decode to the same scene.
#include "CharacterChecks.h"
#include "FigureImport.h"
#include "SceneWire.h"
#include "Utf8.h"

#include <cmath>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    std::string error;
    const auto scene = figurant::DecodeScene(bytes, &error);
    if (!scene) {
        if (error.empty()) __builtin_trap();
        return 0;
    }
    const std::string encoded = figurant::EncodeScene(*scene);
    const auto again = figurant::DecodeScene(encoded, &error);
    if (!again || figurant::EncodeScene(*again) != encoded) __builtin_trap();
    for (const auto& bone : scene->bones)
        if (figurant::ValidUtf8(bone.name) != bone.name) __builtin_trap();
    const figurant::ConvertedFigure figure = figurant::ConvertFigure(*scene);
    if (figure.error.empty() != static_cast<bool>(figure.model)) __builtin_trap();
    figurant::fuzz::CheckCharacter(*scene);
    return 0;
}
