#pragma once
// The units lengths are shown and typed in (the status bar's moves, the Translate dialog), one
// chosen under Options; the view's coordinates are metres.
#include <string>

namespace figurant {

struct LengthUnit {
    const char* code; // "mm", as settings keep it and after a number
    const char* name; // "millimetres", as Options lists it
    double metres;    // one unit in metres
    int decimals;     // shown after the point
};

constexpr LengthUnit kLengthUnits[] = {
    {"mm", "millimetres", 0.001, 0},
    {"cm", "centimetres", 0.01, 1},
    {"m", "metres", 1.0, 3},
    {"in", "inches", 0.0254, 2},
};
constexpr const char* kDefaultUnits = "mm";

// The unit of that code; millimetres for a code that names none.
const LengthUnit& UnitOf(const std::string& code);
// A length in metres as the unit shows it ("17.5"), with the C rules whatever the locale, and
// without a minus for a value that rounds to zero.
std::string FormatLength(double metres, const LengthUnit& unit);

} // namespace figurant
