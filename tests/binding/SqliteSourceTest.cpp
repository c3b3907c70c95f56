// The SQLite source against real database files in a temporary folder: what it shows and refuses
// beyond the source contract that every source passes, reading pages by key against plain OFFSET
// queries, and the input and states it must refuse.
#include "binding/SqliteSource.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <sqlite3.h>

namespace {

// A folder of its own under the system's temporary folder, removed with everything in it.
class TTempFolder {
public:
    TTempFolder()
    {
        std::string Pattern = (std::filesystem::temp_directory_path() / "zel-sqlite-XXXXXX").string();
        if (!mkdtemp(Pattern.data())) throw std::runtime_error("cannot create a temporary folder");
        FPath = Pattern;
    }
    ~TTempFolder() { std::filesystem::remove_all(FPath); }
    std::string File(const std::string& Name) const { return (FPath / Name).string(); }

private:
    std::filesystem::path FPath;
};

// Runs SQL on a connection of its own, as another program would.
void RunSql(const std::string& File, const std::string& Sql)
{
    sqlite3* Db = nullptr;
    ASSERT_EQ(sqlite3_open(File.c_str(), &Db), SQLITE_OK);
    char* Error = nullptr;
    const int Code = sqlite3_exec(Db, Sql.c_str(), nullptr, nullptr, &Error);
    const std::string Message = Error ? Error : "";
    sqlite3_free(Error);
    sqlite3_close(Db);
    ASSERT_EQ(Code, SQLITE_OK) << Message;
}

std::string SqlText(const std::string& Text)
{
    std::string Quoted = "'";
    for (char C : Text) Quoted += C == '\'' ? std::string("''") : std::string(1, C);
    return Quoted + "'";
}

// Makes a source over Records in a fresh table "t" of File: declared types from the kinds, and
// CHECK constraints that refuse what is not of the kind. Empty texts are stored as NULL.
std::unique_ptr<TTableSource> MakeSqliteSource(const std::string& File, const std::vector<TSourceColumn>& Columns,
    const std::vector<TSourceRow>& Records, int IndexStride = 2, const std::string& Extra = {})
{
    std::string Create = "CREATE TABLE t (";
    for (std::size_t C = 0; C < Columns.size(); ++C) {
        const std::string Name = "\"" + Columns[C].Name + "\"";
        Create += (C ? ", " : "") + Name;
        switch (Columns[C].Kind) {
        case TSourceColumnKind::Integer:
            Create += " INTEGER CHECK (typeof(" + Name + ") IN ('integer', 'null'))";
            break;
        case TSourceColumnKind::Number:
            Create += " REAL CHECK (typeof(" + Name + ") IN ('real', 'null'))";
            break;
        case TSourceColumnKind::Date:
            Create += " DATE";
            break;
        case TSourceColumnKind::Text:
            Create += " TEXT";
            break;
        }
    }
    std::string Script = Create + ");";
    for (const auto& Record : Records) {
        Script += "INSERT INTO t VALUES (";
        for (std::size_t C = 0; C < Record.size(); ++C)
            Script += (C ? ", " : "") + (Record[C].empty() ? std::string("NULL") : SqlText(Record[C]));
        Script += ");";
    }
    RunSql(File, Script + Extra);
    TSqliteOptions Options;
    Options.IndexStride = IndexStride;
    return std::make_unique<TSqliteSource>(File, "t", Options);
}

// The whole table as "a,b|c,d", read at once; every record read alone must agree with it.
std::string Dump(TTableSource& Source)
{
    std::vector<TSourceRow> All, One;
    Source.ReadRows(0, static_cast<int>(Source.RowCount()) + 1, All);
    std::string Text;
    for (std::size_t R = 0; R < All.size(); ++R) {
        Source.ReadRows(static_cast<std::int64_t>(R), 1, One);
        EXPECT_EQ(One.size(), 1u);
        if (!One.empty()) {
            EXPECT_EQ(One[0], All[R]) << "record " << R;
        }
        std::string Line;
        for (std::size_t C = 0; C < All[R].size(); ++C) Line += (C ? "," : "") + All[R][C];
        Text += (R ? "|" : "") + Line;
    }
    EXPECT_EQ(static_cast<std::int64_t>(All.size()), Source.RowCount());
    return Text;
}

// What the source contract (SourceContractTest.cpp) leaves to each source: SQLite shows a value as
// its column's type stores it, in the private copy an order reads too, and names the constraint
// that refused a value. An empty record comes first in an ascending order.
TEST(SqliteSource, ShowsStoredValuesAndNamesTheRefusingConstraint)
{
    TTempFolder Folder;
    const std::string File = Folder.File("fruit.db");
    auto Source = MakeSqliteSource(File, { { "name", TSourceColumnKind::Text }, { "price", TSourceColumnKind::Number } },
        { { "pear", "1.5" }, { "apple", "0.25" }, { "fig", "" } });
    EXPECT_EQ(Source->Description(), "fruit.db, table t");
    EXPECT_EQ(Source->Columns()[1].Kind, TSourceColumnKind::Number) << "declared REAL";
    Source->SetOrder(1, TSortDirection::Descending);
    EXPECT_EQ(Source->UpdateCell(2, 1, "3"), "");
    EXPECT_EQ(Dump(*Source), "fig,3.0|pear,1.5|apple,0.25");
    const std::string Refusal = Source->UpdateCell(0, 1, "many");
    EXPECT_NE(Refusal.find("CHECK constraint failed"), std::string::npos) << Refusal;
    EXPECT_EQ(Dump(*Source), "fig,3.0|pear,1.5|apple,0.25");
    Source->SetOrder(1, TSortDirection::Ascending);
    std::int64_t Row = -1;
    EXPECT_EQ(Source->InsertRecord(Row), "");
    EXPECT_EQ(Row, 0);
    EXPECT_EQ(Dump(*Source), ",|apple,0.25|pear,1.5|fig,3.0");
    Source->SetOrder(-1, TSortDirection::None);
    EXPECT_EQ(Dump(*Source), "pear,1.5|apple,0.25|fig,3.0|,");
}

// Every page, read from anywhere in every order, is the page a plain OFFSET query returns.
TEST(SqliteSource, KeysetPagesMatchOffsetQueries)
{
    TTempFolder Folder;
    const std::string File = Folder.File("pages.db");
    // 1000 records: a value with many ties and NULLs, indexed; a text with case differences and
    // its column's collation, not indexed (read through a private copy that must keep it).
    RunSql(File,
        "CREATE TABLE p (v INTEGER, s TEXT COLLATE NOCASE, n REAL);"
        "WITH RECURSIVE i(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM i WHERE x < 1000) "
        "INSERT INTO p SELECT CASE WHEN x % 7 = 0 THEN NULL ELSE x % 13 END, "
        "CASE x % 3 WHEN 0 THEN 'Ab' || (x % 11) WHEN 1 THEN 'ab' || (x % 5) ELSE NULL END, x * 0.5 FROM i;"
        "CREATE INDEX p_v ON p (v);");
    TSqliteOptions Options;
    Options.IndexStride = 64;
    TSqliteSource Source(File, "p", Options);
    sqlite3* Db = nullptr;
    ASSERT_EQ(sqlite3_open(File.c_str(), &Db), SQLITE_OK);
    auto Expected = [&](const std::string& OrderBy, std::int64_t First, int Count) {
        std::vector<TSourceRow> Rows;
        const std::string Sql = "SELECT v, s, n FROM p ORDER BY " + OrderBy + " LIMIT " + std::to_string(Count)
            + " OFFSET " + std::to_string(First);
        sqlite3_stmt* Stmt = nullptr;
        EXPECT_EQ(sqlite3_prepare_v2(Db, Sql.c_str(), -1, &Stmt, nullptr), SQLITE_OK);
        while (sqlite3_step(Stmt) == SQLITE_ROW) {
            TSourceRow Row;
            for (int C = 0; C < 3; ++C) {
                const auto* Text = reinterpret_cast<const char*>(sqlite3_column_text(Stmt, C));
                Row.push_back(Text ? Text : "");
            }
            Rows.push_back(Row);
        }
        sqlite3_finalize(Stmt);
        return Rows;
    };
    struct TCase {
        int Col;
        TSortDirection Direction;
        const char* OrderBy;
    };
    const TCase Cases[] = {
        { -1, TSortDirection::None, "rowid" },
        { 0, TSortDirection::Ascending, "v, rowid" },
        { 0, TSortDirection::Descending, "v DESC, rowid DESC" },
        { 1, TSortDirection::Ascending, "s, rowid" },
        { 1, TSortDirection::Descending, "s DESC, rowid DESC" },
    };
    std::vector<TSourceRow> Rows;
    for (const auto& Case : Cases) {
        SCOPED_TRACE(Case.OrderBy);
        Source.SetOrder(Case.Col, Case.Direction);
        ASSERT_EQ(Source.RowCount(), 1000);
        // First, middle and last row, an index entry, the records either side of one, a page
        // running past the end, and page steps down and back up (which start from the last read).
        for (std::int64_t First : { 0, 500, 999, 960, 128, 127, 129, 990, 40, 80, 120, 80, 40 }) {
            Source.ReadRows(First, 40, Rows);
            EXPECT_EQ(Rows, Expected(Case.OrderBy, First, 40)) << "from " << First;
        }
    }
    sqlite3_close(Db);
}

// Input and states the source refuses, each with its message, losing nothing.
TEST(SqliteSource, RefusesBadInputWithClearMessages)
{
    TTempFolder Folder;
    const std::string File = Folder.File("shop.db");
    RunSql(File,
        "CREATE TABLE items (id INTEGER PRIMARY KEY, name TEXT NOT NULL UNIQUE, qty INTEGER NOT NULL) STRICT;"
        "INSERT INTO items VALUES (1, 'bolt', 10), (2, 'nut', 20);"
        "CREATE TABLE pairs (a TEXT, b INTEGER, note TEXT, PRIMARY KEY (a, b)) WITHOUT ROWID;"
        "INSERT INTO pairs VALUES ('x', 2, 'second'), ('x', 1, 'first');"
        "CREATE VIEW big AS SELECT name, qty FROM items WHERE qty > 15;");
    const std::string Garbage = Folder.File("notes.db");
    std::ofstream(Garbage) << "These are notes, not a database; they are long enough to fill a header page.\n"
                           << std::string(200, 'x');

    auto Message = [](const std::function<void()>& Open) -> std::string {
        try {
            Open();
        } catch (const ESourceError& E) {
            return E.what();
        }
        return "(opened)";
    };
    EXPECT_NE(Message([&] { TSqliteSource(Garbage, "t"); }).find("file is not a database"), std::string::npos);
    EXPECT_NE(Message([&] { TSqliteSource(Folder.File("missing.db"), "t"); }).find("Cannot open"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(Folder.File("missing.db")));
    EXPECT_EQ(Message([&] { TSqliteSource(File, "orders"); }), File + " has no table or view named \"orders\"");
    EXPECT_EQ(Message([&] {
        TSqliteOptions Keyed;
        Keyed.Key = { "id" };
        TSqliteSource(File, "big", Keyed);
    }),
        "The view \"big\" has no column \"id\" to use as its key");

    TSqliteSource Items(File, "ITEMS");
    EXPECT_EQ(Items.KeyColumns(), std::vector<std::string> { "id" });
    struct TRefusal {
        const char* What;
        std::function<void()> Before;
        int Row, Col;
        const char* Value;
        const char* Message;
    };
    sqlite3* Other = nullptr;
    ASSERT_EQ(sqlite3_open(File.c_str(), &Other), SQLITE_OK);
    const TRefusal Refusals[] = {
        { "a type a STRICT table refuses", {}, 0, 2, "ten", "cannot store TEXT value in INTEGER column items.qty" },
        { "a NOT NULL constraint", {}, 0, 2, "", "NOT NULL constraint failed: items.qty" },
        { "a UNIQUE constraint", {}, 0, 1, "nut", "UNIQUE constraint failed: items.name" },
        { "a database another program has locked",
            [&] { ASSERT_EQ(sqlite3_exec(Other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK); }, 0, 2,
            "11", "database is locked" },
        { "a record another program deleted",
            [&] {
                ASSERT_EQ(sqlite3_exec(Other, "ROLLBACK; DELETE FROM items WHERE id = 2", nullptr, nullptr, nullptr),
                    SQLITE_OK);
            },
            1, 2, "21", "The record no longer exists" },
    };
    for (const auto& Refusal : Refusals) {
        SCOPED_TRACE(Refusal.What);
        if (Refusal.Before) Refusal.Before();
        EXPECT_EQ(Items.UpdateCell(Refusal.Row, Refusal.Col, Refusal.Value).find(Refusal.Message), 0u);
    }
    sqlite3_close(Other);
    Items.Refresh();
    EXPECT_EQ(Dump(Items), "1,bolt,10");

    TSqliteOptions ReadOnly;
    ReadOnly.ReadOnly = true;
    TSqliteSource Locked(File, "items", ReadOnly);
    EXPECT_FALSE(Locked.Writable());
    std::int64_t Row = -1;
    EXPECT_EQ(Locked.UpdateCell(0, 1, "screw"), "The database is read-only");
    EXPECT_EQ(Locked.InsertRecord(Row), "The database is read-only");
    EXPECT_EQ(Locked.DeleteRecord(0), "The database is read-only");
    EXPECT_EQ(Dump(Locked), "1,bolt,10");

    // A WITHOUT ROWID table by its primary key; a view without a key as a read-only copy.
    TSqliteSource Pairs(File, "pairs");
    EXPECT_EQ(Pairs.KeyColumns(), (std::vector<std::string> { "a", "b" }));
    EXPECT_EQ(Dump(Pairs), "x,1,first|x,2,second");
    EXPECT_EQ(Pairs.UpdateCell(1, 2, "2nd"), "");
    EXPECT_EQ(Dump(Pairs), "x,1,first|x,2,2nd");
    Pairs.SetOrder(2, TSortDirection::Descending); // no index: a private copy keyed by (a, b)
    EXPECT_EQ(Pairs.UpdateCell(1, 2, "zz"), "");
    EXPECT_EQ(Dump(Pairs), "x,2,zz|x,1,first");
    RunSql(File, "INSERT INTO items VALUES (3, 'washer', 30)");
    TSqliteSource View(File, "big");
    EXPECT_FALSE(View.Writable());
    EXPECT_EQ(View.Description(), "shop.db, view big");
    EXPECT_EQ(Dump(View), "washer,30");
    RunSql(File, "INSERT INTO items VALUES (4, 'rivet', 40)");
    View.Refresh();
    EXPECT_EQ(Dump(View), "washer,30|rivet,40");
    EXPECT_EQ(View.UpdateCell(0, 1, "1"), "A view cannot be edited");
    // A view by the key its caller names, read in place.
    TSqliteOptions Keyed;
    Keyed.Key = { "NAME" };
    TSqliteSource KeyedView(File, "big", Keyed);
    EXPECT_EQ(KeyedView.KeyColumns(), std::vector<std::string> { "name" });
    EXPECT_EQ(Dump(KeyedView), "rivet,40|washer,30");
    KeyedView.SetOrder(1, TSortDirection::Ascending);
    EXPECT_EQ(Dump(KeyedView), "washer,30|rivet,40");
}

// A long operation that is cancelled keeps the order from before it: copying and indexing an
// unindexed column, walking an indexed one, and walking the stored order again on a refresh.
TEST(SqliteSource, CancelledOperationsKeepThePreviousOrder)
{
    TTempFolder Folder;
    const std::string File = Folder.File("many.db");
    RunSql(File,
        "CREATE TABLE m (v INTEGER, w INTEGER);"
        "WITH RECURSIVE i(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM i WHERE x < 300000) "
        "INSERT INTO m SELECT (x * 7919) % 300007, x % 1000 FROM i;"
        "CREATE INDEX m_w ON m (w);");
    TSqliteSource Source(File, "m");
    Source.SetOrder(0, TSortDirection::Descending);
    std::vector<TSourceRow> Before, After;
    Source.ReadRows(0, 3, Before);
    const std::function<void(const TSourceProgress&)> Operations[] = {
        [&](const TSourceProgress& P) { Source.SetOrder(0, TSortDirection::Ascending, P); },
        [&](const TSourceProgress& P) { Source.SetOrder(1, TSortDirection::Ascending, P); },
        [&](const TSourceProgress& P) {
            RunSql(File, "DELETE FROM m WHERE rowid = 5");
            Source.Refresh(P);
        },
    };
    for (const auto& Operation : Operations) {
        int Calls = 0;
        double Last = 0;
        EXPECT_THROW(Operation([&](double Fraction) {
            EXPECT_GE(Fraction, Last);
            EXPECT_LE(Fraction, 1.0);
            Last = Fraction;
            return ++Calls < 2;
        }),
            ESourceCancelled);
        EXPECT_EQ(Calls, 2);
        EXPECT_EQ(Source.OrderColumn(), 0);
        EXPECT_EQ(Source.OrderDirection(), TSortDirection::Descending);
        Source.ReadRows(0, 3, After);
        EXPECT_EQ(After, Before);
        EXPECT_EQ(Source.RowCount(), 300000);
    }
    Source.Refresh();
    EXPECT_EQ(Source.RowCount(), 299999);
}

} // namespace
