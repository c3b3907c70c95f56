#pragma once
// The form designer's side of design-time support. A package's Register puts its components on
// the palette and names the editors the designer uses for them: a component editor (the verbs
// added to a component's context menu, the double-click action) and property editors (the text
// the property list shows for a value, its drop-down values, its ellipsis dialog). Editors tell
// the designed form that it changed through the designer interface.
//
//   RegisterComponents("Samples", {"TFoo"});
//   RegisterComponentEditor("TFoo", ComponentEditorOf<TFooEditor>());
//   RegisterPropertyEditor(&R.Type("TBar"), "TFoo", "", PropertyEditorOf<TBarProperty>());
//
// Classes are named as the published-property registry knows them; an editor registered for a
// class serves its descendants too, and the registration for the nearest class wins.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "host/controls/DesignerHook.h"
#include "host/core/Persistent.h"
#include "host/core/Sets.h"

class TPropInfo;
class TTypeInfo;

// What a designer offers the editors of the form it designs. As the designed form's hook it may
// also take the messages of the form's controls (IsDesignMsg; by default it takes none).
class IFormDesigner : public IDesignerHook {
public:
    virtual ~IFormDesigner() = default;
    // The designed form changed: the designer marks it modified and refreshes what shows it.
    virtual void Modified() = 0;
    // The form being designed (the root of the form file).
    virtual TComponent* Root() const = 0;
};

// Edits one component from the designer: verbs for its context menu and the double-click action.
// The designer creates one for each use and frees it afterwards; it keeps no state between uses.
class TComponentEditor : public TObject {
public:
    TComponentEditor(TComponent* AComponent, IFormDesigner* ADesigner);

    // The double-click action: runs the first verb when there is one.
    virtual void Edit();
    virtual void ExecuteVerb(int Index);
    // The menu text of verb Index ("&" marks the accelerator); empty for an index without a verb.
    virtual std::string GetVerb(int Index);
    virtual int GetVerbCount();
    // Copies the component to the clipboard in the designer's own way; nothing by default.
    virtual void Copy();

    TComponent* Component() const { return FComponent; }
    IFormDesigner* GetDesigner() const { return FDesigner; }

private:
    TComponent* FComponent;
    IFormDesigner* FDesigner;
};

// How the property list may treat a property: offer a list of values, expand sub-properties,
// show an ellipsis that runs Edit, allow several selected components, ...
enum TPropertyAttribute : unsigned char {
    paValueList, paSubProperties, paDialog, paMultiSelect, paAutoUpdate, paSortList, paReadOnly, paRevertable
};
using TPropertyAttributes = TSet<TPropertyAttribute, std::uint8_t>;

// Shows and edits one published property of the selected components in the property list.
// The defaults work from the property registry: the value as text, enumeration and Boolean
// names as the value list, sub-objects as "(TFont)".
class TPropertyEditor : public TObject {
public:
    TPropertyEditor(IFormDesigner* ADesigner, int APropCount);

    virtual void Activate();
    // Whether every selected component has the same value.
    virtual bool AllEqual();
    virtual bool AutoFill();
    // The ellipsis action; nothing by default.
    virtual void Edit();
    virtual TPropertyAttributes GetAttributes();
    virtual int GetEditLimit();
    virtual std::string GetName();
    // Each sub-property of a class-valued property, as an editor of its own.
    virtual void GetProperties(const std::function<void(std::unique_ptr<TPropertyEditor>)>& Proc);
    virtual std::string GetValue();
    // The values a drop-down list offers, in order.
    virtual void GetValues(const std::function<void(const std::string&)>& Proc);
    virtual void Initialize();
    // Sets the value of every selected component from text (EConvertError for bad text),
    // then tells the designer.
    virtual void SetValue(const std::string& Value);

    // The selected component Index (0 is the first) and the property edited.
    TPersistent* GetComponent(int Index) const;
    int PropCount() const { return static_cast<int>(FProps.size()); }
    const TPropInfo* GetPropInfo() const;
    // The first component's value as an ordinal; an object reference gives its address, so 0
    // means none.
    std::int64_t GetOrdValue() const;
    IFormDesigner* Designer() const { return FDesigner; }
    // Tells the designer that the property changed.
    void Modified();

    // Set by the designer before Initialize: the component and property of entry Index.
    void SetPropEntry(int Index, TPersistent* Instance, const TPropInfo* PropInfo);

private:
    struct TEntry {
        TPersistent* Instance = nullptr;
        const TPropInfo* Prop = nullptr;
    };
    IFormDesigner* FDesigner;
    std::vector<TEntry> FProps;
};

using TComponentEditorFactory = std::function<std::unique_ptr<TComponentEditor>(TComponent*, IFormDesigner*)>;
using TPropertyEditorFactory = std::function<std::unique_ptr<TPropertyEditor>(IFormDesigner*, int)>;

template <class E>
TComponentEditorFactory ComponentEditorOf()
{
    return [](TComponent* Component, IFormDesigner* Designer) { return std::make_unique<E>(Component, Designer); };
}
template <class E>
TPropertyEditorFactory PropertyEditorOf()
{
    return [](IFormDesigner* Designer, int Count) { return std::make_unique<E>(Designer, Count); };
}

// Puts the registered classes ClassNames on the palette page Page, in order; a class already on
// that page stays where it is. EInvalidCast (nothing registered) for a name the property registry
// does not know or cannot create.
void RegisterComponents(const std::string& Page, const std::vector<std::string>& ClassNames);
// The editor for components of ComponentClass and its descendants; a later registration for
// the same class replaces an earlier one.
void RegisterComponentEditor(const std::string& ComponentClass, TComponentEditorFactory Factory);
// The editor for properties of type PropertyType on ComponentClass and its descendants; an
// empty PropertyName serves every property of that type, a name only that property (any case).
void RegisterPropertyEditor(const TTypeInfo* PropertyType, const std::string& ComponentClass,
                            const std::string& PropertyName, TPropertyEditorFactory Factory);

struct TPaletteEntry {
    std::string Page;
    std::string ClassName;
};
const std::vector<TPaletteEntry>& PaletteEntries();

// The editor the designer uses for Component: the registration for its nearest class, or the
// plain editor with no verbs.
std::unique_ptr<TComponentEditor> GetComponentEditor(TComponent* Component, IFormDesigner* Designer);
// The editor for property Prop of Instance, initialised: the registration for the property's
// type and Instance's nearest class, one naming the property before one for every name; the
// plain editor when none fits.
std::unique_ptr<TPropertyEditor> GetPropertyEditor(TPersistent* Instance, const TPropInfo* Prop,
                                                   IFormDesigner* Designer);

// Forgets every registration (a designer unloading its packages, and tests).
void ClearDesignerRegistrations();
