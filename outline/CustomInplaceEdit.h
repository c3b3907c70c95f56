#pragma once
// TCustomInplaceEdit: the one-line editor an owner (a grid, a tree) places over a cell. It edits
// UTF-8 text with a caret and a selection (keyboard, mouse, word steps, horizontal scrolling),
// reports every change to its parent with WM_COMMAND/EN_CHANGE, and shows one of four edit
// styles: no button, an ellipsis button, a drop-down pick list or a drop-down check list.
//
// Keys: the editor keeps what editing text needs (characters, Backspace, Delete, Left, Right,
// Home, End with Shift and Ctrl, Ctrl+A/C/X/V, the modifier keys alone, and Up, Down, Enter,
// Escape, Space while its list is open; Alt+Down opens and closes the list). Everything else goes to the owner through the
// parent hooks, and so do Left and Right at the ends of the text with nothing selected, so that
// the arrows leave the cell. A character the owner posts (no key data) is typed without being
// passed back. Loading text raises no change notification.
//
// Descendants answer the owner's questions through the protected hooks (TOutInplaceEdit turns
// them into callbacks).
#include <memory>
#include <string>

#include "host/controls/WinControl.h"
#include "host/core/Strings.h"
#include "outline/EditStyle.h"
#include "host/controls/PrefixWidths.h"

class TPopupList;

class TCustomInplaceEdit : public TCustomControl {
public:
    explicit TCustomInplaceEdit(TComponent* AOwner);
    ~TCustomInplaceEdit() override;

    // The owner the editor works for; the focus goes back to it when the editor hides.
    TWinControl* Grid() const { return FGrid; }
    void SetGrid(TWinControl* Value) { FGrid = Value; }

    const std::string& Text() const { return FText; }
    // Loads Value without a change notification; nothing is selected, the caret is at the end.
    void SetText(const std::string& Value);
    // Byte offsets into the UTF-8 text; the caret is the moving end of the selection.
    int SelStart() const;
    int SelLength() const;
    std::string SelText() const;
    int CaretPos() const { return FCaret; }
    void SetSel(int Anchor, int Caret);
    void SelectAll();
    void Deselect();
    // Pixels of text scrolled out on the left.
    int ScrollX() const { return FScrollX; }
    // Where a text that fits lies in the box: at its left, ending where a right-aligned cell's
    // text ends, or centred. A text wider than the box scrolls as a left-aligned one.
    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment Value);

    TEditStyle EditStyle() const { return FEditStyle; }
    void SetEditStyle(TEditStyle Value);
    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool Value) { FReadOnly = Value; }
    TStringList* PickList() { return &FPickList; }
    int DropDownRows() const { return FDropDownRows; }
    void SetDropDownRows(int Value);
    // Always shown: the editor stays visible when the focus leaves it.
    bool AlwaysShow() const { return FAlwaysShow; }
    void SetAlwaysShow(bool Value) { FAlwaysShow = Value; }
    // When the owner last took a press under the editor; a press on the editor within the
    // double-click time after it is the second half of a double click.
    DWORD ClickTime() const { return FClickTime; }
    void SetClickTime(DWORD Value) { FClickTime = Value; }

    // Places the editor over Loc (the parent's client coordinates) and shows it; it takes the
    // focus when its owner has it. An empty Loc hides it.
    void Move(const TRect& Loc);
    // Moves the editor without showing it.
    void UpdateLoc(const TRect& Loc);
    // Hides the window; the focus goes back to the owner.
    void Hide();
    bool IsShown() const;
    // The content refresh: reloads text, style, pick list and read-only state.
    virtual void UpdateContents() {}

    // The drop-down list: opens it (list styles with lines only), closes it (Accept takes the
    // highlighted line of a pick list), and closes it for a cancel-mode request.
    void DropDown();
    void CloseUp(bool Accept);
    void CancelMode(TObject* Sender);
    bool ListVisible() const;
    TPopupList* List() const { return FList; }
    // The button's rectangle in client coordinates (empty for esNoButton).
    TRect ButtonRect() const;

    // Set by the owner: true after it committed the text, cleared by the next change.
    bool FSkipTextUpdate = false;

    static constexpr int ButtonWidth = 16;

protected:
    // The owner's side. The parent hooks answer true when an owner took the event.
    virtual void ValidateEdit(const std::string& NewVal, bool& Cancel) { (void)NewVal, (void)Cancel; }
    virtual void EditButtonClick() {}
    virtual void RequestHide() {}
    virtual void DataUpdated() {}
    virtual void RequestUpdate() {}
    virtual void GetClickKey(WORD& Key, TShiftState& Shift);
    virtual bool KeyDownParent(WORD& Key, TShiftState Shift) { (void)Key, (void)Shift; return false; }
    virtual bool KeyUpParent(WORD& Key, TShiftState Shift) { (void)Key, (void)Shift; return false; }
    virtual bool KeyPressParent(char& Key) { (void)Key; return false; }
    virtual bool DblClickParent() { return false; }

    // Loads what the owner answered; the text was loaded last so a list closes first.
    void LoadContents(const std::string& Value, TEditStyle Style, bool IsReadOnly);

    void CreateParams(TCreateParams& Params) override;
    void Paint() override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void DblClick() override;
    void BoundsChanged() override;
    void Dispatch(TMessage& Message) override;

    void WMKeyDown(TWMKey& Message) override;
    void WMKeyUp(TWMKey& Message) override;
    void WMChar(TWMKey& Message) override;
    void WMGetDlgCode(TWMGetDlgCode& Message) override;
    void WMSetFocus(TWMSetFocus& Message) override;
    void WMKillFocus(TWMKillFocus& Message) override;
    void WMCancelMode(TMessage& Message) override;
    void WMMouseWheel(TWMMouseWheel& Message) override;

private:
    // Text editing.
    void ReplaceSelection(const std::string& Insert);
    void ReplaceText(const std::string& Value);
    // Bytes [Start, Start + Removed) of the text became Inserted bytes.
    void TextReplaced(int Start, int Removed, int Inserted);
    void Changed();
    void MoveCaret(int Pos, bool Extend);
    bool EditKey(WORD Key, TShiftState Shift);
    bool KeepsKey(WORD Key, TShiftState Shift) const;
    void EnsureCaretVisible();
    // The width of the text's first Pos bytes, in the editor's font.
    int TextWidthTo(int Pos);
    // Where the unscrolled text starts, from the text box's left edge.
    int TextOrigin();
    int CaretFromX(int X);
    TRect TextRect() const;
    void SelectWordAt(int X);
    void DoubleClicked(int X);
    // Ends an edit the owner did not commit (the focus went elsewhere).
    void EndEdit();
    // Drops the WM_CHAR that a key handled here has already queued.
    void DropPendingChar();

    // The list.
    bool HasList() const { return FEditStyle == esDropDownList || FEditStyle == esDropDownCheckList; }
    bool ListKey(WORD Key, TShiftState Shift);
    void ListChosen(int Index);
    void ListToggled(int Index);
    std::string CheckedText() const;
    void ButtonAction();

    TWinControl* FGrid = nullptr;
    std::string FText;
    // Measures FText incrementally: caret, scrolling and painting cost what is shown.
    TPrefixWidths FWidths;
    int FCaret = 0;
    int FAnchor = 0;
    int FScrollX = 0;
    TAlignment FAlignment = taLeftJustify;
    bool FSelecting = false;
    bool FModified = false;
    TEditStyle FEditStyle = esNoButton;
    bool FReadOnly = false;
    TStringList FPickList;
    int FDropDownRows = 8;
    bool FAlwaysShow = false;
    DWORD FClickTime = 0;
    TPopupList* FList = nullptr; // owned as a component
    std::string FTextBeforeDrop;
    bool FButtonDown = false;
    bool FButtonPressed = false;
};
