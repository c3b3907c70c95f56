// DrawEdge: bevel colours per ring and side, corner ownership and BF_ADJUST.
#include <gtest/gtest.h>

#include "tests/graphics/PixelSupport.h"

namespace {

constexpr TColor Bg = clRed;

class EdgeTest : public ::testing::Test {
protected:
    void SetUp() override { Fill(Bmp, 20, 16, Bg); }
    TCanvas& C() { return *Bmp.Canvas(); }
    TPixel At(int X, int Y) const { return Bmp.Pixel(X, Y); }
    TBitmap Bmp;
};

} // namespace

TEST_F(EdgeTest, RaisedInnerOnRightAndBottomOnlyTouchesThoseSides)
{
    TRect r = Rect(2, 2, 12, 10);
    EXPECT_TRUE(C().DrawEdge(r, BDR_RAISEDINNER, BF_RIGHT | BF_BOTTOM));
    EXPECT_EQ(r, Rect(2, 2, 12, 10)) << "no BF_ADJUST, no change";
    EXPECT_TRUE(AllPixels(Bmp, clBtnShadow, Rect(2, 9, 12, 10)));
    EXPECT_TRUE(AllPixels(Bmp, clBtnShadow, Rect(11, 2, 12, 10)));
    EXPECT_TRUE(AllPixels(Bmp, Bg, Rect(2, 2, 11, 9))) << "left, top and inside untouched";
    EXPECT_EQ(InkBounds(Bmp, Bg), Rect(2, 2, 12, 10));
}

TEST_F(EdgeTest, TwoCallsLeftTopAfterRightBottomOwnTheCornersLikeTheGridDrawsThem)
{
    TRect r = Rect(2, 2, 12, 10);
    C().DrawEdge(r, BDR_RAISEDINNER, BF_RIGHT | BF_BOTTOM);
    C().DrawEdge(r, BDR_RAISEDINNER, BF_LEFT | BF_TOP);
    EXPECT_TRUE(AllPixels(Bmp, clBtnHighlight, Rect(2, 2, 12, 3)));
    EXPECT_TRUE(AllPixels(Bmp, clBtnHighlight, Rect(2, 2, 3, 10)));
    EXPECT_TRUE(AllPixels(Bmp, clBtnShadow, Rect(3, 9, 12, 10)));
    EXPECT_TRUE(AllPixels(Bmp, clBtnShadow, Rect(11, 3, 12, 10)));
    EXPECT_TRUE(AllPixels(Bmp, Bg, Rect(3, 3, 11, 9)));
}

TEST_F(EdgeTest, OneCallOnAllSidesGivesTopRightAndBottomLeftToTheDarkSide)
{
    TRect r = Rect(2, 2, 12, 10);
    C().DrawEdge(r, BDR_RAISEDINNER, BF_RECT);
    EXPECT_EQ(At(11, 2), Px(clBtnShadow));
    EXPECT_EQ(At(2, 9), Px(clBtnShadow));
    EXPECT_EQ(At(2, 2), Px(clBtnHighlight));
    EXPECT_EQ(At(11, 9), Px(clBtnShadow));
}

TEST_F(EdgeTest, SunkenInnerIsDarkAtLeftTopAndLightAtRightBottom)
{
    TRect r = Rect(1, 1, 9, 9);
    C().DrawEdge(r, BDR_SUNKENINNER, BF_RECT);
    EXPECT_TRUE(AllPixels(Bmp, cl3DDkShadow, Rect(1, 1, 8, 2)));
    EXPECT_TRUE(AllPixels(Bmp, cl3DDkShadow, Rect(1, 1, 2, 8)));
    EXPECT_TRUE(AllPixels(Bmp, cl3DLight, Rect(1, 8, 9, 9)));
    EXPECT_TRUE(AllPixels(Bmp, cl3DLight, Rect(8, 1, 9, 9)));
    EXPECT_TRUE(AllPixels(Bmp, Bg, Rect(2, 2, 8, 8)));
}

TEST_F(EdgeTest, SunkenOuterWithAdjustShrinksByOneOnEverySide)
{
    TRect r = Rect(0, 0, 20, 16);
    EXPECT_TRUE(C().DrawEdge(r, BDR_SUNKENOUTER, BF_RECT | BF_ADJUST));
    EXPECT_EQ(r, Rect(1, 1, 19, 15));
    EXPECT_TRUE(AllPixels(Bmp, clBtnShadow, Rect(0, 0, 19, 1)));
    EXPECT_TRUE(AllPixels(Bmp, clBtnHighlight, Rect(0, 15, 20, 16)));
    EXPECT_TRUE(AllPixels(Bmp, clBtnHighlight, Rect(19, 0, 20, 16)));
    EXPECT_TRUE(AllPixels(Bmp, Bg, r));
}

TEST_F(EdgeTest, RaisedEdgeHasTwoRingsAndAdjustsByTwo)
{
    TRect r = Rect(2, 2, 14, 12);
    C().DrawEdge(r, EDGE_RAISED, BF_RECT | BF_ADJUST);
    EXPECT_EQ(r, Rect(4, 4, 12, 10));
    EXPECT_EQ(At(5, 2), Px(cl3DLight)) << "outer top";
    EXPECT_EQ(At(5, 11), Px(cl3DDkShadow)) << "outer bottom";
    EXPECT_EQ(At(5, 3), Px(clBtnHighlight)) << "inner top";
    EXPECT_EQ(At(3, 5), Px(clBtnHighlight)) << "inner left";
    EXPECT_EQ(At(5, 10), Px(clBtnShadow)) << "inner bottom";
    EXPECT_EQ(At(12, 5), Px(clBtnShadow)) << "inner right";
    EXPECT_EQ(At(12, 3), Px(clBtnShadow)) << "inner top-right corner belongs to the dark side";
    EXPECT_TRUE(AllPixels(Bmp, Bg, r));
}

TEST_F(EdgeTest, SunkenAndEtchedAndBumpUseTheirRingColours)
{
    struct TCase {
        unsigned Edge;
        TColor OuterTop, InnerTop, InnerBottom, OuterBottom;
    };
    const TCase cases[] = {
        {EDGE_SUNKEN, clBtnShadow, cl3DDkShadow, cl3DLight, clBtnHighlight},
        {EDGE_ETCHED, clBtnShadow, clBtnHighlight, clBtnShadow, clBtnHighlight},
        {EDGE_BUMP, cl3DLight, cl3DDkShadow, cl3DLight, cl3DDkShadow},
    };
    for (const TCase& c : cases) {
        Fill(Bmp, 20, 16, Bg);
        TRect r = Rect(0, 0, 10, 10);
        C().DrawEdge(r, c.Edge, BF_RECT);
        EXPECT_EQ(At(4, 0), Px(c.OuterTop)) << c.Edge;
        EXPECT_EQ(At(4, 1), Px(c.InnerTop)) << c.Edge;
        EXPECT_EQ(At(4, 8), Px(c.InnerBottom)) << c.Edge;
        EXPECT_EQ(At(4, 9), Px(c.OuterBottom)) << c.Edge;
        EXPECT_EQ(At(4, 4), Px(Bg)) << c.Edge;
    }
}

TEST_F(EdgeTest, AdjustMovesOnlyTheChosenSides)
{
    TRect r = Rect(2, 2, 14, 12);
    C().DrawEdge(r, EDGE_SUNKEN, BF_LEFT | BF_TOP | BF_ADJUST);
    EXPECT_EQ(r, Rect(4, 4, 14, 12));
    EXPECT_TRUE(AllPixels(Bmp, Bg, Rect(4, 4, 14, 12))) << "no right or bottom lines";
}

TEST_F(EdgeTest, MiddleFillsTheInsideWithButtonFace)
{
    TRect r = Rect(0, 0, 10, 8);
    C().DrawEdge(r, EDGE_RAISED, BF_RECT | BF_MIDDLE);
    EXPECT_TRUE(AllPixels(Bmp, clBtnFace, Rect(2, 2, 8, 6)));
    EXPECT_EQ(r, Rect(0, 0, 10, 8)) << "BF_MIDDLE alone does not adjust";
}

TEST_F(EdgeTest, FlatAndMonoDrawPlainFrames)
{
    TRect r = Rect(0, 0, 10, 8);
    C().DrawEdge(r, EDGE_SUNKEN, BF_RECT | BF_FLAT);
    EXPECT_EQ(At(4, 0), Px(clBtnShadow));
    EXPECT_EQ(At(4, 7), Px(clBtnShadow));
    EXPECT_EQ(At(4, 1), Px(clBtnFace));

    r = Rect(10, 8, 20, 16);
    C().DrawEdge(r, BDR_RAISEDOUTER, BF_RECT | BF_MONO | BF_ADJUST);
    EXPECT_EQ(At(15, 8), Px(clWindowFrame));
    EXPECT_EQ(At(19, 12), Px(clWindowFrame));
    EXPECT_EQ(r, Rect(11, 9, 19, 15));
}

TEST_F(EdgeTest, AnEdgeWithBothRaisedAndSunkenBitsIsReportedAsInvalid)
{
    TRect r = Rect(0, 0, 10, 8);
    EXPECT_FALSE(C().DrawEdge(r, BDR_RAISEDOUTER | BDR_SUNKENOUTER, BF_RECT));
}
