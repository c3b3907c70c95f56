// Typing into a cell of a grid of 1,000,000 rows and committing with Down, through the headless
// back end as a user types: the key messages, the editor, the change notification, the commit
// events and the row move with its repaint.
#include <benchmark/benchmark.h>

#include "host/controls/Forms.h"
#include "host/windows/Headless.h"
#include "host/windows/MessageQueue.h"
#include "zelgrid/Zelgrid.h"

namespace {

struct TEditedGrid {
    THeadlessSession Session;
    TForm* Form = new TForm(nullptr);
    TZelGrid* Grid = new TZelGrid(Form);
    long Commits = 0;

    TEditedGrid()
    {
        Form->SetBounds(0, 0, 800, 600);
        Grid->SetBounds(0, 0, 800, 600);
        for (int i = 0; i < 4; ++i) Grid->Columns()->Add();
        Grid->OnGetRowCount = [](int& ARowCount) { ARowCount = 1'000'000; };
        Grid->OnGetDataCell = [](int, int ARow, std::string& Value) { Value = std::to_string(ARow); };
        Grid->OnValidateData = [this](int, int, const std::string&, bool&) { ++Commits; };
        Grid->SetParent(Form);
        Form->Show();
        Grid->SetFocus();
        ProcessMessages();
    }
    ~TEditedGrid() { delete Form; }
};

void TypeIntoACell(benchmark::State& State)
{
    TEditedGrid edited;
    edited.Session.Input.TypeText("x");
    for (auto _ : State) {
        edited.Session.Input.PressKey('A');
        if (edited.Grid->Editor()->Text().size() > 200) {
            State.PauseTiming();
            edited.Session.Input.PressKey('A', {ssCtrl});
            State.ResumeTiming();
        }
    }
    State.SetItemsProcessed(State.iterations());
}
BENCHMARK(TypeIntoACell)->Unit(benchmark::kMicrosecond);

void CommitWithDown(benchmark::State& State)
{
    TEditedGrid edited;
    for (auto _ : State) {
        edited.Session.Input.TypeText("7");
        edited.Session.Input.PressKey(VK_DOWN);
        if (edited.Grid->Row() >= edited.Grid->RowCount() - 2) {
            State.PauseTiming();
            edited.Grid->SetCurrentRow(1);
            State.ResumeTiming();
        }
    }
    State.SetItemsProcessed(State.iterations());
    State.counters["Commits"] = static_cast<double>(edited.Commits);
}
BENCHMARK(CommitWithDown)->Unit(benchmark::kMicrosecond);

} // namespace
