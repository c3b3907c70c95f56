// The paint loop: grid lines, then the cells, then what lies beyond the last cell. Only the
// cells inside the canvas's clip are visited: the first row and column
// come from hit testing the clip's top-left corner, so a partial repaint of a huge grid costs
// what a repaint of a small one does, and nothing is allocated per cell.
#include <algorithm>
#include <type_traits>

#include "host/controls/Grids.h"
#include "host/windows/Paint.h"

namespace {

// Calls Visit(index, start, end) for every visible cell of one band of an axis: the cells
// From..To (shown from pixel Origin on) that lie inside [ClipLo, ClipHi). A visitor that answers
// a bool stops the walk with false (the grid was freed by a cell painter); so does the walk. A
// cell reaching past MaxCoord ends there, so that painters may add to its edges.
template <class TVisit>
bool ForEachCell(const TGridAxis& Axis, int From, int To, int Origin, std::int64_t OriginPos, int ClipLo, int ClipHi,
                 TVisit&& Visit)
{
    for (int i = Axis.NextVisible(From); i >= 0 && i <= To; i = Axis.NextVisible(i + 1)) {
        const std::int64_t start = Origin + (Axis.Position(i) - OriginPos);
        if (start >= ClipHi) break;
        const std::int64_t end = start + Axis.Size(i);
        if (end + Axis.LineWidth() <= ClipLo) continue;
        const int shownEnd = ClampToInt(end, 0, MaxCoord);
        if constexpr (std::is_void_v<std::invoke_result_t<TVisit&, int, int, int>>) {
            Visit(i, static_cast<int>(start), shownEnd);
        } else if (!Visit(i, static_cast<int>(start), shownEnd)) {
            return false;
        }
    }
    return true;
}

// The horizontal extent, in logical coordinates, of the canvas's clip between Top and Bottom;
// empty when the clip has nothing there.
TRect ClipSpan(const TCanvas& Canvas, int Top, int Bottom)
{
    const TPoint o = Canvas.Origin();
    TRect span;
    for (const TRect& r : Canvas.EffectiveClip()) {
        if (r.Top - o.Y >= Bottom || r.Bottom - o.Y <= Top) continue;
        const TRect piece{r.Left - o.X, Top, r.Right - o.X, Bottom};
        span = span.IsEmpty() ? piece : UnionRect(span, piece);
    }
    return span;
}

} // namespace

// The right and bottom edges of the last visible column and row, at most the client's.
TPoint TCustomGrid::GridEnd() const
{
    const TRect client = ClientRect();
    const TGridAxisView h = Horz(), v = Vert();
    const int lastCol = h.LastVisible(), lastRow = v.LastVisible();
    const auto edge = [](const TGridAxis& Axis, int Fixed, int TopLeft, int Last, int ClientEnd) {
        if (Last < TopLeft) return std::min(ClientEnd, Fixed);
        const std::int64_t end = Fixed + Axis.Position(Last + 1) - Axis.Position(TopLeft);
        return static_cast<int>(std::min<std::int64_t>(ClientEnd, end));
    };
    return {edge(FCols, h.FixedBoundary(), FTopLeft.X, lastCol, client.Right),
            edge(FRows, v.FixedBoundary(), FTopLeft.Y, lastRow, client.Bottom)};
}

void TCustomGrid::Paint()
{
    TCanvas& canvas = *Canvas();
    const TRect client = ClientRect();
    const TRect clip = IntersectRect(canvas.ClipRect(), client);
    const TGridAxisView h = Horz(), v = Vert();
    const int fixedRight = h.FixedBoundary(), fixedBottom = v.FixedBoundary();
    const bool focused = IsActiveControl();
    const TGridRect selection = Selection();
    const bool lines3D = FOptions.Contains(goFixedVertLine) && FOptions.Contains(goFixedHorzLine);

    // The first scrolled row and column the clip reaches.
    const int firstRow = clip.Top > fixedBottom ? std::max(FTopLeft.Y, v.CoordAt(clip.Top)) : FTopLeft.Y;
    const int firstCol = clip.Left > fixedRight ? std::max(FTopLeft.X, h.CoordAt(clip.Left)) : FTopLeft.X;
    const std::int64_t topPos = FRows.Position(FTopLeft.Y), leftPos = FCols.Position(FTopLeft.X);

    // Lines first: a cell painter may draw over the lines around its cell (a bevel one pixel
    // outside the cell rectangle).
    DrawGridLines(canvas, clip);

    // One watch for the whole paint: a cell painter that frees the grid ends the paint.
    TObjectWatch alive(this);
    auto paintCell = [&](int ACol, int ARow, int Left, int Right, int Top, int Bottom) {
        const TRect where{Left, Top, Right, Bottom};
        TGridDrawState state;
        const bool fixed = ACol < FFixedCols || ARow < FFixedRows;
        if (fixed) {
            state.Include(gdFixed);
        } else {
            if (focused && ACol == FCurrent.X && ARow == FCurrent.Y) state.Include(gdFocused);
            if (selection.Contains(ACol, ARow)) state.Include(gdSelected);
        }
        if (FDefaultDrawing) {
            const bool highlight = state.Contains(gdSelected) &&
                                   (!state.Contains(gdFocused) || FOptions.Contains(goDrawFocusSelected) ||
                                    FOptions.Contains(goRowSelect));
            if (fixed) {
                canvas.Brush()->SetColor(FFixedColor);
            } else if (highlight) {
                canvas.Brush()->SetColor(clHighlight);
                canvas.Font()->SetColor(clHighlightText);
            } else {
                canvas.Brush()->SetColor(Color());
                canvas.Font()->SetColor(Font()->Color());
            }
            canvas.FillRect(where);
        }
        DrawCell(ACol, ARow, where, state);
        if (!alive) return false;
        if (FDefaultDrawing && fixed && Ctl3D() && lines3D) {
            TRect edge = where;
            canvas.DrawEdge(edge, BDR_RAISEDINNER, BF_BOTTOMRIGHT);
            canvas.DrawEdge(edge, BDR_RAISEDINNER, BF_TOPLEFT);
        }
        if (FDefaultDrawing && state.Contains(gdFocused) && !FOptions.Contains(goRowSelect)) {
            canvas.Brush()->SetColor(clWindowFrame);
            canvas.FrameRect(where);
        }
        return true;
    };
    // With FDrawHiddenCols, the hidden columns right before each painted column get an empty
    // rectangle at its left edge, and those after the grid's last visible column one at its end.
    const int lastVisibleCol = FCols.PriorVisible(ColCount() - 1);
    auto paintBand = [&](int ARow, int Top, int Bottom, int From, int To, int Origin, std::int64_t OriginPos,
                         int ClipLo, int ClipHi) {
        return ForEachCell(FCols, From, To, Origin, OriginPos, ClipLo, ClipHi, [&](int c, int l, int r) {
            if (FDrawHiddenCols) {
                int hidden = c;
                while (hidden > From && FCols.Size(hidden - 1) <= 0) --hidden;
                for (; hidden < c; ++hidden)
                    if (!paintCell(hidden, ARow, l, l, Top, Bottom)) return false;
            }
            if (!paintCell(c, ARow, l, r, Top, Bottom)) return false;
            if (FDrawHiddenCols && c == lastVisibleCol) {
                const int end = r + FCols.LineWidth();
                for (int hidden = c + 1; hidden <= To; ++hidden)
                    if (!paintCell(hidden, ARow, end, end, Top, Bottom)) return false;
            }
            return true;
        });
    };
    // Each row is painted across the part of the clip that reaches it (the lines its cells draw
    // on included), not across the clip's bounds: a repaint of one row and of a cell far
    // from it visits two cells of the cell's row. Cells that draw before their rectangle reach
    // into the clip from after its right and bottom edges.
    const int hline = FRows.LineWidth();
    const int lead = std::max(0, CellPictureLead());
    const auto reach = [lead](int ClipEnd, int ClientEnd) { return std::min(ClipEnd + lead, std::max(ClipEnd, ClientEnd)); };
    auto paintRow = [&](int ARow, int Top, int Bottom) {
        const TRect span = ClipSpan(canvas, Top - lead, Bottom + hline + lead);
        const int left = std::max(clip.Left, span.Left);
        const int right = reach(std::min(clip.Right, span.Right), client.Right);
        if (left >= right) return true;
        return paintBand(ARow, Top, Bottom, 0, FFixedCols - 1, 0, 0, left, std::min(right, fixedRight)) &&
               paintBand(ARow, Top, Bottom, firstCol, ColCount() - 1, fixedRight, leftPos, std::max(left, fixedRight),
                         right);
    };
    const int bottom = reach(clip.Bottom, client.Bottom);
    if (!ForEachCell(FRows, 0, FFixedRows - 1, 0, 0, clip.Top, std::min(bottom, fixedBottom), paintRow) ||
        !ForEachCell(FRows, firstRow, RowCount() - 1, fixedBottom, topPos, std::max(clip.Top, fixedBottom), bottom,
                     paintRow))
        return;

    // What lies beyond the last column and below the last row.
    const TPoint gridEnd = GridEnd();
    const int gridRight = gridEnd.X, gridBottom = gridEnd.Y;
    canvas.Brush()->SetColor(Color());
    if (gridRight < client.Right) canvas.FillRect({gridRight, client.Top, client.Right, client.Bottom});
    if (gridBottom < client.Bottom) canvas.FillRect({client.Left, gridBottom, gridRight, client.Bottom});

    if (FGridState == gsColSizing) DrawSizingLine(canvas);
    if (FGridState == gsColMoving) DrawMoveMark(canvas);
}

// The lines in the gap after each visible cell: fixed lines in the fixed area, the others in the
// scrolled area; each only where cells are.
void TCustomGrid::DrawGridLines(TCanvas& Canvas, const TRect& Clip)
{
    const int vline = FCols.LineWidth(), hline = FRows.LineWidth();
    if (vline <= 0 && hline <= 0) return;
    const TGridAxisView h = Horz(), v = Vert();
    const int fixedRight = h.FixedBoundary(), fixedBottom = v.FixedBoundary();
    const std::int64_t topPos = FRows.Position(FTopLeft.Y), leftPos = FCols.Position(FTopLeft.X);
    const TPoint gridEnd = GridEnd();
    const int gridRight = gridEnd.X, gridBottom = gridEnd.Y;
    const TColor fixedColor = clBlack;
    const TColor lineColor = ColorToRGB(Color()) == clSilver ? clGray : clSilver;
    const bool fixedV = FOptions.Contains(goFixedVertLine), scrolledV = FOptions.Contains(goVertLine);
    const bool fixedH = FOptions.Contains(goFixedHorzLine), scrolledH = FOptions.Contains(goHorzLine);

    // Lines are at most a window wide (SetGridLineWidth) and start before MaxCoord: no sum here
    // overflows.
    auto fill = [&](TColor Color, TRect R) {
        R = IntersectRect(R, Clip);
        if (R.IsEmpty()) return;
        Canvas.Brush()->SetColor(Color);
        Canvas.FillRect(R);
    };
    auto verticalLine = [&](int Col, int X) {
        const bool fixedCol = Col < FFixedCols;
        if (fixedV) fill(fixedColor, {X, 0, X + vline, fixedBottom});
        if (fixedCol ? fixedV : scrolledV) fill(fixedCol ? fixedColor : lineColor, {X, fixedBottom, X + vline, gridBottom});
    };
    auto horizontalLine = [&](int Row, int Y) {
        const bool fixedRow = Row < FFixedRows;
        if (fixedH) fill(fixedColor, {0, Y, fixedRight, Y + hline});
        if (fixedRow ? fixedH : scrolledH) fill(fixedRow ? fixedColor : lineColor, {fixedRight, Y, gridRight, Y + hline});
    };
    if (vline > 0) {
        ForEachCell(FCols, 0, FFixedCols - 1, 0, 0, Clip.Left - vline, fixedRight,
                    [&](int c, int, int r) { verticalLine(c, r); });
        ForEachCell(FCols, FTopLeft.X, ColCount() - 1, fixedRight, leftPos, std::max(Clip.Left - vline, fixedRight),
                    Clip.Right, [&](int c, int, int r) { verticalLine(c, r); });
    }
    if (hline > 0) {
        ForEachCell(FRows, 0, FFixedRows - 1, 0, 0, Clip.Top - hline, fixedBottom,
                    [&](int r, int, int b) { horizontalLine(r, b); });
        ForEachCell(FRows, FTopLeft.Y, RowCount() - 1, fixedBottom, topPos, std::max(Clip.Top - hline, fixedBottom),
                    Clip.Bottom, [&](int r, int, int b) { horizontalLine(r, b); });
    }
}

void TCustomGrid::DrawSizingLine(TCanvas& Canvas)
{
    Canvas.Brush()->SetColor(clBlack);
    Canvas.FillRect({FSizingPos - 1, 0, FSizingPos + 1, ClientHeight()});
}

// Where a moved column would land: a bar on the near edge of the target column.
static TRect MoveMarkRect(const TGridAxisView& H, const TGridAxis& Cols, int MoveIndex, int MovePos, int Height)
{
    if (MovePos < 0 || !H.IsVisible(MovePos)) return {};
    const std::int64_t start = H.Start(MovePos);
    // A column as wide as int goes puts the far edge past any window: the bar ends there.
    const int x = ClampToInt(MovePos > MoveIndex ? start + Cols.Size(MovePos) : start, -MaxCoord, MaxCoord);
    return {x - 2, 0, x + 2, Height};
}

void TCustomGrid::DrawMoveMark(TCanvas& Canvas)
{
    if (FMovePos == FMoveIndex) return;
    const TRect mark = MoveMarkRect(Horz(), FCols, FMoveIndex, FMovePos, Vert().FixedBoundary());
    if (mark.IsEmpty()) return;
    Canvas.Brush()->SetColor(clBlack);
    Canvas.FillRect(mark);
}

void TCustomGrid::InvalidateSizingLine()
{
    if (!HandleAllocated()) return;
    if (FGridState == gsColSizing) {
        const TRect line{FSizingPos - 1, 0, FSizingPos + 1, ClientHeight()};
        InvalidateRect(WindowHandle(), &line, false);
    } else if (FGridState == gsColMoving) {
        const TRect mark = MoveMarkRect(Horz(), FCols, FMoveIndex, FMovePos, Vert().FixedBoundary());
        InvalidateRect(WindowHandle(), &mark, false);
    }
}

// ----- invalidation -------------------------------------------------------------------------

TRect TCustomGrid::CellPictureRect(int ACol, int ARow) const
{
    TRect r = CellRect(ACol, ARow);
    if (r.IsEmpty()) return r;
    // The grid line after the cell belongs to its picture (the focus frame touches it).
    r.Right += FCols.LineWidth();
    r.Bottom += FRows.LineWidth();
    return r;
}

void TCustomGrid::InvalidateCell(int ACol, int ARow)
{
    if (!HandleAllocated()) return;
    const TRect r = CellPictureRect(ACol, ARow);
    if (r.IsEmpty()) return;
    InvalidateRect(WindowHandle(), &r, false);
}

void TCustomGrid::InvalidateCol(int ACol)
{
    if (!HandleAllocated()) return;
    TRect r = BoxRect(ACol, 0, ACol, RowCount() - 1);
    if (r.IsEmpty()) return;
    r.Right += FCols.LineWidth();
    InvalidateRect(WindowHandle(), &r, false);
}

void TCustomGrid::InvalidateRow(int ARow)
{
    if (!HandleAllocated()) return;
    TRect r = BoxRect(0, ARow, ColCount() - 1, ARow);
    if (r.IsEmpty()) return;
    r.Bottom += FRows.LineWidth();
    InvalidateRect(WindowHandle(), &r, false);
}
