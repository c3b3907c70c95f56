#include "host/streaming/Filer.h"

#include <cfloat>
#include <cstring>
#include <memory>

#include "host/core/Exceptions.h"
#include "host/core/TextCompare.h"

static_assert(LDBL_MANT_DIG == 64, "the extended value is the 80-bit x87 format");

namespace {

bool IsValidUtf8(std::string_view S)
{
    for (std::size_t i = 0; i < S.size();) {
        const auto c = static_cast<unsigned char>(S[i]);
        std::size_t len = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 0;
        if (len == 0 || i + len > S.size()) return false;
        std::uint32_t cp = len == 1 ? c : c & (0x7F >> len);
        for (std::size_t k = 1; k < len; ++k) {
            const auto cc = static_cast<unsigned char>(S[i + k]);
            if ((cc & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (cc & 0x3F);
        }
        // Overlong forms, surrogates and values beyond the last code point are no UTF-8.
        static constexpr std::uint32_t MinOf[5] = {0, 0, 0x80, 0x800, 0x10000};
        if (cp < MinOf[len] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
        i += len;
    }
    return true;
}

bool IsValueTag(TValueType Value)
{
    return Value <= vaCollection || Value == vaCurrency || Value == vaDate || Value == vaInt64 || Value == vaUTF8String;
}

template <class T>
T LoadLE(const unsigned char* P)
{
    T value{};
    std::memcpy(&value, P, sizeof(T));
    return value;
}

} // namespace

TValueType StringValueType(std::string_view S)
{
    bool ascii = true;
    for (char c : S)
        if (static_cast<unsigned char>(c) >= 0x80) ascii = false;
    if (!ascii && IsValidUtf8(S)) return vaUTF8String;
    return S.size() <= 255 ? vaString : vaLString;
}

TValueType IntegerValueType(std::int64_t Value)
{
    if (Value >= INT8_MIN && Value <= INT8_MAX) return vaInt8;
    if (Value >= INT16_MIN && Value <= INT16_MAX) return vaInt16;
    if (Value >= INT32_MIN && Value <= INT32_MAX) return vaInt32;
    return vaInt64;
}

const std::any* THandlerTable::Find(const std::string& Name) const
{
    for (const auto& [name, handler] : FHandlers)
        if (SameText(name, Name)) return &handler;
    return nullptr;
}

void TFiler::DefineAll(TPersistent* Instance)
{
    Instance->DefineProperties(this);
    if (const TClassInfo* info = FRegistry.ClassOf(Instance)) info->DefineProperties(Instance, this);
}

// ---------------------------------------------------------------------------------------------
// Writer

void TWriter::Write(const void* Buffer, std::size_t Count)
{
    FData.append(static_cast<const char*>(Buffer), Count);
}

void TWriter::WriteValue(TValueType Value)
{
    FData.push_back(static_cast<char>(Value));
}

void TWriter::WriteSignature()
{
    FData.append(FormSignature);
}

void TWriter::WriteStr(std::string_view S)
{
    if (S.size() > 255) throw EWriteError("Name too long for a form file: " + std::string(S.substr(0, 64)) + "...");
    FData.push_back(static_cast<char>(S.size()));
    FData.append(S);
}

void TWriter::WriteInteger(std::int64_t Value)
{
    const TValueType type = IntegerValueType(Value);
    WriteValue(type);
    switch (type) {
    case vaInt8: {
        const auto v = static_cast<std::int8_t>(Value);
        Write(&v, 1);
        break;
    }
    case vaInt16: {
        const auto v = static_cast<std::int16_t>(Value);
        Write(&v, 2);
        break;
    }
    case vaInt32: {
        const auto v = static_cast<std::int32_t>(Value);
        Write(&v, 4);
        break;
    }
    default:
        Write(&Value, 8);
        break;
    }
}

void TWriter::WriteString(std::string_view Value)
{
    const TValueType type = StringValueType(Value);
    WriteValue(type);
    if (type == vaString) {
        FData.push_back(static_cast<char>(Value.size()));
    } else {
        if (Value.size() > INT32_MAX) throw EWriteError("String too long for a form file");
        const auto length = static_cast<std::int32_t>(Value.size());
        Write(&length, 4);
    }
    FData.append(Value);
}

void TWriter::WriteIdent(std::string_view Ident)
{
    if (SameText(Ident, "False")) return WriteValue(vaFalse);
    if (SameText(Ident, "True")) return WriteValue(vaTrue);
    if (SameText(Ident, "nil")) return WriteValue(vaNil);
    WriteValue(vaIdent);
    WriteStr(Ident);
}

void TWriter::WriteFloat(long double Value)
{
    WriteValue(vaExtended);
    unsigned char bytes[sizeof(long double)] = {};
    std::memcpy(bytes, &Value, sizeof(long double));
    Write(bytes, 10);
}

void TWriter::WriteCurrency(Currency Value)
{
    WriteValue(vaCurrency);
    Write(&Value.Value, 8);
}

void TWriter::WriteDate(double Value)
{
    WriteValue(vaDate);
    Write(&Value, 8);
}

void TWriter::WriteBinary(std::string_view Data)
{
    if (Data.size() > INT32_MAX) throw EWriteError("Binary value too long for a form file");
    WriteValue(vaBinary);
    const auto length = static_cast<std::int32_t>(Data.size());
    Write(&length, 4);
    FData.append(Data);
}

void TWriter::WriteSet(const std::vector<std::string>& Names, std::int64_t Bits)
{
    WriteValue(vaSet);
    for (std::size_t i = 0; i < Names.size() && i < 63; ++i)
        if (Bits & (std::int64_t{1} << i)) WriteStr(Names[i]);
    WriteStr("");
}

void TWriter::WriteCollection(TCollection* Value)
{
    WriteValue(vaCollection);
    if (Value) {
        const std::string path = std::exchange(FPropPath, std::string());
        for (int i = 0; i < Value->Count(); ++i) {
            WriteListBegin();
            WriteProperties(Value->GetItem(i));
            WriteListEnd();
        }
        FPropPath = path;
    }
    WriteListEnd();
}

void TWriter::WriteProperties(TPersistent* Instance)
{
    if (++FDepth > MaxFormNesting) {
        --FDepth;
        throw EWriteError("Objects nested deeper than " + std::to_string(MaxFormNesting));
    }
    if (const TClassInfo* info = Registry().ClassOf(Instance))
        for (const TPropInfo* prop : info->Properties()) WriteProperty(Instance, *prop);
    DefineAll(Instance);
    --FDepth;
}

void TWriter::WriteOrdinal(const TTypeInfo& Type, std::int64_t Value)
{
    switch (Type.Kind) {
    case tkBoolean:
        return WriteBoolean(Value != 0);
    case tkEnumeration: {
        const std::string name = Type.EnumName(Value);
        if (name.empty()) return WriteInteger(Value);
        return WriteIdent(name);
    }
    case tkSet:
        return WriteSet(Type.ElementType ? Type.ElementType->Names : std::vector<std::string>{}, Value);
    default: {
        std::string ident;
        if (Type.Idents.ToIdent && Type.Idents.ToIdent(Value, ident)) return WriteIdent(ident);
        return WriteInteger(Value);
    }
    }
}

void TWriter::WriteProperty(TPersistent* Instance, const TPropInfo& Prop)
{
    const TTypeInfo& type = *Prop.PropType;
    if (type.Kind == tkMethod) {
        auto* component = dynamic_cast<TComponent*>(Instance);
        if (!component || !Prop.IsEventAssigned(Instance)) return;
        const std::string handler = component->HandlerName(Prop.Name);
        if (handler.empty()) return;
        WritePropName(Prop.Name);
        WriteIdent(handler);
        return;
    }
    if (!Prop.ShouldWrite(Instance)) return;
    if (type.Kind == tkClass) {
        TPersistent* object = Prop.GetObj(Instance);
        if (!object) return;
        // A reference to another component travels as its name; the reader finds it again once
        // the whole form is read. Owned components travel as children.
        if (auto* component = dynamic_cast<TComponent*>(object)) {
            if (component->Name().empty() || Prop.IsReadOnly()) return;
            WritePropName(Prop.Name);
            WriteIdent(component->Name());
            return;
        }
        if (auto* collection = dynamic_cast<TCollection*>(object)) {
            WritePropName(Prop.Name);
            WriteCollection(collection);
            return;
        }
        const std::string path = FPropPath;
        FPropPath += Prop.Name + ".";
        WriteProperties(object);
        FPropPath = path;
        return;
    }
    // A value that cannot be read back is not written.
    if (Prop.IsReadOnly()) return;
    WritePropName(Prop.Name);
    if (type.Kind == tkString) WriteString(Prop.GetStr(Instance));
    else WriteOrdinal(type, Prop.GetOrd(Instance));
}

void TWriter::WriteComponent(TComponent* Component)
{
    const TClassInfo* info = Registry().FindClass(Component->ClassName());
    if (!info || !info->IsInstance(Component)) throw EWriteError("Class " + Component->ClassName() + " is not registered");
    if (++FDepth > MaxFormNesting) {
        --FDepth;
        throw EWriteError("Components nested deeper than " + std::to_string(MaxFormNesting));
    }
    Component->ComponentState.Include(csWriting);
    try {
        if (info->ClassName().size() > MaxClassNameLength)
            throw EWriteError("Class name too long for a form file: " + info->ClassName().substr(0, 64) + "...");
        WriteStr(info->ClassName());
        WriteStr(Component->Name());
        FPropPath.clear();
        WriteProperties(Component);
        WriteListEnd();
        for (int i = 0; i < Component->ComponentCount(); ++i) {
            TComponent* child = Component->Components(i);
            // Helpers a component makes for itself carry no name and are not part of the form.
            if (child->Name().empty() || !Registry().FindClass(child->ClassName())) continue;
            WriteComponent(child);
        }
        WriteListEnd();
    } catch (...) {
        Component->ComponentState.Exclude(csWriting);
        --FDepth;
        throw;
    }
    Component->ComponentState.Exclude(csWriting);
    --FDepth;
}

void TWriter::WriteRootComponent(TComponent* Root)
{
    WriteSignature();
    WriteComponent(Root);
}

void TWriter::DefineProperty(const std::string& Name, TReaderProc, TWriterProc WriteData, bool HasData)
{
    if (!HasData || !WriteData) return;
    WritePropName(Name);
    WriteData(*this);
}

void TWriter::DefineBinaryProperty(const std::string& Name, TBinaryReadProc, TBinaryWriteProc WriteData, bool HasData)
{
    if (!HasData || !WriteData) return;
    WritePropName(Name);
    std::string data;
    WriteData(data);
    WriteBinary(data);
}

std::string WriteForm(TComponent* Root, TPropertyRegistry& Registry)
{
    TWriter writer(Registry);
    writer.WriteRootComponent(Root);
    return writer.TakeData();
}

// ---------------------------------------------------------------------------------------------
// Reader: primitive values

TReader::TReader(std::string_view Data, TPropertyRegistry& Registry) : TFiler(Registry), FData(Data) {}

TReader::~TReader()
{
    Rollback();
}

void TReader::Error(const std::string& Message) const
{
    const std::string where = FDescribe ? FDescribe(FValuePos) : "offset " + std::to_string(FValuePos);
    throw EReadError(PrintableText(Message) + " (at " + where + ")");
}

std::string TReader::InProperty() const
{
    return FProperty.empty() ? std::string() : " in property " + FProperty;
}

void TReader::Need(std::size_t Count) const
{
    if (Count > FData.size() - FPos) Error("Unexpected end of the form file" + InProperty());
}

void TReader::NeedLength(std::size_t Length, const char* What, std::size_t Start) const
{
    const std::size_t left = FData.size() - FPos;
    if (Length <= left) return;
    FValuePos = Start;
    const std::size_t over = Length - left;
    Error(std::string(What) + " of " + std::to_string(Length) + " bytes" + InProperty() + " runs " + std::to_string(over) +
          (over == 1 ? " byte" : " bytes") + " past the end of the form file");
}

bool TReader::EndOfList(std::size_t Items) const
{
    if (AtEnd()) {
        FValuePos = FPos;
        Error("The form file ends inside a list" + InProperty() + ", after " + std::to_string(Items) +
              (Items == 1 ? " item" : " items"));
    }
    return EndOfList();
}

void TReader::Read(void* Buffer, std::size_t Count)
{
    Need(Count);
    std::memcpy(Buffer, FData.data() + FPos, Count);
    FPos += Count;
}

TValueType TReader::NextValue() const
{
    if (AtEnd()) {
        // Position the error at the end, where the value is missing.
        FValuePos = FPos;
        Need(1);
    }
    return static_cast<TValueType>(static_cast<unsigned char>(FData[FPos]));
}

TValueType TReader::ReadValue()
{
    FValuePos = FPos;
    const TValueType value = NextValue();
    ++FPos;
    return value;
}

void TReader::CheckValue(TValueType Expected)
{
    const TValueType value = ReadValue();
    if (value == Expected) return;
    static constexpr const char* Names[] = {"list end", "list begin"};
    const std::string wanted = Expected <= vaList ? Names[Expected] : "value tag " + std::to_string(Expected);
    Error("Expected " + wanted + ", found value tag " + std::to_string(value));
}

void TReader::ReadSignature()
{
    FValuePos = FPos;
    if (FData.size() - FPos < FormSignature.size() || FData.substr(FPos, FormSignature.size()) != FormSignature)
        Error("Not a form file: the signature TPF0 is missing");
    FPos += FormSignature.size();
}

std::string TReader::ReadStr(const char* What)
{
    FValuePos = FPos;
    unsigned char length = 0;
    Read(&length, 1);
    NeedLength(length, What, FValuePos);
    std::string s(FData.substr(FPos, length));
    FPos += length;
    return s;
}

std::int64_t TReader::ReadInteger()
{
    const TValueType value = NextValue();
    if (value != vaInt8 && value != vaInt16 && value != vaInt32) {
        FValuePos = FPos;
        Error("Integer expected, found value tag " + std::to_string(value));
    }
    return ReadInt64();
}

std::int64_t TReader::ReadInt64()
{
    const TValueType value = ReadValue();
    unsigned char bytes[8];
    switch (value) {
    case vaInt8:
        Read(bytes, 1);
        return LoadLE<std::int8_t>(bytes);
    case vaInt16:
        Read(bytes, 2);
        return LoadLE<std::int16_t>(bytes);
    case vaInt32:
        Read(bytes, 4);
        return LoadLE<std::int32_t>(bytes);
    case vaInt64:
        Read(bytes, 8);
        return LoadLE<std::int64_t>(bytes);
    default:
        Error("Integer expected, found value tag " + std::to_string(value));
    }
}

bool TReader::ReadBoolean()
{
    const TValueType value = ReadValue();
    if (value != vaFalse && value != vaTrue) Error("Boolean expected, found value tag " + std::to_string(value));
    return value == vaTrue;
}

std::string TReader::ReadString()
{
    const TValueType value = ReadValue();
    const std::size_t tagPos = FValuePos;
    std::size_t length = 0;
    if (value == vaString) {
        unsigned char n = 0;
        Read(&n, 1);
        length = n;
    } else if (value == vaLString || value == vaUTF8String) {
        unsigned char bytes[4];
        Read(bytes, 4);
        const auto n = LoadLE<std::int32_t>(bytes);
        if (n < 0) Error("Negative string length " + std::to_string(n));
        length = static_cast<std::size_t>(n);
    } else {
        Error("String expected, found value tag " + std::to_string(value));
    }
    FValuePos = tagPos;
    NeedLength(length, "String", tagPos);
    std::string s(FData.substr(FPos, length));
    FPos += length;
    return s;
}

std::string TReader::ReadIdent()
{
    const TValueType value = ReadValue();
    switch (value) {
    case vaIdent: {
        const std::size_t tagPos = FValuePos;
        std::string ident = ReadStr("Identifier");
        FValuePos = tagPos;
        return ident;
    }
    case vaFalse:
        return "False";
    case vaTrue:
        return "True";
    case vaNil:
        return "nil";
    default:
        Error("Identifier expected, found value tag " + std::to_string(value));
    }
}

long double TReader::ReadFloat()
{
    CheckValue(vaExtended);
    unsigned char bytes[sizeof(long double)] = {};
    Read(bytes, 10);
    long double value = 0;
    std::memcpy(&value, bytes, sizeof(long double));
    return value;
}

Currency TReader::ReadCurrency()
{
    CheckValue(vaCurrency);
    unsigned char bytes[8];
    Read(bytes, 8);
    return Currency::FromRaw(LoadLE<std::int64_t>(bytes));
}

double TReader::ReadDate()
{
    CheckValue(vaDate);
    unsigned char bytes[8];
    Read(bytes, 8);
    return LoadLE<double>(bytes);
}

std::string TReader::ReadBinary()
{
    CheckValue(vaBinary);
    const std::size_t tagPos = FValuePos;
    unsigned char bytes[4];
    Read(bytes, 4);
    const auto n = LoadLE<std::int32_t>(bytes);
    FValuePos = tagPos;
    if (n < 0) Error("Negative binary length " + std::to_string(n));
    NeedLength(static_cast<std::size_t>(n), "Binary value", tagPos);
    std::string data(FData.substr(FPos, static_cast<std::size_t>(n)));
    FPos += static_cast<std::size_t>(n);
    return data;
}

std::vector<std::string> TReader::ReadSetNames()
{
    std::vector<std::string> names;
    for (;;) {
        std::string name = ReadStr("Set member");
        if (name.empty()) return names;
        names.push_back(std::move(name));
    }
}

void TReader::EnterNesting()
{
    if (++FDepth > MaxFormNesting) {
        --FDepth;
        Error("Values nested deeper than " + std::to_string(MaxFormNesting));
    }
}

void TReader::SkipValue()
{
    const TValueType value = NextValue();
    switch (value) {
    case vaList: {
        ReadValue();
        EnterNesting();
        std::size_t items = 0;
        for (; !EndOfList(items); ++items) SkipValue();
        ReadListEnd();
        LeaveNesting();
        return;
    }
    case vaInt8:
    case vaInt16:
    case vaInt32:
    case vaInt64:
        ReadInt64();
        return;
    case vaExtended:
        ReadFloat();
        return;
    case vaString:
    case vaLString:
    case vaUTF8String:
        ReadString();
        return;
    case vaIdent:
    case vaFalse:
    case vaTrue:
    case vaNil:
        ReadIdent();
        return;
    case vaBinary:
        ReadBinary();
        return;
    case vaSet:
        ReadValue();
        ReadSetNames();
        return;
    case vaCollection: {
        ReadValue();
        EnterNesting();
        std::size_t items = 0;
        for (; !EndOfList(items); ++items) {
            ReadListBegin();
            while (!EndOfList()) {
                ReadStr("Property name");
                SkipValue();
            }
            ReadListEnd();
        }
        ReadListEnd();
        LeaveNesting();
        return;
    }
    case vaCurrency:
        ReadCurrency();
        return;
    case vaDate:
        ReadDate();
        return;
    default:
        FValuePos = FPos;
        Error("Unknown value tag " + std::to_string(value));
    }
}

// ---------------------------------------------------------------------------------------------
// Reader: objects

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

void TReader::DefineProperty(const std::string& Name, TReaderProc ReadData, TWriterProc, bool)
{
    if (FDefineFound || FDefineName.empty() || !SameText(Name, FDefineName)) return;
    FDefineFound = true;
    FDefineName.clear();
    if (!ReadData) Error("Property " + Name + " cannot be read");
    ReadData(*this);
}

void TReader::DefineBinaryProperty(const std::string& Name, TBinaryReadProc ReadData, TBinaryWriteProc, bool)
{
    if (FDefineFound || FDefineName.empty() || !SameText(Name, FDefineName)) return;
    FDefineFound = true;
    FDefineName.clear();
    if (!ReadData) Error("Property " + Name + " cannot be read");
    ReadData(ReadBinary());
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

// ---------------------------------------------------------------------------------------------

bool IsTextForm(std::string_view Data)
{
    if (Data.substr(0, 3) == "\xEF\xBB\xBF") Data.remove_prefix(3);
    std::size_t i = 0;
    while (i < Data.size() && (Data[i] == ' ' || Data[i] == '\t' || Data[i] == '\r' || Data[i] == '\n')) ++i;
    Data.remove_prefix(i);
    for (std::string_view word : {"object", "inherited", "inline"})
        if (Data.size() > word.size() && SameText(Data.substr(0, word.size()), word) &&
            (Data[word.size()] == ' ' || Data[word.size()] == '\t'))
            return true;
    return false;
}
