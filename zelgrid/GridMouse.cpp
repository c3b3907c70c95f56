// The grid's mouse: a press selects a cell (column first, then row) and may open the editor; a
// press on the title row or a column border goes to the base grid, which sizes and moves columns;
// the end of a sizing drag writes the width into the column object; a press and release on one
// title is a title click. MoveCol is the one way the current column changes. Moving with the left
// button held past the drag threshold over a data cell starts drag and drop, and the data cell
// under the pointer is remembered and reported through the hover events.
//
// Handlers may free the grid: every call out is followed by a liveness check.
#include <algorithm>
#include <vector>

#include "host/controls/DragDrop.h"
#include "host/controls/InplaceEdit.h"
#include "host/core/ObjectWatch.h"
#include "host/windows/MessageQueue.h"
#include "zelgrid/CustomZelGrid.h"

void TCustomZelGrid::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    FTitlePressCol = -1;
    TObjectWatch alive(this);
    AcquireFocus();
    if (!alive) return;
    if (Button == mbLeft && Shift.Contains(ssDouble)) {
        DblClick();
        return;
    }
    if (Sizing(X, Y)) {
        TCustomGrid::MouseDown(Button, Shift, X, Y);
        return;
    }
    const TGridCoord cell = MouseCoord(X, Y);
    // A press on the title of a data column may become a title click; at design time the title
    // row only sizes and moves columns.
    if (Button == mbLeft && !ComponentState.Contains(csDesigning) && cell.Y >= 0 && cell.Y < FTitleRows &&
        ShownColumn(RawToDataColumn(cell.X))) {
        FTitlePressCol = cell.X;
        FTitlePress = {X, Y};
    }
    const bool titleDrags = ComponentState.Contains(csDesigning) || FOptions.Contains(dgColumnResize);
    if (titleDrags && cell.Y < FTitleRows) {
        TCustomGrid::MouseDown(Button, Shift, X, Y);
        return;
    }

    TUpdateGuard update(this);
    HideEditor();
    if (!alive) return;
    const int oldCol = Col();
    const int oldRow = Row();
    if (cell.Y >= FTitleRows && cell.Y != Row()) {
        if (cell.X >= FIndicatorCols) {
            MoveCol(cell.X);
            if (!alive) return;
        }
        if (cell.Y >= FixedRows() && cell.Y <= RowCount() - 1) {
            InvalidateRow(Row());
            AMoveColRow(Col(), cell.Y, true, true);
            if (!alive) return;
            InvalidateRow(Row());
            UpdateScrollBar();
            if (!alive) return;
        }
    }
    if (cell.X == oldCol && cell.Y == oldRow) {
        const TZelColumn* column = ShownColumn(RawToDataColumn(cell.X));
        const bool readOnly = column && column->GetReadOnly();
        if (readOnly) InvalidateEditor();
        else ShowEditor();
        if (!alive) return;
    }
    if (cell.X != oldCol) MoveCol(cell.X);
}

void TCustomZelGrid::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    const TGridState state = GridState();
    std::vector<int> widths(static_cast<std::size_t>(ColCount()));
    for (int i = 0; i < ColCount(); ++i) widths[static_cast<std::size_t>(i)] = ColWidths(i);
    const int titleCol = Button == mbLeft ? FTitlePressCol : -1;
    FTitlePressCol = -1;
    const TZelColumn* titleColumn = titleCol >= 0 ? ShownColumn(RawToDataColumn(titleCol)) : nullptr;

    TObjectWatch alive(this);
    TCustomGrid::MouseUp(Button, Shift, X, Y);
    if (!alive) return;
    if (state != gsColSizing) {
        // A title click: released on the title it pressed, which still shows the same column.
        const TGridCoord cell = MouseCoord(X, Y);
        if (titleColumn && cell.X == titleCol && cell.Y >= 0 && cell.Y < FTitleRows &&
            ShownColumn(RawToDataColumn(titleCol)) == titleColumn)
            TitleClick(RawToDataColumn(titleCol));
        return;
    }

    int changed = -1;
    const int compared = std::min(ColCount(), static_cast<int>(widths.size()));
    for (int i = 0; i < compared && changed < 0; ++i)
        if (ColWidths(i) != widths[static_cast<std::size_t>(i)]) changed = i;
    try {
        if (TZelGridColumns* columns = GeTZelColumns()) {
            if (changed != -1) {
                columns->GeTZelColumn(RawToDataColumn(changed))->SetWidth(ColWidths(changed));
            } else {
                const int last = columns->Count() - 1;
                columns->GeTZelColumn(last)->SetWidth(ColWidths(DataToRawColumn(last)));
            }
        }
    } catch (...) {
        // The base grid has the width already; a column that refuses it changes nothing else.
    }
    if (!alive) return;
    ColSized(changed);
}

bool TCustomZelGrid::ColumnShows(int ACol) const
{
    const TZelColumn* column = ShownColumn(RawToDataColumn(ACol));
    return column ? column->GetWidth() > 0 : ColWidths(ACol) > 0;
}

int TCustomZelGrid::MoveTarget(int ACol, int OldCol) const
{
    if (StopOnNonVisibleCol) return ACol;
    if (ACol > OldCol) {
        for (int c = ACol; c < ColCount(); ++c)
            if (ColumnShows(c)) return c;
    } else {
        for (int c = ACol; c >= FIndicatorCols; --c)
            if (ColumnShows(c)) return c;
    }
    return ACol;
}

void TCustomZelGrid::MoveCol(int ACol)
{
    // Without a data column there is no cell to move onto.
    if (ColCount() <= FIndicatorCols) return;
    ACol = std::max(std::min(ACol, ColCount() - 1), static_cast<int>(FIndicatorCols));
    const int oldCol = Col();
    InvalidateCell(oldCol, Row());
    if (ACol == oldCol) return;

    TObjectWatch alive(this);
    if (!FLeavingColumn) {
        FLeavingColumn = true;
        try {
            ColExit();
        } catch (...) {
            if (alive) FLeavingColumn = false;
            throw;
        }
        if (!alive) return;
        FLeavingColumn = false;
        // The handler moved the column itself: its move wins.
        if (Col() != oldCol) return;
    }
    HideEditor();
    if (!alive) return;
    TCustomGrid::SetCol(MoveTarget(ACol, oldCol));
    if (!alive) return;
    InvalidateCell(Col(), Row());
    if (FOptions.Contains(dgAlwaysShowEditor)) {
        ShowEditor();
        if (!alive) return;
    }
    ColEnter();
}

void TCustomZelGrid::ColExit()
{
    if (OnColExit) OnColExit(this);
}

void TCustomZelGrid::ColEnter()
{
    if (OnColEnter) OnColEnter(this);
}

void TCustomZelGrid::TitleClick(int DataCol)
{
    if (OnTitleClick) OnTitleClick(this, DataCol, ShownColumn(DataCol));
}

void TCustomZelGrid::MouseToCell(int X, int Y, int& ACol, int& ARow) const
{
    const TGridCoord cell = MouseCoord(X, Y);
    ACol = cell.X;
    ARow = cell.Y;
}

void TCustomZelGrid::TimedScroll(TGridScrollDirection Direction)
{
    if (!Direction.Empty()) TCustomGrid::TimedScroll(Direction);
}

// The remembered cell is a data cell; over a title, the indicator or empty space there is none.
bool TCustomZelGrid::TrackMouseCell(int X, int Y)
{
    const TGridCoord raw = MouseCoord(X, Y);
    int col = -1, row = -1;
    if (raw.X >= FIndicatorCols && raw.Y >= FTitleRows) {
        col = RawToDataColumn(raw.X);
        row = raw.Y - FTitleRows;
    }
    if (col == FMouseCol && row == FMouseRow) return true;
    const int leftCol = FMouseCol, leftRow = FMouseRow;
    FMouseCol = col;
    FMouseRow = row;
    TObjectWatch alive(this);
    if (leftCol >= 0 && OnMouseLeave) {
        OnMouseLeave(this, leftCol, leftRow);
        if (!alive) return false;
    }
    if (col >= 0 && OnMouseEnter) {
        OnMouseEnter(this, col, row);
        if (!alive) return false;
    }
    return true;
}

void TCustomZelGrid::WMMouseMove(TWMMouse& Message)
{
    TObjectWatch alive(this);
    TCustomGrid::WMMouseMove(Message);
    if (!alive || !TrackMouseCell(Message.XPos(), Message.YPos())) return;
    // A title press that moves like a drag is no click.
    if (FTitlePressCol >= 0 && PastDragThreshold(FTitlePress, Message.Pos())) FTitlePressCol = -1;
    if (!(Message.Keys() & MK_LBUTTON)) {
        FDragPressKnown = false;
        return;
    }
    if (DragMode() != dmManual) return;
    // A held button that was pressed elsewhere measures from where it came in.
    if (!FDragPressKnown) {
        FDragPress = Message.Pos();
        FDragPressKnown = true;
    }
    // A press that trembles by a pixel or two is a click: it keeps what it opened (a pick list).
    if (!PastDragThreshold(FDragPress, Message.Pos())) return;
    // Read as unsigned 16-bit numbers: a captured point left of or above the window is far
    // outside the cells.
    const TGridCoord cell = MouseCoord(LOWORD(Message.Message.LParam), HIWORD(Message.Message.LParam));
    if (cell.X > 0 && cell.Y > 0) {
        FDragPressKnown = false;
        BeginDrag(true);
    }
}

void TCustomZelGrid::WMLButtonDown(TWMMouse& Message)
{
    FDragPress = Message.Pos();
    FDragPressKnown = true;
    TObjectWatch alive(this);
    TCustomGrid::WMLButtonDown(Message);
    if (alive && FEditor) FEditor->SetClickTime(GetMessageTime());
}

// At design time the title row sizes and moves columns, but only once the shown layout's columns
// are customised; the designer keeps the mouse everywhere else but on the base grid's borders.
void TCustomZelGrid::CMDesignHitTest(TMessage& Message)
{
    TCustomGrid::CMDesignHitTest(Message);
    if (Message.Result == 0) {
        const TGridCoord cell = MouseCoord(GET_X_LPARAM(Message.LParam), GET_Y_LPARAM(Message.LParam));
        if (cell.X >= FIndicatorCols && cell.Y >= 0 && cell.Y < FTitleRows) Message.Result = 1;
    }
    TZelGridColumns* columns = GeTZelColumns();
    if (Message.Result == 1 && (!columns || columns->GetState() == csDefault)) Message.Result = 0;
}

void TCustomZelGrid::CMMouseEnter(TMessage& Message)
{
    TObjectWatch alive(this);
    TCustomGrid::CMMouseEnter(Message);
    if (!alive) return;
    FMouseCol = -1;
    FMouseRow = -1;
    if (!FFlat) return;
    FMouseInside = true;
    RedrawBorder(nullptr);
}

void TCustomZelGrid::CMMouseLeave(TMessage& Message)
{
    TObjectWatch alive(this);
    TCustomGrid::CMMouseLeave(Message);
    if (!alive) return;
    if (FFlat) {
        FMouseInside = false;
        RedrawBorder(nullptr);
    }
    const int leftCol = FMouseCol, leftRow = FMouseRow;
    FMouseCol = -1;
    FMouseRow = -1;
    if (OnMouseLeave) OnMouseLeave(this, leftCol, leftRow);
}
