// Keyboard navigation of a grid used on its own.
//
//   key          plain                                  with Ctrl
//   Up/Down      current row -1/+1                      scroll one row, current cell stays
//   Left/Right   previous/next visible column           one page of columns
//   PgUp/PgDn    current row and top row -/+ a page     current row to the top/bottom full row
//   Home/End     first/last visible column              first/last cell of the grid
//   Tab          next tab stop, wrapping to the next row (Shift: backwards); only with goTabs,
//                which makes the grid claim Tab
//   F2           opens the editor
// With goRowSelect, Left/Right scroll and Home/End go to the first/last row.
#include <algorithm>

#include "host/controls/Grids.h"
#include "host/controls/InplaceEdit.h"
#include "host/windows/MessageQueue.h"

int TCustomGrid::StepColumn(int From, int Step) const
{
    const int target = Step > 0 ? FCols.NextVisible(From + 1) : FCols.PriorVisible(From - 1);
    return target >= FFixedCols && target < ColCount() ? target : From;
}

TGridCoord TCustomGrid::NextTabStop(TGridCoord From, bool Forward) const
{
    TGridCoord c = From;
    const int count = ColCount();
    // At most one full round over every column of every row it may pass.
    for (int steps = 0; steps <= count; ++steps) {
        if (Forward) {
            if (++c.X >= count) {
                c.X = FFixedCols;
                if (++c.Y >= RowCount()) c.Y = FFixedRows;
            }
        } else if (--c.X < FFixedCols) {
            c.X = count - 1;
            if (--c.Y < FFixedRows) c.Y = RowCount() - 1;
        }
        if (c.X == From.X) return c;
        if (TabStops(c.X) && FCols.Size(c.X) > 0) return c;
    }
    return From;
}

void TCustomGrid::KeyDown(WORD& Key, TShiftState Shift)
{
    TObjectWatch alive(this);
    TCustomControl::KeyDown(Key, Shift);
    if (!alive) return;
    if (!CanGridAcceptKey(Key, Shift)) Key = 0;
    if (!alive) return;
    const bool rowSelect = FOptions.Contains(goRowSelect);
    const TGridAxisView h = Horz(), v = Vert();
    const int pageHeight = std::max(1, v.FullVisibleCount());
    const int pageWidth = std::max(1, h.FullVisibleCount());
    TGridCoord current = FCurrent;
    TGridCoord topLeft = FTopLeft;
    bool moveAnchor = !Shift.Contains(ssShift);
    if (Shift.Contains(ssCtrl)) {
        switch (Key) {
        case VK_UP: --topLeft.Y; break;
        case VK_DOWN: ++topLeft.Y; break;
        case VK_LEFT:
            if (!rowSelect) {
                current.X = SatAdd(current.X, -pageWidth);
                topLeft.X = SatAdd(topLeft.X, -pageWidth);
            }
            break;
        case VK_RIGHT:
            if (!rowSelect) {
                current.X = SatAdd(current.X, pageWidth);
                topLeft.X = SatAdd(topLeft.X, pageWidth);
            }
            break;
        case VK_PRIOR: current.Y = FTopLeft.Y; break;
        case VK_NEXT: current.Y = FTopLeft.Y + std::max(0, v.FullVisibleCount() - 1); break;
        case VK_HOME:
            current = {FCols.NextVisible(FFixedCols), FFixedRows};
            break;
        case VK_END:
            current = {FCols.PriorVisible(ColCount() - 1), RowCount() - 1};
            break;
        default: break;
        }
    } else {
        switch (Key) {
        case VK_UP: --current.Y; break;
        case VK_DOWN: ++current.Y; break;
        case VK_LEFT:
            if (rowSelect) --topLeft.X;
            else current.X = StepColumn(current.X, -1);
            break;
        case VK_RIGHT:
            if (rowSelect) ++topLeft.X;
            else current.X = StepColumn(current.X, 1);
            break;
        case VK_NEXT:
            current.Y = SatAdd(current.Y, pageHeight);
            topLeft.Y = SatAdd(topLeft.Y, pageHeight);
            break;
        case VK_PRIOR:
            current.Y = SatAdd(current.Y, -pageHeight);
            topLeft.Y = SatAdd(topLeft.Y, -pageHeight);
            break;
        case VK_HOME:
            if (rowSelect) current.Y = FFixedRows;
            else current.X = FCols.NextVisible(FFixedCols);
            break;
        case VK_END:
            if (rowSelect) current.Y = RowCount() - 1;
            else current.X = FCols.PriorVisible(ColCount() - 1);
            break;
        case VK_TAB:
            if (!Shift.Contains(ssAlt)) {
                current = NextTabStop(current, !Shift.Contains(ssShift));
                moveAnchor = true;
            }
            break;
        case VK_F2:
            SetEditorMode(true);
            if (!alive) return;
            break;
        default: break;
        }
    }
    topLeft.X = std::clamp(topLeft.X, FFixedCols, std::max(FFixedCols, h.MaxFirst()));
    topLeft.Y = std::clamp(topLeft.Y, FFixedRows, std::max(FFixedRows, v.MaxFirst()));
    if (topLeft != FTopLeft) MoveTopLeft(topLeft.X, topLeft.Y);
    if (!alive) return;
    // A column search that found nothing leaves the column where it was.
    if (current.X < 0) current.X = FCurrent.X;
    current.X = std::clamp(current.X, std::min(FFixedCols, ColCount() - 1), ColCount() - 1);
    current.Y = std::clamp(current.Y, std::min(FFixedRows, RowCount() - 1), RowCount() - 1);
    if (current != FCurrent) {
        MoveCurrent(current.X, current.Y, moveAnchor, true);
        if (alive) UpdateEdit();
        if (alive) Click();
    }
}

void TCustomGrid::KeyPress(char& Key)
{
    TObjectWatch alive(this);
    TCustomControl::KeyPress(Key);
    if (!alive || FOptions.Contains(goAlwaysShowEditor) || Key != '\r') return;
    if (FEditorMode) HideEditor();
    else ShowEditor();
    Key = 0;
}

bool TCustomGrid::CanGridAcceptKey(WORD, TShiftState)
{
    return true;
}

void TCustomGrid::WMChar(TWMKey& Message)
{
    const unsigned ch = Message.CodePoint();
    if (FOptions.Contains(goEditing) && (ch == 8 || ch >= 32)) {
        ShowEditorChar(ch);
        return;
    }
    TCustomControl::WMChar(Message);
}

void TCustomGrid::WMGetDlgCode(TWMGetDlgCode& Message)
{
    LRESULT code = DLGC_WANTARROWS;
    if (!FOptions.Contains(goRowSelect)) {
        if (FOptions.Contains(goTabs)) code |= DLGC_WANTTAB;
        if (FOptions.Contains(goEditing)) code |= DLGC_WANTCHARS;
    }
    Message.SetResult(code);
}
