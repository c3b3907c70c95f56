#include "host/windows/X11Shm.h"

#include <poll.h>
#include <sys/ipc.h>
#include <sys/shm.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "host/graphics/Bitmap.h"

namespace {

bool AttachFailed = false;

int OnAttachError(Display*, XErrorEvent*)
{
    AttachFailed = true;
    return 0;
}

// Attaches Info's segment on the server; a failure (a server on another machine, or one that may
// not read our memory) comes back as a protocol error, caught here instead of reported.
bool AttachSegment(Display* D, XShmSegmentInfo& Info)
{
    XSync(D, False);
    AttachFailed = false;
    const auto previous = XSetErrorHandler(OnAttachError);
    XShmAttach(D, &Info);
    XSync(D, False);
    XSetErrorHandler(previous);
    // Marked for removal at once: the segment goes when both sides have detached, also when the
    // program ends abruptly.
    shmctl(Info.shmid, IPC_RMID, nullptr);
    return !AttachFailed;
}

bool MakeSegment(XShmSegmentInfo& Info, std::size_t Bytes)
{
    Info.shmid = shmget(IPC_PRIVATE, Bytes, IPC_CREAT | 0600);
    if (Info.shmid < 0) return false;
    void* address = shmat(Info.shmid, nullptr, 0);
    if (address == reinterpret_cast<void*>(-1)) {
        shmctl(Info.shmid, IPC_RMID, nullptr);
        return false;
    }
    Info.shmaddr = static_cast<char*>(address);
    Info.readOnly = True;
    return true;
}

// A display name with a host other than this machine's is reached through the network, where
// shared memory cannot go.
bool IsLocalDisplay(Display* D)
{
    const std::string name = DisplayString(D);
    const std::string host = name.substr(0, name.rfind(':'));
    return host.empty() || host == "unix" || host == "localhost" || host == "127.0.0.1" || host.find('/') != std::string::npos;
}

}

bool X11ShmUsable(Display* D)
{
    if (const char* off = std::getenv("ZEL_X11_NO_SHM"); off && *off && std::strcmp(off, "0") != 0) return false;
    if (!XShmQueryExtension(D) || !IsLocalDisplay(D)) return false;
    XShmSegmentInfo probe{};
    if (!MakeSegment(probe, 4096)) return false;
    const bool attached = AttachSegment(D, probe);
    if (attached) XShmDetach(D, &probe);
    shmdt(probe.shmaddr);
    return attached;
}

TX11ShmImage::TX11ShmImage(Display* D) : FDisplay(D), FCompletionType(XShmGetEventBase(D) + ShmCompletion) {}

bool TX11ShmImage::Ensure(Visual* V, int Depth, int Width, int Height)
{
    if (FSegments[0].Image && FWidth == Width && FHeight == Height) return true;
    Release();
    FVisual = V;
    FDepth = Depth;
    FWidth = Width;
    FHeight = Height;
    FCurrent = 0;
    return Make(FSegments[0]);
}

bool TX11ShmImage::Make(TSegment& S)
{
    S.Pending = 0;
    S.Image = XShmCreateImage(FDisplay, FVisual, static_cast<unsigned>(FDepth), ZPixmap, nullptr, &S.Info,
                              static_cast<unsigned>(FWidth), static_cast<unsigned>(FHeight));
    if (!S.Image) return false;
    if (S.Image->bits_per_pixel != 32 ||
        !MakeSegment(S.Info, static_cast<std::size_t>(S.Image->bytes_per_line) * static_cast<std::size_t>(FHeight))) {
        XDestroyImage(S.Image);
        S.Image = nullptr;
        return false;
    }
    S.Image->data = S.Info.shmaddr;
    if (!AttachSegment(FDisplay, S.Info)) {
        shmdt(S.Info.shmaddr);
        XDestroyImage(S.Image);
        S.Image = nullptr;
        return false;
    }
    return true;
}

bool TX11ShmImage::Completed(const XEvent& E)
{
    if (E.type != FCompletionType) return false;
    const auto& done = reinterpret_cast<const XShmCompletionEvent&>(E);
    for (TSegment& s : FSegments)
        if (s.Image && s.Info.shmseg == done.shmseg) {
            if (s.Pending > 0) --s.Pending;
            return true;
        }
    return false;
}

void TX11ShmImage::TakeCompletions()
{
    // Completion events of this image only; other events stay queued in their order.
    const auto ours = [](Display*, XEvent* E, XPointer Self) -> Bool {
        const auto* image = reinterpret_cast<const TX11ShmImage*>(Self);
        if (E->type != image->FCompletionType) return False;
        const auto* done = reinterpret_cast<const XShmCompletionEvent*>(E);
        for (const TSegment& s : image->FSegments)
            if (s.Image && s.Info.shmseg == done->shmseg) return True;
        return False;
    };
    XEvent e;
    while (Pending() > 0 && XCheckIfEvent(FDisplay, &e, ours, reinterpret_cast<XPointer>(this))) Completed(e);
}

void TX11ShmImage::WaitFor(TSegment& S)
{
    // A put whose window another client destroyed meanwhile fails without a completion event:
    // after a quiet while a round trip settles it, since every put sent before it is done then.
    for (int quiet = 0; S.Pending > 0;) {
        TakeCompletions();
        if (S.Pending == 0) return;
        pollfd fd{ConnectionNumber(FDisplay), POLLIN, 0};
        if (poll(&fd, 1, 20) > 0) continue;
        if (++quiet < 5) continue;
        XSync(FDisplay, False);
        TakeCompletions();
        S.Pending = 0;
    }
}

void TX11ShmImage::BeginFrame()
{
    FFrame.clear();
    TakeCompletions();
    if (FSegments[FCurrent].Pending == 0) return;
    TSegment& other = FSegments[1 - FCurrent];
    if (!other.Image && !Make(other)) {
        WaitFor(FSegments[FCurrent]);
        return;
    }
    // Both are being read: the other one was sent first.
    WaitFor(other);
    FCurrent = 1 - FCurrent;
}

void TX11ShmImage::Put(Drawable Target, GC Gc, const TBitmap& Buffer, const TRect& Area)
{
    // Pixels of the image already put in this frame may not have been read yet.
    bool overlaps = FFrame.empty();
    for (const TRect& r : FFrame) overlaps = overlaps || !IntersectRect(r, Area).IsEmpty();
    if (overlaps) BeginFrame();
    FFrame.push_back(Area);
    TSegment& s = FSegments[FCurrent];
    const auto bytes = sizeof(TPixel) * static_cast<std::size_t>(Area.Width());
    for (int y = Area.Top; y < Area.Bottom; ++y)
        std::memcpy(s.Image->data + static_cast<std::ptrdiff_t>(y) * s.Image->bytes_per_line + Area.Left * 4,
                    Buffer.ScanLine(y) + Area.Left, bytes);
    XShmPutImage(FDisplay, Target, Gc, s.Image, Area.Left, Area.Top, Area.Left, Area.Top,
                 static_cast<unsigned>(Area.Width()), static_cast<unsigned>(Area.Height()), True);
    ++s.Pending;
}

void TX11ShmImage::Free(TSegment& S)
{
    if (!S.Image) return;
    XShmDetach(FDisplay, &S.Info);
    // The image's own destructor frees the structure only; the pixels are the segment's.
    XDestroyImage(S.Image);
    shmdt(S.Info.shmaddr);
    S.Image = nullptr;
    S.Pending = 0;
}

void TX11ShmImage::Release()
{
    // The server reads a detached segment no more: puts still queued before the detach are
    // done first, in request order.
    for (TSegment& s : FSegments) Free(s);
    FFrame.clear();
}

void TX11ShmImage::Abandon()
{
    for (TSegment& s : FSegments) s.Image = nullptr;
}
