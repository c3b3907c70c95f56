// The window's own scroll bars: state, geometry, drawing and mouse tracking.
//
// A bar lies next to the client rectangle (right of it, or below it), so that a window that
// narrows its client area further in WM_NCCALCSIZE keeps its bars beside the client area.
// Along the bar: an arrow button at each end, the track between them, and the thumb in the track.
#include <algorithm>
#include <cstdint>

#include "host/windows/WindowManager.h"

namespace {
constexpr DWORD BarStyle(int Bar) { return Bar == SB_VERT ? WS_VSCROLL : WS_HSCROLL; }
constexpr int FirstRepeatDelay = 400;
constexpr int RepeatInterval = 80;

struct TGeometry {
    bool Vertical = true;
    TRect Bar;
    int Start = 0, End = 0;
    int TrackStart = 0, TrackEnd = 0;
    bool HasThumb = false;
    int ThumbStart = 0, ThumbLen = 0;

    TRect Span(int A, int B) const
    {
        if (A >= B) return {};
        return Vertical ? TRect{Bar.Left, A, Bar.Right, B} : TRect{A, Bar.Top, B, Bar.Bottom};
    }
    int Along(TPoint P) const { return Vertical ? P.Y : P.X; }
};

int MaxPos(const TScrollBarState& S)
{
    return S.Max - std::max(static_cast<int>(S.Page) - 1, 0);
}

bool RangeEmpty(const TScrollBarState& S)
{
    return S.Max <= S.Min || (S.Page != 0 && static_cast<std::int64_t>(S.Page) > static_cast<std::int64_t>(S.Max) - S.Min);
}

TRect BarRect(const TWindowRec* W, int Bar)
{
    if (!(W->Style & BarStyle(Bar))) return {};
    const TRect& c = W->Client;
    TRect r = Bar == SB_VERT ? TRect{c.Right, c.Top, c.Right + ScrollBarSize, c.Bottom}
                             : TRect{c.Left, c.Bottom, c.Right, c.Bottom + ScrollBarSize};
    return IntersectRect(r, TRect{0, 0, W->Width(), W->Height()});
}

TGeometry Geometry(const TWindowRec* W, int Bar, int Pos, bool Enabled)
{
    TGeometry g;
    g.Vertical = Bar == SB_VERT;
    g.Bar = BarRect(W, Bar);
    if (g.Bar.IsEmpty()) return g;
    g.Start = g.Vertical ? g.Bar.Top : g.Bar.Left;
    g.End = g.Vertical ? g.Bar.Bottom : g.Bar.Right;
    const int arrow = std::min(ScrollBarSize, (g.End - g.Start) / 2);
    g.TrackStart = g.Start + arrow;
    g.TrackEnd = g.End - arrow;
    const TScrollBarState& s = W->Bars[Bar];
    const int track = g.TrackEnd - g.TrackStart;
    if (!Enabled || RangeEmpty(s) || track <= 0) return g;
    const std::int64_t range = static_cast<std::int64_t>(s.Max) - s.Min + 1;
    std::int64_t len = s.Page == 0 ? ScrollBarSize : track * static_cast<std::int64_t>(s.Page) / range;
    len = std::max<std::int64_t>(len, MinThumbSize);
    if (len > track) return g;
    g.HasThumb = true;
    g.ThumbLen = static_cast<int>(len);
    const std::int64_t span = static_cast<std::int64_t>(MaxPos(s)) - s.Min;
    const std::int64_t free = track - len;
    const std::int64_t at = std::clamp<std::int64_t>(static_cast<std::int64_t>(Pos) - s.Min, 0, std::max<std::int64_t>(span, 0));
    g.ThumbStart = g.TrackStart + static_cast<int>(span > 0 ? (at * free + span / 2) / span : 0);
    return g;
}

void FillDither(TCanvas& C, const TRect& R, TColor A, TColor B)
{
    C.FillChecker(R, A, B);
}

enum TArrowDir { adUp, adDown, adLeft, adRight };

void DrawArrowGlyph(TCanvas& C, const TRect& R, TArrowDir Dir, TColor Color, int Shift)
{
    C.Brush()->SetStyle(bsSolid);
    C.Brush()->SetColor(Color);
    const int cx = R.Left + R.Width() / 2 + Shift - (Dir == adLeft || Dir == adRight ? 0 : 1) + (Dir == adLeft || Dir == adRight ? -1 : 0);
    const int cy = R.Top + R.Height() / 2 + Shift - 1;
    for (int i = 0; i < 4; ++i) {
        switch (Dir) {
        case adUp: C.FillRect({cx - i, cy - 2 + i, cx + i + 1, cy - 1 + i}); break;
        case adDown: C.FillRect({cx - 3 + i, cy - 1 + i, cx + 4 - i, cy + i}); break;
        case adLeft: C.FillRect({cx - 1 + i, cy - i, cx + i, cy + i + 1}); break;
        case adRight: C.FillRect({cx - 1 + i, cy - 3 + i, cx + i, cy + 4 - i}); break;
        }
    }
}

void DrawButton(TCanvas& C, TRect R, bool Pressed)
{
    if (R.IsEmpty()) return;
    C.Brush()->SetStyle(bsSolid);
    C.Brush()->SetColor(clBtnFace);
    C.FillRect(R);
    if (Pressed) {
        C.Brush()->SetColor(clBtnShadow);
        C.FrameRect(R);
    } else {
        C.DrawEdge(R, EDGE_RAISED, BF_RECT);
    }
}
}

TScrollBarParts TWindowManager::Parts(const TWindowRec* W, int Bar) const
{
    TScrollBarParts p;
    if (!W || (Bar != SB_VERT && Bar != SB_HORZ)) return p;
    const bool thumbDrag = FTrack.Wnd == W->Handle && FTrack.Bar == Bar && FTrack.Part == tpThumb;
    const TScrollBarState& s = W->Bars[Bar];
    const TGeometry g = Geometry(W, Bar, thumbDrag ? s.TrackPos : s.Pos, IsEnabled(W));
    p.Bar = g.Bar;
    if (g.Bar.IsEmpty()) return p;
    p.ArrowUp = g.Span(g.Start, g.TrackStart);
    p.ArrowDown = g.Span(g.TrackEnd, g.End);
    if (g.HasThumb) {
        p.Thumb = g.Span(g.ThumbStart, g.ThumbStart + g.ThumbLen);
        p.PageUp = g.Span(g.TrackStart, g.ThumbStart);
        p.PageDown = g.Span(g.ThumbStart + g.ThumbLen, g.TrackEnd);
    }
    return p;
}

TWindowManager::TTrackPart TWindowManager::PartAt(const TWindowRec* W, int Bar, TPoint P) const
{
    const TScrollBarParts p = Parts(W, Bar);
    if (p.ArrowUp.Contains(P)) return tpArrowUp;
    if (p.ArrowDown.Contains(P)) return tpArrowDown;
    if (p.Thumb.Contains(P)) return tpThumb;
    if (p.PageUp.Contains(P)) return tpPageUp;
    if (p.PageDown.Contains(P)) return tpPageDown;
    return tpNone;
}

void TWindowManager::DrawScrollBar(TCanvas& C, const TWindowRec* W, int Bar)
{
    const TScrollBarParts p = Parts(W, Bar);
    if (p.Bar.IsEmpty()) return;
    const bool vertical = Bar == SB_VERT;
    const bool tracking = FTrack.Wnd == W->Handle && FTrack.Bar == Bar;
    auto pressed = [&](TTrackPart Part) { return tracking && FTrack.Part == Part && FTrack.Over; };
    const bool active = IsEnabled(W) && !RangeEmpty(W->Bars[Bar]);
    const TColor glyph = active ? clBtnText : clGrayText;

    TRect track = p.Bar;
    if (vertical) {
        track.Top = p.ArrowUp.Bottom;
        track.Bottom = p.ArrowDown.Top;
    } else {
        track.Left = p.ArrowUp.Right;
        track.Right = p.ArrowDown.Left;
    }
    FillDither(C, track, clBtnHighlight, clBtnFace);
    if (pressed(tpPageUp)) FillDither(C, p.PageUp, cl3DDkShadow, clBtnShadow);
    if (pressed(tpPageDown)) FillDither(C, p.PageDown, cl3DDkShadow, clBtnShadow);

    const int upShift = pressed(tpArrowUp) ? 1 : 0;
    const int downShift = pressed(tpArrowDown) ? 1 : 0;
    DrawButton(C, p.ArrowUp, upShift != 0);
    DrawButton(C, p.ArrowDown, downShift != 0);
    DrawArrowGlyph(C, p.ArrowUp, vertical ? adUp : adLeft, glyph, upShift);
    DrawArrowGlyph(C, p.ArrowDown, vertical ? adDown : adRight, glyph, downShift);
    if (!p.Thumb.IsEmpty()) DrawButton(C, p.Thumb, false);
}

void TWindowManager::RedrawScrollBar(HWND Wnd, int Bar)
{
    TWindowRec* w = Find(Wnd);
    if (!w || !IsVisible(w) || BarRect(w, Bar).IsEmpty()) return;
    HDC dc = MakeDC(Wnd, true);
    DrawScrollBar(dc->Canvas(), w, Bar);
    ReleaseDC(dc);
}

int TWindowManager::SetScrollInfo(HWND Wnd, int Bar, const TScrollInfo& Info, bool Redraw)
{
    TWindowRec* w = Find(Wnd);
    if (!w || (Bar != SB_VERT && Bar != SB_HORZ)) return 0;
    TScrollBarState& s = w->Bars[Bar];
    // What the bar shows before the change: a position that moves the thumb by less than a
    // pixel (a million rows on a bar of a few hundred) draws nothing new.
    const TScrollBarParts shownParts = Parts(w, Bar);
    const bool shownEmpty = RangeEmpty(s);
    if (Info.Mask & SIF_RANGE) {
        s.Min = Info.Min;
        s.Max = Info.Max;
    }
    if (Info.Mask & SIF_PAGE) s.Page = Info.Page;
    const std::int64_t range = static_cast<std::int64_t>(s.Max) - s.Min + 1;
    if (range > 0 && static_cast<std::int64_t>(s.Page) > range) s.Page = static_cast<UINT>(range);
    if (Info.Mask & SIF_POS) s.Pos = Info.Pos;
    s.Pos = std::max(s.Min, std::min(s.Pos, MaxPos(s)));
    const int pos = s.Pos;

    if (Info.Mask & (SIF_RANGE | SIF_PAGE)) {
        const bool shown = (w->Style & BarStyle(Bar)) != 0;
        const bool want = !RangeEmpty(s) || (shown && (Info.Mask & SIF_DISABLENOSCROLL));
        if (want != shown) {
            ShowScrollBar(Wnd, Bar, want);
            return pos;
        }
    }
    if (Redraw && (!(Parts(w, Bar) == shownParts) || RangeEmpty(s) != shownEmpty)) RedrawScrollBar(Wnd, Bar);
    return pos;
}

bool TWindowManager::GetScrollInfo(HWND Wnd, int Bar, TScrollInfo& Info)
{
    TWindowRec* w = Find(Wnd);
    if (!w || (Bar != SB_VERT && Bar != SB_HORZ)) return false;
    const TScrollBarState& s = w->Bars[Bar];
    const bool thumbDrag = (FTrack.Wnd == Wnd && FTrack.Bar == Bar && FTrack.Part == tpThumb) ||
                           (FReleasedThumbWnd == Wnd && FReleasedThumbBar == Bar);
    if (Info.Mask & SIF_RANGE) {
        Info.Min = s.Min;
        Info.Max = s.Max;
    }
    if (Info.Mask & SIF_PAGE) Info.Page = s.Page;
    if (Info.Mask & SIF_POS) Info.Pos = s.Pos;
    if (Info.Mask & SIF_TRACKPOS) Info.TrackPos = thumbDrag ? s.TrackPos : s.Pos;
    return true;
}

bool TWindowManager::ShowScrollBar(HWND Wnd, int Bar, bool Show)
{
    TWindowRec* w = Find(Wnd);
    if (!w) return false;
    DWORD bits = Bar == SB_BOTH ? (WS_VSCROLL | WS_HSCROLL) : Bar == SB_VERT ? WS_VSCROLL : Bar == SB_HORZ ? WS_HSCROLL : 0;
    if (!bits) return false;
    const DWORD style = Show ? (w->Style | bits) : (w->Style & ~bits);
    if (style == w->Style) return true;
    w->Style = style;
    if (!Show && FTrack.Wnd == Wnd) FTrack = TTrack{};
    return SetPos(Wnd, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

void TWindowManager::SendScroll(HWND Wnd, int Bar, int Code, int Pos)
{
    SendMessage(Wnd, Bar == SB_VERT ? WM_VSCROLL : WM_HSCROLL, MAKEWPARAM(Code, Pos), 0);
}

int TWindowManager::PosFromThumb(const TWindowRec* W, int Bar, int ThumbStart) const
{
    const TScrollBarState& s = W->Bars[Bar];
    const TGeometry g = Geometry(W, Bar, s.Pos, true);
    const std::int64_t free = g.TrackEnd - g.TrackStart - g.ThumbLen;
    const std::int64_t span = static_cast<std::int64_t>(MaxPos(s)) - s.Min;
    if (!g.HasThumb || free <= 0 || span <= 0) return s.Min;
    const std::int64_t at = std::clamp<std::int64_t>(ThumbStart - g.TrackStart, 0, free);
    return static_cast<int>(s.Min + (at * span + free / 2) / free);
}

void TWindowManager::BeginScrollTracking(HWND Wnd, LRESULT HitCode, TPoint ScreenPoint)
{
    TWindowRec* w = Find(Wnd);
    if (!w || !IsEnabled(w) || FTrack.Wnd) return;
    const int bar = HitCode == HTVSCROLL ? SB_VERT : SB_HORZ;
    const TPoint p = ScreenPoint - ScreenOrigin(w);
    const TTrackPart part = PartAt(w, bar, p);
    if (part == tpNone) return;
    FTrack = TTrack{};
    FTrack.Wnd = Wnd;
    FTrack.Bar = bar;
    FTrack.Part = part;
    FTrack.Over = true;
    FTrack.NextRepeat = Now() + FirstRepeatDelay;
    TScrollBarState& s = w->Bars[bar];
    switch (part) {
    case tpArrowUp: SendScroll(Wnd, bar, SB_LINEUP, 0); break;
    case tpArrowDown: SendScroll(Wnd, bar, SB_LINEDOWN, 0); break;
    case tpPageUp: SendScroll(Wnd, bar, SB_PAGEUP, 0); break;
    case tpPageDown: SendScroll(Wnd, bar, SB_PAGEDOWN, 0); break;
    case tpThumb: {
        const TGeometry g = Geometry(w, bar, s.Pos, true);
        FTrack.GrabOffset = g.Along(p) - g.ThumbStart;
        s.TrackPos = s.Pos;
        SendScroll(Wnd, bar, SB_THUMBTRACK, s.Pos);
        break;
    }
    case tpNone: break;
    }
    if (FTrack.Wnd == Wnd) RedrawScrollBar(Wnd, bar);
}

void TWindowManager::TrackMouseMove(TPoint ScreenPoint)
{
    TWindowRec* w = Find(FTrack.Wnd);
    if (!w) {
        FTrack = TTrack{};
        return;
    }
    const HWND h = FTrack.Wnd;
    const int bar = FTrack.Bar;
    const TPoint p = ScreenPoint - ScreenOrigin(w);
    if (FTrack.Part == tpThumb) {
        TScrollBarState& s = w->Bars[bar];
        const TGeometry g = Geometry(w, bar, s.Pos, true);
        const int pos = PosFromThumb(w, bar, g.Along(p) - FTrack.GrabOffset);
        if (pos == s.TrackPos) return;
        s.TrackPos = pos;
        SendScroll(h, bar, SB_THUMBTRACK, pos);
        RedrawScrollBar(h, bar);
        return;
    }
    const bool over = PartAt(w, bar, p) == FTrack.Part;
    if (over == FTrack.Over) return;
    FTrack.Over = over;
    RedrawScrollBar(h, bar);
}

void TWindowManager::TrackMouseUp(TPoint ScreenPoint)
{
    (void)ScreenPoint;
    const TTrack t = FTrack;
    FTrack = TTrack{};
    TWindowRec* w = Find(t.Wnd);
    if (!w) return;
    if (t.Part == tpThumb) {
        FReleasedThumbWnd = t.Wnd;
        FReleasedThumbBar = t.Bar;
        struct TReset {
            HWND& Wnd;
            ~TReset() { Wnd = nullptr; }
        } reset{FReleasedThumbWnd};
        SendScroll(t.Wnd, t.Bar, SB_THUMBPOSITION, w->Bars[t.Bar].TrackPos);
    }
    if (Find(t.Wnd)) SendScroll(t.Wnd, t.Bar, SB_ENDSCROLL, 0);
    RedrawScrollBar(t.Wnd, t.Bar);
}

void TWindowManager::CancelTracking(HWND Wnd)
{
    if (!FTrack.Wnd || FTrack.Wnd != Wnd) return;
    const int bar = FTrack.Bar;
    FTrack = TTrack{};
    RedrawScrollBar(Wnd, bar);
}

bool TWindowManager::NextTrackRepeat(DWORD& Due) const
{
    if (!FTrack.Wnd || FTrack.Part == tpThumb) return false;
    Due = FTrack.NextRepeat;
    return true;
}

bool TWindowManager::RunTrackRepeat()
{
    DWORD due = 0;
    if (!NextTrackRepeat(due)) return false;
    const DWORD now = Now();
    if (static_cast<std::int32_t>((FHasHorizon ? FHorizon : now) - due) < 0) return false;
    FTrack.NextRepeat = now + RepeatInterval;
    TWindowRec* w = Find(FTrack.Wnd);
    if (!w) {
        FTrack = TTrack{};
        return false;
    }
    // The thumb may have moved under the pointer since the press.
    FTrack.Over = PartAt(w, FTrack.Bar, FCursor - ScreenOrigin(w)) == FTrack.Part;
    if (!FTrack.Over) return false;
    static constexpr int Codes[] = {0, SB_LINEUP, SB_LINEDOWN, SB_PAGEUP, SB_PAGEDOWN};
    SendScroll(FTrack.Wnd, FTrack.Bar, Codes[FTrack.Part], 0);
    return true;
}

// ---------------------------------------------------------------------------------------------
// The functions of ScrollBar.h.

int SetScrollInfo(HWND Wnd, int Bar, const TScrollInfo& Info, bool Redraw)
{
    return WM().SetScrollInfo(Wnd, Bar, Info, Redraw);
}

bool GetScrollInfo(HWND Wnd, int Bar, TScrollInfo& Info) { return WM().GetScrollInfo(Wnd, Bar, Info); }

bool SetScrollRange(HWND Wnd, int Bar, int MinPos, int MaxPos, bool Redraw)
{
    if (!WM().Find(Wnd)) return false;
    TScrollInfo i;
    i.Mask = SIF_RANGE;
    i.Min = MinPos;
    i.Max = MaxPos;
    WM().SetScrollInfo(Wnd, Bar, i, Redraw);
    return true;
}

bool GetScrollRange(HWND Wnd, int Bar, int& MinPos, int& MaxPos)
{
    TScrollInfo i;
    i.Mask = SIF_RANGE;
    if (!WM().GetScrollInfo(Wnd, Bar, i)) return false;
    MinPos = i.Min;
    MaxPos = i.Max;
    return true;
}

int SetScrollPos(HWND Wnd, int Bar, int Pos, bool Redraw)
{
    const int old = GetScrollPos(Wnd, Bar);
    TScrollInfo i;
    i.Mask = SIF_POS;
    i.Pos = Pos;
    WM().SetScrollInfo(Wnd, Bar, i, Redraw);
    return old;
}

int GetScrollPos(HWND Wnd, int Bar)
{
    TScrollInfo i;
    i.Mask = SIF_POS;
    return WM().GetScrollInfo(Wnd, Bar, i) ? i.Pos : 0;
}

bool ShowScrollBar(HWND Wnd, int Bar, bool Show) { return WM().ShowScrollBar(Wnd, Bar, Show); }

TRect GetScrollBarRect(HWND Wnd, int Bar)
{
    TWindowRec* w = WM().Find(Wnd);
    return w ? BarRect(w, Bar) : TRect{};
}

TScrollBarParts GetScrollBarParts(HWND Wnd, int Bar) { return WM().Parts(WM().Find(Wnd), Bar); }
