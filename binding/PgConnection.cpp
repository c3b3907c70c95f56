#include "binding/PgSourceImpl.h"

#include <poll.h>

#include <algorithm>
#include <cerrno>
#include <chrono>

// The connection, its timeouts and statements, and the description of the table.

std::string TPgSource::TImpl::Trimmed(std::string Text)
{
    while (!Text.empty() && (Text.back() == '\n' || Text.back() == ' ')) Text.pop_back();
    return Text;
}

void TPgSource::TImpl::Connect()
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

void TPgSource::TImpl::Setup()
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
void TPgSource::TImpl::EnsureConnected()
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

std::string TPgSource::TImpl::Failure(const PGresult* Result) const
{
    const char* primary = Result ? PQresultErrorField(Result, PG_DIAG_MESSAGE_PRIMARY) : nullptr;
    std::string message = primary ? primary : Trimmed(PQerrorMessage(Conn));
    if (PQstatus(Conn) != CONNECTION_OK)
        message = "The connection to the database server was lost: " + message;
    return message;
}

// Waits for the next answer to what was sent, at most the statement's timeout and the grace:
// past that the server stopped answering, and its connection is dropped.
void TPgSource::TImpl::AwaitAnswer()
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
TPgSource::TImpl::TResult TPgSource::TImpl::NextResult()
{
    AwaitAnswer();
    return TResult(PQgetResult(Conn), &PQclear);
}

TPgSource::TImpl::TResult TPgSource::TImpl::Exec(const std::string& Sql, const TParams& Params)
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

std::string TPgSource::TImpl::Quote(const std::string& Identifier) const
{
    char* quoted = PQescapeIdentifier(Conn, Identifier.data(), Identifier.size());
    if (!quoted) throw ESourceError(Trimmed(PQerrorMessage(Conn)));
    std::string text = quoted;
    PQfreemem(quoted);
    return text;
}

void TPgSource::TImpl::Describe()
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

bool TPgSource::TImpl::Served(int Col)
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
void TPgSource::TImpl::Prepare()
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
