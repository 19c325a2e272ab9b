#pragma once
// The text layout of "*.amt" animation files. A file is a key frame followed by any number of
// (increment block, key frame) pairs; numbers are written with "%d" and with "%g" of each float
// widened to double, always with the "C" rules, and every real is followed by one space.
//   key frame:       empty line; "rotX rotZ"; 16 scene-matrix values; N lines of 16 matrix values
//   increment block: per segment, a line of m_rotInc (x y z) and a line of m_transInc (x y z)
#include "AnimationScene.h"
#include "NumberReader.h"

#include <optional>
#include <string>
#include <string_view>

namespace figurant {

std::string FormatKeyFrame(const AnimationScene& scene);
std::string FormatIncrementBlock(const AnimationScene& scene);
// "%g" at 6 significant digits, independent of the process locale.
std::string FormatReal(float value);
// A line of the file: each value as FormatReal writes it, followed by one space.
void AppendLine(std::string& out, const float* values, int count);
// The 1-based line where a file of nSegments records stops being whole key frames (a save that
// was cut short leaves a torn frame or a torn line), or nothing when it ends where one ends.
std::optional<long> TornLine(const std::string& text, int nSegments);

} // namespace figurant
