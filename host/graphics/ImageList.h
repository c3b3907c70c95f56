#pragma once
// TImageList: a row of equally sized images with masks, drawn over a background colour or
// transparently (the grid's indicator glyphs).
#include <vector>

#include "host/graphics/Color.h"

class TBitmap;
class TCanvas;

class TImageList {
public:
    TImageList(int AWidth = 16, int AHeight = 16);

    int Width() const { return FWidth; }
    int Height() const { return FHeight; }
    // Changing the size drops every image, as the window system's image lists do.
    void SetSize(int AWidth, int AHeight);
    int Count() const { return static_cast<int>(FImages.size()); }
    void Clear() { FImages.clear(); }

    // Adds Image, cut into Width-wide pieces when it is wider; pixels where Mask is white are
    // transparent (no mask: all opaque). Answers the index of the first added image.
    int Add(const TBitmap& Image, const TBitmap* Mask);
    // As Add, with every pixel of MaskColor transparent.
    int AddMasked(const TBitmap& Image, TColor MaskColor);
    void Delete(int Index);

    // Colour drawn behind the transparent pixels; clNone leaves them untouched.
    TColor BkColor() const { return FBkColor; }
    void SetBkColor(TColor Value) { FBkColor = Value; }

    // Draws image Index with its top-left at (X, Y); a disabled image is drawn embossed in the
    // shadow and highlight colours. An index out of range draws nothing.
    void Draw(TCanvas& Canvas, int X, int Y, int Index, bool Enabled = true) const;
    // The image's pixels with alpha 0 where transparent (for tests and custom painting).
    const std::vector<TPixel>& Image(int Index) const;

private:
    int AddImage(const TBitmap& Image, const TBitmap* Mask, bool UseColor, TPixel MaskPixel);

    int FWidth;
    int FHeight;
    TColor FBkColor = clNone;
    std::vector<std::vector<TPixel>> FImages;
};
