#pragma once
// The narrow interface between the window system and what shows its windows: surfaces (one per
// top-level window), presenting pixels, raw input, the clock and the clipboard. Every method has a
// harmless default, so a back end overrides only what its display needs.
//
// Raw input is in surface coordinates and knows nothing of child windows: the window system finds
// the target window, keeps focus and capture, makes double clicks and turns it into messages.
#include <chrono>
#include <cstdint>
#include <string>

#include "host/core/Types.h"
#include "host/windows/ShiftState.h"

class TBitmap;

using TSurfaceId = std::uint32_t;

struct TSurfaceParams {
    // Position and size in screen coordinates.
    TRect Bounds;
    std::string Title;
    // Placed by the window system itself, outside any window manager (popups, drop-down lists).
    bool OverrideRedirect = false;
    TSurfaceId Owner = 0;
};

enum TInputKind : unsigned char {
    ieMouseMove,
    ieButtonDown,
    ieButtonUp,
    ieWheel,
    ieKeyDown,
    ieKeyUp,
    // The pointer left the surface.
    ieMouseLeave,
    // The display gave the surface the keyboard focus or took it away.
    ieFocusIn,
    ieFocusOut,
    // Part of the surface must be shown again (Area); the buffer is still intact.
    ieExpose,
    // The display moved or resized the surface (Area, screen coordinates).
    ieConfigure,
    // The user asked to close the surface.
    ieClose,
    // The surface is gone: another client of the display destroyed it.
    ieDestroyed,
};

struct TInputEvent {
    TInputKind Kind = ieMouseMove;
    TSurfaceId Surface = 0;
    // The pointer in surface coordinates (mouse events).
    TPoint Pos;
    TMouseButton Button = mbLeft;
    // Wheel distance in multiples of WHEEL_DELTA, positive away from the user.
    int WheelDelta = 0;
    // Virtual-key code and the character the key types (0 for none).
    int Key = 0;
    unsigned Char = 0;
    // A key held down and repeating.
    bool Repeat = false;
    TRect Area;
    // Milliseconds of TickCount; 0 lets the window system stamp the event when it takes it.
    std::uint32_t Time = 0;
};

class TWindowBackend {
public:
    virtual ~TWindowBackend() = default;
    virtual const char* Name() const { return "null"; }

    // Surfaces. The default hands out numbers and shows nothing.
    virtual TSurfaceId CreateSurface(const TSurfaceParams& Params) { (void)Params; return ++FLastSurface; }
    virtual void DestroySurface(TSurfaceId Surface) { (void)Surface; }
    virtual void ShowSurface(TSurfaceId Surface, bool Visible) { (void)Surface; (void)Visible; }
    virtual void SetSurfaceBounds(TSurfaceId Surface, const TRect& Bounds) { (void)Surface; (void)Bounds; }
    virtual void SetSurfaceTitle(TSurfaceId Surface, const std::string& Title) { (void)Surface; (void)Title; }
    // The surface belongs to Owner (0: to none) and stays above it, as a dialog above its window.
    virtual void SetSurfaceOwner(TSurfaceId Surface, TSurfaceId Owner) { (void)Surface; (void)Owner; }
    virtual void RaiseSurface(TSurfaceId Surface) { (void)Surface; }
    virtual void FocusSurface(TSurfaceId Surface) { (void)Surface; }
    // Shows Area (surface coordinates) of the top-level window's buffer.
    virtual void Present(TSurfaceId Surface, const TBitmap& Buffer, const TRect& Area)
    {
        (void)Surface; (void)Buffer; (void)Area;
    }
    // Moves pixels the display already shows: Dest (surface coordinates) takes the pixels of the
    // same size at From. False when the back end cannot; then Dest is presented instead.
    virtual bool MoveSurfaceRect(TSurfaceId Surface, const TRect& Dest, TPoint From)
    {
        (void)Surface; (void)Dest; (void)From;
        return false;
    }
    // Sends what was presented to the display.
    virtual void Flush() {}
    // Waits until the display has shown everything presented so far.
    virtual void Sync() {}

    // Input: the next raw event, if one is waiting.
    virtual bool PollInput(TInputEvent& Event) { (void)Event; return false; }
    // Waits up to TimeoutMs (-1: no limit) for input; false when none can ever arrive.
    virtual bool WaitForInput(int TimeoutMs) { (void)TimeoutMs; return false; }

    // Milliseconds of a monotonic clock.
    virtual std::uint32_t TickCount()
    {
        using namespace std::chrono;
        return static_cast<std::uint32_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
    }

    virtual void SetClipboardText(const std::string& Text) { FClipboard = Text; }
    virtual std::string ClipboardText() { return FClipboard; }

    virtual TSize ScreenSize() { return {1280, 1024}; }

private:
    TSurfaceId FLastSurface = 0;
    std::string FClipboard;
};
