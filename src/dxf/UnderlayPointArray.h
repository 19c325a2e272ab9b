#pragma once
// Growable contiguous array of points, the base of every imported polyline.
#include "Vec3f.h"

#include <cstdint>
#include <vector>

namespace figurant {

class CUnderlayPointArray {
  public:
    virtual ~CUnderlayPointArray() = default;

    std::int32_t GetSize() const { return static_cast<std::int32_t>(m_points.size()); }
    // Index 0 to GetSize() - 1; not checked.
    Vec3f& operator[](std::int32_t i) { return m_points[static_cast<std::size_t>(i)]; }
    const Vec3f& operator[](std::int32_t i) const { return m_points[static_cast<std::size_t>(i)]; }
    // Appends a point and returns its index (the old count).
    std::int32_t Add(const Vec3f& p);
    void SetAt(std::int32_t i, const Vec3f& p) { m_points[static_cast<std::size_t>(i)] = p; }
    // New points are (0, 0, 0); a size of 0 frees the buffer.
    void SetSize(std::int32_t n);

    const std::vector<Vec3f>& Points() const { return m_points; }

  private:
    std::vector<Vec3f> m_points;
};

} // namespace figurant
