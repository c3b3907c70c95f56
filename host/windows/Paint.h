#pragma once
// Invalidation, painting and device contexts.
//
// Every top-level window has a back buffer (a TBitmap); a window paints into its top-level
// window's buffer at its own position, clipped to the part of it that is visible (children and
// the siblings above it are cut out). What changed in a buffer is presented by the back end after
// each message.
//
// The update region is kept in client coordinates. WM_PAINT comes when no other message waits;
// Update paints at once. BeginPaint gives a device context clipped to the update region and
// validates it; WM_ERASEBKGND goes first when the region was invalidated with erasing.
// The non-client area has its own update region, painted by WM_NCPAINT before WM_PAINT.
#include <memory>

#include "host/core/Types.h"
#include "host/graphics/Canvas.h"
#include "host/graphics/Region.h"
#include "host/windows/Window.h"

class TBitmap;

// A device context: a canvas over a window's part of its top-level buffer. Logical coordinates
// are the client area's (GetDC, BeginPaint) or the whole window's (GetWindowDC).
class TDeviceContext {
public:
    TDeviceContext(HWND Wnd, TCanvas* Canvas, bool WholeWindow);
    ~TDeviceContext();
    TDeviceContext(const TDeviceContext&) = delete;
    TDeviceContext& operator=(const TDeviceContext&) = delete;

    HWND Window() const { return FWnd; }
    bool WholeWindow() const { return FWholeWindow; }
    // Drawing on the canvas of a window that is not shown does nothing.
    TCanvas& Canvas() { return *FCanvas; }

private:
    HWND FWnd;
    bool FWholeWindow;
    std::unique_ptr<TCanvas> FCanvas;
};

struct TPaintStruct {
    HDC DC = nullptr;
    // True when WM_ERASEBKGND did not erase (the handler has to paint the background).
    bool Erase = false;
    // The bounds of the area to paint, in client coordinates.
    TRect rcPaint;
};

// Adds to the update region (client coordinates; null: the whole client area). Erase asks for
// WM_ERASEBKGND before the next WM_PAINT.
bool InvalidateRect(HWND Wnd, const TRect* Rect, bool Erase = true);
bool InvalidateRgn(HWND Wnd, const TRegion* Region, bool Erase = true);
bool ValidateRect(HWND Wnd, const TRect* Rect);
bool ValidateRgn(HWND Wnd, const TRegion* Region);
// The bounds of the update region; false when there is none.
bool GetUpdateRect(HWND Wnd, TRect* Rect, bool Erase = false);
// The update region; answers NULLREGION, SIMPLEREGION, COMPLEXREGION, or ERROR.
int GetUpdateRgn(HWND Wnd, TRegion& Region, bool Erase = false);
// RDW_INVALIDATE/RDW_VALIDATE for the client area, RDW_FRAME for the non-client area,
// RDW_ERASE, RDW_ALLCHILDREN, RDW_UPDATENOW. Rect and Region are in client coordinates.
bool RedrawWindow(HWND Wnd, const TRect* Rect, const TRegion* Region, UINT Flags);
// Paints now: WM_NCPAINT and WM_PAINT for the window and its descendants with an update region.
bool UpdateWindow(HWND Wnd);
// The control library's names for the whole-client invalidation and the paint-now call.
inline bool Invalidate(HWND Wnd) { return InvalidateRect(Wnd, nullptr, true); }
inline bool Update(HWND Wnd) { return UpdateWindow(Wnd); }

HDC BeginPaint(HWND Wnd, TPaintStruct& Paint);
bool EndPaint(HWND Wnd, const TPaintStruct& Paint);
// A context over the client area, clipped to its visible part.
HDC GetDC(HWND Wnd);
// A context over the whole window, non-client area included (logical (0, 0) is the window's
// top-left corner).
HDC GetWindowDC(HWND Wnd);
int ReleaseDC(HWND Wnd, HDC DC);

// The caller's clip region of a context, in its logical coordinates. A null region removes it.
// Answers the kind of the resulting clip, or ERROR.
int SelectClipRgn(HDC DC, const TRegion* Region);
// Moves the caller's clip region; ERROR when none is selected.
int OffsetClipRgn(HDC DC, int DX, int DY);

// Releases a context on leaving the scope, also when an exception passes.
class TDCGuard {
public:
    TDCGuard(HWND Wnd, HDC DC) : FWnd(Wnd), FDC(DC) {}
    ~TDCGuard() { if (FDC) ReleaseDC(FWnd, FDC); }
    TDCGuard(const TDCGuard&) = delete;
    TDCGuard& operator=(const TDCGuard&) = delete;
    HDC DC() const { return FDC; }

private:
    HWND FWnd;
    HDC FDC;
};

// Ends a paint on leaving the scope.
class TPaintGuard {
public:
    explicit TPaintGuard(HWND Wnd) : FWnd(Wnd) { BeginPaint(Wnd, FPaint); }
    ~TPaintGuard() { EndPaint(FWnd, FPaint); }
    TPaintGuard(const TPaintGuard&) = delete;
    TPaintGuard& operator=(const TPaintGuard&) = delete;
    const TPaintStruct& Paint() const { return FPaint; }
    HDC DC() const { return FPaint.DC; }

private:
    HWND FWnd;
    TPaintStruct FPaint;
};

// Moves the pixels of the client area by (DX, DY). Scroll is the part that moves (null: the
// whole client area); only pixels inside Clip change (null: the client area). The area left
// uncovered, together with pixels whose source was not visible, is returned in UpdateRegion and
// UpdateRect (either may be null) and invalidated with SW_INVALIDATE (erased with SW_ERASE).
// The part of the update region inside the moved area moves with it. SW_SCROLLCHILDREN moves
// the child windows in Scroll as well. Answers NULLREGION, SIMPLEREGION, COMPLEXREGION or ERROR.
int ScrollWindowEx(HWND Wnd, int DX, int DY, const TRect* Scroll, const TRect* Clip,
                   TRegion* UpdateRegion, TRect* UpdateRect, UINT Flags);

// Paints what is pending and copies the whole window (non-client area included) out of its
// top-level buffer. A hidden window gives an empty bitmap.
std::unique_ptr<TBitmap> CaptureWindow(HWND Wnd);
