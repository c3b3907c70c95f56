#pragma once
// Windows: handles in a parent/child tree, the message target a window delivers to, and the typed
// views and handlers of the one dispatcher.
//
// A window is named by an opaque HWND. The window system keeps the record behind it; a handle of a
// destroyed window is simply no longer valid (IsWindow is false, every call on it does nothing).
// Coordinates: a child's bounds are in its parent's client coordinates, a top-level window's in
// screen coordinates. The client rectangle is what WM_NCCALCSIZE leaves of the window; the rest is
// the non-client area (borders, the window's own scroll bars).
#include <cstdint>
#include <string>
#include <vector>

#include "host/core/Types.h"
#include "host/graphics/Color.h"
#include "host/windows/Messages.h"
#include "host/windows/ShiftState.h"

struct TWindowTag;
using HWND = TWindowTag*;
class TRegion;
using HRGN = TRegion*;
class TDeviceContext;
using HDC = TDeviceContext*;

// WM_NCCALCSIZE: Rgrc[0] comes in as the proposed window rectangle (parent coordinates) and goes
// out as the client rectangle in the same coordinates.
struct TNCCalcSizeParams {
    TRect Rgrc[3];
};

// ---------------------------------------------------------------------------------------------
// Typed views of a message: a handler reads the message's parts and answers through them.
// Each view refers to the one TMessage being dispatched.
struct TWMBase {
    explicit TWMBase(TMessage& M) : Message(M) {}
    TMessage& Message;
    UINT Msg() const { return Message.Msg; }
    LRESULT Result() const { return Message.Result; }
    void SetResult(LRESULT Value) { Message.Result = Value; }
};

// The 8-bit key a KeyPress handler sees for a character beyond Latin-1, which a char cannot
// hold; when the handler leaves it as it is, the whole character is typed.
constexpr char WideCharStandIn = '?';

// WM_KEYDOWN, WM_KEYUP, WM_CHAR, WM_SYSKEYDOWN, ...: a virtual-key code or a character.
struct TWMKey : TWMBase {
    using TWMBase::TWMBase;
    WORD CharCode() const { return LOWORD(Message.WParam); }
    void SetCharCode(WORD Value) { Message.WParam = Value; }
    // WM_CHAR: the whole Unicode code point, also beyond the 16 bits of CharCode.
    unsigned CodePoint() const { return static_cast<unsigned>(Message.WParam); }
    LPARAM KeyData() const { return Message.LParam; }
    TShiftState Shift() const { return KeyDataToShiftState(Message.LParam); }
};

// WM_MOUSEMOVE, WM_xBUTTONDOWN/UP/DBLCLK: MK_ flags and a point in client coordinates.
struct TWMMouse : TWMBase {
    using TWMBase::TWMBase;
    WPARAM Keys() const { return Message.WParam; }
    int XPos() const { return GET_X_LPARAM(Message.LParam); }
    int YPos() const { return GET_Y_LPARAM(Message.LParam); }
    TPoint Pos() const { return {XPos(), YPos()}; }
    // The buttons and modifiers, with ssDouble for the double-click messages.
    TShiftState Shift() const
    {
        TShiftState s = KeysToShiftState(Message.WParam);
        if (Message.Msg == WM_LBUTTONDBLCLK || Message.Msg == WM_RBUTTONDBLCLK || Message.Msg == WM_MBUTTONDBLCLK)
            s.Include(ssDouble);
        return s;
    }
};

// WM_MOUSEWHEEL: the wheel distance (multiples of WHEEL_DELTA, positive away from the user) and the
// point in screen coordinates.
struct TWMMouseWheel : TWMBase {
    using TWMBase::TWMBase;
    int WheelDelta() const { return static_cast<std::int16_t>(HIWORD(Message.WParam)); }
    WPARAM Keys() const { return LOWORD(Message.WParam); }
    TPoint Pos() const { return {GET_X_LPARAM(Message.LParam), GET_Y_LPARAM(Message.LParam)}; }
    TShiftState Shift() const { return KeysToShiftState(Keys()); }
};

// WM_NCHITTEST and the WM_NCxxx mouse messages: a point in screen coordinates and, for the mouse
// messages, the hit-test code.
struct TWMNCHitMessage : TWMBase {
    using TWMBase::TWMBase;
    LRESULT HitTest() const { return static_cast<LRESULT>(Message.WParam); }
    TPoint Pos() const { return {GET_X_LPARAM(Message.LParam), GET_Y_LPARAM(Message.LParam)}; }
};

// WM_VSCROLL, WM_HSCROLL: the SB_ code and, for the thumb codes, the 16-bit position.
struct TWMScroll : TWMBase {
    using TWMBase::TWMBase;
    int ScrollCode() const { return LOWORD(Message.WParam); }
    int Pos() const { return HIWORD(Message.WParam); }
    HWND ScrollBar() const { return reinterpret_cast<HWND>(Message.LParam); }
};

struct TWMSize : TWMBase {
    using TWMBase::TWMBase;
    int SizeType() const { return static_cast<int>(Message.WParam); }
    int Width() const { return LOWORD(static_cast<std::uintptr_t>(Message.LParam)); }
    int Height() const { return HIWORD(static_cast<std::uintptr_t>(Message.LParam)); }
};

struct TWMMove : TWMBase {
    using TWMBase::TWMBase;
    int XPos() const { return GET_X_LPARAM(Message.LParam); }
    int YPos() const { return GET_Y_LPARAM(Message.LParam); }
};

// WM_SETFOCUS carries the window that lost the focus, WM_KILLFOCUS the one that receives it
// (either may be null).
struct TWMSetFocus : TWMBase {
    using TWMBase::TWMBase;
    HWND FocusedWnd() const { return reinterpret_cast<HWND>(Message.WParam); }
};
struct TWMKillFocus : TWMBase {
    using TWMBase::TWMBase;
    HWND FocusedWnd() const { return reinterpret_cast<HWND>(Message.WParam); }
};

// WM_PAINT and WM_ERASEBKGND. WM_PAINT carries no DC (the handler calls BeginPaint);
// WM_ERASEBKGND carries the paint DC and answers non-zero when it erased.
struct TWMPaint : TWMBase {
    using TWMBase::TWMBase;
    HDC DC() const { return reinterpret_cast<HDC>(Message.WParam); }
};
using TWMEraseBkgnd = TWMPaint;

struct TWMNCCalcSize : TWMBase {
    using TWMBase::TWMBase;
    bool CalcValidRects() const { return Message.WParam != 0; }
    TNCCalcSizeParams& CalcSize_Params() const { return *reinterpret_cast<TNCCalcSizeParams*>(Message.LParam); }
};

// WM_NCPAINT: WParam is the region to repaint in screen coordinates, or 1 for the whole window.
struct TWMNCPaint : TWMBase {
    using TWMBase::TWMBase;
    WPARAM RgnParam() const { return Message.WParam; }
    // The update region, or null when the whole window is to be painted.
    HRGN Region() const { return Message.WParam > 1 ? reinterpret_cast<HRGN>(Message.WParam) : nullptr; }
};

struct TWMTimer : TWMBase {
    using TWMBase::TWMBase;
    UINT_PTR TimerID() const { return Message.WParam; }
};

// WM_GETDLGCODE: WParam is the key being asked about (0 for a general question); the answer is a
// combination of DLGC_ flags.
struct TWMGetDlgCode : TWMBase {
    using TWMBase::TWMBase;
    WORD CharCode() const { return LOWORD(Message.WParam); }
};

struct TWMCommand : TWMBase {
    using TWMBase::TWMBase;
    WORD ItemID() const { return LOWORD(Message.WParam); }
    WORD NotifyCode() const { return HIWORD(Message.WParam); }
    HWND Ctl() const { return reinterpret_cast<HWND>(Message.LParam); }
};

struct TWMActivate : TWMBase {
    using TWMBase::TWMBase;
    int Active() const { return LOWORD(Message.WParam); }
    HWND ActiveWindow() const { return reinterpret_cast<HWND>(Message.LParam); }
};

// CM_DIALOGKEY: a key the focused window did not claim, offered to its top-level window first.
// Result non-zero means it was used.
using TCMDialogKey = TWMKey;

// ---------------------------------------------------------------------------------------------
// The object behind a window: every message sent or dispatched to a window bound to it arrives in
// WndProc. Dispatch switches on the message and calls the typed handler; every handler's default is
// DefaultHandler, which hands the message to the window system's default processing.
// Destroying a target destroys the windows still bound to it.
class TMessageTarget {
public:
    TMessageTarget() = default;
    TMessageTarget(const TMessageTarget&) = delete;
    TMessageTarget& operator=(const TMessageTarget&) = delete;
    virtual ~TMessageTarget();

    virtual void WndProc(TMessage& Message);
    virtual void Dispatch(TMessage& Message);
    virtual void DefaultHandler(TMessage& Message);
    // Sends a message straight to this object's WndProc.
    LRESULT Perform(UINT Msg, WPARAM WParam = 0, LPARAM LParam = 0);

    // The window bound to this object, or null.
    HWND WindowHandle() const { return FWindowHandle; }

protected:
    virtual void WMCreate(TMessage& Message) { DefaultHandler(Message); }
    virtual void WMDestroy(TMessage& Message) { DefaultHandler(Message); }
    virtual void WMClose(TMessage& Message) { DefaultHandler(Message); }
    virtual void WMPaint(TWMPaint& Message) { DefaultHandler(Message.Message); }
    virtual void WMEraseBkgnd(TWMEraseBkgnd& Message) { DefaultHandler(Message.Message); }
    virtual void WMSize(TWMSize& Message) { DefaultHandler(Message.Message); }
    virtual void WMMove(TWMMove& Message) { DefaultHandler(Message.Message); }
    virtual void WMShowWindow(TMessage& Message) { DefaultHandler(Message); }
    virtual void WMEnable(TMessage& Message) { DefaultHandler(Message); }
    virtual void WMActivate(TWMActivate& Message) { DefaultHandler(Message.Message); }
    virtual void WMNCCalcSize(TWMNCCalcSize& Message) { DefaultHandler(Message.Message); }
    virtual void WMNCPaint(TWMNCPaint& Message) { DefaultHandler(Message.Message); }
    virtual void WMNCHitTest(TWMNCHitMessage& Message) { DefaultHandler(Message.Message); }
    virtual void WMNCLButtonDown(TWMNCHitMessage& Message) { DefaultHandler(Message.Message); }
    virtual void WMNCLButtonUp(TWMNCHitMessage& Message) { DefaultHandler(Message.Message); }
    virtual void WMNCLButtonDblClk(TWMNCHitMessage& Message) { DefaultHandler(Message.Message); }
    virtual void WMNCMouseMove(TWMNCHitMessage& Message) { DefaultHandler(Message.Message); }
    virtual void WMSetFocus(TWMSetFocus& Message) { DefaultHandler(Message.Message); }
    virtual void WMKillFocus(TWMKillFocus& Message) { DefaultHandler(Message.Message); }
    virtual void WMKeyDown(TWMKey& Message) { DefaultHandler(Message.Message); }
    virtual void WMKeyUp(TWMKey& Message) { DefaultHandler(Message.Message); }
    virtual void WMChar(TWMKey& Message) { DefaultHandler(Message.Message); }
    virtual void WMSysKeyDown(TWMKey& Message) { DefaultHandler(Message.Message); }
    virtual void WMSysKeyUp(TWMKey& Message) { DefaultHandler(Message.Message); }
    virtual void WMSysChar(TWMKey& Message) { DefaultHandler(Message.Message); }
    virtual void WMGetDlgCode(TWMGetDlgCode& Message) { DefaultHandler(Message.Message); }
    virtual void WMMouseMove(TWMMouse& Message) { DefaultHandler(Message.Message); }
    virtual void WMLButtonDown(TWMMouse& Message) { DefaultHandler(Message.Message); }
    virtual void WMLButtonUp(TWMMouse& Message) { DefaultHandler(Message.Message); }
    virtual void WMLButtonDblClk(TWMMouse& Message) { DefaultHandler(Message.Message); }
    virtual void WMRButtonDown(TWMMouse& Message) { DefaultHandler(Message.Message); }
    virtual void WMRButtonUp(TWMMouse& Message) { DefaultHandler(Message.Message); }
    virtual void WMRButtonDblClk(TWMMouse& Message) { DefaultHandler(Message.Message); }
    virtual void WMMButtonDown(TWMMouse& Message) { DefaultHandler(Message.Message); }
    virtual void WMMButtonUp(TWMMouse& Message) { DefaultHandler(Message.Message); }
    virtual void WMMButtonDblClk(TWMMouse& Message) { DefaultHandler(Message.Message); }
    virtual void WMMouseWheel(TWMMouseWheel& Message) { DefaultHandler(Message.Message); }
    virtual void WMVScroll(TWMScroll& Message) { DefaultHandler(Message.Message); }
    virtual void WMHScroll(TWMScroll& Message) { DefaultHandler(Message.Message); }
    virtual void WMTimer(TWMTimer& Message) { DefaultHandler(Message.Message); }
    virtual void WMCommand(TWMCommand& Message) { DefaultHandler(Message.Message); }
    virtual void WMCancelMode(TMessage& Message) { DefaultHandler(Message); }
    virtual void WMCaptureChanged(TMessage& Message) { DefaultHandler(Message); }
    virtual void CMMouseEnter(TMessage& Message) { DefaultHandler(Message); }
    virtual void CMMouseLeave(TMessage& Message) { DefaultHandler(Message); }
    virtual void CMDialogKey(TCMDialogKey& Message) { DefaultHandler(Message.Message); }
    virtual void CMDialogChar(TWMKey& Message) { DefaultHandler(Message.Message); }
    virtual void CMCancelMode(TMessage& Message) { DefaultHandler(Message); }
    virtual void CMEnter(TMessage& Message) { DefaultHandler(Message); }
    virtual void CMExit(TMessage& Message) { DefaultHandler(Message); }
    virtual void CMEnabledChanged(TMessage& Message) { DefaultHandler(Message); }
    virtual void CMVisibleChanged(TMessage& Message) { DefaultHandler(Message); }
    virtual void CMFontChanged(TMessage& Message) { DefaultHandler(Message); }
    virtual void CMParentFontChanged(TMessage& Message) { DefaultHandler(Message); }
    virtual void CMColorChanged(TMessage& Message) { DefaultHandler(Message); }
    virtual void CMParentColorChanged(TMessage& Message) { DefaultHandler(Message); }
    virtual void CMTextChanged(TMessage& Message) { DefaultHandler(Message); }
    virtual void CMCtl3DChanged(TMessage& Message) { DefaultHandler(Message); }
    virtual void CMFocusChanged(TMessage& Message) { DefaultHandler(Message); }
    virtual void CMShowingChanged(TMessage& Message) { DefaultHandler(Message); }
    virtual void CMDesignHitTest(TMessage& Message) { DefaultHandler(Message); }
    virtual void CMWantSpecialKey(TWMKey& Message) { DefaultHandler(Message.Message); }

private:
    friend class TWindowManager;
    HWND FWindowHandle = nullptr;
};

// ---------------------------------------------------------------------------------------------
// Creating and destroying windows.
struct TCreateParams {
    std::string Caption;
    DWORD Style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
    DWORD ExStyle = 0;
    // Position and size: parent client coordinates for a child, screen coordinates otherwise.
    TRect Bounds;
    // The parent of a WS_CHILD window; the owner of a top-level or popup window (may be null).
    HWND Parent = nullptr;
    // Colour the default WM_ERASEBKGND fills with; clNone leaves the background alone.
    TColor Background = clBtnFace;
    // Receives the window's messages; without one the window uses the default processing only.
    TMessageTarget* Target = nullptr;
    // Any value the creator wants WM_CREATE to see (its LPARAM points at these parameters).
    void* CreateData = nullptr;
};

// Creates the window: WM_NCCREATE, WM_NCCALCSIZE, WM_CREATE (a Result of -1 refuses the window and
// the call returns null), WM_SIZE and WM_MOVE. A target already bound to a window is refused.
HWND CreateWindowEx(const TCreateParams& Params);
// Destroys the window, its children and the popups it owns: WM_DESTROY parent first, then
// WM_NCDESTROY children first. Focus, capture, timers and waiting messages of the windows go too.
bool DestroyWindow(HWND Wnd);
bool IsWindow(HWND Wnd);
TMessageTarget* GetWindowTarget(HWND Wnd);

// The parent of a child window, the owner of a top-level window.
HWND GetParent(HWND Wnd);
HWND SetParent(HWND Child, HWND NewParent);
// Makes Owner (a top-level window, or null for none) the owner of the top-level window Wnd: Wnd
// goes when its owner is destroyed, and the display keeps it above the owner. False for a child
// window or an owner that would end up owning itself.
bool SetWindowOwner(HWND Wnd, HWND Owner);
// The top-level window a window belongs to (itself for a top-level window).
HWND GetTopLevelWindow(HWND Wnd);
bool IsChild(HWND Parent, HWND Wnd);
// Child windows from the bottom of the z-order to the top.
std::vector<HWND> GetChildWindows(HWND Wnd);
// Top-level windows, oldest first.
std::vector<HWND> GetTopLevelWindows();

bool ShowWindow(HWND Wnd, int CmdShow);
// True when the window and all its ancestors are visible.
bool IsWindowVisible(HWND Wnd);
bool EnableWindow(HWND Wnd, bool Enable);
// True when the window and all its ancestors are enabled.
bool IsWindowEnabled(HWND Wnd);

// Insert-after values for SetWindowPos.
inline const HWND HWND_TOP = nullptr;
inline const HWND HWND_BOTTOM = reinterpret_cast<HWND>(std::uintptr_t{1});
bool SetWindowPos(HWND Wnd, HWND InsertAfter, int X, int Y, int CX, int CY, UINT Flags);
bool MoveWindow(HWND Wnd, int X, int Y, int Width, int Height, bool Repaint = true);
bool BringWindowToTop(HWND Wnd);

// The window's rectangle in screen coordinates.
bool GetWindowRect(HWND Wnd, TRect& Rect);
// The client area in client coordinates: (0, 0, width, height).
bool GetClientRect(HWND Wnd, TRect& Rect);
// The client rectangle in the window's own coordinates (non-client offsets included).
bool GetClientRectInWindow(HWND Wnd, TRect& Rect);
bool ClientToScreen(HWND Wnd, TPoint& Point);
bool ScreenToClient(HWND Wnd, TPoint& Point);
// Converts points from one window's client coordinates to another's (null: the screen).
void MapWindowPoints(HWND From, HWND To, TPoint* Points, int Count);
// The deepest visible window under a screen point; null outside every window.
HWND WindowFromPoint(TPoint ScreenPoint);

std::intptr_t GetWindowLong(HWND Wnd, int Index);
// Changes a style; the frame is recomputed at the next SetWindowPos with SWP_FRAMECHANGED.
std::intptr_t SetWindowLong(HWND Wnd, int Index, std::intptr_t Value);
bool SetWindowText(HWND Wnd, const std::string& Text);
std::string GetWindowText(HWND Wnd);
void SetWindowBackground(HWND Wnd, TColor Color);

// The default processing of a message, for windows without a target and for handlers that pass a
// message on.
LRESULT DefWindowProc(HWND Wnd, TMessage& Message);
LRESULT DefWindowProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam);
