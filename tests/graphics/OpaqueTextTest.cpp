// Opaque text clipped to its rectangle is drawn in one pass (the background and the glyphs
// together, through a colour pair's blend table); it must leave exactly the pixels of filling
// the rectangle and then blending the text over it.
#include "tests/graphics/PixelSupport.h"

#include <gtest/gtest.h>
#include <string>

namespace {

std::string Repeat(const std::string& Part, int Times)
{
    std::string text;
    for (int i = 0; i < Times; ++i) text += Part;
    return text;
}

// A surface whose pixels differ from each other, so that a pixel written outside the cell or
// left unwritten inside it shows.
void Noise(TBitmap& Bitmap, int Width, int Height)
{
    Bitmap.SetSize(Width, Height);
    for (int i = 0; i < Width * Height; ++i) Bitmap.Bits()[i] = 0xFF000000u | static_cast<TPixel>(i * 2654435761u >> 8);
}

} // namespace

TEST(OpaqueText, OnePassLeavesThePixelsOfFillingThenBlending)
{
    struct TCase {
        const char* What;
        std::string Text;
        TFontStyles Style;
        int Height;
        TRect Cell;
        unsigned Align = TA_LEFT;
        TPoint Origin {};
        TRect Excluded {}; // cut out of the clip: a clip of several rectangles
    };
    const TCase cases[] = {
        { "a grid cell", "R123456C7", {}, -12, { 10, 5, 74, 23 } },
        { "bold italic, glyphs inked over each other", "fjord ffij Wavy AVATAR jjj", { fsBold, fsItalic }, -17,
            { 3, 4, 250, 30 } },
        { "combining marks drawn back over their letters", "e\xCC\x88o\xCC\x82\xCC\x88 a\xCC\x8A\xCC\x81", {}, -20,
            { 5, 2, 120, 34 } },
        { "wider than a row composed at a time", Repeat("The quick brown fox, ", 12), {}, -12, { -20, 3, 1290, 21 } },
        { "more glyphs than one pass gathers", Repeat("il", 330), {}, -9, { 0, 40, 1300, 54 } },
        { "underlined and struck out", "Strike under", { fsUnderline, fsStrikeOut }, -14, { 30, 10, 160, 32 } },
        { "right-aligned past the cell's left edge", Repeat("right ", 20), { fsItalic }, -13, { 40, 8, 140, 26 },
            TA_RIGHT },
        { "centred, shifted origin", "centred text", {}, -13, { 40, 8, 140, 26 }, TA_CENTER, { -7, 5 } },
        { "a clip of two rectangles", "clipped in two places", { fsBold }, -15, { 10, 10, 200, 34 }, TA_LEFT, {},
            { 60, 0, 90, 100 } },
    };
    // More colour pairs than the tables kept, so that tables are made again and reused.
    const TColor pairs[][2] = { { clBlack, clWhite }, { clWhite, clNavy }, { clRed, RGB(0xEE, 0xF3, 0xFA) },
        { clHighlightText, clHighlight }, { RGB(1, 2, 3), RGB(250, 251, 252) }, { clGreen, clYellow },
        { clBlue, clSilver }, { clMaroon, clAqua }, { RGB(128, 128, 128), RGB(127, 127, 127) },
        { clBlack, clWhite } };
    TBitmap actual, expected;
    for (const TCase& c : cases) {
        for (const auto& pair : pairs) {
            SCOPED_TRACE(std::string(c.What) + ", pair " + std::to_string(&pair - pairs));
            Noise(actual, 1300, 60);
            Noise(expected, 1300, 60);
            const int x = c.Align == TA_LEFT ? c.Cell.Left + 2
                : c.Align == TA_RIGHT        ? c.Cell.Right - 3
                                             : (c.Cell.Left + c.Cell.Right) / 2;
            const int y = c.Cell.Top + 2;
            for (TBitmap* bmp : { &actual, &expected }) {
                TCanvas& canvas = *bmp->Canvas();
                canvas.SelectClipRgn(nullptr);
                canvas.SetOrigin(c.Origin);
                if (!c.Excluded.IsEmpty()) canvas.ExcludeClipRect(c.Excluded);
                canvas.Font()->SetName("DejaVu Sans");
                canvas.Font()->SetHeight(c.Height);
                canvas.Font()->SetStyle(c.Style);
                canvas.Font()->SetColor(pair[0]);
                canvas.Brush()->SetColor(pair[1]);
                canvas.SetTextAlign(c.Align);
            }
            actual.Canvas()->ExtTextOut(x, y, ETO_OPAQUE | ETO_CLIPPED, &c.Cell, c.Text);
            TCanvas& reference = *expected.Canvas();
            reference.FillRect(c.Cell);
            reference.SetBkMode(TRANSPARENT);
            reference.ExtTextOut(x, y, ETO_CLIPPED, &c.Cell, c.Text);
            int differ = 0, firstX = -1, firstY = -1;
            for (int py = 0; py < 60; ++py)
                for (int px = 0; px < 1300; ++px)
                    if (actual.Pixel(px, py) != expected.Pixel(px, py) && differ++ == 0) {
                        firstX = px;
                        firstY = py;
                    }
            ASSERT_EQ(differ, 0) << "first at (" << firstX << ", " << firstY << ")";
        }
    }
}
