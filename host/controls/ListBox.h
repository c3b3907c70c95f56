#pragma once
// TListBox: a list of lines, one of which may be selected, with a vertical scroll bar when the
// lines outgrow it. The arrows, Page Up and Down, Home and End move the selection; a click
// selects the line under the pointer. OnClick follows every selection the user makes.
#include "host/controls/WinControl.h"
#include "host/core/Strings.h"

class TListBox : public TCustomControl {
public:
    explicit TListBox(TComponent* AOwner);

    TStrings* Items() { return &FItems; }
    void SetItems(TStrings* Value) { FItems.Assign(Value); }
    int Count() const { return FItems.Count(); }
    // The selected line, -1 for none; setting it scrolls it into view.
    int ItemIndex() const { return FItemIndex; }
    void SetItemIndex(int Value);
    int TopIndex() const { return FTopIndex; }
    void SetTopIndex(int Value);
    int ItemHeight();
    // Lines that fit the client area (at least one).
    int VisibleRows();
    int ItemAtPos(TPoint P);
    TRect ItemRect(int Index);

protected:
    void CreateWnd() override;
    void Paint() override;
    void KeyDown(WORD& Key, TShiftState Shift) override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void BoundsChanged() override;
    void CMFontChanged(TMessage& Message) override;
    void WMGetDlgCode(TWMGetDlgCode& Message) override;
    void WMVScroll(TWMScroll& Message) override;
    void WMMouseWheel(TWMMouseWheel& Message) override;
    void WMSetFocus(TWMSetFocus& Message) override;
    void WMKillFocus(TWMKillFocus& Message) override;
    void CreateParams(TCreateParams& Params) override;

private:
    void ItemsChanged();
    void UpdateScrollBar();
    void KeepInView();
    // The user picked Index: select it and tell OnClick.
    void UserSelect(int Index);

    TStringList FItems;
    int FItemIndex = -1;
    int FTopIndex = 0;
};
