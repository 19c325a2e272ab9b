#pragma once
// The text layout of "*.amt" animation files. A file is a key frame followed by any number of
// (increment block, key frame) pairs; numbers are written with "%d" and with "%g" of each float
// widened to double, always with the "C" rules, and every real is followed by one space.
//   key frame:       empty line; "rotX rotZ"; 16 scene-matrix values; N lines of 16 matrix values
//   increment block: per segment, a line of m_rotInc (x y z) and a line of m_transInc (x y z)
#include "AnimationScene.h"

#include <optional>
#include <string>
#include <string_view>

namespace figurant {

std::string FormatKeyFrame(const AnimationScene& scene);
std::string FormatIncrementBlock(const AnimationScene& scene);
// "%g" at 6 significant digits, independent of the process locale.
std::string FormatReal(float value);
// The 1-based line where a file of nSegments records stops being whole key frames (a save that
// was cut short leaves a torn frame or a torn line), or nothing when it ends where one ends.
std::optional<long> TornLine(const std::string& text, int nSegments);

// Formatted input of numbers as a C++ stream reads them in the "C" locale: white space is
// skipped before every number; once a number cannot be read, nothing more is.
class NumberReader {
  public:
    explicit NumberReader(std::string text) : m_text(std::move(text)) {}
    // Stores into `value` and returns true, or leaves it and returns false.
    bool Read(int& value);
    bool Read(float& value);
    bool Good() const { return m_good; }
    // Numbers read so far.
    std::size_t Count() const { return m_count; }
    // Once a read failed: whether it met the end of the text, and the 1-based line where it failed.
    bool FailedAtEnd() const { return !m_good && m_failPos >= m_text.size(); }
    long FailedLine() const;

  private:
    std::optional<std::string_view> NextNumber(bool real);
    void SkipSpace();
    std::string m_text;
    std::size_t m_pos = 0;
    std::size_t m_failPos = 0;
    std::size_t m_count = 0;
    bool m_good = true;
};

} // namespace figurant
