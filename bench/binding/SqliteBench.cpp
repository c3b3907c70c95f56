// The SQLite source over 10,000,000 orders: opening (the key index), the first page at the first,
// middle and last record, a page step, ordering by an indexed and an unindexed column, beside the
// naive LIMIT/OFFSET query, in this process and in the sqlite3 shell.
//
// The database is made once in $ZEL_BENCH_DIR (default: the system's temporary folder) as
// zelgrid-orders-10m.db and reused by later runs.
#include "binding/SqliteSource.h"

#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <memory>
#include <sqlite3.h>
#include <string>

namespace {

constexpr std::int64_t KRecords = 10'000'000;
constexpr int KPage = 40;

void Exec(sqlite3* Db, const std::string& Sql)
{
    char* Error = nullptr;
    if (sqlite3_exec(Db, Sql.c_str(), nullptr, nullptr, &Error) != SQLITE_OK) {
        std::cerr << "SQL failed: " << (Error ? Error : "?") << "\n";
        std::exit(1);
    }
}

std::string DatabasePath()
{
    const char* Dir = std::getenv("ZEL_BENCH_DIR");
    const std::filesystem::path Folder
        = Dir && *Dir ? std::filesystem::path(Dir) : std::filesystem::temp_directory_path();
    return (Folder / "zelgrid-orders-10m.db").string();
}

// The orders table: customer is indexed, amount is not. Written under another name and renamed
// when complete, so that an interrupted run leaves nothing that a later one would reuse.
const std::string& Database()
{
    static const std::string Path = [] {
        const std::string File = DatabasePath();
        if (std::filesystem::exists(File)) {
            std::cout << "Reusing " << File << "\n";
            return File;
        }
        const std::string Partial = File + ".partial";
        std::filesystem::remove(Partial);
        const auto Began = std::chrono::steady_clock::now();
        sqlite3* Db = nullptr;
        if (sqlite3_open(Partial.c_str(), &Db) != SQLITE_OK) {
            std::cerr << "Cannot create " << Partial << "\n";
            std::exit(1);
        }
        Exec(Db,
            "PRAGMA journal_mode = OFF; PRAGMA synchronous = OFF; PRAGMA cache_size = -262144;"
            "CREATE TABLE orders (id INTEGER PRIMARY KEY, customer TEXT, amount REAL, qty INTEGER, placed DATE);"
            "BEGIN;"
            "WITH RECURSIVE i(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM i WHERE x < "
                + std::to_string(KRecords)
                + ") INSERT INTO orders SELECT x, 'Customer ' || ((x * 7919) % 100003), ((x * 104729) % 1000003) / "
                  "100.0,"
                  " 1 + x % 50, date('2020-01-01', '+' || (x % 1500) || ' days') FROM i;"
                  "COMMIT;"
                  "CREATE INDEX orders_customer ON orders (customer);");
        sqlite3_close(Db);
        std::filesystem::rename(Partial, File);
        const double Seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - Began).count();
        std::cout << "Created " << File << " (" << KRecords << " records) in " << Seconds << " s\n";
        return File;
    }();
    return Path;
}

TSqliteSource& Source()
{
    static std::unique_ptr<TSqliteSource> Shared = [] {
        auto Made = std::make_unique<TSqliteSource>(Database(), "orders");
        Made->RowCount(); // builds the key index
        return Made;
    }();
    return *Shared;
}

// Opening the table and building its key index: what stands before the first frame.
void BM_OpenAndIndex(benchmark::State& State)
{
    const std::string& File = Database();
    for (auto _ : State) {
        TSqliteSource Opened(File, "orders");
        benchmark::DoNotOptimize(Opened.RowCount());
    }
}
BENCHMARK(BM_OpenAndIndex)->Unit(benchmark::kMillisecond)->Iterations(3);

// The first complete page at a position (0 first, 1 middle, 2 last), no earlier read to start from.
void BM_FirstPage(benchmark::State& State, int Col, TSortDirection Direction)
{
    TSqliteSource& S = Source();
    if (S.OrderColumn() != Col || S.OrderDirection() != Direction) S.SetOrder(Col, Direction);
    const std::int64_t Positions[] = { 0, KRecords / 2, KRecords - KPage };
    const std::int64_t First = Positions[State.range(0)];
    std::vector<TSourceRow> Rows;
    for (auto _ : State) {
        S.ReadRows(First, KPage, Rows);
        if (Rows.size() != KPage) State.SkipWithError("short page");
    }
}
BENCHMARK_CAPTURE(BM_FirstPage, stored_order, -1, TSortDirection::None)
    ->DenseRange(0, 2)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_FirstPage, by_indexed_customer, 1, TSortDirection::Ascending)
    ->DenseRange(0, 2)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_FirstPage, by_unindexed_amount, 2, TSortDirection::Ascending)
    ->DenseRange(0, 2)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2);

// Paging down from the middle: each read starts where the last one ended.
void BM_PageStep(benchmark::State& State)
{
    TSqliteSource& S = Source();
    if (S.OrderColumn() != -1) S.SetOrder(-1, TSortDirection::None);
    std::vector<TSourceRow> Rows;
    std::int64_t First = KRecords / 2;
    for (auto _ : State) {
        S.ReadRows(First, KPage, Rows);
        First += KPage;
        if (First + KPage > KRecords) First = KRecords / 2;
    }
}
BENCHMARK(BM_PageStep)->Unit(benchmark::kMicrosecond);

// Ordering by a column (1 customer, indexed; 2 amount, not) and back to the stored order.
void BM_SetOrder(benchmark::State& State)
{
    TSqliteSource& S = Source();
    for (auto _ : State) {
        S.SetOrder(static_cast<int>(State.range(0)), TSortDirection::Ascending);
        State.PauseTiming();
        S.SetOrder(-1, TSortDirection::None);
        State.ResumeTiming();
    }
}
BENCHMARK(BM_SetOrder)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->Iterations(1);

// F5 when nothing changed: the database's data version says so without reading the table.
void BM_RefreshUnchanged(benchmark::State& State)
{
    TSqliteSource& S = Source();
    for (auto _ : State) S.Refresh();
}
BENCHMARK(BM_RefreshUnchanged)->Unit(benchmark::kMicrosecond);

// A committed edit in the middle of the stored order: one UPDATE by key in its own transaction,
// synced to disk, and the page read again. The quantity alternates, so the table stays as made.
void BM_UpdateCell(benchmark::State& State)
{
    TSqliteSource& S = Source();
    if (S.OrderColumn() != -1) S.SetOrder(-1, TSortDirection::None);
    std::vector<TSourceRow> Rows;
    S.ReadRows(KRecords / 2, 1, Rows);
    const std::string Stored = Rows.at(0).at(3); // 1 to 50
    int Turn = 0;
    for (auto _ : State) {
        if (!S.UpdateCell(KRecords / 2, 3, Turn++ % 2 ? Stored : "99").empty()) State.SkipWithError("refused");
        S.ReadRows(KRecords / 2, KPage, Rows);
    }
    if (Turn % 2) S.UpdateCell(KRecords / 2, 3, Stored);
}
BENCHMARK(BM_UpdateCell)->Unit(benchmark::kMillisecond)->Iterations(20);

// The naive way to the last page, in this process.
void BM_NaiveOffset(benchmark::State& State)
{
    sqlite3* Db = nullptr;
    sqlite3_open_v2(Database().c_str(), &Db, SQLITE_OPEN_READONLY, nullptr);
    const std::string Sql = "SELECT * FROM orders LIMIT 40 OFFSET " + std::to_string(KRecords - KPage);
    for (auto _ : State) {
        sqlite3_stmt* Stmt = nullptr;
        sqlite3_prepare_v2(Db, Sql.c_str(), -1, &Stmt, nullptr);
        int Rows = 0;
        while (sqlite3_step(Stmt) == SQLITE_ROW) ++Rows;
        sqlite3_finalize(Stmt);
        if (Rows != KPage) State.SkipWithError("short page");
    }
    sqlite3_close(Db);
}
BENCHMARK(BM_NaiveOffset)->Unit(benchmark::kMillisecond)->Iterations(3);

// The same query in the sqlite3 shell, timed by the shell itself (".timer on", real time).
void BM_NaiveOffsetInShell(benchmark::State& State)
{
    // The shell times statements it reads from its input, not those given as arguments.
    const std::string Command = "printf '.timer on\\nSELECT * FROM orders LIMIT 40 OFFSET "
        + std::to_string(KRecords - KPage) + ";\\n' | sqlite3 -readonly '" + Database() + "' 2>&1";
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
}
BENCHMARK(BM_NaiveOffsetInShell)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    Database();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
