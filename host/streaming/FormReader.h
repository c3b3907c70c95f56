#pragma once
// TReader: reads a form file in the binary form format back into live components, from the
// property registry. Every read is checked against the bytes left and bounded by the limits in
// ValueTags.h; a fault raises EReadError and a failed read leaves nothing it made behind.
#include <any>
#include <cstddef>
#include <cstdint>
#include <functional>
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

// The application's event handlers by name, for binding the events a form names.
class THandlerTable {
public:
    // Handler must be of the event's own type (TGetDataCellEvent, TNotifyEvent, ...).
    template <class E>
    void Add(const std::string& Name, E Handler)
    {
        FHandlers.emplace_back(Name, std::any(std::move(Handler)));
    }
    const std::any* Find(const std::string& Name) const;
    // A name the table lacks is then recorded on the component without binding the event (for
    // tools that read forms without their application); otherwise it is a read error.
    bool AcceptUnknown = false;

private:
    std::vector<std::pair<std::string, std::any>> FHandlers;
};

class TReader : public TFiler {
public:
    explicit TReader(std::string_view Data, TPropertyRegistry& Registry = PropertyRegistry());
    // Puts back what an unfinished read replaced (see ReplaceItems).
    ~TReader() override;

    void SetHandlers(const THandlerTable* Handlers) { FHandlers = Handlers; }
    // Describes a byte offset in errors ("line 3, column 5" for a form converted from text);
    // by default "offset N".
    void SetPositionText(std::function<std::string(std::size_t Offset)> Describe) { FDescribe = std::move(Describe); }

    std::size_t Position() const { return FPos; }
    bool AtEnd() const { return FPos >= FData.size(); }
    // EReadError with Message and the position of the value being read. Bytes of the form that
    // the message quotes are shown printable (\xNN).
    [[noreturn]] void Error(const std::string& Message) const;

    // Names the property whose value is read while it lives (a dotted path), so that an error
    // about a value cut short by the end of the data says what it belongs to.
    class TPropertyScope {
    public:
        TPropertyScope(TReader& Reader, std::string Path)
            : FReader(Reader), FOuter(std::exchange(Reader.FProperty, std::move(Path)))
        {
        }
        ~TPropertyScope() { FReader.FProperty = std::move(FOuter); }
        TPropertyScope(const TPropertyScope&) = delete;
        TPropertyScope& operator=(const TPropertyScope&) = delete;

    private:
        TReader& FReader;
        std::string FOuter;
    };

    void Read(void* Buffer, std::size_t Count);
    TValueType ReadValue();
    TValueType NextValue() const;
    void CheckValue(TValueType Expected);
    void ReadSignature();
    void ReadListBegin() { CheckValue(vaList); }
    void ReadListEnd() { CheckValue(vaNull); }
    bool EndOfList() const { return NextValue() == vaNull; }
    // EndOfList for a loop over a list's items, of which Items were read: a list cut short by
    // the end of the data is an error that names its property and the items read.
    bool EndOfList(std::size_t Items) const;
    // A short string (a name); What names it in the error when it runs past the end.
    std::string ReadStr(const char* What = "Name");
    // An 8-, 16- or 32-bit integer; ReadInt64 also takes a 64-bit one.
    std::int64_t ReadInteger();
    std::int64_t ReadInt64();
    bool ReadBoolean();
    // A short, long or UTF-8 string.
    std::string ReadString();
    // An identifier; the False, True and nil tags read as those names.
    std::string ReadIdent();
    long double ReadFloat();
    Currency ReadCurrency();
    double ReadDate();
    std::string ReadBinary();
    // The member names of a set value, after its tag.
    std::vector<std::string> ReadSetNames();
    // Skips one value of any kind.
    void SkipValue();

    // Reads a collection's items (after its vaCollection tag) in place of the ones it held.
    void ReadCollection(TCollection* Collection);
    // Takes Collection's items out for a refill. They are freed when the read succeeds and put
    // back, in place of whatever it then holds, when the read fails.
    void ReplaceItems(TCollection* Collection);
    // Counts one more object made by this read; EReadError beyond MaxFormObjects.
    void CountObject();
    // Nesting guard for readers of nested values.
    void EnterNesting();
    void LeaveNesting() { --FDepth; }

    // Reads a whole form into Root, or into a new component of the stored class owned by
    // Owner when Root is nullptr. Every component read is csLoading while the form is read and
    // gets Loaded once it is all read. On failure nothing created remains and replaced
    // collection items are back.
    TComponent* ReadRootComponent(TComponent* Root, TComponent* Owner = nullptr);
    // Frees the items replaced so far: the read is kept.
    void Commit();

    void DefineProperty(const std::string& Name, TReaderProc ReadData, TWriterProc WriteData, bool HasData) override;
    void DefineBinaryProperty(const std::string& Name, TBinaryReadProc ReadData, TBinaryWriteProc WriteData,
                              bool HasData) override;

private:
    struct TReplaced {
        TCollection* Collection;
        std::vector<TCollectionItem*> Items;
    };
    struct TLoading {
        TComponent* Component;
        bool Created;
    };
    TComponent* ReadComponent(TComponent* Parent, TComponent* Existing, TComponent* Owner);
    void ReadProperty(TPersistent* Instance);
    void ReadPropValue(TPersistent* Instance, const TPropInfo& Prop);
    void ReadEvent(TPersistent* Instance, const TPropInfo& Prop);
    void Need(std::size_t Count) const;
    // The next Length bytes, of a What ("String", "Name", "Binary value") whose value began at
    // Start: when they run past the end, the error names the property and the length.
    std::string ReadBytes(std::size_t Length, const char* What, std::size_t Start);
    // " in property X" while a property's value is read, else empty.
    std::string InProperty() const;
    void Rollback();
    // Binds the component references read by name to the components of Root's form.
    void ResolveFixups(TComponent* Root);
    // Whether Name is the defined property that ReadProperty looks for; it is then found, and
    // an error when it has no reader (Readable false).
    bool TakeDefined(const std::string& Name, bool Readable);

    std::string_view FData;
    std::size_t FPos = 0;
    // Where the value being read began, for errors.
    mutable std::size_t FValuePos = 0;
    const THandlerTable* FHandlers = nullptr;
    std::function<std::string(std::size_t)> FDescribe;
    // The property whose value is being read (see TPropertyScope).
    std::string FProperty;
    int FDepth = 0;
    int FObjects = 0;
    int FComponents = 0;
    std::vector<TReplaced> FReplaced;
    std::vector<TLoading> FLoading;
    // A component reference waiting for the whole form: Prop of Instance names Name.
    struct TFixup {
        TPersistent* Instance;
        const TPropInfo* Prop;
        std::string Name;
        std::size_t Offset;
    };
    std::vector<TFixup> FFixups;
    // The defined property the reader looks for while asking an object for its definitions.
    std::string FDefineName;
    bool FDefineFound = false;
};

// A form file, binary or text, read into Root (or a new component owned by Owner).
TComponent* ReadForm(std::string_view Data, TComponent* Root, const THandlerTable* Handlers = nullptr,
                     TComponent* Owner = nullptr, TPropertyRegistry& Registry = PropertyRegistry());
// Whether Data is a form in the text form (it opens with object, inherited or inline).
bool IsTextForm(std::string_view Data);
