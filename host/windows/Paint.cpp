// Update regions, visible regions, device contexts, WM_PAINT and WM_NCPAINT, ScrollWindowEx,
// presenting and capturing.
#include <algorithm>
#include <cstring>
#include <vector>

#include "host/windows/WindowManager.h"

TDeviceContext::TDeviceContext(HWND Wnd, TCanvas* Canvas, bool WholeWindow)
    : FWnd(Wnd), FWholeWindow(WholeWindow), FCanvas(Canvas)
{
}

TDeviceContext::~TDeviceContext() = default;

namespace {
TRect WindowRectAt(const TWindowRec* W, TPoint Origin)
{
    return TRect{0, 0, W->Width(), W->Height()}.Offset(Origin.X, Origin.Y);
}
}

TRegion TWindowManager::VisibleRegion(const TWindowRec* W, bool WholeWindow) const
{
    if (!W || !IsVisible(W)) return {};
    const TWindowRec* top = W;
    while (top->Parent) top = top->Parent;
    if (!top->Buffer) return {};
    const TPoint o = OriginInTop(W);
    TRegion reg(WholeWindow ? WindowRectAt(W, o) : W->Client.Offset(o.X, o.Y));
    const TWindowRec* child = W;
    for (const TWindowRec* p = W->Parent; p; child = p, p = p->Parent) {
        const TPoint po = OriginInTop(p);
        const TPoint co = po + TopLeft(p->Client);
        reg.Intersect(p->Client.Offset(po.X, po.Y));
        bool above = false;
        for (const TWindowRec* s : p->Children) {
            if (s == child) {
                above = true;
                continue;
            }
            if (above && (s->Style & WS_VISIBLE)) reg.Subtract(s->Bounds.Offset(co.X, co.Y));
        }
        if (reg.IsEmpty()) return reg;
    }
    reg.Intersect(TRect{0, 0, top->Width(), top->Height()});
    const TPoint co = o + TopLeft(W->Client);
    for (const TWindowRec* c : W->Children)
        if (c->Style & WS_VISIBLE) reg.Subtract(c->Bounds.Offset(co.X, co.Y));
    return reg;
}

void TWindowManager::InvalidateClient(TWindowRec* W, const TRegion& Region, bool Erase)
{
    TRegion r = Region;
    r.Intersect(TRect{0, 0, W->Client.Width(), W->Client.Height()});
    if (r.IsEmpty()) return;
    W->Update.Union(r);
    if (Erase) W->UpdateErase = true;
}

void TWindowManager::InvalidateFrame(TWindowRec* W, const TRegion& WindowRegion)
{
    TRegion r = WindowRegion;
    r.Intersect(TRect{0, 0, W->Width(), W->Height()});
    r.Subtract(W->Client);
    W->NCUpdate.Union(r);
}

void TWindowManager::Expose(TWindowRec* TopW, const TRegion& Area)
{
    if (!TopW || Area.IsEmpty()) return;
    std::vector<HWND> tree;
    CollectTree(TopW, tree);
    for (HWND h : tree) {
        TWindowRec* w = Find(h);
        if (!w || !IsVisible(w)) continue;
        TRegion vis = VisibleRegion(w, true);
        vis.Intersect(Area);
        if (vis.IsEmpty()) continue;
        const TPoint o = OriginInTop(w);
        vis.Offset(-o.X, -o.Y);
        TRegion client = vis;
        client.Intersect(w->Client);
        client.Offset(-w->Client.Left, -w->Client.Top);
        InvalidateClient(w, client, true);
        InvalidateFrame(w, vis);
    }
}

bool TWindowManager::HasPendingPaint(const TWindowRec* W) const
{
    return IsVisible(W) && (!W->Update.IsEmpty() || !W->NCUpdate.IsEmpty());
}

HWND TWindowManager::FindPaintable(HWND Filter) const
{
    std::vector<HWND> tree;
    for (HWND t : FTopLevels) {
        TWindowRec* top = Find(t);
        if (!top || !(top->Style & WS_VISIBLE)) continue;
        tree.clear();
        CollectTree(top, tree);
        for (HWND h : tree)
            if (HasPendingPaint(Find(h)) && MatchesFilter(Filter, h)) return h;
    }
    return nullptr;
}

void TWindowManager::SendNCPaint(HWND Wnd)
{
    TWindowRec* w = Find(Wnd);
    if (!w || w->NCUpdate.IsEmpty()) return;
    TRegion region = w->NCUpdate;
    w->NCUpdate.Clear();
    TRegion whole(TRect{0, 0, w->Width(), w->Height()});
    whole.Subtract(w->Client);
    TRegion rest = whole;
    rest.Subtract(region);
    if (rest.IsEmpty()) {
        // The whole frame: the classic "1" instead of a region.
        SendMessage(Wnd, WM_NCPAINT, 1, 0);
        return;
    }
    const TPoint s = ScreenOrigin(w);
    region.Offset(s.X, s.Y);
    SendMessage(Wnd, WM_NCPAINT, reinterpret_cast<WPARAM>(&region), 0);
}

void TWindowManager::PaintWindow(HWND Wnd)
{
    TWindowRec* w = Find(Wnd);
    if (!w || !HasPendingPaint(w)) return;
    if (!w->NCUpdate.IsEmpty()) SendNCPaint(Wnd);
    if (!(w = Find(Wnd)) || w->Update.IsEmpty() || !IsVisible(w)) return;
    const TRegion before = w->Update;
    SendMessage(Wnd, WM_PAINT);
    // A handler that neither painted nor validated would be asked again forever.
    if ((w = Find(Wnd)) && w->Update == before) {
        w->Update.Clear();
        w->UpdateErase = false;
    }
}

void TWindowManager::UpdateTree(HWND Wnd)
{
    TWindowRec* w = Find(Wnd);
    if (!w) return;
    std::vector<HWND> tree;
    CollectTree(w, tree);
    for (HWND h : tree) PaintWindow(h);
}

void TWindowManager::MarkDirty(TWindowRec* TopW, const TRegion& BufferRegion)
{
    if (TopW) TopW->Dirty.Union(BufferRegion);
}

void TWindowManager::MarkMoved(TWindowRec* TopW, const TRect& Dest, int DX, int DY)
{
    if (!TopW->SurfaceShown || !FBackend.MoveSurfaceRect(TopW->Surface, Dest, {Dest.Left - DX, Dest.Top - DY})) {
        MarkDirty(TopW, TRegion(Dest));
        return;
    }
    FUnsent = true;
    TRegion stale = TopW->Dirty;
    stale.Offset(DX, DY);
    stale.Intersect(Dest);
    MarkDirty(TopW, stale);
}

void TWindowManager::Present(bool Send)
{
    for (HWND t : FTopLevels) {
        TWindowRec* top = Find(t);
        if (!top || top->Dirty.IsEmpty()) continue;
        TRegion dirty;
        std::swap(dirty, top->Dirty);
        dirty.Intersect(TRect{0, 0, top->Width(), top->Height()});
        if (!top->SurfaceShown || dirty.IsEmpty()) continue;
        // Many small rectangles cost more to send than their bounds.
        if (dirty.RectCount() > 16) dirty = TRegion(dirty.Bounds());
        for (const TRect& r : dirty) FBackend.Present(top->Surface, *top->Buffer, r);
        FUnsent = true;
    }
    if (Send && FUnsent) {
        FUnsent = false;
        FBackend.Flush();
    }
}

HDC TWindowManager::MakeDC(HWND Wnd, bool WholeWindow)
{
    TWindowRec* w = Find(Wnd);
    if (!w) return nullptr;
    auto canvas = std::make_unique<TCanvas>();
    TWindowRec* top = Top(w);
    if (IsVisible(w) && top->Buffer && !top->Buffer->Empty()) {
        canvas->SetSurface(top->Buffer->Bits(), top->Buffer->Width(), top->Buffer->Height(), top->Buffer->Stride(),
                           top->Buffer->RowShift());
        TPoint o = OriginInTop(w);
        if (!WholeWindow) o = o + TopLeft(w->Client);
        canvas->SetOrigin(o);
        canvas->SetDeviceClip(VisibleRegion(w, WholeWindow));
        // Outside a paint, what the caller drew is what changed (a border, a scroll bar).
        canvas->TrackDrawing(true);
    }
    HDC dc = new TDeviceContext(Wnd, canvas.release(), WholeWindow);
    FLiveDCs.push_back(dc);
    return dc;
}

int TWindowManager::ReleaseDC(HDC DC)
{
    auto it = std::find(FLiveDCs.begin(), FLiveDCs.end(), DC);
    if (it == FLiveDCs.end()) return 0;
    FLiveDCs.erase(it);
    if (TWindowRec* w = Find(DC->Window()); w && DC->Canvas().Bits()) {
        const TCanvas& c = DC->Canvas();
        if (!c.Tracking()) {
            MarkDirty(Top(w), c.DeviceClip());
        } else {
            TRegion drawn = c.Drawn();
            drawn.Intersect(c.DeviceClip());
            MarkDirty(Top(w), drawn);
        }
    }
    delete DC;
    return 1;
}

void TWindowManager::DetachDCs()
{
    for (TDeviceContext* dc : FLiveDCs) {
        TWindowRec* w = Find(dc->Window());
        TWindowRec* top = w ? Top(w) : nullptr;
        TCanvas& c = dc->Canvas();
        if (!top || !top->Buffer || c.Bits() != top->Buffer->Bits() || c.SurfaceWidth() != top->Buffer->Width() ||
            c.SurfaceHeight() != top->Buffer->Height())
            c.SetSurface(nullptr, 0, 0, 0);
    }
}

HDC TWindowManager::BeginPaint(HWND Wnd, TPaintStruct& Paint)
{
    Paint = TPaintStruct{};
    TWindowRec* w = Find(Wnd);
    if (!w) return nullptr;
    HDC dc = MakeDC(Wnd, false);
    const TRegion update = w->Update;
    const bool erase = w->UpdateErase;
    w->Update.Clear();
    w->UpdateErase = false;
    TCanvas& c = dc->Canvas();
    if (c.Bits()) {
        TRegion clip = update;
        clip.Offset(c.Origin().X, c.Origin().Y);
        clip.Intersect(c.DeviceClip());
        c.SetDeviceClip(clip);
        // A paint shows its whole update region again.
        c.TrackDrawing(false);
    }
    Paint.DC = dc;
    Paint.rcPaint = update.Bounds();
    if (erase) Paint.Erase = SendMessage(Wnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0) == 0;
    return dc;
}

void TWindowManager::EndPaint(HWND Wnd, const TPaintStruct& Paint)
{
    (void)Wnd;
    if (Paint.DC) ReleaseDC(Paint.DC);
}

void TWindowManager::ResizeBuffer(TWindowRec* TopW)
{
    if (!TopW->Buffer) return;
    TopW->Buffer->SetSize(TopW->Width(), TopW->Height());
    DetachDCs();
    ExposeWindow(TopW);
    if (TopW->SurfaceShown) TopW->Dirty = TRegion(TRect{0, 0, TopW->Width(), TopW->Height()});
}

bool TWindowManager::TurnRows(TBitmap& Buffer, const TRect& Moved, int DY, const TRect& Repainted)
{
    // Turning moves every row of the buffer at once; what has to stay where it is (the rows
    // above and below the band, the columns beside it) is then moved back, each pixel once. That
    // pays when the band is most of the buffer, as a scrolled page is. Repainted (the uncovered
    // strip, about to be painted) is not worth moving back.
    const int w = Buffer.Width(), h = Buffer.Height();
    const long long kept = static_cast<long long>(h - Moved.Height()) * w +
                           static_cast<long long>(Moved.Height()) * (w - Moved.Width());
    if (kept * 4 > static_cast<long long>(Moved.Height()) * Moved.Width()) return false;
    const int d = DY < 0 ? -DY : DY;
    if (d >= h) return false;
    // The kept runs of row Y: the whole row outside the band and the repainted strip, the two
    // sides of them inside.
    const auto eachKeptRun = [&](int Y, auto&& Run) {
        const TRect* skip = Y >= Moved.Top && Y < Moved.Bottom ? &Moved
                            : Y >= Repainted.Top && Y < Repainted.Bottom ? &Repainted
                                                                         : nullptr;
        if (!skip) return Run(0, w);
        if (skip->Left > 0) Run(0, skip->Left);
        if (skip->Right < w) Run(skip->Right, w - skip->Right);
    };
    Buffer.TurnRows(DY);
    // After the turn row Y shows what row Y - DY showed, so a kept row Y takes its pixels back
    // from row Y + DY. Rows are walked so that each source is read before it is written; the d
    // rows whose source wraps round the buffer's edge read a copy made first.
    const bool up = DY < 0;
    const int firstWrapped = up ? 0 : h - d;
    std::vector<TPixel>& aside = FTurnAside;
    aside.clear();
    for (int y = firstWrapped; y < firstWrapped + d; ++y) {
        const TPixel* from = Buffer.ScanLine((y + DY + h) % h);
        eachKeptRun(y, [&](int X, int Count) { aside.insert(aside.end(), from + X, from + X + Count); });
    }
    for (int i = 0; i < h - d; ++i) {
        const int y = up ? h - 1 - i : i;
        TPixel* row = Buffer.ScanLine(y);
        const TPixel* from = Buffer.ScanLine(y + DY);
        eachKeptRun(y, [&](int X, int Count) { std::memcpy(row + X, from + X, sizeof(TPixel) * static_cast<std::size_t>(Count)); });
    }
    const TPixel* wrapped = aside.data();
    for (int y = firstWrapped; y < firstWrapped + d; ++y) {
        TPixel* row = Buffer.ScanLine(y);
        eachKeptRun(y, [&](int X, int Count) {
            std::memcpy(row + X, wrapped, sizeof(TPixel) * static_cast<std::size_t>(Count));
            wrapped += Count;
        });
    }
    for (TDeviceContext* dc : FLiveDCs)
        if (dc->Canvas().Bits() == Buffer.Bits()) dc->Canvas().SetRowShift(Buffer.RowShift());
    return true;
}

int TWindowManager::ScrollWindowEx(HWND Wnd, int DX, int DY, const TRect* Scroll, const TRect* Clip,
                                   TRegion* UpdateRegion, TRect* UpdateRect, UINT Flags)
{
    TWindowRec* w = Find(Wnd);
    if (!w) return ERROR;
    // A distance beyond any window moves everything out of view; held there, no offset overflows.
    DX = std::clamp(DX, -MaxCoord, MaxCoord);
    DY = std::clamp(DY, -MaxCoord, MaxCoord);
    const TRect client{0, 0, w->Client.Width(), w->Client.Height()};
    const TRect scroll = Scroll ? IntersectRect(*Scroll, client) : client;
    const TRect clip = Clip ? IntersectRect(*Clip, client) : client;

    // Client coordinates throughout; co turns them into buffer coordinates.
    const TPoint co = OriginInTop(w) + TopLeft(w->Client);
    TRegion visible = VisibleRegion(w, false);
    visible.Offset(-co.X, -co.Y);

    TRegion moved(scroll);
    moved.Intersect(visible);
    moved.Offset(DX, DY);
    moved.Intersect(clip);
    moved.Intersect(visible);

    TRegion uncovered(IntersectRect(scroll, clip));
    uncovered.Subtract(moved);

    TWindowRec* top = Top(w);
    // The moved pixels in buffer coordinates, when they are one rectangle.
    const TRect d = moved.Bounds().Offset(co.X, co.Y);
    // With SW_INVALIDATE the window paints what was uncovered before it is shown again.
    TRect repainted;
    if (Flags & SW_INVALIDATE) {
        TRegion own = uncovered;
        own.Intersect(visible);
        if (own.RectCount() == 1) repainted = own.Bounds().Offset(co.X, co.Y);
    }
    if (moved.RectCount() == 1 && DX == 0 && DY && top->Buffer && TurnRows(*top->Buffer, d, DY, repainted)) {
        MarkMoved(top, d, DX, DY);
    } else if (moved.RectCount() == 1 && (DX || DY) && top->Buffer) {
        // One rectangle: rows move in place, in the order that reads each row before it is
        // overwritten.
        TBitmap& buf = *top->Buffer;
        const auto width = sizeof(TPixel) * static_cast<std::size_t>(d.Width());
        if (DY <= 0) {
            for (int y = d.Top; y < d.Bottom; ++y) std::memmove(buf.ScanLine(y) + d.Left, buf.ScanLine(y - DY) + d.Left - DX, width);
        } else {
            for (int y = d.Bottom; y-- > d.Top;) std::memmove(buf.ScanLine(y) + d.Left, buf.ScanLine(y - DY) + d.Left - DX, width);
        }
        MarkMoved(top, d, DX, DY);
    } else if (!moved.IsEmpty() && (DX || DY) && top->Buffer) {
        // Copy through a snapshot of the source, so that overlapping moves read unmoved pixels.
        TRegion source = moved;
        source.Offset(-DX, -DY);
        const TRect sb = source.Bounds().Offset(co.X, co.Y);
        std::vector<TPixel> snap(static_cast<std::size_t>(sb.Width()) * static_cast<std::size_t>(sb.Height()));
        TBitmap& buf = *top->Buffer;
        for (int y = sb.Top; y < sb.Bottom; ++y)
            std::memcpy(&snap[static_cast<std::size_t>(y - sb.Top) * sb.Width()], buf.ScanLine(y) + sb.Left,
                        sizeof(TPixel) * static_cast<std::size_t>(sb.Width()));
        for (const TRect& r : moved) {
            const TRect d = r.Offset(co.X, co.Y);
            for (int y = d.Top; y < d.Bottom; ++y) {
                const TPixel* from = &snap[static_cast<std::size_t>(y - DY - sb.Top) * sb.Width() + (d.Left - DX - sb.Left)];
                std::memcpy(buf.ScanLine(y) + d.Left, from, sizeof(TPixel) * static_cast<std::size_t>(d.Width()));
            }
        }
        TRegion dirty = moved;
        dirty.Offset(co.X, co.Y);
        MarkDirty(top, dirty);
    }

    // Invalid pixels that moved stay invalid at their new place.
    if (DX || DY) {
        TRegion stale = w->Update;
        stale.Intersect(scroll);
        stale.Offset(DX, DY);
        stale.Intersect(moved);
        w->Update.Subtract(moved);
        w->Update.Union(stale);
    }
    if (Flags & SW_INVALIDATE) InvalidateClient(w, uncovered, (Flags & SW_ERASE) != 0);
    if (UpdateRegion) *UpdateRegion = uncovered;
    if (UpdateRect) *UpdateRect = uncovered.Bounds();

    if (Flags & SW_SCROLLCHILDREN) {
        std::vector<HWND> children;
        for (TWindowRec* c : w->Children)
            if (!IntersectRect(c->Bounds, scroll).IsEmpty()) children.push_back(c->Handle);
        for (HWND c : children)
            if (TWindowRec* r = Find(c))
                SetPos(c, nullptr, r->Bounds.Left + DX, r->Bounds.Top + DY, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    return RegionKind(uncovered);
}

std::unique_ptr<TBitmap> TWindowManager::Capture(HWND Wnd)
{
    auto bmp = std::make_unique<TBitmap>();
    TWindowRec* w = Find(Wnd);
    if (!w || !IsVisible(w)) return bmp;
    UpdateTree(Top(w)->Handle);
    Present();
    if (!(w = Find(Wnd))) return bmp;
    TWindowRec* top = Top(w);
    const TPoint o = OriginInTop(w);
    const TRect area = IntersectRect(WindowRectAt(w, o), TRect{0, 0, top->Width(), top->Height()});
    bmp->SetSize(w->Width(), w->Height());
    for (int y = area.Top; y < area.Bottom; ++y)
        std::memcpy(bmp->ScanLine(y - o.Y) + (area.Left - o.X), top->Buffer->ScanLine(y) + area.Left,
                    sizeof(TPixel) * static_cast<std::size_t>(area.Width()));
    return bmp;
}

// ---------------------------------------------------------------------------------------------
// The painting functions of Paint.h.

bool InvalidateRect(HWND Wnd, const TRect* Rect, bool Erase)
{
    TWindowRec* w = WM().Find(Wnd);
    if (!w) return false;
    WM().InvalidateClient(w, TRegion(Rect ? *Rect : TRect{0, 0, w->Client.Width(), w->Client.Height()}), Erase);
    return true;
}

bool InvalidateRgn(HWND Wnd, const TRegion* Region, bool Erase)
{
    if (!Region) return InvalidateRect(Wnd, nullptr, Erase);
    TWindowRec* w = WM().Find(Wnd);
    if (!w) return false;
    WM().InvalidateClient(w, *Region, Erase);
    return true;
}

bool ValidateRect(HWND Wnd, const TRect* Rect)
{
    TWindowRec* w = WM().Find(Wnd);
    if (!w) return false;
    if (!Rect) {
        w->Update.Clear();
        w->UpdateErase = false;
    } else {
        w->Update.Subtract(*Rect);
    }
    return true;
}

bool ValidateRgn(HWND Wnd, const TRegion* Region)
{
    if (!Region) return ValidateRect(Wnd, nullptr);
    TWindowRec* w = WM().Find(Wnd);
    if (!w) return false;
    w->Update.Subtract(*Region);
    return true;
}

bool GetUpdateRect(HWND Wnd, TRect* Rect, bool Erase)
{
    TWindowRec* w = WM().Find(Wnd);
    if (!w) return false;
    if (Rect) *Rect = w->Update.Bounds();
    if (Erase && w->UpdateErase && !w->Update.IsEmpty()) {
        HDC dc = WM().MakeDC(Wnd, false);
        TRegion clip = w->Update;
        TCanvas& c = dc->Canvas();
        clip.Offset(c.Origin().X, c.Origin().Y);
        clip.Intersect(c.DeviceClip());
        c.SetDeviceClip(clip);
        w->UpdateErase = false;
        SendMessage(Wnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
        WM().ReleaseDC(dc);
    }
    return !w->Update.IsEmpty();
}

int GetUpdateRgn(HWND Wnd, TRegion& Region, bool Erase)
{
    TRect r;
    if (!WM().Find(Wnd)) return ERROR;
    GetUpdateRect(Wnd, &r, Erase);
    TWindowRec* w = WM().Find(Wnd);
    if (!w) return ERROR;
    Region = w->Update;
    return RegionKind(Region);
}

bool RedrawWindow(HWND Wnd, const TRect* Rect, const TRegion* Region, UINT Flags)
{
    TWindowManager& m = WM();
    TWindowRec* w = m.Find(Wnd);
    if (!w) return false;
    TRegion area = Region ? *Region : TRegion(Rect ? *Rect : TRect{0, 0, w->Client.Width(), w->Client.Height()});
    std::vector<HWND> targets{Wnd};
    if (Flags & RDW_ALLCHILDREN) {
        targets.clear();
        m.CollectTree(w, targets);
    }
    for (HWND h : targets) {
        TWindowRec* t = m.Find(h);
        if (!t) continue;
        TRegion a = area;
        if (h != Wnd) {
            // The area in this descendant's client coordinates.
            TPoint p{0, 0};
            ClientToScreen(Wnd, p);
            TPoint q{0, 0};
            ClientToScreen(h, q);
            a.Offset(p.X - q.X, p.Y - q.Y);
        }
        if (Flags & RDW_INVALIDATE) m.InvalidateClient(t, a, (Flags & RDW_ERASE) != 0);
        if (Flags & RDW_VALIDATE) t->Update.Subtract(a);
        if (Flags & RDW_FRAME) {
            if (Flags & RDW_INVALIDATE) m.InvalidateFrame(t, TRegion(TRect{0, 0, t->Width(), t->Height()}));
            if (Flags & RDW_VALIDATE) t->NCUpdate.Clear();
        }
    }
    if (Flags & (RDW_UPDATENOW | RDW_ERASENOW)) {
        m.UpdateTree(Wnd);
        m.Present();
    }
    return true;
}

bool UpdateWindow(HWND Wnd)
{
    TWindowManager& m = WM();
    if (!m.Find(Wnd)) return false;
    m.UpdateTree(Wnd);
    m.Present();
    return true;
}

HDC BeginPaint(HWND Wnd, TPaintStruct& Paint) { return WM().BeginPaint(Wnd, Paint); }

bool EndPaint(HWND Wnd, const TPaintStruct& Paint)
{
    WM().EndPaint(Wnd, Paint);
    return true;
}

HDC GetDC(HWND Wnd) { return WM().MakeDC(Wnd, false); }
HDC GetWindowDC(HWND Wnd) { return WM().MakeDC(Wnd, true); }

int ReleaseDC(HWND Wnd, HDC DC)
{
    (void)Wnd;
    return DC ? WM().ReleaseDC(DC) : 0;
}

int SelectClipRgn(HDC DC, const TRegion* Region)
{
    // 1 is the whole-window value of WM_NCPAINT, not a region: the selection fails.
    if (!DC || reinterpret_cast<std::uintptr_t>(Region) == 1) return ERROR;
    TCanvas& c = DC->Canvas();
    c.SelectClipRgn(Region);
    return RegionKind(c.EffectiveClip());
}

int OffsetClipRgn(HDC DC, int DX, int DY)
{
    if (!DC) return ERROR;
    TCanvas& c = DC->Canvas();
    TRegion r;
    if (!c.GetClipRgn(r)) return ERROR;
    r.Offset(DX, DY);
    c.SelectClipRgn(&r);
    return RegionKind(c.EffectiveClip());
}

int ScrollWindowEx(HWND Wnd, int DX, int DY, const TRect* Scroll, const TRect* Clip, TRegion* UpdateRegion,
                   TRect* UpdateRect, UINT Flags)
{
    return WM().ScrollWindowEx(Wnd, DX, DY, Scroll, Clip, UpdateRegion, UpdateRect, Flags);
}

std::unique_ptr<TBitmap> CaptureWindow(HWND Wnd) { return WM().Capture(Wnd); }
