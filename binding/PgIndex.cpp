#include "binding/PgSourceImpl.h"

#include <algorithm>
#include <cstdlib>

// The sparse index, reading pages, and the index's positions kept through our own writes.

// --- The sparse index ---

// Counts the records and takes every IndexStride-th one's place of each segment, all in one
// snapshot.
void TPgSource::TImpl::Build(const TSourceProgress& Progress, std::int64_t& NewCount, std::vector<TPlace>& NewIndex)
{
    EnsureConnected();
    NewIndex.clear();
    if (Keys.empty()) {
        NewCount = std::stoll(PQgetvalue(Exec("SELECT count(*) FROM " + Relation).get(), 0, 0));
        return;
    }
    Exec(Copy ? "BEGIN ISOLATION LEVEL REPEATABLE READ" : "BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY");
    try {
        Exec("SET LOCAL statement_timeout = " + std::to_string(Options.IndexTimeoutMs));
        // The longer timeout lasts as long as the transaction, however it ends.
        struct TLonger {
            int& Timeout;
            int Before;
            ~TLonger() { Timeout = Before; }
        } longer{TimeoutMs, TimeoutMs};
        TimeoutMs = Options.IndexTimeoutMs;
        // The cursor is read to its end: a scan and a sort, not an index that lacks the key
        // (it would read the table once per record, 40 s at 10,000,000); an index that holds
        // the key is still read alone.
        Exec("SET LOCAL cursor_tuple_fraction = 1.0");
        Exec("SET LOCAL enable_indexscan = off");
        if (Copy) MakeCopy();
        TResult estimate = Exec("SELECT reltuples FROM pg_class WHERE oid = " + Oid);
        const double expected = std::max(1.0, std::atof(PQgetvalue(estimate.get(), 0, 0)));
        std::int64_t base = 0;
        for (const TSegment& segment : Segments()) {
            TParams none;
            Exec("DECLARE zel_index NO SCROLL CURSOR FOR " + SegmentQuery(SelectPlace(), segment, nullptr, none));
            TResult first = Exec("FETCH NEXT FROM zel_index");
            if (PQntuples(first.get()) > 0) {
                NewIndex.push_back(PlaceOf(first.get(), 0, 0, base));
                FetchStrides(Progress, expected, NewIndex);
                // The records from the segment's last entry on, at most a stride.
                TParams params;
                const std::string query = SegmentQuery("1", segment, &NewIndex.back(), params);
                TResult rest = Exec("SELECT count(*) FROM (" + query + " LIMIT " +
                                        std::to_string(Options.IndexStride + 1) + ") AS s",
                                    params);
                base = NewIndex.back().Pos + std::stoll(PQgetvalue(rest.get(), 0, 0));
            }
            Exec("CLOSE zel_index");
        }
        NewCount = base;
        Exec("COMMIT");
    } catch (...) {
        if (PQstatus(Conn) == CONNECTION_OK) PQclear(PQexec(Conn, "ROLLBACK"));
        throw;
    }
}

// Steps through the cursor a stride at a time, many steps to a round trip.
void TPgSource::TImpl::FetchStrides(const TSourceProgress& Progress, double Expected, std::vector<TPlace>& NewIndex)
{
    const int stride = Options.IndexStride;
    std::string batch;
    for (int i = 0; i < 64; ++i) batch += "FETCH RELATIVE " + std::to_string(stride) + " FROM zel_index;";
    for (bool more = true; more;) {
        if (!PQsendQuery(Conn, batch.c_str())) throw ESourceError(Failure(nullptr));
        std::string error;
        while (TResult result = NextResult()) {
            PGresult* raw = result.get();
            if (PQresultStatus(raw) != PGRES_TUPLES_OK) {
                if (error.empty()) error = Failure(raw);
            } else if (PQntuples(raw) == 0) {
                more = false;
            } else if (more) {
                NewIndex.push_back(PlaceOf(raw, 0, 0, NewIndex.back().Pos + stride));
            }
        }
        if (!error.empty()) throw ESourceError(error);
        if (Progress && !Progress(std::min(0.99, static_cast<double>(NewIndex.back().Pos) / Expected)))
            throw ESourceCancelled();
    }
}

// Counts and indexes the current order again; the old count and index stay until it succeeds.
void TPgSource::TImpl::Reindex(const TSourceProgress& Progress)
{
    std::int64_t count = 0;
    std::vector<TPlace> index;
    Build(Progress, count, index);
    Count = count;
    Index = std::move(index);
    Indexed = true;
}

void TPgSource::TImpl::EnsureIndex()
{
    if (Indexed) return;
    Build({}, Count, Index);
    Indexed = true;
}

// --- Reading ---

// Reads Count records from First on; Places receives each one's place when asked for.
void TPgSource::TImpl::ReadPage(std::int64_t First, int Want, std::vector<TSourceRow>& Rows, std::vector<TPlace>* Places)
{
    Rows.clear();
    if (Places) Places->clear();
    if (Want <= 0 || First < 0) return;
    EnsureConnected();
    if (First >= RowCount()) return;
    std::string list;
    for (const std::string& column : Quoted) list += "t." + column + ", ";
    list += SelectPlace();
    std::vector<TResult> results;
    if (Keys.empty()) {
        // No key to read from: one query in the whole order, by offset.
        std::string order = " ORDER BY ";
        if (OrderCol >= 0)
            order += Quoted[static_cast<std::size_t>(OrderCol)] +
                     (Descending() ? " DESC NULLS LAST, " : " NULLS FIRST, ");
        results.push_back(Exec("SELECT " + list + " FROM " + Scan + order + KeyTerms() + " OFFSET " +
                               std::to_string(First) + " LIMIT " + std::to_string(Want)));
    } else {
        if (First >= Options.IndexStride || Copy) EnsureIndex();
        const auto after = std::upper_bound(Index.begin(), Index.end(), First, [](std::int64_t P, const TPlace& E) { return P < E.Pos; });
        const TPlace* anchor = after == Index.begin() ? nullptr : &*(after - 1);
        results = Walk(anchor, First - (anchor ? anchor->Pos : 0), Want, list);
    }
    const int columns = static_cast<int>(Quoted.size());
    std::int64_t pos = First;
    for (const TResult& result : results) {
        for (int r = 0; r < PQntuples(result.get()); ++r, ++pos) {
            TSourceRow row(Quoted.size());
            for (int c = 0; c < columns; ++c)
                if (!PQgetisnull(result.get(), r, c)) row[static_cast<std::size_t>(c)] = PQgetvalue(result.get(), r, c);
            Rows.push_back(std::move(row));
            if (Places) Places->push_back(PlaceOf(result.get(), r, columns, pos));
        }
    }
}

std::int64_t TPgSource::TImpl::RowCount()
{
    if (Count >= 0) return Count;
    EnsureConnected();
    Count = std::stoll(PQgetvalue(Exec("SELECT count(*) FROM " + Relation).get(), 0, 0));
    return Count;
}

bool TPgSource::TImpl::PlaceAt(std::int64_t Row, TPlace& Place)
{
    std::vector<TSourceRow> rows;
    std::vector<TPlace> places;
    ReadPage(Row, 1, rows, &places);
    if (places.empty()) return false;
    Place = places[0];
    return true;
}

// --- Keeping the index's positions through our own writes ---

// The position of a stored record: the last index entry at or before it, found by bisection
// (one key lookup a step), then the record's key among the few keys read from there.
std::int64_t TPgSource::TImpl::PositionOf(const TPlace& Record)
{
    std::size_t low = 0, high = Index.size();
    while (low < high) {
        const std::size_t mid = (low + high) / 2;
        TParams params;
        const std::string sql = "SELECT 1 FROM " + Scan + " WHERE " + KeyEquals(Record.Key, params) + " AND " +
                                AtOrAfter(Index[mid], params);
        if (PQntuples(Exec(sql, params).get()) > 0)
            low = mid + 1;
        else
            high = mid;
    }
    if (low > 0) {
        const TPlace& from = Index[low - 1];
        std::int64_t pos = from.Pos;
        for (const TResult& result : Walk(&from, 0, 2 * Options.IndexStride + 2, SelectPlace())) {
            for (int r = 0; r < PQntuples(result.get()); ++r, ++pos)
                if (PlaceOf(result.get(), r, 0, pos).Key == Record.Key) return pos;
        }
    }
    // No index yet, or another program moved records since it was built: count.
    TParams params;
    const std::string sql = "SELECT count(*) FROM " + Scan + " WHERE NOT COALESCE(" + AtOrAfter(Record, params) + ", false)";
    return std::stoll(PQgetvalue(Exec(sql, params).get(), 0, 0));
}

void TPgSource::TImpl::Removed(std::int64_t Pos)
{
    Index.erase(std::remove_if(Index.begin(), Index.end(), [&](const TPlace& E) { return E.Pos == Pos; }), Index.end());
    for (TPlace& entry : Index)
        if (entry.Pos > Pos) --entry.Pos;
}

void TPgSource::TImpl::Inserted(std::int64_t Pos)
{
    for (TPlace& entry : Index)
        if (entry.Pos >= Pos) ++entry.Pos;
}

std::optional<std::string> TPgSource::TImpl::Refusal() const
{
    if (!ReadOnlyReason.empty()) return ReadOnlyReason;
    if (Keys.empty()) return std::string("The view has no key to find its records by");
    return std::nullopt;
}
