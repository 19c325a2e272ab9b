#pragma once
// Ordered list of polylines forming a body model, with its bounding box, units code and
// segment count. The list owns its polylines and keeps them in blocks, side by side: a face
// costs no allocation of its own, and a polyline never moves once appended.
#include "Box.h"
#include "UnderlayPolyLine.h"

#include <cstddef>
#include <utility>
#include <vector>

namespace figurant {

class CUnderlayList {
    using Block = std::vector<CUnderlayPolyLine>;

  public:
    // Goes through the polylines in order; each step gives a pointer to the polyline.
    template <typename Blocks, typename Line> class Iterator {
      public:
        Iterator(Blocks* blocks, std::size_t block) : m_blocks(blocks), m_block(block) { SkipEmpty(); }
        Line* operator*() const { return &(*m_blocks)[m_block][m_item]; }
        Iterator& operator++() {
            if (++m_item == (*m_blocks)[m_block].size()) {
                ++m_block;
                m_item = 0;
                SkipEmpty();
            }
            return *this;
        }
        bool operator==(const Iterator& other) const {
            return m_block == other.m_block && m_item == other.m_item;
        }
        bool operator!=(const Iterator& other) const { return !(*this == other); }

      private:
        void SkipEmpty() {
            while (m_block < m_blocks->size() && (*m_blocks)[m_block].empty())
                ++m_block;
        }
        Blocks* m_blocks;
        std::size_t m_block, m_item = 0;
    };
    using iterator = Iterator<std::vector<Block>, CUnderlayPolyLine>;
    using const_iterator = Iterator<const std::vector<Block>, const CUnderlayPolyLine>;

    // Moves the polyline to the end of the list; returns where the list keeps it.
    CUnderlayPolyLine* Append(CUnderlayPolyLine&& line);
    // Moves every polyline of `other` behind this list's own and takes in its bounds, exactly as
    // if they had been appended and their points added to the bounds one by one.
    void AppendAll(CUnderlayList&& other);
    std::int32_t GetCount() const { return m_count; }
    iterator begin() { return {&m_blocks, 0}; }
    iterator end() { return {&m_blocks, m_blocks.size()}; }
    const_iterator begin() const { return {&m_blocks, 0}; }
    const_iterator end() const { return {&m_blocks, m_blocks.size()}; }

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
    void DeleteAll() {
        m_blocks.clear();
        m_count = 0;
    }

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
    // Blocks are made at their full size and never grown, so their polylines stay where they are.
    std::vector<Block> m_blocks;
    std::int32_t m_count = 0;
};

} // namespace figurant
