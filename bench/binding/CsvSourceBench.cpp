// The CSV source: indexing speed (MB/s, the file in the page cache), the memory its index takes
// beyond the mapped file (anonymous resident bytes per record), the load of a very wide file and
// sorting by a number and by a text.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <string>

#include "binding/CsvSource.h"

namespace {

// Orders-like records of about 90 bytes, every tenth with a quoted note holding a comma and
// every hundredth one with a line break.
std::string OrdersFile(std::size_t Bytes)
{
    // Made once a run and removed when it ends: the largest is a gigabyte.
    static struct TMadeFiles : std::map<std::size_t, std::string> {
        ~TMadeFiles()
        {
            for (const auto& [bytes, path] : *this) std::remove(path.c_str());
        }
    } made;
    if (auto at = made.find(Bytes); at != made.end()) return at->second;
    const std::string path = "/tmp/zel_csv_bench_" + std::to_string(Bytes >> 20) + "mb.csv";
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    std::string chunk = "Number,Date,Customer,Amount,Status,Note\n";
    std::size_t written = 0;
    char line[256];
    for (std::uint64_t i = 1; written < Bytes; ++i) {
        const char* note = i % 100 == 0 ? "\"two\nlines\"" : i % 10 == 0 ? "\"late, call first\"" : "standard delivery";
        const int n = std::snprintf(line, sizeof line, "%llu,2024-%02llu-%02llu,Customer %llu Ltd,%llu.%02llu,Shipped,%s\n",
                                    static_cast<unsigned long long>(i), static_cast<unsigned long long>(i % 12 + 1),
                                    static_cast<unsigned long long>(i % 28 + 1), static_cast<unsigned long long>(i * 7919 % 5000),
                                    static_cast<unsigned long long>(i * 31 % 100000), static_cast<unsigned long long>(i % 100), note);
        chunk.append(line, static_cast<std::size_t>(n));
        if (chunk.size() > (1 << 20)) {
            out << chunk;
            written += chunk.size();
            chunk.clear();
        }
    }
    out << chunk;
    made[Bytes] = path;
    return path;
}

std::string WideFile(int Columns)
{
    const std::string path = "/tmp/zel_csv_bench_wide_" + std::to_string(Columns) + ".csv";
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    for (int r = 0; r < 4; ++r) {
        std::string line;
        for (int c = 0; c < Columns; ++c) line += (c ? "," : "") + (r ? std::to_string(r * c) : "col" + std::to_string(c));
        out << line << "\n";
    }
    return path;
}

// Resident anonymous memory of the process, in bytes (the mapped file is not anonymous).
std::int64_t ResidentAnonymous()
{
    std::ifstream status("/proc/self/status");
    std::string key;
    while (status >> key) {
        std::int64_t kb = 0;
        if (key == "RssAnon:" && status >> kb) return kb * 1024;
    }
    return 0;
}

void CsvIndex(benchmark::State& State)
{
    const std::size_t bytes = static_cast<std::size_t>(State.range(0)) << 20;
    const std::string path = OrdersFile(bytes);
    // Large blocks always come from and go back to the system, so that each run's index shows in
    // the resident size (glibc otherwise raises the threshold after the first free).
    mallopt(M_MMAP_THRESHOLD, 1 << 20);
    std::int64_t records = 0;
    double anonPerRecord = 0, indexPerRecord = 0;
    for (auto _ : State) {
        const std::int64_t before = ResidentAnonymous();
        TCsvSource source(path);
        State.PauseTiming();
        records = source.RowCount();
        anonPerRecord = static_cast<double>(ResidentAnonymous() - before) / static_cast<double>(records);
        indexPerRecord = static_cast<double>(source.IndexBytes()) / static_cast<double>(records);
        State.ResumeTiming();
    }
    State.SetBytesProcessed(static_cast<std::int64_t>(State.iterations()) * static_cast<std::int64_t>(bytes));
    State.counters["records"] = static_cast<double>(records);
    State.counters["anon_bytes_per_record"] = anonPerRecord;
    State.counters["index_bytes_per_record"] = indexPerRecord;
}
BENCHMARK(CsvIndex)->Arg(64)->Arg(1024)->Unit(benchmark::kMillisecond)->UseRealTime();

// Linear in the size: the time per column stays flat as the columns grow.
void CsvWideFile(benchmark::State& State)
{
    const int columns = static_cast<int>(State.range(0));
    const std::string path = WideFile(columns);
    for (auto _ : State) {
        TCsvSource source(path);
        benchmark::DoNotOptimize(source.Columns().data());
    }
    State.SetComplexityN(columns);
    std::remove(path.c_str());
}
BENCHMARK(CsvWideFile)->Arg(4096)->Arg(16384)->Arg(65535)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);

// Sorting the 64 MB file by the amount (numbers) and by the customer (text).
void CsvSort(benchmark::State& State)
{
    TCsvSource source(OrdersFile(std::size_t{64} << 20));
    const int col = static_cast<int>(State.range(0));
    for (auto _ : State) {
        source.SetOrder(col, TSortDirection::Ascending);
        State.PauseTiming();
        source.SetOrder(col, TSortDirection::None);
        State.ResumeTiming();
    }
    State.counters["records"] = static_cast<double>(source.RowCount());
}
BENCHMARK(CsvSort)->Arg(3)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
