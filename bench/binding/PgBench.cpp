// The PostgreSQL source over a table of 10,000,000 orders on a local server the suite starts
// itself: a page at the first, middle and last row read by key, a page step, building the key
// index per order, and the naive LIMIT/OFFSET query beside them. ZEL_PG_BENCH_ROWS sets another
// size. Loading the table takes about a minute before the first figure.
#include <benchmark/benchmark.h>
#include <libpq-fe.h>

#include <cstdlib>
#include <map>
#include <memory>
#include <stdexcept>

#include "binding/PgSource.h"
#include "tests/binding/PgServer.h"

namespace {

enum { Own, Indexed, Unindexed };
const char* const OrderNames[] = {"own order", "amount (indexed)", "customer (not indexed)"};

struct TBenchDb {
    TPgServer Server;
    std::int64_t Rows = 10'000'000;
    std::unique_ptr<PGconn, decltype(&PQfinish)> Conn{nullptr, &PQfinish};
    std::map<int, std::unique_ptr<TPgSource>> Sources;

    TBenchDb()
    {
        if (!Server.Available()) throw std::runtime_error(Server.Missing());
        if (const char* rows = std::getenv("ZEL_PG_BENCH_ROWS")) Rows = std::atoll(rows);
        Conn.reset(PQconnectdb(Server.ConnInfo().c_str()));
        if (PQstatus(Conn.get()) != CONNECTION_OK) throw std::runtime_error(PQerrorMessage(Conn.get()));
        const std::string n = std::to_string(Rows);
        Exec("SET maintenance_work_mem = '512MB'");
        Exec("CREATE UNLOGGED TABLE orders (id bigint NOT NULL, customer text NOT NULL, amount numeric(12,2), day date)");
        Exec("INSERT INTO orders SELECT i, 'customer ' || (i * 7919 % 100003), ((i * 37) % 100000) / 100.0, "
             "date '2020-01-01' + (i % 1500)::int FROM generate_series(1::bigint, " + n + ") i");
        Exec("ALTER TABLE orders ADD PRIMARY KEY (id)");
        Exec("CREATE INDEX ON orders (amount)");
        Exec("VACUUM ANALYZE orders");
    }

    void Exec(const std::string& Sql)
    {
        PGresult* result = PQexec(Conn.get(), Sql.c_str());
        const ExecStatusType status = PQresultStatus(result);
        const std::string error = PQresultErrorMessage(result);
        PQclear(result);
        if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) throw std::runtime_error(Sql + ": " + error);
    }

    static void Order(TPgSource& Source, int Order)
    {
        if (Order == Own) Source.Refresh();
        else Source.SetOrder(Order == Indexed ? 2 : 1, TSortDirection::Ascending);
    }

    // A source in the order, its key index built.
    TPgSource& Source(int Order)
    {
        auto& source = Sources[Order];
        if (!source) {
            source = std::make_unique<TPgSource>(Server.ConnInfo(), "orders");
            TBenchDb::Order(*source, Order);
        }
        return *source;
    }
};

// The database, loaded on first use; nullptr (and the reason) when it could not be made. Errors
// end in a skipped benchmark, never an uncaught exception, so that the server is always stopped.
TBenchDb* Db(benchmark::State& State)
{
    static std::string error;
    static const std::unique_ptr<TBenchDb> db = []() -> std::unique_ptr<TBenchDb> {
        try {
            return std::make_unique<TBenchDb>();
        } catch (const std::exception& e) {
            error = e.what();
            return nullptr;
        }
    }();
    if (!db) State.SkipWithError(error.c_str());
    return db.get();
}

std::int64_t Position(const TBenchDb& Db, int Where)
{
    const std::int64_t rows = Db.Rows;
    return Where == 0 ? 0 : Where == 1 ? rows / 2 : rows - 40;
}

// Runs a benchmark's body; a source's error skips the benchmark instead of ending the process
// with the server left running.
template <class TBody>
void Guarded(benchmark::State& State, TBody Body)
{
    try {
        Body();
    } catch (const std::exception& error) {
        State.SkipWithError(error.what());
    }
}

// Counting the records and building the sparse key index in one snapshot: what a sort by a
// title click or a refresh costs before the first page.
void BM_BuildIndex(benchmark::State& State)
{
    const int order = static_cast<int>(State.range(0));
    TBenchDb* db = Db(State);
    if (!db) return;
    Guarded(State, [&] {
        TPgSource source(db->Server.ConnInfo(), "orders");
        for (auto _ : State) TBenchDb::Order(source, order);
    });
    State.SetLabel(OrderNames[order]);
}
BENCHMARK(BM_BuildIndex)->DenseRange(Own, Unindexed)->Iterations(1)->Unit(benchmark::kMillisecond);

// One frame's page of 40 rows at the first, middle and last row.
void BM_PageAt(benchmark::State& State)
{
    const int order = static_cast<int>(State.range(0));
    TBenchDb* db = Db(State);
    if (!db) return;
    const std::int64_t first = Position(*db, static_cast<int>(State.range(1)));
    Guarded(State, [&] {
        TPgSource& source = db->Source(order);
        std::vector<TSourceRow> rows;
        for (auto _ : State) {
            source.ReadRows(first, 40, rows);
            if (rows.size() != 40) State.SkipWithError("short page");
        }
    });
    State.SetLabel(OrderNames[order]);
}
BENCHMARK(BM_PageAt)->ArgsProduct({{Own, Indexed, Unindexed}, {0, 1, 2}})->Unit(benchmark::kMillisecond);

// Page Down through the middle: each page starts 40 rows after the last one.
void BM_PageStep(benchmark::State& State)
{
    const int order = static_cast<int>(State.range(0));
    TBenchDb* db = Db(State);
    if (!db) return;
    Guarded(State, [&] {
        TPgSource& source = db->Source(order);
        std::vector<TSourceRow> rows;
        std::int64_t first = Position(*db, 1);
        for (auto _ : State) {
            source.ReadRows(first, 40, rows);
            first += 40;
        }
    });
    State.SetLabel(OrderNames[order]);
}
BENCHMARK(BM_PageStep)->DenseRange(Own, Unindexed)->Unit(benchmark::kMillisecond);

// The naive query a grid would send without the index: LIMIT 40 OFFSET n, in the order an index
// on the column serves.
void BM_NaiveOffset(benchmark::State& State)
{
    const int order = static_cast<int>(State.range(0));
    TBenchDb* db = Db(State);
    if (!db) return;
    const std::int64_t first = Position(*db, static_cast<int>(State.range(1)));
    const char* const orderBy[] = {"id", "amount, id", "customer, id"};
    const std::string sql = std::string("SELECT * FROM orders ORDER BY ") + orderBy[order] + " LIMIT 40 OFFSET " + std::to_string(first);
    PGconn* conn = db->Conn.get();
    for (auto _ : State) {
        PGresult* result = PQexec(conn, sql.c_str());
        if (PQntuples(result) != 40) State.SkipWithError(PQresultErrorMessage(result));
        PQclear(result);
    }
    State.SetLabel(OrderNames[order]);
}
BENCHMARK(BM_NaiveOffset)->ArgsProduct({{Own, Indexed}, {0, 1, 2}})->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
