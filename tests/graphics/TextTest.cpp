// Text output: faces and metrics, opaque clipped runs, DrawText alignment, word breaking, tabs,
// prefixes and ellipsis.
#include <gtest/gtest.h>

#include "host/graphics/FontEngine.h"
#include "host/graphics/TextCodec.h"
#include "tests/graphics/PixelSupport.h"

namespace {

constexpr TColor Bg = clWhite;

class TextTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Fill(Bmp, 200, 80, Bg);
        C().Font()->SetColor(clBlack);
    }
    TCanvas& C() { return *Bmp.Canvas(); }
    int CalcWidth(const std::string& Text, unsigned Format)
    {
        TRect r = Rect(0, 0, 1000, 100);
        C().DrawText(Text, r, Format | DT_CALCRECT);
        return r.Width();
    }
    TBitmap Bmp;
};

} // namespace

TEST_F(TextTest, ClassicNamesMapToTheDejaVuFacesOfTheSameSize)
{
    TFont font;
    EXPECT_EQ(font.Name(), "MS Sans Serif");
    EXPECT_EQ(ResolvedFamily(font), "DejaVu Sans");
    font.SetName("Courier New");
    EXPECT_EQ(ResolvedFamily(font), "DejaVu Sans Mono");
    font.SetName("Times New Roman");
    EXPECT_EQ(ResolvedFamily(font), "DejaVu Serif");
    font.SetName("No Such Face At All");
    EXPECT_EQ(ResolvedFamily(font), "DejaVu Sans");

    const int classic = C().TextWidth("Sample text");
    C().Font()->SetName("DejaVu Sans");
    EXPECT_EQ(C().TextWidth("Sample text"), classic) << "same face, same size";
}

TEST_F(TextTest, HeightFollowsTheFontHeight)
{
    C().Font()->SetHeight(-11);
    const int small = C().TextHeight("Xg");
    EXPECT_GE(small, 11);
    EXPECT_LE(small, 15);
    C().Font()->SetHeight(-22);
    EXPECT_GE(C().TextHeight("Xg"), 2 * small - 3);
    C().Font()->SetHeight(20);
    EXPECT_NEAR(C().TextHeight("Xg"), 20, 1) << "a positive height is the cell height";
}

TEST_F(TextTest, FontsThatDifferOnlyInColourShareOneFaceAndItsGlyphs)
{
    TFont a, b;
    b.SetColor(clRed);
    TFaceSize& face = FaceForFont(a);
    EXPECT_EQ(&face, &FaceForFont(b));
    const TGlyph& first = face.Glyph(U'Q');
    EXPECT_EQ(&first, &face.Glyph(U'Q')) << "rendered once, then cached";
    EXPECT_GT(first.Width, 0);
    b.SetStyle({fsBold});
    EXPECT_NE(&face, &FaceForFont(b));
}

TEST_F(TextTest, GlyphsOfHugeFontsStayWithinTheCacheBudget)
{
    TFont huge;
    huge.SetHeight(-2048);
    TFaceSize& face = FaceForFont(huge);
    const TGlyph& w = face.Glyph(U'W');
    const int advance = w.Advance;
    const std::size_t bytes = w.Coverage.size();
    ASSERT_GT(bytes, std::size_t{1} << 20) << "a glyph of this size takes megabytes";
    for (char32_t c = U'A'; c <= U'Z'; ++c) {
        face.Glyph(c);
        ASSERT_LE(face.CachedBytes(), TFaceSize::GlyphCacheBytes) << static_cast<unsigned>(c);
    }
    // A glyph forgotten by the cache renders again the same.
    const TGlyph& again = face.Glyph(U'W');
    EXPECT_EQ(again.Advance, advance);
    EXPECT_EQ(again.Coverage.size(), bytes);
    // Text in that font still draws.
    C().Font()->SetHeight(-2048);
    EXPECT_NO_THROW(C().TextOut(0, 0, "WW"));
}

TEST_F(TextTest, BoldIsWiderAndUnderlineDrawsALineUnderTheRun)
{
    const int regular = C().TextWidth("Bold words");
    C().Font()->SetStyle({fsBold});
    EXPECT_GT(C().TextWidth("Bold words"), regular);

    C().Font()->SetStyle({fsUnderline});
    C().SetBkMode(TRANSPARENT);
    const int width = C().TextWidth("a b");
    C().TextOut(10, 10, "a b");
    // Somewhere below the baseline a row is inked along the whole run, spaces included.
    bool found = false;
    for (int y = 10; y < 10 + C().TextHeight("a") && !found; ++y)
        found = CountPixels(Bmp, clBlack, Rect(10, y, 10 + width, y + 1)) == width;
    EXPECT_TRUE(found);
}

TEST_F(TextTest, OpaqueClippedTextStaysInsideItsRectangle)
{
    C().Brush()->SetColor(clYellow);
    const TRect r = Rect(20, 10, 60, 26);
    C().ExtTextOut(14, 12, ETO_OPAQUE | ETO_CLIPPED, &r, "A long line of text that overflows");
    EXPECT_EQ(InkBounds(Bmp, Bg), r) << "nothing outside, the whole rectangle filled";
    const int yellow = CountPixels(Bmp, clYellow, r);
    EXPECT_GT(yellow, 0);
    EXPECT_GT(r.Width() * r.Height() - yellow, 30) << "text was written over the fill";
}

TEST_F(TextTest, UnclippedTextRunsPastTheRectangleButTheOpaqueFillDoesNot)
{
    C().Brush()->SetColor(clYellow);
    C().SetBkMode(TRANSPARENT);
    const TRect r = Rect(20, 10, 40, 26);
    C().ExtTextOut(22, 12, ETO_OPAQUE, &r, "Overflowing text");
    const TRect ink = InkBounds(Bmp, Bg);
    EXPECT_GT(ink.Right, r.Right);
    EXPECT_EQ(CountPixels(Bmp, clYellow, Rect(40, 0, 200, 80)), 0);
}

TEST_F(TextTest, TextIsClippedToTheCanvasRegion)
{
    TRegion clip(Rect(0, 0, 30, 80));
    clip.Union(Rect(60, 0, 200, 80));
    C().SelectClipRgn(&clip);
    C().SetBkMode(TRANSPARENT);
    C().TextOut(5, 5, "WWWWWWWWWWWWWWWWWW");
    EXPECT_EQ(CountPixels(Bmp, Bg, Rect(30, 0, 60, 80)), 30 * 80);
    EXPECT_GT(CountPixels(Bmp, clBlack, Rect(0, 0, 30, 80)), 0);
    EXPECT_GT(CountPixels(Bmp, clBlack, Rect(60, 0, 200, 80)), 0);
}

TEST_F(TextTest, RightAndCentredAlignment)
{
    C().SetBkMode(TRANSPARENT);
    TRect r = Rect(10, 5, 150, 25);
    C().DrawText("Right", r, DT_RIGHT | DT_SINGLELINE | DT_NOPREFIX);
    TRect ink = InkBounds(Bmp, Bg);
    EXPECT_LE(ink.Right, 150);
    EXPECT_GE(ink.Right, 147);
    EXPECT_GT(ink.Left, 100);

    Fill(Bmp, 200, 80, Bg);
    C().DrawText("Centre", r, DT_CENTER | DT_SINGLELINE | DT_NOPREFIX);
    ink = InkBounds(Bmp, Bg);
    EXPECT_NEAR((ink.Left + ink.Right) / 2, 80, 2);
}

TEST_F(TextTest, VerticalCentringAndBottomOfASingleLine)
{
    C().SetBkMode(TRANSPARENT);
    TRect r = Rect(0, 0, 100, 60);
    const int h = C().TextHeight("X");
    EXPECT_EQ(C().DrawText("X", r, DT_SINGLELINE | DT_VCENTER), (60 - h) / 2 + h);
    TRect ink = InkBounds(Bmp, Bg);
    EXPECT_GE(ink.Top, (60 - h) / 2);
    EXPECT_LE(ink.Bottom, (60 + h) / 2 + 1);

    Fill(Bmp, 200, 80, Bg);
    C().DrawText("X", r, DT_SINGLELINE | DT_BOTTOM);
    ink = InkBounds(Bmp, Bg);
    EXPECT_GE(ink.Top, 60 - h);
    EXPECT_LE(ink.Bottom, 60);
}

TEST_F(TextTest, WordBreakingWrapsAtSpacesAndKeepsLongWordsWhole)
{
    const int lineHeight = C().TextHeight("X");
    const int wordWidth = C().TextWidth("gamma");
    TRect r = Rect(0, 0, wordWidth + 2, 0);
    EXPECT_EQ(C().DrawText("alpha beta gamma", r, DT_WORDBREAK | DT_CALCRECT), 3 * lineHeight);
    EXPECT_EQ(r.Bottom, 3 * lineHeight);
    EXPECT_LE(r.Width(), wordWidth + 2);
    EXPECT_TRUE(InkBounds(Bmp, Bg).IsEmpty()) << "DT_CALCRECT draws nothing";

    r = Rect(0, 0, 200, 0);
    C().DrawText("alpha beta gamma", r, DT_WORDBREAK | DT_CALCRECT);
    EXPECT_EQ(r.Bottom, lineHeight) << "fits on one line";

    r = Rect(0, 0, 10, 0);
    C().DrawText("Unbreakable", r, DT_WORDBREAK | DT_CALCRECT);
    EXPECT_EQ(r.Bottom, lineHeight);
    EXPECT_EQ(r.Width(), C().TextWidth("Unbreakable"));
}

TEST_F(TextTest, WrappedTextIsDrawnLineByLineInsideTheRectangle)
{
    C().SetBkMode(TRANSPARENT);
    const int lineHeight = C().TextHeight("X");
    TRect r = Rect(5, 5, 5 + C().TextWidth("beta gamma") + 1, 5 + 3 * lineHeight);
    C().DrawText("alpha beta gamma delta", r, 0x850);
    const TRect ink = InkBounds(Bmp, Bg);
    EXPECT_LE(ink.Right, r.Right);
    EXPECT_GT(ink.Bottom, 5 + lineHeight) << "more than one line";
    EXPECT_LE(ink.Bottom, r.Bottom) << "the fourth line would fall outside and is clipped";
}

TEST_F(TextTest, LineBreaksStartNewLinesButAFinalOneDoesNot)
{
    const int lineHeight = C().TextHeight("X");
    TRect r = Rect(0, 0, 200, 0);
    EXPECT_EQ(C().DrawText("one\r\ntwo\nthree", r, DT_CALCRECT), 3 * lineHeight);
    r = Rect(0, 0, 200, 0);
    EXPECT_EQ(C().DrawText("one\r\n", r, DT_CALCRECT), lineHeight);
    r = Rect(0, 0, 200, 0);
    EXPECT_EQ(C().DrawText("one\r\ntwo", r, DT_CALCRECT | DT_SINGLELINE), lineHeight);
}

TEST_F(TextTest, TabsExpandToStopsOfEightAverageCharacters)
{
    const int x = CalcWidth("X", DT_EXPANDTABS);
    const int oneTab = CalcWidth("\tX", DT_EXPANDTABS);
    const int twoTabs = CalcWidth("\t\tX", DT_EXPANDTABS);
    const int tab = oneTab - x;
    EXPECT_EQ(twoTabs - oneTab, tab) << "stops are evenly spaced";
    EXPECT_GT(tab, 4 * C().TextWidth(" "));
    EXPECT_EQ(CalcWidth("ab\tX", DT_EXPANDTABS), oneTab) << "text before a tab does not move the stop";
    EXPECT_LT(CalcWidth("\tX", 0), oneTab) << "without DT_EXPANDTABS a tab is one space";

    C().SetBkMode(TRANSPARENT);
    TRect r = Rect(0, 0, 200, 30);
    C().DrawText("\t|", r, DT_EXPANDTABS | DT_NOPREFIX);
    EXPECT_GE(InkBounds(Bmp, Bg).Left, tab);
}

TEST_F(TextTest, PrefixesUnderlineUnlessNoPrefixIsGiven)
{
    EXPECT_EQ(CalcWidth("&File", 0), C().TextWidth("File"));
    EXPECT_EQ(CalcWidth("&File", DT_NOPREFIX), C().TextWidth("&File"));
    EXPECT_EQ(CalcWidth("A&&B", 0), C().TextWidth("A&B"));

    C().SetBkMode(TRANSPARENT);
    TRect r = Rect(0, 0, 200, 30);
    C().DrawText("&F", r, 0);
    TBitmap plain;
    Fill(plain, 200, 80, Bg);
    plain.Canvas()->Font()->SetColor(clBlack);
    plain.Canvas()->SetBkMode(TRANSPARENT);
    plain.Canvas()->DrawText("F", r, 0);
    EXPECT_GT(CountPixels(Bmp, clBlack, r), CountPixels(plain, clBlack, r)) << "the marked letter is underlined";
}

TEST_F(TextTest, EndEllipsisShortensALineToFit)
{
    TRect r = Rect(0, 0, 60, 20);
    C().DrawText("A rather long caption that cannot fit", r, DT_SINGLELINE | DT_END_ELLIPSIS | DT_CALCRECT);
    EXPECT_LE(r.Width(), 60);
    EXPECT_GT(r.Width(), C().TextWidth("..."));
}

TEST_F(TextTest, OpaqueModeFillsTheTextBoxTransparentModeDoesNot)
{
    C().Brush()->SetColor(clAqua);
    C().TextOut(10, 10, "Hi");
    const TRect box = Rect(10, 10, 10 + C().TextWidth("Hi"), 10 + C().TextHeight("Hi"));
    EXPECT_EQ(InkBounds(Bmp, Bg), box);
    EXPECT_EQ(C().PenPos(), Point(box.Right, 10));

    Fill(Bmp, 200, 80, Bg);
    C().Brush()->SetStyle(bsClear);
    C().TextOut(10, 10, "Hi");
    EXPECT_EQ(CountPixels(Bmp, clAqua, Rect(0, 0, 200, 80)), 0);
}

TEST_F(TextTest, InvalidUtf8BytesAreReadAsLatin1)
{
    std::u32string out;
    DecodeText("caf\xC3\xA9", out);
    EXPECT_EQ(out, U"caf\u00E9");
    DecodeText("caf\xE9!", out);
    EXPECT_EQ(out, U"caf\u00E9!");
    DecodeText("\xC0\x80\xED\xA0\x80", out);
    EXPECT_EQ(out.size(), 5u) << "overlong and surrogate forms are single bytes";
    EXPECT_EQ(C().TextWidth("caf\xC3\xA9"), C().TextWidth("caf\xE9"));
}
