#include "apps/zelform/FormTree.h"

#include <vector>

#include "host/core/Exceptions.h"
#include "host/core/Strings.h"
#include "host/streaming/PropertyRegistry.h"
#include "zelgrid/Zelgrid.h"

namespace {

// A string as the text form quotes it, with bytes unfit for a terminal escaped.
std::string Quoted(const std::string& Text)
{
    std::string doubled;
    for (const char c : Text) {
        doubled += c;
        if (c == '\'') doubled += c;
    }
    return "'" + PrintableText(doubled) + "'";
}

// Every property of Object that a form file stores, as Name=value, nested objects with dotted
// names, in the order the form writer writes them.
void StoredProperties(TPersistent* Object, const std::string& Prefix, std::vector<std::string>& Out)
{
    const TClassInfo* info = PropertyRegistry().ClassOf(Object);
    if (!info) return;
    for (const TPropInfo* prop : info->Properties()) {
        const TTypeKind kind = prop->PropType->Kind;
        if (kind == tkMethod || !prop->ShouldWrite(Object)) continue;
        const std::string name = Prefix + prop->Name;
        if (kind != tkClass) {
            if (prop->IsReadOnly()) continue;
            Out.push_back(name + "=" + (kind == tkString ? Quoted(prop->GetStr(Object)) : prop->GetAsText(Object)));
            continue;
        }
        TPersistent* object = prop->GetObj(Object);
        if (!object || dynamic_cast<TComponent*>(object) || dynamic_cast<TCollection*>(object)) continue;
        // A string list stores its lines, when it has any.
        if (auto* lines = dynamic_cast<TStrings*>(object)) {
            if (lines->Count() == 0) continue;
            std::string text;
            for (int i = 0; i < lines->Count(); ++i) text += (i ? ", " : "") + Quoted(lines->Get(i));
            Out.push_back(name + "=(" + text + ")");
            continue;
        }
        StoredProperties(object, name + ".", Out);
    }
}

std::string StoredText(TZelColumn* Column)
{
    std::vector<std::string> stored;
    StoredProperties(Column, "", stored);
    std::string text;
    for (const std::string& item : stored) text += (text.empty() ? "" : ", ") + item;
    return text;
}

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
    add(cvFont, "Font=" + PrintableText(Column->GetFont()->Name()) + " " + std::to_string(Column->GetFont()->Height()));
    add(cvAlignment, "Alignment=" + EnumText("TAlignment", Column->GetAlignment()));
    add(cvReadOnly, std::string("ReadOnly=") + (Column->GetReadOnly() ? "True" : "False"));
    add(cvTitleColor, "Title.Color=" + ColorToString(title->GetColor()));
    add(cvTitleCaption, "Title.Caption=" + Quoted(title->GetCaption()));
    add(cvTitleAlignment, "Title.Alignment=" + EnumText("TAlignment", title->GetAlignment()));
    add(cvTitleFont, "Title.Font=" + PrintableText(title->GetFont()->Name()) + " " + std::to_string(title->GetFont()->Height()));
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
            Out += Indent + "  " + std::to_string(c) + " " + Quoted(column->Title()->GetCaption()) + " " +
                   EnumText("TZelColumnType", column->aType) + " width " +
                   std::to_string(column->GetWidth()) + (column->Visible() ? "" : " hidden") + "; assigned: " +
                   AssignedValues(column) + "; stored: " + StoredText(column) + "\n";
        }
    }
}

void Component(TComponent* C, const std::string& Indent, std::string& Out)
{
    Out += Indent + (C->Name().empty() ? "(unnamed)" : PrintableText(C->Name())) + ": " + C->ClassName() + "\n";
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
