// A segment's polylines, kept as runs of neighbours, come back one by one with their vertex
// numbers, whatever the order of the model's segments and across the model's storage blocks.
#include "SegmentShape.h"
#include "UnderlayList.h"

#include <gtest/gtest.h>

#include <random>
#include <tuple>
#include <vector>

using namespace figurant;

TEST(SegmentShape, RunsGiveBackEveryPolylineWithItsVertexNumber) {
    std::mt19937 random(11);
    std::uniform_int_distribution<int> segmentOf(0, 2), length(1, 40), size(1, 6);
    CUnderlayList model;
    std::vector<std::vector<std::tuple<const CUnderlayPolyLine*, std::int32_t, std::size_t>>> expected(3);
    std::vector<std::vector<const CUnderlayPolyLine*>> lines(3);
    std::vector<std::vector<std::int32_t>> firstIds(3);
    std::vector<std::size_t> points(3);
    std::int32_t id = 0;
    // Stretches of one segment's polylines, 9,000 polylines in all: several storage blocks.
    while (model.GetCount() < 9000) {
        const int s = segmentOf(random);
        for (int n = length(random); n > 0; --n) {
            CUnderlayPolyLine line;
            for (int k = size(random); k > 0; --k)
                line.Add({static_cast<float>(id), 0, 0});
            const CUnderlayPolyLine* kept = model.Append(std::move(line));
            // Now and then a polyline the tables skip, as one of no segment is.
            if (n % 17 == 0) {
                id += kept->GetSize();
                continue;
            }
            expected[s].emplace_back(kept, id, points[s]);
            lines[s].push_back(kept);
            firstIds[s].push_back(id);
            id += kept->GetSize();
            points[s] += static_cast<std::size_t>(kept->GetSize());
        }
    }
    for (int s = 0; s < 3; ++s) {
        SegmentShape shape;
        shape.SetLines(lines[s], firstIds[s]);
        EXPECT_EQ(shape.pointCount, points[s]);
        EXPECT_LT(shape.runs.size(), lines[s].size() / 4); // stretches make runs
        std::vector<std::tuple<const CUnderlayPolyLine*, std::int32_t, std::size_t>> walked;
        shape.ForEachRestLine([&](const CUnderlayPolyLine& line, std::int32_t first, std::size_t k) {
            walked.emplace_back(&line, first, k);
        });
        EXPECT_EQ(walked, expected[s]) << s;
    }
}
