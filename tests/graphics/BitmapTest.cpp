// Bitmaps: sizes, reading the Windows bitmap format (and refusing bad data), named resources.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "host/streaming/Resources.h"
#include "tests/graphics/PixelSupport.h"

namespace {

void Put16(std::vector<std::uint8_t>& B, std::size_t At, unsigned V)
{
    B[At] = V & 0xFF;
    B[At + 1] = (V >> 8) & 0xFF;
}

void Put32(std::vector<std::uint8_t>& B, std::size_t At, std::uint32_t V)
{
    for (int i = 0; i < 4; ++i) B[At + i] = (V >> (8 * i)) & 0xFF;
}

// A bitmap file of Width x Height at Bpp bits whose pixel (x, y) has palette index or colour
// Value(x, y); Height < 0 stores the rows top-down.
template <typename F>
std::vector<std::uint8_t> MakeBmp(int Width, int Height, int Bpp, F Value, std::vector<std::uint32_t> Palette = {})
{
    const int h = Height < 0 ? -Height : Height;
    const std::size_t rowBytes = ((Width * Bpp + 31) / 32) * 4;
    const std::size_t offset = 14 + 40 + Palette.size() * 4;
    std::vector<std::uint8_t> b(offset + rowBytes * h, 0);
    b[0] = 'B';
    b[1] = 'M';
    Put32(b, 2, static_cast<std::uint32_t>(b.size()));
    Put32(b, 10, static_cast<std::uint32_t>(offset));
    Put32(b, 14, 40);
    Put32(b, 18, static_cast<std::uint32_t>(Width));
    Put32(b, 22, static_cast<std::uint32_t>(Height));
    Put16(b, 26, 1);
    Put16(b, 28, static_cast<unsigned>(Bpp));
    Put32(b, 46, static_cast<std::uint32_t>(Palette.size()));
    for (std::size_t i = 0; i < Palette.size(); ++i) Put32(b, 54 + i * 4, Palette[i]);
    for (int y = 0; y < h; ++y) {
        const int fileRow = Height < 0 ? y : h - 1 - y;
        std::uint8_t* row = b.data() + offset + rowBytes * fileRow;
        for (int x = 0; x < Width; ++x) {
            const std::uint32_t v = Value(x, y);
            switch (Bpp) {
            case 1: row[x / 8] |= static_cast<std::uint8_t>((v & 1) << (7 - x % 8)); break;
            case 4: row[x / 2] |= static_cast<std::uint8_t>((v & 0xF) << (x % 2 ? 0 : 4)); break;
            case 8: row[x] = static_cast<std::uint8_t>(v); break;
            case 24: row[x * 3] = v & 0xFF, row[x * 3 + 1] = (v >> 8) & 0xFF, row[x * 3 + 2] = (v >> 16) & 0xFF; break;
            case 32: Put32(b, offset + rowBytes * fileRow + x * 4, v); break;
            }
        }
    }
    return b;
}

} // namespace

TEST(BitmapTest, ResizingKeepsTheOverlapAndWhitensTheRest)
{
    TBitmap bmp;
    Fill(bmp, 4, 3, clRed);
    bmp.SetSize(6, 2);
    EXPECT_EQ(bmp.Width(), 6);
    EXPECT_EQ(bmp.Height(), 2);
    EXPECT_TRUE(AllPixels(bmp, clRed, Rect(0, 0, 4, 2)));
    EXPECT_TRUE(AllPixels(bmp, clWhite, Rect(4, 0, 6, 2)));
    EXPECT_THROW(bmp.SetSize(-1, 5), EInvalidGraphic);
    EXPECT_EQ(bmp.Width(), 6);
}

// Stores of a megabyte or more come from their own memory blocks, smaller ones from the heap:
// resizing, copying and reading across that line (at it and one row either side) keeps the
// pixels, and each store goes back where it came from (the sanitizer build checks the frees).
TEST(BitmapTest, PixelsSurviveMovesBetweenSmallAndLargeStores)
{
    struct TStep {
        int Width, Height;
    };
    const TStep steps[] = {{4, 3}, {512, 512}, {512, 511}, {512, 513}, {1281, 801}, {7, 5}, {1024, 1024}, {3, 3}};
    TBitmap bmp;
    Fill(bmp, 4, 3, clRed);
    int redW = 4, redH = 3;
    for (const TStep& step : steps) {
        SCOPED_TRACE(std::to_string(step.Width) + " x " + std::to_string(step.Height));
        bmp.SetSize(step.Width, step.Height);
        redW = std::min(redW, step.Width);
        redH = std::min(redH, step.Height);
        EXPECT_TRUE(AllPixels(bmp, clRed, Rect(0, 0, redW, redH)));
        TBitmap copy;
        copy.Assign(bmp);
        EXPECT_TRUE(AllPixels(copy, clRed, Rect(0, 0, redW, redH)));
        EXPECT_TRUE(AllPixels(copy, clWhite, Rect(redW, 0, step.Width, step.Height)));
        const TPixel corner = bmp.Pixel(step.Width - 1, step.Height - 1);
        bmp.SetPixel(step.Width - 1, step.Height - 1, 0xFF00FF00u);
        copy.Assign(bmp);
        EXPECT_EQ(copy.Pixel(step.Width - 1, step.Height - 1), 0xFF00FF00u);
        bmp.SetPixel(step.Width - 1, step.Height - 1, corner);
    }
    const std::vector<std::uint8_t> large = MakeBmp(700, -400, 32, [](int X, int Y) { return static_cast<std::uint32_t>(X * 1000 + Y); });
    bmp.LoadFromBMP(large.data(), large.size());
    ASSERT_EQ(bmp.Width(), 700);
    EXPECT_EQ(bmp.Pixel(699, 399) & 0xFFFFFFu, 699u * 1000 + 399);
    bmp.SetSize(2, 2);
    EXPECT_EQ(bmp.Pixel(1, 1) & 0xFFFFFFu, 1001u);
}

TEST(BitmapTest, ReadsPalettedBitmapsOfOneFourAndEightBits)
{
    const std::vector<std::uint32_t> palette{0x000000, 0xFF0000, 0x00FF00, 0x0000FF};
    const auto value = [](int X, int Y) { return static_cast<std::uint32_t>((X + Y) % 2 ? 1 : (X % 4 == 3 ? 3 : 0)); };
    for (int bpp : {1, 4, 8}) {
        std::vector<std::uint32_t> pal = palette;
        if (bpp == 1) pal.resize(2);
        const auto bytes = MakeBmp(11, 5, bpp, value, pal);
        TBitmap bmp;
        bmp.LoadFromBMP(bytes.data(), bytes.size());
        ASSERT_EQ(bmp.Width(), 11) << bpp;
        ASSERT_EQ(bmp.Height(), 5) << bpp;
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 11; ++x) {
                std::uint32_t index = value(x, y);
                if (bpp == 1) index &= 1;
                EXPECT_EQ(bmp.Pixel(x, y), 0xFF000000u | pal[index]) << bpp << " at " << x << "," << y;
            }
    }
}

TEST(BitmapTest, ReadsTrueColourBitmapsBottomUpAndTopDown)
{
    const auto value = [](int X, int Y) { return static_cast<std::uint32_t>(X * 0x100 + Y * 0x10000 + 7); };
    for (int bpp : {24, 32})
        for (int height : {4, -4}) {
            const auto bytes = MakeBmp(3, height, bpp, value);
            TBitmap bmp;
            bmp.LoadFromBMP(bytes.data(), bytes.size());
            ASSERT_EQ(bmp.Height(), 4);
            for (int y = 0; y < 4; ++y)
                for (int x = 0; x < 3; ++x) EXPECT_EQ(bmp.Pixel(x, y), 0xFF000000u | value(x, y)) << bpp << " " << height;
        }
}

TEST(BitmapTest, MalformedDataIsRefusedAndTheBitmapKept)
{
    const auto good = MakeBmp(4, 4, 24, [](int, int) { return 0u; });
    TBitmap bmp;
    Fill(bmp, 2, 2, clRed);

    auto truncated = good;
    truncated.resize(good.size() - 5);
    auto badDepth = good;
    Put16(badDepth, 28, 7);
    auto hugeSize = good;
    Put32(hugeSize, 18, 0x7FFFFFFF);
    auto rle = good;
    Put32(rle, 30, 1);
    auto badPalette = MakeBmp(4, 4, 4, [](int, int) { return 0u; }, std::vector<std::uint32_t>(16));
    Put32(badPalette, 46, 1000);
    auto zeroWidth = good;
    Put32(zeroWidth, 18, 0);

    for (const auto* bad : {&truncated, &badDepth, &hugeSize, &rle, &badPalette, &zeroWidth}) {
        EXPECT_THROW(bmp.LoadFromBMP(bad->data(), bad->size()), EInvalidGraphic);
        EXPECT_EQ(bmp.Width(), 2);
        EXPECT_TRUE(AllPixels(bmp, clRed, Rect(0, 0, 2, 2)));
    }
    EXPECT_THROW(bmp.LoadFromBMP(good.data(), 10), EInvalidGraphic);
    EXPECT_THROW(bmp.LoadFromBMP(nullptr, 0), EInvalidGraphic);
    try {
        bmp.LoadFromBMP(badDepth.data(), badDepth.size());
    } catch (const EInvalidGraphic& e) {
        EXPECT_NE(e.Message().find("bit count 7"), std::string::npos) << e.Message();
    }
}

TEST(BitmapTest, ABareDeviceIndependentBitmapWithoutFileHeaderIsRead)
{
    const auto file = MakeBmp(2, 2, 24, [](int X, int) { return X ? 0xFFFFFFu : 0u; });
    const std::vector<std::uint8_t> dib(file.begin() + 14, file.end());
    TBitmap bmp;
    bmp.LoadFromBMP(dib.data(), dib.size());
    EXPECT_EQ(bmp.Pixel(0, 1), 0xFF000000u);
    EXPECT_EQ(bmp.Pixel(1, 1), 0xFFFFFFFFu);
}

TEST(BitmapTest, IndicatorGlyphResourcesHaveTheirShapes)
{
    const char* const arrow[] = {"#.....", "##....", "###...", "####..", "#####.", "######",
                                 "#####.", "####..", "###...", "##....", "#....."};
    const char* const edit[] = {"##..##", "..##..", "..##..", "..##..", "..##..", "..##..",
                                "..##..", "..##..", "..##..", "..##..", "##..##"};
    const char* const insert[] = {"......", "......", "......", ".#..#.", "..##..", "######",
                                  "..##..", ".#..#.", "......", "......", "......"};
    const std::pair<const char*, const char* const*> glyphs[] = {{"ZGARROW", arrow}, {"ZGEDIT", edit}, {"zginsert", insert}};
    for (const auto& [name, rows] : glyphs) {
        TBitmap bmp;
        bmp.LoadFromResourceName(name);
        ASSERT_EQ(bmp.Width(), 6) << name;
        ASSERT_EQ(bmp.Height(), 11) << name;
        for (int y = 0; y < 11; ++y)
            for (int x = 0; x < 6; ++x)
                EXPECT_EQ(bmp.Pixel(x, y), rows[y][x] == '#' ? Px(clBlack) : Px(clWhite)) << name << " " << x << "," << y;
    }
}

TEST(BitmapTest, AMissingResourceIsReportedByName)
{
    TBitmap bmp;
    try {
        bmp.LoadFromResourceName("NOSUCHGLYPH");
        FAIL() << "no exception";
    } catch (const EResNotFound& e) {
        EXPECT_EQ(e.Message(), "Resource NOSUCHGLYPH not found");
    }
    EXPECT_TRUE(FindResource("NOSUCHGLYPH").empty());
    const auto names = ResourceNames();
    EXPECT_TRUE(std::is_sorted(names.begin(), names.end()));
    EXPECT_NE(std::find(names.begin(), names.end(), "ZGEDIT"), names.end());
}
