// The default processing of messages: frames and hit testing, erasing, the non-client painting
// of borders and scroll bars, scroll-bar presses, closing, activation and the dialog keys.
#include "host/windows/Input.h"
#include "host/windows/WindowManager.h"

namespace {
// Borders are drawn by the window system for child and popup windows; a top-level window's
// frame belongs to the display's window manager.
bool OwnFrame(const TWindowRec* W)
{
    return W->Parent || (W->Style & WS_POPUP);
}

void DefaultNCCalcSize(const TWindowRec* W, TRect& R)
{
    if (OwnFrame(W)) {
        if (W->Style & WS_BORDER) R = R.Inflate(-1, -1);
        if (W->ExStyle & WS_EX_CLIENTEDGE) R = R.Inflate(-2, -2);
    }
    if ((W->Style & WS_VSCROLL) && R.Width() >= ScrollBarSize) R.Right -= ScrollBarSize;
    if ((W->Style & WS_HSCROLL) && R.Height() >= ScrollBarSize) R.Bottom -= ScrollBarSize;
}
}

LRESULT TWindowManager::DefProc(HWND Wnd, TMessage& M)
{
    TWindowRec* w = Find(Wnd);
    if (!w) return 0;
    switch (M.Msg) {
    case WM_NCCREATE:
        return 1;

    case WM_NCCALCSIZE: {
        auto* p = reinterpret_cast<TNCCalcSizeParams*>(M.LParam);
        if (p) DefaultNCCalcSize(w, p->Rgrc[0]);
        return 0;
    }

    case WM_NCHITTEST: {
        const TPoint p = TPoint{GET_X_LPARAM(M.LParam), GET_Y_LPARAM(M.LParam)} - ScreenOrigin(w);
        if (!TRect{0, 0, w->Width(), w->Height()}.Contains(p)) return HTNOWHERE;
        if (w->Client.Contains(p)) return HTCLIENT;
        if (GetScrollBarRect(Wnd, SB_VERT).Contains(p)) return HTVSCROLL;
        if (GetScrollBarRect(Wnd, SB_HORZ).Contains(p)) return HTHSCROLL;
        if ((w->Style & (WS_VSCROLL | WS_HSCROLL)) == (WS_VSCROLL | WS_HSCROLL) &&
            TRect{w->Client.Right, w->Client.Bottom, w->Client.Right + ScrollBarSize, w->Client.Bottom + ScrollBarSize}.Contains(p))
            return HTSIZE;
        return HTBORDER;
    }

    case WM_NCPAINT: {
        HDC dc = MakeDC(Wnd, true);
        TDCGuard guard(Wnd, dc);
        if (M.WParam > 1) {
            TRegion clip = *reinterpret_cast<const TRegion*>(M.WParam);
            const TPoint s = ScreenOrigin(w);
            clip.Offset(-s.X, -s.Y);
            SelectClipRgn(dc, &clip);
        }
        TCanvas& c = dc->Canvas();
        TRect r{0, 0, w->Width(), w->Height()};
        if (OwnFrame(w) && (w->Style & WS_BORDER)) {
            c.Brush()->SetStyle(bsSolid);
            c.Brush()->SetColor(clWindowFrame);
            c.FrameRect(r);
            r = r.Inflate(-1, -1);
        }
        if (OwnFrame(w) && (w->ExStyle & WS_EX_CLIENTEDGE)) c.DrawEdge(r, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
        if (w->Style & WS_VSCROLL) DrawScrollBar(c, w, SB_VERT);
        if (w->Style & WS_HSCROLL) DrawScrollBar(c, w, SB_HORZ);
        if ((w->Style & (WS_VSCROLL | WS_HSCROLL)) == (WS_VSCROLL | WS_HSCROLL)) {
            c.Brush()->SetStyle(bsSolid);
            c.Brush()->SetColor(clBtnFace);
            c.FillRect(IntersectRect({w->Client.Right, w->Client.Bottom, w->Client.Right + ScrollBarSize,
                                      w->Client.Bottom + ScrollBarSize},
                                     {0, 0, w->Width(), w->Height()}));
        }
        return 0;
    }

    case WM_ERASEBKGND: {
        HDC dc = reinterpret_cast<HDC>(M.WParam);
        if (!dc || w->Background == clNone) return 0;
        TCanvas& c = dc->Canvas();
        c.Brush()->SetStyle(bsSolid);
        c.Brush()->SetColor(w->Background);
        c.FillRect({0, 0, w->Client.Width(), w->Client.Height()});
        return 1;
    }

    case WM_PAINT: {
        TPaintGuard paint(Wnd);
        return 0;
    }

    case WM_NCLBUTTONDOWN:
    case WM_NCLBUTTONDBLCLK:
        if (M.WParam == static_cast<WPARAM>(HTVSCROLL) || M.WParam == static_cast<WPARAM>(HTHSCROLL))
            BeginScrollTracking(Wnd, static_cast<LRESULT>(M.WParam), {GET_X_LPARAM(M.LParam), GET_Y_LPARAM(M.LParam)});
        return 0;

    case WM_CLOSE:
        Destroy(Wnd);
        return 0;

    case WM_MOUSEWHEEL:
        // Unhandled wheel turns go to the parent.
        if (w->Parent) return SendMessage(w->Parent->Handle, M.Msg, M.WParam, M.LParam);
        return 0;

    case WM_ACTIVATE:
        if (LOWORD(M.WParam) != WA_INACTIVE && !FFocusAfterActivate && !(FFocus && IsSelfOrDescendant(Wnd, FFocus))) {
            TWindowRec* last = Find(w->LastFocus);
            SetFocus(last && IsSelfOrDescendant(Wnd, last->Handle) && IsVisible(last) ? last->Handle : Wnd);
        }
        return 0;

    case WM_CANCELMODE:
        if (FCapture == Wnd) ReleaseCapture();
        CancelTracking(Wnd);
        return 0;

    case WM_SETTEXT:
        w->Text = M.LParam ? reinterpret_cast<const char*>(M.LParam) : "";
        if (!w->Parent) FBackend.SetSurfaceTitle(w->Surface, w->Text);
        return 1;

    case WM_GETTEXTLENGTH:
        return static_cast<LRESULT>(w->Text.size());

    case CM_DIALOGKEY:
        if (!w->Parent) return MoveFocusByKey(Wnd, LOWORD(M.WParam)) ? 1 : 0;
        return 0;

    default:
        return 0;
    }
}

LRESULT DefWindowProc(HWND Wnd, TMessage& Message) { return WM().DefProc(Wnd, Message); }

LRESULT DefWindowProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam)
{
    TMessage m{Msg, WParam, LParam, 0};
    return WM().DefProc(Wnd, m);
}
