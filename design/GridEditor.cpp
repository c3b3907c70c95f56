#include "design/GridEditor.h"

#include "design/StrEde.h"
#include "host/controls/Application.h"
#include "host/controls/ControlProperties.h"
#include "host/controls/FontDialog.h"
#include "host/controls/Menus.h"
#include "host/controls/StdCtrls.h"
#include "outline/OutlineProperties.h"
#include "zelgrid/ColumnRec.h"
#include "zelgrid/Zelgrid.h"

namespace {

// A component the form resource made; a missing one is a broken resource.
template <class T> T* Find(const TComponent* Form, const char* Name)
{
    auto* found = dynamic_cast<T*>(Form->FindComponent(Name));
    if (!found) throw EReadError(std::string("The layout editor's form has no ") + Name);
    return found;
}

bool IsPropertyKind(TTypeEl Kind)
{
    return Kind >= teColAlignment && Kind <= teTitleFont;
}

std::string FontText(const TFont& Font)
{
    return Font.Name() + ";" + std::to_string(Font.Size()) + ";" + ColorToString(Font.Color());
}

// The menu item of that name at any depth below Root (the reader makes the menu their owner).
TMenuItem* FindItem(TMenuItem* Root, const std::string& Name)
{
    for (int i = 0; i < Root->Count(); ++i) {
        TMenuItem* item = Root->Items(i);
        if (item->Name() == Name) return item;
        if (TMenuItem* found = FindItem(item, Name)) return found;
    }
    return nullptr;
}

} // namespace

TGridEditor::TGridEditor(TComponent* AOwner)
    : TForm(AOwner)
{
    RegisterOutlineProperties();
    if (!PropertyRegistry().FindClass("TGridEditor"))
        PropertyRegistry().RegisterClass<TGridEditor>("TGridEditor", "TForm");
    THandlerTable handlers;
    handlers.Add<TGetNodeDataEvent>("GridLayGetNodeData",
        [this](TTreeNode* N, std::string& T, bool& F, int& No) { GridLayGetNodeData(N, T, F, No); });
    handlers.Add<TValidateNodeDataEvent>(
        "GridLayValidateNodeData", [this](TTreeNode* N, const std::string& T) { GridLayValidateNodeData(N, T); });
    handlers.Add<TNodeEditButtonClickEvent>(
        "GridLayEditButtonClick", [this](TTreeNode* N) { GridLayEditButtonClick(N); });
    handlers.Add<TIsReadOnlyNodeEvent>(
        "GridLayIsReadOnlyNode", [this](TTreeNode* N, bool& R) { GridLayIsReadOnlyNode(N, R); });
    handlers.Add<TGetNodePicklistEvent>(
        "GridLayGetPicklist", [this](TTreeNode* N, TStrings* L) { GridLayGetPicklist(N, L); });
    handlers.Add<TGetNodeEditStyleEvent>(
        "GridLayGetEditStyle", [this](TTreeNode* N, TEditStyle& S) { GridLayGetEditStyle(N, S); });
    using TCommand = void (TGridEditor::*)(TObject*);
    const std::pair<const char*, TCommand> commands[] = {
        { "OkBtnClick", &TGridEditor::OkBtnClick },
        { "CancelBtnClick", &TGridEditor::CancelBtnClick },
        { "ApplyBtnClick", &TGridEditor::ApplyBtnClick },
        { "NewLayoutClick", &TGridEditor::NewLayoutClick },
        { "DelLayoutClick", &TGridEditor::DelLayoutClick },
        { "NewcolClick", &TGridEditor::NewcolClick },
        { "DelcolClick", &TGridEditor::DelcolClick },
        { "DelAllColsClick", &TGridEditor::DelAllColsClick },
        { "GoUpClick", &TGridEditor::GoUpClick },
        { "GodownClick", &TGridEditor::GodownClick },
        { "copyClick", &TGridEditor::copyClick },
        { "PasteClick", &TGridEditor::PasteClick },
        { "GridMenuPopup", &TGridEditor::GridMenuPopup },
    };
    for (const auto& entry : commands) {
        const TCommand command = entry.second;
        handlers.Add<TNotifyEvent>(entry.first, [this, command](TObject* Sender) { (this->*command)(Sender); });
    }
    ReadFormResource(this, "TGRIDEDITOR", &handlers);

    GridLay = Find<TOutlineTreeView>(this, "GridLay");
    OkBtn = Find<TButton>(this, "OkBtn");
    CancelBtn = Find<TButton>(this, "CancelBtn");
    ApplyBtn = Find<TButton>(this, "ApplyBtn");
    GridMenu = Find<TPopupMenu>(this, "GridMenu");
    for (auto [item, name] : { std::pair { &N1, "N1" }, { &NewLayout, "NewLayout" }, { &DelLayout, "DelLayout" },
             { &N2, "N2" }, { &Newcol, "Newcol" }, { &Delcol, "Delcol" }, { &DelAllCols, "DelAllCols" }, { &N3, "N3" },
             { &GoUp, "GoUp" }, { &Godown, "Godown" }, { &N4, "N4" }, { &copy, "copy" }, { &Paste, "Paste" } })
        if (!(*item = FindItem(GridMenu->Items(), name)))
            throw EReadError(std::string("The layout editor's menu has no ") + name);
    FontDialog = new TFontDialog(this);
    FontDialog->SetName("FontDialog");
    FontDialog->SetFont(Font());
}

TGridEditor::~TGridEditor()
{
    ClearColumns();
}

TTypeEl TGridEditor::NodeKind(const TTreeNode* Node)
{
    const int kind = Node ? Node->OverlayIndex() : -1;
    return kind >= 0 && kind < TypeElCount ? static_cast<TTypeEl>(kind) : static_cast<TTypeEl>(TypeElCount);
}

TZelColumnRec* TGridEditor::NodeRecord(const TTreeNode* Node)
{
    const TTypeEl kind = NodeKind(Node);
    if (kind == teColumn) return static_cast<TZelColumnRec*>(Node->Data());
    if (IsPropertyKind(kind) && Node->Parent()) return static_cast<TZelColumnRec*>(Node->Parent()->Data());
    return nullptr;
}

TTreeNode* TGridEditor::AddColumnNode(TTreeNode* Layout, int Number, TZelColumnRec* Rec)
{
    TTreeNodes* items = GridLay->Items();
    TTreeNode* column = items->AddChildObject(Layout, PropertiesCols[teColumn].Caption + std::to_string(Number), Rec);
    column->SetOverlayIndex(teColumn);
    for (int kind = teColAlignment; kind <= teTitleFont; ++kind)
        items->AddChild(column, PropertiesCols[kind].Caption)->SetOverlayIndex(kind);
    return column;
}

void TGridEditor::CopyLayout(TZelGrid* Grid)
{
    FEditedGrid = Grid;
    FEditedGridAlive = std::make_unique<TObjectWatch>(Grid);
    ClearColumns();
    FCopyNode = nullptr;
    TTreeNodes* items = GridLay->Items();
    TTreeNodesUpdate update(items);
    items->Clear();
    TZelColLayout* layouts = Grid->Layout();
    for (int i = 0; layouts && i < layouts->Count(); ++i) {
        TTreeNode* layout = items->Add(nullptr, PropertiesCols[teLayout].Caption + std::to_string(i));
        layout->SetOverlayIndex(teLayout);
        TZelGridColumns* columns = layouts->GetItem(i)->GeTZelColumns();
        for (int j = 0; j < columns->Count(); ++j) {
            auto rec = std::make_unique<TZelColumnRec>();
            rec->Assign(columns->GeTZelColumn(j));
            AddColumnNode(layout, j, rec.release());
        }
    }
}

void TGridEditor::ClearColumns()
{
    TTreeNodes* items = GridLay->Items();
    for (int i = 0; i < items->TopCount(); ++i)
        for (TTreeNode* column = items->TopItem(i)->getFirstChild(); column; column = column->getNextSibling()) {
            delete static_cast<TZelColumnRec*>(column->Data());
            column->SetData(nullptr);
        }
}

void TGridEditor::SaveLayout(TZelGrid* Grid)
{
    if (!Grid) return;
    TLayoutGuard bracket(Grid);
    TObjectWatch alive(Grid);
    TZelColLayout* layouts = Grid->Layout();
    layouts->Clear();
    TTreeNodes* items = GridLay->Items();
    for (int i = 0; i < items->TopCount(); ++i) {
        TZelGridColumns* columns = layouts->Add()->GeTZelColumns();
        for (TTreeNode* node = items->TopItem(i)->getFirstChild(); node; node = node->getNextSibling()) {
            TCollectionUpdateGuard update(columns);
            TZelColumn* column = columns->Add();
            if (auto* rec = static_cast<TZelColumnRec*>(node->Data())) rec->AssignToColumn(column);
            if (!alive) return;
        }
    }
}

void TGridEditor::GridLayGetNodeData(TTreeNode* Node, std::string& Text, bool& Flag, int&)
{
    Flag = false;
    const TTypeEl kind = NodeKind(Node);
    if (kind == teLayout || kind == teColumn || kind == tePickList) {
        Text = "...";
        return;
    }
    const TZelColumnRec* rec = NodeRecord(Node);
    if (!rec) return;
    const auto name = [&](long long Value) {
        const char* n = IdentName(KindTable(kind), Value);
        return std::string(n ? n : "");
    };
    switch (kind) {
    case teColAlignment:
        Text = name(rec->Alignment);
        break;
    case teType:
        Text = rec->aType == tctCode ? "Code" : name(rec->aType);
        break;
    case teButtonStyle:
        Text = name(rec->ButtonStyle);
        break;
    case teColor:
        Text = ColorToString(rec->Color);
        break;
    case teDropDownRows:
        Text = std::to_string(rec->DropDownRows);
        break;
    case teReadOnly:
        Text = name(rec->ReadOnly);
        break;
    case teWidth:
        Text = std::to_string(rec->Width);
        break;
    case teFormat:
        Text = rec->Format;
        break;
    case teColumnFont:
        Text = FontText(*rec->Font);
        break;
    case teWordwrap:
        Text = name(rec->WordWrap);
        break;
    case teColumnSumEnable:
        Text = name(rec->ColumnSumEnable);
        break;
    case teVisible:
        Text = name(rec->Visible);
        break;
    case teTitleCaption:
        Text = rec->TitleCaption;
        break;
    case teTitleAlignment:
        Text = name(rec->TitleAlignment);
        break;
    case teTitleColor:
        Text = ColorToString(rec->TitleColor);
        break;
    case teTitleFont:
        Text = FontText(*rec->Titlefont);
        break;
    default:
        break;
    }
}

// A conversion error leaves before anything is stored, so the record and the change flag stay.
void TGridEditor::GridLayValidateNodeData(TTreeNode* Node, const std::string& Text)
{
    const TTypeEl kind = NodeKind(Node);
    TZelColumnRec* rec = NodeRecord(Node);
    if (!IsPropertyKind(kind) || !rec) return;
    long long value = 0;
    const bool named = IdentValue(KindTable(kind), Text, value);
    switch (kind) {
    case teColAlignment:
        if (named) rec->Alignment = static_cast<TAlignment>(value);
        break;
    case teTitleAlignment:
        if (named) rec->TitleAlignment = static_cast<TAlignment>(value);
        break;
    case teType:
        if (named) rec->aType = static_cast<TZelColumnType>(value);
        break;
    case teButtonStyle:
        if (named) rec->ButtonStyle = static_cast<TZelColumnButtonStyle>(value);
        break;
    case teReadOnly:
        if (named) rec->ReadOnly = value == 1;
        break;
    case teWordwrap:
        if (named) rec->WordWrap = value == 1;
        break;
    case teColumnSumEnable:
        if (named) rec->ColumnSumEnable = value == 1;
        break;
    case teVisible:
        if (named) rec->Visible = value == 1;
        break;
    case teColor:
        rec->Color = StringToColor(Text);
        break;
    case teTitleColor:
        rec->TitleColor = StringToColor(Text);
        break;
    case teDropDownRows:
        rec->DropDownRows = StrToInt(Text);
        break;
    case teWidth:
        rec->Width = StrToInt(Text);
        break;
    case teFormat:
        rec->Format = Text;
        break;
    case teTitleCaption:
        rec->TitleCaption = Text;
        break;
    default:
        break; // the font and pick-list rows ignore typed text
    }
    FModified = true;
}

void TGridEditor::GridLayGetPicklist(TTreeNode* Node, TStrings* List)
{
    for (const TIdentMapEntry& e : KindTable(NodeKind(Node))) List->Add(e.Name);
}

void TGridEditor::GridLayGetEditStyle(TTreeNode* Node, TEditStyle& Style)
{
    const TTypeEl kind = NodeKind(Node);
    if (!IsPropertyKind(kind)) return;
    if (kind == teColumnFont || kind == teTitleFont || kind == tePickList)
        Style = esEllipsisButton;
    else if (!KindTable(kind).empty())
        Style = esDropDownList;
    else
        Style = esNoButton;
}

void TGridEditor::GridLayIsReadOnlyNode(TTreeNode* Node, bool& ReadOnly)
{
    const TTypeEl kind = NodeKind(Node);
    ReadOnly = kind == teLayout || kind == teColumn;
}

void TGridEditor::GridLayEditButtonClick(TTreeNode* Node)
{
    const TTypeEl kind = NodeKind(Node);
    TZelColumnRec* rec = NodeRecord(Node);
    if (!rec) return;
    TObjectWatch alive(this);
    if (kind == tePickList) {
        TStringList list;
        list.SetText(rec->PickListText);
        const bool confirmed = GetStrings("PickList Values", &list);
        if (!alive || !confirmed) return;
        // An emptied list is stored as the empty pick list, not as the empty text, which would
        // leave the column's old pick list in place when the layouts are written back.
        const std::string text = list.GetText();
        rec->PickListText = text.empty() ? TZelColumnRec::EmptyPickListText() : text;
        FModified = true;
        return;
    }
    if (kind != teColumnFont && kind != teTitleFont) return;
    TFont* font = kind == teColumnFont ? rec->Font.get() : rec->Titlefont.get();
    FontDialog->SetFont(font);
    const bool chosen = FontDialog->Execute();
    if (!alive || !chosen) return;
    font->Assign(FontDialog->Font());
    FModified = true;
}

bool ExecuteLayoutEditor(TPersistent* Component, const TEditorCaption& Caption)
{
    auto editor = std::make_unique<TGridEditor>(&Application());
    editor->SetCaption(Caption(editor->Caption()));
    auto* grid = dynamic_cast<TZelGrid*>(Component);
    if (!grid) throw EInvalidCast("Invalid class typecast");
    editor->CopyLayout(grid);
    editor->SetModified(false);
    editor->ShowModal();
    editor->ClearColumns();
    return editor->Modified() || editor->Applied();
}

bool ExecuteLayoutEditor(TPersistent* Component, const std::string& Caption)
{
    return ExecuteLayoutEditor(Component, [&](const std::string&) { return Caption; });
}
