// grid-demo: a plain base-grid descendant painting each cell's coordinates over 10,000,000
// rows. Opens a window on the X display when there is one; otherwise, or with --png, renders the
// grid headless to a PNG, scrolled to --row (the last row by default).
//
//   grid-demo [--png FILE] [--row N]
#include <algorithm>
#include <string>

#include "examples/grid-demo/CoordinateGrid.h"
#include "examples/common/ExampleMain.h"
#include "host/controls/Forms.h"

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

} // namespace

int main(int argc, char** argv)
{
    return RunExample(argc, argv, "grid-demo", MakeForm, 0, 10'000'000);
}
