#include "ControlPictures.h"

#include "DurableFile.h"
#include "PngFile.h"
#include "SegmentColour.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace figurant {

namespace {

// The skeleton picture's limb half-width and point radius at 512 pixels, as the pose tools draw
// them; larger pictures scale them with their smaller side.
constexpr double kStickWidth = 4, kPointRadius = 4, kStickReferenceSide = 512;
// A point on the face is seen until it turns this far from the eye (the cosine of the angle): ears
// show from the front, the nose in profile, neither from behind.
constexpr double kFacingAway = -0.2;
// A drawn limb lies over what is under it at this weight, as the pose tools blend it.
constexpr double kLimbWeight = 0.6;
// The lit picture: the scene's ambient light on the default material, and the two lights placed
// beside the eye (positions in the look-at's frame, diffuse strengths), as the window lights it.
constexpr double kAmbient = 0.2 * 0.2 + 0.2 * (0.42 + 0.21);
constexpr Point3d kLightPositions[] = {{-2.0, -2.5, 2.0}, {2.0, 2.0, 0.0}};
constexpr double kLightStrengths[] = {1.0, 0.6};

std::string Number(double v) {
    char buffer[32];
    const auto r = std::to_chars(buffer, buffer + sizeof buffer, std::round(v * 1000) / 1000);
    return std::string(buffer, r.ptr);
}

Point3d EyeDirection(const Matrix4& m, const Point3d& d) {
    return {m[0] * d.x + m[4] * d.y + m[8] * d.z, m[1] * d.x + m[5] * d.y + m[9] * d.z,
            m[2] * d.x + m[6] * d.y + m[10] * d.z};
}

bool Orthographic(const ViewMatrices& view) {
    return view.projection[15] != 0;
}

// The point in the eye's frame under pixel (x, y) at the raster's depth there.
Point3d EyePoint(const ViewMatrices& view, const ControlRaster& raster, int x, int y) {
    const double nx = (x + 0.5) / view.width * 2 - 1, ny = 1 - (y + 0.5) / view.height * 2;
    const double depth = raster.Depth(x, y);
    const double scale = Orthographic(view) ? 1.0 : depth;
    return {nx * scale / view.projection[0], ny * scale / view.projection[5], -depth};
}

std::uint8_t Byte(double v) {
    return static_cast<std::uint8_t>(std::lround(std::clamp(v, 0.0, 1.0) * 255));
}

// Near bright: the figure's nearest depth at the top of the scale and its farthest at 1, so that
// the background alone is 0.
std::string DepthPng(const ControlRaster& raster) {
    const int w = raster.Width(), h = raster.Height();
    std::vector<std::uint16_t> grey(static_cast<std::size_t>(w) * static_cast<std::size_t>(h), 0);
    const double near = raster.Nearest(), range = std::max<double>(raster.Farthest() - near, 1e-12);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (raster.Covered(x, y))
                grey[static_cast<std::size_t>(y * w + x)] = static_cast<std::uint16_t>(
                    1 + std::lround((raster.Farthest() - raster.Depth(x, y)) / range * 65534));
    return EncodeGrey16Png(grey, w, h);
}

// An RGB picture of the raster: `colourOf(x, y)` where the figure is, the backdrop (or black)
// elsewhere.
template <typename ColourOf>
std::string RgbPng(const ControlRaster& raster, ColourOf colourOf, const std::vector<Rgb>& backdrop = {}) {
    const int w = raster.Width(), h = raster.Height();
    std::vector<std::uint8_t> rgb(static_cast<std::size_t>(w) * static_cast<std::size_t>(h) * 3, 0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const auto i = static_cast<std::size_t>(y * w + x);
            const Rgb c = raster.Covered(x, y) ? colourOf(x, y) : i < backdrop.size() ? backdrop[i] : Rgb{};
            std::copy(c.begin(), c.end(), &rgb[i * 3]);
        }
    return EncodeRgbPng(rgb, w, h);
}

// Eye-frame normals as colours: x to the right in red, y up in green, z towards the eye in blue.
std::string NormalPng(const ControlRaster& raster, bool rightInRed) {
    const double red = rightInRed ? 1 : -1;
    return RgbPng(raster, [&](int x, int y) {
        const Point3d& n = raster.Normal(x, y);
        return Rgb{Byte((red * n.x + 1) / 2), Byte((n.y + 1) / 2), Byte((n.z + 1) / 2)};
    });
}

std::string SegmentsPng(const ControlRaster& raster) {
    return RgbPng(raster, [&](int x, int y) { return SegmentMaskColour(raster.Segment(x, y)); });
}

// The figure in its segment colours, lit per pixel by the window's lights, over the backdrop.
std::string PicturePng(const ControlRaster& raster, const ViewMatrices& view, const Matrix4& lights,
                       const std::vector<Rgb>& backdrop) {
    Point3d lightAt[2];
    for (int i = 0; i < 2; ++i)
        lightAt[i] = TransformPoint3(lights, kLightPositions[i]);
    const auto lit = [&](int x, int y) {
        const Point3d at = EyePoint(view, raster, x, y), &n = raster.Normal(x, y);
        double diffuse = 0;
        for (int l = 0; l < 2; ++l)
            diffuse += kLightStrengths[l] * std::max(0.0, Dot(n, Normalize(lightAt[l] - at)));
        std::array<double, 3> colour{0.8, 0.8, 0.8};
        SegmentColour(raster.Segment(x, y), colour);
        Rgb out;
        for (std::size_t c = 0; c < 3; ++c)
            out[c] = Byte(kAmbient + colour[c] * diffuse);
        return out;
    };
    return RgbPng(raster, lit, backdrop);
}

// Pixels within an ellipse about (cx, cy) with half-axes a (along `angle`) and b, blended in.
void FillEllipse(std::vector<std::uint8_t>& rgb, int w, int h, double cx, double cy, double a, double b,
                 double angle, const Rgb& colour, double weight) {
    const double c = std::cos(angle), s = std::sin(angle), reach = std::max(a, b) + 1;
    for (int y = std::max(0, int(std::floor(cy - reach))); y <= std::min(h - 1, int(std::ceil(cy + reach)));
         ++y)
        for (int x = std::max(0, int(std::floor(cx - reach)));
             x <= std::min(w - 1, int(std::ceil(cx + reach))); ++x) {
            const double dx = x - cx, dy = y - cy;
            const double u = (dx * c + dy * s) / a, v = (-dx * s + dy * c) / b;
            if (u * u + v * v > 1) continue;
            std::uint8_t* p = &rgb[static_cast<std::size_t>(y * w + x) * 3];
            for (int k = 0; k < 3; ++k)
                p[k] = static_cast<std::uint8_t>(
                    std::lround((1 - weight) * p[k] + weight * colour[static_cast<std::size_t>(k)]));
        }
}

std::string SkeletonPng(const std::vector<PictureKeyPoint>& points, const SkeletonStyle& style, int w,
                        int h) {
    std::vector<std::uint8_t> rgb(static_cast<std::size_t>(w) * static_cast<std::size_t>(h) * 3, 0);
    const double scale = std::max(1.0, std::min(w, h) / kStickReferenceSide);
    for (const KeyPointLimb& limb : style.limbs) {
        const PictureKeyPoint &a = points[static_cast<std::size_t>(limb.from)],
                              &b = points[static_cast<std::size_t>(limb.to)];
        if (!a.seen || !b.seen) continue;
        const double length = std::hypot(b.x - a.x, b.y - a.y);
        FillEllipse(rgb, w, h, (a.x + b.x) / 2, (a.y + b.y) / 2, std::max(length / 2, 1.0),
                    kStickWidth * scale, std::atan2(b.y - a.y, b.x - a.x), limb.colour, kLimbWeight);
    }
    for (std::size_t i = 0; i < points.size() && i < style.points.size(); ++i)
        if (points[i].seen)
            FillEllipse(rgb, w, h, points[i].x, points[i].y, kPointRadius * scale, kPointRadius * scale, 0,
                        style.points[i], 1.0);
    return EncodeRgbPng(rgb, w, h);
}

} // namespace

std::vector<PictureKeyPoint> PictureKeyPoints(const Figure& figure, const ViewMatrices& view,
                                              const ControlRaster& raster, KeyPointLayout layout) {
    const auto body = BodyKeyPoints(figure, layout);
    std::vector<PictureKeyPoint> out(body.size());
    for (std::size_t i = 0; i < body.size(); ++i) {
        if (!body[i]) continue;
        const auto at = ProjectToPicture(view, body[i]->at);
        if (!at) continue;
        PictureKeyPoint& k = out[i];
        k.present = true;
        k.x = at->x - 0.5;
        k.y = at->y - 0.5;
        const int px = static_cast<int>(std::floor(at->x)), py = static_cast<int>(std::floor(at->y));
        if (px < 0 || py < 0 || px >= raster.Width() || py >= raster.Height()) continue;
        // Seen wherever it falls in the picture, also behind the figure's own body: the pose
        // tools draw the skeleton from these points, and a side view would lose its neck and hips.
        // A point on the face must also face the eye.
        k.seen = true;
        if (body[i]->facing) {
            const Point3d facing = EyeDirection(view.modelView, *body[i]->facing);
            const Point3d eyeAt = TransformPoint3(view.modelView, body[i]->at);
            const Point3d toEye = Orthographic(view) ? Point3d{0, 0, 1} : -1.0 * eyeAt;
            k.seen = Dot(Normalize(facing), Normalize(toEye)) > kFacingAway;
        }
    }
    return out;
}

std::string KeyPointsJson(const std::vector<PictureKeyPoint>& points, int width, int height) {
    std::string pose;
    for (const PictureKeyPoint& k : points) {
        if (!pose.empty()) pose += ",";
        // Points outside the picture or missing are 0, 0, 0 as the pose tools write them; points
        // of a face turned away keep their place with confidence 0.
        const bool placed =
            k.present && k.x >= -0.5 && k.y >= -0.5 && k.x < width - 0.5 && k.y < height - 0.5;
        pose += placed ? Number(k.x) + "," + Number(k.y) + "," + (k.seen ? "1" : "0") : "0,0,0";
    }
    return "{\"people\":[{\"pose_keypoints_2d\":[" + pose +
           "],\"hand_left_keypoints_2d\":[],\"hand_right_keypoints_2d\":[],\"face_keypoints_2d\":[]}],"
           "\"canvas_width\":" +
           std::to_string(width) + ",\"canvas_height\":" + std::to_string(height) + "}\n";
}

std::vector<std::pair<std::string, std::string>> MakeControlPictures(const Figure& figure,
                                                                     const ViewMatrices& view,
                                                                     const Matrix4& lights,
                                                                     const ControlOptions& options) {
    ControlRaster raster(view.width, view.height);
    raster.Draw(options.surface.empty() ? PosedTriangles(figure) : options.surface, view);
    std::vector<std::pair<std::string, std::string>> files;
    const auto points = PictureKeyPoints(figure, view, raster, options.layout);
    if (options.keypoints)
        files.emplace_back("keypoints.json", KeyPointsJson(points, view.width, view.height));
    if (options.skeleton)
        files.emplace_back("skeleton.png",
                           SkeletonPng(points, SkeletonStyleOf(options.layout), view.width, view.height));
    if (options.depth) files.emplace_back("depth.png", DepthPng(raster));
    if (options.normal) files.emplace_back("normal.png", NormalPng(raster, options.normalRightInRed));
    if (options.segments) files.emplace_back("segments.png", SegmentsPng(raster));
    if (options.picture)
        files.emplace_back("picture.png", PicturePng(raster, view, lights, options.backdrop));
    return files;
}

std::string WriteControlPictures(const std::string& folder,
                                 const std::vector<std::pair<std::string, std::string>>& files) {
    std::vector<std::pair<std::string, std::string>> paths;
    for (const auto& [name, bytes] : files) {
        if (bytes.empty()) return "\"" + name + "\" could not be made";
        paths.emplace_back(folder + "/" + name, bytes);
    }
    return WriteFilesDurably(paths);
}

} // namespace figurant
