#include "bench/common/PaintBound.h"

#include <malloc.h>

#include <algorithm>
#include <atomic>
#include <charconv>
#include <cstdlib>
#include <ctime>
#include <new>
#include <vector>

#include "host/graphics/Color.h"
#include "host/graphics/Font.h"
#include "host/graphics/FontEngine.h"

// Live heap bytes of the process, so that a benchmark can report what an object holds. (g++
// sees the malloc inside the replaced operator new and warns about the matching free; the pair
// is the replacement itself.)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
// Atomic: the font engine starts on a worker thread, which allocates beside the GUI thread.
static std::atomic<std::size_t> GLiveBytes = 0;
static std::atomic<std::size_t> GPeakBytes = 0;

void* operator new(std::size_t Size)
{
    void* p = std::malloc(Size ? Size : 1);
    if (!p) throw std::bad_alloc();
    const std::size_t size = malloc_usable_size(p);
    const std::size_t live = GLiveBytes.fetch_add(size, std::memory_order_relaxed) + size;
    std::size_t peak = GPeakBytes.load(std::memory_order_relaxed);
    while (live > peak && !GPeakBytes.compare_exchange_weak(peak, live, std::memory_order_relaxed)) {
    }
    return p;
}
void operator delete(void* P) noexcept
{
    if (P) GLiveBytes.fetch_sub(malloc_usable_size(P), std::memory_order_relaxed);
    std::free(P);
}
void operator delete(void* P, std::size_t) noexcept { operator delete(P); }

namespace PaintBench {

double ThreadSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

std::size_t LiveHeapBytes() { return GLiveBytes; }

std::size_t TakeHeapPeak()
{
    const std::size_t peak = GPeakBytes.load();
    GPeakBytes = GLiveBytes.load();
    return peak;
}

void CellText(int ACol, int ARow, std::string& AValue)
{
    char buffer[32] = "R";
    char* end = std::to_chars(buffer + 1, buffer + 12, ARow).ptr;
    *end = 'C';
    end = std::to_chars(end + 1, buffer + sizeof buffer, ACol).ptr;
    AValue.assign(buffer, end);
}

void LongCellText(int ACol, int ARow, std::string& AValue)
{
    CellText(ACol, ARow, AValue);
    AValue += " the quick brown fox jumps over the lazy dog";
    AValue.resize(LongTextLength);
}

void SetTextFont(TFont* Font)
{
    Font->SetName("DejaVu Sans");
    Font->SetHeight(-12);
}

namespace {

using TCellText = void (*)(int, int, std::string&);

// One frame of the bound on Surface: fill, cell lines, 880 texts blended pixel by pixel.
void PaintBound(std::vector<TPixel>& Surface, TFaceSize& Face, TCellText Text = CellText)
{
    const TPixel window = ColorToPixel(clWindow), line = ColorToPixel(clSilver), ink = ColorToPixel(clBlack);
    std::fill(Surface.begin(), Surface.end(), window);
    for (int x = ColumnWidth; x < Width; x += ColumnWidth + 1)
        for (int y = 0; y < Height; ++y) Surface[static_cast<std::size_t>(y) * Width + x] = line;
    for (int y = RowHeight; y < Height; y += RowHeight + 1)
        std::fill_n(Surface.begin() + static_cast<std::ptrdiff_t>(y) * Width, Width, line);
    const int perRow = Width / (ColumnWidth + 1) + 1;
    std::string text;
    for (int i = 0; i < BoundTexts; ++i) {
        const int col = i % perRow, row = i / perRow;
        const int left = col * (ColumnWidth + 1), top = row * (RowHeight + 1);
        const int right = std::min(left + ColumnWidth, Width), bottom = std::min(top + RowHeight, Height);
        Text(col, 123456 + row, text);
        int penX = left + 2;
        const int baseline = top + 2 + Face.Ascent();
        for (char c : text) {
            const TGlyph& glyph = Face.Glyph(static_cast<unsigned char>(c));
            const int gx = penX + glyph.Left, gy = baseline - glyph.Top;
            for (int y = std::max(gy, top); y < std::min(gy + glyph.Height, bottom); ++y) {
                for (int x = std::max(gx, left); x < std::min(gx + glyph.Width, right); ++x) {
                    const unsigned a = glyph.Coverage[static_cast<std::size_t>(y - gy) * glyph.Width + (x - gx)];
                    if (a == 0) continue;
                    TPixel& out = Surface[static_cast<std::size_t>(y) * Width + x];
                    if (a == 255) {
                        out = ink;
                        continue;
                    }
                    const unsigned na = 255 - a;
                    const unsigned r = (((ink >> 16) & 0xFF) * a + ((out >> 16) & 0xFF) * na + 127) / 255;
                    const unsigned g = (((ink >> 8) & 0xFF) * a + ((out >> 8) & 0xFF) * na + 127) / 255;
                    const unsigned b = ((ink & 0xFF) * a + (out & 0xFF) * na + 127) / 255;
                    out = 0xFF000000u | r << 16 | g << 8 | b;
                }
            }
            penX += glyph.Advance;
        }
    }
}

TFaceSize& BoundFace()
{
    TFont font;
    SetTextFont(&font);
    return FaceForFont(font);
}

double BestFrameSeconds(TCellText Text)
{
    std::vector<TPixel> surface(static_cast<std::size_t>(Width) * Height);
    TFaceSize& face = BoundFace();
    PaintBound(surface, face, Text);
    double best = 1e9;
    for (int i = 0; i < 300; ++i) {
        const double start = ThreadSeconds();
        PaintBound(surface, face, Text);
        benchmark::DoNotOptimize(surface.data());
        best = std::min(best, ThreadSeconds() - start);
    }
    return best;
}

void RunBound(benchmark::State& State, TCellText Text)
{
    std::vector<TPixel> surface(static_cast<std::size_t>(Width) * Height);
    TFaceSize& face = BoundFace();
    for (auto _ : State) {
        PaintBound(surface, face, Text);
        benchmark::DoNotOptimize(surface.data());
    }
    State.counters["texts"] = BoundTexts;
}

} // namespace

double BoundSeconds()
{
    static const double seconds = BestFrameSeconds(CellText);
    return seconds;
}

void ScalarBound(benchmark::State& State)
{
    RunBound(State, CellText);
}

double LongTextBoundSeconds()
{
    static const double seconds = BestFrameSeconds(LongCellText);
    return seconds;
}

void LongTextScalarBound(benchmark::State& State)
{
    RunBound(State, LongCellText);
}

TAgainstBound::TAgainstBound(benchmark::State& State, double Bound)
    : FState(State), FBound(Bound > 0 ? Bound : BoundSeconds()), FStart(ThreadSeconds())
{
}

TAgainstBound::~TAgainstBound()
{
    const double seconds = ThreadSeconds() - FStart;
    if (FState.iterations() > 0)
        FState.counters["x_bound"] = seconds / static_cast<double>(FState.iterations()) / FBound;
}

} // namespace PaintBench
