#include "apps/zelgrid-designer/PropertyList.h"

#include "host/core/Exceptions.h"
#include "host/designer/Designer.h"
#include "host/streaming/PropertyRegistry.h"

namespace {

// Sub-properties open this many levels deep (a column's title's font would be the third).
constexpr int MaxDepth = 2;

} // namespace

TPropertyList::TPropertyList(TComponent* AOwner, IFormDesigner* Designer) : TOutlineTreeView(AOwner), FDesigner(Designer)
{
    SetTreeOptions({totShowLines, totShowButtons, totNopaintNoChilds, totDrawGrid, totResizeCols, totEditing});
    SetPropText("Property");
    SetValuesText("Value");
    OnGetNodeData = [this](TTreeNode* Node, std::string& Text, bool&, int&) { ListGetNodeData(Node, Text); };
    OnIsReadOnlyNode = [this](TTreeNode* Node, bool& ReadOnly) { ListIsReadOnly(Node, ReadOnly); };
    OnGetEditStyle = [this](TTreeNode* Node, TEditStyle& Style) { ListGetEditStyle(Node, Style); };
    OnGetPicklist = [this](TTreeNode* Node, TStrings* List) { ListGetPicklist(Node, List); };
    OnValidateNodeData = [this](TTreeNode* Node, const std::string& Text) { ListValidate(Node, Text); };
    OnEditButtonClick = [this](TTreeNode* Node) { ListEditButtonClick(Node); };
}

TPropertyList::~TPropertyList()
{
    // The rows point at the editors: they go first.
    Items()->Clear();
}

void TPropertyList::SetInstance(TPersistent* Instance)
{
    if (EditorMode()) HideEditor(false);
    Items()->Clear();
    FEditors.clear();
    FInstance = Instance;
    const TClassInfo* info = Instance ? PropertyRegistry().ClassOf(Instance) : nullptr;
    if (!info) return;
    Items()->BeginUpdate();
    for (const TPropInfo* prop : info->Properties()) {
        // Events belong to the application's code, not to the list.
        if (prop->PropType->Kind == tkMethod) continue;
        AddRow(nullptr, GetPropertyEditor(Instance, prop, FDesigner), 0);
    }
    Items()->EndUpdate();
    if (TTreeNode* first = Items()->GetFirstNode()) SetSelected(first);
}

void TPropertyList::AddRow(TTreeNode* Parent, std::unique_ptr<TPropertyEditor> Editor, int Depth)
{
    TPropertyEditor* editor = Editor.get();
    FEditors.push_back(std::move(Editor));
    TTreeNode* node = Items()->AddChildObject(Parent, editor->GetName(), editor);
    if (Depth + 1 >= MaxDepth || !editor->GetAttributes().Contains(paSubProperties)) return;
    editor->GetProperties([&](std::unique_ptr<TPropertyEditor> Sub) { AddRow(node, std::move(Sub), Depth + 1); });
}

TTreeNode* TPropertyList::FindRow(const std::string& Path) const
{
    TTreeNode* node = nullptr;
    std::size_t start = 0;
    while (start <= Path.size()) {
        const std::size_t dot = Path.find('.', start);
        const std::string name = Path.substr(start, dot == std::string::npos ? std::string::npos : dot - start);
        TTreeNode* child = node ? node->getFirstChild() : Items()->GetFirstNode();
        while (child && child->Text() != name) child = child->getNextSibling();
        if (!child) return nullptr;
        node = child;
        if (dot == std::string::npos) break;
        start = dot + 1;
    }
    return node;
}

TPropertyEditor* TPropertyList::EditorOf(const TTreeNode* Node)
{
    return Node ? static_cast<TPropertyEditor*>(Node->Data()) : nullptr;
}

void TPropertyList::ListGetNodeData(TTreeNode* Node, std::string& Text)
{
    TPropertyEditor* editor = EditorOf(Node);
    if (!editor) return;
    try {
        Text = editor->GetValue();
    } catch (const Exception&) {
        // A value that cannot be shown must not stop the paint.
        Text = "(error)";
    }
}

void TPropertyList::ListIsReadOnly(TTreeNode* Node, bool& ReadOnly)
{
    TPropertyEditor* editor = EditorOf(Node);
    if (!editor) return;
    const TPropertyAttributes attributes = editor->GetAttributes();
    ReadOnly = attributes.Contains(paReadOnly) && !attributes.Contains(paDialog);
}

void TPropertyList::ListGetEditStyle(TTreeNode* Node, TEditStyle& Style)
{
    TPropertyEditor* editor = EditorOf(Node);
    if (!editor) return;
    const TPropertyAttributes attributes = editor->GetAttributes();
    if (attributes.Contains(paDialog)) Style = esEllipsisButton;
    else if (attributes.Contains(paValueList)) Style = esDropDownList;
    else Style = esNoButton;
}

void TPropertyList::ListGetPicklist(TTreeNode* Node, TStrings* List)
{
    if (TPropertyEditor* editor = EditorOf(Node)) editor->GetValues([&](const std::string& Value) { List->Add(Value); });
}

// The tree also validates after the ellipsis button with the text its dialog left: an unchanged
// text sets nothing, so a dialog-only property never gets text it cannot take.
void TPropertyList::ListValidate(TTreeNode* Node, const std::string& Text)
{
    TPropertyEditor* editor = EditorOf(Node);
    if (!editor || Text == editor->GetValue()) return;
    editor->SetValue(Text);
}

void TPropertyList::ListEditButtonClick(TTreeNode* Node)
{
    if (TPropertyEditor* editor = EditorOf(Node)) editor->Edit();
}
