#include <gtest/gtest.h>

#include "TestWindow.h"
#include "host/graphics/Bitmap.h"

namespace {

// A window showing a tall document of one-pixel lines, line n in the colour RGB(n, 255 - n, 7),
// scrolled so that line FirstLine is at the top. Paints only what it is asked for.
class ScrollWindowTest : public TWindowTest {
protected:
    TTestWindow Doc{Log};
    HWND DocWnd = nullptr;
    int FirstLine = 0;
    std::vector<TRect> Painted;

    static TColor LineColor(int N) { return RGB(N & 0xFF, 255 - (N & 0xFF), 7); }

    void SetUp() override
    {
        TopWnd = CreateTopLevel(Top, 300, 300);
        Doc.OnPaint = [this](TCanvas& C, const TRect& R) {
            Painted.push_back(R);
            for (int y = R.Top; y < R.Bottom; ++y) Fill(C, {0, y, 200, y + 1}, LineColor(y + FirstLine));
        };
        DocWnd = Doc.Create(TopWnd, {10, 10, 210, 110});
        Settle();
        Painted.clear();
    }

    // Lines of the window that do not show the document as FirstLine says.
    int WrongLines()
    {
        auto bmp = CaptureWindow(DocWnd);
        int wrong = 0;
        for (int y = 0; y < bmp->Height(); ++y)
            if (bmp->Pixel(5, y) != ColorToPixel(LineColor(y + FirstLine)) ||
                bmp->Pixel(195, y) != ColorToPixel(LineColor(y + FirstLine)))
                ++wrong;
        return wrong;
    }

    void ScrollLines(int N)
    {
        FirstLine += N;
        ScrollWindowEx(DocWnd, 0, -N, nullptr, nullptr, nullptr, nullptr, SW_INVALIDATE);
    }
};

TEST_F(ScrollWindowTest, ScrollMovesThePixelsAndPaintsOnlyWhatIsUncovered)
{
    TRegion uncovered;
    TRect bounds;
    FirstLine = 10;
    EXPECT_EQ(ScrollWindowEx(DocWnd, 0, -10, nullptr, nullptr, &uncovered, &bounds, SW_INVALIDATE), SIMPLEREGION);
    EXPECT_EQ(bounds, (TRect{0, 90, 200, 100}));
    TRect update;
    ASSERT_TRUE(GetUpdateRect(DocWnd, &update));
    EXPECT_EQ(update, bounds);
    UpdateWindow(DocWnd);
    ASSERT_EQ(Painted.size(), 1u);
    EXPECT_EQ(Painted[0], (TRect{0, 90, 200, 100}));
    EXPECT_EQ(WrongLines(), 0);
}

TEST_F(ScrollWindowTest, ScrollingBackUncoversTheTop)
{
    ScrollLines(30);
    UpdateWindow(DocWnd);
    Painted.clear();
    ScrollLines(-12);
    UpdateWindow(DocWnd);
    ASSERT_EQ(Painted.size(), 1u);
    EXPECT_EQ(Painted[0], (TRect{0, 0, 200, 12}));
    EXPECT_EQ(WrongLines(), 0);
}

TEST_F(ScrollWindowTest, WithoutInvalidateTheUncoveredPartIsOnlyReported)
{
    TRegion uncovered;
    ScrollWindowEx(DocWnd, 0, -5, nullptr, nullptr, &uncovered, nullptr, 0);
    EXPECT_EQ(uncovered.Bounds(), (TRect{0, 95, 200, 100}));
    TRect update;
    EXPECT_FALSE(GetUpdateRect(DocWnd, &update));
}

TEST_F(ScrollWindowTest, OnlyTheScrollAreaInsideTheClipChanges)
{
    // Scroll the part below a fixed 20-pixel header, as a grid under its title row.
    const TRect area{0, 20, 200, 100};
    FirstLine = 0;
    TRect bounds;
    ScrollWindowEx(DocWnd, 0, -8, &area, &area, nullptr, &bounds, SW_INVALIDATE);
    EXPECT_EQ(bounds, (TRect{0, 92, 200, 100}));
    ValidateRect(DocWnd, nullptr);
    auto bmp = CaptureWindow(DocWnd);
    for (int y = 0; y < 20; ++y) EXPECT_EQ(bmp->Pixel(5, y), ColorToPixel(LineColor(y))) << y;
    for (int y = 20; y < 92; ++y) EXPECT_EQ(bmp->Pixel(5, y), ColorToPixel(LineColor(y + 8))) << y;
}

TEST_F(ScrollWindowTest, PendingUpdateMovesWithThePixels)
{
    const TRect stale{0, 40, 200, 45};
    InvalidateRect(DocWnd, &stale);
    ScrollLines(10);
    TRegion update;
    EXPECT_EQ(GetUpdateRgn(DocWnd, update), COMPLEXREGION);
    TRegion expected(TRect{0, 30, 200, 35});
    expected.Union(TRect{0, 90, 200, 100});
    EXPECT_EQ(update, expected);
    UpdateWindow(DocWnd);
    EXPECT_EQ(WrongLines(), 0);
}

TEST_F(ScrollWindowTest, PixelsUnderACoveringChildAreRepaintedNotMoved)
{
    TTestWindow cover(Log);
    cover.OnPaint = [](TCanvas& C, const TRect& R) { Fill(C, R, clBlack); };
    HWND c = cover.Create(DocWnd, {0, 50, 200, 60});
    ProcessMessages();
    ScrollLines(20);
    TRegion update;
    GetUpdateRgn(DocWnd, update);
    // The covered lines 50..59 would land at 30..39: they cannot be moved, so they are painted.
    EXPECT_TRUE(update.Contains(5, 30));
    EXPECT_TRUE(update.Contains(5, 39));
    EXPECT_FALSE(update.Contains(5, 29));
    EXPECT_TRUE(update.Contains(5, 85));
    ShowWindow(c, SW_HIDE);
    EXPECT_EQ(WrongLines(), 0);
}

TEST_F(ScrollWindowTest, DiagonalMoveCarriesEveryPixelAlong)
{
    // A pattern that differs in both directions: pixel (x, y) in RGB(x, y, 99).
    Doc.OnPaint = [](TCanvas& C, const TRect& R) {
        for (int y = R.Top; y < R.Bottom; ++y)
            for (int x = R.Left; x < R.Right; ++x) C.SetPixel(x, y, RGB(x, y, 99));
    };
    InvalidateRect(DocWnd, nullptr);
    UpdateWindow(DocWnd);
    for (const TPoint d : {TPoint{7, 5}, TPoint{-3, -9}}) {
        auto before = CaptureWindow(DocWnd);
        ScrollWindowEx(DocWnd, d.X, d.Y, nullptr, nullptr, nullptr, nullptr, 0);
        auto after = CaptureWindow(DocWnd);
        int wrong = 0;
        for (int y = 0; y < 100; ++y)
            for (int x = 0; x < 200; ++x) {
                const int sx = x - d.X, sy = y - d.Y;
                const bool moved = sx >= 0 && sx < 200 && sy >= 0 && sy < 100;
                if (after->Pixel(x, y) != before->Pixel(moved ? sx : x, moved ? sy : y)) ++wrong;
            }
        EXPECT_EQ(wrong, 0) << d.X << "," << d.Y;
    }
}

TEST_F(ScrollWindowTest, APageScrollTurnsTheBufferAndKeepsWhatIsAroundThePage)
{
    // A page that fills most of its window scrolls by turning the buffer's rows: the window's
    // own pixels around it must stay, and a DC held across the scroll must draw where it points.
    // Pages with pixels around them on every side, at the top edge and at the bottom edge, by
    // steps that leave rows wrapped round the buffer's edge either way.
    DestroyWindow(DocWnd);
    Top.OnPaint = [](TCanvas& C, const TRect& R) {
        for (int y = R.Top; y < R.Bottom; ++y)
            for (int x = R.Left; x < R.Right; ++x) C.SetPixel(x, y, RGB(x, y, 7));
    };
    TTestWindow page(Log);
    page.OnPaint = [](TCanvas& C, const TRect& R) {
        for (int y = R.Top; y < R.Bottom; ++y)
            for (int x = R.Left; x < R.Right; ++x) C.SetPixel(x, y, RGB(x, y, 99));
    };
    for (const TRect area : {TRect{3, 4, 297, 295}, TRect{0, 0, 300, 281}, TRect{0, 19, 300, 300}, TRect{5, 0, 290, 300}}) {
        HWND pageWnd = page.Create(TopWnd, area);
        InvalidateRect(TopWnd, nullptr);
        Settle();
        HDC dc = GetDC(pageWnd);
        // Invalidated, the uncovered strip is painted again, and the pixels beside it must
        // still stay.
        for (const UINT flags : {0u, static_cast<UINT>(SW_INVALIDATE)})
            for (const int dy : {-7, 12, -1, -18, 18, 290, -400}) {
                const auto before = CaptureWindow(TopWnd);
                ScrollWindowEx(pageWnd, 0, dy, nullptr, nullptr, nullptr, nullptr, flags);
                const auto after = CaptureWindow(TopWnd);
                int wrong = 0;
                for (int y = 0; y < before->Height(); ++y)
                    for (int x = 0; x < before->Width(); ++x) {
                        const bool inPage = x >= area.Left && x < area.Right && y >= area.Top && y < area.Bottom;
                        const bool moved = inPage && y - dy >= area.Top && y - dy < area.Bottom;
                        const TPixel repainted = ColorToPixel(RGB(x - area.Left, y - area.Top, 99));
                        const TPixel expected = moved                             ? before->Pixel(x, y - dy)
                                                : inPage && flags == SW_INVALIDATE ? repainted
                                                                                   : before->Pixel(x, y);
                        if (after->Pixel(x, y) != expected) ++wrong;
                    }
                EXPECT_EQ(wrong, 0) << "page " << area.Left << "," << area.Top << " scrolled by " << dy << " flags " << flags;
            }
        dc->Canvas().SetPixel(0, 0, clRed);
        ReleaseDC(pageWnd, dc);
        EXPECT_EQ(CaptureWindow(pageWnd)->Pixel(0, 0), ColorToPixel(clRed));
        DestroyWindow(pageWnd);
    }
}

TEST_F(ScrollWindowTest, ScrollChildrenMovesThemToo)
{
    TTestWindow child(Log);
    HWND c = child.Create(DocWnd, {10, 50, 30, 60});
    ScrollWindowEx(DocWnd, 0, -20, nullptr, nullptr, nullptr, nullptr, SW_INVALIDATE | SW_SCROLLCHILDREN);
    TRect r;
    GetWindowRect(c, r);
    TPoint p{10, 30};
    ClientToScreen(DocWnd, p);
    EXPECT_EQ(r.Left, p.X);
    EXPECT_EQ(r.Top, p.Y);
}

TEST_F(ScrollWindowTest, ScrollingAHiddenWindowInvalidatesTheWholeArea)
{
    ShowWindow(DocWnd, SW_HIDE);
    TRect bounds;
    EXPECT_EQ(ScrollWindowEx(DocWnd, 0, -10, nullptr, nullptr, nullptr, &bounds, SW_INVALIDATE), SIMPLEREGION);
    EXPECT_EQ(bounds, (TRect{0, 0, 200, 100}));
}

TEST_F(ScrollWindowTest, PresentsOnlyTheMovedAndRepaintedPixels)
{
    ProcessMessages();
    Session.Backend().TakePresented(1);
    // A horizontal scroll of the left half.
    const TRect half{0, 0, 100, 100};
    ScrollWindowEx(DocWnd, -10, 0, &half, &half, nullptr, nullptr, SW_INVALIDATE);
    ProcessMessages();
    const TRegion presented = Session.Backend().TakePresented(1);
    TPoint o{0, 0};
    MapWindowPoints(DocWnd, TopWnd, &o, 1);
    EXPECT_EQ(presented.Bounds(), half.Offset(o.X, o.Y));
}


TEST_F(ScrollWindowTest, ADisplayThatMovesItsOwnPixelsEndsShowingTheBuffer)
{
    THeadlessBackend& display = Session.Backend();
    display.MirrorDisplay(true);
    RedrawWindow(TopWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
    Settle();
    auto differing = [&] {
        const auto buffer = CaptureWindow(TopWnd);
        const TBitmap* shown = display.Shown(1);
        if (!shown || shown->Width() != buffer->Width() || shown->Height() != buffer->Height()) return -1;
        int n = 0;
        for (int y = 0; y < buffer->Height(); ++y)
            for (int x = 0; x < buffer->Width(); ++x) n += shown->Pixel(x, y) != buffer->Pixel(x, y);
        return n;
    };
    ASSERT_EQ(differing(), 0);
    TPoint o{0, 0};
    MapWindowPoints(DocWnd, TopWnd, &o, 1);

    // A scroll: the display moves the pixels and is sent only the uncovered lines.
    display.TakePresented(1);
    ScrollLines(10);
    Settle();
    EXPECT_EQ(display.TakePresented(1), TRegion(TRect{0, 90, 200, 100}.Offset(o.X, o.Y)));
    EXPECT_EQ(differing(), 0);

    // Drawn outside a paint and not yet shown when the scroll comes: the display moves stale
    // pixels, which are sent again at their new place.
    {
        TDCGuard dc(DocWnd, GetDC(DocWnd));
        Fill(dc.DC()->Canvas(), {20, 40, 120, 60}, clRed);
    }
    ScrollLines(15);
    Settle();
    EXPECT_EQ(differing(), 0) << "drawn, then scrolled before it was shown";

    // Several scrolls before one frame, back and forth.
    ScrollLines(3);
    ScrollLines(-30);
    ScrollLines(7);
    Settle();
    EXPECT_EQ(differing(), 0) << "scrolled three times before one frame";
}

}
