#include "host/windows/Window.h"

#include "host/windows/WindowManager.h"

// The window loses its target before it is destroyed: no message reaches a half-destroyed object.
TMessageTarget::~TMessageTarget()
{
    if (!FWindowHandle) return;
    if (TWindowSystem* system = TWindowSystem::CurrentOrNull()) system->Manager().TargetDestroyed(this);
    FWindowHandle = nullptr;
}

void TMessageTarget::WndProc(TMessage& Message)
{
    Dispatch(Message);
}

LRESULT TMessageTarget::Perform(UINT Msg, WPARAM WParam, LPARAM LParam)
{
    TMessage m{Msg, WParam, LParam, 0};
    WndProc(m);
    return m.Result;
}

void TMessageTarget::DefaultHandler(TMessage& Message)
{
    Message.Result = DefWindowProc(FWindowHandle, Message);
}

// The one switch from message numbers to typed handlers.
void TMessageTarget::Dispatch(TMessage& Message)
{
    switch (Message.Msg) {
    case WM_CREATE: WMCreate(Message); return;
    case WM_DESTROY: WMDestroy(Message); return;
    case WM_CLOSE: WMClose(Message); return;
    case WM_PAINT: { TWMPaint m(Message); WMPaint(m); return; }
    case WM_ERASEBKGND: { TWMEraseBkgnd m(Message); WMEraseBkgnd(m); return; }
    case WM_SIZE: { TWMSize m(Message); WMSize(m); return; }
    case WM_MOVE: { TWMMove m(Message); WMMove(m); return; }
    case WM_SHOWWINDOW: WMShowWindow(Message); return;
    case WM_ENABLE: WMEnable(Message); return;
    case WM_ACTIVATE: { TWMActivate m(Message); WMActivate(m); return; }
    case WM_NCCALCSIZE: { TWMNCCalcSize m(Message); WMNCCalcSize(m); return; }
    case WM_NCPAINT: { TWMNCPaint m(Message); WMNCPaint(m); return; }
    case WM_NCHITTEST: { TWMNCHitMessage m(Message); WMNCHitTest(m); return; }
    case WM_NCLBUTTONDOWN: { TWMNCHitMessage m(Message); WMNCLButtonDown(m); return; }
    case WM_NCLBUTTONUP: { TWMNCHitMessage m(Message); WMNCLButtonUp(m); return; }
    case WM_NCLBUTTONDBLCLK: { TWMNCHitMessage m(Message); WMNCLButtonDblClk(m); return; }
    case WM_NCMOUSEMOVE: { TWMNCHitMessage m(Message); WMNCMouseMove(m); return; }
    case WM_SETFOCUS: { TWMSetFocus m(Message); WMSetFocus(m); return; }
    case WM_KILLFOCUS: { TWMKillFocus m(Message); WMKillFocus(m); return; }
    case WM_KEYDOWN: { TWMKey m(Message); WMKeyDown(m); return; }
    case WM_KEYUP: { TWMKey m(Message); WMKeyUp(m); return; }
    case WM_CHAR: { TWMKey m(Message); WMChar(m); return; }
    case WM_SYSKEYDOWN: { TWMKey m(Message); WMSysKeyDown(m); return; }
    case WM_SYSKEYUP: { TWMKey m(Message); WMSysKeyUp(m); return; }
    case WM_SYSCHAR: { TWMKey m(Message); WMSysChar(m); return; }
    case WM_GETDLGCODE: { TWMGetDlgCode m(Message); WMGetDlgCode(m); return; }
    case WM_MOUSEMOVE: { TWMMouse m(Message); WMMouseMove(m); return; }
    case WM_LBUTTONDOWN: { TWMMouse m(Message); WMLButtonDown(m); return; }
    case WM_LBUTTONUP: { TWMMouse m(Message); WMLButtonUp(m); return; }
    case WM_LBUTTONDBLCLK: { TWMMouse m(Message); WMLButtonDblClk(m); return; }
    case WM_RBUTTONDOWN: { TWMMouse m(Message); WMRButtonDown(m); return; }
    case WM_RBUTTONUP: { TWMMouse m(Message); WMRButtonUp(m); return; }
    case WM_RBUTTONDBLCLK: { TWMMouse m(Message); WMRButtonDblClk(m); return; }
    case WM_MBUTTONDOWN: { TWMMouse m(Message); WMMButtonDown(m); return; }
    case WM_MBUTTONUP: { TWMMouse m(Message); WMMButtonUp(m); return; }
    case WM_MBUTTONDBLCLK: { TWMMouse m(Message); WMMButtonDblClk(m); return; }
    case WM_MOUSEWHEEL: { TWMMouseWheel m(Message); WMMouseWheel(m); return; }
    case WM_VSCROLL: { TWMScroll m(Message); WMVScroll(m); return; }
    case WM_HSCROLL: { TWMScroll m(Message); WMHScroll(m); return; }
    case WM_TIMER: { TWMTimer m(Message); WMTimer(m); return; }
    case WM_COMMAND: { TWMCommand m(Message); WMCommand(m); return; }
    case WM_CANCELMODE: WMCancelMode(Message); return;
    case WM_CAPTURECHANGED: WMCaptureChanged(Message); return;
    case CM_MOUSEENTER: CMMouseEnter(Message); return;
    case CM_MOUSELEAVE: CMMouseLeave(Message); return;
    case CM_DIALOGKEY: { TCMDialogKey m(Message); CMDialogKey(m); return; }
    case CM_DIALOGCHAR: { TWMKey m(Message); CMDialogChar(m); return; }
    case CM_CANCELMODE: CMCancelMode(Message); return;
    case CM_ENTER: CMEnter(Message); return;
    case CM_EXIT: CMExit(Message); return;
    case CM_ENABLEDCHANGED: CMEnabledChanged(Message); return;
    case CM_VISIBLECHANGED: CMVisibleChanged(Message); return;
    case CM_FONTCHANGED: CMFontChanged(Message); return;
    case CM_PARENTFONTCHANGED: CMParentFontChanged(Message); return;
    case CM_COLORCHANGED: CMColorChanged(Message); return;
    case CM_PARENTCOLORCHANGED: CMParentColorChanged(Message); return;
    case CM_TEXTCHANGED: CMTextChanged(Message); return;
    case CM_CTL3DCHANGED: CMCtl3DChanged(Message); return;
    case CM_FOCUSCHANGED: CMFocusChanged(Message); return;
    case CM_SHOWINGCHANGED: CMShowingChanged(Message); return;
    case CM_DESIGNHITTEST: CMDesignHitTest(Message); return;
    case CM_WANTSPECIALKEY: { TWMKey m(Message); CMWantSpecialKey(m); return; }
    default: DefaultHandler(Message); return;
    }
}
