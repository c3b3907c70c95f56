#pragma once
// TButton: a push button. It takes the focus by Tab or by a press, clicks on a mouse release
// over it and on Space, and sets its form's ModalResult when it has one of its own. A Default
// button answers Enter and a Cancel button answers Escape when the form's dialog keys reach it;
// a focused button answers Enter itself.
//
// TLabel: a line of text that never takes the focus. An accelerator in its caption ("&Strings"
// underlines S) gives the focus to its FocusControl when the user presses Alt with that key.
#include "host/controls/WinControl.h"
#include "host/core/ObjectWatch.h"

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

class TLabel : public TCustomControl {
public:
    explicit TLabel(TComponent* AOwner);

    TWinControl* FocusControl() const { return FFocusControl.Get(); }
    void SetFocusControl(TWinControl* Value) { FFocusControl.Set(Value); }
    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment Value);
    // The label takes the size of its text whenever the caption or the font changes.
    bool AutoSize() const { return FAutoSize; }
    void SetAutoSize(bool Value);
    bool WordWrap() const { return FWordWrap; }
    void SetWordWrap(bool Value);
    // '&' marks the accelerator ("&&" is a plain '&'); off, the caption shows as it is.
    bool ShowAccelChar() const { return FShowAccelChar; }
    void SetShowAccelChar(bool Value);

    // Alt+Key matches the caption's accelerator: focuses FocusControl and answers true.
    bool DialogChar(WORD Key);
    void Loaded() override;

protected:
    void Paint() override;
    void CMTextChanged(TMessage& Message) override;
    void CMFontChanged(TMessage& Message) override;

private:
    unsigned TextFlags() const;
    void AdjustBounds();

    TWatchedPtr<TWinControl> FFocusControl;
    TAlignment FAlignment = taLeftJustify;
    bool FAutoSize = true;
    bool FWordWrap = false;
    bool FShowAccelChar = true;
};

// Whether Key (a virtual key code: a letter or digit) is the accelerator '&' marks in Caption.
bool IsAccel(WORD Key, const std::string& Caption);

// A one-pixel dotted frame just inside R, every other pixel in Color.
void DrawFocusRect(TCanvas& Canvas, const TRect& R, TColor Color);
