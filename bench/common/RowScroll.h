#pragma once
// The one-row scroll loop the grid's and the demo's paint benchmarks share.
#include <benchmark/benchmark.h>

#include "bench/common/PaintBound.h"
#include "host/windows/Headless.h"
#include "host/windows/Paint.h"
#include "zelgrid/Zelgrid.h"

namespace PaintBench {

// Down on the last visible row of the focused Grid once per iteration, then Shown (the grid or
// its form) painted: the pixels move up a row and the row uncovered is painted. At the last
// record the grid goes back to the top outside the timing.
inline void TimeOneRowScrolls(benchmark::State& State, THeadlessInput& Input, TZelGrid* Grid, HWND Shown)
{
    const auto toLastVisible = [&] {
        Grid->SetCurrentRow(Grid->TopRow() + Grid->VisibleRowCount() - 1);
        UpdateWindow(Shown);
    };
    toLastVisible();
    BoundSeconds();
    {
        TAgainstBound bound(State);
        for (auto _ : State) {
            if (Grid->Row() >= Grid->RowCount() - 1) {
                State.PauseTiming();
                Grid->SetTopRow(1);
                toLastVisible();
                State.ResumeTiming();
            }
            Input.PressKey(VK_DOWN);
            UpdateWindow(Shown);
        }
    }
    State.counters["top_row"] = Grid->TopRow();
}

} // namespace PaintBench
