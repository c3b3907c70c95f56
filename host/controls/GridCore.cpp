#include <algorithm>
#include <string>

#include "host/controls/Grids.h"
#include "host/controls/InplaceEdit.h"
#include "host/core/Exceptions.h"
#include "host/windows/ScrollBar.h"

namespace {

[[noreturn]] void IndexOutOfRange()
{
    throw EInvalidGridOperation("Grid index out of range");
}

} // namespace

TCustomGrid::TCustomGrid(TComponent* AOwner)
    : TCustomControl(AOwner), FCols(5, 64, 1), FRows(5, 24, 1)
{
    ControlStyle = {csCaptureMouse, csOpaque, csDoubleClicks};
    FOptions = {goFixedVertLine, goFixedHorzLine, goVertLine, goHorzLine, goRangeSelect};
    SetBounds(0, 0, 320, 120);
    SetColor(clWindow);
    SetParentColor(false);
    SetTabStop(true);
    SetBorderStyle(bsSingle);
}

TCustomGrid::~TCustomGrid()
{
    StopAutoScroll();
    // The editor is a child control: it goes with the grid's other children, but must not be
    // reached through FInplaceEdit while that happens.
    TInplaceEdit* editor = FInplaceEdit;
    FInplaceEdit = nullptr;
    delete editor;
}

TGridAxisView TCustomGrid::Horz() const
{
    return {&FCols, FFixedCols, FTopLeft.X, ClientWidth()};
}

TGridAxisView TCustomGrid::Vert() const
{
    return {&FRows, FFixedRows, FTopLeft.Y, ClientHeight()};
}

// ----- dimensions ---------------------------------------------------------------------------

void TCustomGrid::SetColCount(int Value)
{
    Value = std::max(1, Value);
    if (Value == ColCount()) return;
    FCols.SetCount(Value);
    std::erase_if(FNoTabStops, [Value](int Col) { return Col >= Value; });
    FFixedCols = std::min(FFixedCols, Value);
    TObjectWatch alive(this);
    CheckCurrent();
    if (alive) SizesChanged();
}

void TCustomGrid::SetRowCount(int Value)
{
    Value = std::max(1, Value);
    if (Value == RowCount()) return;
    FRows.SetCount(Value);
    FFixedRows = std::min(FFixedRows, Value);
    TObjectWatch alive(this);
    CheckCurrent();
    if (alive) SizesChanged();
}

void TCustomGrid::SetFixedCount(int& Fixed, int& TopLeft, int Value, int Count, const char* Axis)
{
    if (Value < 0) IndexOutOfRange();
    if (Value > Count)
        throw EInvalidGridOperation(std::string("Fixed ") + Axis + " count must not exceed " + Axis + " count");
    if (Value == Fixed) return;
    // The scrolled cells keep their place: a grid that showed its first scrollable cell still does.
    const TGridCoord oldTopLeft = FTopLeft;
    TopLeft = std::clamp(SatAdd(TopLeft, std::int64_t{Value} - Fixed), Value, std::max(Value, Count - 1));
    Fixed = Value;
    TObjectWatch alive(this);
    CheckCurrent();
    if (alive && FTopLeft != oldTopLeft) TopLeftMoved(oldTopLeft);
    if (alive) SizesChanged();
}

void TCustomGrid::SetFixedCols(int Value) { SetFixedCount(FFixedCols, FTopLeft.X, Value, ColCount(), "column"); }

void TCustomGrid::SetFixedRows(int Value) { SetFixedCount(FFixedRows, FTopLeft.Y, Value, RowCount(), "row"); }

void TCustomGrid::CheckCurrent()
{
    auto clampCol = [this](int C) { return std::clamp(C, std::min(FFixedCols, ColCount() - 1), ColCount() - 1); };
    auto clampRow = [this](int R) { return std::clamp(R, std::min(FFixedRows, RowCount() - 1), RowCount() - 1); };
    FCurrent = {clampCol(FCurrent.X), clampRow(FCurrent.Y)};
    FAnchor = {clampCol(FAnchor.X), clampRow(FAnchor.Y)};
    if (FOptions.Contains(goRowSelect)) FAnchor.X = ColCount() - 1;
    ClampTopLeft();
}

void TCustomGrid::ClampTopLeft()
{
    const TGridCoord old = FTopLeft;
    FTopLeft.X = std::clamp(FTopLeft.X, FFixedCols, std::max(FFixedCols, ColCount() - 1));
    FTopLeft.Y = std::clamp(FTopLeft.Y, FFixedRows, std::max(FFixedRows, RowCount() - 1));
    if (FTopLeft != old) TopLeftMoved(old);
}

void TCustomGrid::SizesChanged()
{
    if (FUpdatingScrollRange) return;
    TObjectWatch alive(this);
    UpdateScrollRange();
    if (!alive) return;
    Invalidate();
    if (FInplaceEdit) UpdateEdit();
}

void TCustomGrid::UpdateLineWidths()
{
    FCols.SetLineWidth(FOptions.Contains(goVertLine) ? FGridLineWidth : 0);
    FRows.SetLineWidth(FOptions.Contains(goHorzLine) ? FGridLineWidth : 0);
}

// ----- sizes --------------------------------------------------------------------------------

void TCustomGrid::SetDefaultColWidth(int Value)
{
    if (Value < 1) return;
    FCols.SetDefaultSize(Value);
    FCols.ResetSizes();
    ColWidthsChanged();
}

void TCustomGrid::SetDefaultRowHeight(int Value)
{
    if (Value < 1) return;
    FRows.SetDefaultSize(Value);
    FRows.ResetSizes();
    RowHeightsChanged();
}

void TCustomGrid::SetGridLineWidth(int Value)
{
    // A line wider than a window shows nothing more, and keeps the axis sums far from overflow.
    Value = std::min(Value, MaxWindowSize);
    if (Value < 0 || Value == FGridLineWidth) return;
    FGridLineWidth = Value;
    UpdateLineWidths();
    SizesChanged();
}

void TCustomGrid::SetColWidths(int Index, int Value)
{
    if (FCols.Size(Index) == Value) return; // Size raises for an index out of range
    FCols.SetSize(Index, Value);
    ColWidthsChanged();
}

void TCustomGrid::SetColWidthsFrom(int First, std::span<const int> Widths)
{
    if (FCols.SetSizes(First, Widths)) ColWidthsChanged();
}

void TCustomGrid::SetRowHeights(int Index, int Value)
{
    if (FRows.Size(Index) == Value) return;
    FRows.SetSize(Index, Value);
    RowHeightsChanged();
}

void TCustomGrid::ColWidthsChanged()
{
    SizesChanged();
}

void TCustomGrid::RowHeightsChanged()
{
    SizesChanged();
}

bool TCustomGrid::TabStops(int Index) const
{
    if (Index < 0 || Index >= ColCount()) IndexOutOfRange();
    return !std::binary_search(FNoTabStops.begin(), FNoTabStops.end(), Index);
}

void TCustomGrid::SetTabStops(int Index, bool Value)
{
    if (Index < 0 || Index >= ColCount()) IndexOutOfRange();
    const auto it = std::lower_bound(FNoTabStops.begin(), FNoTabStops.end(), Index);
    const bool stored = it != FNoTabStops.end() && *it == Index;
    if (Value && stored) FNoTabStops.erase(it);
    if (!Value && !stored) FNoTabStops.insert(it, Index);
}

void TCustomGrid::MoveColumn(int FromIndex, int ToIndex)
{
    if (FromIndex == ToIndex) return;
    FCols.Move(FromIndex, ToIndex);
    // Tab stops travel with their column, as the widths do.
    const bool movedStop = !std::binary_search(FNoTabStops.begin(), FNoTabStops.end(), FromIndex);
    auto adjust = [FromIndex, ToIndex](int& Index) {
        if (Index == FromIndex) Index = ToIndex;
        else if (FromIndex < ToIndex && Index > FromIndex && Index <= ToIndex) --Index;
        else if (FromIndex > ToIndex && Index >= ToIndex && Index < FromIndex) ++Index;
    };
    std::vector<int> stops;
    for (int col : FNoTabStops)
        if (col != FromIndex) {
            adjust(col);
            stops.push_back(col);
        }
    if (!movedStop) stops.push_back(ToIndex);
    std::sort(stops.begin(), stops.end());
    FNoTabStops = std::move(stops);
    adjust(FCurrent.X);
    adjust(FAnchor.X);
    if (FInplaceCol >= 0) adjust(FInplaceCol);
    Invalidate();
    TObjectWatch alive(this);
    ColumnMoved(FromIndex, ToIndex);
    if (alive) ColWidthsChanged();
}

void TCustomGrid::ColumnMoved(int FromIndex, int ToIndex)
{
    if (OnColumnMoved) OnColumnMoved(this, FromIndex, ToIndex);
}

void TCustomGrid::RowMoved(int, int) {}

// ----- settings -----------------------------------------------------------------------------

void TCustomGrid::SetOptions(TGridOptions Value)
{
    if (Value.Contains(goRowSelect)) Value.Exclude(goAlwaysShowEditor);
    if (Value == FOptions) return;
    FOptions = Value;
    UpdateLineWidths();
    TObjectWatch alive(this);
    if (!Value.Contains(goEditing)) HideEditor();
    else if (!FEditorMode) {
        if (Value.Contains(goAlwaysShowEditor)) ShowEditor();
        else HideEditor();
    }
    if (!alive) return;
    if (Value.Contains(goRowSelect)) MoveCurrent(FCurrent.X, FCurrent.Y, true, false);
    if (alive) SizesChanged();
}

void TCustomGrid::SetScrollBars(TScrollStyle Value)
{
    if (Value == FScrollBars) return;
    FScrollBars = Value;
    for (int i = 0; i < 2; ++i) FBarMax[i] = FBarPos[i] = -1;
    if (!HandleAllocated()) return;
    // A bar that is no longer wanted goes away; the wanted ones follow the range.
    if (Value == ssNone || Value == ssHorizontal) ShowScrollBar(WindowHandle(), SB_VERT, false);
    if (Value == ssNone || Value == ssVertical) ShowScrollBar(WindowHandle(), SB_HORZ, false);
    UpdateScrollRange();
}

void TCustomGrid::SetFixedColor(TColor Value)
{
    if (Value == FFixedColor) return;
    FFixedColor = Value;
    Invalidate();
}

void TCustomGrid::SetDefaultDrawing(bool Value)
{
    if (Value == FDefaultDrawing) return;
    FDefaultDrawing = Value;
    Invalidate();
}

void TCustomGrid::CreateParams(TCreateParams& Params)
{
    TCustomControl::CreateParams(Params);
    // The bars appear when there is something to scroll (UpdateScrollRange).
    Params.Style &= ~(WS_HSCROLL | WS_VSCROLL);
}

void TCustomGrid::CreateWnd()
{
    TCustomControl::CreateWnd();
    for (int i = 0; i < 2; ++i) FBarMax[i] = FBarPos[i] = -1;
    UpdateScrollRange();
}

void TCustomGrid::BoundsChanged()
{
    if (!HandleAllocated()) ClampTopLeft();
}

// ----- geometry queries ---------------------------------------------------------------------

TRect TCustomGrid::BoxRect(int ALeft, int ATop, int ARight, int ABottom) const
{
    if (ARight < ALeft) std::swap(ALeft, ARight);
    if (ABottom < ATop) std::swap(ATop, ABottom);
    int left = 0, right = 0, top = 0, bottom = 0;
    if (!Horz().Span(ALeft, ARight, left, right) || !Vert().Span(ATop, ABottom, top, bottom)) return {};
    return {left, top, right, bottom};
}

TRect TCustomGrid::CellRect(int ACol, int ARow) const
{
    return BoxRect(ACol, ARow, ACol, ARow);
}

TGridCoord TCustomGrid::MouseCoord(int X, int Y) const
{
    return {Horz().CoordAt(X), Vert().CoordAt(Y)};
}

bool TCustomGrid::Sizing(int X, int Y) const
{
    return SizingColumnAt(X, Y).Index >= 0;
}

TGridRect TCustomGrid::Selection() const
{
    return {std::min(FCurrent.X, FAnchor.X), std::min(FCurrent.Y, FAnchor.Y), std::max(FCurrent.X, FAnchor.X),
            std::max(FCurrent.Y, FAnchor.Y)};
}

int TCustomGrid::VisibleRowCount() const
{
    return Vert().FullVisibleCount();
}

int TCustomGrid::VisibleColCount() const
{
    return Horz().FullVisibleCount();
}

bool TCustomGrid::SelectCell(int, int)
{
    return true;
}

void TCustomGrid::DrawCell(int, int, const TRect&, TGridDrawState) {}
