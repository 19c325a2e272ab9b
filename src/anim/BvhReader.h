#pragma once
// Motion-capture files in BVH: the skeleton (joints with their offsets and channels) and the
// motion (one value per channel per frame, a frame time). Numbers are read with the "C" rules.
#include "ExportMath.h"

#include <optional>
#include <string>
#include <vector>

namespace figurant {

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

// Nothing when the text is not a BVH file this reader takes, with the reason in `error`.
std::optional<BvhMotion> ParseBvh(const std::string& text, std::string* error);
std::optional<BvhMotion> ReadBvhFile(const std::string& path, std::string* error);

// The joint's rotation in a frame (its channels in their order, degrees, right-handed), and its position
// channels added to its offset.
Affine BvhLocalRotation(const BvhJoint& joint, const float* frame);
Point3d BvhLocalPosition(const BvhJoint& joint, const float* frame);

} // namespace figurant
