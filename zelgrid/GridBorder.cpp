// The border: the grid keeps three pixels of its window for a border of its own, whatever Flat
// says, and paints it in one of two looks:
//
//   ring (outside in)   cold (idle)    hot (focused, or Flat and the mouse over it)
//   1                   button face    sunken outer bevel (shadow top-left, highlight bottom-right)
//   2                   button face    button face top-left, 3-D light bottom-right
//   3                   window         window
//
// At design time the border is hot exactly when the grid is enabled. Flat also turns the
// platform's own border and 3D look off; a disabled grid is painted in the button-face colour.
#include "host/core/ObjectWatch.h"
#include "host/windows/Paint.h"
#include "zelgrid/CustomZelGrid.h"

namespace {

constexpr int BorderWidth = 3;

void FillWith(TCanvas& Canvas, const TRect& R, TColor Color)
{
    Canvas.Brush()->SetStyle(bsSolid);
    Canvas.Brush()->SetColor(Color);
    Canvas.FillRect(R);
}

void FrameWith(TCanvas& Canvas, const TRect& R, TColor Color)
{
    Canvas.Brush()->SetStyle(bsSolid);
    Canvas.Brush()->SetColor(Color);
    Canvas.FrameRect(R);
}

} // namespace

void TCustomZelGrid::SetFlat(bool Value)
{
    if (Value == FFlat) return;
    FFlat = Value;
    SetCtl3D(!Value);
    SetBorderStyle(Value ? bsNone : bsSingle);
    if (Value) ControlStyle.Exclude(csFramed);
    else ControlStyle.Include(csFramed);
    Invalidate();
}

// The grid draws every border itself: the platform's border styles would only narrow the client
// area further.
void TCustomZelGrid::CreateParams(TCreateParams& Params)
{
    TCustomGrid::CreateParams(Params);
    Params.Style &= ~static_cast<DWORD>(WS_BORDER);
    Params.ExStyle &= ~static_cast<DWORD>(WS_EX_CLIENTEDGE);
}

void TCustomZelGrid::WMNCCalcSize(TWMNCCalcSize& Message)
{
    TCustomGrid::WMNCCalcSize(Message);
    TRect& client = Message.CalcSize_Params().Rgrc[0];
    client = client.Inflate(-BorderWidth, -BorderWidth);
    // A window narrower than its border keeps an empty client area, not a reversed one.
    if (client.Right < client.Left) client.Right = client.Left;
    if (client.Bottom < client.Top) client.Bottom = client.Top;
}

void TCustomZelGrid::WMNCPaint(TWMNCPaint& Message)
{
    TObjectWatch alive(this);
    TCustomGrid::WMNCPaint(Message);
    if (alive) RedrawBorder(Message.Region());
}

void TCustomZelGrid::RedrawBorder(const TRegion* Clip)
{
    if (!HandleAllocated()) return;
    const HWND wnd = WindowHandle();
    TDCGuard dc(wnd, GetWindowDC(wnd));
    if (!dc.DC()) return;
    TRect window;
    GetWindowRect(wnd, window);
    if (Clip) {
        if (SelectClipRgn(dc.DC(), Clip) == ERROR) {
            const TRegion whole(window);
            SelectClipRgn(dc.DC(), &whole);
        }
        OffsetClipRgn(dc.DC(), -window.Left, -window.Top);
    }
    TCanvas& canvas = dc.DC()->Canvas();
    TRect r{0, 0, window.Width(), window.Height()};
    const bool hot = ComponentState.Contains(csDesigning) ? Enabled() : DrawsFocused() || FMouseInside;
    if (hot) {
        canvas.DrawEdge(r, BDR_SUNKENOUTER, BF_RECT | BF_ADJUST);
        FillWith(canvas, {r.Left, r.Top, r.Left + 1, r.Bottom - 1}, clBtnFace);
        FillWith(canvas, {r.Left, r.Top, r.Right - 1, r.Top + 1}, clBtnFace);
        TRect inner = r;
        canvas.DrawEdge(inner, BDR_SUNKENINNER, BF_RIGHT | BF_BOTTOM);
        FrameWith(canvas, r.Inflate(-1, -1), clWindow);
        return;
    }
    FrameWith(canvas, r, clBtnFace);
    r = r.Inflate(-1, -1);
    FrameWith(canvas, r, clBtnFace);
    r = r.Inflate(-1, -1);
    FrameWith(canvas, r, clWindow);
}

// A disabled grid shows the button-face colour and gets its own back when enabled again. At
// design time the swap would change the colour the form stores, so it does not run there.
void TCustomZelGrid::CMEnabledChanged(TMessage& Message)
{
    TObjectWatch alive(this);
    TCustomGrid::CMEnabledChanged(Message);
    if (!alive || ComponentState.Contains(csDesigning)) return;
    if (Enabled()) {
        SetColor(FEnabledColor);
        return;
    }
    FEnabledColor = Color();
    SetColor(clBtnFace);
}

void DrawFrame(TWinControl* Control, bool Hot)
{
    if (!Control || !Control->Showing() || !Control->HandleAllocated()) return;
    TWinControl* parent = Control->Parent();
    if (!parent || !parent->HandleAllocated()) return;
    TDCGuard dc(parent->WindowHandle(), GetDC(parent->WindowHandle()));
    if (!dc.DC()) return;
    TCanvas& canvas = dc.DC()->Canvas();
    TRect r = Control->BoundsRect().Inflate(2, 2);
    const bool raised = Hot || Control->Focused();
    canvas.DrawEdge(r, raised ? BDR_RAISEDINNER : BDR_SUNKENINNER, BF_LEFT | BF_TOP);
    canvas.DrawEdge(r, raised ? BDR_RAISEDOUTER : BDR_SUNKENOUTER, BF_RIGHT | BF_BOTTOM);
}
