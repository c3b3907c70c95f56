#pragma once
// TWriter: writes a component, its published properties and the components it owns as a form
// file in the binary form format, from the property registry.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "host/core/Collection.h"
#include "host/core/Currency.h"
#include "host/core/Persistent.h"
#include "host/streaming/FilerBase.h"
#include "host/streaming/PropertyRegistry.h"
#include "host/streaming/ValueTags.h"

class TWriter : public TFiler {
public:
    explicit TWriter(TPropertyRegistry& Registry = PropertyRegistry()) : TFiler(Registry) {}

    const std::string& Data() const { return FData; }
    std::string TakeData() { return std::move(FData); }

    void Write(const void* Buffer, std::size_t Count);
    void WriteValue(TValueType Value);
    void WriteSignature();
    void WriteListBegin() { WriteValue(vaList); }
    void WriteListEnd() { WriteValue(vaNull); }
    // A short string without a tag (names); EWriteError beyond 255 bytes.
    void WriteStr(std::string_view S);
    void WriteInteger(std::int64_t Value);
    void WriteBoolean(bool Value) { WriteValue(Value ? vaTrue : vaFalse); }
    void WriteString(std::string_view Value);
    // An identifier; False, True and nil are written as their own tags.
    void WriteIdent(std::string_view Ident);
    void WriteFloat(long double Value);
    void WriteCurrency(Currency Value);
    void WriteDate(double Value);
    void WriteBinary(std::string_view Data);
    // A set of the members named by Names (a set type's member names in bit order).
    void WriteSet(const std::vector<std::string>& Names, std::int64_t Bits);
    void WriteCollection(TCollection* Value);
    // The published properties that are to be stored, then the defined ones.
    void WriteProperties(TPersistent* Instance);
    // The component with its properties and the named components it owns.
    void WriteComponent(TComponent* Component);
    // The signature and the component: a whole form file.
    void WriteRootComponent(TComponent* Root);

    void DefineProperty(const std::string& Name, TReaderProc ReadData, TWriterProc WriteData, bool HasData) override;
    void DefineBinaryProperty(const std::string& Name, TBinaryReadProc ReadData, TBinaryWriteProc WriteData,
                              bool HasData) override;

private:
    void WriteProperty(TPersistent* Instance, const TPropInfo& Prop);
    void WriteOrdinal(const TTypeInfo& Type, std::int64_t Value);
    void WritePropName(const std::string& Name) { WriteStr(FPropPath + Name); }

    std::string FData;
    std::string FPropPath;
    int FDepth = 0;
};

// The binary form file of Root.
std::string WriteForm(TComponent* Root, TPropertyRegistry& Registry = PropertyRegistry());
