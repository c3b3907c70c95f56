#include <gtest/gtest.h>

#include <climits>

#include "host/controls/GridGeometry.h"

// Rows of 24 pixels plus a 1-pixel line, one fixed row, a 100-pixel client: the fixed row takes
// 25 pixels, so 75 remain for scrolled rows: three fit entirely, a fourth shows no pixel.
class GridAxisViewTest : public ::testing::Test {
protected:
    TGridAxis Rows{20, 24, 1};
    TGridAxisView View{&Rows, 1, 1, 100};
};

TEST_F(GridAxisViewTest, FixedAndScrolledCellsSitEdgeToEdge)
{
    View.First = 5;
    EXPECT_EQ(View.FixedBoundary(), 25);
    EXPECT_EQ(View.Start(0), 0);
    EXPECT_EQ(View.Start(5), 25);
    EXPECT_EQ(View.Start(6), 50);
    EXPECT_FALSE(View.IsVisible(4)) << "scrolled off above";
    EXPECT_TRUE(View.IsVisible(7));
    EXPECT_FALSE(View.IsVisible(8));
}

TEST_F(GridAxisViewTest, CoordinatesOutsideCellsAreMinusOne)
{
    EXPECT_EQ(View.CoordAt(-1), -1);
    EXPECT_EQ(View.CoordAt(0), 0);
    EXPECT_EQ(View.CoordAt(24), 0) << "the grid line belongs to the cell before it";
    EXPECT_EQ(View.CoordAt(25), 1);
    EXPECT_EQ(View.CoordAt(100), -1);
    Rows.SetCount(3);
    EXPECT_EQ(View.CoordAt(80), -1) << "below the last row";
}

TEST_F(GridAxisViewTest, SpanLeavesOutTheTrailingLineAndClipsToTheClient)
{
    int lo = 0, hi = 0;
    ASSERT_TRUE(View.Span(1, 1, lo, hi));
    EXPECT_EQ(lo, 25);
    EXPECT_EQ(hi, 49);
    ASSERT_TRUE(View.Span(0, 19, lo, hi));
    EXPECT_EQ(lo, 0);
    EXPECT_EQ(hi, 100);
    View.Extent = 90;
    ASSERT_TRUE(View.Span(3, 3, lo, hi)) << "a partly shown row";
    EXPECT_EQ(lo, 75);
    EXPECT_EQ(hi, 90);
    View.Extent = 100;
    EXPECT_FALSE(View.Span(5, 7, lo, hi)) << "rows below the client show nothing";
    View.First = 3;
    EXPECT_FALSE(View.Span(1, 2, lo, hi)) << "rows scrolled off show nothing";
    Rows.SetSize(3, 0);
    EXPECT_FALSE(View.Span(3, 3, lo, hi)) << "a hidden row shows nothing";
}

TEST_F(GridAxisViewTest, OnlyFullyVisibleRowsCount)
{
    EXPECT_EQ(View.FullVisibleCount(), 3);
    View.Extent = 99;
    EXPECT_EQ(View.FullVisibleCount(), 2) << "the third row's line no longer fits";
    EXPECT_EQ(View.LastVisible(), 3);
    View.First = 18;
    View.Extent = 1000;
    EXPECT_EQ(View.FullVisibleCount(), 2) << "only the rows that exist";
}

TEST_F(GridAxisViewTest, ScrollingIntoViewMovesAsLittleAsPossible)
{
    EXPECT_EQ(View.FirstToShow(3), 1) << "already shown";
    EXPECT_EQ(View.FirstToShow(4), 2);
    EXPECT_EQ(View.FirstToShow(19), 17);
    View.First = 10;
    EXPECT_EQ(View.FirstToShow(6), 6);
    EXPECT_EQ(View.FirstToShow(0), 10) << "fixed rows never scroll";
    EXPECT_EQ(View.MaxFirst(), 17);
    Rows.SetSize(19, 80);
    EXPECT_EQ(View.FirstToShow(19), 19) << "a row taller than the room goes to the top";
}

TEST(GridAxisView, TheLastOfTwoBillionRowsIsReachedWithoutOverflow)
{
    TGridAxis rows(2'000'000'000, 24, 1);
    TGridAxisView view{&rows, 1, 1, 800};
    const int first = view.FirstToShow(rows.Count() - 1);
    EXPECT_EQ(first, view.MaxFirst());
    view.First = first;
    EXPECT_TRUE(view.IsVisible(rows.Count() - 1));
    int lo = 0, hi = 0;
    ASSERT_TRUE(view.Span(rows.Count() - 1, rows.Count() - 1, lo, hi));
    EXPECT_LE(hi, 800);
    EXPECT_EQ(hi - lo, 24);
    EXPECT_EQ(view.CoordAt(lo), rows.Count() - 1);
}
