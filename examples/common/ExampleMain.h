#pragma once
// The frame every example program shares: `NAME [--png FILE] [--row N]` opens the form on the X
// display when there is one; otherwise, or with --png, renders it headless to a PNG.
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <memory>
#include <string>

#include "host/controls/Application.h"
#include "host/controls/Forms.h"
#include "host/graphics/Bitmap.h"
#include "host/windows/Headless.h"
#include "host/windows/MessageQueue.h"
#include "host/windows/Paint.h"
#include "host/windows/WindowSystem.h"

// Makes the example's form (freed by the caller) with the current row at Row.
using TExampleFormMaker = TForm* (*)(int Row);

// Runs an example: Name for messages and the default PNG, the rows to start on in a window and
// in a PNG when --row is not given.
inline int RunExample(int argc, char** argv, const char* Name, TExampleFormMaker MakeForm, int WindowRow, int PngRow)
{
    std::string png;
    int row = -1;
    for (int i = 1; i < argc; ++i) {
        const bool hasValue = i + 1 < argc;
        if (!std::strcmp(argv[i], "--png") && hasValue) {
            png = argv[++i];
        } else if (!std::strcmp(argv[i], "--row") && hasValue) {
            row = std::atoi(argv[++i]);
        } else {
            std::cerr << "usage: " << Name << " [--png FILE] [--row N]\n";
            return 2;
        }
    }
    try {
        if (png.empty()) {
            auto backend = CreateBackend("x11");
            if (std::strcmp(backend->Name(), "x11") == 0) {
                TWindowSystem system(std::move(backend));
                TForm* form = MakeForm(row < 0 ? WindowRow : row);
                Application().SetMainForm(form);
                Application().Run();
                delete form;
                return 0;
            }
            png = std::string(Name) + ".png";
        }
        THeadlessSession session;
        TForm* form = MakeForm(row < 0 ? PngRow : row);
        ProcessMessages();
        CaptureWindow(form->Handle())->SaveToPNG(png);
        delete form;
        std::cout << "Rendered the grid without a display to " << png << "\n";
        return 0;
    } catch (const std::exception& e) {
        std::cerr << Name << ": " << e.what() << "\n";
        return 1;
    }
}
