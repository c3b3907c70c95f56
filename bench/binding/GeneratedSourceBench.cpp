// The generated order source at 100,000,000 records: reading a page of 40 rows at the first,
// middle and last row, with and without deleted records before it, and the memory the source
// takes (heap in use and resident set of the process, beside the count).
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <cstdio>
#include <memory>

#include "binding/GeneratedOrdersSource.h"

namespace {

constexpr std::int64_t Records = 100000000;

// Resident bytes of this process.
double ResidentBytes()
{
    long pages = 0, resident = 0;
    if (std::FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
        std::fclose(f);
    }
    return static_cast<double>(resident) * 4096;
}

// Arg 0: where (0 first, 1 middle, 2 last); Arg 1: records deleted before reading.
void BM_GeneratedPage(benchmark::State& State)
{
    const double heapBefore = static_cast<double>(mallinfo2().uordblks);
    TGeneratedOrdersSource source(Records);
    for (std::int64_t i = 0; i < State.range(1); ++i) source.DeleteRecord(i * 997 % (Records - i));
    const std::int64_t first = State.range(0) == 0 ? 0 : State.range(0) == 1 ? source.RowCount() / 2 : source.RowCount() - 40;
    std::vector<TSourceRow> rows;
    for (auto _ : State) {
        source.ReadRows(first, 40, rows);
        benchmark::DoNotOptimize(rows.data());
    }
    State.counters["heap_bytes"] = static_cast<double>(mallinfo2().uordblks) - heapBefore;
    State.counters["resident_MB"] = ResidentBytes() / (1 << 20);
    State.counters["rows"] = static_cast<double>(source.RowCount());
}
BENCHMARK(BM_GeneratedPage)->ArgNames({"where", "deleted"})->ArgsProduct({{0, 1, 2}, {0, 10000}});

// Opening a source of 100,000,000 records, for the resident set beside an empty process.
void BM_GeneratedOpen(benchmark::State& State)
{
    for (auto _ : State) {
        auto source = std::make_unique<TGeneratedOrdersSource>(Records);
        benchmark::DoNotOptimize(source->RowCount());
    }
    State.counters["resident_MB"] = ResidentBytes() / (1 << 20);
}
BENCHMARK(BM_GeneratedOpen);

// Sorting 10,000,000 records by an amount (counting sort of the generated keys).
void BM_GeneratedSort(benchmark::State& State)
{
    TGeneratedOrdersSource source(10000000);
    for (auto _ : State) {
        source.SetOrder(static_cast<int>(State.range(0)), TSortDirection::Ascending);
        State.PauseTiming();
        State.counters["resident_MB"] = ResidentBytes() / (1 << 20);
        source.SetOrder(-1, TSortDirection::None);
        State.ResumeTiming();
    }
}
BENCHMARK(BM_GeneratedSort)->ArgName("column")->Arg(1)->Arg(2)->Arg(3)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
