#include <gtest/gtest.h>

#include "TestWindow.h"

namespace {

class FocusTest : public TWindowTest {
protected:
    TTestWindow A{Log};
    TTestWindow B{Log};
    HWND AWnd = nullptr, BWnd = nullptr;

    void SetUp() override
    {
        TopWnd = CreateTopLevel(Top);
        AWnd = A.Create(TopWnd, {0, 0, 50, 20}, WS_CHILD | WS_VISIBLE | WS_TABSTOP);
        BWnd = B.Create(TopWnd, {0, 30, 50, 50}, WS_CHILD | WS_VISIBLE | WS_TABSTOP);
        Settle();
    }

    TMessageLog FocusLog() const { return Only(Log, {WM_SETFOCUS, WM_KILLFOCUS}); }
};

TEST_F(FocusTest, ShowingATopLevelWindowActivatesAndFocusesIt)
{
    EXPECT_EQ(GetActiveWindow(), TopWnd);
    EXPECT_EQ(GetFocus(), TopWnd);
}

TEST_F(FocusTest, FocusMessagesCarryTheOtherWindow)
{
    SetFocus(AWnd);
    Log.clear();
    EXPECT_EQ(SetFocus(BWnd), AWnd);
    const TMessageLog f = FocusLog();
    ASSERT_EQ(f.size(), 2u);
    EXPECT_EQ(f[0].Wnd, AWnd);
    EXPECT_EQ(f[0].Msg, WM_KILLFOCUS);
    EXPECT_EQ(reinterpret_cast<HWND>(f[0].WParam), BWnd);
    EXPECT_EQ(f[1].Wnd, BWnd);
    EXPECT_EQ(f[1].Msg, WM_SETFOCUS);
    EXPECT_EQ(reinterpret_cast<HWND>(f[1].WParam), AWnd);
    EXPECT_EQ(GetFocus(), BWnd);
}

TEST_F(FocusTest, FocusOnTheFocusedWindowSendsNothing)
{
    SetFocus(AWnd);
    Log.clear();
    SetFocus(AWnd);
    EXPECT_TRUE(FocusLog().empty());
}

TEST_F(FocusTest, DisabledWindowDoesNotTakeTheFocus)
{
    SetFocus(AWnd);
    EnableWindow(TopWnd, true);
    EnableWindow(BWnd, false);
    Log.clear();
    EXPECT_EQ(SetFocus(BWnd), nullptr);
    EXPECT_EQ(GetFocus(), AWnd);
    EXPECT_TRUE(FocusLog().empty());
}

TEST_F(FocusTest, DisablingTheFocusedWindowTakesTheFocusAway)
{
    SetFocus(AWnd);
    Log.clear();
    EnableWindow(AWnd, false);
    EXPECT_EQ(GetFocus(), nullptr);
    const TMessageLog f = FocusLog();
    ASSERT_EQ(f.size(), 1u);
    EXPECT_EQ(f[0].Msg, WM_KILLFOCUS);
}

TEST_F(FocusTest, DestroyingTheFocusedWindowSendsKillFocusFirst)
{
    SetFocus(BWnd);
    Log.clear();
    DestroyWindow(BWnd);
    const auto order = MessagesOf(Only(Log, {WM_KILLFOCUS, WM_DESTROY}));
    ASSERT_EQ(order.size(), 2u);
    EXPECT_EQ(order[0], WM_KILLFOCUS);
    EXPECT_EQ(order[1], WM_DESTROY);
    EXPECT_EQ(GetFocus(), nullptr);
    // A later focus change does not send to the destroyed window.
    Log.clear();
    SetFocus(AWnd);
    for (const TLogEntry& e : Log) EXPECT_NE(e.Wnd, BWnd);
}

TEST_F(FocusTest, KillFocusHandlerThatMovesTheFocusWins)
{
    TTestWindow c(Log);
    HWND cWnd = c.Create(TopWnd, {60, 0, 90, 20});
    SetFocus(AWnd);
    A.OnMessage = [&](TMessage& M) {
        if (M.Msg == WM_KILLFOCUS && reinterpret_cast<HWND>(M.WParam) == BWnd) SetFocus(cWnd);
        return false;
    };
    Log.clear();
    SetFocus(BWnd);
    EXPECT_EQ(GetFocus(), cWnd);
    for (const TLogEntry& e : Only(Log, {WM_SETFOCUS})) EXPECT_NE(e.Wnd, BWnd);
}

TEST_F(FocusTest, ActivationReturnsTheFocusToTheLastFocusedChild)
{
    SetFocus(BWnd);
    TTestWindow other(Log);
    HWND otherWnd = other.Create(nullptr, {400, 100, 500, 200}, WS_OVERLAPPED | WS_VISIBLE);
    EXPECT_EQ(GetActiveWindow(), otherWnd);
    EXPECT_EQ(GetFocus(), otherWnd);
    Session.Input.Activate(TopWnd);
    EXPECT_EQ(GetActiveWindow(), TopWnd);
    EXPECT_EQ(GetFocus(), BWnd);
    Session.Input.Deactivate(TopWnd);
    EXPECT_EQ(GetActiveWindow(), nullptr);
    EXPECT_EQ(GetFocus(), nullptr);
}

TEST_F(FocusTest, FocusingAChildOfAnInactiveWindowActivatesItWithoutFocusDetour)
{
    TTestWindow other(Log);
    other.Create(nullptr, {400, 100, 500, 200}, WS_OVERLAPPED | WS_VISIBLE);
    ASSERT_NE(GetActiveWindow(), TopWnd);
    Log.clear();
    SetFocus(AWnd);
    EXPECT_EQ(GetActiveWindow(), TopWnd);
    EXPECT_EQ(GetFocus(), AWnd);
    for (const TLogEntry& e : Only(Log, {WM_SETFOCUS})) EXPECT_EQ(e.Wnd, AWnd);
}

TEST_F(FocusTest, CaptureChangeTellsTheLoser)
{
    SetCapture(AWnd);
    Log.clear();
    EXPECT_EQ(SetCapture(BWnd), AWnd);
    const TMessageLog c = Only(Log, {WM_CAPTURECHANGED});
    ASSERT_EQ(c.size(), 1u);
    EXPECT_EQ(c[0].Wnd, AWnd);
    EXPECT_EQ(reinterpret_cast<HWND>(c[0].LParam), BWnd);
    ReleaseCapture();
    EXPECT_EQ(GetCapture(), nullptr);
}

}
