// The demo's form at scale in the headless back end: 1,000,000 generated order records in a
// 1280 x 800 form (the Overview layout, the status line), beside the same scalar bound as the
// grid's paint benchmarks: a full paint, Down on the last visible row, Ctrl+End and Ctrl+Home,
// start to first frame, and the heap of the form's grid apart from the table.
#include <benchmark/benchmark.h>

#include <memory>

#include "apps/zelgrid-demo/DemoForm.h"
#include "binding/GeneratedOrdersSource.h"
#include "bench/common/PaintBound.h"
#include "bench/common/RowScroll.h"
#include "host/windows/Headless.h"
#include "host/windows/MessageQueue.h"
#include "host/windows/Paint.h"

using namespace PaintBench;

namespace {

constexpr int DemoRecords = 1'000'000;

BENCHMARK(ScalarBound)->Unit(benchmark::kMicrosecond);

TGeneratedOrdersSource& MillionRecords()
{
    static TGeneratedOrdersSource table(DemoRecords);
    return table;
}

// The demo's form over Table at the bound's size, shown and painted once.
std::unique_ptr<TDemoForm> ShownDemo(TTableSource& Table)
{
    auto form = std::make_unique<TDemoForm>(nullptr, Table);
    form->SetBounds(0, 0, Width, Height);
    form->Show();
    ProcessMessages();
    UpdateWindow(form->Handle());
    return form;
}

void DemoFullPaint(benchmark::State& State)
{
    THeadlessSession session;
    const std::unique_ptr<TDemoForm> form = ShownDemo(MillionRecords());
    TZelGrid* grid = form->Grid();
    BoundSeconds();
    {
        TAgainstBound bound(State);
        for (auto _ : State) {
            grid->Invalidate();
            UpdateWindow(grid->Handle());
        }
    }
    State.counters["visible_rows"] = grid->VisibleRowCount();
}
BENCHMARK(DemoFullPaint)->Unit(benchmark::kMicrosecond);

// Down on the last visible row: the pixels move up a row, the row uncovered is painted and the
// status line says the new record.
void DemoOneRowScroll(benchmark::State& State)
{
    THeadlessSession session;
    const std::unique_ptr<TDemoForm> form = ShownDemo(MillionRecords());
    TimeOneRowScrolls(State, session.Input, form->Grid(), form->Handle());
}
BENCHMARK(DemoOneRowScroll)->Unit(benchmark::kMicrosecond);

// Ctrl+End to the last record, then Ctrl+Home back to the first: each a full repaint.
void DemoCtrlEndAndHome(benchmark::State& State)
{
    THeadlessSession session;
    const std::unique_ptr<TDemoForm> form = ShownDemo(MillionRecords());
    BoundSeconds();
    bool toEnd = true;
    {
        TAgainstBound bound(State);
        for (auto _ : State) {
            session.Input.PressKey(toEnd ? VK_END : VK_HOME, {ssCtrl});
            UpdateWindow(form->Handle());
            toEnd = !toEnd;
        }
    }
    State.counters["row"] = form->Grid()->Row();
}
BENCHMARK(DemoCtrlEndAndHome)->Unit(benchmark::kMicrosecond);

// Start to first frame: the million records generated, the form built over them, shown and
// painted (the window system, and with it the font engine, already running).
void DemoStartToFirstFrame(benchmark::State& State)
{
    THeadlessSession session;
    BoundSeconds();
    {
        TAgainstBound bound(State);
        for (auto _ : State) {
            TGeneratedOrdersSource table(DemoRecords);
            benchmark::DoNotOptimize(ShownDemo(table).get());
        }
    }
}
BENCHMARK(DemoStartToFirstFrame)->Unit(benchmark::kMillisecond);

// Heap of the demo's form apart from its table and its window surface: the form built, shown
// and painted, less an empty form of the same size shown and painted. The grid with its two
// layouts and the status line; at 1,000 and 1,000,000 records.
void DemoGridHeap(benchmark::State& State)
{
    THeadlessSession session;
    TGeneratedOrdersSource table(static_cast<int>(State.range(0)));
    std::size_t held = 0;
    for (auto _ : State) {
        std::size_t before = LiveHeapBytes();
        {
            TForm empty(nullptr);
            empty.SetBounds(0, 0, Width, Height);
            empty.Show();
            ProcessMessages();
            UpdateWindow(empty.Handle());
            const std::size_t surface = LiveHeapBytes() - before;
            before = LiveHeapBytes();
            const std::unique_ptr<TDemoForm> form = ShownDemo(table);
            held = LiveHeapBytes() - before - surface;
        }
    }
    State.counters["heap_bytes"] = static_cast<double>(held);
    State.counters["records"] = static_cast<double>(State.range(0));
}
BENCHMARK(DemoGridHeap)->Arg(1000)->Arg(DemoRecords)->Unit(benchmark::kMillisecond);

} // namespace
