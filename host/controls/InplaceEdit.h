#pragma once
// TInplaceEdit: the one-line editor a grid places over its current cell. It edits UTF-8 text
// with a caret and a selection, hands navigation keys to the grid, asks the grid which keys it
// may take (CanEditAcceptKey, CanEditModify), and tells its parent about every change with
// WM_COMMAND/EN_CHANGE, as an edit control does.
#include <algorithm>
#include <cstdlib>
#include <string>

#include "host/controls/WinControl.h"

class TCustomGrid;

class TInplaceEdit : public TCustomControl {
public:
    explicit TInplaceEdit(TComponent* AOwner);

    TCustomGrid* Grid() const { return FGrid; }
    void SetGrid(TCustomGrid* Value) { FGrid = Value; }

    const std::string& Text() const { return FText; }
    // Replaces the text without a change notification; the caret goes to the end.
    void SetText(const std::string& Value);
    // Byte offsets into the UTF-8 text.
    int SelStart() const { return std::min(FSelStart, FCaret); }
    int SelLength() const { return std::abs(FCaret - FSelStart); }
    void SelectAll();
    void Deselect();

    // Places the editor over Loc (grid client coordinates) and shows it; it takes the focus when
    // the grid has it.
    void Move(const TRect& Loc);
    // Moves the editor without showing it or changing the focus.
    void UpdateLoc(const TRect& Loc);
    // Hides the window (the control stays Visible); the focus goes back to the grid.
    void Hide();
    bool IsShown() const;
    // Loads the text of the grid's current cell.
    virtual void UpdateContents();

protected:
    void CreateParams(TCreateParams& Params) override;
    void Paint() override;
    void KeyDown(WORD& Key, TShiftState Shift) override;
    void KeyPress(char& Key) override;
    void DblClick() override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;

    void WMKeyDown(TWMKey& Message) override;
    void WMChar(TWMKey& Message) override;
    void WMGetDlgCode(TWMGetDlgCode& Message) override;
    void WMSetFocus(TWMSetFocus& Message) override;
    void WMKillFocus(TWMKillFocus& Message) override;

    // Replaces the selection with Text (empty: deletes it) and reports the change.
    void ReplaceSelection(const std::string& Text);
    void Changed();

private:
    void MoveCaret(int Pos, bool Extend);
    int CaretFromX(int X);
    int TextLeft() const { return 2; }

    TCustomGrid* FGrid = nullptr;
    std::string FText;
    int FCaret = 0;    // byte offset of the caret
    int FSelStart = 0; // the other end of the selection
    int FScrollX = 0;  // pixels of text scrolled out on the left
};
