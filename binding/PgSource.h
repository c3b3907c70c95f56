#pragma once
// A table or view reached through a PostgreSQL connection string as a table source.
//
// Records are addressed by the primary key. A table without one is addressed by its ctid (the
// record version's place on disk): every table has it and it finds the record in one step, but
// an update gives the record a new ctid, so in the table's own order (by ctid) an edited record
// may move. A view is addressed by the key columns the caller names; without them it is shown
// read-only and paged by offset (the one case where a far page costs in proportion to its row).
//
// Any position is reached without paging by offset alone: a sparse index keeps the order's
// (sort value, key) at every IndexStride-th record, built in one snapshot through a cursor by
// Refresh, SetOrder or the first read that needs it; a page is read from the nearest entry with a
// keyset query, skipping fewer than IndexStride records. Writes keep the index's positions. An
// order no btree index on the column serves is read through a private sorted copy of
// (value, key) with its own indexes, a temporary table of the session made with the index; a
// read-only session (a read-only database, a standby) cannot make one and sorts for each page.
//
// Empty cells are NULL: they come first in an ascending order, last in a descending one (read as
// two ranges, each served by a plain index), and ties are ordered by the key in the order's
// direction, so that a descending order is an index on (column, key) read backwards. A write of
// an empty text stores NULL (or '' where the column refuses NULL). Text orders by the database's
// collation.
//
// A lost connection makes the call that noticed it fail with ESourceError; the next call
// reconnects. connect_timeout and statement_timeout bound every wait to a few seconds, and a
// server that stops answering altogether (a frozen machine) is given up on when the statement's
// timeout and AnswerGraceMs have passed.
//
// The implementation (TImpl, declared in PgSourceImpl.h) is split by concern:
//   PgSource.cpp      this interface: reads, writes with their index bookkeeping, the order
//   PgConnection.cpp  the connection, its timeouts, statements and answers, the table's description
//   PgOrder.cpp       the order's segments, the keyset predicates, the private sorted copy, Walk
//   PgIndex.cpp       the sparse index, page reads, positions kept through our own writes
#include <memory>
#include <string>
#include <vector>

#include "binding/TableSource.h"

struct TPgOptions {
    // The columns that identify a record of a view (unique and never NULL).
    std::vector<std::string> Key;
    // Records between two entries of the sparse index.
    int IndexStride = 1024;
    // The longest a connection attempt, a statement or a wait for a lock may take.
    int ConnectTimeoutSeconds = 5;
    int StatementTimeoutMs = 5000;
    int LockTimeoutMs = 2000;
    // Building the index sorts the whole table when no index serves the order.
    int IndexTimeoutMs = 120000;
    // How long past its timeout a statement's answer is awaited before the server is taken for
    // one that stopped answering: the connection is dropped and the next call connects again.
    int AnswerGraceMs = 5000;
};

class TPgSource : public TTableSource {
public:
    // Table may be schema-qualified and quoted as in SQL ("sales.orders", "\"Order Lines\"").
    // Throws ESourceError when the connection fails or there is no such table or view.
    TPgSource(const std::string& ConnInfo, const std::string& Table, const TPgOptions& Options = {});
    ~TPgSource() override;
    TPgSource(const TPgSource&) = delete;
    TPgSource& operator=(const TPgSource&) = delete;

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
    // Counts again and rebuilds the index in one snapshot.
    void Refresh(const TSourceProgress& Progress = {}) override;
    // The server's SUM of the column as an exact numeric; false where it cannot (infinities).
    bool SumColumn(int Col, std::string& Sum) override;

    // The key columns records are addressed by ("ctid" for a table without a primary key; empty
    // for a view without a named key).
    std::vector<std::string> KeyColumns() const;

    struct TImpl; // the connection and the index, in PgSourceImpl.h

private:
    std::unique_ptr<TImpl> FImpl;
};
