// The base grid's geometry as a control: cell rectangles, hit testing, visible rows, hidden
// columns, dimensions and their limits.
#include "GridFixture.h"

#include "host/core/Exceptions.h"

TEST_F(GridTest, CellRectsFollowWidthsHeightsAndScrolling)
{
    EXPECT_EQ(Grid->CellRect(0, 0), Rect(0, 0, 64, 24));
    EXPECT_EQ(Grid->CellRect(2, 3), Rect(130, 75, 194, 99));
    Grid->SetColWidths(1, 30);
    EXPECT_EQ(Grid->CellRect(2, 3), Rect(96, 75, 160, 99));
    Grid->SetTopRow(10);
    EXPECT_TRUE(Grid->CellRect(2, 3).IsEmpty()) << "scrolled off";
    EXPECT_EQ(Grid->CellRect(2, 10), Rect(96, 25, 160, 49));
    EXPECT_EQ(Grid->CellRect(0, 0), Rect(0, 0, 64, 24)) << "fixed cells stay";
}

TEST_F(GridTest, CellRectsAreClippedToTheClient)
{
    EXPECT_EQ(Grid->CellRect(4, 1), Rect(260, 25, 300, 49)) << "the last column shows 40 of 64 pixels";
    EXPECT_EQ(Grid->CellRect(1, 7), Rect(65, 175, 129, 190));
    EXPECT_TRUE(Grid->CellRect(1, 8).IsEmpty());
    EXPECT_EQ(Grid->BoxRect(1, 1, 4, 99), Rect(65, 25, 300, 190));
    EXPECT_EQ(Grid->BoxRect(3, 2, 1, 1), Rect(65, 25, 259, 74)) << "corners in either order";
}

TEST_F(GridTest, MouseCoordIsMinusOneOutsideCells)
{
    EXPECT_EQ(Grid->MouseCoord(70, 30), (TGridCoord{1, 1}));
    EXPECT_EQ(Grid->MouseCoord(129, 49), (TGridCoord{1, 1})) << "grid lines belong to the cell before";
    EXPECT_EQ(Grid->MouseCoord(-1, 30), (TGridCoord{-1, 1}));
    EXPECT_EQ(Grid->MouseCoord(70, 500), (TGridCoord{1, -1}));
    Grid->SetColCount(3);
    Grid->SetRowCount(3);
    EXPECT_EQ(Grid->MouseCoord(250, 100), (TGridCoord{-1, -1})) << "right of the last column, below the last row";
}

TEST_F(GridTest, VisibleRowCountCountsOnlyFullyVisibleRows)
{
    EXPECT_EQ(Grid->VisibleRowCount(), 6);
    Grid->SetHeight(200);
    EXPECT_EQ(Grid->VisibleRowCount(), 7) << "the seventh row and its line now fit";
    Grid->SetHeight(199);
    EXPECT_EQ(Grid->VisibleRowCount(), 6) << "without room for its line the row does not count";
    Grid->SetRowHeights(2, 60);
    EXPECT_EQ(Grid->VisibleRowCount(), 5);
    Grid->SetRowCount(4);
    EXPECT_EQ(Grid->VisibleRowCount(), 3) << "only rows that exist";
}

TEST_F(GridTest, HiddenColumnTakesNoSpaceButKeepsItsIndex)
{
    Grid->SetColWidths(2, 0);
    EXPECT_TRUE(Grid->CellRect(2, 1).IsEmpty());
    EXPECT_EQ(Grid->CellRect(3, 1), Rect(130, 25, 194, 49));
    EXPECT_EQ(Grid->MouseCoord(140, 30).X, 3);
    EXPECT_EQ(Grid->ColWidths(2), 0);
    Repaint();
    EXPECT_FALSE(Grid->Drew(2, 1));
    EXPECT_TRUE(Grid->Drew(3, 1));
    Grid->SetColWidths(2, -1);
    EXPECT_EQ(Grid->ColWidths(2), -1) << "negative widths hide as well and read back";
    EXPECT_TRUE(Grid->CellRect(2, 1).IsEmpty());
}

TEST_F(GridTest, DefaultRowHeightResetsEveryRowHeight)
{
    Grid->SetRowHeights(3, 50);
    Grid->SetDefaultRowHeight(30);
    EXPECT_EQ(Grid->RowHeights(3), 30);
    EXPECT_EQ(Grid->CellRect(1, 2), Rect(65, 62, 129, 92));
    Grid->SetDefaultRowHeight(0);
    EXPECT_EQ(Grid->DefaultRowHeight(), 30) << "a height of nothing is refused";
}

TEST_F(GridTest, DefaultsOfANewGrid)
{
    TRecordingGrid grid(nullptr);
    EXPECT_EQ(grid.DefaultColWidth(), 64);
    EXPECT_EQ(grid.DefaultRowHeight(), 24);
    EXPECT_EQ(grid.GridLineWidth(), 1);
    EXPECT_EQ(grid.ColCount(), 5);
    EXPECT_EQ(grid.RowCount(), 5);
    EXPECT_EQ(grid.FixedCols(), 1);
    EXPECT_EQ(grid.FixedRows(), 1);
    EXPECT_EQ(grid.Col(), 1);
    EXPECT_EQ(grid.Row(), 1);
    EXPECT_TRUE(grid.TabStop());
    EXPECT_EQ(grid.Options(), (TGridOptions{goFixedVertLine, goFixedHorzLine, goVertLine, goHorzLine, goRangeSelect}));
}

TEST_F(GridTest, OptionBitsSitAtTheirPositions)
{
    EXPECT_EQ((TGridOptions{goFixedVertLine, goFixedHorzLine, goVertLine, goHorzLine, goColSizing, goColMoving, goTabs}).ToBits(),
              2703);
    EXPECT_EQ(TGridOptions{goEditing}.ToBits(), 1 << 10);
    EXPECT_EQ(TGridOptions{goRowSelect}.ToBits(), 1 << 12);
    EXPECT_EQ(TGridOptions{goAlwaysShowEditor}.ToBits(), 1 << 13);
}

TEST_F(GridTest, ShrinkingTheGridKeepsTheCurrentCellInside)
{
    Grid->MoveColRow(4, 90, true, true);
    Grid->SetRowCount(10);
    Grid->SetColCount(3);
    EXPECT_EQ(Grid->Row(), 9);
    EXPECT_EQ(Grid->Col(), 2);
    EXPECT_LE(Grid->TopRow(), 9);
    EXPECT_FALSE(Grid->CellRect(2, 9).IsEmpty());
}

TEST_F(GridTest, FixedCountsAreLimitedByTheDimensions)
{
    EXPECT_THROW(Grid->SetFixedCols(6), EInvalidGridOperation);
    EXPECT_THROW(Grid->SetFixedRows(-1), EInvalidGridOperation);
    Grid->SetColCount(1);
    EXPECT_EQ(Grid->FixedCols(), 1) << "a grid may consist of its fixed column alone";
    EXPECT_EQ(Grid->Col(), 0);
    EXPECT_NO_THROW(Repaint());
    EXPECT_THROW(Grid->ColWidths(1), EInvalidGridOperation);
    EXPECT_THROW(Grid->SetTabStops(5, false), EInvalidGridOperation);
}

TEST_F(GridTest, MoveColRowRejectsCellsOutsideTheGrid)
{
    EXPECT_THROW(Grid->MoveColRow(5, 1, true, true), EInvalidGridOperation);
    EXPECT_THROW(Grid->MoveColRow(1, -1, true, true), EInvalidGridOperation);
    EXPECT_EQ(Grid->Col(), 1);
    EXPECT_EQ(Grid->Row(), 1);
}
