#include "BodyKeyPoints.h"

#include "PosedSurface.h"
#include "SegmentVertices.h"

#include <algorithm>
#include <cmath>

namespace figurant {

namespace {

// Segment numbers of the body model.
enum Segment {
    kHead = 0,
    kChest = 1,
    kPelvis = 3,
    kRightUpperArm = 4,
    kLeftUpperArm = 5,
    kRightForearm = 6,
    kLeftForearm = 7,
    kRightHand = 8,
    kLeftHand = 9,
    kRightThigh = 10,
    kLeftThigh = 11,
    kRightShank = 12,
    kLeftShank = 13,
    kRightFoot = 14,
    kLeftFoot = 15
};

// Where a keypoint comes from: the joint of a segment with its parent, a place in the head's or a
// foot's box, or the middle of the hips.
enum class Source { Joint, Face, Foot, MidHip };
enum class Place { None, Nose, RightEye, LeftEye, RightEar, LeftEar, BigToe, SmallToe, Heel };

struct KeyPointSource {
    Source source;
    int segment;
    Place place;
};

constexpr KeyPointSource kNose{Source::Face, kHead, Place::Nose};
constexpr KeyPointSource kNeck{Source::Joint, kHead, Place::None};
constexpr KeyPointSource J(int segment) {
    return {Source::Joint, segment, Place::None};
}
constexpr KeyPointSource F(Place place) {
    return {Source::Face, kHead, place};
}
constexpr KeyPointSource T(int foot, Place place) {
    return {Source::Foot, foot, place};
}

const std::vector<KeyPointSource>& Sources(KeyPointLayout layout) {
    static const std::vector<KeyPointSource> body18{kNose,
                                                    kNeck,
                                                    J(kRightUpperArm),
                                                    J(kRightForearm),
                                                    J(kRightHand),
                                                    J(kLeftUpperArm),
                                                    J(kLeftForearm),
                                                    J(kLeftHand),
                                                    J(kRightThigh),
                                                    J(kRightShank),
                                                    J(kRightFoot),
                                                    J(kLeftThigh),
                                                    J(kLeftShank),
                                                    J(kLeftFoot),
                                                    F(Place::RightEye),
                                                    F(Place::LeftEye),
                                                    F(Place::RightEar),
                                                    F(Place::LeftEar)};
    // The 25-point layout puts the middle of the hips after the arms and adds the feet.
    static const std::vector<KeyPointSource> body25 = [] {
        std::vector<KeyPointSource> points(body18.begin(), body18.begin() + 8);
        points.push_back({Source::MidHip, kPelvis, Place::None});
        points.insert(points.end(), body18.begin() + 8, body18.end());
        for (const int foot : {kLeftFoot, kRightFoot})
            for (const Place place : {Place::BigToe, Place::SmallToe, Place::Heel})
                points.push_back(T(foot, place));
        return points;
    }();
    return layout == KeyPointLayout::Body18 ? body18 : body25;
}

// The figure's forward, up and right directions at rest (view coordinates: z is up).
struct BodyAxes {
    Point3d forward, up, right;
};

std::optional<Point3d> RestJoint(const Figure& figure, int segment) {
    if (segment >= figure.SegmentCount()) return std::nullopt;
    return figure.Pose(segment).m_pJointCentre;
}

BodyAxes Axes(const Figure& figure) {
    const Point3d up{0, 0, 1};
    Point3d right{-1, 0, 0}; // a figure that faces the start view
    const auto r = RestJoint(figure, kRightUpperArm), l = RestJoint(figure, kLeftUpperArm);
    if (r && l) {
        const Point3d across = *r - *l;
        const Point3d level{across.x, across.y, 0};
        if (Dot(level, level) > 0) right = Normalize(level);
    }
    return {Cross(up, right), up, right};
}

// A segment's rest points measured from `origin` along the body's axes.
struct RestBox {
    double front = -1e300, back = 1e300, top = -1e300, bottom = 1e300, side = 0;
};

RestBox BoxOf(const Figure& figure, int segment, const Point3d& origin, const BodyAxes& axes) {
    RestBox box;
    figure.Shape(segment).ForEachRestPoint([&](std::size_t, const Vec3f& rest, std::int32_t) {
        const Point3d d = ToPoint3d(ViewPoint(rest, figure.Scale(), figure.Centre())) - origin;
        const double a = Dot(d, axes.forward), u = Dot(d, axes.up), r = Dot(d, axes.right);
        box.front = std::max(box.front, a);
        box.back = std::min(box.back, a);
        box.top = std::max(box.top, u);
        box.bottom = std::min(box.bottom, u);
        box.side = std::max(box.side, std::fabs(r));
    });
    return box;
}

Point3d Along(const BodyAxes& axes, double a, double u, double r) {
    return a * axes.forward + u * axes.up + r * axes.right;
}

// A face point at rest, relative to the neck, and the way it faces.
std::pair<Point3d, Point3d> FacePlace(Place place, const RestBox& b, const BodyAxes& axes) {
    const double depth = b.front - b.back, middle = (b.front + b.back) / 2;
    switch (place) {
    case Place::Nose:
        return {Along(axes, b.front, 0.4 * b.top, 0), axes.forward};
    case Place::RightEye:
        return {Along(axes, b.front - 0.1 * depth, 0.55 * b.top, 0.35 * b.side), axes.forward};
    case Place::LeftEye:
        return {Along(axes, b.front - 0.1 * depth, 0.55 * b.top, -0.35 * b.side), axes.forward};
    case Place::RightEar:
        return {Along(axes, middle, 0.45 * b.top, b.side), axes.right};
    default:
        return {Along(axes, middle, 0.45 * b.top, -b.side), -1.0 * axes.right};
    }
}

// A foot point at rest, relative to the ankle; inner is towards the body's middle.
Point3d FootPlace(Place place, const RestBox& b, const BodyAxes& axes, bool right) {
    const double inner = right ? -1 : 1;
    switch (place) {
    case Place::BigToe:
        return Along(axes, b.front, b.bottom, inner * 0.2 * b.side);
    case Place::SmallToe:
        return Along(axes, 0.8 * b.front, b.bottom, -inner * 0.6 * b.side);
    default:
        return Along(axes, b.back, b.bottom, 0);
    }
}

Point3d Carried(const Matrix4& m, const Point3d& d) {
    return {m[0] * d.x + m[4] * d.y + m[8] * d.z, m[1] * d.x + m[5] * d.y + m[9] * d.z,
            m[2] * d.x + m[6] * d.y + m[10] * d.z};
}

} // namespace

std::vector<std::optional<BodyKeyPoint>> BodyKeyPoints(const Figure& figure, KeyPointLayout layout) {
    const std::vector<KeyPointSource>& sources = Sources(layout);
    std::vector<std::optional<BodyKeyPoint>> out(sources.size());
    if (!figure.IsBuilt()) return out;
    const std::vector<Matrix4> world = TreeMatrices(figure);
    const BodyAxes axes = Axes(figure);
    auto joint = [&](int segment) -> std::optional<BodyKeyPoint> {
        const auto rest = RestJoint(figure, segment);
        const SegmentPose& r = figure.Pose(segment);
        if (!rest || !r.m_pParent) return std::nullopt;
        return BodyKeyPoint{TransformPoint3(world[static_cast<std::size_t>(segment)], *rest),
                            {segment, r.m_pParent->m_nSegment},
                            std::nullopt};
    };
    for (std::size_t i = 0; i < sources.size(); ++i) {
        const KeyPointSource& s = sources[i];
        if (s.source == Source::Joint) {
            out[i] = joint(s.segment);
        } else if (s.source == Source::MidHip) {
            const auto r = joint(kRightThigh), l = joint(kLeftThigh);
            if (r && l) out[i] = BodyKeyPoint{0.5 * (r->at + l->at), {kPelvis, kRightThigh, kLeftThigh}, {}};
        } else if (const auto origin = RestJoint(figure, s.segment)) {
            const Matrix4& m = world[static_cast<std::size_t>(s.segment)];
            const RestBox box = BoxOf(figure, s.segment, *origin, axes);
            if (s.source == Source::Face) {
                const auto [place, facing] = FacePlace(s.place, box, axes);
                out[i] = BodyKeyPoint{TransformPoint3(m, *origin + place), {kHead}, Carried(m, facing)};
            } else {
                const Point3d place = FootPlace(s.place, box, axes, s.segment == kRightFoot);
                out[i] = BodyKeyPoint{TransformPoint3(m, *origin + place), {s.segment}, {}};
            }
        }
    }
    return out;
}

const SkeletonStyle& SkeletonStyleOf(KeyPointLayout layout) {
    // The 18-point tools' colours, one per point; limb i takes colour i.
    static const std::vector<Rgb> colours18{
        {255, 0, 0}, {255, 85, 0}, {255, 170, 0}, {255, 255, 0}, {170, 255, 0}, {85, 255, 0},
        {0, 255, 0}, {0, 255, 85}, {0, 255, 170}, {0, 255, 255}, {0, 170, 255}, {0, 85, 255},
        {0, 0, 255}, {85, 0, 255}, {170, 0, 255}, {255, 0, 255}, {255, 0, 170}, {255, 0, 85}};
    static const SkeletonStyle body18 = [] {
        const std::pair<int, int> pairs[] = {{1, 2}, {1, 5},  {2, 3},   {3, 4},  {5, 6},   {6, 7},
                                             {1, 8}, {8, 9},  {9, 10},  {1, 11}, {11, 12}, {12, 13},
                                             {1, 0}, {0, 14}, {14, 16}, {0, 15}, {15, 17}};
        SkeletonStyle style{{}, colours18};
        for (std::size_t i = 0; i < std::size(pairs); ++i)
            style.limbs.push_back({pairs[i].first, pairs[i].second, colours18[i]});
        return style;
    }();
    // The 25-point tools' colours, one per point; a limb takes the colour of its second point.
    static const SkeletonStyle body25 = [] {
        const std::vector<Rgb> colours{
            {255, 0, 85},  {255, 0, 0},   {255, 85, 0},  {255, 170, 0}, {255, 255, 0},
            {170, 255, 0}, {85, 255, 0},  {0, 255, 0},   {255, 0, 0},   {0, 255, 85},
            {0, 255, 170}, {0, 255, 255}, {0, 170, 255}, {0, 85, 255},  {0, 0, 255},
            {255, 0, 170}, {170, 0, 255}, {255, 0, 255}, {85, 0, 255},  {0, 0, 255},
            {0, 0, 255},   {0, 0, 255},   {0, 255, 255}, {0, 255, 255}, {0, 255, 255}};
        const std::pair<int, int> pairs[] = {{1, 8},   {1, 2},   {1, 5},   {2, 3},   {3, 4},   {5, 6},
                                             {6, 7},   {8, 9},   {9, 10},  {10, 11}, {8, 12},  {12, 13},
                                             {13, 14}, {1, 0},   {0, 15},  {15, 17}, {0, 16},  {16, 18},
                                             {14, 19}, {19, 20}, {14, 21}, {11, 22}, {22, 23}, {11, 24}};
        SkeletonStyle style{{}, colours};
        for (const auto& [a, b] : pairs)
            style.limbs.push_back({a, b, colours[static_cast<std::size_t>(b)]});
        return style;
    }();
    return layout == KeyPointLayout::Body18 ? body18 : body25;
}

} // namespace figurant
