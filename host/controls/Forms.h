#pragma once
// TCustomForm and TForm: a top-level window holding controls. The form knows its active control
// and moves the focus with Tab in tab order; Show opens it, ShowModal runs a nested message loop
// that ends when ModalResult is set (the application's modal hook may answer it, for tests).
#include <functional>
#include <memory>

#include "host/controls/DesignerHook.h"
#include "host/controls/WinControl.h"
#include "host/core/ObjectWatch.h"

enum TCloseAction : unsigned char { caNone, caHide, caFree, caMinimize };
enum TFormBorderStyle : unsigned char { bsNoneForm, bsSingleForm, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
enum TBorderIcon : unsigned char { biSystemMenu, biMinimize, biMaximize, biHelp };
using TBorderIcons = TSet<TBorderIcon, std::uint8_t>;
enum TFormStyle : unsigned char { fsNormal, fsMDIChild, fsMDIForm, fsStayOnTop };
enum TPosition : unsigned char { poDesigned, poDefault, poDefaultPosOnly, poDefaultSizeOnly, poScreenCenter };
using TCloseEvent = std::function<void(TObject* Sender, TCloseAction& Action)>;
using TCloseQueryEvent = std::function<void(TObject* Sender, bool& CanClose)>;

class TCustomForm : public TWinControl {
public:
    explicit TCustomForm(TComponent* AOwner);
    ~TCustomForm() override;

    // The control that has (or gets, when the form is activated) the focus.
    TWinControl* ActiveControl() const { return FActiveControl; }
    // EInvalidOperation for a control that is not on this form or cannot take the focus.
    void SetActiveControl(TWinControl* Control);
    // Makes Control the active control and gives it the focus when the form is active.
    void FocusControl(TWinControl* Control);
    // The form's window is the active window.
    bool Active() const;

    // Asks OnCloseQuery, then OnClose; hides (or frees) the form as the handler says. A modal
    // form only gets ModalResult mrCancel, which ends its loop (once OnCloseQuery agrees). A
    // close request from the display (its close box) and Escape that no control or Cancel
    // button takes close a modal form this way.
    void Close();
    virtual bool CloseQuery();
    // Frees the form once the message loop gets to a message posted now: the way to close and
    // free a form from one of its own handlers, which may still touch it after the call.
    void Release();

    // Shows the form modally: every other top-level window is disabled until the loop ends,
    // which happens once ModalResult is not mrNone (and the close is not refused). The window
    // active before (or else the main form) owns the form's window meanwhile, so the display
    // keeps the form above it. EInvalidOperation for a form that is already visible or disabled.
    TModalResult ShowModal();
    TModalResult ModalResult() const { return FModalResult; }
    void SetModalResult(TModalResult Value);
    bool Modal() const { return FModal; }

    // The form's OnKeyDown, OnKeyUp and OnKeyPress see every key before the focused control;
    // a handler that clears the key keeps it from the control.
    bool KeyPreview() const { return FKeyPreview; }
    void SetKeyPreview(bool Value) { FKeyPreview = Value; }
    // Looks for the key among the form's menu shortcuts and its controls' accelerators (Alt
    // with the letter a caption marks) and runs what it finds; true when something took it.
    virtual bool IsShortCut(WORD Key, TShiftState Shift);

    // Sizes the form so that its client area gets this size.
    void SetClientWidth(int Value) { SetWidth(Width() - ClientWidth() + Value); }
    void SetClientHeight(int Value) { SetHeight(Height() - ClientHeight() + Value); }
    // The frame the form's window gets (bsDialog and bsSingle: not sizeable).
    TFormBorderStyle FormBorderStyle() const { return FFormBorderStyle; }
    void SetFormBorderStyle(TFormBorderStyle Value) { FFormBorderStyle = Value; }
    TBorderIcons BorderIcons() const { return FBorderIcons; }
    void SetBorderIcons(TBorderIcons Value) { FBorderIcons = Value; }
    TFormStyle FormStyle() const { return FFormStyle; }
    void SetFormStyle(TFormStyle Value) { FFormStyle = Value; }
    // poScreenCenter centres the form on the screen each time it is shown.
    TPosition Position() const { return FPosition; }
    void SetPosition(TPosition Value) { FPosition = Value; }

    // The designer of a form at design time; its designing controls ask it about each message
    // (see IDesignerHook). The form does not own it.
    IDesignerHook* Designer() const { return FDesigner; }
    void SetDesigner(IDesignerHook* Value) { FDesigner = Value; }

    TNotifyEvent OnShow;
    TNotifyEvent OnHide;
    TCloseEvent OnClose;
    TCloseQueryEvent OnCloseQuery;

protected:
    friend class TWinControl;

    void CreateParams(TCreateParams& Params) override;
    virtual void DoShow();
    virtual void DoHide();
    virtual void DoClose(TCloseAction& Action);

    void WMClose(TMessage& Message) override;
    void WMDestroy(TMessage& Message) override;
    void DestroyWnd() override;
    void WMActivate(TWMActivate& Message) override;
    void WMSetFocus(TWMSetFocus& Message) override;
    void CMVisibleChanged(TMessage& Message) override;
    void CMDialogKey(TCMDialogKey& Message) override;
    void Dispatch(TMessage& Message) override;

private:
    // A control of the form got the focus: it becomes the active control; the control that had
    // it is told it was left (CM_EXIT), the new one that it was entered (CM_ENTER).
    void SetFocusedControl(TWinControl* Control);
    // A control leaves the form (or is freed): forget it as the active control.
    void ControlRemoved(TControl* Control);
    void CloseModal();
    // Gives the focus to the active control, or to the first control in tab order.
    void FocusActiveControl();

    TWinControl* FActiveControl = nullptr;
    TWinControl* FFocusedControl = nullptr;
    TModalResult FModalResult = mrNone;
    bool FModal = false;
    bool FKeyPreview = false;
    TFormBorderStyle FFormBorderStyle = bsSizeable;
    TBorderIcons FBorderIcons{biSystemMenu, biMinimize, biMaximize};
    TFormStyle FFormStyle = fsNormal;
    TPosition FPosition = poDesigned;
    IDesignerHook* FDesigner = nullptr;
    // Where a modal loop wants the result if the form is freed while the loop runs.
    TModalResult* FModalExit = nullptr;
    // The form itself is destroying its window (DestroyWnd).
    bool FDestroyingWnd = false;
};

class TForm : public TCustomForm {
public:
    explicit TForm(TComponent* AOwner) : TCustomForm(AOwner) {}
};

// Shows a dialog its caller owns modally. A handler that freed the dialog inside its loop took
// it from the caller: Form is then released and the answer is mrNone.
template <class TDialog>
TModalResult ShowOwnedModal(std::unique_ptr<TDialog>& Form)
{
    TObjectWatch alive(Form.get());
    const TModalResult result = Form->ShowModal();
    if (alive) return result;
    (void)Form.release();
    return mrNone;
}
