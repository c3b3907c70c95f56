// Windows and timers at the limits of what their parameters take: bounds held to what a window
// can be, and timers of any interval wait their turn.
#include <climits>

#include "tests/windows/TestWindow.h"

namespace {

struct TBoundsCase {
    const char* Name;
    bool TopLevel;
    TRect Create;
    // Applied with SetWindowPos after creation when Move is set.
    bool Move;
    int X, Y, CX, CY;
    TRect Expected; // on the screen, where the parent's client starts at the origin
};

} // namespace

TEST(WindowLimitsTest, WindowBoundsAreHeldToWhatCanBeShown)
{
    const TBoundsCase cases[] = {
        {"child of INT_MAX size", false, {0, 0, INT_MAX, INT_MAX}, false, 0, 0, 0, 0, {0, 0, MaxWindowSize, MaxWindowSize}},
        {"child from INT_MIN to INT_MAX", false, {INT_MIN, INT_MIN, INT_MAX, INT_MAX}, false, 0, 0, 0, 0,
         {-MaxCoord, -MaxCoord, -MaxCoord + MaxWindowSize, -MaxCoord + MaxWindowSize}},
        {"child moved to INT_MAX", false, {0, 0, 10, 10}, true, INT_MAX, INT_MAX, 10, 10,
         {MaxCoord, MaxCoord, MaxCoord + 10, MaxCoord + 10}},
        {"child moved to INT_MIN and sized INT_MAX", false, {0, 0, 10, 10}, true, INT_MIN, INT_MIN, INT_MAX, INT_MAX,
         {-MaxCoord, -MaxCoord, -MaxCoord + MaxWindowSize, -MaxCoord + MaxWindowSize}},
        {"child sized negative", false, {5, 5, 10, 10}, true, 5, 5, INT_MIN, -1, {5, 5, 5, 5}},
        {"top-level one pixel wide and INT_MAX high", true, {0, 0, 1, INT_MAX}, false, 0, 0, 0, 0, {0, 0, 1, MaxWindowSize}},
        {"top-level moved to INT_MAX, INT_MIN", true, {0, 0, 4, 4}, true, INT_MAX, INT_MIN, 4, 4,
         {MaxCoord, -MaxCoord, MaxCoord + 4, -MaxCoord + 4}},
    };
    for (const TBoundsCase& c : cases) {
        SCOPED_TRACE(c.Name);
        THeadlessSession session;
        TMessageLog log;
        TTestWindow parent(log), window(log);
        const HWND p = parent.Create(nullptr, {0, 0, 100, 100}, WS_POPUP | WS_VISIBLE);
        const HWND w = c.TopLevel ? window.Create(nullptr, c.Create, WS_POPUP | WS_VISIBLE)
                                  : window.Create(p, c.Create);
        ASSERT_TRUE(IsWindow(w));
        if (c.Move) SetWindowPos(w, nullptr, c.X, c.Y, c.CX, c.CY, SWP_NOZORDER);
        TRect r;
        GetWindowRect(w, r);
        EXPECT_EQ(r, c.Expected);
        // Painting, hit testing and moving a bit further must not overflow either.
        InvalidateRect(w, nullptr, true);
        ProcessMessages();
        EXPECT_EQ(WindowFromPoint({INT_MAX, INT_MIN}), nullptr);
        SetWindowPos(w, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_FRAMECHANGED | SWP_NOZORDER);
    }
}

TEST(WindowLimitsTest, TimersOfAnyIntervalWaitTheirTurn)
{
    for (const UINT elapse : {0x7FFFFFFFu, 0x80000000u, 0xC0000000u, 0xFFFFFFFFu}) {
        SCOPED_TRACE(elapse);
        THeadlessSession session;
        TMessageLog log;
        TTestWindow window(log);
        const HWND w = window.Create(nullptr, {0, 0, 20, 20}, WS_POPUP | WS_VISIBLE);
        ProcessMessages();
        // The first timer is set while messages are handled, the horizon of that pump behind it.
        window.OnMessage = [&](TMessage& M) {
            if (M.Msg == WM_USER) SetTimer(w, 1, elapse);
            return false;
        };
        session.Backend().AdvanceTime(5);
        PostMessage(w, WM_USER);
        ProcessMessages();
        SetTimer(w, 2, elapse);
        session.Input.Wait(24 * 3600 * 1000);
        EXPECT_TRUE(Only(log, {WM_TIMER}).empty()) << "a timer of that interval is not due after a day";
        // About 24.8 days is as long as a timer waits.
        session.Input.Wait(USER_TIMER_MAXIMUM);
        EXPECT_EQ(Only(log, {WM_TIMER}).size(), 2u);
    }
}
