#pragma once
// TWindowSystem: the state of all windows of the GUI thread (the tree, the queue, focus, capture,
// timers, the back buffers) and the back end that shows them.
//
// The window functions (CreateWindowEx, PostMessage, SetFocus, ...) act on the current window
// system. Constructing one makes it current until it is destroyed (tests give each case a fresh
// one); when none was constructed, the first call creates a headless one that lives until exit.
#include <memory>
#include <string>

#include "host/core/Exceptions.h"
#include "host/windows/Backend.h"

class TWindowManager;

// A misuse the window system cannot turn into a harmless answer, such as waiting for a message
// that can never arrive.
class EWindowSystemError : public Exception {
public:
    explicit EWindowSystemError(const std::string& Msg) : Exception(Msg) {}
};

class TWindowSystem {
public:
    // Without a back end the window system runs headless.
    explicit TWindowSystem(std::unique_ptr<TWindowBackend> Backend = nullptr);
    // Destroys the windows that are left and makes the previous window system current again.
    ~TWindowSystem();
    TWindowSystem(const TWindowSystem&) = delete;
    TWindowSystem& operator=(const TWindowSystem&) = delete;

    static TWindowSystem& Current();
    // The current window system, or null when none exists (nothing is created).
    static TWindowSystem* CurrentOrNull();

    TWindowBackend& Backend() { return *FBackend; }
    TWindowManager& Manager() { return *FManager; }

    // Milliseconds within which a second press at nearly the same point is a double click.
    static constexpr unsigned DoubleClickTime = 500;
    // Pixels the second press may be away from the first.
    static constexpr int DoubleClickDistance = 4;

private:
    std::unique_ptr<TWindowBackend> FBackend;
    std::unique_ptr<TWindowManager> FManager;
    TWindowSystem* FPrevious = nullptr;
};

// The back end named by Name ("headless" or "x11"); an empty name takes ZEL_BACKEND from the
// environment. X11 is chosen only when asked for and a display can be opened; otherwise the
// headless back end is returned.
std::unique_ptr<TWindowBackend> CreateBackend(const std::string& Name = "");
