// Creating, destroying, showing, moving and re-parenting windows; frames and coordinates.
#include <algorithm>
#include <cstdint>
#include <new>
#include <string>

#include "host/windows/WindowManager.h"

namespace {

// Bounds held to what a window can be: a position within MaxCoord, a size within MaxWindowSize.
TRect WindowBounds(std::int64_t Left, std::int64_t Top, std::int64_t Width, std::int64_t Height)
{
    const int left = ClampToInt(Left, -MaxCoord, MaxCoord), top = ClampToInt(Top, -MaxCoord, MaxCoord);
    return {left, top, left + ClampToInt(Width, 0, MaxWindowSize), top + ClampToInt(Height, 0, MaxWindowSize)};
}

} // namespace

TWindowManager::TWindowManager(TWindowBackend& Backend) : FBackend(Backend) {}

TWindowManager::~TWindowManager()
{
    DestroyAll();
    for (TDeviceContext* dc : FLiveDCs) delete dc;
}

TWindowRec* TWindowManager::Find(HWND Wnd) const
{
    if (!Wnd) return nullptr;
    auto it = FWindows.find(Wnd);
    return it == FWindows.end() ? nullptr : it->second.get();
}

TWindowRec* TWindowManager::Top(TWindowRec* W) const
{
    while (W && W->Parent) W = W->Parent;
    return W;
}

bool TWindowManager::IsVisible(const TWindowRec* W) const
{
    for (; W; W = W->Parent)
        if (!(W->Style & WS_VISIBLE)) return false;
    return true;
}

bool TWindowManager::IsEnabled(const TWindowRec* W) const
{
    for (; W; W = W->Parent)
        if (W->Style & WS_DISABLED) return false;
    return true;
}

bool TWindowManager::IsSelfOrDescendant(HWND Ancestor, HWND Wnd) const
{
    for (TWindowRec* w = Find(Wnd); w; w = w->Parent)
        if (w->Handle == Ancestor) return true;
    return false;
}

TPoint TWindowManager::OriginInTop(const TWindowRec* W) const
{
    TPoint p;
    for (; W && W->Parent; W = W->Parent) p = p + TopLeft(W->Bounds) + TopLeft(W->Parent->Client);
    return p;
}

TPoint TWindowManager::ScreenOrigin(const TWindowRec* W) const
{
    TPoint p;
    for (; W; W = W->Parent) {
        p = p + TopLeft(W->Bounds);
        if (W->Parent) p = p + TopLeft(W->Parent->Client);
    }
    return p;
}

TWindowRec* TWindowManager::ChildAt(TWindowRec* W, TPoint P) const
{
    // P is in W's window coordinates.
    if (!(W->Style & WS_VISIBLE) || !TRect{0, 0, W->Width(), W->Height()}.Contains(P)) return nullptr;
    if (W->Client.Contains(P)) {
        TPoint c = P - TopLeft(W->Client);
        for (auto it = W->Children.rbegin(); it != W->Children.rend(); ++it) {
            TWindowRec* child = *it;
            if (!child->Bounds.Contains(c)) continue;
            if (TWindowRec* hit = ChildAt(child, c - TopLeft(child->Bounds))) return hit;
        }
    }
    return W;
}

HWND TWindowManager::Create(const TCreateParams& Params)
{
    const bool child = (Params.Style & WS_CHILD) != 0;
    TWindowRec* parent = nullptr;
    if (child) {
        parent = Find(Params.Parent);
        if (!parent || parent->Destroying) return nullptr;
    }
    if (Params.Target && Find(Params.Target->FWindowHandle)) return nullptr;

    auto rec = std::make_unique<TWindowRec>();
    TWindowRec* w = rec.get();
    w->Handle = reinterpret_cast<HWND>(FNextHandle);
    FNextHandle += 4;
    w->Target = Params.Target;
    w->Text = Params.Caption;
    w->Style = Params.Style & ~WS_VISIBLE;
    w->ExStyle = Params.ExStyle;
    w->Parent = parent;
    w->Owner = child ? nullptr : (Find(Params.Parent) ? Params.Parent : nullptr);
    const TRect& b = Params.Bounds;
    w->Bounds = WindowBounds(b.Left, b.Top, std::int64_t{b.Right} - b.Left, std::int64_t{b.Bottom} - b.Top);
    w->Client = {0, 0, w->Width(), w->Height()};
    w->Background = Params.Background;
    w->Order = FNextOrder++;
    // A top-level window needs its back buffer and a surface of the display; without either
    // there is no window at all.
    if (!parent) {
        try {
            w->Buffer = std::make_unique<TBitmap>(w->Width(), w->Height());
            TSurfaceParams sp;
            sp.Bounds = w->Bounds;
            sp.Title = w->Text;
            sp.OverrideRedirect = IsOverrideRedirect(w);
            if (TWindowRec* owner = Find(w->Owner)) sp.Owner = Top(owner)->Surface;
            w->Surface = FBackend.CreateSurface(sp);
        } catch (const std::bad_alloc&) {
            w->Surface = 0;
        }
        if (!w->Surface) return nullptr;
    }
    const HWND h = w->Handle;
    FWindows.emplace(h, std::move(rec));
    if (parent) parent->Children.push_back(w);
    else FTopLevels.push_back(h);
    if (Params.Target) Params.Target->FWindowHandle = h;

    TMessage nc{WM_NCCREATE, 0, reinterpret_cast<LPARAM>(&Params), 0};
    if (Send(h, nc) == 0 && Find(h)) {
        Destroy(h);
        return nullptr;
    }
    if (!Find(h)) return nullptr;
    RecalcFrame(Find(h));
    TMessage create{WM_CREATE, 0, reinterpret_cast<LPARAM>(&Params), 0};
    if (Send(h, create) == -1 || !Find(h)) {
        Destroy(h);
        return nullptr;
    }
    w = Find(h);
    if (!w) return nullptr;
    SendMessage(h, WM_SIZE, SIZE_RESTORED, MAKELPARAM(w->Client.Width(), w->Client.Height()));
    if ((w = Find(h))) {
        TPoint p = TopLeft(w->Bounds) + TopLeft(w->Client);
        SendMessage(h, WM_MOVE, 0, MAKELPARAM(p.X, p.Y));
    }
    if (Find(h) && (Params.Style & WS_VISIBLE)) Show(h, SW_SHOW);
    return Find(h) ? h : nullptr;
}

bool TWindowManager::IsOverrideRedirect(const TWindowRec* W) const
{
    return (W->Style & WS_POPUP) && (W->Style & WS_CAPTION) != WS_CAPTION;
}

void TWindowManager::CollectTree(TWindowRec* W, std::vector<HWND>& Out) const
{
    Out.push_back(W->Handle);
    for (TWindowRec* c : W->Children) CollectTree(c, Out);
}

bool TWindowManager::Destroy(HWND Wnd)
{
    TWindowRec* w = Find(Wnd);
    if (!w) return false;
    if (w->Destroying) return true;
    ++FDestroyDepth;
    struct TDepthGuard {
        TWindowManager& M;
        ~TDepthGuard()
        {
            if (--M.FDestroyDepth == 0) M.FGraveyard.clear();
        }
    } guard{*this};

    // Owned windows go first.
    std::vector<HWND> owned;
    for (HWND t : FTopLevels)
        if (TWindowRec* r = Find(t); r && r->Owner == Wnd) owned.push_back(t);
    for (HWND t : owned) Destroy(t);
    if (!(w = Find(Wnd)) || w->Destroying) return true;

    std::vector<HWND> tree;
    CollectTree(w, tree);
    for (HWND h : tree) Find(h)->Destroying = true;

    TWindowRec* top = Top(w);
    TRegion area;
    if (w->Parent && IsVisible(w)) area = TRegion(TRect{0, 0, w->Width(), w->Height()}.Offset(OriginInTop(w).X, OriginInTop(w).Y));
    const HWND topHandle = top->Handle;

    WindowLostInput(Wnd);
    for (HWND h : tree)
        if (Find(h)) SendMessage(h, WM_DESTROY);
    for (auto it = tree.rbegin(); it != tree.rend(); ++it) {
        if (!Find(*it)) continue;
        SendMessage(*it, WM_NCDESTROY);
        if (TWindowRec* r = Find(*it)) {
            if (r->Target && r->Target->FWindowHandle == *it) r->Target->FWindowHandle = nullptr;
            r->Target = nullptr;
        }
    }

    w = Find(Wnd);
    if (!w) return true;
    Unlink(w);
    for (HWND h : tree) {
        ForgetInput(h);
        std::erase_if(FTimers, [h](const TTimer& t) { return t.Wnd == h; });
        std::erase_if(FPosted, [h](const TMsg& m) { return m.Wnd == h; });
        std::erase_if(FInput, [h](const TMsg& m) { return m.Wnd == h; });
        auto it = FWindows.find(h);
        if (it == FWindows.end()) continue;
        if (it->second->IsTopLevel() && it->second->Surface) FBackend.DestroySurface(it->second->Surface);
        FGraveyard.push_back(std::move(it->second));
        FWindows.erase(it);
    }
    DetachDCs();
    if (TWindowRec* t = Find(topHandle); t && !area.IsEmpty()) Expose(t, area);
    return true;
}

void TWindowManager::Unlink(TWindowRec* W)
{
    if (W->Parent) {
        std::erase(W->Parent->Children, W);
        W->Parent = nullptr;
    } else {
        std::erase(FTopLevels, W->Handle);
    }
}

void TWindowManager::DestroyAll()
{
    while (!FTopLevels.empty()) {
        const HWND h = FTopLevels.back();
        Destroy(h);
        if (!FTopLevels.empty() && FTopLevels.back() == h) FTopLevels.pop_back();
    }
}

void TWindowManager::TargetDestroyed(TMessageTarget* Target)
{
    const HWND h = Target->FWindowHandle;
    Target->FWindowHandle = nullptr;
    TWindowRec* w = Find(h);
    if (!w || w->Target != Target) return;
    w->Target = nullptr;
    Destroy(h);
}

bool TWindowManager::SetParent(HWND Child, HWND NewParent)
{
    TWindowRec* w = Find(Child);
    TWindowRec* p = Find(NewParent);
    if (!w || !p || w->Destroying || !w->Parent) return false;
    for (TWindowRec* a = p; a; a = a->Parent)
        if (a == w) return false;
    TRegion oldArea;
    TWindowRec* oldTop = Top(w);
    if (IsVisible(w)) oldArea = TRegion(TRect{0, 0, w->Width(), w->Height()}.Offset(OriginInTop(w).X, OriginInTop(w).Y));
    Unlink(w);
    w->Parent = p;
    p->Children.push_back(w);
    if (!oldArea.IsEmpty()) Expose(oldTop, oldArea);
    if (IsVisible(w)) ExposeWindow(w);
    if (Top(w) != oldTop) {
        WindowLostInput(Child);
        DetachDCs();
    }
    return true;
}

// A top-level window names another top-level window (or none) as its owner: it goes with the
// owner, and the display keeps it above the owner.
bool TWindowManager::SetOwner(HWND Wnd, HWND Owner)
{
    TWindowRec* w = Find(Wnd);
    TWindowRec* o = Owner ? Find(Owner) : nullptr;
    if (!w || w->Parent || w->Destroying || (Owner && (!o || o->Destroying))) return false;
    if (o) o = Top(o);
    // No window may own itself, however far round.
    for (TWindowRec* a = o; a; a = Find(a->Owner))
        if (a == w) return false;
    w->Owner = o ? o->Handle : nullptr;
    FBackend.SetSurfaceOwner(w->Surface, o ? o->Surface : 0);
    return true;
}

void TWindowManager::ExposeWindow(TWindowRec* W)
{
    TPoint o = OriginInTop(W);
    Expose(Top(W), TRegion(TRect{0, 0, W->Width(), W->Height()}.Offset(o.X, o.Y)));
}

bool TWindowManager::Show(HWND Wnd, int CmdShow)
{
    TWindowRec* w = Find(Wnd);
    if (!w || w->Destroying) return false;
    const bool want = CmdShow != SW_HIDE;
    const bool was = (w->Style & WS_VISIBLE) != 0;
    if (want == was) return was;
    if (!want) {
        TRegion area;
        if (w->Parent && IsVisible(w)) {
            TPoint o = OriginInTop(w);
            area = TRegion(TRect{0, 0, w->Width(), w->Height()}.Offset(o.X, o.Y));
        }
        WindowLostInput(Wnd);
        if (!(w = Find(Wnd))) return was;
        w->Style &= ~WS_VISIBLE;
        SendMessage(Wnd, WM_SHOWWINDOW, 0, 0);
        if (!(w = Find(Wnd))) return was;
        if (w->Parent) {
            if (!area.IsEmpty()) Expose(Top(w), area);
        } else {
            TopShown(w, false, false);
        }
        return was;
    }
    w->Style |= WS_VISIBLE;
    SendMessage(Wnd, WM_SHOWWINDOW, 1, 0);
    if (!(w = Find(Wnd))) return was;
    if (w->Parent) {
        if (IsVisible(w)) ExposeWindow(w);
    } else {
        const bool activate = (CmdShow == SW_SHOW || CmdShow == SW_SHOWNORMAL) && IsActivatable(w);
        TopShown(w, true, activate);
    }
    return was;
}

bool TWindowManager::IsActivatable(const TWindowRec* W) const
{
    return !(W->ExStyle & (WS_EX_NOACTIVATE | WS_EX_AUTOCLOSE));
}

void TWindowManager::TopShown(TWindowRec* W, bool Visible, bool Activate)
{
    const HWND h = W->Handle;
    if (Visible) {
        ExposeWindow(W);
        W->Dirty = TRegion(TRect{0, 0, W->Width(), W->Height()});
        W->SurfaceShown = true;
        FBackend.ShowSurface(W->Surface, true);
        if (Activate) SetActive(h, true);
        return;
    }
    W->SurfaceShown = false;
    W->Dirty.Clear();
    FBackend.ShowSurface(W->Surface, false);
    if (FActive == h) {
        TWindowRec* owner = Find(W->Owner);
        SetActive(owner && IsVisible(owner) ? owner->Handle : nullptr, true);
    }
}

bool TWindowManager::Enable(HWND Wnd, bool Value)
{
    TWindowRec* w = Find(Wnd);
    if (!w) return false;
    const bool wasDisabled = (w->Style & WS_DISABLED) != 0;
    if (wasDisabled == !Value) return wasDisabled;
    if (Value) {
        w->Style &= ~WS_DISABLED;
    } else {
        w->Style |= WS_DISABLED;
        WindowLostInput(Wnd);
    }
    SendMessage(Wnd, WM_ENABLE, Value ? 1 : 0, 0);
    if ((w = Find(Wnd)) && (w->Style & (WS_VSCROLL | WS_HSCROLL)))
        InvalidateFrame(w, TRegion(TRect{0, 0, w->Width(), w->Height()}));
    return wasDisabled;
}

void TWindowManager::RecalcFrame(TWindowRec* W)
{
    if (!W) return;
    const HWND h = W->Handle;
    TNCCalcSizeParams params;
    params.Rgrc[0] = W->Bounds;
    params.Rgrc[1] = W->Bounds;
    params.Rgrc[2] = W->Bounds.Offset(-W->Bounds.Left, -W->Bounds.Top).Offset(W->Client.Left, W->Client.Top);
    SendMessage(h, WM_NCCALCSIZE, 0, reinterpret_cast<LPARAM>(&params));
    if (!(W = Find(h))) return;
    TRect c = params.Rgrc[0].Offset(-W->Bounds.Left, -W->Bounds.Top);
    c.Left = std::clamp(c.Left, 0, W->Width());
    c.Top = std::clamp(c.Top, 0, W->Height());
    c.Right = std::clamp(c.Right, c.Left, W->Width());
    c.Bottom = std::clamp(c.Bottom, c.Top, W->Height());
    W->Client = c;
}

bool TWindowManager::SetPos(HWND Wnd, HWND InsertAfter, int X, int Y, int CX, int CY, UINT Flags)
{
    TWindowRec* w = Find(Wnd);
    if (!w || w->Destroying) return false;
    if (Flags & SWP_HIDEWINDOW) Show(Wnd, SW_HIDE);
    if (!(w = Find(Wnd))) return false;

    TRegion oldArea;
    const bool wasVisible = IsVisible(w);
    if (w->Parent && wasVisible) {
        TPoint o = OriginInTop(w);
        oldArea = TRegion(TRect{0, 0, w->Width(), w->Height()}.Offset(o.X, o.Y));
    }
    const TRect oldClient = w->Client;
    TRect b = w->Bounds;
    if (!(Flags & SWP_NOMOVE)) b = WindowBounds(X, Y, b.Width(), b.Height());
    if (!(Flags & SWP_NOSIZE)) b = WindowBounds(b.Left, b.Top, CX, CY);
    const bool moved = b.Left != w->Bounds.Left || b.Top != w->Bounds.Top;
    const bool sized = b.Width() != w->Width() || b.Height() != w->Height();
    // The new back buffer first: when there is no memory for it, nothing has changed.
    if (sized && w->Buffer) {
        try {
            w->Buffer->SetSize(b.Width(), b.Height());
        } catch (const std::bad_alloc&) {
            throw EOutOfResources("Not enough memory for a window of " + std::to_string(b.Width()) + " x " +
                                  std::to_string(b.Height()) + " pixels");
        }
        DetachDCs();
    }
    bool reordered = false;
    if (!(Flags & SWP_NOZORDER)) {
        if (w->Parent) {
            auto& list = w->Parent->Children;
            const auto before = list;
            std::erase(list, w);
            if (InsertAfter == HWND_TOP) {
                list.push_back(w);
            } else if (InsertAfter == HWND_BOTTOM) {
                list.insert(list.begin(), w);
            } else {
                TWindowRec* after = Find(InsertAfter);
                auto it = std::find(list.begin(), list.end(), after);
                list.insert(it, w);  // just below InsertAfter; at the top when it is no sibling
            }
            reordered = list != before;
        } else if (InsertAfter == HWND_TOP) {
            FBackend.RaiseSurface(w->Surface);
        }
    }
    w->Bounds = b;
    if (sized || (Flags & SWP_FRAMECHANGED)) RecalcFrame(w);
    if (!(w = Find(Wnd))) return false;

    if (!w->Parent) {
        if ((moved || sized) && !FConfiguringFromBackend) FBackend.SetSurfaceBounds(w->Surface, w->Bounds);
        if (sized) ResizeBuffer(w);
        else if (Flags & SWP_FRAMECHANGED) ExposeWindow(w);
    } else if (IsVisible(w) && !(Flags & SWP_NOREDRAW) &&
               (moved || sized || reordered || (Flags & SWP_FRAMECHANGED))) {
        TPoint o = OriginInTop(w);
        oldArea.Union(TRect{0, 0, w->Width(), w->Height()}.Offset(o.X, o.Y));
        Expose(Top(w), oldArea);
    }

    if (moved || oldClient.Left != w->Client.Left || oldClient.Top != w->Client.Top) {
        TPoint p = TopLeft(w->Bounds) + TopLeft(w->Client);
        SendMessage(Wnd, WM_MOVE, 0, MAKELPARAM(p.X, p.Y));
    }
    if ((w = Find(Wnd)) && (oldClient.Width() != w->Client.Width() || oldClient.Height() != w->Client.Height()))
        SendMessage(Wnd, WM_SIZE, SIZE_RESTORED, MAKELPARAM(w->Client.Width(), w->Client.Height()));
    if ((Flags & SWP_SHOWWINDOW) && Find(Wnd)) Show(Wnd, (Flags & SWP_NOACTIVATE) ? SW_SHOWNA : SW_SHOW);
    (void)wasVisible;
    return Find(Wnd) != nullptr;
}

void TWindowManager::SetStyle(TWindowRec* W, DWORD Style)
{
    const HWND h = W->Handle;
    const DWORD old = W->Style;
    W->Style = (Style & ~(WS_VISIBLE | WS_DISABLED)) | (old & (WS_VISIBLE | WS_DISABLED));
    if ((old ^ Style) & WS_DISABLED) Enable(h, !(Style & WS_DISABLED));
    if ((old ^ Style) & WS_VISIBLE) Show(h, (Style & WS_VISIBLE) ? SW_SHOWNA : SW_HIDE);
}

// ---------------------------------------------------------------------------------------------
// The window functions of Window.h.

HWND CreateWindowEx(const TCreateParams& Params) { return WM().Create(Params); }
bool DestroyWindow(HWND Wnd) { return WM().Destroy(Wnd); }
bool IsWindow(HWND Wnd) { return WM().Find(Wnd) != nullptr; }

TMessageTarget* GetWindowTarget(HWND Wnd)
{
    TWindowRec* w = WM().Find(Wnd);
    return w ? w->Target : nullptr;
}

HWND GetParent(HWND Wnd)
{
    TWindowRec* w = WM().Find(Wnd);
    if (!w) return nullptr;
    return w->Parent ? w->Parent->Handle : w->Owner;
}

HWND SetParent(HWND Child, HWND NewParent)
{
    TWindowRec* w = WM().Find(Child);
    if (!w || !w->Parent) return nullptr;
    HWND old = w->Parent->Handle;
    return WM().SetParent(Child, NewParent) ? old : nullptr;
}

bool SetWindowOwner(HWND Wnd, HWND Owner) { return WM().SetOwner(Wnd, Owner); }

HWND GetTopLevelWindow(HWND Wnd)
{
    TWindowRec* w = WM().Top(WM().Find(Wnd));
    return w ? w->Handle : nullptr;
}

bool IsChild(HWND Parent, HWND Wnd)
{
    return Parent != Wnd && WM().IsSelfOrDescendant(Parent, Wnd);
}

std::vector<HWND> GetChildWindows(HWND Wnd)
{
    std::vector<HWND> out;
    if (TWindowRec* w = WM().Find(Wnd))
        for (TWindowRec* c : w->Children) out.push_back(c->Handle);
    return out;
}

std::vector<HWND> GetTopLevelWindows() { return WM().TopLevels(); }

bool ShowWindow(HWND Wnd, int CmdShow) { return WM().Show(Wnd, CmdShow); }

bool IsWindowVisible(HWND Wnd)
{
    TWindowRec* w = WM().Find(Wnd);
    return w && WM().IsVisible(w);
}

bool EnableWindow(HWND Wnd, bool Enable) { return WM().Enable(Wnd, Enable); }

bool IsWindowEnabled(HWND Wnd)
{
    TWindowRec* w = WM().Find(Wnd);
    return w && WM().IsEnabled(w);
}

bool SetWindowPos(HWND Wnd, HWND InsertAfter, int X, int Y, int CX, int CY, UINT Flags)
{
    return WM().SetPos(Wnd, InsertAfter, X, Y, CX, CY, Flags);
}

bool MoveWindow(HWND Wnd, int X, int Y, int Width, int Height, bool Repaint)
{
    return WM().SetPos(Wnd, nullptr, X, Y, Width, Height, SWP_NOZORDER | SWP_NOACTIVATE | (Repaint ? 0 : SWP_NOREDRAW));
}

bool BringWindowToTop(HWND Wnd) { return WM().SetPos(Wnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE); }

bool GetWindowRect(HWND Wnd, TRect& Rect)
{
    TWindowRec* w = WM().Find(Wnd);
    if (!w) return false;
    TPoint o = WM().ScreenOrigin(w);
    Rect = {o.X, o.Y, o.X + w->Width(), o.Y + w->Height()};
    return true;
}

bool GetClientRect(HWND Wnd, TRect& Rect)
{
    TWindowRec* w = WM().Find(Wnd);
    if (!w) return false;
    Rect = {0, 0, w->Client.Width(), w->Client.Height()};
    return true;
}

bool GetClientRectInWindow(HWND Wnd, TRect& Rect)
{
    TWindowRec* w = WM().Find(Wnd);
    if (!w) return false;
    Rect = w->Client;
    return true;
}

bool ClientToScreen(HWND Wnd, TPoint& Point)
{
    TWindowRec* w = WM().Find(Wnd);
    if (!w) return false;
    Point = Point + WM().ScreenOrigin(w) + TopLeft(w->Client);
    return true;
}

bool ScreenToClient(HWND Wnd, TPoint& Point)
{
    TWindowRec* w = WM().Find(Wnd);
    if (!w) return false;
    Point = Point - WM().ScreenOrigin(w) - TopLeft(w->Client);
    return true;
}

void MapWindowPoints(HWND From, HWND To, TPoint* Points, int Count)
{
    for (int i = 0; i < Count; ++i) {
        if (From) ClientToScreen(From, Points[i]);
        if (To) ScreenToClient(To, Points[i]);
    }
}

HWND WindowFromPoint(TPoint ScreenPoint)
{
    TWindowManager& m = WM();
    const auto& tops = m.TopLevels();
    // Popups and later windows lie above earlier ones.
    for (auto it = tops.rbegin(); it != tops.rend(); ++it) {
        TWindowRec* t = m.Find(*it);
        if (!t || !(t->Style & WS_VISIBLE)) continue;
        if (TWindowRec* hit = m.ChildAt(t, ScreenPoint - TopLeft(t->Bounds))) return hit->Handle;
    }
    return nullptr;
}

std::intptr_t GetWindowLong(HWND Wnd, int Index)
{
    TWindowRec* w = WM().Find(Wnd);
    if (!w) return 0;
    if (Index == GWL_STYLE) return static_cast<std::intptr_t>(w->Style);
    if (Index == GWL_EXSTYLE) return static_cast<std::intptr_t>(w->ExStyle);
    return 0;
}

std::intptr_t SetWindowLong(HWND Wnd, int Index, std::intptr_t Value)
{
    TWindowRec* w = WM().Find(Wnd);
    if (!w) return 0;
    if (Index == GWL_STYLE) {
        const auto old = static_cast<std::intptr_t>(w->Style);
        WM().SetStyle(w, static_cast<DWORD>(Value));
        return old;
    }
    if (Index == GWL_EXSTYLE) {
        const auto old = static_cast<std::intptr_t>(w->ExStyle);
        w->ExStyle = static_cast<DWORD>(Value);
        return old;
    }
    return 0;
}

bool SetWindowText(HWND Wnd, const std::string& Text)
{
    if (!WM().Find(Wnd)) return false;
    SendMessage(Wnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(Text.c_str()));
    return true;
}

std::string GetWindowText(HWND Wnd)
{
    TWindowRec* w = WM().Find(Wnd);
    return w ? w->Text : std::string();
}

void SetWindowBackground(HWND Wnd, TColor Color)
{
    if (TWindowRec* w = WM().Find(Wnd)) w->Background = Color;
}
