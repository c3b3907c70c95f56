// The demo form over 1,000,000 records in a real X window through the X11 back end, presented
// through MIT-SHM (argument 1) or XPutImage (argument 0): a full paint, a one-row scroll (Down on
// the last visible row) and Ctrl+End / Ctrl+Home. Argument 2 does the same work headless and runs
// first, so the X11 runs report what presenting adds to it.
//
// Frames go out as an application sends them, without waiting for the server in between; every
// 16 frames the loop waits until the display has shown them all (XSync), and that wait is in the
// time. Time is wall time per frame, CPU the program's own; server_us is the X server's CPU time
// per frame, and the *_more_than_headless_us counters are the differences to the headless run:
// wall time, and CPU time of program and server together. Without a display the X11 runs are
// skipped with a message; run them under xvfb-run.
#include <benchmark/benchmark.h>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <string>

#include "apps/zelgrid-demo/DemoForm.h"
#include "bench/common/PaintBound.h"
#include "binding/GeneratedOrdersSource.h"
#include "host/windows/Headless.h"
#include "host/windows/MessageQueue.h"
#include "host/windows/Paint.h"
#include "host/windows/ScriptedBackend.h"
#include "host/windows/WindowSystem.h"
#include "host/windows/X11Backend.h"

namespace {

constexpr int Batch = 16;

TGeneratedOrdersSource& MillionRecords()
{
    static TGeneratedOrdersSource table(1'000'000);
    return table;
}

// The process of the local X server named by DISPLAY (":N"), from the credentials of a
// connection to its socket; 0 when there is none.
pid_t ServerPid()
{
    const char* display = std::getenv("DISPLAY");
    if (!display || display[0] != ':') return 0;
    const std::string number(display + 1, std::strcspn(display + 1, "."));
    const std::string path = "/tmp/.X11-unix/X" + number;
    const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    if (fd < 0) return 0;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    ucred peer{};
    socklen_t size = sizeof peer;
    const bool known = connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
                       getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0;
    close(fd);
    return known ? peer.pid : 0;
}

// Seconds the process Pid has run on a processor (0 when unknown).
double RunSeconds(pid_t Pid)
{
    if (Pid <= 0) return 0;
    std::ifstream stat("/proc/" + std::to_string(Pid) + "/schedstat");
    double nanoseconds = 0;
    stat >> nanoseconds;
    return nanoseconds * 1e-9;
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

// Runs Frame in batches of 16 followed by a wait for the display, and reports the figures the
// header describes. Headless figures are kept per benchmark for the X11 runs after them.
template <class TFrame>
void TimeFrames(benchmark::State& State, const char* Work, TDemoOnDisplay& Demo, TFrame&& Frame)
{
    struct TFigures {
        double Wall = 0, Cpu = 0;
    };
    static std::map<std::string, TFigures> headless;
    const bool isHeadless = State.range(0) == 2;
    const pid_t server = isHeadless ? 0 : ServerPid();
    const double serverStart = RunSeconds(server), cpuStart = PaintBench::ThreadSeconds();
    const auto wallStart = std::chrono::steady_clock::now();
    while (State.KeepRunningBatch(Batch)) {
        for (int i = 0; i < Batch; ++i) Frame();
        Demo.Script->Sync();
    }
    const auto frames = static_cast<double>(State.iterations());
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count() / frames;
    const double cpu = (PaintBench::ThreadSeconds() - cpuStart) / frames;
    const double serverCpu = (RunSeconds(server) - serverStart) / frames;
    TFigures& base = headless[Work];
    if (isHeadless) {
        base = {wall, cpu};
        return;
    }
    if (server) State.counters["server_us"] = serverCpu * 1e6;
    if (base.Wall > 0) {
        State.counters["wall_more_than_headless_us"] = (wall - base.Wall) * 1e6;
        if (server) State.counters["cpu_more_than_headless_us"] = (cpu + serverCpu - base.Cpu) * 1e6;
    }
}

void BM_X11DemoFullPaint(benchmark::State& State)
{
    auto demo = Open(State);
    if (!demo) return;
    const HWND form = demo->Form->Handle();
    TimeFrames(State, "full paint", *demo, [&] {
        RedrawWindow(form, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
        ProcessMessages();
    });
}
BENCHMARK(BM_X11DemoFullPaint)->Arg(2)->Arg(1)->Arg(0)->Unit(benchmark::kMicrosecond);

void BM_X11DemoScrollOneRow(benchmark::State& State)
{
    auto demo = Open(State);
    if (!demo) return;
    TZelGrid* grid = demo->Form->Grid();
    // To the last visible row; each Down from there scrolls by one row.
    for (int i = 0; i < grid->VisibleRowCount(); ++i) demo->Script->PressKey(VK_DOWN);
    demo->Script->Settle();
    TimeFrames(State, "scroll", *demo, [&] {
        demo->Script->PressKey(VK_DOWN);
        ProcessMessages();
    });
}
BENCHMARK(BM_X11DemoScrollOneRow)->Arg(2)->Arg(1)->Arg(0)->Unit(benchmark::kMicrosecond);

// Ctrl+End to the last record, then Ctrl+Home back to the first: a full repaint each.
void BM_X11DemoCtrlEndAndHome(benchmark::State& State)
{
    auto demo = Open(State);
    if (!demo) return;
    bool toEnd = true;
    TimeFrames(State, "jump", *demo, [&] {
        demo->Script->PressKey(toEnd ? VK_END : VK_HOME, true);
        ProcessMessages();
        toEnd = !toEnd;
    });
}
BENCHMARK(BM_X11DemoCtrlEndAndHome)->Arg(2)->Arg(1)->Arg(0)->Unit(benchmark::kMicrosecond);

} // namespace
