#pragma once
// The demo's in-memory table: named text columns over generated order records or the fields of a
// CSV file. Edits, appended and deleted records are kept apart so that they can be written out.
#include <cstdint>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "apps/zelgrid-demo/DemoFormat.h"
#include "host/core/Currency.h"

// What a column holds; decides how an edit is checked.
enum TDemoColumnKind : unsigned char { dckText, dckNumber, dckDate, dckAmount };

class TDemoTable {
public:
    // A table of Count generated order records (number, date, customer, amount, status, paid, tags, note).
    static TDemoTable Generated(int Count);
    // A table of the given columns, filled by AddRow; kinds follow the column names.
    explicit TDemoTable(std::vector<std::string> Columns);

    int ColCount() const { return static_cast<int>(FColumns.size()); }
    int RowCount() const { return static_cast<int>(FRows.size()); }
    const std::string& ColumnName(int Col) const { return FColumns[Col]; }
    TDemoColumnKind ColumnKind(int Col) const { return FKinds[Col]; }
    // The column of the given name (case-insensitive), or -1.
    int FindColumn(const std::string& Name) const;

    std::string Cell(int Col, int Row) const;
    // Stores Value after checking it against the column's kind; returns the reason for refusing
    // it, or an empty string when it was stored.
    std::string SetCell(int Col, int Row, const std::string& Value);
    // Appends a record with a number no other record has (one past the highest; once the top of
    // the number type is taken, the lowest free one) and today's defaults; returns its row.
    int AppendRow();
    void DeleteRow(int Row);
    // Removes the record at Row when it was appended and never edited (it holds only the
    // defaults); the last one appended gives its number back. False, and nothing changes, for
    // any other record.
    bool DropBlankRow(int Row);
    bool IsBlankRow(int Row) const;
    // Orders the shown records by column Col: numbers and amounts by value, dates by date, text
    // by text (letters ignoring case). Stable: records of equal value keep their order, so an
    // earlier sort orders them. Empty values and values that do not parse come last either way,
    // and records appended and never edited after them. Returns the row that the record shown at
    // row Follow moved to (-1 when Follow is no row).
    int SortBy(int Col, bool Descending, int Follow = -1);
    // Adds a loaded record (the loader's path; not counted as a change).
    void AddRow(const std::vector<std::string>& Fields);

    // The sum of the amount column (zero without one); kept up to date by edits. The sum is kept
    // exact whatever the amounts; beyond what a Currency holds it saturates, and
    // AmountTotalInRange says so.
    Currency AmountTotal() const;
    bool AmountTotalInRange() const;
    // Counts the edits, appends and deletes; a saved state is current while it stays the same.
    std::uint64_t Revision() const { return FRevision; }

    // The changed, appended and deleted records as CSV: a first column "change" with "changed",
    // "appended" or "deleted", then the record's fields.
    std::string ChangesCsv() const;
    // Writes ChangesCsv to the file through a temporary file, so that a failed write leaves the
    // old file whole; throws std::runtime_error saying why it failed.
    void SaveChanges(const std::string& FileName) const;
    bool HasChanges() const;

private:
    std::string StoredCell(int Col, std::uint32_t Record) const;
    std::string_view StoredView(int Col, std::uint32_t Record) const;
    // The shown text of a cell: the edit, the stored field or the generated one.
    std::string RecordCell(int Col, std::uint32_t Record) const;
    bool IsBlankRecord(std::uint32_t Record) const;
    // Sort keys of column Col for the shown records: typed values, or the rank of each text.
    // Valid[i] is false for an empty value or one that does not parse.
    void SortKeys(int Col, std::vector<std::int64_t>& Keys, std::vector<char>& Valid) const;
    std::string GeneratedCell(int Col, std::uint32_t Record) const;
    Currency AmountOf(std::uint32_t Record) const;
    long long TakeNumber();
    void DetectKinds();
    std::uint64_t Key(int Col, std::uint32_t Record) const
    {
        return (static_cast<std::uint64_t>(Record) << 16) | static_cast<std::uint16_t>(Col);
    }

    std::vector<std::string> FColumns;
    std::vector<TDemoColumnKind> FKinds;
    int FAmountCol = -1;
    int FNumberCol = -1;
    // Records 0 .. FGenerated-1 are computed from their number; later ones live in FText.
    std::uint32_t FGenerated = 0;
    std::string FText;
    std::vector<std::uint32_t> FEnds; // end of each stored cell in FText, ColCount per record
    std::uint32_t FLoaded = 0;         // records that came from the source (not appended)
    std::vector<std::uint32_t> FRows;  // shown row -> record
    std::unordered_map<std::uint64_t, std::string> FEdits;
    std::vector<std::uint32_t> FDeleted;
    long long FNextNumber = 1;
    // The highest number is taken: appended records get the lowest numbers no record has.
    bool FNumbersTopped = false;
    std::set<long long> FUsedNumbers;
    long long FFreeNumber = 1;
    // Ten-thousandths; wide enough that no count of 64-bit amounts overflows it.
    __extension__ typedef __int128 TWideSum;
    TWideSum FTotal = 0;
    std::uint64_t FRevision = 0;
};

// Reads a date written YYYY-MM-DD; false for anything else, impossible dates included.
bool ParseDemoDate(const std::string& Text, int& Year, int& Month, int& Day);
// Reads an amount ("1234.5", "-12.30"); false for anything else or out of range.
bool ParseDemoAmount(std::string_view Text, Currency& Value);
