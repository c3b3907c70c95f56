// Image lists: masked adding, drawing over a background colour or transparently.
#include <gtest/gtest.h>

#include "host/graphics/ImageList.h"
#include "tests/graphics/PixelSupport.h"

namespace {

// A 6 x 11 black-on-white glyph, as the grid's indicator glyphs are.
void Arrow(TBitmap& Bmp)
{
    Bmp.LoadFromResourceName("ZGARROW");
}

} // namespace

TEST(ImageListTest, MaskedWhiteShowsTheBackgroundColour)
{
    TBitmap glyph;
    Arrow(glyph);
    TImageList list(glyph.Width(), glyph.Height());
    EXPECT_EQ(list.AddMasked(glyph, clWhite), 0);
    list.SetBkColor(clBtnFace);

    TBitmap target;
    Fill(target, 20, 20, clRed);
    list.Draw(*target.Canvas(), 4, 5, 0);
    EXPECT_EQ(InkBounds(target, clRed), Rect(4, 5, 10, 16));
    EXPECT_EQ(CountPixels(target, clBlack, Rect(4, 5, 10, 16)), 36) << "the triangle's pixels";
    EXPECT_EQ(CountPixels(target, clBtnFace, Rect(4, 5, 10, 16)), 66 - 36);
    EXPECT_EQ(target.Pixel(4, 5), Px(clBlack));
    EXPECT_EQ(target.Pixel(5, 5), Px(clBtnFace));
}

TEST(ImageListTest, NoBackgroundColourLeavesTheMaskedPixelsUntouched)
{
    TBitmap glyph;
    Arrow(glyph);
    TImageList list(6, 11);
    list.AddMasked(glyph, clWhite);
    EXPECT_EQ(list.BkColor(), clNone);

    TBitmap target;
    Fill(target, 20, 20, clRed);
    list.Draw(*target.Canvas(), 0, 0, 0);
    EXPECT_EQ(CountPixels(target, clBlack, Rect(0, 0, 20, 20)), 36);
    EXPECT_EQ(CountPixels(target, clRed, Rect(0, 0, 20, 20)), 400 - 36);
}

TEST(ImageListTest, AMaskBitmapMarksTransparentPixelsInWhite)
{
    TBitmap image, mask;
    Fill(image, 4, 4, clBlue);
    Fill(mask, 4, 4, clBlack);
    mask.SetPixel(0, 0, Px(clWhite));
    TImageList list(4, 4);
    list.Add(image, &mask);
    list.Add(image, nullptr);
    TBitmap target;
    Fill(target, 10, 10, clRed);
    list.Draw(*target.Canvas(), 0, 0, 0);
    list.Draw(*target.Canvas(), 5, 5, 1);
    EXPECT_EQ(target.Pixel(0, 0), Px(clRed));
    EXPECT_EQ(CountPixels(target, clBlue, Rect(0, 0, 4, 4)), 15);
    EXPECT_TRUE(AllPixels(target, clBlue, Rect(5, 5, 9, 9))) << "no mask: all opaque";
}

TEST(ImageListTest, AWideBitmapIsCutIntoSeveralImages)
{
    TBitmap strip;
    Fill(strip, 12, 3, clBlue);
    strip.Canvas()->Brush()->SetColor(clLime);
    strip.Canvas()->FillRect(Rect(4, 0, 8, 3));
    TImageList list(4, 3);
    EXPECT_EQ(list.AddMasked(strip, clWhite), 0);
    EXPECT_EQ(list.Count(), 3);
    EXPECT_EQ(list.Image(1)[0], Px(clLime));
    EXPECT_EQ(list.Image(2)[0], Px(clBlue));
}

TEST(ImageListTest, DrawingIsClippedAndABadIndexDrawsNothing)
{
    TBitmap glyph;
    Arrow(glyph);
    TImageList list(6, 11);
    list.AddMasked(glyph, clWhite);
    list.SetBkColor(clBtnFace);
    TBitmap target;
    Fill(target, 20, 20, clRed);
    target.Canvas()->IntersectClipRect(Rect(0, 0, 3, 20));
    list.Draw(*target.Canvas(), 0, 0, 0);
    EXPECT_EQ(InkBounds(target, clRed), Rect(0, 0, 3, 11));

    Fill(target, 20, 20, clRed);
    list.Draw(*target.Canvas(), 0, 0, 5);
    list.Draw(*target.Canvas(), 0, 0, -1);
    EXPECT_TRUE(InkBounds(target, clRed).IsEmpty());
    EXPECT_THROW(list.Delete(3), EListError);
}

TEST(ImageListTest, ADisabledImageIsEmbossed)
{
    TBitmap glyph;
    Arrow(glyph);
    TImageList list(6, 11);
    list.AddMasked(glyph, clWhite);
    TBitmap target;
    Fill(target, 20, 20, clRed);
    list.Draw(*target.Canvas(), 2, 2, 0, false);
    EXPECT_EQ(CountPixels(target, clBlack, Rect(0, 0, 20, 20)), 0);
    EXPECT_EQ(CountPixels(target, clBtnShadow, Rect(0, 0, 20, 20)), 36);
    EXPECT_GT(CountPixels(target, clBtnHighlight, Rect(0, 0, 20, 20)), 0);
}
