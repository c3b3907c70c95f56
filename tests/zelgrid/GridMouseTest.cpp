// The grid under the mouse, driven as a user drives it: presses, sizing and moving drags, drag and
// drop, hovering, and column moves with their exit and enter events.
#include <gtest/gtest.h>

#include <stdexcept>

#include "ZelGridTestSupport.h"
#include "host/windows/ScrollBar.h"

namespace {

class GridMouseTest : public ZelGridTest {
protected:
    std::vector<std::string> Log;

    GridMouseTest()
    {
        AddColumns(4);
        ShowGrid();
        Grid->OnColExit = [this](TObject*) { Log.push_back("exit " + std::to_string(Grid->Col())); };
        Grid->OnColEnter = [this](TObject*) { Log.push_back("enter " + std::to_string(Grid->Col())); };
        Grid->OnMoveToRow = [this](int ARow) { Log.push_back("row " + std::to_string(ARow)); };
        Grid->OnMouseDown = [this](TObject*, TMouseButton, TShiftState, int, int) { Log.push_back("mousedown"); };
        Grid->OnColSized = [this](int ACol) { Log.push_back("sized " + std::to_string(ACol)); };
        Grid->OnMouseEnter = [this](TObject*, int Col, int Row) { Log.push_back(Cell("in", Col, Row)); };
        Grid->OnMouseLeave = [this](TObject*, int Col, int Row) { Log.push_back(Cell("out", Col, Row)); };
    }
    static std::string Cell(const char* What, int Col, int Row)
    {
        return std::string(What) + " " + std::to_string(Col) + "," + std::to_string(Row);
    }
    HWND H() { return Grid->Handle(); }
    // The middle of a cell, in client coordinates.
    TPoint At(int ACol, int ARow)
    {
        const TRect r = Grid->CellRect(ACol, ARow);
        return {(r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2};
    }
    TPoint Near(int ACol, int ARow, int DX, int DY)
    {
        const TPoint p = At(ACol, ARow);
        return {p.X + DX, p.Y + DY};
    }
    std::vector<std::string> Take() { return std::exchange(Log, {}); }
    using Events = std::vector<std::string>;
};

} // namespace

TEST_F(GridMouseTest, PressesMoveTheColumnFirstThenTheRow)
{
    Session.Input.Click(H(), At(3, 4));
    EXPECT_EQ(Take(), (Events{"in 2,3", "exit 1", "enter 3", "row 4"})) << "no OnMouseDown for a data cell";
    EXPECT_EQ((TGridCoord{Grid->Col(), Grid->Row()}), (TGridCoord{3, 4}));
    EXPECT_EQ(GetScrollPos(H(), SB_VERT), 3);

    Session.Input.Click(H(), At(0, 6));
    EXPECT_EQ(Take(), (Events{"out 2,3", "row 6", "exit 3", "enter 1"})) << "the indicator selects the first data column";

    Session.Input.Click(H(), At(1, 6));
    EXPECT_EQ(Take(), (Events{"in 0,5"})) << "a press on the current cell moves nothing";
    ASSERT_NE(Grid->Editor(), nullptr) << "it opens the editor";
    EXPECT_EQ(Grid->Editor()->ClickTime(), Session.Backend().TickCount()) << "the editor learns the press time";

    Session.Input.Click(H(), At(2, 0));
    EXPECT_EQ(Take(), (Events{"out 0,5", "mousedown"})) << "the title row belongs to the base grid";
    EXPECT_EQ(Grid->Col(), 1);

    Grid->SetOptions(Grid->Options() - TZelGridOptions{dgColumnResize});
    Session.Input.Click(H(), At(2, 0));
    EXPECT_EQ(Take(), (Events{"exit 1", "enter 2"})) << "without column resizing a title press picks its column";
    EXPECT_EQ(Grid->Row(), 6);
    Columns()->GeTZelColumn(1)->SetReadOnly(true);
    Session.Input.Click(H(), At(2, 6));
    EXPECT_FALSE(Grid->Editor()->IsShown()) << "a read-only column keeps the editor closed";

    int doubleClicks = 0;
    Grid->OnDblClick = [&](TObject*) { ++doubleClicks; };
    Session.Input.DoubleClick(H(), At(4, 2));
    EXPECT_EQ(doubleClicks, 1);
}

TEST_F(GridMouseTest, SizingDragWritesTheWidthBackAndMovingDragReordersTheColumns)
{
    Grid->OnMoveToRow = nullptr; // layout passes report the row
    const TRect third = Grid->CellRect(3, 0);
    ASSERT_TRUE(Grid->Sizing(third.Right, 5));
    Session.Input.Drag(H(), {third.Right, 5}, {third.Left + 120, 5});
    EXPECT_EQ(Columns()->GeTZelColumn(2)->GetWidth(), 120);
    EXPECT_EQ(Grid->ColWidths(3), 120);
    EXPECT_EQ(Take(), (Events{"mousedown", "sized 3"}));
    Session.Input.Drag(H(), {third.Left + 120, 5}, {third.Left - 30, 5});
    EXPECT_EQ(Grid->ColWidths(3), 120) << "a column is never sized to nothing";
    EXPECT_EQ(Take(), (Events{"mousedown", "sized -1"})) << "a sizing that changed nothing still ends";

    TZelColumn* first = Columns()->GeTZelColumn(0);
    std::pair<int, int> moved{-1, -1};
    Grid->OnColumnMoved = [&](TObject*, int FromIndex, int ToIndex) { moved = {FromIndex, ToIndex}; };
    Session.Input.Drag(H(), At(1, 0), At(3, 0));
    EXPECT_EQ(moved, (std::pair<int, int>{0, 2}));
    EXPECT_EQ(Columns()->GeTZelColumn(2), first);
    EXPECT_EQ(Take(), (Events{"mousedown"})) << "a move is not a sizing";
}

TEST_F(GridMouseTest, HiddenColumnsAreSkippedUnlessStopOnNonVisibleCol)
{
    struct TCase {
        std::vector<int> Hidden; // data columns of width 0
        bool Stop;
        int From, To, Expected; // raw columns
    } cases[] = {
        {{1}, false, 1, 2, 3}, {{1}, false, 3, 2, 1}, {{1}, true, 1, 2, 2},
        {{1}, true, 3, 2, 2},  {{1, 2, 3}, false, 1, 2, 2}, {{0}, false, 3, 1, 1},
    };
    for (const TCase& c : cases) {
        for (int i = 0; i < Columns()->Count(); ++i) Columns()->GeTZelColumn(i)->SetWidth(64);
        for (int i : c.Hidden) Columns()->GeTZelColumn(i)->SetWidth(0);
        Grid->StopOnNonVisibleCol = c.Stop;
        Grid->MoveCol(c.From);
        Grid->MoveCol(c.To);
        EXPECT_EQ(Grid->Col(), c.Expected) << "from " << c.From << " to " << c.To << " stop " << c.Stop;
    }
}

TEST_F(GridMouseTest, AnExitHandlerThatMovesTheColumnWins)
{
    Grid->OnColExit = [this](TObject*) {
        Log.push_back("exit " + std::to_string(Grid->Col()));
        Grid->MoveCol(4);
    };
    Grid->MoveCol(2);
    EXPECT_EQ(Take(), (Events{"exit 1", "enter 4"}));
    EXPECT_EQ(Grid->Col(), 4);

    Grid->OnColExit = [](TObject*) { throw std::runtime_error("refused"); };
    EXPECT_THROW(Grid->MoveCol(1), std::runtime_error);
    EXPECT_EQ(Grid->Col(), 4);
    Grid->OnColExit = [this](TObject*) { Log.push_back("exit"); };
    Grid->MoveCol(1);
    EXPECT_EQ(Take(), (Events{"exit", "enter 1"})) << "a raising exit handler leaves no guard set";
}

TEST_F(GridMouseTest, DragAndDropStartsOnlyFromDataCells)
{
    int starts = 0;
    Grid->OnStartDrag = [&](TObject*) { ++starts; };
    Session.Input.Drag(H(), At(0, 3), At(0, 5));
    Session.Input.Drag(H(), At(2, 0), Near(2, 0, 3, 0));
    EXPECT_EQ(starts, 0) << "not from the indicator or the title row";
    Session.Input.Drag(H(), At(2, 3), At(3, 5));
    EXPECT_EQ(starts, 1);
}

// A click is not a drag: drag and drop starts only once the pointer is more than five pixels
// from the press, and a press that trembles by a pixel keeps the pick list it dropped down.
TEST_F(GridMouseTest, DragAndDropStartsOnlyPastTheDragThreshold)
{
    int starts = 0, ends = 0;
    Grid->OnStartDrag = [&](TObject*) { ++starts; };
    Grid->OnEndDrag = [&](TObject*, TObject*, int, int) { ++ends; };
    const struct {
        int DX, DY;
        bool Drags;
    } cases[] = {{1, 0, false}, {0, -1, false}, {5, 0, false}, {-5, 5, false}, {6, 0, true}, {0, -6, true}};
    int row = 2;
    for (const auto& c : cases) {
        starts = ends = 0;
        const TPoint from = At(2, row++);
        Session.Input.MouseDown(H(), from);
        Session.Input.MouseMove(H(), {from.X + c.DX, from.Y + c.DY});
        Session.Input.MouseUp(H(), {from.X + c.DX, from.Y + c.DY});
        EXPECT_EQ(starts, c.Drags ? 1 : 0) << c.DX << "," << c.DY;
        EXPECT_EQ(ends, c.Drags ? 1 : 0) << c.DX << "," << c.DY;
    }

    Columns()->GeTZelColumn(1)->SetButtonStyle(cbsAuto);
    for (const char* pick : {"red", "green", "blue"}) Columns()->GeTZelColumn(1)->GetPickList()->Add(pick);
    Grid->SetOptions(Grid->Options() + TZelGridOptions{dgPopupOnClick});
    const TPoint current = At(Grid->Col(), Grid->Row());
    starts = 0;
    Session.Input.MouseDown(H(), current);
    ASSERT_TRUE(Grid->Editor() && Grid->Editor()->ListVisible()) << "the press on the current cell drops the list";
    Session.Input.MouseMove(H(), {current.X + 1, current.Y});
    Session.Input.MouseUp(H(), {current.X + 1, current.Y});
    EXPECT_TRUE(Grid->Editor()->ListVisible()) << "a one-pixel tremble keeps it open";
    EXPECT_EQ(starts, 0);
}

// A title click is a press and a release on one title of a data column, without a drag (past
// the drag threshold), a sizing or a column move in between; with or without column resizing,
// never at design time.
TEST_F(GridMouseTest, ATitleClickIsAPressAndReleaseOnOneTitle)
{
    std::vector<int> clicks;
    Grid->OnTitleClick = [&](TObject* Sender, int DataCol, TZelColumn* Column) {
        EXPECT_EQ(Sender, Grid);
        EXPECT_EQ(Column, Columns()->GeTZelColumn(DataCol));
        clicks.push_back(DataCol);
    };
    Grid->OnMoveToRow = nullptr; // layout passes report the row
    const auto press = [this](TPoint From, TPoint To) {
        Session.Input.MouseDown(H(), From);
        Session.Input.MouseMove(H(), To);
        Session.Input.MouseUp(H(), To);
    };
    for (const bool resize : {true, false}) {
        SCOPED_TRACE(resize ? "dgColumnResize" : "no dgColumnResize");
        Grid->SetOptions(resize ? Grid->Options() + TZelGridOptions{dgColumnResize}
                                : Grid->Options() - TZelGridOptions{dgColumnResize});
        for (int i = 0; i < Columns()->Count(); ++i) Columns()->GeTZelColumn(i)->SetWidth(64);
        const TZelColumn* second = Columns()->GeTZelColumn(1);
        clicks.clear();
        Session.Input.Click(H(), At(2, 0));
        EXPECT_EQ(clicks, std::vector<int>{1}) << "a click";
        press(At(3, 0), Near(3, 0, 3, -2));
        EXPECT_EQ(clicks, (std::vector<int>{1, 2})) << "a click that trembles";
        Session.Input.Click(H(), At(0, 0));
        EXPECT_EQ(clicks.size(), 2u) << "the corner has no column";

        press(At(2, 0), Near(2, 0, 8, 0));
        Session.Input.MouseDown(H(), At(2, 0));
        Session.Input.MouseMove(H(), At(2, 3));
        Session.Input.MouseMove(H(), At(2, 0));
        Session.Input.MouseUp(H(), At(2, 0));
        press(At(2, 0), At(4, 0));
        const TRect third = Grid->CellRect(3, 0);
        Session.Input.Drag(H(), {third.Right, 5}, {third.Right + 20, 5});
        Session.Input.MouseDown(H(), At(3, 0));
        Session.Input.MouseUp(H(), At(4, 0));
        EXPECT_EQ(clicks.size(), 2u) << "drags, a move, a sizing and a release on another title are no clicks";
        EXPECT_EQ(Columns()->GeTZelColumn(3) == second, resize) << "the move happened with column resizing only";
        EXPECT_EQ(Columns()->GeTZelColumn(2)->GetWidth() == 84, resize) << "the sizing likewise";
    }

    Form->SetDesigning(true);
    Session.Input.Click(H(), At(2, 0));
    EXPECT_EQ(clicks.size(), 2u) << "the designer's title row only sizes and moves";
}

TEST_F(GridMouseTest, HoverReportsEachDataCellEnteredAndLeft)
{
    Session.Input.MouseMove(H(), At(2, 3));
    Session.Input.MouseMove(H(), Near(2, 3, 2, 1));
    Session.Input.MouseMove(H(), At(3, 3));
    Session.Input.MouseMove(H(), At(3, 0));
    Session.Input.MouseMove(H(), At(1, 1));
    Session.Input.MouseLeave(H());
    EXPECT_EQ(Take(), (Events{"in 1,2", "out 1,2", "in 2,2", "out 2,2", "in 0,0", "out 0,0"}));
    EXPECT_EQ((TGridCoord{Grid->MouseCol(), Grid->MouseRow()}), (TGridCoord{-1, -1}));
    Session.Input.MouseMove(H(), At(2, 0));
    Session.Input.MouseLeave(H());
    EXPECT_EQ(Take(), (Events{"out -1,-1"})) << "a leave after an enter over no data cell";
}

TEST_F(GridMouseTest, DesignersPassTheTitleRowOnlyForCustomisedColumns)
{
    Form->SetDesigning(true);
    const auto hit = [&](TPoint P) { return SendMessage(H(), CM_DESIGNHITTEST, 0, MAKELPARAM(P.X, P.Y)); };
    EXPECT_EQ(hit(At(2, 0)), 1);
    EXPECT_EQ(hit(At(2, 3)), 0);
    EXPECT_EQ(hit(At(0, 0)), 0);
    Columns()->Clear();
    for (int i = 0; i < 4; ++i) new TPassthroughColumn(Columns());
    ASSERT_EQ(Columns()->GetState(), csDefault);
    EXPECT_EQ(hit(At(2, 0)), 0);
}

TEST_F(GridMouseTest, AnyHandlerMayFreeTheGrid)
{
    const auto freeing = [this] { return [this](auto&&...) { delete std::exchange(Form, nullptr); }; };
    const std::function<void()> scenarios[] = {
        [&] { Grid->OnColExit = freeing(); Session.Input.Click(H(), At(3, 4)); },
        [&] { Grid->OnColEnter = freeing(); Session.Input.Click(H(), At(3, 4)); },
        [&] { Grid->OnMoveToRow = freeing(); Session.Input.Click(H(), At(1, 4)); },
        [&] { Grid->OnMouseEnter = freeing(); Session.Input.MouseMove(H(), At(2, 2)); },
        [&] { Grid->OnColSized = freeing(); TRect r = Grid->CellRect(2, 0); Session.Input.Drag(H(), {r.Right, 5}, {r.Right + 9, 5}); },
        [&] { Grid->OnMouseLeave = freeing(); Session.Input.MouseMove(H(), At(2, 2)); Session.Input.MouseLeave(H()); },
    };
    delete std::exchange(Form, nullptr);
    for (const auto& scenario : scenarios) {
        Form = new TForm(nullptr);
        Form->SetBounds(0, 0, 400, 300);
        Grid = new TCountingGrid(Form);
        Grid->SetBounds(0, 0, 380, 280);
        Grid->OnGetRowCount = [](int& ARowCount) { ARowCount = 10; };
        AddColumns(4);
        ShowGrid();
        scenario();
        EXPECT_EQ(Form, nullptr);
    }
}

TEST_F(GridMouseTest, APressOnAGridWithoutDataColumnsMovesNoColumn)
{
    Columns()->Clear();
    ASSERT_EQ(Grid->ColCount(), 1);
    Take();
    EXPECT_NO_THROW(Session.Input.Click(H(), {5, 60}));
    EXPECT_NO_THROW(Grid->MoveCol(3));
    EXPECT_EQ(Take(), (Events{"row 2"}));
}
