// The generated order source: the fields of each record, the refusals and their messages, the
// order of every column, positions and the change log through sessions of edits; and no memory
// per record at 100,000,000 records. The expected fields, messages and orders were taken from the
// demo's in-memory generated table, which this source replaced.
#include <gtest/gtest.h>
#include <malloc.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <tuple>
#include <vector>

#include "ChangeModel.h"
#include "binding/GeneratedOrdersSource.h"
#include "binding/GridBinding.h"
#include "tests/binding/PatientBindings.h"
#include "binding/SourceValues.h"
#include "host/controls/Application.h"
#include "host/controls/Forms.h"
#include "host/windows/Headless.h"
#include "host/windows/Input.h"
#include "host/windows/MessageQueue.h"

namespace {

std::vector<TSourceRow> ReadAll(TTableSource& Source)
{
    std::vector<TSourceRow> rows, page;
    for (std::int64_t first = 0; first < Source.RowCount(); first += 4096) {
        Source.ReadRows(first, 4096, page);
        rows.insert(rows.end(), page.begin(), page.end());
    }
    return rows;
}

// FNV-1a over texts, each followed by its separator: one number that pins a whole table or order.
std::uint64_t Digest(std::uint64_t Hash, const std::string& Text, char Separator)
{
    for (const char c : Text + Separator) {
        Hash ^= static_cast<unsigned char>(c);
        Hash *= 1099511628211ull;
    }
    return Hash;
}
constexpr std::uint64_t DigestStart = 14695981039346656037ull;

// What an appended record holds: the next number, the first day of 2026 and no amount.
TSourceRow NewOrder(std::size_t Records) { return {std::to_string(Records + 1), "2026-01-01", "", "0.00", "", "", "", ""}; }

} // namespace

TEST(GeneratedSource, FieldsFollowFromTheRecordNumber)
{
    const std::vector<TSourceRow> spots = {
        {"1", "2020-02-10", "Abernathy Ltd", "3408.94", "New", "No", "urgent", "Fragile goods: pack in double cartons, keep upright, and call before delivery."},
        {"2", "2022-03-24", "Eastgate Foods", "3028.40", "Delivered", "Yes", "", "Regular order."},
        {"3", "2020-05-01", "Greystone Mills", "4472.64", "Delivered", "No", "urgent", "Customer asked for one invoice per parcel and a copy of each by mail."},
        {"7", "2021-08-29", "Fairfield, Inc.", "895.27", "Cancelled", "No", "urgent", "Customer asked for one invoice per parcel and a copy of each by mail."},
        {"1000", "2024-02-15", "Brightwater & Sons", "75.33", "Cancelled", "Yes", "gift", "Regular order."},
        {"150000", "2025-12-25", "Brightwater & Sons", "1735.01", "Confirmed", "No", "fragile", "Deliver to the side entrance; the front door is closed on Mondays."},
        {"300000", "2025-12-01", "Abernathy Ltd", "3828.20", "Confirmed", "Yes", "export,fragile", "Fragile goods: pack in double cartons, keep upright, and call before delivery."},
        {"1000000", "2024-08-11", "Juniper Garden", "714.06", "New", "Yes", "urgent,gift", "Customer asked for one invoice per parcel and a copy of each by mail."},
    };
    std::vector<TSourceRow> rows;
    for (std::int64_t count : {1, 7, 1000000}) {
        TGeneratedOrdersSource source(count);
        for (const TSourceRow& spot : spots) {
            const std::int64_t row = std::stoll(spot[0]) - 1;
            source.ReadRows(row, 1, rows);
            EXPECT_EQ(rows, row < count ? std::vector<TSourceRow>{spot} : std::vector<TSourceRow>{}) << count << " records";
        }
    }
    // Every field of the first 1,000 and 300,000 records.
    for (auto [count, digest] : {std::pair<int, std::uint64_t>{1000, 0x9567094921EE539Full}, {300000, 0xD0B8714B32540A95ull}}) {
        TGeneratedOrdersSource source(count);
        ASSERT_EQ(source.RowCount(), count);
        std::uint64_t hash = DigestStart;
        for (const TSourceRow& row : ReadAll(source))
            for (std::size_t c = 0; c < row.size(); ++c) hash = Digest(hash, row[c], c + 1 == row.size() ? '\n' : ',');
        EXPECT_EQ(hash, digest) << count << " records";
    }

    TGeneratedOrdersSource source(10);
    std::vector<std::string> names;
    for (const TSourceColumn& column : source.Columns()) names.push_back(column.Name);
    EXPECT_EQ(names, (std::vector<std::string>{"Number", "Date", "Customer", "Amount", "Status", "Paid", "Tags", "Note"}));
    EXPECT_EQ(source.Columns()[0].Kind, TSourceColumnKind::Integer);
    EXPECT_EQ(source.Columns()[1].Kind, TSourceColumnKind::Date);
    EXPECT_EQ(source.Columns()[3].Kind, TSourceColumnKind::Number);
    EXPECT_EQ(source.Description(), "generated orders, 10 records");
    EXPECT_EQ(TGeneratedOrdersSource(0).RowCount(), 0);
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

// Two sessions of edits, deletes and appends against the model: after each step the rows, the
// revision, whether there are changes and the CSV of them. A refused edit changes nothing, a sort
// is no change, and appended records stay in the order they were appended.
TEST(GeneratedSource, SessionsKeepPositionsAndWriteTheirChanges)
{
    const std::string badDate = "'2023-02-29' is not a valid date (YYYY-MM-DD).";
    const std::vector<std::vector<TSessionStep>> sessions = {
        {{'d', 0, 0, ""},         {'d', 0, 0, ""},         {'d', 297, 0, ""},         {'d', 150, 0, ""},
         {'d', 151, 0, ""},       {'d', 150, 0, ""},       {'e', 0, 2, "First left"}, {'e', 100, 3, "12.5"},
         {'a', 0, 0, ""},         {'a', 0, 0, ""},         {'e', 294, 2, "appended"}, {'e', 295, 1, "2024-02-29"},
         {'d', 294, 0, ""},       {'d', 0, 0, ""},         {'a', 0, 0, ""},           {'d', 100, 0, ""},
         {'e', 50, 7, "a, \"note\""}, {'d', 49, 0, ""},    {'d', 48, 0, ""},          {'e', 48, 4, ""}},
        {{'e', 20, 2, "Quote \"Q\", Ltd"}, {'e', 20, 3, "12.5"}, {'e', 5, 1, "2023-02-29", badDate}, {'e', 7, 7, "two\nlines"},
         {'a', 0, 0, ""},                 {'e', 300, 3, "4000"}, {'a', 0, 0, ""},                   {'a', 0, 0, ""},
         {'e', 302, 2, "gone soon"},      {'d', 302, 0, ""},     {'d', 7, 0, ""},                   {'d', 0, 0, ""},
         {'e', 150, 4, ""},               {'d', 297, 0, ""}},
    };
    for (const std::vector<TSessionStep>& steps : sessions) {
        TGeneratedOrdersSource source(300);
        const TChangeLog& log = source;
        EXPECT_FALSE(log.HasChanges());
        EXPECT_EQ(log.ChangesCsv(), "change,Number,Date,Customer,Amount,Status,Paid,Tags,Note\r\n");
        TChangeModel model({"Number", "Date", "Customer", "Amount", "Status", "Paid", "Tags", "Note"}, ReadAll(source));
        RunChangeSession(source, log, model, steps, NewOrder);
        // Positions past the end are refused, and nothing changes.
        EXPECT_NE(source.DeleteRecord(source.RowCount()), "");
        EXPECT_NE(source.UpdateCell(-1, 2, "x"), "");
        EXPECT_NE(source.UpdateCell(0, 8, "x"), "");
        EXPECT_EQ(ReadAll(source), model.Rows());
        EXPECT_EQ(log.Revision(), model.Revision());
    }

    TGeneratedOrdersSource source(300);
    TChangeModel model({"Number", "Date", "Customer", "Amount", "Status", "Paid", "Tags", "Note"}, ReadAll(source));
    RunChangeSession(source, source, model, sessions[1], NewOrder);
    const std::string csv = source.ChangesCsv();
    EXPECT_NE(csv.find("\r\ndeleted,8,"), std::string::npos) << "an edited record deleted, as it was:\n" << csv;
    EXPECT_EQ(csv.find("gone soon"), std::string::npos) << "an appended record deleted is in no change";
    source.SetOrder(3, TSortDirection::Ascending);
    EXPECT_EQ(source.Revision(), model.Revision());
    EXPECT_EQ(source.ChangesCsv(), csv);
}

TEST(GeneratedSource, RefusesNumbersDatesAndAmountsThatAreNotOneWithAMessage)
{
    const struct {
        int Col;
        const char* Value;
        const char* Refusal; // empty: taken
    } cases[] = {
        {0, "5", "The record number cannot be changed."},
        {0, "", "The record number cannot be changed."},
        {1, "2024-02-29", ""},
        {1, "2023-02-29", "'2023-02-29' is not a valid date (YYYY-MM-DD)."},
        {1, "2024-13-01", "'2024-13-01' is not a valid date (YYYY-MM-DD)."},
        {1, "2024-1-01", "'2024-1-01' is not a valid date (YYYY-MM-DD)."},
        {1, "", "'' is not a valid date (YYYY-MM-DD)."},
        {1, "0000-01-01", "'0000-01-01' is not a valid date (YYYY-MM-DD)."},
        {1, "+024-01-01", "'+024-01-01' is not a valid date (YYYY-MM-DD)."},
        {1, "2024-01-01 ", "'2024-01-01 ' is not a valid date (YYYY-MM-DD)."},
        {1, "26-01-01", "'26-01-01' is not a valid date (YYYY-MM-DD)."},
        {1, "2026-01-0x", "'2026-01-0x' is not a valid date (YYYY-MM-DD)."},
        {3, "12.5", ""},
        {3, "-0.0001", ""},
        {3, "1.23456", "'1.23456' is not a valid amount."},
        {3, "abc", "'abc' is not a valid amount."},
        {3, "", "'' is not a valid amount."},
        {3, "-", "'-' is not a valid amount."},
        {3, ".", "'.' is not a valid amount."},
        {3, "5.", ""},
        {3, ".5", ""},
        {3, "12,5", "'12,5' is not a valid amount."},
        {3, "99999999999999", ""},
        {3, "100000000000000", "'100000000000000' is not a valid amount."},
        {3, "1e3", "'1e3' is not a valid amount."},
        {3, "+5", "'+5' is not a valid amount."},
        {2, "", ""},
        {2, "any, text", ""},
        {5, "Maybe", ""},
        {6, "", ""},
    };
    TGeneratedOrdersSource source(20);
    std::vector<TSourceRow> expected = ReadAll(source);
    for (const auto& c : cases) {
        EXPECT_EQ(source.UpdateCell(3, c.Col, c.Value), c.Refusal) << "column " << c.Col << ", \"" << c.Value << "\"";
        if (!*c.Refusal) expected[3][static_cast<std::size_t>(c.Col)] = c.Value;
    }
    EXPECT_EQ(ReadAll(source), expected);
}

// Every column sorted ascending, with edits and deletes in the table: by value (text without
// regard to case), ties by record number; descending is the exact reverse, ties included.
TEST(GeneratedSource, SortsByValueWithTiesByRecordNumber)
{
    const struct {
        int Col;
        std::vector<std::string> First; // the first numbers in ascending order
        std::uint64_t Digest;           // of every number in that order
    } cases[] = {
        {0, {"1", "2", "3", "4", "5", "6"}, 0xAC09A8CFA6C1D3FFull},
        {1, {"7", "4559", "4874", "1922", "3037", "3897"}, 0xD88F32E893E483B1ull},
        {2, {"1", "8", "22", "29", "37", "38"}, 0x82DA484616F13A67ull},
        {3, {"2700", "14", "4627", "4333", "2136", "856"}, 0x0EAFAA9AF9D0D68Bull},
        {4, {"7", "12", "13", "31", "39", "41"}, 0xBD212A3B575372D3ull},
        {5, {"1", "3", "7", "8", "9", "10"}, 0x5A0530BBBC1F5249ull},
        {7, {"3", "4", "7", "12", "13", "17"}, 0xAEA57269B5483C27ull},
    };
    TGeneratedOrdersSource source(5000);
    for (int row : {10, 2000, 4990}) ASSERT_EQ(source.DeleteRecord(row), "");
    for (auto [row, c, value] : {std::tuple{5, 3, "4000.1"}, {6, 1, "2019-12-31"}, {7, 2, "abernathy ltd"}, {8, 4, "Zzz"},
                                 {9, 7, "Regular order."}, {11, 5, "No"}, {12, 3, "1.00"}, {13, 1, "2025-12-31"}})
        ASSERT_EQ(source.UpdateCell(row, c, value), "");
    for (const auto& c : cases) {
        SCOPED_TRACE(source.Columns()[static_cast<std::size_t>(c.Col)].Name);
        const TSourceColumnKind kind = source.Columns()[static_cast<std::size_t>(c.Col)].Kind;
        source.SetOrder(c.Col, TSortDirection::Ascending);
        EXPECT_EQ(source.OrderColumn(), c.Col);
        const std::vector<TSourceRow> rows = ReadAll(source);
        ASSERT_EQ(rows.size(), 4997u);
        std::uint64_t hash = DigestStart;
        std::vector<std::string> first;
        for (std::size_t i = 0; i < rows.size(); ++i) {
            hash = Digest(hash, rows[i][0], ',');
            if (i < c.First.size()) first.push_back(rows[i][0]);
            if (i == 0) continue;
            const int order = CompareSourceValues(kind, rows[i - 1][static_cast<std::size_t>(c.Col)], rows[i][static_cast<std::size_t>(c.Col)]);
            ASSERT_LE(order, 0) << "row " << i;
            if (order == 0) {
                ASSERT_LT(std::stoll(rows[i - 1][0]), std::stoll(rows[i][0])) << "a tie at row " << i;
            }
        }
        EXPECT_EQ(first, c.First);
        EXPECT_EQ(hash, c.Digest);
        source.SetOrder(c.Col, TSortDirection::Descending);
        EXPECT_EQ(ReadAll(source), std::vector<TSourceRow>(rows.rbegin(), rows.rend()));
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
        TPatientBindings patience;
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
