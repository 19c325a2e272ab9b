#include "AnimationFormat.h"

#include "NumberConv.h"

#include <algorithm>

#include <charconv>
#include <cmath>
#include <limits>

namespace figurant {

namespace {

bool IsSpace(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

void AppendMatrix(std::string& out, const Matrix4& m) {
    for (int i = 0; i < 16; ++i)
        out += FormatReal(m[i]) + " ";
    out += "\n";
}

} // namespace

std::string FormatReal(float value) {
    const double v = value;
    if (std::isnan(v)) return std::signbit(v) ? "-nan" : "nan";
    if (std::isinf(v)) return v < 0 ? "-inf" : "inf";
    char buf[32];
    const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general, 6);
    return std::string(buf, r.ptr);
}

std::string FormatKeyFrame(const AnimationScene& scene) {
    std::string out = "\n" + std::to_string(scene.sceneRotX) + " " + std::to_string(scene.sceneRotZ) + "\n";
    AppendMatrix(out, scene.sceneMatrix);
    for (int i = 0; i < scene.nSegments; ++i)
        AppendMatrix(out, scene.pose[static_cast<std::size_t>(i)].m_matrix);
    return out;
}

std::string FormatIncrementBlock(const AnimationScene& scene) {
    std::string out;
    for (int i = 0; i < scene.nSegments; ++i) {
        const SegmentPose& p = scene.pose[static_cast<std::size_t>(i)];
        for (const auto* values : {&p.m_rotInc, &p.m_transInc}) {
            for (float v : *values)
                out += FormatReal(v) + " ";
            out += "\n";
        }
    }
    return out;
}

void NumberReader::SkipSpace() {
    while (m_pos < m_text.size() && IsSpace(m_text[m_pos]))
        ++m_pos;
}

namespace {

// End of the longest prefix from pos of the form [+-]digits[.digits][e[+-]digits] (reals) or
// [+-]digits (integers); pos when there are no digits.
std::size_t NumberEnd(const std::string& t, std::size_t pos, bool real) {
    std::size_t i = pos;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
    std::size_t digits = 0;
    while (i < t.size() && IsDigit(t[i]))
        ++i, ++digits;
    if (real && i < t.size() && t[i] == '.') {
        ++i;
        while (i < t.size() && IsDigit(t[i]))
            ++i, ++digits;
    }
    if (digits == 0) return pos;
    if (real && i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
        std::size_t j = i + 1;
        if (j < t.size() && (t[j] == '+' || t[j] == '-')) ++j;
        const std::size_t start = j;
        while (j < t.size() && IsDigit(t[j]))
            ++j;
        if (j > start) i = j;
    }
    return i;
}

} // namespace

// The text of the next number (without a leading '+'), or nothing when none can be read.
std::optional<std::string_view> NumberReader::NextNumber(bool real) {
    if (!m_good) return std::nullopt;
    SkipSpace();
    m_failPos = m_pos;
    const std::size_t end = NumberEnd(m_text, m_pos, real);
    if (end == m_pos) {
        m_good = false;
        return std::nullopt;
    }
    std::size_t first = m_pos;
    if (m_text[first] == '+') ++first;
    m_pos = end;
    return std::string_view(m_text).substr(first, end - first);
}

bool NumberReader::Read(int& value) {
    const auto text = NextNumber(false);
    int v = 0;
    if (!text || std::from_chars(text->data(), text->data() + text->size(), v).ec != std::errc())
        return m_good = false;
    value = v;
    ++m_count;
    return true;
}

long NumberReader::FailedLine() const {
    const auto end = m_text.begin() + static_cast<std::ptrdiff_t>(std::min(m_failPos, m_text.size()));
    return 1 + static_cast<long>(std::count(m_text.begin(), end, '\n'));
}

bool NumberReader::Read(float& value) {
    const auto text = NextNumber(true);
    float v = 0;
    if (!text || !StreamFloat(*text, v)) return m_good = false;
    value = v;
    ++m_count;
    return true;
}

std::optional<long> TornLine(const std::string& text, int nSegments) {
    NumberReader in(text);
    auto reals = [&](int n) {
        float v = 0;
        for (int i = 0; i < n; ++i)
            if (!in.Read(v)) return false;
        return true;
    };
    auto keyFrame = [&] {
        int rot = 0;
        return in.Read(rot) && in.Read(rot) && reals(16 + 16 * nSegments);
    };
    if (!keyFrame()) return in.FailedLine();
    for (;;) {
        const std::size_t blockStart = in.Count();
        if (!reals(6 * nSegments)) {
            if (!in.FailedAtEnd() || in.Count() != blockStart) return in.FailedLine();
            break;
        }
        if (!keyFrame()) return in.FailedLine();
    }
    // The last number may itself be cut short: a whole frame ends with its line end.
    if (text.empty() || text.back() != '\n')
        return 1 + static_cast<long>(std::count(text.begin(), text.end(), '\n'));
    return std::nullopt;
}

} // namespace figurant
