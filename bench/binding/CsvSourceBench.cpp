// The CSV source: indexing speed (MB/s, the file in the page cache), the memory its index takes
// beyond the mapped file (anonymous resident bytes per record), the load of very wide files of one
// size, and sorting by a number and by a text. The files are made in a temporary folder of the
// run and removed with it.
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "binding/CsvSource.h"

namespace {

// A folder of the run's own, removed with what it holds when the run ends.
const std::string& BenchFolder()
{
    static struct TFolder {
        std::string Path;
        TFolder()
        {
            char name[] = "/tmp/zel_csv_bench_XXXXXX";
            if (!::mkdtemp(name)) throw std::runtime_error("cannot make a temporary folder");
            Path = name;
        }
        ~TFolder() { std::filesystem::remove_all(Path); }
    } folder;
    return folder.Path;
}

// Orders-like records of about 90 bytes, every tenth with a quoted note holding a comma and
// every hundredth one with a line break. Accented, every customer's name has letters past ASCII
// (in UTF-8) and every thousandth record a byte that is not UTF-8 (read as Latin-1).
std::string OrdersFile(std::size_t Bytes, bool Accented = false)
{
    // Made once a run: the largest is a gigabyte.
    static std::map<std::pair<std::size_t, bool>, std::string> made;
    if (auto at = made.find({Bytes, Accented}); at != made.end()) return at->second;
    const std::string path = BenchFolder() + "/orders_" + std::to_string(Bytes >> 20) + (Accented ? "mb_accented.csv" : "mb.csv");
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    std::string chunk = "Number,Date,Customer,Amount,Status,Note\n";
    std::size_t written = 0;
    char line[256];
    for (std::uint64_t i = 1; written < Bytes; ++i) {
        const char* note = i % 100 == 0 ? "\"two\nlines\"" : i % 10 == 0 ? "\"late, call first\"" : "standard delivery";
        const char* customer = !Accented ? "Customer" : i % 1000 == 0 ? "Kunde M\xFCller" : "Kunde M\xC3\xBCller";
        const int n = std::snprintf(line, sizeof line, "%llu,2024-%02llu-%02llu,%s %llu Ltd,%llu.%02llu,Shipped,%s\n",
                                    static_cast<unsigned long long>(i), static_cast<unsigned long long>(i % 12 + 1),
                                    static_cast<unsigned long long>(i % 28 + 1), customer, static_cast<unsigned long long>(i * 7919 % 5000),
                                    static_cast<unsigned long long>(i * 31 % 100000), static_cast<unsigned long long>(i % 100), note);
        chunk.append(line, static_cast<std::size_t>(n));
        if (chunk.size() > (1 << 20)) {
            out << chunk;
            written += chunk.size();
            chunk.clear();
        }
    }
    out << chunk;
    made[{Bytes, Accented}] = path;
    return path;
}

// About Bytes of records of Columns fields each (a header naming them, then numbers).
std::string WideFile(int Columns, std::size_t Bytes)
{
    const std::string path = BenchFolder() + "/wide_" + std::to_string(Columns) + ".csv";
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    std::size_t written = 0;
    for (int r = 0; written < Bytes; ++r) {
        std::string line;
        for (int c = 0; c < Columns; ++c) line += (c ? "," : "") + (r ? std::to_string(r * 7 + c) : "col" + std::to_string(c));
        line += "\n";
        out << line;
        written += line.size();
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

void CsvIndex(benchmark::State& State, bool Accented)
{
    const std::size_t bytes = static_cast<std::size_t>(State.range(0)) << 20;
    const std::string path = OrdersFile(bytes, Accented);
    // Large blocks always come from and go back to the system, so that each run's index shows in
    // the resident size (glibc otherwise raises the threshold after the first free).
    mallopt(M_MMAP_THRESHOLD, 1 << 20);
    std::int64_t records = 0, latin1 = 0;
    double anonPerRecord = 0, indexPerRecord = 0;
    for (auto _ : State) {
        const std::int64_t before = ResidentAnonymous();
        TCsvSource source(path);
        State.PauseTiming();
        records = source.RowCount();
        latin1 = source.Latin1().Records;
        anonPerRecord = static_cast<double>(ResidentAnonymous() - before) / static_cast<double>(records);
        indexPerRecord = static_cast<double>(source.IndexBytes()) / static_cast<double>(records);
        State.ResumeTiming();
    }
    State.SetBytesProcessed(static_cast<std::int64_t>(State.iterations()) * static_cast<std::int64_t>(bytes));
    State.counters["records"] = static_cast<double>(records);
    State.counters["latin1_records"] = static_cast<double>(latin1);
    State.counters["anon_bytes_per_record"] = anonPerRecord;
    State.counters["index_bytes_per_record"] = indexPerRecord;
}
BENCHMARK_CAPTURE(CsvIndex, ascii, false)->Arg(64)->Arg(1024)->Unit(benchmark::kMillisecond)->UseRealTime();
// Every record holds letters past ASCII, which the index checks for UTF-8.
BENCHMARK_CAPTURE(CsvIndex, accented, true)->Arg(1024)->Unit(benchmark::kMillisecond)->UseRealTime();

// Linear in the size: files of one size load in about one time, however many columns they have.
void CsvWideFile(benchmark::State& State)
{
    const int columns = static_cast<int>(State.range(0));
    const std::size_t bytes = std::size_t{16} << 20;
    const std::string path = WideFile(columns, bytes);
    for (auto _ : State) {
        TCsvSource source(path);
        benchmark::DoNotOptimize(source.Columns().data());
    }
    State.SetBytesProcessed(static_cast<std::int64_t>(State.iterations()) * static_cast<std::int64_t>(std::filesystem::file_size(path)));
    std::filesystem::remove(path);
}
BENCHMARK(CsvWideFile)->Arg(1024)->Arg(16384)->Arg(65535)->Unit(benchmark::kMillisecond)->UseRealTime();

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
