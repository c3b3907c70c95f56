// The demo's table: a CSV file of 1,000,000 order lines read into a table (bound: about a
// second), and the generated million records built.
#include <benchmark/benchmark.h>

#include "apps/zelgrid-demo/CsvReader.h"

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

} // namespace
