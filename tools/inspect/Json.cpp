#include "Json.h"

#include "Utf8.h"

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

} // namespace

// A JSON string; bytes that are no UTF-8 (a bone name in another encoding) become U+FFFD.
std::string Text(const std::string& s) {
    std::string out = "\"";
    for (std::size_t i = 0; i < s.size();) {
        const char c = s[i];
        const std::size_t n = Utf8SequenceLength(s, i);
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
