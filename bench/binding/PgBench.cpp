// The PostgreSQL source over a table of orders (ZEL_BENCH_ROWS records, 1,000,000 unless it says
// 10000000) on a local server the suite starts itself, as the tests do: opening (count and key
// index); the first complete frame of the grid through the binding at the first, middle and last
// record and a Page Down, in the stored order, by an indexed column and by one no index serves;
// ordering by those columns; beside the naive LIMIT/OFFSET query. The server and its data live
// in a temporary folder for the run, stopped and removed at exit.
#include "bench/binding/FrameScene.h"
#include "binding/PgSource.h"
#include "tests/binding/PgServer.h"

#include <chrono>
#include <iostream>
#include <libpq-fe.h>
#include <map>
#include <stdexcept>

using namespace FrameBench;

namespace {

struct TBenchDb {
    TPgServer Server;
    std::unique_ptr<PGconn, decltype(&PQfinish)> Conn { nullptr, &PQfinish };
    std::map<int, std::unique_ptr<TPgSource>> Sources;

    TBenchDb()
    {
        if (!Server.Available()) throw std::runtime_error(Server.Missing());
        Conn.reset(PQconnectdb(Server.ConnInfo().c_str()));
        if (PQstatus(Conn.get()) != CONNECTION_OK) throw std::runtime_error(PQerrorMessage(Conn.get()));
        const auto began = std::chrono::steady_clock::now();
        Exec("SET maintenance_work_mem = '512MB'");
        Exec("CREATE UNLOGGED TABLE orders (id bigint NOT NULL, customer text, amount numeric(12,2), qty integer, "
             "placed date)");
        Exec("INSERT INTO orders SELECT i, 'Customer ' || (i * 7919 % 100003), (i * 104729 % 1000003) / 100.0, "
             "1 + i % 50, date '2020-01-01' + (i % 1500)::int FROM generate_series(1::bigint, "
            + std::to_string(Rows()) + ") i");
        Exec("ALTER TABLE orders ADD PRIMARY KEY (id)");
        Exec("CREATE INDEX orders_customer ON orders (customer)");
        Exec("VACUUM ANALYZE orders");
        std::cout << "Made the orders table (" << Rows() << " records) in "
                  << std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count() << " s\n";
    }

    void Exec(const std::string& Sql)
    {
        PGresult* result = PQexec(Conn.get(), Sql.c_str());
        const ExecStatusType status = PQresultStatus(result);
        const std::string error = PQresultErrorMessage(result);
        PQclear(result);
        if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) throw std::runtime_error(Sql + ": " + error);
    }

    // A source in the order, its key index built, kept for the run.
    TPgSource& Source(int Order)
    {
        auto& source = Sources[Order];
        if (!source) {
            source = std::make_unique<TPgSource>(Server.ConnInfo(), "orders");
            ApplyOrder(*source, Order);
        }
        return *source;
    }
};

// The database, loaded on first use; nullptr (and the reason) when it could not be made. Errors
// end in a skipped benchmark, never an uncaught exception, so that the server is always stopped.
TBenchDb* Db(benchmark::State* State = nullptr)
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
    if (!db && State) State->SkipWithError(error.c_str());
    if (!db && !State) std::cerr << "No database: " << error << "\n";
    return db.get();
}

// Runs a benchmark's body; a source's error skips the benchmark instead of ending the process
// with the server left running.
template <class TBody> void Guarded(benchmark::State& State, TBody Body)
{
    try {
        Body();
    } catch (const std::exception& error) {
        State.SkipWithError(error.what());
    }
}

// Opening the table, counting its records and building the key index in one snapshot: what the
// binding's worker does before the first rows are shown.
void BM_OpenAndIndex(benchmark::State& State)
{
    TBenchDb* db = Db(&State);
    if (!db) return;
    Guarded(State, [&] {
        for (auto _ : State) {
            TPgSource opened(db->Server.ConnInfo(), "orders");
            benchmark::DoNotOptimize(opened.RowCount());
        }
    });
}
BENCHMARK(BM_OpenAndIndex)->Iterations(3)->Unit(benchmark::kMillisecond);

// The grid's first complete frame after a move to the first, middle or last record.
void BM_FirstFrame(benchmark::State& State)
{
    TBenchDb* db = Db(&State);
    if (!db) return;
    Guarded(State, [&] { TimeFirstFrame(State, db->Source(static_cast<int>(State.range(0)))); });
}
BENCHMARK(BM_FirstFrame)
    ->ArgNames({ "order", "where" })
    ->ArgsProduct({ { Stored, Indexed, Unindexed }, { 0, 1, 2 } })
    ->Unit(benchmark::kMillisecond)
    ->Iterations(20);

// Page Down in the middle of the table: the step and its frame.
void BM_PageStep(benchmark::State& State)
{
    TBenchDb* db = Db(&State);
    if (!db) return;
    Guarded(State, [&] { TimePageSteps(State, db->Source(static_cast<int>(State.range(0)))); });
}
BENCHMARK(BM_PageStep)->ArgName("order")->DenseRange(Stored, Unindexed)->Unit(benchmark::kMillisecond);

// A title click's work in the source: ordering by customer (indexed) or amount (not: a sorted
// copy is made), the key index of the order built, then back to the stored order (not timed).
void BM_SetOrder(benchmark::State& State)
{
    TBenchDb* db = Db(&State);
    if (!db) return;
    Guarded(State, [&] {
        TPgSource source(db->Server.ConnInfo(), "orders");
        TimeSetOrder(State, source);
    });
}
BENCHMARK(BM_SetOrder)->ArgName("column")->Arg(1)->Arg(2)->Iterations(1)->Unit(benchmark::kMillisecond);

// The naive query a grid would send without the index: LIMIT 40 OFFSET n, in the stored order
// and by the indexed column (the index serves the order, the offset still walks n entries). Once
// each: by customer it takes most of a minute at 10,000,000 records.
void BM_NaiveOffset(benchmark::State& State)
{
    const int order = static_cast<int>(State.range(0));
    const int where = static_cast<int>(State.range(1));
    TBenchDb* db = Db(&State);
    if (!db) return;
    const char* const orderBy[] = { "id", "customer, id" };
    const std::string sql = std::string("SELECT * FROM orders ORDER BY ") + orderBy[order] + " LIMIT 40 OFFSET "
        + std::to_string(PlaceRow(where));
    PGconn* conn = db->Conn.get();
    for (auto _ : State) {
        PGresult* result = PQexec(conn, sql.c_str());
        if (PQntuples(result) != 40) State.SkipWithError(PQresultErrorMessage(result));
        PQclear(result);
    }
    State.SetLabel(std::string(OrderName[order]) + ", " + PlaceName(where));
}
BENCHMARK(BM_NaiveOffset)
    ->ArgNames({ "order", "where" })
    ->ArgsProduct({ { Stored, Indexed }, { 1, 2 } })
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    CleanUpOnSignals();
    std::cout << "Records: " << Rows() << " (ZEL_BENCH_ROWS)\n";
    Db();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
