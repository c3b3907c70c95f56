#pragma once
// Form files in the host's binary form format: TWriter writes a component, its published
// properties and the components it owns; TReader reads them back into live components. Both
// work from the property registry, so a class declares its published properties once.
//
// The format: the signature "TPF0", then one component: an optional prefix byte (0xF0 | flags,
// followed by an integer child position when ffChildPos is set), the class name and the
// component name as short strings, its properties (a short-string name, dotted for a nested
// object, then a tagged value) up to a list end, its owned components up to a list end.
//
// Form files are untrusted: every read is checked against the bytes left, nesting is limited
// to MaxFormNesting and the objects one read creates to MaxFormObjects, and any fault raises
// EReadError naming what was wrong and where. A failed read frees what it created and puts
// back the collection items it replaced.
#include <any>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "host/core/Collection.h"
#include "host/core/Currency.h"
#include "host/core/Persistent.h"
#include "host/streaming/PropertyRegistry.h"

// The value tags of the binary form format.
enum TValueType : unsigned char {
    vaNull = 0, vaList = 1, vaInt8 = 2, vaInt16 = 3, vaInt32 = 4, vaExtended = 5, vaString = 6,
    vaIdent = 7, vaFalse = 8, vaTrue = 9, vaBinary = 10, vaSet = 11, vaLString = 12, vaNil = 13,
    vaCollection = 14, vaCurrency = 16, vaDate = 17, vaInt64 = 19, vaUTF8String = 20
};

// Flags of a component's prefix byte.
enum TFilerFlag : unsigned char { ffInherited = 1, ffChildPos = 2, ffInline = 4 };

inline constexpr std::string_view FormSignature = "TPF0";
// A component's class name comes first; a length byte of 0xF0 or more would read as the prefix
// byte, so longer class names cannot be stored.
inline constexpr std::size_t MaxClassNameLength = 0xEF;
inline constexpr int MaxFormNesting = 256;
// Collection items and components one read may create: a column or a grid costs far more
// memory than the few bytes that describe it, so their counts are bounded, not the file size.
inline constexpr int MaxFormObjects = 1 << 18;
inline constexpr int MaxFormComponents = 10000;

// The tag a string is written with: ASCII in a short or long string; other bytes that form
// valid UTF-8 as a UTF-8 string; anything else as the 8-bit bytes they are.
TValueType StringValueType(std::string_view S);
// The smallest integer tag that holds Value.
TValueType IntegerValueType(std::int64_t Value);

class TReader;
class TWriter;

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
    // Need for the Length bytes of a What ("string", "name", "binary value") whose value began
    // at Start: the error names the property and the length.
    void NeedLength(std::size_t Length, const char* What, std::size_t Start) const;
    // " in property X" while a property's value is read, else empty.
    std::string InProperty() const;
    void Rollback();
    // Binds the component references read by name to the components of Root's form.
    void ResolveFixups(TComponent* Root);

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
// The binary form file of Root.
std::string WriteForm(TComponent* Root, TPropertyRegistry& Registry = PropertyRegistry());
