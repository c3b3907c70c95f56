// Writing and reading form files of many grids, binary and text: the throughput stays the same
// from a quarter of the form to all of it, so the work is linear in the file's size.
#include <benchmark/benchmark.h>

#include <memory>

#include "host/controls/Forms.h"
#include "host/streaming/Filer.h"
#include "host/streaming/FormText.h"
#include "zelgrid/Zelgrid.h"

namespace {

// A form of Grids grids, each of 10 layouts of 50 columns with some values assigned.
std::unique_ptr<TForm> MakeForm(int Grids)
{
    RegisterZelGridProperties();
    auto form = std::make_unique<TForm>(nullptr);
    form->SetName("Form1");
    for (int g = 0; g < Grids; ++g) {
        auto* grid = new TZelGrid(form.get());
        grid->SetName("Grid" + std::to_string(g));
        grid->SetDefRowHeight(24);
        for (int l = 0; l < 10; ++l) {
            TZelGridColumns* columns = (l == 0 ? grid->Layout()->GetItem(0) : grid->Layout()->Add())->GeTZelColumns();
            for (int c = 0; c < 50; ++c) {
                TZelColumn* column = columns->Add();
                column->aType = static_cast<TZelColumnType>(c % 7);
                column->SetWidth(40 + c);
                column->Title()->SetCaption("Column " + std::to_string(c));
                if (c % 5 == 0) column->GetPickList()->Add("choice");
                if (c % 7 == 0) column->GetFont()->SetStyle(TFontStyles{fsBold});
            }
        }
    }
    return form;
}

void Run(benchmark::State& State, bool Text, bool Reading)
{
    const auto form = MakeForm(static_cast<int>(State.range(0)));
    const std::string binary = WriteForm(form.get());
    const std::string text = ObjectBinaryToText(binary);
    const std::string& data = Text ? text : binary;
    for (auto _ : State) {
        if (Reading) {
            std::unique_ptr<TComponent> read(ReadForm(data, nullptr));
            benchmark::DoNotOptimize(read.get());
        } else {
            std::string written = WriteForm(form.get());
            if (Text) written = ObjectBinaryToText(written);
            benchmark::DoNotOptimize(written.data());
        }
    }
    State.SetBytesProcessed(static_cast<std::int64_t>(State.iterations()) * static_cast<std::int64_t>(data.size()));
    State.counters["bytes"] = static_cast<double>(data.size());
}

void WriteBinaryForm(benchmark::State& State) { Run(State, false, false); }
void ReadBinaryForm(benchmark::State& State) { Run(State, false, true); }
void WriteTextForm(benchmark::State& State) { Run(State, true, false); }
void ReadTextForm(benchmark::State& State) { Run(State, true, true); }

} // namespace

BENCHMARK(WriteBinaryForm)->Arg(25)->Arg(100)->Unit(benchmark::kMillisecond);
BENCHMARK(ReadBinaryForm)->Arg(25)->Arg(100)->Unit(benchmark::kMillisecond);
BENCHMARK(WriteTextForm)->Arg(25)->Arg(100)->Unit(benchmark::kMillisecond);
BENCHMARK(ReadTextForm)->Arg(25)->Arg(100)->Unit(benchmark::kMillisecond);
