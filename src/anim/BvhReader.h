#pragma once
// Motion-capture files in BVH: the skeleton (joints with their offsets and channels) and the
// motion (one value per channel per frame, a frame time). Numbers are read with the "C" rules.
#include "ExportMath.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace figurant {

// What one file may hold: a capture of more is refused before any room is made for it. A hundred
// thousand frames are 14 minutes at 120 frames a second; twenty million values are 80 MB as read.
constexpr std::uint64_t kMostBvhBytes = std::uint64_t{256} << 20;
constexpr std::int64_t kMostBvhFrames = 100'000;
constexpr std::int64_t kMostBvhValues = 20'000'000;
// Frame times outside these (seconds) are no capture's.
constexpr double kShortestFrameTime = 1e-4;
constexpr double kLongestFrameTime = 10;

enum class BvhChannel { XPosition, YPosition, ZPosition, XRotation, YRotation, ZRotation };

struct BvhJoint {
    std::string name; // "End Site" for an end site
    int parent;       // -1 for the root; parents come before their children
    Point3d offset;
    std::vector<BvhChannel> channels;
    bool endSite = false;
    int firstChannel = 0; // where its values start in a frame
};

struct BvhMotion {
    std::vector<BvhJoint> joints;
    int channelsPerFrame = 0;
    int frames = 0;
    double frameTime = 0;      // seconds
    std::vector<float> values; // frames x channelsPerFrame
    std::string problem;       // what was wrong with a file whose first frames were read; empty when nothing
    const float* Frame(int f) const { return values.data() + static_cast<std::size_t>(f) * channelsPerFrame; }
};

// Told the share of the values read so far, now and then; false stops the read ("reading was cancelled").
using BvhProgress = std::function<bool(double fraction)>;

// Nothing when the text is not a BVH file this reader takes, with the reason in `error`.
std::optional<BvhMotion> ParseBvh(const std::string& text, std::string* error,
                                  const BvhProgress& progress = {});
std::optional<BvhMotion> ReadBvhFile(const std::string& path, std::string* error,
                                     const BvhProgress& progress = {});

// The joint's rotation in a frame (its channels in their order, degrees, right-handed), and its position
// channels added to its offset.
Affine BvhLocalRotation(const BvhJoint& joint, const float* frame);
Point3d BvhLocalPosition(const BvhJoint& joint, const float* frame);

} // namespace figurant
