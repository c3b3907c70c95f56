// The PostgreSQL source against a real server the tests start themselves. Every page the source
// reads by key is compared with the same page read by plain OFFSET on another connection.
#include <gtest/gtest.h>

#include <csignal>

#include <chrono>
#include <functional>

#include "PgStorage.h"

namespace {

// Records with duplicates, NULLs, quotes, a line break and non-ASCII text.
std::vector<TSourceRow> MakeRows(int Count)
{
    const char* const names[] = {"alpha", "Beta", "ALPHA", "gamma", "beta", "Zo\xC3\xAB", "Smith, \"Jr\" O'Neil", "two\nlines", "", "delta"};
    std::vector<TSourceRow> rows;
    for (int i = 0; i < Count; ++i) {
        std::string amount;
        if (i % 13 != 0) amount = std::to_string((i * 37) % 41 - 20) + (i % 2 ? ".5" : "");
        std::string day;
        if (i % 17 != 0) day = "2024-0" + std::to_string(1 + i % 9) + "-" + std::to_string(10 + i % 19);
        rows.push_back({std::to_string(i + 1), names[(i * 7) % 10], amount, day});
    }
    return rows;
}

class PgSource : public ::testing::Test {
protected:
    // The server the source contract's tests use too: starting one takes a second or two.
    TPgServer* Server = nullptr;

    void SetUp() override
    {
        const TSharedPgServer& shared = SharedPgServer();
        ASSERT_TRUE(shared.Server) << "the test server did not start: " << shared.Error;
        Server = shared.Server.get();
        if (!Server->Available()) GTEST_SKIP() << "PostgreSQL tests skipped: " << Server->Missing();
    }
};

std::string OrderSql(int Col, TSortDirection Direction)
{
    static const char* const names[] = {"\"Id\"", "\"Name\"", "\"Amount\"", "\"Day\""};
    if (Direction == TSortDirection::None) return " ORDER BY \"Id\"";
    if (Direction == TSortDirection::Ascending) return std::string(" ORDER BY ") + names[Col] + " ASC NULLS FIRST, \"Id\"";
    return std::string(" ORDER BY ") + names[Col] + " DESC NULLS LAST, \"Id\" DESC";
}

// Every page of the source, read by key at starts that cross the index's strides, against the
// same page read by OFFSET on the reference connection.
void ExpectPagesAsByOffset(TTableSource& Source, TPgClient& Reference, const std::string& Table, int Step)
{
    const std::string order = OrderSql(Source.OrderColumn(), Source.OrderDirection());
    const std::int64_t count = std::stoll(Reference.Value("SELECT count(*) FROM " + Table));
    ASSERT_EQ(Source.RowCount(), count);
    std::vector<std::int64_t> firsts{count - 1, count, 0, count / 2, 1};
    for (std::int64_t first = 0; first < count; first += Step) firsts.push_back(first);
    for (const std::int64_t first : firsts) {
        std::vector<TSourceRow> rows{TSourceRow{"stale"}};
        Source.ReadRows(first, Step, rows);
        const auto expected = Reference.Query("SELECT * FROM " + Table + order + " OFFSET " + std::to_string(first) +
                                              " LIMIT " + std::to_string(Step));
        ASSERT_EQ(rows, expected) << "rows from " << first << order;
    }
}

} // namespace

TEST_F(PgSource, OperationsMatchPlainQueriesInEveryOrder)
{
    const std::vector<TSourceRow> records = MakeRows(300);
    TPgStorage storage(*Server, "ops", records);
    TPgClient& reference = storage.Client();
    TPgOptions options;
    options.IndexStride = 16; // many index entries over a small table
    reference.Query("CREATE INDEX ON ops (\"Amount\")");
    auto source = storage.Open(options);

    // Columns, kinds and reading the table whole are the source contract's (SourceContractTest.cpp).
    EXPECT_EQ(source->Description(), "postgres, table ops");

    // Reading: every order, pages across the strides, the first, middle and last rows.
    const std::pair<int, TSortDirection> orders[] = {
        {0, TSortDirection::None},        {1, TSortDirection::Ascending}, {1, TSortDirection::Descending},
        {2, TSortDirection::Ascending},   {2, TSortDirection::Descending}, {3, TSortDirection::Descending},
        {0, TSortDirection::Descending}};
    for (const auto& [col, direction] : orders) {
        source->SetOrder(col, direction);
        EXPECT_EQ(source->OrderDirection(), direction);
        ExpectPagesAsByOffset(*source, reference, "ops", 13);
    }

    // Writes, in orders the writes move records in, each followed by every page again: the
    // index's positions are kept by the writes, not rebuilt. Amount has an index, Name is read
    // through the source's private sorted copy.
    struct TWrite {
        const char* What;
        std::function<std::string()> Do;
        const char* Refusal; // part of the database's message, or empty when stored
    };
    for (const auto& order : {std::pair{2, TSortDirection::Ascending}, std::pair{1, TSortDirection::Descending}}) {
        const int col = order.first;
        const bool ascending = order.second == TSortDirection::Ascending;
        source->SetOrder(col, order.second);
        const std::string name = col == 2 ? "\"Amount\"" : "\"Name\"";
        const auto empties = [&] { return std::stoll(reference.Value("SELECT count(*) FROM ops WHERE " + name + " IS NULL")); };
        const std::string newKey = std::to_string(5000 + col);
        std::int64_t inserted = -1;
        const TWrite writes[] = {
            {"ordered column", [&] { return source->UpdateCell(100, col, col == 2 ? "12.25" : "mmm"); }, ""},
            {"other column", [&] { return source->UpdateCell(5, col == 2 ? 1 : 3, col == 2 ? "zzz" : "2030-01-01"); }, ""},
            {"ordered column to empty", [&] { return source->UpdateCell(source->RowCount() / 3, col, ""); }, ""},
            {"check constraint", [&] { return source->UpdateCell(3, 2, "-5000"); }, "check constraint"},
            {"not a number", [&] { return source->UpdateCell(3, 2, "many"); }, "invalid input syntax"},
            {"no such record", [&] { return source->UpdateCell(source->RowCount(), 2, "1"); }, "no such record"},
            {"insert",
             [&] {
                 const std::string refusal = source->InsertRecord(inserted);
                 // Empty values come first ascending and last descending; the newest key is last
                 // among them ascending, first descending.
                 EXPECT_EQ(inserted, ascending ? empties() - 1 : source->RowCount() - empties());
                 return refusal;
             },
             ""},
            {"delete first", [&] { return source->DeleteRecord(0); }, ""},
            {"delete middle", [&] { return source->DeleteRecord(source->RowCount() / 2); }, ""},
            {"delete last", [&] { return source->DeleteRecord(source->RowCount() - 1); }, ""},
            // The first record after the empties (or the first empty) starts an index entry; reads
            // then skip across the other values.
            {"delete where the values change",
             [&] { return source->DeleteRecord(ascending ? empties() : source->RowCount() - empties()); }, ""},
            {"delete past the end", [&] { return source->DeleteRecord(source->RowCount()); }, "no such record"},
            {"key column", [&] { return source->UpdateCell(40, 0, newKey); }, ""},
            {"key taken", [&] { return source->UpdateCell(source->RowCount() - 1, 0, newKey); }, "duplicate key"},
        };
        for (const TWrite& write : writes) {
            SCOPED_TRACE(std::string(write.What) + " in the order of " + name);
            const auto before = reference.Query("SELECT * FROM ops ORDER BY \"Id\"");
            const std::string refusal = write.Do();
            if (*write.Refusal) {
                EXPECT_NE(refusal.find(write.Refusal), std::string::npos) << "refused with: " << refusal;
                EXPECT_EQ(reference.Query("SELECT * FROM ops ORDER BY \"Id\""), before) << "a refused write changes nothing";
            } else {
                EXPECT_EQ(refusal, "");
            }
            ExpectPagesAsByOffset(*source, reference, "ops", 7);
        }
    }

    // Another program's changes: the count is kept until a refresh reads them.
    source->SetOrder(2, TSortDirection::Ascending);
    const std::int64_t count = source->RowCount();
    storage.ChangeOutside(7, 2, "-999"); // Id 8
    storage.AppendOutside({"9000", "added", "-998", "2025-06-30"});
    EXPECT_EQ(source->RowCount(), count);
    source->Refresh();
    EXPECT_EQ(source->RowCount(), count + 1);
    EXPECT_EQ(source->OrderColumn(), 2);
    ExpectPagesAsByOffset(*source, reference, "ops", 11);
    // A cancelled order keeps the order and the index from before.
    EXPECT_THROW(source->SetOrder(1, TSortDirection::Descending, [](double) { return false; }), ESourceCancelled);
    EXPECT_EQ(source->OrderColumn(), 2);
    EXPECT_EQ(source->OrderDirection(), TSortDirection::Ascending);
    ExpectPagesAsByOffset(*source, reference, "ops", 11);
    std::vector<TSourceRow> top;
    source->ReadRows(std::stoll(reference.Value("SELECT count(*) FROM ops WHERE \"Amount\" IS NULL")), 2, top);
    ASSERT_EQ(top.size(), 2u);
    EXPECT_EQ(top[0][0], "8");
    EXPECT_EQ(top[1][0], "9000");
}

TEST_F(PgSource, LostConnectionGivesAMessageAndTheNextRequestReconnects)
{
    TPgStorage storage(*Server, "lost", MakeRows(50));
    auto source = storage.Open({}, " application_name=zel_lost");
    std::vector<TSourceRow> rows;
    source->ReadRows(0, 10, rows);
    ASSERT_EQ(rows.size(), 10u);
    const auto terminate = [&] {
        storage.Client().Query("SELECT pg_terminate_backend(pid) FROM pg_stat_activity WHERE application_name = 'zel_lost'");
    };

    terminate();
    try {
        source->ReadRows(10, 10, rows);
        ADD_FAILURE() << "a read over a lost connection succeeded";
    } catch (const ESourceError& error) {
        EXPECT_NE(std::string(error.what()).find("connection"), std::string::npos) << error.what();
    }
    source->ReadRows(10, 10, rows);
    ASSERT_EQ(rows.size(), 10u);
    EXPECT_EQ(rows[0][0], "11");

    // A write over a lost connection is refused with the reason, and stores nothing.
    terminate();
    const std::string refusal = source->UpdateCell(0, 1, "changed");
    EXPECT_NE(refusal.find("connection"), std::string::npos) << refusal;
    EXPECT_EQ(storage.Client().Value("SELECT \"Name\" FROM lost WHERE \"Id\" = 1"), "alpha");
    EXPECT_EQ(source->UpdateCell(0, 1, "changed"), "");
    EXPECT_EQ(storage.Client().Value("SELECT \"Name\" FROM lost WHERE \"Id\" = 1"), "changed");

    // An order read through the source's private sorted copy, which went with the old session.
    source->SetOrder(1, TSortDirection::Ascending);
    terminate();
    EXPECT_THROW(source->ReadRows(0, 10, rows), ESourceError);
    source->ReadRows(20, 10, rows);
    EXPECT_EQ(rows, storage.Client().Query("SELECT * FROM lost ORDER BY \"Name\" NULLS FIRST, \"Id\" OFFSET 20 LIMIT 10"));

    // The server stopped: every request fails soon with a message, and changes nothing; the
    // first one after it is back reconnects.
    source->SetOrder(2, TSortDirection::Descending);
    const auto expected = storage.Client().Query("SELECT * FROM lost ORDER BY \"Amount\" DESC NULLS LAST, \"Id\" DESC");
    Server->Stop();
    const std::function<std::string()> requests[] = {
        [&] {
            source->ReadRows(30, 10, rows);
            return std::string();
        },
        [&] {
            source->ReadRows(0, 10, rows);
            return std::string();
        },
        [&] { return source->UpdateCell(3, 1, "while stopped"); },
        [&] {
            std::int64_t row = -1;
            return source->InsertRecord(row);
        },
        [&] { return source->DeleteRecord(0); },
        [&] {
            source->SetOrder(1, TSortDirection::Ascending);
            return std::string();
        },
        [&] {
            source->Refresh();
            return std::string();
        },
    };
    for (std::size_t i = 0; i < std::size(requests); ++i) {
        SCOPED_TRACE("request " + std::to_string(i) + " while the server is stopped");
        const auto started = std::chrono::steady_clock::now();
        std::string message;
        try {
            message = requests[i]();
        } catch (const ESourceError& error) {
            message = error.what();
        }
        EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(10));
        EXPECT_TRUE(message.find("connection") != std::string::npos || message.find("Cannot reach") != std::string::npos)
            << message;
    }
    EXPECT_EQ(source->OrderColumn(), 2);
    EXPECT_EQ(source->OrderDirection(), TSortDirection::Descending);
    Server->Start();
    source->ReadRows(0, 100, rows);
    EXPECT_EQ(rows, expected);
    TPgClient after(Server->ConnInfo());
    EXPECT_EQ(after.Value("SELECT count(*) FROM lost WHERE \"Name\" = 'while stopped'"), "0");
    EXPECT_EQ(source->UpdateCell(3, 1, "back"), "");
    EXPECT_EQ(after.Value("SELECT \"Name\" FROM lost WHERE \"Id\" = " + rows[3][0]), "back");
}

TEST_F(PgSource, AServerThatStopsAnsweringIsGivenUpOnAndTheNextRequestConnectsAgain)
{
    TPgStorage storage(*Server, "frozen", MakeRows(50));
    TPgOptions options;
    options.StatementTimeoutMs = 300;
    options.AnswerGraceMs = 300;
    auto source = storage.Open(options, " application_name=zel_frozen");
    std::vector<TSourceRow> rows;
    source->ReadRows(0, 10, rows);
    ASSERT_EQ(rows.size(), 10u);
    const std::function<std::string()> requests[] = {
        [&] { return source->UpdateCell(0, 1, "while frozen"); },
        [&] {
            source->SetOrder(1, TSortDirection::Descending);
            return std::string();
        },
        [&] {
            source->ReadRows(40, 10, rows);
            return std::string();
        },
    };
    std::vector<int> frozen;
    for (const auto& request : requests) {
        // The session's server process stops as a frozen machine does: no answer, no error.
        frozen.push_back(std::stoi(storage.Client().Value(
            "SELECT pid FROM pg_stat_activity WHERE application_name = 'zel_frozen' ORDER BY backend_start DESC LIMIT 1")));
        ASSERT_EQ(::kill(frozen.back(), SIGSTOP), 0);
        const auto started = std::chrono::steady_clock::now();
        std::string message;
        try {
            message = request();
        } catch (const ESourceError& error) {
            message = error.what();
        }
        EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(3));
        EXPECT_NE(message.find("did not answer"), std::string::npos) << message;
        // Given up on, the next request connects anew.
        source->ReadRows(20, 10, rows);
        ASSERT_EQ(rows.size(), 10u);
        EXPECT_EQ(rows[0][0], "21");
    }
    for (int pid : frozen) ::kill(pid, SIGCONT);
    EXPECT_EQ(source->OrderDirection(), TSortDirection::None) << "the order given up on is not taken";
    EXPECT_EQ(storage.Client().Value("SELECT \"Name\" FROM frozen WHERE \"Id\" = 1"), "alpha");
    EXPECT_EQ(source->UpdateCell(0, 1, "after"), "");
    EXPECT_EQ(storage.Client().Value("SELECT \"Name\" FROM frozen WHERE \"Id\" = 1"), "after");
}

TEST_F(PgSource, BadInputAndWaitsEndInAClearMessage)
{
    TPgStorage storage(*Server, "bad", MakeRows(20));
    struct TCase {
        std::string ConnInfo;
        std::string Table;
        const char* Message;
    };
    const TCase cases[] = {
        {"host=/nonexistent port=5432 dbname=postgres", "bad", "Cannot connect to the database"},
        {Server->ConnInfo("no_such_database"), "bad", "no_such_database"},
        {"this is not a connection string", "bad", "Cannot connect to the database"},
        {Server->ConnInfo(), "no_such_table", "There is no table or view \"no_such_table\""},
        {Server->ConnInfo(), "a.b.c.d", "improper relation name"},
        {Server->ConnInfo(), "pg_catalog.pg_am_handler", "There is no table or view"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.ConnInfo + " / " + c.Table);
        try {
            TPgSource source(c.ConnInfo, c.Table);
            ADD_FAILURE() << "opened";
        } catch (const ESourceError& error) {
            EXPECT_NE(std::string(error.what()).find(c.Message), std::string::npos) << error.what();
        }
    }

    // A record locked by another program: the write gives up after the timeout with a message.
    TPgOptions quick;
    quick.LockTimeoutMs = 300;
    TPgSource source(Server->ConnInfo(), "bad", quick);
    TPgClient locker(Server->ConnInfo());
    locker.Query("BEGIN");
    locker.Query("SELECT * FROM bad WHERE \"Id\" = 1 FOR UPDATE");
    const std::string waited = source.UpdateCell(0, 1, "waited");
    EXPECT_NE(waited.find("lock timeout"), std::string::npos) << waited;
    locker.Query("ROLLBACK");
    EXPECT_EQ(source.UpdateCell(0, 1, "stored"), "");

    // A view is shown read-only; with a named key it pages by key like a table.
    storage.Client().Query("CREATE OR REPLACE VIEW bad_view AS SELECT \"Id\", \"Name\" FROM bad WHERE \"Id\" > 5");
    for (const std::vector<std::string>& key : {std::vector<std::string>{}, std::vector<std::string>{"Id"}}) {
        TPgOptions options;
        options.Key = key;
        options.IndexStride = 4;
        TPgSource view(Server->ConnInfo(), "bad_view", options);
        EXPECT_EQ(view.KeyColumns(), key);
        EXPECT_FALSE(view.Writable());
        EXPECT_FALSE(view.UpdateCell(0, 1, "x").empty());
        view.SetOrder(1, TSortDirection::Descending);
        ExpectPagesAsByOffset(view, storage.Client(), "bad_view", 3);
    }
    TPgOptions wrongKey;
    wrongKey.Key = {"Nothing"};
    EXPECT_THROW(TPgSource(Server->ConnInfo(), "bad_view", wrongKey), ESourceError);
}

// A table without a primary key is addressed by ctid (an edit gives the record a new ctid); a
// primary key of two columns is compared as a pair.
TEST_F(PgSource, TablesWithoutOneKeyColumn)
{
    TPgClient client(Server->ConnInfo());
    client.Query("DROP TABLE IF EXISTS nokey; CREATE TABLE nokey (n integer, t text); "
                 "INSERT INTO nokey SELECT i, 'row ' || i FROM generate_series(1, 40) i");
    TPgOptions options;
    options.IndexStride = 8;
    TPgSource source(Server->ConnInfo(), "nokey", options);
    EXPECT_EQ(source.KeyColumns(), std::vector<std::string>{"ctid"});
    ASSERT_TRUE(source.Writable());
    source.SetOrder(0, TSortDirection::Descending);
    ASSERT_EQ(source.UpdateCell(5, 1, "edited"), "");
    ASSERT_EQ(source.UpdateCell(5, 0, "1000"), "");
    ASSERT_EQ(source.DeleteRecord(39), "");
    std::vector<TSourceRow> rows;
    source.ReadRows(0, 100, rows);
    EXPECT_EQ(rows, client.Query("SELECT n, t FROM nokey ORDER BY n DESC NULLS LAST, ctid DESC"));
    ASSERT_EQ(rows.size(), 39u);
    EXPECT_EQ(rows[0], (TSourceRow{"1000", "edited"}));
    EXPECT_EQ(rows[5], (TSourceRow{"36", "row 36"}));
    source.ReadRows(16, 8, rows);
    EXPECT_EQ(rows, client.Query("SELECT n, t FROM nokey ORDER BY n DESC NULLS LAST, ctid DESC OFFSET 16 LIMIT 8"));

    client.Query("DROP TABLE IF EXISTS pair; CREATE TABLE pair (a integer, b text, v numeric, PRIMARY KEY (a, b)); "
                 "INSERT INTO pair SELECT i % 3, 'k' || i, CASE WHEN i % 4 = 0 THEN NULL ELSE i % 5 END "
                 "FROM generate_series(1, 30) i");
    TPgSource pair(Server->ConnInfo(), "pair", options);
    EXPECT_EQ(pair.KeyColumns(), (std::vector<std::string>{"a", "b"}));
    pair.SetOrder(2, TSortDirection::Ascending);
    ASSERT_EQ(pair.UpdateCell(10, 2, "-1"), "");
    ASSERT_EQ(pair.DeleteRecord(3), "");
    ASSERT_EQ(pair.UpdateCell(20, 1, "k6"), "") << "a pair differing in a";
    EXPECT_NE(pair.UpdateCell(20, 0, "0").find("duplicate key"), std::string::npos);
    const auto expected = client.Query("SELECT * FROM pair ORDER BY v NULLS FIRST, a, b");
    ASSERT_EQ(expected.size(), 29u);
    for (std::int64_t first = 0; first < 29; first += 5) {
        pair.ReadRows(first, 5, rows);
        EXPECT_EQ(rows, std::vector<TSourceRow>(expected.begin() + first, expected.begin() + std::min<std::int64_t>(first + 5, 29)))
            << "rows from " << first;
    }
}
