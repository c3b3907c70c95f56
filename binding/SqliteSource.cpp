#include "binding/SqliteSource.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <tuple>
#include <sqlite3.h>

// Index of this file:
// - values, statements and names: small helpers over the C interface
// - Walk: the keyset query that every read goes through, split into a NULL and a non-NULL part
//   so that the (col, key) comparisons never meet a NULL
// - the sparse index: built by one Walk over the whole order, kept exact across our own writes
//   by shifting the positions of the entries after a record that came or went
// - orders no index serves: a private temporary (key, value) copy with its own index, made by
//   SetOrder and Refresh and changed with every write
// - writes: one statement in its own transaction, the stored values read back by RETURNING

namespace {

std::string QuoteName(const std::string& Name)
{
    std::string Quoted = "\"";
    for (char C : Name) {
        if (C == '"') Quoted += '"';
        Quoted += C;
    }
    return Quoted + "\"";
}

std::string Upper(std::string Text)
{
    for (char& C : Text)
        if (C >= 'a' && C <= 'z') C = static_cast<char>(C - 'a' + 'A');
    return Text;
}

bool SameName(const std::string& A, const std::string& B)
{
    return Upper(A) == Upper(B);
}

// The kind a declared type stands for, by SQLite's own affinity rules (dates have none there).
TSourceColumnKind KindOfDeclaredType(const std::string& Type)
{
    const std::string T = Upper(Type);
    auto Has = [&](const char* Word) { return T.find(Word) != std::string::npos; };
    if (Has("DATE") || Has("TIME")) return TSourceColumnKind::Date;
    if (Has("INT")) return TSourceColumnKind::Integer;
    if (T.empty() || Has("CHAR") || Has("CLOB") || Has("TEXT") || Has("BLOB")) return TSourceColumnKind::Text;
    return TSourceColumnKind::Number;
}

// A stored value kept with its storage class, so that a keyset query compares it as the
// database compares the column.
struct TValue {
    int Type = SQLITE_NULL;
    sqlite3_int64 Int = 0;
    double Real = 0;
    std::string Bytes;
    bool operator==(const TValue&) const = default;
};

TValue ReadValue(sqlite3_stmt* Stmt, int I)
{
    TValue V;
    V.Type = sqlite3_column_type(Stmt, I);
    switch (V.Type) {
    case SQLITE_INTEGER:
        V.Int = sqlite3_column_int64(Stmt, I);
        break;
    case SQLITE_FLOAT:
        V.Real = sqlite3_column_double(Stmt, I);
        break;
    case SQLITE_TEXT:
        V.Bytes.assign(reinterpret_cast<const char*>(sqlite3_column_text(Stmt, I)), sqlite3_column_bytes(Stmt, I));
        break;
    case SQLITE_BLOB: {
        const auto* Data = static_cast<const char*>(sqlite3_column_blob(Stmt, I));
        V.Bytes.assign(Data ? Data : "", sqlite3_column_bytes(Stmt, I));
        break;
    }
    default:
        break;
    }
    return V;
}

void BindValue(sqlite3_stmt* Stmt, int I, const TValue& V)
{
    switch (V.Type) {
    case SQLITE_INTEGER:
        sqlite3_bind_int64(Stmt, I, V.Int);
        break;
    case SQLITE_FLOAT:
        sqlite3_bind_double(Stmt, I, V.Real);
        break;
    case SQLITE_TEXT:
        sqlite3_bind_text64(Stmt, I, V.Bytes.data(), V.Bytes.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
        break;
    case SQLITE_BLOB:
        sqlite3_bind_blob64(Stmt, I, V.Bytes.data(), V.Bytes.size(), SQLITE_TRANSIENT);
        break;
    default:
        sqlite3_bind_null(Stmt, I);
        break;
    }
}

std::string CellText(sqlite3_stmt* Stmt, int I)
{
    switch (sqlite3_column_type(Stmt, I)) {
    case SQLITE_NULL:
        return {};
    case SQLITE_BLOB:
        return "(BLOB, " + std::to_string(sqlite3_column_bytes(Stmt, I)) + " bytes)";
    default:
        return std::string(reinterpret_cast<const char*>(sqlite3_column_text(Stmt, I)), sqlite3_column_bytes(Stmt, I));
    }
}

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

const char* const KReadOnly = "The database is read-only";
const char* const KViewReadOnly = "A view cannot be edited";
const char* const KGone = "The record no longer exists; press F5 to refresh";
constexpr const char* KCopyName = "zel_view_rows_";

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

} // namespace

struct TSqliteSource::TImpl {
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
        return O.Col < 0 ? std::string("NULL") : QuoteName(Columns[static_cast<std::size_t>(O.Col)].Name);
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
        for (std::size_t I = 0; I < KeyExprs.size(); ++I) A.Key.push_back(ReadValue(Stmt, static_cast<int>(I)));
        A.Value = ReadValue(Stmt, static_cast<int>(KeyExprs.size()));
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
        TResetGuard Reset(Stmt);
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

namespace {

int OnSqliteProgress(void* Context)
{
    auto* Impl = static_cast<TSqliteSource::TImpl*>(Context);
    if (!Impl->Progress || !*Impl->Progress || Impl->ProgressQuiet) return 0;
    // A statement sorting before its first row: about 30 steps of the engine per record.
    ++Impl->ProgressTicks;
    const double Fraction
        = std::min(0.5, static_cast<double>(Impl->ProgressTicks) * 65536.0 / (Impl->ProgressEstimate * 30.0));
    if ((*Impl->Progress)(Fraction)) return 0;
    Impl->Cancelled = true;
    return 1;
}

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

// The caller's progress, never going back although the steps of an operation estimate apart.
TSourceProgress Monotone(const TSourceProgress& P)
{
    if (!P) return {};
    return [P, Last = 0.0](double Fraction) mutable {
        Last = std::max(Last, std::min(1.0, Fraction));
        return P(Last);
    };
}

} // namespace

void TSqliteSource::TImpl::OpenFile(const std::string& Path, int Flags)
{
    if (sqlite3_open_v2(Path.c_str(), &Db, Flags, nullptr) != SQLITE_OK)
        throw ESourceError("Cannot open " + FileName + ": " + (Db ? sqlite3_errmsg(Db) : "out of memory"));
    sqlite3_busy_timeout(Db, Options.BusyTimeoutMs);
    ReadOnly = Options.ReadOnly || sqlite3_db_readonly(Db, "main") == 1;
}

std::pair<std::string, std::string> TSqliteSource::TImpl::FindTable(const std::string& Name)
{
    TStatement Find(
        Db, "SELECT name, type FROM main.sqlite_schema WHERE type IN ('table', 'view') AND name = ?1 COLLATE NOCASE");
    sqlite3_bind_text(Find, 1, Name.c_str(), -1, SQLITE_TRANSIENT);
    if (!Find.Step()) return {};
    return { reinterpret_cast<const char*>(sqlite3_column_text(Find, 0)),
        reinterpret_cast<const char*>(sqlite3_column_text(Find, 1)) };
}

namespace {

// A file URI that opens Path as a database nothing changes, without locks or shared memory.
std::string ImmutableUri(const std::string& Path)
{
    std::string Uri = "file:";
    std::error_code Error;
    const std::filesystem::path Absolute = std::filesystem::absolute(Path, Error);
    for (const char C : Error ? Path : Absolute.string()) {
        if (C == '%' || C == '?' || C == '#') {
            static const char* const Hex = "0123456789ABCDEF";
            Uri += '%';
            Uri += Hex[static_cast<unsigned char>(C) >> 4];
            Uri += Hex[C & 15];
        } else {
            Uri += C;
        }
    }
    return Uri + "?immutable=1";
}

} // namespace

void TSqliteSource::TImpl::Open(const std::string& Name)
{
    OpenFile(FileName, Options.ReadOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE);
    std::string Type;
    try {
        std::tie(Table, Type) = FindTable(Name);
    } catch (const ESourceError& E) {
        // A WAL database that is read-only in a read-only folder cannot make the files its
        // readers share; nothing can change it there, so it is read as a file that never changes.
        const int Code = sqlite3_extended_errcode(Db);
        if (!ReadOnly || (Code != SQLITE_READONLY_DIRECTORY && Code != SQLITE_READONLY_CANTINIT))
            throw ESourceError(FileName + ": " + E.what());
        sqlite3_close_v2(Db);
        Db = nullptr;
        OpenFile(ImmutableUri(FileName), SQLITE_OPEN_READONLY | SQLITE_OPEN_URI);
        try {
            std::tie(Table, Type) = FindTable(Name);
        } catch (const ESourceError& Again) {
            throw ESourceError(FileName + ": " + Again.what());
        }
    }
    if (Type.empty()) throw ESourceError(FileName + " has no table or view named \"" + Name + "\"");
    IsView = Type == "view";

    TStatement Info(Db, "SELECT name, type, pk, hidden FROM pragma_table_xinfo(?1, 'main') ORDER BY cid");
    sqlite3_bind_text(Info, 1, Table.c_str(), -1, SQLITE_TRANSIENT);
    std::vector<std::pair<int, std::string>> PrimaryKey;
    std::string PrimaryType;
    while (Info.Step()) {
        if (sqlite3_column_int(Info, 3) == 1) // a virtual table's hidden column
            continue;
        TSourceColumn Column;
        Column.Name = reinterpret_cast<const char*>(sqlite3_column_text(Info, 0));
        const auto* Declared = reinterpret_cast<const char*>(sqlite3_column_text(Info, 1));
        Column.Kind = KindOfDeclaredType(Declared ? Declared : "");
        if (const int Pk = sqlite3_column_int(Info, 2); Pk > 0) {
            PrimaryKey.emplace_back(Pk, Column.Name);
            PrimaryType = Declared ? Declared : "";
        }
        DataList += (DataList.empty() ? "" : ", ") + QuoteName(Column.Name);
        DataListD += (DataListD.empty() ? "d." : ", d.") + QuoteName(Column.Name);
        Columns.push_back(std::move(Column));
    }
    if (Columns.empty()) throw ESourceError(FileName + ": \"" + Table + "\" has no columns");
    std::sort(PrimaryKey.begin(), PrimaryKey.end());
    DataTable = "main." + QuoteName(Table);

    if (IsView) {
        if (Options.Key.empty()) {
            CopiedView = true;
            const std::string Copy = std::string(KCopyName) + std::to_string(++Made);
            CopyView(Copy);
            DataTable = "temp." + Copy;
            KeyNames = { "rowid" };
            KeyExprs = { "rowid" };
            RowidKey = true;
            return;
        }
        for (const auto& K : Options.Key) {
            auto Found = std::find_if(
                Columns.begin(), Columns.end(), [&](const TSourceColumn& C) { return SameName(C.Name, K); });
            if (Found == Columns.end())
                throw ESourceError("The view \"" + Table + "\" has no column \"" + K + "\" to use as its key");
            KeyNames.push_back(Found->Name);
            KeyExprs.push_back(QuoteName(Found->Name));
        }
        return;
    }

    // A table's own rowid, under the first of its names that no column takes.
    std::string Rowid;
    for (const char* Alias : { "rowid", "_rowid_", "oid" }) {
        if (std::any_of(
                Columns.begin(), Columns.end(), [&](const TSourceColumn& C) { return SameName(C.Name, Alias); }))
            continue;
        sqlite3_stmt* Probe = nullptr;
        const std::string Sql = std::string("SELECT ") + Alias + " FROM " + DataTable + " LIMIT 0";
        const bool Has = sqlite3_prepare_v2(Db, Sql.c_str(), -1, &Probe, nullptr) == SQLITE_OK;
        sqlite3_finalize(Probe);
        if (Has) Rowid = Alias;
        break;
    }
    const bool IntegerKey = PrimaryKey.size() == 1 && Upper(PrimaryType) == "INTEGER";
    RowidKey = !Rowid.empty();
    if (!Rowid.empty() && !IntegerKey) {
        KeyNames = { Rowid };
        KeyExprs = { Rowid };
        return;
    }
    if (PrimaryKey.empty()) throw ESourceError("The table \"" + Table + "\" has no key to address its records by");
    for (const auto& Entry : PrimaryKey) {
        KeyNames.push_back(Entry.second);
        KeyExprs.push_back(QuoteName(Entry.second));
    }
}

// Copies the view into a private temporary table whose rowid addresses its records.
void TSqliteSource::TImpl::CopyView(const std::string& Into)
{
    Exec("DROP TABLE IF EXISTS temp." + QuoteName(Into));
    Exec("CREATE TEMP TABLE " + QuoteName(Into) + " AS SELECT " + DataList + " FROM main." + QuoteName(Table));
}

// Whether the database would sort the whole table to read the order (no index serves it).
bool TSqliteSource::TImpl::NeedsMirror(const TOrder& O)
{
    if (O.Col < 0) return false;
    const TRelation R = PlainRelation(O);
    TStatement Plan(Db,
        "EXPLAIN QUERY PLAN SELECT " + RelKeys(R) + ", " + R.Sort + " FROM " + R.From + " WHERE " + R.Sort
            + " IS NOT NULL ORDER BY " + R.Sort + ", " + RelKeys(R));
    while (Plan.Step()) {
        const auto* Detail = reinterpret_cast<const char*>(sqlite3_column_text(Plan, 3));
        if (Detail && std::string(Detail).find("TEMP B-TREE") != std::string::npos) return true;
    }
    return false;
}

// Copies (key, value) of the order's column into a temporary table with an index on (value, key),
// whose value column compares as the original does (its declared type and collation).
TRelation TSqliteSource::TImpl::MakeMirror(const TOrder& O, const TSourceProgress& P)
{
    const std::string Name = "zel_order_" + std::to_string(++Made);
    const std::string& Col = Columns[static_cast<std::size_t>(O.Col)].Name;
    std::string Declared, Collation = "BINARY";
    const char* Type = nullptr;
    const char* Sequence = nullptr;
    if (!CopiedView
        && sqlite3_table_column_metadata(
               Db, "main", Table.c_str(), Col.c_str(), &Type, &Sequence, nullptr, nullptr, nullptr)
            == SQLITE_OK) {
        Declared = Type ? Type : "";
        Collation = Sequence ? Sequence : "BINARY";
    }
    std::string Definition;
    if (RowidKey)
        Definition = "k0 INTEGER PRIMARY KEY, ";
    else
        for (std::size_t I = 0; I < KeyExprs.size(); ++I) Definition += "k" + std::to_string(I) + ", ";
    Definition += "v " + Declared + " COLLATE " + QuoteName(Collation);
    if (!RowidKey) Definition += ", PRIMARY KEY (" + MirrorKeys() + ")";
    TProgressScope Scope(*this, P, static_cast<double>(Index.Valid ? Index.Count : EstimateCount()));
    try {
        Exec("CREATE TEMP TABLE " + Name + " (" + Definition + ")");
        Exec("INSERT INTO temp." + Name + " SELECT " + KeyList() + ", " + QuoteName(Col) + " FROM " + DataTable);
        Exec("CREATE INDEX temp." + Name + "_v ON " + Name + " (v, " + MirrorKeys() + ")");
    } catch (...) {
        DropTemp(Name);
        throw;
    }
    TRelation R;
    R.Mirror = Name;
    R.Sort = "m.v";
    std::string Joined;
    for (std::size_t I = 0; I < KeyExprs.size(); ++I) {
        R.Keys.push_back("m.k" + std::to_string(I));
        Joined += (I ? ", d." : "d.") + KeyExprs[I];
    }
    // CROSS JOIN keeps the copy as the outer loop, read in its index's order.
    R.KeysFrom = "temp." + Name + " AS m ";
    R.From = "temp." + Name + " AS m CROSS JOIN " + DataTable + " AS d ON (" + Joined + ") = (" + RelKeys(R) + ")";
    return R;
}

// Drops a temporary table of ours and the cached statements that read it.
void TSqliteSource::TImpl::DropTemp(const std::string& Name)
{
    if (Name.empty()) return;
    for (auto Entry = Cache.begin(); Entry != Cache.end();) {
        if (Entry->first.find("temp." + Name + " ") != std::string::npos) {
            sqlite3_finalize(Entry->second);
            Entry = Cache.erase(Entry);
        } else {
            ++Entry;
        }
    }
    sqlite3_exec(Db, ("DROP TABLE IF EXISTS temp." + Name).c_str(), nullptr, nullptr, nullptr);
}

std::int64_t TSqliteSource::TImpl::Walk(const TRelation& R, const TOrder& O, const TAnchor& From, std::int64_t Skip,
    std::int64_t Max, bool WithData, const std::function<void(sqlite3_stmt*)>& Each)
{
    const bool Descending = O.Direction == TSortDirection::Descending;
    std::vector<TSegment> Segments;
    if (O.Col < 0)
        Segments = { TSegment { false } };
    else if (Descending)
        Segments = { TSegment { false }, TSegment { true } }; // NULLs last, as SQLite orders them descending
    else
        Segments = { TSegment { true }, TSegment { false } };

    std::size_t First = 0;
    if (!From.Start && O.Col >= 0) First = Segments[0].NullPart == (From.Value.Type == SQLITE_NULL) ? 0 : 1;

    const std::string& Sort = R.Sort;
    const std::string Keys = RelKeys(R);
    const std::string Dir = Descending ? " DESC" : "";
    std::int64_t Delivered = 0;
    for (std::size_t S = First; S < Segments.size() && (Max < 0 || Delivered < Max); ++S) {
        const bool Seek = S == First && !From.Start;
        const bool NullPart = Segments[S].NullPart;
        std::string Where = O.Col < 0 ? "1" : Sort + (NullPart ? " IS NULL" : " IS NOT NULL");
        std::string OrderBy;
        for (const auto& K : R.Keys) OrderBy += (OrderBy.empty() ? "" : ", ") + K + Dir;
        if (O.Col >= 0 && !NullPart) OrderBy = Sort + Dir + ", " + OrderBy;
        if (Seek) {
            const std::string Op = Descending ? (From.After ? " < " : " <= ") : (From.After ? " > " : " >= ");
            if (O.Col < 0 || NullPart)
                Where += " AND (" + Keys + ")" + Op + "(" + KeyParams() + ")";
            else
                Where += " AND (" + Sort + ", " + Keys + ")" + Op + "(?, " + KeyParams() + ")";
        }
        const std::string Sql = "SELECT " + Keys + ", " + Sort + (WithData ? ", " + DataListD : std::string())
            + " FROM " + (WithData ? R.From : R.KeysFrom) + " WHERE " + Where + " ORDER BY " + OrderBy + " LIMIT ?";
        sqlite3_stmt* Stmt = Prepared(Sql);
        TResetGuard Reset(Stmt);
        int Param = 1;
        if (Seek) {
            if (O.Col >= 0 && !NullPart) BindValue(Stmt, Param++, From.Value);
            for (const auto& K : From.Key) BindValue(Stmt, Param++, K);
        }
        sqlite3_bind_int64(Stmt, Param, Max < 0 ? -1 : Skip + (Max - Delivered));
        while (StepRow(Stmt)) {
            if (Skip > 0) {
                --Skip;
                continue;
            }
            Each(Stmt);
            if (++Delivered == Max) break;
        }
    }
    return Delivered;
}

std::int64_t TSqliteSource::TImpl::EstimateCount()
{
    if (Index.Valid) return Index.Count;
    const std::string Sql = RowidKey
        ? "SELECT max(" + KeyExprs[0] + ") - min(" + KeyExprs[0] + ") + 1 FROM " + DataTable
        : "SELECT count(*) FROM " + DataTable;
    TStatement Stmt(Db, Sql);
    if (!Stmt.Step() || sqlite3_column_type(Stmt, 0) != SQLITE_INTEGER) return 1;
    return std::max<std::int64_t>(1, sqlite3_column_int64(Stmt, 0));
}

TIndex TSqliteSource::TImpl::BuildIndex(const TRelation& R, const TOrder& O, const TSourceProgress& P)
{
    const double Estimate = P ? static_cast<double>(EstimateCount()) : 1.0;
    TProgressScope Scope(*this, P, Estimate);
    TIndex Built;
    TAnchor Start;
    Start.Start = true;
    Built.Anchors.push_back(Start);
    const std::int64_t Stride = std::max(1, Options.IndexStride);
    std::int64_t Seen = 0;
    Walk(R, O, Start, 0, -1, false, [&](sqlite3_stmt* Stmt) {
        ProgressQuiet = true;
        if (Seen > 0 && Seen % Stride == 0) Built.Anchors.push_back(AnchorOf(Stmt, Seen));
        ++Seen;
        if (P && (Seen & 0xFFFF) == 0 && !P(0.5 + 0.5 * std::min(0.99, static_cast<double>(Seen) / Estimate)))
            throw ESourceCancelled();
    });
    Built.Count = Seen;
    Built.Valid = true;
    return Built;
}

TAnchor TSqliteSource::TImpl::RecordAt(std::int64_t Row)
{
    auto Next = std::upper_bound(Index.Anchors.begin(), Index.Anchors.end(), Row,
        [](std::int64_t Pos, const TAnchor& A) { return Pos < A.Pos; });
    const TAnchor& From = *std::prev(Next);
    TAnchor Record;
    if (Walk(Rel, Order, From, Row - From.Pos, 1, false, [&](sqlite3_stmt* Stmt) { Record = AnchorOf(Stmt, Row); })
        == 0)
        throw ESourceError(KGone);
    return Record;
}

// Whether the stored record with Record's key comes at or after Anchor in the current order,
// compared by the database itself (collations and affinities included).
bool TSqliteSource::TImpl::AtOrAfter(const TAnchor& Record, const TAnchor& Anchor)
{
    if (Anchor.Start) return true;
    const bool Descending = Order.Direction == TSortDirection::Descending;
    const std::string Op = Descending ? " <= " : " >= ";
    const std::string Keys = "(" + RelKeys(Rel) + ")" + Op + "(" + KeyParams() + ")";
    const std::string& Sort = Rel.Sort;
    std::string Test;
    bool BindValueFirst = false;
    if (Order.Col < 0)
        Test = Keys;
    else if (Anchor.Value.Type == SQLITE_NULL)
        Test = Descending ? Sort + " IS NULL AND " + Keys : "(" + Sort + " IS NOT NULL OR " + Keys + ")";
    else {
        const std::string Pair = "(" + Sort + ", " + RelKeys(Rel) + ")" + Op + "(?, " + KeyParams() + ")";
        Test = Descending ? "(" + Sort + " IS NULL OR " + Pair + ")" : Sort + " IS NOT NULL AND " + Pair;
        BindValueFirst = true;
    }
    sqlite3_stmt* Stmt = Prepared(
        "SELECT " + Test + " FROM " + Rel.KeysFrom + " WHERE (" + RelKeys(Rel) + ") = (" + KeyParams() + ")");
    TResetGuard Reset(Stmt);
    int Param = 1;
    if (BindValueFirst) BindValue(Stmt, Param++, Anchor.Value);
    for (const auto& K : Anchor.Key) BindValue(Stmt, Param++, K);
    for (const auto& K : Record.Key) BindValue(Stmt, Param++, K);
    return StepRow(Stmt) && sqlite3_column_int(Stmt, 0) != 0;
}

// The record at Row is gone: every entry past it moves up by one.
void TSqliteSource::TImpl::Removed(std::int64_t Row)
{
    for (auto& A : Index.Anchors)
        if (A.Pos > Row) --A.Pos;
    --Index.Count;
}

// Record was stored: finds its position from the nearest entry at or before it and moves every
// entry after it down by one. Rebuilds the index when the record is not where it must be (another
// program changed the table meanwhile).
std::int64_t TSqliteSource::TImpl::Inserted(const TAnchor& Record)
{
    for (bool Rebuilt = false;; Rebuilt = true) {
        std::size_t Low = 0, High = Index.Anchors.size(); // AtOrAfter holds below High, fails from it
        while (High - Low > 1) {
            const std::size_t Mid = (Low + High) / 2;
            if (AtOrAfter(Record, Index.Anchors[Mid]))
                Low = Mid;
            else
                High = Mid;
        }
        const std::int64_t Limit
            = High < Index.Anchors.size() ? Index.Anchors[High].Pos - Index.Anchors[Low].Pos + 1 : -1;
        std::int64_t Steps = 0;
        bool Found = false;
        Walk(Rel, Order, Index.Anchors[Low], 0, Limit, false, [&](sqlite3_stmt* Stmt) {
            if (Found) return;
            if (AnchorOf(Stmt, 0).Key == Record.Key)
                Found = true;
            else
                ++Steps;
        });
        if (Found) {
            if (!Rebuilt) {
                for (std::size_t I = High; I < Index.Anchors.size(); ++I) ++Index.Anchors[I].Pos;
                ++Index.Count;
            }
            return Index.Anchors[Low].Pos + Steps;
        }
        if (Rebuilt) throw ESourceError(KGone);
        Index.Valid = false;
        EnsureIndex();
    }
}

// Runs one writing statement in its own transaction; Returned receives the key and sort value of
// each record it touched. Returns the database's message when it refused, with nothing changed.
std::string TSqliteSource::TImpl::Write(const std::string& Sql, const std::function<void(sqlite3_stmt*)>& Bind,
    std::vector<TAnchor>& Returned, const std::vector<TValue>* Removes, bool Adds)
{
    Returned.clear();
    if (sqlite3_exec(Db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) != SQLITE_OK) return Refusal();
    std::string Message;
    sqlite3_stmt* Stmt = nullptr;
    if (sqlite3_prepare_v2(Db, Sql.c_str(), -1, &Stmt, nullptr) != SQLITE_OK) {
        Message = Refusal();
    } else {
        Bind(Stmt);
        int Code;
        while ((Code = sqlite3_step(Stmt)) == SQLITE_ROW) Returned.push_back(AnchorOf(Stmt, 0));
        if (Code != SQLITE_DONE) Message = Refusal();
    }
    sqlite3_finalize(Stmt);
    // The order's private copy changes in the same transaction.
    if (Message.empty() && !Rel.Mirror.empty()) {
        try {
            if (Removes) {
                TStatement Remove(
                    Db, "DELETE FROM temp." + Rel.Mirror + " WHERE (" + MirrorKeys() + ") = (" + KeyParams() + ")");
                for (std::size_t K = 0; K < Removes->size(); ++K)
                    BindValue(Remove, static_cast<int>(K) + 1, (*Removes)[K]);
                Remove.Step();
            }
            for (const auto& A : Returned) {
                if (!Adds) break;
                TStatement Add(Db, "INSERT INTO temp." + Rel.Mirror + " VALUES (" + KeyParams() + ", ?)");
                int Param = 1;
                for (const auto& K : A.Key) BindValue(Add, Param++, K);
                BindValue(Add, Param, A.Value);
                Add.Step();
            }
        } catch (const ESourceError& E) {
            Message = E.what();
        }
    }
    if (Message.empty() && sqlite3_exec(Db, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK)
        Message = Refusal();
    if (!Message.empty()) {
        sqlite3_exec(Db, "ROLLBACK", nullptr, nullptr, nullptr);
        Returned.clear();
    }
    HintValid = false;
    return Message;
}

std::string TSqliteSource::TImpl::Refusal()
{
    // A file that may be written in a folder that may not: there is no room for the journal, and
    // no write will succeed until the folder changes.
    if (sqlite3_extended_errcode(Db) == SQLITE_READONLY_DIRECTORY) {
        ReadOnly = true;
        return std::string(KReadOnly) + ": its folder cannot be written to";
    }
    return sqlite3_errmsg(Db);
}

TSqliteSource::TSqliteSource(const std::string& FileName, const std::string& Table, const TSqliteOptions& Options)
    : FImpl(std::make_unique<TImpl>())
{
    FImpl->FileName = FileName;
    FImpl->Options = Options;
    FImpl->Open(Table);
    FImpl->Rel = FImpl->PlainRelation({});
}

TSqliteSource::~TSqliteSource() = default;

std::string TSqliteSource::Description() const
{
    const auto Slash = FImpl->FileName.find_last_of('/');
    const std::string Base = Slash == std::string::npos ? FImpl->FileName : FImpl->FileName.substr(Slash + 1);
    return Base + (FImpl->IsView ? ", view " : ", table ") + FImpl->Table;
}

const std::vector<TSourceColumn>& TSqliteSource::Columns() const
{
    return FImpl->Columns;
}

std::vector<std::string> TSqliteSource::KeyColumns() const
{
    return FImpl->KeyNames;
}

bool TSqliteSource::SumColumn(int Col, std::string& Sum)
{
    TImpl& I = *FImpl;
    if (Col < 0 || Col >= static_cast<int>(I.Columns.size())) return false;
    const std::string Name = QuoteName(I.Columns[static_cast<std::size_t>(Col)].Name);
    try {
        TStatement Stmt(I.Db, "SELECT sum(CASE WHEN typeof(" + Name + ") IN ('integer', 'real') THEN CAST(round(" + Name +
                                  " * 10000) AS INTEGER) END) FROM " + I.DataTable);
        if (!Stmt.Step()) return false;
        const auto* Text = reinterpret_cast<const char*>(sqlite3_column_text(Stmt, 0));
        Sum = Text ? Text : "0";
        return true;
    } catch (const ESourceError&) {
        // An integer overflow: the binding adds the records up itself, exactly.
        return false;
    }
}

std::int64_t TSqliteSource::RowCount()
{
    FImpl->EnsureIndex();
    return FImpl->Index.Count;
}

void TSqliteSource::ReadRows(std::int64_t First, int Count, std::vector<TSourceRow>& Rows)
{
    Rows.clear();
    TImpl& I = *FImpl;
    I.EnsureIndex();
    if (First < 0 || Count <= 0 || First >= I.Index.Count) return;
    auto Next = std::upper_bound(I.Index.Anchors.begin(), I.Index.Anchors.end(), First,
        [](std::int64_t Pos, const TAnchor& A) { return Pos < A.Pos; });
    TAnchor From = *std::prev(Next);
    if (I.HintValid && I.Hint.Pos <= First && First - I.Hint.Pos < First - From.Pos) From = I.Hint;
    // The records before First are stepped over by key alone (an index read), not with their data.
    if (First > From.Pos) {
        TAnchor At;
        if (I.Walk(I.Rel, I.Order, From, First - From.Pos, 1, false,
                [&](sqlite3_stmt* Stmt) { At = I.AnchorOf(Stmt, First); })
            == 0)
            return;
        From = std::move(At);
    }
    const int Width = static_cast<int>(I.Columns.size());
    const int Offset = static_cast<int>(I.KeyExprs.size()) + 1;
    TAnchor Last;
    const std::int64_t Read = I.Walk(I.Rel, I.Order, From, 0, Count, true, [&](sqlite3_stmt* Stmt) {
        TSourceRow Row;
        Row.reserve(static_cast<std::size_t>(Width));
        for (int C = 0; C < Width; ++C) Row.push_back(CellText(Stmt, Offset + C));
        Rows.push_back(std::move(Row));
        Last = I.AnchorOf(Stmt, 0);
    });
    if (Read == 0) return;
    I.Hint = std::move(Last);
    I.Hint.After = true;
    I.Hint.Pos = First + Read;
    I.HintValid = true;
}

bool TSqliteSource::Writable() const
{
    return !FImpl->ReadOnly && !FImpl->IsView;
}

std::string TSqliteSource::UpdateCell(std::int64_t Row, int Col, const std::string& Value)
{
    TImpl& I = *FImpl;
    if (!Writable()) return I.IsView ? KViewReadOnly : KReadOnly;
    try {
        return I.Update(Row, Col, Value);
    } catch (const ESourceError& E) { // a read that found the database locked or the record gone
        return E.what();
    }
}

std::string TSqliteSource::TImpl::Update(std::int64_t Row, int Col, const std::string& Value)
{
    TImpl& I = *this;
    I.EnsureIndex();
    if (Col < 0 || Col >= static_cast<int>(I.Columns.size()) || Row < 0 || Row >= I.Index.Count)
        return "There is no such cell";
    const TAnchor Old = I.RecordAt(Row);
    const std::string Sql = "UPDATE " + I.DataTable + " SET " + QuoteName(I.Columns[static_cast<std::size_t>(Col)].Name)
        + " = ? WHERE (" + I.KeyList() + ") = (" + I.KeyParams() + ") RETURNING " + I.ReturnList();
    // An empty cell of a column that is not text stands for no value at all.
    const bool Null = Value.empty() && I.Columns[static_cast<std::size_t>(Col)].Kind != TSourceColumnKind::Text;
    std::vector<TAnchor> Returned;
    std::string Message = I.Write(
        Sql,
        [&](sqlite3_stmt* Stmt) {
            if (Null)
                sqlite3_bind_null(Stmt, 1);
            else
                sqlite3_bind_text64(Stmt, 1, Value.data(), Value.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
            int Param = 2;
            for (const auto& K : Old.Key) BindValue(Stmt, Param++, K);
        },
        Returned, &Old.Key, true);
    if (!Message.empty()) return Message;
    if (Returned.empty()) return KGone;
    if (Returned[0].Key != Old.Key || Returned[0].Value != Old.Value) {
        I.Removed(Row);
        I.Inserted(Returned[0]);
    }
    return {};
}

std::string TSqliteSource::InsertRecord(std::int64_t& Row)
{
    TImpl& I = *FImpl;
    if (!Writable()) return I.IsView ? KViewReadOnly : KReadOnly;
    try {
        I.EnsureIndex();
        std::vector<TAnchor> Returned;
        std::string Message = I.Write(
            "INSERT INTO " + I.DataTable + " DEFAULT VALUES RETURNING " + I.ReturnList(), [](sqlite3_stmt*) {},
            Returned, nullptr, true);
        if (!Message.empty()) return Message;
        if (Returned.empty()) return "The database stored no record";
        Row = I.Inserted(Returned[0]);
        return {};
    } catch (const ESourceError& E) {
        return E.what();
    }
}

std::string TSqliteSource::DeleteRecord(std::int64_t Row)
{
    TImpl& I = *FImpl;
    if (!Writable()) return I.IsView ? KViewReadOnly : KReadOnly;
    try {
        return I.Delete(Row);
    } catch (const ESourceError& E) {
        return E.what();
    }
}

std::string TSqliteSource::TImpl::Delete(std::int64_t Row)
{
    TImpl& I = *this;
    I.EnsureIndex();
    if (Row < 0 || Row >= I.Index.Count) return "There is no such record";
    const TAnchor Old = I.RecordAt(Row);
    std::vector<TAnchor> Returned;
    std::string Message = I.Write(
        "DELETE FROM " + I.DataTable + " WHERE (" + I.KeyList() + ") = (" + I.KeyParams() + ") RETURNING "
            + I.ReturnList(),
        [&](sqlite3_stmt* Stmt) {
            int Param = 1;
            for (const auto& K : Old.Key) BindValue(Stmt, Param++, K);
        },
        Returned, &Old.Key, false);
    if (!Message.empty()) return Message;
    if (Returned.empty()) return KGone;
    I.Removed(Row);
    return {};
}

void TSqliteSource::SetOrder(int Col, TSortDirection Direction, const TSourceProgress& Told)
{
    TImpl& I = *FImpl;
    const TSourceProgress Progress = Monotone(Told);
    if (Col >= static_cast<int>(I.Columns.size()))
        throw ESourceError("There is no column " + std::to_string(Col) + " to order by");
    TOrder O;
    if (Col >= 0 && Direction != TSortDirection::None) O = TOrder { Col, Direction };
    const sqlite3_int64 Version = I.CurrentDataVersion();
    TRelation R = I.NeedsMirror(O) ? I.MakeMirror(O, Progress) : I.PlainRelation(O);
    TIndex Built;
    try {
        Built = I.BuildIndex(R, O, Progress);
    } catch (...) {
        I.DropTemp(R.Mirror);
        throw;
    }
    if (I.Rel.Mirror != R.Mirror) I.DropTemp(I.Rel.Mirror);
    I.Rel = std::move(R);
    I.Order = O;
    I.Index = std::move(Built);
    I.DataVersion = Version;
    I.HintValid = false;
}

int TSqliteSource::OrderColumn() const
{
    return FImpl->Order.Col;
}

TSortDirection TSqliteSource::OrderDirection() const
{
    return FImpl->Order.Direction;
}

void TSqliteSource::Refresh(const TSourceProgress& Told)
{
    TImpl& I = *FImpl;
    const TSourceProgress Progress = Monotone(Told);
    const sqlite3_int64 Version = I.CurrentDataVersion();
    if (I.Index.Valid && Version == I.DataVersion) return;
    // Everything is made anew beside what is shown, which stays until all of it succeeded.
    const std::string Shown = I.DataTable;
    std::string Copy;
    TRelation R;
    TIndex Built;
    try {
        if (I.CopiedView) {
            Copy = std::string(KCopyName) + std::to_string(++I.Made);
            TProgressScope Scope(I, Progress, static_cast<double>(std::max<std::int64_t>(1, I.Index.Count)));
            I.CopyView(Copy);
            I.DataTable = "temp." + Copy;
        }
        R = I.NeedsMirror(I.Order) ? I.MakeMirror(I.Order, Progress) : I.PlainRelation(I.Order);
        Built = I.BuildIndex(R, I.Order, Progress);
    } catch (...) {
        I.DropTemp(R.Mirror);
        I.DropTemp(Copy);
        I.DataTable = Shown;
        throw;
    }
    if (I.Rel.Mirror != R.Mirror) I.DropTemp(I.Rel.Mirror);
    if (!Copy.empty()) I.DropTemp(Shown.substr(5)); // past "temp."
    I.Rel = std::move(R);
    I.Index = std::move(Built);
    I.DataVersion = Version;
    I.HintValid = false;
}
