#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "apps/zelgrid-demo/CsvReader.h"
#include "binding/ChangeLog.h"

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

TEST(CsvReader, SpecialAndOversizedFilesAreRefusedBeforeAnythingIsRead)
{
    namespace fs = std::filesystem;
    const std::string folder = ::testing::TempDir() + "csv_special_" + std::to_string(::getpid());
    fs::create_directories(folder);
    ASSERT_EQ(::mkfifo((folder + "/fifo.csv").c_str(), 0600), 0);
    // Sparse: no block of it is written, and a reader that allocated it would need 5 GiB.
    { std::ofstream(folder + "/huge.csv") << "Number,Amount\n"; }
    fs::resize_file(folder + "/huge.csv", std::uintmax_t{5} << 30);
    struct TCase {
        std::string File;
        const char* Says;
    } cases[] = {
        {folder + "/fifo.csv", "is a fifo, not a regular file"},
        {"/dev/zero", "is a character device, not a regular file"},
        {folder, "is a directory, not a regular file"},
        {folder + "/huge.csv", "is 5.0 GiB (5368709120 bytes), more than the 4 GiB"},
        {folder + "/missing.csv", "cannot open"},
    };
    for (const TCase& c : cases) {
        try {
            LoadCsvFile(c.File);
            ADD_FAILURE() << "read " << c.File;
        } catch (const std::runtime_error& e) {
            EXPECT_NE(std::string(e.what()).find(c.File), std::string::npos) << e.what();
            EXPECT_NE(std::string(e.what()).find(c.Says), std::string::npos) << e.what();
        }
    }
    fs::remove_all(folder);

    // A file the table could hold but the machine could not read.
    const std::uint64_t GiB = std::uint64_t{1} << 30;
    EXPECT_EQ(CsvSizeProblem(3 * GiB, 8 * GiB), "");
    EXPECT_EQ(CsvSizeProblem(3 * GiB, 0), "") << "memory not known";
    EXPECT_EQ(CsvSizeProblem(3 * GiB, 4 * GiB),
              "is 3.0 GiB (3221225472 bytes); reading it needs about twice that in memory, and this machine has "
              "4.0 GiB (4294967296 bytes)");
    EXPECT_NE(CsvSizeProblem(UINT32_MAX + std::uint64_t{1}, 64 * GiB).find("more than the 4 GiB"), std::string::npos);
}

TEST(CsvReader, FieldsThatAreNotUtf8AreReadAsLatin1WithOneWarningNamingTheFirstLine)
{
    struct TCase {
        const char* Name;
        std::string Text;
        std::vector<std::string> Cells; // column 1 of each record
        int Fields, Line;
    } cases[] = {
        {"UTF-8 throughout", "Number,Name\n1,M\xC3\xBCller\n2,\xF0\x9F\x98\x80\n", {"M\xC3\xBCller", "\xF0\x9F\x98\x80"}, 0, 0},
        // Only the field that is no UTF-8 is converted; its neighbour in UTF-8 stays as it is.
        {"Latin-1 beside UTF-8", "Number,Name\n1,M\xC3\xBCller\n2,M\xFCller\n3,Stra\xDF" "e\n",
         {"M\xC3\xBCller", "M\xC3\xBCller", "Stra\xC3\x9F" "e"}, 2, 3},
        // The line is that of the byte, inside a quoted field over several lines.
        {"inside a quoted field", "Number,Name\n1,\"one\ntwo \xE9t\xE9\"\n", {"one\ntwo \xC3\xA9t\xC3\xA9"}, 1, 3},
        {"an overlong form", "Number,Name\n1,\xC0\xAF\n", {"\xC3\x80\xC2\xAF"}, 1, 2},
        {"a surrogate", "Number,Name\n1,\xED\xA0\x80\n", {"\xC3\xAD\xC2\xA0\xC2\x80"}, 1, 2},
        {"a sequence cut off at the end", "Number,Name\n1,ab\xE2\x82", {"ab\xC3\xA2\xC2\x82"}, 1, 2},
        {"in the header", "Number,Nom d\xE9pos\xE9\n1,x\n", {"x"}, 1, 1},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TCsvNotes notes;
        const TDemoTable t = ReadCsv(c.Text, &notes);
        ASSERT_EQ(t.RowCount(), static_cast<int>(c.Cells.size()));
        for (int r = 0; r < t.RowCount(); ++r) EXPECT_EQ(t.Cell(1, r), c.Cells[r]) << "record " << r;
        EXPECT_EQ(notes.Latin1Fields, c.Fields);
        EXPECT_EQ(notes.FirstLatin1Line, c.Line);
        EXPECT_EQ(notes.Warning().empty(), c.Fields == 0);
    }
    EXPECT_EQ(ReadCsv("Number,Nom d\xE9pos\xE9\n").ColumnName(1), "Nom d\xC3\xA9pos\xC3\xA9");

    // The file's warning names the file and the first line, once for all the fields.
    const std::string name = ::testing::TempDir() + "csv_latin1_test.csv";
    std::ofstream(name, std::ios::binary) << "Number,Name\n1,ok\n2,Jos\xE9\n3,Ren\xE9\n";
    TCsvNotes notes;
    const TDemoTable t = LoadCsvFile(name, &notes);
    EXPECT_EQ(t.Cell(1, 2), "Ren\xC3\xA9");
    EXPECT_EQ(notes.Warning(name), name + ", line 3: text that is not valid UTF-8 was read as Latin-1 (2 fields from this line on)");
    std::remove(name.c_str());
}
