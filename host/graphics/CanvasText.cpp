// Text output of TCanvas: measuring, single runs (TextOut, TextRect, ExtTextOut) and formatted
// text (DrawText: alignment, word breaking, tab expansion, prefixes, ellipsis).
//
// Text is read straight from its UTF-8 bytes, a character at a time, and only as far as it can
// show: a run stops where no further glyph can reach the clip, a right-aligned run is measured
// back from its end, and DrawText lays out lines one by one down to the bottom of the clip. So a
// text of any length costs what its visible part costs and allocates nothing. (A centred run
// and DT_CALCRECT still measure the whole text: its width decides where anything lies.)
#include "host/graphics/Canvas.h"
#include "host/graphics/FontEngine.h"
#include "host/graphics/GlyphBlend.h"
#include "host/graphics/PixelRow.h"
#include "host/graphics/TextCodec.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstring>

namespace {

constexpr TRect Unbounded { INT_MIN / 4, INT_MIN / 4, INT_MAX / 4, INT_MAX / 4 };
constexpr std::size_t NoMark = std::string_view::npos;
constexpr std::int64_t NoLimit = INT64_MAX;

int ToCoord(std::int64_t V)
{
    return static_cast<int>(std::clamp<std::int64_t>(V, INT_MIN / 4, INT_MAX / 4));
}
int ToInt(std::int64_t V)
{
    return static_cast<int>(std::clamp<std::int64_t>(V, INT_MIN, INT_MAX));
}

bool IsBreakSpace(char32_t C)
{
    return C == U' ' || C == U'\t';
}

// Where the pen stands after C drawn at X; a tab goes to the next multiple of TabWidth (0: a
// tab is as wide as a space), other control characters take no room.
std::int64_t AdvanceOver(TFaceSize& Face, char32_t C, std::int64_t X, int TabWidth)
{
    if (C == U'\t') return TabWidth > 0 ? (X / TabWidth + 1) * TabWidth : X + Face.Advance(U' ');
    if (C < 0x20) return X;
    return X + Face.Advance(C);
}

} // namespace

// The characters of UTF-8 text from Pos up to End, then those of Tail. With Prefixes "&&" reads
// as "&" and "&x" as x, and the first such x of the text is the marked one: *Mark keeps where it
// starts once it has been read (text is read from its start, so the first one read is the first).
// StopAtBreak ends the run before a line break (CR or LF) without reading it; BreaksAsSpaces
// reads each line break (CR LF taken together) as one space.
struct TTextRun {
    std::string_view Text;
    std::size_t Pos = 0;
    std::size_t End = 0;
    bool Prefixes = false;
    std::size_t* Mark = nullptr;
    bool StopAtBreak = false;
    bool BreaksAsSpaces = false;
    std::u32string_view Tail;
    std::size_t TailPos = 0;

    // The next character and where it starts (NoMark for the tail); false at the end.
    bool Next(char32_t& C, std::size_t& At)
    {
        if (Pos >= End) {
            if (TailPos >= Tail.size()) return false;
            C = Tail[TailPos++];
            At = NoMark;
            return true;
        }
        std::size_t p = Pos;
        const bool prefixed = Prefixes && Text[p] == '&';
        if (prefixed) {
            // A final "&" is dropped.
            if (p + 1 >= Text.size()) {
                Pos = End;
                return false;
            }
            ++p;
        }
        const std::size_t at = p;
        char32_t c = DecodeAt(Text, p);
        if (c == U'\r' || c == U'\n') {
            if (StopAtBreak) return false;
            if (BreaksAsSpaces) {
                if (c == U'\r' && p < End && Text[p] == '\n') ++p;
                c = U' ';
            }
        }
        if (prefixed && c != U'&' && *Mark == NoMark) *Mark = at;
        Pos = p;
        C = c;
        At = at;
        return true;
    }
    // Whether no character is left before End (or before a line break, with StopAtBreak).
    bool AtEnd() const
    {
        TTextRun probe = *this;
        probe.Tail = {};
        char32_t c;
        std::size_t at;
        return !probe.Next(c, at);
    }
};

namespace {

TTextRun RunOf(std::string_view Text, bool Prefixes = false, std::size_t* Mark = nullptr)
{
    TTextRun run;
    run.Text = Text;
    run.End = Text.size();
    run.Prefixes = Prefixes;
    run.Mark = Mark;
    return run;
}

// The pen after Run's characters from X (Run itself does not move); stops once past Limit.
std::int64_t Measure(TFaceSize& Face, TTextRun Run, std::int64_t X, int TabWidth, std::int64_t Limit)
{
    char32_t c;
    std::size_t at;
    while (X <= Limit && Run.Next(c, at)) X = AdvanceOver(Face, c, X, TabWidth);
    return X;
}

// Moves Pos over the characters of Text (no prefixes, no tab stops) while the pen, from X,
// stays at or left of Limit, and answers the pen. Tight enough to measure or skip text of many
// megabytes: ASCII bytes go through a table of the advances found so far. With BreaksAsSpaces
// a line break (CR LF together) advances as one space.
template <bool BreaksAsSpaces>
std::int64_t AdvanceUtf8(TFaceSize& Face, std::string_view Text, std::size_t& Pos, std::int64_t X, std::int64_t Limit)
{
    std::array<int, 128> ascii;
    ascii.fill(-1);
    // A CR keeps no entry, so that only it takes the branch that looks for its LF.
    if constexpr (BreaksAsSpaces) ascii['\n'] = static_cast<int>(AdvanceOver(Face, U' ', 0, 0));
    const auto* p = reinterpret_cast<const unsigned char*>(Text.data());
    std::size_t i = Pos;
    while (i < Text.size() && X <= Limit) {
        const unsigned char b = p[i];
        if (b < 0x80) {
            if (ascii[b] < 0) {
                if (BreaksAsSpaces && b == '\r') {
                    X += AdvanceOver(Face, U' ', 0, 0);
                    i += i + 1 < Text.size() && p[i + 1] == '\n' ? 2 : 1;
                    continue;
                }
                ascii[b] = static_cast<int>(AdvanceOver(Face, b, 0, 0));
            }
            X += ascii[b];
            ++i;
            continue;
        }
        X = AdvanceOver(Face, DecodeSequenceAt(Text, i), X, 0);
    }
    Pos = i;
    return X;
}

std::int64_t AdvanceUtf8(TFaceSize& Face, std::string_view Text, std::size_t& Pos, std::int64_t X, std::int64_t Limit,
    bool BreaksAsSpaces = false)
{
    return BreaksAsSpaces ? AdvanceUtf8<true>(Face, Text, Pos, X, Limit)
                          : AdvanceUtf8<false>(Face, Text, Pos, X, Limit);
}

std::int64_t MeasureUtf8(TFaceSize& Face, std::string_view Text, bool BreaksAsSpaces = false)
{
    std::size_t pos = 0;
    return AdvanceUtf8(Face, Text, pos, 0, NoLimit, BreaksAsSpaces);
}

// One line of DrawText: its characters start at Start and end at End; Next is where the line
// after it starts, and ParagraphEnd says that Next is at a line break or at the text's end.
struct TLineLayout {
    std::size_t Start = 0;
    std::size_t End = 0;
    std::size_t Next = 0;
    bool ParagraphEnd = true;
    std::int64_t Width = 0;
    bool Exact = true; // false: Width is only known to exceed the line's room
};

// Lays out the line of a word-broken paragraph that starts at Start: words (each with the blanks
// before it) are taken while they fit in MaxWidth, a word wider than the line stays whole, and
// the blanks at a break are dropped. Without NeedWidth, a lone word is measured only until it
// is known not to fit.
TLineLayout BreakLine(TFaceSize& Face, TTextRun Run, int MaxWidth, int TabWidth, bool NeedWidth)
{
    TLineLayout line;
    line.Start = Run.Pos;
    Run.StopAtBreak = true;
    bool taken = false; // a word is on the line
    std::int64_t x = 0;
    char32_t c;
    std::size_t at;
    bool last = false;
    while (true) {
        if (Run.AtEnd()) {
            last = true;
            break;
        }
        const std::size_t chunkStart = Run.Pos;
        std::int64_t after = x;
        bool measuring = true;
        std::size_t before = Run.Pos;
        while (Run.Next(c, at) && IsBreakSpace(c)) {
            after = AdvanceOver(Face, c, after, TabWidth);
            before = Run.Pos;
        }
        Run.Pos = before;
        bool overflow = false;
        while (Run.Next(c, at) && !IsBreakSpace(c)) {
            if (measuring) after = AdvanceOver(Face, c, after, TabWidth);
            before = Run.Pos;
            if (after > MaxWidth) {
                // A word that does not fit goes to the next line, unless it is the first.
                if (taken) {
                    overflow = true;
                    break;
                }
                if (!NeedWidth) measuring = false;
            }
        }
        Run.Pos = before;
        if (overflow || (after > MaxWidth && taken)) {
            Run.Pos = chunkStart;
            break;
        }
        taken = true;
        x = after;
        line.Exact = line.Exact && measuring;
    }
    line.End = Run.Pos;
    line.Width = x;
    if (last) {
        line.Next = line.End;
        line.ParagraphEnd = true;
        return line;
    }
    std::size_t before = Run.Pos;
    while (Run.Next(c, at) && IsBreakSpace(c)) before = Run.Pos;
    Run.Pos = before;
    line.Next = before;
    line.ParagraphEnd = Run.AtEnd();
    return line;
}

} // namespace

int TCanvas::LineHeight()
{
    return Face().Height();
}

TRect TCanvas::GlyphReach()
{
    TFaceSize& face = Face();
    const TFaceSize::TInkBox& ink = face.InkBox();
    return { ink.Left, face.Ascent() - ink.Top, ink.Right, face.Ascent() + ink.Bottom };
}

int TCanvas::TextWidth(std::string_view Text)
{
    return ToInt(MeasureUtf8(Face(), Text));
}

int TCanvas::TextHeight(std::string_view)
{
    return LineHeight();
}

TSize TCanvas::TextExtent(std::string_view Text)
{
    return { TextWidth(Text), LineHeight() };
}

// Blends one glyph whose mask's top-left is at surface (SX, SY), inside Bound and the clip.
void TCanvas::BlendGlyph(int SX, int SY, const TGlyph& Glyph, TPixel Color, const TRect& Bound)
{
    const TRect area = IntersectRect(Bound, { SX, SY, SX + Glyph.Width, SY + Glyph.Height });
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

std::int64_t TCanvas::DrawChars(
    std::int64_t X, int Y, TTextRun& Run, const TRect& SurfaceBound, int TabWidth, std::int64_t LineLeft)
{
    if (!FBits) return X;
    TFaceSize& face = Face();
    const TPixel color = ColorToPixel(FTextColor);
    const int baseline = Y + face.Ascent();
    const TFaceSize::TInkBox& ink = face.InkBox();
    const TRect visible = IntersectRect(SurfaceBound, FClip.Bounds());
    // A glyph reaches the visible part only from a pen between these (logical) positions.
    const std::int64_t from = std::int64_t { visible.Left } - FOrigin.X - ink.Right;
    const std::int64_t to = std::int64_t { visible.Right } - FOrigin.X - ink.Left;
    const int underlineTop = baseline + face.UnderlinePosition();
    std::int64_t x = X;
    char32_t c;
    std::size_t at;
    while (x < to && Run.Next(c, at)) {
        const std::int64_t next = AdvanceOver(face, c, x, TabWidth);
        if (c > U' ' && x > from) {
            const TGlyph& glyph = face.Glyph(c);
            if (glyph.Width > 0)
                BlendGlyph(static_cast<int>(x) + glyph.Left + FOrigin.X, baseline - glyph.Top + FOrigin.Y, glyph, color,
                    SurfaceBound);
        }
        if (at != NoMark && Run.Mark && at == *Run.Mark)
            FillSurfaceRect(
                IntersectRect(SurfaceBound,
                    ToSurface({ ToCoord(x), underlineTop, ToCoord(next), underlineTop + face.LineThickness() })),
                color);
        x = next;
    }
    const TFontStyles style = FFont.Style();
    if (style.Contains(fsUnderline))
        FillSurfaceRect(
            IntersectRect(SurfaceBound,
                ToSurface({ ToCoord(LineLeft), underlineTop, ToCoord(x), underlineTop + face.LineThickness() })),
            color);
    if (style.Contains(fsStrikeOut)) {
        const int top = baseline - face.StrikeOutPosition();
        FillSurfaceRect(
            IntersectRect(SurfaceBound, ToSurface({ ToCoord(LineLeft), top, ToCoord(x), top + face.LineThickness() })),
            color);
    }
    return x;
}

namespace {

// A glyph of an opaque run and where its mask's top-left lies on the surface.
struct TPlacedGlyph {
    const TGlyph* Glyph;
    int X;
    int Y;
};

// Glyphs gathered for one pass; a run with more goes on glyph by glyph.
constexpr int PlacedCapacity = 256;
// Pixels of a row composed at a time.
constexpr int ComposeChunk = 512;

inline std::uint64_t LoadEight(const unsigned char* P)
{
    std::uint64_t v;
    std::memcpy(&v, P, sizeof v);
    return v;
}

// Count (1 to 8) bytes at P as the low bytes of a word, the others 0; End is where the bytes
// that may be read end. Built in a register: bytes stored one by one and read back as a word
// would stall the load.
inline std::uint64_t LoadPart(const unsigned char* P, int Count, const unsigned char* End)
{
    if (End - P >= 8) {
        const std::uint64_t v = LoadEight(P);
        return Count >= 8 ? v : v & ((std::uint64_t { 1 } << (8 * Count)) - 1);
    }
    std::uint64_t v = 0;
    for (int i = 0; i < Count; ++i) v |= std::uint64_t { P[i] } << (8 * i);
    return v;
}

inline void StoreEight(unsigned char* P, std::uint64_t V)
{
    std::memcpy(P, &V, sizeof V);
}

// Surface pixels From..To of row Y (at Out, indexed by surface x): the background with the
// glyphs over it, in their order, as filling and then blending each would leave them. The
// coverage of glyphs that share no inked pixel is gathered into one row, left to right, and
// written through the blend table; a glyph inked over another's ink is blended onto the pixels
// written so far.
void ComposeRow(TPixel* Out, int Y, int From, int To, const TPlacedGlyph* Placed, int Count, const TPixel* Table,
                TPixel Color)
{
    // Coverage from written up to heldEnd; bytes are written eight at a time, so up to seven
    // past heldEnd may hold anything until they are reached.
    unsigned char held[ComposeChunk + 8];
    int written = From; // pixels left of this are on the surface
    int heldEnd = From;
    for (int i = 0; i < Count; ++i) {
        const TPlacedGlyph& p = Placed[i];
        const TGlyph& glyph = *p.Glyph;
        if (Y < p.Y || Y >= p.Y + glyph.Height) continue;
        int left = std::max(p.X, From);
        const int right = std::min(p.X + glyph.Width, To);
        if (left >= right) continue;
        const unsigned char* line = glyph.Coverage.data() + static_cast<std::size_t>(Y - p.Y) * glyph.Width;
        const unsigned char* lineEnd = glyph.Coverage.data() + glyph.Coverage.size();
        if (left < written) {
            const int end = std::min(right, written);
            BlendRow(Out + left, line + (left - p.X), end - left, Color);
            left = end;
            if (left >= right) continue;
        }
        // Where it meets coverage held already: merged, unless a pixel has ink from both; then
        // what is held goes to the surface and this part of the glyph is blended onto it.
        if (left < heldEnd) {
            const int shared = std::min(right, heldEnd) - left;
            unsigned char* into = held + (left - From);
            const unsigned char* coverage = line + (left - p.X);
            bool inkedTwice = false;
            for (int k = 0; k < shared; ++k) inkedTwice |= (into[k] != 0) & (coverage[k] != 0);
            if (inkedTwice) {
                MapCoverageRow(Out + written, held + (written - From), heldEnd - written, Table);
                written = heldEnd;
                BlendRow(Out + left, coverage, shared, Color);
            } else {
                for (int k = 0; k < shared; ++k) into[k] |= coverage[k];
            }
            left += shared;
            if (left >= right) continue;
        }
        // The gap since the last glyph, mostly a pixel or two.
        if (left - heldEnd <= 8)
            StoreEight(held + (heldEnd - From), 0);
        else
            std::memset(held + (heldEnd - From), 0, static_cast<std::size_t>(left - heldEnd));
        for (int x = left; x < right; x += 8)
            StoreEight(held + (x - From), LoadPart(line + (x - p.X), std::min(8, right - x), lineEnd));
        heldEnd = right;
    }
    MapCoverageRow(Out + written, held + (written - From), heldEnd - written, Table);
    FillRow(Out + heldEnd, To - heldEnd, Table[0]);
}

} // namespace

std::int64_t TCanvas::DrawOpaqueChars(
    std::int64_t X, int Y, TTextRun& Run, const TRect& SurfaceBound, std::int64_t LineLeft)
{
    if (!FBits || SurfaceBound.IsEmpty()) return X;
    TFaceSize& face = Face();
    const TPixel background = ColorToPixel(FBkColor), color = ColorToPixel(FTextColor);
    const int baseline = Y + face.Ascent();
    const TFaceSize::TInkBox& ink = face.InkBox();
    const TRect visible = IntersectRect(SurfaceBound, FClip.Bounds());
    const std::int64_t from = std::int64_t { visible.Left } - FOrigin.X - ink.Right;
    const std::int64_t to = std::int64_t { visible.Right } - FOrigin.X - ink.Left;

    // The glyphs first, while the cache keeps every one of them (a glyph rendered on the way
    // may make it start over: the run is then drawn as fill and blends).
    const TTextRun start = Run;
    const unsigned generation = face.Generation();
    TPlacedGlyph placed[PlacedCapacity];
    int count = 0;
    int bandTop = INT_MAX, bandBottom = INT_MIN;
    std::int64_t x = X;
    char32_t c;
    std::size_t at;
    while (count < PlacedCapacity && x < to && Run.Next(c, at)) {
        const std::int64_t next = AdvanceOver(face, c, x, 0);
        if (c > U' ' && x > from) {
            const TGlyph& glyph = face.Glyph(c);
            if (glyph.Width > 0 && glyph.Height > 0) {
                const TPlacedGlyph p { &glyph, static_cast<int>(x) + glyph.Left + FOrigin.X, baseline - glyph.Top + FOrigin.Y };
                placed[count++] = p;
                bandTop = std::min(bandTop, p.Y);
                bandBottom = std::max(bandBottom, p.Y + glyph.Height);
            }
        }
        x = next;
    }
    if (face.Generation() != generation) {
        Run = start;
        FillSurfaceRect(SurfaceBound, background);
        return DrawChars(X, Y, Run, SurfaceBound, 0, LineLeft);
    }

    NoteDrawn(SurfaceBound);
    const TPixel* table = BlendTableFor(background, color);
    for (const TRect& clip : FClip) {
        if (clip.Top >= SurfaceBound.Bottom) break;
        const TRect r = IntersectRect(clip, SurfaceBound);
        if (r.IsEmpty()) continue;
        for (int y = r.Top; y < r.Bottom; ++y) {
            TPixel* row = Row(y);
            if (y < bandTop || y >= bandBottom) {
                FillRow(row + r.Left, r.Width(), background);
                continue;
            }
            for (int left = r.Left; left < r.Right; left += ComposeChunk)
                ComposeRow(row, y, left, std::min(r.Right, left + ComposeChunk), placed, count, table, color);
        }
    }
    // Characters past the glyphs gathered, and the underline and strike-out.
    return DrawChars(x, Y, Run, SurfaceBound, 0, LineLeft);
}

bool TCanvas::ExtTextOut(int X, int Y, unsigned Options, const TRect* Rect, std::string_view Text)
{
    const bool clipped = Rect && (Options & ETO_CLIPPED);
    const TRect bound = clipped ? ToSurface(*Rect) : Unbounded;
    // Clipped to a rectangle filled with the background: the fill and the text are one pass.
    const bool filled = Rect && (Options & ETO_OPAQUE) && (Options & ETO_CLIPPED);
    const bool onePass = filled && FBits && !Text.empty();
    if (Rect && (Options & ETO_OPAQUE) && !onePass) FillLogicalRect(*Rect, FBkColor);
    // A cell repainted for a pixel of its frame only: no glyph would land in the clip.
    if (Text.empty() || (clipped && !FClip.Intersects(bound))) {
        if (onePass) FillLogicalRect(*Rect, FBkColor);
        return true;
    }
    const TRect visible = IntersectRect(bound, FClip.Bounds());
    if (!FBits || visible.IsEmpty()) {
        if (onePass) FillLogicalRect(*Rect, FBkColor);
        return true;
    }
    TFaceSize& face = Face();
    const bool breaksAsSpaces = Options & ETO_BREAKSASSPACES;
    TTextRun run = RunOf(Text);
    run.BreaksAsSpaces = breaksAsSpaces;
    // The characters whose glyphs end left of the visible part are skipped; a glyph reaches
    // into it only from a pen right of this.
    const std::int64_t reach = std::int64_t { visible.Left } - FOrigin.X - face.InkBox().Right;
    std::int64_t x = X; // the pen where the run starts
    if (FTextAlign == TA_RIGHT) {
        // Back from the end until no glyph left of the pen can reach the visible part.
        run.Pos = Text.size();
        while (run.Pos > 0 && x > reach) {
            std::size_t p = PriorCharStart(Text, run.Pos);
            run.Pos = p;
            char32_t c = DecodeAt(Text, p);
            if (breaksAsSpaces && (c == U'\r' || c == U'\n')) {
                // A CR LF pair is stepped over as one space, never entered between its bytes.
                if (c == U'\n' && run.Pos > 0 && Text[run.Pos - 1] == '\r') --run.Pos;
                c = U' ';
            }
            x -= AdvanceOver(face, c, 0, 0);
        }
    }
    if (FTextAlign == TA_CENTER) x = X - MeasureUtf8(face, Text, breaksAsSpaces) / 2;
    // Where the text's background and lines start: left of the visible part, or its true start.
    const std::int64_t left = x;
    if (FTextAlign != TA_RIGHT) x = AdvanceUtf8(face, Text, run.Pos, x, reach, breaksAsSpaces);
    if (onePass) {
        DrawOpaqueChars(x, Y, run, bound, left);
        return true;
    }
    // Clipped to a rectangle filled with the background, the text's own background would fill
    // the same pixels again.
    if (FBkMode == OPAQUE && !filled) {
        const std::int64_t end = Measure(face, run, x, 0, std::int64_t { visible.Right } - FOrigin.X);
        FillSurfaceRect(IntersectRect(bound, ToSurface({ ToCoord(left), Y, ToCoord(end), Y + face.Height() })),
            ColorToPixel(FBkColor));
    }
    DrawChars(x, Y, run, bound, 0, left);
    return true;
}

void TCanvas::TextOut(int X, int Y, std::string_view Text)
{
    ExtTextOut(X, Y, 0, nullptr, Text);
    std::int64_t end = X;
    if (FTextAlign == TA_CENTER) {
        const std::int64_t width = MeasureUtf8(Face(), Text);
        end = X - width / 2 + width;
    } else if (FTextAlign == TA_LEFT) {
        end = X + MeasureUtf8(Face(), Text);
    }
    FPenPos = { ToInt(end), Y };
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
    const bool wordBreak = (Format & DT_WORDBREAK) && !singleLine;
    const bool calc = Format & DT_CALCRECT;
    const bool ellipsis = Format & DT_END_ELLIPSIS;
    const bool aligned = Format & (DT_CENTER | DT_RIGHT);

    if (Text.empty()) {
        const int height = singleLine ? lineHeight : 0;
        if (calc) {
            R.Right = R.Left;
            R.Bottom = R.Top + height;
        }
        return height;
    }
    std::size_t mark = NoMark;
    const TTextRun all = RunOf(Text, !(Format & DT_NOPREFIX), &mark);
    const int maxWidth = R.Width();
    const std::u32string_view dotsText = U"...";
    TTextRun dotsRun;
    dotsRun.Tail = dotsText;
    const std::int64_t dots = ellipsis ? Measure(face, dotsRun, 0, tabWidth, NoLimit) : 0;

    int y = R.Top;
    if (singleLine && (Format & DT_VCENTER))
        y = R.Top + (R.Height() - lineHeight) / 2;
    else if (singleLine && (Format & DT_BOTTOM))
        y = R.Bottom - lineHeight;
    const int firstY = y;
    const TRect bound = Format & DT_NOCLIP ? Unbounded : ToSurface(R);
    const TRect visible = FBits ? IntersectRect(bound, FClip.Bounds()) : TRect {};
    const TFaceSize::TInkBox& ink = face.InkBox();
    const TPixel background = ColorToPixel(FBkColor);

    std::int64_t lines = 0, widest = 0;
    std::int64_t lineTop = y; // of the line laid out next
    std::size_t pos = 0;
    while (true) {
        // Drawing ends with the first line whose glyphs all lie below the clip.
        if (!calc && (visible.IsEmpty() || lineTop + FOrigin.Y + face.Ascent() - ink.Top >= visible.Bottom)) break;
        TTextRun run = all;
        run.Pos = pos;
        run.StopAtBreak = !singleLine;
        TLineLayout line;
        line.Start = pos;
        if (wordBreak) {
            line = BreakLine(face, run, maxWidth, tabWidth, calc || aligned || ellipsis || FBkMode == OPAQUE);
            run.End = line.End;
        } else {
            line.Exact = false;
        }
        // How much of the width this line needs: all of it to measure or align, whether it
        // exceeds the room for an ellipsis, as far as the clip for an opaque background.
        std::int64_t limit = -1;
        if (calc || aligned)
            limit = ellipsis ? maxWidth : NoLimit;
        else if (ellipsis)
            limit = maxWidth;
        else if (FBkMode == OPAQUE)
            limit = std::int64_t { visible.Right } - FOrigin.X - R.Left;
        std::int64_t width = line.Width;
        if (!line.Exact && limit >= 0) width = Measure(face, run, 0, tabWidth, limit);
        if (ellipsis && width > maxWidth) {
            // The longest start of the line that fits with "..." after it.
            TTextRun keep = run;
            std::int64_t x = 0;
            std::size_t before = keep.Pos;
            char32_t c;
            std::size_t at;
            while (keep.Next(c, at)) {
                const std::int64_t next = AdvanceOver(face, c, x, tabWidth);
                if (next + dots > maxWidth) break;
                x = next;
                before = keep.Pos;
            }
            run.End = before;
            run.Tail = dotsText;
            width = x + dots;
        }
        ++lines;
        widest = std::max(widest, width);
        if (!calc && lineTop + FOrigin.Y + face.Ascent() + ink.Bottom > visible.Top) {
            std::int64_t x = R.Left;
            if (Format & DT_CENTER)
                x = R.Left + (maxWidth - width) / 2;
            else if (Format & DT_RIGHT)
                x = R.Right - width;
            const int top = static_cast<int>(lineTop);
            if (FBkMode == OPAQUE)
                FillSurfaceRect(
                    IntersectRect(bound, ToSurface({ ToCoord(x), top, ToCoord(x + width), top + lineHeight })),
                    background);
            TTextRun draw = run;
            DrawChars(x, top, draw, bound, tabWidth, x);
        }
        lineTop += lineHeight;
        if (singleLine) break;
        if (wordBreak && !line.ParagraphEnd) {
            pos = line.Next;
            continue;
        }
        // On to the line break that ends the paragraph (or to the text's end).
        if (wordBreak) {
            pos = line.Next;
        } else {
            TTextRun rest = all;
            rest.Pos = line.Start;
            rest.StopAtBreak = true;
            char32_t c;
            std::size_t at;
            while (rest.Next(c, at)) { }
            pos = rest.Pos;
        }
        TTextRun after = all;
        after.Pos = pos;
        char32_t c;
        std::size_t at;
        if (!after.Next(c, at)) break;
        if (c == U'\r') {
            TTextRun lf = after;
            if (lf.Next(c, at) && c == U'\n') after = lf;
        }
        if (after.AtEnd()) break; // a final line break starts no new line
        pos = after.Pos;
    }
    const std::int64_t height = lines * lineHeight;
    if (calc) {
        R.Right = ToInt(R.Left + widest);
        R.Bottom = ToInt(R.Top + height);
        return ToInt(height);
    }
    return ToInt(firstY - R.Top + height);
}
