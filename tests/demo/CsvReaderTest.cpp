#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

#include "apps/zelgrid-demo/CsvReader.h"

TEST(CsvReader, QuotedFieldsKeepCommasQuotesAndLineBreaks)
{
    const TDemoTable t = ReadCsv("\xEF\xBB\xBFName,Note,Amount\r\n"
                                 "\"Smith, J\",\"said \"\"hi\"\"\r\nthen left\",12.50\r\n"
                                 "plain,,\"\"\n"
                                 "last,\"x\",3");
    ASSERT_EQ(t.ColCount(), 3);
    ASSERT_EQ(t.RowCount(), 3);
    EXPECT_EQ(t.ColumnName(0), "Name");
    EXPECT_EQ(t.Cell(0, 0), "Smith, J");
    EXPECT_EQ(t.Cell(1, 0), "said \"hi\"\r\nthen left");
    EXPECT_EQ(t.Cell(1, 1), "");
    EXPECT_EQ(t.Cell(2, 1), "");
    EXPECT_EQ(t.Cell(0, 2), "last");
    EXPECT_EQ(t.AmountTotal(), Currency::FromRaw(155000));
    // Written back, the fields read the same.
    const TDemoTable again = ReadCsv("a,b\r\n" + CsvLine({t.Cell(0, 0), t.Cell(1, 0)}));
    EXPECT_EQ(again.Cell(0, 0), t.Cell(0, 0));
    EXPECT_EQ(again.Cell(1, 0), t.Cell(1, 0));
}

TEST(CsvReader, MalformedFilesNameTheLine)
{
    struct Case { const char* Text; int Line; const char* Reason; };
    const Case cases[] = {
        {"", 1, "empty"},
        {"a,,c\n", 1, "without a name"},
        {"a,b\n1,2\n3\n", 3, "1 fields where the header names 2"},
        {"a,b\n1,2\n\"x\ny\",2,3\n", 3, "3 fields"},
        {"a,b\n1,\"never closed\n\n", 2, "never closed"},
        {"a,b\n1,2\nx\"y,2\n", 3, "quote inside an unquoted field"},
        {"a,b\n\"q\"x,2\n", 2, "after the closing quote"},
        {"a,b\n1,2\r3,4\n", 2, "carriage return"},
        {"a,b\n1,2\n\n", 3, "1 fields"},
    };
    for (const Case& c : cases) {
        try {
            ReadCsv(c.Text);
            ADD_FAILURE() << "accepted: " << c.Text;
        } catch (const ECsvError& e) {
            EXPECT_EQ(e.Line(), c.Line) << c.Text << " -> " << e.what();
            EXPECT_NE(std::string(e.what()).find(c.Reason), std::string::npos) << e.what();
        }
    }
}

TEST(CsvReader, FileErrorsNameTheFile)
{
    const std::string name = ::testing::TempDir() + "csv_reader_test.csv";
    std::ofstream(name) << "Number,Amount\n1,2\n2,\"3\n";
    try {
        LoadCsvFile(name);
        FAIL();
    } catch (const ECsvError& e) {
        EXPECT_EQ(std::string(e.what()), name + ", line 3: a quoted field is never closed");
    }
    std::remove(name.c_str());
    EXPECT_THROW(LoadCsvFile(name), std::runtime_error);
}
