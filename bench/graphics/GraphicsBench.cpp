// Canvas speed: text from the glyph cache, surface fills, and the grid's per-cell primitives.
#include <benchmark/benchmark.h>

#include <string>

#include "host/graphics/Bitmap.h"
#include "host/graphics/Canvas.h"

namespace {

const std::string Line = "The quick brown fox jumps over the lazy dog 0123456789 ABCDEFGHIJKLMNOPQRSTUVWXYZ abcdefghij";

// Glyphs blended per second once the cache is warm: one line of text written over and over.
void BM_GlyphsFromCache(benchmark::State& State)
{
    TBitmap bmp(1280, 800);
    TCanvas& c = *bmp.Canvas();
    c.SetBkMode(TRANSPARENT);
    c.TextOut(0, 0, Line);
    int y = 0;
    for (auto _ : State) {
        c.TextOut(4, y, Line);
        y = (y + 16) % 780;
    }
    State.SetItemsProcessed(State.iterations() * static_cast<long long>(Line.size()));
}
BENCHMARK(BM_GlyphsFromCache);

void BM_TextWidth(benchmark::State& State)
{
    TBitmap bmp(16, 16);
    TCanvas& c = *bmp.Canvas();
    for (auto _ : State) benchmark::DoNotOptimize(c.TextWidth(Line));
    State.SetItemsProcessed(State.iterations() * static_cast<long long>(Line.size()));
}
BENCHMARK(BM_TextWidth);

void BM_FillSurface1280x800(benchmark::State& State)
{
    TBitmap bmp(1280, 800);
    TCanvas& c = *bmp.Canvas();
    int i = 0;
    for (auto _ : State) {
        c.Brush()->SetColor(i++ & 1 ? clWindow : clBtnFace);
        c.FillRect(Rect(0, 0, 1280, 800));
        benchmark::ClobberMemory();
    }
    State.SetItemsProcessed(State.iterations() * 1280LL * 800);
    State.SetBytesProcessed(State.iterations() * 1280LL * 800 * 4);
}
BENCHMARK(BM_FillSurface1280x800);

// One grid cell as the grid paints it: opaque clipped text, then a raised bevel.
void BM_GridCell(benchmark::State& State)
{
    TBitmap bmp(1280, 800);
    TCanvas& c = *bmp.Canvas();
    c.Brush()->SetColor(clWindow);
    int n = 0;
    for (auto _ : State) {
        const int col = n % 16, row = (n / 16) % 44;
        TRect r = Rect(col * 80, row * 18, col * 80 + 80, row * 18 + 18);
        c.ExtTextOut(r.Left + 2, r.Top + 2, ETO_OPAQUE | ETO_CLIPPED, &r, "Cell 12345.67");
        c.DrawEdge(r, BDR_RAISEDINNER, BF_RIGHT | BF_BOTTOM);
        c.DrawEdge(r, BDR_RAISEDINNER, BF_LEFT | BF_TOP);
        ++n;
    }
    State.SetItemsProcessed(State.iterations());
}
BENCHMARK(BM_GridCell);

void BM_DrawTextWordBreak(benchmark::State& State)
{
    TBitmap bmp(200, 60);
    TCanvas& c = *bmp.Canvas();
    c.SetBkMode(TRANSPARENT);
    for (auto _ : State) {
        TRect r = Rect(2, 2, 199, 59);
        benchmark::DoNotOptimize(c.DrawText("A longer remark that the cell shows over several wrapped lines", r, 0x850));
    }
    State.SetItemsProcessed(State.iterations());
}
BENCHMARK(BM_DrawTextWordBreak);

} // namespace

namespace {
void BM_TextWidthLong(benchmark::State& State)
{
    TBitmap bmp(16, 16);
    TCanvas& c = *bmp.Canvas();
    std::string text;
    while (text.size() < 50'000'000) text += "Größe 12.50 € the quick brown fox, jumps over; ";
    for (auto _ : State) benchmark::DoNotOptimize(c.TextWidth(text));
    State.SetBytesProcessed(State.iterations() * static_cast<long long>(text.size()));
}
BENCHMARK(BM_TextWidthLong)->Unit(benchmark::kMillisecond);
} // namespace
