#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "apps/zelgrid-demo/CsvReader.h"

namespace {

Currency Sum(const TDemoTable& t)
{
    Currency total;
    Currency c;
    for (int r = 0; r < t.RowCount(); ++r)
        if (ParseDemoAmount(t.Cell(t.FindColumn("amount"), r), c)) total += c;
    return total;
}

std::string ReadFile(const std::string& Name)
{
    std::ifstream f(Name, std::ios::binary);
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
}

} // namespace

TEST(DemoTable, GeneratedRecordsAreStableAndTheTotalFollowsEdits)
{
    TDemoTable t = TDemoTable::Generated(1000);
    ASSERT_EQ(t.ColCount(), 8);
    EXPECT_EQ(t.ColumnKind(0), dckNumber);
    EXPECT_EQ(t.ColumnKind(1), dckDate);
    EXPECT_EQ(t.ColumnKind(3), dckAmount);
    int y, m, d;
    for (int r = 0; r < t.RowCount(); ++r) {
        EXPECT_EQ(t.Cell(0, r), std::to_string(r + 1));
        EXPECT_TRUE(ParseDemoDate(t.Cell(1, r), y, m, d)) << t.Cell(1, r);
        EXPECT_TRUE(t.Cell(5, r) == "Yes" || t.Cell(5, r) == "No");
    }
    EXPECT_EQ(t.AmountTotal(), Sum(t));

    // Refused edits keep the old value and the total.
    const std::string oldAmount = t.Cell(3, 7);
    for (const char* bad : {"", "-", "12,5", "1.23456", "1e3", "999999999999999"})
        EXPECT_FALSE(t.SetCell(3, 7, bad).empty()) << bad;
    for (const char* bad : {"2026-02-29", "2026-13-01", "26-01-01", "2026-1-01", "2026-01-0x"})
        EXPECT_FALSE(t.SetCell(1, 7, bad).empty()) << bad;
    EXPECT_FALSE(t.SetCell(0, 7, "5").empty());
    EXPECT_EQ(t.Cell(3, 7), oldAmount);
    EXPECT_TRUE(t.SetCell(1, 7, "2024-02-29").empty());

    ASSERT_TRUE(t.SetCell(3, 7, "-12.5").empty());
    EXPECT_EQ(t.Cell(3, 7), "-12.5");
    const int row = t.AppendRow();
    EXPECT_EQ(t.Cell(0, row), "1001");
    ASSERT_TRUE(t.SetCell(3, row, "100").empty());
    t.DeleteRow(3);
    EXPECT_EQ(t.RowCount(), 1000);
    EXPECT_EQ(t.AmountTotal(), Sum(t));
}

TEST(DemoTable, SavedChangesListChangedAppendedAndDeletedRecords)
{
    TDemoTable t = ReadCsv("Number,Amount,Note\n1,1.00,a\n2,2.00,\"b, c\"\n3,3.00,d\n");
    EXPECT_FALSE(t.HasChanges());
    ASSERT_TRUE(t.SetCell(2, 0, "x\"y").empty());
    t.DeleteRow(1);
    const int row = t.AppendRow();
    ASSERT_TRUE(t.SetCell(2, row, "new").empty());
    ASSERT_TRUE(t.SetCell(2, 1, "gone").empty()); // record 3, then deleted
    t.DeleteRow(1);
    EXPECT_TRUE(t.HasChanges());
    const std::string name = ::testing::TempDir() + "demo_table_changes.csv";
    t.SaveChanges(name);
    EXPECT_EQ(ReadFile(name), "change,Number,Amount,Note\r\n"
                              "changed,1,1.00,\"x\"\"y\"\r\n"
                              "appended,4,0.00,new\r\n"
                              "deleted,2,2.00,\"b, c\"\r\n"
                              "deleted,3,3.00,gone\r\n");
    std::remove(name.c_str());
    EXPECT_THROW(t.SaveChanges("/nonexistent/dir/x.csv"), std::runtime_error);
}

TEST(DemoTable, AppendedNumbersStayUniqueAtTheTopOfTheirType)
{
    struct TCase {
        const char* Csv;
        int Deleted; // row deleted before appending, or -1
        std::vector<std::string> Appended;
    } cases[] = {
        {"Number\n9223372036854775806\n", -1, {"9223372036854775807", "1", "2"}},
        {"Number\n1\n9223372036854775807\n3\n", -1, {"2", "4", "5"}},
        // A deleted record keeps its number: it is in the saved changes.
        {"Number,Amount\n2,1\n9223372036854775807,1\n1,1\n", 2, {"3", "4"}},
        {"Number\n-5\nx\n99999999999999999999\n", -1, {"1", "2"}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Csv);
        TDemoTable t = ReadCsv(c.Csv);
        if (c.Deleted >= 0) t.DeleteRow(c.Deleted);
        std::vector<std::string> appended;
        for (std::size_t i = 0; i < c.Appended.size(); ++i) appended.push_back(t.Cell(0, t.AppendRow()));
        EXPECT_EQ(appended, c.Appended);
    }
}
