#include "apps/zelgrid-demo/CsvReader.h"

#include <cstring>
#include <fstream>

namespace {

// Walks the text one record at a time, unquoting fields into a reused vector.
class TCsvScanner {
public:
    explicit TCsvScanner(std::string_view Text) : FText(Text) {}

    bool AtEnd() const { return FPos >= FText.size(); }
    int Line() const { return FLine; }

    // Reads the next record into Fields; the record's first line is left in RecordLine.
    void Next(std::vector<std::string>& Fields, int& RecordLine)
    {
        RecordLine = FLine;
        std::size_t count = 0;
        for (;;) {
            if (count == Fields.size()) Fields.emplace_back();
            std::string& field = Fields[count++];
            field.clear();
            if (FPos < FText.size() && FText[FPos] == '"') ReadQuoted(field);
            else ReadPlain(field);
            if (FPos >= FText.size()) break;
            const char c = FText[FPos++];
            if (c == ',') continue;
            if (c == '\r') {
                if (FPos >= FText.size() || FText[FPos] != '\n') throw ECsvError(FLine, "a carriage return without a line feed");
                ++FPos;
            }
            ++FLine;
            break;
        }
        Fields.resize(count);
    }

private:
    void ReadPlain(std::string& Field)
    {
        const std::size_t begin = FPos;
        const char* data = FText.data();
        while (FPos < FText.size()) {
            const char c = data[FPos];
            if (c == ',' || c == '\n' || c == '\r') break;
            if (c == '"') throw ECsvError(FLine, "a quote inside an unquoted field");
            ++FPos;
        }
        Field.assign(data + begin, FPos - begin);
    }

    void ReadQuoted(std::string& Field)
    {
        const int startLine = FLine;
        ++FPos;
        for (;;) {
            const void* q = std::memchr(FText.data() + FPos, '"', FText.size() - FPos);
            if (!q) throw ECsvError(startLine, "a quoted field is never closed");
            const std::size_t at = static_cast<std::size_t>(static_cast<const char*>(q) - FText.data());
            const std::string_view piece = FText.substr(FPos, at - FPos);
            for (char c : piece) FLine += c == '\n';
            Field.append(piece);
            FPos = at + 1;
            if (FPos < FText.size() && FText[FPos] == '"') {
                Field.push_back('"');
                ++FPos;
                continue;
            }
            break;
        }
        if (FPos < FText.size() && FText[FPos] != ',' && FText[FPos] != '\n' && FText[FPos] != '\r')
            throw ECsvError(FLine, "text after the closing quote of a field");
    }

    std::string_view FText;
    std::size_t FPos = 0;
    int FLine = 1;
};

} // namespace

TDemoTable ReadCsv(std::string_view Text)
{
    if (Text.size() >= 3 && Text.substr(0, 3) == "\xEF\xBB\xBF") Text.remove_prefix(3);
    if (Text.empty()) throw ECsvError(1, "the file is empty; the first line must name the columns");
    TCsvScanner scanner(Text);
    std::vector<std::string> fields;
    int line = 1;
    scanner.Next(fields, line);
    for (const std::string& name : fields)
        if (name.empty()) throw ECsvError(1, "a column without a name in the header");
    if (fields.size() > 0xFFFF) throw ECsvError(1, "more than 65535 columns");
    TDemoTable table(fields);
    while (!scanner.AtEnd()) {
        scanner.Next(fields, line);
        if (static_cast<int>(fields.size()) != table.ColCount())
            throw ECsvError(line, std::to_string(fields.size()) + " fields where the header names " +
                                      std::to_string(table.ColCount()));
        table.AddRow(fields);
    }
    return table;
}

TDemoTable LoadCsvFile(const std::string& FileName)
{
    std::ifstream file(FileName, std::ios::binary);
    if (!file) throw std::runtime_error("cannot open " + FileName);
    file.seekg(0, std::ios::end);
    std::string text(static_cast<std::size_t>(file.tellg()), '\0');
    file.seekg(0);
    if (!file.read(text.data(), static_cast<std::streamsize>(text.size()))) throw std::runtime_error("cannot read " + FileName);
    try {
        return ReadCsv(text);
    } catch (const ECsvError& e) {
        throw ECsvError(e.Line(), e.Reason(), FileName);
    }
}

std::string CsvLine(const std::vector<std::string>& Fields)
{
    std::string out;
    for (std::size_t i = 0; i < Fields.size(); ++i) {
        if (i) out += ',';
        const std::string& f = Fields[i];
        if (f.find_first_of(",\"\r\n") == std::string::npos) {
            out += f;
            continue;
        }
        out += '"';
        for (char c : f) {
            if (c == '"') out += '"';
            out += c;
        }
        out += '"';
    }
    return out + "\r\n";
}
