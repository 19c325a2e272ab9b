#pragma once
// The figure drawn into plain buffers without OpenGL: for each pixel the nearest surface's
// distance from the eye, its normal in the eye's frame and its segment. The control pictures and
// the keypoints' visibility are read from it, in the window and without one alike.
#include "GeomMath.h"
#include "PosedSurface.h"

#include <cstdint>
#include <vector>

namespace figurant {

// What the camera does to view coordinates: the model-view matrix (view coordinates to the eye's
// frame) and the projection, and the picture's size in pixels.
struct ViewMatrices {
    Matrix4 modelView, projection;
    int width = 0, height = 0;
};

// Where a point falls in the picture: x and y in pixels from the top left corner (a pixel's centre
// at +0.5), and its distance in front of the eye; nothing for a point at or behind the eye.
struct PicturePoint {
    double x, y, depth;
};
std::optional<PicturePoint> ProjectToPicture(const ViewMatrices& view, const Point3d& p);
// The point that falls at (x, y) of the picture on the plane through `through` that faces the
// eye: where a point dragged across the picture goes. The projection is a perspective or an
// orthographic one.
Point3d FromPicture(const ViewMatrices& view, double x, double y, const Point3d& through);
// One of the eye's own axes (0 right, 1 up, 2 towards the eye) in the model's coordinates, unit
// whatever the model-view matrix scales.
Point3d EyeAxis(const ViewMatrices& view, int axis);
// How many pixels one model unit across the picture spans at `at`; 0 where `at` does not show.
double PixelsPerUnitAt(const ViewMatrices& view, const Point3d& at);

class ControlRaster {
  public:
    static constexpr std::int8_t kBackground = -1;

    ControlRaster(int width, int height);
    void Draw(const std::vector<PosedTriangle>& triangles, const ViewMatrices& view);

    int Width() const { return m_width; }
    int Height() const { return m_height; }
    bool Covered(int x, int y) const { return Segment(x, y) != kBackground; }
    // Rows from the top.
    float Depth(int x, int y) const { return m_depth[Index(x, y)]; }
    const Point3d& Normal(int x, int y) const { return m_normal[Index(x, y)]; }
    int Segment(int x, int y) const { return m_segment[Index(x, y)]; }
    // The nearest and farthest depth drawn; equal (0) when nothing was.
    float Nearest() const { return m_nearest; }
    float Farthest() const { return m_farthest; }

  private:
    std::size_t Index(int x, int y) const {
        return static_cast<std::size_t>(y) * static_cast<std::size_t>(m_width) + static_cast<std::size_t>(x);
    }
    int m_width, m_height;
    std::vector<float> m_depth;
    std::vector<Point3d> m_normal;
    std::vector<std::int8_t> m_segment;
    float m_nearest = 0, m_farthest = 0;
};

} // namespace figurant
