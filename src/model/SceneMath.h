#pragma once
// The scene matrix arithmetic of the camera commands, computed exactly as the fixed-function
// matrix stack computes glRotatef, glScalef and gluLookAt (in floats, in the same order), so the
// picture does not change by a bit whichever side does the arithmetic.
#include "GeomMath.h"

namespace figurant {

// M x (a turn of `angle` degrees about (x, y, z) in the right-hand sense), as glRotatef.
Matrix4 SceneRotated(const Matrix4& M, float angle, float x, float y, float z);
// M x translate(x, y, z), as glTranslatef.
Matrix4 SceneTranslated(const Matrix4& M, float x, float y, float z);
// M x scale(f, f, f), as glScalef.
Matrix4 SceneScaled(const Matrix4& M, float f);
// M turned by `angle` degrees about the eye's horizontal axis through the point M puts the
// model's origin at: the scene tilts towards or away from the eye without rolling.
Matrix4 SceneTilted(const Matrix4& M, float angle);
// M moved across the screen by (dx, dy) in eye units.
Matrix4 ScenePanned(const Matrix4& M, float dx, float dy);
// M scaled by f about the point of the view axis at the depth of the model's origin, so the
// middle of the view stays where it is however the scene has been panned.
Matrix4 SceneZoomedAtCentre(const Matrix4& M, float f);
// The viewing matrix of an eye looking at a centre with an up direction, as gluLookAt.
Matrix4 LookAt(const Point3d& eye, const Point3d& centre, const Point3d& up);

} // namespace figurant
