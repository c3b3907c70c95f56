// The grid on screen at scale (bench/zelgrid/PaintScene.h) beside the bound: full paint (short
// and 40-character texts, beside a memset of the frame), one-row scroll, the Row property to the
// last record and back, the first frame (in this process and in a fresh one) and the heap the
// grid holds.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
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

// Ctrl+End and Ctrl+Home as the Row property does them: the last record and back to the first,
// at 1,000,000 records and at the most a grid holds (2^31 - 2 and the title row). x_full_frame
// is the time of the jumps over that of full paints of the same grid at the same rows (the last
// rows' texts are longer), one after each jump outside the timing, so that both see the same
// machine.
void RowToLastAndFirst(benchmark::State& State)
{
    THeadlessSession session;
    TScene scene(static_cast<int>(State.range(0)));
    TZelGrid* grid = scene.Grid;
    BoundSeconds();
    bool toLast = true;
    double jumps = 0, fullFrames = 0;
    for (auto _ : State) {
        const double start = ThreadSeconds();
        grid->SetCurrentRow(toLast ? grid->RowCount() - 1 : 1);
        UpdateWindow(grid->Handle());
        jumps += ThreadSeconds() - start;
        toLast = !toLast;
        State.PauseTiming();
        const double fullStart = ThreadSeconds();
        grid->Invalidate();
        UpdateWindow(grid->Handle());
        fullFrames += ThreadSeconds() - fullStart;
        State.ResumeTiming();
    }
    State.counters["rows"] = grid->RowCount();
    State.counters["x_bound"] = jumps / static_cast<double>(State.iterations()) / BoundSeconds();
    State.counters["x_full_frame"] = jumps / fullFrames;
}
BENCHMARK(RowToLastAndFirst)->Arg(Records)->Arg(2'147'483'646)->Unit(benchmark::kMicrosecond);

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
// start, which starts the font engine (fontconfig and the default face) on a worker thread, and
// then the first form with the grid, with cold glyph and face caches and a fresh surface. The
// argument is a pause between the two in microseconds (an application's own start; 0: the form
// comes at once and its first text waits for the engine). Medians of the runs: CPU time of the
// child's GUI thread and wall time; the iteration time is the wall time of start and frame.
void FirstFrameInFreshProcess(benchmark::State& State)
{
    BoundSeconds();
    const std::string command = std::string(ZEL_FIRST_FRAME_PROCESS) + " " + std::to_string(State.range(0));
    std::vector<double> start, frame, startWall, frameWall;
    for (auto _ : State) {
        std::unique_ptr<FILE, int (*)(FILE*)> child(popen(command.c_str(), "r"), pclose);
        double s = 0, f = 0, sw = 0, fw = 0;
        if (!child || std::fscanf(child.get(), "%lf %lf %lf %lf", &s, &f, &sw, &fw) != 4) {
            State.SkipWithError("the first-frame process did not answer");
            return;
        }
        start.push_back(s);
        frame.push_back(f);
        startWall.push_back(sw);
        frameWall.push_back(fw);
        State.SetIterationTime(sw + fw);
    }
    const auto median = [](std::vector<double>& V) {
        std::nth_element(V.begin(), V.begin() + static_cast<std::ptrdiff_t>(V.size() / 2), V.end());
        return V[V.size() / 2];
    };
    const double bound = BoundSeconds();
    State.counters["start_us"] = median(start) * 1e6;
    State.counters["frame_us"] = median(frame) * 1e6;
    State.counters["frame_wall_us"] = median(frameWall) * 1e6;
    State.counters["start_wall_us"] = median(startWall) * 1e6;
    State.counters["frame_x_bound"] = median(frame) / bound;
    State.counters["frame_wall_x_bound"] = median(frameWall) / bound;
}
BENCHMARK(FirstFrameInFreshProcess)->Arg(0)->Arg(5000)->UseManualTime()->Iterations(21)->Unit(benchmark::kMicrosecond);

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
