#pragma once
// TControl: the base of every visual control. It holds what a control is on its parent (bounds,
// alignment, visibility, enabled state, colour, font, 3D look, hints, drag settings), raises the
// mouse and drag events, and reports changes through the host's control messages (CM_...), which
// reach the control through the one dispatcher of its message target.
#include <memory>
#include <string>

#include "host/controls/ControlTypes.h"
#include "host/core/ObjectWatch.h"
#include "host/core/Types.h"
#include "host/graphics/Color.h"
#include "host/graphics/Font.h"
#include "host/windows/Window.h"

class TPopupMenu;
class TDragObject;

class TControl : public TComponent, public TMessageTarget {
public:
    explicit TControl(TComponent* AOwner);
    ~TControl() override;

    TWinControl* Parent() const { return FParent; }
    virtual void SetParent(TWinControl* AParent);
    // A control read inside a windowed control of a form is placed on it.
    void SetParentComponent(TComponent* Value) override;

    int Left() const { return FLeft; }
    int Top() const { return FTop; }
    int Width() const { return FWidth; }
    int Height() const { return FHeight; }
    TRect BoundsRect() const { return {FLeft, FTop, FLeft + FWidth, FTop + FHeight}; }
    void SetLeft(int Value) { SetBounds(Value, FTop, FWidth, FHeight); }
    void SetTop(int Value) { SetBounds(FLeft, Value, FWidth, FHeight); }
    void SetWidth(int Value) { SetBounds(FLeft, FTop, Value, FHeight); }
    void SetHeight(int Value) { SetBounds(FLeft, FTop, FWidth, Value); }
    virtual void SetBounds(int ALeft, int ATop, int AWidth, int AHeight);
    // The drawing area in the control's own coordinates.
    virtual TRect ClientRect() const { return {0, 0, FWidth, FHeight}; }
    int ClientWidth() const { return ClientRect().Width(); }
    int ClientHeight() const { return ClientRect().Height(); }
    TPoint ClientToScreen(TPoint P) const;
    TPoint ScreenToClient(TPoint P) const;

    TAlign Align() const { return FAlign; }
    void SetAlign(TAlign Value);

    TColor Color() const { return FColor; }
    void SetColor(TColor Value);
    bool ParentColor() const { return FParentColor; }
    void SetParentColor(bool Value);
    TFont* Font() const { return FFont.get(); }
    void SetFont(TFont* Value) { FFont->Assign(Value); }
    bool ParentFont() const { return FParentFont; }
    void SetParentFont(bool Value);
    bool Ctl3D() const { return FCtl3D; }
    void SetCtl3D(bool Value);
    bool ParentCtl3D() const { return FParentCtl3D; }
    void SetParentCtl3D(bool Value);
    bool ShowHint() const { return FShowHint; }
    void SetShowHint(bool Value);
    bool ParentShowHint() const { return FParentShowHint; }
    void SetParentShowHint(bool Value);
    const std::string& Hint() const { return FHint; }
    void SetHint(const std::string& Value) { FHint = Value; }
    const std::string& Caption() const { return FCaption; }
    void SetCaption(const std::string& Value);

    bool Enabled() const { return FEnabled; }
    virtual void SetEnabled(bool Value);
    bool Visible() const { return FVisible; }
    void SetVisible(bool Value);
    void Show() { SetVisible(true); }
    void Hide() { SetVisible(false); }
    // Visible here and in every parent.
    bool Showing() const;

    TControlStyle ControlStyle;
    TDragMode DragMode() const { return FDragMode; }
    void SetDragMode(TDragMode Value) { FDragMode = Value; }
    TCursor DragCursor() const { return FDragCursor; }
    void SetDragCursor(TCursor Value) { FDragCursor = Value; }
    // The menu a right click or the context-menu key opens; null once the menu is freed.
    TPopupMenu* PopupMenu() const { return FPopupMenu.Get(); }
    void SetPopupMenu(TPopupMenu* Value);
    // Opens PopupMenu at a screen point (a right click, the context-menu key); false when the
    // control has no menu that opens by itself.
    virtual bool DoContextPopup(TPoint ScreenPos);
    // The pointer shape over the control.
    TCursor Cursor() const { return FCursor; }
    void SetCursor(TCursor Value) { FCursor = Value; }
    // The help topic of the control, 0 for its parent's.
    int HelpContext() const { return FHelpContext; }
    void SetHelpContext(int Value) { FHelpContext = Value; }

    // Repaints the control's area (or nothing when it cannot be shown).
    virtual void Invalidate();
    // Paints what is invalid now.
    virtual void Update();
    void Repaint() { Invalidate(); Update(); }
    void BringToFront();

    // Drag and drop. Immediate starts at once; otherwise after the mouse moved Threshold pixels
    // (a negative threshold takes the system's 5).
    void BeginDrag(bool Immediate, int Threshold = -1);
    void EndDrag(bool Drop);
    bool Dragging() const;

    // Dispatch methods of the events.
    virtual void Click();
    virtual void DblClick();
    virtual void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y);
    virtual void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y);
    virtual void MouseMove(TShiftState Shift, int X, int Y);
    virtual void DragOver(TObject* Source, int X, int Y, TDragState State, bool& Accept);
    virtual void DragDrop(TObject* Source, int X, int Y);
    virtual void DoStartDrag();
    virtual void DoEndDrag(TObject* Target, int X, int Y);

    TNotifyEvent OnClick;
    TNotifyEvent OnDblClick;
    TMouseEvent OnMouseDown;
    TMouseEvent OnMouseUp;
    TMouseMoveEvent OnMouseMove;
    TDragOverEvent OnDragOver;
    TDragDropEvent OnDragDrop;
    TStartDragEvent OnStartDrag;
    TEndDragEvent OnEndDrag;

    void WndProc(TMessage& Message) override;
    void Dispatch(TMessage& Message) override;

protected:
    // Called after the bounds changed, before the parent realigns.
    virtual void BoundsChanged() {}
    // The control's font changed (not from its parent): it no longer follows the parent font.
    virtual void FontChanged();
    // Lets the parent put aligned controls in place again.
    void RequestAlign();

    void WMLButtonDown(TWMMouse& Message) override;
    void WMLButtonUp(TWMMouse& Message) override;
    void WMLButtonDblClk(TWMMouse& Message) override;
    void WMRButtonDown(TWMMouse& Message) override;
    void WMRButtonUp(TWMMouse& Message) override;
    void WMMouseMove(TWMMouse& Message) override;
    void CMEnabledChanged(TMessage& Message) override;
    void CMVisibleChanged(TMessage& Message) override;
    void CMFontChanged(TMessage& Message) override;
    void CMParentFontChanged(TMessage& Message) override;
    void CMColorChanged(TMessage& Message) override;
    void CMParentColorChanged(TMessage& Message) override;
    void CMCtl3DChanged(TMessage& Message) override;
    // The parent's 3D look changed: follow it when ParentCtl3D.
    virtual void CMParentCtl3DChanged(TMessage& Message);
    virtual void CMParentShowHintChanged(TMessage& Message);

private:
    friend class TWinControl;
    friend class TCustomForm;
    friend class TDragObject;
    void DoMouseDown(TWMMouse& Message, TMouseButton Button, TShiftState Shift);
    void DoMouseUp(TWMMouse& Message, TMouseButton Button);
    void SetParentFlag(bool& Flag, bool Value, UINT Notice);

    TWinControl* FParent = nullptr;
    int FLeft = 0;
    int FTop = 0;
    int FWidth = 0;
    int FHeight = 0;
    TAlign FAlign = alNone;
    TColor FColor = clWindow;
    bool FParentColor = true;
    std::unique_ptr<TFont> FFont;
    bool FParentFont = true;
    bool FCtl3D = true;
    bool FParentCtl3D = true;
    bool FShowHint = false;
    bool FParentShowHint = true;
    std::string FHint;
    std::string FCaption;
    bool FEnabled = true;
    bool FVisible = true;
    TDragMode FDragMode = dmManual;
    TCursor FDragCursor = crDrag;
    TWatchedPtr<TPopupMenu> FPopupMenu;
    TCursor FCursor = crDefault;
    int FHelpContext = 0;
    bool FClicked = false;
    // The drag this control is the source of, while one runs.
    std::unique_ptr<TDragObject> FDrag;
    // The drag that is running its closing events with this control as the source.
    TDragObject* FEndingDrag = nullptr;
    // Set while the parent's font is copied in, so that the copy keeps ParentFont.
    bool FFontFromParent = false;
};
