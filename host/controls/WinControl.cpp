#include "host/controls/WinControl.h"

#include <algorithm>

#include "host/controls/Forms.h"
#include "host/controls/Menus.h"
#include "host/core/Exceptions.h"
#include "host/windows/Input.h"
#include "host/windows/Paint.h"

TCustomForm* GetParentForm(const TControl* Control)
{
    while (Control && Control->Parent()) Control = Control->Parent();
    return dynamic_cast<TCustomForm*>(const_cast<TControl*>(Control));
}

TWinControl::TWinControl(TComponent* AOwner) : TControl(AOwner) {}

TWinControl::~TWinControl()
{
    ComponentState.Include(csDestroying);
    // Leaves the parent while this is still a windowed control, so that the form forgets it.
    if (Parent()) Parent()->RemoveControl(this);
    // A parent frees the controls it holds; each removes itself from this list.
    while (!FControls.empty()) delete FControls.back();
    DestroyHandle();
}

// ----- the window ---------------------------------------------------------------------------

HWND TWinControl::Handle()
{
    if (HandleAllocated()) return WindowHandle();
    // Creating windows runs handlers (WM_SIZE, the application's row count, ...): null when one
    // of them freed this control.
    TObjectWatch alive(this);
    if (Parent()) Parent()->HandleNeeded(); // creating the parent's window creates ours too
    if (alive && !HandleAllocated()) CreateHandle();
    return alive ? WindowHandle() : nullptr;
}

void TWinControl::CreateHandle()
{
    if (FCreatingHandle) throw EInvalidOperation("Window of '" + Name() + "' requested while it is being created");
    TScopedMember<bool> creating(this, FCreatingHandle, true);
    TObjectWatch alive(this);
    CreateWnd();
    for (TControl* c : std::vector<TControl*>(FControls)) {
        if (!alive) return;
        if (!HasControl(c)) continue; // freed or moved away by a handler meanwhile
        if (auto* child = dynamic_cast<TWinControl*>(c); child && !child->HandleAllocated()) child->CreateHandle();
    }
}

void TWinControl::CreateParams(TCreateParams& Params)
{
    Params.Caption = Caption();
    Params.Style = WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
    Params.ExStyle = 0;
    if (Visible()) Params.Style |= WS_VISIBLE;
    if (!Enabled()) Params.Style |= WS_DISABLED;
    if (FTabStop) Params.Style |= WS_TABSTOP;
    if (FBorderStyle == bsSingle) {
        if (Ctl3D()) Params.ExStyle |= WS_EX_CLIENTEDGE;
        else Params.Style |= WS_BORDER;
    }
    Params.Bounds = BoundsRect();
    Params.Parent = Parent() ? Parent()->WindowHandle() : nullptr;
    Params.Background = ControlStyle.Contains(csOpaque) ? clNone : Color();
    Params.Target = this;
}

void TWinControl::CreateWnd()
{
    TCreateParams params;
    CreateParams(params);
    if ((params.Style & WS_CHILD) && !params.Parent)
        throw EInvalidOperation("Control '" + Name() + "' has no parent window");
    if (!CreateWindowEx(params)) throw EOutOfResources("Error creating window");
}

void TWinControl::DestroyWnd()
{
    DestroyWindow(WindowHandle());
}

void TWinControl::DestroyHandle()
{
    if (!HandleAllocated()) return;
    DestroyWnd();
}

void TWinControl::RecreateWnd()
{
    if (!HandleAllocated()) return;
    DestroyHandle();
    HandleNeeded();
}

void TWinControl::UpdateFrame()
{
    if (!HandleAllocated()) return;
    TCreateParams params;
    CreateParams(params);
    const DWORD frameStyles = WS_BORDER | WS_HSCROLL | WS_VSCROLL;
    const auto style = static_cast<DWORD>(GetWindowLong(WindowHandle(), GWL_STYLE));
    const auto exStyle = static_cast<DWORD>(GetWindowLong(WindowHandle(), GWL_EXSTYLE));
    SetWindowLong(WindowHandle(), GWL_STYLE, (style & ~frameStyles) | (params.Style & frameStyles));
    SetWindowLong(WindowHandle(), GWL_EXSTYLE, (exStyle & ~WS_EX_CLIENTEDGE) | (params.ExStyle & WS_EX_CLIENTEDGE));
    SetWindowPos(WindowHandle(), nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
    RedrawWindow(WindowHandle(), nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_ERASE);
}

void TWinControl::SetBorderStyle(TBorderStyle Value)
{
    if (Value == FBorderStyle) return;
    FBorderStyle = Value;
    UpdateFrame();
}

// ----- children -----------------------------------------------------------------------------

bool TWinControl::ContainsControl(const TControl* Control) const
{
    for (const TControl* c = Control; c; c = c->Parent())
        if (c == this) return true;
    return false;
}

void TWinControl::InsertControl(TControl* Control)
{
    Control->FParent = this;
    FControls.push_back(Control);
    auto* win = dynamic_cast<TWinControl*>(Control);
    if (win) FTabList.push_back(win);
    // A new child follows the parent's look where it asks to. Each step may run the child's
    // handlers (a new window sizes it), which may free the child or this control.
    TObjectWatch alive(this), childAlive(Control);
    const auto live = [&] { return alive && childAlive; };
    if (Control->ParentFont()) Control->Perform(CM_PARENTFONTCHANGED);
    if (live() && Control->ParentColor()) Control->Perform(CM_PARENTCOLORCHANGED);
    if (live() && Control->ParentCtl3D()) Control->Perform(CM_PARENTCTL3DCHANGED);
    if (live() && Control->ParentShowHint()) Control->Perform(CM_PARENTSHOWHINTCHANGED);
    if (live() && win && HandleAllocated()) win->HandleNeeded();
    if (live()) Control->Invalidate();
    if (alive) Realign();
}

void TWinControl::RemoveControl(TControl* Control)
{
    if (TCustomForm* form = GetParentForm(this)) form->ControlRemoved(Control);
    Control->Invalidate();
    if (auto* win = dynamic_cast<TWinControl*>(Control)) {
        TObjectWatch alive(this);
        win->DestroyHandle(); // focus leaves it: exit handlers run
        if (!alive) return;
        std::erase(FTabList, win);
    }
    std::erase(FControls, Control);
    Control->FParent = nullptr;
    if (!ComponentState.Contains(csDestroying)) Realign();
}

bool TWinControl::HasControl(const TControl* Control) const
{
    return std::find(FControls.begin(), FControls.end(), Control) != FControls.end();
}

void TWinControl::NotifyControls(UINT Msg)
{
    TObjectWatch alive(this);
    for (TControl* c : std::vector<TControl*>(FControls)) {
        if (!alive) return;
        if (HasControl(c)) c->Perform(Msg);
    }
}

void TWinControl::Realign()
{
    if (FAligning || ComponentState.Contains(csDestroying)) return;
    TRect r = ClientRect();
    TScopedMember<bool> aligning(this, FAligning, true);
    AlignControls(r);
}

void TWinControl::AlignControls(TRect& Rect)
{
    // A child's new size reaches its handlers, which may free it, a sibling or this control.
    TObjectWatch alive(this);
    for (TAlign align : {alTop, alBottom, alLeft, alRight, alClient}) {
        for (TControl* c : std::vector<TControl*>(FControls)) {
            if (!alive) return;
            if (!HasControl(c) || c->Align() != align || !c->Visible()) continue;
            switch (align) {
            case alTop:
                c->SetBounds(Rect.Left, Rect.Top, Rect.Width(), c->Height());
                Rect.Top += c->Height();
                break;
            case alBottom:
                c->SetBounds(Rect.Left, Rect.Bottom - c->Height(), Rect.Width(), c->Height());
                Rect.Bottom -= c->Height();
                break;
            case alLeft:
                c->SetBounds(Rect.Left, Rect.Top, c->Width(), Rect.Height());
                Rect.Left += c->Width();
                break;
            case alRight:
                c->SetBounds(Rect.Right - c->Width(), Rect.Top, c->Width(), Rect.Height());
                Rect.Right -= c->Width();
                break;
            default:
                c->SetBounds(Rect.Left, Rect.Top, Rect.Width(), Rect.Height());
                break;
            }
        }
    }
}

// ----- tab order and focus ------------------------------------------------------------------

void TWinControl::SetTabStop(bool Value)
{
    if (Value == FTabStop) return;
    FTabStop = Value;
    if (!HandleAllocated()) return;
    const auto style = static_cast<DWORD>(GetWindowLong(WindowHandle(), GWL_STYLE));
    SetWindowLong(WindowHandle(), GWL_STYLE, Value ? (style | WS_TABSTOP) : (style & ~WS_TABSTOP));
}

int TWinControl::TabOrder() const
{
    if (!Parent()) return -1;
    const auto& list = Parent()->FTabList;
    const auto it = std::find(list.begin(), list.end(), this);
    return it == list.end() ? -1 : static_cast<int>(it - list.begin());
}

void TWinControl::SetTabOrder(int Value)
{
    if (!Parent()) return;
    auto& list = Parent()->FTabList;
    std::erase(list, this);
    const int count = static_cast<int>(list.size());
    if (Value < 0 || Value > count) Value = count;
    list.insert(list.begin() + Value, this);
}

void TWinControl::GetTabOrderList(std::vector<TWinControl*>& List) const
{
    for (TWinControl* c : FTabList) {
        List.push_back(c);
        c->GetTabOrderList(List);
    }
}

TWinControl* TWinControl::FindNextControl(TWinControl* Current, bool GoForward, bool CheckTabStop) const
{
    std::vector<TWinControl*> list;
    GetTabOrderList(list);
    const int count = static_cast<int>(list.size());
    if (count == 0) return nullptr;
    const auto it = std::find(list.begin(), list.end(), Current);
    int index = it == list.end() ? (GoForward ? -1 : count) : static_cast<int>(it - list.begin());
    for (int step = 0; step < count; ++step) {
        index = GoForward ? (index + 1) % count : (index - 1 + count) % count;
        TWinControl* c = list[static_cast<std::size_t>(index)];
        if (c == Current) return nullptr;
        if ((!CheckTabStop || c->TabStop()) && c->CanFocus()) return c;
    }
    return nullptr;
}

void TWinControl::SelectNext(TWinControl* Current, bool GoForward, bool CheckTabStop)
{
    if (TWinControl* next = FindNextControl(Current, GoForward, CheckTabStop)) next->SetFocus();
}

bool TWinControl::CanFocus() const
{
    const TCustomForm* form = GetParentForm(this);
    if (!form) return false;
    for (const TControl* c = this; c && c != form; c = c->Parent())
        if (!c->Visible() || !c->Enabled()) return false;
    return true;
}

bool TWinControl::Focused() const
{
    return HandleAllocated() && GetFocus() == WindowHandle();
}

void TWinControl::SetFocus()
{
    if (TCustomForm* form = GetParentForm(this)) {
        form->FocusControl(this);
        return;
    }
    ::SetFocus(Handle());
}

// ----- painting and bounds ------------------------------------------------------------------

void TWinControl::Invalidate()
{
    if (HandleAllocated()) InvalidateRect(WindowHandle(), nullptr, !ControlStyle.Contains(csOpaque));
}

void TWinControl::Update()
{
    if (HandleAllocated()) UpdateWindow(WindowHandle());
}

void TWinControl::SetBounds(int ALeft, int ATop, int AWidth, int AHeight)
{
    TObjectWatch alive(this);
    TControl::SetBounds(ALeft, ATop, AWidth, AHeight);
    if (!alive) return;
    if (HandleAllocated()) {
        TRect r;
        GetWindowRect(WindowHandle(), r);
        const TRect bounds = BoundsRect();
        if (r.Width() != bounds.Width() || r.Height() != bounds.Height() || Parent() || r.Left != bounds.Left ||
            r.Top != bounds.Top)
            MoveWindow(WindowHandle(), Left(), Top(), Width(), Height(), true);
    }
    if (alive) Realign();
}

TRect TWinControl::ClientRect() const
{
    TRect r{0, 0, Width(), Height()};
    if (HandleAllocated()) GetClientRect(WindowHandle(), r);
    return r;
}

void TWinControl::PaintWindow(HDC) {}

void TWinControl::WMPaint(TWMPaint& Message)
{
    (void)Message;
    TPaintGuard paint(WindowHandle());
    if (paint.DC()) PaintWindow(paint.DC());
}

// The window's bounds as the parent sees them.
static TRect WindowBoundsInParent(HWND Wnd)
{
    TRect r;
    GetWindowRect(Wnd, r);
    HWND parent = GetParent(Wnd);
    if (!parent || !(GetWindowLong(Wnd, GWL_STYLE) & WS_CHILD)) return r;
    TPoint p{r.Left, r.Top};
    ScreenToClient(parent, p);
    return {p.X, p.Y, p.X + r.Width(), p.Y + r.Height()};
}

void TWinControl::WMSize(TWMSize& Message)
{
    DefaultHandler(Message.Message);
    // The window system may size a window itself (a top-level window resized by the user).
    const TRect r = WindowBoundsInParent(WindowHandle());
    FLeft = r.Left;
    FTop = r.Top;
    FWidth = r.Width();
    FHeight = r.Height();
    Realign();
}

void TWinControl::WMMove(TWMMove& Message)
{
    DefaultHandler(Message.Message);
    const TRect r = WindowBoundsInParent(WindowHandle());
    FLeft = r.Left;
    FTop = r.Top;
}

// ----- focus and keys -----------------------------------------------------------------------

void TWinControl::WMSetFocus(TWMSetFocus& Message)
{
    DefaultHandler(Message.Message);
    if (ComponentState.Contains(csDestroying)) return;
    if (TCustomForm* form = GetParentForm(this)) form->SetFocusedControl(this);
}

void TWinControl::WMKillFocus(TWMKillFocus& Message)
{
    DefaultHandler(Message.Message);
}

bool TWinControl::DoKeyDown(TWMKey& Message)
{
    WORD key = Message.CharCode();
    // An open popup menu takes every key.
    if (TPopupMenu* menu = TPopupMenu::Tracking()) return menu->TrackKey(key);
    if (ControlStyle.Contains(csNoStdEvents)) return false;
    const TShiftState shift = Message.Shift();
    TObjectWatch alive(this);
    // The form sees the key first (KeyPreview), then its shortcuts and accelerators are looked
    // up; any of them may free this control.
    if (TCustomForm* form = GetParentForm(this); form && form != this) {
        TObjectWatch formAlive(form);
        if (form->KeyPreview()) {
            form->KeyDown(key, shift);
            if (!alive || key == 0) return true;
        }
        if (formAlive && form->IsShortCut(key, shift)) return true;
        if (!alive) return true;
    } else if (form && form->IsShortCut(key, shift)) {
        return true;
    }
    if (!alive) return true;
    KeyDown(key, shift);
    if (!alive) return true;
    // The context-menu key and Shift+F10 open the control's menu under its top left corner.
    const bool menuKey = (key == VK_APPS && shift.Empty()) || (key == VK_F10 && shift == TShiftState{ssShift});
    if (menuKey && DoContextPopup(ClientToScreen({4, 4}))) return true;
    Message.SetCharCode(key);
    return key == 0;
}

void TWinControl::WMKeyDown(TWMKey& Message)
{
    TObjectWatch alive(this);
    if (!DoKeyDown(Message) && alive) DefaultHandler(Message.Message);
}

void TWinControl::WMSysKeyDown(TWMKey& Message)
{
    TObjectWatch alive(this);
    if (!DoKeyDown(Message) && alive) DefaultHandler(Message.Message);
}

void TWinControl::WMKeyUp(TWMKey& Message)
{
    if (!ControlStyle.Contains(csNoStdEvents)) {
        TObjectWatch alive(this);
        WORD key = Message.CharCode();
        if (TCustomForm* form = GetParentForm(this); form && form != this && form->KeyPreview()) {
            form->KeyUp(key, Message.Shift());
            if (!alive || key == 0) return;
        }
        KeyUp(key, Message.Shift());
        Message.SetCharCode(key);
        if (key == 0 || !alive) return;
    }
    DefaultHandler(Message.Message);
}

void TWinControl::WMChar(TWMKey& Message)
{
    // The keys of an open popup menu type nothing.
    if (MenuTracking()) return;
    // Keys are 8-bit: a character beyond reaches KeyPress as a stand-in and goes on whole when
    // the stand-in comes back unchanged.
    if (!ControlStyle.Contains(csNoStdEvents)) {
        TObjectWatch alive(this);
        const unsigned code = Message.CodePoint();
        const bool wide = code > 0xFF;
        char key = wide ? WideCharStandIn : static_cast<char>(code);
        if (!PreviewKeyPress(key)) return;
        KeyPress(key);
        if (key == 0 || !alive) return;
        if (!wide || key != WideCharStandIn) Message.SetCharCode(static_cast<unsigned char>(key));
    }
    DefaultHandler(Message.Message);
}

bool TWinControl::PreviewKeyPress(char& Key)
{
    TCustomForm* form = GetParentForm(this);
    if (!form || form == this || !form->KeyPreview()) return true;
    TObjectWatch alive(this);
    form->KeyPress(Key);
    return alive && Key != 0;
}

void TWinControl::KeyDown(WORD& Key, TShiftState Shift)
{
    if (OnKeyDown) OnKeyDown(this, Key, Shift);
}

void TWinControl::KeyUp(WORD& Key, TShiftState Shift)
{
    if (OnKeyUp) OnKeyUp(this, Key, Shift);
}

void TWinControl::KeyPress(char& Key)
{
    if (OnKeyPress) OnKeyPress(this, Key);
}

void TWinControl::DoEnter()
{
    if (OnEnter) OnEnter(this);
}

void TWinControl::DoExit()
{
    if (OnExit) OnExit(this);
}

void TWinControl::CMEnter(TMessage&)
{
    DoEnter();
}

void TWinControl::CMExit(TMessage&)
{
    DoExit();
}

// ----- property messages --------------------------------------------------------------------

void TWinControl::CMEnabledChanged(TMessage& Message)
{
    if (HandleAllocated()) EnableWindow(WindowHandle(), Enabled());
    TControl::CMEnabledChanged(Message);
}

void TWinControl::CMVisibleChanged(TMessage&)
{
    if (!HandleAllocated()) return;
    ShowWindow(WindowHandle(), Visible() ? SW_SHOWNA : SW_HIDE);
}

void TWinControl::CMFontChanged(TMessage& Message)
{
    TControl::CMFontChanged(Message);
    NotifyControls(CM_PARENTFONTCHANGED);
}

void TWinControl::CMColorChanged(TMessage& Message)
{
    if (HandleAllocated()) SetWindowBackground(WindowHandle(), ControlStyle.Contains(csOpaque) ? clNone : Color());
    TControl::CMColorChanged(Message);
    NotifyControls(CM_PARENTCOLORCHANGED);
}

void TWinControl::CMCtl3DChanged(TMessage& Message)
{
    TObjectWatch alive(this);
    UpdateFrame();
    if (!alive) return;
    TControl::CMCtl3DChanged(Message);
    NotifyControls(CM_PARENTCTL3DCHANGED);
}

void TWinControl::CMTextChanged(TMessage&)
{
    if (HandleAllocated()) SetWindowText(WindowHandle(), Caption());
}

// ----- TCustomControl -----------------------------------------------------------------------

TCustomControl::TCustomControl(TComponent* AOwner) : TWinControl(AOwner) {}

void TCustomControl::PaintWindow(HDC DC)
{
    TCanvas& canvas = DC->Canvas();
    canvas.SetFont(Font());
    canvas.Brush()->SetColor(Color());
    TScopedMember<TCanvas*> paintCanvas(this, FPaintCanvas, &canvas);
    Paint();
}
