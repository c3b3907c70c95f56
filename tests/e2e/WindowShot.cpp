// e2e-windowshot: compares what an X window shows with a PNG of the same state rendered
// headless (the demo's --png), within a tolerance.
//
//   e2e-windowshot --window ID --expect PNG --out DIR [--tolerance PERCENT]
//
// Captures the window with XGetImage until it matches or five seconds have passed (the window
// may still be painting). A pixel differs when one of its channels is off by more than 16; the
// window matches when the sizes agree and at most PERCENT (default 0.5) of its pixels differ.
// Writes DIR/x11.png and, on a mismatch, DIR/diff.png (differing pixels red). Exit code 0 on a
// match, 1 on a mismatch or a failed capture, 2 on bad use or no display.
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <memory>
#include <string>
#include <thread>

#include "host/graphics/Bitmap.h"
#include "host/graphics/Png.h"
#include "tests/e2e/XCapture.h"

namespace {

bool Differs(TPixel A, TPixel B)
{
    for (int shift = 0; shift < 24; shift += 8) {
        const int a = static_cast<int>((A >> shift) & 0xFF), b = static_cast<int>((B >> shift) & 0xFF);
        if (std::abs(a - b) > 16) return true;
    }
    return false;
}

// Pixels that differ, or -1 when the sizes do not agree; Diff, when given, shows where.
long CountDifferences(const TBitmap& A, const TBitmap& B, TBitmap* Diff)
{
    if (A.Width() != B.Width() || A.Height() != B.Height()) return -1;
    if (Diff) Diff->SetSize(A.Width(), A.Height());
    long n = 0;
    for (int y = 0; y < A.Height(); ++y)
        for (int x = 0; x < A.Width(); ++x) {
            const bool differs = Differs(A.Pixel(x, y), B.Pixel(x, y));
            n += differs;
            if (Diff) Diff->SetPixel(x, y, differs ? 0xFFFF0000u : 0xFF000000u | ((A.Pixel(x, y) & 0xFEFEFE) >> 1));
        }
    return n;
}

} // namespace

int main(int argc, char** argv)
{
    std::string window, expect, out;
    double tolerance = 0.5;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (!std::strcmp(argv[i], "--window")) window = argv[i + 1];
        else if (!std::strcmp(argv[i], "--expect")) expect = argv[i + 1];
        else if (!std::strcmp(argv[i], "--out")) out = argv[i + 1];
        else if (!std::strcmp(argv[i], "--tolerance")) tolerance = std::atof(argv[i + 1]);
        else window.clear();
    }
    if (window.empty() || expect.empty() || out.empty() || argc % 2 == 0) {
        std::cerr << "usage: e2e-windowshot --window ID --expect PNG --out DIR [--tolerance PERCENT]\n";
        return 2;
    }
    TBitmap expected;
    try {
        LoadPNGFile(expect, expected);
    } catch (const std::exception& E) {
        std::cerr << "e2e-windowshot: " << E.what() << "\n";
        return 2;
    }
    Display* d = XOpenDisplay(nullptr);
    if (!d) {
        std::cerr << "e2e-windowshot: cannot open the display\n";
        return 2;
    }
    const Window w = std::strtoul(window.c_str(), nullptr, 0);
    const long allowed = static_cast<long>(tolerance / 100 * expected.Width() * expected.Height());
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    std::unique_ptr<TBitmap> shown;
    long differences = -1;
    do {
        shown = CaptureXWindow(d, w);
        differences = shown ? CountDifferences(*shown, expected, nullptr) : -1;
        if (differences >= 0 && differences <= allowed) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    } while (std::chrono::steady_clock::now() < until);
    XCloseDisplay(d);

    if (!shown) {
        std::cerr << "e2e-windowshot: cannot capture window " << window << "\n";
        return 1;
    }
    std::filesystem::create_directories(out);
    shown->SaveToPNG(out + "/x11.png");
    if (differences < 0) {
        std::cerr << "e2e-windowshot: the X window is " << shown->Width() << " x " << shown->Height()
                  << " pixels, the headless rendering " << expected.Width() << " x " << expected.Height() << "\n";
        return 1;
    }
    std::cout << differences << " of " << expected.Width() * expected.Height() << " pixels differ (at most "
              << allowed << " may)\n";
    if (differences <= allowed) return 0;
    TBitmap diff;
    CountDifferences(*shown, expected, &diff);
    diff.SaveToPNG(out + "/diff.png");
    std::cerr << "e2e-windowshot: the window differs from " << expect << "; see " << out << "/diff.png\n";
    return 1;
}
