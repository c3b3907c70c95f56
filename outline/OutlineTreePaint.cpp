// Drawing the outline tree: headers, then one row per visible node from the top row down. A row
// is its caption cell (lines, button glyph, caption) and its value cell (an optional glyph and
// the text the application gives through OnGetNodeData, asked for each row painted).
#include <algorithm>

#include "host/core/ObjectWatch.h"
#include "outline/OutlineTreeView.h"

namespace {
constexpr const char* GlyphResources[] = {"OTCHECKED",   "OTUNCHECKED", "OTGRAYED",   "OTOPTIONED",
                                          "OTUNOPTIONED", "OTCOLLAPSED", "OTEXPANDED", "OTNONCHILD"};
constexpr int GlyphSize = 12;
constexpr int TextMargin = 3;

// Dotted lines on every other pixel of the surface, so neighbouring rows join up.
void DottedVertical(TCanvas& Canvas, int X, int Top, int Bottom, TColor Color)
{
    for (int y = Top + ((X + Top) & 1); y < Bottom; y += 2) Canvas.SetPixel(X, y, Color);
}

void DottedHorizontal(TCanvas& Canvas, int Y, int Left, int Right, TColor Color)
{
    for (int x = Left + ((Left + Y) & 1); x < Right; x += 2) Canvas.SetPixel(x, Y, Color);
}

// The glyph a true Flag of OnGetNodeData shows for Number.
bool FlagGlyph(int Number, TTreeButtonGlyph& Glyph)
{
    static constexpr TTreeButtonGlyph ByNumber[] = {tbgUnChecked, tbgChecked, tbgGrayed, tbgUnOptioned, tbgOptioned};
    if (Number < 0 || Number >= static_cast<int>(std::size(ByNumber))) return false;
    Glyph = ByNumber[Number];
    return true;
}
} // namespace

void TOutlineTreeView::LoadGlyphs()
{
    for (std::size_t i = 0; i < FGlyphs.size(); ++i) {
        FGlyphs[i] = std::make_unique<TBitmap>();
        FGlyphs[i]->LoadFromResourceName(GlyphResources[i]);
        FGlyphs[i]->SetTransparent(true);
    }
}

void TOutlineTreeView::DrawGlyph(TCanvas& Canvas, TTreeButtonGlyph Which, int X, int Y)
{
    const TBitmap& glyph = *FGlyphs[Which];
    if (!glyph.Empty()) Canvas.Draw(X, Y, glyph);
}

void TOutlineTreeView::Paint()
{
    EnsureRows();
    TCanvas& canvas = *Canvas();
    const TRect client = ClientRect();
    canvas.SetFont(Font());
    canvas.SetBkMode(TRANSPARENT);
    int y = client.Top;
    if (FShowHeaders) {
        PaintHeaders(canvas, {client.Left, y, client.Right, y + FHeadersHeight});
        y += FHeadersHeight;
    }
    const int height = RowHeight();
    const TRect clip = canvas.ClipRect();
    TObjectWatch alive(this);
    for (int row = FTopRow; row < static_cast<int>(FRows.size()) && y < client.Bottom; ++row, y += height) {
        if (y + height <= clip.Top) continue;
        if (y >= clip.Bottom) return;
        const bool whole = PaintRow(canvas, FRows[static_cast<std::size_t>(row)], {client.Left, y, client.Right, y + height});
        if (!alive) return;
        if (!whole) {
            Invalidate();
            return;
        }
    }
    if (y >= client.Bottom) return;
    canvas.Brush()->SetColor(FBackgroundColor);
    canvas.FillRect({client.Left, y, client.Right, client.Bottom});
    if (!FTreeOptions.Contains(totDrawGrid)) return;
    canvas.Brush()->SetColor(clBtnShadow);
    canvas.FillRect({FWidthOutline, y, FWidthOutline + 1, client.Bottom});
}

void TOutlineTreeView::PaintHeaders(TCanvas& Canvas, const TRect& Area)
{
    const TRect cells[] = {{Area.Left, Area.Top, std::min(Area.Right, FWidthOutline), Area.Bottom},
                           {std::min(Area.Right, FWidthOutline), Area.Top, Area.Right, Area.Bottom}};
    const std::string* captions[] = {&FPropText, &FValuesText};
    for (int i = 0; i < 2; ++i) {
        TRect cell = cells[i];
        if (cell.IsEmpty()) continue;
        Canvas.Brush()->SetColor(clBtnFace);
        Canvas.FillRect(cell);
        if (FFlat) {
            Canvas.Brush()->SetColor(clBtnShadow);
            Canvas.FillRect({cell.Left, cell.Bottom - 1, cell.Right, cell.Bottom});
            Canvas.FillRect({cell.Right - 1, cell.Top, cell.Right, cell.Bottom});
        } else {
            TRect edge = cell;
            Canvas.DrawEdge(edge, EDGE_RAISED, BF_RECT);
        }
        TRect text = cell.Inflate(-TextMargin, 0);
        Canvas.Font()->SetColor(clBtnText);
        Canvas.DrawText(*captions[i], text, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS);
    }
}

void TOutlineTreeView::PaintLines(TCanvas& Canvas, const TTreeNode* Node, const TRect& Row, int Level)
{
    const TColor color = clGray;
    const int mid = Row.Top + Row.Height() / 2;
    // A line passes through the row for every ancestor that has siblings still to come.
    int level = Level - 1;
    for (const TTreeNode* p = Node->Parent(); p; p = p->Parent(), --level)
        if (p->getNextSibling()) DottedVertical(Canvas, level * FIndent + FIndent / 2, Row.Top, Row.Bottom, color);
    const int x = Level * FIndent + FIndent / 2;
    const int top = Node->getPrevSibling() || Node->Parent() ? Row.Top : mid;
    const int bottom = Node->getNextSibling() ? Row.Bottom : mid + 1;
    DottedVertical(Canvas, x, top, bottom, color);
    DottedHorizontal(Canvas, mid, x, (Level + 1) * FIndent, color);
}

bool TOutlineTreeView::PaintRow(TCanvas& Canvas, TTreeNode* Node, const TRect& Row)
{
    const bool selected = Node == Selected();
    const bool grid = FTreeOptions.Contains(totDrawGrid);
    Canvas.Brush()->SetColor(selected ? FSelectedBackgroundColor : FBackgroundColor);
    Canvas.FillRect(Row);

    // The caption cell.
    const TCanvasState state = Canvas.SaveState();
    Canvas.IntersectClipRect({Row.Left, Row.Top, std::min(Row.Right, FWidthOutline), Row.Bottom});
    const int level = Node->Level();
    const int mid = Row.Top + Row.Height() / 2;
    if (FTreeOptions.Contains(totShowLines)) PaintLines(Canvas, Node, Row, level);
    if (FTreeOptions.Contains(totShowButtons)) {
        const int gx = level * FIndent + (FIndent - GlyphSize + 1) / 2, gy = mid - GlyphSize / 2;
        if (Node->HasChildren()) DrawGlyph(Canvas, Node->Expanded() ? tbgExpanded : tbgCollapsed, gx, gy);
        else if (!FTreeOptions.Contains(totNopaintNoChilds)) DrawGlyph(Canvas, tbgNonChild, gx, gy);
    }
    const int textX = (level + 1) * FIndent + 2;
    const int textY = Row.Top + (Row.Height() - Canvas.LineHeight()) / 2;
    if (selected) {
        // The caption stands out even where both backgrounds are the same colour.
        const int width = Canvas.TextWidth(Node->Text());
        Canvas.Brush()->SetColor(clHighlight);
        Canvas.FillRect({textX - 2, Row.Top + 1, textX + width + 2, Row.Bottom - 1});
        Canvas.Font()->SetColor(clHighlightText);
    } else {
        Canvas.Font()->SetColor(Font()->Color());
    }
    Canvas.TextOut(textX, textY, Node->Text());
    Canvas.RestoreState(state);

    // The value cell.
    std::string text;
    bool flag = false;
    int number = 0;
    TObjectWatch alive(this);
    GetNodeData(Node, text, flag, number);
    if (!alive || FRowsDirty) return false;
    const TRect value{std::min(Row.Right, FWidthOutline + 1), Row.Top, Row.Right, Row.Bottom};
    int x = value.Left + TextMargin;
    TTreeButtonGlyph glyph{};
    if (flag && FlagGlyph(number, glyph)) {
        DrawGlyph(Canvas, glyph, x, mid - GlyphSize / 2);
        x += GlyphSize + TextMargin;
    }
    Canvas.Font()->SetColor(Font()->Color());
    const TRect textClip{value.Left, value.Top, value.Right - 1, value.Bottom};
    Canvas.ExtTextOut(x, textY, ETO_CLIPPED, &textClip, text);

    if (!grid) return true;
    Canvas.Brush()->SetColor(clBtnShadow);
    Canvas.FillRect({Row.Left, Row.Bottom - 1, Row.Right, Row.Bottom});
    Canvas.FillRect({FWidthOutline, Row.Top, FWidthOutline + 1, Row.Bottom});
    return true;
}
