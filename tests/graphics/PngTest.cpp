// PNG export: a sheet with a sample of every primitive is written and read back pixel for pixel.
#include <gtest/gtest.h>
#include <png.h>

#include <cstdio>
#include <vector>

#include "host/graphics/ImageList.h"
#include "host/graphics/Png.h"
#include "tests/graphics/PixelSupport.h"

namespace {

// Every primitive once: fills and frames, the edge kinds, lines, text in each alignment,
// wrapped and tabbed text, a clipped region and the indicator glyphs over button face.
void DrawSampleSheet(TBitmap& Bmp)
{
    Fill(Bmp, 360, 240, clBtnFace);
    TCanvas& c = *Bmp.Canvas();
    const unsigned edges[] = {BDR_RAISEDOUTER, BDR_SUNKENOUTER, BDR_RAISEDINNER, BDR_SUNKENINNER,
                              EDGE_RAISED, EDGE_SUNKEN, EDGE_ETCHED, EDGE_BUMP};
    for (int i = 0; i < 8; ++i) {
        TRect r = Rect(8 + i * 43, 8, 46 + i * 43, 36);
        c.DrawEdge(r, edges[i], BF_RECT | BF_ADJUST);
        c.Brush()->SetColor(clWindow);
        c.FillRect(r);
    }
    c.Brush()->SetColor(clWindow);
    c.FillRect(Rect(8, 44, 352, 132));
    c.Brush()->SetColor(clNavy);
    c.FrameRect(Rect(8, 44, 352, 132));
    c.Brush()->SetColor(clWindow);
    c.Font()->SetColor(clWindowText);
    TRect r = Rect(12, 48, 120, 64);
    c.DrawText("Left", r, DT_LEFT | DT_SINGLELINE | DT_VCENTER);
    c.DrawText("Centre", r, DT_CENTER | DT_SINGLELINE | DT_VCENTER);
    c.DrawText("Right", r, DT_RIGHT | DT_SINGLELINE | DT_VCENTER);
    c.Brush()->SetColor(clInfoBk);
    const TRect clipped = Rect(130, 48, 220, 64);
    c.ExtTextOut(126, 49, ETO_OPAQUE | ETO_CLIPPED, &clipped, "Opaque clipped text output");
    r = Rect(230, 48, 348, 128);
    c.Brush()->SetColor(clWindow);
    c.DrawText("Word breaking wraps this sentence into lines that fit the cell", r, 0x850);
    r = Rect(12, 68, 220, 84);
    c.DrawText("Tab\tstops\tevery eight", r, DT_EXPANDTABS | DT_NOPREFIX);
    c.Font()->SetStyle({fsBold});
    c.TextOut(12, 88, "Bold");
    c.Font()->SetStyle({fsItalic});
    c.TextOut(60, 88, "Italic");
    c.Font()->SetStyle({fsUnderline});
    c.TextOut(108, 88, "Underline");
    c.Font()->SetStyle({fsStrikeOut});
    c.TextOut(176, 88, "Strike");
    c.Font()->SetStyle({});
    c.Font()->SetHeight(-16);
    c.Font()->SetColor(clMaroon);
    r = Rect(12, 106, 220, 128);
    c.DrawText("&Larger text, prefixed", r, DT_SINGLELINE);
    c.Font()->SetHeight(-11);

    // Lines and a rectangle, then drawing through a two-part clip region.
    c.Pen()->SetColor(clRed);
    c.MoveTo(8, 140);
    c.LineTo(120, 232);
    c.Pen()->SetStyle(psDot);
    c.MoveTo(8, 232);
    c.LineTo(120, 140);
    c.Pen()->SetStyle(psSolid);
    c.Brush()->SetColor(clYellow);
    c.Rectangle(130, 140, 200, 180);
    {
        TCanvasStateGuard guard(c);
        TRegion region(Rect(210, 140, 260, 232));
        region.Union(Rect(280, 140, 352, 180));
        c.SelectClipRgn(&region);
        c.Brush()->SetColor(clTeal);
        c.FillRect(Rect(200, 130, 360, 240));
    }
    TImageList glyphs(6, 11);
    for (const char* name : {"ZGARROW", "ZGEDIT", "ZGINSERT"}) {
        TBitmap glyph;
        glyph.LoadFromResourceName(name);
        glyphs.AddMasked(glyph, clWhite);
    }
    glyphs.SetBkColor(clBtnFace);
    for (int i = 0; i < 3; ++i) glyphs.Draw(c, 140 + i * 12, 200, i);
}

std::vector<TPixel> ReadPng(const std::string& Path, int& Width, int& Height)
{
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, Path.c_str())) return {};
    image.format = PNG_FORMAT_BGRA;
    std::vector<TPixel> pixels(PNG_IMAGE_SIZE(image) / 4);
    if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr)) return {};
    Width = static_cast<int>(image.width);
    Height = static_cast<int>(image.height);
    return pixels;
}

} // namespace

TEST(PngTest, SampleSheetRoundTripsThroughAPngFile)
{
    TBitmap sheet;
    DrawSampleSheet(sheet);
    const std::string path = ::testing::TempDir() + "zel-graphics-sample.png";
    sheet.SaveToPNG(path);
    int width = 0, height = 0;
    const std::vector<TPixel> pixels = ReadPng(path, width, height);
    ASSERT_EQ(width, sheet.Width());
    ASSERT_EQ(height, sheet.Height());
    int differences = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) differences += pixels[static_cast<std::size_t>(y) * width + x] != sheet.Pixel(x, y);
    EXPECT_EQ(differences, 0);
    std::printf("sample sheet: %s\n", path.c_str());
}

TEST(PngTest, AnUnwritablePathOrEmptyImageIsReported)
{
    TBitmap bmp;
    Fill(bmp, 2, 2, clRed);
    EXPECT_THROW(bmp.SaveToPNG("/nonexistent-dir/x.png"), EInvalidGraphic);
    TBitmap empty;
    EXPECT_THROW(empty.SaveToPNG(::testing::TempDir() + "zel-empty.png"), EInvalidGraphic);
}

TEST(PngTest, AnySurfaceCanBeWrittenThroughItsStride)
{
    std::vector<TPixel> surface(8 * 2, 0xFF0000FFu);
    surface[3] = 0xFFFF0000u;
    surface[5] = 0xFF00FF00u; // beyond the width of 4: not part of the image
    const std::string path = ::testing::TempDir() + "zel-stride.png";
    SaveSurfaceToPNG(path, surface.data(), 4, 2, 8);
    int width = 0, height = 0;
    const auto pixels = ReadPng(path, width, height);
    ASSERT_EQ(width, 4);
    ASSERT_EQ(pixels.size(), 8u);
    EXPECT_EQ(pixels[3], 0xFFFF0000u);
    EXPECT_EQ(pixels[4], 0xFF0000FFu);
    std::remove(path.c_str());
}

TEST(PngTest, ATurnedBitmapKeepsItsRowsForCanvasCopiesResizingAndFiles)
{
    // Row y of a bitmap whose rows were turned by 3 shows what row y - 3 showed; everything that
    // reads or writes it (pixels, canvas, Assign, SetSize, PNG files) sees the rows in that order.
    TBitmap bmp;
    bmp.SetSize(5, 8);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 5; ++x) bmp.SetPixel(x, y, ColorToPixel(RGB(x, y, 1)));
    bmp.TurnRows(3);
    bmp.Canvas()->SetPixel(4, 0, clRed);
    const auto expected = [](int X, int Y) {
        return X == 4 && Y == 0 ? ColorToPixel(clRed) : ColorToPixel(RGB(X, (Y + 5) % 8, 1));
    };
    TBitmap copy;
    copy.Assign(bmp);
    const std::string path = ::testing::TempDir() + "zel-graphics-turned.png";
    bmp.SaveToPNG(path);
    int width = 0, height = 0;
    const std::vector<TPixel> file = ReadPng(path, width, height);
    ASSERT_EQ(file.size(), 40u);
    bmp.SetSize(5, 9);
    int wrong = 0;
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 5; ++x) {
            wrong += bmp.Pixel(x, y) != expected(x, y);
            wrong += copy.ScanLine(y)[x] != expected(x, y);
            wrong += (file[static_cast<std::size_t>(y) * 5 + x] | 0xFF000000u) != (expected(x, y) | 0xFF000000u);
        }
    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(bmp.Pixel(0, 8), ColorToPixel(clWhite));
}
