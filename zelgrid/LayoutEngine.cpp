// The layout engine: brackets that turn a burst of changes into one layout pass, the pass that
// builds the base grid's geometry from the shown layout, the mapping between raw and data
// columns, the write-back of user moves and widths, and layout switching.
//
// Counters: FUpdateLock > 0 blocks passes; FLayoutLock > 0 is an open bracket whose outermost
// end runs the pass. While a bracket is open, the shown column collection is in its update state,
// so its own notifications are held back and released after the pass, inside the lock.
#include <algorithm>
#include <vector>

#include "host/core/Exceptions.h"
#include "host/windows/MessageQueue.h"
#include "zelgrid/CustomZelGrid.h"

namespace {

bool IsDefaultColumn(TZelColumn* Column)
{
    return dynamic_cast<TPassthroughColumn*>(Column) != nullptr;
}

} // namespace

TZelGridColumns* TCustomZelGrid::GeTZelColumns() const
{
    if (FLayoutIndex < 0 || !FLayout) return nullptr;
    TZelLayoutItem* item = FLayout->GetItem(FLayoutIndex);
    return item ? item->GeTZelColumns() : nullptr;
}

void TCustomZelGrid::SeTZelColumns(TZelGridColumns* Value)
{
    TZelGridColumns* columns = GeTZelColumns();
    if (!Value || !columns) return;
    columns->Assign(Value);
}

TZelColLayout* TCustomZelGrid::CreateLayout()
{
    return new TZelColLayout(this, ItemClassOf<TZelLayoutItem>);
}

namespace {
[[noreturn]] void BracketDepthError()
{
    throw EInvalidGridOperation("Too many nested layout or update brackets");
}
} // namespace

void TCustomZelGrid::BeginUpdate()
{
    if (FUpdateLock >= MaxBracketDepth) BracketDepthError();
    ++FUpdateLock;
}

void TCustomZelGrid::EndUpdate()
{
    if (FUpdateLock > 0) --FUpdateLock;
    if (FUpdateLock == 0 && FLayoutLock == 0 && FDeferredLayoutOwed) {
        FDeferredLayoutOwed = false;
        LayoutChanged();
    }
}

void TCustomZelGrid::BeginLayout()
{
    if (FLayoutLock >= MaxBracketDepth || FUpdateLock >= MaxBracketDepth) BracketDepthError();
    BeginUpdate();
    if (FLayoutLock == 0) HoldColumns();
    ++FLayoutLock;
}

void TCustomZelGrid::HoldColumns()
{
    FHeldColumns = GeTZelColumns();
    if (!FHeldColumns) return;
    FHeldColumnsWatch.emplace(FHeldColumns);
    FHeldColumns->BeginUpdate();
}

// Releases the column collection that the outermost BeginLayout held back, wherever it is now,
// unless the bracket freed it.
void TCustomZelGrid::ReleaseHeldColumns()
{
    TZelGridColumns* held = FHeldColumns;
    const bool alive = FHeldColumnsWatch && *FHeldColumnsWatch;
    FHeldColumns = nullptr;
    FHeldColumnsWatch.reset();
    if (held && alive) held->EndUpdate();
}

void TCustomZelGrid::EndLayout()
{
    if (FLayoutLock == 0) return;
    if (FLayoutLock == 1) {
        TObjectWatch alive(this);
        try {
            InternalLayout();
        } catch (...) {
            // A failing pass simply ends at the failing step.
        }
        if (!alive) return; // a handler of the pass freed the grid, and its counters with it
    }
    CancelLayout();
}

// Closes a bracket without a pass; the outermost one releases the held column collection.
void TCustomZelGrid::CancelLayout()
{
    if (FLayoutLock == 0) return;
    struct TCloseCounters {
        explicit TCloseCounters(TCustomZelGrid* AGrid) : Grid(AGrid), Alive(AGrid) {}
        ~TCloseCounters()
        {
            if (!Alive) return;
            --Grid->FLayoutLock;
            Grid->EndUpdate();
        }
        TCustomZelGrid* Grid;
        TObjectWatch Alive;
    } close(this);
    if (FLayoutLock == 1) ReleaseHeldColumns();
}

bool TCustomZelGrid::AcquireLayoutLock()
{
    if (FUpdateLock != 0 || FLayoutLock != 0) return false;
    BeginLayout();
    return true;
}

void TCustomZelGrid::LayoutChanged()
{
    if (AcquireLayoutLock()) EndLayout();
}

// Whether a CM_DEFERLAYOUT waits in the queue for this window (taken out with PM_REMOVE).
bool TCustomZelGrid::PeekDeferLayout(unsigned RemoveFlags)
{
    TMsg waiting;
    return PeekMessage(waiting, WindowHandle(), CM_DEFERLAYOUT, CM_DEFERLAYOUT, RemoveFlags);
}

// Closes the caller's bracket without a pass and asks for the pass through the message queue.
void TCustomZelGrid::DeferLayout()
{
    if (HandleAllocated() && !PeekDeferLayout(PM_NOREMOVE)) PostMessage(WindowHandle(), CM_DEFERLAYOUT, 0, 0);
    CancelLayout();
}

// A deferred pass that finds a bracket or an update open does not close what it did not open:
// the pass stays owed until one runs, at the bracket's end or, when the bracket is cancelled,
// once the last bracket or update closes.
void TCustomZelGrid::CMDeferLayout(TMessage&)
{
    if (AcquireLayoutLock()) {
        EndLayout();
        return;
    }
    FDeferredLayoutOwed = true;
}

void TCustomZelGrid::EnsureShownLayout()
{
    if (!FLayout) FLayout = CreateLayout();
    if (FLayout->Count() == 0) FLayout->Add();
    if (FLayoutIndex >= FLayout->Count()) FLayoutIndex = FLayout->Count() - 1;
    if (FLayoutIndex < 0) FLayoutIndex = 0;
}

// Once a default column has been seen, the first customised column after it removes every
// default column of the collection; default columns not followed by a customised one stay.
void TCustomZelGrid::RemoveDefaultColumns(TZelGridColumns* Columns)
{
    bool seenDefault = false;
    bool customisedAfterDefault = false;
    for (int i = 0; i < Columns->Count() && !customisedAfterDefault; ++i) {
        const bool isDefault = IsDefaultColumn(Columns->GeTZelColumn(i));
        if (isDefault) seenDefault = true;
        else if (seenDefault) customisedAfterDefault = true;
    }
    if (!customisedAfterDefault) return;
    for (int i = Columns->Count() - 1; i >= 0; --i)
        if (IsDefaultColumn(Columns->GeTZelColumn(i))) delete Columns->GeTZelColumn(i);
}

void TCustomZelGrid::InternalLayout()
{
    if (ComponentState.Contains(csLoading)) return;
    if (HandleAllocated()) PeekDeferLayout(PM_REMOVE);
    FDeferredLayoutOwed = false;
    EnsureShownLayout();
    TZelGridColumns* columns = GeTZelColumns();
    RemoveDefaultColumns(columns);

    // Every step below may reach an application handler that frees the grid.
    TObjectWatch alive(this);
    FIndicatorCols = FOptions.Contains(dgIndicator) ? 1 : 0;
    SetColCount(columns->Count() + FIndicatorCols);
    if (!alive) return;
    SetFixedCols(FIndicatorCols);
    if (!alive) return;

    FTitleRows = FOptions.Contains(dgTitles) ? 1 : 0;
    if (FOptions.Contains(dgTitles)) SetRowHeights(0, FTitleHeight != 0 ? FTitleHeight : DefaultRowHeight());
    if (!alive) return;
    UpdateRowCount();
    if (!alive) return;
    SeTZelColumnAttributes();
    if (!alive) return;
    UpdateActive();
    if (!alive) return;
    Invalidate();
}

void TCustomZelGrid::SeTZelColumnAttributes()
{
    TZelGridColumns* columns = GeTZelColumns();
    if (!columns) return;
    // All widths in one step: one at a time would cost the base grid O(columns) each. Writing
    // them may resize the client area, and WM_SIZE asks the application for its row count: its
    // handler may free the grid.
    std::vector<int> widths(static_cast<std::size_t>(columns->Count()));
    for (int i = 0; i < columns->Count(); ++i) {
        TZelColumn* column = columns->GeTZelColumn(i);
        SetTabStops(i + FIndicatorCols, !column->GetReadOnly());
        widths[static_cast<std::size_t>(i)] = column->GetWidth();
    }
    TObjectWatch alive(this);
    SetColWidthsFrom(FIndicatorCols, widths);
    if (alive && FOptions.Contains(dgIndicator)) SetColWidths(0, IndicatorWidth);
}

void TCustomZelGrid::Loaded()
{
    TObjectWatch alive(this);
    TCustomGrid::Loaded();
    if (!alive) return;
    TZelGridColumns* columns = GeTZelColumns();
    if (columns && columns->Count() > 0) SetColCount(columns->Count());
    if (alive) LayoutChanged();
}

void TCustomZelGrid::CreateWnd()
{
    TObjectWatch alive(this);
    BeginUpdate();
    try {
        TCustomGrid::CreateWnd();
    } catch (...) {
        if (alive) EndUpdate();
        throw;
    }
    if (!alive) return;
    EndUpdate();
    if (!alive) return;
    UpdateRowCount();
    if (!alive) return;
    UpdateActive();
    if (!alive) return;
    UpdateScrollBar();
}

void TCustomZelGrid::ColumnMoved(int FromIndex, int ToIndex)
{
    const int from = RawToDataColumn(FromIndex);
    const int to = RawToDataColumn(ToIndex);
    TObjectWatch alive(this);
    if (TZelGridColumns* columns = GeTZelColumns()) columns->GeTZelColumn(from)->SetIndex(to);
    if (alive && OnColumnMoved) OnColumnMoved(this, from, to);
}

void TCustomZelGrid::ColWidthsChanged()
{
    TObjectWatch alive(this);
    TCustomGrid::ColWidthsChanged();
    if (!alive || !AcquireLayoutLock()) return;
    try {
        // Before the first pass the base grid may have more columns than the layout.
        TZelGridColumns* columns = GeTZelColumns();
        const int last = columns ? std::min(ColCount(), columns->Count() + FIndicatorCols) : 0;
        for (int i = FIndicatorCols; i < last && alive; ++i)
            columns->GeTZelColumn(i - FIndicatorCols)->SetWidth(ColWidths(i));
    } catch (...) {
        if (alive) EndLayout();
        throw;
    }
    if (alive) EndLayout();
}

void TCustomZelGrid::ColSized(int ACol)
{
    if (OnColSized) OnColSized(ACol);
}

void TCustomZelGrid::SetLayoutIndex(int Value)
{
    if (Value < 0 || Value == FLayoutIndex) return;
    EnsureShownLayout();
    if (Value <= FLayout->Count() - 1) {
        TObjectWatch alive(this);
        // Text typed into the shown layout is committed while its column is still shown.
        CommitText();
        if (!alive || Value == FLayoutIndex || Value > FLayout->Count() - 1) return;
        const int old = FLayoutIndex;
        FLayoutIndex = Value;
        LayoutChanged();
        if (alive && OnLayoutChange) OnLayoutChange(old, Value);
        return;
    }
    TObjectWatch alive(this);
    HideEditor();
    if (!alive) return;
    FLayout->Add();
    if (!alive) return;
    FLayoutIndex = FLayout->Count() - 1;
    LayoutChanged();
}

void TCustomZelGrid::Dispatch(TMessage& Message)
{
    if (Message.Msg == CM_DEFERLAYOUT) {
        CMDeferLayout(Message);
        return;
    }
    TCustomGrid::Dispatch(Message);
}
