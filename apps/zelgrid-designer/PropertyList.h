#pragma once
// TPropertyList: the designer's list of the selected component's published properties, names on
// the left and values on the right, in the property registry's order. Every row is served by the
// property editor the designer registry picks: its text, its drop-down values, its ellipsis
// dialog (Edit), and SetValue for a typed or chosen value. A class-valued property with
// sub-properties (a font) opens into rows of its own.
#include <memory>
#include <string>
#include <vector>

#include "outline/OutlineTreeView.h"

class IFormDesigner;
class TPersistent;
class TPropertyEditor;

class TPropertyList : public TOutlineTreeView {
public:
    TPropertyList(TComponent* AOwner, IFormDesigner* Designer);
    ~TPropertyList() override;

    // Lists Instance's properties (nothing for null).
    void SetInstance(TPersistent* Instance);
    TPersistent* Instance() const { return FInstance; }
    // The row of a property by its path of names ("Font.Size"), or null.
    TTreeNode* FindRow(const std::string& Path) const;
    // The editor serving a row, or null.
    static TPropertyEditor* EditorOf(const TTreeNode* Node);

private:
    void AddRow(TTreeNode* Parent, std::unique_ptr<TPropertyEditor> Editor, int Depth);
    void ListGetNodeData(TTreeNode* Node, std::string& Text);
    void ListIsReadOnly(TTreeNode* Node, bool& ReadOnly);
    void ListGetEditStyle(TTreeNode* Node, TEditStyle& Style);
    void ListGetPicklist(TTreeNode* Node, TStrings* List);
    void ListValidate(TTreeNode* Node, const std::string& Text);
    void ListEditButtonClick(TTreeNode* Node);

    IFormDesigner* FDesigner;
    TPersistent* FInstance = nullptr;
    std::vector<std::unique_ptr<TPropertyEditor>> FEditors;
};
