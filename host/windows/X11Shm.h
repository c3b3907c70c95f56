#pragma once
// Presenting through MIT-SHM: a shared-memory image per surface, into which the damaged
// rectangles of the back buffer are copied, so the server reads them from memory instead of
// through the connection.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>

#include "host/core/Types.h"

class TBitmap;

// Whether the server offers shared images to this client: the extension is there, the display is
// on this machine, ZEL_X11_NO_SHM is not set, and a probe segment attaches.
bool X11ShmUsable(Display* D);

class TX11ShmImage {
public:
    explicit TX11ShmImage(Display* D) : FDisplay(D) {}
    TX11ShmImage(const TX11ShmImage&) = delete;
    TX11ShmImage& operator=(const TX11ShmImage&) = delete;
    ~TX11ShmImage() { Release(); }

    // Makes the image Width x Height (recreated only when the size changes); false when no
    // segment could be made or attached.
    bool Ensure(Visual* V, int Depth, int Width, int Height);
    // Copies Area of Buffer (the image's size) into the image and shows it at the same place of
    // Target. The caller makes sure the server is done with earlier requests that read Area.
    void Put(Drawable Target, GC Gc, const TBitmap& Buffer, const TRect& Area);
    // Detaches the segment and frees the image.
    void Release();
    // The display connection is gone: forget everything without a request.
    void Abandon() { FImage = nullptr; }

private:
    Display* FDisplay;
    XImage* FImage = nullptr;
    XShmSegmentInfo FInfo{};
};
