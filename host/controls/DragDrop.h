#pragma once
// A drag-and-drop operation with a control as its source. The source holds the mouse until the
// button is released: moves ask the control under the pointer whether it accepts the source
// (DragOver), the release drops on the last control that accepted (DragDrop) and ends the drag at
// the source (EndDrag). Escape or a lost capture cancel it.
#include "host/core/Types.h"
#include "host/windows/Window.h"

class TControl;

// The usual drag threshold: a press becomes a drag once the pointer is more than this many
// pixels away from it on either axis; nearer, the press stays a click.
constexpr int DragThreshold = 5;
bool PastDragThreshold(TPoint From, TPoint To, int Threshold = DragThreshold);

class TDragObject {
public:
    TDragObject(TControl* Source, TPoint StartPos, int Threshold);

    bool Started() const { return FStarted; }
    void Start();
    // Handles a message that arrived at the source; true when the drag used it up.
    bool HandleMessage(TMessage& Message);
    // Ends the drag: dropping on the accepting target (Drop) or cancelling.
    void Finish(bool Drop);
    // The source's destructor calls this while Finish runs its events: no event reaches the
    // freed source afterwards.
    void SourceDestroyed() { FSource = nullptr; }

private:
    // False when a handler freed the source, and with it this drag.
    bool MoveTo(TPoint ScreenPos);
    TControl* TargetAt(TPoint ScreenPos) const;
    TControl* CurrentTarget() const;

    TControl* FSource;
    TPoint FStartPos;
    int FThreshold;
    bool FStarted = false;
    // Kept as a window, looked up again after every event: a handler may free the target. A
    // target without a window of its own is FTarget, found again among that window's children.
    HWND FTargetWnd = nullptr;
    TControl* FTarget = nullptr;
    bool FAccepted = false;
    TPoint FLastPos;
};
