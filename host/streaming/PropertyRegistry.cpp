#include "host/streaming/PropertyRegistry.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <climits>
#include <cstdlib>

#include "host/core/Strings.h"
#include "host/core/TextCompare.h"
#include "host/core/Types.h"
#include "host/graphics/Color.h"
#include "host/graphics/Font.h"
#include "host/streaming/Filer.h"

namespace {

std::string Trim(const std::string& S)
{
    size_t first = 0, last = S.size();
    while (first < last && std::isspace(static_cast<unsigned char>(S[first]))) ++first;
    while (last > first && std::isspace(static_cast<unsigned char>(S[last - 1]))) --last;
    return S.substr(first, last - first);
}

// A decimal or "$" hexadecimal integer. Hexadecimal of up to eight digits is read as 32 bits,
// so "$80000005" gives the system colour's negative value, as the host reads it.
bool ParseInteger(const std::string& Text, std::int64_t& Value)
{
    if (Text.empty()) return false;
    if (Text[0] == '$') {
        const std::string digits = Text.substr(1);
        if (digits.empty() || digits.size() > 8) return false;
        for (char c : digits)
            if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
        const auto bits = static_cast<std::uint32_t>(std::strtoul(digits.c_str(), nullptr, 16));
        Value = static_cast<std::int32_t>(bits);
        return true;
    }
    const size_t first = Text[0] == '-' || Text[0] == '+' ? 1 : 0;
    if (Text.size() == first || Text.size() - first > 18) return false;
    for (size_t i = first; i < Text.size(); ++i)
        if (!std::isdigit(static_cast<unsigned char>(Text[i]))) return false;
    Value = std::strtoll(Text.c_str(), nullptr, 10);
    return true;
}

std::int64_t SetMask(const TTypeInfo& Type)
{
    const size_t members = Type.ElementType ? Type.ElementType->Names.size() : 0;
    return members >= 63 ? INT64_MAX : (std::int64_t{1} << members) - 1;
}

[[noreturn]] void InvalidValue(const TTypeInfo& Type, const std::string& Text)
{
    throw EConvertError("'" + Text + "' is not a valid " + Type.Name + " value");
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Types

bool TTypeInfo::InRange(std::int64_t Value) const
{
    if (Kind == tkSet) return Value >= 0 && (Value & ~SetMask(*this)) == 0;
    return Value >= MinValue && Value <= MaxValue;
}

std::string TTypeInfo::EnumName(std::int64_t Value) const
{
    if (Value < 0 || Value >= static_cast<std::int64_t>(Names.size())) return {};
    return Names[static_cast<size_t>(Value)];
}

std::int64_t TTypeInfo::EnumValue(const std::string& Name) const
{
    for (size_t i = 0; i < Names.size(); ++i)
        if (SameText(Names[i], Name)) return static_cast<std::int64_t>(i);
    return -1;
}

std::string TTypeInfo::OrdinalToText(std::int64_t Value) const
{
    switch (Kind) {
    case tkInteger: {
        std::string ident;
        if (Idents.ToIdent && Idents.ToIdent(Value, ident)) return ident;
        return std::to_string(Value);
    }
    case tkBoolean:
    case tkEnumeration: {
        std::string name = EnumName(Value);
        return name.empty() ? std::to_string(Value) : name;
    }
    case tkSet: {
        std::string text = "[";
        const size_t members = ElementType ? ElementType->Names.size() : 0;
        for (size_t i = 0; i < members && i < 63; ++i) {
            if ((Value & (std::int64_t{1} << i)) == 0) continue;
            if (text.size() > 1) text += ',';
            text += ElementType->Names[i];
        }
        return text + "]";
    }
    case tkString:
    case tkClass:
    case tkMethod:
        break;
    }
    throw EConvertError(Name + " is no ordinal type");
}

std::int64_t TTypeInfo::TextToOrdinal(const std::string& Text) const
{
    // A NUL ends the text for the case-blind name comparisons; refused so "True<NUL>x" is no True.
    if (Text.find('\0') != std::string::npos) InvalidValue(*this, Text);
    const std::string text = Trim(Text);
    std::int64_t value = 0;
    switch (Kind) {
    case tkInteger:
        if (Idents.FromIdent && Idents.FromIdent(text, value)) return value;
        if (!ParseInteger(text, value)) InvalidValue(*this, Text);
        // Hexadecimal reads as 32 signed bits; for an unsigned type "$FFFFFFFF" is its maximum.
        if (value < 0 && MinValue >= 0 && text[0] == '$') value += std::int64_t{1} << 32;
        if (!InRange(value)) InvalidValue(*this, Text);
        return value;
    case tkBoolean:
    case tkEnumeration:
        value = EnumValue(text);
        if (value < 0) InvalidValue(*this, Text);
        return value;
    case tkSet: {
        if (text.size() < 2 || text.front() != '[' || text.back() != ']') InvalidValue(*this, Text);
        const std::string body = Trim(text.substr(1, text.size() - 2));
        size_t start = 0;
        while (!body.empty() && start <= body.size()) {
            size_t comma = body.find(',', start);
            if (comma == std::string::npos) comma = body.size();
            const std::int64_t member = ElementType ? ElementType->EnumValue(Trim(body.substr(start, comma - start))) : -1;
            if (member < 0 || member >= 63) InvalidValue(*this, Text);
            value |= std::int64_t{1} << member;
            start = comma + 1;
        }
        if (!InRange(value)) InvalidValue(*this, Text);
        return value;
    }
    case tkString:
    case tkClass:
    case tkMethod:
        break;
    }
    throw EConvertError(Name + " is no ordinal type");
}

// ---------------------------------------------------------------------------------------------
// Properties

void TPropInfo::KindError(const char* Wanted) const
{
    throw EInvalidCast("Property " + Name + " of type " + PropType->Name + " is not " + Wanted);
}

void TPropInfo::ReadOnlyError() const
{
    throw EInvalidOperation("Property " + Name + " is read-only");
}

std::int64_t TPropInfo::GetOrd(TPersistent* Instance) const
{
    if (!FGetOrd) KindError("an ordinal");
    return FGetOrd(Instance);
}

void TPropInfo::SetOrd(TPersistent* Instance, std::int64_t Value) const
{
    if (!FGetOrd) KindError("an ordinal");
    if (!FSetOrd) ReadOnlyError();
    if (!PropType->InRange(Value))
        throw EConvertError("Value " + std::to_string(Value) + " is out of range for property " + Name + " (" + PropType->Name + ")");
    FSetOrd(Instance, Value);
}

std::string TPropInfo::GetStr(TPersistent* Instance) const
{
    if (!FGetStr) KindError("a string");
    return FGetStr(Instance);
}

void TPropInfo::SetStr(TPersistent* Instance, const std::string& Value) const
{
    if (!FGetStr) KindError("a string");
    if (!FSetStr) ReadOnlyError();
    FSetStr(Instance, Value);
}

TPersistent* TPropInfo::GetObj(TPersistent* Instance) const
{
    if (!FGetObj) KindError("an object");
    return FGetObj(Instance);
}

void TPropInfo::SetObj(TPersistent* Instance, TPersistent* Value) const
{
    if (!FGetObj) KindError("an object");
    if (!FSetObj) ReadOnlyError();
    FSetObj(Instance, Value);
}

void TPropInfo::SetEvent(TPersistent* Instance, const std::any* Handler) const
{
    if (!FSetEvent) throw EInvalidCast("Event " + Name + " cannot be bound by name");
    FSetEvent(Instance, Handler);
}

bool TPropInfo::IsStored(TPersistent* Instance) const
{
    return FStored ? FStored(Instance) : FStoredConst;
}

bool TPropInfo::IsDefaultValue(TPersistent* Instance) const
{
    return Default && FGetOrd && FGetOrd(Instance) == *Default;
}

bool TPropInfo::ShouldWrite(TPersistent* Instance) const
{
    // A reference to no component is what a form without the property means.
    if (PropType->Kind == tkClass && !IsReadOnly() && !GetObj(Instance)) return false;
    return IsStored(Instance) && !IsDefaultValue(Instance);
}

std::string TPropInfo::GetAsText(TPersistent* Instance) const
{
    if (PropType->Kind == tkString) return GetStr(Instance);
    if (PropType->Kind == tkClass) return "(" + PropType->Name + ")";
    if (PropType->Kind == tkMethod) return "";
    return PropType->OrdinalToText(GetOrd(Instance));
}

void TPropInfo::SetAsText(TPersistent* Instance, const std::string& Text) const
{
    if (PropType->Kind == tkString) {
        SetStr(Instance, Text);
        return;
    }
    if (PropType->Kind == tkClass || PropType->Kind == tkMethod)
        throw EConvertError("Property " + Name + " cannot be set from text");
    SetOrd(Instance, PropType->TextToOrdinal(Text));
}

// ---------------------------------------------------------------------------------------------
// Classes

std::vector<const TPropInfo*> TClassInfo::Properties() const
{
    std::vector<const TPropInfo*> props = FParent ? FParent->Properties() : std::vector<const TPropInfo*>{};
    for (const TPropInfo& own : FProps) {
        auto same = std::find_if(props.begin(), props.end(), [&](const TPropInfo* p) { return SameText(p->Name, own.Name); });
        if (same != props.end()) *same = &own;
        else props.push_back(&own);
    }
    return props;
}

const TPropInfo* TClassInfo::FindProperty(const std::string& Name) const
{
    for (const TClassInfo* info = this; info; info = info->FParent)
        for (const TPropInfo& prop : info->FProps)
            if (SameText(prop.Name, Name)) return &prop;
    return nullptr;
}

void TClassInfo::DefineProperties(TPersistent* Instance, TFiler* Filer) const
{
    if (FParent) FParent->DefineProperties(Instance, Filer);
    if (FDefine) FDefine(Instance, Filer);
}

void TClassInfo::PropertyRead(TPersistent* Instance, const std::string& Path) const
{
    if (FParent) FParent->PropertyRead(Instance, Path);
    if (FPropertyRead) FPropertyRead(Instance, Path);
}

bool TClassInfo::InheritsFrom(const std::string& ClassName) const
{
    for (const TClassInfo* info = this; info; info = info->FParent)
        if (SameText(info->FName, ClassName)) return true;
    return false;
}

// ---------------------------------------------------------------------------------------------
// The registry

TPropertyRegistry::TPropertyRegistry() = default;
TPropertyRegistry::~TPropertyRegistry() = default;

const TTypeInfo& TPropertyRegistry::RegisterType(TTypeInfo Info)
{
    if (Info.Name.empty()) throw EInvalidOperation("A registered type needs a name");
    if (FindType(Info.Name)) throw EInvalidOperation("Type " + Info.Name + " is already registered");
    FTypes.push_back(std::make_unique<TTypeInfo>(std::move(Info)));
    return *FTypes.back();
}

const TTypeInfo& TPropertyRegistry::RegisterEnumeration(const std::string& Name, std::vector<std::string> Names)
{
    if (Names.empty() || Names.size() > 256) throw EInvalidOperation("Enumeration " + Name + " needs 1 to 256 members");
    TTypeInfo info;
    info.Kind = tkEnumeration;
    info.Name = Name;
    info.OrdType = otUByte;
    info.MaxValue = static_cast<std::int64_t>(Names.size()) - 1;
    info.Names = std::move(Names);
    return RegisterType(std::move(info));
}

const TTypeInfo& TPropertyRegistry::RegisterSet(const std::string& Name, const TTypeInfo& ElementType, unsigned Bits)
{
    if (ElementType.Kind != tkEnumeration) throw EInvalidOperation("Set " + Name + " needs an enumeration");
    if ((Bits != 8 && Bits != 16 && Bits != 32) || ElementType.Names.size() > Bits)
        throw EInvalidOperation("Set " + Name + " cannot hold its members in " + std::to_string(Bits) + " bits");
    TTypeInfo info;
    info.Kind = tkSet;
    info.Name = Name;
    info.OrdType = Bits == 8 ? otUByte : Bits == 16 ? otUWord : otULong;
    info.ElementType = &ElementType;
    info.MaxValue = SetMask(info);
    return RegisterType(std::move(info));
}

const TTypeInfo& TPropertyRegistry::RegisterMethodType(const std::string& Name)
{
    if (const TTypeInfo* existing = FindType(Name)) {
        if (existing->Kind != tkMethod) throw EInvalidOperation("Type " + Name + " exists and is no event type");
        return *existing;
    }
    TTypeInfo info;
    info.Kind = tkMethod;
    info.Name = Name;
    return RegisterType(std::move(info));
}

const TTypeInfo* TPropertyRegistry::FindType(const std::string& Name) const
{
    for (const auto& type : FTypes)
        if (SameText(type->Name, Name)) return type.get();
    return nullptr;
}

const TTypeInfo& TPropertyRegistry::Type(const std::string& Name) const
{
    const TTypeInfo* type = FindType(Name);
    if (!type) throw EInvalidOperation("Type " + Name + " is not registered");
    return *type;
}

TClassInfo& TPropertyRegistry::AddClass(const std::string& Name, const std::string& ParentName, std::type_index Type)
{
    if (FindClass(Name) || FindType(Name)) throw EInvalidOperation("Class " + Name + " is already registered");
    if (FByType.count(Type)) throw EInvalidOperation("Class " + Name + " is already registered under another name");
    const TClassInfo* parent = nullptr;
    if (!ParentName.empty()) {
        parent = FindClass(ParentName);
        if (!parent) throw EInvalidOperation("Class " + Name + " needs its parent " + ParentName + " registered first");
    }
    TTypeInfo typeInfo;
    typeInfo.Kind = tkClass;
    typeInfo.Name = Name;
    const TTypeInfo& classType = RegisterType(std::move(typeInfo));

    auto info = std::make_unique<TClassInfo>();
    info->FName = Name;
    info->FParent = parent;
    info->FTypeInfo = &classType;
    FClasses.push_back(std::move(info));
    FByType.emplace(Type, FClasses.back().get());
    return *FClasses.back();
}

const TClassInfo* TPropertyRegistry::FindClass(const std::string& Name) const
{
    for (const auto& info : FClasses)
        if (SameText(info->FName, Name)) return info.get();
    return nullptr;
}

const TClassInfo* TPropertyRegistry::ClassOf(const TPersistent* Instance) const
{
    if (!Instance) return nullptr;
    auto exact = FByType.find(std::type_index(typeid(*Instance)));
    if (exact != FByType.end()) return exact->second;
    // An unregistered class: its nearest registered ancestor is the deepest one it is an
    // instance of.
    const TClassInfo* best = nullptr;
    int bestDepth = -1;
    for (const auto& info : FClasses) {
        if (!info->IsInstance(Instance)) continue;
        int depth = 0;
        for (const TClassInfo* p = info->FParent; p; p = p->FParent) ++depth;
        if (depth > bestDepth) {
            best = info.get();
            bestDepth = depth;
        }
    }
    return best;
}

TPropertyRegistry& PropertyRegistry()
{
    static TPropertyRegistry registry;
    return registry;
}

// ---------------------------------------------------------------------------------------------
// The host's types and classes

namespace {

struct TCharsetName {
    int Value;
    const char* Name;
};

constexpr std::array<TCharsetName, 19> CharsetNames{{
    {0, "ANSI_CHARSET"}, {1, "DEFAULT_CHARSET"}, {2, "SYMBOL_CHARSET"}, {77, "MAC_CHARSET"},
    {128, "SHIFTJIS_CHARSET"}, {129, "HANGEUL_CHARSET"}, {130, "JOHAB_CHARSET"},
    {134, "GB2312_CHARSET"}, {136, "CHINESEBIG5_CHARSET"}, {161, "GREEK_CHARSET"},
    {162, "TURKISH_CHARSET"}, {163, "VIETNAMESE_CHARSET"}, {177, "HEBREW_CHARSET"},
    {178, "ARABIC_CHARSET"}, {186, "BALTIC_CHARSET"}, {204, "RUSSIAN_CHARSET"},
    {222, "THAI_CHARSET"}, {238, "EASTEUROPE_CHARSET"}, {255, "OEM_CHARSET"},
}};

bool CharsetToIdent(std::int64_t Value, std::string& Ident)
{
    for (const auto& entry : CharsetNames)
        if (entry.Value == Value) {
            Ident = entry.Name;
            return true;
        }
    return false;
}

bool IdentToCharset(const std::string& Ident, std::int64_t& Value)
{
    for (const auto& entry : CharsetNames)
        if (SameText(entry.Name, Ident)) {
            Value = entry.Value;
            return true;
        }
    return false;
}

bool ColorToIdentValue(std::int64_t Value, std::string& Ident)
{
    if (Value < INT32_MIN || Value > INT32_MAX) return false;
    const std::string text = ColorToString(static_cast<TColor>(Value));
    if (text.empty() || text[0] == '$') return false;
    Ident = text;
    return true;
}

bool IdentToColorValue(const std::string& Ident, std::int64_t& Value)
{
    TColor color = 0;
    if (!IdentToColor(Ident, color)) return false;
    Value = color;
    return true;
}

TTypeInfo IntegerType(const std::string& Name, TOrdType OrdType, std::int64_t Min, std::int64_t Max)
{
    TTypeInfo info;
    info.Kind = tkInteger;
    info.Name = Name;
    info.OrdType = OrdType;
    info.MinValue = Min;
    info.MaxValue = Max;
    return info;
}

} // namespace

void RegisterHostProperties(TPropertyRegistry& R)
{
    if (R.FindClass("TFont")) return;

    R.RegisterType(IntegerType("Integer", otSLong, INT32_MIN, INT32_MAX));
    R.RegisterType(IntegerType("Shortint", otSByte, -128, 127));
    R.RegisterType(IntegerType("Smallint", otSWord, -32768, 32767));
    R.RegisterType(IntegerType("Byte", otUByte, 0, 255));
    R.RegisterType(IntegerType("Word", otUWord, 0, 65535));
    R.RegisterType(IntegerType("Cardinal", otULong, 0, UINT32_MAX));
    TTypeInfo boolean;
    boolean.Kind = tkBoolean;
    boolean.Name = "Boolean";
    boolean.OrdType = otUByte;
    boolean.MaxValue = 1;
    boolean.Names = {"False", "True"};
    R.RegisterType(std::move(boolean));
    TTypeInfo text;
    text.Kind = tkString;
    text.Name = "string";
    R.RegisterType(std::move(text));
    TTypeInfo color = IntegerType("TColor", otSLong, INT32_MIN, INT32_MAX);
    color.Idents = {ColorToIdentValue, IdentToColorValue};
    R.RegisterType(std::move(color));
    TTypeInfo charset = IntegerType("TFontCharset", otUByte, 0, 255);
    charset.Idents = {CharsetToIdent, IdentToCharset};
    R.RegisterType(std::move(charset));
    R.RegisterEnumeration("TAlignment", {"taLeftJustify", "taRightJustify", "taCenter"});
    R.RegisterEnumeration("TFontPitch", {"fpDefault", "fpVariable", "fpFixed"});
    const TTypeInfo& fontStyle = R.RegisterEnumeration("TFontStyle", {"fsBold", "fsItalic", "fsUnderline", "fsStrikeOut"});
    R.RegisterSet("TFontStyles", fontStyle, 8);

    R.RegisterClass<TPersistent>("TPersistent", "");
    // The name heads a component's entry in a form; it is not written as a property.
    R.RegisterClass<TComponent>("TComponent", "TPersistent")
        .Property("Name", R.Type("string"), &TComponent::Name, &TComponent::SetName)
        .Stored(false);
    R.RegisterClass<TCollection>("TCollection", "TPersistent");
    R.RegisterClass<TCollectionItem>("TCollectionItem", "TPersistent");
    // A string list's lines travel as its own extra data, not as published properties.
    R.RegisterClass<TStrings>("TStrings", "TPersistent").DefineProperties([](TStrings& Lines, TFiler* Filer) {
        auto read = [&Lines](TReader& Reader) {
            Reader.ReadListBegin();
            Lines.BeginUpdate();
            try {
                Lines.Clear();
                for (std::size_t items = 0; !Reader.EndOfList(items); ++items) Lines.Add(Reader.ReadString());
            } catch (...) {
                Lines.EndUpdate();
                throw;
            }
            Lines.EndUpdate();
            Reader.ReadListEnd();
        };
        auto write = [&Lines](TWriter& Writer) {
            Writer.WriteListBegin();
            for (int i = 0; i < Lines.Count(); ++i) Writer.WriteString(Lines.Get(i));
            Writer.WriteListEnd();
        };
        Filer->DefineProperty("Strings", read, write, Lines.Count() > 0);
    });
    R.RegisterClass<TStringList>("TStringList", "TStrings");
    R.RegisterClass<TFont>("TFont", "TPersistent")
        .Property("Charset", R.Type("TFontCharset"), &TFont::Charset, &TFont::SetCharset)
        .Property("Color", R.Type("TColor"), &TFont::Color, &TFont::SetColor)
        .Property("Height", R.Type("Integer"), &TFont::Height, &TFont::SetHeight)
        .Property("Name", R.Type("string"), &TFont::Name, &TFont::SetName)
        .Property("Pitch", R.Type("TFontPitch"), &TFont::Pitch, &TFont::SetPitch)
        .Default(fpDefault)
        // Height carries the size; Size is for the designer.
        .Property("Size", R.Type("Integer"), &TFont::Size, &TFont::SetSize)
        .Stored(false)
        .Property("Style", R.Type("TFontStyles"), &TFont::Style, &TFont::SetStyle);
}
