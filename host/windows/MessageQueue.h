#pragma once
// The message queue of the one GUI thread: sending, posting, peeking, the pump, timers.
//
// Order of retrieval: posted messages first (first in, first out), then input from the back end,
// then WM_PAINT for a window with an update region, then WM_TIMER for a due timer. WM_PAINT and
// WM_TIMER are made when asked for and never wait in the queue.
#include <cstdint>

#include "host/core/Types.h"
#include "host/windows/Messages.h"
#include "host/windows/Window.h"

struct TMsg {
    HWND Wnd = nullptr;
    UINT Message = 0;
    WPARAM WParam = 0;
    LPARAM LParam = 0;
    // Milliseconds of GetTickCount when the message was posted or the input happened.
    DWORD Time = 0;
    // Cursor position in screen coordinates at that time.
    TPoint Pt;
    // For a WM_KEYDOWN from the keyboard: the character the key types (0 for none); TranslateMessage
    // posts it as WM_CHAR.
    unsigned Char = 0;
};

// Calls the window's procedure at once and returns its answer; 0 for an invalid window.
LRESULT SendMessage(HWND Wnd, UINT Msg, WPARAM WParam = 0, LPARAM LParam = 0);
// Puts the message at the end of the queue; false for an invalid window. A null window posts a
// message that only the pump's caller sees (as WM_QUIT).
bool PostMessage(HWND Wnd, UINT Msg, WPARAM WParam = 0, LPARAM LParam = 0);
void PostQuitMessage(int ExitCode);

// Looks for a message for Wnd or its descendants (null: any window) in the range First..Last
// (both 0: any message). PM_REMOVE takes it out of the queue; PM_NOREMOVE leaves it there.
bool PeekMessage(TMsg& Msg, HWND Wnd, UINT First, UINT Last, UINT RemoveFlags);
// Waits for a message and removes it; false when it is WM_QUIT. Raises EWindowSystemError when
// nothing can ever arrive (a headless back end with an empty queue and no timer).
bool GetMessage(TMsg& Msg, HWND Wnd = nullptr, UINT First = 0, UINT Last = 0);
// Posts the WM_CHAR of a WM_KEYDOWN that types a character; true when it posted one.
bool TranslateMessage(const TMsg& Msg);
LRESULT DispatchMessage(const TMsg& Msg);
// Handles the keyboard's dialog keys (Tab, Shift+Tab, arrows, Enter, Escape) for a WM_KEYDOWN the
// focused window does not claim through WM_GETDLGCODE; true when the message was used up.
bool IsDialogMessage(const TMsg& Msg);

// Takes one message if there is one, and handles it (dialog keys, translation, dispatch).
// False when the queue was empty or the message was WM_QUIT (then QuitReceived is true).
bool ProcessMessage();
// Handles every message there is now, paints included; returns when the queue is empty.
void ProcessMessages();
// Waits for one message and handles it (for modal loops).
void HandleMessage();
bool QuitReceived();
int QuitExitCode();

// The time and cursor position of the message last taken from the queue.
DWORD GetMessageTime();
TPoint GetMessagePos();
// Milliseconds from the back end's clock.
DWORD GetTickCount();

// The longest timer interval, about 24.8 days; a longer Elapse is taken as this.
constexpr UINT USER_TIMER_MAXIMUM = 0x7FFFFFFF;
// Starts or restarts a timer that posts WM_TIMER with the id to the window every Elapse ms.
UINT_PTR SetTimer(HWND Wnd, UINT_PTR IDEvent, UINT Elapse);
bool KillTimer(HWND Wnd, UINT_PTR IDEvent);
