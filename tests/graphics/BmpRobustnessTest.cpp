// The bitmap reader against damaged files: a fixed-seed mutation loop over valid files of every
// depth, and the faults that loop and the fuzz target found.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <random>
#include <vector>

#include "host/graphics/Bitmap.h"
#include "host/graphics/Canvas.h"
#include "tests/graphics/BmpSamples.h"

namespace {

constexpr int KeptWidth = 3, KeptHeight = 2;

TPixel KeptPixel(int X, int Y) { return 0x12000000u + static_cast<TPixel>(Y * KeptWidth + X); }

// A bitmap with a known picture and a canvas, so a failed load can be seen to change nothing.
void Prepare(TBitmap& Bitmap)
{
    Bitmap.SetSize(KeptWidth, KeptHeight);
    for (int y = 0; y < KeptHeight; ++y)
        for (int x = 0; x < KeptWidth; ++x) Bitmap.SetPixel(x, y, KeptPixel(x, y));
    Bitmap.Canvas();
}

bool IsKept(const TBitmap& Bitmap)
{
    if (Bitmap.Width() != KeptWidth || Bitmap.Height() != KeptHeight) return false;
    for (int y = 0; y < KeptHeight; ++y)
        for (int x = 0; x < KeptWidth; ++x)
            if (Bitmap.Pixel(x, y) != KeptPixel(x, y)) return false;
    return true;
}

bool IsSoundAndOpaque(TBitmap& Bitmap)
{
    if (Bitmap.Width() <= 0 || Bitmap.Height() <= 0) return false;
    const TCanvas* canvas = Bitmap.Canvas();
    if (canvas->Bits() != Bitmap.Bits() || canvas->SurfaceWidth() != Bitmap.Width() || canvas->SurfaceHeight() != Bitmap.Height())
        return false;
    for (int y = 0; y < Bitmap.Height(); ++y)
        for (int x = 0; x < Bitmap.Width(); ++x)
            if ((Bitmap.Pixel(x, y) >> 24) != 0xFF) return false;
    return true;
}

void Put32(std::vector<std::uint8_t>& B, std::size_t At, std::uint32_t V)
{
    for (int i = 0; i < 4; ++i) B[At + i] = (V >> (8 * i)) & 0xFF;
}

// One damaged copy of File: cut short, a few bits flipped, or a size, offset or count field
// overwritten with a hostile value.
std::vector<std::uint8_t> Mutate(const std::vector<std::uint8_t>& File, std::mt19937& Random)
{
    std::vector<std::uint8_t> bytes = File;
    const auto pick = [&](std::size_t N) { return std::uniform_int_distribution<std::size_t>(0, N - 1)(Random); };
    switch (pick(3)) {
    case 0:
        bytes.resize(pick(bytes.size()));
        break;
    case 1:
        for (std::size_t n = 1 + pick(4); n > 0; --n) bytes[pick(bytes.size())] ^= static_cast<std::uint8_t>(1u << pick(8));
        break;
    default: {
        // bfSize, bfOffBits, biSize, biWidth, biHeight, planes/bit count, compression,
        // image size, colours used, the colour masks.
        static constexpr std::array<std::size_t, 12> Fields{2, 10, 14, 18, 22, 26, 30, 34, 46, 54, 58, 62};
        const std::array<std::uint32_t, 10> values{0, 1, 12, 40, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFF,
                                                   static_cast<std::uint32_t>(bytes.size()),
                                                   static_cast<std::uint32_t>(bytes.size() + 1),
                                                   static_cast<std::uint32_t>(Random())};
        const std::size_t at = Fields[pick(Fields.size())];
        if (at + 4 <= bytes.size()) Put32(bytes, at, values[pick(values.size())]);
    }
    }
    return bytes;
}

} // namespace

TEST(BmpRobustnessTest, EverySampleLoadsIntact)
{
    for (const TBmpSample& sample : BmpSamples()) {
        TBitmap bitmap;
        Prepare(bitmap);
        ASSERT_NO_THROW(bitmap.LoadFromBMP(sample.Bytes.data(), sample.Bytes.size())) << sample.Name;
        EXPECT_TRUE(IsSoundAndOpaque(bitmap)) << sample.Name;
        EXPECT_FALSE(IsKept(bitmap)) << sample.Name;
    }
}

TEST(BmpRobustnessTest, DamagedFilesLoadOrAreRefusedWithTheBitmapKept)
{
    std::mt19937 random(20240611);
    const std::vector<TBmpSample> samples = BmpSamples();
    int refused = 0, loaded = 0;
    for (int i = 0; i < 4000; ++i) {
        const TBmpSample& sample = samples[static_cast<std::size_t>(i) % samples.size()];
        const std::vector<std::uint8_t> bytes = Mutate(sample.Bytes, random);
        TBitmap bitmap;
        Prepare(bitmap);
        try {
            bitmap.LoadFromBMP(bytes.data(), bytes.size());
        } catch (const EInvalidGraphic& e) {
            ++refused;
            ASSERT_TRUE(IsKept(bitmap)) << sample.Name << " mutation " << i << ": " << e.Message();
            ASSERT_EQ(e.Message().rfind("Bitmap image is not valid: ", 0), 0u) << e.Message();
            continue;
        }
        ++loaded;
        ASSERT_TRUE(IsSoundAndOpaque(bitmap)) << sample.Name << " mutation " << i;
    }
    // The loop exercises both outcomes, or it proves nothing.
    EXPECT_GT(refused, 1000);
    EXPECT_GT(loaded, 1000);
}

TEST(BmpRobustnessTest, AColourMaskWithGapsStaysInItsChannel)
{
    // 0xF0F0 has a gap: its value 0xF0F once scaled by the bit count (255) spilled into red.
    std::vector<std::uint8_t> bytes = BmpSampleDetail::Make(1, 1, 32, 40, true, true);
    Put32(bytes, 54, 0x00FF0000);
    Put32(bytes, 58, 0x0000F0F0);
    Put32(bytes, 62, 0x0000000F);
    Put32(bytes, 66, 0x0000F0F0);
    TBitmap bitmap;
    bitmap.LoadFromBMP(bytes.data(), bytes.size());
    EXPECT_EQ(bitmap.Pixel(0, 0), 0xFF00FF00u);
    Put32(bytes, 66, 0x000000F0);
    bitmap.LoadFromBMP(bytes.data(), bytes.size());
    const TPixel green = (bitmap.Pixel(0, 0) >> 8) & 0xFF;
    EXPECT_EQ(bitmap.Pixel(0, 0) & 0xFFFF00FFu, 0xFF000000u);
    EXPECT_GT(green, 0u);
    EXPECT_LT(green, 255u);
}
