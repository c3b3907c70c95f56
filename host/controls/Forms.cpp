#include "host/controls/Forms.h"

#include <algorithm>
#include <vector>

#include "host/controls/Application.h"
#include "host/controls/Menus.h"
#include "host/controls/StdCtrls.h"
#include "host/core/Exceptions.h"
#include "host/windows/Input.h"
#include "host/windows/MessageQueue.h"
#include "host/windows/WindowSystem.h"

TCustomForm::TCustomForm(TComponent* AOwner) : TWinControl(AOwner)
{
    FVisible = false;
    FParentColor = false;
    FParentFont = false;
    FParentCtl3D = false;
    FColor = clBtnFace;
    ControlStyle.Include(csAcceptsControls);
    SetBounds(100, 100, 320, 240);
}

TCustomForm::~TCustomForm()
{
    ComponentState.Include(csDestroying);
    if (FModalExit) *FModalExit = FModalResult != mrNone ? FModalResult : mrCancel;
    FActiveControl = nullptr;
    FFocusedControl = nullptr;
    if (Application().MainForm() == this) Application().SetMainForm(nullptr);
}

void TCustomForm::CreateParams(TCreateParams& Params)
{
    TWinControl::CreateParams(Params);
    Params.Style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
    Params.ExStyle = 0;
    Params.Parent = nullptr;
    Params.Background = Color();
}

bool TCustomForm::Active() const
{
    return HandleAllocated() && GetActiveWindow() == WindowHandle();
}

// ----- active control -----------------------------------------------------------------------

void TCustomForm::SetActiveControl(TWinControl* Control)
{
    if (Control == FActiveControl) return;
    if (Control && (Control == this || GetParentForm(Control) != this ||
                    (!ComponentState.Contains(csLoading) && !Control->CanFocus())))
        throw EInvalidOperation("Cannot focus a disabled or invisible window");
    FActiveControl = Control;
    if (Control && Active()) ::SetFocus(Control->Handle());
}

void TCustomForm::FocusControl(TWinControl* Control)
{
    const bool wasActive = FActiveControl == Control;
    TObjectWatch alive(this), controlAlive(Control);
    SetActiveControl(Control);
    if (!alive || !controlAlive) return;
    // Asked again for the same control: the form may have lost the focus in between.
    if (wasActive && Control && Active() && !Control->Focused()) ::SetFocus(Control->Handle());
}

void TCustomForm::SetFocusedControl(TWinControl* Control)
{
    if (Control == this) return;
    // A designed form keeps the active control its form file names.
    if (!ComponentState.Contains(csDesigning)) FActiveControl = Control;
    if (Control == FFocusedControl) return;
    TWinControl* old = FFocusedControl;
    FFocusedControl = Control;
    // The handlers may move the focus again or free controls or the form: look at the state afresh.
    TObjectWatch alive(this);
    if (old && !old->ComponentState.Contains(csDestroying) && ContainsControl(old)) old->Perform(CM_EXIT);
    if (alive && FFocusedControl == Control && Control && ContainsControl(Control)) Control->Perform(CM_ENTER);
}

void TCustomForm::ControlRemoved(TControl* Control)
{
    auto* win = dynamic_cast<TWinControl*>(Control);
    if (!win) return;
    if (FActiveControl && win->ContainsControl(FActiveControl)) FActiveControl = nullptr;
    if (FFocusedControl && win->ContainsControl(FFocusedControl)) FFocusedControl = nullptr;
}

void TCustomForm::FocusActiveControl()
{
    if (!HandleAllocated()) return;
    // At design time the form itself takes the keys, for its designer.
    TWinControl* target = ComponentState.Contains(csDesigning) ? nullptr : FActiveControl;
    if (!ComponentState.Contains(csDesigning) && (!target || !target->CanFocus()))
        target = FindNextControl(nullptr, true, true);
    if (target) ::SetFocus(target->Handle());
    else ::SetFocus(WindowHandle());
}

void TCustomForm::WMActivate(TWMActivate& Message)
{
    TObjectWatch alive(this);
    DefaultHandler(Message.Message);
    if (alive && Message.Active() != WA_INACTIVE) FocusActiveControl();
}

void TCustomForm::WMSetFocus(TWMSetFocus& Message)
{
    TObjectWatch alive(this);
    DefaultHandler(Message.Message);
    // The form itself never keeps the focus while one of its controls can take it (but at
    // design time, when it takes the keys for its designer).
    if (alive && !ComponentState.Contains(csDesigning) && FActiveControl && FActiveControl->CanFocus())
        ::SetFocus(FActiveControl->Handle());
}

void TCustomForm::CMDialogKey(TCMDialogKey& Message)
{
    const WORD key = Message.CharCode();
    // Tab, the arrows, Enter and Escape belong to an open popup menu.
    if (TPopupMenu* menu = TPopupMenu::Tracking()) {
        menu->TrackKey(key);
        Message.SetResult(1);
        return;
    }
    const TShiftState shift = Message.Shift();
    if (key == VK_TAB && !shift.Contains(ssCtrl) && !shift.Contains(ssAlt)) {
        SelectNext(FActiveControl, !shift.Contains(ssShift), true);
        Message.SetResult(1);
        return;
    }
    // Enter and Escape go to the form's buttons: the one that answers (default, focused or
    // cancel button) clicks and uses the key up; otherwise the key reaches the focused control.
    // A control that uses the key itself (an open list, an editor) asked for it through
    // WM_GETDLGCODE and never gets here.
    if (key == VK_RETURN || key == VK_ESCAPE) {
        std::vector<TWinControl*> controls;
        GetTabOrderList(controls);
        TObjectWatch alive(this);
        for (TWinControl* control : controls) {
            if (!control->HandleAllocated()) continue;
            if (SendMessage(control->WindowHandle(), CM_DIALOGKEY, Message.Message.WParam, Message.Message.LParam)) {
                if (alive) Message.SetResult(1);
                return;
            }
            if (!alive) return;
        }
        // Without a Cancel button Escape still leaves a modal form.
        if (key == VK_ESCAPE && FModal) {
            Close();
            Message.SetResult(1);
            return;
        }
    }
    DefaultHandler(Message.Message);
}

namespace {

// The first control below Parent, depth first, whose accelerator is Key and that acts on it.
bool DialogCharIn(TWinControl* Parent, WORD Key)
{
    TObjectWatch alive(Parent);
    for (int i = 0; alive && i < Parent->ControlCount(); ++i) {
        TControl* control = Parent->Controls(i);
        if (!control->Visible() || !control->Enabled()) continue;
        if (auto* label = dynamic_cast<TLabel*>(control)) {
            if (label->DialogChar(Key)) return true;
        } else if (auto* button = dynamic_cast<TButton*>(control)) {
            if (IsAccel(Key, button->Caption()) && button->CanFocus()) {
                button->SetFocus();
                if (alive && Parent->HasControl(button)) button->Click();
                return true;
            }
        }
        if (auto* win = dynamic_cast<TWinControl*>(control); win && DialogCharIn(win, Key)) return true;
    }
    return false;
}

} // namespace

bool TCustomForm::IsShortCut(WORD Key, TShiftState Shift)
{
    TObjectWatch alive(this);
    for (int i = 0; i < ComponentCount(); ++i)
        if (auto* menu = dynamic_cast<TPopupMenu*>(Components(i)); menu && menu->IsShortCut(Key, Shift)) return true;
    if (!alive) return true;
    const bool accelKey = (Key >= 'A' && Key <= 'Z') || (Key >= '0' && Key <= '9');
    if (!accelKey || !Shift.Contains(ssAlt) || Shift.Contains(ssCtrl)) return false;
    return DialogCharIn(this, Key);
}

void TCustomForm::Dispatch(TMessage& Message)
{
    if (Message.Msg == CM_RELEASE) {
        delete this;
        return;
    }
    TWinControl::Dispatch(Message);
}

// ----- showing and closing ------------------------------------------------------------------

void TCustomForm::CMVisibleChanged(TMessage&)
{
    // Every step runs handlers (WM_SIZE, activation, focus, OnShow) that may free the form.
    TObjectWatch alive(this);
    if (Visible()) {
        if (FPosition == poScreenCenter) {
            const TSize screen = TWindowSystem::Current().Backend().ScreenSize();
            SetBounds(std::max(0, (screen.cx - Width()) / 2), std::max(0, (screen.cy - Height()) / 2), Width(), Height());
            if (!alive) return;
        }
        HandleNeeded();
        if (!alive) return;
        ShowWindow(WindowHandle(), SW_SHOW);
        if (!alive) return;
        SetActiveWindow(WindowHandle());
        if (!alive) return;
        FocusActiveControl();
        if (alive) DoShow();
        return;
    }
    if (!HandleAllocated()) return;
    DoHide();
    if (alive && HandleAllocated()) ShowWindow(WindowHandle(), SW_HIDE);
}

void TCustomForm::DoShow()
{
    if (OnShow) OnShow(this);
}

void TCustomForm::DoHide()
{
    if (OnHide) OnHide(this);
}

void TCustomForm::DoClose(TCloseAction& Action)
{
    if (OnClose) OnClose(this, Action);
}

bool TCustomForm::CloseQuery()
{
    bool canClose = true;
    if (OnCloseQuery) OnCloseQuery(this, canClose);
    return canClose;
}

void TCustomForm::WMClose(TMessage&)
{
    Close();
}

void TCustomForm::DestroyWnd()
{
    FDestroyingWnd = true;
    struct TReset {
        bool& Flag;
        ~TReset() { Flag = false; }
    } reset{FDestroyingWnd};
    TWinControl::DestroyWnd();
}

void TCustomForm::WMDestroy(TMessage& Message)
{
    // The window went without the form asking (another client of the display destroyed it, or
    // its owner went): the end of the main form's window ends the application, that of a modal
    // form's window ends its loop.
    if (!FDestroyingWnd && !ComponentState.Contains(csDestroying)) {
        if (Application().MainForm() == this) Application().Terminate();
        if (FModal) SetModalResult(mrCancel);
    }
    TWinControl::WMDestroy(Message);
}

void TCustomForm::SetModalResult(TModalResult Value)
{
    FModalResult = Value;
    // Set by a message sent while the modal loop waits for input (a close request is handled
    // as it is read): a message wakes the loop so that it sees the result.
    if (FModal && Value != mrNone) PostMessage(nullptr, WM_NULL);
}

void TCustomForm::Close()
{
    if (FModal) {
        SetModalResult(mrCancel);
        return;
    }
    TObjectWatch alive(this);
    if (!CloseQuery() || !alive) return;
    TCloseAction action = caHide;
    DoClose(action);
    if (!alive || action == caNone) return;
    if (Application().MainForm() == this) Application().Terminate();
    if (action == caFree) Release();
    Hide();
}

void TCustomForm::Release()
{
    // Freed from the message loop, once the code that asked for it has returned.
    if (HWND wnd = Handle()) PostMessage(wnd, CM_RELEASE);
}

void TCustomForm::CloseModal()
{
    TObjectWatch alive(this);
    const bool canClose = CloseQuery();
    if (!alive) return;
    if (!canClose) {
        FModalResult = mrNone;
        return;
    }
    TCloseAction action = caHide;
    DoClose(action);
    if (alive && action == caNone) FModalResult = mrNone;
}

namespace {

// Disables every other enabled, visible top-level window for the length of a modal loop and
// enables them again on leaving, also when an exception passes.
class TModalWindowsGuard {
public:
    explicit TModalWindowsGuard(TCustomForm* Form)
    {
        HWND own = Form->HandleAllocated() ? Form->WindowHandle() : nullptr;
        for (HWND wnd : GetTopLevelWindows()) {
            if (wnd == own || !IsWindowVisible(wnd) || !IsWindowEnabled(wnd)) continue;
            EnableWindow(wnd, false);
            FDisabled.push_back(wnd);
        }
        FActiveBefore = GetActiveWindow();
    }
    ~TModalWindowsGuard()
    {
        for (HWND wnd : FDisabled)
            if (IsWindow(wnd)) EnableWindow(wnd, true);
        // Activating the window again moves the focus, whose handlers may raise: that cannot be
        // reported from here while another exception may be passing.
        try {
            if (FActiveBefore && IsWindow(FActiveBefore) && IsWindowVisible(FActiveBefore))
                SetActiveWindow(FActiveBefore);
        } catch (...) {
        }
    }
    TModalWindowsGuard(const TModalWindowsGuard&) = delete;
    TModalWindowsGuard& operator=(const TModalWindowsGuard&) = delete;

private:
    std::vector<HWND> FDisabled;
    HWND FActiveBefore = nullptr;
};

// The window a modal form belongs to while it runs: the active window, or else the main form.
HWND ModalOwner(TCustomForm* Form)
{
    const HWND own = Form->WindowHandle();
    const auto usable = [own](HWND Wnd) { return Wnd && Wnd != own && IsWindowVisible(Wnd); };
    if (HWND active = GetActiveWindow(); usable(active)) return active;
    if (TCustomForm* main = Application().MainForm(); main && main->HandleAllocated() && usable(main->WindowHandle()))
        return main->WindowHandle();
    return nullptr;
}

} // namespace

// Any handler the loop runs may free the form (a posted CM_RELEASE, a delete): the loop then
// returns the result the form had, or mrCancel, without touching it again.
TModalResult TCustomForm::ShowModal()
{
    if (Visible() || !Enabled() || FModal) throw EInvalidOperation("Cannot make a visible window modal");
    TObjectWatch alive(this);
    HandleNeeded();
    if (!alive) return mrCancel;
    SetWindowOwner(WindowHandle(), ModalOwner(this));
    TModalWindowsGuard windows(this);
    TModalResult freedResult = mrCancel;
    FModal = true;
    FModalResult = mrNone;
    FModalExit = &freedResult;
    struct TModalEnd {
        TCustomForm* Form;
        const TObjectWatch& Alive;
        ~TModalEnd()
        {
            Application().ModalFinished(Form);
            if (!Alive) return;
            Form->FModal = false;
            Form->FModalExit = nullptr;
            // The owner is still disabled here: it is activated again by the windows guard, once
            // enabled, not as the owner of a window that hides.
            if (Form->HandleAllocated()) SetWindowOwner(Form->WindowHandle(), nullptr);
            // An OnHide handler that raises here cannot be reported while another exception
            // may be passing; the form is hidden either way.
            try {
                Form->Hide();
            } catch (...) {
            }
        }
    } end{this, alive};
    Show();
    if (!alive) return freedResult;
    Application().ModalStarted(this);
    for (;;) {
        if (!alive) return freedResult;
        // The window is gone (destroyed on the display): nothing is left to keep open.
        if (!HandleAllocated()) return mrCancel;
        if (Application().Terminated()) FModalResult = mrCancel;
        if (FModalResult != mrNone) {
            CloseModal();
            if (!alive) return freedResult;
            if (FModalResult != mrNone) break;
        }
        Application().HandleMessage();
    }
    return FModalResult;
}
