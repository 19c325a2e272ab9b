#include "NormalsReader.h"

#include "InputFile.h"
#include "NumberConv.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace figurant {

namespace {

bool IsSpace(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

class Scanner {
  public:
    explicit Scanner(const std::string& text) : m_p(text.data()), m_end(text.data() + text.size()) {}

    // A real in the usual decimal notation, within float range; nothing when none can be read.
    std::optional<float> Real() {
        SkipSpace();
        const char* p = m_p;
        // One sign at most: "+5" and "-5" are numbers, "+-5" is not.
        if (p != m_end && *p == '+') ++p;
        const char* digits = p;
        if (digits != m_end && *digits == '-' && p == m_p) ++digits;
        if (digits == m_end || !(std::isdigit(static_cast<unsigned char>(*digits)) || *digits == '.'))
            return {};
        // The extent of the number, then its value rounded once, straight to a float.
        double extent = 0;
        const char* next = std::from_chars(p, m_end, extent, std::chars_format::general).ptr;
        float v = 0;
        if (next == p || !StreamFloat(std::string_view(p, static_cast<std::size_t>(next - p)), v)) return {};
        m_p = next;
        return v;
    }

    // A non-negative whole number that fits a 32-bit int and is not followed by a fraction.
    std::optional<long> Count() {
        SkipSpace();
        long v = 0;
        const char* p = m_p != m_end && *m_p == '+' ? m_p + 1 : m_p;
        auto [next, ec] = std::from_chars(p, m_end, v);
        if (ec != std::errc() || v < 0 || v > std::numeric_limits<int>::max()) return {};
        if (next != m_end && (*next == '.' || *next == 'e' || *next == 'E')) return {};
        m_p = next;
        return v;
    }

  private:
    void SkipSpace() {
        while (m_p != m_end && IsSpace(*m_p))
            ++m_p;
    }
    const char* m_p;
    const char* m_end;
};

} // namespace

std::optional<std::vector<Vec3f>> ParseNormals(const std::string& text) {
    Scanner in(text);
    const auto count = in.Count();
    if (!count) return {};
    // Every number takes at least two bytes (a digit and a separator), so the file cannot hold
    // more triples than this: a huge count in a tiny file allocates no more than the file's size.
    const long fits = static_cast<long>(text.size() / 6) + 2;
    std::vector<Vec3f> normals(static_cast<std::size_t>(std::min(*count, fits)));
    for (Vec3f& n : normals) {
        float* c[3] = {&n.x, &n.y, &n.z};
        int read = 0;
        for (; read < 3; ++read) {
            const auto v = in.Real();
            if (!v) break;
            *c[read] = *v;
        }
        const double length = std::sqrt(static_cast<double>(n.x) * n.x + static_cast<double>(n.y) * n.y +
                                        static_cast<double>(n.z) * n.z);
        if (std::fabs(length) > 1e-8) {
            n.x = static_cast<float>(n.x / length);
            n.y = static_cast<float>(n.y / length);
            n.z = static_cast<float>(n.z / length);
        }
        if (read < 3) {
            normals.resize(static_cast<std::size_t>(&n - normals.data()));
            break;
        }
    }
    return normals;
}

std::optional<std::vector<Vec3f>> ReadNormalsFile(const std::string& path, std::string* error) {
    const auto text = ReadInputFile(path, error);
    if (!text) return {};
    return ParseNormals(*text);
}

} // namespace figurant
