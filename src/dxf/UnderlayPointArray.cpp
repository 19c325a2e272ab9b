#include "UnderlayPointArray.h"

#include <algorithm>

namespace figurant {

CUnderlayPointArray& CUnderlayPointArray::operator=(const CUnderlayPointArray& other) {
    if (this == &other) return *this;
    std::copy(other.m_inline, other.m_inline + kInline, m_inline);
    m_more = other.m_more ? std::make_unique<std::vector<Vec3f>>(*other.m_more) : nullptr;
    m_size = other.m_size;
    return *this;
}

CUnderlayPointArray& CUnderlayPointArray::operator=(CUnderlayPointArray&& other) noexcept {
    if (this == &other) return *this;
    std::copy(other.m_inline, other.m_inline + kInline, m_inline);
    m_more = std::move(other.m_more);
    m_size = other.m_size;
    other.m_size = 0;
    return *this;
}

std::int32_t CUnderlayPointArray::Add(const Vec3f& p) {
    if (m_size < kInline) {
        m_inline[m_size] = p;
    } else {
        if (m_size == kInline) m_more = std::make_unique<std::vector<Vec3f>>(m_inline, m_inline + kInline);
        m_more->push_back(p);
    }
    return m_size++;
}

void CUnderlayPointArray::SetSize(std::int32_t n) {
    n = std::max(n, 0);
    if (n <= kInline) {
        if (!IsInline()) std::copy(m_more->begin(), m_more->begin() + n, m_inline);
        std::fill(m_inline + std::min(n, m_size), m_inline + kInline, Vec3f{});
        m_more.reset();
    } else {
        if (IsInline()) m_more = std::make_unique<std::vector<Vec3f>>(m_inline, m_inline + m_size);
        m_more->resize(static_cast<std::size_t>(n));
    }
    m_size = n;
}

} // namespace figurant
