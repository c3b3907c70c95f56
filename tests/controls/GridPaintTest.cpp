// The paint loop: which cells DrawCell sees, with which rectangles and states, and what the base
// paints itself.
#include "GridFixture.h"

#include <climits>
#include <memory>

#include "host/graphics/Bitmap.h"

TEST_F(GridTest, PaintDrawsExactlyTheVisibleCells)
{
    Repaint();
    // Columns 0-4 (the fifth partly) and rows 0-7 (the eighth partly) are on screen.
    EXPECT_EQ(Grid->Draws.size(), 5u * 8u);
    for (const auto& d : Grid->Draws) {
        EXPECT_LE(d.Col, 4);
        EXPECT_LE(d.Row, 7);
        EXPECT_FALSE(IntersectRect(d.Rect, Grid->ClientRect()).IsEmpty());
    }
    EXPECT_EQ(Grid->DrawOf(4, 1)->Rect, Rect(260, 25, 324, 49)) << "DrawCell gets the whole cell";
}

TEST_F(GridTest, DrawStatesMarkFixedSelectedAndFocusedCells)
{
    Grid->SetFocus();
    Repaint();
    EXPECT_EQ(Grid->DrawOf(0, 3)->State, TGridDrawState{gdFixed});
    EXPECT_EQ(Grid->DrawOf(2, 0)->State, TGridDrawState{gdFixed});
    EXPECT_EQ(Grid->DrawOf(1, 1)->State, (TGridDrawState{gdSelected, gdFocused}));
    EXPECT_EQ(Grid->DrawOf(2, 2)->State, TGridDrawState{});
    Form->SetActiveControl(nullptr);
    SetFocus(Form->Handle());
    Repaint();
    EXPECT_EQ(Grid->DrawOf(1, 1)->State, TGridDrawState{gdSelected}) << "no focus mark without the focus";
}

TEST_F(GridTest, RowSelectSelectsTheWholeRow)
{
    Grid->SetOptions(Grid->Options() + TGridOptions{goRowSelect});
    Grid->SetRow(3);
    Repaint();
    for (int c = 1; c <= 4; ++c) EXPECT_TRUE(Grid->DrawOf(c, 3)->State.Contains(gdSelected)) << c;
    EXPECT_FALSE(Grid->DrawOf(1, 2)->State.Contains(gdSelected));
}

TEST_F(GridTest, PartialRepaintVisitsOnlyTheInvalidCells)
{
    Repaint();
    Grid->Draws.clear();
    Grid->InvalidateCell(2, 3);
    Grid->Update();
    ASSERT_EQ(Grid->Draws.size(), 1u);
    EXPECT_EQ(Grid->Draws[0].Col, 2);
    EXPECT_EQ(Grid->Draws[0].Row, 3);
    Grid->Draws.clear();
    Grid->InvalidateCol(3);
    Grid->Update();
    EXPECT_EQ(Grid->Draws.size(), 8u) << "the column's cells from the title down to the last visible row";
    for (const auto& d : Grid->Draws) EXPECT_EQ(d.Col, 3);
}

TEST_F(GridTest, InvalidatingAnInvisibleCellPaintsNothing)
{
    Repaint();
    Grid->Draws.clear();
    Grid->InvalidateCell(2, 50);
    Grid->InvalidateCell(2, 500);
    Grid->Update();
    EXPECT_TRUE(Grid->Draws.empty());
}

TEST_F(GridTest, DefaultDrawingFillsCellsAndLinesInTheirColours)
{
    Grid->SetFixedColor(clGray);
    Repaint();
    std::unique_ptr<TBitmap> shot = CaptureWindow(H());
    ASSERT_TRUE(shot);
    EXPECT_EQ(shot->Pixel(30, 10), ColorToPixel(clGray)) << "a fixed cell";
    EXPECT_EQ(shot->Pixel(150, 60), ColorToPixel(clWindow)) << "a data cell";
    EXPECT_EQ(shot->Pixel(194, 60), ColorToPixel(clSilver)) << "the line after column 2";
    EXPECT_EQ(shot->Pixel(150, 74), ColorToPixel(clSilver)) << "the line after row 2";
    EXPECT_EQ(shot->Pixel(64, 60), ColorToPixel(clBlack)) << "the fixed column's line";
}

TEST_F(GridTest, AreaBeyondTheLastCellIsFilledWithTheGridColour)
{
    Grid->SetColCount(2);
    Grid->SetRowCount(3);
    Grid->SetColor(clYellow);
    Repaint();
    std::unique_ptr<TBitmap> shot = CaptureWindow(H());
    EXPECT_EQ(shot->Pixel(250, 20), ColorToPixel(clYellow));
    EXPECT_EQ(shot->Pixel(20, 150), ColorToPixel(clYellow));
}

TEST_F(GridTest, WithoutDefaultDrawingTheBasePaintsNoCellContent)
{
    Grid->SetDefaultDrawing(false);
    Grid->SetColor(clYellow);
    Repaint();
    std::unique_ptr<TBitmap> shot = CaptureWindow(H());
    EXPECT_NE(shot->Pixel(150, 60), ColorToPixel(clYellow));
    EXPECT_EQ(shot->Pixel(194, 60), ColorToPixel(clSilver)) << "grid lines are still drawn";
}

TEST_F(GridTest, HugeGridMovesToItsLastRowAndPaintsIt)
{
    Grid->SetRowCount(2'000'000'000);
    Grid->MoveColRow(1, Grid->RowCount() - 1, true, true);
    EXPECT_EQ(Grid->Row(), 1'999'999'999);
    EXPECT_EQ(Grid->TopRow(), Grid->RowCount() - Grid->VisibleRowCount());
    Repaint();
    const auto* last = Grid->DrawOf(1, Grid->RowCount() - 1);
    ASSERT_NE(last, nullptr);
    EXPECT_EQ(last->Rect, Rect(65, 25 + 5 * 25, 129, 25 + 5 * 25 + 24));
    EXPECT_TRUE(last->State.Contains(gdSelected));
    EXPECT_EQ(Grid->MouseCoord(70, last->Rect.Top).Y, Grid->RowCount() - 1);
}

TEST_F(GridTest, LargestRowCountScrollsAndPaintsCorrectly)
{
    Grid->SetRowCount(INT_MAX);
    Grid->SetFocus();
    Session.Input.PressKey(VK_END, {ssCtrl});
    EXPECT_EQ(Grid->Row(), INT_MAX - 1);
    Session.Input.PressKey(VK_UP);
    EXPECT_EQ(Grid->Row(), INT_MAX - 2);
    Repaint();
    EXPECT_EQ(Grid->TopRow(), INT_MAX - 6);
    EXPECT_TRUE(Grid->Drew(4, INT_MAX - 1));
    EXPECT_TRUE(Grid->Drew(4, INT_MAX - 6));
    EXPECT_FALSE(Grid->Drew(4, INT_MAX - 7));
}

TEST_F(GridTest, CellPainterMayDrawOverTheLinesAroundItsCell)
{
    class TBevelGrid : public TRecordingGrid {
    public:
        using TRecordingGrid::TRecordingGrid;

    protected:
        void DrawCell(int ACol, int ARow, const TRect& ARect, TGridDrawState AState) override
        {
            TRecordingGrid::DrawCell(ACol, ARow, ARect, AState);
            if (ACol != 2 || ARow != 2) return;
            Canvas()->Brush()->SetColor(clRed);
            Canvas()->FrameRect(ARect.Inflate(1, 1));
        }
    };
    auto* grid = new TBevelGrid(Form);
    grid->SetBorderStyle(bsNone);
    grid->SetScrollBars(ssNone);
    grid->SetBounds(0, 0, 300, 190);
    grid->SetParent(Form);
    Grid->Hide();
    grid->Repaint();
    std::unique_ptr<TBitmap> shot = CaptureWindow(grid->Handle());
    EXPECT_EQ(shot->Pixel(194, 60), ColorToPixel(clRed)) << "the line after the cell keeps the cell's frame";
    EXPECT_EQ(shot->Pixel(150, 74), ColorToPixel(clRed));
}
