#pragma once
// One unit normal per global vertex, each distinct normal kept once: the corners of a smooth
// surface share their normals with the other corners at the same place, so a large model keeps a
// number per corner and a few normals instead of a normal per corner.
#include "Vec3f.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace figurant {

class NormalTable {
  public:
    NormalTable() = default;
    // `indexBytes`: the bytes a vertex's number takes at least; three unless the distinct normals
    // need four (over 16 million of them).
    explicit NormalTable(const std::vector<Vec3f>& normals, std::size_t indexBytes = 3);

    std::size_t size() const { return m_count; }
    bool empty() const { return m_count == 0; }
    // The normal of global vertex `id` (below size(); not checked).
    const Vec3f& operator[](std::size_t id) const { return m_distinct[DistinctOf(id)]; }
    // Every vertex's normal, in order.
    std::vector<Vec3f> ToVector() const;

  private:
    std::uint32_t DistinctOf(std::size_t id) const {
        const std::uint8_t* b = &m_index[m_width * id];
        const std::uint32_t low = b[0] | (std::uint32_t{b[1]} << 8) | (std::uint32_t{b[2]} << 16);
        return m_width == 3 ? low : low | (std::uint32_t{b[3]} << 24);
    }
    std::vector<Vec3f> m_distinct;
    // Per global vertex: its normal in m_distinct, in m_width bytes, low byte first.
    std::vector<std::uint8_t> m_index;
    std::size_t m_width = 3, m_count = 0;
};

} // namespace figurant
