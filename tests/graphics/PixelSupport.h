#pragma once
// Helpers for pixel tests: a bitmap filled with a background, and questions about its pixels.
#include <algorithm>

#include "host/core/Types.h"
#include "host/graphics/Bitmap.h"
#include "host/graphics/Canvas.h"

// A bitmap of the given size filled with Background.
inline void Fill(TBitmap& Bitmap, int Width, int Height, TColor Background)
{
    Bitmap.SetSize(Width, Height);
    std::fill_n(Bitmap.Bits(), Width * Height, ColorToPixel(Background));
}

inline TPixel Px(TColor Color) { return ColorToPixel(Color); }

// The smallest rectangle holding every pixel that differs from Background; empty when none.
inline TRect InkBounds(const TBitmap& Bitmap, TColor Background, TRect Area = {0, 0, 1 << 20, 1 << 20})
{
    Area = IntersectRect(Area, {0, 0, Bitmap.Width(), Bitmap.Height()});
    const TPixel bg = ColorToPixel(Background);
    TRect ink{};
    for (int y = Area.Top; y < Area.Bottom; ++y)
        for (int x = Area.Left; x < Area.Right; ++x)
            if (Bitmap.Pixel(x, y) != bg) ink = UnionRect(ink, {x, y, x + 1, y + 1});
    return ink;
}

// How many pixels inside Area have the given colour.
inline int CountPixels(const TBitmap& Bitmap, TColor Color, TRect Area)
{
    Area = IntersectRect(Area, {0, 0, Bitmap.Width(), Bitmap.Height()});
    const TPixel p = ColorToPixel(Color);
    int n = 0;
    for (int y = Area.Top; y < Area.Bottom; ++y)
        for (int x = Area.Left; x < Area.Right; ++x) n += Bitmap.Pixel(x, y) == p;
    return n;
}

// True when every pixel of Area has the given colour.
inline bool AllPixels(const TBitmap& Bitmap, TColor Color, const TRect& Area)
{
    return CountPixels(Bitmap, Color, Area) == Area.Width() * Area.Height();
}
