#pragma once
// TPopupList: the list an in-place editor drops down, a popup window of its own that never takes
// the focus (the editor keeps it and steers the list with its keys). It shows plain lines (a pick
// list) or lines with check boxes (a check list), tracks the line under the pointer, scrolls when
// it holds more lines than rows, and reports a chosen line or a toggled box to its editor. The
// window system closes it when the user presses a button outside it and tells the owner window
// with CM_POPUPCLOSED.
#include <functional>
#include <string>
#include <vector>

#include "host/controls/WinControl.h"
#include "host/core/Strings.h"

class TPopupList : public TCustomControl {
public:
    explicit TPopupList(TComponent* AOwner);

    TStringList* Items() { return &FItems; }
    int Count() const { return FItems.Count(); }
    bool CheckBoxes() const { return FCheckBoxes; }
    void SetCheckBoxes(bool Value);
    bool Checked(int Index) const;
    void SetChecked(int Index, bool Value);
    // The highlighted line, -1 for none; setting it scrolls it into view.
    int ItemIndex() const { return FItemIndex; }
    void SetItemIndex(int Value);
    int TopIndex() const { return FTopIndex; }
    int ItemHeight();
    // Line under a point of the client area, -1 for none.
    int ItemAtPos(TPoint P);
    // The screen rectangle of the client line Index (for tests and for the owner's hit tests).
    TRect ItemRect(int Index);

    // Shows the list with Rows lines visible at ScreenRect (its whole window), owned by OwnerWnd.
    void Popup(HWND OwnerWnd, const TRect& ScreenRect, int Rows);
    void CloseList();
    bool IsOpen() const;

    // A line was clicked (pick list) or its box toggled (check list).
    std::function<void(int Index)> OnChoose;
    std::function<void(int Index)> OnToggle;

protected:
    void CreateParams(TCreateParams& Params) override;
    void Paint() override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void WMVScroll(TWMScroll& Message) override;
    void WMMouseWheel(TWMMouseWheel& Message) override;

private:
    void SetTopIndex(int Value);
    void UpdateScrollBar();
    void DrawCheckBox(const TRect& Box, bool Checked);

    TStringList FItems;
    std::vector<bool> FChecks;
    bool FCheckBoxes = false;
    int FItemIndex = -1;
    int FTopIndex = 0;
    int FRows = 1;
    HWND FOwnerWnd = nullptr;
    // The press began on a line: its release over a line chooses it.
    bool FTracking = false;
};
