#pragma once
// What the database benchmarks share: the table size (ZEL_BENCH_ROWS, 1,000,000 by default), a
// private folder for the run's databases that is removed at exit, and the grid a user sees: a
// 1280 x 800 form filled by a grid bound to a source, painted headless. A frame is timed from the
// move (Ctrl+Home, Ctrl+End, the row set to the middle, Page Down) to the painted grid.
#include "binding/GridBinding.h"
#include "host/controls/Forms.h"
#include "host/windows/Headless.h"
#include "host/windows/Input.h"
#include "host/windows/MessageQueue.h"
#include "host/windows/Paint.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace FrameBench {

constexpr int Width = 1280, Height = 800;

// Records in the benchmark's tables.
inline std::int64_t Rows()
{
    static const std::int64_t rows = [] {
        const char* text = std::getenv("ZEL_BENCH_ROWS");
        const long long asked = text && *text ? std::atoll(text) : 0;
        return asked >= 1000 ? static_cast<std::int64_t>(asked) : std::int64_t { 1'000'000 };
    }();
    return rows;
}

// The first row of a frame at a place: 0 the first, 1 the middle, 2 the last.
inline std::int64_t PlaceRow(int Where, int Visible = 40)
{
    return Where == 0 ? 0 : Where == 1 ? Rows() / 2 : Rows() - Visible;
}

inline const char* PlaceName(int Where)
{
    return Where == 0 ? "first" : Where == 1 ? "middle" : "last";
}

// Ctrl+C and SIGTERM end the run through exit(), whose static destructors remove the run's
// folder and stop its PostgreSQL server.
inline void CleanUpOnSignals()
{
    std::signal(SIGINT, [](int) { std::exit(130); });
    std::signal(SIGTERM, [](int) { std::exit(143); });
}

// A folder of this run under $TMPDIR, removed when the process ends, also by Ctrl+C.
class TRunFolder {
public:
    static const std::string& Path()
    {
        static TRunFolder folder;
        return folder.FPath;
    }

private:
    TRunFolder()
    {
        const std::string pattern = (std::filesystem::temp_directory_path() / "zelbench-XXXXXX").string();
        std::string buffer = pattern;
        if (!mkdtemp(buffer.data())) {
            std::perror("cannot create the benchmark's folder");
            std::exit(1);
        }
        FPath = buffer;
        CleanUpOnSignals();
    }
    ~TRunFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(FPath, ignored);
    }
    std::string FPath;
};

// The grid over Source as a user sees it: shown, painted, the current cell in the first column.
class TFrameScene {
public:
    explicit TFrameScene(TTableSource& Source)
    {
        FForm = new TForm(nullptr);
        FForm->SetBounds(0, 0, Width, Height);
        FGrid = new TZelGrid(FForm);
        FGrid->SetAlign(alClient);
        FGrid->SetParent(FForm);
        FBinding = std::make_unique<TGridBinding>(FGrid, Source);
        FForm->SetActiveControl(FGrid);
        FForm->Show();
        Paint();
    }
    ~TFrameScene()
    {
        FBinding.reset();
        delete FForm;
    }
    TFrameScene(const TFrameScene&) = delete;
    TFrameScene& operator=(const TFrameScene&) = delete;

    TZelGrid* Grid() const { return FGrid; }
    TGridBinding& Binding() const { return *FBinding; }

    // Runs the queue and paints what it invalidated.
    void Paint()
    {
        ProcessMessages();
        UpdateWindow(FGrid->Handle());
    }
    void GoTo(std::int64_t DataRow)
    {
        FGrid->AMoveColRow(FGrid->DataToRawColumn(0), static_cast<int>(DataRow) + FGrid->TitleRows(), true, true);
    }
    // The data row of the current cell.
    std::int64_t Row() const { return FGrid->Row() - FGrid->TitleRows(); }
    void Press(WORD Key, TShiftState Shift = {}) { FSession.Input.PressKey(Key, Shift); }

    // The first complete frame at Where (see PlaceRow) with nothing cached: the view is elsewhere
    // and the binding's cache empty when the move starts. Ctrl+Home and Ctrl+End are keys; the
    // middle is the row set as the thumb sets it.
    void FirstFrame(benchmark::State& State, int Where)
    {
        const std::int64_t rows = Rows();
        for (auto _ : State) {
            State.PauseTiming();
            GoTo(Where == 1 ? 0 : rows / 2);
            Paint();
            FBinding->DropCache();
            const int pagesBefore = FBinding->PagesRead();
            State.ResumeTiming();
            if (Where == 0)
                Press(VK_HOME, TShiftState { ssCtrl });
            else if (Where == 2)
                Press(VK_END, TShiftState { ssCtrl });
            else
                GoTo(rows / 2);
            Paint();
            State.PauseTiming();
            CheckFrame(State, Where == 0 ? 0 : Where == 1 ? rows / 2 : rows - 1, pagesBefore);
            State.ResumeTiming();
        }
        State.counters["rows_shown"] = FGrid->VisibleRowCount();
    }

    // Page Down from the middle on, each step a frame. Beside the mean: the mean of the steps
    // that read a page from the source (the others are served by the cache), the 99th percentile
    // of the steps (the slowest alone is the shared machine's noise) and the pages read per step.
    void PageSteps(benchmark::State& State)
    {
        const std::int64_t rows = Rows();
        GoTo(rows / 2);
        Paint();
        std::vector<double> times;
        double reading = 0;
        std::int64_t steps = 0, readingSteps = 0, pages = 0;
        for (auto _ : State) {
            if (Row() > rows - 1000) {
                State.PauseTiming();
                GoTo(rows / 2);
                Paint();
                State.ResumeTiming();
            }
            const int before = FBinding->PagesRead();
            const auto began = std::chrono::steady_clock::now();
            Press(VK_NEXT);
            Paint();
            const double ms
                = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - began).count();
            times.push_back(ms);
            ++steps;
            if (FBinding->PagesRead() > before) {
                reading += ms;
                ++readingSteps;
                pages += FBinding->PagesRead() - before;
            }
        }
        if (!FBinding->LastError().empty()) State.SkipWithError(FBinding->LastError().c_str());
        State.counters["reading_step_ms"] = reading / static_cast<double>(std::max<std::int64_t>(1, readingSteps));
        std::sort(times.begin(), times.end());
        if (!times.empty()) State.counters["p99_ms"] = times[times.size() * 99 / 100];
        State.counters["pages_per_step"]
            = static_cast<double>(pages) / static_cast<double>(std::max<std::int64_t>(1, steps));
    }

private:
    // The frame showed Row: the source was read and the row's cells are there.
    void CheckFrame(benchmark::State& State, std::int64_t DataRow, int PagesBefore)
    {
        if (!FBinding->LastError().empty())
            State.SkipWithError(FBinding->LastError().c_str());
        else if (Row() != DataRow)
            State.SkipWithError("the move did not reach its row");
        else if (FBinding->PagesRead() == PagesBefore || FBinding->CellText(DataRow, 0).empty())
            State.SkipWithError("the frame did not show the row's cells");
    }

    THeadlessSession FSession; // first made, last gone
    TForm* FForm = nullptr;
    TZelGrid* FGrid = nullptr;
    std::unique_ptr<TGridBinding> FBinding;
};

// The orders the database benchmarks read in: the stored one, by customer (indexed) and by
// amount (no index serves it).
enum { Stored, Indexed, Unindexed };
constexpr int OrderColumn[] = { -1, 1, 2 };
inline const char* const OrderName[] = { "stored order", "customer (indexed)", "amount (not indexed)" };

// Puts Source in Order with its key index built (for the stored order, by a refresh).
inline void ApplyOrder(TTableSource& Source, int Order)
{
    if (Order == Stored)
        Source.Refresh();
    else
        Source.SetOrder(OrderColumn[Order], TSortDirection::Ascending);
}

// The grid's first complete frame over Source (in order range(0)) after a move to the first,
// middle or last record (range(1)).
inline void TimeFirstFrame(benchmark::State& State, TTableSource& Source)
{
    const int order = static_cast<int>(State.range(0)), where = static_cast<int>(State.range(1));
    TFrameScene scene(Source);
    scene.FirstFrame(State, where);
    State.SetLabel(std::string(OrderName[order]) + ", " + PlaceName(where));
}

// Page Down in the middle of Source (in order range(0)): the step and its frame.
inline void TimePageSteps(benchmark::State& State, TTableSource& Source)
{
    TFrameScene scene(Source);
    scene.PageSteps(State);
    State.SetLabel(OrderName[State.range(0)]);
}

// A title click's work in a freshly opened source: ordering by column range(0) (1 customer, 2
// amount) with the order's key index, then back to the stored order (not timed).
inline void TimeSetOrder(benchmark::State& State, TTableSource& Opened)
{
    const int column = static_cast<int>(State.range(0));
    Opened.RowCount();
    for (auto _ : State) {
        Opened.SetOrder(column, TSortDirection::Ascending);
        State.PauseTiming();
        Opened.SetOrder(-1, TSortDirection::None);
        State.ResumeTiming();
    }
    State.SetLabel(OrderName[column]);
}

} // namespace FrameBench
