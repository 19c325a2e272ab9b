#include "ConvertReport.h"

#include "SegmentNames.h"

#include <string>

namespace figurant {

namespace {

// The length of the UTF-8 sequence that starts at s[i], or 0 when the bytes there are no valid one.
std::size_t Utf8Length(const std::string& s, std::size_t i) {
    const auto b = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char c = b(i);
    const std::size_t n = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 0;
    if (n == 0 || i + n > s.size()) return 0;
    for (std::size_t k = 1; k < n; ++k)
        if ((b(i + k) & 0xC0) != 0x80) return 0;
    return n;
}

// A JSON string; bytes that are no UTF-8 (a bone name in another encoding) become U+FFFD.
std::string Quoted(const std::string& s) {
    std::string out = "\"";
    for (std::size_t i = 0; i < s.size();) {
        const char c = s[i];
        const std::size_t n = Utf8Length(s, i);
        if (n == 0) {
            out += "\\ufffd";
            ++i;
        } else if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
            ++i;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", c);
            out += buf;
            ++i;
        } else {
            out.append(s, i, n);
            i += n;
        }
    }
    return out + "\"";
}

} // namespace

void PrintConvertReport(const ImportScene& scene, const ConvertedFigure& figure, std::FILE* out) {
    std::fputs("{\"bones\": [", out);
    for (std::size_t b = 0; b < scene.bones.size(); ++b)
        std::fprintf(out, "%s{\"name\": %s, \"segment\": %d}", b ? ", " : "",
                     Quoted(scene.bones[b].name).c_str(), figure.boneSegments[b]);
    std::fputs("], \"faces\": [", out);
    for (std::size_t s = 0; s < figure.faces.size(); ++s)
        std::fprintf(out, "%s{\"segment\": %zu, \"name\": %s, \"faces\": %ld}", s ? ", " : "", s,
                     Quoted(SegmentName(static_cast<int>(s))).c_str(), figure.faces[s]);
    std::fputs("], \"joints\": [", out);
    for (std::size_t j = 0; j < figure.joints.size(); ++j)
        std::fprintf(out, "%s{\"parent\": %d, \"child\": %d, \"ring\": %ld}", j ? ", " : "",
                     figure.joints[j].parent, figure.joints[j].child, figure.joints[j].ringSize);
    std::fprintf(out, "], \"faces_left_out\": {\"placeless\": %ld, \"folded\": %ld}",
                 figure.leftOut.placeless, figure.leftOut.folded);
    std::fprintf(out, ", \"normals_from_file\": %s}\n", figure.normalsFromFile ? "true" : "false");
}

} // namespace figurant
