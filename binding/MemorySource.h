#pragma once
// A writable source over records held in memory: for tests and for programs that build their
// table themselves. The records live in a TMemoryStore that other code may change behind the
// source's back, as another program changes a database; Refresh reads such changes in.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "binding/TableSource.h"

struct TMemoryRecord {
    std::int64_t Key = 0;
    TSourceRow Cells;
};

struct TMemoryStore {
    std::vector<TSourceColumn> Columns;
    // In key order; keys are unique and grow with each insert.
    std::vector<TMemoryRecord> Records;
    std::int64_t NextKey = 1;
    // Appends a record under the next key.
    void Add(TSourceRow Cells);
};

class TMemorySource : public TTableSource {
public:
    explicit TMemorySource(std::shared_ptr<TMemoryStore> Store, std::string Name = "memory");

    std::string Description() const override { return FName; }
    const std::vector<TSourceColumn>& Columns() const override { return FStore->Columns; }
    std::int64_t RowCount() override { return static_cast<std::int64_t>(FOrder.size()); }
    void ReadRows(std::int64_t First, int Count, std::vector<TSourceRow>& Rows) override;

    bool Writable() const override { return FWritable; }
    // A read-only memory source refuses every write, as a read-only database does.
    void SetWritable(bool Value) { FWritable = Value; }
    // A value of a typed column must be of its kind (or empty), as in a strict database table.
    std::string UpdateCell(std::int64_t Row, int Col, const std::string& Value) override;
    std::string InsertRecord(std::int64_t& Row) override;
    std::string DeleteRecord(std::int64_t Row) override;

    void SetOrder(int Col, TSortDirection Direction, const TSourceProgress& Progress = {}) override;
    int OrderColumn() const override { return FOrderCol; }
    TSortDirection OrderDirection() const override { return FDirection; }
    void Refresh(const TSourceProgress& Progress = {}) override;

    // How many rows ReadRows handed out, for tests of the binding's cache.
    std::int64_t RowsRead() const { return FRowsRead; }
    int ReadCalls() const { return FReadCalls; }

private:
    void BuildOrder();
    // The record at position Row of the current order, or nullptr when there is none: the store
    // may have lost it since the last refresh.
    TMemoryRecord* RecordAt(std::int64_t Row);

    std::shared_ptr<TMemoryStore> FStore;
    std::string FName;
    // Positions in the current order -> keys; read from the store at construction and refresh.
    std::vector<std::int64_t> FOrder;
    int FOrderCol = -1;
    TSortDirection FDirection = TSortDirection::None;
    bool FWritable = true;
    std::int64_t FRowsRead = 0;
    int FReadCalls = 0;
};
