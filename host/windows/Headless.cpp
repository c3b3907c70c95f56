#include "host/windows/Headless.h"

#include <cctype>
#include <cstring>
#include <vector>

#include "host/graphics/TextCodec.h"
#include "host/windows/WindowManager.h"

TSurfaceId THeadlessBackend::CreateSurface(const TSurfaceParams& Params)
{
    ++FLastSurface;
    SetSurfaceOwner(FLastSurface, Params.Owner);
    return FLastSurface;
}

void THeadlessBackend::DestroySurface(TSurfaceId Surface)
{
    FOwners.erase(Surface);
    FPresented.erase(Surface);
    FShown.erase(Surface);
    std::erase_if(FInput, [Surface](const TInputEvent& e) { return e.Surface == Surface; });
}

void THeadlessBackend::Present(TSurfaceId Surface, const TBitmap& Buffer, const TRect& Area)
{
    FPresented[Surface].Union(Area);
    if (!FMirror) return;
    auto& shown = FShown[Surface];
    if (!shown || shown->Width() != Buffer.Width() || shown->Height() != Buffer.Height())
        shown = std::make_unique<TBitmap>(Buffer.Width(), Buffer.Height());
    const TRect a = IntersectRect(Area, {0, 0, Buffer.Width(), Buffer.Height()});
    for (int y = a.Top; y < a.Bottom; ++y)
        std::memcpy(shown->ScanLine(y) + a.Left, Buffer.ScanLine(y) + a.Left, sizeof(TPixel) * static_cast<std::size_t>(a.Width()));
}

bool THeadlessBackend::MoveSurfaceRect(TSurfaceId Surface, const TRect& Dest, TPoint From)
{
    auto it = FShown.find(Surface);
    if (!FMirror || it == FShown.end()) return false;
    TBitmap& shown = *it->second;
    const TRect bounds{0, 0, shown.Width(), shown.Height()};
    const TRect source = Dest.Offset(From.X - Dest.Left, From.Y - Dest.Top);
    if (IntersectRect(Dest, bounds) != Dest || IntersectRect(source, bounds) != source) return false;
    // Through a copy of the source, as the source and the destination overlap.
    const auto width = static_cast<std::size_t>(Dest.Width());
    std::vector<TPixel> pixels(width * static_cast<std::size_t>(Dest.Height()));
    for (int y = 0; y < Dest.Height(); ++y)
        std::memcpy(&pixels[width * static_cast<std::size_t>(y)], shown.ScanLine(source.Top + y) + source.Left, sizeof(TPixel) * width);
    for (int y = 0; y < Dest.Height(); ++y)
        std::memcpy(shown.ScanLine(Dest.Top + y) + Dest.Left, &pixels[width * static_cast<std::size_t>(y)], sizeof(TPixel) * width);
    return true;
}

void THeadlessBackend::SetSurfaceOwner(TSurfaceId Surface, TSurfaceId Owner)
{
    if (Owner) FOwners[Surface] = Owner;
    else FOwners.erase(Surface);
}

TSurfaceId THeadlessBackend::SurfaceOwner(TSurfaceId Surface) const
{
    auto it = FOwners.find(Surface);
    return it == FOwners.end() ? 0 : it->second;
}

const TBitmap* THeadlessBackend::Shown(TSurfaceId Surface) const
{
    auto it = FShown.find(Surface);
    return it == FShown.end() ? nullptr : it->second.get();
}

TRegion THeadlessBackend::TakePresented(TSurfaceId Surface)
{
    TRegion r;
    auto it = FPresented.find(Surface);
    if (it != FPresented.end()) std::swap(r, it->second);
    return r;
}

bool THeadlessBackend::PollInput(TInputEvent& Event)
{
    if (FInput.empty()) return false;
    Event = FInput.front();
    FInput.pop_front();
    return true;
}

bool THeadlessBackend::WaitForInput(int TimeoutMs)
{
    if (!FInput.empty()) return true;
    if (TimeoutMs < 0) return false;
    FClock += static_cast<std::uint32_t>(TimeoutMs);
    return true;
}

void THeadlessBackend::Push(const TInputEvent& Event)
{
    TInputEvent e = Event;
    if (e.Time == 0) e.Time = FClock;
    FInput.push_back(e);
}

// ---------------------------------------------------------------------------------------------

namespace {
struct TTarget {
    TSurfaceId Surface = 0;
    TPoint Pos;
};

// The surface and surface point of a point in a window's client (or window) coordinates.
TTarget Locate(HWND Wnd, TPoint P, bool InWindow)
{
    TWindowManager& m = WM();
    TWindowRec* w = m.Find(Wnd);
    if (!w) return {};
    TWindowRec* top = m.Top(w);
    TPoint o = m.OriginInTop(w);
    if (!InWindow) o = o + TopLeft(w->Client);
    return {top->Surface, o + P};
}

// Queues one mouse event at a located point; the caller pumps.
void PushMouse(THeadlessBackend& Backend, const TTarget& Target, TInputKind Kind, TMouseButton Button, int Delta)
{
    TInputEvent e;
    e.Kind = Kind;
    e.Surface = Target.Surface;
    e.Pos = Target.Pos;
    e.Button = Button;
    e.WheelDelta = Delta;
    Backend.Push(e);
}
}

void THeadlessInput::Pump()
{
    ProcessMessages();
}

void THeadlessInput::SendMouse(TInputKind Kind, HWND Wnd, TPoint P, bool InWindow, TMouseButton Button, int Delta)
{
    const TTarget t = Locate(Wnd, P, InWindow);
    if (!t.Surface) return;
    if (Kind == ieButtonDown) {
        // Keep a press from pairing with an earlier one into a double click.
        if (FHasPressed && FBackend.TickCount() - FLastPress <= TWindowSystem::DoubleClickTime)
            FBackend.AdvanceTime(TWindowSystem::DoubleClickTime + 1);
        FHasPressed = true;
        FLastPress = FBackend.TickCount();
    }
    PushMouse(FBackend, t, Kind, Button, Delta);
    Pump();
}

// The pointer moves onto the point before the press, as it would on a display.
void THeadlessInput::Press(HWND Wnd, TPoint P, bool InWindow, TMouseButton Button)
{
    SendMouse(ieMouseMove, Wnd, P, InWindow, Button);
    SendMouse(ieButtonDown, Wnd, P, InWindow, Button);
}

void THeadlessInput::PressRelease(HWND Wnd, TPoint P, bool InWindow, TMouseButton Button)
{
    Press(Wnd, P, InWindow, Button);
    SendMouse(ieButtonUp, Wnd, P, InWindow, Button);
}

void THeadlessInput::MouseMove(HWND Wnd, TPoint P) { SendMouse(ieMouseMove, Wnd, P, false, mbLeft); }

void THeadlessInput::MouseDown(HWND Wnd, TPoint P, TMouseButton Button) { Press(Wnd, P, false, Button); }

void THeadlessInput::MouseUp(HWND Wnd, TPoint P, TMouseButton Button) { SendMouse(ieButtonUp, Wnd, P, false, Button); }

void THeadlessInput::Click(HWND Wnd, TPoint P, TMouseButton Button) { PressRelease(Wnd, P, false, Button); }

void THeadlessInput::DoubleClick(HWND Wnd, TPoint P)
{
    Click(Wnd, P);
    const TTarget t = Locate(Wnd, P, false);
    if (!t.Surface) return;
    // The second press comes soon after the first, so it is not pushed past the double-click time.
    FBackend.AdvanceTime(10);
    PushMouse(FBackend, t, ieButtonDown, mbLeft, 0);
    FLastPress = FBackend.TickCount();
    Pump();
    MouseUp(Wnd, P);
}

void THeadlessInput::Drag(HWND Wnd, TPoint From, TPoint To, int Steps, TMouseButton Button)
{
    MouseDown(Wnd, From, Button);
    const int n = Steps < 1 ? 1 : Steps;
    for (int i = 1; i <= n; ++i)
        SendMouse(ieMouseMove, Wnd, {From.X + (To.X - From.X) * i / n, From.Y + (To.Y - From.Y) * i / n}, false, Button);
    MouseUp(Wnd, To, Button);
}

void THeadlessInput::Wheel(HWND Wnd, TPoint P, int Delta)
{
    SendMouse(ieMouseMove, Wnd, P, false, mbLeft);
    SendMouse(ieWheel, Wnd, P, false, mbLeft, Delta);
}

void THeadlessInput::MouseMoveInWindow(HWND Wnd, TPoint P) { SendMouse(ieMouseMove, Wnd, P, true, mbLeft); }

void THeadlessInput::MouseDownInWindow(HWND Wnd, TPoint P, TMouseButton Button) { Press(Wnd, P, true, Button); }

void THeadlessInput::MouseUpInWindow(HWND Wnd, TPoint P, TMouseButton Button) { SendMouse(ieButtonUp, Wnd, P, true, Button); }

void THeadlessInput::ClickInWindow(HWND Wnd, TPoint P, TMouseButton Button) { PressRelease(Wnd, P, true, Button); }

// An event for the window's top-level surface as a whole (no pointer position).
void THeadlessInput::SendToSurface(TInputKind Kind, HWND Wnd, bool HandleNow)
{
    const TTarget t = Locate(Wnd, {0, 0}, true);
    if (!t.Surface) return;
    TInputEvent e;
    e.Kind = Kind;
    e.Surface = t.Surface;
    FBackend.Push(e);
    if (HandleNow) Pump();
}

void THeadlessInput::MouseLeave(HWND Wnd) { SendToSurface(ieMouseLeave, Wnd); }

void THeadlessInput::DestroySurface(HWND Wnd) { SendToSurface(ieDestroyed, Wnd); }

void THeadlessInput::CloseRequest(HWND Wnd, bool HandleNow) { SendToSurface(ieClose, Wnd, HandleNow); }

void THeadlessInput::KeyDown(WORD Key, unsigned Char)
{
    TInputEvent e;
    e.Kind = ieKeyDown;
    e.Key = Key;
    e.Char = Char;
    FBackend.Push(e);
    Pump();
}

void THeadlessInput::KeyUp(WORD Key)
{
    TInputEvent e;
    e.Kind = ieKeyUp;
    e.Key = Key;
    FBackend.Push(e);
    Pump();
}

bool THeadlessInput::KeyForChar(char C, WORD& Key, bool& Shift)
{
    static const char* const Shifted = ")!@#$%^&*(";
    Shift = false;
    const auto u = static_cast<unsigned char>(C);
    if (std::isalpha(u)) {
        Key = static_cast<WORD>(std::toupper(u));
        Shift = std::isupper(u) != 0;
        return true;
    }
    if (std::isdigit(u)) {
        Key = static_cast<WORD>(u);
        return true;
    }
    if (const char* p = std::strchr(Shifted, C); p && C) {
        Key = static_cast<WORD>('0' + (p - Shifted));
        Shift = true;
        return true;
    }
    struct TMap {
        char C;
        WORD Key;
        bool Shift;
    };
    static const TMap Map[] = {
        {' ', VK_SPACE, false},      {'\r', VK_RETURN, false},     {'\n', VK_RETURN, false},
        {'\t', VK_TAB, false},       {'\b', VK_BACK, false},       {'\x1b', VK_ESCAPE, false},
        {';', VK_OEM_1, false},      {':', VK_OEM_1, true},        {'=', VK_OEM_PLUS, false},
        {'+', VK_OEM_PLUS, true},    {',', VK_OEM_COMMA, false},   {'<', VK_OEM_COMMA, true},
        {'-', VK_OEM_MINUS, false},  {'_', VK_OEM_MINUS, true},    {'.', VK_OEM_PERIOD, false},
        {'>', VK_OEM_PERIOD, true},  {'/', VK_OEM_2, false},       {'?', VK_OEM_2, true},
        {'`', VK_OEM_3, false},      {'~', VK_OEM_3, true},        {'[', VK_OEM_4, false},
        {'{', VK_OEM_4, true},       {'\\', VK_OEM_5, false},      {'|', VK_OEM_5, true},
        {']', VK_OEM_6, false},      {'}', VK_OEM_6, true},        {'\'', VK_OEM_7, false},
        {'"', VK_OEM_7, true},
    };
    for (const TMap& m : Map)
        if (m.C == C) {
            Key = m.Key;
            Shift = m.Shift;
            return true;
        }
    return false;
}

namespace {
// The character a key types with the given modifiers, as a keyboard with a US layout gives it.
unsigned CharForKey(WORD Key, TShiftState Shift)
{
    const bool shift = Shift.Contains(ssShift);
    if (Shift.Contains(ssAlt)) return 0;
    if (Key >= 'A' && Key <= 'Z') {
        if (Shift.Contains(ssCtrl)) return static_cast<unsigned>(Key - 'A' + 1);
        return shift ? Key : static_cast<unsigned>(Key - 'A' + 'a');
    }
    if (Shift.Contains(ssCtrl)) return 0;
    if (Key >= '0' && Key <= '9') return shift ? static_cast<unsigned char>(")!@#$%^&*("[Key - '0']) : Key;
    switch (Key) {
    case VK_SPACE: return ' ';
    case VK_RETURN: return '\r';
    case VK_TAB: return '\t';
    case VK_BACK: return '\b';
    case VK_ESCAPE: return 0x1B;
    default: break;
    }
    for (char c = 0x21; c < 0x7F; ++c) {
        WORD k;
        bool s;
        if (!std::isalnum(static_cast<unsigned char>(c)) && THeadlessInput::KeyForChar(c, k, s) && k == Key && s == shift)
            return static_cast<unsigned char>(c);
    }
    return 0;
}
}

void THeadlessInput::PressKey(WORD Key, TShiftState Shift)
{
    if (Shift.Contains(ssCtrl)) KeyDown(VK_CONTROL);
    if (Shift.Contains(ssAlt)) KeyDown(VK_MENU);
    if (Shift.Contains(ssShift)) KeyDown(VK_SHIFT);
    KeyDown(Key, CharForKey(Key, Shift));
    KeyUp(Key);
    if (Shift.Contains(ssShift)) KeyUp(VK_SHIFT);
    if (Shift.Contains(ssAlt)) KeyUp(VK_MENU);
    if (Shift.Contains(ssCtrl)) KeyUp(VK_CONTROL);
}

void THeadlessInput::TypeText(std::string_view Text)
{
    std::u32string chars;
    DecodeText(Text, chars);
    for (const char32_t code : chars) {
        WORD key = 0;
        bool shift = false;
        const char c = static_cast<char>(code);
        if (code >= 0x80 || !KeyForChar(c, key, shift)) {
            // No key on the keyboard types it: the character alone, as an input method gives it.
            KeyDown(0, static_cast<unsigned>(code));
            KeyUp(0);
            continue;
        }
        if (shift) KeyDown(VK_SHIFT);
        KeyDown(key, c == '\n' ? '\r' : static_cast<unsigned char>(c));
        KeyUp(key);
        if (shift) KeyUp(VK_SHIFT);
    }
}

void THeadlessInput::Activate(HWND Wnd) { SendToSurface(ieFocusIn, Wnd); }

void THeadlessInput::Deactivate(HWND Wnd) { SendToSurface(ieFocusOut, Wnd); }

void THeadlessInput::Wait(std::uint32_t Ms)
{
    FBackend.AdvanceTime(Ms);
    Pump();
}

// ---------------------------------------------------------------------------------------------

namespace {
std::unique_ptr<THeadlessBackend> MakeBackend(THeadlessBackend*& Out)
{
    auto b = std::make_unique<THeadlessBackend>();
    Out = b.get();
    return b;
}
}

THeadlessSession::THeadlessSession()
    : FBackend(nullptr), FSystem(std::make_unique<TWindowSystem>(MakeBackend(FBackend))), Input(*FBackend)
{
}

THeadlessSession::~THeadlessSession() = default;
