#include "Lens.h"

#include "GeomMath.h"

#include <charconv>
#include <cmath>

namespace figurant {

namespace {

constexpr double kFrameHeightMm = 24.0; // the 35 mm film frame
constexpr const char* kOrthographic = "orthographic";
constexpr const char* kStandard = "standard";
constexpr double kLongestFocalMm = 10000; // beyond this a setting is not believed

} // namespace

bool Lens::Standard() const {
    return std::fabs(focalMm - StandardLens().focalMm) < 1e-9;
}

double Lens::FieldOfView() const {
    // The standard lens gives the view's field of view exactly, as it always had it.
    if (Orthographic() || Standard()) return kStandardFieldOfView;
    return 2 * std::atan(kFrameHeightMm / 2 / focalMm) * 180.0 / kPi;
}

std::string Lens::Text() const {
    if (Orthographic()) return kOrthographic;
    if (Standard()) return kStandard;
    char buffer[32];
    const auto r = std::to_chars(buffer, buffer + sizeof buffer, focalMm);
    return std::string(buffer, r.ptr);
}

Lens StandardLens() {
    return {kFrameHeightMm / 2 / std::tan(kStandardFieldOfView / 2 * kPi / 180.0)};
}

Lens Lens::FromText(const std::string& text) {
    if (text == kOrthographic) return {0};
    if (text == kStandard) return StandardLens();
    double mm = 0;
    const auto r = std::from_chars(text.data(), text.data() + text.size(), mm);
    if (r.ec != std::errc() || r.ptr != text.data() + text.size() || !(mm > 1) || mm > kLongestFocalMm)
        return StandardLens();
    return {mm};
}

} // namespace figurant
