// e2e-clipboard: another X program at the other end of the CLIPBOARD selection, built on the same
// back end. "--set TEXT" owns the selection and serves it until SECONDS pass or another program
// takes it; "--get" prints what the current owner gives.
//
//   e2e-clipboard --set TEXT [SECONDS] | --get
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <iostream>

#include "host/windows/Backend.h"
#include "host/windows/X11Backend.h"

int main(int argc, char** argv)
{
    std::unique_ptr<TWindowBackend> backend = CreateX11Backend(nullptr);
    if (!backend) {
        std::cerr << "e2e-clipboard: no X display\n";
        return 2;
    }
    if (argc == 2 && !std::strcmp(argv[1], "--get")) {
        std::cout << backend->ClipboardText() << std::flush;
        return 0;
    }
    if (argc < 3 || std::strcmp(argv[1], "--set")) {
        std::cerr << "usage: e2e-clipboard --set TEXT [SECONDS] | --get\n";
        return 2;
    }
    backend->SetClipboardText(argv[2]);
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(argc > 3 ? std::atoi(argv[3]) : 20);
    TInputEvent event;
    while (std::chrono::steady_clock::now() < end) {
        backend->WaitForInput(100);
        while (backend->PollInput(event)) {
        }
        if (backend->ClipboardText() != argv[2]) break; // another program copied
    }
    return 0;
}
