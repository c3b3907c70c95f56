#include "apps/zelgrid-demo/OrdersDatabase.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "binding/GeneratedOrdersSource.h"

namespace fs = std::filesystem;

namespace {

// The constraints are named for what they ask, so that the database's refusal reads as a reason:
// "CHECK constraint failed: a date is written YYYY-MM-DD". A date goes through a day count, so
// that 2026-02-30 comes back as another day and is refused.
const char* const Schema = R"(
CREATE TABLE orders (
  Number INTEGER PRIMARY KEY,
  Date DATE NOT NULL DEFAULT (date('now'))
    CONSTRAINT "a date is written YYYY-MM-DD" CHECK (date(Date, '+0 days') IS Date),
  Customer TEXT NOT NULL DEFAULT '',
  Amount NUMERIC NOT NULL DEFAULT 0
    CONSTRAINT "an amount is a number" CHECK (typeof(Amount) IN ('integer', 'real')),
  Status TEXT NOT NULL DEFAULT 'New'
    CONSTRAINT "the status is New, Confirmed, Shipped, Delivered or Cancelled"
    CHECK (Status IN ('New', 'Confirmed', 'Shipped', 'Delivered', 'Cancelled')),
  Paid TEXT NOT NULL DEFAULT 'No' CONSTRAINT "paid is Yes or No" CHECK (Paid IN ('Yes', 'No')),
  Tags TEXT NOT NULL DEFAULT '',
  Note TEXT NOT NULL DEFAULT ''
);
)";

// Columns sorted often get an index, so that sorting by them reads it; the others sort through
// the source's own copy.
const char* const Indexes[] = {
    "CREATE INDEX orders_date ON orders (Date)",
    "CREATE INDEX orders_customer ON orders (Customer)",
    "CREATE INDEX orders_amount ON orders (Amount)",
};

// The share of the work the records take; the indexes take the rest before the source reads.
constexpr double RecordsShare = 0.75, IndexesShare = 0.2;

class TDatabaseFile {
public:
    explicit TDatabaseFile(const std::string& Path)
    {
        if (sqlite3_open_v2(Path.c_str(), &FDb, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK)
            Fail("Cannot create " + Path);
    }
    ~TDatabaseFile() { sqlite3_close_v2(FDb); }
    TDatabaseFile(const TDatabaseFile&) = delete;
    TDatabaseFile& operator=(const TDatabaseFile&) = delete;

    void Exec(const char* Sql)
    {
        if (sqlite3_exec(FDb, Sql, nullptr, nullptr, nullptr) != SQLITE_OK) Fail("Cannot create the orders database");
    }
    [[noreturn]] void Fail(const std::string& What) const
    {
        throw ESourceError(What + ": " + (FDb ? sqlite3_errmsg(FDb) : "out of memory"));
    }
    sqlite3* Handle() const { return FDb; }

private:
    sqlite3* FDb = nullptr;
};

void WriteRecords(TDatabaseFile& File, std::int64_t Count, const TSourceProgress& Progress)
{
    TGeneratedOrdersSource records(Count);
    sqlite3_stmt* insert = nullptr;
    if (sqlite3_prepare_v2(File.Handle(), "INSERT INTO orders VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8)", -1, &insert,
                           nullptr) != SQLITE_OK)
        File.Fail("Cannot create the orders database");
    struct TFinalize {
        sqlite3_stmt* Statement;
        ~TFinalize() { sqlite3_finalize(Statement); }
    } finalize{insert};
    constexpr int Chunk = 8192;
    std::vector<TSourceRow> rows;
    for (std::int64_t first = 0; first < Count; first += Chunk) {
        if (Progress && !Progress(RecordsShare * static_cast<double>(first) / static_cast<double>(Count)))
            throw ESourceCancelled();
        records.ReadRows(first, Chunk, rows);
        for (const TSourceRow& row : rows) {
            sqlite3_bind_int64(insert, 1, std::strtoll(row[0].c_str(), nullptr, 10));
            sqlite3_bind_text(insert, 2, row[1].c_str(), -1, SQLITE_STATIC);
            sqlite3_bind_text(insert, 3, row[2].c_str(), -1, SQLITE_STATIC);
            sqlite3_bind_double(insert, 4, std::strtod(row[3].c_str(), nullptr));
            for (int c = 4; c < 8; ++c)
                sqlite3_bind_text(insert, c + 1, row[static_cast<std::size_t>(c)].c_str(), -1, SQLITE_STATIC);
            if (sqlite3_step(insert) != SQLITE_DONE) File.Fail("Cannot create the orders database");
            sqlite3_reset(insert);
        }
    }
}

// Makes what is written to Path survive a crash before the rename publishes it.
void SyncFile(const std::string& Path)
{
    const int fd = ::open(Path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0 || ::fsync(fd) != 0) {
        if (fd >= 0) ::close(fd);
        throw ESourceError("Cannot write " + Path + ": " + std::generic_category().message(errno));
    }
    ::close(fd);
}

} // namespace

std::string DefaultOrdersDatabase()
{
    if (const char* data = std::getenv("XDG_DATA_HOME"); data && *data) return std::string(data) + "/zelgrid-demo/orders.db";
    if (const char* home = std::getenv("HOME"); home && *home) return std::string(home) + "/.local/share/zelgrid-demo/orders.db";
    return {};
}

void CreateOrdersDatabase(const std::string& Path, std::int64_t Count, const TSourceProgress& Progress)
{
    const std::string part = Path + ".part";
    std::error_code error;
    const fs::path folder = fs::path(Path).parent_path();
    if (!folder.empty() && !fs::create_directories(folder, error) && error)
        throw ESourceError("Cannot make the folder " + folder.string() + ": " + error.message());
    // A part left by a run that was stopped is started again.
    fs::remove(part, error);
    try {
        {
            TDatabaseFile file(part);
            // The file is published only when whole, so it needs no journal while it is made.
            file.Exec("PRAGMA journal_mode = OFF; PRAGMA synchronous = OFF");
            file.Exec(Schema);
            file.Exec("BEGIN");
            WriteRecords(file, Count, Progress);
            // An index takes a second or so: SQLite asks between its steps whether to go on.
            struct TAsk {
                const TSourceProgress& Progress;
                double Fraction = 0;
                bool Stopped = false;
            } ask{Progress};
            sqlite3_progress_handler(
                file.Handle(), 100000,
                [](void* Data) {
                    auto* a = static_cast<TAsk*>(Data);
                    a->Stopped = a->Stopped || (a->Progress && !a->Progress(a->Fraction));
                    return a->Stopped ? 1 : 0;
                },
                &ask);
            int done = 0;
            for (const char* index : Indexes) {
                ask.Fraction = RecordsShare + IndexesShare * done++ / static_cast<double>(std::size(Indexes));
                if (Progress && !Progress(ask.Fraction)) throw ESourceCancelled();
                if (sqlite3_exec(file.Handle(), index, nullptr, nullptr, nullptr) != SQLITE_OK) {
                    if (ask.Stopped) throw ESourceCancelled();
                    file.Fail("Cannot create the orders database");
                }
            }
            sqlite3_progress_handler(file.Handle(), 0, nullptr, nullptr);
            file.Exec("COMMIT");
        }
        SyncFile(part);
        fs::rename(part, Path, error);
        if (error) throw ESourceError("Cannot write " + Path + ": " + error.message());
    } catch (...) {
        fs::remove(part, error);
        throw;
    }
}

TDemoOrdersSource::TDemoOrdersSource(std::string Path, std::int64_t Count) : FPath(std::move(Path)), FCount(Count)
{
    std::error_code error;
    if (fs::exists(FPath, error)) FDatabase = std::make_unique<TSqliteSource>(FPath, "orders");
    FCreated = FDatabase != nullptr;
}

TDemoOrdersSource::~TDemoOrdersSource() = default;

std::string TDemoOrdersSource::Description() const
{
    return FDatabase ? FDatabase->Description() : fs::path(FPath).filename().string() + ", table orders";
}

const std::vector<TSourceColumn>& TDemoOrdersSource::Columns() const
{
    // Until the file is made: the columns it will have, as the database names and types them.
    static const std::vector<TSourceColumn> planned = {
        {"Number", TSourceColumnKind::Integer}, {"Date", TSourceColumnKind::Date}, {"Customer", TSourceColumnKind::Text},
        {"Amount", TSourceColumnKind::Number},  {"Status", TSourceColumnKind::Text}, {"Paid", TSourceColumnKind::Text},
        {"Tags", TSourceColumnKind::Text},      {"Note", TSourceColumnKind::Text}};
    return FDatabase ? FDatabase->Columns() : planned;
}

void TDemoOrdersSource::ReadRows(std::int64_t First, int Count, std::vector<TSourceRow>& Rows)
{
    if (FDatabase) FDatabase->ReadRows(First, Count, Rows);
    else Rows.clear();
}

namespace {
const char* const NotYet = "The orders database is not made yet: F5 makes it";
}

std::string TDemoOrdersSource::UpdateCell(std::int64_t Row, int Col, const std::string& Value)
{
    return FDatabase ? FDatabase->UpdateCell(Row, Col, Value) : NotYet;
}

std::string TDemoOrdersSource::InsertRecord(std::int64_t& Row)
{
    return FDatabase ? FDatabase->InsertRecord(Row) : NotYet;
}

std::string TDemoOrdersSource::DeleteRecord(std::int64_t Row) { return FDatabase ? FDatabase->DeleteRecord(Row) : NotYet; }

void TDemoOrdersSource::SetOrder(int Col, TSortDirection Direction, const TSourceProgress& Progress)
{
    if (!FDatabase) throw ESourceError(NotYet);
    FDatabase->SetOrder(Col, Direction, Progress);
}

TSortDirection TDemoOrdersSource::OrderDirection() const
{
    return FDatabase ? FDatabase->OrderDirection() : TSortDirection::None;
}

void TDemoOrdersSource::Refresh(const TSourceProgress& Progress)
{
    if (FDatabase) {
        FDatabase->Refresh(Progress);
        return;
    }
    CreateOrdersDatabase(FPath, FCount, Progress);
    auto database = std::make_unique<TSqliteSource>(FPath, "orders");
    constexpr double Made = RecordsShare + IndexesShare;
    database->Refresh([&Progress](double Fraction) { return !Progress || Progress(Made + (1 - Made) * Fraction); });
    FDatabase = std::move(database);
    FCreated = true;
}
