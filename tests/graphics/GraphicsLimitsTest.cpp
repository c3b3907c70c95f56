// Fonts and bitmaps at the limits of what callers and files ask for: any font height measures
// and draws at a size that fits memory, and no bitmap is larger than a window can be, whatever a
// caller or a file header says; a bitmap file is read only as far as its headers say.
#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include "host/graphics/Bitmap.h"
#include "host/graphics/Canvas.h"
#include "host/graphics/Font.h"
#include "tests/graphics/BmpSamples.h"

TEST(GraphicsLimitsTest, FontHeightsAtTheEndsOfIntMeasureAndDrawAtABoundedSize)
{
    TBitmap bitmap(60, 20);
    TCanvas& canvas = *bitmap.Canvas();
    for (const int height : {INT_MIN, -INT_MAX, INT_MIN + 1, INT_MAX, INT_MAX - 1, -100000, 100000}) {
        SCOPED_TRACE(height);
        canvas.Font()->SetHeight(height);
        EXPECT_EQ(canvas.Font()->Height(), height);
        const int size = canvas.Font()->Size();
        EXPECT_EQ(size > 0, height < 0) << "a negative height is a positive point size";
        const int width = canvas.TextWidth("Wg"), line = canvas.LineHeight();
        EXPECT_GT(width, 0);
        EXPECT_LE(width, 2 * 4096) << "glyphs are rasterised at a bounded size";
        EXPECT_GT(line, 0);
        EXPECT_LE(line, 4096);
        canvas.TextOut(-5, -5, "Wg");
        TRect r{0, 0, 60, 20};
        canvas.DrawText("Wg Wg Wg", r, DT_WORDBREAK | DT_CALCRECT);
        r = {0, 0, 60, 20};
        canvas.DrawText("Wg Wg Wg", r, DT_WORDBREAK | DT_CENTER | DT_END_ELLIPSIS);
    }
    for (const int size : {INT_MIN, INT_MAX, -INT_MAX}) {
        SCOPED_TRACE(size);
        canvas.Font()->SetSize(size);
        (void)canvas.Font()->Size();
        EXPECT_GT(canvas.TextWidth("W"), 0);
    }
}

TEST(GraphicsLimitsTest, BitmapSizesBeyondAWindowAreRefusedAndTheBitmapKept)
{
    struct TCase {
        int Width, Height;
        bool Taken;
    };
    const TCase cases[] = {
        {MaxWindowSize, 1, true}, {1, MaxWindowSize, true},    {MaxWindowSize + 1, 1, false},
        {1, MaxWindowSize + 1, false}, {INT_MAX, INT_MAX, false}, {INT_MAX, 0, false},
        {0, INT_MAX, false},      {-1, 5, false},              {INT_MIN, INT_MIN, false},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(testing::Message() << c.Width << " x " << c.Height);
        TBitmap bitmap(3, 2);
        bitmap.SetPixel(1, 1, 0xFF123456u);
        if (c.Taken) {
            bitmap.SetSize(c.Width, c.Height);
            EXPECT_EQ(bitmap.Width(), c.Width);
            continue;
        }
        EXPECT_THROW(bitmap.SetSize(c.Width, c.Height), EInvalidGraphic);
        EXPECT_EQ(bitmap.Width(), 3);
        EXPECT_EQ(bitmap.Height(), 2);
        EXPECT_EQ(bitmap.Pixel(1, 1), 0xFF123456u);
    }
}

namespace {

// A folder of its own for the files of one test, removed with it.
struct TTempFolder {
    std::filesystem::path Path =
        std::filesystem::temp_directory_path() / ("zel-bitmap-limits-" + std::to_string(::getpid()));
    TTempFolder() { std::filesystem::create_directories(Path); }
    ~TTempFolder() { std::filesystem::remove_all(Path); }
    std::string Write(const std::string& Name, const std::vector<std::uint8_t>& Bytes) const
    {
        const std::filesystem::path p = Path / Name;
        std::ofstream(p, std::ios::binary).write(reinterpret_cast<const char*>(Bytes.data()),
                                                 static_cast<std::streamsize>(Bytes.size()));
        return p.string();
    }
};

} // namespace

TEST(GraphicsLimitsTest, BitmapFilesAreReadOnlyAsFarAsTheirHeadersSay)
{
    using BmpSampleDetail::Make;
    using BmpSampleDetail::Put32;
    TTempFolder folder;
    std::vector<std::uint8_t> trailing = Make(4, 3, 24, 40, false, true);
    trailing.resize(trailing.size() + 4 * 1024 * 1024, 0xAB);
    std::vector<std::uint8_t> huge = Make(4, 3, 24, 40, false, true);
    Put32(huge, 14 + 4, 16384);
    Put32(huge, 14 + 8, 16384); // 1 GiB of pixels announced, 36 bytes there
    std::vector<std::uint8_t> farBits = Make(4, 3, 24, 40, false, true);
    Put32(farBits, 10, 0xFFFFFFF0u); // pixel data announced 4 GiB into the file
    const std::string fifo = (folder.Path / "pipe.bmp").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);

    struct TCase {
        const char* Name;
        std::string File;
        bool Loads;
    };
    const TCase cases[] = {
        {"a bitmap with 4 MiB of trailing bytes", folder.Write("trailing.bmp", trailing), true},
        {"a row wider than a window", folder.Write("wide.bmp", Make(MaxWindowSize + 1, 1, 1, 40, false, true)), false},
        {"1 GiB announced in a short file", folder.Write("huge.bmp", huge), false},
        {"pixel data 4 GiB into the file", folder.Write("far.bmp", farBits), false},
        {"an endless device", "/dev/zero", false},
        {"a pipe without a writer", fifo, false},
        {"a folder", folder.Path.string(), false},
        {"no such file", (folder.Path / "missing.bmp").string(), false},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TBitmap bitmap(2, 2);
        if (c.Loads) {
            bitmap.LoadFromFile(c.File);
            EXPECT_EQ(bitmap.Width(), 4);
            EXPECT_EQ(bitmap.Height(), 3);
            continue;
        }
        EXPECT_THROW(bitmap.LoadFromFile(c.File), EInvalidGraphic);
        EXPECT_EQ(bitmap.Width(), 2);
    }
}
