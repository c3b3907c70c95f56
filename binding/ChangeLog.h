#pragma once
// A source that keeps the user's edits, appended and deleted records beside records it cannot
// write back (a CSV file, a generated table), so that an application can save them elsewhere.
// A source that is one implements this interface too; find it with dynamic_cast.
#include <cstdint>
#include <string>
#include <vector>

#include "binding/TableSource.h"

class TChangeLog {
public:
    virtual ~TChangeLog() = default;
    // Counts the edits, appends and deletes; a saved state is current while it stays the same.
    virtual std::uint64_t Revision() const = 0;
    virtual bool HasChanges() const = 0;
    // The changed, appended and deleted records as CSV: a header line "change" and the column
    // names, then one line per record: "changed", "appended" or "deleted" and its fields as they
    // stand now (a deleted record as it was). Changed records first in record order, then the
    // appended ones in the order they were appended, then the deleted ones in record order.
    // A record appended and then deleted is in none of them.
    virtual std::string ChangesCsv() const = 0;
};

// One CSV line (RFC 4180): fields holding a comma, quote or line break are quoted, quotes
// doubled; ends with "\r\n".
std::string CsvLine(const std::vector<std::string>& Fields);

// The N-th number (counting from 0) that Deleted, ascending, does not hold: where a source that
// keeps its deleted record numbers in such a list finds the record at a position.
std::int64_t UndeletedNumber(const std::vector<std::uint32_t>& Deleted, std::int64_t N);

// Writes the text of ChangesCsv(): the header line of the columns, then one line a record, added
// in the order that ChangesCsv() gives.
class TChangesCsvWriter {
public:
    explicit TChangesCsvWriter(const std::vector<TSourceColumn>& Columns);
    // Change is "changed", "appended" or "deleted".
    void Add(const char* Change, const std::vector<std::string>& Cells);
    const std::string& Text() const { return FText; }

private:
    std::string FText;
    std::vector<std::string> FFields;
};
