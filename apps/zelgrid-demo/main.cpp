// zelgrid-demo: a TZelGrid over 1,000,000 generated order records or a CSV file. Opens a window on
// the X display when there is one; otherwise, or with --png, renders the form to a PNG.
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <optional>
#include <string>

#include "apps/zelgrid-demo/CsvReader.h"
#include "apps/zelgrid-demo/DemoForm.h"
#include "host/controls/Application.h"
#include "host/graphics/Bitmap.h"
#include "host/windows/Headless.h"
#include "host/windows/MessageQueue.h"
#include "host/windows/Paint.h"
#include "host/windows/WindowSystem.h"

namespace {

const char* const Usage =
    "usage: zelgrid-demo [--rows N | --csv FILE] [--png FILE] [--save-changes FILE]\n"
    "  --rows N            generate N order records (default 1000000)\n"
    "  --csv FILE          show a CSV file (RFC 4180, the first line names the columns)\n"
    "  --png FILE          render the form to FILE instead of opening a window\n"
    "  --save-changes FILE on exit, write the changed, appended and deleted records as CSV\n"
    "  --help              show this text\n"
    "Keys: F6 switches the layout, Ctrl+C and Ctrl+V copy and paste the current cell, Ctrl+Q quits,\n"
    "Delete deletes the record, Down on the last row appends one.\n";

struct TOptions {
    int Rows = 1'000'000;
    std::string Csv, Png, SaveChanges;
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
        } else {
            std::cerr << "zelgrid-demo: unknown or incomplete option " << arg << "\n" << Usage;
            Exit = 2;
            return std::nullopt;
        }
    }
    return options;
}

TDemoForm* ShowForm(TDemoTable& Table)
{
    auto* form = new TDemoForm(nullptr, Table);
    form->Show();
    return form;
}

void RenderToPng(TDemoTable& Table, const std::string& File)
{
    THeadlessSession session;
    TDemoForm* form = ShowForm(Table);
    ProcessMessages();
    CaptureWindow(form->Handle())->SaveToPNG(File);
    delete form;
    std::cout << "No display: rendered the demo to " << File << "\n";
}

void RunOnDisplay(std::unique_ptr<TWindowBackend> Backend, TDemoTable& Table)
{
    TWindowSystem system(std::move(Backend));
    TDemoForm* form = ShowForm(Table);
    TObjectWatch alive(form);
    Application().SetMainForm(form);
    Application().Run();
    if (alive) delete form;
}

} // namespace

int main(int argc, char** argv)
{
    int exitCode = 0;
    const std::optional<TOptions> options = ParseOptions(argc, argv, exitCode);
    if (!options) return exitCode;
    try {
        TDemoTable table = options->Csv.empty() ? TDemoTable::Generated(options->Rows) : LoadCsvFile(options->Csv);
        if (options->Png.empty()) {
            auto backend = CreateBackend("x11");
            if (std::strcmp(backend->Name(), "x11") == 0) RunOnDisplay(std::move(backend), table);
            else RenderToPng(table, "zelgrid-demo.png");
        } else {
            RenderToPng(table, options->Png);
        }
        if (!options->SaveChanges.empty()) table.SaveChanges(options->SaveChanges);
        return 0;
    } catch (const std::exception& e) {
        std::cerr << "zelgrid-demo: " << e.what() << "\n";
        return 1;
    }
}
