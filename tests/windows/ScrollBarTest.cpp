#include <gtest/gtest.h>

#include "TestWindow.h"
#include "host/graphics/Bitmap.h"
#include "host/windows/ScrollBar.h"

namespace {

TPoint Center(const TRect& R)
{
    return {(R.Left + R.Right) / 2, (R.Top + R.Bottom) / 2};
}

class ScrollBarTest : public TWindowTest {
protected:
    TTestWindow List{Log};
    HWND ListWnd = nullptr;

    void SetUp() override
    {
        TopWnd = CreateTopLevel(Top, 300, 300);
        // 16 wide bar, 200 high: arrows of 16, a track of 168.
        ListWnd = List.Create(TopWnd, {10, 10, 110, 210}, WS_CHILD | WS_VISIBLE | WS_VSCROLL);
        SetScrollRange(ListWnd, SB_VERT, 0, 100);
        Settle();
    }

    TScrollBarParts Parts() const { return GetScrollBarParts(ListWnd, SB_VERT); }

    // Scroll codes and positions of the WM_VSCROLL messages so far.
    std::vector<std::pair<int, int>> Scrolls() const
    {
        std::vector<std::pair<int, int>> out;
        for (const TLogEntry& e : Only(Log, {WM_VSCROLL})) out.emplace_back(LOWORD(e.WParam), HIWORD(e.WParam));
        return out;
    }
};

TEST_F(ScrollBarTest, PartsDivideTheBar)
{
    const TScrollBarParts p = Parts();
    EXPECT_EQ(p.Bar, (TRect{84, 0, 100, 200}));
    EXPECT_EQ(p.ArrowUp, (TRect{84, 0, 100, 16}));
    EXPECT_EQ(p.ArrowDown, (TRect{84, 184, 100, 200}));
    EXPECT_EQ(p.Thumb, (TRect{84, 16, 100, 32}));
    EXPECT_TRUE(p.PageUp.IsEmpty());
    EXPECT_EQ(p.PageDown, (TRect{84, 32, 100, 184}));
}

TEST_F(ScrollBarTest, ArrowClickSendsLineDownThenEndScroll)
{
    Session.Input.ClickInWindow(ListWnd, Center(Parts().ArrowDown));
    const std::vector<std::pair<int, int>> expected{{SB_LINEDOWN, 0}, {SB_ENDSCROLL, 0}};
    EXPECT_EQ(Scrolls(), expected);
    // The bar does not move itself.
    EXPECT_EQ(GetScrollPos(ListWnd, SB_VERT), 0);
    Log.clear();
    Session.Input.ClickInWindow(ListWnd, Center(Parts().ArrowUp));
    EXPECT_EQ(Scrolls().front().first, SB_LINEUP);
}

TEST_F(ScrollBarTest, HeldArrowRepeatsUntilReleasedOrLeft)
{
    const TPoint arrow = Center(Parts().ArrowDown);
    Session.Input.MouseDownInWindow(ListWnd, arrow);
    EXPECT_EQ(Scrolls().size(), 1u);
    Session.Input.Wait(200);
    EXPECT_EQ(Scrolls().size(), 1u);  // the first repeat waits longer
    Session.Input.Wait(300);
    Session.Input.Wait(100);
    EXPECT_EQ(Scrolls().size(), 3u);
    // Off the arrow the repeats stop, back on it they go on.
    Session.Input.MouseMoveInWindow(ListWnd, Center(Parts().PageDown));
    Session.Input.Wait(100);
    EXPECT_EQ(Scrolls().size(), 3u);
    Session.Input.MouseMoveInWindow(ListWnd, arrow);
    Session.Input.Wait(100);
    EXPECT_EQ(Scrolls().size(), 4u);
    Session.Input.MouseUpInWindow(ListWnd, arrow);
    EXPECT_EQ(Scrolls().back().first, SB_ENDSCROLL);
    Session.Input.Wait(500);
    EXPECT_EQ(Scrolls().size(), 5u);
    for (std::size_t i = 0; i < 4; ++i) EXPECT_EQ(Scrolls()[i].first, SB_LINEDOWN);
}

TEST_F(ScrollBarTest, TrackClickPagesTowardsThePointer)
{
    SetScrollPos(ListWnd, SB_VERT, 50);
    Session.Input.ClickInWindow(ListWnd, {90, Parts().Thumb.Bottom + 5});
    Session.Input.ClickInWindow(ListWnd, {90, Parts().Thumb.Top - 5});
    const std::vector<std::pair<int, int>> expected{
        {SB_PAGEDOWN, 0}, {SB_ENDSCROLL, 0}, {SB_PAGEUP, 0}, {SB_ENDSCROLL, 0}};
    EXPECT_EQ(Scrolls(), expected);
}

TEST_F(ScrollBarTest, ThumbDragTracksThenSetsThePositionOnRelease)
{
    const TPoint grab = Center(Parts().Thumb);
    Session.Input.MouseDownInWindow(ListWnd, grab);
    Session.Input.MouseMoveInWindow(ListWnd, {grab.X, grab.Y + 76});  // half of the free 152 pixels
    TScrollInfo info;
    info.Mask = SIF_TRACKPOS | SIF_POS;
    GetScrollInfo(ListWnd, SB_VERT, info);
    EXPECT_EQ(info.TrackPos, 50);
    EXPECT_EQ(info.Pos, 0);
    // While dragging, the thumb is drawn where the pointer holds it.
    EXPECT_EQ(Parts().Thumb.Top, 16 + 76);
    Session.Input.MouseMoveInWindow(ListWnd, {grab.X + 40, grab.Y + 500});  // beyond the end
    Session.Input.MouseUpInWindow(ListWnd, {grab.X + 40, grab.Y + 500});
    const std::vector<std::pair<int, int>> expected{
        {SB_THUMBTRACK, 0}, {SB_THUMBTRACK, 50}, {SB_THUMBTRACK, 100}, {SB_THUMBPOSITION, 100}, {SB_ENDSCROLL, 0}};
    EXPECT_EQ(Scrolls(), expected);
    // After the drag the thumb shows the real position again.
    EXPECT_EQ(Parts().Thumb.Top, 16);
}

TEST_F(ScrollBarTest, PositionIsKeptInsideTheRangeAndItsPage)
{
    EXPECT_EQ(SetScrollPos(ListWnd, SB_VERT, 500), 0);
    EXPECT_EQ(GetScrollPos(ListWnd, SB_VERT), 100);
    TScrollInfo info;
    info.Mask = SIF_PAGE;
    info.Page = 21;
    SetScrollInfo(ListWnd, SB_VERT, info);
    EXPECT_EQ(GetScrollPos(ListWnd, SB_VERT), 80);
    EXPECT_EQ(SetScrollPos(ListWnd, SB_VERT, -5), 80);
    EXPECT_EQ(GetScrollPos(ListWnd, SB_VERT), 0);
    // A proportional thumb: 168 * 21 / 101 pixels.
    EXPECT_EQ(Parts().Thumb.Height(), 34);
}

TEST_F(ScrollBarTest, EmptyRangeHidesTheBarAndARealOneShowsIt)
{
    TRect c;
    GetClientRect(ListWnd, c);
    EXPECT_EQ(c.Width(), 84);
    Log.clear();
    SetScrollRange(ListWnd, SB_VERT, 0, 0);
    EXPECT_FALSE(GetWindowLong(ListWnd, GWL_STYLE) & WS_VSCROLL);
    GetClientRect(ListWnd, c);
    EXPECT_EQ(c.Width(), 100);
    EXPECT_EQ(Only(Log, {WM_SIZE}).size(), 1u);
    SetScrollRange(ListWnd, SB_VERT, 0, 9);
    EXPECT_TRUE(GetWindowLong(ListWnd, GWL_STYLE) & WS_VSCROLL);
    GetClientRect(ListWnd, c);
    EXPECT_EQ(c.Width(), 84);
}

TEST_F(ScrollBarTest, DisabledWindowsBarDoesNotScroll)
{
    EnableWindow(ListWnd, false);
    Session.Input.ClickInWindow(ListWnd, Center(Parts().ArrowDown));
    EXPECT_TRUE(Scrolls().empty());
    EXPECT_TRUE(Parts().Thumb.IsEmpty());
}

TEST_F(ScrollBarTest, BarIsDrawnWithTheThumbAtItsPosition)
{
    auto before = CaptureWindow(ListWnd);
    const TPoint oldThumb = Center(Parts().Thumb);
    SetScrollPos(ListWnd, SB_VERT, 100);
    auto after = CaptureWindow(ListWnd);
    const TPoint newThumb = Center(Parts().Thumb);
    ASSERT_NE(oldThumb.Y, newThumb.Y);
    const TPixel face = ColorToPixel(clBtnFace);
    const TPixel white = ColorToPixel(clWhite);
    // The thumb is a plain face inside its edge; the track is dithered white and face.
    EXPECT_EQ(before->Pixel(oldThumb.X, oldThumb.Y), face);
    EXPECT_EQ(before->Pixel(oldThumb.X + 1, oldThumb.Y), face);
    EXPECT_EQ(after->Pixel(newThumb.X, newThumb.Y), face);
    EXPECT_EQ(after->Pixel(newThumb.X + 1, newThumb.Y), face);
    const bool dithered = after->Pixel(oldThumb.X, oldThumb.Y) == white || after->Pixel(oldThumb.X + 1, oldThumb.Y) == white;
    EXPECT_TRUE(dithered);
}

// A million positions on a bar of 168 pixels: a step that leaves the thumb where it was draws
// nothing, one that moves it redraws the bar.
TEST_F(ScrollBarTest, OnlyAPositionThatMovesTheThumbRedrawsTheBar)
{
    SetScrollRange(ListWnd, SB_VERT, 0, 1'000'000);
    Settle();
    Session.Backend().TakePresented(1);
    const TRect thumb = Parts().Thumb;
    SetScrollPos(ListWnd, SB_VERT, 1);
    Settle();
    EXPECT_EQ(Parts().Thumb, thumb);
    EXPECT_TRUE(Session.Backend().TakePresented(1).IsEmpty());
    SetScrollPos(ListWnd, SB_VERT, 500'000);
    Settle();
    EXPECT_NE(Parts().Thumb, thumb);
    EXPECT_FALSE(Session.Backend().TakePresented(1).IsEmpty());
}

TEST_F(ScrollBarTest, ScrollHandlerDestroyingTheWindowEndsTheTracking)
{
    List.OnMessage = [&](TMessage& M) {
        if (M.Msg == WM_VSCROLL) DestroyWindow(ListWnd);
        return false;
    };
    Session.Input.MouseDownInWindow(ListWnd, Center(Parts().ArrowDown));
    EXPECT_FALSE(IsWindow(ListWnd));
    Session.Input.Wait(1000);
    Session.Input.Click(TopWnd, {200, 200});
    EXPECT_EQ(Only(Log, {WM_LBUTTONDOWN}).size(), 1u);
}

}
