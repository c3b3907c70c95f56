// e2e-xcheck: compares what an X window shows with the headless rendering of the demo window
// after the same input.
//
//   e2e-xcheck --window ID --out DIR [--script STEPS] [--popup]
//   e2e-xcheck --destroy ID
//
// Captures the window with XGetImage, renders the demo headless with the script replayed, and
// compares the two pixel by pixel (retrying for a while, as the X window may still be painting).
// Writes DIR/x11.png and DIR/headless.png, and DIR/diff.png when they differ. Exit code 0 when
// identical, 1 when not, 2 on bad arguments or no display. With --popup the window is the demo's
// popup: it must be an override-redirect window, compared with the headless popup. With --destroy
// it destroys the window as another client of the display would, and ends.
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <memory>
#include <string>
#include <thread>

#include "examples/windows-demo/DemoWindow.h"
#include "host/graphics/Bitmap.h"
#include "host/windows/MessageQueue.h"
#include "host/windows/Paint.h"
#include "tests/e2e/XCapture.h"

namespace {

std::unique_ptr<TBitmap> RenderHeadless(const std::string& Script, bool Popup)
{
    THeadlessSession session;
    TDemoWindow demo;
    HWND h = demo.Create();
    ProcessMessages();
    RunDemoScript(session.Input, h, Script);
    // The popup is the newest top-level window.
    return CaptureWindow(Popup ? GetTopLevelWindows().back() : h);
}

long CountDifferences(const TBitmap& A, const TBitmap& B, TBitmap* Diff)
{
    if (A.Width() != B.Width() || A.Height() != B.Height()) return -1;
    long n = 0;
    if (Diff) Diff->SetSize(A.Width(), A.Height());
    for (int y = 0; y < A.Height(); ++y)
        for (int x = 0; x < A.Width(); ++x) {
            const bool same = (A.Pixel(x, y) & 0xFFFFFF) == (B.Pixel(x, y) & 0xFFFFFF);
            if (!same) ++n;
            if (Diff) Diff->SetPixel(x, y, same ? (0xFF000000u | ((A.Pixel(x, y) & 0xFEFEFE) >> 1)) : 0xFFFF0000u);
        }
    return n;
}

}

int main(int argc, char** argv)
{
    std::string window, out, script;
    bool popup = false, destroy = false;
    for (int i = 1; i < argc; ++i) {
        const bool value = i + 1 < argc;
        if (!std::strcmp(argv[i], "--window") && value) window = argv[++i];
        else if (!std::strcmp(argv[i], "--out") && value) out = argv[++i];
        else if (!std::strcmp(argv[i], "--script") && value) script = argv[++i];
        else if (!std::strcmp(argv[i], "--popup")) popup = true;
        else if (!std::strcmp(argv[i], "--destroy") && value) {
            window = argv[++i];
            destroy = true;
        }
    }
    if (window.empty() || (out.empty() && !destroy)) {
        std::cerr << "usage: e2e-xcheck --window ID --out DIR [--script STEPS] [--popup] | --destroy ID\n";
        return 2;
    }
    Display* d = XOpenDisplay(nullptr);
    if (!d) {
        std::cerr << "e2e-xcheck: cannot open the display\n";
        return 2;
    }
    if (destroy) {
        XDestroyWindow(d, std::strtoul(window.c_str(), nullptr, 0));
        XSync(d, False);
        XCloseDisplay(d);
        return 0;
    }
    const Window w = std::strtoul(window.c_str(), nullptr, 0);
    if (popup) {
        XWindowAttributes a;
        if (!XGetWindowAttributes(d, w, &a) || !a.override_redirect) {
            std::cerr << "e2e-xcheck: window " << window << " is no override-redirect window\n";
            XCloseDisplay(d);
            return 1;
        }
    }
    std::filesystem::create_directories(out);
    auto expected = RenderHeadless(script, popup);
    expected->SaveToPNG(out + "/headless.png");

    long differences = -1;
    std::unique_ptr<TBitmap> shown;
    for (int attempt = 0; attempt < 25; ++attempt) {
        shown = CaptureXWindow(d, w);
        if (!shown) break;
        differences = CountDifferences(*shown, *expected, nullptr);
        if (differences == 0) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    XCloseDisplay(d);
    if (!shown) {
        std::cerr << "e2e-xcheck: cannot capture window " << window << "\n";
        return 1;
    }
    shown->SaveToPNG(out + "/x11.png");
    if (differences == 0) {
        std::cout << "identical: " << shown->Width() << " x " << shown->Height() << " pixels\n";
        return 0;
    }
    if (differences < 0) {
        std::cerr << "sizes differ: X window " << shown->Width() << " x " << shown->Height() << ", headless "
                  << expected->Width() << " x " << expected->Height() << "\n";
        return 1;
    }
    TBitmap diff;
    CountDifferences(*shown, *expected, &diff);
    diff.SaveToPNG(out + "/diff.png");
    std::cerr << differences << " pixels differ; see " << out << "/diff.png\n";
    return 1;
}
