// The grid's keyboard: KeyDown replaces the base grid's navigation with two tables (with and
// without Ctrl), KeyPress handles Enter and Escape for edit mode and the read-only rule, and the
// editor's parent callbacks bring the keys typed in the editor to the same handlers.
//
//   Ctrl table                               plain table
//   Ctrl+PgUp, Ctrl+Up    row step -1, clamp   Up        row step -1 (first data row: nothing)
//   Ctrl+PgDn, Ctrl+Down  row step +1, clamp   Down      row step +1 (last row: append)
//   Ctrl+Home             first data row       PgUp/PgDn a page, clamped (never appends)
//   Ctrl+End              last row             Left/Right, Home/End   MoveCol
//   Ctrl+Left/Right       first/last column    Tab, Shift+Tab         the tab step (not with Alt)
//                                              Escape    HideEditor unless dgAlwaysShowEditor
//                                              Delete    the delete confirmation, edit mode off
//                                              F2        edit mode; button click or drop-down
#include "host/controls/Application.h"
#include "host/controls/Dialogs.h"
#include "host/core/ObjectWatch.h"
#include "zelgrid/CustomZelGrid.h"

namespace {

bool IsNavigationKey(WORD Key) { return Key >= VK_PRIOR && Key <= VK_DOWN; }

} // namespace

bool TCustomZelGrid::CurrentColumnReadOnly() const
{
    const TZelColumn* column = CurrentColumn();
    return ReadOnly || (column && column->GetReadOnly());
}

// Row step to grid row T: move there, append past the last row, nothing above the first. Only
// the marks of the current row are repainted on both rows, so that a step that scrolls paints
// little more than the row it uncovers.
void TCustomZelGrid::RowStep(int Target)
{
    TObjectWatch alive(this);
    if (Target >= FixedRows() && Target <= RowCount() - 1) {
        InvalidateRow(Row());
        AMoveColRow(Col(), Target, true, true);
        if (alive) InvalidateRow(Row());
    } else if (Target > RowCount() - 1) {
        AppendRecord(this);
    }
}

void TCustomZelGrid::TabStep(bool Forward)
{
    TUpdateGuard update(this);
    const int start = Col();
    int c = start;
    // Handlers called by the row steps may change the columns: the walk ends after one round
    // of the columns there are, also when it never meets its start again.
    for (int steps = 0;; ++steps) {
        if (steps > ColCount()) return;
        c += Forward ? 1 : -1;
        if (c >= ColCount()) {
            RowStep(Row() + 1);
            if (!update.Alive()) return;
            c = FIndicatorCols;
        } else if (c < FIndicatorCols) {
            RowStep(Row() - 1);
            if (!update.Alive()) return;
            c = ColCount() - 1;
        }
        if (c == start) return;
        if (TabStops(c)) break;
    }
    MoveCol(c);
    if (update.Alive()) InvalidateRow(Row());
}

bool TCustomZelGrid::ConfirmDelete()
{
    if (!FOptions.Contains(dgConfirmDelete)) return true;
    return MessageDlg("Delete record?", mtConfirmation, {mbOK, mbCancel}, 0) != mrCancel;
}

void TCustomZelGrid::KeyDown(WORD& Key, TShiftState Shift)
{
    TObjectWatch alive(this);
    if (OnKeyDown) OnKeyDown(this, Key, Shift);
    if (!alive || !CanGridAcceptKey(Key, Shift)) return;
    if (CurrentColumnReadOnly() && !IsNavigationKey(Key)) {
        HideEditor();
        return;
    }
    if (Shift.Contains(ssCtrl)) CtrlKey(Key);
    else PlainKey(Key, Shift);
    if (alive) UpdateScrollBar();
}

void TCustomZelGrid::CtrlKey(WORD Key)
{
    switch (Key) {
    case VK_PRIOR:
    case VK_UP: RowStep(std::max(Row() - 1, FixedRows())); break;
    case VK_NEXT:
    case VK_DOWN: RowStep(std::min(Row() + 1, RowCount() - 1)); break;
    case VK_HOME: RowStep(FixedRows()); break;
    case VK_END: RowStep(RowCount() - 1); break;
    case VK_LEFT: MoveCol(FIndicatorCols); break;
    case VK_RIGHT: MoveCol(ColCount() - 1); break;
    default: break;
    }
}

void TCustomZelGrid::PlainKey(WORD Key, TShiftState Shift)
{
    TObjectWatch alive(this);
    switch (Key) {
    case VK_UP:
    case VK_DOWN: {
        TUpdateGuard update(this);
        RowStep(Row() + (Key == VK_UP ? -1 : 1));
        break;
    }
    case VK_PRIOR: RowStep(std::max(SatAdd(Row(), -VisibleRowCount()), FixedRows())); break;
    case VK_NEXT: RowStep(std::min(SatAdd(Row(), VisibleRowCount()), RowCount() - 1)); break;
    case VK_LEFT:
        InvalidateRow(Row());
        InvalidateCell(Col(), Row());
        MoveCol(Col() - 1);
        if (alive) InvalidateCell(Col(), Row());
        break;
    case VK_RIGHT:
        InvalidateCell(Col(), Row());
        MoveCol(Col() + 1);
        if (alive) InvalidateCell(Col(), Row());
        break;
    case VK_HOME:
    case VK_END:
        MoveCol(Key == VK_HOME ? FIndicatorCols : ColCount() - 1);
        if (alive) InvalidateRow(Row());
        break;
    case VK_TAB:
        if (!Shift.Contains(ssAlt)) TabStep(!Shift.Contains(ssShift));
        break;
    case VK_ESCAPE:
        if (!FOptions.Contains(dgAlwaysShowEditor)) HideEditor();
        break;
    case VK_DELETE:
        if (FEditorActive || !ConfirmDelete() || !alive) break;
        DeleteRecord(Row() - FTitleRows);
        break;
    case VK_F2: {
        SetEditorMode(true);
        if (!alive) break;
        const TZelColumn* column = CurrentColumn();
        if (column && column->ButtonStyle() == cbsEllipsis) EditButtonClick();
        else if (FEditor && FEditor->EditStyle() == esDropDownList) FEditor->DropDown();
        break;
    }
    default: break;
    }
}

void TCustomZelGrid::KeyPress(char& Key)
{
    TObjectWatch alive(this);
    if (CurrentColumnReadOnly()) {
        Key = 0;
        HideEditor();
        if (!alive) return;
    }
    const bool always = FOptions.Contains(dgAlwaysShowEditor);
    if (!always && Key == '\r') {
        if (FEditorActive) HideEditor();
        else ShowEditor();
        Key = 0;
    } else if (always && Key == '\r') {
        UpdateText();
        Key = 0;
    } else if (!always && Key == 27) {
        if (FEditorActive) HideEditor();
        Key = 0;
    }
    if (alive) TCustomGrid::KeyPress(Key);
}

// Enter and Escape reach the grid while it edits, also on a form with a default or cancel
// button; the editor asks the grid the same question.
void TCustomZelGrid::WMGetDlgCode(TWMGetDlgCode& Message)
{
    TCustomGrid::WMGetDlgCode(Message);
    const WORD key = Message.CharCode();
    if (FEditorActive && (key == VK_RETURN || key == VK_ESCAPE))
        Message.SetResult(Message.Result() | DLGC_WANTALLKEYS);
}

// ----- the editor's parent callbacks --------------------------------------------------------

void TCustomZelGrid::KeyDownParent(TObject* Sender, WORD& Key, TShiftState Shift)
{
    TObjectWatch alive(this);
    KeyDown(Key, Shift);
    if (alive && OnKeyDown) OnKeyDown(Sender, Key, Shift);
}

void TCustomZelGrid::KeyPressParent(TObject* Sender, char& Key)
{
    TObjectWatch alive(this);
    KeyPress(Key);
    if (alive && OnKeyPress) OnKeyPress(Sender, Key);
}

void TCustomZelGrid::KeyUpParent(TObject* Sender, WORD& Key, TShiftState Shift)
{
    if (OnKeyUp) OnKeyUp(Sender, Key, Shift);
}

void TCustomZelGrid::DblClickParent(TObject* Sender)
{
    if (OnDblClick) OnDblClick(Sender);
}
