#pragma once
// The table every source is tested over, and the storage a source of each kind reads it from.
// A new kind of source joins the contract test with a storage class and one line in the list
// of storages in SourceContractTest.cpp.
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "binding/TableSource.h"

// Columns Id (whole numbers 1..N, in record order), Name (text with duplicates, case variants,
// commas, quotes, a line break, non-ASCII letters and empties), Amount (numbers, negative and
// fractional, with empties) and Day (dates YYYY-MM-DD with empties).
struct TContractTable {
    std::vector<TSourceColumn> Columns;
    std::vector<TSourceRow> Rows; // in key order
    static TContractTable Make(int Rows);
};

// Where a source's records live: a file, a database, a store in memory. Changes made here reach
// the source only through Refresh, as another program's do.
class TContractStorage {
public:
    virtual ~TContractStorage() = default;
    // A new source over the storage. Amount must refuse a value that is not a number (a read-only
    // source refuses every write anyway).
    virtual std::unique_ptr<TTableSource> Open() = 0;
    // The order the source sorts text in, which is the storage's own: a database's collation, or
    // without regard to case for the sources that sort in memory. Empty values and ties by key are
    // the contract's, the same for every source.
    virtual bool TextLess(const std::string& A, const std::string& B) const = 0;
    // Record counts in key order from 0, as in TContractTable::Rows.
    virtual void ChangeOutside(int Record, int Col, const std::string& Value) = 0;
    virtual void AppendOutside(const TSourceRow& Row) = 0;
};

struct TStorageFactory {
    std::string Name;
    // Makes a storage holding Table in the empty folder Dir.
    std::function<std::unique_ptr<TContractStorage>(const std::string& Dir, const TContractTable& Table)> Make;
    // Why the storage cannot be made on this machine (its server is not installed), else empty.
    std::function<std::string()> Unavailable;
};

inline void PrintTo(const TStorageFactory& Factory, std::ostream* Out) { *Out << Factory.Name; }
