// The mouse: selecting cells, sizing columns on their border in the fixed rows, moving columns
// by dragging their fixed cell, and scrolling on a timer while a drag is past an edge. The drag
// state stays readable until MouseUp has run, so descendants can look at it before calling it.
#include <algorithm>
#include <cstdint>

#include "host/controls/Forms.h"
#include "host/controls/Grids.h"
#include "host/controls/InplaceEdit.h"
#include "host/windows/Input.h"
#include "host/windows/MessageQueue.h"
#include "host/windows/Paint.h"

namespace {

constexpr UINT_PTR AutoScrollTimer = 1;
constexpr UINT AutoScrollInterval = 60;
// Width of the band around a column border where a sizing drag can start.
constexpr int SizingBand = 7;

} // namespace

bool TCustomGrid::IsActiveControl() const
{
    if (const TCustomForm* form = GetParentForm(this)) {
        const TWinControl* active = form->ActiveControl();
        return active && (active == this || active == FInplaceEdit);
    }
    return Focused() || (FInplaceEdit && FInplaceEdit->Focused());
}

TCustomGrid::TSizingHit TCustomGrid::SizingColumnAt(int X, int Y) const
{
    const bool designing = ComponentState.Contains(csDesigning);
    if (!FOptions.Contains(goColSizing) && !designing) return {};
    const TGridAxisView h = Horz(), v = Vert();
    if (X <= h.FixedBoundary() || Y < 0 || Y >= v.FixedBoundary()) return {};
    const int line = FCols.LineWidth();
    const int range = std::max(SizingBand, line);
    const int back = line < SizingBand ? (SizingBand - line) / 2 : 0;
    for (int c = FCols.NextVisible(FTopLeft.X); c >= 0; c = FCols.NextVisible(c + 1)) {
        const int start = h.Start(c);
        if (start > X + range || start >= h.Extent) break;
        // In 64 bits: a column may be as wide as int goes. A border near X fits an int again.
        const std::int64_t border = std::int64_t{start} + FCols.Size(c);
        if (X >= border - back && X <= border - back + range)
            return {c, static_cast<int>(border), static_cast<int>(border - X)};
    }
    return {};
}

// The column a moved column would be dropped at for a mouse at X: the scrolled column under
// it, the first one left of the scrolled area, the last one right of the cells.
int TCustomGrid::MoveTargetAt(int X) const
{
    const TGridAxisView h = Horz();
    if (X < h.FixedBoundary()) return std::min(FTopLeft.X, ColCount() - 1);
    const int col = h.CoordAt(X);
    if (col >= FFixedCols) return col;
    const int last = h.LastVisible();
    return last >= FFixedCols ? last : std::min(FTopLeft.X, ColCount() - 1);
}

void TCustomGrid::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    TObjectWatch alive(this);
    StartPress(Button, Shift, X, Y);
    // OnMouseDown comes last, whatever the press started.
    if (alive) TCustomControl::MouseDown(Button, Shift, X, Y);
}

void TCustomGrid::StartPress(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    TObjectWatch alive(this);
    if (!ComponentState.Contains(csDesigning) && (CanFocus() || !GetParentForm(this))) {
        SetFocus(); // the exit and enter handlers run here
        if (!alive) return;
        if (!IsActiveControl()) {
            if (GetCapture() == WindowHandle()) ReleaseCapture();
            return;
        }
    }
    if (Button != mbLeft) return;
    if (Shift.Contains(ssDouble)) {
        DblClick();
        return;
    }
    if (const TSizingHit hit = SizingColumnAt(X, Y); hit.Index >= 0) {
        FGridState = gsColSizing;
        FSizingIndex = hit.Index;
        FSizingPos = hit.Pos;
        FSizingOfs = hit.Ofs;
        InvalidateSizingLine();
        return;
    }
    const TGridCoord cell = MouseCoord(X, Y);
    if (cell.X < 0 || cell.Y < 0) return;
    const bool moving = FOptions.Contains(goColMoving) || ComponentState.Contains(csDesigning);
    if (moving && cell.Y < FFixedRows && cell.X >= FFixedCols) {
        FGridState = gsColMoving;
        FMoveIndex = cell.X;
        FMovePos = cell.X;
        StartAutoScroll();
        return;
    }
    if (cell.X < FFixedCols || cell.Y < FFixedRows) return;
    if (FOptions.Contains(goEditing)) {
        if (cell.X == FCurrent.X && cell.Y == FCurrent.Y) {
            ShowEditor();
        } else {
            MoveCurrent(cell.X, cell.Y, true, true);
            if (alive) UpdateEdit();
        }
        if (alive) Click();
        return;
    }
    FGridState = gsSelecting;
    StartAutoScroll();
    MoveCurrent(cell.X, cell.Y, !Shift.Contains(ssShift), true);
}

void TCustomGrid::MouseMove(TShiftState Shift, int X, int Y)
{
    TObjectWatch alive(this);
    switch (FGridState) {
    case gsSelecting: {
        const TGridCoord cell = MouseCoord(X, Y);
        if (cell.X >= FFixedCols && cell.Y >= FFixedRows && (cell.X != FCurrent.X || cell.Y != FCurrent.Y))
            MoveCurrent(cell.X, cell.Y, false, false);
        if (!alive) return;
        break;
    }
    case gsColSizing: {
        InvalidateSizingLine();
        const int start = Horz().Start(FSizingIndex);
        FSizingPos = std::max(start + 1, X + FSizingOfs);
        InvalidateSizingLine();
        break;
    }
    case gsColMoving: {
        const int target = MoveTargetAt(X);
        if (target == FMovePos) break;
        InvalidateSizingLine();
        FMovePos = target;
        InvalidateSizingLine();
        break;
    }
    default: break;
    }
    TCustomControl::MouseMove(Shift, X, Y);
}

void TCustomGrid::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    TObjectWatch alive(this);
    {
        // The state ends with this call, also when a hook below raises (and the grid still exists).
        struct TEnd {
            TCustomGrid* Grid;
            const TObjectWatch& Alive;
            ~TEnd()
            {
                if (!Alive) return;
                Grid->StopAutoScroll();
                Grid->FGridState = gsNormal;
            }
        } end{this, alive};
        switch (FGridState) {
        case gsSelecting:
            MouseMove(Shift, X, Y);
            if (!alive) return;
            StopAutoScroll();
            UpdateEdit();
            if (alive) Click();
            break;
        case gsColSizing: {
            InvalidateSizingLine();
            const TGridAxisView h = Horz();
            if (h.IsVisible(FSizingIndex)) {
                const int size = FSizingPos - h.Start(FSizingIndex);
                if (size > 1) SetColWidths(FSizingIndex, size);
            }
            break;
        }
        case gsColMoving:
            StopAutoScroll();
            InvalidateSizingLine();
            if (FMoveIndex != FMovePos && FMovePos >= FFixedCols) MoveColumn(FMoveIndex, FMovePos);
            if (alive) UpdateEdit();
            break;
        default:
            UpdateEdit();
            break;
        }
    }
    if (alive) TCustomControl::MouseUp(Button, Shift, X, Y);
}

// ----- auto-scrolling -----------------------------------------------------------------------

void TCustomGrid::StartAutoScroll()
{
    if (!HandleAllocated() || FTimerRunning) return;
    SetTimer(WindowHandle(), AutoScrollTimer, AutoScrollInterval);
    FTimerRunning = true;
}

void TCustomGrid::StopAutoScroll()
{
    if (!FTimerRunning) return;
    FTimerRunning = false;
    if (HandleAllocated()) KillTimer(WindowHandle(), AutoScrollTimer);
}

void TCustomGrid::WMTimer(TWMTimer& Message)
{
    if (Message.TimerID() != AutoScrollTimer) {
        TCustomControl::WMTimer(Message);
        return;
    }
    if (FGridState != gsSelecting && FGridState != gsColMoving) return;
    TPoint p;
    GetCursorPos(p);
    p = ScreenToClient(p);
    const TGridAxisView h = Horz(), v = Vert();
    // Past the fully visible cells: the edge where the next cell would come from.
    const int fullRight = h.FixedBoundary() + static_cast<int>(FCols.Position(FTopLeft.X + h.FullVisibleCount()) -
                                                               FCols.Position(FTopLeft.X));
    const int fullBottom = v.FixedBoundary() + static_cast<int>(FRows.Position(FTopLeft.Y + v.FullVisibleCount()) -
                                                                FRows.Position(FTopLeft.Y));
    TGridScrollDirection direction;
    if (p.X < h.FixedBoundary()) direction.Include(sdLeft);
    else if (p.X >= std::min(fullRight, h.Extent)) direction.Include(sdRight);
    if (FGridState == gsSelecting) {
        if (p.Y < v.FixedBoundary()) direction.Include(sdUp);
        else if (p.Y >= std::min(fullBottom, v.Extent)) direction.Include(sdDown);
    }
    if (!direction.Empty()) TimedScroll(direction);
}

void TCustomGrid::TimedScroll(TGridScrollDirection Direction)
{
    if (FGridState == gsColMoving) {
        const TGridAxisView h = Horz();
        InvalidateSizingLine();
        TObjectWatch alive(this);
        if (Direction.Contains(sdLeft) && FTopLeft.X > FFixedCols) {
            const int prior = FCols.PriorVisible(FTopLeft.X - 1);
            SetLeftCol(prior >= FFixedCols ? prior : FTopLeft.X - 1);
            if (!alive) return;
            FMovePos = FTopLeft.X;
        } else if (Direction.Contains(sdRight) && FTopLeft.X < h.MaxFirst()) {
            const int next = FCols.NextVisible(FTopLeft.X + 1);
            SetLeftCol(next >= 0 ? next : FTopLeft.X + 1);
            if (!alive) return;
            FMovePos = std::max(FFixedCols, Horz().LastVisible());
        } else if (Direction.Contains(sdRight)) {
            FMovePos = ColCount() - 1;
        }
        InvalidateSizingLine();
        return;
    }
    TGridCoord target = FCurrent;
    if (Direction.Contains(sdLeft)) target.X = StepColumn(target.X, -1);
    if (Direction.Contains(sdRight)) target.X = StepColumn(target.X, 1);
    if (Direction.Contains(sdUp) && target.Y > FFixedRows) --target.Y;
    if (Direction.Contains(sdDown) && target.Y < RowCount() - 1) ++target.Y;
    if (target != FCurrent) MoveCurrent(target.X, target.Y, false, true);
}

void TCustomGrid::CancelDrag()
{
    if (FGridState == gsNormal) return;
    InvalidateSizingLine();
    StopAutoScroll();
    FGridState = gsNormal;
}

void TCustomGrid::WMCancelMode(TMessage& Message)
{
    TObjectWatch alive(this);
    TCustomControl::WMCancelMode(Message);
    if (alive) CancelDrag();
}

void TCustomGrid::CMCancelMode(TMessage& Message)
{
    TObjectWatch alive(this);
    TCustomControl::CMCancelMode(Message);
    if (alive) CancelDrag();
}

// The form designer passes the mouse to the grid on a column border, so columns can be sized
// at design time.
void TCustomGrid::CMDesignHitTest(TMessage& Message)
{
    Message.Result = Sizing(GET_X_LPARAM(Message.LParam), GET_Y_LPARAM(Message.LParam)) ? 1 : 0;
}
