#include "apps/zelgrid-demo/CsvReader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "apps/zelgrid-demo/ReplaceFile.h"

namespace {

// The offset of the first byte that does not belong to a well-formed UTF-8 sequence (overlong
// forms, surrogates and code points past U+10FFFF included), or npos.
std::size_t InvalidUtf8At(std::string_view Text)
{
    const auto* s = reinterpret_cast<const unsigned char*>(Text.data());
    const std::size_t n = Text.size();
    std::size_t i = 0;
    while (i < n) {
        // Eight ASCII bytes at a time: most files are nearly all ASCII.
        if (i + 8 <= n) {
            std::uint64_t word;
            std::memcpy(&word, s + i, 8);
            if ((word & 0x8080808080808080ull) == 0) {
                i += 8;
                continue;
            }
        }
        const unsigned c = s[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        std::size_t len = 0;
        std::uint32_t cp = 0, least = 0;
        if ((c & 0xE0) == 0xC0) {
            len = 2;
            cp = c & 0x1F;
            least = 0x80;
        } else if ((c & 0xF0) == 0xE0) {
            len = 3;
            cp = c & 0x0F;
            least = 0x800;
        } else if ((c & 0xF8) == 0xF0) {
            len = 4;
            cp = c & 0x07;
            least = 0x10000;
        } else {
            return i;
        }
        if (n - i < len) return i;
        for (std::size_t k = 1; k < len; ++k) {
            if ((s[i + k] & 0xC0) != 0x80) return i;
            cp = (cp << 6) | (s[i + k] & 0x3F);
        }
        if (cp < least || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return i;
        i += len;
    }
    return std::string_view::npos;
}

// Each byte of Text as the Latin-1 character it stands for, in UTF-8.
std::string Latin1ToUtf8(std::string_view Text)
{
    std::string out;
    out.reserve(Text.size() + Text.size() / 4);
    for (const char ch : Text) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0x80) {
            out += ch;
            continue;
        }
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
    return out;
}

// Walks the text one record at a time, unquoting fields into a reused vector.
class TCsvScanner {
public:
    // Notes, when the text is not all UTF-8, collects the fields read as Latin-1.
    TCsvScanner(std::string_view Text, TCsvNotes* Notes) : FText(Text), FNotes(Notes) {}

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
            const int fieldLine = FLine;
            if (FPos < FText.size() && FText[FPos] == '"') ReadQuoted(field);
            else ReadPlain(field);
            if (FNotes) CheckUtf8(field, fieldLine);
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
    void CheckUtf8(std::string& Field, int FieldLine)
    {
        const std::size_t bad = InvalidUtf8At(Field);
        if (bad == std::string_view::npos) return;
        if (FNotes->Latin1Fields++ == 0)
            FNotes->FirstLatin1Line = FieldLine + static_cast<int>(std::count(Field.begin(), Field.begin() + static_cast<std::ptrdiff_t>(bad), '\n'));
        Field = Latin1ToUtf8(Field);
    }

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
    TCsvNotes* FNotes;
    std::size_t FPos = 0;
    int FLine = 1;
};

// "5.0 GiB (5368709120 bytes)"
std::string FileSizeText(std::uint64_t Bytes)
{
    static const char* const units[] = {"bytes", "KiB", "MiB", "GiB", "TiB", "PiB", "EiB"};
    double value = static_cast<double>(Bytes);
    int unit = 0;
    while (value >= 1024 && unit < 6) {
        value /= 1024;
        ++unit;
    }
    if (unit == 0) return std::to_string(Bytes) + " bytes";
    char text[64];
    std::snprintf(text, sizeof text, "%.1f %s (%llu bytes)", value, units[unit], static_cast<unsigned long long>(Bytes));
    return text;
}

} // namespace

std::string TCsvNotes::Warning(const std::string& File) const
{
    if (Latin1Fields == 0) return {};
    std::string text = (File.empty() ? "" : File + ", ") + "line " + std::to_string(FirstLatin1Line) +
                       ": text that is not valid UTF-8 was read as Latin-1";
    if (Latin1Fields > 1) text += " (" + std::to_string(Latin1Fields) + " fields from this line on)";
    return text;
}

TDemoTable ReadCsv(std::string_view Text, TCsvNotes* Notes)
{
    if (Text.size() >= 3 && Text.substr(0, 3) == "\xEF\xBB\xBF") Text.remove_prefix(3);
    if (Text.empty()) throw ECsvError(1, "the file is empty; the first line must name the columns");
    TCsvNotes notes;
    // A file that is all UTF-8 (nearly every one) is not checked field by field.
    const bool utf8 = InvalidUtf8At(Text) == std::string_view::npos;
    TCsvScanner scanner(Text, utf8 ? nullptr : &notes);
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
    if (Notes) *Notes = notes;
    return table;
}

std::string CsvSizeProblem(std::uint64_t Size, std::uint64_t Memory)
{
    // The table keeps the fields' text with 32-bit offsets.
    if (Size > UINT32_MAX)
        return "is " + FileSizeText(Size) + ", more than the 4 GiB of text the demo's table holds";
    // The file's text and the table's copy of it are in memory at once while it is read.
    if (Memory && Size > Memory / 2)
        return "is " + FileSizeText(Size) + "; reading it needs about twice that in memory, and this machine has " +
               FileSizeText(Memory);
    return {};
}

TDemoTable LoadCsvFile(const std::string& FileName, TCsvNotes* Notes)
{
    // Opened without waiting for a writer, so that a fifo is refused instead of hanging the demo.
    const int fd = ::open(FileName.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) throw std::runtime_error("cannot open " + FileName + ": " + std::strerror(errno));
    struct TCloser {
        int Fd;
        ~TCloser() { ::close(Fd); }
    } closer{fd};
    struct stat st {};
    if (::fstat(fd, &st) != 0) throw std::runtime_error("cannot read " + FileName + ": " + std::strerror(errno));
    if (!S_ISREG(st.st_mode))
        throw std::runtime_error(FileName + " is " + FileKindText(st.st_mode) + ", not a regular file; --csv reads a file on disk");
    const long pages = ::sysconf(_SC_PHYS_PAGES), pageSize = ::sysconf(_SC_PAGESIZE);
    const std::uint64_t memory = pages > 0 && pageSize > 0 ? static_cast<std::uint64_t>(pages) * static_cast<std::uint64_t>(pageSize) : 0;
    const auto size = static_cast<std::uint64_t>(st.st_size);
    if (const std::string problem = CsvSizeProblem(size, memory); !problem.empty())
        throw std::runtime_error(FileName + " " + problem);

    std::string text(static_cast<std::size_t>(size), '\0');
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::read(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) throw std::runtime_error("cannot read " + FileName + ": " + std::strerror(errno));
        if (n == 0) break; // the file shrank meanwhile: what is there is read
        done += static_cast<std::size_t>(n);
    }
    text.resize(done);
    try {
        return ReadCsv(text, Notes);
    } catch (const ECsvError& e) {
        throw ECsvError(e.Line(), e.Reason(), FileName);
    }
}

