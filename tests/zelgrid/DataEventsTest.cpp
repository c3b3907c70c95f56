#include <gtest/gtest.h>

#include <climits>
#include <cstdint>

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

TEST_F(ZelGridTest, AReleasedThumbMovesToTheRowOfItsPosition)
{
    AddColumns(1);
    Records = 100;
    ShowGrid();
    struct TCase {
        int Pos, Row, Thumb;
    } cases[] = {{4, 5, 4}, {50, 51, 50}, {0, 1, 0}, {98, 99, 98}, {99, 100, 100}, {2, 3, 2}, {150, 100, 100}};
    for (const TCase& c : cases) {
        MovedTo.clear();
        SendVScroll(SB_THUMBPOSITION, c.Pos);
        SendVScroll(SB_ENDSCROLL);
        EXPECT_EQ(Grid->Row(), c.Row) << "position " << c.Pos;
        EXPECT_EQ(MovedTo, std::vector<int>{c.Row}) << "reported once, the end of the scroll adds nothing";
        EXPECT_EQ(GetScrollPos(Grid->Handle(), SB_VERT), c.Thumb) << "position " << c.Pos;
    }
    // Other codes still end with the closing steps, which report the row again.
    MovedTo.clear();
    SendVScroll(SB_ENDSCROLL);
    EXPECT_EQ(MovedTo, std::vector<int>{100});
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

// The thumb of the grid's own bar dragged with the mouse: the view follows it live, the release
// makes the row under the thumb current and reports it once, and the thumb stays where it was
// dropped, at any row count.
TEST_F(ZelGridTest, DraggingTheThumbScrollsLiveAndMovesTheRowOnRelease)
{
    AddColumns(2);
    ShowGrid();
    const HWND h = Grid->Handle();
    for (const int records : {1'000'000, 2'000'000'000, INT_MAX - 1}) {
        Records = records;
        SendVScroll(SB_TOP);
        const std::int64_t last = Grid->RowCount() - 1;
        ASSERT_EQ(last, records);
        for (const double fraction : {0.5, 0.25, 0.8, 1.0, 0.1, 0.0}) {
            const TScrollBarParts parts = GetScrollBarParts(h, SB_VERT);
            const int trackStart = parts.ArrowUp.Bottom;
            const int free = parts.ArrowDown.Top - trackStart - parts.Thumb.Height();
            ASSERT_GT(free, 100);
            const int offset = static_cast<int>(fraction * free + 0.5);
            const TPoint grab{(parts.Thumb.Left + parts.Thumb.Right) / 2, (parts.Thumb.Top + parts.Thumb.Bottom) / 2};
            const int dy = trackStart + offset - parts.Thumb.Top;
            const int rowBefore = Grid->Row();
            const int topBefore = Grid->TopRow();
            const std::string where = std::to_string(records) + " rows at " + std::to_string(fraction);
            MovedTo.clear();
            Session.Input.MouseDownInWindow(h, grab);
            Session.Input.MouseMoveInWindow(h, {grab.X, grab.Y + dy / 2});
            Session.Input.MouseMoveInWindow(h, {grab.X + 30, grab.Y + dy});
            const int tracked = Grid->TopRow();
            EXPECT_NE(tracked, topBefore) << where << ": the view follows the thumb";
            EXPECT_EQ(Grid->Row(), rowBefore) << where << ": the current row waits for the release";
            EXPECT_TRUE(MovedTo.empty()) << where;
            Session.Input.MouseUpInWindow(h, {grab.X + 30, grab.Y + dy});

            const int row = Grid->Row();
            EXPECT_EQ(MovedTo, std::vector<int>{row}) << where;
            EXPECT_EQ(Grid->TopRow(), tracked) << where << ": the release shows what the drag showed";
            EXPECT_TRUE(row >= tracked && row < tracked + Grid->VisibleRowCount()) << where;
            if (fraction < 0.9) {
                EXPECT_EQ(tracked, row) << where;
            }
            // Within a pixel's worth of rows of where the thumb was dropped; the ends exactly.
            const double perPixel = static_cast<double>(last) / free;
            EXPECT_NEAR(row, 1 + offset * perPixel, perPixel) << where;
            if (fraction == 0.0 || fraction == 1.0) {
                EXPECT_EQ(row, fraction == 0.0 ? 1 : last) << where;
            }
            EXPECT_EQ(GetScrollBarParts(h, SB_VERT).Thumb.Top, trackStart + offset) << where << ": no jump back";
        }
    }
}
