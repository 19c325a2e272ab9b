// A normal table gives back every vertex's normal to the bit, however many of them are alike.
#include "NormalTable.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

using namespace figurant;

TEST(NormalTable, EveryNormalComesBackToTheBit) {
    std::mt19937 random(3);
    std::uniform_int_distribution<int> pick(0, 40);
    // Few distinct normals, 0 and -0 among them, and then all distinct ones (the table grows, and
    // their numbers take three bytes).
    std::vector<Vec3f> alike, distinct;
    for (int i = 0; i < 70000; ++i) {
        const int k = pick(random);
        alike.push_back({k % 2 ? 0.0f : -0.0f, static_cast<float>(k), 1.0f});
        distinct.push_back({static_cast<float>(i), 0.5f, -0.0f});
    }
    // Numbers of three bytes, and of four as over 16 million distinct normals would need.
    for (const std::size_t bytes : {3, 4})
        for (const std::vector<Vec3f>& normals : {alike, distinct}) {
            const NormalTable table(normals, bytes);
            ASSERT_EQ(table.size(), normals.size());
            const std::vector<Vec3f> back = table.ToVector();
            EXPECT_EQ(std::memcmp(back.data(), normals.data(), normals.size() * sizeof(Vec3f)), 0);
            for (std::size_t i = 0; i < normals.size(); i += 997)
                EXPECT_EQ(std::memcmp(&table[i], &normals[i], sizeof(Vec3f)), 0) << i;
        }
}
