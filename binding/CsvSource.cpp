// The CSV source: the mapping and its load, reading rows, the changes kept beside the file and
// refreshing from it. Indexing is in CsvIndex.cpp, the order in CsvSort.cpp.
#include "binding/CsvSource.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <iterator>
#include <utility>

#include "binding/CsvSourceImpl.h"
#include "binding/SourceValues.h"

using namespace ZelCsvDetail;

namespace {

std::string BaseName(const std::string& Path)
{
    const std::size_t slash = Path.find_last_of('/');
    return slash == std::string::npos ? Path : Path.substr(slash + 1);
}

std::int64_t LineAt(const char* Data, std::size_t Offset)
{
    return 1 + static_cast<std::int64_t>(std::count(Data, Data + Offset, '\n'));
}

const char* const ReadOnlyReason = "CSV files are shown read-only; the file was not changed";

// Why Value does not suit a column of Kind, or empty; an empty value suits every kind.
std::string KindProblem(TSourceColumnKind Kind, const std::string& Value)
{
    if (Value.empty()) return {};
    std::int64_t whole = 0;
    double number = 0;
    switch (Kind) {
    case TSourceColumnKind::Text: return {};
    case TSourceColumnKind::Integer:
        return ParseSourceInteger(Value, whole) ? "" : "'" + Value + "' is not a valid whole number.";
    case TSourceColumnKind::Number:
        return ParseSourceNumber(Value, number) ? "" : "'" + Value + "' is not a valid number.";
    case TSourceColumnKind::Date:
        return ParseSourceDate(Value, whole) ? "" : "'" + Value + "' is not a valid date (YYYY-MM-DD).";
    }
    return {};
}

} // namespace

void TCsvSource::TMapping::Release()
{
    if (Data) ::munmap(const_cast<char*>(Data), Size);
    if (Fd >= 0) ::close(Fd);
    *this = TMapping{};
}

TCsvSource::TCsvSource(std::string FileName, const TSourceProgress& Progress) : FFileName(std::move(FileName))
{
    Load(Progress);
}

TCsvSource::~TCsvSource() { FMap.Release(); }

std::string TCsvSource::Description() const { return BaseName(FFileName) + ", CSV file"; }

void TCsvSource::Load(const TSourceProgress& Progress)
{
    TMapping map;
    struct TGuard {
        TMapping& Map;
        ~TGuard() { Map.Release(); }
    } guard{map};
    // Opened without waiting for a writer, so that a fifo is refused instead of hanging.
    map.Fd = ::open(FFileName.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (map.Fd < 0) throw ESourceError("Cannot open " + FFileName + ": " + std::strerror(errno));
    struct stat st {};
    if (::fstat(map.Fd, &st) != 0) throw ESourceError("Cannot read " + FFileName + ": " + std::strerror(errno));
    if (!S_ISREG(st.st_mode)) throw ESourceError(FFileName + " is not a regular file");

    map.Size = static_cast<std::size_t>(st.st_size);
    const auto empty = [&] {
        return ESourceError(FFileName + ", line 1: the file is empty; the first line must name the columns");
    };
    if (map.Size == 0) throw empty();
    void* data = ::mmap(nullptr, map.Size, PROT_READ, MAP_PRIVATE, map.Fd, 0);
    if (data == MAP_FAILED) throw ESourceError("Cannot map " + FFileName + ": " + std::strerror(errno));
    map.Data = static_cast<const char*>(data);
    ::madvise(data, map.Size, MADV_SEQUENTIAL);

    const std::size_t begin = map.Size >= 3 && std::memcmp(map.Data, "\xEF\xBB\xBF", 3) == 0 ? 3 : 0;
    if (begin == map.Size) throw empty();
    TIndexResult index;
    try {
        IndexCsv(map.Data, map.Size, begin, index, Progress);
    } catch (const TIndexError& E) {
        throw ESourceError(FFileName + ", line " + std::to_string(LineAt(map.Data, E.Offset)) + ": " + E.Reason);
    }
    ::madvise(data, map.Size, MADV_NORMAL);

    std::vector<TSourceColumn> columns;
    std::string scratch;
    const std::string_view header =
        WithoutLineBreak(std::string_view(map.Data + index.HeaderBegin, index.HeaderEnd - index.HeaderBegin));
    EachField(header, [&](std::string_view Raw, bool Quoted) {
        columns.push_back({CsvFieldText(Unquoted(Raw, Quoted, scratch)), TSourceColumnKind::Text});
        return true;
    });

    TCsvLatin1Notes latin1;
    latin1.Fields = index.Latin1Fields;
    latin1.Records = index.Latin1Records;
    if (latin1.Fields) latin1.FirstLine = LineAt(map.Data, index.FirstLatin1);

    // Everything is read: the new state replaces the old one.
    std::swap(FMap, map);
    FOffsets = std::move(index.Offsets);
    FColumns = std::move(columns);
    FLatin1 = latin1;
    GuessKinds();
}

void TCsvSource::GuessKinds()
{
    // A sample spread over the file; each column keeps what all its values could be.
    struct TGuess {
        bool Integer = true, Number = true, Date = true, Any = false;
    };
    std::vector<TGuess> guesses(FColumns.size());
    const std::int64_t records = FileRecords();
    const std::int64_t samples = std::min<std::int64_t>(records, 200);
    std::string scratch;
    for (std::int64_t i = 0; i < samples; ++i) {
        std::size_t col = 0;
        EachField(RecordText(i * records / samples), [&](std::string_view Raw, bool Quoted) {
            if (col >= guesses.size()) return false;
            TGuess& g = guesses[col++];
            const std::string_view text = Unquoted(Raw, Quoted, scratch);
            if (text.empty() || !(g.Integer || g.Number || g.Date)) return true;
            g.Any = true;
            // Only the kinds still open are tried: a wide file's sample is most of the file.
            std::int64_t whole = 0;
            double number = 0;
            const bool integer = g.Integer && ParseSourceInteger(text, whole);
            const bool isNumber = integer || (g.Number && ParseSourceNumber(text, number));
            g.Integer = integer;
            g.Number = g.Number && isNumber;
            g.Date = !isNumber && g.Date && ParseSourceDate(text, whole);
            return true;
        });
    }
    for (std::size_t c = 0; c < FColumns.size(); ++c) {
        const TGuess& g = guesses[c];
        FColumns[c].Kind = !g.Any      ? TSourceColumnKind::Text
                           : g.Integer ? TSourceColumnKind::Integer
                           : g.Number  ? TSourceColumnKind::Number
                           : g.Date    ? TSourceColumnKind::Date
                                       : TSourceColumnKind::Text;
    }
}

std::string_view TCsvSource::RecordText(std::int64_t Record) const
{
    const auto r = static_cast<std::size_t>(Record);
    const std::uint64_t begin = FOffsets[r], end = FOffsets[r + 1];
    return WithoutLineBreak(std::string_view(FMap.Data + begin, end - begin));
}


void TCsvSource::DecodeRecord(std::int64_t Record, TSourceRow& Row) const
{
    Row.resize(FColumns.size());
    std::size_t col = 0;
    if (Record < FileRecords()) {
        std::string scratch;
        EachField(RecordText(Record), [&](std::string_view Raw, bool Quoted) {
            if (col >= Row.size()) return false;
            Row[col++] = CsvFieldText(Unquoted(Raw, Quoted, scratch));
            return true;
        });
    }
    for (; col < Row.size(); ++col) Row[col].clear();
    if (FEdits.empty()) return;
    const auto end = FEdits.lower_bound(EditKey(Record + 1, 0));
    for (auto at = FEdits.lower_bound(EditKey(Record, 0)); at != end; ++at) Row[at->first & 0xFFFF] = at->second;
}

bool TCsvSource::IsDeleted(std::int64_t Record) const
{
    return std::binary_search(FDeleted.begin(), FDeleted.end(), static_cast<std::uint32_t>(Record));
}

std::string TCsvSource::FileProblem() const
{
    struct stat st {};
    if (::fstat(FMap.Fd, &st) != 0 || static_cast<std::uint64_t>(st.st_size) < FMap.Size)
        return FFileName + " was shortened by another program; refresh to read it again";
    return {};
}

void TCsvSource::CheckFileIntact() const
{
    if (std::string problem = FileProblem(); !problem.empty()) throw ESourceError(problem);
}

std::int64_t TCsvSource::RecordAt(std::int64_t Row) const
{
    if (FDirection != TSortDirection::None) return FOrder[static_cast<std::size_t>(Row)];
    return UndeletedNumber(FDeleted, Row);
}

void TCsvSource::ReadRows(std::int64_t First, int Count, std::vector<TSourceRow>& Rows)
{
    Rows.clear();
    const std::int64_t rows = RowCount();
    First = std::max<std::int64_t>(First, 0);
    if (Count <= 0 || First >= rows) return;
    CheckFileIntact();
    const std::int64_t last = std::min(rows, First + Count);
    Rows.resize(static_cast<std::size_t>(last - First));
    for (std::int64_t row = First; row < last; ++row) DecodeRecord(RecordAt(row), Rows[static_cast<std::size_t>(row - First)]);
}

std::string TCsvSource::UpdateCell(std::int64_t Row, int Col, const std::string& Value)
{
    if (!FKeepChanges) return ReadOnlyReason;
    if (Col < 0 || Col >= static_cast<int>(FColumns.size())) return "There is no column " + std::to_string(Col);
    if (Row < 0 || Row >= RowCount()) return "There is no row " + std::to_string(Row);
    if (std::string problem = KindProblem(FColumns[static_cast<std::size_t>(Col)].Kind, Value); !problem.empty())
        return problem;
    const bool moves = FDirection != TSortDirection::None && Col == FOrderCol;
    // Placing the record again compares it with others in the file.
    if (const std::string problem = moves ? FileProblem() : std::string(); !problem.empty()) return problem;
    const std::int64_t record = RecordAt(Row);
    FEdits.insert_or_assign(EditKey(record, Col), std::string(Value));
    ++FRevision;
    if (!moves) return {};
    // The record leaves the order and comes back at its new place; the order keeps its capacity,
    // so putting it back cannot fail.
    FOrder.erase(FOrder.begin() + Row);
    PlaceInOrder(record);
    return {};
}

std::string TCsvSource::InsertRecord(std::int64_t& Row)
{
    if (!FKeepChanges) return ReadOnlyReason;
    if (RecordTotal() >= UINT32_MAX) return "The table is full: it holds 4,294,967,295 records";
    const std::int64_t record = RecordTotal();
    if (FDirection == TSortDirection::None) {
        ++FAppended;
        Row = RowCount() - 1;
    } else {
        if (const std::string problem = FileProblem(); !problem.empty()) return problem;
        if (FOrder.size() == FOrder.capacity()) FOrder.reserve(FOrder.size() + FOrder.size() / 2 + 16);
        ++FAppended;
        Row = PlaceInOrder(record);
    }
    ++FRevision;
    return {};
}

std::string TCsvSource::DeleteRecord(std::int64_t Row)
{
    if (!FKeepChanges) return ReadOnlyReason;
    if (Row < 0 || Row >= RowCount()) return "There is no row " + std::to_string(Row);
    const std::int64_t record = RecordAt(Row);
    const auto r = static_cast<std::uint32_t>(record);
    FDeleted.insert(std::upper_bound(FDeleted.begin(), FDeleted.end(), r), r);
    if (FDirection != TSortDirection::None) FOrder.erase(FOrder.begin() + Row);
    // An appended record deleted again is in no list of changes: what it held goes.
    if (record >= FileRecords()) FEdits.erase(FEdits.lower_bound(EditKey(record, 0)), FEdits.lower_bound(EditKey(record + 1, 0)));
    ++FRevision;
    return {};
}

std::string TCsvSource::ChangesCsv() const
{
    CheckFileIntact();
    TChangesCsvWriter out(FColumns);
    TSourceRow row;
    const auto write = [&](const char* Change, std::int64_t Record) {
        DecodeRecord(Record, row);
        out.Add(Change, row);
    };
    const std::int64_t fileRecords = FileRecords();
    for (auto at = FEdits.begin(); at != FEdits.end();) {
        const auto record = static_cast<std::int64_t>(at->first >> 16);
        if (record >= fileRecords) break;
        if (!IsDeleted(record)) write("changed", record);
        at = FEdits.lower_bound(EditKey(record + 1, 0));
    }
    for (std::int64_t record = fileRecords; record < RecordTotal(); ++record)
        if (!IsDeleted(record)) write("appended", record);
    for (const std::uint32_t record : FDeleted) {
        if (record >= fileRecords) break;
        write("deleted", record);
    }
    return out.Text();
}

std::size_t TCsvSource::IndexBytes() const
{
    return FOffsets.capacity() * sizeof(std::uint64_t) + FOrder.capacity() * sizeof(std::uint32_t);
}

void TCsvSource::Refresh(const TSourceProgress& Progress)
{
    // The new file is read beside the old state, which stays until the new one is complete.
    TCsvSource fresh(FFileName, Progress);
    if (HasChanges()) {
        bool sameColumns = fresh.FColumns.size() == FColumns.size();
        for (std::size_t c = 0; sameColumns && c < FColumns.size(); ++c) sameColumns = fresh.FColumns[c].Name == FColumns[c].Name;
        if (!sameColumns)
            throw ESourceError(FFileName +
                               " now has other columns; the changes made here are kept with the old ones until they are saved");
        // The highest record of the file that a change refers to.
        const std::int64_t oldRecords = FileRecords(), newRecords = fresh.FileRecords();
        std::int64_t highest = -1;
        if (const auto at = FEdits.lower_bound(EditKey(oldRecords, 0)); at != FEdits.begin())
            highest = static_cast<std::int64_t>(std::prev(at)->first >> 16);
        const auto deletedEnd = std::lower_bound(FDeleted.begin(), FDeleted.end(), static_cast<std::uint32_t>(oldRecords));
        if (deletedEnd != FDeleted.begin()) highest = std::max<std::int64_t>(highest, *(deletedEnd - 1));
        if (highest >= newRecords)
            throw ESourceError(FFileName + " now holds " + std::to_string(newRecords) +
                               " records, fewer than the changes made here refer to; they are kept with the old file "
                               "until they are saved");
        if (newRecords + FAppended >= UINT32_MAX)
            throw ESourceError(FFileName + " now holds too many records to add the ones appended here");
        // Appended records follow the new file's last one.
        const auto renumbered = [&](std::int64_t Record) {
            return Record < oldRecords ? Record : Record - oldRecords + newRecords;
        };
        for (const auto& [key, value] : FEdits) {
            const std::int64_t record = renumbered(static_cast<std::int64_t>(key >> 16));
            fresh.FEdits.emplace_hint(fresh.FEdits.end(), EditKey(record, static_cast<int>(key & 0xFFFF)), value);
        }
        for (const std::uint32_t record : FDeleted) fresh.FDeleted.push_back(static_cast<std::uint32_t>(renumbered(record)));
        fresh.FAppended = FAppended;
    }
    if (FDirection != TSortDirection::None && FOrderCol < static_cast<int>(fresh.FColumns.size()))
        fresh.SetOrder(FOrderCol, FDirection, Progress);
    std::swap(FMap, fresh.FMap);
    FOffsets = std::move(fresh.FOffsets);
    FColumns = std::move(fresh.FColumns);
    FLatin1 = fresh.FLatin1;
    FOrder = std::move(fresh.FOrder);
    FOrderCol = fresh.FOrderCol;
    FDirection = fresh.FDirection;
    FEdits = std::move(fresh.FEdits);
    FDeleted = std::move(fresh.FDeleted);
}
