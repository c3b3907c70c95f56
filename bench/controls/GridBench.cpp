// The base grid at scale: memory and the cost of navigation and geometry against the row count,
// and a full paint of a 1280 x 800 grid (DrawCell calls and heap allocations per paint).
#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <random>

#include "host/controls/Forms.h"
#include "host/controls/Grids.h"
#include "host/windows/Headless.h"
#include "host/windows/MessageQueue.h"

// Every heap allocation of the process is counted, so that a benchmark can report what a piece
// of work allocated. (g++ sees the malloc inside the replaced operator new and warns about the
// matching free; the pair is the replacement itself.)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
// Atomic: the font engine starts on a worker thread, which allocates beside the GUI thread.
static std::atomic<std::size_t> GAllocations = 0;
static std::atomic<std::size_t> GAllocatedBytes = 0;

void* operator new(std::size_t Size)
{
    ++GAllocations;
    GAllocatedBytes += Size;
    if (void* p = std::malloc(Size ? Size : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void* P) noexcept { std::free(P); }
void operator delete(void* P, std::size_t) noexcept { std::free(P); }

namespace {

class TCountingGrid : public TCustomGrid {
public:
    using TCustomGrid::TCustomGrid;
    std::size_t Cells = 0;
    using TCustomGrid::MouseCoord;

protected:
    void DrawCell(int, int, const TRect&, TGridDrawState) override { ++Cells; }
};

// A shown form whose client area a grid fills.
struct TScene {
    THeadlessSession Session;
    TForm* Form;
    TCountingGrid* Grid;

    TScene(int Rows, int Width = 1280, int Height = 800)
    {
        Form = new TForm(nullptr);
        Form->SetBounds(0, 0, Width, Height);
        Grid = new TCountingGrid(Form);
        Grid->SetBorderStyle(bsNone);
        Grid->SetColCount(40);
        Grid->SetRowCount(Rows);
        Grid->SetAlign(alClient);
        Grid->SetParent(Form);
        Form->Show();
        ProcessMessages();
    }
    ~TScene() { delete Form; }
};

// Heap bytes a grid with Rows rows (and a few height overrides) holds.
std::size_t GridBytes(int Rows)
{
    const std::size_t before = GAllocatedBytes;
    auto* grid = new TCountingGrid(nullptr);
    grid->SetRowCount(Rows);
    for (int i = 1; i < 50; ++i) grid->SetRowHeights(i * 7, 30);
    const std::size_t bytes = GAllocatedBytes - before;
    delete grid;
    return bytes;
}

void BM_GridMemory(benchmark::State& State)
{
    const int rows = static_cast<int>(State.range(0));
    std::size_t bytes = 0;
    for (auto _ : State) bytes = GridBytes(rows);
    State.counters["bytes"] = static_cast<double>(bytes);
    State.counters["bytes_vs_1000_rows"] = static_cast<double>(bytes) - static_cast<double>(GridBytes(1000));
}
BENCHMARK(BM_GridMemory)->Arg(1000)->Arg(10'000'000)->Arg(2'000'000'000);

void BM_MoveColRowToLastRow(benchmark::State& State)
{
    TScene scene(static_cast<int>(State.range(0)));
    TCountingGrid* grid = scene.Grid;
    for (int i = 1; i < 1000; ++i) grid->SetRowHeights(i * 997 % grid->RowCount(), 40);
    bool last = false;
    for (auto _ : State) {
        grid->MoveColRow(1, last ? grid->RowCount() - 1 : 1, true, true);
        last = !last;
    }
    benchmark::DoNotOptimize(grid->TopRow());
}
BENCHMARK(BM_MoveColRowToLastRow)->Arg(1000)->Arg(10'000'000)->Arg(2'000'000'000);

void BM_TopRowChange(benchmark::State& State)
{
    TScene scene(static_cast<int>(State.range(0)));
    TCountingGrid* grid = scene.Grid;
    std::mt19937 rng(1);
    for (auto _ : State) grid->SetTopRow(1 + static_cast<int>(rng() % static_cast<unsigned>(grid->RowCount() - 1)));
}
BENCHMARK(BM_TopRowChange)->Arg(1000)->Arg(10'000'000)->Arg(2'000'000'000);

void BM_CellRectAndMouseCoord(benchmark::State& State)
{
    TScene scene(static_cast<int>(State.range(0)));
    TCountingGrid* grid = scene.Grid;
    for (int i = 1; i < 1000; ++i) grid->SetRowHeights(i * 997 % grid->RowCount(), 40);
    grid->SetTopRow(grid->RowCount() / 2);
    const int top = grid->TopRow();
    int n = 0;
    for (auto _ : State) {
        const TRect r = grid->CellRect(1 + n % 10, top + n % 20);
        benchmark::DoNotOptimize(grid->MouseCoord(r.Left + 3, r.Top + 3));
        ++n;
    }
}
BENCHMARK(BM_CellRectAndMouseCoord)->Arg(1000)->Arg(10'000'000)->Arg(2'000'000'000);

// A full paint of the whole 1280 x 800 client, with or without the base's default drawing and
// with columns of the given width; reports the cells drawn and the allocations per paint, which
// must not grow with the number of cells.
void BM_FullPaint(benchmark::State& State)
{
    TScene scene(10'000'000);
    TCountingGrid* grid = scene.Grid;
    grid->SetDefaultDrawing(State.range(0) != 0);
    grid->SetColCount(400);
    grid->SetDefaultColWidth(static_cast<int>(State.range(1)));
    std::size_t cells = 0, allocations = 0, paints = 0;
    for (auto _ : State) {
        grid->Cells = 0;
        grid->Invalidate();
        const std::size_t before = GAllocations;
        grid->Update();
        allocations += GAllocations - before;
        cells += grid->Cells;
        ++paints;
    }
    State.counters["cells_per_paint"] = static_cast<double>(cells) / static_cast<double>(paints);
    State.counters["allocs_per_paint"] = static_cast<double>(allocations) / static_cast<double>(paints);
    // Fixed row and column, the fully visible cells and the partly visible last ones.
    State.counters["visible_cells"] =
        static_cast<double>((grid->VisibleColCount() + 2) * (grid->VisibleRowCount() + 2));
}
BENCHMARK(BM_FullPaint)->Args({0, 64})->Args({1, 64})->Args({1, 16})->Unit(benchmark::kMicrosecond);

} // namespace

namespace {

// Writing every width of a 1,000-column grid on a shown window, as a layout pass does.
void BM_SetColWidths1000(benchmark::State& State)
{
    TScene scene(1000);
    TCountingGrid* grid = scene.Grid;
    grid->SetColCount(1000);
    int width = 40;
    for (auto _ : State) {
        width = width == 40 ? 41 : 40;
        for (int c = 1; c < 1000; ++c) grid->SetColWidths(c, width + c % 7);
    }
}
BENCHMARK(BM_SetColWidths1000)->Unit(benchmark::kMillisecond);

} // namespace

namespace {

// The same move without a window: the geometry alone, free of scroll-bar drawing.
void BM_MoveColRowGeometryOnly(benchmark::State& State)
{
    TCountingGrid grid(nullptr);
    grid.SetBounds(0, 0, 1280, 800);
    grid.SetRowCount(static_cast<int>(State.range(0)));
    for (int i = 1; i < 1000; ++i) grid.SetRowHeights(i * 997 % grid.RowCount(), 40);
    bool last = false;
    for (auto _ : State) {
        grid.MoveColRow(1, last ? grid.RowCount() - 1 : 1, true, true);
        last = !last;
    }
    benchmark::DoNotOptimize(grid.TopRow());
}
BENCHMARK(BM_MoveColRowGeometryOnly)->Arg(1000)->Arg(10'000'000)->Arg(2'000'000'000);

} // namespace
