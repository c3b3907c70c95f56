// The layout pass over many columns and the row-count refresh of a very long grid.
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

} // namespace
