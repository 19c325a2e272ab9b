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

NormalTable::NormalTable(const std::vector<Vec3f>& normals) {
    m_index.reserve(normals.size());
    // The corners at one place mostly share a normal: a table for half the corners seldom grows.
    BitsTable<3> seen(normals.size() / 2);
    for (const Vec3f& n : normals) {
        const auto count = static_cast<std::uint32_t>(m_distinct.size());
        const std::uint32_t at =
            seen.FindOrAdd(KeyOf(n), count, [this](std::uint32_t i) { return KeyOf(m_distinct[i]); });
        if (at == count) m_distinct.push_back(n);
        m_index.push_back(at);
    }
    m_distinct.shrink_to_fit();
}

std::vector<Vec3f> NormalTable::ToVector() const {
    std::vector<Vec3f> normals;
    normals.reserve(m_index.size());
    for (const std::uint32_t at : m_index)
        normals.push_back(m_distinct[at]);
    return normals;
}

} // namespace figurant
