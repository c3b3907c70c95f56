// zelgrid-demo: a TZelGrid over 1,000,000 generated order records or a CSV file. Opens a window on
// the X display when there is one; otherwise, or with --png, renders the form to a PNG.
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>

#include "apps/zelgrid-demo/CsvReader.h"
#include "apps/zelgrid-demo/DemoForm.h"
#include "apps/zelgrid-demo/LayoutFile.h"
#include "apps/zelgrid-demo/ReplaceFile.h"
#include "host/controls/Application.h"
#include "host/graphics/Bitmap.h"
#include "host/windows/Headless.h"
#include "host/windows/MessageQueue.h"
#include "host/windows/Paint.h"
#include "host/windows/WindowSystem.h"

namespace {

const char* const Usage =
    "usage: zelgrid-demo [--rows N | --csv FILE] [--png FILE] [--save-changes FILE]\n"
    "                    [--layout-file FILE | --no-layout-file]\n"
    "  --rows N             generate N order records (default 1000000)\n"
    "  --csv FILE           show a CSV file (RFC 4180, the first line names the columns; fields\n"
    "                       that are not UTF-8 are read as Latin-1, with a warning)\n"
    "  --png FILE           render the form to FILE instead of opening a window\n"
    "  --save-changes FILE  when the window closes, write the changed, appended and deleted records\n"
    "                       as CSV (through a temporary file: a failed write leaves the old file\n"
    "                       whole and the window open, and Ctrl+S saves them to another file)\n"
    "  --layout-file FILE   restore the layouts from FILE at start and save them to it on exit\n"
    "                       (default: orders.layout, or csv-XXXXXXXX.layout for a CSV file's\n"
    "                       columns, in $XDG_CONFIG_HOME/zelgrid-demo or ~/.config/zelgrid-demo;\n"
    "                       a rendering to PNG only reads it)\n"
    "  --no-layout-file     start with the built-in layouts and save none\n"
    "  --help               show this text\n"
    "Keys: F6 switches the layout, Ctrl+C and Ctrl+V copy and paste the current cell, Ctrl+Q quits,\n"
    "Ctrl+S saves the changes to a file it asks for, Delete deletes the record, Down on the last row\n"
    "appends one (left empty, it goes again), Escape leaves a cell without storing what was typed.\n"
    "A click on a title sorts the records by that column; a second click sorts them descending.\n";

struct TOptions {
    int Rows = 1'000'000;
    std::string Csv, Png, SaveChanges, LayoutFile;
    bool NoLayoutFile = false;
};

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
            const long n = std::strtol(argv[++i], &end, 10);
            if (*end || n < 0 || n > 100'000'000) {
                std::cerr << "zelgrid-demo: --rows wants a number from 0 to 100000000\n";
                Exit = 2;
                return std::nullopt;
            }
            options.Rows = static_cast<int>(n);
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
TDemoForm* ShowForm(TDemoTable& Table, TDemoLayoutFile* Layouts)
{
    auto* form = new TDemoForm(nullptr, Table);
    if (Layouts) {
        const std::string problem = Layouts->Load(*form);
        if (!problem.empty()) std::cerr << "zelgrid-demo: " << problem << "\n";
    }
    form->Show();
    return form;
}

void RenderToPng(TDemoTable& Table, TDemoLayoutFile* Layouts, const std::string& File)
{
    THeadlessSession session;
    TDemoForm* form = ShowForm(Table, Layouts);
    ProcessMessages();
    CaptureWindow(form->Handle())->SaveToPNG(File);
    delete form;
}

// Runs the form until it closes (it saves the changes to ChangesFile before it does) and saves
// its layouts; false when writing them failed (a layout file refused at start is kept, with a
// reminder, and is no failure).
bool RunOnDisplay(std::unique_ptr<TWindowBackend> Backend, TDemoTable& Table, TDemoLayoutFile* Layouts,
                  const std::string& ChangesFile)
{
    TWindowSystem system(std::move(Backend));
    TDemoForm* form = ShowForm(Table, Layouts);
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

} // namespace

int main(int argc, char** argv)
{
    int exitCode = 0;
    const std::optional<TOptions> options = ParseOptions(argc, argv, exitCode);
    if (!options) return exitCode;
    try {
        TCsvNotes notes;
        TDemoTable table = options->Csv.empty() ? TDemoTable::Generated(options->Rows) : LoadCsvFile(options->Csv, &notes);
        if (const std::string warning = notes.Warning(options->Csv); !warning.empty())
            std::cerr << "zelgrid-demo: warning: " << warning << "\n";
        std::optional<TDemoLayoutFile> layouts;
        const std::string layoutPath = options->LayoutFile.empty() ? DefaultLayoutPath(table) : options->LayoutFile;
        if (!options->NoLayoutFile && !layoutPath.empty()) layouts.emplace(layoutPath);
        TDemoLayoutFile* layoutFile = layouts ? &*layouts : nullptr;
        bool saved = true;
        bool rendered = true;
        if (options->Png.empty()) {
            auto backend = CreateBackend("x11");
            if (std::strcmp(backend->Name(), "x11") == 0) {
                saved = RunOnDisplay(std::move(backend), table, layoutFile, options->SaveChanges);
                rendered = false;
            } else {
                RenderToPng(table, layoutFile, "zelgrid-demo.png");
                std::cout << "No display: rendered the demo to " << std::filesystem::absolute("zelgrid-demo.png").string() << "\n";
            }
        } else {
            RenderToPng(table, layoutFile, options->Png);
            std::cout << "Rendered the demo to " << std::filesystem::absolute(options->Png).string() << "\n";
        }
        // A rendering has no edits; the file is written as a run without any would write it.
        if (rendered && !options->SaveChanges.empty()) table.SaveChanges(options->SaveChanges);
        return saved ? 0 : 1;
    } catch (const std::exception& e) {
        std::cerr << "zelgrid-demo: " << e.what() << "\n";
        return 1;
    }
}
