#include "NumberReader.h"

#include "NumberConv.h"

#include <algorithm>
#include <charconv>

namespace figurant {

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

} // namespace

void NumberReader::SkipSpace() {
    while (m_pos < m_text.size() && IsCSpace(static_cast<unsigned char>(m_text[m_pos])))
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

bool NumberReader::FollowedByFraction() const {
    return m_pos < m_text.size() && (m_text[m_pos] == '.' || m_text[m_pos] == 'e' || m_text[m_pos] == 'E');
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

} // namespace figurant
