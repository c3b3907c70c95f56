#pragma once
// A table or view of a SQLite database file as a table source. Records are addressed by a key:
// the rowid (or the INTEGER PRIMARY KEY that aliases it), the primary key of a WITHOUT ROWID
// table, or key columns the caller names for a view. Views are read-only; one without a named key
// is copied into a private temporary table (addressed by its rowid) when opened and on a refresh.
//
// Any position is reached without paging by offset alone: a sparse index keeps the order's
// (sort value, key) at every IndexStride-th record, and a page is read from the nearest entry
// with a keyset query (WHERE (col, key) >= (?, ?) ORDER BY col, key), skipping fewer than
// IndexStride records. The index is built on the first read, by Refresh and by SetOrder; call
// Refresh with a progress callback right after opening to build it with progress. An order by a
// column that no index serves reads a private temporary copy of (key, value) with an index of its
// own, which SetOrder makes (seconds for millions of records, with progress) and writes keep.
//
// A file the user may not write opens read-only (Writable() false); one in a folder the user may
// not write turns read-only at the first write, which is refused. A WAL database that is
// read-only in a read-only folder is read as a file that never changes (no locks, no refresh).
//
// The class is split by concern:
//   SqliteSourceImpl.h       the inside (TImpl) and the helpers its files share
//   SqliteSource.cpp         the public calls: reads, writes, order and refresh
//   SqliteSourceOpen.cpp     opening the file, the table or view and its key; value helpers
//   SqliteSourceIndex.cpp    the keyset Walk, the sparse index, the private copies for orders
//   SqliteSourceWrites.cpp   a write in its own transaction and its refusal; update and delete
#include "binding/TableSource.h"

#include <memory>
#include <string>
#include <vector>

struct TSqliteOptions {
    // Opens the file for reading only: Writable() is false and writes are refused.
    bool ReadOnly = false;
    // The columns that identify a record of a view (unique and never NULL).
    std::vector<std::string> Key;
    // How long a write waits for another program's lock before it is refused.
    int BusyTimeoutMs = 300;
    // Records between two entries of the sparse index.
    int IndexStride = 4096;
};

class TSqliteSource : public TTableSource {
public:
    // Throws ESourceError when the file cannot be opened, is not a database, or has no table or
    // view of that name (names compare without regard to ASCII case, as in SQL).
    TSqliteSource(const std::string& FileName, const std::string& Table, const TSqliteOptions& Options = {});
    ~TSqliteSource() override;
    TSqliteSource(const TSqliteSource&) = delete;
    TSqliteSource& operator=(const TSqliteSource&) = delete;

    std::string Description() const override;
    const std::vector<TSourceColumn>& Columns() const override;
    std::int64_t RowCount() override;
    void ReadRows(std::int64_t First, int Count, std::vector<TSourceRow>& Rows) override;

    bool Writable() const override;
    std::string UpdateCell(std::int64_t Row, int Col, const std::string& Value) override;
    std::string InsertRecord(std::int64_t& Row) override;
    std::string DeleteRecord(std::int64_t Row) override;

    void SetOrder(int Col, TSortDirection Direction, const TSourceProgress& Progress = {}) override;
    int OrderColumn() const override;
    TSortDirection OrderDirection() const override;
    // Rebuilds the index when another connection committed a change since it was built.
    void Refresh(const TSourceProgress& Progress = {}) override;
    // SUM over the column's numbers (texts in it count as nothing); false past 64 bits.
    bool SumColumn(int Col, std::string& Sum) override;

    // The key columns records are addressed by ("rowid" for a table's own rowid).
    std::vector<std::string> KeyColumns() const;

    struct TImpl; // the connection and the index, in SqliteSourceImpl.h

private:
    std::unique_ptr<TImpl> FImpl;
};
