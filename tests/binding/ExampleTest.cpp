// The sqlite-grid example as a user runs it: a small database made with the sqlite3 library,
// shown headless to a PNG (compared with a golden picture), the input it must refuse with the
// source's message and exit code 1, and the README's commands for it as they stand.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sqlite3.h>
#include <stdexcept>
#include <string>
#include <vector>
#include <sys/wait.h>

#include "host/graphics/Bitmap.h"
#include "host/graphics/Png.h"
#include "tests/support/Golden.h"

namespace {

// A folder of its own under the system's temporary folder, removed with everything in it.
class TExampleFolder {
public:
    TExampleFolder()
    {
        std::string Pattern = (std::filesystem::temp_directory_path() / "zel-example-XXXXXX").string();
        if (!mkdtemp(Pattern.data())) throw std::runtime_error("cannot create a temporary folder");
        FPath = Pattern;
    }
    ~TExampleFolder() { std::filesystem::remove_all(FPath); }
    std::string File(const std::string& Name) const { return (FPath / Name).string(); }

private:
    std::filesystem::path FPath;
};

void MakeDatabase(const std::string& FileName)
{
    sqlite3* Db = nullptr;
    ASSERT_EQ(sqlite3_open(FileName.c_str(), &Db), SQLITE_OK);
    char* Error = nullptr;
    const int Result = sqlite3_exec(Db,
        "CREATE TABLE orders(id INTEGER PRIMARY KEY, customer TEXT, city TEXT, amount REAL, placed DATE);"
        "INSERT INTO orders(customer, city, amount, placed) VALUES"
        " ('Andersen', 'Oslo', 1250.5, '2026-01-04'), ('Baptista', 'Lisbon', 89.9, '2026-01-05'),"
        " ('Ozols', 'Riga', 15000, '2026-02-11'), ('Müller', 'Zürich', NULL, NULL),"
        " ('Tamm', 'Tallinn', -430.25, '2026-03-01');",
        nullptr, nullptr, &Error);
    const std::string Message = Error ? Error : "";
    sqlite3_free(Error);
    sqlite3_close(Db);
    ASSERT_EQ(Result, SQLITE_OK) << Message;
}

int CountRows(const std::string& FileName, const std::string& Table)
{
    sqlite3* Db = nullptr;
    int Count = -1;
    if (sqlite3_open_v2(FileName.c_str(), &Db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK)
        sqlite3_exec(Db, ("SELECT count(*) FROM " + Table).c_str(),
            [](void* Out, int, char** Values, char**) {
                *static_cast<int*>(Out) = std::atoi(Values[0]);
                return 0;
            },
            &Count, nullptr);
    sqlite3_close(Db);
    return Count;
}

// The first indented block of the README after the line that starts with Heading.
std::string ReadmeBlock(const std::string& Heading)
{
    std::ifstream Readme(ZEL_README);
    std::string Line, Block;
    bool Found = false;
    while (std::getline(Readme, Line)) {
        if (!Found) {
            Found = Line.rfind(Heading, 0) == 0;
        } else if (Line.rfind("    ", 0) == 0) {
            Block += Line.substr(4) + "\n";
        } else if (!Block.empty() && !Line.empty()) {
            break;
        }
    }
    return Block;
}

struct TRun {
    int ExitCode = -1;
    std::string Output; // standard output and standard error
};

// Runs the example with Args (each quoted for the shell) and collects what it prints.
TRun RunCommand(const std::string& Command)
{
    TRun Run;
    FILE* Pipe = popen((Command + " 2>&1").c_str(), "r");
    if (!Pipe) return Run;
    char Buffer[512];
    while (std::fgets(Buffer, sizeof Buffer, Pipe)) Run.Output += Buffer;
    const int Status = pclose(Pipe);
    Run.ExitCode = WIFEXITED(Status) ? WEXITSTATUS(Status) : -1;
    return Run;
}

TRun RunExample(const std::vector<std::string>& Args)
{
    std::string Command = std::string("'") + ZEL_SQLITE_GRID + "'";
    for (const std::string& Arg : Args) Command += " '" + Arg + "'";
    return RunCommand(Command);
}

TEST(SqliteGridExample, ShowsTheTableInAPicture)
{
    TExampleFolder Folder;
    MakeDatabase(Folder.File("orders.db"));
    const TRun Run = RunExample({Folder.File("orders.db"), "orders", "--png", Folder.File("orders.png")});
    ASSERT_EQ(Run.ExitCode, 0) << Run.Output;
    EXPECT_EQ(Run.Output, "");
    TBitmap Picture;
    LoadPNGFile(Folder.File("orders.png"), Picture);
    ASSERT_GE(Picture.Width(), 200);
    ASSERT_GE(Picture.Height(), 100);
    // The titles from the column names, the five records, numbers to the right, NULL as empty.
    ExpectMatchesGolden("sqlite_grid_orders", Picture);
}

TEST(SqliteGridExample, RefusesBadInputWithTheSourcesMessage)
{
    TExampleFolder Folder;
    MakeDatabase(Folder.File("orders.db"));
    std::ofstream(Folder.File("notes.txt")) << "not a database, only text long enough to be read as a header\n";
    const struct {
        std::vector<std::string> Args;
        int ExitCode;
        std::string Message;
    } Cases[] = {
        {{Folder.File("orders.db"), "customers", "--png", Folder.File("out.png")}, 1,
         "has no table or view named \"customers\""},
        {{Folder.File("notes.txt"), "orders", "--png", Folder.File("out.png")}, 1, "file is not a database"},
        {{Folder.File("missing.db"), "orders", "--png", Folder.File("out.png")}, 1, "Cannot open"},
        {{Folder.File("orders.db"), "orders", "--png", Folder.File("no-such-folder/out.png")}, 1, "no-such-folder/out.png"},
        {{Folder.File("orders.db")}, 2, "usage: sqlite-grid FILE TABLE [--png OUT]"},
    };
    for (const auto& Case : Cases) {
        const TRun Run = RunExample(Case.Args);
        EXPECT_EQ(Run.ExitCode, Case.ExitCode) << Case.Args[0] << ": " << Run.Output;
        EXPECT_NE(Run.Output.find(Case.Message), std::string::npos) << Run.Output;
        EXPECT_FALSE(std::filesystem::exists(Folder.File("out.png"))) << "a picture for input that was refused";
    }
    EXPECT_FALSE(std::filesystem::exists(Folder.File("missing.db"))) << "a database made where none was";
}

// The README's commands, run twice in a folder whose build/release is this build tree, without a
// display (the window command then renders to a PNG in the folder).
TEST(SqliteGridExample, ReadmeCommandsWorkAsWritten)
{
    const std::string Commands = ReadmeBlock("## The grid over a database");
    ASSERT_NE(Commands.find("examples/sqlite-grid/sqlite-grid"), std::string::npos) << Commands;
    TExampleFolder Folder;
    std::filesystem::create_directory(Folder.File("build"));
    std::filesystem::create_directory_symlink(ZEL_BUILD_DIR, Folder.File("build/release"));
    std::ofstream(Folder.File("readme.sh")) << "set -e\n" << Commands;
    for (int Time = 1; Time <= 2; ++Time) {
        const TRun Run = RunCommand("cd '" + Folder.File("") + "' && env -u DISPLAY bash readme.sh");
        ASSERT_EQ(Run.ExitCode, 0) << "run " << Time << ":\n" << Commands << Run.Output;
    }
    EXPECT_EQ(CountRows(Folder.File("build/cities.db"), "cities"), 3);
    for (const char* Png : {"build/sqlite-grid.png", "sqlite-grid.png"}) {
        TBitmap Picture;
        ASSERT_NO_THROW(LoadPNGFile(Folder.File(Png), Picture)) << Png;
        EXPECT_GE(Picture.Width(), 200) << Png;
    }
}

} // namespace
