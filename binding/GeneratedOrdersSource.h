#pragma once
// The demo's generated order table as a source: every field of records 1 to N follows from the
// record number, so reading costs no memory per record at any N. What the user changes (edits,
// appended records, deleted ones) is kept beside it, and memory grows only with those changes;
// the change log gives it back for saving elsewhere, as the demo's --save-changes does.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "binding/ChangeLog.h"
#include "binding/TableSource.h"

class TGeneratedOrdersSource : public TTableSource, public TChangeLog {
public:
    // The most records a table may hold, appended ones included: positions fit an int.
    static constexpr std::int64_t MaxRecords = 2147483646;
    // Sorting keeps an index of 4 bytes a record; past this many records it is refused.
    static constexpr std::int64_t DefaultSortLimit = 16 * 1024 * 1024;

    // Records 1 .. Count (0 to MaxRecords; ESourceError otherwise).
    explicit TGeneratedOrdersSource(std::int64_t Count);

    std::string Description() const override;
    const std::vector<TSourceColumn>& Columns() const override { return FColumns; }
    std::int64_t RowCount() override { return RecordTotal() - static_cast<std::int64_t>(FDeleted.size()); }
    void ReadRows(std::int64_t First, int Count, std::vector<TSourceRow>& Rows) override;

    bool Writable() const override { return true; }
    // The number is fixed, a date must be YYYY-MM-DD and an amount a number of up to four
    // decimals; a refusal says which and why.
    std::string UpdateCell(std::int64_t Row, int Col, const std::string& Value) override;
    // An appended record has the next number, amount 0.00 and date 2026-01-01, as in the demo.
    std::string InsertRecord(std::int64_t& Row) override;
    std::string DeleteRecord(std::int64_t Row) override;

    // Sorts an index of record numbers, ties by number (descending: the ascending order reversed,
    // ties included); refused with ESourceError when the table holds more than SortLimit()
    // records, rather than taking gigabytes for the index.
    void SetOrder(int Col, TSortDirection Direction, const TSourceProgress& Progress = {}) override;
    int OrderColumn() const override { return FOrderCol; }
    TSortDirection OrderDirection() const override { return FDirection; }
    // Nothing outside changes the records; the current order is kept.
    void Refresh(const TSourceProgress& Progress = {}) override;

    std::uint64_t Revision() const override { return FRevision; }
    bool HasChanges() const override { return !FEdited.empty() || !FAppended.empty() || !FDeleted.empty(); }
    std::string ChangesCsv() const override;

    // The amounts add up from the record numbers, without making their texts.
    bool SumColumn(int Col, std::string& Sum) override;

    std::int64_t SortLimit() const { return FSortLimit; }
    void SetSortLimit(std::int64_t Value) { FSortLimit = Value; }
    // The record number (1-based) shown at position Row, or 0 when there is no such row.
    std::int64_t RecordAt(std::int64_t Row) const;

private:
    std::int64_t RecordTotal() const { return FCount + static_cast<std::int64_t>(FAppended.size()); }
    std::string Cell(std::uint32_t Record, int Col) const;
    void ReadRecord(std::uint32_t Record, TSourceRow& Row) const;
    // Whether Record comes before Other in the current order (ties by record number, in the
    // order's direction).
    bool Before(std::uint32_t Record, std::uint32_t Other) const;
    // The position of a shown record in the natural order (by number).
    std::int64_t NaturalPosition(std::uint32_t Record) const;
    // Inserts Record into the sorted index at its place; returns its position.
    std::int64_t PlaceInIndex(std::uint32_t Record);

    std::int64_t FCount = 0;
    std::vector<TSourceColumn> FColumns;
    // Edited generated records: the record's full row of texts. A deleted record keeps its
    // entry, so that the change log writes it as it was.
    std::map<std::uint32_t, TSourceRow> FEdited;
    // Records N+1, N+2, ... as the user appended and edited them.
    std::vector<TSourceRow> FAppended;
    // Deleted record numbers, ascending.
    std::vector<std::uint32_t> FDeleted;
    int FOrderCol = -1;
    TSortDirection FDirection = TSortDirection::None;
    // The shown records in the current order, while one is set.
    std::vector<std::uint32_t> FIndex;
    std::int64_t FSortLimit = DefaultSortLimit;
    std::uint64_t FRevision = 0;
};
