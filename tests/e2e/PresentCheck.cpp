// e2e-present: the demo form in a real X window, presented once through MIT-SHM and once through
// XPutImage. Through a session of scrolls (also under another window), moves and jumps, each sent
// as damaged rectangles or moved by the display, the X window must show exactly the back buffer
// in both modes, so the two agree with each other.
//
//   e2e-present [--rows N] [--out DIR]
//   e2e-present --close ID     asks window ID to close (WM_DELETE_WINDOW), as a window manager does
//
// Exit code 0 when identical, 1 when not (or when the display offers no MIT-SHM), 2 on bad
// arguments or no display. On a difference DIR receives shown.png and buffer.png.
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <memory>
#include <string>

#include "apps/zelgrid-demo/DemoForm.h"
#include "binding/GeneratedOrdersSource.h"
#include "host/graphics/Bitmap.h"
#include "host/windows/MessageQueue.h"
#include "host/windows/Paint.h"
#include "host/windows/ScriptedBackend.h"
#include "host/windows/WindowSystem.h"
#include "host/windows/X11Backend.h"

#include "tests/e2e/XCapture.h"

namespace {

// The top-level window named Title, or 0.
Window FindWindow(Display* D, const std::string& Title)
{
    Window root = 0, parent = 0, *children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(D, DefaultRootWindow(D), &root, &parent, &children, &count)) return 0;
    Window found = 0;
    for (unsigned i = 0; i < count && !found; ++i) {
        char* name = nullptr;
        if (XFetchName(D, children[i], &name) && name) {
            if (Title == name) found = children[i];
            XFree(name);
        }
    }
    if (children) XFree(children);
    return found;
}

// What the display shows of the window named Title, read through a connection of its own.
std::unique_ptr<TBitmap> CaptureX(const std::string& Title)
{
    Display* d = XOpenDisplay(nullptr);
    if (!d) return nullptr;
    const Window w = FindWindow(d, Title);
    auto bmp = w ? CaptureXWindow(d, w) : nullptr;
    XCloseDisplay(d);
    return bmp;
}

long Differences(const TBitmap& A, const TBitmap& B)
{
    if (A.Width() != B.Width() || A.Height() != B.Height()) return -1;
    long n = 0;
    for (int y = 0; y < A.Height(); ++y)
        for (int x = 0; x < A.Width(); ++x) n += (A.Pixel(x, y) & 0xFFFFFF) != (B.Pixel(x, y) & 0xFFFFFF);
    return n;
}

// Whether the window named Title shows exactly Form's back buffer; Step names the moment.
bool ShowsBuffer(const std::string& Title, TDemoForm& Form, const std::string& Step, const std::string& Out)
{
    auto shown = CaptureX(Title);
    auto buffer = CaptureWindow(Form.Handle());
    if (!shown) {
        std::cerr << "e2e-present: cannot read the window back (" << Title << ")\n";
        return false;
    }
    const long n = Differences(*shown, *buffer);
    if (n == 0) return true;
    shown->SaveToPNG(Out + "/shown.png");
    buffer->SaveToPNG(Out + "/buffer.png");
    std::cerr << "e2e-present: " << Title << ", " << Step << ": the window shows "
              << (n < 0 ? "another size" : std::to_string(n) + " pixels") << " unlike the back buffer (see " << Out
              << "/shown.png)\n";
    return false;
}

// Runs the session in a new window; true when the display shows the back buffer exactly at
// each step.
bool CheckMode(bool Shm, TTableSource& Table, const std::string& Out)
{
    const char* mode = Shm ? "MIT-SHM" : "XPutImage";
    if (Shm) unsetenv("ZEL_X11_NO_SHM");
    else setenv("ZEL_X11_NO_SHM", "1", 1);
    auto x11 = CreateX11Backend();
    if (!x11) return false;
    if (X11PresentsThroughShm(*x11) != Shm) {
        std::cerr << "e2e-present: the back end does not present through " << mode << "\n";
        return false;
    }
    auto scripted = std::make_unique<TScriptedBackend>(std::move(x11));
    TScriptedBackend& script = *scripted;
    TWindowSystem system(std::move(scripted));
    auto form = std::make_unique<TDemoForm>(nullptr, Table);
    form->SetBounds(20, 20, 760, 520);
    const std::string title = std::string("e2e-present ") + mode;
    form->SetCaption(title);
    form->Show();
    script.Settle();
    // Scrolls by a row, each shown before the next key: the display moves its pixels and is sent
    // the new row.
    for (int i = 0; i < 30; ++i) {
        script.PressKey(VK_DOWN);
        script.Settle();
    }
    if (!ShowsBuffer(title, *form, "rows scrolled", Out)) return false;
    // Frames sent back to back, as fast as they are painted, without waiting for the display:
    // each is put while the server may still be reading the one before.
    for (int i = 0; i < 40; ++i) {
        script.PressKey(i % 3 == 2 ? VK_UP : VK_DOWN);
        ProcessMessages();
    }
    script.Settle();
    if (!ShowsBuffer(title, *form, "frames sent back to back", Out)) return false;
    // Scrolls under another window: what the display cannot move comes back as an exposure.
    {
        TForm cover(nullptr);
        cover.SetBounds(120, 200, 300, 120);
        cover.Show();
        script.Settle();
        for (int i = 0; i < 5; ++i) {
            SendMessage(form->Grid()->Handle(), WM_KEYDOWN, VK_DOWN, 0);
            script.Settle();
        }
    }
    script.Settle();
    if (!ShowsBuffer(title, *form, "rows scrolled under another window", Out)) return false;
    // A cell, a page, the end, a layout switch and the top: small damages and whole repaints.
    script.PressKey(VK_RIGHT);
    script.PressKey(VK_NEXT);
    script.PressKey(VK_END, true);
    script.PressKey(VK_UP);
    script.PressKey(VK_F6);
    script.PressKey(VK_HOME, true);
    script.PressKey(VK_DOWN);
    script.Settle();
    if (!ShowsBuffer(title, *form, "cursor moves and jumps", Out)) return false;
    std::cout << "e2e-present: through " << mode << " the window showed its back buffer exactly at each step\n";
    return true;
}

int Close(const char* Id)
{
    Display* d = XOpenDisplay(nullptr);
    if (!d) return 2;
    XEvent e{};
    e.xclient.type = ClientMessage;
    e.xclient.window = std::strtoul(Id, nullptr, 0);
    e.xclient.message_type = XInternAtom(d, "WM_PROTOCOLS", False);
    e.xclient.format = 32;
    e.xclient.data.l[0] = static_cast<long>(XInternAtom(d, "WM_DELETE_WINDOW", False));
    e.xclient.data.l[1] = CurrentTime;
    XSendEvent(d, e.xclient.window, False, NoEventMask, &e);
    XSync(d, False);
    XCloseDisplay(d);
    return 0;
}

}

int main(int argc, char** argv)
{
    int rows = 100'000;
    std::string out = ".";
    for (int i = 1; i < argc; ++i) {
        const bool value = i + 1 < argc;
        if (!std::strcmp(argv[i], "--close") && value) return Close(argv[i + 1]);
        if (!std::strcmp(argv[i], "--rows") && value) rows = std::atoi(argv[++i]);
        else if (!std::strcmp(argv[i], "--out") && value) out = argv[++i];
        else {
            std::cerr << "usage: e2e-present [--rows N] [--out DIR] | --close ID\n";
            return 2;
        }
    }
    if (!std::getenv("DISPLAY")) {
        std::cerr << "e2e-present: no DISPLAY\n";
        return 2;
    }
    // An X server resets when its last client leaves and refuses connections meanwhile: this
    // connection stays open between the two windows.
    const auto keeper = CreateX11Backend();
    TGeneratedOrdersSource table(rows);
    const bool shm = CheckMode(true, table, out);
    const bool put = CheckMode(false, table, out);
    return shm && put ? 0 : 1;
}
