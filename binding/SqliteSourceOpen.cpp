// Opening a database and its table or view, and the small helpers over the C interface.
#include "binding/SqliteSourceImpl.h"

#include <filesystem>
#include <tuple>

namespace ZelSqliteDetail {

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

} // namespace ZelSqliteDetail

using namespace ZelSqliteDetail;

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
