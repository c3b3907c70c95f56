#include <gtest/gtest.h>

#include "TestWindow.h"
#include "host/graphics/Bitmap.h"
#include "host/windows/ScrollBar.h"

namespace {

// Shrinks the client area by 3 pixels on every side after the default calculation, as a control
// with a border of its own does.
bool ShrinkBy3(TTestWindow& W, TMessage& M)
{
    if (M.Msg != WM_NCCALCSIZE) return false;
    M.Result = DefWindowProc(W.WindowHandle(), M);
    auto* p = reinterpret_cast<TNCCalcSizeParams*>(M.LParam);
    p->Rgrc[0] = p->Rgrc[0].Inflate(-3, -3);
    return true;
}

class NonClientTest : public ::testing::Test {
protected:
    THeadlessSession Session;
    TMessageLog Log;
    TTestWindow Top{Log};
    TTestWindow Grid{Log};
    HWND TopWnd = nullptr;

    void SetUp() override
    {
        TopWnd = CreateTopLevel(Top, 300, 200);
        Top.OnPaint = [](TCanvas& C, const TRect&) { Fill(C, {0, 0, 300, 200}, clWhite); };
        ProcessMessages();
    }

    HWND CreateGrid(DWORD ExtraStyle = 0)
    {
        Grid.OnMessage = [this](TMessage& M) { return ShrinkBy3(Grid, M); };
        HWND h = Grid.Create(TopWnd, {20, 20, 120, 100}, WS_CHILD | WS_VISIBLE | ExtraStyle);
        ProcessMessages();
        return h;
    }
};

TEST_F(NonClientTest, ClientAreaIsThreePixelsSmallerOnEachSide)
{
    HWND g = CreateGrid();
    TRect client, inWindow;
    GetClientRect(g, client);
    GetClientRectInWindow(g, inWindow);
    EXPECT_EQ(client, (TRect{0, 0, 94, 74}));
    EXPECT_EQ(inWindow, (TRect{3, 3, 97, 77}));
    TPoint p{0, 0};
    ClientToScreen(g, p);
    TRect window;
    GetWindowRect(g, window);
    EXPECT_EQ(p.X - window.Left, 3);
    EXPECT_EQ(p.Y - window.Top, 3);
}

TEST_F(NonClientTest, ResizeRecalculatesTheFrameAndReportsTheClientSize)
{
    HWND g = CreateGrid();
    Log.clear();
    MoveWindow(g, 20, 20, 200, 150);
    const TMessageLog size = Only(Log, {WM_SIZE});
    ASSERT_EQ(size.size(), 1u);
    EXPECT_EQ(LOWORD(static_cast<std::uintptr_t>(size[0].LParam)), 194);
    EXPECT_EQ(HIWORD(static_cast<std::uintptr_t>(size[0].LParam)), 144);
    EXPECT_EQ(Only(Log, {WM_NCCALCSIZE}).size(), 1u);
}

TEST_F(NonClientTest, ScrollBarLiesNextToTheNarrowedClientArea)
{
    HWND g = CreateGrid(WS_VSCROLL);
    TRect inWindow;
    GetClientRectInWindow(g, inWindow);
    EXPECT_EQ(inWindow, (TRect{3, 3, 81, 77}));
    EXPECT_EQ(GetScrollBarRect(g, SB_VERT), (TRect{81, 3, 97, 77}));
    TRect w;
    GetWindowRect(g, w);
    EXPECT_EQ(SendMessage(g, WM_NCHITTEST, 0, MAKELPARAM(w.Left + 85, w.Top + 30)), HTVSCROLL);
    EXPECT_EQ(SendMessage(g, WM_NCHITTEST, 0, MAKELPARAM(w.Left + 1, w.Top + 30)), HTBORDER);
    EXPECT_EQ(SendMessage(g, WM_NCHITTEST, 0, MAKELPARAM(w.Left + 40, w.Top + 30)), HTCLIENT);
    EXPECT_EQ(SendMessage(g, WM_NCHITTEST, 0, MAKELPARAM(w.Left + 140, w.Top + 30)), HTNOWHERE);
}

TEST_F(NonClientTest, FirstFramePaintCoversTheWholeFrame)
{
    Log.clear();
    HWND g = CreateGrid();
    const TMessageLog nc = Only(Log, {WM_NCPAINT});
    ASSERT_EQ(nc.size(), 1u);
    EXPECT_EQ(nc[0].Wnd, g);
    EXPECT_EQ(nc[0].WParam, 1u);
}

TEST_F(NonClientTest, FramePaintCarriesOnlyTheUncoveredPartInScreenCoordinates)
{
    HWND g = CreateGrid();
    TTestWindow cover(Log);
    // Covers the grid's left border strip and a little of its client area.
    HWND c = cover.Create(TopWnd, {10, 40, 30, 60});
    ProcessMessages();
    TRegion seen;
    bool gotRegion = false;
    Grid.OnMessage = [&](TMessage& M) {
        if (M.Msg == WM_NCPAINT && M.WParam > 1) {
            seen = *reinterpret_cast<TRegion*>(M.WParam);
            gotRegion = true;
        }
        return ShrinkBy3(Grid, M);
    };
    ShowWindow(c, SW_HIDE);
    ProcessMessages();
    ASSERT_TRUE(gotRegion);
    TRect gw;
    GetWindowRect(g, gw);
    // The uncovered frame part: window x 0..3, y 20..40, in screen coordinates.
    EXPECT_EQ(seen.Bounds(), (TRect{gw.Left, gw.Top + 20, gw.Left + 3, gw.Top + 40}));
}

TEST_F(NonClientTest, WindowDCReachesTheFrameAndPaintDCOnlyTheClient)
{
    HWND g = CreateGrid();
    Grid.OnMessage = [&](TMessage& M) {
        if (M.Msg == WM_NCPAINT) {
            HDC dc = GetWindowDC(g);
            TDCGuard guard(g, dc);
            Fill(dc->Canvas(), {0, 0, 100, 80}, clRed);
            return true;
        }
        return ShrinkBy3(Grid, M);
    };
    Grid.OnPaint = [](TCanvas& C, const TRect&) { Fill(C, {-50, -50, 500, 500}, clBlue); };
    RedrawWindow(g, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_UPDATENOW);
    auto bmp = CaptureWindow(g);
    ASSERT_EQ(bmp->Width(), 100);
    EXPECT_EQ(bmp->Pixel(0, 0), ColorToPixel(clRed));
    EXPECT_EQ(bmp->Pixel(2, 40), ColorToPixel(clRed));
    EXPECT_EQ(bmp->Pixel(99, 79), ColorToPixel(clRed));
    EXPECT_EQ(bmp->Pixel(3, 3), ColorToPixel(clBlue));
    EXPECT_EQ(bmp->Pixel(96, 76), ColorToPixel(clBlue));
    // Nothing leaked onto the parent around the window.
    auto top = CaptureWindow(TopWnd);
    EXPECT_EQ(top->Pixel(19, 19), ColorToPixel(clWhite));
    EXPECT_EQ(top->Pixel(120, 100), ColorToPixel(clWhite));
}

TEST_F(NonClientTest, FrameRegionSelectedThenMovedIntoWindowCoordinatesClipsTheFramePaint)
{
    HWND g = CreateGrid();
    Grid.OnMessage = [&](TMessage& M) {
        if (M.Msg == WM_NCPAINT) {
            HDC dc = GetWindowDC(g);
            TDCGuard guard(g, dc);
            if (M.WParam > 1) {
                TRect w;
                GetWindowRect(g, w);
                EXPECT_NE(SelectClipRgn(dc, reinterpret_cast<const TRegion*>(M.WParam)), ERROR);
                EXPECT_NE(OffsetClipRgn(dc, -w.Left, -w.Top), ERROR);
            } else {
                EXPECT_EQ(SelectClipRgn(dc, reinterpret_cast<const TRegion*>(M.WParam)), ERROR);
            }
            Fill(dc->Canvas(), {0, 0, 100, 80}, clLime);
            return true;
        }
        return ShrinkBy3(Grid, M);
    };
    RedrawWindow(g, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_UPDATENOW);
    TRegion part(TRect{0, 0, 100, 3});
    TRegion screenPart = part;
    TRect w;
    GetWindowRect(g, w);
    screenPart.Offset(w.Left, w.Top);
    // Paint the frame red directly, then repaint only the top strip through WM_NCPAINT.
    {
        HDC dc = GetWindowDC(g);
        TDCGuard guard(g, dc);
        Fill(dc->Canvas(), {0, 0, 100, 80}, clRed);
    }
    SendMessage(g, WM_NCPAINT, reinterpret_cast<WPARAM>(&screenPart), 0);
    auto bmp = CaptureWindow(g);
    EXPECT_EQ(bmp->Pixel(50, 1), ColorToPixel(clLime));
    EXPECT_EQ(bmp->Pixel(1, 40), ColorToPixel(clRed));
}

TEST_F(NonClientTest, BorderAndClientEdgeNarrowTheClientArea)
{
    TTestWindow w(Log);
    HWND h = w.Create(TopWnd, {0, 0, 50, 50}, WS_CHILD | WS_VISIBLE | WS_BORDER, WS_EX_CLIENTEDGE);
    TRect c;
    GetClientRectInWindow(h, c);
    EXPECT_EQ(c, (TRect{3, 3, 47, 47}));
    auto bmp = CaptureWindow(h);
    EXPECT_EQ(bmp->Pixel(0, 0), ColorToPixel(clWindowFrame));
}

TEST_F(NonClientTest, FrameChangeAfterAStyleChangeRecalculates)
{
    HWND g = CreateGrid();
    SetWindowLong(g, GWL_STYLE, GetWindowLong(g, GWL_STYLE) | WS_HSCROLL);
    TRect c;
    GetClientRect(g, c);
    EXPECT_EQ(c.Height(), 74);  // not yet
    SetWindowPos(g, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
    GetClientRect(g, c);
    EXPECT_EQ(c.Height(), 58);
}

}
