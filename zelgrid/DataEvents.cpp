// Data events and the row window: the dispatch methods that ask and tell the application, the
// row count re-read from it, the vertical scroll bar the grid drives itself, and row moves.
//
// Coordinates: the application sees data columns (raw - FIndicatorCols) and data rows
// (grid row - FTitleRows), except OnMoveToRow (a grid row) and OnColSized (a raw column).
#include <algorithm>
#include <climits>
#include <cstdint>
#include <utility>

#include "host/core/Exceptions.h"
#include "host/windows/Paint.h"
#include "host/windows/ScrollBar.h"
#include "zelgrid/CustomZelGrid.h"

void TCustomZelGrid::GetRowCount(int& ARowCount)
{
    if (!OnGetRowCount) return;
    TObjectWatch alive(this);
    OnGetRowCount(ARowCount);
    if (!alive) return;
    if (ARowCount < 1) ARowCount = 1;
    // A count near the largest Integer must not overflow when the title row is added.
    ARowCount = std::min(ARowCount, INT_MAX - FTitleRows) + FTitleRows;
}

void TCustomZelGrid::GetDataCell(int ACol, int ARow, std::string& AValue)
{
    if (OnGetDataCell) OnGetDataCell(ACol, ARow, AValue);
}

void TCustomZelGrid::ValidateDataCell(int ACol, int ARow, const std::string& NewVal, bool& ACancel)
{
    TObjectWatch alive(this);
    if (OnValidateData) OnValidateData(ACol - FIndicatorCols, ARow - FTitleRows, NewVal, ACancel);
    if (alive) InvalidateRow(ARow);
}

void TCustomZelGrid::GetSummary(TObject* Sender, int Acol, Currency& aSummary)
{
    if (OnGetSummary) OnGetSummary(Sender, Acol, aSummary);
}

void TCustomZelGrid::MoveToRow(int ARow)
{
    if (OnMoveToRow) OnMoveToRow(ARow);
}

void TCustomZelGrid::AppendRecord(TObject* Sender)
{
    if (OnAppendRecord) OnAppendRecord(Sender);
}

void TCustomZelGrid::CopyCell(int ACol, int ARow)
{
    if (OnCopyCell) OnCopyCell(ACol, ARow);
}

// The application stores the pasted value: the cell shows it at once.
void TCustomZelGrid::PasteCell(int ACol, int ARow)
{
    if (!OnPasteCell) return;
    TObjectWatch alive(this);
    OnPasteCell(ACol, ARow);
    if (alive) CellStored(SatAdd(ACol, FIndicatorCols), SatAdd(ARow, FTitleRows));
}

void TCustomZelGrid::CopyRecord(int ARow)
{
    if (OnCopyRecord) OnCopyRecord(ARow);
}

void TCustomZelGrid::PasteRecord(int ARow)
{
    if (OnPasteRecord) OnPasteRecord(ARow);
}

void TCustomZelGrid::SetDefaultValue(int ACol)
{
    if (OnSetDefaultValue) OnSetDefaultValue(ACol);
}

void TCustomZelGrid::PrintGrid(TObject* Sender)
{
    if (OnPrintGrid) OnPrintGrid(Sender);
}

std::string TCustomZelGrid::FGetDataCell()
{
    std::string value;
    if (OnGetDataCell) OnGetDataCell(Col() - FIndicatorCols, Row() - FTitleRows, value);
    return value;
}

void TCustomZelGrid::SetCurrentRow(int Value)
{
    // Refused before the application hears of it, as AMoveColRow refuses.
    if (RowMoveRefused(Col(), Value)) throw EInvalidGridOperation("Grid index out of range");
    TObjectWatch alive(this);
    MoveToRow(Value);
    if (!alive) return;
    // The base grid repaints the current cells only: the indicator (and a row-select
    // highlight) would stay behind on the row left.
    InvalidateCurrentRowMarks(Row());
    SetRow(Value);
    if (alive) InvalidateCurrentRowMarks(Row());
}

// The target is checked before the application hears of it, so that its record pointer never
// goes where the grid's current row cannot follow. A layout without data columns has no cell to
// move onto: its row is still reported.
bool TCustomZelGrid::RowMoveRefused(int ACol, int ARow) const
{
    const bool hasCells = ColCount() > FixedCols();
    return ARow < FixedRows() || ARow >= RowCount() || (hasCells && (ACol < FixedCols() || ACol >= ColCount()));
}

void TCustomZelGrid::AMoveColRow(int ACol, int ARow, bool MoveAnchor, bool Show)
{
    if (RowMoveRefused(ACol, ARow)) throw EInvalidGridOperation("Grid index out of range");
    TObjectWatch alive(this);
    if (FEditorActive) HideEditor();
    if (!alive) return;
    // The commit may have dropped records: a target that is gone now is not moved to.
    if (RowMoveRefused(ACol, ARow)) return;
    MoveToRow(ARow);
    if (!alive) return;
    // The handler may have changed the grid (another layout, fewer rows): the base grid follows
    // only while the target still exists.
    if (ColCount() > FixedCols() && !RowMoveRefused(ACol, ARow)) TCustomGrid::MoveColRow(ACol, ARow, MoveAnchor, Show);
    if (!alive) return;
    if (FOptions.Contains(dgAlwaysShowEditor) && Focused()) ShowEditor();
}

void TCustomZelGrid::UpdateRowCount()
{
    TObjectWatch alive(this);
    if (FTitleRows >= RowCount()) SetRowCount(FTitleRows + 1);
    if (!alive) return;
    SetFixedRows(FTitleRows);
    if (!alive) return;
    int count = RowCount();
    GetRowCount(count);
    if (alive) SetRowCount(count);
}

// A scroll message carries 16 bits of thumb position: past 65,536 rows the rows are spread over
// that range, so that every position a message can name stands for a row.
namespace {
constexpr std::int64_t MaxThumbPos = 0xFFFF;
}

int TCustomZelGrid::ScrollBarMax() const
{
    return static_cast<int>(std::min<std::int64_t>(std::max(RowCount() - 1, 0), MaxThumbPos));
}

int TCustomZelGrid::ScrollPosOfRow(int ARow) const
{
    const std::int64_t last = RowCount() - 1;
    if (last <= 0) return 0;
    // The first test is against the fixed number 1, whatever the title rows; it wins over the second.
    std::int64_t logical = std::int64_t{ARow} - 1;
    if (ARow == 1) logical = 0;
    else if (ARow == last) logical = last;
    logical = std::clamp<std::int64_t>(logical, 0, last);
    return static_cast<int>(logical * ScrollBarMax() / last);
}

// The first row that ScrollPosOfRow puts at Pos: the top stands for the first data row, the
// bottom for the last row.
int TCustomZelGrid::RowAtScrollPos(int Pos) const
{
    const int first = FixedRows();
    const int last = std::max(first, RowCount() - 1);
    const std::int64_t max = ScrollBarMax();
    if (Pos <= 0 || max <= 0) return first;
    if (Pos >= max) return last;
    const std::int64_t logical = (std::int64_t{Pos} * (RowCount() - 1) + max - 1) / max;
    return static_cast<int>(std::clamp<std::int64_t>(logical + 1, first, last));
}

void TCustomZelGrid::UpdateScrollBar()
{
    if (!HandleAllocated()) return;
    TObjectWatch alive(this);
    int count = RowCount();
    GetRowCount(count);
    if (!alive) return;
    SetRowCount(count);
    if (!alive) return;
    HWND wnd = WindowHandle();
    SetScrollRange(wnd, SB_VERT, 0, ScrollBarMax(), false); // a bar that appears sends WM_SIZE
    if (!alive) return;
    const int position = ScrollPosOfRow(Row());
    if (GetScrollPos(wnd, SB_VERT) != position) SetScrollPos(wnd, SB_VERT, position, true);
}

void TCustomZelGrid::UpdateActive()
{
    TObjectWatch alive(this);
    if (!FOptions.Contains(dgAlwaysShowEditor) && !FEditorActive) HideEditor();
    if (!alive) return;
    AMoveColRow(Col(), Row(), false, false);
    if (alive) RefreshEditorText();
}

void TCustomZelGrid::RefreshEditorText()
{
    TObjectWatch alive(this);
    std::string text;
    GetDataCell(Col() - FIndicatorCols, Row() - FTitleRows, text);
    if (alive && text != FCellText) InvalidateEditor();
}

void TCustomZelGrid::DeleteRecord(int ARow)
{
    InvalidateRow(Row());
    TObjectWatch alive(this);
    if (OnDeleteRecord) OnDeleteRecord(ARow);
    if (!alive) return;
    UpdateRowCount();
    if (!alive) return;
    int target = ARow >= 1 && ARow < RowCount() ? ARow : SatAdd(ARow, -1);
    // Deleting the first data row (or rows beyond the new end) still leaves the cursor on a record.
    target = std::clamp(target, FixedRows(), RowCount() - 1);
    AMoveColRow(Col(), target, true, true);
    if (alive) InvalidateRow(Row());
}

void TCustomZelGrid::WMSize(TWMSize& Message)
{
    TObjectWatch alive(this);
    TCustomGrid::WMSize(Message);
    if (alive && FUpdateLock == 0) UpdateRowCount();
}


// The row a thumb position stands for. The position the current row gives the thumb stands for
// that row, so that a press on the thumb moves nothing where many rows share a position.
int TCustomZelGrid::ThumbRow(int Pos) const
{
    return Pos == ScrollPosOfRow(Row()) ? Row() : RowAtScrollPos(Pos);
}

// The view follows the thumb: its row at the top, or the last page; back at the current row's
// position the view is the one the drag started from.
void TCustomZelGrid::FollowThumb(int Pos)
{
    if (Pos == ScrollPosOfRow(Row())) {
        TCustomGrid::SetTopRow(FThumbStartTop);
        return;
    }
    const int first = FixedRows();
    TCustomGrid::SetTopRow(std::clamp(RowAtScrollPos(Pos), first, std::max(first, Vert().MaxFirst())));
}

// A thumb drag is one gesture: while it tracks, the top row follows the thumb and nothing else
// happens; the release makes the thumb's row current, reporting it once, and the SB_ENDSCROLL
// that ends the drag adds nothing.
void TCustomZelGrid::WMVScroll(TWMScroll& Message)
{
    TObjectWatch alive(this);
    AcquireFocus();
    if (!alive) return;
    const int code = Message.ScrollCode();
    if ((code == SB_THUMBTRACK || code == SB_THUMBPOSITION) && !FThumbTracking) FThumbStartTop = TopRow();
    if (code == SB_THUMBTRACK) {
        FThumbTracking = true;
        FollowThumb(Message.Pos());
        return;
    }
    FThumbTracking = false;
    if (code == SB_ENDSCROLL && std::exchange(FThumbReleased, false)) return;
    FThumbReleased = code == SB_THUMBPOSITION;
    InvalidateRow(Row());
    const std::int64_t row = Row();
    const std::int64_t page = VisibleRowCount();
    const int first = FixedRows();
    const int last = RowCount() - 1;
    switch (code) {
    case SB_LINEUP: SetCurrentRow(static_cast<int>(std::max<std::int64_t>(row - 1, first))); break;
    case SB_LINEDOWN: SetCurrentRow(static_cast<int>(std::min<std::int64_t>(row + 1, last))); break;
    case SB_PAGEUP: SetCurrentRow(static_cast<int>(std::max<std::int64_t>(row - page, first))); break;
    case SB_PAGEDOWN: SetCurrentRow(static_cast<int>(std::min<std::int64_t>(row + page, last))); break;
    case SB_THUMBPOSITION: {
        const int target = ThumbRow(Message.Pos());
        FollowThumb(Message.Pos());
        if (!alive) return;
        // The edit ends before the row moves, as with any other row move.
        if (FEditorActive || !FOptions.Contains(dgAlwaysShowEditor)) HideEditor();
        if (!alive) return;
        SetCurrentRow(target);
        if (!alive) return;
        InvalidateRow(Row());
        if (FOptions.Contains(dgAlwaysShowEditor) && Focused()) ShowEditor();
        if (!alive) return;
        RefreshEditorText();
        if (alive) UpdateScrollBar();
        return;
    }
    case SB_TOP: SetCurrentRow(first); break;
    case SB_BOTTOM: SetCurrentRow(last); break;
    default: break; // no move
    }
    if (!alive) return;
    InvalidateRow(Row());
    UpdateActive();
    if (alive) UpdateScrollBar();
}

TRect TCustomZelGrid::WholeRowRect(int ARow) const
{
    return BoxRect(0, ARow, ColCount() - 1, ARow);
}

void TCustomZelGrid::Scroll(int Distance)
{
    const TRect oldRect = WholeRowRect(Row());
    TObjectWatch alive(this);
    UpdateScrollBar();
    if (!alive) return;
    UpdateActive();
    if (!alive) return;
    const TRect newRect = WholeRowRect(Row());
    if (HandleAllocated()) {
        ValidateRect(WindowHandle(), &oldRect);
        InvalidateRect(WindowHandle(), &oldRect, false);
        InvalidateRect(WindowHandle(), &newRect, false);
    }
    if (Distance != 0) {
        HideEditor();
        if (!alive) return;
        // Further than a page: the whole grid is repainted.
        const bool far = std::abs(static_cast<std::int64_t>(Distance)) > VisibleRowCount();
        if (far) {
            Invalidate();
        } else if (HandleAllocated()) {
            const std::int64_t step = std::int64_t{DefaultRowHeight()} + (FOptions.Contains(dgRowLines) ? GridLineWidth() : 0);
            // The whole visible data area, however far down the grid is scrolled.
            const TRect area = BoxRect(FIndicatorCols, FTitleRows, ColCount() - 1, RowCount() - 1);
            ScrollWindowEx(WindowHandle(), 0, ClampToInt(-step * Distance, -MaxCoord, MaxCoord), &area, &area, nullptr,
                           nullptr, SW_INVALIDATE);
            if (FOptions.Contains(dgIndicator)) {
                const TRect lastIndicator = WholeRowRect(FLastIndicatorRow);
                const TRect current = WholeRowRect(Row());
                InvalidateRect(WindowHandle(), &lastIndicator, false);
                InvalidateRect(WindowHandle(), &current, false);
            }
        }
        // Shown again in the normal flow: showing it asks the application, which may raise.
        if (FOptions.Contains(dgAlwaysShowEditor)) ShowEditor();
        if (!alive || far) return;
    }
    if (alive && FUpdateLock == 0) Update();
}
