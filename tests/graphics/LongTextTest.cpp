// Text of any length: a run or a word-broken text clipped to a cell shows exactly what the part
// of it that reaches the cell shows, drawn whole and unclipped, and drawing it allocates nothing
// for its length.
#include "tests/graphics/PixelSupport.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <new>
#include <string>

// Bytes asked of operator new while GCounting is set. (g++ sees the malloc inside the replaced
// operator new and warns about the matching free; the pair is the replacement itself.)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
namespace {
std::size_t GAllocated = 0;
bool GCounting = false;
} // namespace

void* operator new(std::size_t Size)
{
    if (GCounting) GAllocated += Size;
    void* p = std::malloc(Size ? Size : 1);
    if (!p) throw std::bad_alloc();
    return p;
}
void operator delete(void* P) noexcept
{
    std::free(P);
}
void operator delete(void* P, std::size_t) noexcept
{
    std::free(P);
}

namespace {

// One period of the long texts: glyphs that reach left of their pen (a combining diaeresis,
// 'j') or right of their advance (italic 'f'), two- and three-byte characters, a tab, a stray
// continuation byte and a lead byte without its continuation (each read as Latin-1). It starts
// and ends with ASCII, so repeating it repeats its characters and its width.
const std::string Period = "fjord e\xCC\x88 caf\xC3\xA9 12\xE2\x82\xAC\tx\x80y\xC3z ffij ";

std::string Repeat(const std::string& Part, std::size_t Times)
{
    std::string text;
    text.reserve(Part.size() * Times);
    for (std::size_t i = 0; i < Times; ++i) text += Part;
    return text;
}

// Bytes allocated while Draw runs.
template <class TDraw> std::size_t AllocatedBy(TDraw Draw)
{
    GAllocated = 0;
    GCounting = true;
    Draw();
    GCounting = false;
    return GAllocated;
}

void SetFont(TCanvas& C, TFontStyles Style)
{
    C.Font()->SetName("DejaVu Sans");
    C.Font()->SetHeight(-13);
    C.Font()->SetStyle(Style);
    C.Font()->SetColor(clBlack);
    C.Brush()->SetColor(clYellow);
}

// The first pixel of Area in Actual that differs from Expected at the same place shifted by
// Shift; empty when all agree.
std::string FirstDifference(const TBitmap& Actual, const TRect& Area, const TBitmap& Expected, TPoint Shift)
{
    for (int y = Area.Top; y < Area.Bottom; ++y)
        for (int x = Area.Left; x < Area.Right; ++x)
            if (Actual.Pixel(x, y) != Expected.Pixel(x + Shift.X, y + Shift.Y))
                return "pixel (" + std::to_string(x) + ", " + std::to_string(y) + ")";
    return {};
}

} // namespace

TEST(LongText, ClippedRunShowsWhatItsNearPartShowsAndAllocatesNothing)
{
    const std::size_t times = (std::size_t { 4 } << 20) / Period.size(); // 4 MiB
    const std::string text = Repeat(Period, times);
    struct TCase {
        const char* What;
        unsigned Align;
        TFontStyles Style;
        unsigned Options;
        int BkMode;
        TRect Cell;
        TPoint Origin;
        bool EndAtMark = false; // the cell's right edge at the pen of a combining mark
    };
    const TCase cases[] = {
        { "left, ending where a mark drawn back over its letter stands", TA_LEFT, {}, ETO_CLIPPED, TRANSPARENT,
            { 40, 10, 0, 28 }, { 0, 0 }, true },
        { "left, italic, ending where a mark stands", TA_LEFT, { fsItalic }, ETO_OPAQUE | ETO_CLIPPED, OPAQUE,
            { 40, 10, 0, 28 }, { 0, 0 }, true },
        { "left, a grid cell", TA_LEFT, {}, ETO_OPAQUE | ETO_CLIPPED, OPAQUE, { 40, 10, 160, 28 }, { 0, 0 } },
        { "left, italic underlined over the surface's left edge", TA_LEFT, { fsItalic, fsUnderline }, ETO_CLIPPED,
            TRANSPARENT, { -30, 10, 90, 28 }, { 0, 0 } },
        { "left, own background, shifted origin", TA_LEFT, { fsBold }, ETO_CLIPPED, OPAQUE, { 40, 10, 160, 28 },
            { -17, 5 } },
        { "right, a grid cell", TA_RIGHT, {}, ETO_OPAQUE | ETO_CLIPPED, OPAQUE, { 100, 10, 220, 28 }, { 0, 0 } },
        { "right, italic struck out", TA_RIGHT, { fsItalic, fsStrikeOut }, ETO_CLIPPED, TRANSPARENT,
            { 100, 10, 220, 28 }, { 0, 0 } },
        { "right, own background past the surface's right edge", TA_RIGHT, { fsUnderline }, ETO_CLIPPED, OPAQUE,
            { 200, 10, 400, 28 }, { 9, 0 } },
        { "centred", TA_CENTER, {}, ETO_OPAQUE | ETO_CLIPPED, OPAQUE, { 60, 10, 180, 28 }, { 0, 0 } },
        { "centred, bold italic underlined", TA_CENTER, { fsBold, fsItalic, fsUnderline }, ETO_CLIPPED, OPAQUE,
            { 60, 10, 180, 28 }, { 3, -2 } },
    };
    for (TCase c : cases) {
        SCOPED_TRACE(c.What);
        TBitmap bmp;
        Fill(bmp, 300, 40, clWhite);
        TCanvas& canvas = *bmp.Canvas();
        SetFont(canvas, c.Style);
        canvas.SetBkMode(c.BkMode);
        canvas.SetOrigin(c.Origin);
        canvas.SetTextAlign(c.Align);
        const int width = canvas.TextWidth(Period); // renders every glyph of the text
        if (c.EndAtMark) c.Cell.Right = c.Cell.Left + 2 + canvas.TextWidth(Period.substr(0, Period.find("\xCC\x88")));
        const int x = c.Align == TA_LEFT ? c.Cell.Left + 2
            : c.Align == TA_RIGHT        ? c.Cell.Right - 3
                                         : (c.Cell.Left + c.Cell.Right) / 2;
        const int y = c.Cell.Top + 2;
        const std::size_t allocated = AllocatedBy([&] { canvas.ExtTextOut(x, y, c.Options, &c.Cell, text); });
        EXPECT_EQ(allocated, 0u) << "nothing allocated for a text of " << text.size() << " bytes";

        // The periods from well left of the cell to well right of it, drawn whole on a surface
        // that holds all of them, without a clip.
        const long long total = static_cast<long long>(width) * static_cast<long long>(times);
        const long long start = c.Align == TA_LEFT ? x : c.Align == TA_RIGHT ? x - total : x - total / 2;
        const std::size_t shown = static_cast<std::size_t>((c.Cell.Width() + 400) / width + 2);
        std::size_t first = static_cast<std::size_t>(std::max(0LL, (c.Cell.Left - 200 - start) / width));
        if (c.Align == TA_RIGHT) first = times - shown;
        const int referenceX = static_cast<int>(start + static_cast<long long>(first) * width);
        TBitmap reference;
        const int margin = 200;
        Fill(reference, static_cast<int>(shown) * width + 2 * margin, 40, clWhite);
        TCanvas& r = *reference.Canvas();
        SetFont(r, c.Style);
        r.SetBkMode(c.BkMode);
        // A logical point p of the cell lies at p - shift on the reference.
        const TPoint shift { referenceX - margin, -c.Origin.Y };
        if (c.Options & ETO_OPAQUE) r.FillRect(c.Cell.Offset(-shift.X, -shift.Y));
        r.TextOut(margin, y + c.Origin.Y, Repeat(Period, shown));

        const TRect cell = IntersectRect(c.Cell.Offset(c.Origin.X, c.Origin.Y), { 0, 0, 300, 40 });
        EXPECT_EQ(FirstDifference(bmp, cell, reference, { -shift.X - c.Origin.X, 0 }), "");
        EXPECT_EQ(InkBounds(bmp, clWhite), IntersectRect(cell, InkBounds(bmp, clWhite))) << "nothing outside the cell";
        EXPECT_GT(CountPixels(bmp, clBlack, cell), 0) << "the cell shows text";
    }
}

TEST(LongText, TextWidthOfALongTextIsTheSumOfItsPartsAndAllocatesNothing)
{
    TBitmap bmp(10, 10);
    TCanvas& c = *bmp.Canvas();
    SetFont(c, {});
    const int width = c.TextWidth(Period);
    const std::string text = Repeat(Period, 100'000);
    int measured = 0;
    EXPECT_EQ(AllocatedBy([&] { measured = c.TextWidth(text); }), 0u);
    EXPECT_EQ(measured, width * 100'000);
}

TEST(LongText, FormattedTextStopsAtTheClipAndShowsWhatItsStartShows)
{
    // Words to wrap, prefixes included; a paragraph of megabytes followed by a second one.
    const std::string words
        = "Lorem &ipsum dolor e\xCC\x88 sit amet, caf\xC3\xA9 consectetur 12\xE2\x82\xAC jjff adipiscing elit. ";
    const std::string wrapped = Repeat(words, (std::size_t { 4 } << 20) / words.size());
    const std::string wrappedStart = Repeat(words, 40);
    const std::string line = Repeat(Period, (std::size_t { 4 } << 20) / Period.size());
    const std::string lineStart = Repeat(Period, 30);
    const std::string second = "\r\nThe &second line";
    struct TCase {
        const char* What;
        const std::string& Text;
        std::string Start;
        unsigned Format;
        int BkMode;
    };
    const TCase cases[] = {
        { "word-broken, left", wrapped, wrappedStart, DT_WORDBREAK, TRANSPARENT },
        { "word-broken, right, opaque", wrapped, wrappedStart, DT_WORDBREAK | DT_RIGHT, OPAQUE },
        { "word-broken, centred, tabs expanded", wrapped, wrappedStart, DT_WORDBREAK | DT_CENTER | DT_EXPANDTABS,
            TRANSPARENT },
        { "a line of megabytes, then another", line + second, lineStart + second, DT_LEFT | DT_NOPREFIX, OPAQUE },
        { "one line with an ellipsis", line, lineStart, DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS, OPAQUE },
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.What);
        const TRect cell { 30, 6, 170, 58 };
        TBitmap bmp;
        Fill(bmp, 200, 70, clWhite);
        TCanvas& canvas = *bmp.Canvas();
        SetFont(canvas, { fsUnderline });
        canvas.SetBkMode(c.BkMode);
        canvas.TextWidth(c.Start);
        TRect r = cell;
        const std::size_t allocated = AllocatedBy([&] { canvas.DrawText(c.Text, r, c.Format); });
        EXPECT_LT(allocated, 4096u) << "nothing allocated for a text of " << c.Text.size() << " bytes";

        // The start of the text, laid out on the same width in a rectangle tall enough to show
        // every line of it.
        TBitmap reference;
        Fill(reference, 200, 2000, clWhite);
        TCanvas& ref = *reference.Canvas();
        SetFont(ref, { fsUnderline });
        ref.SetBkMode(c.BkMode);
        TRect tall = cell;
        if (!(c.Format & DT_SINGLELINE)) tall.Bottom = 2000;
        ref.DrawText(c.Start, tall, c.Format);
        EXPECT_EQ(FirstDifference(bmp, cell, reference, { 0, 0 }), "");
        EXPECT_GT(CountPixels(bmp, clBlack, cell), 0);
        EXPECT_EQ(InkBounds(bmp, clWhite), IntersectRect(cell, InkBounds(bmp, clWhite))) << "nothing outside the cell";
    }
}
