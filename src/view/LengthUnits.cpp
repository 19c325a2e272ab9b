#include "LengthUnits.h"

#include <charconv>
#include <cmath>

namespace figurant {

const LengthUnit& UnitOf(const std::string& code) {
    for (const LengthUnit& u : kLengthUnits)
        if (code == u.code) return u;
    return kLengthUnits[0];
}

std::string FormatLength(double metres, const LengthUnit& unit) {
    const double scale = std::pow(10.0, unit.decimals);
    double value = std::round(metres / unit.metres * scale) / scale;
    if (value == 0) value = 0; // no "-0"
    char text[64];
    const auto end = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, unit.decimals);
    return std::string(text, end.ptr);
}

} // namespace figurant
