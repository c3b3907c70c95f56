// Fuzz target of the bitmap reader: any input either loads into a sound, opaque bitmap or raises
// EInvalidGraphic and leaves the bitmap exactly as it was. Anything else aborts the run.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstdio>

#include "host/graphics/Bitmap.h"
#include "host/graphics/Canvas.h"

namespace {

constexpr int KeptWidth = 3, KeptHeight = 2;

TPixel KeptPixel(int X, int Y) { return 0x12000000u + static_cast<TPixel>(Y * KeptWidth + X); }

void Check(bool Condition, const char* What)
{
    if (Condition) return;
    std::fprintf(stderr, "bitmap fuzz: %s\n", What);
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size)
{
    TBitmap bitmap(KeptWidth, KeptHeight);
    for (int y = 0; y < KeptHeight; ++y)
        for (int x = 0; x < KeptWidth; ++x) bitmap.SetPixel(x, y, KeptPixel(x, y));
    const TCanvas* canvas = bitmap.Canvas();
    try {
        bitmap.LoadFromBMP(Data, Size);
    } catch (const EInvalidGraphic&) {
        Check(bitmap.Width() == KeptWidth && bitmap.Height() == KeptHeight, "a failed load changed the size");
        for (int y = 0; y < KeptHeight; ++y)
            for (int x = 0; x < KeptWidth; ++x) Check(bitmap.Pixel(x, y) == KeptPixel(x, y), "a failed load changed a pixel");
        return 0;
    }
    Check(bitmap.Width() > 0 && bitmap.Height() > 0, "a loaded bitmap is empty");
    Check(canvas->Bits() == bitmap.Bits() && canvas->SurfaceWidth() == bitmap.Width() && canvas->SurfaceHeight() == bitmap.Height(),
          "the canvas does not draw on the loaded pixels");
    // Every pixel is read, so ASan sees a short buffer; decoded pixels are opaque.
    for (int y = 0; y < bitmap.Height(); ++y) {
        const TPixel* row = bitmap.ScanLine(y);
        for (int x = 0; x < bitmap.Width(); ++x) Check((row[x] >> 24) == 0xFF, "a decoded pixel is not opaque");
    }
    return 0;
}
