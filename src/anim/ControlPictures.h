#pragma once
// The pictures and keypoints that image generators and drawing tools take as a pose: keypoints as
// the pose tools' JSON, the skeleton picture they draw from it, depth, normals in the eye's frame,
// the segment mask and the lit picture, all of the same view and size.
#include "BodyKeyPoints.h"
#include "ControlRaster.h"

#include <string>
#include <utility>
#include <vector>

namespace figurant {

struct ControlOptions {
    KeyPointLayout layout = KeyPointLayout::Body18;
    bool keypoints = true, skeleton = true, depth = true, normal = true, segments = true, picture = true;
    // normal.png as the common normal-map control models take it (their preprocessors' convention:
    // red towards the picture's left, green up, blue towards the eye), or with red towards the right.
    bool normalRightInRed = false;
    // A picture behind the lit figure (width x height, rows from the top), or none.
    std::vector<Rgb> backdrop;
    // The surface drawn instead of the figure's own segments (an imported character, skinned), or
    // none.
    std::vector<PosedTriangle> surface;
};

// Each keypoint as the picture shows it: where it falls and whether it is seen (inside the picture,
// and, for a point on the face, facing the eye; the figure's own body hides none).
struct PictureKeyPoint {
    double x = 0, y = 0; // pixels from the top left corner, a pixel's centre at whole numbers
    bool seen = false;
    bool present = false; // the figure has the point at all
};
std::vector<PictureKeyPoint> PictureKeyPoints(const Figure& figure, const ViewMatrices& view,
                                              const ControlRaster& raster, KeyPointLayout layout);

std::string KeyPointsJson(const std::vector<PictureKeyPoint>& points, int width, int height);

// The chosen files by name (keypoints.json, skeleton.png, depth.png, normal.png, segments.png,
// picture.png) with their bytes. `lights` is the look-at the lights were placed with.
std::vector<std::pair<std::string, std::string>> MakeControlPictures(const Figure& figure,
                                                                     const ViewMatrices& view,
                                                                     const Matrix4& lights,
                                                                     const ControlOptions& options);

// Writes them into the folder as one set (the folder holds the old pictures or all the new ones,
// never a mix); the first error, or empty.
std::string WriteControlPictures(const std::string& folder,
                                 const std::vector<std::pair<std::string, std::string>>& files);

} // namespace figurant
