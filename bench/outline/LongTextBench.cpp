// The in-place editor with long text: typing at the end of a short and of a 20,000-character
// text, and painting an editor that holds 8 MiB scrolled to its end. Typing and painting should
// cost what the shown part costs, not what the text's length would.
#include "bench/common/LongText.h"
#include "host/controls/Forms.h"
#include "host/windows/Headless.h"
#include "host/windows/Input.h"
#include "host/windows/MessageQueue.h"
#include "host/windows/Paint.h"
#include "outline/OutInplaceEdit.h"

#include <benchmark/benchmark.h>
#include <string>

namespace {

struct TEditorScene {
    THeadlessSession Session;
    TForm* Form = new TForm(nullptr);
    TOutInplaceEdit* Editor = nullptr;

    explicit TEditorScene(const std::string& Text)
    {
        Form->SetBounds(0, 0, 400, 120);
        Form->Show();
        ProcessMessages();
        Editor = new TOutInplaceEdit(Form);
        Editor->SetGrid(Form);
        Editor->SetParent(Form);
        Editor->OnGetEditData = [Text](TCustomInplaceEdit*, std::string& Value, bool&) { Value = Text; };
        Editor->UpdateContents();
        Editor->Move({ 20, 20, 220, 40 });
        Editor->SetFocus();
        ProcessMessages();
    }
    ~TEditorScene() { delete Form; }
};

// One character typed at the end of a text of State.range(0) characters and erased again, each
// followed by the repaint it causes.
void BM_TypeAtTheEnd(benchmark::State& State)
{
    TEditorScene scene(std::string(static_cast<std::size_t>(State.range(0)), 'a'));
    for (auto _ : State) {
        scene.Session.Input.TypeText("x\b");
        UpdateWindow(scene.Editor->Handle());
    }
    if (scene.Editor->Text().size() != static_cast<std::size_t>(State.range(0))) State.SkipWithError("text changed");
    State.SetItemsProcessed(State.iterations() * 2);
}
BENCHMARK(BM_TypeAtTheEnd)->Arg(20)->Arg(20000)->Unit(benchmark::kMicrosecond);

// A repaint of the editor holding State.range(0) bytes with the caret at the end.
void BM_PaintEditor(benchmark::State& State)
{
    TEditorScene scene(PaintBench::LongWords(static_cast<std::size_t>(State.range(0))));
    for (auto _ : State) {
        scene.Editor->Invalidate();
        UpdateWindow(scene.Editor->Handle());
    }
}
BENCHMARK(BM_PaintEditor)->Arg(20)->Arg(8 << 20)->Unit(benchmark::kMicrosecond);

} // namespace
