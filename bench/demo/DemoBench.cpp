// The demo's table: a CSV file of 1,000,000 order lines read into a table (bound: about a
// second), the generated million records built, and a million records sorted by a column (bound:
// well under a second, as after a click on a title).
#include <benchmark/benchmark.h>

#include "apps/zelgrid-demo/CsvReader.h"
#include "binding/ChangeLog.h"

namespace {

std::string MillionLines()
{
    const TDemoTable source = TDemoTable::Generated(1'000'000);
    std::vector<std::string> fields;
    for (int c = 0; c < source.ColCount(); ++c) fields.push_back(source.ColumnName(c));
    std::string text = CsvLine(fields);
    for (int r = 0; r < source.RowCount(); ++r) {
        for (int c = 0; c < source.ColCount(); ++c) fields[c] = source.Cell(c, r);
        text += CsvLine(fields);
    }
    return text;
}

void BM_CsvLoadMillionLines(benchmark::State& state)
{
    static const std::string text = MillionLines();
    for (auto _ : state) {
        TDemoTable table = ReadCsv(text);
        benchmark::DoNotOptimize(table.RowCount());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_CsvLoadMillionLines)->Unit(benchmark::kMillisecond);

void BM_GenerateMillionRecords(benchmark::State& state)
{
    for (auto _ : state) {
        TDemoTable table = TDemoTable::Generated(1'000'000);
        benchmark::DoNotOptimize(table.AmountTotal());
    }
}
BENCHMARK(BM_GenerateMillionRecords)->Unit(benchmark::kMillisecond);

// Sorts a fresh copy of the table each time, so that no run starts from its own result.
void SortMillion(benchmark::State& state, const TDemoTable& Source)
{
    const int col = static_cast<int>(state.range(0));
    const bool descending = state.range(1) != 0;
    for (auto _ : state) {
        state.PauseTiming();
        TDemoTable table = Source;
        state.ResumeTiming();
        benchmark::DoNotOptimize(table.SortBy(col, descending, 500'000));
    }
    state.SetLabel(Source.ColumnName(col) + (descending ? " descending" : ""));
}

// Generated records: typed fields come from the record number, text through the rank of each
// distinct value. Columns: 0 Number, 1 Date, 2 Customer, 3 Amount, 7 Note.
void BM_SortMillionGeneratedRecords(benchmark::State& state)
{
    static const TDemoTable source = TDemoTable::Generated(1'000'000);
    SortMillion(state, source);
}
BENCHMARK(BM_SortMillionGeneratedRecords)
    ->Args({0, 1})->Args({1, 0})->Args({2, 0})->Args({3, 0})->Args({7, 0})->Unit(benchmark::kMillisecond);

// The same records read from a CSV file: every value is parsed from its stored text.
void BM_SortMillionCsvRecords(benchmark::State& state)
{
    static const TDemoTable source = ReadCsv(MillionLines());
    SortMillion(state, source);
}
BENCHMARK(BM_SortMillionCsvRecords)->Args({1, 0})->Args({2, 0})->Args({3, 1})->Unit(benchmark::kMillisecond);

} // namespace
