#include "host/designer/Designer.h"

#include <algorithm>
#include <climits>

#include "host/core/Exceptions.h"
#include "host/core/TextCompare.h"
#include "host/streaming/PropertyRegistry.h"

namespace {

struct TComponentEditorEntry {
    std::string ClassName;
    TComponentEditorFactory Factory;
};

struct TPropertyEditorEntry {
    const TTypeInfo* Type;
    std::string ClassName;
    std::string PropertyName;
    TPropertyEditorFactory Factory;
};

struct TDesignerRegistry {
    std::vector<TPaletteEntry> Palette;
    std::vector<TComponentEditorEntry> ComponentEditors;
    std::vector<TPropertyEditorEntry> PropertyEditors;
};

TDesignerRegistry& Registry()
{
    static TDesignerRegistry registry;
    return registry;
}

// How many steps up from Class the class ClassName is; INT_MAX when it is no ancestor.
int Distance(const TClassInfo* Class, const std::string& ClassName)
{
    int steps = 0;
    for (const TClassInfo* c = Class; c; c = c->Parent(), ++steps)
        if (SameText(c->ClassName(), ClassName)) return steps;
    return INT_MAX;
}

} // namespace

TComponentEditor::TComponentEditor(TComponent* AComponent, IFormDesigner* ADesigner)
    : FComponent(AComponent), FDesigner(ADesigner)
{
}

void TComponentEditor::Edit()
{
    if (GetVerbCount() > 0) ExecuteVerb(0);
}

void TComponentEditor::ExecuteVerb(int) {}
std::string TComponentEditor::GetVerb(int) { return {}; }
int TComponentEditor::GetVerbCount() { return 0; }
void TComponentEditor::Copy() {}

TPropertyEditor::TPropertyEditor(IFormDesigner* ADesigner, int APropCount)
    : FDesigner(ADesigner), FProps(static_cast<std::size_t>(std::max(APropCount, 0)))
{
}

void TPropertyEditor::Activate() {}

bool TPropertyEditor::AllEqual()
{
    if (FProps.size() < 2) return true;
    const std::string first = GetValue();
    return std::all_of(FProps.begin() + 1, FProps.end(),
                       [&](const TEntry& e) { return e.Prop->GetAsText(e.Instance) == first; });
}

bool TPropertyEditor::AutoFill() { return true; }
void TPropertyEditor::Edit() {}

TPropertyAttributes TPropertyEditor::GetAttributes()
{
    TPropertyAttributes attributes{paMultiSelect, paRevertable};
    const TPropInfo* prop = GetPropInfo();
    if (!prop) return attributes;
    switch (prop->PropType->Kind) {
    case tkEnumeration:
    case tkBoolean: attributes.Include(paValueList); break;
    case tkClass: attributes = {paSubProperties, paReadOnly}; break;
    case tkMethod: attributes = {paReadOnly}; break;
    default: break;
    }
    if (prop->IsReadOnly()) attributes.Include(paReadOnly);
    return attributes;
}

int TPropertyEditor::GetEditLimit() { return 255; }

std::string TPropertyEditor::GetName()
{
    const TPropInfo* prop = GetPropInfo();
    return prop ? prop->Name : std::string();
}

void TPropertyEditor::GetProperties(const std::function<void(std::unique_ptr<TPropertyEditor>)>& Proc)
{
    const TPropInfo* prop = GetPropInfo();
    if (!prop || prop->PropType->Kind != tkClass) return;
    TPersistent* object = prop->GetObj(GetComponent(0));
    const TClassInfo* info = object ? PropertyRegistry().ClassOf(object) : nullptr;
    if (!info) return;
    for (const TPropInfo* sub : info->Properties()) Proc(GetPropertyEditor(object, sub, FDesigner));
}

std::string TPropertyEditor::GetValue()
{
    const TPropInfo* prop = GetPropInfo();
    return prop ? prop->GetAsText(GetComponent(0)) : std::string();
}

void TPropertyEditor::GetValues(const std::function<void(const std::string&)>& Proc)
{
    const TPropInfo* prop = GetPropInfo();
    if (!prop) return;
    const TTypeInfo& type = *prop->PropType;
    if (type.Kind == tkEnumeration || type.Kind == tkBoolean)
        for (const std::string& name : type.Names) Proc(name);
}

void TPropertyEditor::Initialize() {}

void TPropertyEditor::SetValue(const std::string& Value)
{
    for (const TEntry& e : FProps)
        if (e.Prop) e.Prop->SetAsText(e.Instance, Value);
    Modified();
}

TPersistent* TPropertyEditor::GetComponent(int Index) const
{
    if (Index < 0 || Index >= PropCount()) throw EListError("List index out of bounds (" + std::to_string(Index) + ")");
    return FProps[static_cast<std::size_t>(Index)].Instance;
}

const TPropInfo* TPropertyEditor::GetPropInfo() const { return FProps.empty() ? nullptr : FProps.front().Prop; }

std::int64_t TPropertyEditor::GetOrdValue() const
{
    const TPropInfo* prop = GetPropInfo();
    if (!prop) return 0;
    if (prop->PropType->Kind == tkClass)
        return static_cast<std::int64_t>(reinterpret_cast<std::intptr_t>(prop->GetObj(GetComponent(0))));
    return prop->GetOrd(GetComponent(0));
}

void TPropertyEditor::Modified()
{
    if (FDesigner) FDesigner->Modified();
}

void TPropertyEditor::SetPropEntry(int Index, TPersistent* Instance, const TPropInfo* PropInfo)
{
    if (Index < 0 || Index >= PropCount()) throw EListError("List index out of bounds (" + std::to_string(Index) + ")");
    FProps[static_cast<std::size_t>(Index)] = {Instance, PropInfo};
}

void RegisterComponents(const std::string& Page, const std::vector<std::string>& ClassNames)
{
    for (const std::string& name : ClassNames) {
        const TClassInfo* info = PropertyRegistry().FindClass(name);
        if (!info || !info->IsCreatable()) throw EInvalidCast("Class " + name + " cannot be put on the palette");
    }
    // A package registered again (a designer reloading it) adds no second palette button.
    std::vector<TPaletteEntry>& palette = Registry().Palette;
    for (const std::string& name : ClassNames)
        if (std::none_of(palette.begin(), palette.end(),
                         [&](const TPaletteEntry& e) { return e.Page == Page && SameText(e.ClassName, name); }))
            palette.push_back({Page, name});
}

void RegisterComponentEditor(const std::string& ComponentClass, TComponentEditorFactory Factory)
{
    Registry().ComponentEditors.push_back({ComponentClass, std::move(Factory)});
}

void RegisterPropertyEditor(const TTypeInfo* PropertyType, const std::string& ComponentClass,
                            const std::string& PropertyName, TPropertyEditorFactory Factory)
{
    Registry().PropertyEditors.push_back({PropertyType, ComponentClass, PropertyName, std::move(Factory)});
}

const std::vector<TPaletteEntry>& PaletteEntries() { return Registry().Palette; }

std::unique_ptr<TComponentEditor> GetComponentEditor(TComponent* Component, IFormDesigner* Designer)
{
    const TClassInfo* info = PropertyRegistry().ClassOf(Component);
    const TComponentEditorEntry* best = nullptr;
    int bestDistance = INT_MAX;
    for (const TComponentEditorEntry& e : Registry().ComponentEditors) {
        const int d = Distance(info, e.ClassName);
        if (d <= bestDistance && d != INT_MAX) {
            best = &e;
            bestDistance = d;
        }
    }
    if (best) return best->Factory(Component, Designer);
    return std::make_unique<TComponentEditor>(Component, Designer);
}

std::unique_ptr<TPropertyEditor> GetPropertyEditor(TPersistent* Instance, const TPropInfo* Prop, IFormDesigner* Designer)
{
    const TClassInfo* info = PropertyRegistry().ClassOf(Instance);
    const TPropertyEditorEntry* best = nullptr;
    // Nearer classes win; at the same class a registration naming the property wins; among
    // equals the later one.
    std::pair<int, int> bestRank{INT_MAX, INT_MAX};
    for (const TPropertyEditorEntry& e : Registry().PropertyEditors) {
        if (e.Type != Prop->PropType) continue;
        if (!e.PropertyName.empty() && !SameText(e.PropertyName, Prop->Name)) continue;
        const int d = Distance(info, e.ClassName);
        if (d == INT_MAX) continue;
        const std::pair<int, int> rank{d, e.PropertyName.empty() ? 1 : 0};
        if (rank <= bestRank) {
            best = &e;
            bestRank = rank;
        }
    }
    std::unique_ptr<TPropertyEditor> editor =
        best ? best->Factory(Designer, 1) : std::make_unique<TPropertyEditor>(Designer, 1);
    editor->SetPropEntry(0, Instance, Prop);
    editor->Initialize();
    return editor;
}

void ClearDesignerRegistrations()
{
    Registry() = TDesignerRegistry{};
}
