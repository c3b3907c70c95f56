#include <gtest/gtest.h>

#include <climits>

#include "ZelGridTestSupport.h"
#include "host/windows/ScrollBar.h"

TEST_F(ZelGridTest, WithoutARowCountHandlerTheRowCountStays)
{
    Grid->OnGetRowCount = nullptr;
    Grid->SetRowCount(7);
    Grid->UpdateRowCount();
    EXPECT_EQ(Grid->RowCount(), 7);
    Grid->SetRowCount(1);
    Grid->UpdateRowCount();
    EXPECT_EQ(Grid->RowCount(), 2); // a new grid with a title row shows one data row
}

TEST_F(ZelGridTest, TheApplicationsRowCountGetsTheTitleRowAndAtLeastOneDataRow)
{
    Records = 0;
    Grid->UpdateRowCount();
    EXPECT_EQ(Grid->RowCount(), 2);
    Records = -3;
    Grid->UpdateRowCount();
    EXPECT_EQ(Grid->RowCount(), 2);
    Records = 50;
    Grid->UpdateRowCount();
    EXPECT_EQ(Grid->RowCount(), 51);
    Grid->SetOptions(Grid->Options() - TZelGridOptions{dgTitles});
    EXPECT_EQ(Grid->RowCount(), 50);
}

TEST_F(ZelGridTest, AnUntouchedCountGrowsByTheTitleRowAtEveryRefresh)
{
    Grid->OnGetRowCount = [](int&) {};
    Grid->SetRowCount(5);
    Grid->UpdateRowCount();
    EXPECT_EQ(Grid->RowCount(), 6);
    Grid->UpdateRowCount();
    EXPECT_EQ(Grid->RowCount(), 7);
}

TEST_F(ZelGridTest, TheLargestRowCountDoesNotOverflow)
{
    Records = INT_MAX;
    Grid->UpdateRowCount();
    EXPECT_EQ(Grid->RowCount(), INT_MAX);
    Grid->MoveColRow(1, INT_MAX - 1, true, true);
    EXPECT_EQ(Grid->Row(), INT_MAX - 1);
}

TEST_F(ZelGridTest, ARefreshAsksForTheRowCountExactlyOnce)
{
    Grid->UpdateRowCount();
    EXPECT_EQ(RowCountCalls, 1);
    RowCountCalls = 0;
    Grid->LayoutChanged();
    EXPECT_EQ(RowCountCalls, 1);
}

TEST_F(ZelGridTest, ScrollBarPositionFollowsTheCurrentRow)
{
    AddColumns(1);
    Records = 9;
    ShowGrid();
    ASSERT_EQ(Grid->RowCount(), 10);
    int minPos = -1, maxPos = -1;
    GetScrollRange(Grid->Handle(), SB_VERT, minPos, maxPos);
    EXPECT_EQ(minPos, 0);
    EXPECT_EQ(maxPos, 9);
    const std::pair<int, int> cases[] = {{1, 0}, {5, 4}, {8, 7}, {9, 9}};
    for (auto [row, position] : cases) {
        Grid->SetRow(row);
        Grid->UpdateScrollBar();
        EXPECT_EQ(GetScrollPos(Grid->Handle(), SB_VERT), position) << "row " << row;
    }
}

TEST_F(ZelGridTest, LineScrollsStopAtTheEndsAndStillReportTheRow)
{
    AddColumns(1);
    ShowGrid();
    Grid->SetRow(10);
    MovedTo.clear();
    SendVScroll(SB_LINEDOWN);
    EXPECT_EQ(Grid->Row(), 10);
    ASSERT_FALSE(MovedTo.empty());
    EXPECT_EQ(MovedTo.front(), 10);

    Grid->SetRow(1);
    MovedTo.clear();
    SendVScroll(SB_LINEUP);
    EXPECT_EQ(Grid->Row(), 1);
    ASSERT_FALSE(MovedTo.empty());
    EXPECT_EQ(MovedTo.front(), 1);
}

TEST_F(ZelGridTest, PageTopAndBottomScrollsMoveTheCurrentRow)
{
    AddColumns(1);
    Records = 100;
    ShowGrid();
    const int page = Grid->VisibleRowCount();
    ASSERT_GT(page, 1);
    SendVScroll(SB_PAGEDOWN);
    EXPECT_EQ(Grid->Row(), 1 + page);
    SendVScroll(SB_BOTTOM);
    EXPECT_EQ(Grid->Row(), 100);
    SendVScroll(SB_PAGEUP);
    EXPECT_EQ(Grid->Row(), 100 - page);
    SendVScroll(SB_TOP);
    EXPECT_EQ(Grid->Row(), 1);
    SendVScroll(SB_THUMBTRACK, 3);
    EXPECT_EQ(Grid->Row(), 1);
}

TEST_F(ZelGridTest, ThumbPositionsActOnlyFromZeroToFour)
{
    AddColumns(1);
    Records = 100;
    ShowGrid();
    const int page = Grid->VisibleRowCount();
    SendVScroll(SB_THUMBPOSITION, 4);
    EXPECT_EQ(Grid->Row(), 100);
    SendVScroll(SB_THUMBPOSITION, 1);
    EXPECT_EQ(Grid->Row(), 100 - page);
    SendVScroll(SB_THUMBPOSITION, 0);
    EXPECT_EQ(Grid->Row(), 1);
    SendVScroll(SB_THUMBPOSITION, 3);
    EXPECT_EQ(Grid->Row(), 1 + page);

    // Position 2 does nothing at all: no row report, no repaint, the thumb stays where it is.
    Settle();
    SetScrollPos(Grid->Handle(), SB_VERT, 2, false);
    MovedTo.clear();
    SendVScroll(SB_THUMBPOSITION, 2);
    EXPECT_TRUE(MovedTo.empty());
    EXPECT_EQ(GetScrollPos(Grid->Handle(), SB_VERT), 2);

    // Position 10 moves nothing but repaints the current row and puts the thumb back.
    Settle();
    SendVScroll(SB_THUMBPOSITION, 10);
    EXPECT_EQ(Grid->Row(), 1 + page);
    EXPECT_EQ(MovedTo.size(), 1u);
    EXPECT_EQ(GetScrollPos(Grid->Handle(), SB_VERT), page);
    EXPECT_TRUE(HasPendingPaint());
}

TEST_F(ZelGridTest, DeletingARecordPutsTheCursorOnTheRecordAbove)
{
    AddColumns(1);
    ShowGrid();
    std::vector<int> deleted;
    Grid->OnDeleteRecord = [&](int ARow) {
        deleted.push_back(ARow);
        --Records;
    };
    Grid->SetRow(4);
    Grid->DeleteRecord(3);
    EXPECT_EQ(deleted, std::vector<int>{3});
    EXPECT_EQ(Grid->RowCount(), 10);
    EXPECT_EQ(Grid->Row(), 3);

    Grid->SetRow(9);
    Grid->DeleteRecord(8); // the last record: the new last row
    EXPECT_EQ(Grid->RowCount(), 9);
    EXPECT_EQ(Grid->Row(), 8);
}

TEST_F(ZelGridTest, DeletingTheFirstRecordKeepsTheCursorOnTheFirstDataRow)
{
    AddColumns(1);
    ShowGrid();
    Grid->OnDeleteRecord = [&](int) { --Records; };
    Grid->DeleteRecord(0);
    EXPECT_EQ(Grid->Row(), 1);
    Records = 1;
    Grid->DeleteRecord(0);
    EXPECT_EQ(Grid->RowCount(), 2);
    EXPECT_EQ(Grid->Row(), 1);
}

TEST_F(ZelGridTest, ValidationGetsDataCoordinatesAndRepaintsEvenWhenCancelled)
{
    AddColumns(2);
    ShowGrid();
    Settle();
    std::vector<std::string> seen;
    Grid->OnValidateData = [&](int ACol, int ARow, const std::string& NewVal, bool& ACancel) {
        seen.push_back(std::to_string(ACol) + "," + std::to_string(ARow) + "," + NewVal);
        ACancel = true;
    };
    bool cancel = false;
    Grid->ValidateDataCell(2, 3, "x", cancel);
    EXPECT_TRUE(cancel);
    EXPECT_EQ(seen, std::vector<std::string>{"1,2,x"});
    EXPECT_TRUE(HasPendingPaint());
}

TEST_F(ZelGridTest, HooksWithoutCallersFireOnlyWhenCalled)
{
    int fired = 0;
    Grid->OnCopyCell = [&](int, int) { ++fired; };
    Grid->OnPasteCell = [&](int, int) { ++fired; };
    Grid->OnCopyRecord = [&](int) { ++fired; };
    Grid->OnPasteRecord = [&](int) { ++fired; };
    Grid->OnSetDefaultValue = [&](int) { ++fired; };
    Grid->OnPrintGrid = [&](TObject*) { ++fired; };
    AddColumns(2);
    ShowGrid();
    SendVScroll(SB_PAGEDOWN);
    Grid->DeleteRecord(2);
    EXPECT_EQ(fired, 0);
    Grid->CopyCell(0, 0);
    Grid->PrintGrid(Grid);
    EXPECT_EQ(fired, 2);
}

TEST_F(ZelGridTest, CurrentCellTextIsAskedInDataCoordinates)
{
    AddColumns(3);
    ShowGrid();
    Grid->OnGetDataCell = [](int ACol, int ARow, std::string& AValue) {
        AValue = std::to_string(ACol) + ":" + std::to_string(ARow);
    };
    Grid->MoveColRow(3, 5, true, true);
    EXPECT_EQ(Grid->FGetDataCell(), "2:4");
    Grid->OnGetDataCell = nullptr;
    EXPECT_EQ(Grid->FGetDataCell(), "");
}

TEST_F(ZelGridTest, ScrollByZeroRepaintsOnlyTheOldAndNewRow)
{
    AddColumns(2);
    Records = 8;
    ShowGrid();
    Grid->SetCurrentRow(7);
    Settle();
    const auto rowArea = [&](int ARow) { return Grid->BoxRect(0, ARow, Grid->ColCount() - 1, ARow); };
    const TRect oldRow = rowArea(7);
    // The application moved its record pointer; the scroll's row count check follows it.
    bool moved = false;
    Grid->OnGetRowCount = [&](int& ARowCount) {
        ARowCount = Records;
        if (!moved) Grid->SetRow(3);
        moved = true;
    };
    Grid->BeginUpdate(); // keeps Scroll from painting at once
    Grid->Scroll(0);
    Grid->EndUpdate();
    ASSERT_EQ(Grid->Row(), 3);
    TRegion update;
    GetUpdateRgn(Grid->Handle(), update, false);
    // Both rows, each with at most its grid line below it; nothing between them.
    for (const TRect& row : {oldRow, rowArea(3)}) {
        TRegion missing(row);
        missing.Subtract(update);
        EXPECT_TRUE(missing.IsEmpty()) << "row at " << row.Top << " is repainted";
    }
    for (const int row : {1, 5, 8})
        EXPECT_FALSE(update.Intersects(rowArea(row).Inflate(0, -1))) << "row " << row << " stays";
}

TEST_F(ZelGridTest, ScrollByMoreThanAPageRepaintsEverything)
{
    AddColumns(2);
    Records = 100;
    ShowGrid();
    Settle();
    Grid->Scroll(Grid->VisibleRowCount() + 1);
    TRect update;
    ASSERT_TRUE(GetUpdateRect(Grid->Handle(), &update, false));
    EXPECT_EQ(update, Grid->ClientRect());
}

TEST_F(ZelGridTest, SettingTheCurrentRowReportsItFirst)
{
    AddColumns(1);
    ShowGrid();
    std::vector<std::string> log;
    Grid->OnMoveToRow = [&](int ARow) { log.push_back("move " + std::to_string(ARow) + " at " + std::to_string(Grid->Row())); };
    Grid->SetCurrentRow(6);
    EXPECT_EQ(log, std::vector<std::string>{"move 6 at 1"});
    EXPECT_EQ(Grid->GetCurrentRow(), 6);
}

TEST_F(ZelGridTest, RowsThatDoNotExistAreRefusedBeforeTheApplicationHearsOfThem)
{
    AddColumns(1);
    ShowGrid();
    // A grid that never loaded its editor names cell 0, 0 as the editor's.
    EXPECT_EQ(Grid->EditorCol(), 0);
    EXPECT_EQ(Grid->EditorRow(), 0);
    for (const int row : {500, 11, 0, -1}) {
        SCOPED_TRACE(row);
        MovedTo.clear();
        EXPECT_THROW(Grid->SetCurrentRow(row), EInvalidGridOperation);
        EXPECT_TRUE(MovedTo.empty()) << "OnMoveToRow never names a row the grid refuses";
        EXPECT_EQ(Grid->Row(), 1);
    }
}
