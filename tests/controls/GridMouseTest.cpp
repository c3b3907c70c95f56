// Selecting, sizing and moving columns with the mouse, and auto-scrolling past an edge.
#include "GridFixture.h"

namespace {

class GridMouseTest : public GridTest {
protected:
    GridMouseTest()
    {
        Grid->SetOptions(Grid->Options() + TGridOptions{goColSizing, goColMoving});
        Grid->SetColCount(10);
    }
};

} // namespace

TEST_F(GridMouseTest, SizingIsOfferedOnlyOnAColumnBorderInTheFixedRows)
{
    EXPECT_TRUE(Grid->Sizing(129, 10)) << "the border after column 1";
    EXPECT_TRUE(Grid->Sizing(126, 10));
    EXPECT_TRUE(Grid->Sizing(133, 10));
    EXPECT_FALSE(Grid->Sizing(100, 10)) << "inside a title cell";
    EXPECT_FALSE(Grid->Sizing(129, 30)) << "in a data row";
    EXPECT_FALSE(Grid->Sizing(64, 10)) << "the fixed column's border";
    Grid->SetOptions(Grid->Options() - TGridOptions{goColSizing});
    EXPECT_FALSE(Grid->Sizing(129, 10));
}

TEST_F(GridMouseTest, SizingDragSetsTheWidthAndReportsIt)
{
    Grid->WidthsChanged = 0;
    Session.Input.Drag(H(), {129, 10}, {159, 12});
    EXPECT_EQ(Grid->ColWidths(1), 94);
    EXPECT_EQ(Grid->WidthsChanged, 1);
    EXPECT_EQ(Grid->StateInMouseUp, gsColSizing);
    EXPECT_EQ(Grid->GridState(), gsNormal);
    EXPECT_EQ(Grid->CellRect(2, 1).Left, 65 + 95);
}

TEST_F(GridMouseTest, SizingCannotShrinkAColumnToNothing)
{
    Session.Input.Drag(H(), {129, 10}, {20, 10});
    EXPECT_GT(Grid->ColWidths(1), 1);
}

TEST_F(GridMouseTest, MovingDragMovesTheColumnAndReportsFromAndTo)
{
    Grid->SetColWidths(1, 80);
    Grid->SetTabStops(1, false);
    Grid->Moves.clear();
    Session.Input.MouseDown(H(), {90, 10});
    EXPECT_EQ(Grid->GridState(), gsColMoving);
    Session.Input.MouseMove(H(), {240, 10});
    Session.Input.MouseUp(H(), {240, 10});
    ASSERT_EQ(Grid->Moves.size(), 1u);
    EXPECT_EQ(Grid->Moves[0], (std::pair<int, int>{1, 3}));
    EXPECT_EQ(Grid->StateInMouseUp, gsColMoving) << "the drag state is readable before the base MouseUp runs";
    EXPECT_EQ(Grid->GridState(), gsNormal);
    EXPECT_EQ(Grid->ColWidths(3), 80) << "the width travels with the column";
    EXPECT_EQ(Grid->ColWidths(1), 64);
    EXPECT_FALSE(Grid->TabStops(3)) << "and so does the tab stop";
    EXPECT_TRUE(Grid->TabStops(1));
}

TEST_F(GridMouseTest, ReleasingOnTheSameColumnMovesNothing)
{
    Session.Input.Click(H(), {90, 10});
    EXPECT_TRUE(Grid->Moves.empty());
    EXPECT_EQ(Grid->StateInMouseUp, gsColMoving);
}

TEST_F(GridMouseTest, ColumnMovedEventReceivesGridIndexes)
{
    int from = -1, to = -1;
    Grid->OnColumnMoved = [&](TObject*, int FromIndex, int ToIndex) {
        from = FromIndex;
        to = ToIndex;
    };
    Session.Input.Drag(H(), {220, 10}, {70, 10});
    EXPECT_EQ(from, 3);
    EXPECT_EQ(to, 1);
}

TEST_F(GridMouseTest, DraggingPastTheRightEdgeScrollsOnTheTimer)
{
    Session.Input.MouseDown(H(), {90, 10});
    Session.Input.MouseMove(H(), {330, 10});
    for (int tick = 0; tick < 5; ++tick) Session.Input.Wait(60);
    ASSERT_FALSE(Grid->Scrolls.empty());
    EXPECT_TRUE(Grid->Scrolls[0].Contains(sdRight));
    EXPECT_GT(Grid->LeftCol(), 1);
    Session.Input.MouseUp(H(), {330, 10});
    ASSERT_EQ(Grid->Moves.size(), 1u);
    EXPECT_EQ(Grid->Moves[0].first, 1);
    EXPECT_GT(Grid->Moves[0].second, 4) << "dropped on a column that came into view";
    const std::size_t scrolls = Grid->Scrolls.size();
    Session.Input.Wait(300);
    EXPECT_EQ(Grid->Scrolls.size(), scrolls) << "the timer stops with the drag";
}

TEST_F(GridMouseTest, PressOnADataCellSelectsIt)
{
    Session.Input.Click(H(), {140, 60});
    EXPECT_EQ(Grid->Col(), 2);
    EXPECT_EQ(Grid->Row(), 2);
    EXPECT_TRUE(Grid->IsActiveControl());
    EXPECT_EQ(Grid->StateInMouseUp, gsSelecting);
}

TEST_F(GridMouseTest, SelectingDragPastTheBottomScrollsDown)
{
    Session.Input.MouseDown(H(), {140, 60});
    Session.Input.MouseMove(H(), {140, 250});
    for (int tick = 0; tick < 10; ++tick) Session.Input.Wait(60);
    Session.Input.MouseUp(H(), {140, 250});
    EXPECT_GT(Grid->TopRow(), 1);
    EXPECT_GT(Grid->Row(), 7);
    EXPECT_FALSE(Grid->CellRect(Grid->Col(), Grid->Row()).IsEmpty()) << "the current cell stays in view";
}

TEST_F(GridMouseTest, PressOutsideTheCellsChangesNothing)
{
    Grid->SetColCount(3);
    Session.Input.Click(H(), {250, 60});
    EXPECT_EQ(Grid->Col(), 1);
    EXPECT_EQ(Grid->Row(), 1);
}

TEST_F(GridMouseTest, MouseDownEventFiresAfterTheGridHandledThePress)
{
    int seenRow = -1;
    Grid->OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int, int) { seenRow = Grid->Row(); };
    Session.Input.Click(H(), {140, 85});
    EXPECT_EQ(seenRow, 3);
}

TEST_F(GridMouseTest, CancelModeEndsADrag)
{
    Session.Input.MouseDown(H(), {129, 10});
    ASSERT_EQ(Grid->GridState(), gsColSizing);
    SendMessage(H(), WM_CANCELMODE);
    EXPECT_EQ(Grid->GridState(), gsNormal);
    Session.Input.MouseUp(H(), {150, 10});
    EXPECT_EQ(Grid->ColWidths(1), 64);
}

TEST_F(GridMouseTest, StartingADragAndDropEndsTheGridsOwnDrag)
{
    Session.Input.MouseDown(H(), {90, 10});
    ASSERT_EQ(Grid->GridState(), gsColMoving);
    Grid->BeginDrag(true);
    EXPECT_EQ(Grid->GridState(), gsNormal);
    EXPECT_TRUE(Grid->Dragging());
    Session.Input.MouseUp(H(), {240, 10});
    EXPECT_TRUE(Grid->Moves.empty()) << "the release ended the drag and drop, not a column move";
    EXPECT_FALSE(Grid->Dragging());
}
