#include "host/graphics/ImageList.h"

#include <algorithm>

#include "host/core/Exceptions.h"
#include "host/graphics/Bitmap.h"
#include "host/graphics/Canvas.h"

namespace {

constexpr TPixel Opaque = 0xFF000000u;

bool IsTransparent(TPixel P) { return (P & Opaque) == 0; }

} // namespace

TImageList::TImageList(int AWidth, int AHeight) : FWidth(std::max(1, AWidth)), FHeight(std::max(1, AHeight)) {}

void TImageList::SetSize(int AWidth, int AHeight)
{
    AWidth = std::max(1, AWidth);
    AHeight = std::max(1, AHeight);
    if (AWidth == FWidth && AHeight == FHeight) return;
    FWidth = AWidth;
    FHeight = AHeight;
    FImages.clear();
}

int TImageList::Add(const TBitmap& Image, const TBitmap* Mask)
{
    return AddImage(Image, Mask, false, 0);
}

int TImageList::AddMasked(const TBitmap& Image, TColor MaskColor)
{
    return AddImage(Image, nullptr, true, ColorToPixel(MaskColor));
}

// Cuts Image into Width-wide pieces (at least one); pixels outside the bitmap are transparent.
int TImageList::AddImage(const TBitmap& Image, const TBitmap* Mask, bool UseColor, TPixel MaskPixel)
{
    if (Image.Empty()) throw EInvalidOperation("Invalid image size");
    const int first = Count();
    const int pieces = std::max(1, Image.Width() / FWidth);
    for (int piece = 0; piece < pieces; ++piece) {
        std::vector<TPixel> pixels(static_cast<std::size_t>(FWidth) * FHeight, 0);
        for (int y = 0; y < FHeight && y < Image.Height(); ++y) {
            for (int x = 0; x < FWidth; ++x) {
                const int sx = piece * FWidth + x;
                if (sx >= Image.Width()) break;
                const TPixel p = Image.Pixel(sx, y) | Opaque;
                bool transparent = UseColor && p == MaskPixel;
                if (Mask && sx < Mask->Width() && y < Mask->Height()) transparent = (Mask->Pixel(sx, y) & 0xFFFFFF) == 0xFFFFFF;
                pixels[static_cast<std::size_t>(y) * FWidth + x] = transparent ? 0 : p;
            }
        }
        FImages.push_back(std::move(pixels));
    }
    return first;
}

void TImageList::Delete(int Index)
{
    if (Index < 0 || Index >= Count()) ListIndexError(Index);
    FImages.erase(FImages.begin() + Index);
}

const std::vector<TPixel>& TImageList::Image(int Index) const
{
    if (Index < 0 || Index >= Count()) ListIndexError(Index);
    return FImages[static_cast<std::size_t>(Index)];
}

void TImageList::Draw(TCanvas& Canvas, int X, int Y, int Index, bool Enabled) const
{
    if (Index < 0 || Index >= Count()) return;
    const std::vector<TPixel>& pixels = FImages[static_cast<std::size_t>(Index)];
    const auto at = [&](int x, int y) { return pixels[static_cast<std::size_t>(y) * FWidth + x]; };
    if (!Enabled) {
        // Embossed: the shape in highlight one pixel down-right, then in shadow.
        for (int y = 0; y < FHeight; ++y)
            for (int x = 0; x < FWidth; ++x)
                if (FBkColor != clNone) Canvas.SetPixel(X + x, Y + y, FBkColor);
        for (int pass = 0; pass < 2; ++pass) {
            const int d = pass == 0 ? 1 : 0;
            const TColor c = pass == 0 ? clBtnHighlight : clBtnShadow;
            for (int y = 0; y < FHeight; ++y)
                for (int x = 0; x < FWidth; ++x)
                    if (!IsTransparent(at(x, y))) Canvas.SetPixel(X + x + d, Y + y + d, c);
        }
        return;
    }
    for (int y = 0; y < FHeight; ++y) {
        for (int x = 0; x < FWidth; ++x) {
            const TPixel p = at(x, y);
            if (!IsTransparent(p))
                Canvas.SetPixel(X + x, Y + y, PixelToColor(p));
            else if (FBkColor != clNone)
                Canvas.SetPixel(X + x, Y + y, FBkColor);
        }
    }
}
