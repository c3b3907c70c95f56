#pragma once
// The unit ZelReg4's designer side: the grid on the component palette, its component editor (the
// "&Layout Editor..." verb, also run by a double click) and the property editor of its layout
// collection (an ellipsis that opens the same layout editor). Register installs all three.
#include "host/designer/Designer.h"

#include <string>

class TLayoutEditor : public TComponentEditor {
public:
    using TComponentEditor::TComponentEditor;

    // Verb 0 opens the layout editor on the component and tells the designer about a change.
    void ExecuteVerb(int Index) override;
    std::string GetVerb(int Index) override;
    int GetVerbCount() override;
};

class TPropertyLayoutEdit : public TPropertyEditor {
public:
    using TPropertyEditor::TPropertyEditor;

    // Opens the layout editor on the first selected component.
    void Edit() override;
    // Only the ellipsis: no value list, no sub-properties, no multiple selection.
    TPropertyAttributes GetAttributes() override;
    // "(TColLayout)", or "(None)" for an empty reference.
    std::string GetValue() override;
};

// Puts TZelGrid on the palette page "OSKU SYSTEMS" and registers the two editors for
// TCustomZelGrid and its descendants. Needs the grid's classes in the property registry.
void Register();
