// The layout pass over many columns, the row-count refresh of a very long grid, and the column
// model at scale: adding, changing and freeing 100,000 columns.
#include <benchmark/benchmark.h>

#include "host/controls/Forms.h"
#include "host/windows/Headless.h"
#include "host/windows/MessageQueue.h"
#include "zelgrid/Zelgrid.h"

namespace {

struct TShownGrid {
    THeadlessSession Session;
    TForm* Form = new TForm(nullptr);
    TZelGrid* Grid = new TZelGrid(Form);
    int Records = 100;

    TShownGrid()
    {
        Form->SetBounds(0, 0, 1280, 800);
        Grid->SetBounds(0, 0, 1280, 800);
        Grid->SetParent(Form);
        Grid->OnGetRowCount = [this](int& ARowCount) { ARowCount = Records; };
        Form->Show();
        ProcessMessages();
    }
    ~TShownGrid() { delete Form; }
};

void LayoutPassOverColumns(benchmark::State& State)
{
    TShownGrid shown;
    const int columns = static_cast<int>(State.range(0));
    shown.Grid->BeginLayout();
    for (int i = 0; i < columns; ++i) shown.Grid->Columns()->Add()->SetWidth(40 + i % 50);
    shown.Grid->EndLayout();
    for (auto _ : State) shown.Grid->LayoutChanged();
    State.SetItemsProcessed(State.iterations() * columns);
    State.counters["ColCount"] = shown.Grid->ColCount();
}
BENCHMARK(LayoutPassOverColumns)->Arg(1000)->Unit(benchmark::kMicrosecond);

void UpdateRowCountOfALongGrid(benchmark::State& State)
{
    TShownGrid shown;
    shown.Grid->Columns()->Add();
    shown.Records = static_cast<int>(State.range(0));
    bool odd = false;
    for (auto _ : State) {
        // Alternate the count so that every refresh really changes the base grid.
        odd = !odd;
        shown.Records = static_cast<int>(State.range(0)) - (odd ? 1 : 0);
        shown.Grid->UpdateRowCount();
    }
    State.counters["RowCount"] = shown.Grid->RowCount();
}
BENCHMARK(UpdateRowCountOfALongGrid)->Arg(10'000'000)->Unit(benchmark::kMicrosecond);

// Adds Count columns to the shown layout inside one layout bracket.
void AddColumnsInOneBracket(TZelGrid* Grid, int Count)
{
    TLayoutGuard layout(Grid);
    TZelGridColumns* columns = Grid->Columns();
    for (int i = 0; i < Count; ++i) columns->Add();
}

void FreeColumnsInOneBracket(TZelGrid* Grid)
{
    TLayoutGuard layout(Grid);
    Grid->Columns()->Clear();
}

void AddManyColumns(benchmark::State& State)
{
    TShownGrid shown;
    const int count = static_cast<int>(State.range(0));
    for (auto _ : State) {
        AddColumnsInOneBracket(shown.Grid, count);
        State.PauseTiming();
        FreeColumnsInOneBracket(shown.Grid);
        State.ResumeTiming();
    }
    State.SetItemsProcessed(State.iterations() * count);
}
BENCHMARK(AddManyColumns)->Arg(20'000)->Arg(100'000)->Unit(benchmark::kMillisecond);

void FreeManyColumns(benchmark::State& State)
{
    TShownGrid shown;
    const int count = static_cast<int>(State.range(0));
    for (auto _ : State) {
        State.PauseTiming();
        AddColumnsInOneBracket(shown.Grid, count);
        State.ResumeTiming();
        FreeColumnsInOneBracket(shown.Grid);
    }
    State.SetItemsProcessed(State.iterations() * count);
}
BENCHMARK(FreeManyColumns)->Arg(20'000)->Arg(100'000)->Unit(benchmark::kMillisecond);

// One width change outside any bracket: the column is resized at once, and the write-back of
// the widths runs one layout pass.
void ChangeOneOfManyColumns(benchmark::State& State)
{
    TShownGrid shown;
    const int count = static_cast<int>(State.range(0));
    AddColumnsInOneBracket(shown.Grid, count);
    TZelColumn* last = shown.Grid->Columns()->GeTZelColumn(count - 1);
    int width = 40;
    for (auto _ : State) last->SetWidth(width = width == 40 ? 50 : 40);
    State.counters["ColCount"] = shown.Grid->ColCount();
}
BENCHMARK(ChangeOneOfManyColumns)->Arg(20'000)->Arg(100'000)->Unit(benchmark::kMillisecond);

void ChangeEveryColumnInOneBracket(benchmark::State& State)
{
    TShownGrid shown;
    const int count = static_cast<int>(State.range(0));
    AddColumnsInOneBracket(shown.Grid, count);
    TZelGridColumns* columns = shown.Grid->Columns();
    int width = 40;
    for (auto _ : State) {
        width = width == 40 ? 50 : 40;
        TLayoutGuard layout(shown.Grid);
        for (int i = 0; i < count; ++i) {
            columns->GeTZelColumn(i)->SetWidth(width);
            columns->GeTZelColumn(i)->SetColor(width == 40 ? clRed : clBlue);
        }
    }
    State.SetItemsProcessed(State.iterations() * count);
}
BENCHMARK(ChangeEveryColumnInOneBracket)->Arg(100'000)->Unit(benchmark::kMillisecond);

} // namespace
