// The mapped CSV source over any bytes: a refusal names the file and a line within it; a file
// it reads, written back field by field with CsvLine, reads as the same columns and cells, all
// in UTF-8; and every column sorts, descending the exact reverse of ascending.
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "binding/ChangeLog.h"
#include "binding/CsvSource.h"

namespace {

[[noreturn]] void Fault(const std::string& What)
{
    std::fprintf(stderr, "CSV source: %s\n", What.c_str());
    std::abort();
}

// A file in memory with Text, closed when it goes; Name opens it.
struct TMemFile {
    explicit TMemFile(const std::string& Text) : Fd(memfd_create("csv", MFD_CLOEXEC))
    {
        if (Fd < 0 || ::write(Fd, Text.data(), Text.size()) != static_cast<ssize_t>(Text.size())) std::abort();
        Name = "/proc/self/fd/" + std::to_string(Fd);
    }
    ~TMemFile() { ::close(Fd); }
    TMemFile(const TMemFile&) = delete;
    TMemFile& operator=(const TMemFile&) = delete;
    int Fd;
    std::string Name;
};

std::vector<TSourceRow> ReadAll(TCsvSource& Source)
{
    std::vector<TSourceRow> rows;
    Source.ReadRows(0, static_cast<int>(Source.RowCount()), rows);
    return rows;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size)
{
    const std::string text(reinterpret_cast<const char*>(Data), Size);
    const TMemFile file(text);
    std::vector<std::string> names;
    std::vector<TSourceRow> rows;
    try {
        TCsvSource source(file.Name);
        for (const TSourceColumn& column : source.Columns()) names.push_back(column.Name);
        rows = ReadAll(source);
        if (names.empty() || static_cast<std::int64_t>(rows.size()) != source.RowCount()) Fault("counts");
        for (const TSourceRow& row : rows)
            if (row.size() != names.size()) Fault("a record of " + std::to_string(row.size()) + " fields");
        // Every column sorts, whatever the guessed kinds.
        for (int c = 0; c < static_cast<int>(names.size()) && c < 4; ++c) {
            source.SetOrder(c, TSortDirection::Ascending);
            std::vector<TSourceRow> up = ReadAll(source);
            source.SetOrder(c, TSortDirection::Descending);
            std::vector<TSourceRow> down = ReadAll(source);
            std::reverse(down.begin(), down.end());
            if (up != down) Fault("descending is not the reverse of ascending, column " + std::to_string(c));
            std::sort(up.begin(), up.end());
            std::vector<TSourceRow> all = rows;
            std::sort(all.begin(), all.end());
            if (up != all) Fault("an order lost or repeated records, column " + std::to_string(c));
        }
    } catch (const ESourceError& E) {
        // "<file>, line N: reason", N a line of the file.
        const std::string message = E.what(), prefix = file.Name + ", line ";
        const std::size_t colon = message.find(": ", prefix.size());
        if (message.compare(0, prefix.size(), prefix) != 0 || colon == std::string::npos) Fault("refused with \"" + message + "\"");
        const long line = std::strtol(message.c_str() + prefix.size(), nullptr, 10);
        if (line < 1 || line > std::count(text.begin(), text.end(), '\n') + 1) Fault("refused at no line of the file: " + message);
        return 0;
    }

    // Written back: a byte order mark first, so that a first name starting with one keeps it.
    std::string again = "\xEF\xBB\xBF" + CsvLine(names);
    for (const TSourceRow& row : rows) again += CsvLine(row);
    const TMemFile copy(again);
    try {
        TCsvSource source(copy.Name);
        std::vector<std::string> readNames;
        for (const TSourceColumn& column : source.Columns()) readNames.push_back(column.Name);
        if (readNames != names) Fault("column names written back read otherwise");
        if (ReadAll(source) != rows) Fault("cells written back read otherwise");
        if (source.Latin1().Fields != 0) Fault("fields written back are not UTF-8");
    } catch (const ESourceError& E) {
        Fault(std::string("fields written back are refused: ") + E.what());
    }
    return 0;
}
