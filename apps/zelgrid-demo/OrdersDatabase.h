#pragma once
// The demo's own SQLite database of orders, made on first run from the generated order records:
// every edit style has its column (a date, a customer chosen from a list, an amount summed in
// the footer, a status from a pick list, a yes/no, tags, a long note).
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "binding/SqliteSource.h"

// Where the demo keeps its database: $XDG_DATA_HOME/zelgrid-demo/orders.db, or
// ~/.local/share/zelgrid-demo/orders.db; empty when neither variable is set.
std::string DefaultOrdersDatabase();

// Writes a database of Count orders (table "orders") to Path: first to Path + ".part", renamed
// over Path once complete, so that a run stopped half-way leaves no half-made database. The
// constraints refuse what the demo's columns do not hold (a date that is no date, a status not in
// the list, an amount that is no number) with a message naming the rule. Throws ESourceError,
// or ESourceCancelled when Progress asks to stop (nothing is left behind then).
void CreateOrdersDatabase(const std::string& Path, std::int64_t Count, const TSourceProgress& Progress = {});

// The orders database as a source that makes itself: when the file is missing, its Refresh
// creates it (with progress, on the binding's worker) and then reads it; until then it shows no
// records and refuses writes.
class TDemoOrdersSource : public TTableSource {
public:
    TDemoOrdersSource(std::string Path, std::int64_t Count);
    ~TDemoOrdersSource() override;

    std::string Description() const override;
    const std::vector<TSourceColumn>& Columns() const override;
    std::int64_t RowCount() override { return FDatabase ? FDatabase->RowCount() : 0; }
    void ReadRows(std::int64_t First, int Count, std::vector<TSourceRow>& Rows) override;
    // The database it makes is writable: the columns are laid out for editing from the start
    // (a write before it is made is refused with a message).
    bool Writable() const override { return !FDatabase || FDatabase->Writable(); }
    std::string UpdateCell(std::int64_t Row, int Col, const std::string& Value) override;
    std::string InsertRecord(std::int64_t& Row) override;
    std::string DeleteRecord(std::int64_t Row) override;
    void SetOrder(int Col, TSortDirection Direction, const TSourceProgress& Progress = {}) override;
    int OrderColumn() const override { return FDatabase ? FDatabase->OrderColumn() : -1; }
    TSortDirection OrderDirection() const override;
    void Refresh(const TSourceProgress& Progress = {}) override;
    bool SumColumn(int Col, std::string& Sum) override { return FDatabase && FDatabase->SumColumn(Col, Sum); }

    const std::string& Path() const { return FPath; }
    // Whether the file is there (read on the GUI thread while the worker makes it).
    bool Created() const { return FCreated; }

private:
    std::string FPath;
    std::int64_t FCount;
    std::unique_ptr<TSqliteSource> FDatabase;
    std::atomic<bool> FCreated{false};
};
