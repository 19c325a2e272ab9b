#pragma once
// The change from the figure's view axes (x the figure's left, y backwards, z up; metres) to the
// exchange formats' axes (x the figure's left, y up, z forwards, the figure facing +z; metres or
// centimetres).
#include "Affine.h"

#include <array>
#include <cmath>

namespace figurant {

// Degrees about z, x and y of R = Rz Rx Ry, the order of the channels "Zrotation Xrotation Yrotation".
std::array<double, 3> EulerZXY(const Affine& a);

// From the view's axes and metres to the exchange axes and the chosen unit (metres per unit),
// with the view point `origin` (the figure's place on the ground) at the exchange origin, and the
// figure turned by `yaw` radians about the vertical axis (from facing +z towards +x).
class ExchangeAxes {
  public:
    explicit ExchangeAxes(double metresPerUnit = 1.0, const Point3d& origin = {}, double yaw = 0)
        : m_scale(1.0 / metresPerUnit), m_origin(origin), m_cos(std::cos(yaw)), m_sin(std::sin(yaw)) {}
    Point3d Point(const Point3d& v) const { return m_scale * Direction(v - m_origin); }
    Point3d Direction(const Point3d& v) const {
        return {m_cos * v.x - m_sin * v.y, v.z, -m_sin * v.x - m_cos * v.y};
    }
    // A transform of view points, as a transform of exchange points.
    Affine Transform(const Affine& view) const;

  private:
    double m_scale;
    Point3d m_origin;
    double m_cos, m_sin;
};

} // namespace figurant
