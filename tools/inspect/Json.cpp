#include "Json.h"

#include <charconv>
#include <cmath>

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
