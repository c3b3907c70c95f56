#include "apps/zelform/FormTree.h"

#include "host/streaming/PropertyRegistry.h"
#include "zelgrid/Zelgrid.h"

namespace {

std::string EnumText(const char* Type, int Value)
{
    const TTypeInfo* type = PropertyRegistry().FindType(Type);
    return type ? type->OrdinalToText(Value) : std::to_string(Value);
}

// The assigned values of a column and its title, each with the value it holds.
std::string AssignedValues(TZelColumn* Column)
{
    const TZelColumnValues values = Column->AssignedValues();
    TZelColumnTitle* title = Column->Title();
    std::string text;
    auto add = [&](TZelColumnValue Value, const std::string& Shown) {
        if (!values.Contains(Value)) return;
        text += (text.empty() ? "" : ", ") + Shown;
    };
    add(cvColor, "Color=" + ColorToString(Column->GetColor()));
    add(cvWidth, "Width=" + std::to_string(Column->GetWidth()));
    add(cvFont, "Font=" + Column->GetFont()->Name() + " " + std::to_string(Column->GetFont()->Height()));
    add(cvAlignment, "Alignment=" + EnumText("TAlignment", Column->GetAlignment()));
    add(cvReadOnly, std::string("ReadOnly=") + (Column->GetReadOnly() ? "True" : "False"));
    add(cvTitleColor, "Title.Color=" + ColorToString(title->GetColor()));
    add(cvTitleCaption, "Title.Caption='" + title->GetCaption() + "'");
    add(cvTitleAlignment, "Title.Alignment=" + EnumText("TAlignment", title->GetAlignment()));
    add(cvTitleFont, "Title.Font=" + title->GetFont()->Name() + " " + std::to_string(title->GetFont()->Height()));
    return text.empty() ? "none" : text;
}

void Grid(TCustomZelGrid* Grid, const std::string& Indent, std::string& Out)
{
    Out += Indent + "LayoutIndex " + std::to_string(Grid->LayoutIndex()) + "\n";
    for (int l = 0; l < Grid->Layout()->Count(); ++l) {
        TZelGridColumns* columns = Grid->Layout()->GetItem(l)->GeTZelColumns();
        Out += Indent + "Layout " + std::to_string(l) + ": " + std::to_string(columns->Count()) + " columns\n";
        for (int c = 0; c < columns->Count(); ++c) {
            TZelColumn* column = columns->GeTZelColumn(c);
            Out += Indent + "  " + std::to_string(c) + " '" + column->Title()->GetCaption() + "' " +
                   EnumText("TZelColumnType", column->aType) + " width " +
                   std::to_string(column->GetWidth()) + (column->Visible() ? "" : " hidden") + "; assigned: " +
                   AssignedValues(column) + "\n";
        }
    }
}

void Component(TComponent* C, const std::string& Indent, std::string& Out)
{
    Out += Indent + (C->Name().empty() ? "(unnamed)" : C->Name()) + ": " + C->ClassName() + "\n";
    if (auto* grid = dynamic_cast<TCustomZelGrid*>(C)) Grid(grid, Indent + "  ", Out);
    for (int i = 0; i < C->ComponentCount(); ++i)
        if (!C->Components(i)->Name().empty()) Component(C->Components(i), Indent + "  ", Out);
}

} // namespace

std::string FormTree(TComponent* Root)
{
    std::string out;
    Component(Root, "", out);
    return out;
}
