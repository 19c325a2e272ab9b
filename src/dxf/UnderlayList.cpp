#include "UnderlayList.h"

#include "UnitFactor.h"

#include <algorithm>

namespace figurant {

CUnderlayPolyLine* CUnderlayList::Append(std::unique_ptr<CUnderlayPolyLine> p) {
    m_items.push_back(std::move(p));
    return m_items.back().get();
}

void CUnderlayList::AppendAll(CUnderlayList&& other) {
    m_items.reserve(m_items.size() + other.m_items.size());
    for (auto& item : other.m_items)
        m_items.push_back(std::move(item));
    other.m_items.clear();
    if (other.m_bBoundsEmpty) return;
    if (m_bBoundsEmpty) {
        std::copy(other.m_bounds, other.m_bounds + 6, m_bounds);
        m_bBoundsEmpty = false;
        return;
    }
    // Strict comparisons, as point by point: of equal values (0 and -0) the earlier one stays.
    for (int a = 0; a < 3; ++a) {
        if (other.m_bounds[2 * a] < m_bounds[2 * a]) m_bounds[2 * a] = other.m_bounds[2 * a];
        if (other.m_bounds[2 * a + 1] > m_bounds[2 * a + 1]) m_bounds[2 * a + 1] = other.m_bounds[2 * a + 1];
    }
}

void CUnderlayList::SwapAxes() {
    for (auto& line : m_items) {
        for (std::int32_t i = 0; i < line->GetSize(); ++i) {
            const Vec3f p = (*line)[i];
            line->SetAt(i, {-p.z, -p.x, p.y});
        }
    }
    const float* b = m_bounds;
    const float swapped[6] = {-b[5], -b[4], -b[1], -b[0], b[2], b[3]};
    for (int i = 0; i < 6; ++i)
        m_bounds[i] = swapped[i];
}

void CUnderlayList::ConvertUnits(int targetUnits) {
    if (m_nUnits == 0 || targetUnits == 0) return;
    const auto f = static_cast<float>(UnitFactor(m_nUnits, targetUnits));
    for (auto& line : m_items) {
        for (std::int32_t i = 0; i < line->GetSize(); ++i) {
            const Vec3f p = (*line)[i];
            line->SetAt(i, {p.x * f, p.y * f, p.z * f});
        }
    }
    for (float& b : m_bounds)
        b *= f;
}

} // namespace figurant
