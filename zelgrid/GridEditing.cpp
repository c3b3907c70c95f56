// The grid's in-place editing: when the editor shows, what it loads, how its text is committed,
// and the window messages that concern it.
//
// Index:
//   the edit cycle     ShowEditor, ShowEditorChar, HideEditor, SetEditorMode, UpdateEdit, HideEdit,
//                      UpdateText, InvalidateEditor, TopLeftChanged
//   rules              CanEditShow, CanEditAcceptKey, CanEditModify, the edit-style table
//   cell text          GetEditText, SetEditText, the selected column
//   the editor         CreateEditor and its fourteen callbacks
//   messages           WM_CHAR, WM_COMMAND, WM_SETFOCUS, WM_KILLFOCUS, cancel mode
//
// Each hide commits at most once: the editor's FSkipTextUpdate is true after a commit and after
// every hide, and the editor's change notification (EN_CHANGE) clears it.
#include "host/controls/Forms.h"
#include "host/core/ObjectWatch.h"
#include "host/windows/Input.h"
#include "host/windows/MessageQueue.h"
#include "outline/OutInplaceEdit.h"
#include "zelgrid/CustomZelGrid.h"

// ----- rules --------------------------------------------------------------------------------

TZelColumn* TCustomZelGrid::CurrentColumn() const
{
    return ShownColumn(RawToDataColumn(Col()));
}

bool TCustomZelGrid::CanEditShow()
{
    if (FLayoutLock != 0 || !FOptions.Contains(dgEditing) || !FEditorActive) return false;
    if (ComponentState.Contains(csDesigning) || !HandleAllocated()) return false;
    if (FOptions.Contains(dgAlwaysShowEditor)) return true;
    // The grid's own editor having the focus counts as the grid being active.
    if (const TCustomForm* form = GetParentForm(this)) {
        const TWinControl* active = form->ActiveControl();
        return active && (active == this || active == FEditor);
    }
    return Focused() || (FEditor && FEditor->Focused());
}

bool TCustomZelGrid::CanEditModify()
{
    if (ReadOnly) return false;
    const TZelColumn* column = CurrentColumn();
    return !column || !column->GetReadOnly();
}

bool TCustomZelGrid::CanEditAcceptKey(char) { return CanEditModify(); }

// ----- the edit cycle -----------------------------------------------------------------------

void TCustomZelGrid::ShowEditor()
{
    FEditorActive = true;
    if (FOptions.Contains(dgIndicator)) InvalidateCell(0, Row());
    TObjectWatch alive(this);
    UpdateEdit();
    if (alive && FOptions.Contains(dgPopupOnClick) && FEditor) FEditor->DropDown();
}

void TCustomZelGrid::ShowEditorChar(unsigned Ch)
{
    TObjectWatch alive(this);
    // Typing goes where the user can see it: a cell scrolled out of view comes back first.
    if (HandleAllocated() && FOptions.Contains(dgEditing) && CellRect(Col(), Row()).IsEmpty()) ScrollIntoView(Col(), Row());
    if (!alive) return;
    ShowEditor();
    // Posted, so that the editor takes the character after it has loaded its text.
    if (alive && FEditor && FEditor->HandleAllocated())
        PostMessage(FEditor->WindowHandle(), WM_CHAR, Ch, 0);
}

void TCustomZelGrid::HideEditor()
{
    FEditorActive = false;
    TObjectWatch alive(this);
    HideEdit();
    if (alive && FOptions.Contains(dgIndicator)) InvalidateCell(0, Row());
}

void TCustomZelGrid::SetEditorMode(bool Value)
{
    TObjectWatch alive(this);
    if (!Value) {
        HideEditor();
        if (!alive) return;
        FEditorRow = -1;
        FEditorCol = -1;
        return;
    }
    ShowEditor();
    if (!alive) return;
    // An editor that could not load this cell (it may not show now) still holds another cell's
    // text: that goes to its own cell, or nowhere when that cell is gone, and the editor loads
    // this cell when it shows, instead of offering the other cell's text here.
    if (FEditor && !EditorHoldsCurrentCell()) {
        UpdateText();
        if (!alive || !FEditor) return;
        FEditor->FSkipTextUpdate = true;
        FEditorCol = -1;
        FEditorRow = -1;
        return;
    }
    BindEditedCell();
    if (FEditor) FEditor->Deselect();
}

bool TCustomZelGrid::EditorHoldsCurrentCell() const
{
    if (FEditorCol != Col() || FEditorRow != Row() || FEditedRecord != Row() - FTitleRows) return false;
    if (!FEditedColumnBound) return true;
    const TZelColumn* column = FEditedColumn.Get();
    return column && column == CurrentColumn();
}

void TCustomZelGrid::BindEditedCell()
{
    FEditorCol = Col();
    FEditorRow = Row();
    TZelColumn* column = CurrentColumn();
    FEditedColumn.Set(column);
    FEditedColumnBound = column != nullptr;
    FEditedRecord = Row() - FTitleRows;
}

TCustomZelGrid::TEditedCell::TEditedCell(const TCustomZelGrid& Grid)
    : Loaded(Grid.FEditorCol != -1 && Grid.FEditorRow != -1), Bound(Grid.FEditedColumnBound), RawCol(Grid.FEditorCol),
      Record(Grid.FEditedRecord), Column(Grid.FEditedColumn.Get()), ColumnAlive(Column)
{
}

bool TCustomZelGrid::EditedCell(const TEditedCell& Cell, int& ACol, int& ARow) const
{
    if (!Cell.Loaded) return false;
    ACol = Cell.RawCol;
    if (Cell.Bound) {
        // The column may have moved, or the indicator come or gone, since the text was typed.
        if (!Cell.ColumnAlive || Cell.Column->Collection() != GeTZelColumns()) return false;
        ACol = DataToRawColumn(Cell.Column->Index());
    } else if (ACol < FIndicatorCols || ACol >= ColCount()) {
        return false;
    }
    ARow = Cell.Record + FTitleRows;
    return Cell.Record >= 0 && ARow < RowCount();
}

void TCustomZelGrid::LoadEditor()
{
    BindEditedCell();
    FEditorScrolledOut = false;
    // Edited where the cell shows it: right-aligned amounts stay right-aligned.
    const TZelColumn* column = CurrentColumn();
    FEditor->SetAlignment(column ? column->GetAlignment() : taLeftJustify);
    TObjectWatch alive(FEditor);
    FEditor->UpdateContents();
    if (alive) FEditor->SelectAll();
}

void TCustomZelGrid::UpdateEdit()
{
    if (!CanEditShow()) return;
    TObjectWatch alive(this);
    if (!FEditor) {
        FEditor = CreateEditor();
        FEditor->SetGrid(this);
        FEditor->SetParent(this);
        LoadEditor();
    } else if (Col() != FEditorCol || Row() != FEditorRow) {
        HideEdit();
        if (!alive || !FEditor) return;
        LoadEditor();
    }
    if (alive && FEditor && CanEditShow()) PlaceEditor();
}

void TCustomZelGrid::PlaceEditor()
{
    const TRect cell = CellRect(Col(), Row());
    // Set before hiding: the focus coming back from the editor must not end the edit.
    FEditorScrolledOut = cell.IsEmpty();
    if (!FEditorScrolledOut) {
        FEditor->Move(cell);
        return;
    }
    if (!FEditor->IsShown()) return;
    // The focus goes to the grid before the window hides, which would otherwise leave it nowhere
    // and so end the edit.
    TObjectWatch alive(FEditor);
    if (FEditor->Focused() && HandleAllocated()) ::SetFocus(WindowHandle());
    if (alive) FEditor->Hide();
}

void TCustomZelGrid::HideEdit()
{
    if (!FEditor) return;
    // The editor is hidden also when the commit raises; the exception then goes on. Hiding moves
    // the focus and so may call handlers that throw: it runs outside any destructor.
    TObjectWatch alive(this);
    const auto hide = [&] {
        if (!alive || !FEditor) return;
        FEditorCol = -1;
        FEditorRow = -1;
        FEditorScrolledOut = false;
        FEditor->FSkipTextUpdate = true;
        FEditor->Hide();
    };
    try {
        CommitText();
    } catch (...) {
        hide();
        throw;
    }
    hide();
}

// A commit that leaves the editor shown (Enter with dgAlwaysShowEditor) shows what the
// application stored, which may differ from what was typed.
void TCustomZelGrid::UpdateText()
{
    TObjectWatch alive(this);
    if (CommitText() && alive) ReloadShownEditor();
}

bool TCustomZelGrid::CommitText()
{
    if (FEditorCol == -1 || FEditorRow == -1 || !FEditor) return false;
    if (FEditor->FSkipTextUpdate) {
        FEditor->FSkipTextUpdate = false;
        return false;
    }
    const TEditedCell cell(*this);
    int col = 0, row = 0;
    if (!EditedCell(cell, col, row)) return false;
    // Marked before the application is asked: a hide its handlers cause meanwhile finds nothing
    // to commit, so the text is committed once, here.
    FEditor->FSkipTextUpdate = true;
    TObjectWatch alive(this);
    SetEditText(col, row, FEditor->Text());
    if (!alive || !FEditor) return false;
    const std::string text = FEditor->Text();
    FEditor->FSkipTextUpdate = true;
    // The handler may have moved the column or dropped the record.
    if (!EditedCell(cell, col, row)) return false;
    bool cancel = false;
    ValidateDataCell(col, row, text, cancel);
    return !cancel;
}

void TCustomZelGrid::CellStored(int ACol, int ARow)
{
    if (ACol < FIndicatorCols || ACol >= ColCount() || ARow < FTitleRows || ARow >= RowCount()) return;
    if (HandleAllocated()) InvalidateCell(ACol, ARow);
    if (ACol == FEditorCol && ARow == FEditorRow) ReloadShownEditor();
}

void TCustomZelGrid::ReloadShownEditor()
{
    if (!FEditor || !FEditor->IsShown() || !EditorHoldsCurrentCell()) return;
    TObjectWatch alive(FEditor);
    LoadEditor();
    if (alive) FEditor->FSkipTextUpdate = true;
}

void TCustomZelGrid::InvalidateEditor()
{
    FEditorCol = -1;
    FEditorRow = -1;
    UpdateEdit();
}

// The editor follows its cell when the grid scrolls: moved with it, hidden while the cell is out
// of view (nothing committed, the text kept) and shown again when it comes back.
void TCustomZelGrid::TopLeftChanged()
{
    if (!FEditorActive || !FEditor || FEditorCol != Col() || FEditorRow != Row()) return;
    if (FEditor->IsShown() || FEditorScrolledOut) PlaceEditor();
    else FEditor->UpdateLoc(CellRect(Col(), Row()));
}

void TCustomZelGrid::TopLeftMoved(const TGridCoord& OldTopLeft)
{
    TObjectWatch alive(this);
    TCustomGrid::TopLeftMoved(OldTopLeft);
    if (alive) TopLeftChanged();
}

// ----- cell text ----------------------------------------------------------------------------

std::string TCustomZelGrid::GetEditText(int ACol, int ARow)
{
    std::string text;
    TObjectWatch alive(this);
    GetDataCell(ACol - FIndicatorCols, ARow - FTitleRows, text);
    if (alive) FCellText = text;
    return text;
}

void TCustomZelGrid::SetEditText(int ACol, int ARow, const std::string& Value)
{
    std::string text = Value;
    // The application may answer with the value it stores; it receives the edit in OnValidateData.
    TObjectWatch alive(this);
    if (OnGetDataCell) OnGetDataCell(ACol - FIndicatorCols, ARow - FTitleRows, text);
    if (alive) FCellText = text;
}

int TCustomZelGrid::GetSelectedIndex() const { return Col() - FIndicatorCols; }

void TCustomZelGrid::SetSelectedIndex(int Value) { MoveCol(Value + FIndicatorCols); }

void TCustomZelGrid::EditButtonClick()
{
    if (OnEditButtonClick) OnEditButtonClick(this);
}

// ----- the editor ---------------------------------------------------------------------------

TOutInplaceEdit* TCustomZelGrid::CreateEditor()
{
    auto* editor = new TOutInplaceEdit(this);
    editor->OnGetEditData = [this](TCustomInplaceEdit* Sender, std::string& Value, bool& Flag) {
        aGetEditData(Sender, Value, Flag);
    };
    editor->OnValidateData = [this](TCustomInplaceEdit* Sender, const std::string& NewVal, bool& ACancel) {
        aValidateData(Sender, NewVal, ACancel);
    };
    editor->OnGetEditStyle = [this](TCustomInplaceEdit* Sender, TEditStyle& Style) { aGetEditstyle(Sender, Style); };
    editor->OnGetPickList = [this](TCustomInplaceEdit* Sender, TStrings*& List) { aGetPickList(Sender, List); };
    editor->OnGetReadOnly = [this](TCustomInplaceEdit* Sender, bool& Value) { aGetReadOnly(Sender, Value); };
    editor->OnEditButtonClick = [this](TCustomInplaceEdit* Sender) { aEditButtonClick(Sender); };
    editor->OnHideEditor = [this](TCustomInplaceEdit* Sender) { aHideEditor(Sender); };
    editor->OnUpdateData = [this](TCustomInplaceEdit* Sender) { aUpdateData(Sender); };
    editor->OnGetClickKey = [this](TCustomInplaceEdit* Sender, WORD& Key, TShiftState& Shift) {
        GetClickKey(Sender, Key, Shift);
    };
    editor->OnUpdateEdit = [this](TCustomInplaceEdit* Sender) { aUpdateEdit(Sender); };
    editor->OnKeyUpParent = [this](TObject* Sender, WORD& Key, TShiftState Shift) { KeyUpParent(Sender, Key, Shift); };
    editor->OnKeyDownParent = [this](TObject* Sender, WORD& Key, TShiftState Shift) {
        KeyDownParent(Sender, Key, Shift);
    };
    editor->OnKeyPressParent = [this](TObject* Sender, char& Key) { KeyPressParent(Sender, Key); };
    editor->OnDblClickParent = [this](TObject* Sender) { DblClickParent(Sender); };
    if (FOptions.Contains(dgAlwaysShowEditor)) editor->SetAlwaysShow(true);
    return editor;
}

void TCustomZelGrid::aGetEditData(TCustomInplaceEdit*, std::string& Value, bool&)
{
    TObjectWatch alive(this);
    GetDataCell(Col() - FIndicatorCols, Row() - FTitleRows, Value);
    // The text the editor was loaded with, for UpdateActive to compare against.
    if (alive) FCellText = Value;
}

void TCustomZelGrid::aValidateData(TCustomInplaceEdit*, const std::string& NewVal, bool& ACancel)
{
    int col = 0, row = 0;
    if (!EditedCell(TEditedCell(*this), col, row)) return;
    // The editor marks its text committed after this returns; a hide that the handler causes
    // before then must not commit it a second time.
    FEditor->FSkipTextUpdate = true;
    TObjectWatch alive(this);
    ValidateDataCell(col, row, NewVal, ACancel);
    // An editor that stays shown when the focus leaves it shows what was stored.
    if (alive && !ACancel && FEditor && FEditor->AlwaysShow()) ReloadShownEditor();
}

void TCustomZelGrid::aGetEditstyle(TCustomInplaceEdit*, TEditStyle& EditStyle)
{
    const TZelColumn* column = CurrentColumn();
    if (!column) return;
    switch (column->ButtonStyle()) {
    case cbsEllipsis: EditStyle = esEllipsisButton; break;
    case cbsNone: EditStyle = esNoButton; break;
    case cbsAuto:
        if (!column->HasPickList() || const_cast<TZelColumn*>(column)->GetPickList()->Count() == 0) break;
        EditStyle = column->aType == tctCheckList ? esDropDownCheckList : esDropDownList;
        break;
    }
}

void TCustomZelGrid::aGetPickList(TCustomInplaceEdit*, TStrings*& PickList)
{
    PickList->Clear();
    TZelColumn* column = CurrentColumn();
    if (column && column->HasPickList()) PickList->Assign(column->GetPickList());
}

void TCustomZelGrid::aGetReadOnly(TCustomInplaceEdit*, bool& Value)
{
    const TZelColumn* column = CurrentColumn();
    Value = ReadOnly || (column && column->GetReadOnly());
}

void TCustomZelGrid::aEditButtonClick(TCustomInplaceEdit*) { EditButtonClick(); }

void TCustomZelGrid::aHideEditor(TCustomInplaceEdit*) { HideEditor(); }

void TCustomZelGrid::aUpdateData(TCustomInplaceEdit*) { Invalidate(); }

void TCustomZelGrid::GetClickKey(TCustomInplaceEdit*, WORD& Key, TShiftState& Shift)
{
    Key = VK_F2;
    Shift = {};
}

void TCustomZelGrid::aUpdateEdit(TCustomInplaceEdit*) { UpdateEdit(); }

// ----- messages -----------------------------------------------------------------------------

void TCustomZelGrid::WMChar(TWMKey& Message)
{
    const unsigned ch = Message.CodePoint();
    if (FOptions.Contains(dgEditing) && (ch == 8 || ch >= 32)) {
        ShowEditorChar(ch);
        return;
    }
    TCustomGrid::WMChar(Message);
}

void TCustomZelGrid::WMCommand(TWMCommand& Message)
{
    if (!FEditor || !FEditor->HandleAllocated() || Message.Ctl() != FEditor->WindowHandle()) return;
    if (Message.NotifyCode() == EN_SETFOCUS || Message.NotifyCode() == EN_KILLFOCUS) {
        FocusLookChanged();
        return;
    }
    if (Message.NotifyCode() != EN_CHANGE) return;
    // Marks the text as changed: the skipped commit clears the flag, so the next hide commits.
    FEditor->FSkipTextUpdate = true;
    UpdateText();
}

void TCustomZelGrid::WMSetFocus(TWMSetFocus& Message)
{
    TObjectWatch alive(this);
    TCustomGrid::WMSetFocus(Message);
    if (!alive) return;
    if (!FEditor || Message.FocusedWnd() != FEditor->WindowHandle()) UpdateEdit();
    else if (!FEditorScrolledOut) HideEdit();
    if (alive) FocusLookChanged();
}

void TCustomZelGrid::WMKillFocus(TWMKillFocus& Message)
{
    TObjectWatch alive(this);
    TCustomGrid::WMKillFocus(Message);
    if (!alive) return;
    FocusLookChanged();
    if (FEditor && Message.FocusedWnd() != FEditor->WindowHandle()) HideEdit();
}

void TCustomZelGrid::CMCancelMode(TMessage& Message)
{
    if (FEditor) FEditor->CancelMode(this);
    TCustomGrid::CMCancelMode(Message);
}
