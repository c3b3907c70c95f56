// Raw input into messages: hit testing, capture, double clicks, enter and leave, auto-closing
// popups, keys and their state, focus and activation.
//
// Raw events are translated one at a time, only when the queue has no translated input left, so
// that what a handler does (capture, focus, closing a popup) decides where the next event goes.
#include <algorithm>
#include <cstdlib>

#include "host/windows/Input.h"
#include "host/windows/WindowManager.h"

namespace {
int ButtonKey(TMouseButton B)
{
    return B == mbLeft ? VK_LBUTTON : B == mbRight ? VK_RBUTTON : VK_MBUTTON;
}

UINT ButtonMessage(TMouseButton B, bool Down, bool Double)
{
    const UINT base = B == mbLeft ? WM_LBUTTONDOWN : B == mbRight ? WM_RBUTTONDOWN : WM_MBUTTONDOWN;
    if (!Down) return base + 1;
    return Double ? base + 2 : base;
}
}

TWindowRec* TWindowManager::TopBySurface(TSurfaceId Surface) const
{
    for (HWND t : FTopLevels)
        if (TWindowRec* w = Find(t); w && w->Surface == Surface) return w;
    return nullptr;
}

WPARAM TWindowManager::MouseKeys() const
{
    WPARAM k = 0;
    if (FKeys[VK_LBUTTON]) k |= MK_LBUTTON;
    if (FKeys[VK_RBUTTON]) k |= MK_RBUTTON;
    if (FKeys[VK_MBUTTON]) k |= MK_MBUTTON;
    if (FKeys[VK_SHIFT]) k |= MK_SHIFT;
    if (FKeys[VK_CONTROL]) k |= MK_CONTROL;
    return k;
}

void TWindowManager::QueueInput(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam, DWORD Time, unsigned Char)
{
    TMsg m;
    m.Wnd = Wnd;
    m.Message = Msg;
    m.WParam = WParam;
    m.LParam = LParam;
    m.Time = Time;
    m.Pt = FCursor;
    m.Char = Char;
    FInput.push_back(m);
}

bool TWindowManager::TranslateNextInput()
{
    TInputEvent e;
    if (!FBackend.PollInput(e)) return false;
    if (e.Time == 0) e.Time = Now();
    switch (e.Kind) {
    case ieMouseMove:
    case ieButtonDown:
    case ieButtonUp:
    case ieWheel:
    case ieMouseLeave:
        HandleMouse(e);
        break;
    case ieKeyDown:
    case ieKeyUp:
        HandleKey(e);
        break;
    case ieFocusIn:
    case ieFocusOut:
        HandleFocusEvent(e);
        break;
    case ieExpose:
        if (TWindowRec* t = TopBySurface(e.Surface)) MarkDirty(t, TRegion(e.Area));
        break;
    case ieConfigure:
        HandleConfigure(e);
        break;
    case ieClose:
        if (TWindowRec* t = TopBySurface(e.Surface)) SendMessage(t->Handle, WM_CLOSE);
        break;
    case ieDestroyed:
        // The window cannot be shown any more: it goes as if destroyed here (WM_DESTROY runs).
        if (TWindowRec* t = TopBySurface(e.Surface)) Destroy(t->Handle);
        break;
    }
    return true;
}

void TWindowManager::UpdateHover(TWindowRec* Deepest)
{
    std::vector<HWND> path;
    for (TWindowRec* w = Deepest; w; w = w->Parent) path.push_back(w->Handle);
    std::reverse(path.begin(), path.end());
    std::size_t common = 0;
    while (common < path.size() && common < FHover.size() && path[common] == FHover[common]) ++common;
    if (common == path.size() && common == FHover.size()) return;
    const std::vector<HWND> old = FHover;
    FHover = path;
    for (std::size_t i = old.size(); i-- > common;) SendMessage(old[i], CM_MOUSELEAVE);
    for (std::size_t i = common; i < path.size(); ++i) SendMessage(path[i], CM_MOUSEENTER);
}

bool TWindowManager::CloseAutoClosePopups(TWindowRec* Target)
{
    const HWND target = Target ? Target->Handle : nullptr;
    TWindowRec* targetTop = Target ? Top(Target) : nullptr;
    bool closed = false;
    const std::vector<HWND> tops = FTopLevels;
    for (auto it = tops.rbegin(); it != tops.rend(); ++it) {
        TWindowRec* p = Find(*it);
        if (!p || !(p->ExStyle & WS_EX_AUTOCLOSE) || !IsVisible(p)) continue;
        if (target && IsSelfOrDescendant(p->Handle, target)) continue;
        // A popup opened from this one (a submenu) keeps it open.
        bool ownedByPopup = false;
        for (TWindowRec* o = targetTop; o && o->Owner; o = Find(o->Owner))
            if (o->Owner == p->Handle) ownedByPopup = true;
        if (ownedByPopup) continue;
        const HWND h = p->Handle;
        SendMessage(h, WM_CANCELMODE);
        if (TWindowRec* q = Find(h); q && (q->Style & WS_VISIBLE)) Show(h, SW_HIDE);
        if (TWindowRec* q = Find(h)) {
            if (TWindowRec* owner = Find(q->Owner)) SendMessage(owner->Handle, CM_POPUPCLOSED, 0, reinterpret_cast<LPARAM>(h));
        }
        closed = true;
    }
    return closed;
}

void TWindowManager::HandleMouse(const TInputEvent& E)
{
    TWindowRec* top = TopBySurface(E.Surface);
    if (!top) return;
    if (E.Kind == ieMouseLeave) {
        if (!FHover.empty() && FHover.front() == top->Handle) UpdateHover(nullptr);
        return;
    }
    const TPoint screen = TopLeft(top->Bounds) + E.Pos;
    FCursor = screen;
    if (E.Kind == ieButtonDown) FKeys[ButtonKey(E.Button)] = true;
    if (E.Kind == ieButtonUp) FKeys[ButtonKey(E.Button)] = false;

    const HWND topHandle = top->Handle;
    UpdateHover(ChildAt(top, E.Pos));
    if (!(top = Find(topHandle))) return;

    if (Tracking()) {
        if (E.Kind == ieMouseMove) TrackMouseMove(screen);
        if (E.Kind == ieButtonUp && E.Button == mbLeft) TrackMouseUp(screen);
        return;
    }
    if (E.Kind == ieWheel) {
        HWND target = FFocus;
        if (!target) {
            TWindowRec* hit = ChildAt(top, E.Pos);
            target = hit ? hit->Handle : nullptr;
        }
        if (target)
            QueueInput(target, WM_MOUSEWHEEL, MAKEWPARAM(static_cast<int>(MouseKeys()), E.WheelDelta),
                       MAKELPARAM(screen.X, screen.Y), E.Time);
        return;
    }

    TWindowRec* target = FCapture ? Find(FCapture) : ChildAt(top, E.Pos);
    if (!target) {
        if (E.Kind == ieButtonDown) CloseAutoClosePopups(nullptr);
        return;
    }
    HWND h = target->Handle;
    if (!FCapture && !IsEnabled(target)) return;
    if (E.Kind == ieButtonDown) {
        if (CloseAutoClosePopups(target)) return;
        if (!(target = Find(h))) return;
        TWindowRec* t = Top(target);
        if (t->Handle != FActive && IsActivatable(t)) SetActive(t->Handle, true);
        if (!(target = Find(h))) return;
    }

    LRESULT hit = HTCLIENT;
    if (!FCapture) {
        hit = SendMessage(h, WM_NCHITTEST, 0, MAKELPARAM(screen.X, screen.Y));
        if (!(target = Find(h))) return;
        if (hit == HTNOWHERE || hit == HTTRANSPARENT || hit == HTERROR) return;
    }
    const bool nc = hit != HTCLIENT;
    if (nc && E.Button != mbLeft && E.Kind != ieMouseMove) return;

    bool isDouble = false;
    if (E.Kind == ieButtonDown) {
        const int button = static_cast<int>(E.Button);
        isDouble = !FLastPressWasDouble && FLastPressWnd == h && FLastPressButton == button &&
                   E.Time - FLastPressTime <= TWindowSystem::DoubleClickTime &&
                   std::abs(screen.X - FLastPressPos.X) <= TWindowSystem::DoubleClickDistance &&
                   std::abs(screen.Y - FLastPressPos.Y) <= TWindowSystem::DoubleClickDistance;
        FLastPressWasDouble = isDouble;
        FLastPressWnd = h;
        FLastPressButton = button;
        FLastPressTime = E.Time;
        FLastPressPos = screen;
    }

    if (nc) {
        const UINT msg = E.Kind == ieMouseMove  ? WM_NCMOUSEMOVE
                         : E.Kind == ieButtonUp ? WM_NCLBUTTONUP
                         : isDouble             ? WM_NCLBUTTONDBLCLK
                                                : WM_NCLBUTTONDOWN;
        QueueInput(h, msg, static_cast<WPARAM>(hit), MAKELPARAM(screen.X, screen.Y), E.Time);
        return;
    }
    const TPoint client = screen - ScreenOrigin(target) - TopLeft(target->Client);
    const UINT msg = E.Kind == ieMouseMove ? WM_MOUSEMOVE : ButtonMessage(E.Button, E.Kind == ieButtonDown, isDouble);
    QueueInput(h, msg, MouseKeys(), MAKELPARAM(client.X, client.Y), E.Time);
}

// Keys become WM_KEYDOWN and WM_KEYUP, also with Alt held (then the key data carries
// KF_ALTDOWN); WM_SYSKEYDOWN is never made, so one handler sees every key.
void TWindowManager::HandleKey(const TInputEvent& E)
{
    const int key = E.Key & 0xFF;
    const bool down = E.Kind == ieKeyDown;
    FKeys[key] = down;
    if (key == VK_LSHIFT || key == VK_RSHIFT) FKeys[VK_SHIFT] = down;
    if (key == VK_LCONTROL || key == VK_RCONTROL) FKeys[VK_CONTROL] = down;
    if (key == VK_LMENU || key == VK_RMENU) FKeys[VK_MENU] = down;
    HWND target = FFocus ? FFocus : FActive;
    TWindowRec* w = Find(target);
    // A disabled window (the owner of a modal dialog) takes no keys.
    if (!w || !IsEnabled(w)) return;
    LPARAM data = 1;
    if (FKeys[VK_MENU]) data |= KF_ALTDOWN;
    if (!down) data |= KF_REPEAT | KF_UP;
    else if (E.Repeat) data |= KF_REPEAT;
    QueueInput(target, down ? WM_KEYDOWN : WM_KEYUP, static_cast<WPARAM>(key), data, E.Time, down ? E.Char : 0);
}

void TWindowManager::HandleFocusEvent(const TInputEvent& E)
{
    TWindowRec* top = TopBySurface(E.Surface);
    if (!top) return;
    if (E.Kind == ieFocusIn) {
        if (IsActivatable(top)) SetActive(top->Handle, false);
        return;
    }
    if (FActive == top->Handle) SetActive(nullptr, false);
}

void TWindowManager::HandleConfigure(const TInputEvent& E)
{
    TWindowRec* top = TopBySurface(E.Surface);
    if (!top || top->Bounds == E.Area) return;
    FConfiguringFromBackend = true;
    struct TReset {
        bool& Flag;
        ~TReset() { Flag = false; }
    } reset{FConfiguringFromBackend};
    SetPos(top->Handle, nullptr, E.Area.Left, E.Area.Top, E.Area.Width(), E.Area.Height(), SWP_NOZORDER | SWP_NOACTIVATE);
}

HWND TWindowManager::SetActive(HWND Wnd, bool FocusSurface)
{
    TWindowRec* w = Find(Wnd);
    if (Wnd && (!w || w->Parent)) return nullptr;
    const HWND old = FActive;
    if (old == Wnd) return old;
    FActive = Wnd;
    if (TWindowRec* o = Find(old)) {
        if (FFocus && IsSelfOrDescendant(old, FFocus)) {
            o->LastFocus = FFocus;
            SetFocus(nullptr);
        }
        SendMessage(old, WM_ACTIVATE, WA_INACTIVE, reinterpret_cast<LPARAM>(Wnd));
    }
    if (FActive != Wnd || !Find(Wnd)) return old;
    if (FocusSurface) FBackend.FocusSurface(Find(Wnd)->Surface);
    SendMessage(Wnd, WM_ACTIVATE, WA_ACTIVE, reinterpret_cast<LPARAM>(old));
    return old;
}

HWND TWindowManager::SetFocus(HWND Wnd)
{
    if (Wnd) {
        TWindowRec* w = Find(Wnd);
        if (!w || w->Destroying || !IsEnabled(w)) return nullptr;
        TWindowRec* top = Top(w);
        if (top->Handle != FActive && IsActivatable(top)) {
            // Activation first, without the default focusing of WM_ACTIVATE.
            FFocusAfterActivate = Wnd;
            struct TReset {
                HWND& Value;
                ~TReset() { Value = nullptr; }
            } reset{FFocusAfterActivate};
            SetActive(top->Handle, true);
            if (!Find(Wnd)) return nullptr;
        }
    }
    const HWND old = FFocus;
    if (old == Wnd) return old;
    FFocus = Wnd;
    if (Find(old)) SendMessage(old, WM_KILLFOCUS, reinterpret_cast<WPARAM>(Wnd), 0);
    if (FFocus != Wnd) return old;
    if (TWindowRec* w = Find(Wnd)) {
        Top(w)->LastFocus = Wnd;
        SendMessage(Wnd, WM_SETFOCUS, reinterpret_cast<WPARAM>(Find(old) ? old : nullptr), 0);
    }
    return old;
}

HWND TWindowManager::SetCapture(HWND Wnd)
{
    if (Wnd && !Find(Wnd)) return nullptr;
    const HWND old = FCapture;
    FCapture = Wnd;
    if (old && old != Wnd && Find(old)) SendMessage(old, WM_CAPTURECHANGED, 0, reinterpret_cast<LPARAM>(Wnd));
    return old;
}

bool TWindowManager::ReleaseCapture()
{
    const HWND old = FCapture;
    FCapture = nullptr;
    if (old && Find(old)) SendMessage(old, WM_CAPTURECHANGED, 0, 0);
    return true;
}

short TWindowManager::KeyState(int Key) const
{
    if (Key < 0 || Key > 255) return 0;
    return FKeys[Key] ? static_cast<short>(-32768) : 0;
}

void TWindowManager::ForgetInput(HWND Wnd)
{
    if (FFocus == Wnd) FFocus = nullptr;
    if (FActive == Wnd) FActive = nullptr;
    if (FCapture == Wnd) FCapture = nullptr;
    if (FLastPressWnd == Wnd) FLastPressWnd = nullptr;
    if (FTrack.Wnd == Wnd) FTrack = TTrack{};
    auto it = std::find(FHover.begin(), FHover.end(), Wnd);
    if (it != FHover.end()) FHover.erase(it, FHover.end());
    for (HWND t : FTopLevels)
        if (TWindowRec* w = Find(t); w && w->LastFocus == Wnd) w->LastFocus = nullptr;
}

void TWindowManager::WindowLostInput(HWND Wnd)
{
    if (FFocus && IsSelfOrDescendant(Wnd, FFocus)) SetFocus(nullptr);
    if (FCapture && IsSelfOrDescendant(Wnd, FCapture)) ReleaseCapture();
    if (FTrack.Wnd && IsSelfOrDescendant(Wnd, FTrack.Wnd)) FTrack = TTrack{};
    TWindowRec* w = Find(Wnd);
    if (w && !w->Parent && FActive == Wnd && (w->Destroying || !(w->Style & WS_VISIBLE))) {
        TWindowRec* owner = Find(w->Owner);
        SetActive(owner && IsVisible(owner) && !owner->Destroying ? owner->Handle : nullptr, false);
    }
}

// ---------------------------------------------------------------------------------------------
// The functions of Input.h and ShiftState.h.

HWND SetFocus(HWND Wnd) { return WM().SetFocus(Wnd); }
HWND GetFocus() { return WM().Focus(); }
HWND GetActiveWindow() { return WM().Active(); }
HWND SetActiveWindow(HWND Wnd) { return WM().SetActive(Wnd, true); }
HWND SetCapture(HWND Wnd) { return WM().SetCapture(Wnd); }
bool ReleaseCapture() { return WM().ReleaseCapture(); }
HWND GetCapture() { return WM().Capture(); }
short GetKeyState(int VirtKey) { return WM().KeyState(VirtKey); }

bool GetCursorPos(TPoint& Point)
{
    Point = WM().Cursor();
    return true;
}

HWND GetMouseWindow() { return WM().MouseWindow(); }

TShiftState KeyDataToShiftState(LPARAM KeyData)
{
    TShiftState s;
    if (GetKeyState(VK_SHIFT) < 0) s.Include(ssShift);
    if (GetKeyState(VK_CONTROL) < 0) s.Include(ssCtrl);
    if (KeyData & KF_ALTDOWN) s.Include(ssAlt);
    return s;
}

TShiftState KeysToShiftState(WPARAM Keys)
{
    TShiftState s;
    if (Keys & MK_SHIFT) s.Include(ssShift);
    if (Keys & MK_CONTROL) s.Include(ssCtrl);
    if (Keys & MK_LBUTTON) s.Include(ssLeft);
    if (Keys & MK_RBUTTON) s.Include(ssRight);
    if (Keys & MK_MBUTTON) s.Include(ssMiddle);
    if (GetKeyState(VK_MENU) < 0) s.Include(ssAlt);
    return s;
}

TShiftState GetShiftState()
{
    TShiftState s;
    if (GetKeyState(VK_SHIFT) < 0) s.Include(ssShift);
    if (GetKeyState(VK_CONTROL) < 0) s.Include(ssCtrl);
    if (GetKeyState(VK_MENU) < 0) s.Include(ssAlt);
    if (GetKeyState(VK_LBUTTON) < 0) s.Include(ssLeft);
    if (GetKeyState(VK_RBUTTON) < 0) s.Include(ssRight);
    if (GetKeyState(VK_MBUTTON) < 0) s.Include(ssMiddle);
    return s;
}

void SetClipboardText(const std::string& Text) { TWindowSystem::Current().Backend().SetClipboardText(Text); }
std::string GetClipboardText() { return TWindowSystem::Current().Backend().ClipboardText(); }
