// The layout editor opened on its largest grid: 10 layouts of 200 columns. Each run copies the
// columns into records, builds the tree (42,010 nodes), shows the dialog and paints it once,
// then frees the records and the dialog, as an opening does.
#include "design/GridEditor.h"
#include "host/windows/Headless.h"
#include "host/windows/MessageQueue.h"
#include "zelgrid/Zelgrid.h"

#include <benchmark/benchmark.h>
#include <memory>

namespace {
constexpr int Layouts = 10, Columns = 200;

std::unique_ptr<TZelGrid> LargeGrid()
{
    auto grid = std::make_unique<TZelGrid>(nullptr);
    TZelColLayout* layouts = grid->Layout();
    for (int l = 0; l < Layouts; ++l) {
        TZelGridColumns* columns = (l == 0 ? layouts->GetItem(0) : layouts->Add())->GeTZelColumns();
        TCollectionUpdateGuard update(columns);
        for (int c = 0; c < Columns; ++c) columns->Add()->Title()->SetCaption("Column " + std::to_string(c));
    }
    return grid;
}
} // namespace

static void BM_OpenLayoutEditorOnTenLayoutsOf200Columns(benchmark::State& State)
{
    THeadlessSession session;
    const std::unique_ptr<TZelGrid> grid = LargeGrid();
    long nodes = 0;
    for (auto _ : State) {
        auto editor = std::make_unique<TGridEditor>(nullptr);
        editor->CopyLayout(grid.get());
        editor->Show();
        ProcessMessages();
        nodes = editor->GridLay->Items()->Count();
        editor->ClearColumns();
    }
    State.counters["nodes"] = static_cast<double>(nodes);
}
BENCHMARK(BM_OpenLayoutEditorOnTenLayoutsOf200Columns)->Unit(benchmark::kMillisecond);
