#include "host/graphics/Region.h"

#include <gtest/gtest.h>

namespace {

int Area(const TRegion& R)
{
    int area = 0;
    for (const TRect& r : R) area += r.Width() * r.Height();
    return area;
}

bool Disjoint(const TRegion& R)
{
    const auto& rects = R.Rects();
    for (std::size_t i = 0; i < rects.size(); ++i)
        for (std::size_t j = i + 1; j < rects.size(); ++j)
            if (!IntersectRect(rects[i], rects[j]).IsEmpty()) return false;
    return true;
}

} // namespace

TEST(RegionTest, EmptyRectGivesEmptyRegion)
{
    EXPECT_TRUE(TRegion(Rect(5, 5, 5, 10)).IsEmpty());
    TRegion r;
    r.Union(Rect(3, 3, 2, 8));
    EXPECT_TRUE(r.IsEmpty());
    EXPECT_EQ(r.Bounds(), TRect{});
}

TEST(RegionTest, UnionOfOverlappingRectsCoversEachPixelOnce)
{
    TRegion r(Rect(0, 0, 10, 10));
    r.Union(Rect(5, 5, 15, 15));
    EXPECT_EQ(Area(r), 100 + 100 - 25);
    EXPECT_TRUE(Disjoint(r));
    EXPECT_EQ(r.Bounds(), Rect(0, 0, 15, 15));
    EXPECT_TRUE(r.Contains(12, 12));
    EXPECT_FALSE(r.Contains(12, 2));
    EXPECT_FALSE(r.Contains(15, 15)) << "right and bottom edges are outside";
}

TEST(RegionTest, AdjacentRectsMergeIntoOne)
{
    TRegion r(Rect(0, 0, 10, 5));
    r.Union(Rect(0, 5, 10, 9));
    r.Union(Rect(10, 0, 20, 9));
    ASSERT_EQ(r.RectCount(), 1);
    EXPECT_EQ(r.Rects()[0], Rect(0, 0, 20, 9));
}

TEST(RegionTest, EqualAreasCompareEqualWhateverTheOrderOfBuilding)
{
    TRegion a(Rect(0, 0, 10, 10));
    a.Union(Rect(20, 0, 30, 10));
    a.Union(Rect(0, 10, 30, 20));
    TRegion b(Rect(0, 10, 30, 20));
    b.Union(Rect(20, 0, 30, 10));
    b.Union(Rect(0, 0, 10, 10));
    EXPECT_EQ(a, b);
}

TEST(RegionTest, SubtractPunchesAHole)
{
    TRegion r(Rect(0, 0, 10, 10));
    r.Subtract(Rect(3, 3, 7, 7));
    EXPECT_EQ(Area(r), 84);
    EXPECT_TRUE(Disjoint(r));
    EXPECT_FALSE(r.Contains(5, 5));
    EXPECT_TRUE(r.Contains(2, 5));
    EXPECT_TRUE(r.Contains(7, 5));
    EXPECT_EQ(r.Bounds(), Rect(0, 0, 10, 10));

    r.Subtract(TRegion(Rect(-5, -5, 20, 20)));
    EXPECT_TRUE(r.IsEmpty());
}

TEST(RegionTest, IntersectKeepsOnlyTheCommonPart)
{
    TRegion r(Rect(0, 0, 10, 10));
    r.Union(Rect(20, 0, 30, 10));
    r.Intersect(Rect(5, 2, 25, 4));
    EXPECT_EQ(Area(r), 2 * 5 + 2 * 5);
    EXPECT_TRUE(r.Contains(6, 3));
    EXPECT_FALSE(r.Contains(15, 3));

    TRegion other(Rect(8, 0, 22, 10));
    r.Intersect(other);
    EXPECT_EQ(r.Bounds(), Rect(8, 2, 22, 4));
    EXPECT_EQ(Area(r), 2 * 2 + 2 * 2);

    r.Intersect(Rect(100, 100, 110, 110));
    EXPECT_TRUE(r.IsEmpty());
}

TEST(RegionTest, OffsetMovesEveryRect)
{
    TRegion r(Rect(0, 0, 4, 4));
    r.Union(Rect(10, 10, 12, 12));
    r.Offset(-3, 5);
    EXPECT_EQ(r.Bounds(), Rect(-3, 5, 9, 17));
    EXPECT_TRUE(r.Contains(-3, 5));
    EXPECT_TRUE(r.Contains(8, 16));
    EXPECT_TRUE(r.Intersects(Rect(7, 15, 8, 16)));
    EXPECT_FALSE(r.Intersects(Rect(2, 10, 6, 14)));
}
