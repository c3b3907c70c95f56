// A grid cell of 50 MB of text beside one of a short text, through the cell text writer as the
// grid paints it: on one line (left, right, centred) and word-wrapped. The cell shows a few dozen
// characters either way; heap_peak is the most the writer held beyond the text itself.
#include "bench/common/LongText.h"
#include "bench/common/PaintBound.h"
#include "host/graphics/Bitmap.h"
#include "zelgrid/Zelgrid.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <string>

using namespace PaintBench;

namespace {

void WriteCell(benchmark::State& State, TAlignment Alignment, bool WordWrap, bool Breaks = false)
{
    std::string text = LongWords(static_cast<std::size_t>(State.range(0)));
    if (Breaks) std::replace(text.begin(), text.end(), ';', '\n');
    AcquireCellTextBitmap();
    {
        TBitmap bmp(Width, Height);
        TCanvas& c = *bmp.Canvas();
        SetTextFont(c.Font());
        c.Brush()->SetColor(clWindow);
        const TRect cell { 128, 36, 128 + 120, 36 + (WordWrap ? 54 : 18) };
        const std::size_t before = LiveHeapBytes();
        TakeHeapPeak();
        for (auto _ : State) WriteCellText(c, cell, 2, 2, text, Alignment, WordWrap);
        State.counters["heap_peak"] = static_cast<double>(TakeHeapPeak() - before);
    }
    ReleaseCellTextBitmap();
}

void BM_CellTextLeft(benchmark::State& State)
{
    WriteCell(State, taLeftJustify, false);
}
void BM_CellTextRight(benchmark::State& State)
{
    WriteCell(State, taRightJustify, false);
}
void BM_CellTextCentred(benchmark::State& State)
{
    WriteCell(State, taCenter, false);
}
void BM_CellTextWrapped(benchmark::State& State)
{
    WriteCell(State, taLeftJustify, true);
}
void BM_CellTextWrappedRight(benchmark::State& State)
{
    WriteCell(State, taRightJustify, true);
}
void BM_CellTextLinesLeft(benchmark::State& State)
{
    WriteCell(State, taLeftJustify, false, true);
}
void BM_CellTextLinesRight(benchmark::State& State)
{
    WriteCell(State, taRightJustify, false, true);
}
void BM_CellTextLinesWrapped(benchmark::State& State)
{
    WriteCell(State, taLeftJustify, true, true);
}

constexpr long Short = 20, Huge = 50'000'000;
BENCHMARK(BM_CellTextLeft)->Arg(Short)->Arg(Huge)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CellTextRight)->Arg(Short)->Arg(Huge)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CellTextCentred)->Arg(Short)->Arg(Huge)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CellTextWrapped)->Arg(Short)->Arg(Huge)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CellTextWrappedRight)->Arg(Short)->Arg(Huge)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CellTextLinesLeft)->Arg(Huge)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CellTextLinesRight)->Arg(Huge)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CellTextLinesWrapped)->Arg(Huge)->Unit(benchmark::kMicrosecond);

} // namespace
