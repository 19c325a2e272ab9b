#include "SegmentNames.h"

#include <array>

namespace figurant {

namespace {

// Indexed by segment number; segment 2 belongs to no body part.
constexpr std::array<const char*, 16> kNames{
    "Head",          "Chest",        "Segment 2",  "Pelvis",    "Right Upper Arm", "Left Upper Arm",
    "Right Forearm", "Left Forearm", "Right Hand", "Left Hand", "Right Thigh",     "Left Thigh",
    "Right Shank",   "Left Shank",   "Right Foot", "Left Foot",
};

// The first limb segment; from here on segments come in right/left pairs.
constexpr int kFirstLimb = 4;

} // namespace

std::string SegmentName(int segment) {
    if (segment >= 0 && segment < static_cast<int>(kNames.size()))
        return kNames[static_cast<std::size_t>(segment)];
    return "Segment " + std::to_string(segment);
}

std::optional<int> MirrorPartner(int segment) {
    if (segment < kFirstLimb || segment >= static_cast<int>(kNames.size())) return std::nullopt;
    return segment % 2 == 0 ? segment + 1 : segment - 1;
}

bool IsLeftSide(int segment) {
    return MirrorPartner(segment).has_value() && segment % 2 == 1;
}

int ColourOfSegment(int segment) {
    // One colour for each segment number of the body model (segment 2, no body part, has 0).
    static constexpr int kColours[16] = {7, 2, 0, 1, 10, 17, 11, 18, 12, 19, 4, 13, 5, 14, 6, 15};
    return segment >= 0 && segment < 16 ? kColours[segment] : 7;
}

} // namespace figurant
