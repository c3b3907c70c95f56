#pragma once
// The inside of TSqliteSource, shared by its source files (see the map in binding/SqliteSource.h).
//
// - Walk: the keyset query that every read goes through, split into a NULL and a non-NULL part
//   so that the (col, key) comparisons never meet a NULL
// - the sparse index: built by one Walk over the whole order, kept exact across our own writes
//   by shifting the positions of the entries after a record that came or went
// - orders no index serves: a private temporary (key, value) copy with its own index, made by
//   SetOrder and Refresh and changed with every write
// - writes: one statement in its own transaction, the stored values read back by RETURNING
#include "binding/SqliteSource.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>
#include <sqlite3.h>

// Small helpers over the C interface: values, statements and names (the functions are in
// SqliteSourceOpen.cpp).
namespace ZelSqliteDetail {

std::string QuoteName(const std::string& Name);
std::string Upper(std::string Text);
bool SameName(const std::string& A, const std::string& B);
// The kind a declared type stands for, by SQLite's own affinity rules (dates have none there).
TSourceColumnKind KindOfDeclaredType(const std::string& Type);

// A stored value kept with its storage class, so that a keyset query compares it as the
// database compares the column.
struct TValue {
    int Type = SQLITE_NULL;
    sqlite3_int64 Int = 0;
    double Real = 0;
    std::string Bytes;
    bool operator==(const TValue&) const = default;
};

TValue ReadValue(sqlite3_stmt* Stmt, int I);
void BindValue(sqlite3_stmt* Stmt, int I, const TValue& V);
std::string CellText(sqlite3_stmt* Stmt, int I);

// A statement of its own, finalized when it goes.
class TStatement {
public:
    TStatement(sqlite3* Db, const std::string& Sql)
        : FDb(Db)
    {
        if (sqlite3_prepare_v2(Db, Sql.c_str(), -1, &FStmt, nullptr) != SQLITE_OK) {
            std::string Message = sqlite3_errmsg(Db);
            sqlite3_finalize(FStmt);
            throw ESourceError(Message);
        }
    }
    ~TStatement() { sqlite3_finalize(FStmt); }
    TStatement(const TStatement&) = delete;
    TStatement& operator=(const TStatement&) = delete;
    operator sqlite3_stmt*() const { return FStmt; }
    // True for a row, false when done; the database's message as ESourceError otherwise.
    bool Step()
    {
        const int Code = sqlite3_step(FStmt);
        if (Code == SQLITE_ROW) return true;
        if (Code == SQLITE_DONE) return false;
        throw ESourceError(sqlite3_errmsg(FDb));
    }

private:
    sqlite3* FDb;
    sqlite3_stmt* FStmt = nullptr;
};

// Resets a cached statement however its use ends, so that it holds no lock afterwards.
class TResetGuard {
public:
    explicit TResetGuard(sqlite3_stmt* Stmt)
        : FStmt(Stmt)
    {
    }
    ~TResetGuard()
    {
        sqlite3_reset(FStmt);
        sqlite3_clear_bindings(FStmt);
    }
    TResetGuard(const TResetGuard&) = delete;
    TResetGuard& operator=(const TResetGuard&) = delete;

private:
    sqlite3_stmt* FStmt;
};

inline constexpr const char* KReadOnly = "The database is read-only";
inline constexpr const char* KViewReadOnly = "A view cannot be edited";
inline constexpr const char* KGone = "The record no longer exists; press F5 to refresh";
inline constexpr const char* KCopyName = "zel_view_rows_";

// Where a read starts: the first record at or after (Value, Key) in the order, or after it when
// After is set, or the first record of all for Start. Pos is that record's position.
struct TAnchor {
    TValue Value;
    std::vector<TValue> Key;
    std::int64_t Pos = 0;
    bool Start = false;
    bool After = false;
};

struct TOrder {
    int Col = -1;
    TSortDirection Direction = TSortDirection::None;
};

// The sparse index of one order: Anchors[0] is the start; the others are exact records.
struct TIndex {
    std::vector<TAnchor> Anchors;
    std::int64_t Count = 0;
    bool Valid = false;
};

// What a read walks through in an order: the data table itself, or, for a column no index
// orders, a private temporary copy of (key, value) with an index of its own, joined to the data.
struct TRelation {
    std::string From;
    std::string KeysFrom; // enough to read keys and values alone: the copy without the data
    std::string Sort; // "NULL" in the stored order
    std::vector<std::string> Keys;
    std::string Mirror; // the private copy's name, when there is one
};

// One part of an order that a single keyset query reads: the records whose sort value is NULL
// (ordered by key alone) or those whose value is not.
struct TSegment {
    bool NullPart = false;
};

// SQLite's progress handler while a TProgressScope lives (SqliteSourceIndex.cpp).
int OnSqliteProgress(void* Context);

} // namespace ZelSqliteDetail

struct TSqliteSource::TImpl {
    using TValue = ZelSqliteDetail::TValue;
    using TAnchor = ZelSqliteDetail::TAnchor;
    using TOrder = ZelSqliteDetail::TOrder;
    using TIndex = ZelSqliteDetail::TIndex;
    using TRelation = ZelSqliteDetail::TRelation;
    sqlite3* Db = nullptr;
    std::string FileName;
    std::string Table; // as the schema spells it
    bool IsView = false;
    bool ReadOnly = false;
    bool CopiedView = false;
    bool RowidKey = false; // the key is the rowid, under its own name or an INTEGER PRIMARY KEY
    TSqliteOptions Options;
    std::vector<TSourceColumn> Columns;
    std::string DataTable; // qualified name of what is read: main."t" or the view's copy
    std::vector<std::string> KeyNames; // as shown by KeyColumns()
    std::vector<std::string> KeyExprs; // as written in SQL
    std::string DataList; // the columns, quoted and comma-separated
    std::string DataListD; // the same, of the data table under the alias d
    TOrder Order;
    TRelation Rel;
    int Made = 0; // temporary tables made, for their names
    TIndex Index;
    TAnchor Hint; // just after the last record read
    bool HintValid = false;
    sqlite3_int64 DataVersion = -1;
    std::map<std::string, sqlite3_stmt*> Cache;
    // The long operation in progress, told from SQLite's progress handler while a statement
    // runs before its first row (copying or indexing a column).
    const TSourceProgress* Progress = nullptr;
    double ProgressEstimate = 1;
    std::int64_t ProgressTicks = 0;
    bool ProgressQuiet = false;
    bool Cancelled = false;

    ~TImpl()
    {
        for (auto& Entry : Cache) sqlite3_finalize(Entry.second);
        sqlite3_close_v2(Db);
    }

    sqlite3_stmt* Prepared(const std::string& Sql)
    {
        auto Found = Cache.find(Sql);
        if (Found != Cache.end()) return Found->second;
        sqlite3_stmt* Stmt = nullptr;
        if (sqlite3_prepare_v2(Db, Sql.c_str(), -1, &Stmt, nullptr) != SQLITE_OK) {
            std::string Message = sqlite3_errmsg(Db);
            sqlite3_finalize(Stmt);
            throw ESourceError(Message);
        }
        Cache.emplace(Sql, Stmt);
        return Stmt;
    }

    bool StepRow(sqlite3_stmt* Stmt)
    {
        const int Code = sqlite3_step(Stmt);
        if (Code == SQLITE_ROW) return true;
        if (Code == SQLITE_DONE) return false;
        if (Cancelled) throw ESourceCancelled();
        throw ESourceError(sqlite3_errmsg(Db));
    }

    void Exec(const std::string& Sql)
    {
        char* Error = nullptr;
        if (sqlite3_exec(Db, Sql.c_str(), nullptr, nullptr, &Error) != SQLITE_OK) {
            std::string Message = Error ? Error : sqlite3_errmsg(Db);
            sqlite3_free(Error);
            if (Cancelled) throw ESourceCancelled();
            throw ESourceError(Message);
        }
    }

    void Open(const std::string& Name);
    void OpenFile(const std::string& Path, int Flags);
    // The table's name as the schema spells it and its type, or empty when there is none.
    std::pair<std::string, std::string> FindTable(const std::string& Name);
    // The database's message for a write it refused, after the statement that failed.
    std::string Refusal();
    void FindKey();
    void CopyView(const std::string& Into);

    std::string KeyList() const
    {
        std::string List;
        for (const auto& K : KeyExprs) List += (List.empty() ? "" : ", ") + K;
        return List;
    }
    std::string KeyParams() const
    {
        std::string List;
        for (std::size_t I = 0; I < KeyExprs.size(); ++I) List += I ? ", ?" : "?";
        return List;
    }
    std::string SortColumn(const TOrder& O) const
    {
        return O.Col < 0 ? std::string("NULL") : ZelSqliteDetail::QuoteName(Columns[static_cast<std::size_t>(O.Col)].Name);
    }
    // The key and sort value of the records a write touched, as the data table names them.
    std::string ReturnList() const { return KeyList() + ", " + SortColumn(Order); }
    static std::string RelKeys(const TRelation& R)
    {
        std::string List;
        for (const auto& K : R.Keys) List += (List.empty() ? "" : ", ") + K;
        return List;
    }
    std::string MirrorKeys() const
    {
        std::string List;
        for (std::size_t I = 0; I < KeyExprs.size(); ++I) List += (I ? ", k" : "k") + std::to_string(I);
        return List;
    }
    TRelation PlainRelation(const TOrder& O) const
    {
        TRelation R;
        R.From = DataTable + " AS d";
        R.KeysFrom = R.From;
        R.Sort = O.Col < 0 ? "NULL" : "d." + SortColumn(O);
        for (const auto& K : KeyExprs) R.Keys.push_back("d." + K);
        return R;
    }
    bool NeedsMirror(const TOrder& O);
    TRelation MakeMirror(const TOrder& O, const TSourceProgress& P);
    void DropTemp(const std::string& Name);
    TAnchor AnchorOf(sqlite3_stmt* Stmt, std::int64_t Pos) const
    {
        TAnchor A;
        for (std::size_t I = 0; I < KeyExprs.size(); ++I) A.Key.push_back(ZelSqliteDetail::ReadValue(Stmt, static_cast<int>(I)));
        A.Value = ZelSqliteDetail::ReadValue(Stmt, static_cast<int>(KeyExprs.size()));
        A.Pos = Pos;
        return A;
    }

    std::int64_t Walk(const TRelation& R, const TOrder& O, const TAnchor& From, std::int64_t Skip, std::int64_t Max,
        bool WithData, const std::function<void(sqlite3_stmt*)>& Each);
    TIndex BuildIndex(const TRelation& R, const TOrder& O, const TSourceProgress& P);
    void EnsureIndex()
    {
        if (Index.Valid) return;
        const sqlite3_int64 Version = CurrentDataVersion();
        Index = BuildIndex(Rel, Order, {});
        DataVersion = Version;
    }
    sqlite3_int64 CurrentDataVersion()
    {
        sqlite3_stmt* Stmt = Prepared("PRAGMA main.data_version");
        ZelSqliteDetail::TResetGuard Reset(Stmt);
        return StepRow(Stmt) ? sqlite3_column_int64(Stmt, 0) : -1;
    }
    std::int64_t EstimateCount();
    TAnchor RecordAt(std::int64_t Row);
    bool AtOrAfter(const TAnchor& Record, const TAnchor& Anchor);
    void Removed(std::int64_t Row);
    std::int64_t Inserted(const TAnchor& Record);
    std::string Update(std::int64_t Row, int Col, const std::string& Value);
    std::string Delete(std::int64_t Row);
    std::string Write(const std::string& Sql, const std::function<void(sqlite3_stmt*)>& Bind,
        std::vector<TAnchor>& Returned, const std::vector<TValue>* Removes, bool Adds);
};

namespace ZelSqliteDetail {

// Reports a long operation's progress through the source's handler for as long as it lives.
class TProgressScope {
public:
    TProgressScope(TSqliteSource::TImpl& Impl, const TSourceProgress& P, double Estimate)
        : FImpl(Impl)
    {
        FImpl.Progress = &P;
        FImpl.ProgressEstimate = std::max(1.0, Estimate);
        FImpl.ProgressTicks = 0;
        FImpl.ProgressQuiet = false;
        FImpl.Cancelled = false;
        if (P) sqlite3_progress_handler(FImpl.Db, 65536, OnSqliteProgress, &FImpl);
    }
    ~TProgressScope()
    {
        sqlite3_progress_handler(FImpl.Db, 0, nullptr, nullptr);
        FImpl.Progress = nullptr;
        FImpl.Cancelled = false;
    }
    TProgressScope(const TProgressScope&) = delete;
    TProgressScope& operator=(const TProgressScope&) = delete;

private:
    TSqliteSource::TImpl& FImpl;
};

} // namespace ZelSqliteDetail
