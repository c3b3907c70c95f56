#pragma once
// The window system's state and its work; internal to host/windows (other layers use the window
// functions of Window.h, MessageQueue.h, Paint.h, Input.h and ScrollBar.h).
//
// Index of the parts, one source file each:
//   WindowTree.cpp     creating, destroying, showing, moving; frames (WM_NCCALCSIZE); coordinates
//   MessageQueue.cpp   send, post, peek, the pump, timers, dialog keys
//   Paint.cpp          update regions, visible regions, device contexts, WM_PAINT/WM_NCPAINT,
//                      ScrollWindowEx, presenting and capturing
//   Input.cpp          raw input into messages: hit testing, capture, double clicks, enter/leave,
//                      auto-closing popups, keys and their state, focus and activation
//   ScrollBar.cpp      the window's own scroll bars: state, geometry, drawing, tracking
//   DefWindowProc.cpp  the default processing of every message
//
// Handlers may destroy windows while the manager works: code that sends a message looks a window
// up again by its handle afterwards instead of keeping a record pointer across the call.
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "host/graphics/Bitmap.h"
#include "host/graphics/Region.h"
#include "host/windows/Backend.h"
#include "host/windows/MessageQueue.h"
#include "host/windows/Paint.h"
#include "host/windows/ScrollBar.h"
#include "host/windows/Window.h"

struct TScrollBarState {
    int Min = 0;
    int Max = 0;
    UINT Page = 0;
    int Pos = 0;
    int TrackPos = 0;
};

struct TWindowRec {
    HWND Handle = nullptr;
    TMessageTarget* Target = nullptr;
    std::string Text;
    DWORD Style = 0;
    DWORD ExStyle = 0;
    // The parent of a child window; null for a top-level window.
    TWindowRec* Parent = nullptr;
    // The owner of a top-level window.
    HWND Owner = nullptr;
    // Bottom of the z-order first.
    std::vector<TWindowRec*> Children;
    // Parent client coordinates, or screen coordinates for a top-level window.
    TRect Bounds;
    // The client rectangle in window coordinates.
    TRect Client;
    TColor Background = clBtnFace;
    // Client coordinates.
    TRegion Update;
    bool UpdateErase = false;
    // Window coordinates; only the non-client part matters.
    TRegion NCUpdate;
    TScrollBarState Bars[2];
    bool Destroying = false;
    std::uint64_t Order = 0;

    // Top-level windows only.
    TSurfaceId Surface = 0;
    std::unique_ptr<TBitmap> Buffer;
    // Buffer coordinates: what changed since the last presentation.
    TRegion Dirty;
    HWND LastFocus = nullptr;
    bool SurfaceShown = false;

    bool IsTopLevel() const { return Parent == nullptr; }
    int Width() const { return Bounds.Width(); }
    int Height() const { return Bounds.Height(); }
};

class TWindowManager {
public:
    explicit TWindowManager(TWindowBackend& Backend);
    ~TWindowManager();
    TWindowManager(const TWindowManager&) = delete;
    TWindowManager& operator=(const TWindowManager&) = delete;

    TWindowBackend& Backend() { return FBackend; }
    TWindowRec* Find(HWND Wnd) const;

    // --- Tree (WindowTree.cpp)
    HWND Create(const TCreateParams& Params);
    bool Destroy(HWND Wnd);
    void DestroyAll();
    // The target is going away: its window loses it first, then is destroyed.
    void TargetDestroyed(TMessageTarget* Target);
    bool SetParent(HWND Child, HWND NewParent);
    bool SetOwner(HWND Wnd, HWND Owner);
    bool Show(HWND Wnd, int CmdShow);
    bool IsVisible(const TWindowRec* W) const;
    bool IsEnabled(const TWindowRec* W) const;
    bool Enable(HWND Wnd, bool Value);
    bool SetPos(HWND Wnd, HWND InsertAfter, int X, int Y, int CX, int CY, UINT Flags);
    // Runs WM_NCCALCSIZE for the current bounds and stores the client rectangle.
    void RecalcFrame(TWindowRec* W);
    // Top-left corner of the window in its top-level window's buffer.
    TPoint OriginInTop(const TWindowRec* W) const;
    TPoint ScreenOrigin(const TWindowRec* W) const;
    TWindowRec* Top(TWindowRec* W) const;
    const std::vector<HWND>& TopLevels() const { return FTopLevels; }
    // The deepest visible window of a top-level window under a point of its buffer.
    TWindowRec* ChildAt(TWindowRec* Top, TPoint BufferPoint) const;
    void SetStyle(TWindowRec* W, DWORD Style);
    bool IsSelfOrDescendant(HWND Ancestor, HWND Wnd) const;
    bool IsOverrideRedirect(const TWindowRec* W) const;
    // Whether showing or clicking the window makes it the active window.
    bool IsActivatable(const TWindowRec* W) const;
    // The window and its descendants, parents before children.
    void CollectTree(TWindowRec* W, std::vector<HWND>& Out) const;
    void ExposeWindow(TWindowRec* W);

    // --- Queue (MessageQueue.cpp)
    LRESULT Send(HWND Wnd, TMessage& Message);
    bool Post(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam);
    void PostQuit(int Code);
    bool Peek(TMsg& Msg, HWND Wnd, UINT First, UINT Last, UINT Remove);
    bool Get(TMsg& Msg, HWND Wnd, UINT First, UINT Last);
    bool Translate(const TMsg& Msg);
    LRESULT DispatchMsg(const TMsg& Msg);
    bool DialogMessage(const TMsg& Msg);
    bool ProcessOne();
    void ProcessAll();
    void HandleOne();
    bool QuitReceived() const { return FQuit; }
    int QuitCode() const { return FQuitCode; }
    DWORD MessageTime() const { return FMessageTime; }
    TPoint MessagePos() const { return FMessagePos; }
    DWORD Now() { return FBackend.TickCount(); }
    UINT_PTR SetTimer(HWND Wnd, UINT_PTR Id, UINT Elapse);
    bool KillTimer(HWND Wnd, UINT_PTR Id);
    // Default handling of CM_DIALOGKEY for a top-level window: Tab and the arrows move the focus.
    bool MoveFocusByKey(HWND Top, WORD Key);

    // --- Painting (Paint.cpp)
    void InvalidateClient(TWindowRec* W, const TRegion& Region, bool Erase);
    void InvalidateFrame(TWindowRec* W, const TRegion& WindowRegion);
    // Invalidates whatever shows in Area (buffer coordinates) of a top-level window.
    void Expose(TWindowRec* Top, const TRegion& Area);
    // The visible part of a window in its top-level buffer: the whole window or the client area,
    // without its visible children and the siblings above it and its ancestors.
    TRegion VisibleRegion(const TWindowRec* W, bool WholeWindow) const;
    HDC MakeDC(HWND Wnd, bool WholeWindow);
    int ReleaseDC(HDC DC);
    HDC BeginPaint(HWND Wnd, TPaintStruct& Paint);
    void EndPaint(HWND Wnd, const TPaintStruct& Paint);
    bool HasPendingPaint(const TWindowRec* W) const;
    // Sends WM_NCPAINT and WM_PAINT as the window needs them.
    void PaintWindow(HWND Wnd);
    // Paints the window and every descendant that waits for it.
    void UpdateTree(HWND Wnd);
    // The first window (tree order) matching the filter that waits for painting.
    HWND FindPaintable(HWND Filter) const;
    // Shows the dirty parts of every top-level buffer. Send false leaves them queued in the back
    // end: the message loop sends after a message only when it runs out of messages, so that a
    // frame painted over several messages goes to the display at once.
    void Present(bool Send = true);
    int ScrollWindowEx(HWND Wnd, int DX, int DY, const TRect* Scroll, const TRect* Clip,
                       TRegion* UpdateRegion, TRect* UpdateRect, UINT Flags);
    std::unique_ptr<TBitmap> Capture(HWND Wnd);
    void ResizeBuffer(TWindowRec* Top);
    // Device contexts whose window or buffer went away draw nowhere from now on.
    void DetachDCs();

    // --- Input (Input.cpp)
    // Turns the next raw event into messages; false when there is none.
    bool TranslateNextInput();
    HWND SetFocus(HWND Wnd);
    HWND Focus() const { return FFocus; }
    HWND Active() const { return FActive; }
    // Makes a top-level window the active one (WM_ACTIVATE to both); FocusSurface asks the back
    // end to give its surface the keyboard focus as well.
    HWND SetActive(HWND Wnd, bool FocusSurface);
    HWND SetCapture(HWND Wnd);
    bool ReleaseCapture();
    HWND Capture() const { return FCapture; }
    short KeyState(int Key) const;
    TPoint Cursor() const { return FCursor; }
    HWND MouseWindow() const { return FHover.empty() ? nullptr : FHover.back(); }
    // Forgets a window that is being destroyed in the input state.
    void ForgetInput(HWND Wnd);
    // The window is hidden or disabled: focus and capture leave it and its descendants.
    void WindowLostInput(HWND Wnd);

    // --- Scroll bars (ScrollBar.cpp)
    int SetScrollInfo(HWND Wnd, int Bar, const TScrollInfo& Info, bool Redraw);
    bool GetScrollInfo(HWND Wnd, int Bar, TScrollInfo& Info);
    bool ShowScrollBar(HWND Wnd, int Bar, bool Show);
    TScrollBarParts Parts(const TWindowRec* W, int Bar) const;
    void DrawScrollBar(TCanvas& Canvas, const TWindowRec* W, int Bar);
    void RedrawScrollBar(HWND Wnd, int Bar);
    // A press on a bar (hit code HTVSCROLL or HTHSCROLL, screen point).
    void BeginScrollTracking(HWND Wnd, LRESULT HitCode, TPoint ScreenPoint);
    bool Tracking() const { return FTrack.Wnd != nullptr; }
    void TrackMouseMove(TPoint ScreenPoint);
    void TrackMouseUp(TPoint ScreenPoint);
    void CancelTracking(HWND Wnd);
    // Runs a due auto-repeat of an arrow or page press; true when it ran.
    bool RunTrackRepeat();
    // When the next repeat is due; false when none waits.
    bool NextTrackRepeat(DWORD& Due) const;

    // --- Default processing (DefWindowProc.cpp)
    LRESULT DefProc(HWND Wnd, TMessage& Message);

private:
    friend class TWindowSystem;

    struct TTimer {
        HWND Wnd;
        UINT_PTR Id;
        UINT Elapse;
        DWORD Due;
    };

    // Scroll-bar tracking: the window, bar and part pressed.
    enum TTrackPart { tpNone, tpArrowUp, tpArrowDown, tpPageUp, tpPageDown, tpThumb };
    struct TTrack {
        HWND Wnd = nullptr;
        int Bar = SB_VERT;
        TTrackPart Part = tpNone;
        // The pointer is over the pressed part (arrows and pages repeat only then).
        bool Over = false;
        // Thumb drags: pointer distance from the thumb's start.
        int GrabOffset = 0;
        DWORD NextRepeat = 0;
    };

    TWindowRec* Rec(HWND Wnd) const { return Find(Wnd); }
    void DestroyRec(TWindowRec* W);
    void Unlink(TWindowRec* W);
    bool MatchesFilter(HWND Filter, HWND Wnd) const;
    bool PeekTimer(TMsg& Msg, HWND Filter, UINT Remove);
    void SendNCPaint(HWND Wnd);
    void MarkDirty(TWindowRec* W, const TRegion& BufferRegion);
    // Pixels of the top-level buffer moved by (DX, DY) into Dest: the display moves its own copy
    // when it can, and only what it showed stale is presented again.
    void MarkMoved(TWindowRec* TopW, const TRect& Dest, int DX, int DY);
    // Scrolls the band Moved of a back buffer vertically by turning its rows, when that is
    // cheaper than moving the band's pixels; false when it is not (nothing is done then). The
    // pixels of Repainted (buffer coordinates; may be empty) are left as they come.
    bool TurnRows(TBitmap& Buffer, const TRect& Moved, int DY, const TRect& Repainted);
    void ShowChanged(TWindowRec* W, bool Visible);
    void TopShown(TWindowRec* W, bool Visible, bool Activate);
    void CollectTabStops(TWindowRec* W, std::vector<HWND>& Out, bool TabStopsOnly) const;

    // Input helpers.
    void HandleMouse(const TInputEvent& Event);
    void HandleKey(const TInputEvent& Event);
    void HandleFocusEvent(const TInputEvent& Event);
    void HandleConfigure(const TInputEvent& Event);
    void UpdateHover(TWindowRec* Deepest);
    bool CloseAutoClosePopups(TWindowRec* Target);
    TWindowRec* TopBySurface(TSurfaceId Surface) const;
    void QueueInput(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam, DWORD Time, unsigned Char = 0);
    WPARAM MouseKeys() const;

    // Scroll-bar helpers.
    TTrackPart PartAt(const TWindowRec* W, int Bar, TPoint WindowPoint) const;
    void SendScroll(HWND Wnd, int Bar, int Code, int Pos);
    int PosFromThumb(const TWindowRec* W, int Bar, int ThumbStart) const;

    TWindowBackend& FBackend;
    std::unordered_map<HWND, std::unique_ptr<TWindowRec>> FWindows;
    std::vector<HWND> FTopLevels;
    std::uintptr_t FNextHandle = 0x10;
    std::uint64_t FNextOrder = 0;

    std::deque<TMsg> FPosted;
    std::deque<TMsg> FInput;
    std::vector<TTimer> FTimers;
    // While ProcessMessages runs, timers due after its start wait for the next call, so that a
    // timer whose handler takes longer than its interval cannot keep the pump from returning.
    bool FHasHorizon = false;
    DWORD FHorizon = 0;
    bool FQuitPosted = false;
    bool FQuit = false;
    int FQuitCode = 0;
    DWORD FMessageTime = 0;
    TPoint FMessagePos;

    HWND FFocus = nullptr;
    HWND FActive = nullptr;
    HWND FCapture = nullptr;
    // The window under the pointer and its ancestors, outermost first.
    std::vector<HWND> FHover;
    TPoint FCursor;
    bool FKeys[256] = {};
    // The last press, for double clicks.
    DWORD FLastPressTime = 0;
    TPoint FLastPressPos;
    HWND FLastPressWnd = nullptr;
    int FLastPressButton = -1;
    bool FLastPressWasDouble = true;
    TTrack FTrack;
    // The bar whose thumb drag is being released: its SB_THUMBPOSITION still reads the dragged
    // position through SIF_TRACKPOS, as the 16 bits of the message may not hold it.
    HWND FReleasedThumbWnd = nullptr;
    int FReleasedThumbBar = SB_VERT;
    // Records of destroyed windows stay until the outermost DestroyWindow returns, so that code
    // on the stack never holds a freed record.
    std::vector<std::unique_ptr<TWindowRec>> FGraveyard;
    int FDestroyDepth = 0;
    std::vector<TDeviceContext*> FLiveDCs;
    // Rectangles were presented and not yet sent (see Present).
    bool FUnsent = false;
    // TurnRows' copy of the kept pixels whose rows wrap round the buffer, kept between scrolls.
    std::vector<TPixel> FTurnAside;
    // SetFocus activating the window's top-level window: WM_ACTIVATE leaves the focus alone.
    HWND FFocusAfterActivate = nullptr;
    // A resize reported by the back end is not sent back to it.
    bool FConfiguringFromBackend = false;
};

#include "host/windows/WindowSystem.h"

// The manager of the current window system.
inline TWindowManager& WM() { return TWindowSystem::Current().Manager(); }

// The kind of a region as the region functions answer it.
inline int RegionKind(const TRegion& R)
{
    if (R.IsEmpty()) return NULLREGION;
    return R.RectCount() == 1 ? SIMPLEREGION : COMPLEXREGION;
}

inline TPoint operator+(TPoint A, TPoint B) { return {A.X + B.X, A.Y + B.Y}; }
inline TPoint operator-(TPoint A, TPoint B) { return {A.X - B.X, A.Y - B.Y}; }
inline TPoint TopLeft(const TRect& R) { return {R.Left, R.Top}; }
