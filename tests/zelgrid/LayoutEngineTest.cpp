#include <gtest/gtest.h>

#include "ZelGridTestSupport.h"
#include "host/core/Exceptions.h"

TEST_F(ZelGridTest, NestedBracketsRunOnePassAtTheOutermostEnd)
{
    Grid->BeginLayout();
    Grid->BeginLayout();
    Grid->LayoutChanged();
    AddColumns(3);
    Grid->EndLayout();
    EXPECT_EQ(Grid->Passes, 0);
    Grid->EndLayout();
    EXPECT_EQ(Grid->Passes, 1);
    EXPECT_EQ(Grid->ColCount(), 4);
    EXPECT_EQ(Grid->LayoutLock(), 0);
    EXPECT_EQ(Grid->UpdateLock(), 0);
    EXPECT_EQ(Columns()->UpdateCount(), 0);
}

TEST_F(ZelGridTest, AddingAColumnRunsExactlyOnePass)
{
    Columns()->Add();
    EXPECT_EQ(Grid->Passes, 1);
}

TEST_F(ZelGridTest, LayoutChangedDuringAnUpdateOwesNoPass)
{
    Grid->BeginUpdate();
    Grid->LayoutChanged();
    Grid->EndUpdate();
    EXPECT_EQ(Grid->Passes, 0);
}

TEST_F(ZelGridTest, CancelLayoutClosesTheBracketWithoutAPass)
{
    Grid->BeginLayout();
    Grid->CancelLayout();
    Grid->CancelLayout(); // counters never go below 0
    EXPECT_EQ(Grid->Passes, 0);
    EXPECT_EQ(Grid->LayoutLock(), 0);
    EXPECT_EQ(Grid->UpdateLock(), 0);
    EXPECT_EQ(Columns()->UpdateCount(), 0);
}

TEST_F(ZelGridTest, AnExceptionInThePassIsSwallowedAndTheCountersRestored)
{
    AddColumns(2);
    Grid->OnGetRowCount = [](int&) { throw Exception("no rows today"); };
    Grid->BeginUpdate();
    Grid->BeginLayout();
    EXPECT_NO_THROW(Grid->EndLayout());
    EXPECT_EQ(Grid->LayoutLock(), 0);
    EXPECT_EQ(Grid->UpdateLock(), 1);
    EXPECT_EQ(Columns()->UpdateCount(), 0);
    Grid->EndUpdate();
    EXPECT_NO_THROW(Grid->LayoutChanged());
    EXPECT_EQ(Grid->LayoutLock(), 0);
    EXPECT_EQ(Grid->UpdateLock(), 0);
}

TEST_F(ZelGridTest, ThePassBuildsIndicatorTitleWidthsAndTabStops)
{
    AddColumns(3);
    Columns()->GeTZelColumn(0)->SetWidth(100);
    Columns()->GeTZelColumn(1)->SetReadOnly(true);
    Columns()->GeTZelColumn(2)->SetVisible(false);
    Grid->LayoutChanged();
    EXPECT_EQ(Grid->ColCount(), 4);
    EXPECT_EQ(Grid->FixedCols(), 1);
    EXPECT_EQ(Grid->ColWidths(0), IndicatorWidth);
    EXPECT_EQ(Grid->ColWidths(1), 100);
    EXPECT_EQ(Grid->ColWidths(2), Grid->DefaultColWidth());
    EXPECT_LE(Grid->ColWidths(3), 0);
    EXPECT_TRUE(Grid->TabStops(1));
    EXPECT_FALSE(Grid->TabStops(2));
    EXPECT_EQ(Grid->FixedRows(), 1);
    EXPECT_EQ(Grid->RowCount(), 11);
}

TEST_F(ZelGridTest, WithoutIndicatorRawAndDataColumnsCoincide)
{
    AddColumns(2);
    Grid->SetOptions(Grid->Options() - TZelGridOptions{dgIndicator});
    EXPECT_EQ(Grid->ColCount(), 2);
    EXPECT_EQ(Grid->FixedCols(), 0);
    EXPECT_EQ(Grid->ColWidths(0), Grid->DefaultColWidth());
    EXPECT_EQ(Grid->DataToRawColumn(1), 1);
}

TEST_F(ZelGridTest, TitleRowTakesTitleHeightOrTheDefaultRowHeight)
{
    Grid->SetDefRowHeight(20);
    Grid->LayoutChanged();
    EXPECT_EQ(Grid->RowHeights(0), 20);
    Grid->SetTitleHeight(30);
    Grid->LayoutChanged();
    EXPECT_EQ(Grid->RowHeights(0), 30);

    Grid->SetOptions(Grid->Options() - TZelGridOptions{dgTitles});
    Grid->SetRowHeights(0, 40);
    Grid->LayoutChanged();
    EXPECT_EQ(Grid->RowHeights(0), 40);
    EXPECT_EQ(Grid->FixedRows(), 0);
}

TEST_F(ZelGridTest, ALayoutWithoutColumnsShowsTheIndicatorAlone)
{
    Grid->LayoutChanged();
    EXPECT_EQ(Grid->ColCount(), 1);
    EXPECT_EQ(Grid->FixedCols(), 1);
    EXPECT_EQ(Grid->ColWidths(0), IndicatorWidth);
    EXPECT_EQ(Grid->RowCount(), 11);
    ShowGrid(); // paints without a data column
    EXPECT_EQ(Grid->ColCount(), 1);
}

TEST_F(ZelGridTest, DefaultColumnsFollowedByACustomisedOneAreRemoved)
{
    new TPassthroughColumn(Columns());
    new TPassthroughColumn(Columns());
    TZelColumn* customised = Columns()->Add();
    EXPECT_EQ(Columns()->Count(), 1);
    EXPECT_EQ(Columns()->GeTZelColumn(0), customised);
}

TEST_F(ZelGridTest, DefaultColumnsStayWhenNoCustomisedOneFollows)
{
    Columns()->Add();
    new TPassthroughColumn(Columns());
    new TPassthroughColumn(Columns());
    EXPECT_EQ(Columns()->Count(), 3);

    Grid->SetLayoutIndex(1);
    new TPassthroughColumn(Columns());
    new TPassthroughColumn(Columns());
    EXPECT_EQ(Columns()->Count(), 2);
    EXPECT_EQ(Grid->ColCount(), 3);
}

TEST_F(ZelGridTest, SwitchingLayoutsRaisesOnLayoutChangeOnlyForExistingLayouts)
{
    Grid->Layout()->Add();
    std::vector<std::pair<int, int>> changes;
    Grid->OnLayoutChange = [&](int OldLay, int NewLay) { changes.emplace_back(OldLay, NewLay); };

    Grid->SetLayoutIndex(1);
    EXPECT_EQ(changes, (std::vector<std::pair<int, int>>{{0, 1}}));
    Grid->SetLayoutIndex(7);
    EXPECT_EQ(Grid->Layout()->Count(), 3);
    EXPECT_EQ(Grid->LayoutIndex(), 2);
    EXPECT_EQ(changes.size(), 1u);
    Grid->SetLayoutIndex(-1);
    EXPECT_EQ(Grid->LayoutIndex(), 2);
}

TEST_F(ZelGridTest, ThePassRestoresAMissingShownLayout)
{
    Grid->Layout()->Add();
    Grid->SetLayoutIndex(1);
    Grid->Layout()->Clear();
    Grid->LayoutChanged();
    EXPECT_EQ(Grid->Layout()->Count(), 1);
    EXPECT_EQ(Grid->LayoutIndex(), 0);
    ASSERT_NE(Columns(), nullptr);

    Grid->Layout()->Add();
    Grid->Layout()->Add();
    Grid->SetLayoutIndex(2);
    Grid->Layout()->Delete(2);
    Grid->LayoutChanged();
    EXPECT_EQ(Grid->LayoutIndex(), 1);
}

TEST_F(ZelGridTest, AUserColumnMoveReachesTheColumnsWithDataIndexes)
{
    AddColumns(3);
    TZelColumn* third = Columns()->GeTZelColumn(2);
    std::vector<std::pair<int, int>> moves;
    Grid->OnColumnMoved = [&](TObject* Sender, int FromIndex, int ToIndex) {
        EXPECT_EQ(Sender, Grid);
        moves.emplace_back(FromIndex, ToIndex);
    };
    Grid->ColumnMoved(3, 1);
    EXPECT_EQ(moves, (std::vector<std::pair<int, int>>{{2, 0}}));
    EXPECT_EQ(Columns()->GeTZelColumn(0), third);
}

TEST_F(ZelGridTest, ADraggedColumnIsMovedInTheCollection)
{
    AddColumns(3);
    ShowGrid();
    TZelColumn* third = Columns()->GeTZelColumn(2);
    std::vector<std::pair<int, int>> moves;
    Grid->OnColumnMoved = [&](TObject*, int FromIndex, int ToIndex) { moves.emplace_back(FromIndex, ToIndex); };
    const TRect from = Grid->CellRect(3, 0);
    const TRect to = Grid->CellRect(1, 0);
    Session.Input.Drag(Grid->Handle(), {(from.Left + from.Right) / 2, 5}, {to.Left + 5, 5}, 8);
    ASSERT_EQ(moves.size(), 1u);
    EXPECT_EQ(moves[0], std::make_pair(2, 0));
    EXPECT_EQ(Columns()->GeTZelColumn(0), third);
}

TEST_F(ZelGridTest, ChangedWidthsAreWrittenBackIntoTheColumns)
{
    AddColumns(2);
    Grid->Passes = 0;
    Grid->SetColWidths(2, 120); // the base grid reports the change through ColWidthsChanged
    EXPECT_EQ(Columns()->GeTZelColumn(1)->GetWidth(), 120);
    EXPECT_TRUE(Columns()->GeTZelColumn(1)->IsWidthStored());
    EXPECT_FALSE(Columns()->GeTZelColumn(0)->IsWidthStored());
    EXPECT_EQ(Grid->Passes, 1);

    Grid->BeginUpdate();
    Grid->SetColWidths(1, 90);
    Grid->EndUpdate();
    EXPECT_EQ(Columns()->GeTZelColumn(0)->GetWidth(), Grid->DefaultColWidth());
}

TEST_F(ZelGridTest, ASizingDragSetsTheColumnWidth)
{
    AddColumns(2);
    ShowGrid();
    std::vector<int> sized;
    Grid->OnColSized = [&](int Acol) { sized.push_back(Acol); };
    const TRect first = Grid->CellRect(1, 0);
    Session.Input.Drag(Grid->Handle(), {first.Right, 5}, {first.Right + 40, 5}, 4);
    EXPECT_EQ(Columns()->GeTZelColumn(0)->GetWidth(), Grid->DefaultColWidth() + 40);
    EXPECT_EQ(sized, std::vector<int>{1}) << "OnColSized once, with the raw column";
}

TEST_F(ZelGridTest, TurningTheIndicatorOrTitlesOffKeepsTheFirstColumnAndRecordInView)
{
    struct TCase {
        TZelGridOptions Removed;
        int LeftCol, TopRow;
    };
    const TCase cases[] = {
        {TZelGridOptions{dgIndicator}, 0, 1},
        {TZelGridOptions{dgTitles}, 1, 0},
        {TZelGridOptions{dgIndicator, dgTitles}, 0, 0},
    };
    AddColumns(3);
    ShowGrid();
    const TZelGridOptions all = Grid->Options();
    for (const TCase& c : cases) {
        Grid->SetOptions(all - c.Removed);
        EXPECT_EQ(Grid->LeftCol(), c.LeftCol);
        EXPECT_EQ(Grid->TopRow(), c.TopRow);
        Grid->SetOptions(all);
        EXPECT_EQ(Grid->LeftCol(), 1);
        EXPECT_EQ(Grid->TopRow(), 1);
    }
}

TEST_F(ZelGridTest, LoadingRunsNoPassUntilLoaded)
{
    Grid->BeginLoading();
    AddColumns(3);
    Grid->LayoutChanged();
    EXPECT_EQ(Grid->ColCount(), 2);
    Grid->Loaded();
    EXPECT_EQ(Grid->ColCount(), 4);
}

TEST_F(ZelGridTest, ADeferredLayoutRunsOnceFromTheQueue)
{
    AddColumns(1);
    ShowGrid();
    Grid->Passes = 0;
    PostMessage(Grid->Handle(), CM_DEFERLAYOUT, 0, 0);
    PostMessage(Grid->Handle(), CM_DEFERLAYOUT, 0, 0);
    Grid->BeginLayout();
    Grid->DeferLayout(); // closes the bracket, and a message is already waiting
    EXPECT_EQ(Grid->LayoutLock(), 0);
    EXPECT_EQ(Grid->Passes, 0);
    ProcessMessages();
    EXPECT_EQ(Grid->Passes, 1); // the first message's pass took the second one off the queue
}

TEST_F(ZelGridTest, ADeferredLayoutDuringAnUpdateRunsWhenTheUpdateEnds)
{
    ShowGrid();
    Grid->Passes = 0;
    Grid->BeginUpdate();
    SendMessage(Grid->Handle(), CM_DEFERLAYOUT, 0, 0);
    EXPECT_EQ(Grid->Passes, 0);
    EXPECT_EQ(Grid->UpdateLock(), 1);
    Grid->EndUpdate();
    EXPECT_EQ(Grid->Passes, 1);

    Grid->BeginLayout();
    SendMessage(Grid->Handle(), CM_DEFERLAYOUT, 0, 0);
    EXPECT_EQ(Grid->LayoutLock(), 1); // the bracket it found open stays open
    Grid->EndLayout();
    EXPECT_EQ(Grid->Passes, 2);
}

// A layout that is not shown changes nothing in the grid, and the width write-back cannot carry
// its change into the shown layout; showing it takes up its state.
TEST_F(ZelGridTest, AChangeToALayoutNotShownWaitsUntilItIsShown)
{
    AddColumns(2);
    TZelGridColumns* other = Grid->Layout()->Add()->GeTZelColumns();
    other->Add()->SetWidth(50);
    other->Add()->SetWidth(70);
    ShowGrid();
    Settle();
    const int passes = Grid->Passes;

    other->GeTZelColumn(0)->SetVisible(false);
    other->GeTZelColumn(1)->SetWidth(75);
    other->Add();
    EXPECT_EQ(Grid->Passes, passes);
    EXPECT_FALSE(HasPendingPaint());
    EXPECT_EQ(Grid->ColCount(), 3);
    EXPECT_EQ(Grid->ColWidths(1), Grid->DefaultColWidth());
    EXPECT_EQ(Grid->ColWidths(2), Grid->DefaultColWidth());
    EXPECT_TRUE(Columns()->GeTZelColumn(0)->AssignedValues().Empty());

    Grid->SetLayoutIndex(1);
    EXPECT_EQ(Grid->ColCount(), 4);
    EXPECT_LE(Grid->ColWidths(1), 0);
    EXPECT_EQ(Grid->ColWidths(2), 75);
    Grid->SetLayoutIndex(0);
    EXPECT_EQ(Grid->ColWidths(1), Grid->DefaultColWidth());
    EXPECT_TRUE(Columns()->GeTZelColumn(0)->AssignedValues().Empty());
}

// The counters are bytes: the level after the deepest is refused before anything changes, and
// closing every open level still ends in one pass with the column collection released.
TEST_F(ZelGridTest, ALayoutOrUpdateBracketBeyondTheDeepestIsRefusedAndChangesNothing)
{
    AddColumns(1);
    Grid->Passes = 0;
    const int deepest = TCustomZelGrid::MaxBracketDepth;
    for (int i = 0; i < deepest; ++i) Grid->BeginLayout();
    EXPECT_THROW(Grid->BeginLayout(), EInvalidGridOperation);
    EXPECT_THROW(Grid->BeginUpdate(), EInvalidGridOperation);
    EXPECT_EQ(Grid->LayoutLock(), deepest);
    EXPECT_EQ(Grid->UpdateLock(), deepest);
    EXPECT_EQ(Columns()->UpdateCount(), 1);
    for (int i = 0; i < deepest; ++i) Grid->EndLayout();
    EXPECT_EQ(Grid->Passes, 1);
    EXPECT_EQ(Columns()->UpdateCount(), 0);

    // A full update counter refuses a layout bracket too, and a column that needs one.
    for (int i = 0; i < deepest; ++i) Grid->BeginUpdate();
    EXPECT_THROW(Grid->BeginLayout(), EInvalidGridOperation);
    EXPECT_THROW(Columns()->Add(), EInvalidGridOperation);
    EXPECT_EQ(Grid->LayoutLock(), 0);
    EXPECT_EQ(Columns()->UpdateCount(), 0);
    EXPECT_EQ(Columns()->Count(), 1);
    for (int i = 0; i < deepest; ++i) Grid->EndUpdate();
    EXPECT_EQ(Grid->UpdateLock(), 0);
}
