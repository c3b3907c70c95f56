// Keyboard navigation of the base grid.
#include "GridFixture.h"

namespace {

class GridKeyboardTest : public GridTest {
protected:
    GridKeyboardTest()
    {
        Grid->SetColCount(6);
        Grid->SetFocus();
    }
    void Press(WORD Key, TShiftState Shift = {}) { Session.Input.PressKey(Key, Shift); }
};

} // namespace

TEST_F(GridKeyboardTest, ArrowsMoveTheCurrentCellWithinTheScrollableCells)
{
    ASSERT_TRUE(Grid->Focused());
    Press(VK_RIGHT);
    Press(VK_DOWN);
    EXPECT_EQ(Grid->Col(), 2);
    EXPECT_EQ(Grid->Row(), 2);
    Press(VK_UP);
    Press(VK_UP);
    Press(VK_LEFT);
    Press(VK_LEFT);
    EXPECT_EQ(Grid->Col(), 1) << "never onto the fixed column";
    EXPECT_EQ(Grid->Row(), 1) << "never onto the fixed row";
}

TEST_F(GridKeyboardTest, HiddenColumnIsSkippedWhenMovingRightAndLeft)
{
    Grid->SetColWidths(2, 0);
    Grid->SetColWidths(3, -1);
    Press(VK_RIGHT);
    EXPECT_EQ(Grid->Col(), 4);
    Press(VK_LEFT);
    EXPECT_EQ(Grid->Col(), 1);
    Grid->SetColWidths(5, 0);
    Press(VK_END);
    EXPECT_EQ(Grid->Col(), 4) << "End stops on the last visible column";
}

TEST_F(GridKeyboardTest, PageDownMovesByTheFullyVisibleRows)
{
    Press(VK_NEXT);
    EXPECT_EQ(Grid->Row(), 7);
    EXPECT_EQ(Grid->TopRow(), 7);
    Press(VK_PRIOR);
    EXPECT_EQ(Grid->Row(), 1);
    EXPECT_EQ(Grid->TopRow(), 1);
}

TEST_F(GridKeyboardTest, CtrlEndAndCtrlHomeGoToTheCorners)
{
    Press(VK_END, {ssCtrl});
    EXPECT_EQ(Grid->Col(), 5);
    EXPECT_EQ(Grid->Row(), 99);
    EXPECT_EQ(Grid->TopRow(), 94) << "the last row is the last fully visible one";
    Press(VK_HOME, {ssCtrl});
    EXPECT_EQ(Grid->Col(), 1);
    EXPECT_EQ(Grid->Row(), 1);
    EXPECT_EQ(Grid->TopRow(), 1);
}

TEST_F(GridKeyboardTest, CtrlDownScrollsWithoutMovingTheCurrentCell)
{
    Press(VK_DOWN, {ssCtrl});
    EXPECT_EQ(Grid->TopRow(), 2);
    EXPECT_EQ(Grid->Row(), 1);
}

TEST_F(GridKeyboardTest, TabStopsAreSkippedByTabNavigation)
{
    Grid->SetOptions(Grid->Options() + TGridOptions{goTabs});
    Grid->SetTabStops(2, false);
    Grid->SetTabStops(3, false);
    Press(VK_TAB);
    EXPECT_EQ(Grid->Col(), 4);
    Press(VK_TAB);
    Press(VK_TAB);
    EXPECT_EQ(Grid->Col(), 1) << "past the last column Tab wraps to the next row";
    EXPECT_EQ(Grid->Row(), 2);
    Press(VK_TAB, {ssShift});
    EXPECT_EQ(Grid->Col(), 5);
    EXPECT_EQ(Grid->Row(), 1);
}

TEST_F(GridKeyboardTest, TabWithoutGoTabsLeavesTheGrid)
{
    auto* other = new TRecordingGrid(Form);
    other->SetBounds(0, 200, 100, 60);
    other->SetParent(Form);
    Grid->SetFocus();
    Press(VK_TAB);
    EXPECT_EQ(Grid->Col(), 1);
    EXPECT_TRUE(other->Focused()) << "the form moved the focus instead";
}

TEST_F(GridKeyboardTest, OnlyTheCurrentColumnIsATabStopSoTabGoesDown)
{
    Grid->SetOptions(Grid->Options() + TGridOptions{goTabs});
    for (int c = 2; c < 6; ++c) Grid->SetTabStops(c, false);
    Press(VK_TAB);
    EXPECT_EQ(Grid->Col(), 1);
    EXPECT_EQ(Grid->Row(), 2);
}

TEST_F(GridKeyboardTest, KeyDownEventCanSwallowAKey)
{
    Grid->OnKeyDown = [](TObject*, WORD& Key, TShiftState) {
        if (Key == VK_DOWN) Key = 0;
    };
    Press(VK_DOWN);
    EXPECT_EQ(Grid->Row(), 1);
    Press(VK_RIGHT);
    EXPECT_EQ(Grid->Col(), 2);
}

TEST_F(GridKeyboardTest, RowSelectScrollsSidewaysInsteadOfMovingTheColumn)
{
    Grid->SetColCount(12);
    Grid->SetOptions(Grid->Options() + TGridOptions{goRowSelect});
    Press(VK_RIGHT);
    EXPECT_EQ(Grid->LeftCol(), 2);
    EXPECT_EQ(Grid->Col(), 1);
    EXPECT_EQ(Grid->Selection(), (TGridRect{1, 1, 11, 1}));
}
