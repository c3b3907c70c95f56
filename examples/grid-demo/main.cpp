// grid-demo: a plain base-grid descendant painting each cell's coordinates over 10,000,000
// rows. Opens a window on the X display when there is one; otherwise, or with --png, renders the
// grid headless to a PNG, scrolled to --row (the last row by default).
//
//   grid-demo [--png FILE] [--row N]
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>

#include "examples/grid-demo/CoordinateGrid.h"
#include "host/controls/Application.h"
#include "host/controls/Forms.h"
#include "host/graphics/Bitmap.h"
#include "host/windows/Headless.h"
#include "host/windows/MessageQueue.h"
#include "host/windows/Paint.h"
#include "host/windows/WindowSystem.h"

namespace {

// The form with its grid; freed with the form.
TForm* MakeForm(int Row)
{
    auto* form = new TForm(nullptr);
    form->SetCaption("Grid demo: 10,000,000 rows");
    form->SetBounds(80, 80, 820, 520);
    auto* grid = new TCoordinateGrid(form);
    grid->SetAlign(alClient);
    grid->SetParent(form);
    form->SetActiveControl(grid);
    form->Show();
    if (Row > 0) grid->MoveColRow(1, std::min(Row, grid->RowCount() - 1), true, true);
    return form;
}

int RenderToPng(const std::string& File, int Row)
{
    THeadlessSession session;
    TForm* form = MakeForm(Row);
    ProcessMessages();
    CaptureWindow(form->Handle())->SaveToPNG(File);
    delete form;
    std::cout << "Rendered the grid without a display to " << File << "\n";
    return 0;
}

int RunOnDisplay(std::unique_ptr<TWindowBackend> Backend, int Row)
{
    TWindowSystem system(std::move(Backend));
    TForm* form = MakeForm(Row);
    Application().SetMainForm(form);
    Application().Run();
    delete form;
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    std::string png;
    int row = -1;
    for (int i = 1; i < argc; ++i) {
        const bool hasValue = i + 1 < argc;
        if (!std::strcmp(argv[i], "--png") && hasValue) {
            png = argv[++i];
        } else if (!std::strcmp(argv[i], "--row") && hasValue) {
            row = std::atoi(argv[++i]);
        } else {
            std::cerr << "usage: grid-demo [--png FILE] [--row N]\n";
            return 2;
        }
    }
    try {
        if (png.empty()) {
            auto backend = CreateBackend("x11");
            if (std::strcmp(backend->Name(), "x11") == 0) return RunOnDisplay(std::move(backend), row < 0 ? 0 : row);
            png = "grid-demo.png";
        }
        return RenderToPng(png, row < 0 ? 10'000'000 : row);
    } catch (const std::exception& e) {
        std::cerr << "grid-demo: " << e.what() << "\n";
        return 1;
    }
}
