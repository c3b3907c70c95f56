#include <gtest/gtest.h>
#include <sqlite3.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "apps/zelgrid-demo/DemoForm.h"
#include "apps/zelgrid-demo/OrdersDatabase.h"
#include "binding/GeneratedOrdersSource.h"
#include "host/controls/Application.h"
#include "host/windows/Headless.h"
#include "host/windows/Input.h"
#include "host/windows/MessageQueue.h"
#include "tests/demo/DemoSources.h"

namespace fs = std::filesystem;

namespace {

// One value of the database file through a connection of its own, as another program sees it.
std::string Query(const std::string& File, const std::string& Sql)
{
    sqlite3* db = nullptr;
    sqlite3_open_v2(File.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* statement = nullptr;
    std::string value = "(no row)";
    if (sqlite3_prepare_v2(db, Sql.c_str(), -1, &statement, nullptr) == SQLITE_OK && sqlite3_step(statement) == SQLITE_ROW)
        value = reinterpret_cast<const char*>(sqlite3_column_text(statement, 0));
    sqlite3_finalize(statement);
    sqlite3_close_v2(db);
    return value;
}

class OrdersDatabaseTest : public ::testing::Test {
protected:
    std::string Folder = ::testing::TempDir() + "orders_db_" + std::to_string(::getpid());
    std::string Path = Folder + "/data/orders.db";
    ~OrdersDatabaseTest() override { fs::remove_all(Folder); }
};

} // namespace

TEST_F(OrdersDatabaseTest, AStoppedMakingLeavesNothingAndAWholeOneHoldsTheGeneratedOrders)
{
    double last = 0;
    EXPECT_THROW(CreateOrdersDatabase(Path, 20000, [&](double Fraction) { last = Fraction; return Fraction < 0.3; }),
                 ESourceCancelled);
    EXPECT_GE(last, 0.3);
    EXPECT_FALSE(fs::exists(Path));
    EXPECT_FALSE(fs::exists(Path + ".part")) << "a stopped making leaves no part behind";

    // A part left by a run that was killed is made again from the start.
    std::ofstream(Path + ".part") << "half a database";
    CreateOrdersDatabase(Path, 20000);
    EXPECT_FALSE(fs::exists(Path + ".part"));
    EXPECT_EQ(Query(Path, "PRAGMA integrity_check"), "ok");
    TSqliteSource made(Path, "orders");
    TGeneratedOrdersSource generated(20000);
    ASSERT_EQ(made.RowCount(), 20000);
    for (std::int64_t row : {0, 9999, 19999}) {
        std::vector<TSourceRow> a, b;
        made.ReadRows(row, 1, a);
        generated.ReadRows(row, 1, b);
        ASSERT_EQ(a.size(), 1u);
        for (int c : {0, 1, 2, 4, 5, 6, 7}) EXPECT_EQ(a[0][c], b[0][c]) << "row " << row << ", column " << c;
        Currency x, y;
        ASSERT_TRUE(ParseSourceCurrency(a[0][3], x) && ParseSourceCurrency(b[0][3], y)) << a[0][3];
        EXPECT_EQ(x, y);
    }
}

TEST_F(OrdersDatabaseTest, TheFormMakesItThenStoresEditsAndShowsTheDatabasesRefusals)
{
    THeadlessSession session;
    std::vector<std::string> messages;
    TModalHookGuard hook{[&](TCustomForm* Dialog) {
        messages.push_back(Dialog->Caption());
        Dialog->SetModalResult(mrOk);
    }};
    TDemoOrdersSource source(Path, 3000);
    ASSERT_FALSE(source.Created());
    auto form = std::make_unique<TDemoForm>(nullptr, source, true);
    form->Show();
    TZelGrid* grid = form->Grid();
    for (int i = 0; i < 2000 && form->Binding().Busy(); ++i) {
        session.Input.Wait(TGridBinding::PollInterval);
        ::usleep(2000);
    }
    ASSERT_FALSE(form->Binding().Busy());
    ASSERT_TRUE(source.Created());
    EXPECT_NE(form->StatusText().find("Record 1 of 3,000"), std::string::npos) << form->StatusText();
    EXPECT_NE(form->StatusText().find("orders.db, table orders"), std::string::npos) << form->StatusText();

    // Overview: Number, Date, Customer, Amount, Status, Paid, Tags.
    struct TCase {
        int Col;
        const char* Typed;
        const char* Stored; // what the database holds afterwards (for record 2)
        bool Refused;
    } cases[] = {
        {3, "77.5", "77.5", false},
        {3, "lots", "77.5", true},
        {1, "2026-02-30", "2022-03-24", true},
        {1, "2026-02-28", "2026-02-28", false},
        {4, "Lost", "Delivered", true},
        {4, "Shipped", "Shipped", false},
        {2, "Zed Corp", "Zed Corp", false},
    };
    const char* const names[] = {"Number", "Date", "Customer", "Amount", "Status"};
    for (const TCase& c : cases) {
        SCOPED_TRACE(std::string(names[c.Col]) + " <- " + c.Typed);
        messages.clear();
        grid->HideEditor();
        grid->AMoveColRow(grid->DataToRawColumn(c.Col), 1 + grid->TitleRows(), true, true);
        session.Input.TypeText(c.Typed);
        grid->HideEditor();
        EXPECT_EQ(messages.size(), c.Refused ? 1u : 0u);
        EXPECT_EQ(Query(Path, std::string("SELECT ") + names[c.Col] + " FROM orders WHERE Number = 2"), c.Stored);
        EXPECT_EQ(SourceCell(source, c.Col, 1), c.Stored) << "the grid shows what the database holds";
    }
    EXPECT_NE(form->Binding().LastError().find("CHECK constraint failed"), std::string::npos) << form->Binding().LastError();
}

TEST_F(OrdersDatabaseTest, AReadOnlyDatabaseRefusesEditsAndDeletesWithItsMessage)
{
    CreateOrdersDatabase(Path, 100);
    THeadlessSession session;
    std::vector<std::string> messages;
    TModalHookGuard hook{[&](TCustomForm* Dialog) {
        messages.push_back(Dialog->Caption());
        Dialog->SetModalResult(mrOk);
    }};
    TSqliteOptions options;
    options.ReadOnly = true;
    TSqliteSource source(Path, "orders", options);
    auto form = std::make_unique<TDemoForm>(nullptr, source);
    form->Show();
    ProcessMessages();
    TZelGrid* grid = form->Grid();
    EXPECT_NE(form->StatusText().find("orders.db, table orders (read-only)"), std::string::npos) << form->StatusText();
    const std::string before = Query(Path, "SELECT Customer FROM orders WHERE Number = 2");
    grid->AMoveColRow(grid->DataToRawColumn(2), 1 + grid->TitleRows(), true, true);
    session.Input.TypeText("Zed Corp");
    grid->HideEditor();
    EXPECT_EQ(messages.size(), 1u) << "a typed edit is refused with a message, not swallowed";
    EXPECT_EQ(Query(Path, "SELECT Customer FROM orders WHERE Number = 2"), before);
    EXPECT_EQ(SourceCell(source, 2, 1), before);
    // Delete asks, then the database refuses; Down on the last row appends nothing.
    session.Input.PressKey(VK_DELETE);
    EXPECT_EQ(messages.size(), 3u);
    EXPECT_EQ(Query(Path, "SELECT count(*) FROM orders"), "100");
    session.Input.PressKey(VK_END, TShiftState{ssCtrl});
    session.Input.PressKey(VK_DOWN);
    EXPECT_EQ(Query(Path, "SELECT count(*) FROM orders"), "100");
    EXPECT_EQ(grid->RowCount(), 100 + grid->TitleRows());
}

TEST_F(OrdersDatabaseTest, AnotherProgramsChangesShowAfterF5)
{
    CreateOrdersDatabase(Path, 100);
    THeadlessSession session;
    TSqliteSource source(Path, "orders");
    auto form = std::make_unique<TDemoForm>(nullptr, source);
    form->Show();
    ProcessMessages();
    TZelGrid* grid = form->Grid();
    const auto shown = [&](int DataCol, int DataRow) {
        std::string text;
        grid->OnGetDataCell(DataCol, DataRow, text);
        return text;
    };
    ASSERT_EQ(shown(2, 1), Query(Path, "SELECT Customer FROM orders WHERE Number = 2"));
    // Another program renames a customer and adds a record; the grid keeps what it read until F5.
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open_v2(Path.c_str(), &other, SQLITE_OPEN_READWRITE, nullptr), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other,
                           "UPDATE orders SET Customer = 'Outside Ltd' WHERE Number = 2;"
                           "INSERT INTO orders (Number, Date, Customer, Amount) VALUES (101, '2026-12-08', 'New', 5)",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close_v2(other);
    EXPECT_NE(shown(2, 1), "Outside Ltd");
    session.Input.PressKey(VK_F5);
    EXPECT_EQ(shown(2, 1), "Outside Ltd");
    EXPECT_EQ(grid->RowCount() - grid->TitleRows(), 101);
    EXPECT_NE(form->StatusText().find("of 101"), std::string::npos) << form->StatusText();
}
