#include "binding/PgSourceImpl.h"

// The order's segments, the keyset predicates, the private sorted copy and Walk.

// The ordered value and the key as the table holds them, for RETURNING.
std::string TPgSource::TImpl::TablePlace() const
{
    std::string list = TableOrder();
    for (const std::string& key : Keys) list += ", t." + key;
    return list;
}

std::string TPgSource::TImpl::TableKeyEquals(const std::vector<std::string>& Key, TParams& Params) const
{
    std::string tuple;
    for (const std::string& key : Keys) tuple += (tuple.empty() ? "(t." : ", t.") + key;
    return tuple + ") = " + KeyParams(Key, Params);
}

// Makes the private copy for an order no index serves, inside the caller's transaction.
void TPgSource::TImpl::MakeCopy()
{
    std::string list = TableOrder() + " AS v";
    std::string keys, order;
    const char* const direction = Descending() ? " DESC" : "";
    for (std::size_t i = 0; i < Keys.size(); ++i) {
        list += ", t." + Keys[i] + " AS k" + std::to_string(i);
        keys += ", k" + std::to_string(i);
        order += ", k" + std::to_string(i) + direction;
    }
    Exec("DROP TABLE IF EXISTS pg_temp.zel_order");
    // Written in the order's sequence, so that reading by the index reads the copy in sequence.
    Exec("CREATE TEMPORARY TABLE zel_order AS SELECT " + list + " FROM " + Relation + " AS t ORDER BY v" +
         (Descending() ? " DESC NULLS LAST" : " NULLS FIRST") + order);
    Exec("CREATE INDEX ON pg_temp.zel_order (v" + keys + ")");
    Exec("CREATE INDEX ON pg_temp.zel_order (" + keys.substr(2) + ")");
    Exec("ANALYZE pg_temp.zel_order");
}

// Keeps the copy as the table after our own write: the record's old key, its new place.
void TPgSource::TImpl::CopyWritten(const std::vector<std::string>* OldKey, const TPlace* Now)
{
    if (!Copy) return;
    std::string keys;
    for (std::size_t i = 0; i < Keys.size(); ++i) keys += (i ? ", k" : "(k") + std::to_string(i);
    keys += ")";
    if (OldKey) {
        TParams params;
        Exec("DELETE FROM pg_temp.zel_order WHERE " + keys + " = " + KeyParams(*OldKey, params), params);
    }
    if (!Now) return;
    TParams values;
    std::string row = values.Add(Now->Order, Types[static_cast<std::size_t>(OrderCol)]);
    for (std::size_t i = 0; i < Keys.size(); ++i) row += ", " + values.Add(Now->Key[i], KeyTypes[i]);
    Exec("INSERT INTO pg_temp.zel_order VALUES (" + row + ")", values);
}

// The tie-breaking terms of ORDER BY: in a descending order they descend too, so that the
// order is the ascending one read backwards and one index serves both.
std::string TPgSource::TImpl::KeyTerms() const
{
    std::string terms;
    const char* const direction = Descending() ? " DESC" : "";
    // Without a key every column breaks ties, so that the order is the same on every read.
    for (const std::string& term : Keys.empty() ? Quoted : KeyExprs) terms += (terms.empty() ? "" : ", ") + term + direction;
    return terms;
}

// The keys at or after Key in the order's direction, as a row comparison an index serves.
std::string TPgSource::TImpl::KeyFrom(const std::vector<std::string>& Key, TParams& Params) const
{
    return "(" + KeyTuple() + (Descending() ? " <= " : " >= ") + KeyParams(Key, Params) + ")";
}

std::vector<TPgSource::TImpl::TSegment> TPgSource::TImpl::Segments() const
{
    if (OrderCol < 0) return {TSegment{"", " ORDER BY " + KeyTerms(), false}};
    const std::string& c = OrderExpr;
    const bool descending = Descending();
    const TSegment nulls{c + " IS NULL", " ORDER BY " + KeyTerms(), true};
    const TSegment values{c + " IS NOT NULL", " ORDER BY " + c + (descending ? " DESC, " : ", ") + KeyTerms(), false};
    if (descending) return {values, nulls};
    return {nulls, values};
}

std::size_t TPgSource::TImpl::SegmentOf(const TPlace& Place) const
{
    if (OrderCol < 0) return 0;
    const bool nullsFirst = !Descending();
    return Place.Order ? (nullsFirst ? 1 : 0) : (nullsFirst ? 0 : 1);
}

std::string TPgSource::TImpl::KeyTuple() const
{
    std::string tuple;
    for (const std::string& key : KeyExprs) tuple += (tuple.empty() ? "(" : ", ") + key;
    return tuple + ")";
}

std::string TPgSource::TImpl::KeyParams(const std::vector<std::string>& Key, TParams& Params) const
{
    std::string tuple;
    for (std::size_t i = 0; i < Keys.size(); ++i) tuple += (i ? ", " : "(") + Params.Add(Key[i], KeyTypes[i]);
    return tuple + ")";
}

std::string TPgSource::TImpl::KeyEquals(const std::vector<std::string>& Key, TParams& Params) const
{
    return KeyTuple() + " = " + KeyParams(Key, Params);
}

// The records of Place's segment at or after Place, as an index range.
std::string TPgSource::TImpl::InSegmentFrom(const TPlace& Place, TParams& Params) const
{
    const std::string key = KeyFrom(Place.Key, Params);
    if (OrderCol < 0 || !Place.Order) return key;
    const std::string& c = OrderExpr;
    const std::string v = Params.Add(Place.Order, Types[static_cast<std::size_t>(OrderCol)]);
    if (Descending()) return c + " <= " + v + " AND (" + c + " < " + v + " OR " + key + ")";
    return c + " >= " + v + " AND (" + c + " > " + v + " OR " + key + ")";
}

// True for the records at or after Place in the whole order (for one record at a time).
std::string TPgSource::TImpl::AtOrAfter(const TPlace& Place, TParams& Params) const
{
    const std::string key = KeyFrom(Place.Key, Params);
    if (OrderCol < 0) return key;
    const std::string& c = OrderExpr;
    const bool descending = Descending();
    if (!Place.Order) return descending ? "(" + c + " IS NULL AND " + key + ")" : "(" + c + " IS NOT NULL OR " + key + ")";
    const std::string v = Params.Add(Place.Order, Types[static_cast<std::size_t>(OrderCol)]);
    if (descending) return "(" + c + " IS NULL OR (" + c + " <= " + v + " AND (" + c + " < " + v + " OR " + key + ")))";
    return "(" + c + " >= " + v + " AND (" + c + " > " + v + " OR " + key + "))";
}

std::string TPgSource::TImpl::SegmentQuery(const std::string& List, const TSegment& Segment, const TPlace* From, TParams& Params) const
{
    std::string sql = "SELECT " + List + " FROM " + Scan;
    std::string where = Segment.Where;
    if (From) where += (where.empty() ? "" : " AND ") + InSegmentFrom(*From, Params);
    if (!where.empty()) sql += " WHERE " + where;
    return sql + Segment.Order;
}

std::string TPgSource::TImpl::SelectPlace() const
{
    std::string list = OrderExpr;
    for (const std::string& key : KeyExprs) list += ", " + key;
    return list;
}

TPgSource::TImpl::TPlace TPgSource::TImpl::PlaceOf(const PGresult* Result, int Row, int FirstField, std::int64_t Pos) const
{
    TPlace place;
    place.Pos = Pos;
    if (!PQgetisnull(Result, Row, FirstField)) place.Order = PQgetvalue(Result, Row, FirstField);
    for (std::size_t i = 0; i < Keys.size(); ++i) place.Key.push_back(PQgetvalue(Result, Row, FirstField + 1 + static_cast<int>(i)));
    return place;
}

// Reads Want records Skip records after From (or after the order's start), across segments.
// Skip is below a stride or two, so every query is an index range read a few thousand rows deep.
std::vector<TPgSource::TImpl::TResult> TPgSource::TImpl::Walk(const TPlace* From, std::int64_t Skip, int Want, const std::string& List)
{
    std::vector<TResult> results;
    const std::vector<TSegment> segments = Segments();
    int got = 0;
    for (std::size_t seg = From ? SegmentOf(*From) : 0; seg < segments.size() && got < Want; ++seg, From = nullptr) {
        TParams params;
        const std::string query = SegmentQuery(Copy ? SelectPlace() : List, segments[seg], From, params);
        std::string page = query + " OFFSET " + std::to_string(Skip) + " LIMIT " + std::to_string(Want - got);
        // From the copy only the page's keys, then the page's records from the table.
        if (Copy && List != SelectPlace())
            page = "SELECT " + List + " FROM (" + page + ") AS s JOIN " + Relation + " AS t ON " + JoinOn + segments[seg].Order;
        results.push_back(Exec(page, params));
        const int read = PQntuples(results.back().get());
        got += read;
        if (got >= Want || seg + 1 == segments.size()) break;
        if (read > 0 || Skip == 0) {
            Skip = 0;
            continue;
        }
        // The segment ended before Skip: skip what it had in the next one.
        TResult rest = Exec("SELECT count(*) FROM (" + query + " LIMIT " + std::to_string(Skip) + ") AS s", params);
        Skip -= std::stoll(PQgetvalue(rest.get(), 0, 0));
    }
    return results;
}
