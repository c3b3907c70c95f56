#pragma once
// The headless back end: no display, a clock that moves only when told, and input that tests
// script. THeadlessInput turns "click here, type this" into the same raw input a display would
// give, so it passes through the window system's whole input translation.
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <string_view>

#include "host/graphics/Bitmap.h"
#include "host/graphics/Region.h"
#include "host/windows/Backend.h"
#include "host/windows/Window.h"

class THeadlessBackend : public TWindowBackend {
public:
    const char* Name() const override { return "headless"; }

    TSurfaceId CreateSurface(const TSurfaceParams& Params) override;
    void DestroySurface(TSurfaceId Surface) override;
    void SetSurfaceOwner(TSurfaceId Surface, TSurfaceId Owner) override;
    // The surface a surface belongs to, as a display's window manager is told (0: none).
    TSurfaceId SurfaceOwner(TSurfaceId Surface) const;
    void Present(TSurfaceId Surface, const TBitmap& Buffer, const TRect& Area) override;

    bool PollInput(TInputEvent& Event) override;
    // With input waiting: true at once. Otherwise the clock jumps by TimeoutMs (a timer becomes
    // due) and true; with no limit and nothing waiting, false: nothing can ever arrive.
    bool WaitForInput(int TimeoutMs) override;
    std::uint32_t TickCount() override { return FClock; }

    void Push(const TInputEvent& Event);
    void AdvanceTime(std::uint32_t Ms) { FClock += Ms; }
    // What the window system presented of a surface since the last call, then forgotten.
    TRegion TakePresented(TSurfaceId Surface);
    // Keeps what a display would show of each surface: the presented areas and the moves of its
    // own pixels, so that a test compares it with the window buffers. Off, moves are refused and
    // presented instead.
    void MirrorDisplay(bool Value) { FMirror = Value; }
    bool MoveSurfaceRect(TSurfaceId Surface, const TRect& Dest, TPoint From) override;
    // What the display shows of a surface (null when nothing was presented with the mirror on).
    const TBitmap* Shown(TSurfaceId Surface) const;

private:
    std::deque<TInputEvent> FInput;
    std::uint32_t FClock = 1000;
    TSurfaceId FLastSurface = 0;
    std::map<TSurfaceId, TRegion> FPresented;
    std::map<TSurfaceId, TSurfaceId> FOwners;
    bool FMirror = false;
    std::map<TSurfaceId, std::unique_ptr<TBitmap>> FShown;
};

// Scripted input for the current window system's headless back end. Points are in the client
// coordinates of the window given (the ...InWindow variants: window coordinates, for the
// non-client area). Each call handles the messages it caused before returning.
class THeadlessInput {
public:
    explicit THeadlessInput(THeadlessBackend& Backend) : FBackend(Backend) {}

    void MouseMove(HWND Wnd, TPoint P);
    // A press that is never taken as the second half of a double click: when the previous press
    // was recent, the clock first moves past the double-click time.
    void MouseDown(HWND Wnd, TPoint P, TMouseButton Button = mbLeft);
    void MouseUp(HWND Wnd, TPoint P, TMouseButton Button = mbLeft);
    void Click(HWND Wnd, TPoint P, TMouseButton Button = mbLeft);
    void DoubleClick(HWND Wnd, TPoint P);
    // Press at From, move in Steps to To, release there.
    void Drag(HWND Wnd, TPoint From, TPoint To, int Steps = 4, TMouseButton Button = mbLeft);
    void Wheel(HWND Wnd, TPoint P, int Delta);
    void MouseMoveInWindow(HWND Wnd, TPoint P);
    void MouseDownInWindow(HWND Wnd, TPoint P, TMouseButton Button = mbLeft);
    void MouseUpInWindow(HWND Wnd, TPoint P, TMouseButton Button = mbLeft);
    void ClickInWindow(HWND Wnd, TPoint P, TMouseButton Button = mbLeft);
    // The pointer leaves the window's top-level surface.
    void MouseLeave(HWND Wnd);
    // Another client of the display destroys the window's top-level surface.
    void DestroySurface(HWND Wnd);
    // The window manager asks to close the window's top-level surface (its close box). Without
    // HandleNow the request only waits in the queue, for the message loop that runs next (a
    // modal loop waiting for input) to find it.
    void CloseRequest(HWND Wnd, bool HandleNow = true);

    void KeyDown(WORD Key, unsigned Char = 0);
    void KeyUp(WORD Key);
    // Presses the modifiers of Shift, then the key (with the character it types), and releases
    // them all again.
    void PressKey(WORD Key, TShiftState Shift = {});
    // Types each character of the UTF-8 text as its key (letters, digits, space, punctuation,
    // Enter, Tab, Backspace); any other character arrives alone, as an input method gives it.
    void TypeText(std::string_view Text);

    // The display gives the window's top-level surface the keyboard focus, or takes it away.
    void Activate(HWND Wnd);
    void Deactivate(HWND Wnd);

    // Moves the clock and handles what became due (timers, repeats).
    void Wait(std::uint32_t Ms);

    // The virtual key and character that typing C takes, and whether Shift is needed.
    static bool KeyForChar(char C, WORD& Key, bool& Shift);

private:
    void SendMouse(TInputKind Kind, HWND Wnd, TPoint P, bool InWindow, TMouseButton Button, int Delta = 0);
    void Press(HWND Wnd, TPoint P, bool InWindow, TMouseButton Button);
    void PressRelease(HWND Wnd, TPoint P, bool InWindow, TMouseButton Button);
    void SendToSurface(TInputKind Kind, HWND Wnd, bool HandleNow = true);
    void Pump();

    THeadlessBackend& FBackend;
    std::uint32_t FLastPress = 0;
    bool FHasPressed = false;
};

// A fresh headless window system for the length of a scope, with its scripted input.
class THeadlessSession {
    THeadlessBackend* FBackend;
    std::unique_ptr<class TWindowSystem> FSystem;

public:
    THeadlessSession();
    ~THeadlessSession();
    THeadlessSession(const THeadlessSession&) = delete;
    THeadlessSession& operator=(const THeadlessSession&) = delete;

    THeadlessBackend& Backend() { return *FBackend; }
    THeadlessInput Input;
};
