#pragma once
// The camera's framing arithmetic, shared by the window and the pictures made without one: the
// view volume a model's box gives, the eye placed in front of it, the zoom that frames it, and
// the projection of the lens.
#include "GeomMath.h"
#include "Lens.h"

#include <string>

namespace figurant {

struct ViewVolume {
    float extentX = -1, extentY = -1, extentZ = -1; // the model's box
    float camDist = 0;   // eye to box middle, before the eye steps back by the box's depth
    float modelSize = 0; // the box's largest side
    double zNear = -1, zFar = -1;
};

ViewVolume ComputeViewVolume(const Vec3f& extent);
// The eye's distance from the model's centre at the start (the eye stands on -y, z up).
double StartEyeDistance(const ViewVolume& v);
Matrix4 StartLookAt(const ViewVolume& v);
// Half the height the lens shows at `depth` from the eye.
double HalfHeightAt(const Lens& lens, const ViewVolume& v, double depth);
// The zoom (on the model side of the look-at) that makes a box of this extent about the origin fill
// the start share of the view.
float FramingZoom(const Lens& lens, const ViewVolume& v, const Vec3f& extent, double aspect);
// The lens's projection, as gluPerspective or glOrtho make it.
Matrix4 ProjectionMatrix(const Lens& lens, const ViewVolume& v, double aspect);

// The preset views as turns of the start view: about the figure's vertical axis, then a tilt.
// "side" looks at the figure's right side, "otherside" at its left.
struct ViewPreset {
    const char* name;
    float turn, tilt;
};
const ViewPreset* FindViewPreset(const std::string& name);

// The scene matrix of a view preset: the start view (the look-at zoomed to frame the model's box)
// turned about the vertical axis by `turn` degrees, then tilted by `tilt`.
Matrix4 PresetSceneMatrix(const Lens& lens, const ViewVolume& v, double aspect, float turn, float tilt);

} // namespace figurant
