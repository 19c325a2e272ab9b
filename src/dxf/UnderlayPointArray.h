#pragma once
// Growable contiguous array of points, the base of every imported polyline. Up to four points
// (a face's corners) are kept inside the object, so a face needs no allocation of its own.
#include "Vec3f.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

namespace figurant {

// A read-only view of consecutive points.
class PointSpan {
  public:
    PointSpan(const Vec3f* first, std::size_t count) : m_first(first), m_count(count) {}
    const Vec3f* begin() const { return m_first; }
    const Vec3f* end() const { return m_first + m_count; }
    std::size_t size() const { return m_count; }
    bool empty() const { return m_count == 0; }
    const Vec3f& operator[](std::size_t i) const { return m_first[i]; }

  private:
    const Vec3f* m_first;
    std::size_t m_count;
};

class CUnderlayPointArray {
  public:
    CUnderlayPointArray() = default;
    CUnderlayPointArray(const CUnderlayPointArray& other) { *this = other; }
    CUnderlayPointArray& operator=(const CUnderlayPointArray& other);
    // A moved-from array is empty.
    CUnderlayPointArray(CUnderlayPointArray&& other) noexcept { *this = std::move(other); }
    CUnderlayPointArray& operator=(CUnderlayPointArray&& other) noexcept;

    std::int32_t GetSize() const { return m_size; }
    // Index 0 to GetSize() - 1; not checked.
    Vec3f& operator[](std::int32_t i) { return Data()[i]; }
    const Vec3f& operator[](std::int32_t i) const { return Data()[i]; }
    // Appends a point and returns its index (the old count).
    std::int32_t Add(const Vec3f& p);
    void SetAt(std::int32_t i, const Vec3f& p) { Data()[i] = p; }
    // New points are (0, 0, 0); a size of 0 frees the buffer.
    void SetSize(std::int32_t n);

    PointSpan Points() const { return {Data(), static_cast<std::size_t>(m_size)}; }

  protected:
    // Not virtual: a polyline is never deleted through its base, and a face stays small.
    ~CUnderlayPointArray() { Release(); }

  private:
    static constexpr std::int32_t kInline = 4;
    using More = std::vector<Vec3f>;
    bool IsInline() const { return m_size <= kInline; }
    // Past kInline points they are all in a vector of their own, whose address is kept in the
    // bytes of the inline points (unused then), so a face needs no room for it.
    More* MorePoints() const {
        More* more = nullptr;
        std::memcpy(&more, m_inline, sizeof more);
        return more;
    }
    void SetMorePoints(More* more) { std::memcpy(static_cast<void*>(m_inline), &more, sizeof more); }
    // Frees the vector, if any, and leaves the array empty.
    void Release();
    Vec3f* Data() { return IsInline() ? m_inline : MorePoints()->data(); }
    const Vec3f* Data() const { return IsInline() ? m_inline : MorePoints()->data(); }

    Vec3f m_inline[kInline];
    std::int32_t m_size = 0;
};

} // namespace figurant
