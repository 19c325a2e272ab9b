#pragma once
// The body segments as the user knows them: names for the status bar and undo texts, and the
// left/right pairs that mirroring swaps. Even numbers are the figure's right side.
#include <optional>
#include <string>

namespace figurant {

// "Left Forearm", "Head", ...; "Segment 17" for numbers the body model does not use.
std::string SegmentName(int segment);
// The same limb on the other side; none for the head, chest, pelvis and unknown numbers.
std::optional<int> MirrorPartner(int segment);
// True for the segments of the figure's left side (5, 7, ..., 15).
bool IsLeftSide(int segment);
// The DXF colour number a drawing gives the faces of a segment (the colour 7 for any number
// without one of its own, which reads as the head).
int ColourOfSegment(int segment);

} // namespace figurant
