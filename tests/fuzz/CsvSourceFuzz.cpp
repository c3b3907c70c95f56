// The mapped CSV source against the demo's reader, which reads the whole file at once: both
// refuse the same files with the same line and reason, and read the same cells from the others
// and count the same fields read as Latin-1.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "apps/zelgrid-demo/CsvReader.h"
#include "binding/CsvSource.h"

namespace {

[[noreturn]] void Differ(const std::string& What)
{
    std::fprintf(stderr, "CSV source and reader differ: %s\n", What.c_str());
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size)
{
    const std::string text(reinterpret_cast<const char*>(Data), Size);
    const int fd = memfd_create("csv", MFD_CLOEXEC);
    if (fd < 0 || ::write(fd, text.data(), text.size()) != static_cast<ssize_t>(text.size())) std::abort();
    const std::string name = "/proc/self/fd/" + std::to_string(fd);

    std::string readerError, sourceError;
    TDemoTable table({"x"});
    TCsvNotes notes;
    try {
        table = ReadCsv(text, &notes);
    } catch (const ECsvError& E) {
        readerError = "line " + std::to_string(E.Line()) + ": " + E.Reason();
    }
    try {
        TCsvSource source(name);
        if (!readerError.empty()) Differ("the source read what the reader refused: " + readerError);
        if (static_cast<int>(source.Columns().size()) != table.ColCount()) Differ("column count");
        for (int c = 0; c < table.ColCount(); ++c)
            if (source.Columns()[static_cast<std::size_t>(c)].Name != table.ColumnName(c)) Differ("column name");
        if (source.RowCount() != table.RowCount()) Differ("row count");
        if (source.Latin1().Fields != notes.Latin1Fields || source.Latin1().FirstLine != notes.FirstLatin1Line)
            Differ("fields read as Latin-1");
        std::vector<TSourceRow> rows;
        source.ReadRows(0, table.RowCount(), rows);
        for (int r = 0; r < table.RowCount(); ++r)
            for (int c = 0; c < table.ColCount(); ++c)
                if (rows[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)] != table.Cell(c, r))
                    Differ("cell " + std::to_string(c) + "," + std::to_string(r));
        // Every column sorts, whatever the guessed kinds.
        for (int c = 0; c < table.ColCount() && c < 4; ++c) source.SetOrder(c, TSortDirection::Descending);
    } catch (const ESourceError& E) {
        sourceError = E.what();
        const std::string expected = name + ", " + readerError;
        if (sourceError != expected) Differ("\"" + sourceError + "\" where the reader says \"" + readerError + "\"");
    }
    ::close(fd);
    return 0;
}
