#include "binding/PgSource.h"

#include <libpq-fe.h>
#include <poll.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <optional>

namespace {

using TResult = std::unique_ptr<PGresult, decltype(&PQclear)>;

// SQL parameters as text, NULL where empty.
struct TParams {
    std::vector<std::optional<std::string>> Values;
    // Adds a value and returns its placeholder, cast to the column's type.
    std::string Add(std::optional<std::string> Value, const std::string& Type)
    {
        Values.push_back(std::move(Value));
        return "$" + std::to_string(Values.size()) + "::" + Type;
    }
};

std::string Trimmed(std::string Text)
{
    while (!Text.empty() && (Text.back() == '\n' || Text.back() == ' ')) Text.pop_back();
    return Text;
}

// A record's place in the current order: its position, its value of the ordered column and its key.
struct TPlace {
    std::int64_t Pos = 0;
    std::optional<std::string> Order;
    std::vector<std::string> Key;
};

} // namespace

struct TPgSource::TImpl {
    PGconn* Conn = nullptr;
    std::string ConnInfo;
    std::string Name;
    std::string Relation; // quoted and schema-qualified
    std::string Oid;
    TPgOptions Options;
    // The statement timeout in force: what the wait for an answer adds its grace to.
    int TimeoutMs = 5000;
    std::vector<TSourceColumn> Columns;
    std::vector<std::string> Types;  // format_type of each column, for casts
    std::vector<std::string> Quoted; // quoted column names
    std::vector<bool> NotNull;
    std::vector<std::string> Attnums;
    std::vector<std::string> KeyNames;
    std::vector<std::string> Keys; // quoted key columns, or ctid
    std::vector<std::string> KeyTypes;
    std::vector<bool> KeyColumn; // per column: part of the key
    std::string ReadOnlyReason;  // empty when writable
    // The session may write nothing, not even its own temporary tables.
    bool ReadOnlySession = false;
    int OrderCol = -1;
    TSortDirection Direction = TSortDirection::None;
    std::int64_t Count = -1;
    std::vector<TPlace> Index; // sorted by Pos
    bool Indexed = false;
    // An order no index serves is read through a private sorted copy of (value, key) with its
    // own index, a temporary table of the session: every page would sort the table otherwise.
    bool Copy = false;
    // What the order reads: the table as t or the copy as s (joined to the table by JoinOn for
    // the cells); the ordered value and the key in it.
    std::string Scan;
    std::string JoinOn;
    std::string OrderExpr;
    std::vector<std::string> KeyExprs;

    ~TImpl()
    {
        if (Conn) PQfinish(Conn);
    }

    void Connect()
    {
        const std::string timeout = std::to_string(Options.ConnectTimeoutSeconds);
        // The caller's string comes last so that its own settings win over these defaults. A
        // server gone from the network is noticed by the keepalives on an idle connection and by
        // tcp_user_timeout on one waiting for its request to be acknowledged.
        const char* keywords[] = {"connect_timeout",  "keepalives_idle", "keepalives_interval", "keepalives_count",
                                  "tcp_user_timeout", "dbname",          nullptr};
        const char* values[] = {timeout.c_str(), "5", "2", "2", "10000", ConnInfo.c_str(), nullptr};
        Conn = PQconnectdbParams(keywords, values, 1);
        if (!Conn) throw ESourceError("Cannot connect to the database: out of memory");
        if (PQstatus(Conn) != CONNECTION_OK)
            throw ESourceError("Cannot connect to the database: " + Trimmed(PQerrorMessage(Conn)));
        Setup();
    }

    void Setup()
    {
        const std::string timeout = std::to_string(Options.StatementTimeoutMs);
        Exec("SET statement_timeout = " + timeout);
        Exec("SET lock_timeout = " + std::to_string(Options.LockTimeoutMs));
        // The private sorted copy of an order lives in the session's own buffers.
        Exec("SET temp_buffers = '64MB'");
        Exec("SET DateStyle = 'ISO, YMD'");
        Exec("SET client_encoding = 'UTF8'");
        // The server's notices ("... does not exist, skipping") are no news for the user.
        Exec("SET client_min_messages = warning");
    }

    // A lost connection was reported by the call that noticed it; this call tries once again.
    void EnsureConnected()
    {
        if (PQstatus(Conn) == CONNECTION_OK) return;
        if (!Conn) {
            // Dropped for not answering: a connection of its own, as at the start.
            Connect();
            if (Copy) Indexed = false;
            return;
        }
        PQreset(Conn);
        if (PQstatus(Conn) != CONNECTION_OK)
            throw ESourceError("Cannot reach the database server: " + Trimmed(PQerrorMessage(Conn)));
        Setup();
        // The copy was the old session's.
        if (Copy) Indexed = false;
    }

    std::string Failure(const PGresult* Result) const
    {
        const char* primary = Result ? PQresultErrorField(Result, PG_DIAG_MESSAGE_PRIMARY) : nullptr;
        std::string message = primary ? primary : Trimmed(PQerrorMessage(Conn));
        if (PQstatus(Conn) != CONNECTION_OK)
            message = "The connection to the database server was lost: " + message;
        return message;
    }

    // Waits for the next answer to what was sent, at most the statement's timeout and the grace:
    // past that the server stopped answering, and its connection is dropped.
    void AwaitAnswer()
    {
        using namespace std::chrono;
        const auto deadline = steady_clock::now() + milliseconds(TimeoutMs + Options.AnswerGraceMs);
        while (PQisBusy(Conn)) {
            const auto left = duration_cast<milliseconds>(deadline - steady_clock::now()).count();
            if (left <= 0) {
                PQfinish(Conn);
                Conn = nullptr;
                throw ESourceError("The database server did not answer within " +
                                   std::to_string((TimeoutMs + Options.AnswerGraceMs + 999) / 1000) +
                                   " s; the connection was closed, and the next request connects again");
            }
            pollfd fd{PQsocket(Conn), POLLIN, 0};
            if (::poll(&fd, 1, static_cast<int>(std::min<long long>(left, 1000))) < 0 && errno != EINTR) break;
            // A broken connection ends the wait: the answer then says what happened.
            if (!PQconsumeInput(Conn)) break;
        }
    }

    // The next answer to what was sent (nullptr when there are no more), awaited as above.
    TResult NextResult()
    {
        AwaitAnswer();
        return TResult(PQgetResult(Conn), &PQclear);
    }

    TResult Exec(const std::string& Sql, const TParams& Params = {})
    {
        std::vector<const char*> values;
        for (const auto& value : Params.Values) values.push_back(value ? value->c_str() : nullptr);
        if (!PQsendQueryParams(Conn, Sql.c_str(), static_cast<int>(values.size()), nullptr, values.data(), nullptr,
                               nullptr, 0))
            throw ESourceError(Failure(nullptr));
        // The last answer counts; one statement has one.
        TResult result(nullptr, &PQclear);
        while (TResult next = NextResult()) result = std::move(next);
        const ExecStatusType status = PQresultStatus(result.get());
        if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) throw ESourceError(Failure(result.get()));
        return result;
    }

    std::string Quote(const std::string& Identifier) const
    {
        char* quoted = PQescapeIdentifier(Conn, Identifier.data(), Identifier.size());
        if (!quoted) throw ESourceError(Trimmed(PQerrorMessage(Conn)));
        std::string text = quoted;
        PQfreemem(quoted);
        return text;
    }

    void Describe()
    {
        TParams name;
        name.Values.push_back(Name);
        TResult table = Exec("SELECT c.oid, c.relkind, n.nspname, c.relname, "
                             "has_table_privilege(c.oid, 'UPDATE'), current_setting('transaction_read_only') "
                             "FROM pg_class c JOIN pg_namespace n ON n.oid = c.relnamespace "
                             "WHERE c.oid = to_regclass($1)",
                             name);
        if (PQntuples(table.get()) != 1) throw ESourceError("There is no table or view \"" + Name + "\" in the database");
        Oid = PQgetvalue(table.get(), 0, 0);
        const std::string& oid = Oid;
        const char kind = PQgetvalue(table.get(), 0, 1)[0];
        if (kind != 'r' && kind != 'p' && kind != 'v' && kind != 'm' && kind != 'f')
            throw ESourceError("\"" + Name + "\" is not a table or view");
        Relation = Quote(PQgetvalue(table.get(), 0, 2)) + "." + Quote(PQgetvalue(table.get(), 0, 3));
        const bool mayUpdate = PQgetvalue(table.get(), 0, 4)[0] == 't';
        const bool readOnly = std::string(PQgetvalue(table.get(), 0, 5)) == "on";
        ReadOnlySession = readOnly;

        TParams relation;
        relation.Values.push_back(oid);
        TResult columns = Exec("SELECT a.attname, format_type(a.atttypid, a.atttypmod), t.typcategory, "
                               "t.typname, a.attnotnull, a.attnum FROM pg_attribute a JOIN pg_type t ON t.oid = a.atttypid "
                               "WHERE a.attrelid = $1::oid AND a.attnum > 0 AND NOT a.attisdropped ORDER BY a.attnum",
                               relation);
        for (int i = 0; i < PQntuples(columns.get()); ++i) {
            const char category = PQgetvalue(columns.get(), i, 2)[0];
            const std::string type = PQgetvalue(columns.get(), i, 3);
            TSourceColumn column{PQgetvalue(columns.get(), i, 0), TSourceColumnKind::Text};
            if (type == "int2" || type == "int4" || type == "int8")
                column.Kind = TSourceColumnKind::Integer;
            else if (category == 'N')
                column.Kind = TSourceColumnKind::Number;
            else if (type == "date" || type == "timestamp" || type == "timestamptz")
                column.Kind = TSourceColumnKind::Date;
            Columns.push_back(column);
            Types.push_back(PQgetvalue(columns.get(), i, 1));
            Quoted.push_back(Quote(column.Name));
            NotNull.push_back(PQgetvalue(columns.get(), i, 4)[0] == 't');
            Attnums.push_back(PQgetvalue(columns.get(), i, 5));
        }
        if (Columns.empty()) throw ESourceError("\"" + Name + "\" has no columns");
        KeyColumn.assign(Columns.size(), false);

        if (kind == 'v' || kind == 'm' || kind == 'f') {
            KeyNames = Options.Key;
            ReadOnlyReason = "A view is shown read-only";
        } else {
            TResult primary = Exec("SELECT a.attname FROM pg_index i, unnest(i.indkey) WITH ORDINALITY AS k(attnum, n), "
                                   "pg_attribute a WHERE i.indrelid = $1::oid AND i.indisprimary "
                                   "AND a.attrelid = i.indrelid AND a.attnum = k.attnum ORDER BY k.n",
                                   relation);
            for (int i = 0; i < PQntuples(primary.get()); ++i) KeyNames.push_back(PQgetvalue(primary.get(), i, 0));
            if (KeyNames.empty()) KeyNames = {"ctid"};
            if (readOnly)
                ReadOnlyReason = "The database is read-only";
            else if (!mayUpdate)
                ReadOnlyReason = "You may not change the table \"" + Name + "\"";
        }
        for (const std::string& key : KeyNames) {
            if (key == "ctid" && kind != 'v') {
                Keys.push_back("ctid");
                KeyTypes.push_back("tid");
                continue;
            }
            const auto at = std::find_if(Columns.begin(), Columns.end(), [&](const TSourceColumn& C) { return C.Name == key; });
            if (at == Columns.end()) throw ESourceError("\"" + Name + "\" has no key column \"" + key + "\"");
            const auto col = static_cast<std::size_t>(at - Columns.begin());
            Keys.push_back(Quoted[col]);
            KeyTypes.push_back(Types[col]);
            KeyColumn[col] = true;
        }
        Prepare();
    }

    bool Served(int Col)
    {
        TParams params;
        params.Values = {Oid, Attnums[static_cast<std::size_t>(Col)]};
        TResult index = Exec("SELECT 1 FROM pg_index i JOIN pg_class c ON c.oid = i.indexrelid JOIN pg_am m ON m.oid = c.relam "
                             "WHERE i.indrelid = $1::oid AND i.indkey[0] = $2::int2 AND m.amname = 'btree' AND i.indisvalid "
                             "AND i.indpred IS NULL LIMIT 1",
                             params);
        return PQntuples(index.get()) > 0;
    }

    // Chooses what the current order reads. A read-only session cannot make the copy: the server
    // then sorts the table for each page, slower but the same order.
    void Prepare()
    {
        Copy = OrderCol >= 0 && !Keys.empty() && !ReadOnlySession && !Served(OrderCol);
        KeyExprs.clear();
        if (!Copy) {
            Scan = Relation + " AS t";
            OrderExpr = OrderCol >= 0 ? TableOrder() : "NULL";
            for (const std::string& key : Keys) KeyExprs.push_back("t." + key);
            return;
        }
        Scan = "pg_temp.zel_order AS s";
        JoinOn.clear();
        for (std::size_t i = 0; i < Keys.size(); ++i) {
            KeyExprs.push_back("s.k" + std::to_string(i));
            JoinOn += (i ? " AND t." : "t.") + Keys[i] + " = " + KeyExprs.back();
        }
        OrderExpr = "s.v";
    }

    std::string TableOrder() const { return OrderCol >= 0 ? "t." + Quoted[static_cast<std::size_t>(OrderCol)] : "NULL"; }

    // The ordered value and the key as the table holds them, for RETURNING.
    std::string TablePlace() const
    {
        std::string list = TableOrder();
        for (const std::string& key : Keys) list += ", t." + key;
        return list;
    }

    std::string TableKeyEquals(const std::vector<std::string>& Key, TParams& Params) const
    {
        std::string tuple;
        for (const std::string& key : Keys) tuple += (tuple.empty() ? "(t." : ", t.") + key;
        return tuple + ") = " + KeyParams(Key, Params);
    }

    // Makes the private copy for an order no index serves, inside the caller's transaction.
    void MakeCopy()
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
    void CopyWritten(const std::vector<std::string>* OldKey, const TPlace* Now)
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

    // --- The order and the keyset predicates ---
    //
    // An order is read as segments, each in an order a plain index serves: with an ordered
    // column, the records whose value is NULL (by key) come before those with a value (by value,
    // then key) when ascending, after them when descending. One ORDER BY with NULLS FIRST would
    // be the same order, but no default index serves it, so every page would sort the table.

    struct TSegment {
        std::string Where; // which records, "" for all
        std::string Order; // " ORDER BY ..."
        bool Nulls = false;
    };

    bool Descending() const { return Direction == TSortDirection::Descending; }

    // The tie-breaking terms of ORDER BY: in a descending order they descend too, so that the
    // order is the ascending one read backwards and one index serves both.
    std::string KeyTerms() const
    {
        std::string terms;
        const char* const direction = Descending() ? " DESC" : "";
        // Without a key every column breaks ties, so that the order is the same on every read.
        for (const std::string& term : Keys.empty() ? Quoted : KeyExprs) terms += (terms.empty() ? "" : ", ") + term + direction;
        return terms;
    }

    // The keys at or after Key in the order's direction, as a row comparison an index serves.
    std::string KeyFrom(const std::vector<std::string>& Key, TParams& Params) const
    {
        return "(" + KeyTuple() + (Descending() ? " <= " : " >= ") + KeyParams(Key, Params) + ")";
    }

    std::vector<TSegment> Segments() const
    {
        if (OrderCol < 0) return {TSegment{"", " ORDER BY " + KeyTerms(), false}};
        const std::string& c = OrderExpr;
        const bool descending = Descending();
        const TSegment nulls{c + " IS NULL", " ORDER BY " + KeyTerms(), true};
        const TSegment values{c + " IS NOT NULL", " ORDER BY " + c + (descending ? " DESC, " : ", ") + KeyTerms(), false};
        if (descending) return {values, nulls};
        return {nulls, values};
    }

    std::size_t SegmentOf(const TPlace& Place) const
    {
        if (OrderCol < 0) return 0;
        const bool nullsFirst = !Descending();
        return Place.Order ? (nullsFirst ? 1 : 0) : (nullsFirst ? 0 : 1);
    }

    std::string KeyTuple() const
    {
        std::string tuple;
        for (const std::string& key : KeyExprs) tuple += (tuple.empty() ? "(" : ", ") + key;
        return tuple + ")";
    }

    std::string KeyParams(const std::vector<std::string>& Key, TParams& Params) const
    {
        std::string tuple;
        for (std::size_t i = 0; i < Keys.size(); ++i) tuple += (i ? ", " : "(") + Params.Add(Key[i], KeyTypes[i]);
        return tuple + ")";
    }

    std::string KeyEquals(const std::vector<std::string>& Key, TParams& Params) const
    {
        return KeyTuple() + " = " + KeyParams(Key, Params);
    }

    // The records of Place's segment at or after Place, as an index range.
    std::string InSegmentFrom(const TPlace& Place, TParams& Params) const
    {
        const std::string key = KeyFrom(Place.Key, Params);
        if (OrderCol < 0 || !Place.Order) return key;
        const std::string& c = OrderExpr;
        const std::string v = Params.Add(Place.Order, Types[static_cast<std::size_t>(OrderCol)]);
        if (Descending()) return c + " <= " + v + " AND (" + c + " < " + v + " OR " + key + ")";
        return c + " >= " + v + " AND (" + c + " > " + v + " OR " + key + ")";
    }

    // True for the records at or after Place in the whole order (for one record at a time).
    std::string AtOrAfter(const TPlace& Place, TParams& Params) const
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

    std::string SegmentQuery(const std::string& List, const TSegment& Segment, const TPlace* From, TParams& Params) const
    {
        std::string sql = "SELECT " + List + " FROM " + Scan;
        std::string where = Segment.Where;
        if (From) where += (where.empty() ? "" : " AND ") + InSegmentFrom(*From, Params);
        if (!where.empty()) sql += " WHERE " + where;
        return sql + Segment.Order;
    }

    std::string SelectPlace() const
    {
        std::string list = OrderExpr;
        for (const std::string& key : KeyExprs) list += ", " + key;
        return list;
    }

    TPlace PlaceOf(const PGresult* Result, int Row, int FirstField, std::int64_t Pos) const
    {
        TPlace place;
        place.Pos = Pos;
        if (!PQgetisnull(Result, Row, FirstField)) place.Order = PQgetvalue(Result, Row, FirstField);
        for (std::size_t i = 0; i < Keys.size(); ++i) place.Key.push_back(PQgetvalue(Result, Row, FirstField + 1 + static_cast<int>(i)));
        return place;
    }

    // Reads Want records Skip records after From (or after the order's start), across segments.
    // Skip is below a stride or two, so every query is an index range read a few thousand rows deep.
    std::vector<TResult> Walk(const TPlace* From, std::int64_t Skip, int Want, const std::string& List)
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

    // --- The sparse index ---

    // Counts the records and takes every IndexStride-th one's place of each segment, all in one
    // snapshot.
    void Build(const TSourceProgress& Progress, std::int64_t& NewCount, std::vector<TPlace>& NewIndex)
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
    void FetchStrides(const TSourceProgress& Progress, double Expected, std::vector<TPlace>& NewIndex)
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
    void Reindex(const TSourceProgress& Progress)
    {
        std::int64_t count = 0;
        std::vector<TPlace> index;
        Build(Progress, count, index);
        Count = count;
        Index = std::move(index);
        Indexed = true;
    }

    void EnsureIndex()
    {
        if (Indexed) return;
        Build({}, Count, Index);
        Indexed = true;
    }

    // --- Reading ---

    // Reads Count records from First on; Places receives each one's place when asked for.
    void ReadPage(std::int64_t First, int Want, std::vector<TSourceRow>& Rows, std::vector<TPlace>* Places)
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

    std::int64_t RowCount()
    {
        if (Count >= 0) return Count;
        EnsureConnected();
        Count = std::stoll(PQgetvalue(Exec("SELECT count(*) FROM " + Relation).get(), 0, 0));
        return Count;
    }

    bool PlaceAt(std::int64_t Row, TPlace& Place)
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
    std::int64_t PositionOf(const TPlace& Record)
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

    void Removed(std::int64_t Pos)
    {
        Index.erase(std::remove_if(Index.begin(), Index.end(), [&](const TPlace& E) { return E.Pos == Pos; }), Index.end());
        for (TPlace& entry : Index)
            if (entry.Pos > Pos) --entry.Pos;
    }

    void Inserted(std::int64_t Pos)
    {
        for (TPlace& entry : Index)
            if (entry.Pos >= Pos) ++entry.Pos;
    }

    // Runs the bookkeeping after a stored write; when it fails (the connection went just after
    // the commit), the write still stands and the count and the index are read again when needed.
    template <class TBookkeeping>
    void Keep(TBookkeeping Bookkeeping)
    {
        try {
            Bookkeeping();
        } catch (const ESourceError&) {
            Indexed = false;
            Index.clear();
            Count = -1;
        }
    }

    std::optional<std::string> Refusal() const
    {
        if (!ReadOnlyReason.empty()) return ReadOnlyReason;
        if (Keys.empty()) return std::string("The view has no key to find its records by");
        return std::nullopt;
    }
};

TPgSource::TPgSource(const std::string& ConnInfo, const std::string& Table, const TPgOptions& Options)
    : FImpl(std::make_unique<TImpl>())
{
    FImpl->ConnInfo = ConnInfo;
    FImpl->Name = Table;
    FImpl->Options = Options;
    FImpl->TimeoutMs = Options.StatementTimeoutMs;
    FImpl->Options.IndexStride = std::max(1, Options.IndexStride);
    FImpl->Connect();
    FImpl->Describe();
}

TPgSource::~TPgSource() = default;

std::string TPgSource::Description() const
{
    const char* database = PQdb(FImpl->Conn);
    return std::string(database ? database : "PostgreSQL") + ", table " + FImpl->Name;
}

const std::vector<TSourceColumn>& TPgSource::Columns() const { return FImpl->Columns; }

std::int64_t TPgSource::RowCount() { return FImpl->RowCount(); }

bool TPgSource::SumColumn(int Col, std::string& Sum)
{
    TImpl& I = *FImpl;
    if (Col < 0 || Col >= static_cast<int>(I.Quoted.size())) return false;
    try {
        I.EnsureConnected();
        TResult result = I.Exec("SELECT sum(round(" + I.Quoted[static_cast<std::size_t>(Col)] + "::numeric * 10000))::text FROM " +
                                I.Relation);
        Sum = PQgetisnull(result.get(), 0, 0) ? "0" : PQgetvalue(result.get(), 0, 0);
        return true;
    } catch (const ESourceError&) {
        // A value the server cannot sum exactly (an infinity): the binding adds the records up.
        return false;
    }
}

void TPgSource::ReadRows(std::int64_t First, int Count, std::vector<TSourceRow>& Rows)
{
    FImpl->ReadPage(First, Count, Rows, nullptr);
}

bool TPgSource::Writable() const { return !FImpl->Refusal(); }

std::string TPgSource::UpdateCell(std::int64_t Row, int Col, const std::string& Value)
{
    TImpl& s = *FImpl;
    if (const auto refusal = s.Refusal()) return *refusal;
    if (Col < 0 || static_cast<std::size_t>(Col) >= s.Columns.size()) return "There is no such column";
    const auto col = static_cast<std::size_t>(Col);
    try {
        TPlace at;
        if (!s.PlaceAt(Row, at)) return "There is no such record";
        TParams params;
        std::optional<std::string> value = Value;
        if (Value.empty() && !(s.NotNull[col] && s.Columns[col].Kind == TSourceColumnKind::Text)) value.reset();
        const std::string set = s.Quoted[col] + " = " + params.Add(value, s.Types[col]);
        TResult result = s.Exec("UPDATE " + s.Relation + " AS t SET " + set + " WHERE " + s.TableKeyEquals(at.Key, params) +
                                    " RETURNING " + s.TablePlace(),
                                params);
        if (PQntuples(result.get()) == 0) return "The record no longer exists: another program deleted or changed it";
        // A record whose sort value or key changed moves; a ctid changes with every update.
        if (Col == s.OrderCol || s.KeyColumn[col] || s.Keys[0] == "ctid") {
            const TPlace now = s.PlaceOf(result.get(), 0, 0, 0);
            s.Keep([&] {
                s.CopyWritten(&at.Key, &now);
                s.Removed(at.Pos);
                s.Inserted(s.PositionOf(now));
            });
        }
        return "";
    } catch (const ESourceError& error) {
        return error.what();
    }
}

std::string TPgSource::InsertRecord(std::int64_t& Row)
{
    TImpl& s = *FImpl;
    if (const auto refusal = s.Refusal()) return *refusal;
    try {
        s.EnsureConnected();
        if (s.Copy) s.EnsureIndex();
        TResult result = s.Exec("INSERT INTO " + s.Relation + " AS t DEFAULT VALUES RETURNING " + s.TablePlace());
        if (s.Count >= 0) ++s.Count;
        const TPlace now = s.PlaceOf(result.get(), 0, 0, 0);
        // In the table's own order a new key most often comes last.
        Row = s.Count >= 0 ? s.Count - 1 : 0;
        s.Keep([&] {
            s.CopyWritten(nullptr, &now);
            Row = s.PositionOf(now);
            s.Inserted(Row);
        });
        return "";
    } catch (const ESourceError& error) {
        return error.what();
    }
}

std::string TPgSource::DeleteRecord(std::int64_t Row)
{
    TImpl& s = *FImpl;
    if (const auto refusal = s.Refusal()) return *refusal;
    try {
        TPlace at;
        if (!s.PlaceAt(Row, at)) return "There is no such record";
        TParams params;
        TResult result = s.Exec("DELETE FROM " + s.Relation + " AS t WHERE " + s.TableKeyEquals(at.Key, params), params);
        if (std::string(PQcmdTuples(result.get())) == "0")
            return "The record no longer exists: another program deleted or changed it";
        if (s.Count > 0) --s.Count;
        s.Keep([&] {
            s.CopyWritten(&at.Key, nullptr);
            s.Removed(at.Pos);
        });
        return "";
    } catch (const ESourceError& error) {
        return error.what();
    }
}

void TPgSource::SetOrder(int Col, TSortDirection Direction, const TSourceProgress& Progress)
{
    TImpl& s = *FImpl;
    if (Direction != TSortDirection::None && (Col < 0 || static_cast<std::size_t>(Col) >= s.Columns.size()))
        throw ESourceError("There is no column " + std::to_string(Col) + " to order by");
    s.EnsureConnected();
    const int oldCol = s.OrderCol;
    const TSortDirection oldDirection = s.Direction;
    const bool oldCopy = s.Copy;
    const std::string oldScan = s.Scan, oldJoinOn = s.JoinOn, oldOrderExpr = s.OrderExpr;
    const std::vector<std::string> oldKeyExprs = s.KeyExprs;
    s.OrderCol = Direction == TSortDirection::None ? -1 : Col;
    s.Direction = Direction;
    try {
        s.Prepare();
        s.Reindex(Progress);
    } catch (...) {
        s.OrderCol = oldCol;
        s.Direction = oldDirection;
        s.Copy = oldCopy;
        s.Scan = oldScan;
        s.JoinOn = oldJoinOn;
        s.OrderExpr = oldOrderExpr;
        s.KeyExprs = oldKeyExprs;
        throw;
    }
}

int TPgSource::OrderColumn() const { return FImpl->OrderCol; }

TSortDirection TPgSource::OrderDirection() const { return FImpl->Direction; }

void TPgSource::Refresh(const TSourceProgress& Progress) { FImpl->Reindex(Progress); }

std::vector<std::string> TPgSource::KeyColumns() const
{
    return FImpl->Keys.empty() ? std::vector<std::string>{} : FImpl->KeyNames;
}
