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
    explicit NormalTable(const std::vector<Vec3f>& normals);

    std::size_t size() const { return m_index.size(); }
    bool empty() const { return m_index.empty(); }
    // The normal of global vertex `id` (below size(); not checked).
    const Vec3f& operator[](std::size_t id) const { return m_distinct[m_index[id]]; }
    // Every vertex's normal, in order.
    std::vector<Vec3f> ToVector() const;

  private:
    std::vector<Vec3f> m_distinct;
    std::vector<std::uint32_t> m_index; // per global vertex: its normal in m_distinct
};

} // namespace figurant
