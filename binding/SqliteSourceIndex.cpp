// Reading in an order: the keyset Walk, the sparse index kept across our own writes, and the
// private copies that serve orders no index of the database serves.
#include "binding/SqliteSourceImpl.h"

using namespace ZelSqliteDetail;

int ZelSqliteDetail::OnSqliteProgress(void* Context)
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
