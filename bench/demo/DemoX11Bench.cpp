// The demo form over 1,000,000 records in a real X window through the X11 back end, presented
// through MIT-SHM (argument 1) or XPutImage (argument 0): a full paint, a one-row scroll (Down on
// the last visible row) and Ctrl+End, each timed until the display has shown the frame. Argument 2
// does the same work headless, so the difference is the cost of presenting. Without a display the
// X11 runs are skipped with a message; run them under xvfb-run.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>

#include "apps/zelgrid-demo/DemoForm.h"
#include "binding/GeneratedOrdersSource.h"
#include "host/windows/Headless.h"
#include "host/windows/Paint.h"
#include "host/windows/ScriptedBackend.h"
#include "host/windows/WindowSystem.h"
#include "host/windows/X11Backend.h"

namespace {

TGeneratedOrdersSource& MillionRecords()
{
    static TGeneratedOrdersSource table(1'000'000);
    return table;
}

// The demo form shown on the display, with its keyboard scripted.
struct TDemoOnDisplay {
    TScriptedBackend* Script = nullptr;
    std::unique_ptr<TWindowSystem> System;
    std::unique_ptr<TDemoForm> Form;

    ~TDemoOnDisplay()
    {
        Form.reset();
        System.reset();
    }
};

std::unique_ptr<TDemoOnDisplay> Open(benchmark::State& State)
{
    // An X server resets when its last client leaves and refuses connections meanwhile: one
    // connection stays open from the first benchmark to the end.
    static const std::unique_ptr<TWindowBackend> keeper = CreateX11Backend();
    const bool headless = State.range(0) == 2, shm = State.range(0) == 1;
    if (shm) unsetenv("ZEL_X11_NO_SHM");
    else setenv("ZEL_X11_NO_SHM", "1", 1);
    std::unique_ptr<TWindowBackend> x11 = headless ? std::make_unique<THeadlessBackend>() : CreateX11Backend();
    if (!x11) {
        State.SkipWithError("no X display (DISPLAY unset or unreachable): run under xvfb-run");
        return nullptr;
    }
    if (shm && !X11PresentsThroughShm(*x11)) {
        State.SkipWithError("the display offers no MIT-SHM");
        return nullptr;
    }
    auto demo = std::make_unique<TDemoOnDisplay>();
    auto script = std::make_unique<TScriptedBackend>(std::move(x11));
    demo->Script = script.get();
    demo->System = std::make_unique<TWindowSystem>(std::move(script));
    demo->Form = std::make_unique<TDemoForm>(nullptr, MillionRecords());
    demo->Form->Show();
    demo->Script->Settle();
    State.SetLabel(headless ? "headless" : shm ? "MIT-SHM" : "XPutImage");
    return demo;
}

void BM_X11DemoFullPaint(benchmark::State& State)
{
    auto demo = Open(State);
    if (!demo) return;
    const HWND form = demo->Form->Handle();
    for (auto _ : State) {
        RedrawWindow(form, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
        demo->Script->Settle();
    }
}
BENCHMARK(BM_X11DemoFullPaint)->Arg(1)->Arg(0)->Arg(2)->Unit(benchmark::kMillisecond);

void BM_X11DemoScrollOneRow(benchmark::State& State)
{
    auto demo = Open(State);
    if (!demo) return;
    TZelGrid* grid = demo->Form->Grid();
    // To the last visible row; each Down from there scrolls by one row.
    for (int i = 0; i < grid->VisibleRowCount(); ++i) demo->Script->PressKey(VK_DOWN);
    demo->Script->Settle();
    for (auto _ : State) {
        demo->Script->PressKey(VK_DOWN);
        demo->Script->Settle();
    }
}
BENCHMARK(BM_X11DemoScrollOneRow)->Arg(1)->Arg(0)->Arg(2)->Unit(benchmark::kMillisecond);

void BM_X11DemoCtrlEnd(benchmark::State& State)
{
    auto demo = Open(State);
    if (!demo) return;
    for (auto _ : State) {
        State.PauseTiming();
        demo->Script->PressKey(VK_HOME, true);
        demo->Script->Settle();
        State.ResumeTiming();
        demo->Script->PressKey(VK_END, true);
        demo->Script->Settle();
    }
}
BENCHMARK(BM_X11DemoCtrlEnd)->Arg(1)->Arg(0)->Arg(2)->Unit(benchmark::kMillisecond);

} // namespace
