#pragma once
// What a window manager and the tools of the desktop read off a top-level X11 window: whose it
// is (WM_CLASS, the machine, _NET_WM_PID) and its title. The X11 back end's own, like X11Shm.h.
#include <string>

#include <X11/Xlib.h>

// Names the program (WM_CLASS instance and class), the machine and the process.
void SetX11WindowIdentity(Display* D, Window Win);
// The title as UTF-8 (_NET_WM_NAME) and as the text property older window managers read
// (WM_NAME, Latin-1 where the title allows). Without a title of its own a window shows the
// program's name rather than nothing.
void SetX11WindowTitle(Display* D, Window Win, const std::string& Title);
