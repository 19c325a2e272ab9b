#pragma once
// Colours of the body segments: skin for head and hands, dark red shirt, grey trousers, orange
// shoes. A segment number outside the table leaves the colour as it was.
#include <array>

namespace figurant {

inline void SegmentColour(int segment, std::array<double, 3>& colour) {
    constexpr double kDark = 128.0 / 255.0;
    static const std::array<double, 3> kSkin{1.0, 183.0 / 255.0, 111.0 / 255.0}, kShirt{kDark, 0.0, 0.0},
        kTrousers{kDark, kDark, kDark}, kShoes{1.0, kDark, 0.0};
    static const std::array<const std::array<double, 3>*, 16> kTable{
        &kSkin, &kShirt, &kShirt,    &kTrousers, &kShirt,    &kShirt,    &kShirt, &kShirt,
        &kSkin, &kSkin,  &kTrousers, &kTrousers, &kTrousers, &kTrousers, &kShoes, &kShoes};
    if (segment >= 0 && segment < 16) colour = *kTable[static_cast<std::size_t>(segment)];
}

// One colour per segment number for a body-part mask (the segment picture): all sixteen differ,
// left and right included, so a picture tells every part apart by its colour alone.
inline std::array<unsigned char, 3> SegmentMaskColour(int segment) {
    static const std::array<std::array<unsigned char, 3>, 16> kMask{{{255, 255, 0},
                                                                     {255, 0, 0},
                                                                     {128, 128, 128},
                                                                     {0, 0, 255},
                                                                     {255, 128, 0},
                                                                     {0, 255, 0},
                                                                     {255, 0, 255},
                                                                     {0, 255, 255},
                                                                     {128, 0, 0},
                                                                     {0, 128, 0},
                                                                     {0, 0, 128},
                                                                     {128, 128, 0},
                                                                     {128, 0, 128},
                                                                     {0, 128, 128},
                                                                     {255, 128, 128},
                                                                     {128, 255, 128}}};
    return segment >= 0 && segment < 16 ? kMask[static_cast<std::size_t>(segment)]
                                        : std::array<unsigned char, 3>{255, 255, 255};
}

} // namespace figurant
