// Keyboard and mouse of the outline tree.
//
// Keys: Up, Down, Home, End, Page Up, Page Down move the selection; Left collapses an expanded
// node or else goes to the parent; Right expands a collapsed node or else goes to the first
// child; + and - (either keyboard) expand and collapse; F2 and Enter edit the selected value;
// a character typed on the tree starts the edit with it.
// Mouse: a press selects (the right button too, for the popup menu); a press on the button of a
// node with children toggles it; a double click toggles a caption or edits a value; dragging
// the column divider sizes the caption column; the wheel scrolls three rows a notch.
#include <algorithm>

#include "host/core/ObjectWatch.h"
#include "host/windows/Input.h"
#include "host/windows/MessageQueue.h"
#include "outline/OutInplaceEdit.h"
#include "outline/OutlineTreeView.h"

namespace {
constexpr int DividerSlop = 3;
} // namespace

void TOutlineTreeView::SelectRow(int Row)
{
    const int count = RowCount();
    if (count == 0) return;
    SetSelected(RowNode(std::clamp(Row, 0, count - 1)));
    if (TTreeNode* node = Selected()) MakeVisible(node);
}

void TOutlineTreeView::ToggleNode(TTreeNode* Node)
{
    if (!Node || !Node->HasChildren()) return;
    Node->SetExpanded(!Node->Expanded());
}

void TOutlineTreeView::KeyDown(WORD& Key, TShiftState Shift)
{
    TObjectWatch alive(this);
    TCustomControl::KeyDown(Key, Shift);
    if (!alive || Key == 0) return;
    TTreeNode* node = Selected();
    const int row = node ? NodeRow(node) : -1;
    switch (Key) {
    case VK_UP: SelectRow(row < 0 ? 0 : row - 1); break;
    case VK_DOWN: SelectRow(row + 1); break;
    case VK_HOME: SelectRow(0); break;
    case VK_END: SelectRow(RowCount() - 1); break;
    case VK_PRIOR: SelectRow(row - std::max(1, VisibleRowCount() - 1)); break;
    case VK_NEXT: SelectRow(std::max(row, 0) + std::max(1, VisibleRowCount() - 1)); break;
    case VK_LEFT:
        if (!node) break;
        if (node->Expanded() && node->HasChildren()) node->Collapse(false);
        else if (node->Parent()) SetSelected(node->Parent());
        break;
    case VK_RIGHT:
        if (!node || !node->HasChildren()) break;
        if (!node->Expanded()) node->Expand(false);
        else SetSelected(node->getFirstChild());
        break;
    case VK_ADD:
    case VK_OEM_PLUS:
        if (node) node->Expand(false);
        break;
    case VK_SUBTRACT:
    case VK_OEM_MINUS:
        if (node) node->Collapse(false);
        break;
    case VK_F2:
    case VK_RETURN: ShowEditor(); break;
    default: return;
    }
    if (!alive) return;
    Key = 0;
    // The character of a command key (the '=' under '+') types nothing.
    TMsg msg;
    if (HandleAllocated()) PeekMessage(msg, WindowHandle(), WM_CHAR, WM_CHAR, PM_REMOVE);
}

void TOutlineTreeView::WMGetDlgCode(TWMGetDlgCode& Message)
{
    // Enter edits, Escape ends an edit; Tab and an idle Escape stay with the dialog.
    const WPARAM key = Message.Message.WParam;
    const bool wants = (key == VK_RETURN && CanEdit()) || (key == VK_ESCAPE && EditorMode());
    Message.SetResult(DLGC_WANTARROWS | DLGC_WANTCHARS | (wants ? DLGC_WANTALLKEYS : 0));
}

void TOutlineTreeView::WMChar(TWMKey& Message)
{
    const WORD ch = Message.CharCode();
    // A printable character begins an edit with itself.
    if (!CanEdit() || ch < 32 || ch > 0xFF || !Selected()) {
        TCustomControl::WMChar(Message);
        return;
    }
    TObjectWatch alive(this);
    ShowEditor();
    if (!alive || !EditorMode()) return;
    FEditor->SetText("");
    PostMessage(FEditor->WindowHandle(), WM_CHAR, ch, 0);
}

bool TOutlineTreeView::OverDivider(int X) const
{
    return FTreeOptions.Contains(totResizeCols) && std::abs(X - FWidthOutline) <= DividerSlop;
}

void TOutlineTreeView::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    TObjectWatch alive(this);
    // The second press of a double click comes after DblClick, which may have opened the editor
    // and given it the focus: the focus stays there.
    const bool second = Shift.Contains(ssDouble);
    if (!second && !Focused() && CanFocus()) SetFocus();
    if (!alive) return;
    TCustomControl::MouseDown(Button, Shift, X, Y);
    if (!alive || second) return;
    // A press on the tree ends an edit in progress.
    HideEditor(true);
    if (!alive) return;
    FDownPos = {X, Y};
    if (Button == mbLeft && OverDivider(X)) {
        FSizing = true;
        return;
    }
    TTreeNode* node = GetNodeAt(X, Y);
    if (!node) return;
    if (Button == mbLeft && node->HasChildren() && FTreeOptions.Contains(totShowButtons) &&
        ButtonRect(node).Contains({X, Y})) {
        ToggleNode(node);
        return;
    }
    if (Button == mbLeft || Button == mbRight) SetSelected(node);
}

void TOutlineTreeView::MouseMove(TShiftState Shift, int X, int Y)
{
    TObjectWatch alive(this);
    TCustomControl::MouseMove(Shift, X, Y);
    if (!alive || !FSizing) return;
    // The value column keeps a little room.
    SetWidthOutline(std::clamp(X, FIndent, std::max(FIndent, ClientWidth() - 2 * FIndent)));
}

void TOutlineTreeView::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    FSizing = false;
    TCustomControl::MouseUp(Button, Shift, X, Y);
}

void TOutlineTreeView::DblClick()
{
    TObjectWatch alive(this);
    TCustomControl::DblClick();
    if (!alive) return;
    TTreeNode* node = GetNodeAt(FDownPos.X, FDownPos.Y);
    if (!node || node != Selected() || OverDivider(FDownPos.X)) return;
    // The press on a button has toggled already.
    if (node->HasChildren() && FTreeOptions.Contains(totShowButtons) && ButtonRect(node).Contains(FDownPos)) return;
    if (FDownPos.X > FWidthOutline && CanEdit()) ShowEditor();
    else ToggleNode(node);
}
