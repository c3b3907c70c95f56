// The grid's in-place editor. Edit mode (EditorMode) and the editor window are separate: the
// mode survives a loss of focus, which only hides the window; UpdateEdit brings it back, loaded
// with the current cell's text when the cell changed. The text is handed back (SetEditText)
// when the editor leaves a cell.
#include "host/controls/Grids.h"
#include "host/controls/InplaceEdit.h"
#include "host/windows/MessageQueue.h"
#include "host/windows/Paint.h"

bool TCustomGrid::CanEditAcceptKey(char)
{
    return true;
}

bool TCustomGrid::CanEditModify()
{
    return true;
}

bool TCustomGrid::CanEditShow()
{
    return FOptions.Contains(goEditing) && !FOptions.Contains(goRowSelect) && FEditorMode &&
           !ComponentState.Contains(csDesigning) && HandleAllocated() &&
           (FOptions.Contains(goAlwaysShowEditor) || IsActiveControl());
}

std::string TCustomGrid::GetEditText(int, int)
{
    return {};
}

void TCustomGrid::SetEditText(int, int, const std::string&) {}

TInplaceEdit* TCustomGrid::CreateInplaceEditor()
{
    return new TInplaceEdit(this);
}

void TCustomGrid::SetEditorMode(bool Value)
{
    if (!Value) {
        HideEditor();
        return;
    }
    TObjectWatch alive(this);
    ShowEditor();
    if (alive && FInplaceEdit) FInplaceEdit->Deselect();
}

void TCustomGrid::ShowEditor()
{
    FEditorMode = true;
    UpdateEdit();
}

void TCustomGrid::HideEditor()
{
    FEditorMode = false;
    HideEdit();
}

void TCustomGrid::ShowEditorChar(unsigned Ch)
{
    TObjectWatch alive(this);
    ShowEditor();
    // Posted, so that the editor takes it after it loaded the cell's text.
    if (alive && FInplaceEdit && FInplaceEdit->HandleAllocated()) PostMessage(FInplaceEdit->WindowHandle(), WM_CHAR, Ch, 0);
}

void TCustomGrid::InvalidateEditor()
{
    FInplaceCol = -1;
    FInplaceRow = -1;
    UpdateEdit();
}

void TCustomGrid::UpdateText()
{
    if (FInplaceCol != -1 && FInplaceRow != -1 && FInplaceEdit) SetEditText(FInplaceCol, FInplaceRow, FInplaceEdit->Text());
}

void TCustomGrid::UpdateEdit()
{
    if (!CanEditShow()) return;
    // Loading the text asks the application, which may free the grid (and its editor).
    TObjectWatch alive(this);
    auto load = [this, &alive] {
        FInplaceCol = FCurrent.X;
        FInplaceRow = FCurrent.Y;
        FInplaceEdit->UpdateContents();
        if (alive && FInplaceEdit) FInplaceEdit->SelectAll();
    };
    if (!FInplaceEdit) {
        FInplaceEdit = CreateInplaceEditor();
        FInplaceEdit->SetGrid(this);
        FInplaceEdit->SetFont(Font());
        FInplaceEdit->SetParent(this);
        load();
    } else if (FCurrent.X != FInplaceCol || FCurrent.Y != FInplaceRow) {
        HideEdit();
        if (!alive || !FInplaceEdit) return;
        load();
    }
    if (alive && FInplaceEdit && CanEditShow()) FInplaceEdit->Move(CellRect(FCurrent.X, FCurrent.Y));
}

void TCustomGrid::HideEdit()
{
    if (!FInplaceEdit) return;
    // The editor is hidden also when the commit raises. Hiding moves the focus, whose handlers may
    // raise as well, so it never runs in a destructor.
    TObjectWatch alive(this);
    const auto forget = [this, &alive] {
        if (!alive) return;
        FInplaceCol = -1;
        FInplaceRow = -1;
        if (FInplaceEdit) FInplaceEdit->Hide();
    };
    try {
        UpdateText();
    } catch (...) {
        try {
            forget();
        } catch (...) {
            // The commit's error is the one reported.
        }
        throw;
    }
    forget();
}

void TCustomGrid::WMSetFocus(TWMSetFocus& Message)
{
    TObjectWatch alive(this);
    TCustomControl::WMSetFocus(Message); // the enter handler runs here
    if (!alive) return;
    if (FInplaceEdit && Message.FocusedWnd() == FInplaceEdit->WindowHandle()) return;
    const TGridRect sel = Selection();
    const TRect box = BoxRect(sel.Left, sel.Top, sel.Right, sel.Bottom);
    if (HandleAllocated()) InvalidateRect(WindowHandle(), &box, false);
    InvalidateCell(FCurrent.X, FCurrent.Y);
    UpdateEdit();
}

void TCustomGrid::WMKillFocus(TWMKillFocus& Message)
{
    TObjectWatch alive(this);
    TCustomControl::WMKillFocus(Message);
    if (!alive) return;
    const TGridRect sel = Selection();
    const TRect box = BoxRect(sel.Left, sel.Top, sel.Right, sel.Bottom);
    if (HandleAllocated()) InvalidateRect(WindowHandle(), &box, false);
    InvalidateCell(FCurrent.X, FCurrent.Y);
    if (FInplaceEdit && Message.FocusedWnd() != FInplaceEdit->WindowHandle()) FInplaceEdit->Hide();
}

void TCustomGrid::CMFontChanged(TMessage& Message)
{
    TObjectWatch alive(this);
    if (FInplaceEdit) FInplaceEdit->SetFont(Font());
    if (alive) TCustomControl::CMFontChanged(Message);
}
