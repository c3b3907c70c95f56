#include "host/streaming/FormReader.h"

#include <cstring>

#include "host/core/Exceptions.h"

namespace {

template <class T>
T LoadLE(const unsigned char* P)
{
    T value{};
    std::memcpy(&value, P, sizeof(T));
    return value;
}

} // namespace

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

std::string TReader::ReadBytes(std::size_t Length, const char* What, std::size_t Start)
{
    const std::size_t left = FData.size() - FPos;
    if (Length > left) {
        FValuePos = Start;
        const std::size_t over = Length - left;
        Error(std::string(What) + " of " + std::to_string(Length) + " bytes" + InProperty() + " runs " +
              std::to_string(over) + (over == 1 ? " byte" : " bytes") + " past the end of the form file");
    }
    std::string bytes(FData.substr(FPos, Length));
    FPos += Length;
    return bytes;
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
    return ReadBytes(length, What, FValuePos);
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
    return ReadBytes(length, "String", tagPos);
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
    return ReadBytes(static_cast<std::size_t>(n), "Binary value", tagPos);
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
