// The grid on screen at scale: a 1280 x 800 grid over 1,000,000 records, 20 columns of 64 px,
// 18 px rows, titles, indicator, stripes, texts like R123456C7 from OnGetDataCell, DejaVu Sans
// 12 px. Beside it the bound: a plain scalar loop that fills the same surface, draws the same
// cell lines and blends the same 880 texts pixel by pixel from the same glyph cache. Each grid
// benchmark reports its CPU time as a multiple of the bound's best frame in the same run
// (x_bound).
#include <benchmark/benchmark.h>

#include <malloc.h>

#include <algorithm>
#include <charconv>
#include <ctime>
#include <cstdlib>
#include <new>
#include <vector>

#include "host/controls/Forms.h"
#include "host/graphics/FontEngine.h"
#include "host/windows/Headless.h"
#include "host/windows/MessageQueue.h"
#include "host/windows/Paint.h"
#include "zelgrid/Zelgrid.h"

// Live heap bytes of the process, so that a benchmark can report what an object holds. (g++
// sees the malloc inside the replaced operator new and warns about the matching free; the pair
// is the replacement itself.)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
static std::size_t GLiveBytes = 0;

void* operator new(std::size_t Size)
{
    void* p = std::malloc(Size ? Size : 1);
    if (!p) throw std::bad_alloc();
    GLiveBytes += malloc_usable_size(p);
    return p;
}
void operator delete(void* P) noexcept
{
    if (P) GLiveBytes -= malloc_usable_size(P);
    std::free(P);
}
void operator delete(void* P, std::size_t) noexcept { operator delete(P); }

namespace {

// Seconds of CPU time of this thread: the machine is shared, so wall time says little.
double ThreadSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

constexpr int Width = 1280, Height = 800, Columns = 20, ColumnWidth = 64, RowHeight = 18, Records = 1'000'000;
constexpr int BoundTexts = 880;

// "R123456C7": the record and the column, as the application answers.
void CellText(int ACol, int ARow, std::string& AValue)
{
    char buffer[32] = "R";
    char* end = std::to_chars(buffer + 1, buffer + 12, ARow).ptr;
    *end = 'C';
    end = std::to_chars(end + 1, buffer + sizeof buffer, ACol).ptr;
    AValue.assign(buffer, end);
}

void SetTextFont(TFont* Font)
{
    Font->SetName("DejaVu Sans");
    Font->SetHeight(-12);
}

// A shown form whose client area the grid fills.
struct TScene {
    TForm* Form = new TForm(nullptr);
    TZelGrid* Grid = new TZelGrid(Form);
    int RecordCount;

    explicit TScene(int Count = Records) : RecordCount(Count)
    {
        Form->SetBounds(0, 0, Width, Height);
        Grid->SetAlign(alClient);
        SetTextFont(Grid->Font());
        Grid->OnGetRowCount = [this](int& ARowCount) { ARowCount = RecordCount; };
        Grid->OnGetDataCell = CellText;
        Grid->BeginLayout();
        for (int i = 0; i < Columns; ++i) Grid->Columns()->Add()->SetWidth(ColumnWidth);
        Grid->SetDefRowHeight(RowHeight);
        Grid->SetBlindedColor(RGB(0xEE, 0xF3, 0xFA));
        Grid->SetBlinded(true);
        Grid->EndLayout();
        Grid->SetParent(Form);
        Form->Show();
        ProcessMessages();
        UpdateWindow(Grid->Handle());
    }
    ~TScene() { delete Form; }
    TScene(const TScene&) = delete;
    TScene& operator=(const TScene&) = delete;
};

// ----- the bound ----------------------------------------------------------------------------

// One frame of the bound on Surface: fill, cell lines, 880 texts blended pixel by pixel.
void PaintBound(std::vector<TPixel>& Surface, TFaceSize& Face)
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
        CellText(col, 123456 + row, text);
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

// The bound's time per frame in seconds: the best of a few hundred frames, measured once.
double BoundSeconds()
{
    static const double seconds = [] {
        std::vector<TPixel> surface(static_cast<std::size_t>(Width) * Height);
        TFaceSize& face = BoundFace();
        PaintBound(surface, face);
        double best = 1e9;
        for (int i = 0; i < 300; ++i) {
            const double start = ThreadSeconds();
            PaintBound(surface, face);
            benchmark::DoNotOptimize(surface.data());
            best = std::min(best, ThreadSeconds() - start);
        }
        return best;
    }();
    return seconds;
}

void ScalarBound(benchmark::State& State)
{
    std::vector<TPixel> surface(static_cast<std::size_t>(Width) * Height);
    TFaceSize& face = BoundFace();
    for (auto _ : State) {
        PaintBound(surface, face);
        benchmark::DoNotOptimize(surface.data());
    }
    State.counters["texts"] = BoundTexts;
}
BENCHMARK(ScalarBound)->Unit(benchmark::kMicrosecond);

// Times the loop of a grid benchmark itself and reports it against the bound.
class TAgainstBound {
public:
    explicit TAgainstBound(benchmark::State& State) : FState(State), FStart(ThreadSeconds()) {}
    ~TAgainstBound()
    {
        const double seconds = ThreadSeconds() - FStart;
        if (FState.iterations() > 0)
            FState.counters["x_bound"] = seconds / static_cast<double>(FState.iterations()) / BoundSeconds();
    }
    TAgainstBound(const TAgainstBound&) = delete;
    TAgainstBound& operator=(const TAgainstBound&) = delete;

private:
    benchmark::State& FState;
    double FStart;
};

// ----- the grid -----------------------------------------------------------------------------

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

// Down on the last visible row: the pixels move up one row and the row uncovered is painted.
void OneRowScroll(benchmark::State& State)
{
    THeadlessSession session;
    TScene scene;
    TZelGrid* grid = scene.Grid;
    grid->SetFocus();
    const auto toLastVisible = [&] {
        grid->SetCurrentRow(grid->TopRow() + grid->VisibleRowCount() - 1);
        UpdateWindow(grid->Handle());
    };
    toLastVisible();
    BoundSeconds();
    {
        TAgainstBound bound(State);
        for (auto _ : State) {
            if (grid->Row() >= grid->RowCount() - 1) {
                State.PauseTiming();
                grid->SetTopRow(1);
                toLastVisible();
                State.ResumeTiming();
            }
            session.Input.PressKey(VK_DOWN);
            UpdateWindow(grid->Handle());
        }
    }
    State.counters["top_row"] = grid->TopRow();
}
BENCHMARK(OneRowScroll)->Unit(benchmark::kMicrosecond);

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

// Heap a shown grid holds per record, at 1,000 and at 100,000,000 records.
void HeapBytesPerRow(benchmark::State& State)
{
    THeadlessSession session;
    const int count = static_cast<int>(State.range(0));
    std::size_t held = 0;
    for (auto _ : State) {
        const std::size_t before = GLiveBytes;
        TScene scene(count);
        held = GLiveBytes - before;
    }
    State.counters["heap_bytes"] = static_cast<double>(held);
    State.counters["bytes_per_row"] = static_cast<double>(held) / count;
}
BENCHMARK(HeapBytesPerRow)->Arg(1000)->Arg(100'000'000)->Unit(benchmark::kMillisecond);

} // namespace
