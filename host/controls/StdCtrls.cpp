#include "host/controls/StdCtrls.h"

#include <cctype>

#include "host/controls/Forms.h"
#include "host/core/ObjectWatch.h"

TButton::TButton(TComponent* AOwner) : TCustomControl(AOwner)
{
    SetTabStop(true);
    SetColor(clBtnFace);
    SetBounds(0, 0, 75, 25);
}

void TButton::SetDefault(bool Value)
{
    if (Value == FDefault) return;
    FDefault = Value;
    Invalidate();
}

void TButton::Click()
{
    TObjectWatch alive(this);
    if (FModalResult != mrNone)
        if (TCustomForm* form = GetParentForm(this)) form->SetModalResult(FModalResult);
    if (alive) TCustomControl::Click();
}

bool TButton::Active() const
{
    if (Focused()) return true;
    if (!FDefault) return false;
    const TCustomForm* form = GetParentForm(this);
    const auto* focusedButton = form ? dynamic_cast<const TButton*>(form->ActiveControl()) : nullptr;
    return !focusedButton || !focusedButton->Focused();
}

void TButton::SetPressed(bool Value)
{
    if (Value == FPressed) return;
    FPressed = Value;
    Invalidate();
}

void TButton::InvalidateSiblingButtons()
{
    if (!Parent()) return;
    for (int i = 0; i < Parent()->ControlCount(); ++i)
        if (auto* button = dynamic_cast<TButton*>(Parent()->Controls(i))) button->Invalidate();
}

void TButton::Paint()
{
    TCanvas& canvas = *Canvas();
    TRect r = ClientRect();
    const bool active = Active();
    canvas.Brush()->SetColor(clBtnFace);
    canvas.FillRect(r);
    // The button Enter would click wears a dark frame outside its bevel.
    if (active) {
        canvas.Brush()->SetColor(clWindowFrame);
        canvas.FrameRect(r);
        r = r.Inflate(-1, -1);
    }
    if (FPressed) {
        canvas.Brush()->SetColor(clBtnShadow);
        canvas.FrameRect(r);
    } else {
        canvas.DrawEdge(r, EDGE_RAISED, BF_RECT);
    }
    TRect text = ClientRect();
    if (FPressed) text = text.Offset(1, 1);
    canvas.Brush()->SetStyle(bsClear);
    canvas.SetTextColor(Enabled() ? clBtnText : clGrayText);
    canvas.DrawText(Caption(), text, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    canvas.Brush()->SetStyle(bsSolid);
    if (Focused()) DrawFocusRect(canvas, ClientRect().Inflate(-4, -4), clBtnText);
}

void TButton::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    TObjectWatch alive(this);
    if (Button == mbLeft && CanFocus() && !Focused()) SetFocus();
    if (!alive) return;
    if (Button == mbLeft) SetPressed(true);
    TCustomControl::MouseDown(Button, Shift, X, Y);
}

void TButton::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    // The click itself comes from the control's release handling, only over the button.
    if (Button == mbLeft) SetPressed(false);
    TCustomControl::MouseUp(Button, Shift, X, Y);
}

void TButton::KeyDown(WORD& Key, TShiftState Shift)
{
    TObjectWatch alive(this);
    TCustomControl::KeyDown(Key, Shift);
    if (alive && Key == VK_SPACE) SetPressed(true);
}

void TButton::KeyUp(WORD& Key, TShiftState Shift)
{
    TObjectWatch alive(this);
    TCustomControl::KeyUp(Key, Shift);
    if (!alive || Key != VK_SPACE || !FPressed) return;
    SetPressed(false);
    Click();
}

void TButton::WMSetFocus(TWMSetFocus& Message)
{
    TObjectWatch alive(this);
    TCustomControl::WMSetFocus(Message);
    if (alive) InvalidateSiblingButtons();
}

void TButton::WMKillFocus(TWMKillFocus& Message)
{
    TObjectWatch alive(this);
    TCustomControl::WMKillFocus(Message);
    if (!alive) return;
    FPressed = false;
    InvalidateSiblingButtons();
}

void TButton::WMGetDlgCode(TWMGetDlgCode& Message)
{
    Message.SetResult(DLGC_BUTTON | (Active() ? DLGC_DEFPUSHBUTTON : DLGC_UNDEFPUSHBUTTON));
}

void TButton::CMDialogKey(TCMDialogKey& Message)
{
    const WORD key = Message.CharCode();
    const bool answers = (key == VK_RETURN && Active()) || (key == VK_ESCAPE && FCancel);
    if (!answers || !CanFocus() || !Enabled()) {
        DefaultHandler(Message.Message);
        return;
    }
    Message.SetResult(1);
    Click();
}

void DrawFocusRect(TCanvas& Canvas, const TRect& R, TColor Color)
{
    if (R.Width() <= 0 || R.Height() <= 0) return;
    for (int x = R.Left; x < R.Right; x += 2) {
        Canvas.SetPixel(x, R.Top, Color);
        Canvas.SetPixel(x, R.Bottom - 1, Color);
    }
    for (int y = R.Top; y < R.Bottom; y += 2) {
        Canvas.SetPixel(R.Left, y, Color);
        Canvas.SetPixel(R.Right - 1, y, Color);
    }
}

// ----- TLabel -------------------------------------------------------------------------------

bool IsAccel(WORD Key, const std::string& Caption)
{
    for (std::size_t i = 0; i + 1 < Caption.size(); ++i) {
        if (Caption[i] != '&') continue;
        // "&&" is a plain ampersand.
        if (Caption[i + 1] == '&') {
            ++i;
            continue;
        }
        const unsigned char c = static_cast<unsigned char>(Caption[i + 1]);
        return c < 0x80 && std::toupper(c) == Key;
    }
    return false;
}

TLabel::TLabel(TComponent* AOwner) : TCustomControl(AOwner)
{
    ControlStyle = {csOpaque, csClickEvents, csDoubleClicks};
    SetBounds(0, 0, 65, 17);
}

unsigned TLabel::TextFlags() const
{
    static constexpr unsigned Alignments[] = {DT_LEFT, DT_RIGHT, DT_CENTER};
    unsigned flags = Alignments[FAlignment] | DT_EXPANDTABS;
    flags |= FWordWrap ? DT_WORDBREAK : DT_SINGLELINE;
    if (!FShowAccelChar) flags |= DT_NOPREFIX;
    return flags;
}

void TLabel::AdjustBounds()
{
    if (!FAutoSize || ComponentState.Contains(csLoading)) return;
    TCanvas* canvas = Canvas();
    canvas->SetFont(Font());
    TRect r{0, 0, FWordWrap ? Width() : 0, 0};
    const std::string text = Caption().empty() ? std::string(" ") : Caption();
    canvas->DrawText(text, r, TextFlags() | DT_CALCRECT);
    SetBounds(Left(), Top(), FWordWrap ? Width() : r.Width(), r.Height());
}

void TLabel::SetAlignment(TAlignment Value)
{
    FAlignment = Value;
    Invalidate();
}

void TLabel::SetAutoSize(bool Value)
{
    FAutoSize = Value;
    AdjustBounds();
}

void TLabel::SetWordWrap(bool Value)
{
    FWordWrap = Value;
    AdjustBounds();
    Invalidate();
}

void TLabel::SetShowAccelChar(bool Value)
{
    FShowAccelChar = Value;
    AdjustBounds();
    Invalidate();
}

bool TLabel::DialogChar(WORD Key)
{
    TWinControl* target = FocusControl();
    if (!FShowAccelChar || !target || !Enabled() || !Showing() || !IsAccel(Key, Caption())) return false;
    if (!target->CanFocus()) return false;
    target->SetFocus();
    return true;
}

void TLabel::Paint()
{
    TCanvas& canvas = *Canvas();
    canvas.Brush()->SetColor(Color());
    canvas.FillRect(ClientRect());
    TRect r = ClientRect();
    canvas.Brush()->SetStyle(bsClear);
    canvas.SetTextColor(Enabled() ? Font()->Color() : clGrayText);
    canvas.DrawText(Caption(), r, TextFlags());
    canvas.Brush()->SetStyle(bsSolid);
}

void TLabel::CMTextChanged(TMessage& Message)
{
    TCustomControl::CMTextChanged(Message);
    AdjustBounds();
    Invalidate();
}

void TLabel::CMFontChanged(TMessage& Message)
{
    TCustomControl::CMFontChanged(Message);
    AdjustBounds();
}

void TLabel::Loaded()
{
    TCustomControl::Loaded();
    AdjustBounds();
}
