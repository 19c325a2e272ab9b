#pragma once
// Ordered list of polylines forming a body model, with its bounding box, units code and
// segment count. The list owns its polylines.
#include "Box.h"
#include "UnderlayPolyLine.h"

#include <memory>
#include <vector>

namespace figurant {

class CUnderlayList {
  public:
    using Items = std::vector<std::unique_ptr<CUnderlayPolyLine>>;

    CUnderlayPolyLine* Append(std::unique_ptr<CUnderlayPolyLine> p);
    // Moves every polyline of `other` behind this list's own and takes in its bounds, exactly as
    // if they had been appended and their points added to the bounds one by one.
    void AppendAll(CUnderlayList&& other);
    std::int32_t GetCount() const { return static_cast<std::int32_t>(m_items.size()); }
    Items::iterator begin() { return m_items.begin(); }
    Items::iterator end() { return m_items.end(); }
    Items::const_iterator begin() const { return m_items.begin(); }
    Items::const_iterator end() const { return m_items.end(); }

    void ExtendBounds(float x, float y, float z) {
        const float v[3] = {x, y, z};
        if (m_bBoundsEmpty) {
            for (int a = 0; a < 3; ++a)
                m_bounds[2 * a] = m_bounds[2 * a + 1] = v[a];
            m_bBoundsEmpty = false;
            return;
        }
        for (int a = 0; a < 3; ++a) {
            if (v[a] < m_bounds[2 * a]) m_bounds[2 * a] = v[a];
            if (v[a] > m_bounds[2 * a + 1]) m_bounds[2 * a + 1] = v[a];
        }
    }
    // The reader's point filter: returns the point unchanged.
    // Every point (x, y, z) becomes (-z, -x, y); the box follows.
    void SwapAxes();
    // Scales points and box from m_nUnits to the target; m_nUnits itself stays.
    void ConvertUnits(int targetUnits);
    // Destroys every polyline and empties the list.
    void DeleteAll() { m_items.clear(); }

    bool m_bBoundsEmpty = true;
    // Minimum x, maximum x, minimum y, maximum y, minimum z, maximum z.
    float m_bounds[6] = {0, 0, 0, 0, 0, 0};
    // The same bounds as a box.
    Box Bounds() const {
        return {{m_bounds[0], m_bounds[2], m_bounds[4]}, {m_bounds[1], m_bounds[3], m_bounds[5]}};
    }
    std::int32_t m_nUnits = 0;
    std::int32_t m_nSegments = 0;

  private:
    Items m_items;
};

} // namespace figurant
