#pragma once
// The X11 back end: one X window per top-level window (override-redirect for popups), the
// back buffer presented with XPutImage (through MIT-SHM when the server offers it), X input
// translated into raw input events, expose and resize handled.
#include <memory>

#include "host/windows/Backend.h"

// Opens the display named by DISPLAY (or Display); null when it cannot be opened.
std::unique_ptr<TWindowBackend> CreateX11Backend(const char* Display = nullptr);
