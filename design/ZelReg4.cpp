#include "design/ZelReg4.h"

#include "design/GridEditor.h"
#include "host/streaming/PropertyRegistry.h"

// The unit's six editor tables are constant arrays of literals: its finalisation has nothing to
// release.

void TLayoutEditor::ExecuteVerb(int Index)
{
    if (Index != 0) return;
    TComponent* grid = Component();
    const std::string prefix = grid->Owner() ? grid->Owner()->Name() + "." : std::string();
    const bool changed = ExecuteLayoutEditor(
        grid, [&](const std::string& FormCaption) { return prefix + grid->Name() + " " + FormCaption; });
    if (changed && GetDesigner()) GetDesigner()->Modified();
}

std::string TLayoutEditor::GetVerb(int Index)
{
    return Index == 0 ? "&Layout Editor..." : std::string();
}

int TLayoutEditor::GetVerbCount()
{
    return 1;
}

void TPropertyLayoutEdit::Edit()
{
    TPersistent* edited = GetComponent(0);
    const auto* component = dynamic_cast<const TComponent*>(edited);
    const std::string caption = component ? component->Name() + "." + GetName() : GetName();
    if (ExecuteLayoutEditor(edited, caption)) Modified();
}

TPropertyAttributes TPropertyLayoutEdit::GetAttributes()
{
    return {paDialog};
}

std::string TPropertyLayoutEdit::GetValue()
{
    return GetOrdValue() == 0 ? "(None)" : "(TColLayout)";
}

void Register()
{
    RegisterComponents("OSKU SYSTEMS", {"TZelGrid"});
    RegisterComponentEditor("TCustomZelGrid", ComponentEditorOf<TLayoutEditor>());
    RegisterPropertyEditor(&PropertyRegistry().Type("TZelColLayout"), "TCustomZelGrid", "",
                           PropertyEditorOf<TPropertyLayoutEdit>());
}
