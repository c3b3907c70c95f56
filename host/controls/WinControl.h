#pragma once
// TWinControl: a control with a window of its own. It creates the window on demand (Handle),
// keeps its child controls and their tab order, takes the focus, and turns key, focus and paint
// messages into the virtual hooks and events descendants use. TCustomControl adds a canvas and
// the Paint hook.
#include <vector>

#include "host/controls/Control.h"
#include "host/graphics/Canvas.h"

class TCustomForm;

class TWinControl : public TControl {
public:
    explicit TWinControl(TComponent* AOwner);
    ~TWinControl() override;

    // The window, created with the parent's window when it does not exist yet.
    HWND Handle();
    bool HandleAllocated() const { return WindowHandle() != nullptr; }
    void HandleNeeded() { (void)Handle(); }
    // Destroys the window (and the child windows); the control keeps its state.
    void DestroyHandle();
    // Creates the window again, with parameters reflecting the current properties.
    void RecreateWnd();

    int ControlCount() const { return static_cast<int>(FControls.size()); }
    TControl* Controls(int Index) const { return FControls.at(static_cast<std::size_t>(Index)); }
    bool ContainsControl(const TControl* Control) const;
    // Control is one of this control's direct children (compares pointers only, so it may be
    // asked about a control that has been freed).
    bool HasControl(const TControl* Control) const;

    bool TabStop() const { return FTabStop; }
    void SetTabStop(bool Value);
    // Position in the parent's tab order, -1 without a parent.
    int TabOrder() const;
    void SetTabOrder(int Value);
    // Every focusable descendant, depth first, each level in tab order.
    void GetTabOrderList(std::vector<TWinControl*>& List) const;
    // The next (or previous) control after Current in tab order among this control's
    // descendants, wrapping around; null when none qualifies.
    TWinControl* FindNextControl(TWinControl* Current, bool GoForward, bool CheckTabStop) const;
    void SelectNext(TWinControl* Current, bool GoForward, bool CheckTabStop);

    TBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TBorderStyle Value);

    // Visible and enabled up to its form, so that SetFocus may give it the focus.
    virtual bool CanFocus() const;
    bool Focused() const;
    virtual void SetFocus();

    void Invalidate() override;
    void Update() override;
    void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
    TRect ClientRect() const override;

    // Dispatch methods of the key and focus events.
    virtual void KeyDown(WORD& Key, TShiftState Shift);
    virtual void KeyUp(WORD& Key, TShiftState Shift);
    virtual void KeyPress(char& Key);
    virtual void DoEnter();
    virtual void DoExit();

    TKeyEvent OnKeyDown;
    TKeyEvent OnKeyUp;
    TKeyPressEvent OnKeyPress;
    TNotifyEvent OnEnter;
    TNotifyEvent OnExit;

protected:
    friend class TControl;
    friend class TCustomForm;

    virtual void CreateParams(TCreateParams& Params);
    // Makes the window from CreateParams; descendants extend it after the inherited call.
    virtual void CreateWnd();
    virtual void DestroyWnd();
    // Paints the client area into the device context of a WM_PAINT.
    virtual void PaintWindow(HDC DC);
    // Places the aligned child controls inside Rect (client coordinates).
    virtual void AlignControls(TRect& Rect);
    void Realign();
    // Sends Msg to every child control.
    void NotifyControls(UINT Msg);
    void InsertControl(TControl* Control);
    void RemoveControl(TControl* Control);
    // The style bits the border, the 3D look and the visibility call for.
    void UpdateFrame();

    void WMPaint(TWMPaint& Message) override;
    void WMSize(TWMSize& Message) override;
    void WMMove(TWMMove& Message) override;
    void WMSetFocus(TWMSetFocus& Message) override;
    void WMKillFocus(TWMKillFocus& Message) override;
    void WMKeyDown(TWMKey& Message) override;
    void WMKeyUp(TWMKey& Message) override;
    void WMChar(TWMKey& Message) override;
    void WMSysKeyDown(TWMKey& Message) override;
    void CMEnabledChanged(TMessage& Message) override;
    void CMVisibleChanged(TMessage& Message) override;
    void CMFontChanged(TMessage& Message) override;
    void CMColorChanged(TMessage& Message) override;
    void CMCtl3DChanged(TMessage& Message) override;
    void CMEnter(TMessage& Message) override;
    void CMExit(TMessage& Message) override;
    void CMTextChanged(TMessage& Message) override;

    // Offers a typed character to the form first when it previews keys; false when the form
    // used it up (or a handler freed this control).
    bool PreviewKeyPress(char& Key);

private:
    bool DoKeyDown(TWMKey& Message);

    // Creates the window and then the windows of the child controls.
    void CreateHandle();

    std::vector<TControl*> FControls;    // bottom of the z-order first
    std::vector<TWinControl*> FTabList;  // windowed children in tab order
    bool FTabStop = false;
    TBorderStyle FBorderStyle = bsNone;
    bool FCreatingHandle = false;
    bool FAligning = false;
};

// A windowed control that paints itself on a canvas.
class TCustomControl : public TWinControl {
public:
    explicit TCustomControl(TComponent* AOwner);

    // The canvas of the paint in progress; outside a paint a canvas that only measures text.
    TCanvas* Canvas() { return FPaintCanvas ? FPaintCanvas : &FMeasureCanvas; }

protected:
    // Paints the client area on Canvas; the canvas starts with the control's font and colour.
    virtual void Paint() {}
    void PaintWindow(HDC DC) override;

private:
    TCanvas FMeasureCanvas;
    TCanvas* FPaintCanvas = nullptr;
};

// The form a control sits on (its top-level parent when that is a form), or null.
TCustomForm* GetParentForm(const TControl* Control);
