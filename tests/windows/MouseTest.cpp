#include <gtest/gtest.h>

#include "TestWindow.h"

namespace {

class MouseTest : public TWindowTest {
protected:
    TTestWindow Panel{Log};
    TTestWindow Inner{Log};
    HWND PanelWnd = nullptr, InnerWnd = nullptr;

    void SetUp() override
    {
        TopWnd = CreateTopLevel(Top, 300, 200);
        PanelWnd = Panel.Create(TopWnd, {50, 50, 200, 150});
        InnerWnd = Inner.Create(PanelWnd, {10, 10, 60, 40});
        Settle();
    }

    std::vector<std::pair<HWND, UINT>> EnterLeave() const
    {
        std::vector<std::pair<HWND, UINT>> out;
        for (const TLogEntry& e : Only(Log, {CM_MOUSEENTER, CM_MOUSELEAVE})) out.emplace_back(e.Wnd, e.Msg);
        return out;
    }
};

TEST_F(MouseTest, ClickArrivesInClientCoordinatesOfTheWindowUnderThePointer)
{
    Session.Input.Click(TopWnd, {70, 65});
    const TMessageLog down = Only(Log, {WM_LBUTTONDOWN, WM_LBUTTONUP});
    ASSERT_EQ(down.size(), 2u);
    EXPECT_EQ(down[0].Wnd, InnerWnd);
    EXPECT_EQ(GET_X_LPARAM(down[0].LParam), 10);
    EXPECT_EQ(GET_Y_LPARAM(down[0].LParam), 5);
    EXPECT_TRUE(down[0].WParam & MK_LBUTTON);
    EXPECT_FALSE(down[1].WParam & MK_LBUTTON);
}

TEST_F(MouseTest, EnterAndLeaveFollowThePointerThroughNestedWindows)
{
    Session.Input.MouseMove(TopWnd, {5, 5});
    Session.Input.MouseMove(TopWnd, {70, 65});  // into Inner, through Panel
    Session.Input.MouseMove(TopWnd, {120, 120});  // back to Panel only
    Session.Input.MouseLeave(TopWnd);
    const std::vector<std::pair<HWND, UINT>> expected{
        {TopWnd, CM_MOUSEENTER},   {PanelWnd, CM_MOUSEENTER}, {InnerWnd, CM_MOUSEENTER}, {InnerWnd, CM_MOUSELEAVE},
        {PanelWnd, CM_MOUSELEAVE}, {TopWnd, CM_MOUSELEAVE},
    };
    EXPECT_EQ(EnterLeave(), expected);
    EXPECT_EQ(GetMouseWindow(), nullptr);
}

TEST_F(MouseTest, MovingWithinOneWindowSendsNoEnterOrLeave)
{
    Session.Input.MouseMove(TopWnd, {120, 120});
    Log.clear();
    Session.Input.MouseMove(TopWnd, {130, 125});
    EXPECT_TRUE(EnterLeave().empty());
    EXPECT_EQ(Only(Log, {WM_MOUSEMOVE}).size(), 1u);
}

TEST_F(MouseTest, LeaveHandlerDestroyingItsWindowIsSafe)
{
    Session.Input.MouseMove(TopWnd, {70, 65});
    Inner.OnMessage = [&](TMessage& M) {
        if (M.Msg == CM_MOUSELEAVE) DestroyWindow(InnerWnd);
        return false;
    };
    Session.Input.MouseMove(TopWnd, {5, 5});
    EXPECT_FALSE(IsWindow(InnerWnd));
    EXPECT_EQ(GetMouseWindow(), TopWnd);
}

TEST_F(MouseTest, CaptureTakesTheMouseOutsideTheWindow)
{
    Inner.OnMessage = [&](TMessage& M) {
        if (M.Msg == WM_LBUTTONDOWN) SetCapture(InnerWnd);
        if (M.Msg == WM_LBUTTONUP) ReleaseCapture();
        return false;
    };
    Session.Input.Drag(TopWnd, {70, 65}, {250, 180}, 2);
    const TMessageLog moves = Only(Log, {WM_MOUSEMOVE, WM_LBUTTONUP});
    ASSERT_FALSE(moves.empty());
    for (const TLogEntry& e : moves) EXPECT_EQ(e.Wnd, InnerWnd);
    // (250, 180) in the top-level window's client area is (190, 120) from Inner's corner at (60, 60).
    EXPECT_EQ(GET_X_LPARAM(moves.back().LParam), 190);
    EXPECT_EQ(GET_Y_LPARAM(moves.back().LParam), 120);
    EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(MouseTest, SecondQuickPressIsADoubleClickAndAThirdIsAPressAgain)
{
    Session.Input.DoubleClick(TopWnd, {120, 120});
    EXPECT_EQ(MessagesOf(Only(Log, {WM_LBUTTONDOWN, WM_LBUTTONDBLCLK})),
              (std::vector<UINT>{WM_LBUTTONDOWN, WM_LBUTTONDBLCLK}));
    TShiftState shift;
    Panel.OnMessage = [&](TMessage& M) {
        if (M.Msg == WM_LBUTTONDBLCLK) shift = TWMMouse(M).Shift();
        return false;
    };
    Log.clear();
    Session.Input.DoubleClick(TopWnd, {120, 120});
    EXPECT_TRUE(shift.Contains(ssDouble));
    EXPECT_TRUE(shift.Contains(ssLeft));
}

TEST_F(MouseTest, TwoSeparateClicksAreNoDoubleClick)
{
    Session.Input.Click(TopWnd, {120, 120});
    Session.Input.Click(TopWnd, {120, 120});
    EXPECT_EQ(Only(Log, {WM_LBUTTONDOWN}).size(), 2u);
    EXPECT_TRUE(Only(Log, {WM_LBUTTONDBLCLK}).empty());
}

TEST_F(MouseTest, DisabledWindowGetsNoMouseInput)
{
    EnableWindow(InnerWnd, false);
    Log.clear();
    Session.Input.Click(TopWnd, {70, 65});
    for (const TLogEntry& e : Only(Log, {WM_LBUTTONDOWN, WM_LBUTTONUP})) EXPECT_NE(e.Wnd, InnerWnd);
}

TEST_F(MouseTest, WheelGoesToTheFocusAndUnhandledToItsParent)
{
    SetFocus(InnerWnd);
    Log.clear();
    Session.Input.Wheel(TopWnd, {120, 120}, -WHEEL_DELTA);
    const TMessageLog w = Only(Log, {WM_MOUSEWHEEL});
    ASSERT_EQ(w.size(), 3u);  // Inner, then Panel and Top through the default handling
    EXPECT_EQ(w[0].Wnd, InnerWnd);
    EXPECT_EQ(w[1].Wnd, PanelWnd);
    EXPECT_EQ(w[2].Wnd, TopWnd);
    TMessage m{w[0].Msg, w[0].WParam, w[0].LParam, 0};
    EXPECT_EQ(TWMMouseWheel(m).WheelDelta(), -WHEEL_DELTA);
}

class PopupTest : public MouseTest {
protected:
    TTestWindow Popup{Log};
    HWND PopupWnd = nullptr;

    void SetUp() override
    {
        MouseTest::SetUp();
        PopupWnd = Popup.Create(TopWnd, {150, 300, 250, 400}, WS_POPUP | WS_VISIBLE | WS_BORDER, WS_EX_AUTOCLOSE);
        ProcessMessages();
        Log.clear();
    }
};

TEST_F(PopupTest, PopupDoesNotTakeActivationOrFocus)
{
    EXPECT_EQ(GetActiveWindow(), TopWnd);
    EXPECT_NE(GetFocus(), PopupWnd);
}

TEST_F(PopupTest, ClickInsideThePopupKeepsItOpen)
{
    Session.Input.Click(PopupWnd, {10, 10});
    EXPECT_TRUE(IsWindowVisible(PopupWnd));
    EXPECT_EQ(Only(Log, {WM_LBUTTONDOWN}).size(), 1u);
}

TEST_F(PopupTest, ClickElsewhereClosesThePopupAndIsUsedUp)
{
    Session.Input.Click(TopWnd, {120, 120});
    EXPECT_FALSE(IsWindowVisible(PopupWnd));
    const TMessageLog cancel = Only(Log, {WM_CANCELMODE});
    ASSERT_EQ(cancel.size(), 1u);
    EXPECT_EQ(cancel[0].Wnd, PopupWnd);
    EXPECT_TRUE(Only(Log, {WM_LBUTTONDOWN}).empty());
    const TMessageLog closed = Only(Log, {CM_POPUPCLOSED});
    ASSERT_EQ(closed.size(), 1u);
    EXPECT_EQ(closed[0].Wnd, TopWnd);
    // The next click is an ordinary one.
    Session.Input.Click(TopWnd, {120, 120});
    EXPECT_EQ(Only(Log, {WM_LBUTTONDOWN}).size(), 1u);
}

TEST_F(PopupTest, PopupOpenedFromThePopupKeepsBothOpen)
{
    TTestWindow sub(Log);
    HWND subWnd = sub.Create(PopupWnd, {260, 300, 320, 360}, WS_POPUP | WS_VISIBLE, WS_EX_AUTOCLOSE);
    Session.Input.Click(subWnd, {5, 5});
    EXPECT_TRUE(IsWindowVisible(PopupWnd));
    EXPECT_TRUE(IsWindowVisible(subWnd));
    Session.Input.Click(TopWnd, {5, 5});
    EXPECT_FALSE(IsWindowVisible(PopupWnd));
    EXPECT_FALSE(IsWindowVisible(subWnd));
}

TEST_F(PopupTest, DestroyingTheOwnerDestroysThePopup)
{
    DestroyWindow(TopWnd);
    EXPECT_FALSE(IsWindow(PopupWnd));
    EXPECT_TRUE(GetTopLevelWindows().empty());
}

}
