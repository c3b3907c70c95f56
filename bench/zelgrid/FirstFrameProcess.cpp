// A fresh process's first frame, for the FirstFrameInFreshProcess benchmark: prints the seconds
// of starting the window system (which starts the font engine on a worker thread) and of making,
// showing and painting the first form with the grid, each as CPU time of this thread and as wall
// time (the frame waits for the font engine when it comes before the engine is ready). An
// argument pauses that many microseconds between the two, as an application's own start would.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "bench/zelgrid/PaintScene.h"
#include "host/windows/Headless.h"

int main(int argc, char** argv)
{
    using namespace PaintBench;
    using TClock = std::chrono::steady_clock;
    const auto seconds = [](TClock::duration D) { return std::chrono::duration<double>(D).count(); };
    const long pause = argc > 1 ? std::strtol(argv[1], nullptr, 10) : 0;
    const double begin = ThreadSeconds();
    const auto beginWall = TClock::now();
    THeadlessSession session;
    const double started = ThreadSeconds();
    const auto startedWall = TClock::now();
    if (pause > 0) std::this_thread::sleep_for(std::chrono::microseconds(pause));
    const double frameBegin = ThreadSeconds();
    const auto frameBeginWall = TClock::now();
    {
        TScene scene;
    }
    const double painted = ThreadSeconds();
    const auto paintedWall = TClock::now();
    std::printf("%.9f %.9f %.9f %.9f\n", started - begin, painted - frameBegin, seconds(startedWall - beginWall),
                seconds(paintedWall - frameBeginWall));
    return 0;
}
