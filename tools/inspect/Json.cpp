#include "Json.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace figurant::json {

namespace {

std::string Format(double v, int digits) {
    if (std::isnan(v)) return "\"nan\"";
    if (std::isinf(v)) return v > 0 ? "\"inf\"" : "\"-inf\"";
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general, digits);
    return std::string(buf, r.ptr);
}

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

} // namespace

// A JSON string; bytes that are no UTF-8 (a bone name in another encoding) become U+FFFD.
std::string Text(const std::string& s) {
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

std::string Float(float v) {
    return Format(static_cast<double>(v), 9);
}
std::string Double(double v) {
    return Format(v, 17);
}

std::string Point(const Vec3f& v) {
    return "[" + Float(v.x) + ", " + Float(v.y) + ", " + Float(v.z) + "]";
}

} // namespace figurant::json
