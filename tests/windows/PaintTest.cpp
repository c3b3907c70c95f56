#include <gtest/gtest.h>

#include "TestWindow.h"
#include "host/graphics/Bitmap.h"

namespace {

class PaintTest : public TWindowTest {
protected:
    TTestWindow Child{Log};
    HWND ChildWnd = nullptr;
    std::vector<TRect> TopPaints;

    void SetUp() override
    {
        Top.OnPaint = [this](TCanvas& C, const TRect& R) {
            TopPaints.push_back(R);
            Fill(C, {0, 0, 1000, 1000}, clWhite);
        };
        Child.OnPaint = [](TCanvas& C, const TRect&) { Fill(C, {0, 0, 1000, 1000}, clNavy); };
        TopWnd = CreateTopLevel(Top, 200, 150);
        ChildWnd = Child.Create(TopWnd, {20, 20, 70, 60});
        Settle();
        TopPaints.clear();
    }

    TPixel At(int X, int Y) { return CaptureWindow(TopWnd)->Pixel(X, Y); }
};

TEST_F(PaintTest, PaintIsClippedToTheUpdateRegion)
{
    Top.OnPaint = [this](TCanvas& C, const TRect& R) {
        TopPaints.push_back(R);
        Fill(C, {0, 0, 1000, 1000}, clRed);
    };
    const TRect r{100, 100, 110, 120};
    InvalidateRect(TopWnd, &r);
    ProcessMessages();
    ASSERT_EQ(TopPaints.size(), 1u);
    EXPECT_EQ(TopPaints[0], r);
    EXPECT_EQ(At(105, 110), ColorToPixel(clRed));
    EXPECT_EQ(At(99, 110), ColorToPixel(clWhite));
    EXPECT_EQ(At(105, 120), ColorToPixel(clWhite));
}

TEST_F(PaintTest, ParentPaintDoesNotCoverItsChildren)
{
    Invalidate(TopWnd);
    Update(TopWnd);
    EXPECT_EQ(At(30, 30), ColorToPixel(clNavy));
    EXPECT_EQ(At(19, 30), ColorToPixel(clWhite));
}

TEST_F(PaintTest, UpdatePaintsAtOnceWithoutThePump)
{
    InvalidateRect(TopWnd, nullptr);
    EXPECT_TRUE(TopPaints.empty());
    UpdateWindow(TopWnd);
    EXPECT_EQ(TopPaints.size(), 1u);
    TRect r;
    EXPECT_FALSE(GetUpdateRect(TopWnd, &r));
    // Nothing is left for the pump.
    ProcessMessages();
    EXPECT_EQ(TopPaints.size(), 1u);
}

TEST_F(PaintTest, ValidatedAreaIsNotPainted)
{
    InvalidateRect(TopWnd, nullptr);
    const TRect left{0, 0, 100, 150};
    ValidateRect(TopWnd, &left);
    UpdateWindow(TopWnd);
    ASSERT_EQ(TopPaints.size(), 1u);
    EXPECT_EQ(TopPaints[0], (TRect{100, 0, 200, 150}));
}

TEST_F(PaintTest, HidingAChildRepaintsWhatItCovered)
{
    ShowWindow(ChildWnd, SW_HIDE);
    ProcessMessages();
    ASSERT_EQ(TopPaints.size(), 1u);
    EXPECT_EQ(TopPaints[0], (TRect{20, 20, 70, 60}));
    EXPECT_EQ(At(30, 30), ColorToPixel(clWhite));
}

TEST_F(PaintTest, MovingAChildRepaintsBothPlaces)
{
    MoveWindow(ChildWnd, 120, 20, 50, 40);
    ProcessMessages();
    EXPECT_EQ(At(30, 30), ColorToPixel(clWhite));
    EXPECT_EQ(At(130, 30), ColorToPixel(clNavy));
    EXPECT_EQ(Only(Log, {WM_MOVE}).size(), 1u);
}

TEST_F(PaintTest, RaisingASiblingRepaintsTheOverlap)
{
    TTestWindow other(Log);
    other.OnPaint = [](TCanvas& C, const TRect&) { Fill(C, {0, 0, 1000, 1000}, clLime); };
    HWND o = other.Create(TopWnd, {40, 40, 100, 100});
    ProcessMessages();
    EXPECT_EQ(At(50, 50), ColorToPixel(clLime));
    BringWindowToTop(ChildWnd);
    ProcessMessages();
    EXPECT_EQ(At(50, 50), ColorToPixel(clNavy));
    EXPECT_EQ(At(80, 80), ColorToPixel(clLime));
    EXPECT_EQ(GetChildWindows(TopWnd).back(), ChildWnd);
    (void)o;
}

TEST_F(PaintTest, DefaultEraseFillsWithTheBackgroundColour)
{
    TTestWindow plain(Log);
    HWND p = plain.Create(TopWnd, {100, 20, 150, 60});
    SetWindowBackground(p, clMaroon);
    InvalidateRect(p, nullptr, true);
    ProcessMessages();
    EXPECT_EQ(At(120, 30), ColorToPixel(clMaroon));
}

TEST_F(PaintTest, DrawingThroughADCOutlivingItsWindowIsHarmless)
{
    HDC dc = GetDC(ChildWnd);
    DestroyWindow(TopWnd);
    Fill(dc->Canvas(), {0, 0, 50, 50}, clRed);
    EXPECT_EQ(ReleaseDC(ChildWnd, dc), 1);
}

TEST_F(PaintTest, CaptureOfAHiddenWindowIsEmpty)
{
    ShowWindow(ChildWnd, SW_HIDE);
    auto bmp = CaptureWindow(ChildWnd);
    EXPECT_TRUE(bmp->Empty());
    EXPECT_TRUE(CaptureWindow(nullptr)->Empty());
}

TEST_F(PaintTest, ResizingTheTopLevelWindowKeepsItsContentsAndPaintsTheRest)
{
    MoveWindow(TopWnd, 100, 100, 300, 200);
    ProcessMessages();
    auto bmp = CaptureWindow(TopWnd);
    EXPECT_EQ(bmp->Width(), 300);
    EXPECT_EQ(bmp->Pixel(250, 180), ColorToPixel(clWhite));
    EXPECT_EQ(bmp->Pixel(30, 30), ColorToPixel(clNavy));
}

TEST_F(PaintTest, PresentsWhatWasPainted)
{
    Session.Backend().TakePresented(1);
    const TRect r{5, 5, 15, 15};
    InvalidateRect(TopWnd, &r);
    ProcessMessages();
    EXPECT_EQ(Session.Backend().TakePresented(1), TRegion(r));
}

}
