#include "UnderlayList.h"
#include "UnitFactor.h"

#include <gtest/gtest.h>

using namespace figurant;

namespace {

CUnderlayPolyLine Line(std::initializer_list<Vec3f> points) {
    CUnderlayPolyLine p;
    for (const Vec3f& v : points)
        p.Add(v);
    return p;
}

TEST(PointArray, AddSetAtAndSetSize) {
    CUnderlayPolyLine p;
    EXPECT_EQ(p.Add({1, 2, 3}), 0);
    p.Add({});
    p.Add({});
    EXPECT_EQ(p.Add({}), 3);
    p.SetAt(1, {4, 5, 6});
    EXPECT_EQ(p[1].y, 5.0f);
    p.SetSize(6);
    EXPECT_EQ(p.GetSize(), 6);
    EXPECT_EQ(p[5].x, 0.0f);
    p.SetSize(0);
    EXPECT_EQ(p.GetSize(), 0);
}

// Up to four points live inside the polyline and more outside it: the points survive every move
// between the two, shrinking and growing again gives zero points, and a copy is a copy.
TEST(PointArray, PointsSurviveGrowingPastFourAndShrinkingBack) {
    CUnderlayPolyLine p;
    for (int i = 0; i < 7; ++i)
        p.Add({static_cast<float>(i), 0, 0});
    CUnderlayPolyLine copy = p;
    p.SetSize(3);
    p.SetSize(5);
    EXPECT_EQ(p[2].x, 2.0f);
    EXPECT_EQ(p[3].x, 0.0f);
    EXPECT_EQ(p[4].x, 0.0f);
    p.SetSize(2);
    p.Add({9, 9, 9});
    EXPECT_EQ(p[1].x, 1.0f);
    EXPECT_EQ(p[2].z, 9.0f);
    ASSERT_EQ(copy.GetSize(), 7);
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(copy.Points()[static_cast<std::size_t>(i)].x, static_cast<float>(i));
    // A move takes the points, inside or out, and leaves the source empty; an array assigned over
    // lets its outside points go (the sanitizer run would see them leak or freed twice).
    CUnderlayPolyLine moved = std::move(copy);
    EXPECT_EQ(copy.GetSize(), 0);
    ASSERT_EQ(moved.GetSize(), 7);
    EXPECT_EQ(moved[6].x, 6.0f);
    moved = p;
    ASSERT_EQ(moved.GetSize(), 3);
    EXPECT_EQ(moved[2].z, 9.0f);
    copy = std::move(moved);
    ASSERT_EQ(copy.GetSize(), 3);
    EXPECT_EQ(copy[1].x, 1.0f);
}

TEST(UnderlayList, FirstExtendSetsAllBounds) {
    CUnderlayList l;
    l.ExtendBounds(5, -6, 7);
    EXPECT_EQ(std::vector<float>(l.m_bounds, l.m_bounds + 6), (std::vector<float>{5, 5, -6, -6, 7, 7}));
    l.ExtendBounds(4, 0, 7);
    EXPECT_EQ(std::vector<float>(l.m_bounds, l.m_bounds + 6), (std::vector<float>{4, 5, -6, 0, 7, 7}));
}

TEST(UnderlayList, SwapAxes) {
    CUnderlayList l;
    l.Append(Line({{1, 3, 5}, {2, 4, 6}}));
    l.ExtendBounds(1, 3, 5);
    l.ExtendBounds(2, 4, 6);
    l.SwapAxes();
    EXPECT_EQ(std::vector<float>(l.m_bounds, l.m_bounds + 6), (std::vector<float>{-6, -5, -2, -1, 3, 4}));
    const Vec3f p = (**l.begin())[0];
    EXPECT_EQ(p.x, -5.0f);
    EXPECT_EQ(p.y, -1.0f);
    EXPECT_EQ(p.z, 3.0f);
}

TEST(UnderlayList, ConvertUnits) {
    struct Case {
        int units, target;
        float factor;
    };
    for (const Case c :
         {Case{5, 3, 2.54f}, Case{0, 3, 1.0f}, Case{5, 0, 1.0f}, Case{7, 3, 1.0f}, Case{4, 1, 25.4f}}) {
        CUnderlayList l;
        l.m_nUnits = c.units;
        l.Append(Line({{1, 2, 3}}));
        l.ExtendBounds(1, 2, 3);
        l.ConvertUnits(c.target);
        EXPECT_EQ((**l.begin())[0].z, 3.0f * c.factor) << c.units << "->" << c.target;
        EXPECT_EQ(l.m_bounds[5], 3.0f * c.factor);
        EXPECT_EQ(l.m_nUnits, c.units);
    }
}

TEST(UnitFactor, Table) {
    EXPECT_DOUBLE_EQ(UnitFactor(5, 3), 2.54);
    EXPECT_DOUBLE_EQ(UnitFactor(4, 1), 25.4);
    EXPECT_DOUBLE_EQ(UnitFactor(6, 4), 12.0);
    EXPECT_DOUBLE_EQ(UnitFactor(4, 6), 1.0 / 12);
    EXPECT_DOUBLE_EQ(UnitFactor(0, 3), 1.0);
    EXPECT_DOUBLE_EQ(UnitFactor(3, 9), 1.0);
}

// Polylines appended one by one and list by list keep their places and their order across the
// list's blocks: what Append returned still points at the same polyline at the end.
TEST(UnderlayList, PolylinesStayWhereTheyWereAppended) {
    CUnderlayList first, second;
    std::vector<const CUnderlayPolyLine*> kept;
    std::vector<std::int32_t> sizes;
    auto append = [&](CUnderlayList& list, int n) {
        for (int i = 0; i < n; ++i) {
            CUnderlayPolyLine line;
            for (int k = 0; k <= i % 7; ++k) // up to seven points, past the four kept inside
                line.Add({static_cast<float>(kept.size()), static_cast<float>(k), 0});
            sizes.push_back(i % 7 + 1);
            kept.push_back(list.Append(std::move(line)));
        }
    };
    append(first, 5000);
    append(second, 3000);
    first.AppendAll(std::move(second));
    append(first, 300);
    EXPECT_EQ(second.GetCount(), 0);
    ASSERT_EQ(first.GetCount(), static_cast<std::int32_t>(kept.size()));
    std::size_t i = 0;
    for (const CUnderlayPolyLine* line : first) {
        ASSERT_LT(i, kept.size());
        EXPECT_EQ(line, kept[i]);
        ASSERT_EQ(line->GetSize(), sizes[i]);
        for (std::int32_t k = 0; k < line->GetSize(); ++k) {
            EXPECT_EQ((*line)[k].x, static_cast<float>(i));
            EXPECT_EQ((*line)[k].y, static_cast<float>(k));
        }
        ++i;
    }
    EXPECT_EQ(i, kept.size());
}

TEST(UnderlayList, DeleteAllDestroysPolylines) {
    CUnderlayList l;
    l.Append(Line({{1, 2, 3}}));
    l.DeleteAll();
    EXPECT_EQ(l.GetCount(), 0);
}

} // namespace
