// The grid on screen at scale (bench/zelgrid/PaintScene.h) beside the bound: full paint (short
// and 40-character texts, beside a memset of the frame), one-row scroll, the Row property to the
// last record and back, the first frame (in this process and in a fresh one) and the heap the
// grid holds.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "bench/common/RowScroll.h"
#include "bench/zelgrid/PaintScene.h"
#include "host/windows/Headless.h"
#include "host/windows/ScrollBar.h"

using namespace PaintBench;

namespace {

BENCHMARK(ScalarBound)->Unit(benchmark::kMicrosecond);

void FullPaint(benchmark::State& State)
{
    THeadlessSession session;
    TScene scene;
    int cells = 0;
    scene.Grid->OnDrawColumnCell = [&](TObject*, const TRect&, int, TZelColumn*, TGridDrawState) { ++cells; };
    BoundSeconds();
    {
        TAgainstBound bound(State);
        for (auto _ : State) {
            scene.Grid->Invalidate();
            UpdateWindow(scene.Grid->Handle());
        }
    }
    State.counters["data_cells"] = static_cast<double>(cells) / static_cast<double>(State.iterations());
}
BENCHMARK(FullPaint)->Unit(benchmark::kMicrosecond);

// The floor of any frame: one memset of the frame's bytes.
void FrameMemset(benchmark::State& State)
{
    std::vector<TPixel> surface(static_cast<std::size_t>(Width) * Height);
    BoundSeconds();
    int value = 0;
    {
        TAgainstBound bound(State);
        for (auto _ : State) {
            std::memset(surface.data(), ++value & 0xFF, surface.size() * sizeof(TPixel));
            benchmark::DoNotOptimize(surface.data());
            benchmark::ClobberMemory();
        }
    }
}
BENCHMARK(FrameMemset)->Unit(benchmark::kMicrosecond);

BENCHMARK(LongTextScalarBound)->Unit(benchmark::kMicrosecond);

// The same frame with texts of 40 characters (LongCellText), against the bound over the same
// texts; x_short is that ratio over the short-text frame's ratio, painted just before.
void FullPaintLongText(benchmark::State& State)
{
    THeadlessSession session;
    TScene scene;
    const auto meanFrame = [&](int Frames) {
        const double start = ThreadSeconds();
        for (int i = 0; i < Frames; ++i) {
            scene.Grid->Invalidate();
            UpdateWindow(scene.Grid->Handle());
        }
        return (ThreadSeconds() - start) / Frames;
    };
    const double shortRatio = meanFrame(300) / BoundSeconds();
    scene.Grid->OnGetDataCell = LongCellText;
    meanFrame(1);
    {
        TAgainstBound bound(State, LongTextBoundSeconds());
        for (auto _ : State) {
            scene.Grid->Invalidate();
            UpdateWindow(scene.Grid->Handle());
        }
    }
    State.counters["short_x_bound"] = shortRatio;
    State.counters["x_short"] = State.counters["x_bound"].value / shortRatio;
}
BENCHMARK(FullPaintLongText)->Unit(benchmark::kMicrosecond);

// Down on the last visible row: the pixels move up one row and the row uncovered is painted.
void OneRowScroll(benchmark::State& State)
{
    THeadlessSession session;
    TScene scene;
    scene.Grid->SetFocus();
    TimeOneRowScrolls(State, session.Input, scene.Grid, scene.Grid->Handle());
}
BENCHMARK(OneRowScroll)->Unit(benchmark::kMicrosecond);

// One step of a thumb drag on the grid's own bar: the pointer moves the held thumb a few pixels,
// the bar sends SB_THUMBTRACK, the top row follows and the view is painted. Each step shows
// other rows, so it costs about what a full paint (one frame) does.
void ThumbTrackStep(benchmark::State& State)
{
    THeadlessSession session;
    TScene scene(static_cast<int>(State.range(0)));
    const HWND h = scene.Grid->Handle();
    const TScrollBarParts parts = GetScrollBarParts(h, SB_VERT);
    const TPoint grab{(parts.Thumb.Left + parts.Thumb.Right) / 2, (parts.Thumb.Top + parts.Thumb.Bottom) / 2};
    const int run = parts.ArrowDown.Top - parts.Thumb.Bottom;
    session.Input.MouseDownInWindow(h, grab);
    int offset = 0;
    BoundSeconds();
    {
        TAgainstBound bound(State);
        for (auto _ : State) {
            offset = offset + 3 > run ? 0 : offset + 3;
            session.Input.MouseMoveInWindow(h, {grab.X, grab.Y + offset});
            UpdateWindow(h);
        }
    }
    State.counters["top_row"] = scene.Grid->TopRow();
    session.Input.MouseUpInWindow(h, {grab.X, grab.Y + offset});
}
BENCHMARK(ThumbTrackStep)->Arg(1'000'000)->Arg(100'000'000)->Unit(benchmark::kMicrosecond);

// Ctrl+End and Ctrl+Home as the Row property does them: the last record and back to the first.
void RowToLastAndFirst(benchmark::State& State)
{
    THeadlessSession session;
    TScene scene;
    TZelGrid* grid = scene.Grid;
    BoundSeconds();
    bool toLast = true;
    {
        TAgainstBound bound(State);
        for (auto _ : State) {
            grid->SetCurrentRow(toLast ? grid->RowCount() - 1 : 1);
            UpdateWindow(grid->Handle());
            toLast = !toLast;
        }
    }
    State.counters["rows"] = grid->RowCount();
}
BENCHMARK(RowToLastAndFirst)->Unit(benchmark::kMicrosecond);

// A form with the grid created, shown and painted for the first time, then freed.
void FirstFrame(benchmark::State& State)
{
    THeadlessSession session;
    BoundSeconds();
    {
        TAgainstBound bound(State);
        for (auto _ : State) {
            TScene scene;
            benchmark::DoNotOptimize(scene.Grid);
        }
    }
}
BENCHMARK(FirstFrame)->Unit(benchmark::kMicrosecond);

// The first frame of a fresh process (bench/zelgrid/FirstFrameProcess.cpp): the window system's
// start, which starts the font engine (fontconfig and the default faces), and then the first
// form with the grid, with cold glyph and face caches. Both are the child's CPU time.
void FirstFrameInFreshProcess(benchmark::State& State)
{
    BoundSeconds();
    double start = 0, frame = 0;
    int runs = 0;
    for (auto _ : State) {
        std::unique_ptr<FILE, int (*)(FILE*)> child(popen(ZEL_FIRST_FRAME_PROCESS, "r"), pclose);
        double s = 0, f = 0;
        if (!child || std::fscanf(child.get(), "%lf %lf", &s, &f) != 2) {
            State.SkipWithError("the first-frame process did not answer");
            return;
        }
        start += s;
        frame += f;
        ++runs;
        State.SetIterationTime(s + f);
    }
    State.counters["start_us"] = start / runs * 1e6;
    State.counters["frame_us"] = frame / runs * 1e6;
    State.counters["frame_x_bound"] = frame / runs / BoundSeconds();
    State.counters["start_and_frame_x_bound"] = (start + frame) / runs / BoundSeconds();
}
BENCHMARK(FirstFrameInFreshProcess)->UseManualTime()->Iterations(20)->Unit(benchmark::kMicrosecond);

// Heap the grid holds, at 1,000 and at 100,000,000 records: the form is shown and painted first,
// so that its window surface is not counted; then the grid is made, shown and painted.
void HeapBytesPerRow(benchmark::State& State)
{
    THeadlessSession session;
    const int count = static_cast<int>(State.range(0));
    std::size_t held = 0;
    for (auto _ : State) {
        std::unique_ptr<TForm> form(SceneForm());
        form->Show();
        ProcessMessages();
        UpdateWindow(form->Handle());
        const std::size_t before = LiveHeapBytes();
        TZelGrid* grid = SceneGrid(form.get(), count);
        ProcessMessages();
        UpdateWindow(grid->Handle());
        held = LiveHeapBytes() - before;
    }
    State.counters["heap_bytes"] = static_cast<double>(held);
    State.counters["bytes_per_row"] = static_cast<double>(held) / count;
}
BENCHMARK(HeapBytesPerRow)->Arg(1000)->Arg(100'000'000)->Unit(benchmark::kMillisecond);

} // namespace
