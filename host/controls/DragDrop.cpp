#include "host/controls/DragDrop.h"

#include <cstdlib>

#include "host/controls/Control.h"
#include "host/controls/WinControl.h"
#include "host/windows/Input.h"

bool PastDragThreshold(TPoint From, TPoint To, int Threshold)
{
    return std::abs(static_cast<long long>(To.X) - From.X) > Threshold ||
           std::abs(static_cast<long long>(To.Y) - From.Y) > Threshold;
}

TDragObject::TDragObject(TControl* Source, TPoint StartPos, int Threshold)
    : FSource(Source), FStartPos(StartPos), FThreshold(Threshold < 0 ? DragThreshold : Threshold),
      FLastPos(StartPos)
{
}

void TDragObject::Start()
{
    if (FStarted) return;
    FStarted = true;
    FSource->DoStartDrag();
}

TControl* TDragObject::TargetAt(TPoint ScreenPos) const
{
    // The deepest control under the point: a windowed control, or a control without a window
    // that lies inside it.
    auto* win = dynamic_cast<TWinControl*>(GetWindowTarget(WindowFromPoint(ScreenPos)));
    if (!win) return nullptr;
    const TPoint p = win->ScreenToClient(ScreenPos);
    for (int i = win->ControlCount() - 1; i >= 0; --i) {
        TControl* c = win->Controls(i);
        if (!dynamic_cast<TWinControl*>(c) && c->Visible() && c->BoundsRect().Contains(p)) return c;
    }
    return win;
}

TControl* TDragObject::CurrentTarget() const
{
    auto* win = FTargetWnd ? dynamic_cast<TWinControl*>(GetWindowTarget(FTargetWnd)) : nullptr;
    if (!win || FTarget == win) return win;
    for (int i = 0; i < win->ControlCount(); ++i)
        if (win->Controls(i) == FTarget) return FTarget;
    return nullptr;
}

static HWND WindowOf(TControl* Control)
{
    if (Control->WindowHandle()) return Control->WindowHandle();
    return Control->Parent() ? Control->Parent()->WindowHandle() : nullptr;
}

// The drag belongs to its source: a handler that frees the source frees the drag too.
bool TDragObject::MoveTo(TPoint ScreenPos)
{
    FLastPos = ScreenPos;
    TObjectWatch sourceAlive(FSource);
    if (!FStarted) {
        if (!PastDragThreshold(FStartPos, ScreenPos, FThreshold)) return true;
        Start();
        if (!sourceAlive) return false;
    }
    TControl* target = TargetAt(ScreenPos);
    TControl* old = CurrentTarget(); // null once it has been left
    if (old && old != target) {
        bool accept = false;
        const TPoint p = old->ScreenToClient(ScreenPos);
        old->DragOver(FSource, p.X, p.Y, dsDragLeave, accept);
        if (!sourceAlive) return false;
        // The handler may have freed or moved the control under the pointer.
        target = TargetAt(ScreenPos);
        old = nullptr;
    }
    FTargetWnd = target ? WindowOf(target) : nullptr;
    FTarget = target;
    FAccepted = false;
    if (!target) return true;
    const TPoint p = target->ScreenToClient(ScreenPos);
    bool accept = false;
    target->DragOver(FSource, p.X, p.Y, old == target ? dsDragMove : dsDragEnter, accept);
    if (!sourceAlive) return false;
    FAccepted = accept;
    return true;
}

bool TDragObject::HandleMessage(TMessage& Message)
{
    switch (Message.Msg) {
    case WM_MOUSEMOVE: {
        TWMMouse m(Message);
        MoveTo(FSource->ClientToScreen(m.Pos()));
        return true;
    }
    case WM_LBUTTONUP: {
        // A press that never became a drag is an ordinary click.
        const bool started = FStarted;
        const TPoint pos = FSource->ClientToScreen(TWMMouse(Message).Pos());
        if (started && !(pos == FLastPos) && !MoveTo(pos)) return true;
        Finish(started);
        return started;
    }
    case WM_KEYDOWN:
        if (TWMKey(Message).CharCode() != VK_ESCAPE) return false;
        Finish(false);
        return true;
    case WM_CANCELMODE:
    case WM_CAPTURECHANGED:
        Finish(false);
        return false;
    default:
        return false;
    }
}

void TDragObject::Finish(bool Drop)
{
    // Leaves the source without a drag first, so that the events below may start another one;
    // this object lives until the end of the call.
    std::unique_ptr<TDragObject> self = std::move(FSource->FDrag);
    TControl* source = FSource;
    if (GetCapture() && GetCapture() == WindowOf(source)) ReleaseCapture();
    if (!FStarted) return;
    // A drop handler may free the source (a waste bin): its destructor then clears FSource.
    TDragObject* const outer = source->FEndingDrag;
    source->FEndingDrag = this;
    struct TRelease {
        TDragObject* Drag;
        TDragObject* Outer;
        ~TRelease()
        {
            if (Drag->FSource) Drag->FSource->FEndingDrag = Outer;
        }
    } release{this, outer};
    TControl* target = CurrentTarget();
    const TPoint pos = FLastPos;
    if (target && !(Drop && FAccepted)) {
        bool accept = false;
        const TPoint p = target->ScreenToClient(pos);
        target->DragOver(source, p.X, p.Y, dsDragLeave, accept);
        target = CurrentTarget();
    }
    if (Drop && FAccepted && target && FSource) {
        const TPoint p = target->ScreenToClient(pos);
        target->DragDrop(source, p.X, p.Y);
        target = CurrentTarget();
    } else {
        target = nullptr;
    }
    if (!FSource) return;
    const TPoint p = source->ScreenToClient(pos);
    source->DoEndDrag(target, p.X, p.Y);
}

// ----- the drag side of TControl ------------------------------------------------------------

void TControl::BeginDrag(bool Immediate, int Threshold)
{
    if (FDrag || !WindowOf(this)) return;
    // Whatever the control was tracking with the mouse (a selection, a column drag) ends here:
    // the drag takes the mouse until the button is released.
    TObjectWatch alive(this);
    Perform(CM_CANCELMODE);
    if (!alive || FDrag || !WindowOf(this)) return;
    TPoint pos;
    GetCursorPos(pos);
    FDrag = std::make_unique<TDragObject>(this, pos, Threshold);
    if (GetCapture() != WindowOf(this)) SetCapture(WindowOf(this));
    if (alive && Immediate && FDrag) FDrag->Start();
}

void TControl::EndDrag(bool Drop)
{
    if (FDrag) FDrag->Finish(Drop);
}

bool TControl::Dragging() const
{
    return FDrag && FDrag->Started();
}

void TControl::DragOver(TObject* Source, int X, int Y, TDragState State, bool& Accept)
{
    Accept = false;
    if (!OnDragOver) return;
    Accept = true;
    OnDragOver(this, Source, X, Y, State, Accept);
}

void TControl::DragDrop(TObject* Source, int X, int Y)
{
    if (OnDragDrop) OnDragDrop(this, Source, X, Y);
}

void TControl::DoStartDrag()
{
    if (OnStartDrag) OnStartDrag(this);
}

void TControl::DoEndDrag(TObject* Target, int X, int Y)
{
    if (OnEndDrag) OnEndDrag(this, Target, X, Y);
}
