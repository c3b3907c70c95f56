// Canvas primitives: fills and frames, lines, clipping to regions, origins, copies.
#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

#include "tests/graphics/PixelSupport.h"

namespace {

constexpr TColor Bg = clWhite;

class CanvasTest : public ::testing::Test {
protected:
    void SetUp() override { Fill(Bmp, 40, 30, Bg); }
    TCanvas& C() { return *Bmp.Canvas(); }
    TBitmap Bmp;
};

} // namespace

TEST_F(CanvasTest, FillRectCoversLeftTopToRightBottomExclusive)
{
    C().Brush()->SetColor(clBlue);
    C().FillRect(Rect(3, 4, 10, 8));
    EXPECT_EQ(InkBounds(Bmp, Bg), Rect(3, 4, 10, 8));
    EXPECT_TRUE(AllPixels(Bmp, clBlue, Rect(3, 4, 10, 8)));
}

TEST_F(CanvasTest, FillRectOutsideTheSurfaceIsClippedToIt)
{
    C().Brush()->SetColor(clBlue);
    C().FillRect(Rect(-10, -10, 5, 100));
    EXPECT_EQ(InkBounds(Bmp, Bg), Rect(0, 0, 5, 30));
}

TEST_F(CanvasTest, ClearBrushFillsNothing)
{
    C().Brush()->SetColor(clBlue);
    C().Brush()->SetStyle(bsClear);
    C().FillRect(Rect(0, 0, 40, 30));
    C().FrameRect(Rect(0, 0, 40, 30));
    EXPECT_TRUE(InkBounds(Bmp, Bg).IsEmpty());
}

TEST_F(CanvasTest, FrameRectDrawsOnePixelInsideTheRect)
{
    C().Brush()->SetColor(clGreen);
    C().FrameRect(Rect(5, 5, 15, 12));
    EXPECT_EQ(InkBounds(Bmp, Bg), Rect(5, 5, 15, 12));
    EXPECT_EQ(CountPixels(Bmp, clGreen, Rect(0, 0, 40, 30)), 2 * 10 + 2 * 5);
    EXPECT_TRUE(AllPixels(Bmp, Bg, Rect(6, 6, 14, 11)));
    EXPECT_TRUE(AllPixels(Bmp, clGreen, Rect(14, 5, 15, 12)));
}

TEST_F(CanvasTest, LineToExcludesTheEndPointAndMovesThePen)
{
    C().Pen()->SetColor(clRed);
    C().MoveTo(2, 3);
    C().LineTo(10, 3);
    EXPECT_EQ(InkBounds(Bmp, Bg), Rect(2, 3, 10, 4));
    EXPECT_EQ(C().PenPos(), Point(10, 3));
    C().LineTo(10, 0);
    EXPECT_EQ(Bmp.Pixel(10, 3), Px(clRed));
    EXPECT_EQ(Bmp.Pixel(10, 1), Px(clRed));
    EXPECT_EQ(Bmp.Pixel(10, 0), Px(Bg));
}

TEST_F(CanvasTest, DiagonalAndDottedLines)
{
    C().Pen()->SetColor(clBlack);
    C().MoveTo(0, 0);
    C().LineTo(5, 5);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(Bmp.Pixel(i, i), Px(clBlack)) << i;
    EXPECT_EQ(Bmp.Pixel(5, 5), Px(Bg));

    C().Pen()->SetStyle(psDot);
    C().MoveTo(0, 20);
    C().LineTo(12, 20);
    EXPECT_EQ(CountPixels(Bmp, clBlack, Rect(0, 20, 12, 21)), 6) << "three on, three off";
}

TEST_F(CanvasTest, RectangleOutlinesWithThePenAndFillsWithTheBrush)
{
    C().Pen()->SetColor(clBlack);
    C().Brush()->SetColor(clYellow);
    C().Rectangle(2, 2, 8, 7);
    EXPECT_EQ(InkBounds(Bmp, Bg), Rect(2, 2, 8, 7));
    EXPECT_TRUE(AllPixels(Bmp, clYellow, Rect(3, 3, 7, 6)));
    EXPECT_EQ(CountPixels(Bmp, clBlack, Rect(0, 0, 40, 30)), 2 * 6 + 2 * 3);
}

TEST_F(CanvasTest, DrawingIsClippedToASelectedRegion)
{
    TRegion clip(Rect(0, 0, 10, 10));
    clip.Union(Rect(20, 20, 30, 30));
    C().SelectClipRgn(&clip);
    C().Brush()->SetColor(clBlue);
    C().FillRect(Rect(0, 0, 40, 30));
    EXPECT_EQ(CountPixels(Bmp, clBlue, Rect(0, 0, 40, 30)), 200);
    EXPECT_TRUE(AllPixels(Bmp, clBlue, Rect(20, 20, 30, 30)));
    EXPECT_EQ(Bmp.Pixel(15, 15), Px(Bg));

    C().SelectClipRgn(nullptr);
    TRegion none;
    EXPECT_FALSE(C().GetClipRgn(none));
    C().FillRect(Rect(0, 0, 40, 30));
    EXPECT_TRUE(AllPixels(Bmp, clBlue, Rect(0, 0, 40, 30)));
}

TEST_F(CanvasTest, IntersectAndExcludeClipRectNarrowTheClip)
{
    C().IntersectClipRect(Rect(5, 5, 25, 25));
    C().ExcludeClipRect(Rect(10, 10, 20, 20));
    EXPECT_EQ(C().ClipRect(), Rect(5, 5, 25, 25));
    C().Brush()->SetColor(clBlue);
    C().FillRect(Rect(0, 0, 40, 30));
    EXPECT_EQ(CountPixels(Bmp, clBlue, Rect(0, 0, 40, 30)), 400 - 100);
    EXPECT_EQ(Bmp.Pixel(15, 15), Px(Bg));
    EXPECT_EQ(Bmp.Pixel(5, 5), Px(clBlue));
    EXPECT_EQ(Bmp.Pixel(25, 25), Px(Bg));
}

TEST_F(CanvasTest, ExcludeWithoutAClipRegionStartsFromTheWholeSurface)
{
    C().ExcludeClipRect(Rect(0, 0, 20, 30));
    C().Brush()->SetColor(clBlue);
    C().FillRect(Rect(0, 0, 40, 30));
    EXPECT_EQ(InkBounds(Bmp, Bg), Rect(20, 0, 40, 30));
}

TEST_F(CanvasTest, OriginAndDeviceClipPlaceAChildWindowOnItsParentsSurface)
{
    // A child window at (10, 5) of 12 x 8 pixels on a 40 x 30 surface.
    C().SetOrigin(Point(10, 5));
    C().SetDeviceClip(TRegion(Rect(10, 5, 22, 13)));
    C().Brush()->SetColor(clBlue);
    C().FillRect(Rect(-5, -5, 100, 100));
    EXPECT_EQ(InkBounds(Bmp, Bg), Rect(10, 5, 22, 13));
    EXPECT_EQ(C().ClipRect(), Rect(0, 0, 12, 8));

    // A clip rectangle is in the child's own coordinates.
    Fill(Bmp, 40, 30, Bg);
    C().IntersectClipRect(Rect(2, 2, 4, 4));
    C().FillRect(Rect(0, 0, 12, 8));
    EXPECT_EQ(InkBounds(Bmp, Bg), Rect(12, 7, 14, 9));
    EXPECT_EQ(C().Pixel(2, 2), Px(clBlue));
}

TEST_F(CanvasTest, ACanvasDrawsOnASurfaceWithAWiderStride)
{
    std::vector<TPixel> surface(16 * 4, 0xFF000000u);
    TCanvas canvas(surface.data(), 10, 4, 16);
    canvas.Brush()->SetColor(clWhite);
    canvas.FillRect(Rect(0, 0, 100, 100));
    EXPECT_EQ(surface[9], 0xFFFFFFFFu);
    EXPECT_EQ(surface[10], 0xFF000000u) << "beyond the width, inside the stride";
    EXPECT_EQ(surface[16 * 3 + 9], 0xFFFFFFFFu);
}

TEST_F(CanvasTest, CopyRectWithinOneSurfaceHandlesOverlapLikeAScroll)
{
    for (int y = 0; y < 30; ++y) {
        C().Brush()->SetColor(RGB(y * 8, 0, 0));
        C().FillRect(Rect(0, y, 40, y + 1));
    }
    // Scroll the rows up by 3.
    C().CopyRect(Rect(0, 0, 40, 27), C(), Rect(0, 3, 40, 30));
    for (int y = 0; y < 27; ++y) EXPECT_EQ(Bmp.Pixel(20, y), Px(RGB((y + 3) * 8, 0, 0))) << y;
    // And down by 5.
    C().CopyRect(Rect(0, 5, 40, 30), C(), Rect(0, 0, 40, 25));
    for (int y = 5; y < 30; ++y) EXPECT_EQ(Bmp.Pixel(3, y), Px(RGB((y - 5 + 3) * 8, 0, 0))) << y;
}

TEST_F(CanvasTest, CopyRectScalesWhenSizesDiffer)
{
    TBitmap source;
    Fill(source, 2, 2, clBlack);
    source.SetPixel(1, 0, Px(clRed));
    C().CopyRect(Rect(10, 10, 14, 14), *source.Canvas(), Rect(0, 0, 2, 2));
    EXPECT_TRUE(AllPixels(Bmp, clRed, Rect(12, 10, 14, 12)));
    EXPECT_TRUE(AllPixels(Bmp, clBlack, Rect(10, 10, 12, 12)));
    EXPECT_TRUE(AllPixels(Bmp, clBlack, Rect(10, 12, 14, 14)));
}

TEST_F(CanvasTest, DrawSkipsTheTransparentColourOfATransparentBitmap)
{
    TBitmap glyph;
    Fill(glyph, 3, 3, clFuchsia);
    glyph.SetPixel(1, 1, Px(clBlack));
    C().Draw(5, 5, glyph);
    EXPECT_EQ(InkBounds(Bmp, Bg), Rect(5, 5, 8, 8));

    Fill(Bmp, 40, 30, Bg);
    glyph.SetTransparent(true);
    C().Draw(5, 5, glyph);
    EXPECT_EQ(InkBounds(Bmp, Bg), Rect(6, 6, 7, 7));
}

TEST_F(CanvasTest, StateGuardRestoresAttributesAndClipWhenAnExceptionPasses)
{
    C().Brush()->SetColor(clBlue);
    C().Font()->SetColor(clRed);
    try {
        TCanvasStateGuard guard(C());
        C().Brush()->SetColor(clGreen);
        C().Font()->SetStyle({fsBold});
        C().IntersectClipRect(Rect(0, 0, 1, 1));
        C().SetBkMode(TRANSPARENT);
        throw std::runtime_error("handler failed");
    } catch (const std::runtime_error&) {
    }
    EXPECT_EQ(C().Brush()->Color(), clBlue);
    EXPECT_FALSE(C().Font()->Style().Contains(fsBold));
    EXPECT_EQ(C().TextColor(), clRed);
    EXPECT_EQ(C().BkMode(), OPAQUE);
    EXPECT_EQ(C().ClipRect(), Rect(0, 0, 40, 30));
}

TEST_F(CanvasTest, BrushAndFontSetTheTextStateAsADeviceContextDoes)
{
    C().Brush()->SetColor(clYellow);
    EXPECT_EQ(C().BkColor(), clYellow);
    EXPECT_EQ(C().BkMode(), OPAQUE);
    C().Brush()->SetStyle(bsClear);
    EXPECT_EQ(C().BkMode(), TRANSPARENT);
    C().SetBkMode(OPAQUE);
    C().Font()->SetColor(clNavy);
    EXPECT_EQ(C().TextColor(), clNavy);
    EXPECT_EQ(C().SetTextColor(clLime), clNavy);
    EXPECT_EQ(C().TextColor(), clLime);
    EXPECT_EQ(C().BkMode(), OPAQUE) << "a font change leaves the background mode";
}

TEST_F(CanvasTest, ResizingTheBitmapRebindsItsCanvas)
{
    TCanvas* canvas = Bmp.Canvas();
    Bmp.SetSize(100, 50);
    EXPECT_EQ(Bmp.Canvas(), canvas);
    canvas->Brush()->SetColor(clBlue);
    canvas->FillRect(Rect(0, 0, 100, 50));
    EXPECT_TRUE(AllPixels(Bmp, clBlue, Rect(0, 0, 100, 50)));
}
