// What is particular to CSV files: the records a malformed file is refused at, fields decoded as
// written, and a file changed behind the source's back.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "binding/CsvSource.h"

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
        {"a,b\n1,x\"y\n", "line 2: a quote inside an unquoted field"},
        {"a,b\n\"x\"y,2\n", "line 2: text after the closing quote of a field"},
        {"a,b\n1,2\r3,4\n", "line 2: a carriage return without a line feed"},
        {"a,b\n1,2\n3,\"open\n4,5\n", "line 3: a quoted field is never closed"},
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
    EXPECT_THROW(TCsvSource{::testing::TempDir()}, ESourceError) << "a folder";
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
