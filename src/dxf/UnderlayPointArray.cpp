#include "UnderlayPointArray.h"

namespace figurant {

std::int32_t CUnderlayPointArray::Add(const Vec3f& p) {
    m_points.push_back(p);
    return static_cast<std::int32_t>(m_points.size() - 1);
}

void CUnderlayPointArray::SetSize(std::int32_t n) {
    if (n <= 0) {
        std::vector<Vec3f>().swap(m_points);
        return;
    }
    m_points.resize(static_cast<std::size_t>(n));
}

} // namespace figurant
