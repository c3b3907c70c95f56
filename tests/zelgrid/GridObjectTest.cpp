#include <gtest/gtest.h>

#include "ZelGridTestSupport.h"
#include "host/graphics/Bitmap.h"

TEST_F(ZelGridTest, NewGridHasItsInitialState)
{
    EXPECT_EQ(Grid->Options().ToBits(), 6397);
    EXPECT_EQ(Grid->TCustomGrid::Options().ToBits(), 2703);
    ASSERT_EQ(Grid->Layout()->Count(), 1);
    EXPECT_EQ(Columns()->Count(), 0);
    EXPECT_EQ(Columns()->OwnerGrid(), Grid);
    EXPECT_EQ(Grid->LayoutIndex(), 0);
    EXPECT_EQ(Grid->RowCount(), 2);
    EXPECT_EQ(Grid->ColCount(), 2);
    EXPECT_EQ(Grid->Color(), clWindow);
    EXPECT_FALSE(Grid->ParentColor());
    EXPECT_EQ(Grid->SelectedColor(), clActiveCaption);
    EXPECT_TRUE(Grid->Flat());
    EXPECT_FALSE(Grid->Ctl3D());
    EXPECT_EQ(Grid->BorderStyle(), bsNone);
    EXPECT_FALSE(Grid->ControlStyle.Contains(csFramed));
    EXPECT_EQ(Grid->TitleHeight(), 0);
    EXPECT_EQ(Grid->DataRowHeight(), 0);
    EXPECT_EQ(Grid->ScrollBars(), ssHorizontal);
    EXPECT_FALSE(Grid->TCustomGrid::DefaultDrawing());
    EXPECT_TRUE(Grid->DefaultDrawing);
    EXPECT_FALSE(Grid->SaveCellExtents());
    EXPECT_EQ(Grid->TitleRows(), 1);
    EXPECT_EQ(Grid->IndicatorCols(), 1);
    EXPECT_EQ(Grid->Passes, 0);
}

TEST_F(ZelGridTest, IndicatorGlyphsAreLoadedFromTheResources)
{
    TImageList* images = Grid->IndicatorImages();
    ASSERT_NE(images, nullptr);
    EXPECT_EQ(images->Count(), 3);
    EXPECT_EQ(images->Width(), 6);
    EXPECT_EQ(images->Height(), 11);
}

TEST_F(ZelGridTest, SettingTheSameOptionsOrOnlyTabsRunsNoPass)
{
    Grid->SetOptions(Grid->Options());
    EXPECT_EQ(Grid->Passes, 0);

    Grid->SetOptions(Grid->Options() - TZelGridOptions{dgTabs});
    EXPECT_EQ(Grid->Passes, 0);
    EXPECT_FALSE(Grid->TCustomGrid::Options().Contains(goTabs));

    Grid->SetOptions(Grid->Options() - TZelGridOptions{dgTitles});
    EXPECT_EQ(Grid->Passes, 1);
    EXPECT_EQ(Grid->TitleRows(), 0);
}

TEST_F(ZelGridTest, OptionsMapOntoTheBaseGridOptions)
{
    Grid->SetOptions({dgColLines, dgRowSelect, dgEditing});
    EXPECT_EQ(Grid->TCustomGrid::Options(), (TGridOptions{goFixedVertLine, goVertLine}));
    Grid->SetOptions({dgRowLines, dgColumnResize, dgTabs});
    EXPECT_EQ(Grid->TCustomGrid::Options(),
              (TGridOptions{goFixedHorzLine, goHorzLine, goColSizing, goColMoving, goTabs}));
}

TEST_F(ZelGridTest, AlwaysShowEditorNeedsEditing)
{
    Grid->SetOptions({dgAlwaysShowEditor, dgEditing});
    EXPECT_EQ(Grid->Options(), (TZelGridOptions{dgAlwaysShowEditor, dgEditing}));
    Grid->SetOptions({dgAlwaysShowEditor});
    EXPECT_EQ(Grid->Options(), (TZelGridOptions{dgEditing}));
}

TEST_F(ZelGridTest, TitleHeightIgnoresValuesBelowOne)
{
    Grid->SetTitleHeight(0);
    Grid->SetTitleHeight(-5);
    EXPECT_EQ(Grid->TitleHeight(), 0);
    const int before = Grid->RowHeights(0);
    EXPECT_EQ(before, Grid->DefaultRowHeight());

    Grid->SetTitleHeight(30);
    EXPECT_EQ(Grid->TitleHeight(), 30);
    EXPECT_EQ(Grid->RowHeights(0), 30);
}

TEST_F(ZelGridTest, DataRowHeightGoesToTheBaseAndKeepsTheTitleHeight)
{
    Grid->SetTitleHeight(30);
    Grid->SetDefRowHeight(22);
    EXPECT_EQ(Grid->DefaultRowHeight(), 22);
    EXPECT_EQ(Grid->DataRowHeight(), 22);
    EXPECT_EQ(Grid->TitleHeight(), 30);
    // The next pass applies the title height again.
    Grid->LayoutChanged();
    EXPECT_EQ(Grid->RowHeights(0), 30);
    EXPECT_EQ(Grid->RowHeights(1), 22);
}

TEST_F(ZelGridTest, BlindedRepaintsOnlyWhenTurnedOn)
{
    ShowGrid();
    Grid->SetBlinded(true);
    Settle();
    Grid->SetBlinded(false);
    EXPECT_FALSE(HasPendingPaint());
    Grid->SetBlinded(true);
    EXPECT_TRUE(HasPendingPaint());
    Settle();
    Grid->SetBlindedColor(clRed);
    EXPECT_TRUE(HasPendingPaint());
}

TEST_F(ZelGridTest, TitleFontChangesAskForPassesAndLeaveTheParentFont)
{
    TFont font;
    font.SetSize(14);
    Grid->SetTitleFont(&font);
    // One pass from the change notification, one from the setter.
    EXPECT_EQ(Grid->Passes, 2);
    EXPECT_FALSE(Grid->ParentFont());
    EXPECT_EQ(Grid->TitleFont()->Size(), 14);

    Grid->SetParentFont(true);
    Grid->SetOptions(Grid->Options() - TZelGridOptions{dgTitles});
    Grid->Passes = 0;
    font.SetSize(9);
    Grid->SetTitleFont(&font);
    EXPECT_EQ(Grid->Passes, 0);
    EXPECT_FALSE(Grid->ParentFont());
}

TEST_F(ZelGridTest, ParentFontReachesTheTitleFont)
{
    ShowGrid();
    TFont font;
    font.SetName("DejaVu Serif");
    Form->SetFont(&font);
    EXPECT_TRUE(Grid->ParentFont());
    EXPECT_EQ(Grid->TitleFont()->Name(), "DejaVu Serif");
}

TEST_F(ZelGridTest, GridFontChangeRefreshesUnassignedColumnFontsInOnePass)
{
    AddColumns(2);
    Columns()->GeTZelColumn(1)->GetFont()->SetSize(20); // assigned
    Grid->Passes = 0;
    TFont font;
    font.SetColor(clRed);
    Grid->SetFont(&font);
    EXPECT_EQ(Grid->Passes, 1);
    EXPECT_EQ(Columns()->GeTZelColumn(0)->GetFont()->Color(), clRed);
    EXPECT_EQ(Columns()->GeTZelColumn(1)->GetFont()->Size(), 20);
}

TEST_F(ZelGridTest, StoreColumnsFollowsTheShownColumnsState)
{
    EXPECT_FALSE(Grid->StoreColumns());
    AddColumns(1);
    EXPECT_TRUE(Grid->StoreColumns());
}

TEST(CellTextBitmap, IsSharedByGridsAndFreedWithTheLast)
{
    THeadlessSession session;
    const int before = CellTextBitmapUsers();
    auto* first = new TZelGrid(nullptr);
    auto* second = new TZelGrid(nullptr);
    EXPECT_EQ(CellTextBitmapUsers(), before + 2);
    TBitmap* shared = CellTextBitmap();
    ASSERT_NE(shared, nullptr);
    delete first;
    EXPECT_EQ(CellTextBitmap(), shared);
    delete second;
    EXPECT_EQ(CellTextBitmapUsers(), before);
    if (before == 0) {
        EXPECT_EQ(CellTextBitmap(), nullptr);
    }
}

namespace {

// The rightmost column that holds a pixel other than White, or -1.
int RightmostInk(TBitmap& Bitmap)
{
    for (int x = Bitmap.Width() - 1; x >= 0; --x)
        for (int y = 0; y < Bitmap.Height(); ++y)
            if (Bitmap.Pixel(x, y) != ColorToPixel(clWhite)) return x;
    return -1;
}

} // namespace

TEST(WriteCellText, RightAlignedTextEndsThreePixelsBeforeTheRightEdge)
{
    THeadlessSession session;
    TBitmap bitmap;
    bitmap.SetSize(120, 20);
    TCanvas& canvas = *bitmap.Canvas();
    canvas.Brush()->SetColor(clWhite);
    canvas.FillRect({0, 0, 120, 20});
    canvas.Font()->SetColor(clBlack);
    const TRect cell{10, 2, 100, 18};
    WriteCellText(canvas, cell, 2, 2, "Right", taRightJustify, false);
    const int ink = RightmostInk(bitmap);
    // The text's advance ends at Right - 3; a glyph may overhang it by a pixel.
    EXPECT_LE(ink, cell.Right - 3);
    EXPECT_GE(ink, cell.Right - 3 - 3);
}

TEST(WriteCellText, WrappedTextGrowsTheSharedBitmapAndNeverShrinksIt)
{
    THeadlessSession session;
    TZelGrid grid(nullptr); // holds the shared bitmap
    TBitmap target;
    target.SetSize(300, 200);
    TCanvas& canvas = *target.Canvas();
    WriteCellText(canvas, {0, 0, 200, 60}, 2, 2, "a long text that wraps over lines", taLeftJustify, true);
    EXPECT_GE(CellTextBitmap()->Width(), 200);
    EXPECT_GE(CellTextBitmap()->Height(), 60);
    WriteCellText(canvas, {0, 0, 50, 10}, 2, 2, "short", taCenter, true);
    EXPECT_GE(CellTextBitmap()->Width(), 200);
    EXPECT_GE(CellTextBitmap()->Height(), 60);
}

TEST(WriteCellText, AFieldOfMegabytesShowsWhatItsShownEndShows)
{
    THeadlessSession session;
    TZelGrid grid(nullptr); // holds the shared bitmap
    const std::string words = "Gr\xC3\xB6\xC3\x9F" "e 12.50 \xE2\x82\xAC the quick brown fox, jumps over; ";
    std::string huge, start, end;
    for (int i = 0; huge.size() < (std::size_t{8} << 20); ++i) huge += words;
    for (int i = 0; i < 30; ++i) start += words;
    end = start;
    struct TCase {
        const char* What;
        TAlignment Alignment;
        bool WordWrap;
        const std::string& Part; // the start or the end of the text, all the cell can show
    };
    const TCase cases[] = {
        {"left", taLeftJustify, false, start},         {"right", taRightJustify, false, end},
        {"wrapped left", taLeftJustify, true, start},  {"wrapped right", taRightJustify, true, start},
        {"wrapped centred", taCenter, true, start},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.What);
        const TRect cell{10, 4, 130, 50};
        TBitmap shown, expected;
        for (TBitmap* b : {&shown, &expected}) {
            b->SetSize(140, 60);
            TCanvas& canvas = *b->Canvas();
            canvas.Brush()->SetColor(clWhite);
            canvas.FillRect({0, 0, 140, 60});
            canvas.Font()->SetColor(clBlack);
            canvas.Brush()->SetColor(clYellow);
            WriteCellText(canvas, cell, 2, 2, b == &shown ? huge : c.Part, c.Alignment, c.WordWrap);
            EXPECT_EQ(canvas.TextAlign(), TA_LEFT) << "the canvas's text alignment is left as it was";
        }
        bool same = true;
        for (int y = 0; y < 60 && same; ++y)
            for (int x = 0; x < 140 && same; ++x) same = shown.Pixel(x, y) == expected.Pixel(x, y);
        EXPECT_TRUE(same);
    }
}

// A line break ("\n", "\r\n" or a lone "\r") starts a new line in a word-wrapped cell and reads as
// one space on a single line, in every alignment, also where the shown part of a long text begins
// or ends on a break.
TEST(WriteCellText, LineBreaksStartLinesWhenWrappedAndReadAsSpacesOtherwise)
{
    THeadlessSession session;
    TZelGrid grid(nullptr); // holds the shared bitmap
    std::string longWithBreaks;
    for (int i = 0; longWithBreaks.size() < 5000; ++i)
        longWithBreaks += "word" + std::to_string(i) + (i % 3 == 0 ? "\r\n" : i % 3 == 1 ? "\n" : "\r");
    longWithBreaks += "end\r\nlast";
    std::vector<std::string> longLines;
    for (int i = 0; i < 8; ++i) longLines.push_back("word" + std::to_string(i));
    struct TCase {
        const char* What;
        std::string Text;
        std::vector<std::string> Lines; // as a wrapped cell shows it
        TRect Cell{10, 4, 130, 70};
    };
    const TCase cases[] = {
        {"line feed", "line one\nline two", {"line one", "line two"}},
        {"carriage return and line feed", "line one\r\nline two", {"line one", "line two"}},
        {"carriage return alone", "line one\rline two", {"line one", "line two"}},
        {"an empty line between", "a\n\nb", {"a", "", "b"}},
        {"two kinds in a row", "a\n\r\nb\r\rc", {"a", "", "b", "", "c"}},
        {"a final break starts no line", "one\r\n", {"one"}},
        {"a break first", "\ntwo", {"", "two"}},
        {"a long text", longWithBreaks, {}},
        // The cell of a wide column scrolled far left: the shown part starts inside the text.
        {"a long text shown from its middle", longWithBreaks, {}, {-3000, 4, 130, 70}},
    };
    const TAlignment alignments[] = {taLeftJustify, taRightJustify, taCenter};
    constexpr int Width = 140, Height = 80;
    const auto blank = [](TBitmap& B) -> TCanvas& {
        B.SetSize(Width, Height);
        TCanvas& canvas = *B.Canvas();
        canvas.Brush()->SetColor(clWhite);
        canvas.FillRect({0, 0, Width, Height});
        canvas.Font()->SetColor(clBlack);
        canvas.Brush()->SetColor(clYellow);
        return canvas;
    };
    for (const TCase& c : cases) {
        const TRect& cell = c.Cell;
        for (const TAlignment alignment : alignments) {
            for (const bool wrap : {false, true}) {
                SCOPED_TRACE(std::string(c.What) + ", alignment " + std::to_string(alignment) +
                             (wrap ? ", wrapped" : ", one line"));
                TBitmap shown, expected;
                WriteCellText(blank(shown), cell, 2, 2, c.Text, alignment, wrap);
                TCanvas& canvas = blank(expected);
                if (!wrap) {
                    // The same line with each break one space.
                    std::string spaced;
                    for (std::size_t i = 0; i < c.Text.size(); ++i) {
                        const char ch = c.Text[i];
                        if (ch == '\r' && i + 1 < c.Text.size() && c.Text[i + 1] == '\n') continue;
                        spaced += ch == '\r' || ch == '\n' ? ' ' : ch;
                    }
                    WriteCellText(canvas, cell, 2, 2, spaced, alignment, false);
                } else {
                    // Each line on its own, aligned in the room right of the two-pixel margin.
                    canvas.FillRect(cell);
                    canvas.SetBkMode(TRANSPARENT);
                    const int room = cell.Width() - 1 - 2;
                    const std::vector<std::string>& lines = c.Lines.empty() ? longLines : c.Lines;
                    for (std::size_t i = 0; i < lines.size(); ++i) {
                        const std::string& line = lines[i];
                        const int width = canvas.TextWidth(line);
                        const int x = alignment == taLeftJustify    ? cell.Left + 2
                                      : alignment == taRightJustify ? cell.Left + 2 + room - width
                                                                    : cell.Left + 2 + (room - width) / 2;
                        const TRect clip{cell.Left + 2, cell.Top + 2, cell.Right - 1, cell.Bottom - 1};
                        canvas.ExtTextOut(x, cell.Top + 2 + static_cast<int>(i) * canvas.LineHeight(), ETO_CLIPPED,
                                          &clip, line);
                    }
                }
                int differing = 0;
                for (int y = 0; y < Height; ++y)
                    for (int x = 0; x < Width; ++x) differing += shown.Pixel(x, y) != expected.Pixel(x, y);
                EXPECT_EQ(differing, 0);
            }
        }
    }
}

TEST_F(ZelGridTest, AReplacedLayoutCollectionIsOwnedByTheGrid)
{
    auto* layouts = new TZelColLayout(Grid, ItemClassOf<TZelLayoutItem>);
    layouts->GetItem(0)->GeTZelColumns()->Add();
    layouts->GetItem(0)->GeTZelColumns()->Add();
    Grid->Passes = 0;
    Grid->SeTZelColLayout(layouts); // the old collection is freed here, the new one with the grid
    EXPECT_EQ(Grid->Layout(), layouts);
    EXPECT_EQ(Grid->Passes, 0);
    Grid->LayoutChanged();
    EXPECT_EQ(Grid->ColCount(), 3);
}

TEST_F(ZelGridTest, AcquireFocusTakesTheFocusWhenTheGridMay)
{
    auto* other = new TZelGrid(Form);
    other->SetBounds(0, 0, 50, 50);
    other->SetParent(Form);
    ShowGrid();
    other->SetFocus();
    ASSERT_TRUE(other->Focused());
    EXPECT_TRUE(Grid->AcquireFocus());
    EXPECT_TRUE(Grid->Focused());

    other->SetFocus();
    Grid->SetDesigning(true);
    EXPECT_TRUE(Grid->AcquireFocus()); // answers true, but a designed grid takes no focus
    EXPECT_FALSE(Grid->Focused());

    TZelGrid hidden(nullptr); // nothing to focus: still true
    EXPECT_TRUE(hidden.AcquireFocus());
}
