#include "host/streaming/FormWriter.h"

#include <cstring>

#include "host/core/Exceptions.h"
#include "host/core/TextCompare.h"

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
