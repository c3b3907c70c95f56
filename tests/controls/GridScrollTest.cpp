// The current cell, TopRow/LeftCol, scroll bars, and scrolling the pixels.
#include "GridFixture.h"

#include "host/windows/ScrollBar.h"

TEST_F(GridTest, MoveColRowScrollsTheCellIntoView)
{
    Grid->MoveColRow(1, 50, true, true);
    EXPECT_EQ(Grid->Row(), 50);
    EXPECT_EQ(Grid->TopRow(), 45) << "the row becomes the last fully visible one";
    EXPECT_LE(Grid->CellRect(1, 50).Bottom, Grid->ClientHeight());
    Grid->MoveColRow(1, 10, true, true);
    EXPECT_EQ(Grid->TopRow(), 10) << "moving up puts the row at the top";
    Grid->MoveColRow(1, 12, true, true);
    EXPECT_EQ(Grid->TopRow(), 10) << "a visible row scrolls nothing";
    Grid->SetColCount(20);
    Grid->MoveColRow(15, 12, true, true);
    EXPECT_EQ(Grid->LeftCol(), 13);
    Grid->MoveColRow(14, 40, true, false);
    EXPECT_EQ(Grid->TopRow(), 10) << "Show false leaves the view alone";
}

TEST_F(GridTest, SelectCellCanRefuseAMove)
{
    class TPicky : public TRecordingGrid {
    public:
        using TRecordingGrid::TRecordingGrid;

    protected:
        bool SelectCell(int, int ARow) override { return ARow != 3; }
    };
    auto* grid = new TPicky(Form);
    grid->SetParent(Form);
    grid->MoveColRow(1, 3, true, true);
    EXPECT_EQ(grid->Row(), 1);
    grid->SetRow(4);
    EXPECT_EQ(grid->Row(), 4);
}

TEST_F(GridTest, TopRowStaysInsideTheScrollableRows)
{
    Grid->SetTopRow(0);
    EXPECT_EQ(Grid->TopRow(), 1);
    Grid->SetTopRow(1000);
    EXPECT_EQ(Grid->TopRow(), 99);
    Grid->SetLeftCol(-4);
    EXPECT_EQ(Grid->LeftCol(), 1);
}

TEST_F(GridTest, ChangingTheFixedCountKeepsTheScrolledCellsInPlace)
{
    Grid->SetTopRow(10);
    Grid->SetLeftCol(2);
    Grid->SetFixedRows(3);
    Grid->SetFixedCols(0);
    EXPECT_EQ(Grid->TopRow(), 12);
    EXPECT_EQ(Grid->LeftCol(), 1);
    Grid->SetFixedRows(0);
    EXPECT_EQ(Grid->TopRow(), 9);
    Grid->SetTopRow(0);
    Grid->SetFixedRows(1);
    EXPECT_EQ(Grid->TopRow(), 1) << "the first scrollable row stays the first shown";
}

TEST_F(GridTest, ScrollingByARowMovesThePixelsAndRepaintsOnlyTheNewRow)
{
    Repaint();
    Grid->Draws.clear();
    Grid->SetTopRow(2);
    Grid->Update();
    for (const auto& d : Grid->Draws) EXPECT_GE(d.Row, 7) << "row " << d.Row << " was moved, not repainted";
    EXPECT_TRUE(Grid->Drew(1, 8));
}

TEST_F(GridTest, AJumpRepaintsWhatScrolledButNotTheFixedCellsThatStayed)
{
    // Further than a screen: every scrolled cell is painted again, and so are the fixed cells
    // that scroll with them (the fixed column's rows in a vertical jump), but the fixed row
    // stays put in a vertical jump, the fixed column in a horizontal one.
    Grid->SetColCount(40);
    Repaint();
    struct TCase {
        const char* Name;
        int Col, Row;
        bool FixedRowDrawn, FixedColDrawn;
    };
    for (const TCase c : {TCase{"down", 1, 60, false, true}, TCase{"right", 30, 60, true, false},
                          TCase{"both back", 1, 1, true, true}}) {
        Grid->Draws.clear();
        Grid->MoveColRow(c.Col, c.Row, true, true);
        Grid->Update();
        for (int col = Grid->LeftCol(); col < Grid->LeftCol() + 4; ++col)
            for (int row = Grid->TopRow(); row < Grid->TopRow() + 6; ++row)
                EXPECT_TRUE(Grid->Drew(col, row)) << c.Name << ": cell " << col << "," << row;
        EXPECT_EQ(Grid->Drew(Grid->LeftCol(), 0), c.FixedRowDrawn) << c.Name;
        EXPECT_EQ(Grid->Drew(0, Grid->TopRow()), c.FixedColDrawn) << c.Name;
        EXPECT_EQ(Grid->Drew(0, 0), c.FixedRowDrawn && c.FixedColDrawn) << c.Name << ": the corner";
    }
}

TEST_F(GridTest, HorizontalScrollBarScrollsTheColumns)
{
    Grid->SetColCount(12);
    Grid->SetScrollBars(ssHorizontal);
    ProcessMessages();
    EXPECT_FALSE(GetScrollBarRect(H(), SB_HORZ).IsEmpty()) << "the bar shows when there is something to scroll";
    EXPECT_TRUE(GetScrollBarRect(H(), SB_VERT).IsEmpty());
    SendMessage(H(), WM_HSCROLL, MAKEWPARAM(SB_LINEDOWN, 0));
    EXPECT_EQ(Grid->LeftCol(), 2);
    EXPECT_EQ(GetScrollPos(H(), SB_HORZ), 1);
    SendMessage(H(), WM_HSCROLL, MAKEWPARAM(SB_PAGEDOWN, 0));
    EXPECT_EQ(Grid->LeftCol(), 5) << "a page is the fully visible columns (3)";
    SendMessage(H(), WM_HSCROLL, MAKEWPARAM(SB_BOTTOM, 0));
    const int last = Grid->LeftCol();
    EXPECT_FALSE(Grid->CellRect(11, 1).IsEmpty());
    EXPECT_EQ(Grid->CellRect(11, 1).Right, 65 + (11 - last) * 65 + 64);
    SendMessage(H(), WM_HSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 2));
    EXPECT_EQ(Grid->LeftCol(), 3);
    SendMessage(H(), WM_HSCROLL, MAKEWPARAM(SB_LINEUP, 0));
    SendMessage(H(), WM_HSCROLL, MAKEWPARAM(SB_LINEUP, 0));
    SendMessage(H(), WM_HSCROLL, MAKEWPARAM(SB_LINEUP, 0));
    EXPECT_EQ(Grid->LeftCol(), 1);
}

TEST_F(GridTest, ClickingTheScrollBarArrowScrollsOneColumn)
{
    Grid->SetColCount(12);
    Grid->SetScrollBars(ssHorizontal);
    ProcessMessages();
    const TScrollBarParts parts = GetScrollBarParts(H(), SB_HORZ);
    ASSERT_FALSE(parts.ArrowDown.IsEmpty());
    const TPoint p{(parts.ArrowDown.Left + parts.ArrowDown.Right) / 2, (parts.ArrowDown.Top + parts.ArrowDown.Bottom) / 2};
    Session.Input.ClickInWindow(H(), p);
    EXPECT_EQ(Grid->LeftCol(), 2);
}

TEST_F(GridTest, HorizontalScrollingSkipsHiddenColumns)
{
    Grid->SetColCount(12);
    Grid->SetColWidths(2, 0);
    Grid->SetScrollBars(ssHorizontal);
    SendMessage(H(), WM_HSCROLL, MAKEWPARAM(SB_LINEDOWN, 0));
    EXPECT_EQ(Grid->LeftCol(), 3);
}

TEST_F(GridTest, VerticalBarOfAHugeGridTracksTheTopRow)
{
    Grid->SetScrollBars(ssVertical);
    Grid->SetRowCount(2'000'000'000);
    SendMessage(H(), WM_VSCROLL, MAKEWPARAM(SB_BOTTOM, 0));
    EXPECT_EQ(Grid->TopRow(), Grid->RowCount() - Grid->VisibleRowCount());
    EXPECT_EQ(GetScrollPos(H(), SB_VERT), Grid->TopRow() - 1);
}

// Past 65,535 the scroll message's 16 bits cannot carry the position: the grid reads the drag's
// position from the bar, also on the release.
TEST_F(GridTest, AThumbDraggedOverAMillionRowsStaysWhereItWasReleased)
{
    Grid->SetRowCount(1'000'000);
    Grid->SetScrollBars(ssVertical);
    ProcessMessages();
    const TScrollBarParts parts = GetScrollBarParts(H(), SB_VERT);
    ASSERT_FALSE(parts.Thumb.IsEmpty());
    const TPoint grab{(parts.Thumb.Left + parts.Thumb.Right) / 2, (parts.Thumb.Top + parts.Thumb.Bottom) / 2};
    const int half = (parts.ArrowDown.Top - parts.ArrowUp.Bottom - parts.Thumb.Height()) / 2;
    Session.Input.MouseDownInWindow(H(), grab);
    Session.Input.MouseMoveInWindow(H(), {grab.X, grab.Y + half});
    Session.Input.MouseUpInWindow(H(), {grab.X, grab.Y + half});
    EXPECT_NEAR(Grid->TopRow(), 500'000, 1'000'000 / half);
    EXPECT_EQ(GetScrollBarParts(H(), SB_VERT).Thumb.Top, parts.Thumb.Top + half) << "no jump back";
}
