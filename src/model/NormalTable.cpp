#include "NormalTable.h"

#include "BitsTable.h"

#include <cstring>

namespace figurant {

namespace {
BitsTable<3>::Key KeyOf(const Vec3f& n) {
    BitsTable<3>::Key key{};
    std::memcpy(key.data(), &n, sizeof n);
    return key;
}
} // namespace

NormalTable::NormalTable(const std::vector<Vec3f>& normals, std::size_t indexBytes) {
    std::vector<std::uint32_t> index;
    index.reserve(normals.size());
    // The corners at one place mostly share a normal: a table for half the corners seldom grows.
    BitsTable<3> seen(normals.size() / 2);
    for (const Vec3f& n : normals) {
        const auto count = static_cast<std::uint32_t>(m_distinct.size());
        const std::uint32_t at =
            seen.FindOrAdd(KeyOf(n), count, [this](std::uint32_t i) { return KeyOf(m_distinct[i]); });
        if (at == count) m_distinct.push_back(n);
        index.push_back(at);
    }
    m_distinct.shrink_to_fit();
    constexpr std::size_t kThreeByteNumbers = std::size_t{1} << 24;
    m_width = indexBytes > 3 || m_distinct.size() > kThreeByteNumbers ? 4 : 3;
    m_count = index.size();
    m_index.resize(m_width * m_count);
    for (std::size_t i = 0; i < m_count; ++i)
        for (std::size_t b = 0; b < m_width; ++b)
            m_index[m_width * i + b] = static_cast<std::uint8_t>(index[i] >> (8 * b));
}

std::vector<Vec3f> NormalTable::ToVector() const {
    std::vector<Vec3f> normals;
    normals.reserve(m_count);
    for (std::size_t i = 0; i < m_count; ++i)
        normals.push_back(m_distinct[DistinctOf(i)]);
    return normals;
}

} // namespace figurant
