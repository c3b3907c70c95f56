#pragma once
// Keyboard focus, mouse capture, the active window and the state of keys and buttons.
#include <string>

#include "host/core/Types.h"
#include "host/windows/Window.h"

// Moves the focus: WM_KILLFOCUS to the old window (carrying the new), then WM_SETFOCUS to the new
// (carrying the old). A disabled or invalid window does not take the focus (the call returns null
// and nothing changes); otherwise the previous focus is returned. Null takes the focus away.
HWND SetFocus(HWND Wnd);
HWND GetFocus();
// The top-level window whose windows take keyboard input.
HWND GetActiveWindow();
HWND SetActiveWindow(HWND Wnd);

// All mouse input goes to the capturing window until ReleaseCapture; the loser gets
// WM_CAPTURECHANGED.
HWND SetCapture(HWND Wnd);
bool ReleaseCapture();
HWND GetCapture();

// The high bit (the value is negative) when the key or mouse button is held down.
short GetKeyState(int VirtKey);
bool GetCursorPos(TPoint& Point);

// The window under the mouse, as CM_MOUSEENTER and CM_MOUSELEAVE last reported it.
HWND GetMouseWindow();

// Text on the back end's clipboard.
void SetClipboardText(const std::string& Text);
std::string GetClipboardText();
