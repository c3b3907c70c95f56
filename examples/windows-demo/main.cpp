// windows-demo: opens the demo window on the X display when there is one, otherwise (or with
// --png) renders it headless to a PNG file.
//
//   windows-demo [--png FILE] [--script STEPS] [--log FILE]
//
// --script replays input before the PNG is written (see RunDemoScript); --log appends one line
// per message the window reacts to.
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>

#include "examples/windows-demo/DemoWindow.h"
#include "host/graphics/Bitmap.h"
#include "host/windows/MessageQueue.h"
#include "host/windows/Paint.h"
#include "host/windows/WindowSystem.h"

namespace {
int RenderToPng(const std::string& File, const std::string& Script, std::ofstream* Log)
{
    THeadlessSession session;
    TDemoWindow demo;
    if (Log) demo.OnLog = [Log](const std::string& Line) { *Log << Line << std::endl; };
    HWND h = demo.Create();
    ProcessMessages();
    RunDemoScript(session.Input, h, Script);
    CaptureWindow(h)->SaveToPNG(File);
    std::cout << "Rendered the demo window without a display to " << File << "\n";
    return 0;
}

int RunOnDisplay(std::unique_ptr<TWindowBackend> Backend, std::ofstream* Log)
{
    TWindowSystem system(std::move(Backend));
    TDemoWindow demo;
    demo.OnLog = [Log](const std::string& Line) {
        if (Log) *Log << Line << std::endl;
    };
    demo.Create();
    while (!QuitReceived()) HandleMessage();
    return 0;
}
}

int main(int argc, char** argv)
{
    std::string png, script, logFile;
    for (int i = 1; i < argc; ++i) {
        const bool hasValue = i + 1 < argc;
        if (!std::strcmp(argv[i], "--png") && hasValue) {
            png = argv[++i];
        } else if (!std::strcmp(argv[i], "--script") && hasValue) {
            script = argv[++i];
        } else if (!std::strcmp(argv[i], "--log") && hasValue) {
            logFile = argv[++i];
        } else {
            std::cerr << "usage: windows-demo [--png FILE] [--script STEPS] [--log FILE]\n";
            return 2;
        }
    }
    std::ofstream log;
    if (!logFile.empty()) {
        log.open(logFile, std::ios::app);
        if (!log) {
            std::cerr << "windows-demo: cannot write " << logFile << "\n";
            return 1;
        }
    }
    std::ofstream* logp = logFile.empty() ? nullptr : &log;
    try {
        if (png.empty()) {
            auto backend = CreateBackend("x11");
            if (std::strcmp(backend->Name(), "x11") == 0) return RunOnDisplay(std::move(backend), logp);
            png = "windows-demo.png";
        }
        return RenderToPng(png, script, logp);
    } catch (const std::exception& e) {
        std::cerr << "windows-demo: " << e.what() << "\n";
        return 1;
    }
}
