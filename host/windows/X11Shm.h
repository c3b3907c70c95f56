#pragma once
// Presenting through MIT-SHM: shared-memory images per surface, into which the damaged
// rectangles of the back buffer are copied, so the server reads them from memory instead of
// through the connection. A frame never waits for the server: the server reports each put it has
// done with a completion event, and a frame that finds its image still being read copies into a
// second one. Only a client two frames ahead of the server waits, for the older one.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>

#include <vector>

#include "host/core/Types.h"

class TBitmap;

// Whether the server offers shared images to this client: the extension is there, the display is
// on this machine, ZEL_X11_NO_SHM is not set, and a probe segment attaches.
bool X11ShmUsable(Display* D);

class TX11ShmImage {
public:
    explicit TX11ShmImage(Display* D);
    TX11ShmImage(const TX11ShmImage&) = delete;
    TX11ShmImage& operator=(const TX11ShmImage&) = delete;
    ~TX11ShmImage() { Release(); }

    // Makes the images Width x Height (recreated only when the size changes); false when no
    // segment could be made or attached.
    bool Ensure(Visual* V, int Depth, int Width, int Height);
    // Copies Area of Buffer (the image's size) into an image the server is done with and shows it
    // at the same place of Target. The rectangles of one frame go into the same image; one that
    // overlaps an earlier one of the frame starts the next frame, as EndFrame does.
    void Put(Drawable Target, GC Gc, const TBitmap& Buffer, const TRect& Area);
    void EndFrame() { FFrame.clear(); }
    // The server finished a put: true when it was one of this image's.
    bool Completed(const XEvent& E);
    // Puts the server has not reported done yet, over both images.
    int Pending() const { return FSegments[0].Pending + FSegments[1].Pending; }
    // Detaches the segments and frees the images.
    void Release();
    // The display connection is gone: forget everything without a request.
    void Abandon();

private:
    struct TSegment {
        XImage* Image = nullptr;
        XShmSegmentInfo Info{};
        int Pending = 0;
    };
    bool Make(TSegment& S);
    void Free(TSegment& S);
    // Takes the completion events already sent, without blocking.
    void TakeCompletions();
    // Waits until the server is done with S.
    void WaitFor(TSegment& S);
    // Chooses the image for a new frame.
    void BeginFrame();

    Display* FDisplay;
    int FCompletionType;
    Visual* FVisual = nullptr;
    int FDepth = 0, FWidth = 0, FHeight = 0;
    TSegment FSegments[2];
    int FCurrent = 0;
    // The rectangles put in the current frame (none: no frame is open).
    std::vector<TRect> FFrame;
};
