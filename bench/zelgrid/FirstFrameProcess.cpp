// A fresh process's first frame, for the FirstFrameInFreshProcess benchmark: prints the CPU
// seconds of starting the window system (which starts the font engine) and of making, showing
// and painting the first form with the grid.
#include <cstdio>

#include "bench/zelgrid/PaintScene.h"
#include "host/windows/Headless.h"

int main()
{
    using namespace PaintBench;
    const double begin = ThreadSeconds();
    THeadlessSession session;
    const double started = ThreadSeconds();
    {
        TScene scene;
    }
    const double painted = ThreadSeconds();
    std::printf("%.9f %.9f\n", started - begin, painted - started);
    return 0;
}
