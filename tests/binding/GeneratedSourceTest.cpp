// The generated order source against the demo's generated table: the same texts for the same
// records, the same refusals, the same order after a sort; positions after deletes and appends;
// and no memory per record at 100,000,000 records.
#include <gtest/gtest.h>
#include <malloc.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "apps/zelgrid-demo/DemoTable.h"
#include "binding/GeneratedOrdersSource.h"
#include "binding/GridBinding.h"
#include "host/controls/Application.h"
#include "host/controls/Forms.h"
#include "host/windows/Headless.h"
#include "host/windows/Input.h"
#include "host/windows/MessageQueue.h"

namespace {

// Every cell of the source's rows equals the demo table's cell at the same row.
void ExpectSameRows(TGeneratedOrdersSource& Source, const TDemoTable& Demo, std::int64_t First, int Count,
                    const std::string& Where)
{
    std::vector<TSourceRow> rows;
    Source.ReadRows(First, Count, rows);
    ASSERT_EQ(static_cast<std::int64_t>(rows.size()), std::min<std::int64_t>(Count, Demo.RowCount() - First)) << Where;
    for (std::size_t i = 0; i < rows.size(); ++i)
        for (int c = 0; c < Demo.ColCount(); ++c)
            ASSERT_EQ(rows[i][static_cast<std::size_t>(c)], Demo.Cell(c, static_cast<int>(First + static_cast<std::int64_t>(i))))
                << Where << ", row " << First + static_cast<std::int64_t>(i) << ", column " << Demo.ColumnName(c);
}

void ExpectSameTable(TGeneratedOrdersSource& Source, const TDemoTable& Demo, const std::string& Where)
{
    ASSERT_EQ(Source.RowCount(), Demo.RowCount()) << Where;
    for (std::int64_t first = 0; first < Demo.RowCount(); first += 97) ExpectSameRows(Source, Demo, first, 97, Where);
}

} // namespace

TEST(GeneratedSource, CellsAndColumnsAreTheDemoTables)
{
    for (int count : {0, 1, 7, 1000, 300000}) {
        SCOPED_TRACE(count);
        TGeneratedOrdersSource source(count);
        const TDemoTable demo = TDemoTable::Generated(count);
        ASSERT_EQ(source.RowCount(), demo.RowCount());
        ASSERT_EQ(static_cast<int>(source.Columns().size()), demo.ColCount());
        for (int c = 0; c < demo.ColCount(); ++c) EXPECT_EQ(source.Columns()[static_cast<std::size_t>(c)].Name, demo.ColumnName(c));
        if (count <= 1000) {
            ExpectSameTable(source, demo, "whole table");
        } else {
            for (std::int64_t first : {0, count / 2 - 20, count - 40}) ExpectSameRows(source, demo, first, 40, "page");
        }
    }
    TGeneratedOrdersSource source(10);
    EXPECT_EQ(source.Columns()[0].Kind, TSourceColumnKind::Integer);
    EXPECT_EQ(source.Columns()[1].Kind, TSourceColumnKind::Date);
    EXPECT_EQ(source.Columns()[3].Kind, TSourceColumnKind::Number);
    EXPECT_EQ(source.Description(), "generated orders, 10 records");
    std::vector<TSourceRow> rows;
    source.ReadRows(-3, 5, rows);
    EXPECT_EQ(rows.size(), 2u); // rows -3 .. 1, of which 0 and 1 exist
    source.ReadRows(9, 5, rows);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][0], "10");
    for (std::int64_t first : {std::int64_t{INT64_MAX - 1}, std::int64_t{INT64_MIN}, std::int64_t{10}}) {
        source.ReadRows(first, 40, rows);
        EXPECT_TRUE(rows.empty()) << first;
    }
    EXPECT_THROW(TGeneratedOrdersSource(-1), ESourceError);
    EXPECT_THROW(TGeneratedOrdersSource(TGeneratedOrdersSource::MaxRecords + 1), ESourceError);
}

// A scripted session of edits, deletes and appends done to both; after each step the whole
// table reads the same.
TEST(GeneratedSource, EditsDeletesAndAppendsKeepPositionsAsTheDemoDoes)
{
    TGeneratedOrdersSource source(300);
    TDemoTable demo = TDemoTable::Generated(300);
    struct TStep {
        char Op; // 'e' edit, 'd' delete, 'a' append
        int Row;
        int Col;
        const char* Value;
    };
    const TStep steps[] = {
        {'d', 0, 0, ""},          {'d', 0, 0, ""},         {'d', 297, 0, ""},          {'d', 150, 0, ""},
        {'d', 151, 0, ""},        {'d', 150, 0, ""},       {'e', 0, 2, "First left"},  {'e', 100, 3, "12.5"},
        {'a', 0, 0, ""},          {'a', 0, 0, ""},         {'e', 294, 2, "appended"},  {'e', 295, 1, "2024-02-29"},
        {'d', 294, 0, ""},        {'d', 0, 0, ""},         {'a', 0, 0, ""},            {'d', 100, 0, ""},
        {'e', 50, 7, "a, \"note\""}, {'d', 49, 0, ""},     {'d', 48, 0, ""},           {'e', 48, 4, ""},
    };
    for (std::size_t i = 0; i < std::size(steps); ++i) {
        const TStep& s = steps[i];
        std::int64_t row = -1;
        if (s.Op == 'e') {
            EXPECT_EQ(source.UpdateCell(s.Row, s.Col, s.Value), demo.SetCell(s.Col, s.Row, s.Value));
        } else if (s.Op == 'd') {
            EXPECT_EQ(source.DeleteRecord(s.Row), "");
            demo.DeleteRow(s.Row);
        } else {
            EXPECT_EQ(source.InsertRecord(row), "");
            EXPECT_EQ(row, demo.AppendRow());
        }
        ExpectSameTable(source, demo, "after step " + std::to_string(i));
    }
    // Positions past the end are refused, and nothing changes.
    EXPECT_NE(source.DeleteRecord(source.RowCount()), "");
    EXPECT_NE(source.UpdateCell(-1, 2, "x"), "");
    EXPECT_NE(source.UpdateCell(0, 8, "x"), "");
    ExpectSameTable(source, demo, "after refusals");
}

// The change log over a scripted session done to both: after each step the revision, whether
// there are changes and the CSV of them are the demo table's. A sort at the end is no change, and
// appended records stay in the order they were appended.
TEST(GeneratedSource, ChangeLogWritesTheChangesAsTheDemoDoes)
{
    TGeneratedOrdersSource source(300);
    TDemoTable demo = TDemoTable::Generated(300);
    const TChangeLog& log = source;
    EXPECT_FALSE(log.HasChanges());
    EXPECT_EQ(log.ChangesCsv(), "change,Number,Date,Customer,Amount,Status,Paid,Tags,Note\r\n");
    struct TStep {
        char Op; // 'e' edit, 'd' delete, 'a' append
        int Row;
        int Col;
        const char* Value;
    };
    const TStep steps[] = {
        {'e', 20, 2, "Quote \"Q\", Ltd"}, {'e', 20, 3, "12.5"},  {'e', 5, 1, "2023-02-29"}, {'e', 7, 7, "two\nlines"},
        {'a', 0, 0, ""},                 {'e', 300, 3, "4000"}, {'a', 0, 0, ""},            {'a', 0, 0, ""},
        {'e', 302, 2, "gone soon"},      {'d', 302, 0, ""},     {'d', 7, 0, ""},            {'d', 0, 0, ""},
        {'e', 150, 4, ""},               {'d', 297, 0, ""},
    };
    for (std::size_t i = 0; i < std::size(steps); ++i) {
        const TStep& s = steps[i];
        std::int64_t row = -1;
        if (s.Op == 'e') {
            EXPECT_EQ(source.UpdateCell(s.Row, s.Col, s.Value), demo.SetCell(s.Col, s.Row, s.Value));
        } else if (s.Op == 'd') {
            EXPECT_EQ(source.DeleteRecord(s.Row), "");
            demo.DeleteRow(s.Row);
        } else {
            EXPECT_EQ(source.InsertRecord(row), "");
            EXPECT_EQ(row, demo.AppendRow());
        }
        SCOPED_TRACE("after step " + std::to_string(i));
        EXPECT_EQ(log.Revision(), demo.Revision());
        EXPECT_EQ(log.HasChanges(), demo.HasChanges());
        ASSERT_EQ(log.ChangesCsv(), demo.ChangesCsv());
    }
    const std::string csv = log.ChangesCsv();
    EXPECT_NE(csv.find("\r\ndeleted,8,"), std::string::npos) << "an edited record deleted, as it was:\n" << csv;
    EXPECT_EQ(csv.find("gone soon"), std::string::npos) << "an appended record deleted is in no change";
    source.SetOrder(3, TSortDirection::Ascending);
    EXPECT_EQ(log.Revision(), demo.Revision());
    EXPECT_EQ(log.ChangesCsv(), csv);
}

TEST(GeneratedSource, RefusesWhatTheDemoRefusesWithItsMessages)
{
    struct TCase {
        int Col;
        const char* Value;
    };
    const TCase cases[] = {
        {0, "5"},           {0, ""},            {1, "2024-02-29"}, {1, "2023-02-29"}, {1, "2024-13-01"},
        {1, "2024-1-01"},   {1, ""},            {1, "0000-01-01"}, {1, "+024-01-01"}, {1, "2024-01-01 "},
        {3, "12.5"},        {3, "-0.0001"},     {3, "1.23456"},    {3, "abc"},        {3, ""},
        {3, "-"},           {3, "."},           {3, "5."},         {3, ".5"},         {3, "99999999999999"},
        {3, "100000000000000"}, {3, "1e3"},     {3, "+5"},         {2, ""},           {2, "any, text"},
        {5, "Maybe"},       {6, ""},
    };
    TGeneratedOrdersSource source(20);
    TDemoTable demo = TDemoTable::Generated(20);
    int refused = 0;
    for (const TCase& c : cases) {
        const std::string expected = demo.SetCell(c.Col, 3, c.Value);
        EXPECT_EQ(source.UpdateCell(3, c.Col, c.Value), expected) << "column " << c.Col << ", \"" << c.Value << "\"";
        refused += !expected.empty();
    }
    EXPECT_GE(refused, 14);
    ExpectSameTable(source, demo, "after the refusals");
}

// Sorting every column ascending gives the demo's order (ties by record number, which is also
// what a stable sort from the natural order gives), with edits and deletes in the table; sorting
// descending gives that order reversed, ties included.
TEST(GeneratedSource, SortsAsTheDemoWithTiesByRecordNumber)
{
    const int count = 5000;
    for (int col : {0, 1, 2, 3, 4, 5, 7}) {
        for (bool descending : {false, true}) {
            SCOPED_TRACE(std::to_string(col) + (descending ? " descending" : " ascending"));
            TGeneratedOrdersSource source(count);
            TDemoTable demo = TDemoTable::Generated(count);
            for (int row : {10, 2000, 4990}) {
                source.DeleteRecord(row);
                demo.DeleteRow(row);
            }
            for (auto [row, c, value] : {std::tuple{5, 3, "4000.1"}, {6, 1, "2019-12-31"}, {7, 2, "abernathy ltd"}, {8, 4, "Zzz"},
                                         {9, 7, "Regular order."}, {11, 5, "No"}, {12, 3, "1.00"}, {13, 1, "2025-12-31"}}) {
                ASSERT_EQ(source.UpdateCell(row, c, value), "");
                ASSERT_EQ(demo.SetCell(c, row, value), "");
            }
            source.SetOrder(col, descending ? TSortDirection::Descending : TSortDirection::Ascending);
            demo.SortBy(col, false);
            EXPECT_EQ(source.OrderColumn(), col);
            if (!descending) {
                ExpectSameTable(source, demo, "sorted");
                continue;
            }
            std::vector<TSourceRow> rows;
            source.ReadRows(0, count, rows);
            ASSERT_EQ(static_cast<int>(rows.size()), demo.RowCount());
            for (int row = 0; row < demo.RowCount(); ++row)
                ASSERT_EQ(rows[static_cast<std::size_t>(demo.RowCount() - 1 - row)][0], demo.Cell(0, row)) << "row " << row;
        }
    }
}

// After writes in a sorted table, the records stand where sorting again would put them.
TEST(GeneratedSource, WritesInASortedTableKeepItSorted)
{
    TGeneratedOrdersSource source(3000);
    source.SetOrder(3, TSortDirection::Descending);
    std::int64_t row = -1;
    ASSERT_EQ(source.UpdateCell(0, 3, "0.01"), "");
    ASSERT_EQ(source.UpdateCell(2999, 3, "9999"), "");
    ASSERT_EQ(source.UpdateCell(1500, 3, "2500"), "");
    ASSERT_EQ(source.InsertRecord(row), "");
    std::vector<TSourceRow> rows;
    source.ReadRows(row, 1, rows);
    EXPECT_EQ(rows.at(0)[0], "3001");
    EXPECT_EQ(rows[0][3], "0.00");
    EXPECT_EQ(row, source.RowCount() - 1); // 0.00 is the lowest amount
    ASSERT_EQ(source.UpdateCell(row, 3, "2500"), "");
    ASSERT_EQ(source.DeleteRecord(7), "");
    ASSERT_EQ(source.DeleteRecord(row - 1), ""); // the row the edit above moved the new record from
    std::vector<TSourceRow> kept, again;
    source.ReadRows(0, 4000, kept);
    source.SetOrder(3, TSortDirection::Descending);
    source.ReadRows(0, 4000, again);
    EXPECT_EQ(kept, again);
    ASSERT_EQ(kept.size(), 2999u);
    EXPECT_EQ(kept[0][3], "9999");
    // Unsorted again: the natural order, the deleted records gone.
    source.SetOrder(-1, TSortDirection::None);
    source.ReadRows(0, 4000, kept);
    ASSERT_EQ(kept.size(), 2999u);
    for (std::size_t i = 1; i < kept.size(); ++i) ASSERT_LT(std::stoll(kept[i - 1][0]), std::stoll(kept[i][0]));
}

TEST(GeneratedSource, SortBeyondTheLimitOrCancelledKeepsTheOrder)
{
    TGeneratedOrdersSource source(3000000);
    source.SetSortLimit(2999999);
    try {
        source.SetOrder(1, TSortDirection::Ascending);
        ADD_FAILURE() << "sorted past the limit";
    } catch (const ESourceError& e) {
        EXPECT_EQ(std::string(e.what()), "Sorting 3,000,000 records would take 11 MB for its index; this table sorts up to "
                                         "2,999,999 records");
    }
    EXPECT_EQ(source.OrderDirection(), TSortDirection::None);
    source.SetSortLimit(3000000);
    std::vector<double> seen;
    EXPECT_THROW(source.SetOrder(2, TSortDirection::Ascending, [&](double f) {
        seen.push_back(f);
        return f < 0.5;
    }),
                 ESourceCancelled);
    EXPECT_EQ(source.OrderDirection(), TSortDirection::None);
    EXPECT_EQ(source.OrderColumn(), -1);
    EXPECT_EQ(source.RecordAt(0), 1);
    ASSERT_GE(seen.size(), 3u);
    EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
    seen.clear();
    source.SetOrder(2, TSortDirection::Descending, [&](double f) {
        seen.push_back(f);
        return true;
    });
    EXPECT_EQ(seen.back(), 1.0);
    std::vector<TSourceRow> rows;
    source.ReadRows(0, 1, rows);
    EXPECT_EQ(rows.at(0)[2], "Juniper Garden");
}

TEST(GeneratedSource, HundredMillionRecordsReadWithoutMemoryPerRecord)
{
    const std::size_t before = mallinfo2().uordblks;
    {
        TGeneratedOrdersSource source(100000000);
        std::vector<TSourceRow> rows;
        for (std::int64_t first : {std::int64_t{0}, std::int64_t{50000000}, std::int64_t{100000000 - 40}}) {
            source.ReadRows(first, 40, rows);
            ASSERT_EQ(rows.size(), 40u);
            EXPECT_EQ(rows[0][0], std::to_string(first + 1));
        }
        EXPECT_EQ(rows.back()[0], "100000000");
        const std::size_t during = mallinfo2().uordblks;
#if !defined(__SANITIZE_ADDRESS__)
        // The source, the page of rows and its strings: a few kilobytes whatever the count.
        EXPECT_LT(during - before, 64u * 1024) << "bytes in use after opening and reading";
#endif
        // Sorting would take 400 MB for the index: refused with a message instead.
        EXPECT_THROW(source.SetOrder(3, TSortDirection::Ascending), ESourceError);
        RecordProperty("heap_bytes_in_use", std::to_string(during - before));
        std::int64_t row = -1;
        ASSERT_EQ(source.InsertRecord(row), "");
        EXPECT_EQ(row, 100000000);
        ASSERT_EQ(source.DeleteRecord(0), "");
        EXPECT_EQ(source.RowCount(), 100000000);
        source.ReadRows(99999999, 5, rows);
        ASSERT_EQ(rows.size(), 1u);
        EXPECT_EQ(rows[0][0], "100000001");
    }
}

// A grid over 100,000,000 generated records through the binding, driven as a user drives it:
// Ctrl+End, an edit, a refused edit and a refused sort, each refusal in a message box.
TEST(GeneratedSource, AGridShowsAHundredMillionRecordsAndTheRefusals)
{
    THeadlessSession session;
    TGeneratedOrdersSource source(100000000);
    std::vector<int> messages;
    TModalHookGuard hook{[&](TCustomForm* Dialog) {
        messages.push_back(1);
        Dialog->SetModalResult(mrOk);
    }};
    TForm* form = new TForm(nullptr);
    TZelGrid* grid = new TZelGrid(form);
    form->SetBounds(0, 0, 640, 400);
    grid->SetAlign(alClient);
    grid->SetParent(form);
    {
        TGridBinding binding(grid, source);
        form->SetActiveControl(grid);
        form->Show();
        ProcessMessages();
        EXPECT_EQ(grid->RowCount(), 100000000 + grid->TitleRows());
        session.Input.PressKey(VK_END, TShiftState{ssCtrl});
        ProcessMessages();
        EXPECT_EQ(grid->Row() - grid->TitleRows(), 99999999);
        EXPECT_EQ(binding.CellText(99999999, 0), "100000000");

        auto enter = [&](int Col, const std::string& Text) {
            grid->HideEditor();
            grid->AMoveColRow(grid->DataToRawColumn(Col), 99999999 + grid->TitleRows(), true, true);
            session.Input.TypeText(Text);
            session.Input.PressKey(VK_RETURN);
            grid->HideEditor();
        };
        enter(3, "12.5");
        EXPECT_EQ(binding.CellText(99999999, 3), "12.5");
        EXPECT_TRUE(messages.empty());
        enter(1, "2023-02-29");
        EXPECT_EQ(binding.LastError(), "'2023-02-29' is not a valid date (YYYY-MM-DD).");
        std::vector<TSourceRow> generated;
        TGeneratedOrdersSource(100000000).ReadRows(99999999, 1, generated);
        EXPECT_EQ(binding.CellText(99999999, 1), generated.at(0)[1]) << "the generated date stays";
        EXPECT_EQ(messages.size(), 1u);

        const TRect title = grid->CellRect(grid->DataToRawColumn(3), 0);
        session.Input.Click(grid->Handle(), TPoint{(title.Left + title.Right) / 2, (title.Top + title.Bottom) / 2});
        ProcessMessages();
        EXPECT_EQ(messages.size(), 2u);
        EXPECT_NE(binding.LastError().find("Sorting 100,000,000 records"), std::string::npos) << binding.LastError();
        EXPECT_EQ(source.OrderDirection(), TSortDirection::None);
    }
    delete form;
}
