#pragma once
// Finds keys equal to the bit among those added before: an open-addressing table of their numbers,
// kept at most half full. The keys stay with the caller, who hands them over by number for
// comparing and when the table grows.
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace figurant {

template <std::size_t Words> class BitsTable {
  public:
    using Key = std::array<std::uint32_t, Words>;

    // `expected`: how many keys the table will hold at most, so it need not grow.
    explicit BitsTable(std::size_t expected = 0) { m_slots.assign(SlotsFor(expected), 0); }

    // The number of the key equal to `key` among the `count` keys added so far (keyOf(i) gives
    // key i), or `count` when there is none: the key is then added with that number.
    template <class KeyOf> std::uint32_t FindOrAdd(const Key& key, std::uint32_t count, const KeyOf& keyOf) {
        if (kSlotsPerKey * (std::size_t{count} + 1) > m_slots.size()) Grow(count, keyOf);
        const std::size_t mask = m_slots.size() - 1;
        for (std::size_t slot = Hash(key) & mask;; slot = (slot + 1) & mask) {
            const std::uint32_t found = m_slots[slot];
            if (found == 0) {
                m_slots[slot] = count + 1;
                return count;
            }
            if (keyOf(found - 1) == key) return found - 1;
        }
    }

  private:
    static constexpr std::size_t kSlotsPerKey = 2;

    static std::size_t SlotsFor(std::size_t keys) {
        std::size_t size = 16;
        while (size < kSlotsPerKey * keys)
            size *= 2;
        return size;
    }
    static std::uint64_t Hash(const Key& key) {
        std::uint64_t h = 0;
        for (const std::uint32_t w : key)
            h = (h ^ w) * 0x9E3779B97F4A7C15ull;
        return h ^ (h >> 29);
    }
    template <class KeyOf> void Grow(std::uint32_t count, const KeyOf& keyOf) {
        m_slots.assign(2 * m_slots.size(), 0);
        const std::size_t mask = m_slots.size() - 1;
        for (std::uint32_t i = 0; i < count; ++i) {
            std::size_t slot = Hash(keyOf(i)) & mask;
            while (m_slots[slot] != 0)
                slot = (slot + 1) & mask;
            m_slots[slot] = i + 1;
        }
    }

    std::vector<std::uint32_t> m_slots; // a key's number plus one; 0 for an empty slot
};

} // namespace figurant
