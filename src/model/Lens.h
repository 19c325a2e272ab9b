#pragma once
// The camera's lens: a focal length on the 35 mm film frame (24 mm high), or an orthographic
// projection. The view's field of view and its framing follow from it.
#include <string>

namespace figurant {

struct Lens {
    // Millimetres; 0 for orthographic.
    double focalMm = 0;

    bool Orthographic() const { return focalMm <= 0; }
    bool Standard() const;
    // The vertical field of view in degrees (perspective lenses).
    double FieldOfView() const;
    // The setting's text ("50", "standard", "orthographic") and back; an unknown text gives the standard
    // lens.
    std::string Text() const;
    static Lens FromText(const std::string& text);
};

// The lens the view always had: a 45-degree vertical field of view (about 29 mm).
Lens StandardLens();
constexpr double kStandardFieldOfView = 45.0;

} // namespace figurant
