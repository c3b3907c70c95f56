#include <gtest/gtest.h>

#include <cstdint>
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

namespace {

// The Number field of each shown row, in row order.
std::vector<std::string> Numbers(const TDemoTable& t)
{
    std::vector<std::string> out;
    for (int r = 0; r < t.RowCount(); ++r) out.push_back(t.Cell(0, r));
    return out;
}

} // namespace

TEST(DemoTable, SortOrdersByTypedValuesStablyWithEmptyAndUnreadableValuesLast)
{
    // Numbers, dates and amounts that sort differently as text; equal values to show stability.
    const char* const csv = "Number,Date,Amount,Name\n"
                            "1,2024-10-01,10,beta\n"
                            "2,2024-9-01,9.5,Alpha\n"
                            "3,2024-02-29,-1,alpha\n"
                            "9,,10.00,\n"
                            "10,2023-12-31,x,Beta\n"
                            "x,2024-10-01,0.5,gamma\n";
    struct TCase {
        const char* Name;
        std::vector<std::pair<int, bool>> Sorts; // (column, descending), in order
        std::vector<std::string> Order;
        int Followed; // the row the record first shown at row 1 moved to
    } cases[] = {
        {"numbers by value", {{0, false}}, {"1", "2", "3", "9", "10", "x"}, 1},
        {"numbers descending", {{0, true}}, {"10", "9", "3", "2", "1", "x"}, 3},
        {"dates by date; equal dates keep their order", {{1, false}}, {"10", "3", "1", "x", "2", "9"}, 4},
        {"amounts by value; 10 and 10.00 keep their order", {{2, false}}, {"3", "x", "2", "1", "9", "10"}, 2},
        {"amounts descending", {{2, true}}, {"1", "9", "2", "x", "3", "10"}, 2},
        {"text ignoring case, ties in order", {{3, false}}, {"2", "3", "1", "10", "x", "9"}, 0},
        {"a second sort orders the ties of the first", {{3, false}, {2, true}}, {"1", "9", "2", "x", "3", "10"}, 2},
        {"text descending, then by number again", {{3, true}, {0, false}}, {"1", "2", "3", "9", "10", "x"}, 1},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TDemoTable t = ReadCsv(csv);
        int followed = 1;
        for (const auto& [col, descending] : c.Sorts) followed = t.SortBy(col, descending, followed);
        EXPECT_EQ(Numbers(t), c.Order);
        EXPECT_EQ(followed, c.Followed);
        EXPECT_FALSE(t.HasChanges()) << "a sort is no change";
    }

    // Edits are sorted by their new value; a record appended and never edited stays last.
    TDemoTable t = TDemoTable::Generated(50);
    ASSERT_TRUE(t.SetCell(3, 10, "0.01").empty());
    const int blank = t.AppendRow();
    ASSERT_TRUE(t.SetCell(3, t.AppendRow(), "99999").empty());
    EXPECT_EQ(t.SortBy(3, false, blank), 51);
    EXPECT_EQ(t.Cell(0, 0), "11");
    EXPECT_EQ(t.Cell(0, 50), "52");
    EXPECT_EQ(t.SortBy(3, true), -1);
    EXPECT_EQ(t.Cell(0, 0), "52");
    EXPECT_EQ(t.Cell(0, 51), "51") << "the blank record";
    Currency previous = Currency::FromRaw(INT64_MAX), amount;
    for (int r = 0; r < 51; ++r) {
        ASSERT_TRUE(ParseDemoAmount(t.Cell(3, r), amount));
        EXPECT_LE(amount, previous) << "row " << r;
        previous = amount;
    }
    EXPECT_EQ(t.AmountTotal(), Sum(t));
}

TEST(DemoTable, OnlyAnAppendedRecordNeverEditedIsDroppedAndGivesItsNumberBack)
{
    TDemoTable t = ReadCsv("Number,Amount,Note\n1,1.00,a\n2,2.00,b\n");
    EXPECT_FALSE(t.DropBlankRow(0)) << "a loaded record";
    int row = t.AppendRow();
    EXPECT_TRUE(t.IsBlankRow(row));
    EXPECT_TRUE(t.DropBlankRow(row));
    EXPECT_EQ(t.RowCount(), 2);
    EXPECT_FALSE(t.HasChanges());
    row = t.AppendRow();
    EXPECT_EQ(t.Cell(0, row), "3") << "the dropped record's number is given again";
    ASSERT_TRUE(t.SetCell(2, row, "kept").empty());
    EXPECT_FALSE(t.DropBlankRow(row)) << "an edited record";
    // A blank record that is not the last one stored is deleted instead: its text stays.
    const int first = t.AppendRow();
    t.AppendRow();
    EXPECT_TRUE(t.DropBlankRow(first));
    EXPECT_EQ(Numbers(t), (std::vector<std::string>{"1", "2", "3", "5"}));
    EXPECT_EQ(t.Cell(0, t.AppendRow()), "6");
    EXPECT_EQ(t.AmountTotal(), Currency::FromRaw(30000));
}

TEST(DemoTable, AmountsFollowTheirFormat)
{
    struct TCase {
        std::int64_t Raw;
        const char* Format;
        const char* Shown;
    } cases[] = {
        {12345000, "0.00", "1234.50"},      {12345000, "#,##0.00", "1,234.50"}, {-12345678, "#,##0.00", "-1,234.57"},
        {12345, "0.00", "1.23"},            {12355, "0.00", "1.24"},           {-49, "0.00", "0.00"},
        {1234567890000, "#,##0", "123,456,789"}, {15000, "0", "2"},            {12345, "0.0000", "1.2345"},
        {INT64_MIN, "#,##0.00", "-922,337,203,685,477.58"}, {5, "", "0"},
    };
    for (const TCase& c : cases)
        EXPECT_EQ(FormatDemoAmount(Currency::FromRaw(c.Raw), c.Format), c.Shown) << c.Raw << " " << c.Format;
}
