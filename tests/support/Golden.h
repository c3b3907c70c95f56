#pragma once
// Golden snapshots: a picture compared with a PNG kept next to the tests, within a small
// tolerance (anti-aliased glyph edges may differ by a few levels between builds of FreeType).
// ZEL_UPDATE_GOLDEN=1 in the environment writes the pictures instead; a mismatch leaves the
// picture taken as <name>.actual.png in the working directory for a look.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "host/graphics/Bitmap.h"
#include "host/graphics/Png.h"

inline std::string GoldenPath(const std::string& Name)
{
    return std::string(ZEL_GOLDEN_DIR) + "/" + Name + ".png";
}

inline void SavePNG(const std::string& FileName, const TBitmap& Picture)
{
    SaveSurfaceToPNG(FileName, Picture.Bits(), Picture.Width(), Picture.Height(), Picture.Stride());
}

// Pixels may differ by MaxLevel in each channel; at most MaxShare of them may differ by more.
inline void ExpectMatchesGolden(const std::string& Name, const TBitmap& Picture, int MaxLevel = 24,
                                double MaxShare = 0.002)
{
    const std::string path = GoldenPath(Name);
    if (const char* update = std::getenv("ZEL_UPDATE_GOLDEN"); update && *update == '1') {
        SavePNG(path, Picture);
        return;
    }
    TBitmap golden;
    try {
        LoadPNGFile(path, golden);
    } catch (const Exception& E) {
        SavePNG(Name + ".actual.png", Picture);
        FAIL() << E.Message() << " (run with ZEL_UPDATE_GOLDEN=1 to write it)";
    }
    ASSERT_EQ(golden.Width(), Picture.Width()) << Name;
    ASSERT_EQ(golden.Height(), Picture.Height()) << Name;
    int bad = 0;
    for (int y = 0; y < golden.Height(); ++y)
        for (int x = 0; x < golden.Width(); ++x) {
            const TPixel a = golden.Pixel(x, y), b = Picture.Pixel(x, y);
            for (int shift = 0; shift < 24; shift += 8) {
                const int levelA = static_cast<int>((a >> shift) & 0xFF), levelB = static_cast<int>((b >> shift) & 0xFF);
                if (std::abs(levelA - levelB) > MaxLevel) {
                    ++bad;
                    break;
                }
            }
        }
    const double share = static_cast<double>(bad) / (golden.Width() * golden.Height());
    if (share > MaxShare) SavePNG(Name + ".actual.png", Picture);
    EXPECT_LE(share, MaxShare) << Name << ": " << bad << " pixels differ; the picture taken is " << Name
                               << ".actual.png";
}
