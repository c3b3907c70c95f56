// Sending, posting and peeking; the pump; timers; the dialog keys.
#include <algorithm>
#include <climits>

#include "host/windows/Input.h"
#include "host/windows/WindowManager.h"

namespace {
bool InRange(UINT Msg, UINT First, UINT Last)
{
    return (First == 0 && Last == 0) || (Msg >= First && Msg <= Last);
}

bool Overlaps(UINT First, UINT Last, UINT Lo, UINT Hi)
{
    return (First == 0 && Last == 0) || (First <= Hi && Last >= Lo);
}

// Whether a peek for this range may take keyboard or mouse input.
bool WantsInput(UINT First, UINT Last)
{
    return Overlaps(First, Last, WM_KEYFIRST, WM_KEYLAST) || Overlaps(First, Last, WM_MOUSEFIRST, WM_MOUSELAST) ||
           Overlaps(First, Last, WM_NCMOUSEMOVE, WM_NCLBUTTONDBLCLK) || Overlaps(First, Last, CM_MOUSEENTER, CM_MOUSELEAVE);
}

// Signed distance between two tick counts, safe across the 32-bit wrap.
int TicksUntil(DWORD Due, DWORD Now)
{
    return static_cast<std::int32_t>(Due - Now);
}
}

LRESULT TWindowManager::Send(HWND Wnd, TMessage& Message)
{
    TWindowRec* w = Find(Wnd);
    if (!w) return 0;
    if (TMessageTarget* t = w->Target) {
        t->WndProc(Message);
    } else {
        Message.Result = DefProc(Wnd, Message);
    }
    return Message.Result;
}

bool TWindowManager::Post(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam)
{
    if (Wnd && !Find(Wnd)) return false;
    TMsg m;
    m.Wnd = Wnd;
    m.Message = Msg;
    m.WParam = WParam;
    m.LParam = LParam;
    m.Time = Now();
    m.Pt = FCursor;
    FPosted.push_back(m);
    return true;
}

void TWindowManager::PostQuit(int Code)
{
    FQuitPosted = true;
    FQuitCode = Code;
}

bool TWindowManager::MatchesFilter(HWND Filter, HWND Wnd) const
{
    return !Filter || IsSelfOrDescendant(Filter, Wnd);
}

bool TWindowManager::PeekTimer(TMsg& Msg, HWND Filter, UINT Remove)
{
    const DWORD now = Now();
    const DWORD limit = FHasHorizon ? FHorizon : now;
    TTimer* best = nullptr;
    for (TTimer& t : FTimers) {
        // Against now first: a distance to the horizon may wrap for a timer far in the future.
        if (TicksUntil(t.Due, now) > 0 || TicksUntil(t.Due, limit) > 0 || !MatchesFilter(Filter, t.Wnd)) continue;
        if (!best || TicksUntil(t.Due, best->Due) < 0) best = &t;
    }
    if (!best) return false;
    Msg = TMsg{};
    Msg.Wnd = best->Wnd;
    Msg.Message = WM_TIMER;
    Msg.WParam = best->Id;
    Msg.Time = now;
    Msg.Pt = FCursor;
    if (Remove & PM_REMOVE) best->Due = now + best->Elapse;
    return true;
}

bool TWindowManager::Peek(TMsg& Msg, HWND Wnd, UINT First, UINT Last, UINT Remove)
{
    const bool remove = (Remove & PM_REMOVE) != 0;
    auto take = [&](std::deque<TMsg>& Queue, std::deque<TMsg>::iterator It) {
        Msg = *It;
        if (remove) {
            Queue.erase(It);
            FMessageTime = Msg.Time;
            FMessagePos = Msg.Pt;
        }
        return true;
    };
    for (;;) {
        for (auto it = FPosted.begin(); it != FPosted.end(); ++it)
            if (MatchesFilter(Wnd, it->Wnd) && InRange(it->Message, First, Last)) return take(FPosted, it);
        if (FQuitPosted && InRange(WM_QUIT, First, Last)) {
            Msg = TMsg{};
            Msg.Message = WM_QUIT;
            Msg.WParam = static_cast<WPARAM>(FQuitCode);
            if (remove) FQuitPosted = false;
            return true;
        }
        if (WantsInput(First, Last)) {
            bool found = false;
            for (;;) {
                for (auto it = FInput.begin(); it != FInput.end(); ++it)
                    if (MatchesFilter(Wnd, it->Wnd) && InRange(it->Message, First, Last)) {
                        found = true;
                        take(FInput, it);
                        break;
                    }
                if (found || !TranslateNextInput()) break;
            }
            if (found) return true;
            // Translating input may have posted or sent messages, or a quit (a window destroyed).
            if ((FQuitPosted && InRange(WM_QUIT, First, Last)) ||
                (!FPosted.empty() && std::any_of(FPosted.begin(), FPosted.end(), [&](const TMsg& m) {
                     return MatchesFilter(Wnd, m.Wnd) && InRange(m.Message, First, Last);
                 })))
                continue;
        }
        if (InRange(WM_PAINT, First, Last)) {
            if (HWND h = FindPaintable(Wnd)) {
                Msg = TMsg{};
                Msg.Wnd = h;
                Msg.Message = WM_PAINT;
                Msg.Time = Now();
                Msg.Pt = FCursor;
                if (remove) {
                    FMessageTime = Msg.Time;
                    FMessagePos = Msg.Pt;
                }
                return true;
            }
        }
        if (remove && !Wnd && RunTrackRepeat()) continue;
        if (InRange(WM_TIMER, First, Last) && PeekTimer(Msg, Wnd, Remove)) {
            if (remove) {
                FMessageTime = Msg.Time;
                FMessagePos = Msg.Pt;
            }
            return true;
        }
        return false;
    }
}

bool TWindowManager::Get(TMsg& Msg, HWND Wnd, UINT First, UINT Last)
{
    for (;;) {
        if (Peek(Msg, Wnd, First, Last, PM_REMOVE)) return Msg.Message != WM_QUIT;
        Present();
        const DWORD now = Now();
        int timeout = -1;
        for (const TTimer& t : FTimers)
            if (MatchesFilter(Wnd, t.Wnd)) timeout = timeout < 0 ? std::max(0, TicksUntil(t.Due, now)) : std::min(timeout, std::max(0, TicksUntil(t.Due, now)));
        DWORD repeat = 0;
        if (NextTrackRepeat(repeat)) {
            const int r = std::max(0, TicksUntil(repeat, now));
            timeout = timeout < 0 ? r : std::min(timeout, r);
        }
        if (!FBackend.WaitForInput(timeout) && timeout < 0)
            throw EWindowSystemError("GetMessage: the queue is empty and no input can arrive from the " +
                                     std::string(FBackend.Name()) + " back end");
    }
}

bool TWindowManager::Translate(const TMsg& Msg)
{
    if (Msg.Message != WM_KEYDOWN || Msg.Char == 0 || !Find(Msg.Wnd)) return false;
    TMsg c = Msg;
    c.Message = WM_CHAR;
    c.WParam = Msg.Char;
    c.Char = 0;
    FPosted.push_back(c);
    return true;
}

LRESULT TWindowManager::DispatchMsg(const TMsg& Msg)
{
    if (Msg.Message == WM_PAINT) {
        PaintWindow(Msg.Wnd);
        return 0;
    }
    TMessage m{Msg.Message, Msg.WParam, Msg.LParam, 0};
    return Send(Msg.Wnd, m);
}

bool TWindowManager::DialogMessage(const TMsg& Msg)
{
    if (Msg.Message != WM_KEYDOWN) return false;
    const WORD key = LOWORD(Msg.WParam);
    const bool arrow = key == VK_LEFT || key == VK_RIGHT || key == VK_UP || key == VK_DOWN;
    if (key != VK_TAB && !arrow && key != VK_RETURN && key != VK_ESCAPE) return false;
    if (key == VK_TAB && (KeyState(VK_CONTROL) < 0 || KeyState(VK_MENU) < 0)) return false;
    TWindowRec* w = Find(Msg.Wnd);
    if (!w) return false;
    TMsg copy = Msg;
    const LRESULT code = SendMessage(Msg.Wnd, WM_GETDLGCODE, key, reinterpret_cast<LPARAM>(&copy));
    if (code & DLGC_WANTALLKEYS) return false;
    if (key == VK_TAB && (code & DLGC_WANTTAB)) return false;
    if (arrow && (code & DLGC_WANTARROWS)) return false;
    if (!(w = Find(Msg.Wnd))) return true;
    return SendMessage(Top(w)->Handle, CM_DIALOGKEY, key, Msg.LParam) != 0;
}

void TWindowManager::CollectTabStops(TWindowRec* W, std::vector<HWND>& Out, bool TabStopsOnly) const
{
    for (TWindowRec* c : W->Children) {
        if (!(c->Style & WS_VISIBLE) || (c->Style & WS_DISABLED)) continue;
        if (!TabStopsOnly || (c->Style & WS_TABSTOP)) Out.push_back(c->Handle);
        CollectTabStops(c, Out, TabStopsOnly);
    }
}

bool TWindowManager::MoveFocusByKey(HWND TopWnd, WORD Key)
{
    TWindowRec* top = Find(TopWnd);
    if (!top || Key == VK_RETURN || Key == VK_ESCAPE) return false;
    std::vector<HWND> stops;
    CollectTabStops(top, stops, true);
    if (stops.empty()) return false;
    const bool forward = Key == VK_TAB ? KeyState(VK_SHIFT) >= 0 : (Key == VK_RIGHT || Key == VK_DOWN);
    const int n = static_cast<int>(stops.size());
    auto it = std::find(stops.begin(), stops.end(), FFocus);
    int next;
    if (it == stops.end()) {
        next = forward ? 0 : n - 1;
    } else {
        const int i = static_cast<int>(it - stops.begin());
        next = forward ? (i + 1) % n : (i + n - 1) % n;
    }
    SetFocus(stops[next]);
    return true;
}

bool TWindowManager::ProcessOne()
{
    TMsg msg;
    if (!Peek(msg, nullptr, 0, 0, PM_REMOVE)) {
        Present();
        return false;
    }
    if (msg.Message == WM_QUIT) {
        FQuit = true;
        FQuitCode = static_cast<int>(msg.WParam);
        return false;
    }
    if (!DialogMessage(msg)) {
        Translate(msg);
        DispatchMsg(msg);
    }
    Present(false);
    return true;
}

void TWindowManager::ProcessAll()
{
    const bool outer = !FHasHorizon;
    if (outer) {
        FHasHorizon = true;
        FHorizon = Now();
    }
    struct TReset {
        TWindowManager& M;
        bool Outer;
        ~TReset()
        {
            if (Outer) M.FHasHorizon = false;
        }
    } reset{*this, outer};
    while (ProcessOne()) {
    }
}

void TWindowManager::HandleOne()
{
    TMsg msg;
    if (!Get(msg, nullptr, 0, 0)) {
        FQuit = true;
        FQuitCode = static_cast<int>(msg.WParam);
        return;
    }
    if (!DialogMessage(msg)) {
        Translate(msg);
        DispatchMsg(msg);
    }
    Present(false);
}

UINT_PTR TWindowManager::SetTimer(HWND Wnd, UINT_PTR Id, UINT Elapse)
{
    if (!Find(Wnd)) return 0;
    // Tick counts wrap at 2^32, so a longer wait could not be told from one already past.
    const UINT elapse = std::clamp<UINT>(Elapse, 1, USER_TIMER_MAXIMUM);
    for (TTimer& t : FTimers)
        if (t.Wnd == Wnd && t.Id == Id) {
            t.Elapse = elapse;
            t.Due = Now() + elapse;
            return Id;
        }
    FTimers.push_back({Wnd, Id, elapse, Now() + elapse});
    return Id;
}

bool TWindowManager::KillTimer(HWND Wnd, UINT_PTR Id)
{
    return std::erase_if(FTimers, [&](const TTimer& t) { return t.Wnd == Wnd && t.Id == Id; }) > 0;
}

// ---------------------------------------------------------------------------------------------
// The queue functions of MessageQueue.h.

LRESULT SendMessage(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam)
{
    TMessage m{Msg, WParam, LParam, 0};
    return WM().Send(Wnd, m);
}

bool PostMessage(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam) { return WM().Post(Wnd, Msg, WParam, LParam); }
void PostQuitMessage(int ExitCode) { WM().PostQuit(ExitCode); }

bool PeekMessage(TMsg& Msg, HWND Wnd, UINT First, UINT Last, UINT RemoveFlags)
{
    return WM().Peek(Msg, Wnd, First, Last, RemoveFlags);
}

bool GetMessage(TMsg& Msg, HWND Wnd, UINT First, UINT Last) { return WM().Get(Msg, Wnd, First, Last); }
bool TranslateMessage(const TMsg& Msg) { return WM().Translate(Msg); }
LRESULT DispatchMessage(const TMsg& Msg) { return WM().DispatchMsg(Msg); }
bool IsDialogMessage(const TMsg& Msg) { return WM().DialogMessage(Msg); }
bool ProcessMessage() { return WM().ProcessOne(); }
void ProcessMessages() { WM().ProcessAll(); }
void HandleMessage() { WM().HandleOne(); }
bool QuitReceived() { return WM().QuitReceived(); }
int QuitExitCode() { return WM().QuitCode(); }
DWORD GetMessageTime() { return WM().MessageTime(); }
TPoint GetMessagePos() { return WM().MessagePos(); }
DWORD GetTickCount() { return WM().Now(); }
UINT_PTR SetTimer(HWND Wnd, UINT_PTR IDEvent, UINT Elapse) { return WM().SetTimer(Wnd, IDEvent, Elapse); }
bool KillTimer(HWND Wnd, UINT_PTR IDEvent) { return WM().KillTimer(Wnd, IDEvent); }
