// The SQLite source over a table of orders (ZEL_BENCH_ROWS records, 1,000,000 unless it says
// 10000000): opening (the key index); the first complete frame of the grid through the binding
// at the first, middle and last record and a Page Down, in the stored order, by an indexed column
// and by one no index serves; ordering by those columns; beside the naive LIMIT/OFFSET query in
// this process and in the sqlite3 shell. The database is made once per run in a folder of the run,
// removed at exit.
#include "bench/binding/FrameScene.h"
#include "binding/SqliteSource.h"

#include <chrono>
#include <cstdio>
#include <iostream>
#include <map>
#include <sqlite3.h>

using namespace FrameBench;

namespace {

constexpr int KPage = 40;

void Exec(sqlite3* Db, const std::string& Sql)
{
    char* Error = nullptr;
    if (sqlite3_exec(Db, Sql.c_str(), nullptr, nullptr, &Error) != SQLITE_OK) {
        std::cerr << "SQL failed: " << (Error ? Error : "?") << "\n";
        std::exit(1);
    }
}

const std::string& Database()
{
    static const std::string Path = [] {
        const std::string File = TRunFolder::Path() + "/orders.db";
        const auto Began = std::chrono::steady_clock::now();
        sqlite3* Db = nullptr;
        if (sqlite3_open(File.c_str(), &Db) != SQLITE_OK) {
            std::cerr << "Cannot create " << File << "\n";
            std::exit(1);
        }
        Exec(Db,
            "PRAGMA journal_mode = OFF; PRAGMA synchronous = OFF; PRAGMA cache_size = -262144;"
            "CREATE TABLE orders (id INTEGER PRIMARY KEY, customer TEXT, amount REAL, qty INTEGER, placed DATE);"
            "BEGIN;"
            "WITH RECURSIVE i(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM i WHERE x < "
                + std::to_string(Rows())
                + ") INSERT INTO orders SELECT x, 'Customer ' || ((x * 7919) % 100003), ((x * 104729) % 1000003) / "
                  "100.0, 1 + x % 50, date('2020-01-01', '+' || (x % 1500) || ' days') FROM i;"
                  "COMMIT;"
                  "CREATE INDEX orders_customer ON orders (customer);");
        sqlite3_close(Db);
        const double Seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - Began).count();
        std::cout << "Made " << File << " (" << Rows() << " records) in " << Seconds << " s\n";
        return File;
    }();
    return Path;
}

// A source per order, its key index built (and for amount its sorted copy made), kept for the run.
TSqliteSource& Source(int Order)
{
    static std::map<int, std::unique_ptr<TSqliteSource>> Sources;
    auto& Made = Sources[Order];
    if (!Made) {
        Made = std::make_unique<TSqliteSource>(Database(), "orders");
        ApplyOrder(*Made, Order);
    }
    return *Made;
}

// Opening the table and building its key index: what the binding's worker does before the first
// rows are shown.
void BM_OpenAndIndex(benchmark::State& State)
{
    const std::string& File = Database();
    for (auto _ : State) {
        TSqliteSource Opened(File, "orders");
        benchmark::DoNotOptimize(Opened.RowCount());
    }
}
BENCHMARK(BM_OpenAndIndex)->Unit(benchmark::kMillisecond)->Iterations(3);

// The grid's first complete frame after a move to the first, middle or last record.
void BM_FirstFrame(benchmark::State& State) { TimeFirstFrame(State, Source(static_cast<int>(State.range(0)))); }
BENCHMARK(BM_FirstFrame)
    ->ArgNames({ "order", "where" })
    ->ArgsProduct({ { Stored, Indexed, Unindexed }, { 0, 1, 2 } })
    ->Unit(benchmark::kMillisecond)
    ->Iterations(20);

// Page Down in the middle of the table: the step and its frame.
void BM_PageStep(benchmark::State& State) { TimePageSteps(State, Source(static_cast<int>(State.range(0)))); }
BENCHMARK(BM_PageStep)->ArgName("order")->DenseRange(Stored, Unindexed)->Unit(benchmark::kMillisecond);

// A title click's work in the source: ordering by customer (indexed) or amount (not), the key
// index of the order built, then back to the stored order (not timed).
void BM_SetOrder(benchmark::State& State)
{
    TSqliteSource Opened(Database(), "orders");
    TimeSetOrder(State, Opened);
}
BENCHMARK(BM_SetOrder)->ArgName("column")->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->Iterations(1);

// F5 when nothing changed: the database's data version says so without reading the table.
void BM_RefreshUnchanged(benchmark::State& State)
{
    TSqliteSource& S = Source(Stored);
    for (auto _ : State) S.Refresh();
}
BENCHMARK(BM_RefreshUnchanged)->Unit(benchmark::kMicrosecond);

// A committed edit in the middle of the stored order: one UPDATE by key in its own transaction,
// synced to disk, and the page read again. The quantity alternates, so the table stays as made.
void BM_UpdateCell(benchmark::State& State)
{
    TSqliteSource& S = Source(Stored);
    const std::int64_t Middle = Rows() / 2;
    std::vector<TSourceRow> Page;
    S.ReadRows(Middle, 1, Page);
    const std::string Kept = Page.at(0).at(3); // 1 to 50
    int Turn = 0;
    for (auto _ : State) {
        if (!S.UpdateCell(Middle, 3, Turn++ % 2 ? Kept : "99").empty()) State.SkipWithError("refused");
        S.ReadRows(Middle, KPage, Page);
    }
    if (Turn % 2) S.UpdateCell(Middle, 3, Kept);
}
BENCHMARK(BM_UpdateCell)->Unit(benchmark::kMillisecond)->Iterations(20);

std::string NaiveQuery(int Where)
{
    return "SELECT * FROM orders LIMIT 40 OFFSET " + std::to_string(PlaceRow(Where, KPage));
}

// The naive way to a page, through the same libsqlite3 in this process.
void BM_NaiveOffset(benchmark::State& State)
{
    sqlite3* Db = nullptr;
    sqlite3_open_v2(Database().c_str(), &Db, SQLITE_OPEN_READONLY, nullptr);
    const std::string Sql = NaiveQuery(static_cast<int>(State.range(0)));
    for (auto _ : State) {
        sqlite3_stmt* Stmt = nullptr;
        sqlite3_prepare_v2(Db, Sql.c_str(), -1, &Stmt, nullptr);
        int Read = 0;
        while (sqlite3_step(Stmt) == SQLITE_ROW) ++Read;
        sqlite3_finalize(Stmt);
        if (Read != KPage) State.SkipWithError("short page");
    }
    sqlite3_close(Db);
    State.SetLabel(PlaceName(static_cast<int>(State.range(0))));
}
BENCHMARK(BM_NaiveOffset)->ArgName("where")->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->Iterations(3);

// The same query in the sqlite3 shell, timed by the shell itself (".timer on", real time).
void BM_NaiveOffsetInShell(benchmark::State& State)
{
    // The shell times statements it reads from its input, not those given as arguments.
    const std::string Command = "printf '.timer on\\n" + NaiveQuery(static_cast<int>(State.range(0)))
        + ";\\n' | sqlite3 -readonly '" + Database() + "' 2>&1";
    for (auto _ : State) {
        FILE* Pipe = popen(Command.c_str(), "r");
        if (!Pipe) {
            State.SkipWithError("cannot run sqlite3");
            break;
        }
        char Line[512];
        double Real = -1;
        while (std::fgets(Line, sizeof Line, Pipe)) std::sscanf(Line, "Run Time: real %lf", &Real);
        pclose(Pipe);
        if (Real < 0) {
            State.SkipWithError("no timing from the sqlite3 shell (is it installed?)");
            break;
        }
        State.SetIterationTime(Real);
    }
    State.SetLabel(PlaceName(static_cast<int>(State.range(0))));
}
BENCHMARK(BM_NaiveOffsetInShell)
    ->ArgName("where")
    ->Arg(1)
    ->Arg(2)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    std::cout << "Records: " << Rows() << " (ZEL_BENCH_ROWS)\n";
    Database();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
