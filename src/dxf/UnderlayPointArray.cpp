#include "UnderlayPointArray.h"

#include <algorithm>
#include <memory>

namespace figurant {

void CUnderlayPointArray::Release() {
    if (!IsInline()) delete MorePoints();
    m_size = 0;
}

CUnderlayPointArray& CUnderlayPointArray::operator=(const CUnderlayPointArray& other) {
    if (this == &other) return *this;
    Release();
    if (other.IsInline())
        std::copy(other.m_inline, other.m_inline + kInline, m_inline);
    else
        SetMorePoints(new More(*other.MorePoints()));
    m_size = other.m_size;
    return *this;
}

// The inline bytes are taken as they are: they hold either the points or the vector's address.
CUnderlayPointArray& CUnderlayPointArray::operator=(CUnderlayPointArray&& other) noexcept {
    if (this == &other) return *this;
    Release();
    std::memcpy(static_cast<void*>(m_inline), other.m_inline, sizeof m_inline);
    m_size = other.m_size;
    other.m_size = 0;
    return *this;
}

std::int32_t CUnderlayPointArray::Add(const Vec3f& p) {
    if (m_size < kInline) {
        m_inline[m_size] = p;
    } else if (m_size == kInline) {
        auto more = std::make_unique<More>(m_inline, m_inline + kInline);
        more->push_back(p);
        SetMorePoints(more.release());
    } else {
        MorePoints()->push_back(p);
    }
    return m_size++;
}

void CUnderlayPointArray::SetSize(std::int32_t n) {
    n = std::max(n, 0);
    if (n <= kInline) {
        if (!IsInline()) {
            More* more = MorePoints();
            Vec3f kept[kInline]; // (0, 0, 0) past the first n
            std::copy(more->begin(), more->begin() + n, kept);
            delete more;
            std::copy(kept, kept + kInline, m_inline);
        } else {
            std::fill(m_inline + std::min(n, m_size), m_inline + kInline, Vec3f{});
        }
    } else if (IsInline()) {
        auto more = std::make_unique<More>(m_inline, m_inline + m_size);
        more->resize(static_cast<std::size_t>(n));
        SetMorePoints(more.release());
    } else {
        MorePoints()->resize(static_cast<std::size_t>(n));
    }
    m_size = n;
}

} // namespace figurant
