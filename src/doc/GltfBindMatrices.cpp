#include "GltfBindMatrices.h"

#include <nlohmann/json.hpp>

#include <cstdint>
#include <cstring>
#include <string_view>

namespace figurant {

namespace {

using Json = nlohmann::json;

constexpr std::uint32_t kGlbMagic = 0x46546C67, kJsonChunk = 0x4E4F534A;
constexpr std::size_t kGlbHeader = 12, kChunkHeader = 8;
constexpr int kFloat = 5126; // the accessor component type of 32-bit floats

std::string Base64(const std::string& bytes) {
    static const char* const kDigits = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    const std::size_t n = bytes.size();
    auto at = [&](std::size_t i) {
        return i < n ? static_cast<std::uint32_t>(static_cast<std::uint8_t>(bytes[i])) : 0u;
    };
    std::string out;
    for (std::size_t i = 0; i < n; i += 3) {
        const std::uint32_t v = at(i) << 16 | at(i + 1) << 8 | at(i + 2);
        out += kDigits[(v >> 18) & 63];
        out += kDigits[(v >> 12) & 63];
        out += i + 1 < n ? kDigits[(v >> 6) & 63] : '=';
        out += i + 2 < n ? kDigits[v & 63] : '=';
    }
    return out;
}

std::uint32_t U32(std::string_view s, std::size_t at) {
    std::uint32_t v = 0;
    std::memcpy(&v, s.data() + at, 4);
    return v;
}

void PutU32(std::string& s, std::uint32_t v) {
    s.append(reinterpret_cast<const char*>(&v), 4);
}

// Adds identity matrices to the skins that lack them; false when none did.
bool Mend(Json& gltf, const std::string& folder) {
    if (!gltf.is_object() || !gltf.contains("skins") || !gltf["skins"].is_array()) return false;
    bool mended = false;
    for (Json& skin : gltf["skins"]) {
        if (!skin.is_object() || skin.contains("inverseBindMatrices") || !skin.contains("joints") ||
            !skin["joints"].is_array() || skin["joints"].empty())
            continue;
        const std::size_t joints = skin["joints"].size();
        const float identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
        std::string matrices;
        for (std::size_t j = 0; j < joints; ++j)
            matrices.append(reinterpret_cast<const char*>(identity), sizeof identity);
        for (const char* list : {"buffers", "bufferViews", "accessors"})
            if (!gltf.contains(list) || !gltf[list].is_array()) gltf[list] = Json::array();
        gltf["buffers"].push_back({{"byteLength", matrices.size()},
                                   {"uri", "data:application/octet-stream;base64," + Base64(matrices)}});
        gltf["bufferViews"].push_back(
            {{"buffer", gltf["buffers"].size() - 1}, {"byteLength", matrices.size()}});
        gltf["accessors"].push_back({{"bufferView", gltf["bufferViews"].size() - 1},
                                     {"componentType", kFloat},
                                     {"count", joints},
                                     {"type", "MAT4"}});
        skin["inverseBindMatrices"] = gltf["accessors"].size() - 1;
        mended = true;
    }
    if (!mended || folder.empty()) return mended;
    // Read from memory, the file has no folder of its own: its other files are named in full.
    for (const char* list : {"buffers", "images"}) {
        if (!gltf.contains(list) || !gltf[list].is_array()) continue;
        for (Json& item : gltf[list])
            if (item.is_object() && item.contains("uri") && item["uri"].is_string()) {
                const std::string uri = item["uri"];
                if (uri.rfind("data:", 0) != 0 && uri.find(':') == std::string::npos && !uri.empty() &&
                    uri[0] != '/')
                    item["uri"] = folder + "/" + uri;
            }
    }
    return true;
}

// How often `word` stands in the text.
std::size_t Occurrences(std::string_view text, std::string_view word) {
    std::size_t n = 0;
    for (std::size_t at = text.find(word); at != std::string_view::npos;
         at = text.find(word, at + word.size()))
        ++n;
    return n;
}

// Whether some skin may lack its matrices: each skin names its joints once, and one with matrices
// names those too. A text search, so that the common file is not parsed twice.
bool MayLackBindMatrices(std::string_view json) {
    return json.find("\"skins\"") != std::string_view::npos &&
           Occurrences(json, "\"inverseBindMatrices\"") < Occurrences(json, "\"joints\"");
}

} // namespace

std::optional<std::string> WithIdentityBindMatrices(std::string_view bytes, const std::string& folder) {
    const bool binary = bytes.size() >= kGlbHeader + kChunkHeader && U32(bytes, 0) == kGlbMagic;
    std::size_t jsonAt = 0, jsonSize = bytes.size();
    if (binary) {
        jsonSize = U32(bytes, kGlbHeader);
        jsonAt = kGlbHeader + kChunkHeader;
        if (U32(bytes, kGlbHeader + 4) != kJsonChunk || jsonSize > bytes.size() - jsonAt) return std::nullopt;
    }
    if (!MayLackBindMatrices(bytes.substr(jsonAt, jsonSize))) return std::nullopt;
    Json gltf = Json::parse(bytes.begin() + static_cast<std::ptrdiff_t>(jsonAt),
                            bytes.begin() + static_cast<std::ptrdiff_t>(jsonAt + jsonSize), nullptr, false);
    if (gltf.is_discarded() || !Mend(gltf, folder)) return std::nullopt;
    std::string json = gltf.dump();
    if (!binary) return json;
    while (json.size() % 4)
        json += ' ';
    const std::string_view rest = bytes.substr(jsonAt + jsonSize);
    std::string glb;
    PutU32(glb, kGlbMagic);
    PutU32(glb, 2);
    PutU32(glb, static_cast<std::uint32_t>(kGlbHeader + kChunkHeader + json.size() + rest.size()));
    PutU32(glb, static_cast<std::uint32_t>(json.size()));
    PutU32(glb, kJsonChunk);
    return glb + json + std::string(rest);
}

} // namespace figurant
