#pragma once
// TFiler: what the form writer and the form reader have in common, the property registry they
// work from and the interface through which an object files its non-published data.
#include <functional>
#include <string>

#include "host/core/Persistent.h"
#include "host/streaming/PropertyRegistry.h"

class TReader;
class TWriter;

class TFiler {
public:
    using TReaderProc = std::function<void(TReader&)>;
    using TWriterProc = std::function<void(TWriter&)>;
    using TBinaryReadProc = std::function<void(const std::string& Data)>;
    using TBinaryWriteProc = std::function<void(std::string& Data)>;

    explicit TFiler(TPropertyRegistry& Registry) : FRegistry(Registry) {}
    virtual ~TFiler() = default;
    TFiler(const TFiler&) = delete;
    TFiler& operator=(const TFiler&) = delete;

    // Extra, non-published data of the object being filed: the writer writes it when HasData
    // and WriteData is given; the reader calls ReadData when it meets the name.
    virtual void DefineProperty(const std::string& Name, TReaderProc ReadData, TWriterProc WriteData, bool HasData) = 0;
    // The same for data that travels as one binary value.
    virtual void DefineBinaryProperty(const std::string& Name, TBinaryReadProc ReadData, TBinaryWriteProc WriteData,
                                      bool HasData) = 0;
    TPropertyRegistry& Registry() const { return FRegistry; }

protected:
    // The object's own DefineProperties, then those its registered classes declare.
    void DefineAll(TPersistent* Instance);

private:
    TPropertyRegistry& FRegistry;
};
