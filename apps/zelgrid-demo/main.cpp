// zelgrid-demo: a TZelGrid over a table source: by default a SQLite database of 1,000,000 orders
// that it makes on first run; or a database table, a PostgreSQL table, a CSV file, or generated
// orders. Opens a window on the X display when there is one; otherwise, or with --png, renders
// the form to a PNG.
#include <sqlite3.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <thread>

#include "apps/zelgrid-demo/DemoForm.h"
#include "apps/zelgrid-demo/LayoutFile.h"
#include "apps/zelgrid-demo/OrdersDatabase.h"
#include "apps/zelgrid-demo/ReplaceFile.h"
#include "binding/CsvSource.h"
#include "binding/GeneratedOrdersSource.h"
#include "binding/PgSource.h"
#include "binding/SqliteSource.h"
#include "host/controls/Application.h"
#include "host/graphics/Bitmap.h"
#include "host/windows/Headless.h"
#include "host/windows/MessageQueue.h"
#include "host/windows/Paint.h"
#include "host/windows/WindowSystem.h"

namespace {

const char* const Usage =
    "usage: zelgrid-demo [--db FILE [--table NAME] | --pg CONNINFO --table NAME | --csv FILE | --rows N]\n"
    "                    [--png FILE] [--save-changes FILE] [--layout-file FILE | --no-layout-file]\n"
    "  (no source)          the demo's SQLite database of 1,000,000 orders, made on first run in\n"
    "                       $XDG_DATA_HOME/zelgrid-demo/orders.db (default ~/.local/share/zelgrid-demo)\n"
    "  --db FILE            a table or view of a SQLite database (the first by name unless --table)\n"
    "  --pg CONNINFO        a table or view of a PostgreSQL database (\"host=... dbname=...\")\n"
    "  --table NAME         the table or view to show\n"
    "  --csv FILE           a CSV file (RFC 4180, the first line names the columns; fields that are\n"
    "                       not UTF-8 are read as Latin-1, with a warning)\n"
    "  --rows N             N generated order records, computed from their number (0 to 2147483646)\n"
    "  --png FILE           render the form to FILE instead of opening a window\n"
    "  --save-changes FILE  (--csv, --rows) when the window closes, write the changed, appended and\n"
    "                       deleted records as CSV (through a temporary file: a failed write leaves\n"
    "                       the old file whole and the window open, and Ctrl+S saves them to another\n"
    "                       file); a database stores every change as it is made\n"
    "  --layout-file FILE   restore the layouts from FILE at start and save them to it on exit\n"
    "                       (default: orders.layout, or csv-XXXXXXXX.layout / table-XXXXXXXX.layout\n"
    "                       for other columns, in $XDG_CONFIG_HOME/zelgrid-demo or\n"
    "                       ~/.config/zelgrid-demo; a rendering to PNG only reads it)\n"
    "  --no-layout-file     start with the built-in layouts and save none\n"
    "  --help               show this text\n"
    "Keys: F5 reads the table again, F6 switches the layout, Ctrl+C and Ctrl+V copy and paste the\n"
    "current cell, Ctrl+Q quits, Ctrl+S saves the changes to a file it asks for, Delete deletes the\n"
    "record, Down on the last row appends one (left empty, it goes again), Escape leaves a cell\n"
    "without storing what was typed or stops a long operation. A click on a title sorts the records\n"
    "by that column; a second click sorts them descending.\n";

struct TOptions {
    std::int64_t Rows = -1; // -1: no generated table
    std::string Db, Pg, Table, Csv, Png, SaveChanges, LayoutFile;
    bool NoLayoutFile = false;
};

// Says what is wrong with the options on standard error; nullopt for the caller to return.
std::optional<TOptions> Refuse(const std::string& Problem, int& Exit)
{
    std::cerr << "zelgrid-demo: " << Problem << "\n";
    Exit = 2;
    return std::nullopt;
}

// Parses the command line; nullopt after printing the usage (Exit says with which code).
std::optional<TOptions> ParseOptions(int argc, char** argv, int& Exit)
{
    TOptions options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--help" || arg == "-h") {
            std::cout << Usage;
            Exit = 0;
            return std::nullopt;
        }
        if (arg == "--rows" && hasValue) {
            char* end = nullptr;
            errno = 0;
            const long long n = std::strtoll(argv[++i], &end, 10);
            if (*end || !*argv[i] || errno || n < 0 || n > TGeneratedOrdersSource::MaxRecords)
                return Refuse("--rows wants a number from 0 to 2147483646", Exit);
            options.Rows = n;
        } else if (arg == "--db" && hasValue) {
            options.Db = argv[++i];
        } else if (arg == "--pg" && hasValue) {
            options.Pg = argv[++i];
        } else if (arg == "--table" && hasValue) {
            options.Table = argv[++i];
        } else if (arg == "--csv" && hasValue) {
            options.Csv = argv[++i];
        } else if (arg == "--png" && hasValue) {
            options.Png = argv[++i];
        } else if (arg == "--save-changes" && hasValue) {
            options.SaveChanges = argv[++i];
        } else if (arg == "--layout-file" && hasValue) {
            options.LayoutFile = argv[++i];
        } else if (arg == "--no-layout-file") {
            options.NoLayoutFile = true;
        } else {
            std::cerr << "zelgrid-demo: unknown or incomplete option " << arg << "\n" << Usage;
            Exit = 2;
            return std::nullopt;
        }
    }
    const int sources = !options.Db.empty() + !options.Pg.empty() + !options.Csv.empty() + (options.Rows >= 0);
    if (sources > 1) return Refuse("--db, --pg, --csv and --rows each name the source: give one", Exit);
    if (!options.Pg.empty() && options.Table.empty()) return Refuse("--pg wants --table NAME", Exit);
    if (!options.Table.empty() && options.Db.empty() && options.Pg.empty())
        return Refuse("--table names a table of --db or --pg", Exit);
    if (!options.SaveChanges.empty() && options.Csv.empty() && options.Rows < 0)
        return Refuse("--save-changes is for --csv and --rows: a database stores every change as it is made", Exit);
    if (options.NoLayoutFile && !options.LayoutFile.empty()) {
        std::cerr << "zelgrid-demo: --layout-file and --no-layout-file exclude each other\n";
        Exit = 2;
        return std::nullopt;
    }
    // Before any window opens, so that no edit is made that could not be saved.
    if (!options.SaveChanges.empty()) {
        if (const std::string problem = ReplaceDestinationProblem(options.SaveChanges); !problem.empty()) {
            std::cerr << "zelgrid-demo: --save-changes " << options.SaveChanges << ": " << problem << "\n";
            Exit = 2;
            return std::nullopt;
        }
    }
    return options;
}

// Restores the layouts from their file (nullptr: none) and shows the form; says on standard
// error why a file that is there was not used.
TDemoForm* ShowForm(TTableSource& Source, bool Prepare, TDemoLayoutFile* Layouts)
{
    auto* form = new TDemoForm(nullptr, Source, Prepare);
    if (Layouts) {
        const std::string problem = Layouts->Load(*form);
        if (!problem.empty()) std::cerr << "zelgrid-demo: " << problem << "\n";
    }
    form->Show();
    return form;
}

void RenderToPng(TTableSource& Source, bool Prepare, TDemoLayoutFile* Layouts, const std::string& File)
{
    THeadlessSession session;
    TDemoForm* form = ShowForm(Source, Prepare, Layouts);
    // A picture shows the table, not its progress: the source readies itself, then the status
    // line asks for the total, which is added up before the picture is taken.
    for (int pass = 0; pass < 2; ++pass) {
        if (pass) form->StatusText();
        while (form->Binding().Busy()) {
            // The headless clock moves only when told: the binding's timer hears from the worker.
            session.Input.Wait(TGridBinding::PollInterval);
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }
    ProcessMessages();
    CaptureWindow(form->Handle())->SaveToPNG(File);
    delete form;
}

// Runs the form until it closes (it saves the changes to ChangesFile before it does) and saves
// its layouts; false when writing them failed (a layout file refused at start is kept, with a
// reminder, and is no failure).
bool RunOnDisplay(std::unique_ptr<TWindowBackend> Backend, TTableSource& Source, bool Prepare,
                  TDemoLayoutFile* Layouts, const std::string& ChangesFile)
{
    TWindowSystem system(std::move(Backend));
    TDemoForm* form = ShowForm(Source, Prepare, Layouts);
    form->SetChangesFile(ChangesFile);
    TObjectWatch alive(form);
    Application().SetMainForm(form);
    Application().Run();
    if (!alive) return true;
    bool saved = true;
    // The window went without closing (another client destroyed it): the changes are saved now.
    if (form->ChangesUnsaved()) {
        if (const std::string problem = form->SaveChanges(); !problem.empty()) {
            std::cerr << "zelgrid-demo: " << problem << "\n";
            saved = false;
        }
    }
    const std::string problem = Layouts ? Layouts->Save(*form) : std::string();
    delete form;
    if (problem.empty()) return saved;
    std::cerr << "zelgrid-demo: " << problem << "\n";
    return saved && Layouts->Refused();
}

// The first table of a SQLite database by name (views after tables), for --db without --table.
std::string FirstTable(const std::string& File)
{
    sqlite3* db = nullptr;
    const int opened = sqlite3_open_v2(File.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    std::string name, problem;
    sqlite3_stmt* query = nullptr;
    if (opened != SQLITE_OK) {
        problem = "Cannot open " + File + ": " + (db ? sqlite3_errmsg(db) : "out of memory");
    } else if (sqlite3_prepare_v2(db,
                                  "SELECT name FROM sqlite_schema WHERE type IN ('table', 'view') AND name NOT LIKE 'sqlite\\_%' "
                                  "ESCAPE '\\' ORDER BY type = 'view', name LIMIT 1",
                                  -1, &query, nullptr) != SQLITE_OK) {
        problem = "Cannot read " + File + ": " + sqlite3_errmsg(db);
    } else if (sqlite3_step(query) == SQLITE_ROW) {
        name = reinterpret_cast<const char*>(sqlite3_column_text(query, 0));
    } else {
        problem = File + " holds no table";
    }
    sqlite3_finalize(query);
    sqlite3_close_v2(db);
    if (!problem.empty()) throw ESourceError(problem);
    return name;
}

// The source the options name; Prepare says whether it readies itself on the worker.
std::unique_ptr<TTableSource> OpenSource(const TOptions& Options, bool& Prepare)
{
    Prepare = false;
    if (Options.Rows >= 0) return std::make_unique<TGeneratedOrdersSource>(Options.Rows);
    if (!Options.Csv.empty()) {
        // The file is never written: edits stay in memory, and --save-changes writes them out.
        auto csv = std::make_unique<TCsvSource>(Options.Csv);
        csv->KeepChanges(true);
        if (const TCsvLatin1Notes& notes = csv->Latin1(); notes.Fields > 0) {
            std::cerr << "zelgrid-demo: warning: " << Options.Csv << ", line " << notes.FirstLine
                      << ": text that is not valid UTF-8 was read as Latin-1";
            if (notes.Fields > 1) std::cerr << " (" << notes.Fields << " fields from this line on)";
            std::cerr << "\n";
        }
        return csv;
    }
    Prepare = true;
    if (!Options.Pg.empty()) return std::make_unique<TPgSource>(Options.Pg, Options.Table);
    if (!Options.Db.empty())
        return std::make_unique<TSqliteSource>(Options.Db, Options.Table.empty() ? FirstTable(Options.Db) : Options.Table);
    const std::string path = DefaultOrdersDatabase();
    if (path.empty()) throw ESourceError("neither XDG_DATA_HOME nor HOME is set: name a database with --db");
    return std::make_unique<TDemoOrdersSource>(path, 1'000'000);
}

} // namespace

int main(int argc, char** argv)
{
    int exitCode = 0;
    const std::optional<TOptions> options = ParseOptions(argc, argv, exitCode);
    if (!options) return exitCode;
    try {
        bool prepare = false;
        const std::unique_ptr<TTableSource> source = OpenSource(*options, prepare);
        std::optional<TDemoLayoutFile> layouts;
        const std::string layoutPath = options->LayoutFile.empty() ? DefaultLayoutPath(*source) : options->LayoutFile;
        if (!options->NoLayoutFile && !layoutPath.empty()) layouts.emplace(layoutPath);
        TDemoLayoutFile* layoutFile = layouts ? &*layouts : nullptr;
        bool saved = true;
        bool rendered = true;
        if (options->Png.empty()) {
            auto backend = CreateBackend("x11");
            if (std::strcmp(backend->Name(), "x11") == 0) {
                saved = RunOnDisplay(std::move(backend), *source, prepare, layoutFile, options->SaveChanges);
                rendered = false;
            } else {
                RenderToPng(*source, prepare, layoutFile, "zelgrid-demo.png");
                std::cout << "No display: rendered the demo to " << std::filesystem::absolute("zelgrid-demo.png").string() << "\n";
            }
        } else {
            RenderToPng(*source, prepare, layoutFile, options->Png);
            std::cout << "Rendered the demo to " << std::filesystem::absolute(options->Png).string() << "\n";
        }
        // A rendering has no edits; the file is written as a run without any would write it.
        if (rendered && !options->SaveChanges.empty())
            if (const auto* changes = dynamic_cast<const TChangeLog*>(source.get()))
                if (const std::string problem = ReplaceFileContents(options->SaveChanges, changes->ChangesCsv()); !problem.empty())
                    throw std::runtime_error("cannot save the changes to " + options->SaveChanges + ": " + problem);
        return saved ? 0 : 1;
    } catch (const std::exception& e) {
        std::cerr << "zelgrid-demo: " << e.what() << "\n";
        return 1;
    }
}
