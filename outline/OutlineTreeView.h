#pragma once
// TOutlineTreeView: a tree in two columns, the node captions on the left (WidthOutline wide, with
// lines and expand buttons) and the node values on the right, under optional headers. The
// application supplies the values through events and edits them in place with TOutInplaceEdit.
//
// The rows shown are a flat list of the visible nodes, rebuilt lazily after a change, so a tree
// of tens of thousands of nodes costs only its visible part per paint or key.
//
// Files: OutlineTreeView.cpp (properties, rows, scrolling), OutlineTreePaint.cpp (drawing),
// OutlineTreeInput.cpp (keyboard and mouse), OutlineTreeEditing.cpp (the in-place editor).
#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "host/controls/WinControl.h"
#include "host/core/Sets.h"
#include "host/core/Strings.h"
#include "host/graphics/Bitmap.h"
#include "outline/EditStyle.h"
#include "outline/TreeNodes.h"

class TOutInplaceEdit;
class TCustomInplaceEdit;

enum TOutlineTreeOption : unsigned char {
    totShowLines,       // dotted lines join the nodes
    totShowButtons,     // expand and collapse buttons before nodes with children
    totNopaintNoChilds, // no button glyph before nodes without children
    totDrawGrid,        // lines between the rows and between the two columns
    totResizeCols,      // the column divider can be dragged
    totEditing          // values can be edited in place
};
using TOutlineTreeOptions = TSet<TOutlineTreeOption, std::uint8_t>;

// The eight button glyphs, 12 x 12 pixels each.
enum TTreeButtonGlyph : unsigned char {
    tbgChecked, tbgUnChecked, tbgGrayed, tbgOptioned, tbgUnOptioned, tbgCollapsed, tbgExpanded, tbgNonChild
};

// Asked whenever a row is painted (and when its value is edited): Text is the value column's
// text; a true Flag puts a glyph before it, chosen by Number (0 unchecked, 1 checked, 2 grayed,
// 3 unoptioned, 4 optioned).
using TGetNodeDataEvent = std::function<void(TTreeNode* Node, std::string& Text, bool& Flag, int& Number)>;
using TIsReadOnlyNodeEvent = std::function<void(TTreeNode* Node, bool& ReadOnly)>;
using TGetNodeEditStyleEvent = std::function<void(TTreeNode* Node, TEditStyle& EditStyle)>;
using TGetNodePicklistEvent = std::function<void(TTreeNode* Node, TStrings* Picklist)>;
using TValidateNodeDataEvent = std::function<void(TTreeNode* Node, const std::string& Text)>;
using TNodeEditButtonClickEvent = std::function<void(TTreeNode* Node)>;

class TOutlineTreeView : public TCustomControl, private TTreeNodesListener {
public:
    explicit TOutlineTreeView(TComponent* AOwner);
    ~TOutlineTreeView() override;

    TTreeNodes* Items() const { return FItems.get(); }
    TTreeNode* Selected() const { return FItems->Selected(); }
    // Ends an edit in progress first (which may refuse by raising), then selects and shows Node.
    void SetSelected(TTreeNode* Node) { FItems->SetSelected(Node); }

    TOutlineTreeOptions TreeOptions() const { return FTreeOptions; }
    void SetTreeOptions(TOutlineTreeOptions Value);
    bool Flat() const { return FFlat; }
    void SetFlat(bool Value);
    int WidthOutline() const { return FWidthOutline; }
    void SetWidthOutline(int Value);
    bool ShowHeaders() const { return FShowHeaders; }
    void SetShowHeaders(bool Value);
    int HeadersHeight() const { return FHeadersHeight; }
    void SetHeadersHeight(int Value);
    const std::string& PropText() const { return FPropText; }
    void SetPropText(const std::string& Value);
    const std::string& ValuesText() const { return FValuesText; }
    void SetValuesText(const std::string& Value);
    // Horizontal step per level.
    int Indent() const { return FIndent; }
    void SetIndent(int Value);
    TColor BackgroundColor() const { return FBackgroundColor; }
    void SetBackgroundColor(TColor Value);
    TColor SelectedBackgroundColor() const { return FSelectedBackgroundColor; }
    void SetSelectedBackgroundColor(TColor Value);

    TBitmap* ButtonGlyph(TTreeButtonGlyph Which) const { return FGlyphs[Which].get(); }
    void SetButtonGlyph(TTreeButtonGlyph Which, const TBitmap& Value);
    TBitmap* ButtonChecked() const { return ButtonGlyph(tbgChecked); }
    TBitmap* ButtonUnChecked() const { return ButtonGlyph(tbgUnChecked); }
    TBitmap* ButtonGrayed() const { return ButtonGlyph(tbgGrayed); }
    TBitmap* ButtonOptioned() const { return ButtonGlyph(tbgOptioned); }
    TBitmap* ButtonUnOptioned() const { return ButtonGlyph(tbgUnOptioned); }
    TBitmap* ButtonCollapsed() const { return ButtonGlyph(tbgCollapsed); }
    TBitmap* ButtonExpanded() const { return ButtonGlyph(tbgExpanded); }
    TBitmap* ButtonNonChild() const { return ButtonGlyph(tbgNonChild); }

    // Geometry, in client coordinates. Rows are the visible nodes, top to bottom.
    int RowHeight();
    int RowCount();
    TTreeNode* RowNode(int Row);
    // The node's row, or -1 when an ancestor is collapsed.
    int NodeRow(const TTreeNode* Node);
    int TopRow() const { return FTopRow; }
    void SetTopRow(int Value);
    // Rows that fit wholly below the headers (at least 1).
    int VisibleRowCount();
    TTreeNode* GetNodeAt(int X, int Y);
    // The node's row, its caption cell, its value cell and its button; empty when not shown.
    TRect RowRect(const TTreeNode* Node);
    TRect CaptionRect(const TTreeNode* Node);
    TRect ValueRect(const TTreeNode* Node);
    TRect ButtonRect(const TTreeNode* Node);
    // Scrolls so that Node's row is wholly shown.
    void MakeVisible(const TTreeNode* Node);

    // In-place editing of the selected node's value.
    TOutInplaceEdit* Editor() const { return FEditor; }
    bool EditorMode() const;
    void ShowEditor();
    // Ends the edit: with Accept the edited text goes to OnValidateNodeData first (when the user
    // changed it); a refusal (an exception) leaves the editor open and passes on.
    void HideEditor(bool Accept = true);

    // Dispatch methods of the events.
    virtual void GetNodeData(TTreeNode* Node, std::string& Text, bool& Flag, int& Number);
    virtual void IsReadOnlyNode(TTreeNode* Node, bool& ReadOnly);
    virtual void GetEditStyle(TTreeNode* Node, TEditStyle& EditStyle);
    virtual void GetPicklist(TTreeNode* Node, TStrings* Picklist);
    virtual void ValidateNodeData(TTreeNode* Node, const std::string& Text);
    virtual void EditButtonClick(TTreeNode* Node);

    TGetNodeDataEvent OnGetNodeData;
    TIsReadOnlyNodeEvent OnIsReadOnlyNode;
    TGetNodeEditStyleEvent OnGetEditStyle;
    TGetNodePicklistEvent OnGetPicklist;
    TValidateNodeDataEvent OnValidateNodeData;
    TNodeEditButtonClickEvent OnEditButtonClick;

protected:
    void CreateParams(TCreateParams& Params) override;
    void CreateWnd() override;
    void Paint() override;
    void KeyDown(WORD& Key, TShiftState Shift) override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void DblClick() override;
    void Dispatch(TMessage& Message) override;

    void WMGetDlgCode(TWMGetDlgCode& Message) override;
    void WMChar(TWMKey& Message) override;
    void WMVScroll(TWMScroll& Message) override;
    void WMMouseWheel(TWMMouseWheel& Message) override;
    void WMSize(TWMSize& Message) override;
    void WMCommand(TWMCommand& Message) override;
    void WMSetFocus(TWMSetFocus& Message) override;
    void WMKillFocus(TWMKillFocus& Message) override;
    void CMFontChanged(TMessage& Message) override;

private:
    // The node list's notices.
    void NodesChanged() override;
    void NodeDeleting(TTreeNode* Node) override;
    void SelectionChanging() override;
    void SelectionChanged() override;

    // Rows and scrolling.
    void EnsureRows();
    void AddRows(TTreeNode* First);
    int HeaderBottom() const { return FShowHeaders ? FHeadersHeight : 0; }
    int MaxTopRow();
    void UpdateScrollBar();
    void PostRowsUpdate();
    // Moves the selection by Delta rows (clamped), or to row Row.
    void SelectRow(int Row);
    void ToggleNode(TTreeNode* Node);
    // The x of the column divider the mouse is near, for sizing.
    bool OverDivider(int X) const;

    // Drawing.
    void LoadGlyphs();
    void PaintHeaders(TCanvas& Canvas, const TRect& Area);
    // Answers false when a handler changed the tree, so the paint stops.
    bool PaintRow(TCanvas& Canvas, TTreeNode* Node, const TRect& Row);
    void PaintLines(TCanvas& Canvas, const TTreeNode* Node, const TRect& Row, int Level);
    void DrawGlyph(TCanvas& Canvas, TTreeButtonGlyph Which, int X, int Y);

    // Editing.
    TOutInplaceEdit* CreateEditor();
    bool CanEdit() const { return FTreeOptions.Contains(totEditing); }
    void EditorKeyDown(WORD& Key, TShiftState Shift);
    void EditorButtonClicked();
    void ResumeEdit();
    void CommitEdit(const std::string& Text);
    void CancelEdit();
    void PlaceEditor();

    std::unique_ptr<TTreeNodes> FItems;
    std::vector<TTreeNode*> FRows;
    bool FRowsDirty = true;
    bool FUpdatePosted = false;
    int FTopRow = 0;
    int FBarMax = -1;
    int FBarPage = -1;
    int FBarPos = -1;
    bool FUpdatingBar = false;

    TOutlineTreeOptions FTreeOptions{totShowLines, totShowButtons, totEditing};
    bool FFlat = false;
    int FWidthOutline = 150;
    bool FShowHeaders = true;
    int FHeadersHeight = 17;
    std::string FPropText = "Properties";
    std::string FValuesText = "Values";
    int FIndent = 19;
    TColor FBackgroundColor = clWindow;
    TColor FSelectedBackgroundColor = clWindow;
    std::array<std::unique_ptr<TBitmap>, 8> FGlyphs;

    // The mouse: where the last press went, and a divider drag.
    TPoint FDownPos{-1, -1};
    bool FSizing = false;

    TOutInplaceEdit* FEditor = nullptr; // owned as a component
    TTreeNode* FEditNode = nullptr;
    // The user changed the editor's text since it was loaded or last accepted.
    bool FEditChanged = false;
    TStringList FPicklist;
};
