#pragma once
// The X11 back end: one X window per top-level window (override-redirect for popups), the
// back buffer presented through MIT-SHM when the server offers it (XPutImage otherwise, or when
// ZEL_X11_NO_SHM is set), X input read through the input method and translated into raw input
// events, expose and resize handled.
#include <memory>

#include "host/windows/Backend.h"

// Opens the display named by DISPLAY (or Display); null when it cannot be opened.
std::unique_ptr<TWindowBackend> CreateX11Backend(const char* Display = nullptr);

// What the back end chose at start (false for any other back end): MIT-SHM for presenting, and an
// input method for the keyboard.
bool X11PresentsThroughShm(const TWindowBackend& Backend);
bool X11ReadsThroughInputMethod(const TWindowBackend& Backend);
