#pragma once
// The published-property registry: per class, its published properties in declaration order,
// each with its type, getter, setter, stored rule and default. The form writer, the form reader
// and the designer's property list all work from this one table.
//
// Registration is explicit: a unit's Register...Properties function fills the registry, called
// from package initialisation (or a test); there are no static initialisers. Each such function
// checks whether its classes are already there, so calling it twice is harmless.
//
//   TPropertyRegistry& R = PropertyRegistry();
//   R.RegisterClass<TFoo>("TFoo", "TPersistent")
//       .Property("Width", R.Type("Integer"), &TFoo::GetWidth, &TFoo::SetWidth)
//       .Stored(&TFoo::IsWidthStored)
//       .Property("Visible", R.Type("Boolean"), &TFoo::Visible, &TFoo::SetVisible)
//       .Default(true);
//
// Values cross the registry as 64-bit ordinals (integers, Booleans, enumerations, set bits,
// colours), strings, or object pointers (sub-objects and collections).
#include <any>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <type_traits>
#include <typeindex>
#include <unordered_map>
#include <vector>

#include "host/core/Collection.h"
#include "host/core/Exceptions.h"
#include "host/core/Persistent.h"
#include "host/core/Sets.h"

// tkMethod: an event, a handler reference that the form's owner binds by name.
enum TTypeKind : unsigned char { tkInteger, tkBoolean, tkEnumeration, tkSet, tkString, tkClass, tkMethod };
// The storage of an ordinal type.
enum TOrdType : unsigned char { otSByte, otUByte, otSWord, otUWord, otSLong, otULong };

// Integer constants that stream and show as identifiers (colours, charsets).
struct TIntegerIdents {
    bool (*ToIdent)(std::int64_t Value, std::string& Ident) = nullptr;
    bool (*FromIdent)(const std::string& Ident, std::int64_t& Value) = nullptr;
};

class TTypeInfo {
public:
    TTypeKind Kind = tkInteger;
    std::string Name;
    TOrdType OrdType = otSLong;
    std::int64_t MinValue = 0;
    std::int64_t MaxValue = 0;
    // tkEnumeration and tkBoolean: member names in value order.
    std::vector<std::string> Names;
    // tkSet: the enumeration of its members.
    const TTypeInfo* ElementType = nullptr;
    // tkInteger: named constants, when the type has any.
    TIntegerIdents Idents;

    bool IsOrdinal() const { return Kind != tkString && Kind != tkClass && Kind != tkMethod; }
    // Whether Value is a value of this type (for a set: only bits of its members).
    bool InRange(std::int64_t Value) const;
    // The member name of an enumeration or Boolean value; empty when out of range.
    std::string EnumName(std::int64_t Value) const;
    // The value of a member name (any case), or -1.
    std::int64_t EnumValue(const std::string& Name) const;
    // The text of an ordinal as a form's text and the designer show it: a number, an
    // identifier ("clWindow", "taCenter", "True") or a set ("[fsBold,fsItalic]").
    std::string OrdinalToText(std::int64_t Value) const;
    // The inverse of OrdinalToText; EConvertError for text that is no value of this type.
    std::int64_t TextToOrdinal(const std::string& Text) const;
};

class TPropInfo;
class TClassInfo;
class TPropertyRegistry;

class TPropInfo {
public:
    std::string Name;
    const TTypeInfo* PropType = nullptr;
    // The default an ordinal value is compared with when writing; none means always written.
    std::optional<std::int64_t> Default;

    bool IsReadOnly() const { return !FSetOrd && !FSetStr && !FSetObj; }
    bool HasStoredRoutine() const { return static_cast<bool>(FStored); }

    std::int64_t GetOrd(TPersistent* Instance) const;
    // Sets an ordinal; EConvertError when Value is not a value of the property's type.
    void SetOrd(TPersistent* Instance, std::int64_t Value) const;
    std::string GetStr(TPersistent* Instance) const;
    void SetStr(TPersistent* Instance, const std::string& Value) const;
    TPersistent* GetObj(TPersistent* Instance) const;
    void SetObj(TPersistent* Instance, TPersistent* Value) const;

    // The stored rule alone: the stored routine's answer, or the fixed answer.
    bool IsStored(TPersistent* Instance) const;
    // Whether the value equals the property's default (false without a default).
    bool IsDefaultValue(TPersistent* Instance) const;
    // What a form writer asks: stored, and not equal to the default.
    bool ShouldWrite(TPersistent* Instance) const;

    // Events registered with their member: whether the event has a handler, and binding one.
    // SetEvent takes the handler as the event's own function type (nullptr clears the event);
    // EInvalidCast when it is of another type or the event cannot be bound.
    bool CanBindEvent() const { return static_cast<bool>(FSetEvent); }
    bool IsEventAssigned(TPersistent* Instance) const { return FEventAssigned && FEventAssigned(Instance); }
    void SetEvent(TPersistent* Instance, const std::any* Handler) const;

    // The value as text for the designer and the text form; a sub-object shows as "(TFont)".
    std::string GetAsText(TPersistent* Instance) const;
    // Sets the value from text; EConvertError for bad text, EInvalidCast for a sub-object.
    void SetAsText(TPersistent* Instance, const std::string& Text) const;

private:
    template <class T>
    friend class TClassRegistration;
    [[noreturn]] void KindError(const char* Wanted) const;
    [[noreturn]] void ReadOnlyError() const;

    std::function<std::int64_t(TPersistent*)> FGetOrd;
    std::function<void(TPersistent*, std::int64_t)> FSetOrd;
    std::function<std::string(TPersistent*)> FGetStr;
    std::function<void(TPersistent*, const std::string&)> FSetStr;
    std::function<TPersistent*(TPersistent*)> FGetObj;
    std::function<void(TPersistent*, TPersistent*)> FSetObj;
    std::function<bool(TPersistent*)> FStored;
    bool FStoredConst = true;
    std::function<bool(TPersistent*)> FEventAssigned;
    std::function<void(TPersistent*, const std::any*)> FSetEvent;
};

class TFiler;

class TClassInfo {
public:
    const std::string& ClassName() const { return FName; }
    const TClassInfo* Parent() const { return FParent; }
    // The type under which properties of this class are declared.
    const TTypeInfo* TypeInfo() const { return FTypeInfo; }
    // The properties declared by this class itself, in declaration order.
    const std::vector<TPropInfo>& OwnProperties() const { return FProps; }
    // All published properties: the parent's first, then this class's own. A property this
    // class declares again replaces the parent's at the parent's position.
    std::vector<const TPropInfo*> Properties() const;
    // Finds a published property by name, in any case, or nullptr.
    const TPropInfo* FindProperty(const std::string& Name) const;

    bool InheritsFrom(const std::string& ClassName) const;
    bool IsCollection() const { return InheritsFrom("TCollection"); }
    // For a collection class: the class of its items ("TZelColumn").
    const std::string& ItemClassName() const { return FItemClassName; }
    bool IsInstance(const TPersistent* Instance) const { return FIsInstance && FIsInstance(Instance); }
    // Creates a component of this class, for classes registered as creatable; else nullptr.
    TComponent* CreateComponent(TComponent* AOwner) const { return FCreate ? FCreate(AOwner) : nullptr; }
    bool IsCreatable() const { return static_cast<bool>(FCreate); }
    // The extra data of this class and its registered ancestors, as DefineProperties gives it.
    void DefineProperties(TPersistent* Instance, TFiler* Filer) const;
    // Called by the form reader after it set the property at Path of Instance: the hooks of
    // this class and its registered ancestors (see TClassRegistration::PropertyRead).
    void PropertyRead(TPersistent* Instance, const std::string& Path) const;

private:
    friend class TPropertyRegistry;
    template <class T>
    friend class TClassRegistration;

    std::string FName;
    const TClassInfo* FParent = nullptr;
    const TTypeInfo* FTypeInfo = nullptr;
    std::vector<TPropInfo> FProps;
    std::string FItemClassName;
    std::function<bool(const TPersistent*)> FIsInstance;
    std::function<TComponent*(TComponent*)> FCreate;
    std::function<void(TPersistent*, TFiler*)> FDefine;
    std::function<void(TPersistent*, const std::string&)> FPropertyRead;
};

namespace PropertyRegistryDetail {

template <class V>
struct IsTSet : std::false_type {};
template <class E, class B>
struct IsTSet<TSet<E, B>> : std::true_type {};

template <class V>
std::int64_t ToOrd(const V& Value)
{
    if constexpr (IsTSet<V>::value) return static_cast<std::int64_t>(Value.ToBits());
    else if constexpr (std::is_enum_v<V>) return static_cast<std::int64_t>(static_cast<std::underlying_type_t<V>>(Value));
    else {
        static_assert(std::is_integral_v<V>, "an ordinal property needs an integral, enumeration or set value");
        return static_cast<std::int64_t>(Value);
    }
}

template <class V>
V FromOrd(std::int64_t Value)
{
    if constexpr (IsTSet<V>::value) return V::FromBits(static_cast<typename V::Storage>(Value));
    else if constexpr (std::is_same_v<V, bool>) return Value != 0;
    else return static_cast<V>(Value);
}

// The value type a setter takes: a member function, a data member, or a callable (T&, V).
template <class S>
struct SetterArg : SetterArg<decltype(&S::operator())> {};
template <class C, class A>
struct SetterArg<void (C::*)(A)> {
    using Type = std::remove_cvref_t<A>;
};
template <class C, class A>
struct SetterArg<A C::*> {
    using Type = A;
};
template <class C, class A>
struct SetterArg<void (C::*)(A) noexcept> {
    using Type = std::remove_cvref_t<A>;
};
template <class L, class T, class A>
struct SetterArg<void (L::*)(T, A) const> {
    using Type = std::remove_cvref_t<A>;
};

template <class T, class S, class V>
void InvokeSetter(const S& Setter, T& Object, V&& Value)
{
    if constexpr (std::is_member_function_pointer_v<S>) (Object.*Setter)(std::forward<V>(Value));
    else if constexpr (std::is_member_object_pointer_v<S>) Object.*Setter = std::forward<V>(Value);
    else Setter(Object, std::forward<V>(Value));
}

template <class T>
T& Cast(TPersistent* Instance, const std::string& Property)
{
    auto* object = dynamic_cast<T*>(Instance);
    if (!object) {
        const std::string name = Instance ? Instance->ClassName() : std::string("nil");
        throw EInvalidCast("Property " + Property + " does not belong to a " + name);
    }
    return *object;
}

} // namespace PropertyRegistryDetail

// Declares the published properties of class T, in declaration order.
template <class T>
class TClassRegistration {
public:
    explicit TClassRegistration(TClassInfo& Info) : FInfo(Info) {}

    // Adds a property. Getter and Setter are member functions, data members or callables
    // taking T&; Setter may be nullptr for a read-only property. The C++ value type picks
    // the access: strings, pointers to persistent objects, or ordinals.
    template <class G, class S>
    TClassRegistration& Property(const std::string& Name, const TTypeInfo& Type, G Getter, S Setter)
    {
        namespace D = PropertyRegistryDetail;
        using Value = std::remove_cvref_t<std::invoke_result_t<G, T&>>;
        TPropInfo prop;
        prop.Name = Name;
        prop.PropType = &Type;
        if constexpr (std::is_same_v<Value, std::string>) {
            CheckKind(Type, Name, Type.Kind == tkString);
            prop.FGetStr = [Getter, Name](TPersistent* I) -> std::string { return std::invoke(Getter, D::Cast<T>(I, Name)); };
            if constexpr (!std::is_null_pointer_v<S>)
                prop.FSetStr = [Setter, Name](TPersistent* I, const std::string& V) { D::InvokeSetter(Setter, D::Cast<T>(I, Name), V); };
        } else if constexpr (std::is_pointer_v<Value>) {
            CheckKind(Type, Name, Type.Kind == tkClass);
            prop.FGetObj = [Getter, Name](TPersistent* I) -> TPersistent* { return std::invoke(Getter, D::Cast<T>(I, Name)); };
            if constexpr (!std::is_null_pointer_v<S>) {
                using Arg = typename D::SetterArg<S>::Type;
                prop.FSetObj = [Setter, Name](TPersistent* I, TPersistent* V) {
                    auto* value = dynamic_cast<Arg>(V);
                    if (V && !value) throw EInvalidCast("Property " + Name + " cannot take a " + V->ClassName());
                    D::InvokeSetter(Setter, D::Cast<T>(I, Name), value);
                };
            }
        } else {
            CheckKind(Type, Name, Type.IsOrdinal());
            prop.FGetOrd = [Getter, Name](TPersistent* I) { return D::ToOrd<Value>(std::invoke(Getter, D::Cast<T>(I, Name))); };
            if constexpr (!std::is_null_pointer_v<S>) {
                using Arg = typename D::SetterArg<S>::Type;
                prop.FSetOrd = [Setter, Name](TPersistent* I, std::int64_t V) { D::InvokeSetter(Setter, D::Cast<T>(I, Name), D::FromOrd<Arg>(V)); };
            }
        }
        FInfo.FProps.push_back(std::move(prop));
        return *this;
    }

    // The last property is stored when Routine (a const member function or a callable on
    // const T&) answers true.
    template <class R>
    TClassRegistration& Stored(R Routine)
    {
        namespace D = PropertyRegistryDetail;
        TPropInfo& prop = Last();
        if constexpr (std::is_same_v<R, bool>) {
            prop.FStored = nullptr;
            prop.FStoredConst = Routine;
        } else {
            const std::string name = prop.Name;
            prop.FStored = [Routine, name](TPersistent* I) -> bool { return std::invoke(Routine, D::Cast<T>(I, name)); };
        }
        return *this;
    }

    // The default of the last property, an ordinal; the writer skips a value equal to it.
    template <class V>
    TClassRegistration& Default(V Value)
    {
        TPropInfo& prop = Last();
        if (!prop.PropType->IsOrdinal()) throw EInvalidOperation("Property " + prop.Name + " is no ordinal and takes no default");
        prop.Default = PropertyRegistryDetail::ToOrd(Value);
        return *this;
    }

    // Adds an event. Handlers are bound by the form's owner, so the registry keeps only the
    // event's name and type, and a form writer leaves the event out.
    TClassRegistration& Event(const std::string& Name, const TTypeInfo& Type)
    {
        CheckKind(Type, Name, Type.Kind == tkMethod);
        TPropInfo prop;
        prop.Name = Name;
        prop.PropType = &Type;
        prop.FStoredConst = false;
        FInfo.FProps.push_back(std::move(prop));
        return *this;
    }

    // An event bound by name through Member, a std::function member of T (or of a base).
    template <class M>
    TClassRegistration& Event(const std::string& Name, const TTypeInfo& Type, M Member)
    {
        namespace D = PropertyRegistryDetail;
        using Handler = std::remove_cvref_t<std::invoke_result_t<M, T&>>;
        Event(Name, Type);
        TPropInfo& prop = Last();
        prop.FEventAssigned = [Member, Name](TPersistent* I) { return static_cast<bool>(std::invoke(Member, D::Cast<T>(I, Name))); };
        prop.FSetEvent = [Member, Name](TPersistent* I, const std::any* H) {
            Handler& event = std::invoke(Member, D::Cast<T>(I, Name));
            if (!H) {
                event = nullptr;
                return;
            }
            const Handler* handler = std::any_cast<Handler>(H);
            if (!handler) throw EInvalidCast("The handler does not fit event " + Name);
            event = *handler;
        };
        return *this;
    }

    // Extra data the class writes and reads beside its published properties, as a
    // DefineProperties override would (for classes whose unit cannot see the filer).
    TClassRegistration& DefineProperties(std::function<void(T&, TFiler*)> Define)
    {
        const std::string name = FInfo.FName;
        FInfo.FDefine = [Define, name](TPersistent* I, TFiler* F) { Define(PropertyRegistryDetail::Cast<T>(I, name), F); };
        return *this;
    }

    // Hook runs after the form reader set a property of an instance, with the property's path
    // as the form names it ("Font.Name" for a property of a sub-object), also when the value
    // equals the one held: a class may count what a form names as set, where the setter of an
    // equal value reports no change.
    TClassRegistration& PropertyRead(std::function<void(T&, const std::string& Path)> Hook)
    {
        const std::string name = FInfo.FName;
        FInfo.FPropertyRead = [Hook, name](TPersistent* I, const std::string& Path) {
            Hook(PropertyRegistryDetail::Cast<T>(I, name), Path);
        };
        return *this;
    }

    // For a collection class: the class of its items.
    TClassRegistration& ItemClass(const std::string& Name)
    {
        FInfo.FItemClassName = Name;
        return *this;
    }

    // The form reader may create components of this class by name.
    TClassRegistration& Creatable()
    {
        static_assert(std::is_base_of_v<TComponent, T>, "only components are created by name");
        FInfo.FCreate = [](TComponent* AOwner) -> TComponent* { return new T(AOwner); };
        return *this;
    }

    const TClassInfo& Info() const { return FInfo; }

private:
    TPropInfo& Last()
    {
        if (FInfo.FProps.empty()) throw EInvalidOperation(FInfo.FName + " has no property yet");
        return FInfo.FProps.back();
    }
    static void CheckKind(const TTypeInfo& Type, const std::string& Name, bool Matches)
    {
        if (!Matches) throw EInvalidOperation("Property " + Name + " does not match its type " + Type.Name);
    }

    TClassInfo& FInfo;
};

class TPropertyRegistry {
public:
    TPropertyRegistry();
    ~TPropertyRegistry();
    TPropertyRegistry(const TPropertyRegistry&) = delete;
    TPropertyRegistry& operator=(const TPropertyRegistry&) = delete;

    // Adds a type; EInvalidOperation when a type of that name exists.
    const TTypeInfo& RegisterType(TTypeInfo Info);
    // An enumeration type with its member names in value order.
    const TTypeInfo& RegisterEnumeration(const std::string& Name, std::vector<std::string> Names);
    // An event type (a handler reference); registering one that exists returns it.
    const TTypeInfo& RegisterMethodType(const std::string& Name);
    // A set type over a registered enumeration, held in Bits bits.
    const TTypeInfo& RegisterSet(const std::string& Name, const TTypeInfo& ElementType, unsigned Bits);
    const TTypeInfo* FindType(const std::string& Name) const;
    // The registered type of that name; EInvalidOperation when there is none.
    const TTypeInfo& Type(const std::string& Name) const;

    // Adds class T under Name, below the registered class ParentName ("" for a root).
    // EInvalidOperation when Name is taken or the parent is unknown.
    template <class T>
    TClassRegistration<T> RegisterClass(const std::string& Name, const std::string& ParentName)
    {
        TClassInfo& info = AddClass(Name, ParentName, std::type_index(typeid(T)));
        info.FIsInstance = [](const TPersistent* Instance) { return dynamic_cast<const T*>(Instance) != nullptr; };
        return TClassRegistration<T>(info);
    }

    const TClassInfo* FindClass(const std::string& Name) const;
    // The class info of Instance's class, or of its nearest registered ancestor; nullptr when
    // no registered class fits.
    const TClassInfo* ClassOf(const TPersistent* Instance) const;

private:
    TClassInfo& AddClass(const std::string& Name, const std::string& ParentName, std::type_index Type);

    std::vector<std::unique_ptr<TTypeInfo>> FTypes;
    std::vector<std::unique_ptr<TClassInfo>> FClasses;
    std::unordered_map<std::type_index, const TClassInfo*> FByType;
};

// The process's registry, made on first use.
TPropertyRegistry& PropertyRegistry();

// Registers the host's types (Integer, Shortint, Byte, Word, Cardinal, Boolean, string, TColor,
// TAlignment, TFontCharset, TFontPitch, TFontStyle, TFontStyles) and classes (TPersistent,
// TComponent, TCollection, TCollectionItem, TStrings, TStringList, TFont).
void RegisterHostProperties(TPropertyRegistry& Registry = PropertyRegistry());
