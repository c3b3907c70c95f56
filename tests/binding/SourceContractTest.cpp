// One contract for every table source: the same operations, checked the same way, against each
// kind of source in the list of storages below.
#include <gtest/gtest.h>

#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "PgStorage.h"
#include "SourceContract.h"
#include "binding/CsvSource.h"
#include "binding/MemorySource.h"
#include "binding/SourceValues.h"
#include "binding/SqliteSource.h"

namespace {

constexpr int Rows = 3000;
enum { Id, Name, Amount, Day };

std::string Lower(std::string Text)
{
    for (char& c : Text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    return Text;
}

// The sources that sort in memory compare text without regard to case.
bool CaselessLess(const std::string& A, const std::string& B) { return Lower(A) < Lower(B); }

class TMemoryStorage : public TContractStorage {
public:
    explicit TMemoryStorage(const TContractTable& Table) : FStore(std::make_shared<TMemoryStore>())
    {
        FStore->Columns = Table.Columns;
        for (const TSourceRow& row : Table.Rows) FStore->Add(row);
    }
    std::unique_ptr<TTableSource> Open() override { return std::make_unique<TMemorySource>(FStore); }
    bool TextLess(const std::string& A, const std::string& B) const override { return CaselessLess(A, B); }
    void ChangeOutside(int Record, int Col, const std::string& Value) override
    {
        FStore->Records[static_cast<std::size_t>(Record)].Cells[static_cast<std::size_t>(Col)] = Value;
    }
    void AppendOutside(const TSourceRow& Row) override { FStore->Add(Row); }

private:
    std::shared_ptr<TMemoryStore> FStore;
};

// Rewrites the whole file for a change, through a new file renamed over the old one, as editors
// and exporters do. KeepChanges opens sources that take edits into memory.
class TCsvStorage : public TContractStorage {
public:
    TCsvStorage(const std::string& Dir, const TContractTable& Table, bool KeepChanges)
        : FFile(Dir + "/table.csv"), FTable(Table), FKeepChanges(KeepChanges)
    {
        Write();
    }
    std::unique_ptr<TTableSource> Open() override
    {
        auto source = std::make_unique<TCsvSource>(FFile);
        source->KeepChanges(FKeepChanges);
        return source;
    }
    bool TextLess(const std::string& A, const std::string& B) const override { return CaselessLess(A, B); }
    void ChangeOutside(int Record, int Col, const std::string& Value) override
    {
        FTable.Rows[static_cast<std::size_t>(Record)][static_cast<std::size_t>(Col)] = Value;
        Write();
    }
    void AppendOutside(const TSourceRow& Row) override
    {
        FTable.Rows.push_back(Row);
        Write();
    }

private:
    static std::string Line(const TSourceRow& Fields)
    {
        std::string out;
        for (std::size_t i = 0; i < Fields.size(); ++i) {
            if (i) out += ',';
            if (Fields[i].find_first_of(",\"\r\n") == std::string::npos) {
                out += Fields[i];
                continue;
            }
            out += '"';
            for (const char c : Fields[i]) out += c == '"' ? std::string("\"\"") : std::string(1, c);
            out += '"';
        }
        return out + "\r\n";
    }
    void Write()
    {
        TSourceRow names;
        for (const TSourceColumn& column : FTable.Columns) names.push_back(column.Name);
        std::string text = Line(names);
        for (const TSourceRow& row : FTable.Rows) text += Line(row);
        const std::string temporary = FFile + ".new";
        std::ofstream(temporary, std::ios::binary) << text;
        std::filesystem::rename(temporary, FFile);
    }

    std::string FFile;
    TContractTable FTable;
    bool FKeepChanges;
};

// A table "t" in a database file, changed by another connection. Amount has NUMERIC affinity, so
// whole numbers stay whole ("-20", not "-20.0"), and a CHECK that refuses text; empty values are
// NULL. Text columns declare no collation, so SQLite sorts them by BINARY: byte order, capitals
// before small letters. Indexed, every column has an index and the orders read the table; else
// each order reads the source's private copy of its column.
class TSqliteStorage : public TContractStorage {
public:
    TSqliteStorage(const std::string& Dir, const TContractTable& Table, bool Indexed) : FFile(Dir + "/table.db")
    {
        std::string script = "BEGIN; CREATE TABLE t (\"Id\" INTEGER, \"Name\" TEXT, "
                             "\"Amount\" NUMERIC CHECK (typeof(\"Amount\") IN ('integer', 'real', 'null')), \"Day\" DATE);";
        for (const TSourceRow& row : Table.Rows) script += "INSERT INTO t VALUES " + Values(row) + ";";
        if (Indexed)
            for (const TSourceColumn& column : Table.Columns)
                script += "CREATE INDEX t_" + column.Name + " ON t (\"" + column.Name + "\");";
        Exec(script + "COMMIT;");
    }
    std::unique_ptr<TTableSource> Open() override
    {
        TSqliteOptions options;
        options.IndexStride = 64; // many index entries over a small table
        return std::make_unique<TSqliteSource>(FFile, "t", options);
    }
    bool TextLess(const std::string& A, const std::string& B) const override { return A < B; }
    void ChangeOutside(int Record, int Col, const std::string& Value) override
    {
        static const char* const names[] = {"Id", "Name", "Amount", "Day"};
        Exec(std::string("UPDATE t SET \"") + names[Col] + "\" = " + PgLiteral(Value) + " WHERE rowid = " +
             std::to_string(Record + 1));
    }
    void AppendOutside(const TSourceRow& Row) override { Exec("INSERT INTO t VALUES " + Values(Row)); }

private:
    static std::string Values(const TSourceRow& Row)
    {
        return "(" + Row[0] + ", " + PgLiteral(Row[1]) + ", " + PgLiteral(Row[2]) + ", " + PgLiteral(Row[3]) + ")";
    }
    // Runs SQL on a connection of its own, as another program would.
    void Exec(const std::string& Sql)
    {
        sqlite3* db = nullptr;
        int code = sqlite3_open(FFile.c_str(), &db);
        char* error = nullptr;
        if (code == SQLITE_OK) code = sqlite3_exec(db, Sql.c_str(), nullptr, nullptr, &error);
        const std::string message = error ? error : sqlite3_errmsg(db);
        sqlite3_free(error);
        sqlite3_close(db);
        if (code != SQLITE_OK) throw std::runtime_error(FFile + ": " + message);
    }

    std::string FFile;
};

std::unique_ptr<TContractStorage> MakePgStorage(const TContractTable& Table)
{
    TSharedPgServer& shared = SharedPgServer();
    if (!shared.Server) throw std::runtime_error("the test server did not start: " + shared.Error);
    static int made = 0;
    return std::make_unique<TPgStorage>(*shared.Server, "contract_" + std::to_string(++made), Table.Rows);
}

std::string PgUnavailable()
{
    const TSharedPgServer& shared = SharedPgServer();
    if (shared.Server && !shared.Server->Available())
        return "PostgreSQL tests skipped: " + shared.Server->Missing();
    return {};
}

// Every kind of source the contract runs against: one line each.
const TStorageFactory Storages[] = {
    {"memory", [](const std::string&, const TContractTable& T) { return std::make_unique<TMemoryStorage>(T); }, {}},
    {"csv", [](const std::string& D, const TContractTable& T) { return std::make_unique<TCsvStorage>(D, T, false); }, {}},
    {"csv_changes", [](const std::string& D, const TContractTable& T) { return std::make_unique<TCsvStorage>(D, T, true); }, {}},
    {"sqlite", [](const std::string& D, const TContractTable& T) { return std::make_unique<TSqliteStorage>(D, T, false); }, {}},
    {"sqlite_indexed",
     [](const std::string& D, const TContractTable& T) { return std::make_unique<TSqliteStorage>(D, T, true); }, {}},
    {"postgres", [](const std::string&, const TContractTable& T) { return MakePgStorage(T); }, PgUnavailable},
};

// The order the contract expects, worked out independently of the sources: empty values first,
// numbers by value, dates as ISO text, names in the storage's text order; ties by key. Descending
// is the ascending order reversed, ties included.
std::vector<int> ExpectedOrder(const TContractTable& Table, const TContractStorage& Storage, int Col,
                               TSortDirection Direction)
{
    std::vector<int> order(Table.Rows.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = static_cast<int>(i);
    if (Direction == TSortDirection::None) return order;
    const auto less = [&](int A, int B) {
        const std::string& a = Table.Rows[static_cast<std::size_t>(A)][static_cast<std::size_t>(Col)];
        const std::string& b = Table.Rows[static_cast<std::size_t>(B)][static_cast<std::size_t>(Col)];
        if (a.empty() || b.empty()) return a.empty() && !b.empty();
        if (Col == Id || Col == Amount) return std::stod(a) < std::stod(b);
        if (Col == Name) return Storage.TextLess(a, b);
        return a < b;
    };
    std::stable_sort(order.begin(), order.end(), less);
    if (Direction == TSortDirection::Descending) std::reverse(order.begin(), order.end());
    return order;
}

std::vector<TSourceRow> Read(TTableSource& Source, std::int64_t First, int Count)
{
    std::vector<TSourceRow> rows{TSourceRow{"stale"}};
    Source.ReadRows(First, Count, rows);
    return rows;
}

class SourceContract : public ::testing::TestWithParam<TStorageFactory> {
protected:
    TContractTable Table = TContractTable::Make(Rows);
    std::string Dir;
    std::unique_ptr<TContractStorage> Storage;
    std::unique_ptr<TTableSource> Source;

    void SetUp() override
    {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string test = info->name();
        std::replace(test.begin(), test.end(), '/', '_');
        Dir = ::testing::TempDir() + "contract_" + test;
        std::filesystem::remove_all(Dir);
        std::filesystem::create_directories(Dir);
        if (GetParam().Unavailable) {
            const std::string missing = GetParam().Unavailable();
            if (!missing.empty()) GTEST_SKIP() << missing;
        }
        Storage = GetParam().Make(Dir, Table);
        Source = Storage->Open();
    }
    void TearDown() override
    {
        Source.reset();
        Storage.reset();
        std::filesystem::remove_all(Dir);
    }
    // The rows the source shows, as the contract table's rows in Order from First.
    std::vector<TSourceRow> Expected(const std::vector<int>& Order, std::size_t First, std::size_t Count) const
    {
        std::vector<TSourceRow> rows;
        for (std::size_t i = First; i < std::min(Order.size(), First + Count); ++i)
            rows.push_back(Table.Rows[static_cast<std::size_t>(Order[i])]);
        return rows;
    }
    std::string Cell(std::int64_t Row, int Col)
    {
        const auto rows = Read(*Source, Row, 1);
        return rows.size() == 1 ? rows[0].at(static_cast<std::size_t>(Col)) : "(no row)";
    }
};

} // namespace

TContractTable TContractTable::Make(int Count)
{
    TContractTable table;
    table.Columns = {{"Id", TSourceColumnKind::Integer},
                     {"Name", TSourceColumnKind::Text},
                     {"Amount", TSourceColumnKind::Number},
                     {"Day", TSourceColumnKind::Date}};
    const char* const names[] = {"alpha", "Beta",     "ALPHA", "gamma", "beta", "Zo\xC3\xAB",
                                 "Smith, \"Jr\" O'Neil", "two\nlines", "", "delta", "alphabetical order"};
    for (int i = 0; i < Count; ++i) {
        std::string amount;
        if (i % 13 != 0) amount = std::to_string((i * 37) % 41 - 20) + (i % 2 ? ".5" : "");
        std::string day;
        if (i % 17 != 0) {
            const int d = (i * 11) % 60;
            char text[16];
            std::snprintf(text, sizeof text, "2024-%02d-%02d", d < 31 ? 1 : 2, d < 31 ? d + 1 : d - 30);
            day = text;
        }
        table.Rows.push_back({std::to_string(i + 1), names[(i * 7) % 11], amount, day});
    }
    return table;
}

TEST_P(SourceContract, ColumnsCountsAndCells)
{
    EXPECT_FALSE(Source->Description().empty());
    ASSERT_EQ(Source->Columns().size(), Table.Columns.size());
    for (std::size_t c = 0; c < Table.Columns.size(); ++c) {
        EXPECT_EQ(Source->Columns()[c].Name, Table.Columns[c].Name);
        EXPECT_EQ(Source->Columns()[c].Kind, Table.Columns[c].Kind) << Table.Columns[c].Name;
    }
    EXPECT_EQ(Source->RowCount(), Rows);
    EXPECT_EQ(Source->OrderDirection(), TSortDirection::None);
    EXPECT_EQ(Read(*Source, 0, Rows + 10), Table.Rows);
    // A source that adds up a column itself agrees with the records' own numbers, empties as 0.
    std::string sum;
    if (Source->SumColumn(2, sum)) {
        std::int64_t expected = 0;
        for (const TSourceRow& row : Table.Rows) {
            Currency value;
            if (ParseSourceCurrency(row[2], value)) expected += value.Value;
        }
        EXPECT_EQ(sum, std::to_string(expected));
    }
}

TEST_P(SourceContract, EveryColumnOrdersBothWaysWithTiesByKey)
{
    for (int col : {Id, Name, Amount, Day}) {
        for (TSortDirection direction : {TSortDirection::Ascending, TSortDirection::Descending, TSortDirection::None}) {
            SCOPED_TRACE(Table.Columns[static_cast<std::size_t>(col)].Name + (direction == TSortDirection::Descending ? " desc" : " asc/none"));
            Source->SetOrder(col, direction);
            EXPECT_EQ(Source->OrderDirection(), direction);
            if (direction != TSortDirection::None) {
                EXPECT_EQ(Source->OrderColumn(), col);
            }
            EXPECT_EQ(Read(*Source, 0, Rows), Expected(ExpectedOrder(Table, *Storage, col, direction), 0, Rows));
        }
    }
}

TEST_P(SourceContract, PagesAtTheFirstMiddleAndLastRowInAnyOrder)
{
    const std::pair<int, TSortDirection> orders[] = {
        {Id, TSortDirection::None}, {Name, TSortDirection::Descending}, {Amount, TSortDirection::Ascending}};
    for (const auto& [col, direction] : orders) {
        Source->SetOrder(col, direction);
        const std::vector<int> order = ExpectedOrder(Table, *Storage, col, direction);
        // Jumps as a user makes them: the end, the start, the middle, back and forth by a page.
        for (const std::int64_t first : {Rows - 40, 0, Rows / 2, Rows / 2 + 40, Rows / 2, Rows - 10, 1, Rows - 1}) {
            SCOPED_TRACE("column " + std::to_string(col) + ", rows from " + std::to_string(first));
            EXPECT_EQ(Read(*Source, first, 40), Expected(order, static_cast<std::size_t>(first), 40));
        }
        EXPECT_TRUE(Read(*Source, Rows, 40).empty()) << "past the last row";
        EXPECT_TRUE(Read(*Source, 0, 0).empty());
    }
}

TEST_P(SourceContract, UpdateStoresOrRefusesAndChangesNothing)
{
    Source->SetOrder(Name, TSortDirection::Ascending);
    const std::vector<int> order = ExpectedOrder(Table, *Storage, Name, TSortDirection::Ascending);
    const int record = order[5];
    const std::string refusal = Source->UpdateCell(5, Amount, "12.25");
    if (!Source->Writable()) {
        EXPECT_FALSE(refusal.empty()) << "a read-only source says why it refuses";
        EXPECT_EQ(Read(*Source, 0, Rows), Expected(order, 0, Rows));
        return;
    }
    ASSERT_EQ(refusal, "");
    Table.Rows[static_cast<std::size_t>(record)][Amount] = "12.25";
    EXPECT_EQ(Read(*Source, 0, Rows), Expected(order, 0, Rows));
    // A change of the ordered column moves the record where the order puts it.
    ASSERT_EQ(Source->UpdateCell(5, Name, "zzz last"), "");
    Table.Rows[static_cast<std::size_t>(record)][Name] = "zzz last";
    EXPECT_EQ(Read(*Source, 0, Rows), Expected(ExpectedOrder(Table, *Storage, Name, TSortDirection::Ascending), 0, Rows));
    EXPECT_EQ(Cell(Rows - 1, Id), std::to_string(record + 1));
}

TEST_P(SourceContract, RefusedValueLeavesTheRecordAsItWas)
{
    const std::string before = Cell(3, Amount);
    EXPECT_FALSE(Source->UpdateCell(3, Amount, "not a number").empty());
    EXPECT_EQ(Cell(3, Amount), before);
    EXPECT_EQ(Source->RowCount(), Rows);
    EXPECT_EQ(Read(*Source, 0, Rows), Table.Rows);
}

TEST_P(SourceContract, InsertAndDeleteRecords)
{
    std::int64_t row = -1;
    const std::string inserted = Source->InsertRecord(row);
    const std::string deleted = Source->DeleteRecord(10);
    if (!Source->Writable()) {
        EXPECT_FALSE(inserted.empty());
        EXPECT_FALSE(deleted.empty());
        EXPECT_EQ(Read(*Source, 0, Rows + 1), Table.Rows);
        return;
    }
    ASSERT_EQ(inserted, "");
    ASSERT_EQ(deleted, "");
    EXPECT_EQ(row, Rows) << "in the source's own order a new record comes last";
    EXPECT_EQ(Source->RowCount(), Rows);
    EXPECT_EQ(Cell(10, Id), "12");
    const std::vector<TSourceRow> last = Read(*Source, Rows - 1, 1);
    ASSERT_EQ(last.size(), 1u);
    EXPECT_EQ(last[0][Name], "");
    EXPECT_EQ(last[0][Amount], "");
    // In an order the new record's position is where the order puts it.
    Source->SetOrder(Name, TSortDirection::Descending);
    ASSERT_EQ(Source->InsertRecord(row), "");
    EXPECT_EQ(Source->RowCount(), Rows + 1);
    ASSERT_GE(row, 0);
    EXPECT_EQ(Cell(row, Name), "");
    EXPECT_EQ(Cell(row, Day), "");
    // Empty names come last in a descending order, the newest key first among them: this one, the
    // first new one, then the old records' empty names.
    const auto emptyNames = std::count_if(Table.Rows.begin(), Table.Rows.end(), [](const TSourceRow& r) { return r[Name].empty(); }) -
                            (Table.Rows[10][Name].empty() ? 1 : 0) + 1;
    EXPECT_EQ(row, Rows - emptyNames);
    ASSERT_EQ(Source->DeleteRecord(0), "");
    EXPECT_EQ(Source->RowCount(), Rows);
    EXPECT_FALSE(Source->DeleteRecord(Rows + 5).empty()) << "no such record";
    EXPECT_EQ(Source->RowCount(), Rows);
}

TEST_P(SourceContract, RefreshShowsAnotherProgramsChangesInTheCurrentOrder)
{
    Source->SetOrder(Amount, TSortDirection::Descending);
    (void)Read(*Source, 0, 40);
    Storage->ChangeOutside(7, Amount, "999");
    const TSourceRow added{std::to_string(Rows + 1), "added", "-999", "2025-06-30"};
    Storage->AppendOutside(added);
    Table.Rows[7][Amount] = "999";
    Table.Rows.push_back(added);
    Source->Refresh();
    EXPECT_EQ(Source->RowCount(), Rows + 1);
    EXPECT_EQ(Source->OrderColumn(), Amount);
    EXPECT_EQ(Source->OrderDirection(), TSortDirection::Descending);
    const std::vector<int> order = ExpectedOrder(Table, *Storage, Amount, TSortDirection::Descending);
    EXPECT_EQ(Read(*Source, 0, 40), Expected(order, 0, 40));
    EXPECT_EQ(Cell(0, Id), "8");
    EXPECT_EQ(Read(*Source, 0, Rows + 1), Expected(order, 0, Rows + 1));
}

INSTANTIATE_TEST_SUITE_P(Sources, SourceContract, ::testing::ValuesIn(Storages),
                         [](const ::testing::TestParamInfo<TStorageFactory>& Info) { return Info.param.Name; });
