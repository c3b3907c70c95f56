#pragma once
// TGridEditor: the layout editor dialog, read from its form resource. It edits a copy of a grid's layouts as a
// three-level tree (layouts, their columns, seventeen property rows per column); every column node owns a TZelColumnRec
// that holds the column's values while the dialog is open. OK and Apply write the tree back into the grid; Cancel
// writes nothing.
//
// Files: GridEditor.cpp (the form, the transfer between grid and tree, the property rows),
// GridEditorCommands.cpp (adding, deleting, moving, copying and pasting layouts and columns,
// and the three buttons).
#include "design/EditorTables.h"
#include "host/controls/Forms.h"
#include "host/core/ObjectWatch.h"
#include "outline/OutlineTreeView.h"

#include <functional>
#include <memory>
#include <string>

class TButton;
class TFontDialog;
class TMenuItem;
class TPopupMenu;
class TZelGrid;
class TZelColumnRec;

class TGridEditor : public TForm {
public:
    explicit TGridEditor(TComponent* AOwner);
    // Frees the records ClearColumns has not freed.
    ~TGridEditor() override;

    // Fills the tree from Grid's layouts (one record per column) and remembers Grid.
    void CopyLayout(TZelGrid* Grid);
    // Frees the record of every column node; the nodes stay.
    void ClearColumns();
    // Replaces all layouts of Grid with the tree's, inside one layout bracket.
    void SaveLayout(TZelGrid* Grid);

    bool Modified() const { return FModified; }
    // Apply wrote the grid during this opening: the grid changed even when Cancel follows.
    bool Applied() const { return FApplied; }
    void SetModified(bool Value) { FModified = Value; }
    // The grid CopyLayout read, or null once it is freed.
    TZelGrid* EditedGrid() const { return FEditedGridAlive && *FEditedGridAlive ? FEditedGrid : nullptr; }
    TTreeNode* CopyNode() const { return FCopyNode; }

    // The kind of a node of this tree, and the record a column node or a property row reads.
    static TTypeEl NodeKind(const TTreeNode* Node);
    static TZelColumnRec* NodeRecord(const TTreeNode* Node);

    // Tree events.
    void GridLayGetNodeData(TTreeNode* Node, std::string& Text, bool& Flag, int& Number);
    void GridLayValidateNodeData(TTreeNode* Node, const std::string& Text);
    void GridLayGetPicklist(TTreeNode* Node, TStrings* List);
    void GridLayGetEditStyle(TTreeNode* Node, TEditStyle& Style);
    void GridLayIsReadOnlyNode(TTreeNode* Node, bool& ReadOnly);
    void GridLayEditButtonClick(TTreeNode* Node);

    // Buttons and commands; Sender is ignored.
    void OkBtnClick(TObject* Sender);
    void CancelBtnClick(TObject* Sender);
    void ApplyBtnClick(TObject* Sender);
    void NewLayoutClick(TObject* Sender);
    void DelLayoutClick(TObject* Sender);
    void NewcolClick(TObject* Sender);
    void DelcolClick(TObject* Sender);
    void DelAllColsClick(TObject* Sender);
    void GoUpClick(TObject* Sender);
    void GodownClick(TObject* Sender);
    void copyClick(TObject* Sender);
    void PasteClick(TObject* Sender);
    // Run each time the menu opens: Paste is enabled exactly when it would act.
    void GridMenuPopup(TObject* Sender);
    // Whether Paste would act now: a copied node still in the tree, and a selection of its kind.
    bool CanPaste() const;

    TOutlineTreeView* GridLay = nullptr;
    TButton* OkBtn = nullptr;
    TButton* CancelBtn = nullptr;
    TButton* ApplyBtn = nullptr;
    TPopupMenu* GridMenu = nullptr;
    TMenuItem *N1 = nullptr, *NewLayout = nullptr, *DelLayout = nullptr, *N2 = nullptr, *Newcol = nullptr,
              *Delcol = nullptr, *DelAllCols = nullptr, *N3 = nullptr, *GoUp = nullptr, *Godown = nullptr,
              *N4 = nullptr, *copy = nullptr, *Paste = nullptr;
    TFontDialog* FontDialog = nullptr;

private:
    // A column node captioned "Column" + Number under Layout, owning Rec, with its 17 rows.
    TTreeNode* AddColumnNode(TTreeNode* Layout, int Number, TZelColumnRec* Rec);
    // Frees the records of Node's column nodes (Node itself when it is one), forgetting the
    // copy when it goes with them, then deletes Node or only its children.
    void DeleteNode(TTreeNode* Node);
    void DeleteChildren(TTreeNode* Node);
    void ForgetRecords(TTreeNode* Node, bool Self);
    // The layout, column or moved node the selection stands for (null when there is none).
    TTreeNode* SelectedLayout() const;
    TTreeNode* SelectedColumn() const;

    bool FModified = false;
    bool FApplied = false;
    TZelGrid* FEditedGrid = nullptr;
    std::unique_ptr<TObjectWatch> FEditedGridAlive;
    TTreeNode* FCopyNode = nullptr;
};

// Opens the layout editor on Component as the designer's openers do: a new dialog owned by the
// application, captioned Caption(the caption of its form resource), gets the layouts of
// Component, which must be a TZelGrid (EInvalidCast otherwise), and is shown modally; its records
// and the dialog are freed whatever happens. Answers whether the grid was changed (OK after
// edits, or an Apply), which the opener reports to the designer.
using TEditorCaption = std::function<std::string(const std::string& FormCaption)>;
bool ExecuteLayoutEditor(TPersistent* Component, const TEditorCaption& Caption);
// The same, with a fixed caption.
bool ExecuteLayoutEditor(TPersistent* Component, const std::string& Caption);
