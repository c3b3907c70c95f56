#pragma once
// The window's own scroll bars (WS_VSCROLL, WS_HSCROLL), drawn in the non-client area next to the
// client rectangle. Pressing an arrow sends SB_LINEUP/SB_LINEDOWN, the track beside the thumb
// SB_PAGEUP/SB_PAGEDOWN (both repeat while held), dragging the thumb SB_THUMBTRACK and on release
// SB_THUMBPOSITION; every press ends with SB_ENDSCROLL. The bar does not move its thumb itself:
// the window answers with SetScrollPos.
#include "host/core/Types.h"
#include "host/windows/Window.h"

// Width of a vertical bar, height of a horizontal one, and the size of the arrow buttons.
constexpr int ScrollBarSize = 16;
// The thumb never gets shorter than this.
constexpr int MinThumbSize = 8;

struct TScrollInfo {
    UINT Mask = SIF_ALL;
    int Min = 0;
    int Max = 0;
    // The proportional page; 0 for a fixed-size thumb.
    UINT Page = 0;
    int Pos = 0;
    // The thumb's position during a drag (read only).
    int TrackPos = 0;
};

// Sets the parts named by Info.Mask; the position is kept inside Min..Max - max(Page - 1, 0).
// An empty range (Max <= Min, or a page covering it) hides a window's bar unless
// SIF_DISABLENOSCROLL is given; a non-empty range shows it. Answers the new position.
int SetScrollInfo(HWND Wnd, int Bar, const TScrollInfo& Info, bool Redraw = true);
bool GetScrollInfo(HWND Wnd, int Bar, TScrollInfo& Info);
bool SetScrollRange(HWND Wnd, int Bar, int MinPos, int MaxPos, bool Redraw = true);
bool GetScrollRange(HWND Wnd, int Bar, int& MinPos, int& MaxPos);
// Answers the previous position.
int SetScrollPos(HWND Wnd, int Bar, int Pos, bool Redraw = true);
int GetScrollPos(HWND Wnd, int Bar);
bool ShowScrollBar(HWND Wnd, int Bar, bool Show);

// Where a bar lies in window coordinates; empty when the window has no such bar.
TRect GetScrollBarRect(HWND Wnd, int Bar);
// The parts of a bar in window coordinates, for painting and hit testing.
struct TScrollBarParts {
    TRect Bar, ArrowUp, ArrowDown, PageUp, PageDown, Thumb;
    bool operator==(const TScrollBarParts&) const = default;
};
TScrollBarParts GetScrollBarParts(HWND Wnd, int Bar);
