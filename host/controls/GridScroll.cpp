#include <algorithm>
#include <cstdint>
#include <cstdlib>

#include "host/controls/Grids.h"
#include "host/controls/InplaceEdit.h"
#include "host/core/Exceptions.h"
#include "host/windows/Paint.h"
#include "host/windows/ScrollBar.h"

// ----- the current cell ---------------------------------------------------------------------

void TCustomGrid::MoveColRow(int ACol, int ARow, bool MoveAnchor, bool Show)
{
    MoveCurrent(ACol, ARow, MoveAnchor, Show);
}

void TCustomGrid::MoveCurrent(int ACol, int ARow, bool MoveAnchor, bool Show)
{
    if (ACol < 0 || ARow < 0 || ACol >= ColCount() || ARow >= RowCount())
        throw EInvalidGridOperation("Grid index out of range");
    TObjectWatch alive(this);
    if (!SelectCell(ACol, ARow) || !alive) return;
    const TGridRect oldSelection = Selection();
    const TGridCoord oldCurrent = FCurrent;
    FCurrent = {ACol, ARow};
    if (!FOptions.Contains(goAlwaysShowEditor)) HideEditor();
    if (!alive) return;
    if (MoveAnchor || !FOptions.Contains(goRangeSelect)) {
        FAnchor = FCurrent;
        if (FOptions.Contains(goRowSelect)) FAnchor.X = ColCount() - 1;
    }
    if (FOptions.Contains(goRowSelect)) FCurrent.X = std::min(FFixedCols, ColCount() - 1);
    if (Show) ScrollIntoView(FCurrent.X, FCurrent.Y);
    if (!alive) return;
    const TGridRect selection = Selection();
    if (!(selection == oldSelection)) {
        const TRect oldBox = BoxRect(oldSelection.Left, oldSelection.Top, oldSelection.Right, oldSelection.Bottom);
        const TRect newBox = BoxRect(selection.Left, selection.Top, selection.Right, selection.Bottom);
        if (HandleAllocated()) {
            InvalidateRect(WindowHandle(), &oldBox, false);
            InvalidateRect(WindowHandle(), &newBox, false);
        }
    }
    InvalidateCell(oldCurrent.X, oldCurrent.Y);
    InvalidateCell(FCurrent.X, FCurrent.Y);
}

void TCustomGrid::SetCol(int Value)
{
    if (Value == FCurrent.X) return;
    TObjectWatch alive(this);
    MoveCurrent(Value, FCurrent.Y, true, true);
    if (alive) UpdateEdit();
    if (alive) Click();
}

void TCustomGrid::SetRow(int Value)
{
    if (Value == FCurrent.Y) return;
    TObjectWatch alive(this);
    MoveCurrent(FCurrent.X, Value, true, true);
    if (alive) UpdateEdit();
    if (alive) Click();
}

// ----- the top-left cell --------------------------------------------------------------------

void TCustomGrid::SetTopRow(int Value)
{
    Value = std::clamp(Value, FFixedRows, std::max(FFixedRows, RowCount() - 1));
    MoveTopLeft(FTopLeft.X, Value);
}

void TCustomGrid::SetLeftCol(int Value)
{
    Value = std::clamp(Value, FFixedCols, std::max(FFixedCols, ColCount() - 1));
    MoveTopLeft(Value, FTopLeft.Y);
}

void TCustomGrid::ScrollIntoView(int ACol, int ARow)
{
    const int left = ACol >= FFixedCols ? Horz().FirstToShow(ACol) : FTopLeft.X;
    const int top = ARow >= FFixedRows ? Vert().FirstToShow(ARow) : FTopLeft.Y;
    MoveTopLeft(left, top);
}

void TCustomGrid::MoveTopLeft(int ALeft, int ATop)
{
    if (ALeft == FTopLeft.X && ATop == FTopLeft.Y) return;
    const TGridCoord old = FTopLeft;
    FTopLeft = {ALeft, ATop};
    TopLeftMoved(old);
}

void TCustomGrid::TopLeftMoved(const TGridCoord& OldTopLeft)
{
    TObjectWatch alive(this);
    ScrollData(OldTopLeft);
    UpdateScrollPos();
    if (alive && FInplaceEdit && FEditorMode) UpdateEdit();
}

// Moves the pixels already painted by the distance the grid scrolled, so that only the cells
// that come into view are painted; a jump further than a screen repaints what scrolled (the
// fixed rows stay where they are in a vertical jump, the fixed columns in a horizontal one).
void TCustomGrid::ScrollData(const TGridCoord& OldTopLeft)
{
    if (!HandleAllocated()) return;
    const TRect client = ClientRect();
    const TGridAxisView h = Horz(), v = Vert();
    const std::int64_t dx = FCols.Position(FTopLeft.X) - FCols.Position(OldTopLeft.X);
    const std::int64_t dy = FRows.Position(FTopLeft.Y) - FRows.Position(OldTopLeft.Y);
    const int roomX = client.Width() - h.FixedBoundary(), roomY = client.Height() - v.FixedBoundary();
    if ((dx != 0 && dy != 0) || FGridState == gsColSizing || FGridState == gsColMoving) {
        Invalidate();
        return;
    }
    if (std::llabs(dx) >= roomX || std::llabs(dy) >= roomY) {
        const TRect scrolled = dy != 0 ? TRect{client.Left, v.FixedBoundary(), client.Right, client.Bottom}
                                       : TRect{h.FixedBoundary(), client.Top, client.Right, client.Bottom};
        InvalidateRect(WindowHandle(), &scrolled, !ControlStyle.Contains(csOpaque));
        return;
    }
    if (dy != 0) {
        const TRect area{client.Left, v.FixedBoundary(), client.Right, client.Bottom};
        ScrollWindowEx(WindowHandle(), 0, static_cast<int>(-dy), &area, &area, nullptr, nullptr, SW_INVALIDATE);
    }
    if (dx != 0) {
        const TRect area{h.FixedBoundary(), client.Top, client.Right, client.Bottom};
        ScrollWindowEx(WindowHandle(), static_cast<int>(-dx), 0, &area, &area, nullptr, nullptr, SW_INVALIDATE);
    }
}

// ----- scroll bars --------------------------------------------------------------------------

void TCustomGrid::SetBar(int Bar, int Max, int Pos)
{
    const std::size_t i = Bar == SB_VERT ? 1 : 0;
    if (FBarMax[i] == Max && FBarPos[i] == Pos) return;
    TScrollInfo info;
    info.Mask = SIF_RANGE | SIF_POS | SIF_PAGE;
    info.Min = 0;
    info.Max = Max;
    info.Page = 0;
    info.Pos = Pos;
    // A bar that appears or goes resizes the client area: WM_SIZE may reach the application.
    TObjectWatch alive(this);
    SetScrollInfo(WindowHandle(), Bar, info, true);
    if (!alive) return;
    FBarMax[i] = Max;
    FBarPos[i] = Pos;
}

void TCustomGrid::UpdateScrollRange()
{
    if (!HandleAllocated() || FUpdatingScrollRange) return;
    TScopedMember<bool> updating(this, FUpdatingScrollRange, true);
    TObjectWatch alive(this);
    const bool vertical = FScrollBars == ssVertical || FScrollBars == ssBoth;
    const bool horizontal = FScrollBars == ssHorizontal || FScrollBars == ssBoth;
    // Showing a bar shrinks the client area, which may call for the other bar: a second round
    // when the first changed the client.
    for (int round = 0; round < 2; ++round) {
        const TRect before = ClientRect();
        if (vertical) SetBar(SB_VERT, Vert().MaxFirst() - FFixedRows, FTopLeft.Y - FFixedRows);
        if (horizontal && alive) SetBar(SB_HORZ, Horz().MaxFirst() - FFixedCols, FTopLeft.X - FFixedCols);
        if (!alive || ClientRect() == before) break;
    }
}

void TCustomGrid::UpdateScrollPos()
{
    if (!HandleAllocated()) return;
    TObjectWatch alive(this);
    if ((FScrollBars == ssVertical || FScrollBars == ssBoth) && FBarPos[1] != FTopLeft.Y - FFixedRows) {
        SetScrollPos(WindowHandle(), SB_VERT, FTopLeft.Y - FFixedRows, true);
        if (!alive) return;
        FBarPos[1] = FTopLeft.Y - FFixedRows;
    }
    if ((FScrollBars == ssHorizontal || FScrollBars == ssBoth) && FBarPos[0] != FTopLeft.X - FFixedCols) {
        SetScrollPos(WindowHandle(), SB_HORZ, FTopLeft.X - FFixedCols, true);
        if (!alive) return;
        FBarPos[0] = FTopLeft.X - FFixedCols;
    }
}

// The thumb position of a drag: the message carries 16 bits, the bar itself the whole value.
int TCustomGrid::ScrollBarPosition(int Bar, const TWMScroll& Message) const
{
    TScrollInfo info;
    info.Mask = SIF_TRACKPOS | SIF_RANGE;
    if (GetScrollInfo(WindowHandle(), Bar, info) && info.Max > 0xFFFF) return info.TrackPos;
    return Message.Pos();
}

void TCustomGrid::ScrollByMessage(bool Vertical, const TWMScroll& Message)
{
    const TGridAxisView view = Vertical ? Vert() : Horz();
    const TGridAxis& axis = Vertical ? FRows : FCols;
    const int fixed = view.Fixed, first = view.First, maxFirst = view.MaxFirst();
    const int page = std::max(1, view.FullVisibleCount());
    int target = first;
    switch (Message.ScrollCode()) {
    case SB_LINEUP: {
        const int prior = axis.PriorVisible(first - 1);
        target = prior >= fixed ? prior : first - 1;
        break;
    }
    case SB_LINEDOWN: {
        const int next = axis.NextVisible(first + 1);
        target = next >= 0 ? next : first + 1;
        break;
    }
    case SB_PAGEUP: target = first - page; break;
    case SB_PAGEDOWN: target = first + page; break;
    case SB_THUMBTRACK:
        if (!FOptions.Contains(goThumbTracking)) return;
        [[fallthrough]];
    case SB_THUMBPOSITION: target = fixed + ScrollBarPosition(Vertical ? SB_VERT : SB_HORZ, Message); break;
    case SB_TOP: target = fixed; break;
    case SB_BOTTOM: target = maxFirst; break;
    default: return;
    }
    target = std::clamp(target, fixed, std::max(fixed, maxFirst));
    TObjectWatch alive(this);
    if (Vertical) MoveTopLeft(FTopLeft.X, target);
    else MoveTopLeft(target, FTopLeft.Y);
    if (!alive) return;
    // Put the thumb back where the grid is, also when nothing moved (a drag left it elsewhere).
    FBarPos[0] = FBarPos[1] = -1;
    UpdateScrollPos();
}

void TCustomGrid::WMVScroll(TWMScroll& Message)
{
    if (FScrollBars == ssVertical || FScrollBars == ssBoth) ScrollByMessage(true, Message);
}

void TCustomGrid::WMHScroll(TWMScroll& Message)
{
    if (FScrollBars == ssHorizontal || FScrollBars == ssBoth) ScrollByMessage(false, Message);
}

void TCustomGrid::WMMouseWheel(TWMMouseWheel& Message)
{
    const int notches = Message.WheelDelta() / WHEEL_DELTA;
    if (notches == 0) return;
    // In 64 bits: the top row may be near the end of int.
    const std::int64_t wanted = std::int64_t{FTopLeft.Y} - std::int64_t{notches} * 3;
    const int target = static_cast<int>(std::clamp<std::int64_t>(wanted, FFixedRows, std::max(FFixedRows, Vert().MaxFirst())));
    MoveTopLeft(FTopLeft.X, target);
}

void TCustomGrid::WMSize(TWMSize& Message)
{
    TObjectWatch alive(this);
    TCustomControl::WMSize(Message);
    if (!alive) return;
    UpdateScrollRange();
    if (alive && FInplaceEdit && FEditorMode) UpdateEdit();
}
