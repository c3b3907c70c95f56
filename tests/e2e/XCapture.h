#pragma once
// What an X window shows, read back with XGetImage into a bitmap, for comparing a real window
// with a headless rendering.
#include <memory>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include "host/graphics/Bitmap.h"

// The window's pixels, or nullptr when it is not shown (XGetImage would fail on it).
inline std::unique_ptr<TBitmap> CaptureXWindow(Display* D, Window W)
{
    // One channel of a pixel scaled to 0..255, whatever the visual's masks.
    const auto channel = [](unsigned long Pixel, unsigned long Mask) {
        if (!Mask) return 0u;
        int shift = 0;
        while (!((Mask >> shift) & 1)) ++shift;
        return static_cast<unsigned>(((Pixel & Mask) >> shift) * 255 / (Mask >> shift));
    };
    XWindowAttributes a;
    if (!XGetWindowAttributes(D, W, &a) || a.map_state != IsViewable) return nullptr;
    XImage* image = XGetImage(D, W, 0, 0, static_cast<unsigned>(a.width), static_cast<unsigned>(a.height), AllPlanes, ZPixmap);
    if (!image) return nullptr;
    auto bitmap = std::make_unique<TBitmap>(a.width, a.height);
    for (int y = 0; y < a.height; ++y)
        for (int x = 0; x < a.width; ++x) {
            const unsigned long p = XGetPixel(image, x, y);
            bitmap->SetPixel(x, y, 0xFF000000u | channel(p, image->red_mask) << 16 | channel(p, image->green_mask) << 8 |
                                       channel(p, image->blue_mask));
        }
    XDestroyImage(image);
    return bitmap;
}
