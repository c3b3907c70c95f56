// The outline tree at the layout editor's largest size: 10 layouts of 200 columns, each column
// with 20 rows under it (the editor has 17 property rows): 42,010 nodes. Building the tree and
// showing it (one paint, which asks for the values of the visible rows only), and working in it
// once a layout is open.
#include <benchmark/benchmark.h>

#include <string>

#include "host/controls/Forms.h"
#include "host/windows/Headless.h"
#include "host/windows/Input.h"
#include "host/windows/MessageQueue.h"
#include "outline/OutlineTreeView.h"

namespace {
constexpr int Layouts = 10, Columns = 200, PropertyRows = 20;

struct TScene {
    THeadlessSession Session;
    TForm* Form = new TForm(nullptr);
    TOutlineTreeView* Tree = new TOutlineTreeView(Form);
    long Asked = 0;

    TScene()
    {
        Form->SetBounds(0, 0, 487, 265);
        Tree->SetBounds(0, 0, 387, 265);
        Tree->SetWidthOutline(200);
        Tree->SetTreeOptions({totShowLines, totShowButtons, totNopaintNoChilds, totDrawGrid, totResizeCols, totEditing});
        Tree->SetParent(Form);
        Tree->OnGetNodeData = [this](TTreeNode*, std::string& Text, bool&, int&) {
            ++Asked;
            Text = "clWindowText";
        };
    }
    ~TScene() { delete Form; }

    void Fill()
    {
        TTreeNodes* items = Tree->Items();
        for (int l = 0; l < Layouts; ++l) {
            TTreeNode* layout = items->Add(nullptr, "Layout" + std::to_string(l));
            layout->SetOverlayIndex(0);
            for (int c = 0; c < Columns; ++c) {
                TTreeNode* column = items->AddChild(layout, "Column" + std::to_string(c));
                column->SetOverlayIndex(1);
                for (int p = 0; p < PropertyRows; ++p) items->AddChild(column, "Title Alignment")->SetOverlayIndex(p + 2);
            }
        }
    }
};
} // namespace

static void BM_BuildAndShowLayoutEditorTree(benchmark::State& State)
{
    long nodes = 0, asked = 0;
    for (auto _ : State) {
        TScene scene;
        scene.Fill();
        scene.Form->Show();
        ProcessMessages();
        nodes = scene.Tree->Items()->Count();
        asked = scene.Asked;
    }
    State.counters["nodes"] = static_cast<double>(nodes);
    State.counters["values_asked"] = static_cast<double>(asked);
}
BENCHMARK(BM_BuildAndShowLayoutEditorTree)->Unit(benchmark::kMillisecond);

// With one layout open (200 column rows), End goes to the last column and the tree repaints.
static void BM_EndKeyInAnOpenLayout(benchmark::State& State)
{
    TScene scene;
    scene.Fill();
    scene.Form->Show();
    ProcessMessages();
    scene.Tree->Items()->GetFirstNode()->Expand(false);
    scene.Tree->SetFocus();
    ProcessMessages();
    for (auto _ : State) {
        scene.Session.Input.PressKey(VK_END);
        scene.Session.Input.PressKey(VK_HOME);
    }
}
BENCHMARK(BM_EndKeyInAnOpenLayout)->Unit(benchmark::kMicrosecond);
