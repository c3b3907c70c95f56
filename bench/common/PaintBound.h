#pragma once
// What the paint benchmarks share: CPU time of the thread, the live heap of the process, the
// 1280 x 800 scene's texts and font, and the bound: a plain scalar loop that fills the same
// surface, draws the same cell lines and blends 880 texts pixel by pixel from the same glyph
// cache. Grid benchmarks report their CPU time as a multiple of the bound's best frame in the
// same run (x_bound).
#include <benchmark/benchmark.h>

#include <cstddef>
#include <string>

class TFont;

namespace PaintBench {

constexpr int Width = 1280, Height = 800, Columns = 20, ColumnWidth = 64, RowHeight = 18;
constexpr int BoundTexts = 880;

// Seconds of CPU time of this thread: the machine is shared, so wall time says little.
double ThreadSeconds();
// Bytes the process holds through operator new now.
std::size_t LiveHeapBytes();
// The most bytes held through operator new since the last call (or the start); starts over.
std::size_t TakeHeapPeak();

// "R123456C7": the record and the column, as the application answers.
void CellText(int ACol, int ARow, std::string& AValue);
// The same followed by words, 40 characters in all: a text-heavy cell, most of it past the
// cell's right edge.
constexpr int LongTextLength = 40;
void LongCellText(int ACol, int ARow, std::string& AValue);
// DejaVu Sans 12 px.
void SetTextFont(TFont* Font);

// The bound's time per frame in seconds: the best of a few hundred frames, measured once.
double BoundSeconds();
// One benchmark of the bound itself.
void ScalarBound(benchmark::State& State);
// The bound with the texts of LongCellText, and its benchmark.
double LongTextBoundSeconds();
void LongTextScalarBound(benchmark::State& State);

// Times the loop of a benchmark and reports it against the bound (BoundSeconds unless given).
class TAgainstBound {
public:
    explicit TAgainstBound(benchmark::State& State, double Bound = 0);
    ~TAgainstBound();
    TAgainstBound(const TAgainstBound&) = delete;
    TAgainstBound& operator=(const TAgainstBound&) = delete;

private:
    benchmark::State& FState;
    double FBound;
    double FStart;
};

} // namespace PaintBench
