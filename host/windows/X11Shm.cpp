#include "host/windows/X11Shm.h"

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

bool TX11ShmImage::Ensure(Visual* V, int Depth, int Width, int Height)
{
    if (FImage && FImage->width == Width && FImage->height == Height) return true;
    Release();
    FImage = XShmCreateImage(FDisplay, V, static_cast<unsigned>(Depth), ZPixmap, nullptr, &FInfo,
                             static_cast<unsigned>(Width), static_cast<unsigned>(Height));
    if (!FImage) return false;
    if (FImage->bits_per_pixel != 32 ||
        !MakeSegment(FInfo, static_cast<std::size_t>(FImage->bytes_per_line) * static_cast<std::size_t>(Height))) {
        XDestroyImage(FImage);
        FImage = nullptr;
        return false;
    }
    FImage->data = FInfo.shmaddr;
    if (!AttachSegment(FDisplay, FInfo)) {
        shmdt(FInfo.shmaddr);
        XDestroyImage(FImage);
        FImage = nullptr;
        return false;
    }
    return true;
}

void TX11ShmImage::Put(Drawable Target, GC Gc, const TBitmap& Buffer, const TRect& Area)
{
    const auto bytes = sizeof(TPixel) * static_cast<std::size_t>(Area.Width());
    for (int y = Area.Top; y < Area.Bottom; ++y)
        std::memcpy(FImage->data + static_cast<std::ptrdiff_t>(y) * FImage->bytes_per_line + Area.Left * 4,
                    Buffer.ScanLine(y) + Area.Left, bytes);
    XShmPutImage(FDisplay, Target, Gc, FImage, Area.Left, Area.Top, Area.Left, Area.Top,
                 static_cast<unsigned>(Area.Width()), static_cast<unsigned>(Area.Height()), False);
}

void TX11ShmImage::Release()
{
    if (!FImage) return;
    XShmDetach(FDisplay, &FInfo);
    // The image's own destructor frees the structure only; the pixels are the segment's.
    XDestroyImage(FImage);
    shmdt(FInfo.shmaddr);
    FImage = nullptr;
}
