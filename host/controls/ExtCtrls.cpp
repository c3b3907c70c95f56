#include "host/controls/ExtCtrls.h"

#include <algorithm>

TPanel::TPanel(TComponent* AOwner) : TCustomControl(AOwner)
{
    ControlStyle = {csAcceptsControls, csCaptureMouse, csClickEvents, csSetCaption, csOpaque, csDoubleClicks};
    SetParentColor(false);
    SetColor(clBtnFace);
    SetBounds(0, 0, 185, 41);
}

void TPanel::Changed()
{
    Realign();
    Invalidate();
}

void TPanel::SetBevelInner(TPanelBevel Value)
{
    FBevelInner = Value;
    Changed();
}

void TPanel::SetBevelOuter(TPanelBevel Value)
{
    FBevelOuter = Value;
    Changed();
}

void TPanel::SetBevelWidth(int Value)
{
    FBevelWidth = std::clamp(Value, 1, 64);
    Changed();
}

void TPanel::SetBorderWidth(int Value)
{
    FBorderWidth = std::clamp(Value, 0, 64);
    Changed();
}

void TPanel::SetAlignment(TAlignment Value)
{
    FAlignment = Value;
    Invalidate();
}

TRect TPanel::InnerRect() const
{
    int inset = FBorderWidth;
    if (FBevelOuter != bvNone) inset += FBevelWidth;
    if (FBevelInner != bvNone) inset += FBevelWidth;
    TRect r = ClientRect().Inflate(-inset, -inset);
    r.Right = std::max(r.Left, r.Right);
    r.Bottom = std::max(r.Top, r.Bottom);
    return r;
}

void TPanel::AlignControls(TRect& Rect)
{
    const TRect inner = InnerRect();
    Rect.Left = std::max(Rect.Left, inner.Left);
    Rect.Top = std::max(Rect.Top, inner.Top);
    Rect.Right = std::max(Rect.Left, std::min(Rect.Right, inner.Right));
    Rect.Bottom = std::max(Rect.Top, std::min(Rect.Bottom, inner.Bottom));
    TCustomControl::AlignControls(Rect);
}

namespace {

// A bevel BevelWidth pixels wide just inside R: light top-left and dark bottom-right when
// raised, the other way round when lowered. R shrinks by the bevel.
void DrawBevel(TCanvas& Canvas, TRect& R, TPanelBevel Bevel, int Width)
{
    if (Bevel == bvNone) return;
    const TColor topLeft = Bevel == bvRaised ? clBtnHighlight : clBtnShadow;
    const TColor bottomRight = Bevel == bvRaised ? clBtnShadow : clBtnHighlight;
    for (int i = 0; i < Width && R.Width() > 1 && R.Height() > 1; ++i) {
        Canvas.Brush()->SetColor(topLeft);
        Canvas.FillRect({R.Left, R.Top, R.Right - 1, R.Top + 1});
        Canvas.FillRect({R.Left, R.Top, R.Left + 1, R.Bottom - 1});
        Canvas.Brush()->SetColor(bottomRight);
        Canvas.FillRect({R.Left, R.Bottom - 1, R.Right, R.Bottom});
        Canvas.FillRect({R.Right - 1, R.Top, R.Right, R.Bottom});
        R = R.Inflate(-1, -1);
    }
}

} // namespace

void TPanel::Paint()
{
    TCanvas& canvas = *Canvas();
    TRect r = ClientRect();
    canvas.Brush()->SetColor(Color());
    canvas.FillRect(r);
    DrawBevel(canvas, r, FBevelOuter, FBevelWidth);
    r = r.Inflate(-FBorderWidth, -FBorderWidth);
    DrawBevel(canvas, r, FBevelInner, FBevelWidth);
    if (Caption().empty()) return;
    static constexpr unsigned Alignments[] = {DT_LEFT, DT_RIGHT, DT_CENTER};
    canvas.Brush()->SetStyle(bsClear);
    canvas.SetTextColor(Enabled() ? Font()->Color() : clGrayText);
    // A panel's caption is text, not a control's name: "&" marks no accelerator here.
    canvas.DrawText(Caption(), r, Alignments[FAlignment] | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    canvas.Brush()->SetStyle(bsSolid);
}

void TPanel::CMTextChanged(TMessage& Message)
{
    TCustomControl::CMTextChanged(Message);
    Invalidate();
}
