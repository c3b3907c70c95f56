#pragma once
// TButton: a push button. It takes the focus by Tab or by a press, clicks on a mouse release
// over it and on Space, and sets its form's ModalResult when it has one of its own. A Default
// button answers Enter and a Cancel button answers Escape when the form's dialog keys reach it;
// a focused button answers Enter itself.
#include "host/controls/WinControl.h"

class TButton : public TCustomControl {
public:
    explicit TButton(TComponent* AOwner);

    bool Default() const { return FDefault; }
    void SetDefault(bool Value);
    bool Cancel() const { return FCancel; }
    void SetCancel(bool Value) { FCancel = Value; }
    TModalResult ModalResult() const { return FModalResult; }
    void SetModalResult(TModalResult Value) { FModalResult = Value; }

    // Sets the form's ModalResult (when this button has one), then raises OnClick.
    void Click() override;
    // Whether Enter clicks this button now: it has the focus, or it is the Default button and no
    // other button has the focus.
    bool Active() const;

protected:
    void Paint() override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void KeyDown(WORD& Key, TShiftState Shift) override;
    void KeyUp(WORD& Key, TShiftState Shift) override;
    void WMSetFocus(TWMSetFocus& Message) override;
    void WMKillFocus(TWMKillFocus& Message) override;
    void WMGetDlgCode(TWMGetDlgCode& Message) override;
    void CMDialogKey(TCMDialogKey& Message) override;

private:
    void SetPressed(bool Value);
    // Repaints the buttons beside this one, whose default frame follows the focus.
    void InvalidateSiblingButtons();

    bool FDefault = false;
    bool FCancel = false;
    bool FPressed = false;
    TModalResult FModalResult = mrNone;
};

// A one-pixel dotted frame just inside R, every other pixel in Color.
void DrawFocusRect(TCanvas& Canvas, const TRect& R, TColor Color);
