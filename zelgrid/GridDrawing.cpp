// Cell drawing: the base grid calls DrawCell once per visible cell. The cell's place decides its
// look:
//
//   cell        fill                      content                           bevel
//   loading     Color                     nothing                           none
//   corner      FixedColor                nothing                           raised
//   indicator   FixedColor                arrow (I-beam while editing)      raised
//               on the current row only
//   title       title Color (focused),    title caption in the title font   raised
//               clInactiveCaption (not)   (clCaptionText without focus)
//   data        SelectedColor (row        OnGetDataCell's text in the       sunken on the current
//               select, current row),     column font, then                 cell, raised elsewhere
//               BlindedColor (even rows   OnDrawColumnCell
//               when Blinded), Color
//
// Fixed cells (with both line kinds) and every cell under Ctl3D are drawn one pixel inside their
// rectangle with text one pixel in (frame offset 1); other cells fill the whole rectangle with
// text two pixels in, and their bevel lies on the grid lines around them.
#include <string>

#include "host/core/Exceptions.h"
#include "host/core/ObjectWatch.h"
#include "host/windows/Paint.h"
#include "zelgrid/CustomZelGrid.h"

namespace {

enum TIndicatorGlyph { igArrow = 0, igEdit = 1 };

// The text colour of the selected row: the complement of the colour shown, a system colour
// resolved first (its stored value would give near-white on any light system colour).
TColor ComplementColor(TColor Value)
{
    const auto v = static_cast<std::uint32_t>(ColorToRGB(Value));
    return RGB(255 - static_cast<int>(v & 255), 255 - static_cast<int>((v >> 8) & 255),
               255 - static_cast<int>((v >> 16) & 255));
}

// The one-pixel bevel just outside R: right and bottom first, then left and top.
void DrawBevel(TCanvas& Canvas, const TRect& R, unsigned Edge)
{
    TRect r = R.Inflate(1, 1);
    Canvas.DrawEdge(r, Edge, BF_RIGHT | BF_BOTTOM);
    Canvas.DrawEdge(r, Edge, BF_LEFT | BF_TOP);
}

// Remembers the cell being painted for the drawing services and restores the outer one (a
// handler may paint another grid, or this one again, from inside a cell).
class TDrawingCellScope {
public:
    TDrawingCellScope(int& Col, int& Row, int NewCol, int NewRow)
        : FCol(Col), FRow(Row), FOldCol(Col), FOldRow(Row)
    {
        Col = NewCol;
        Row = NewRow;
    }
    ~TDrawingCellScope()
    {
        if (FReleased) return;
        FCol = FOldCol;
        FRow = FOldRow;
    }
    TDrawingCellScope(const TDrawingCellScope&) = delete;
    TDrawingCellScope& operator=(const TDrawingCellScope&) = delete;
    // The grid is gone: its fields must not be written.
    void Release() { FReleased = true; }

private:
    int& FCol;
    int& FRow;
    int FOldCol;
    int FOldRow;
    bool FReleased = false;
};

} // namespace

void TCustomZelGrid::DrawCell(int ACol, int ARow, const TRect& ARect, TGridDrawState AState)
{
    TCanvas& canvas = *Canvas();
    if (ComponentState.Contains(csLoading)) {
        canvas.Brush()->SetColor(Color());
        canvas.FillRect(ARect);
        return;
    }
    const int dataCol = ACol - FIndicatorCols;
    const int dataRow = ARow - FTitleRows;
    // A cell of a column the shown layout no longer has is only filled.
    TZelColumn* column = ShownColumn(dataCol);
    if (dataCol >= 0 && !column) {
        canvas.Brush()->SetColor(dataRow < 0 ? FixedColor() : Color());
        canvas.FillRect(ARect);
        return;
    }
    TObjectWatch alive(this);
    TDrawingCellScope drawing(FDrawingCol, FDrawingRow, ACol, ARow);
    try {
        TRect r = ARect;
        int offset = 2;
        if ((AState.Contains(gdFixed) && FOptions.Contains(dgColLines) && FOptions.Contains(dgRowLines)) || Ctl3D()) {
            r = r.Inflate(-1, -1);
            offset = 1;
        }

        if (dataRow < 0 || dataCol < 0) {
            canvas.Brush()->SetColor(FixedColor());
            canvas.FillRect(r);
            DrawBevel(canvas, r, BDR_RAISEDINNER);
            if (dataCol < 0 && dataRow >= 0) {
                if (ARow != Row()) return;
                TImageList& glyphs = *FIndicatorImages;
                glyphs.SetBkColor(FixedColor());
                glyphs.Draw(canvas, r.Right - glyphs.Width() - offset, (r.Top + r.Bottom - glyphs.Height()) / 2,
                            FEditorActive ? igEdit : igArrow, true);
                FLastIndicatorRow = ARow;
            } else if (dataRow < 0 && dataCol >= 0) {
                TZelColumnTitle* title = column->Title();
                canvas.Font()->Assign(title->GetFont());
                FDrawnFocused = DrawsFocused();
                if (FDrawnFocused) {
                    canvas.Brush()->SetColor(title->GetColor());
                } else {
                    canvas.Font()->SetColor(clCaptionText);
                    canvas.Brush()->SetColor(clInactiveCaption);
                }
                if (column->GetWidth() > 0)
                    WriteCellText(canvas, r, offset, offset, title->GetCaption(), title->GetAlignment(), column->WordWrap());
            }
            return;
        }

        canvas.Font()->Assign(column->GetFont());
        if (FOptions.Contains(dgRowSelect) && ARow == Row()) {
            canvas.Brush()->SetColor(FSelectedColor);
            canvas.Font()->SetColor(ComplementColor(FSelectedColor));
        } else if (FBlinded && dataRow % 2 == 0) {
            canvas.Brush()->SetColor(FBlindedColor);
        } else {
            canvas.Brush()->SetColor(Color());
        }
        if (column->GetWidth() > 0) {
            // The text buffer is lent to the handler and taken back, so that a paint allocates
            // nothing per cell once the buffer is large enough.
            std::string text = std::move(FDrawText);
            text.clear();
            GetDataCell(dataCol, dataRow, text);
            if (!alive) {
                drawing.Release();
                return;
            }
            // The handler may have changed the layout: look the column up again.
            column = ShownColumn(dataCol);
            if (!column) {
                FDrawText = std::move(text);
                canvas.FillRect(r);
                return;
            }
            // The text writer covers the cell with the brush itself; the cell is filled only
            // where no text is written, so that each pixel is filled once.
            if (text.empty() || (column->WordWrap() && !CellTextBitmap())) canvas.FillRect(r);
            if (!text.empty()) WriteCellText(canvas, r, offset, offset, text, column->GetAlignment(), column->WordWrap());
            FDrawText = std::move(text);
        }
        DrawColumnCell(r, dataCol, column, AState);
        if (!alive) {
            drawing.Release();
            return;
        }
        // A hidden column's cell has no pixels of its own to frame.
        if (ARect.Right > ARect.Left)
            DrawBevel(canvas, r, ACol == Col() && ARow == Row() ? BDR_SUNKENINNER : BDR_RAISEDINNER);
    } catch (...) {
        if (!alive) {
            drawing.Release();
            throw;
        }
        throw EInvalidGridOperation(DrawFailureMessage(dataCol, dataRow));
    }
}

// "Error Drawing Cell on aCol:2,ARow:4,OrdinalPosition2": data coordinates and the ordinal
// position of the column, -1 where there is no column (indicator and corner cells).
std::string TCustomZelGrid::DrawFailureMessage(int DataCol, int DataRow) const
{
    const TZelColumn* column = ShownColumn(DataCol);
    const int ordinal = column ? column->OrdPosition() : -1;
    return "Error Drawing Cell on aCol:" + std::to_string(DataCol) + ",ARow:" + std::to_string(DataRow) +
           ",OrdinalPosition" + std::to_string(ordinal);
}

void TCustomZelGrid::DrawColumnCell(const TRect& Rect, int DataCol, TZelColumn* Column, TGridDrawState State)
{
    if (OnDrawColumnCell) OnDrawColumnCell(this, Rect, DataCol, Column, State);
}

void TCustomZelGrid::DrawDataCell(const TRect& Rect, TGridDrawState State)
{
    if (OnDrawDataCell) OnDrawDataCell(this, Rect, State);
}

TZelColumn* TCustomZelGrid::ShownColumn(int DataCol) const
{
    TZelGridColumns* columns = GeTZelColumns();
    if (!columns || DataCol < 0 || DataCol >= columns->Count()) return nullptr;
    return columns->GeTZelColumn(DataCol);
}

int TCustomZelGrid::DrawingDataRow() const
{
    return (FDrawingRow >= 0 ? FDrawingRow : Row()) - FTitleRows;
}

void TCustomZelGrid::DefaultDrawColumnCell(const TRect& Rect, int DataCol, TZelColumn* Column, TGridDrawState)
{
    if (!Column) return;
    const TAlignment alignment = Column->GetAlignment();
    const bool wordWrap = Column->WordWrap();
    std::string text;
    TObjectWatch alive(this);
    GetDataCell(DataCol, DrawingDataRow(), text);
    if (!alive) return;
    WriteCellText(*Canvas(), Rect, 2, 2, text, alignment, wordWrap);
}

void TCustomZelGrid::DefaultDrawDataCell(const TRect& Rect, TGridDrawState)
{
    const int dataCol = (FDrawingCol >= 0 ? FDrawingCol : Col()) - FIndicatorCols;
    std::string text;
    TObjectWatch alive(this);
    GetDataCell(dataCol, DrawingDataRow(), text);
    if (!alive) return;
    const TZelColumn* column = ShownColumn(dataCol);
    const bool wordWrap = column && column->WordWrap();
    WriteCellText(*Canvas(), Rect, 2, 2, text, taLeftJustify, wordWrap);
}

bool TCustomZelGrid::HighlightCell(int, int, const std::string&, TGridDrawState AState)
{
    return AState.Contains(gdSelected) && (FOptions.Contains(dgAlwaysShowSelection) || DrawsFocused()) && FUpdateLock == 0;
}

// The cells' pictures overlap their neighbours' by a pixel: each run of them goes to the window
// as one rectangle, the same pixels as cell by cell, without a region union per cell.
void TCustomZelGrid::InvalidateRow(int ARow)
{
    if (!HandleAllocated()) return;
    TZelGridColumns* columns = GeTZelColumns();
    const int last = columns ? columns->Count() : 0;
    TRect run;
    for (int i = 0; i <= last; ++i) {
        const TRect r = CellPictureRect(i, ARow);
        if (r.IsEmpty()) continue;
        if (!run.IsEmpty() && r.Top == run.Top && r.Bottom == run.Bottom && r.Left <= run.Right && r.Right >= run.Left) {
            run = UnionRect(run, r);
            continue;
        }
        if (!run.IsEmpty()) InvalidateRect(WindowHandle(), &run, false);
        run = r;
    }
    if (!run.IsEmpty()) InvalidateRect(WindowHandle(), &run, false);
}

void TCustomZelGrid::InvalidateCurrentRowMarks(int ARow)
{
    if (FOptions.Contains(dgRowSelect) || OnDrawColumnCell || OnDrawDataCell) {
        InvalidateRow(ARow);
        return;
    }
    if (FIndicatorCols > 0) InvalidateCell(0, ARow);
    InvalidateCell(Col(), ARow);
}

TRect TCustomZelGrid::CellPictureRect(int ACol, int ARow) const
{
    const TRect cell = CellRect(ACol, ARow);
    if (cell.IsEmpty()) return cell;
    return UnionRect(TCustomGrid::CellPictureRect(ACol, ARow), cell.Inflate(1, 1));
}
