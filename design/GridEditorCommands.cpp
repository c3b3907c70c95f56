// The layout editor's commands on its tree and the three buttons. Every change of the tree sets
// the change flag, which OK reads; a copied node that goes out of the tree is forgotten, so
// Paste never reads a freed node.
#include "design/GridEditor.h"
#include "host/controls/Dialogs.h"
#include "host/controls/Menus.h"
#include "zelgrid/ColumnRec.h"
#include "zelgrid/Zelgrid.h"

void TGridEditor::GridMenuPopup(TObject*)
{
    Paste->SetEnabled(CanPaste());
}

void TGridEditor::ForgetRecords(TTreeNode* Node, bool Self)
{
    if (FCopyNode && (Self ? Node->IsAncestorOf(FCopyNode) : Node != FCopyNode && Node->IsAncestorOf(FCopyNode)))
        FCopyNode = nullptr;
    const auto free = [](TTreeNode* Column) {
        delete static_cast<TZelColumnRec*>(Column->Data());
        Column->SetData(nullptr);
    };
    if (NodeKind(Node) == teColumn) {
        if (Self) free(Node);
        return;
    }
    for (TTreeNode* child = Node->getFirstChild(); child; child = child->getNextSibling())
        if (NodeKind(child) == teColumn) free(child);
}

void TGridEditor::DeleteNode(TTreeNode* Node)
{
    ForgetRecords(Node, true);
    Node->Delete();
}

void TGridEditor::DeleteChildren(TTreeNode* Node)
{
    ForgetRecords(Node, false);
    Node->DeleteChildren();
}

TTreeNode* TGridEditor::SelectedColumn() const
{
    TTreeNode* node = GridLay->Selected();
    switch (NodeKind(node)) {
    case teLayout:
        return nullptr;
    case teColumn:
        return node;
    default:
        return node && node->Parent() ? node->Parent() : nullptr;
    }
}

TTreeNode* TGridEditor::SelectedLayout() const
{
    TTreeNode* node = GridLay->Selected();
    if (NodeKind(node) == teLayout) return node;
    TTreeNode* column = SelectedColumn();
    return column ? column->Parent() : nullptr;
}

void TGridEditor::OkBtnClick(TObject*)
{
    if (FModified) SaveLayout(EditedGrid());
    SetModalResult(mrOk);
}

void TGridEditor::CancelBtnClick(TObject*)
{
    FModified = false;
    SetModalResult(mrCancel);
}

void TGridEditor::ApplyBtnClick(TObject*)
{
    TZelGrid* grid = EditedGrid();
    if (!grid) return;
    SaveLayout(grid);
    FApplied = true;
}

void TGridEditor::NewLayoutClick(TObject*)
{
    TTreeNodes* items = GridLay->Items();
    items->Add(nullptr, PropertiesCols[teLayout].Caption + std::to_string(items->TopCount()))
        ->SetOverlayIndex(teLayout);
    FModified = true;
}

void TGridEditor::DelLayoutClick(TObject*)
{
    TTreeNode* node = GridLay->Selected();
    if (NodeKind(node) != teLayout) {
        ShowMessage("Needed Layout for delete must be selected.");
        return;
    }
    DeleteNode(node);
    FModified = true;
}

void TGridEditor::NewcolClick(TObject*)
{
    if (!GridLay->Selected()) {
        ShowMessage("Nothing Selected");
        return;
    }
    TTreeNode* layout = SelectedLayout();
    if (!layout) return;
    auto rec = std::make_unique<TZelColumnRec>();
    rec->Font->Assign(GridLay->Font());
    rec->Titlefont->Assign(GridLay->Font());
    // Like a column added in code, the new column follows the grid's colour: the record's
    // colour 0 would paint it black.
    const TZelGrid* grid = EditedGrid();
    rec->Color = grid ? grid->Color() : clWindow;
    rec->AssignedValues.Exclude(cvColor);
    AddColumnNode(layout, layout->Count(), rec.release());
    FModified = true;
}

void TGridEditor::DelcolClick(TObject*)
{
    if (!GridLay->Selected()) {
        ShowMessage("Nothing Selected.");
        return;
    }
    TTreeNode* column = SelectedColumn();
    if (!column) {
        ShowMessage("Column for Delete must be selected");
        return;
    }
    DeleteNode(column);
    FModified = true;
}

void TGridEditor::DelAllColsClick(TObject*)
{
    if (!GridLay->Selected()) {
        ShowMessage("Nothing Selected.");
        return;
    }
    if (TTreeNode* layout = SelectedLayout()) DeleteChildren(layout);
    FModified = true;
}

void TGridEditor::GoUpClick(TObject*)
{
    TTreeNode* node = GridLay->Selected();
    if (!node) return;
    TTreeNode* moved = NodeKind(node) == teLayout ? node : SelectedColumn();
    if (!moved) return;
    if (TTreeNode* before = moved->getPrevSibling()) moved->MoveTo(before, naInsert);
    FModified = true;
}

void TGridEditor::GodownClick(TObject*)
{
    TTreeNode* node = GridLay->Selected();
    if (!node) return;
    TTreeNode* moved = NodeKind(node) == teLayout ? node : SelectedColumn();
    if (!moved) return;
    if (TTreeNode* after = moved->getNextSibling()) after->MoveTo(moved, naInsert);
    FModified = true;
}

void TGridEditor::copyClick(TObject*)
{
    TTreeNode* node = GridLay->Selected();
    const TTypeEl kind = NodeKind(node);
    if (kind == teLayout || kind == teColumn) FCopyNode = node;
}

bool TGridEditor::CanPaste() const
{
    TTreeNode* node = GridLay->Selected();
    return FCopyNode && node && NodeKind(node) == NodeKind(FCopyNode);
}

void TGridEditor::PasteClick(TObject*)
{
    FModified = true;
    TTreeNode* target = GridLay->Selected();
    if (!CanPaste() || target == FCopyNode) return;
    if (NodeKind(target) == teColumn) {
        if (TZelColumnRec* rec = NodeRecord(target)) rec->AssignFromRec(NodeRecord(FCopyNode));
        return;
    }
    TTreeNode* source = FCopyNode;
    DeleteChildren(target);
    int i = 0;
    for (TTreeNode* column = source->getFirstChild(); column; column = column->getNextSibling(), ++i) {
        auto rec = std::make_unique<TZelColumnRec>();
        rec->AssignFromRec(NodeRecord(column));
        AddColumnNode(target, i, rec.release());
    }
}
