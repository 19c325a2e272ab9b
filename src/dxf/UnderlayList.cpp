#include "UnderlayList.h"

#include "UnitFactor.h"

#include <algorithm>

namespace figurant {

namespace {
// Polylines per block: small lists stay small, large ones take few blocks.
constexpr std::size_t kFirstBlock = 64, kLargestBlock = 4096;
} // namespace

CUnderlayPolyLine* CUnderlayList::Append(CUnderlayPolyLine&& line) {
    if (m_blocks.empty() || m_blocks.back().size() == m_blocks.back().capacity()) {
        const std::size_t last = m_blocks.empty() ? 0 : m_blocks.back().capacity();
        m_blocks.emplace_back().reserve(std::clamp(2 * last, kFirstBlock, kLargestBlock));
    }
    ++m_count;
    return &m_blocks.back().emplace_back(std::move(line));
}

void CUnderlayList::AppendAll(CUnderlayList&& other) {
    for (Block& block : other.m_blocks)
        m_blocks.push_back(std::move(block));
    m_count += other.m_count;
    other.DeleteAll();
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
    for (CUnderlayPolyLine* line : *this) {
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
    for (CUnderlayPolyLine* line : *this) {
        for (std::int32_t i = 0; i < line->GetSize(); ++i) {
            const Vec3f p = (*line)[i];
            line->SetAt(i, {p.x * f, p.y * f, p.z * f});
        }
    }
    for (float& b : m_bounds)
        b *= f;
}

} // namespace figurant
