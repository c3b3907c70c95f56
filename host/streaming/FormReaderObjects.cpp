#include "host/streaming/FormReader.h"

#include "host/core/Exceptions.h"
#include "host/core/TextCompare.h"

const std::any* THandlerTable::Find(const std::string& Name) const
{
    for (const auto& [name, handler] : FHandlers)
        if (SameText(name, Name)) return &handler;
    return nullptr;
}

void TReader::CountObject()
{
    if (++FObjects > MaxFormObjects) Error("More than " + std::to_string(MaxFormObjects) + " objects in one form");
}

void TReader::ReplaceItems(TCollection* Collection)
{
    TReplaced replaced{Collection, {}};
    replaced.Items.reserve(static_cast<std::size_t>(Collection->Count()));
    for (int i = 0; i < Collection->Count(); ++i) replaced.Items.push_back(Collection->GetItem(i));
    FReplaced.push_back(std::move(replaced));
    TCollectionUpdateGuard update(Collection);
    for (TCollectionItem* item : FReplaced.back().Items) item->SetCollection(nullptr);
}

void TReader::Commit()
{
    std::vector<TReplaced> replaced = std::move(FReplaced);
    FReplaced.clear();
    for (auto& entry : replaced)
        for (TCollectionItem* item : entry.Items) delete item;
}

void TReader::Rollback()
{
    // Newest first: a later refill may have taken out the items an earlier one made.
    while (!FReplaced.empty()) {
        TReplaced entry = std::move(FReplaced.back());
        FReplaced.pop_back();
        TCollectionUpdateGuard update(entry.Collection);
        while (entry.Collection->Count() > 0) delete entry.Collection->GetItem(entry.Collection->Count() - 1);
        for (TCollectionItem* item : entry.Items) item->SetCollection(entry.Collection);
    }
}

void TReader::ReadCollection(TCollection* Collection)
{
    EnterNesting();
    ReplaceItems(Collection);
    {
        TCollectionUpdateGuard update(Collection);
        for (std::size_t items = 0; !EndOfList(items); ++items) {
            CountObject();
            TCollectionItem* item = Collection->Add();
            ReadListBegin();
            while (!EndOfList()) ReadProperty(item);
            ReadListEnd();
        }
    }
    ReadListEnd();
    LeaveNesting();
}

void TReader::ReadEvent(TPersistent* Instance, const TPropInfo& Prop)
{
    auto* component = dynamic_cast<TComponent*>(Instance);
    if (!component) Error("Event " + Prop.Name + " belongs to no component");
    const std::string handler = ReadIdent();
    if (handler == "nil") {
        Prop.SetEvent(Instance, nullptr);
        component->SetHandlerName(Prop.Name, "");
        return;
    }
    const std::any* bound = FHandlers ? FHandlers->Find(handler) : nullptr;
    if (!bound) {
        if (!FHandlers || !FHandlers->AcceptUnknown) Error("Handler " + handler + " of event " + Prop.Name + " not found");
        component->SetHandlerName(Prop.Name, handler);
        return;
    }
    try {
        Prop.SetEvent(Instance, bound);
    } catch (const EInvalidCast&) {
        Error("Handler " + handler + " does not fit event " + Prop.Name + " (" + Prop.PropType->Name + ")");
    }
    component->SetHandlerName(Prop.Name, handler);
}

void TReader::ReadPropValue(TPersistent* Instance, const TPropInfo& Prop)
{
    const TTypeInfo& type = *Prop.PropType;
    const TValueType next = NextValue();
    auto invalid = [&] {
        FValuePos = FPos;
        Error("Invalid value (tag " + std::to_string(next) + ") for property " + Prop.Name + " of type " + type.Name);
    };
    if (!IsValueTag(next)) {
        FValuePos = FPos;
        Error("Unknown value tag " + std::to_string(next));
    }
    switch (type.Kind) {
    case tkMethod:
        return ReadEvent(Instance, Prop);
    case tkString:
        if (next != vaString && next != vaLString && next != vaUTF8String) invalid();
        return Prop.SetStr(Instance, ReadString());
    case tkBoolean:
        if (next != vaFalse && next != vaTrue) invalid();
        return Prop.SetOrd(Instance, ReadBoolean() ? 1 : 0);
    case tkEnumeration: {
        if (next != vaIdent) invalid();
        const std::string ident = ReadIdent();
        const std::int64_t value = type.EnumValue(ident);
        if (value < 0) Error("'" + ident + "' is no value of " + type.Name + " (property " + Prop.Name + ")");
        return Prop.SetOrd(Instance, value);
    }
    case tkSet: {
        if (next != vaSet) invalid();
        ReadValue();
        std::int64_t bits = 0;
        for (const std::string& name : ReadSetNames()) {
            const std::int64_t member = type.ElementType ? type.ElementType->EnumValue(name) : -1;
            if (member < 0 || member >= 63) Error("'" + name + "' is no member of " + type.Name);
            bits |= std::int64_t{1} << member;
        }
        return Prop.SetOrd(Instance, bits);
    }
    case tkInteger: {
        if (next == vaIdent) {
            const std::string ident = ReadIdent();
            std::int64_t value = 0;
            if (!type.Idents.FromIdent || !type.Idents.FromIdent(ident, value))
                Error("'" + ident + "' is no value of " + type.Name + " (property " + Prop.Name + ")");
            return Prop.SetOrd(Instance, value);
        }
        if (next != vaInt8 && next != vaInt16 && next != vaInt32 && next != vaInt64) invalid();
        const std::int64_t value = ReadInt64();
        if (!type.InRange(value)) Error("Value " + std::to_string(value) + " is out of range for property " + Prop.Name);
        return Prop.SetOrd(Instance, value);
    }
    case tkClass: {
        // A component reference by name (or nil), bound once the whole form is read.
        if (next == vaIdent || next == vaNil) {
            if (Prop.IsReadOnly()) invalid();
            const std::size_t at = FPos;
            const std::string ident = ReadIdent();
            if (ident == "nil") return Prop.SetObj(Instance, nullptr);
            FFixups.push_back({Instance, &Prop, ident, at});
            return;
        }
        // Sub-objects are read through their getter; a form never replaces or clears them.
        auto* collection = dynamic_cast<TCollection*>(Prop.GetObj(Instance));
        if (!collection || next != vaCollection) invalid();
        ReadValue();
        return ReadCollection(collection);
    }
    }
}

void TReader::ReadProperty(TPersistent* Instance)
{
    const std::size_t namePos = FPos;
    const std::string path = ReadStr("Property name");
    auto missing = [&](const std::string& What) {
        FValuePos = namePos;
        Error(What);
    };
    if (path.empty()) missing("Empty property name");
    TPersistent* object = Instance;
    std::size_t start = 0;
    for (std::size_t dot; (dot = path.find('.', start)) != std::string::npos; start = dot + 1) {
        const std::string part = path.substr(start, dot - start);
        const TClassInfo* info = Registry().ClassOf(object);
        const TPropInfo* prop = info ? info->FindProperty(part) : nullptr;
        if (!prop || prop->PropType->Kind != tkClass) missing("Property " + path + " does not exist");
        TPersistent* sub = prop->GetObj(object);
        if (!sub || dynamic_cast<TComponent*>(sub)) missing("Property " + path + " has no object to read into");
        object = sub;
    }
    const std::string name = path.substr(start);
    const TClassInfo* info = Registry().ClassOf(object);
    const TPropInfo* prop = info ? info->FindProperty(name) : nullptr;
    const TPropertyScope scope(*this, path);
    try {
        if (prop) {
            ReadPropValue(object, *prop);
        } else {
            const std::string outerName = std::exchange(FDefineName, name);
            const bool outerFound = std::exchange(FDefineFound, false);
            DefineAll(object);
            const bool found = FDefineFound;
            FDefineName = outerName;
            FDefineFound = outerFound;
            if (!found) missing("Property " + path + " does not exist");
        }
        if (const TClassInfo* owner = Registry().ClassOf(Instance)) owner->PropertyRead(Instance, path);
    } catch (const EReadError&) {
        throw;
    } catch (const std::exception& E) {
        // A setter refused the value: report it where the value was.
        Error("Error reading property " + path + ": " + E.what());
    }
}

bool TReader::TakeDefined(const std::string& Name, bool Readable)
{
    if (FDefineFound || FDefineName.empty() || !SameText(Name, FDefineName)) return false;
    FDefineFound = true;
    FDefineName.clear();
    if (!Readable) Error("Property " + Name + " cannot be read");
    return true;
}

void TReader::DefineProperty(const std::string& Name, TReaderProc ReadData, TWriterProc, bool)
{
    if (TakeDefined(Name, static_cast<bool>(ReadData))) ReadData(*this);
}

void TReader::DefineBinaryProperty(const std::string& Name, TBinaryReadProc ReadData, TBinaryWriteProc, bool)
{
    if (TakeDefined(Name, static_cast<bool>(ReadData))) ReadData(ReadBinary());
}

TComponent* TReader::ReadComponent(TComponent* Parent, TComponent* Existing, TComponent* Owner)
{
    EnterNesting();
    FValuePos = FPos;
    unsigned char flags = 0;
    if ((NextValue() & 0xF0) == 0xF0) {
        ReadValue();
        flags = static_cast<unsigned char>(FData[FPos - 1]) & 0x0F;
        if (flags & ~(ffInherited | ffChildPos | ffInline)) Error("Unknown component flags " + std::to_string(flags));
        if (flags & ffChildPos) ReadInteger();
    }
    const std::size_t headPos = FPos;
    const std::string className = ReadStr("Class name");
    const std::string name = ReadStr("Component name");
    FValuePos = headPos;
    const TClassInfo* info = Registry().FindClass(className);
    if (!info) Error("Class " + className + " not found");

    TComponent* component = Existing;
    bool created = false;
    if (component) {
        if (!info->IsInstance(component)) Error("The form holds a " + className + ", not a " + component->ClassName());
    } else if (flags & ffInherited) {
        component = Parent ? Parent->FindComponent(name) : nullptr;
        if (!component || !info->IsInstance(component)) Error("Inherited component " + name + " of class " + className + " not found");
    } else {
        if (!info->IsCreatable()) Error("Class " + className + " cannot be created from a form");
        TComponent* owner = Parent ? Parent : Owner;
        if (!name.empty() && owner && owner->FindComponent(name)) Error("A component named " + name + " already exists");
        CountObject();
        if (++FComponents > MaxFormComponents) Error("More than " + std::to_string(MaxFormComponents) + " components in one form");
        component = info->CreateComponent(owner);
        created = true;
        // Listed before anything can fail, so that a failure frees it.
        FLoading.push_back({component, true});
        component->SetName(name);
        if (Parent) component->SetParentComponent(Parent);
    }
    if (!created) {
        for (const TLoading& entry : FLoading)
            if (entry.Component == component) Error("Component " + name + " is read twice");
        FLoading.push_back({component, false});
    }
    component->BeginLoading();
    try {
        while (!EndOfList()) ReadProperty(component);
        ReadListEnd();
        while (!EndOfList()) ReadComponent(component, nullptr, nullptr);
        ReadListEnd();
    } catch (const EReadError&) {
        throw;
    } catch (const std::exception& E) {
        Error("Error reading " + (name.empty() ? className : name) + ": " + E.what());
    }
    LeaveNesting();
    return component;
}

namespace {

// A component named Name among those Root owns, at any depth (a control read inside a panel
// belongs to the panel).
TComponent* FindOwnedComponent(TComponent* Root, const std::string& Name)
{
    if (TComponent* found = Root->FindComponent(Name)) return found;
    for (int i = 0; i < Root->ComponentCount(); ++i)
        if (TComponent* found = FindOwnedComponent(Root->Components(i), Name)) return found;
    return nullptr;
}

} // namespace

void TReader::ResolveFixups(TComponent* Root)
{
    std::vector<TFixup> fixups = std::move(FFixups);
    FFixups.clear();
    for (const TFixup& fixup : fixups) {
        TComponent* target = SameText(Root->Name(), fixup.Name) ? Root : FindOwnedComponent(Root, fixup.Name);
        FValuePos = fixup.Offset;
        if (!target) Error("Component " + fixup.Name + " of property " + fixup.Prop->Name + " not found");
        try {
            fixup.Prop->SetObj(fixup.Instance, target);
        } catch (const EReadError&) {
            throw;
        } catch (const std::exception& E) {
            Error("Error reading property " + fixup.Prop->Name + ": " + E.what());
        }
    }
}

TComponent* TReader::ReadRootComponent(TComponent* Root, TComponent* Owner)
{
    TComponent* result = nullptr;
    try {
        ReadSignature();
        result = ReadComponent(nullptr, Root, Owner);
        if (!AtEnd()) {
            FValuePos = FPos;
            Error("Unexpected data after the form");
        }
        ResolveFixups(result);
    } catch (...) {
        Rollback();
        // Newest first, so a child goes before the component that owns it.
        for (auto it = FLoading.rbegin(); it != FLoading.rend(); ++it)
            if (it->Created) delete it->Component;
        for (const TLoading& entry : FLoading) {
            if (entry.Created) continue;
            try {
                entry.Component->Loaded();
            } catch (...) {
                entry.Component->ComponentState.Exclude(csLoading).Exclude(csReading);
            }
        }
        FLoading.clear();
        throw;
    }
    Commit();
    std::vector<TLoading> loaded = std::move(FLoading);
    FLoading.clear();
    for (const TLoading& entry : loaded) entry.Component->Loaded();
    return result;
}
