// sqlite-grid: a table or view of a SQLite database in a TZelGrid through TGridBinding; an edit is
// written to the file as its row is left, a title click sorts. A window, or a PNG with --png OUT.
//
//   sqlite-grid FILE TABLE [--png OUT]
#include <cstdio>
#include <stdexcept>
#include <string>

#include "binding/GridBinding.h"
#include "binding/SqliteSource.h"
#include "zelgrid/Program.h"

int main(int argc, char** argv)
{
    const char* png = argc == 5 && std::string(argv[3]) == "--png" ? argv[4] : nullptr;
    if (argc != 3 && !png) return std::fprintf(stderr, "usage: sqlite-grid FILE TABLE [--png OUT]\n"), 2;
    try {
        TSqliteSource source(argv[1], argv[2]); // refused: not a database, no such table or view
        TWindowSystem windows(CreateBackend(png ? "headless" : "x11")); // headless when there is no display
        TForm form(nullptr);
        form.SetCaption("sqlite-grid: " + source.Description());
        form.SetBounds(0, 0, 640, 400);
        auto* grid = new TZelGrid(&form); // freed by the form
        grid->SetAlign(alClient);
        grid->SetParent(&form);
        TGridBinding binding(grid, source); // answers the grid's events and builds its columns
        form.Show();
        Application().SetMainForm(&form);
        if (std::string(windows.Backend().Name()) == "x11") {
            Application().Run(); // the event loop, until the window closes
            return 0;
        }
        auto picture = CaptureWindow(form.Handle());
        if (!binding.LastError().empty()) throw ESourceError(binding.LastError()); // a read failed while painting
        picture->SaveToPNG(png ? png : "sqlite-grid.png");
        if (!png) std::printf("No X display: the grid is rendered to sqlite-grid.png\n");
    } catch (const std::runtime_error& E) { // the source's message, or the PNG writer's
        return std::fprintf(stderr, "sqlite-grid: %s\n", E.what()), 1;
    }
}
