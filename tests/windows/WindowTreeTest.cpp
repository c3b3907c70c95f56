#include <gtest/gtest.h>

#include "TestWindow.h"
#include "host/graphics/Bitmap.h"

namespace {

class WindowTreeTest : public TWindowTest {
protected:
    TTestWindow A{Log};
    TTestWindow B{Log};
    HWND AWnd = nullptr, BWnd = nullptr;

    void SetUp() override
    {
        TopWnd = CreateTopLevel(Top, 300, 200);
        AWnd = A.Create(TopWnd, {10, 10, 110, 110});
        BWnd = B.Create(AWnd, {5, 5, 25, 25});
        Settle();
    }
};

TEST_F(WindowTreeTest, DestroyGoesParentFirstAndEndsChildrenFirst)
{
    DestroyWindow(AWnd);
    std::vector<std::pair<HWND, UINT>> seen;
    for (const TLogEntry& e : Only(Log, {WM_DESTROY, WM_NCDESTROY})) seen.emplace_back(e.Wnd, e.Msg);
    const std::vector<std::pair<HWND, UINT>> expected{
        {AWnd, WM_DESTROY}, {BWnd, WM_DESTROY}, {BWnd, WM_NCDESTROY}, {AWnd, WM_NCDESTROY}};
    EXPECT_EQ(seen, expected);
    EXPECT_FALSE(IsWindow(BWnd));
    EXPECT_TRUE(GetChildWindows(TopWnd).empty());
}

TEST_F(WindowTreeTest, DestroyHandlerDestroyingTheParentToo)
{
    B.OnMessage = [&](TMessage& M) {
        if (M.Msg == WM_DESTROY) DestroyWindow(TopWnd);
        return false;
    };
    DestroyWindow(AWnd);
    EXPECT_FALSE(IsWindow(TopWnd));
    EXPECT_TRUE(GetTopLevelWindows().empty());
}

TEST_F(WindowTreeTest, ReparentedWindowMovesToItsNewParentAndRepaintsBothPlaces)
{
    TTestWindow other(Log);
    HWND o = other.Create(TopWnd, {150, 10, 250, 110});
    B.OnPaint = [](TCanvas& C, const TRect&) { Fill(C, {0, 0, 100, 100}, clRed); };
    ProcessMessages();
    EXPECT_EQ(SetParent(BWnd, o), AWnd);
    EXPECT_EQ(GetParent(BWnd), o);
    ProcessMessages();
    auto top = CaptureWindow(TopWnd);
    EXPECT_NE(top->Pixel(20, 20), ColorToPixel(clRed));
    EXPECT_EQ(top->Pixel(160, 20), ColorToPixel(clRed));
}

TEST_F(WindowTreeTest, WindowCannotBecomeAChildOfItsOwnDescendant)
{
    EXPECT_EQ(SetParent(AWnd, BWnd), nullptr);
    EXPECT_EQ(GetParent(AWnd), TopWnd);
}

TEST_F(WindowTreeTest, PointsMapBetweenWindowsAndTheScreen)
{
    TPoint p{1, 2};
    MapWindowPoints(BWnd, TopWnd, &p, 1);
    EXPECT_EQ(p, (TPoint{16, 17}));
    ClientToScreen(TopWnd, p);
    EXPECT_EQ(p, (TPoint{116, 117}));
    EXPECT_EQ(WindowFromPoint(p), BWnd);
    EXPECT_EQ(WindowFromPoint({150, 150}), AWnd);
    EXPECT_EQ(WindowFromPoint({5, 5}), nullptr);
}

TEST_F(WindowTreeTest, PopupIsOwnedAndLiesAboveItsOwner)
{
    TTestWindow popup(Log);
    HWND p = popup.Create(TopWnd, {110, 110, 160, 160}, WS_POPUP | WS_VISIBLE);
    EXPECT_EQ(GetParent(p), TopWnd);
    EXPECT_EQ(GetTopLevelWindow(p), p);
    EXPECT_FALSE(IsChild(TopWnd, p));
    EXPECT_EQ(WindowFromPoint({120, 120}), p);
}

TEST_F(WindowTreeTest, HiddenParentHidesItsChildren)
{
    ShowWindow(AWnd, SW_HIDE);
    EXPECT_FALSE(IsWindowVisible(BWnd));
    EXPECT_TRUE(GetWindowLong(BWnd, GWL_STYLE) & WS_VISIBLE);
    ShowWindow(AWnd, SW_SHOW);
    EXPECT_TRUE(IsWindowVisible(BWnd));
}

TEST_F(WindowTreeTest, InvalidHandlesAreAnsweredHarmlessly)
{
    DestroyWindow(BWnd);
    TRect r;
    TPoint p;
    EXPECT_FALSE(GetWindowRect(BWnd, r));
    EXPECT_FALSE(ClientToScreen(BWnd, p));
    EXPECT_FALSE(ShowWindow(BWnd, SW_SHOW));
    EXPECT_FALSE(InvalidateRect(BWnd, nullptr));
    EXPECT_EQ(GetDC(BWnd), nullptr);
    EXPECT_EQ(SetFocus(BWnd), nullptr);
    EXPECT_EQ(SetTimer(BWnd, 1, 10), 0u);
    EXPECT_EQ(GetWindowText(BWnd), "");
    EXPECT_FALSE(DestroyWindow(BWnd));
}

TEST_F(WindowTreeTest, TextChangesReachTheWindow)
{
    SetWindowText(TopWnd, "Caption");
    EXPECT_EQ(GetWindowText(TopWnd), "Caption");
    EXPECT_EQ(Only(Log, {WM_SETTEXT}).size(), 1u);
}

}
