// Text output of TCanvas: measuring, single runs (TextOut, TextRect, ExtTextOut) and formatted
// text (DrawText: alignment, word breaking, tab expansion, prefixes, ellipsis).
#include <algorithm>
#include <climits>

#include "host/graphics/Canvas.h"
#include "host/graphics/FontEngine.h"
#include "host/graphics/GlyphBlend.h"
#include "host/graphics/TextCodec.h"

namespace {

constexpr TRect Unbounded{INT_MIN / 4, INT_MIN / 4, INT_MAX / 4, INT_MAX / 4};

bool IsBreakSpace(char32_t C) { return C == U' ' || C == U'\t'; }

// Where the pen stands after C drawn at X; a tab goes to the next multiple of TabWidth (0: a
// tab is as wide as a space), other control characters take no room.
int AdvanceOver(TFaceSize& Face, char32_t C, int X, int TabWidth)
{
    if (C == U'\t') return TabWidth > 0 ? (X / TabWidth + 1) * TabWidth : X + Face.Advance(U' ');
    if (C < 0x20) return X;
    return X + Face.Advance(C);
}

int AdvanceOver(TFaceSize& Face, std::u32string_view Text, int X, int TabWidth)
{
    for (char32_t c : Text) X = AdvanceOver(Face, c, X, TabWidth);
    return X;
}


struct TTextLine {
    std::u32string Text;
    int Underline = -1; // index of the character a prefix marks, -1 for none
    int Width = 0;
};

// Removes prefix characters: "&&" stands for "&", "&x" marks x (the first such mark counts).
int StripPrefixes(std::u32string& Text)
{
    int marked = -1;
    std::size_t out = 0;
    for (std::size_t i = 0; i < Text.size(); ++i) {
        if (Text[i] == U'&') {
            if (i + 1 >= Text.size()) break;
            ++i;
            if (Text[i] != U'&' && marked < 0) marked = static_cast<int>(out);
        }
        Text[out++] = Text[i];
    }
    Text.resize(out);
    return marked;
}

// Shortens a line that is wider than MaxWidth to the longest start that fits with "...".
void AddEllipsis(TFaceSize& Face, TTextLine& Line, int MaxWidth, int TabWidth)
{
    if (Line.Width <= MaxWidth) return;
    const int dots = AdvanceOver(Face, U"...", 0, TabWidth);
    std::size_t keep = 0;
    int x = 0;
    while (keep < Line.Text.size()) {
        const int next = AdvanceOver(Face, Line.Text[keep], x, TabWidth);
        if (next + dots > MaxWidth) break;
        x = next;
        ++keep;
    }
    Line.Text.resize(keep);
    Line.Text += U"...";
    if (Line.Underline >= static_cast<int>(keep)) Line.Underline = -1;
    Line.Width = x + dots;
}

// Breaks one paragraph (no line breaks inside) into lines no wider than MaxWidth, at spaces;
// a word wider than the line stays whole. The spaces at a break are dropped.
void BreakParagraph(TFaceSize& Face, std::u32string_view Text, int Marked, int MaxWidth, int TabWidth,
                    std::vector<TTextLine>& Lines)
{
    std::size_t lineStart = 0;
    while (true) {
        std::size_t breakAt = std::u32string_view::npos;
        std::size_t pos = lineStart;
        int x = 0;
        while (pos < Text.size()) {
            std::size_t wordEnd = pos;
            while (wordEnd < Text.size() && IsBreakSpace(Text[wordEnd])) ++wordEnd;
            while (wordEnd < Text.size() && !IsBreakSpace(Text[wordEnd])) ++wordEnd;
            const int after = AdvanceOver(Face, Text.substr(pos, wordEnd - pos), x, TabWidth);
            if (after > MaxWidth && breakAt != std::u32string_view::npos) break;
            breakAt = wordEnd;
            x = after;
            pos = wordEnd;
        }
        const bool last = pos >= Text.size();
        const std::size_t end = last ? Text.size() : breakAt;
        TTextLine line;
        line.Text = Text.substr(lineStart, end - lineStart);
        if (!last)
            while (!line.Text.empty() && IsBreakSpace(line.Text.back())) line.Text.pop_back();
        if (Marked >= static_cast<int>(lineStart) && Marked < static_cast<int>(lineStart + line.Text.size()))
            line.Underline = Marked - static_cast<int>(lineStart);
        Lines.push_back(std::move(line));
        if (last) return;
        lineStart = end;
        while (lineStart < Text.size() && IsBreakSpace(Text[lineStart])) ++lineStart;
        if (lineStart >= Text.size()) return;
    }
}

} // namespace

int TCanvas::RunWidth(std::u32string_view Text, int TabWidth)
{
    return AdvanceOver(Face(), Text, 0, TabWidth);
}

int TCanvas::LineHeight()
{
    return Face().Height();
}

int TCanvas::TextWidth(std::string_view Text)
{
    DecodeText(Text, FText);
    return RunWidth(FText, 0);
}

int TCanvas::TextHeight(std::string_view)
{
    return LineHeight();
}

TSize TCanvas::TextExtent(std::string_view Text)
{
    return {TextWidth(Text), LineHeight()};
}

// Blends one glyph whose mask's top-left is at surface (SX, SY), inside Bound and the clip.
void TCanvas::BlendGlyph(int SX, int SY, const TGlyph& Glyph, TPixel Color, const TRect& Bound)
{
    const TRect area = IntersectRect(Bound, {SX, SY, SX + Glyph.Width, SY + Glyph.Height});
    if (area.IsEmpty()) return;
    NoteDrawn(area);
    for (const TRect& clip : FClip) {
        if (clip.Top >= area.Bottom) break;
        const TRect r = IntersectRect(clip, area);
        if (r.IsEmpty()) continue;
        for (int y = r.Top; y < r.Bottom; ++y) {
            const unsigned char* coverage = Glyph.Coverage.data() + static_cast<std::size_t>(y - SY) * Glyph.Width;
            TPixel* out = Row(y);
            BlendRow(out + r.Left, coverage + (r.Left - SX), r.Width(), Color);
        }
    }
}

void TCanvas::DrawRun(int X, int Y, std::u32string_view Text, const TRect& SurfaceBound, int TabWidth, int Underline)
{
    if (!FBits) return;
    TFaceSize& face = Face();
    const TPixel color = ColorToPixel(FTextColor);
    const int baseline = Y + face.Ascent();
    int x = X;
    for (std::size_t i = 0; i < Text.size(); ++i) {
        const char32_t c = Text[i];
        const int next = AdvanceOver(face, c, x, TabWidth);
        if (c > U' ') {
            const TGlyph& glyph = face.Glyph(c);
            if (glyph.Width > 0)
                BlendGlyph(x + glyph.Left + FOrigin.X, baseline - glyph.Top + FOrigin.Y, glyph, color, SurfaceBound);
        }
        if (static_cast<int>(i) == Underline) {
            const int top = baseline + face.UnderlinePosition();
            FillSurfaceRect(IntersectRect(SurfaceBound, ToSurface({x, top, next, top + face.LineThickness()})), color);
        }
        x = next;
    }
    const TFontStyles style = FFont.Style();
    if (style.Contains(fsUnderline)) {
        const int top = baseline + face.UnderlinePosition();
        FillSurfaceRect(IntersectRect(SurfaceBound, ToSurface({X, top, x, top + face.LineThickness()})), color);
    }
    if (style.Contains(fsStrikeOut)) {
        const int top = baseline - face.StrikeOutPosition();
        FillSurfaceRect(IntersectRect(SurfaceBound, ToSurface({X, top, x, top + face.LineThickness()})), color);
    }
}

bool TCanvas::ExtTextOut(int X, int Y, unsigned Options, const TRect* Rect, std::string_view Text)
{
    DecodeText(Text, FText);
    const TRect bound = Rect && (Options & ETO_CLIPPED) ? ToSurface(*Rect) : Unbounded;
    if (Rect && (Options & ETO_OPAQUE)) FillLogicalRect(*Rect, FBkColor);
    // A cell repainted for a pixel of its frame only: no glyph would land in the clip.
    if (FText.empty() || (Rect && (Options & ETO_CLIPPED) && !FClip.Intersects(bound))) return true;
    const int width = RunWidth(FText, 0);
    // Clipped to a rectangle just filled with the background, the text's own background
    // would fill the same pixels again.
    const bool filled = Rect && (Options & ETO_OPAQUE) && (Options & ETO_CLIPPED);
    if (FBkMode == OPAQUE && !filled)
        FillSurfaceRect(IntersectRect(bound, ToSurface({X, Y, X + width, Y + LineHeight()})), ColorToPixel(FBkColor));
    DrawRun(X, Y, FText, bound, 0, -1);
    return true;
}

void TCanvas::TextOut(int X, int Y, std::string_view Text)
{
    ExtTextOut(X, Y, 0, nullptr, Text);
    FPenPos = {X + RunWidth(FText, 0), Y};
}

void TCanvas::TextRect(const TRect& R, int X, int Y, std::string_view Text)
{
    ExtTextOut(X, Y, ETO_CLIPPED | (FBrush.Style() != bsClear ? ETO_OPAQUE : 0), &R, Text);
}

int TCanvas::DrawText(std::string_view Text, TRect& R, unsigned Format)
{
    TFaceSize& face = Face();
    const int lineHeight = face.Height();
    // DT_TABSTOP puts the tab size (in average characters) in the second byte, in place of
    // the flags that live there.
    int tabChars = 8;
    if (Format & DT_TABSTOP) {
        tabChars = static_cast<int>((Format >> 8) & 0xFF);
        Format &= ~0xFF00u;
    }
    const int tabWidth = Format & DT_EXPANDTABS ? std::max(1, tabChars) * face.AveCharWidth() : 0;
    const bool singleLine = Format & DT_SINGLELINE;

    DecodeText(Text, FText);
    if (FText.empty()) {
        const int height = singleLine ? lineHeight : 0;
        if (Format & DT_CALCRECT) {
            R.Right = R.Left;
            R.Bottom = R.Top + height;
        }
        return height;
    }
    const int marked = Format & DT_NOPREFIX ? -1 : StripPrefixes(FText);

    std::vector<TTextLine> lines;
    const int maxWidth = R.Width();
    std::size_t start = 0;
    while (start <= FText.size()) {
        std::size_t end = start;
        if (!singleLine)
            while (end < FText.size() && FText[end] != U'\r' && FText[end] != U'\n') ++end;
        else
            end = FText.size();
        const std::u32string_view paragraph = std::u32string_view(FText).substr(start, end - start);
        const int paragraphMark = marked >= static_cast<int>(start) ? marked - static_cast<int>(start) : -1;
        if (Format & DT_WORDBREAK && !singleLine) {
            BreakParagraph(face, paragraph, paragraphMark, maxWidth, tabWidth, lines);
        } else {
            TTextLine line;
            line.Text = paragraph;
            if (paragraphMark < static_cast<int>(paragraph.size())) line.Underline = paragraphMark;
            lines.push_back(std::move(line));
        }
        if (end >= FText.size()) break;
        end += FText[end] == U'\r' && end + 1 < FText.size() && FText[end + 1] == U'\n' ? 2 : 1;
        if (end >= FText.size()) break; // a final line break starts no new line
        start = end;
    }

    int widest = 0;
    for (TTextLine& line : lines) {
        line.Width = AdvanceOver(face, line.Text, 0, tabWidth);
        if (Format & DT_END_ELLIPSIS) AddEllipsis(face, line, maxWidth, tabWidth);
        widest = std::max(widest, line.Width);
    }
    const int height = static_cast<int>(lines.size()) * lineHeight;
    if (Format & DT_CALCRECT) {
        R.Right = R.Left + widest;
        R.Bottom = R.Top + height;
        return height;
    }

    int y = R.Top;
    if (singleLine && (Format & DT_VCENTER)) y = R.Top + (R.Height() - lineHeight) / 2;
    else if (singleLine && (Format & DT_BOTTOM)) y = R.Bottom - lineHeight;
    const TRect bound = Format & DT_NOCLIP ? Unbounded : ToSurface(R);
    const TPixel background = ColorToPixel(FBkColor);
    const int firstY = y;
    for (const TTextLine& line : lines) {
        int x = R.Left;
        if (Format & DT_CENTER) x = R.Left + (maxWidth - line.Width) / 2;
        else if (Format & DT_RIGHT) x = R.Right - line.Width;
        if (FBkMode == OPAQUE) FillSurfaceRect(IntersectRect(bound, ToSurface({x, y, x + line.Width, y + lineHeight})), background);
        DrawRun(x, y, line.Text, bound, tabWidth, line.Underline);
        y += lineHeight;
    }
    return firstY - R.Top + height;
}
