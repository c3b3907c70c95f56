#include "host/streaming/FormText.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <type_traits>

#include "host/core/Exceptions.h"
#include "host/core/TextCompare.h"
#include "host/streaming/Filer.h"

namespace {

constexpr std::size_t LineLength = 64;

bool IsIdentStart(char C)
{
    return (C >= 'A' && C <= 'Z') || (C >= 'a' && C <= 'z') || C == '_';
}

bool IsIdentChar(char C)
{
    return IsIdentStart(C) || (C >= '0' && C <= '9');
}

bool IsKeyword(std::string_view S)
{
    for (std::string_view word : {"end", "object", "inherited", "inline", "item"})
        if (SameText(S, word)) return true;
    return false;
}

// An identifier, or with Dotted a dotted path of them, that is no keyword of the text form.
bool IsName(std::string_view S, bool Dotted)
{
    if (S.empty() || IsKeyword(S)) return false;
    bool start = true;
    for (char c : S) {
        if (c == '.' && Dotted && !start) {
            start = true;
            continue;
        }
        if (start ? !IsIdentStart(c) : !IsIdentChar(c)) return false;
        start = false;
    }
    return !start;
}

// The shortest decimal text that reads back to the same value.
template <class F>
std::string ExactNumber(F Value, int MaxDigits, bool& Exact)
{
    char buffer[64];
    for (int digits = 1; digits <= MaxDigits; ++digits) {
        if constexpr (std::is_same_v<F, long double>) std::snprintf(buffer, sizeof buffer, "%.*Lg", digits, Value);
        else std::snprintf(buffer, sizeof buffer, "%.*g", digits, Value);
        F back{};
        if constexpr (std::is_same_v<F, long double>) back = std::strtold(buffer, nullptr);
        else back = std::strtod(buffer, nullptr);
        // The 80-bit value sits in the first ten bytes of a long double.
        const std::size_t bytes = std::is_same_v<F, long double> ? 10 : sizeof(F);
        if (std::memcmp(&back, &Value, bytes) == 0) {
            Exact = true;
            std::string text = buffer;
            if (text.find_first_of(".e") == std::string::npos) text += ".0";
            return text;
        }
    }
    Exact = false;
    return {};
}

std::string CurrencyText(Currency Value)
{
    const bool negative = Value.Value < 0;
    const std::uint64_t magnitude = negative ? 0 - static_cast<std::uint64_t>(Value.Value) : static_cast<std::uint64_t>(Value.Value);
    std::string text = std::string(negative ? "-" : "").append(std::to_string(magnitude / 10000));
    if (const std::uint64_t fraction = magnitude % 10000) {
        char digits[8];
        std::snprintf(digits, sizeof digits, "%04u", static_cast<unsigned>(fraction));
        std::string f = digits;
        while (f.back() == '0') f.pop_back();
        text += "." + f;
    }
    return text + "c";
}

// ---------------------------------------------------------------------------------------------

class TBinaryToText {
public:
    explicit TBinaryToText(std::string_view Binary) : FData(Binary), FReader(Binary) {}

    std::string Convert()
    {
        FReader.ReadSignature();
        Object(0);
        if (!FReader.AtEnd()) FReader.Error("Unexpected data after the form");
        return std::move(FOut);
    }

private:
    void Indent(int N) { FOut.append(static_cast<std::size_t>(N), ' '); }

    std::string Name(bool Dotted, bool MayBeEmpty, const char* What)
    {
        std::string name = FReader.ReadStr(What);
        if ((name.empty() && MayBeEmpty) || IsName(name, Dotted)) return name;
        FReader.Error("'" + name + "' is no valid name");
    }

    void Object(int Level)
    {
        FReader.EnterNesting();
        unsigned flags = 0;
        std::int64_t position = 0;
        if ((FReader.NextValue() & 0xF0) == 0xF0) {
            flags = FReader.ReadValue() & 0x0F;
            if (flags & ~unsigned(ffInherited | ffChildPos | ffInline) || (flags & ffInherited && flags & ffInline))
                FReader.Error("Unknown component flags " + std::to_string(flags));
            if (flags & ffChildPos) position = FReader.ReadInteger();
        }
        const std::string className = Name(false, false, "Class name");
        const std::string name = Name(false, true, "Component name");
        Indent(Level);
        FOut += flags & ffInherited ? "inherited " : flags & ffInline ? "inline " : "object ";
        if (!name.empty()) FOut += name + ": ";
        FOut += className;
        if (flags & ffChildPos) FOut += " [" + std::to_string(position) + "]";
        FOut += '\n';
        while (!FReader.EndOfList()) {
            const std::string prop = Name(true, false, "Property name");
            const TReader::TPropertyScope scope(FReader, prop);
            Indent(Level + 2);
            FOut += prop + " = ";
            Value(Level + 2);
            FOut += '\n';
        }
        FReader.ReadListEnd();
        while (!FReader.EndOfList()) Object(Level + 2);
        FReader.ReadListEnd();
        Indent(Level);
        FOut += "end\n";
        FReader.LeaveNesting();
    }

    void Quoted(const std::string& S, int Level)
    {
        if (S.empty()) {
            FOut += "''";
            return;
        }
        std::size_t segment = 0;
        bool quoted = false;
        if (S.size() > LineLength) {
            if (!FOut.empty() && FOut.back() == ' ') FOut.pop_back();
            FOut += '\n';
            Indent(Level + 2);
        }
        for (char c : S) {
            const auto byte = static_cast<unsigned char>(c);
            if (segment >= LineLength) {
                if (quoted) FOut += '\'';
                quoted = false;
                FOut += " +\n";
                Indent(Level + 2);
                segment = 0;
            }
            if (byte >= 32 && byte < 127) {
                if (!quoted) {
                    FOut += '\'';
                    ++segment;
                }
                quoted = true;
                FOut += c;
                if (c == '\'') FOut += c;
                segment += c == '\'' ? 2 : 1;
            } else {
                if (quoted) {
                    FOut += '\'';
                    ++segment;
                }
                quoted = false;
                const std::string code = std::string("#").append(std::to_string(byte));
                FOut += code;
                segment += code.size();
            }
        }
        if (quoted) FOut += '\'';
    }

    // A collection written as an item's only content (the shape of a collection of collections)
    // rather than a property: its tag is followed by a list tag, where a name would begin.
    bool BareCollectionNext() const
    {
        const std::size_t pos = FReader.Position();
        return pos + 1 < FData.size() && FData[pos] == vaCollection && (FData[pos + 1] == vaNull || FData[pos + 1] == vaList);
    }

    void Collection(int Level)
    {
        FReader.ReadValue();
        FReader.EnterNesting();
        FOut += '<';
        for (std::size_t items = 0; !FReader.EndOfList(items); ++items) {
            FOut += '\n';
            Indent(Level + 2);
            FOut += "item";
            FReader.ReadListBegin();
            while (!FReader.EndOfList()) {
                FOut += '\n';
                Indent(Level + 4);
                if (BareCollectionNext()) {
                    Collection(Level + 4);
                    continue;
                }
                const std::string prop = Name(true, false, "Property name");
                const TReader::TPropertyScope scope(FReader, prop);
                FOut += prop + " = ";
                Value(Level + 4);
            }
            FReader.ReadListEnd();
            FOut += '\n';
            Indent(Level + 2);
            FOut += "end";
        }
        FReader.ReadListEnd();
        FOut += '>';
        FReader.LeaveNesting();
    }

    void Value(int Level)
    {
        bool exact = false;
        switch (FReader.NextValue()) {
        case vaList:
            FReader.ReadValue();
            FReader.EnterNesting();
            FOut += '(';
            for (std::size_t items = 0; !FReader.EndOfList(items); ++items) {
                FOut += '\n';
                Indent(Level + 2);
                Value(Level + 2);
            }
            FReader.ReadListEnd();
            FOut += ')';
            FReader.LeaveNesting();
            return;
        case vaInt8:
        case vaInt16:
        case vaInt32:
        case vaInt64:
            FOut += std::to_string(FReader.ReadInt64());
            return;
        case vaExtended: {
            const long double value = FReader.ReadFloat();
            const std::string text = std::isfinite(value) ? ExactNumber(value, 21, exact) : std::string();
            if (!exact) FReader.Error("The extended value has no exact text form");
            FOut += text;
            return;
        }
        case vaString:
        case vaLString:
        case vaUTF8String:
            Quoted(FReader.ReadString(), Level);
            return;
        case vaIdent:
        case vaFalse:
        case vaTrue:
        case vaNil: {
            const std::string ident = FReader.ReadIdent();
            if (!IsName(ident, false)) FReader.Error("'" + ident + "' is no valid identifier");
            FOut += ident;
            return;
        }
        case vaBinary: {
            const std::string data = FReader.ReadBinary();
            static constexpr char Hex[] = "0123456789ABCDEF";
            FOut += '{';
            for (std::size_t i = 0; i < data.size(); ++i) {
                if (i % (LineLength / 2) == 0) {
                    FOut += '\n';
                    Indent(Level + 2);
                }
                const auto byte = static_cast<unsigned char>(data[i]);
                FOut += Hex[byte >> 4];
                FOut += Hex[byte & 15];
            }
            FOut += '}';
            return;
        }
        case vaSet: {
            FReader.ReadValue();
            FOut += '[';
            bool first = true;
            for (;;) {
                const std::string name = FReader.ReadStr("Set member");
                if (name.empty()) break;
                if (!IsName(name, false)) FReader.Error("'" + name + "' is no valid set member");
                FOut += first ? "" : ", ";
                FOut += name;
                first = false;
            }
            FOut += ']';
            return;
        }
        case vaCollection:
            Collection(Level);
            return;
        case vaCurrency:
            FOut += CurrencyText(FReader.ReadCurrency());
            return;
        case vaDate: {
            const double value = FReader.ReadDate();
            const std::string text = std::isfinite(value) ? ExactNumber(value, 17, exact) : std::string();
            if (!exact) FReader.Error("The date value has no exact text form");
            FOut += text + "d";
            return;
        }
        default:
            FReader.SkipValue(); // raises the error for the unknown tag
        }
    }

    std::string_view FData;
    TReader FReader;
    std::string FOut;
};

// ---------------------------------------------------------------------------------------------

class TTextToBinary {
public:
    TTextToBinary(std::string_view Text, std::vector<TTextPosition>* Positions) : FText(Text), FPositions(Positions)
    {
        if (FText.substr(0, 3) == "\xEF\xBB\xBF") Advance(3);
    }

    std::string Convert()
    {
        FWriter.WriteSignature();
        Object();
        SkipSpace();
        if (FPos < FText.size()) Error("Unexpected text after the last end");
        return FWriter.TakeData();
    }

private:
    [[noreturn]] void Error(const std::string& Message) const
    {
        throw EReadError("Line " + std::to_string(FLine) + ", column " + std::to_string(FColumn) + ": " + PrintableText(Message));
    }

    void Advance(std::size_t N)
    {
        for (; N > 0 && FPos < FText.size(); --N, ++FPos) {
            if (FText[FPos] == '\n') {
                ++FLine;
                FColumn = 1;
            } else {
                ++FColumn;
            }
        }
    }

    void SkipSpace()
    {
        while (FPos < FText.size() && (FText[FPos] == ' ' || FText[FPos] == '\t' || FText[FPos] == '\r' || FText[FPos] == '\n'))
            Advance(1);
    }

    char Peek()
    {
        SkipSpace();
        return FPos < FText.size() ? FText[FPos] : '\0';
    }

    void Expect(char C)
    {
        if (Peek() != C) Error(std::string("'") + C + "' expected");
        Advance(1);
    }

    void Mark()
    {
        if (FPositions) FPositions->push_back({FWriter.Data().size(), FLine, FColumn});
    }

    // An identifier, or a dotted path of them with Dotted.
    std::string Ident(bool Dotted, const char* What)
    {
        if (!IsIdentStart(Peek())) Error(std::string(What) + " expected");
        const std::size_t start = FPos;
        for (;;) {
            while (FPos < FText.size() && IsIdentChar(FText[FPos])) Advance(1);
            if (!Dotted || FPos + 1 >= FText.size() || FText[FPos] != '.' || !IsIdentStart(FText[FPos + 1])) break;
            Advance(1);
        }
        std::string ident(FText.substr(start, FPos - start));
        if (ident.size() > 255) Error("Name longer than 255 characters");
        if (IsKeyword(ident)) Error(std::string(What) + " expected, found the keyword " + ident);
        return ident;
    }

    void Keyword(std::string_view Word)
    {
        if (!PeekWord(Word)) Error(std::string(Word) + " expected");
        Advance(Word.size());
    }

    bool PeekWord(std::string_view Word)
    {
        if (!IsIdentStart(Peek()) || FText.size() - FPos < Word.size()) return false;
        if (!SameText(FText.substr(FPos, Word.size()), Word)) return false;
        return FPos + Word.size() == FText.size() || !IsIdentChar(FText[FPos + Word.size()]);
    }

    void Enter()
    {
        if (++FDepth > MaxFormNesting) Error("Nested deeper than " + std::to_string(MaxFormNesting));
    }

    void Object()
    {
        Enter();
        Mark();
        unsigned flags = 0;
        if (PeekWord("inherited")) flags = ffInherited;
        else if (PeekWord("inline")) flags = ffInline;
        else if (!PeekWord("object")) Error("object, inherited or inline expected");
        Advance(flags == ffInherited ? 9 : 6);
        std::string first = Ident(false, "Name or class");
        std::string name;
        if (Peek() == ':') {
            Advance(1);
            name = std::move(first);
            first = Ident(false, "Class name");
        }
        if (first.size() > MaxClassNameLength)
            Error("Class name longer than " + std::to_string(MaxClassNameLength) + " characters");
        std::int64_t position = 0;
        if (Peek() == '[') {
            Advance(1);
            position = Integer();
            Expect(']');
            flags |= ffChildPos;
        }
        if (flags) {
            FWriter.WriteValue(static_cast<TValueType>(0xF0 | flags));
            if (flags & ffChildPos) {
                if (IntegerValueType(position) == vaInt64) Error("Child position out of range");
                FWriter.WriteInteger(position);
            }
        }
        FWriter.WriteStr(first);
        FWriter.WriteStr(name);
        while (!PeekWord("end") && !PeekWord("object") && !PeekWord("inherited") && !PeekWord("inline")) Property();
        FWriter.WriteListEnd();
        while (!PeekWord("end")) Object();
        Keyword("end");
        FWriter.WriteListEnd();
        --FDepth;
    }

    void Property()
    {
        Mark();
        FWriter.WriteStr(Ident(true, "Property name"));
        Expect('=');
        Value();
    }

    std::int64_t Integer()
    {
        SkipSpace();
        const std::size_t start = FPos;
        if (FPos < FText.size() && FText[FPos] == '-') Advance(1);
        while (FPos < FText.size() && FText[FPos] >= '0' && FText[FPos] <= '9') Advance(1);
        const std::string text(FText.substr(start, FPos - start));
        errno = 0;
        char* end = nullptr;
        const long long value = std::strtoll(text.c_str(), &end, 10);
        if (text.empty() || text == "-" || *end || errno == ERANGE) Error("Integer expected");
        return value;
    }

    void Number()
    {
        const int line = FLine, column = FColumn;
        const std::size_t start = FPos;
        auto digits = [&] {
            const std::size_t from = FPos;
            while (FPos < FText.size() && FText[FPos] >= '0' && FText[FPos] <= '9') Advance(1);
            return FPos > from;
        };
        bool real = false;
        if (FText[FPos] == '-') Advance(1);
        bool ok = digits();
        if (FPos < FText.size() && FText[FPos] == '.') {
            Advance(1);
            real = true;
            ok = digits() && ok;
        }
        if (FPos < FText.size() && (FText[FPos] == 'e' || FText[FPos] == 'E')) {
            Advance(1);
            if (FPos < FText.size() && (FText[FPos] == '-' || FText[FPos] == '+')) Advance(1);
            real = true;
            ok = digits() && ok;
        }
        const std::string text(FText.substr(start, FPos - start));
        char suffix = FPos < FText.size() ? FText[FPos] : '\0';
        if (suffix == 'c' || suffix == 'd') Advance(1);
        else suffix = '\0';
        if (FPos < FText.size() && IsIdentChar(FText[FPos])) ok = false;
        auto bad = [&](const char* What) {
            FLine = line;
            FColumn = column;
            Error(std::string(What) + " '" + text + "'");
        };
        if (!ok) bad("Invalid number");
        errno = 0;
        if (suffix == 'c') {
            if (text.find_first_of("eE") != std::string::npos) bad("Invalid currency");
            const std::size_t dot = text.find('.');
            const std::string whole = text.substr(0, dot);
            std::string fraction = dot == std::string::npos ? "" : text.substr(dot + 1);
            if (fraction.size() > 4) bad("Currency with more than four decimals");
            fraction.resize(4, '0');
            const std::string raw = whole + fraction;
            const long long value = std::strtoll(raw.c_str(), nullptr, 10);
            if (errno == ERANGE) bad("Currency out of range");
            FWriter.WriteCurrency(Currency::FromRaw(value));
        } else if (suffix == 'd') {
            const double value = std::strtod(text.c_str(), nullptr);
            if (!std::isfinite(value)) bad("Date out of range");
            FWriter.WriteDate(value);
        } else if (real) {
            const long double value = std::strtold(text.c_str(), nullptr);
            if (!std::isfinite(value)) bad("Number out of range");
            FWriter.WriteFloat(value);
        } else {
            const long long value = std::strtoll(text.c_str(), nullptr, 10);
            if (errno == ERANGE) bad("Integer out of range");
            FWriter.WriteInteger(value);
        }
    }

    // Quoted parts and #n codes, joined by '+' across lines.
    void String()
    {
        std::string value;
        for (;;) {
            bool any = false;
            while (FPos < FText.size() && (FText[FPos] == '\'' || FText[FPos] == '#')) {
                any = true;
                if (FText[FPos] == '#') {
                    Advance(1);
                    const std::size_t from = FPos;
                    while (FPos < FText.size() && FText[FPos] >= '0' && FText[FPos] <= '9' && FPos - from < 4) Advance(1);
                    const std::string code(FText.substr(from, FPos - from));
                    if (code.empty() || std::stoi(code) > 255) Error("Character code expected (#0 to #255)");
                    value += static_cast<char>(std::stoi(code));
                    continue;
                }
                Advance(1);
                for (;;) {
                    if (FPos >= FText.size() || FText[FPos] == '\n' || FText[FPos] == '\r') Error("Unterminated string");
                    if (FText[FPos] == '\'') {
                        if (FPos + 1 < FText.size() && FText[FPos + 1] == '\'') {
                            value += '\'';
                            Advance(2);
                            continue;
                        }
                        Advance(1);
                        break;
                    }
                    value += FText[FPos];
                    Advance(1);
                }
            }
            if (!any) Error("String expected");
            if (Peek() != '+') break;
            Advance(1);
            Peek();
        }
        FWriter.WriteString(value);
    }

    void Binary()
    {
        Advance(1);
        std::string data;
        int high = -1;
        for (;;) {
            const char c = Peek();
            if (c == '}') break;
            int nibble = -1;
            if (c >= '0' && c <= '9') nibble = c - '0';
            else if (c >= 'A' && c <= 'F') nibble = c - 'A' + 10;
            else if (c >= 'a' && c <= 'f') nibble = c - 'a' + 10;
            if (nibble < 0) Error("Hexadecimal digit or '}' expected");
            Advance(1);
            if (high < 0) {
                high = nibble;
            } else {
                data += static_cast<char>(high << 4 | nibble);
                high = -1;
            }
        }
        if (high >= 0) Error("Odd number of hexadecimal digits");
        Advance(1);
        FWriter.WriteBinary(data);
    }

    void Collection()
    {
        Advance(1);
        Enter();
        FWriter.WriteValue(vaCollection);
        while (Peek() != '>') {
            Keyword("item");
            FWriter.WriteListBegin();
            while (!PeekWord("end")) {
                if (Peek() == '<') Collection();
                else Property();
            }
            Keyword("end");
            FWriter.WriteListEnd();
        }
        Advance(1);
        FWriter.WriteListEnd();
        --FDepth;
    }

    void Value()
    {
        const char c = Peek();
        if (c == '-' || (c >= '0' && c <= '9')) return Number();
        if (c == '\'' || c == '#') return String();
        if (c == '{') return Binary();
        if (c == '<') return Collection();
        if (c == '(') {
            Advance(1);
            Enter();
            FWriter.WriteListBegin();
            while (Peek() != ')') Value();
            Advance(1);
            FWriter.WriteListEnd();
            --FDepth;
            return;
        }
        if (c == '[') {
            Advance(1);
            FWriter.WriteValue(vaSet);
            if (Peek() != ']') {
                for (;;) {
                    FWriter.WriteStr(Ident(false, "Set member"));
                    if (Peek() != ',') break;
                    Advance(1);
                }
            }
            Expect(']');
            FWriter.WriteStr("");
            return;
        }
        if (IsIdentStart(c)) {
            FWriter.WriteIdent(Ident(false, "Value"));
            return;
        }
        Error("Value expected");
    }

    std::string_view FText;
    std::vector<TTextPosition>* FPositions;
    TWriter FWriter;
    std::size_t FPos = 0;
    int FLine = 1;
    int FColumn = 1;
    int FDepth = 0;
};

} // namespace

std::string ObjectBinaryToText(std::string_view Binary)
{
    return TBinaryToText(Binary).Convert();
}

std::string ObjectTextToBinary(std::string_view Text, std::vector<TTextPosition>* Positions)
{
    return TTextToBinary(Text, Positions).Convert();
}

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

TComponent* ReadForm(std::string_view Data, TComponent* Root, const THandlerTable* Handlers, TComponent* Owner,
                     TPropertyRegistry& Registry)
{
    if (!IsTextForm(Data)) {
        TReader reader(Data, Registry);
        reader.SetHandlers(Handlers);
        return reader.ReadRootComponent(Root, Owner);
    }
    std::vector<TTextPosition> positions;
    const std::string binary = ObjectTextToBinary(Data, &positions);
    TReader reader(binary, Registry);
    reader.SetHandlers(Handlers);
    // Errors found in the converted form name the line of the text they came from.
    reader.SetPositionText([&positions](std::size_t Offset) {
        auto after = std::upper_bound(positions.begin(), positions.end(), Offset,
                                      [](std::size_t O, const TTextPosition& P) { return O < P.Offset; });
        if (after == positions.begin()) return std::string("line 1, column 1");
        const TTextPosition& at = *(after - 1);
        return "line " + std::to_string(at.Line) + ", column " + std::to_string(at.Column);
    });
    return reader.ReadRootComponent(Root, Owner);
}
