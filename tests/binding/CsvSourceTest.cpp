// What is particular to CSV files: the records a malformed file is refused at, fields decoded as
// written and read back as CsvLine writes them, a file changed behind the source's back, the sort
// rules of each kind, changes kept in memory, and fields read as Latin-1 with their counts.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "ChangeModel.h"
#include "binding/ChangeLog.h"
#include "binding/CsvSource.h"
#include "binding/SourceValues.h"

namespace {

std::string TempFile(const std::string& Name, const std::string& Text)
{
    const std::string path = ::testing::TempDir() + "csvsource_" + Name;
    std::ofstream(path, std::ios::binary | std::ios::trunc) << Text;
    return path;
}

std::string Header(int Columns)
{
    std::string text;
    for (int c = 0; c < Columns; ++c) text += (c ? ",c" : "c") + std::to_string(c);
    return text + "\n";
}

std::vector<TSourceRow> ReadAll(TTableSource& Source)
{
    std::vector<TSourceRow> rows;
    Source.ReadRows(0, static_cast<int>(Source.RowCount()), rows);
    return rows;
}

} // namespace

TEST(CsvSource, MalformedFilesAreRefusedAtTheLineOfTheFault)
{
    const struct {
        std::string Text, Message;
    } cases[] = {
        {"", "line 1: the file is empty; the first line must name the columns"},
        {"\xEF\xBB\xBF", "line 1: the file is empty; the first line must name the columns"},
        {"a,b\n1,2\n3\n", "line 3: 1 fields where the header names 2"},
        {"a,b\n\"two\nlines\",2\n4,5,6\n", "line 4: 3 fields where the header names 2"},
        {"a,b\n1,2\n\"x\ny\",2,3\n", "line 3: 3 fields where the header names 2"}, // the record's first line
        {"a,b\n1,2\n\n", "line 3: 1 fields where the header names 2"},
        {"a,b\n1,x\"y\n", "line 2: a quote inside an unquoted field"},
        {"a,b\n\"x\"y,2\n", "line 2: text after the closing quote of a field"},
        {"a,b\n1,2\r3,4\n", "line 2: a carriage return without a line feed"},
        {"a,b\n1,2\n3,\"open\n4,5\n", "line 3: a quoted field is never closed"},
        {"a,b\n1,\"open\n\n", "line 2: a quoted field is never closed"},
        {"a,,c\n", "line 1: a column without a name in the header"},
        {"a,\n1,2,3\n", "line 1: a column without a name in the header"}, // the first fault counts
        {"a\n\n", ""}, // no fault: one column, one record of an empty field
        {Header(65536), "line 1: more than 65535 columns"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Text.substr(0, 40));
        const std::string path = TempFile("malformed.csv", c.Text);
        try {
            TCsvSource source(path);
            EXPECT_EQ(c.Message, "") << "read a malformed file";
            EXPECT_EQ(source.RowCount(), 1);
        } catch (const ESourceError& E) {
            EXPECT_EQ(std::string(E.what()), path + ", " + c.Message);
        }
    }
    EXPECT_THROW(TCsvSource{::testing::TempDir() + "csvsource_missing.csv"}, ESourceError);
    // A fifo or a device is refused at once rather than waited on or read without end.
    const std::string fifo = ::testing::TempDir() + "csvsource_fifo_" + std::to_string(::getpid());
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    for (const std::string& special : {::testing::TempDir(), fifo, std::string("/dev/zero")}) {
        try {
            TCsvSource source(special);
            ADD_FAILURE() << "read " << special;
        } catch (const ESourceError& E) {
            EXPECT_EQ(std::string(E.what()), special + " is not a regular file");
        }
    }
    std::remove(fifo.c_str());
}

TEST(CsvSource, FieldsReadAsWrittenAndBytesThatAreNotUtf8AsLatin1)
{
    // A byte order mark, CRLF and LF line ends, quoted separators, quotes and line breaks, a last
    // record without a line end, and bytes that are no UTF-8 (a Latin-1 e-acute, an overlong '/').
    const std::string path = TempFile("fields.csv", "\xEF\xBB\xBFName,\"Note, long\",Z\r\n"
                                                    "plain,\"a \"\"quoted\"\" word\",\r\n"
                                                    "caf\xE9,\"line one\r\nline two\",\xC0\xAF\n"
                                                    "\"\",\xC3\xA9t\xC3\xA9,\"x,y\"");
    TCsvSource source(path);
    ASSERT_EQ(source.Columns().size(), 3u);
    EXPECT_EQ(source.Columns()[0].Name, "Name");
    EXPECT_EQ(source.Columns()[1].Name, "Note, long");
    const std::vector<TSourceRow> expected = {
        {"plain", "a \"quoted\" word", ""},
        {"caf\xC3\xA9", "line one\r\nline two", "\xC3\x80\xC2\xAF"},
        {"", "\xC3\xA9t\xC3\xA9", "x,y"},
    };
    EXPECT_EQ(ReadAll(source), expected);
    EXPECT_FALSE(source.Writable());
    std::int64_t row = 0;
    EXPECT_NE(source.UpdateCell(0, 0, "x").find("read-only"), std::string::npos);
    EXPECT_NE(source.InsertRecord(row).find("read-only"), std::string::npos);
    EXPECT_NE(source.DeleteRecord(0).find("read-only"), std::string::npos);
    EXPECT_EQ(ReadAll(source), expected);

    TCsvSource headerOnly(TempFile("header.csv", "only,names"));
    EXPECT_EQ(headerOnly.RowCount(), 0);
    EXPECT_EQ(headerOnly.Columns().size(), 2u);

    // Fields written with CsvLine read back as they were, however they are quoted.
    const TSourceRow awkward[] = {
        {"plain", "", " spaced ", "a,b", "\"", "\"\"", "say \"hi\", then", "\r\n", "one\ntwo", "cr\ronly", ",", "\xC3\xA9t\xC3\xA9"},
        {"", "", "", "", "", "", "", "", "", "", "", ""},
        {"\"quoted\"", "x\r\n\"y\",z", "trailing,", ",leading", "\n", "last\r\n", "tab\there", "'", "a\"\"b", "\\", "#", "=1+2"},
    };
    std::string text = CsvLine({"c0", "c1", "c2", "c3", "c4", "c5", "c6", "c7", "c8", "c9", "c10", "c11"});
    for (const TSourceRow& row : awkward) text += CsvLine(row);
    TCsvSource written(TempFile("written.csv", text));
    EXPECT_EQ(ReadAll(written), std::vector<TSourceRow>(std::begin(awkward), std::end(awkward)));
}

TEST(CsvSource, AFileChangedBehindTheSourceIsReportedAndRefreshKeepsTheOldOneWhenTheNewIsBad)
{
    std::string text = "n,v\n";
    for (int i = 0; i < 2000; ++i) text += std::to_string(i) + ",value " + std::to_string(i) + "\n";
    const std::string path = TempFile("changed.csv", text);
    TCsvSource source(path);
    ASSERT_EQ(source.RowCount(), 2000);

    // Renamed over the old file: the source keeps showing the old one until a refresh, and a
    // refresh that finds a malformed file keeps it too.
    const std::string bad = TempFile("changed.new", "n,v\n1,2,3\n");
    std::filesystem::rename(bad, path);
    EXPECT_THROW(source.Refresh(), ESourceError);
    std::vector<TSourceRow> rows;
    source.ReadRows(1999, 5, rows);
    EXPECT_EQ(rows, (std::vector<TSourceRow>{{"1999", "value 1999"}}));

    // Shortened in place: reading what is no longer there is an error, never a fault.
    TCsvSource mapped(TempFile("shortened.csv", text));
    ASSERT_EQ(::truncate((::testing::TempDir() + "csvsource_shortened.csv").c_str(), 100), 0);
    EXPECT_THROW(mapped.ReadRows(1990, 10, rows), ESourceError);
    EXPECT_THROW(mapped.SetOrder(1, TSortDirection::Ascending), ESourceError);
    std::ofstream(::testing::TempDir() + "csvsource_shortened.csv", std::ios::binary | std::ios::trunc) << "n,v\n7,seven\n";
    mapped.Refresh();
    mapped.ReadRows(0, 10, rows);
    EXPECT_EQ(rows, (std::vector<TSourceRow>{{"7", "seven"}}));
}

TEST(CsvSource, AFileOf65535ColumnsLoadsAndReadsItsLastColumn)
{
    std::string text = Header(65535);
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 65535; ++c) text += (c ? "," : "") + std::to_string(r * 100000 + c);
        text += "\n";
    }
    TCsvSource source(TempFile("wide.csv", text));
    ASSERT_EQ(source.Columns().size(), 65535u);
    EXPECT_EQ(source.Columns()[65534].Name, "c65534");
    EXPECT_EQ(source.Columns()[65534].Kind, TSourceColumnKind::Integer);
    std::vector<TSourceRow> rows;
    source.ReadRows(2, 1, rows);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][65534], "265534");
    source.SetOrder(65534, TSortDirection::Descending);
    source.ReadRows(0, 1, rows);
    EXPECT_EQ(rows[0][0], "200000");
}

TEST(CsvSource, TextsSortWithoutRegardToCaseAcrossTheirSharedPrefix)
{
    // Every name starts with "customer ", in one case or another; a quoted one holds a quote.
    TCsvSource source(TempFile("names.csv", "Name,N\nCustomer 10,0\ncustomer 9,1\nCustomer 10,2\n"
                                            "\"CUSTOMER 1\"\"x\",3\nCustomer 1,4\nCustomer 123456789,5\n"
                                            "Customer 12345678,6\ncustomer 12345678,7\n"));
    const auto order = [&] {
        std::vector<std::string> numbers;
        for (const TSourceRow& row : ReadAll(source)) numbers.push_back(row[1]);
        return numbers;
    };
    source.SetOrder(0, TSortDirection::Ascending);
    const std::vector<std::string> ascending{"4", "3", "0", "2", "6", "7", "5", "1"};
    EXPECT_EQ(order(), ascending);
    // The exact reverse, ties ("Customer 10" twice, "customer 12345678" in two cases) included.
    source.SetOrder(0, TSortDirection::Descending);
    EXPECT_EQ(order(), std::vector<std::string>(ascending.rbegin(), ascending.rend()));
}

TEST(CsvSource, AnOperationAskedToStopLeavesTheSourceAsItWas)
{
    const auto stop = [](double) { return false; };
    const std::string path = TempFile("stop.csv", "n\n3\n1\n2\n");
    EXPECT_THROW((TCsvSource{path, stop}), ESourceCancelled);
    TCsvSource source(path);
    std::vector<double> told;
    source.SetOrder(0, TSortDirection::Ascending, [&](double Fraction) {
        told.push_back(Fraction);
        return true;
    });
    ASSERT_FALSE(told.empty());
    EXPECT_THROW(source.SetOrder(0, TSortDirection::Descending, stop), ESourceCancelled);
    EXPECT_THROW(source.Refresh(stop), ESourceCancelled);
    EXPECT_EQ(source.OrderDirection(), TSortDirection::Ascending);
    EXPECT_EQ(ReadAll(source), (std::vector<TSourceRow>{{"1"}, {"2"}, {"3"}}));
}

TEST(CsvSource, KeptChangesShowSortAndAreWrittenToTheChangeLog)
{
    // Columns the source guesses Integer, Text, Number, Date and Text.
    const std::string text = "Id,Name,Qty,Day,Note\r\n"
                             "1,alpha,5,2024-01-02,plain\r\n"
                             "2,Beta,3,2024-01-03,\"two\r\nlines\"\r\n"
                             "3,caf\xE9,5,,\"a, b\"\r\n"
                             "4,delta,,2024-02-01,x\r\n"
                             "5,echo,1.5,2024-03-01,y\r\n"
                             "6,foxtrot,2,2024-03-02,z\r\n";
    const std::string path = TempFile("changes.csv", text);
    TCsvSource source(path);
    source.KeepChanges(true);
    ASSERT_TRUE(source.Writable());
    enum { Id, Name, Qty, Day, Note };
    ASSERT_EQ(source.Columns()[Qty].Kind, TSourceColumnKind::Number);
    ASSERT_EQ(source.Columns()[Day].Kind, TSourceColumnKind::Date);

    // One session on the source and the model, in file order; an appended record is empty.
    TChangeModel model({"Id", "Name", "Qty", "Day", "Note"}, {{"1", "alpha", "5", "2024-01-02", "plain"},
                                                              {"2", "Beta", "3", "2024-01-03", "two\r\nlines"},
                                                              {"3", "caf\xC3\xA9", "5", "", "a, b"},
                                                              {"4", "delta", "", "2024-02-01", "x"},
                                                              {"5", "echo", "1.5", "2024-03-01", "y"},
                                                              {"6", "foxtrot", "2", "2024-03-02", "z"}});
    ASSERT_EQ(ReadAll(source), model.Rows());
    RunChangeSession(source, source, model,
                     {{'e', 2, Name, "edited, with \"quotes\""}, {'e', 4, Qty, "17"},      {'a', 0, 0, ""},
                      {'e', 6, Name, "new one"},                 {'e', 6, Qty, "-4"},      {'a', 0, 0, ""},
                      {'d', 7, 0, ""},                           {'d', 1, 0, ""},          {'e', 0, Note, "was edited"},
                      {'d', 0, 0, ""},                           {'a', 0, 0, ""},          {'e', 5, Note, "line\nbreak"},
                      {'e', 2, Day, "2025-12-31"},               {'e', 2, Day, ""},        {'e', 1, Qty, "9"}},
                     [](std::size_t) { return TSourceRow(5); });

    // Refusals change nothing: values not of the column's kind, cells that are not there.
    const std::string before = source.ChangesCsv();
    const struct {
        int Row, Col;
        std::string Value, Reason;
    } refused[] = {
        {0, Id, "seven", "'seven' is not a valid whole number."},
        {0, Id, "1.5", "'1.5' is not a valid whole number."},
        {1, Qty, "12,5", "'12,5' is not a valid number."},
        {1, Day, "2024-02-30", "'2024-02-30' is not a valid date (YYYY-MM-DD)."},
        {0, 5, "x", "There is no column 5"},
        {7, Name, "x", "There is no row 7"},
        {-1, Name, "x", "There is no row -1"},
    };
    for (const auto& c : refused) EXPECT_EQ(source.UpdateCell(c.Row, c.Col, c.Value), c.Reason) << c.Value;
    EXPECT_EQ(source.DeleteRecord(7), "There is no row 7");
    EXPECT_EQ(source.Revision(), model.Revision());
    EXPECT_EQ(source.ChangesCsv(), before);

    // Sorted with the changes: edited values by their new value, appended records by theirs, the
    // descending order the exact reverse; a write in the order keeps it sorted.
    const auto sortedByQty = [&] {
        std::vector<TSourceRow> rows;
        source.SetOrder(Qty, TSortDirection::None);
        rows = ReadAll(source);
        std::stable_sort(rows.begin(), rows.end(), [](const TSourceRow& A, const TSourceRow& B) {
            return CompareSourceValues(TSourceColumnKind::Number, A[Qty], B[Qty]) < 0;
        });
        return rows;
    };
    std::vector<TSourceRow> expected = sortedByQty();
    source.SetOrder(Qty, TSortDirection::Ascending);
    EXPECT_EQ(ReadAll(source), expected);
    source.SetOrder(Qty, TSortDirection::Descending);
    EXPECT_EQ(ReadAll(source), std::vector<TSourceRow>(expected.rbegin(), expected.rend()));
    std::int64_t row = -1;
    ASSERT_EQ(source.InsertRecord(row), "");
    // Empty values come last in a descending order, the newest record first among them.
    const std::vector<TSourceRow> withNew = ReadAll(source);
    EXPECT_EQ(row, std::find_if(withNew.begin(), withNew.end(), [](const TSourceRow& R) { return R[Qty].empty(); }) - withNew.begin());
    EXPECT_EQ(withNew[static_cast<std::size_t>(row)], TSourceRow(5));
    ASSERT_EQ(source.UpdateCell(row, Qty, "100"), "");
    ASSERT_EQ(source.UpdateCell(3, Qty, "-100"), "");
    expected = sortedByQty();
    source.SetOrder(Qty, TSortDirection::Descending);
    const std::vector<TSourceRow> shown = ReadAll(source);
    EXPECT_EQ(shown, std::vector<TSourceRow>(expected.rbegin(), expected.rend()));
    EXPECT_EQ(shown.front()[Qty], "100");
    EXPECT_EQ(shown[shown.size() - 2][Qty], "-100");

    // Without the option the source takes nothing more, and keeps what it has.
    source.KeepChanges(false);
    EXPECT_NE(source.UpdateCell(0, Name, "x").find("read-only"), std::string::npos);
    EXPECT_NE(source.InsertRecord(row).find("read-only"), std::string::npos);
    EXPECT_EQ(ReadAll(source), shown);
}

TEST(CsvSource, RefreshKeepsTheChangesOnTheirRecordsOrRefusesAFileTheyNoLongerFit)
{
    const std::string path = TempFile("refresh_changes.csv", "n,v\n1,one\n2,two\n3,three\n");
    TCsvSource source(path);
    source.KeepChanges(true);
    std::int64_t row = -1;
    ASSERT_EQ(source.UpdateCell(2, 1, "THREE"), "");
    ASSERT_EQ(source.InsertRecord(row), "");
    ASSERT_EQ(source.UpdateCell(row, 1, "mine"), "");
    ASSERT_EQ(source.DeleteRecord(0), "");
    source.SetOrder(1, TSortDirection::Ascending);
    const std::string changes = "change,n,v\r\nchanged,3,THREE\r\nappended,,mine\r\ndeleted,1,one\r\n";
    ASSERT_EQ(source.ChangesCsv(), changes);

    const auto replace = [&](const std::string& Text) {
        std::filesystem::rename(TempFile("refresh_changes.new", Text), path);
    };
    const std::vector<TSourceRow> shown = ReadAll(source);
    const struct {
        std::string File, Error;
    } refused[] = {
        {"n,v\n1,one\n2,two\n", path + " now holds 2 records, fewer than the changes made here refer to; they are kept with the old file until they are saved"},
        {"n,w\n1,one\n2,two\n3,three\n", path + " now has other columns; the changes made here are kept with the old ones until they are saved"},
        {"n,v,w\n1,one,x\n2,two,x\n3,three,x\n", path + " now has other columns; the changes made here are kept with the old ones until they are saved"},
    };
    for (const auto& c : refused) {
        replace(c.File);
        try {
            source.Refresh();
            ADD_FAILURE() << "refreshed from " << c.File;
        } catch (const ESourceError& E) {
            EXPECT_EQ(std::string(E.what()), c.Error);
        }
        EXPECT_EQ(ReadAll(source), shown);
        EXPECT_EQ(source.ChangesCsv(), changes);
    }

    // Records added and changed outside: the edit stays on record 3, the appended record follows
    // the new last one, and the order holds them all.
    replace("n,v\n1,uno\n2,dos\n3,tres\n4,cuatro\n5,a\n");
    source.Refresh();
    EXPECT_EQ(source.RowCount(), 5);
    EXPECT_EQ(ReadAll(source), (std::vector<TSourceRow>{{"5", "a"}, {"4", "cuatro"}, {"2", "dos"}, {"", "mine"}, {"3", "THREE"}}));
    EXPECT_EQ(source.ChangesCsv(), "change,n,v\r\nchanged,3,THREE\r\nappended,,mine\r\ndeleted,1,uno\r\n");
    source.SetOrder(0, TSortDirection::None);
    EXPECT_EQ(source.RecordAt(4), 5) << "the appended record follows the file's five";
}

TEST(CsvSource, FieldsThatAreNotUtf8AreReadAsLatin1AndCountedFromTheFirstLine)
{
    // Bytes that are not UTF-8 at every place a 64-byte block of the index can put them: records
    // of growing length, each with an e-acute in Latin-1 at a place that moves along, others
    // with valid UTF-8, a quoted field with line breaks before its bad byte, and the header.
    std::string many = "Name,Note\n";
    std::int64_t manyRecords = 0;
    for (int r = 0; r < 300; ++r) {
        manyRecords += r % 3 == 0 || r % 7 == 0;
        std::string field(static_cast<std::size_t>(r % 131 + 1), 'x');
        if (r % 3 == 0) field[static_cast<std::size_t>(r * 7) % field.size()] = '\xE9';
        if (r % 5 == 0) field += "\xC3\xA9";
        many += (r % 4 == 0 ? "\"q\n" + field + "\"" : field) + "," + std::to_string(r) + (r % 7 == 0 ? "\xFF" : "") + "\n";
    }
    const struct {
        std::string Name, Text;
        std::vector<std::string> Column1; // the second column's cells; not checked when empty
        std::int64_t Fields, Records, FirstLine;
    } cases[] = {
        {"ascii", "a,b\n1,2\n", {"2"}, 0, 0, 0},
        {"utf8", "a,b\n\xC3\xA9t\xC3\xA9,\xE2\x82\xAC\n", {"\xE2\x82\xAC"}, 0, 0, 0},
        {"4-byte UTF-8", "Number,Name\n1,M\xC3\xBCller\n2,\xF0\x9F\x98\x80\n", {"M\xC3\xBCller", "\xF0\x9F\x98\x80"}, 0, 0, 0},
        // Only the field that is no UTF-8 is converted; its neighbour in UTF-8 stays as it is.
        {"Latin-1 beside UTF-8", "Number,Name\n1,M\xC3\xBCller\n2,M\xFCller\n3,Stra\xDF" "e\n",
         {"M\xC3\xBCller", "M\xC3\xBCller", "Stra\xC3\x9F" "e"}, 2, 2, 3},
        {"split by a comma", "a,b\n\xC3,\xA9\n", {"\xC2\xA9"}, 2, 1, 2},
        // The line is that of the byte, inside a quoted field over several lines.
        {"inside a quoted field", "Number,Name\n1,\"one\ntwo \xE9t\xE9\"\n", {"one\ntwo \xC3\xA9t\xC3\xA9"}, 1, 1, 3},
        {"line of the bad byte", "a,b\n1,\"one\r\ntwo\r\nthr\xE9\xE9\"\n\xFF,\xFE", {"one\r\ntwo\r\nthr\xC3\xA9\xC3\xA9", "\xC3\xBE"}, 3, 2, 4},
        {"an overlong form", "Number,Name\n1,\xC0\xAF\n", {"\xC3\x80\xC2\xAF"}, 1, 1, 2},
        {"a surrogate", "Number,Name\n1,\xED\xA0\x80\n", {"\xC3\xAD\xC2\xA0\xC2\x80"}, 1, 1, 2},
        {"a sequence cut off at the end", "Number,Name\n1,ab\xE2\x82", {"ab\xC3\xA2\xC2\x82"}, 1, 1, 2},
        {"in the header", "Number,Nom d\xE9pos\xE9\n1,x\n", {"x"}, 1, 1, 1},
        {"many", many, {}, 143, manyRecords, 3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        TCsvSource source(TempFile("latin1.csv", c.Text));
        const TCsvLatin1Notes latin1 = source.Latin1();
        EXPECT_EQ(latin1.Fields, c.Fields);
        EXPECT_EQ(latin1.Records, c.Records);
        EXPECT_EQ(latin1.FirstLine, c.FirstLine);
        if (c.Column1.empty()) continue;
        std::vector<std::string> column1;
        for (const TSourceRow& row : ReadAll(source)) column1.push_back(row.at(1));
        EXPECT_EQ(column1, c.Column1);
    }
    EXPECT_EQ(TCsvSource(TempFile("latin1.csv", "Number,Nom d\xE9pos\xE9\n")).Columns().at(1).Name, "Nom d\xC3\xA9pos\xC3\xA9");
}

// Each kind sorts by its values, empty ones first; text without regard to case; ties by record
// number; descending is the exact reverse, ties included.
TEST(CsvSource, EachKindSortsByValueWithEmptiesFirstAndTiesByRecord)
{
    // Numbers, dates and amounts that sort differently as text, ties in two cases and in two
    // spellings of one amount. Rows are named by their N.
    TCsvSource source(TempFile("kinds.csv", "N,Date,Amount,Name\n"
                                            "1,2024-10-01,10,beta\n"
                                            "2,2024-09-01,9.5,Alpha\n"
                                            "3,2024-02-29,-1,alpha\n"
                                            "9,,10.00,\n"
                                            "10,2023-12-31,,Beta\n"
                                            "11,2024-10-01,0.5,gamma\n"));
    const TSourceColumnKind kinds[] = {TSourceColumnKind::Integer, TSourceColumnKind::Date, TSourceColumnKind::Number,
                                       TSourceColumnKind::Text};
    const std::vector<std::string> ascending[] = {
        {"1", "2", "3", "9", "10", "11"},
        {"9", "10", "3", "2", "1", "11"},
        {"10", "3", "11", "2", "1", "9"},
        {"9", "2", "3", "1", "10", "11"},
    };
    for (int col = 0; col < 4; ++col) {
        SCOPED_TRACE(col);
        EXPECT_EQ(source.Columns()[static_cast<std::size_t>(col)].Kind, kinds[col]);
        for (const TSortDirection direction : {TSortDirection::Ascending, TSortDirection::Descending}) {
            source.SetOrder(col, direction);
            std::vector<std::string> order;
            for (const TSourceRow& row : ReadAll(source)) order.push_back(row[0]);
            const std::vector<std::string>& up = ascending[col];
            EXPECT_EQ(order, direction == TSortDirection::Ascending ? up : std::vector<std::string>(up.rbegin(), up.rend()));
        }
    }
}
