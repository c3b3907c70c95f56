// In-place editing of the outline tree's value column.
//
// The edit cycle: ShowEditor asks OnIsReadOnlyNode and opens the editor over the selected node's
// value cell (the editor then asks for the text, the style, the pick list and the read-only
// state through the tree's events). Typing marks the edit changed (EN_CHANGE). The edit ends by
// Enter, by moving the selection, or by the focus leaving; a changed text then goes once to
// OnValidateNodeData. Escape, or deleting the edited node, drops it. A validation that raises
// keeps the editor open with the refused text. The ellipsis button's action is validated too,
// with the node's text as the handler left it, so the owner hears of what its dialog changed.
#include "host/core/ObjectWatch.h"
#include "host/windows/Input.h"
#include "host/windows/MessageQueue.h"
#include "outline/OutInplaceEdit.h"
#include "outline/OutlineTreeView.h"

// ----- dispatch methods ---------------------------------------------------------------------

void TOutlineTreeView::GetNodeData(TTreeNode* Node, std::string& Text, bool& Flag, int& Number)
{
    if (OnGetNodeData) OnGetNodeData(Node, Text, Flag, Number);
}

void TOutlineTreeView::IsReadOnlyNode(TTreeNode* Node, bool& ReadOnly)
{
    if (OnIsReadOnlyNode) OnIsReadOnlyNode(Node, ReadOnly);
}

void TOutlineTreeView::GetEditStyle(TTreeNode* Node, TEditStyle& EditStyle)
{
    if (OnGetEditStyle) OnGetEditStyle(Node, EditStyle);
}

void TOutlineTreeView::GetPicklist(TTreeNode* Node, TStrings* Picklist)
{
    if (OnGetPicklist) OnGetPicklist(Node, Picklist);
}

void TOutlineTreeView::ValidateNodeData(TTreeNode* Node, const std::string& Text)
{
    if (OnValidateNodeData) OnValidateNodeData(Node, Text);
}

void TOutlineTreeView::EditButtonClick(TTreeNode* Node)
{
    if (OnEditButtonClick) OnEditButtonClick(Node);
}

// ----- the edit cycle -----------------------------------------------------------------------

bool TOutlineTreeView::EditorMode() const { return FEditor && FEditNode && FEditor->IsShown(); }

void TOutlineTreeView::ShowEditor()
{
    TTreeNode* node = Selected();
    if (!node || !CanEdit() || !HandleAllocated()) return;
    if (EditorMode() && FEditNode == node) return;
    TObjectWatch alive(this);
    HideEditor(true);
    if (!alive) return;
    bool readOnly = false;
    TObjectWatch nodeAlive(node);
    IsReadOnlyNode(node, readOnly);
    if (!alive || !nodeAlive || readOnly || node != Selected()) return;
    MakeVisible(node);
    if (!FEditor) FEditor = CreateEditor();
    FEditNode = node;
    FEditChanged = false;
    FEditor->UpdateContents();
    if (!alive || FEditNode != node) return;
    FEditor->FSkipTextUpdate = false;
    FEditor->SelectAll();
    FEditor->Move(ValueRect(node));
}

void TOutlineTreeView::HideEditor(bool Accept)
{
    if (!FEditor) return;
    TObjectWatch alive(this);
    if (Accept && FEditNode) {
        CommitEdit(FEditor->Text());
        if (!alive) return;
    }
    FEditNode = nullptr;
    FEditChanged = false;
    FEditor->FSkipTextUpdate = true;
    if (FEditor->IsShown()) FEditor->Hide();
    if (alive) Invalidate();
}

void TOutlineTreeView::CancelEdit() { HideEditor(false); }

void TOutlineTreeView::CommitEdit(const std::string& Text)
{
    if (!FEditNode || !FEditChanged) return;
    TObjectWatch alive(this);
    // A refusal raises here: the edit stays changed and open.
    ValidateNodeData(FEditNode, Text);
    if (!alive) return;
    FEditChanged = false;
    if (FEditor) FEditor->FSkipTextUpdate = true;
    Invalidate();
}

void TOutlineTreeView::PlaceEditor()
{
    if (!EditorMode()) return;
    const TRect r = ValueRect(FEditNode);
    if (!r.IsEmpty()) FEditor->UpdateLoc(r);
}

void TOutlineTreeView::EditorButtonClicked()
{
    TTreeNode* node = FEditNode;
    if (!node) return;
    TObjectWatch alive(this), nodeAlive(node);
    EditButtonClick(node);
    if (!alive || !nodeAlive || FEditNode != node) return;
    std::string text;
    bool flag = false;
    int number = 0;
    GetNodeData(node, text, flag, number);
    if (!alive || !nodeAlive) return;
    ValidateNodeData(node, text);
    if (!alive || !nodeAlive || FEditNode != node || !FEditor) return;
    FEditChanged = false;
    FEditor->UpdateContents();
    if (!alive || !FEditor) return;
    FEditor->FSkipTextUpdate = true;
    FEditor->SelectAll();
    Invalidate();
}

// The focus came back to the hidden editor, its form being activated again (a dialog opened from
// the ellipsis button closed): the edit of the selected node goes on, or the tree takes the focus.
void TOutlineTreeView::ResumeEdit()
{
    if (!HandleAllocated()) return;
    if (!FEditNode || FEditNode != Selected() || !FEditor) {
        ::SetFocus(WindowHandle());
        return;
    }
    MakeVisible(FEditNode);
    FEditor->Move(ValueRect(FEditNode));
}

// Keys the editor does not keep for itself.
void TOutlineTreeView::EditorKeyDown(WORD& Key, TShiftState Shift)
{
    TObjectWatch alive(this);
    switch (Key) {
    case VK_RETURN:
        HideEditor(true);
        break;
    case VK_ESCAPE: CancelEdit(); break;
    case VK_F2:
        // The editor's own action key: the ellipsis button or the list.
        if (FEditor->EditStyle() == esEllipsisButton) EditorButtonClicked();
        else FEditor->DropDown();
        break;
    case VK_UP:
    case VK_DOWN:
    case VK_PRIOR:
    case VK_NEXT:
        HideEditor(true);
        if (alive) KeyDown(Key, Shift);
        break;
    default: return;
    }
    if (alive) Key = 0;
}

TOutInplaceEdit* TOutlineTreeView::CreateEditor()
{
    auto* editor = new TOutInplaceEdit(this);
    editor->SetGrid(this);
    editor->SetParent(this);
    // The value being edited stands out from the tree's own background.
    editor->SetColor(clWindow);
    editor->OnGetEditData = [this](TCustomInplaceEdit*, std::string& Value, bool&) {
        bool flag = false;
        int number = 0;
        if (FEditNode) GetNodeData(FEditNode, Value, flag, number);
    };
    editor->OnValidateData = [this](TCustomInplaceEdit*, const std::string& NewVal, bool&) { CommitEdit(NewVal); };
    editor->OnGetEditStyle = [this](TCustomInplaceEdit*, TEditStyle& Style) {
        if (FEditNode) GetEditStyle(FEditNode, Style);
    };
    // The handler gets the list empty.
    editor->OnGetPickList = [this](TCustomInplaceEdit*, TStrings*& List) {
        List->Clear();
        if (FEditNode) GetPicklist(FEditNode, List);
    };
    editor->OnGetReadOnly = [this](TCustomInplaceEdit*, bool& ReadOnly) {
        if (FEditNode) IsReadOnlyNode(FEditNode, ReadOnly);
    };
    editor->OnEditButtonClick = [this](TCustomInplaceEdit*) { EditorButtonClicked(); };
    editor->OnHideEditor = [this](TCustomInplaceEdit*) { CancelEdit(); };
    editor->OnUpdateData = [this](TCustomInplaceEdit*) { Invalidate(); };
    editor->OnUpdateEdit = [this](TCustomInplaceEdit*) { ResumeEdit(); };
    editor->OnKeyDownParent = [this](TObject*, WORD& Key, TShiftState Shift) { EditorKeyDown(Key, Shift); };
    editor->OnKeyUpParent = [](TObject*, WORD&, TShiftState) {};
    editor->OnKeyPressParent = [](TObject*, char&) {};
    editor->OnDblClickParent = [](TObject*) {};
    return editor;
}

// ----- messages -----------------------------------------------------------------------------

void TOutlineTreeView::WMCommand(TWMCommand& Message)
{
    if (!FEditor || !FEditor->HandleAllocated() || Message.Ctl() != FEditor->WindowHandle()) return;
    if (Message.NotifyCode() != EN_CHANGE) return;
    FEditChanged = true;
    FEditor->FSkipTextUpdate = false;
}

void TOutlineTreeView::WMSetFocus(TWMSetFocus& Message)
{
    TObjectWatch alive(this);
    TCustomControl::WMSetFocus(Message);
    if (alive) Invalidate();
}

void TOutlineTreeView::WMKillFocus(TWMKillFocus& Message)
{
    TObjectWatch alive(this);
    TCustomControl::WMKillFocus(Message);
    if (alive) Invalidate();
}
