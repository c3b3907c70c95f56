#include "host/controls/Control.h"

#include <algorithm>

#include "host/controls/DragDrop.h"
#include "host/controls/Forms.h"
#include "host/core/Exceptions.h"
#include "host/controls/WinControl.h"
#include "host/windows/Input.h"
#include "host/windows/Paint.h"

TControl::TControl(TComponent* AOwner) : TComponent(AOwner), FFont(std::make_unique<TFont>())
{
    ControlStyle = {csCaptureMouse, csClickEvents, csDoubleClicks};
    FFont->OnChange = [this](TObject*) { FontChanged(); };
}

TControl::~TControl()
{
    ComponentState.Include(csDestroying);
    FDrag.reset();
    if (FEndingDrag) FEndingDrag->SourceDestroyed();
    if (FParent) FParent->RemoveControl(this);
    FFont->OnChange = nullptr;
}

void TControl::SetParent(TWinControl* AParent)
{
    if (AParent == FParent) return;
    if (AParent == this) throw EInvalidOperation("A control cannot have itself as its parent");
    if (FParent) FParent->RemoveControl(this);
    if (AParent) AParent->InsertControl(this);
}

void TControl::SetParentComponent(TComponent* Value)
{
    if (auto* parent = dynamic_cast<TWinControl*>(Value)) SetParent(parent);
}

void TControl::SetBounds(int ALeft, int ATop, int AWidth, int AHeight)
{
    // Held to what a window can be, so that no sum of bounds overflows.
    ALeft = std::clamp(ALeft, -MaxCoord, MaxCoord);
    ATop = std::clamp(ATop, -MaxCoord, MaxCoord);
    AWidth = std::clamp(AWidth, 0, MaxWindowSize);
    AHeight = std::clamp(AHeight, 0, MaxWindowSize);
    if (ALeft == FLeft && ATop == FTop && AWidth == FWidth && AHeight == FHeight) return;
    const TRect old = BoundsRect();
    FLeft = ALeft;
    FTop = ATop;
    FWidth = AWidth;
    FHeight = AHeight;
    // A control without a window of its own paints on its parent: repaint both places.
    if (FParent && FParent->HandleAllocated() && !dynamic_cast<TWinControl*>(this)) {
        const TRect now = BoundsRect();
        InvalidateRect(FParent->Handle(), &old, true);
        InvalidateRect(FParent->Handle(), &now, true);
    }
    TObjectWatch alive(this);
    BoundsChanged();
    if (alive) RequestAlign();
}

TPoint TControl::ClientToScreen(TPoint P) const
{
    if (const auto* win = dynamic_cast<const TWinControl*>(this); win && win->HandleAllocated()) {
        ::ClientToScreen(win->WindowHandle(), P);
        return P;
    }
    P = {P.X + FLeft, P.Y + FTop};
    return FParent ? FParent->ClientToScreen(P) : P;
}

TPoint TControl::ScreenToClient(TPoint P) const
{
    if (const auto* win = dynamic_cast<const TWinControl*>(this); win && win->HandleAllocated()) {
        ::ScreenToClient(win->WindowHandle(), P);
        return P;
    }
    if (FParent) P = FParent->ScreenToClient(P);
    return {P.X - FLeft, P.Y - FTop};
}

void TControl::SetAlign(TAlign Value)
{
    if (Value == FAlign) return;
    FAlign = Value;
    RequestAlign();
}

void TControl::RequestAlign()
{
    if (FParent && FAlign != alNone) FParent->Realign();
}

void TControl::SetColor(TColor Value)
{
    if (Value == FColor) return;
    FParentColor = false;
    FColor = Value;
    Perform(CM_COLORCHANGED);
}

// Turning a Parent... flag on takes the parent's value at once.
void TControl::SetParentFlag(bool& Flag, bool Value, UINT Notice)
{
    if (Value == Flag) return;
    Flag = Value;
    if (Value && FParent) Perform(Notice);
}

void TControl::SetParentColor(bool Value) { SetParentFlag(FParentColor, Value, CM_PARENTCOLORCHANGED); }

void TControl::SetParentFont(bool Value) { SetParentFlag(FParentFont, Value, CM_PARENTFONTCHANGED); }

void TControl::FontChanged()
{
    if (!FFontFromParent) FParentFont = false;
    Perform(CM_FONTCHANGED);
}

void TControl::SetCtl3D(bool Value)
{
    if (Value == FCtl3D) return;
    FCtl3D = Value;
    FParentCtl3D = false;
    Perform(CM_CTL3DCHANGED);
}

void TControl::SetParentCtl3D(bool Value) { SetParentFlag(FParentCtl3D, Value, CM_PARENTCTL3DCHANGED); }

void TControl::SetShowHint(bool Value)
{
    FShowHint = Value;
    FParentShowHint = false;
    if (auto* win = dynamic_cast<TWinControl*>(this)) win->NotifyControls(CM_PARENTSHOWHINTCHANGED);
}

void TControl::SetParentShowHint(bool Value) { SetParentFlag(FParentShowHint, Value, CM_PARENTSHOWHINTCHANGED); }

void TControl::SetCaption(const std::string& Value)
{
    if (Value == FCaption) return;
    FCaption = Value;
    Perform(CM_TEXTCHANGED);
}

void TControl::SetEnabled(bool Value)
{
    if (Value == FEnabled) return;
    FEnabled = Value;
    Perform(CM_ENABLEDCHANGED);
}

void TControl::SetVisible(bool Value)
{
    if (Value == FVisible) return;
    FVisible = Value;
    TObjectWatch alive(this);
    Perform(CM_VISIBLECHANGED, Value ? 1 : 0); // a form's show and hide handlers run here
    if (alive) RequestAlign();
}

bool TControl::Showing() const
{
    for (const TControl* c = this; c; c = c->FParent)
        if (!c->FVisible) return false;
    return true;
}

void TControl::Invalidate()
{
    if (!FParent || !FParent->HandleAllocated()) return;
    const TRect r = BoundsRect();
    InvalidateRect(FParent->WindowHandle(), &r, !ControlStyle.Contains(csOpaque));
}

void TControl::Update()
{
    if (FParent) FParent->Update();
}

void TControl::BringToFront()
{
    if (!FParent) return;
    auto& list = FParent->FControls;
    std::erase(list, this);
    list.push_back(this);
    if (auto* win = dynamic_cast<TWinControl*>(this); win && win->HandleAllocated())
        SetWindowPos(win->WindowHandle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    Invalidate();
}

void TControl::Click()
{
    if (OnClick) OnClick(this);
}

void TControl::DblClick()
{
    if (OnDblClick) OnDblClick(this);
}

void TControl::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    if (OnMouseDown) OnMouseDown(this, Button, Shift, X, Y);
}

void TControl::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    if (OnMouseUp) OnMouseUp(this, Button, Shift, X, Y);
}

void TControl::MouseMove(TShiftState Shift, int X, int Y)
{
    if (OnMouseMove) OnMouseMove(this, Shift, X, Y);
}

void TControl::DoMouseDown(TWMMouse& Message, TMouseButton Button, TShiftState Shift)
{
    if (ControlStyle.Contains(csNoStdEvents)) return;
    MouseDown(Button, Message.Shift() + Shift, Message.XPos(), Message.YPos());
}

void TControl::DoMouseUp(TWMMouse& Message, TMouseButton Button)
{
    if (ControlStyle.Contains(csNoStdEvents)) return;
    MouseUp(Button, Message.Shift(), Message.XPos(), Message.YPos());
}

// The window that mouse messages of this control arrive at.
static HWND MouseWindow(TControl* Control)
{
    if (Control->WindowHandle()) return Control->WindowHandle();
    return Control->Parent() ? Control->Parent()->WindowHandle() : nullptr;
}

void TControl::WMLButtonDown(TWMMouse& Message)
{
    TObjectWatch alive(this);
    if (ControlStyle.Contains(csCaptureMouse)) SetCapture(MouseWindow(this));
    if (!alive) return;
    if (ControlStyle.Contains(csClickEvents)) FClicked = true;
    if (FDragMode == dmAutomatic) {
        BeginDrag(false);
        return;
    }
    DoMouseDown(Message, mbLeft, {});
}

void TControl::WMLButtonDblClk(TWMMouse& Message)
{
    TObjectWatch alive(this);
    if (ControlStyle.Contains(csCaptureMouse)) SetCapture(MouseWindow(this));
    if (alive && ControlStyle.Contains(csClickEvents)) DblClick();
    if (alive) DoMouseDown(Message, mbLeft, {ssDouble});
}

void TControl::WMLButtonUp(TWMMouse& Message)
{
    TObjectWatch alive(this);
    if (ControlStyle.Contains(csCaptureMouse) && GetCapture() == MouseWindow(this)) ReleaseCapture();
    if (!alive) return;
    const bool clicked = FClicked;
    FClicked = false;
    // The click counts only when released over the control.
    if (clicked && ClientRect().Contains(Message.Pos())) Click();
    if (alive) DoMouseUp(Message, mbLeft);
}

void TControl::WMRButtonDown(TWMMouse& Message)
{
    DoMouseDown(Message, mbRight, {});
}

void TControl::WMRButtonUp(TWMMouse& Message)
{
    TObjectWatch alive(this);
    DoMouseUp(Message, mbRight);
    if (!alive || !Enabled()) return;
    DoContextPopup(ClientToScreen({Message.XPos(), Message.YPos()}));
}

void TControl::WMMouseMove(TWMMouse& Message)
{
    if (!ControlStyle.Contains(csNoStdEvents)) MouseMove(Message.Shift(), Message.XPos(), Message.YPos());
}

void TControl::CMEnabledChanged(TMessage&)
{
    Invalidate();
}

void TControl::CMVisibleChanged(TMessage&)
{
    // A control without a window shows and hides by repainting its part of the parent.
    if (FParent && FParent->HandleAllocated()) {
        const TRect r = BoundsRect();
        InvalidateRect(FParent->WindowHandle(), &r, true);
    }
}

void TControl::CMFontChanged(TMessage&)
{
    Invalidate();
}

void TControl::CMParentFontChanged(TMessage&)
{
    if (!FParentFont || !FParent) return;
    TScopedMember<bool> fromParent(this, FFontFromParent, true);
    FFont->Assign(FParent->Font());
}

void TControl::CMColorChanged(TMessage&)
{
    Invalidate();
}

void TControl::CMParentColorChanged(TMessage&)
{
    if (!FParentColor || !FParent) return;
    TObjectWatch alive(this);
    SetColor(FParent->Color());
    if (alive) FParentColor = true;
}

void TControl::CMCtl3DChanged(TMessage&)
{
    Invalidate();
}

void TControl::CMParentCtl3DChanged(TMessage&)
{
    if (!FParentCtl3D || !FParent) return;
    TObjectWatch alive(this);
    SetCtl3D(FParent->Ctl3D()); // a new frame resizes the client area: WM_SIZE runs
    if (alive) FParentCtl3D = true;
}

void TControl::CMParentShowHintChanged(TMessage&)
{
    if (!FParentShowHint || !FParent) return;
    TObjectWatch alive(this);
    SetShowHint(FParent->ShowHint());
    if (alive) FParentShowHint = true;
}

void TControl::Dispatch(TMessage& Message)
{
    switch (Message.Msg) {
    case CM_PARENTCTL3DCHANGED: CMParentCtl3DChanged(Message); return;
    case CM_PARENTSHOWHINTCHANGED: CMParentShowHintChanged(Message); return;
    default: TMessageTarget::Dispatch(Message); return;
    }
}

void TControl::WndProc(TMessage& Message)
{
    // At design time the form's designer sees the message first and may keep it.
    if (ComponentState.Contains(csDesigning))
        if (TCustomForm* form = GetParentForm(this); form && form->Designer() && form->Designer()->IsDesignMsg(this, Message))
            return;
    // While this control is the source of a drag, the mouse drives the drag, and Escape, which
    // cancels it, is kept from the form's dialog keys (a Cancel button, leaving a modal form).
    if (FDrag && FDrag->Started() && Message.Msg == WM_GETDLGCODE && LOWORD(Message.WParam) == VK_ESCAPE) {
        Message.Result = DLGC_WANTALLKEYS;
        return;
    }
    if (FDrag && FDrag->HandleMessage(Message)) return;
    Dispatch(Message);
}
