// Cell drawing: the look of each kind of cell in the pixels of a shown grid, and what a paint
// asks of the application.
#include <cstdlib>
#include <functional>
#include <set>
#include <stdexcept>

#include "host/core/Exceptions.h"
#include "tests/graphics/PixelSupport.h"
#include "tests/zelgrid/DrawingSupport.h"

namespace {

const TPixel Face = Px(clBtnFace), Light = Px(clBtnHighlight), Shadow = Px(clBtnShadow), Dark = Px(cl3DDkShadow),
             Window = Px(clWindow);

// The glyph rows of the indicator images, '#' black and '.' the fixed colour.
const char* const ArrowRows[] = {"#.....", "##....", "###...", "####..", "#####.", "######",
                                 "#####.", "####..", "###...", "##....", "#....."};
const char* const EditRows[] = {"##..##", "..##..", "..##..", "..##..", "..##..", "..##..",
                                "..##..", "..##..", "..##..", "..##..", "##..##"};

// Pixels of Area within a small distance of Color in every channel (anti-aliased text rarely
// covers a pixel fully).
int CountNear(const TBitmap& Bitmap, TColor Color, const TRect& Area, int Tolerance = 48)
{
    const TPixel p = Px(Color);
    int n = 0;
    for (int y = Area.Top; y < Area.Bottom; ++y)
        for (int x = Area.Left; x < Area.Right; ++x) {
            const TPixel q = Bitmap.Pixel(x, y);
            bool near = true;
            for (int shift = 0; shift < 24; shift += 8)
                near = near && std::abs(static_cast<int>((p >> shift) & 0xFF) - static_cast<int>((q >> shift) & 0xFF)) <= Tolerance;
            n += near;
        }
    return n;
}

} // namespace

TEST_F(GridDrawingTest, FixedCellsShowTheCornerBevelAndTheIndicatorGlyphOfTheCurrentRow)
{
    AddColumns(3);
    ShowGrid();
    Grid->SetCurrentRow(3);
    struct TCase {
        bool Editing;
        const char* const* Rows;
    };
    for (const TCase& test : {TCase{false, ArrowRows}, TCase{true, EditRows}}) {
        SCOPED_TRACE(test.Editing ? "editing" : "browsing");
        Grid->FEditorActive = test.Editing;
        auto shot = Shot();
        // The corner: the fixed colour one pixel in, a raised bevel on the cell's edge.
        const TRect corner = Grid->CellRect(0, 0);
        EXPECT_TRUE(AllPixels(*shot, clBtnFace, InShot(corner.Inflate(-1, -1))));
        EXPECT_EQ(At(*shot, corner.Left, corner.Top + 5), Light);
        EXPECT_EQ(At(*shot, corner.Left + 5, corner.Top), Light);
        EXPECT_EQ(At(*shot, corner.Right - 1, corner.Top + 5), Shadow);
        EXPECT_EQ(At(*shot, corner.Left + 5, corner.Bottom - 1), Shadow);

        const TRect inner = Grid->CellRect(0, 3).Inflate(-1, -1);
        const int x0 = inner.Right - 6 - 1, y0 = (inner.Top + inner.Bottom - 11) / 2;
        for (int y = 0; y < 11; ++y)
            for (int x = 0; x < 6; ++x)
                EXPECT_EQ(At(*shot, x0 + x, y0 + y), test.Rows[y][x] == '#' ? Px(clBlack) : Face) << x << "," << y;
        EXPECT_EQ(Grid->FLastIndicatorRow, 3);
        EXPECT_TRUE(AllPixels(*shot, clBtnFace, InShot(Grid->CellRect(0, 2).Inflate(-1, -1))))
            << "no glyph in another row";
    }
}

TEST_F(GridDrawingTest, DataRowsAreStripedAndTheSelectedRowTakesTheComplementForItsText)
{
    AddColumns(3);
    ShowGrid();
    Grid->SetBlindedColor(clYellow);
    Grid->SetBlinded(true);
    Grid->SetCurrentRow(3); // data row 2, an even one
    Grid->SetOptions(Grid->Options() + TZelGridOptions{dgRowSelect});
    struct TCase {
        TColor Selected;
        TColor Text;
    };
    // The colour shown is complemented: a system colour is resolved first, so that a light one
    // (clBtnFace, light grey) gets dark text, not near-white.
    for (const TCase& test :
         {TCase{clActiveCaption, RGB(255, 255, 127)}, TCase{clBtnFace, RGB(63, 63, 63)}, TCase{clRed, clAqua}}) {
        Grid->SetSelColor(test.Selected);
        auto shot = Shot();
        for (int dataRow = 0; dataRow < 6; ++dataRow) {
            const TRect cell = Grid->CellRect(2, dataRow + 1);
            const TColor expected = dataRow == 2 ? test.Selected : dataRow % 2 == 0 ? clYellow : clWindow;
            EXPECT_EQ(At(*shot, cell.Right - 2, cell.Bottom - 2), Px(expected)) << "data row " << dataRow;
        }
        EXPECT_GT(CountPixels(*shot, test.Text, InShot(Grid->CellRect(2, 3))), 10) << "text in the complement";
    }
}

TEST_F(GridDrawingTest, TitlesUseTheCaptionColoursWithoutFocusAndTheirOwnWithIt)
{
    AddColumns(2);
    Columns()->GeTZelColumn(0)->Title()->SetColor(clYellow);
    Columns()->GeTZelColumn(0)->Title()->GetFont()->SetColor(clBlue);
    ShowGrid();
    struct TCase {
        bool Focused;
        TColor Background, Text;
    };
    for (const TCase& test : {TCase{false, clInactiveCaption, clCaptionText}, TCase{true, clYellow, clBlue}}) {
        SCOPED_TRACE(test.Focused ? "focused" : "not focused");
        if (test.Focused) Grid->SetFocus();
        else Unfocus();
        auto shot = Shot();
        const TRect title = Grid->CellRect(1, 0);
        EXPECT_EQ(At(*shot, title.Right - 3, title.Bottom - 3), Px(test.Background));
        EXPECT_GT(CountNear(*shot, test.Text, InShot(title.Inflate(-1, -1))), 5);
    }
}

TEST_F(GridDrawingTest, FrameOffsetPlacesFillBevelAndText)
{
    AddColumns(3);
    ShowGrid();
    Grid->SetCurrentRow(2);
    Unfocus();
    struct TCase {
        bool Ctl3D;
        int DataOffset;
    };
    for (const TCase& test : {TCase{false, 2}, TCase{true, 1}}) {
        SCOPED_TRACE(test.Ctl3D ? "Ctl3D" : "flat");
        Grid->SetCtl3D(test.Ctl3D);
        auto shot = Shot();
        const TRect cell = Grid->CellRect(2, 3), current = Grid->CellRect(1, 2);
        if (test.DataOffset == 2) {
            // The fill covers the cell; the bevel lies on the lines around it, where the next
            // cell's light side covers this one's shadow.
            EXPECT_EQ(At(*shot, cell.Left, cell.Bottom - 2), Window);
            EXPECT_EQ(At(*shot, cell.Left - 1, cell.Bottom - 2), Light);
            EXPECT_EQ(At(*shot, cell.Right, cell.Bottom - 2), Light);
            EXPECT_EQ(At(*shot, current.Left - 1, current.Bottom - 2), Dark) << "the current cell is sunken";
        } else {
            EXPECT_EQ(At(*shot, cell.Left, cell.Bottom - 2), Light);
            EXPECT_EQ(At(*shot, cell.Left + 1, cell.Bottom - 2), Window);
            EXPECT_EQ(At(*shot, cell.Right - 1, cell.Bottom - 2), Shadow);
            EXPECT_EQ(At(*shot, cell.Right, cell.Bottom - 2), Px(clSilver)) << "the grid line stays";
            EXPECT_EQ(At(*shot, current.Left, current.Bottom - 2), Dark);
        }
        // The text starts two pixels into the cell either way: one from the frame, one from R.
        const TRect ink = InkBounds(*shot, clWindow, InShot(cell.Inflate(-1, -1)));
        EXPECT_GE(ink.Left - InShot(cell).Left, 2);
        EXPECT_LE(ink.Left - InShot(cell).Left, 3);
    }
}

TEST_F(GridDrawingTest, AlignmentAndWordWrapPlaceTheText)
{
    AddColumns(3);
    Columns()->GeTZelColumn(0)->SetAlignment(taRightJustify);
    Columns()->GeTZelColumn(1)->SetWordWrap(true);
    Grid->SetDefRowHeight(40);
    Grid->OnGetDataCell = [](int ACol, int, std::string& AValue) { AValue = ACol == 1 ? "alpha beta gamma" : "R1C1"; };
    ShowGrid();
    Grid->SetCurrentRow(3);
    Unfocus();
    auto shot = Shot();
    const TRect right = Grid->CellRect(1, 1);
    const TRect rightInk = InkBounds(*shot, clWindow, InShot(right));
    EXPECT_LE(rightInk.Right, InShot(right).Right - 3) << "the text ends 3 pixels left of the cell";
    EXPECT_GE(rightInk.Right, InShot(right).Right - 5);

    const TRect wrapped = Grid->CellRect(2, 1);
    const TRect wrappedInk = InkBounds(*shot, clWindow, InShot(wrapped));
    const int lineHeight = Grid->Canvas()->LineHeight();
    EXPECT_GT(wrappedInk.Height(), lineHeight + 4) << "broken into lines";
    EXPECT_LE(wrappedInk.Right, InShot(wrapped).Right);
}

TEST_F(GridDrawingTest, BorderRingsFollowFocusAndHotTracking)
{
    AddColumns(2);
    ShowGrid();
    Unfocus();
    struct TCase {
        const char* Name;
        bool Flat, Focused, MouseInside, Hot;
    };
    const TCase cases[] = {
        {"idle", true, false, false, false},
        {"mouse over a flat grid", true, false, true, true},
        {"focused", true, true, false, true},
        {"mouse over a grid that is not flat", false, false, true, false},
        {"focused, not flat", false, true, false, true},
    };
    for (const TCase& test : cases) {
        SCOPED_TRACE(test.Name);
        Grid->SetFlat(test.Flat);
        if (test.Focused) Grid->SetFocus();
        else Unfocus();
        if (test.MouseInside) Session.Input.MouseMove(Grid->Handle(), {40, 40});
        auto shot = Shot();
        const int w = shot->Width(), h = shot->Height(), midY = h / 2, midX = w / 2;
        // Outside in: left, top, right and bottom rings.
        const TPixel lt[3] = {test.Hot ? Shadow : Face, Face, Window};
        const TPixel rb[3] = {test.Hot ? Light : Face, test.Hot ? Px(cl3DLight) : Face, Window};
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(shot->Pixel(i, midY), lt[i]) << "left ring " << i;
            EXPECT_EQ(shot->Pixel(midX, i), lt[i]) << "top ring " << i;
            EXPECT_EQ(shot->Pixel(w - 1 - i, midY + 40), rb[i]) << "right ring " << i;
            EXPECT_EQ(shot->Pixel(midX, h - 1 - i), rb[i]) << "bottom ring " << i;
        }
        // The client area lies 3 pixels inside the window, scroll bars aside.
        TRect client;
        GetClientRectInWindow(Grid->Handle(), client);
        const auto style = GetWindowLong(Grid->Handle(), GWL_STYLE);
        EXPECT_EQ(client.Left, 3);
        EXPECT_EQ(client.Top, 3);
        EXPECT_EQ(w - client.Right - (style & WS_VSCROLL ? ScrollBarSize : 0), 3);
        EXPECT_EQ(h - client.Bottom - (style & WS_HSCROLL ? ScrollBarSize : 0), 3);
        Session.Input.MouseLeave(Grid->Handle());
    }
}

TEST_F(GridDrawingTest, DisabledGridTurnsButtonFaceAndGetsItsColourBack)
{
    AddColumns(2);
    ShowGrid();
    Grid->SetColor(clYellow);
    Grid->SetEnabled(false);
    EXPECT_EQ(Grid->Color(), clBtnFace);
    auto shot = Shot();
    const TRect cell = Grid->CellRect(2, 2);
    EXPECT_EQ(At(*shot, cell.Right - 2, cell.Bottom - 2), Face);
    Grid->SetEnabled(true);
    EXPECT_EQ(Grid->Color(), clYellow);

    // At design time the colour the form stores stays, and the border is hot while enabled.
    Grid->ComponentState.Include(csDesigning);
    Grid->SetEnabled(false);
    EXPECT_EQ(Grid->Color(), clYellow);
    EXPECT_EQ(Shot()->Pixel(0, 40), Face);
    Grid->SetEnabled(true);
    EXPECT_EQ(Shot()->Pixel(0, 40), Shadow);
}

TEST_F(GridDrawingTest, APaintAsksOncePerVisibleCellOfAShownColumn)
{
    AddColumns(4);
    Columns()->GeTZelColumn(1)->SetVisible(false);
    Columns()->GeTZelColumn(3)->SetVisible(false); // the last column: hidden cells after the grid's end
    int drawn = 0;
    Grid->OnDrawColumnCell = [&](TObject* Sender, const TRect&, int DataCol, TZelColumn* Column, TGridDrawState) {
        EXPECT_EQ(Sender, Grid);
        EXPECT_EQ(Column, Columns()->GeTZelColumn(DataCol));
        ++drawn;
    };
    ShowGrid();
    Asked.clear();
    drawn = 0;
    Shot();
    int visibleRows = 0;
    for (int row = 1; row < Grid->RowCount(); ++row) visibleRows += !Grid->CellRect(1, row).IsEmpty();
    ASSERT_GT(visibleRows, 3);
    std::multiset<std::pair<int, int>> asked(Asked.begin(), Asked.end());
    EXPECT_EQ(Asked.size(), 2u * static_cast<unsigned>(visibleRows));
    for (int row = 0; row < visibleRows; ++row) {
        EXPECT_EQ(asked.count({0, row}), 1u) << row;
        EXPECT_EQ(asked.count({2, row}), 1u) << row;
    }
    EXPECT_EQ(drawn, 4 * visibleRows) << "every data cell, hidden ones too";
}

TEST_F(GridDrawingTest, WhileLoadingCellsAreOnlyFilled)
{
    AddColumns(2);
    bool drawEvent = false;
    Grid->OnDrawColumnCell = [&](TObject*, const TRect&, int, TZelColumn*, TGridDrawState) { drawEvent = true; };
    ShowGrid();
    Grid->SetColor(clYellow);
    Grid->ComponentState.Include(csLoading);
    Asked.clear();
    drawEvent = false;
    auto shot = Shot();
    Grid->ComponentState.Exclude(csLoading);
    EXPECT_TRUE(Asked.empty());
    EXPECT_FALSE(drawEvent);
    // Cells and the grid lines between them: only the fill colour and the lines' own.
    const TRect cells = InShot(Grid->BoxRect(0, 0, 2, 3));
    const int lines = CountPixels(*shot, clBlack, cells) + CountPixels(*shot, clSilver, cells);
    EXPECT_EQ(CountPixels(*shot, clYellow, cells) + lines, cells.Width() * cells.Height());
}

TEST_F(GridDrawingTest, AFailingHandlerIsReportedWithTheCellAndTheColumnsOrdinalPosition)
{
    AddColumns(4);
    Columns()->GeTZelColumn(0)->SetIndex(3); // ordinal positions now 1, 2, 3, 0
    ShowGrid();
    struct TCase {
        const char* Name;
        int FailCol, FailRow;
        const char* Message;
    };
    const TCase cases[] = {
        {"third column, fifth data row", 2, 4, "Error Drawing Cell on aCol:2,ARow:4,OrdinalPosition3"},
        {"first column, first data row", 0, 0, "Error Drawing Cell on aCol:0,ARow:0,OrdinalPosition1"},
    };
    for (const TCase& test : cases) {
        SCOPED_TRACE(test.Name);
        Grid->OnGetDataCell = [&](int ACol, int ARow, std::string&) {
            if (ACol == test.FailCol && ARow == test.FailRow) throw std::runtime_error("lost record");
        };
        try {
            Shot();
            ADD_FAILURE() << "no exception";
        } catch (const EInvalidGridOperation& e) {
            EXPECT_EQ(e.Message(), test.Message);
        }
    }
}

TEST_F(GridDrawingTest, DefaultDrawServicesWriteTheCellBeingPainted)
{
    AddColumns(3);
    std::vector<std::pair<int, int>> asked;
    Grid->OnGetDataCell = [&](int ACol, int ARow, std::string& AValue) {
        asked.emplace_back(ACol, ARow);
        AValue = "x";
    };
    int checked = 0;
    Grid->OnDrawColumnCell = [&](TObject*, const TRect& Rect, int DataCol, TZelColumn* Column, TGridDrawState State) {
        asked.clear();
        if (DataCol == 1) Grid->DefaultDrawColumnCell(Rect, DataCol, Column, State);
        else if (DataCol == 2) Grid->DefaultDrawDataCell(Rect, State);
        else return;
        const int paintedRow = Grid->MouseCoord(Rect.Left + 1, Rect.Top + 1).Y - Grid->TitleRows();
        ASSERT_EQ(asked.size(), 1u);
        EXPECT_EQ(asked[0], std::make_pair(DataCol, paintedRow)) << "the painted cell, not the current one";
        ++checked;
    };
    ShowGrid();
    Grid->SetCurrentRow(1);
    checked = 0;
    Shot();
    EXPECT_GT(checked, 10);
}

TEST_F(GridDrawingTest, HighlightAndRowInvalidation)
{
    AddColumns(3);
    ShowGrid();
    struct TCase {
        TGridDrawState State;
        bool AlwaysShow, Focused, Locked, Expected;
    };
    const TCase cases[] = {
        {{gdSelected}, false, true, false, true},  {{gdSelected}, true, false, false, true},
        {{gdSelected}, false, false, false, false}, {{gdSelected}, true, true, true, false},
        {{gdFocused}, true, true, false, false},
    };
    for (const TCase& test : cases) {
        if (test.Focused) Grid->SetFocus();
        else Unfocus();
        TZelGridOptions options = Grid->Options();
        if (test.AlwaysShow) options.Include(dgAlwaysShowSelection);
        else options.Exclude(dgAlwaysShowSelection);
        Grid->SetOptions(options);
        if (test.Locked) Grid->BeginUpdate();
        EXPECT_EQ(Grid->HighlightCell(1, 1, "", test.State), test.Expected);
        if (test.Locked) Grid->EndUpdate();
    }

    Settle();
    Grid->InvalidateRow(4);
    TRect update;
    ASSERT_TRUE(GetUpdateRect(Grid->Handle(), &update, false));
    // Raw columns 0 to 3 of grid row 4, with the lines around them where the bevels lie.
    EXPECT_EQ(update, IntersectRect(UnionRect(Grid->CellRect(0, 4), Grid->CellRect(3, 4)).Inflate(1, 1), Grid->ClientRect()));
}

// A handler that takes the shown layout's columns away in the middle of a paint: the paint goes on
// without asking about, or failing on, the columns that are gone.
TEST_F(GridDrawingTest, AHandlerClearingTheColumnsMidPaintEndsThePaintQuietly)
{
    AddColumns(3);
    ShowGrid();
    std::vector<int> askedColumns;
    Grid->OnGetDataCell = [&](int ACol, int, std::string& AValue) {
        AValue = "x";
        askedColumns.push_back(ACol);
        if (askedColumns.size() == 2) Columns()->Clear();
    };
    EXPECT_NO_THROW(Shot());
    ASSERT_GE(askedColumns.size(), 2u);
    for (size_t i = 2; i < askedColumns.size(); ++i)
        EXPECT_LT(askedColumns[i], Columns()->Count()) << "asked about a column that is gone";
}

// What reaches the display after a cursor move: the rows the grid repainted and its scroll bar,
// never the window.
TEST_F(GridDrawingTest, CursorMovesPresentOnlyTheRowsTheyRepaint)
{
    AddColumns(3);
    Records = 100'000;
    ShowGrid();
    Grid->SetFocus();
    Settle();
    // The form's window buffer holds the grid's window at offset o, its client area at co.
    TRect formWindow, gridWindow, gridClient;
    GetWindowRect(Form->Handle(), formWindow);
    GetWindowRect(Grid->Handle(), gridWindow);
    GetClientRectInWindow(Grid->Handle(), gridClient);
    const TPoint o{gridWindow.Left - formWindow.Left, gridWindow.Top - formWindow.Top};
    const TPoint co{o.X + gridClient.Left, o.Y + gridClient.Top};
    const TRect scrollBar{co.X + gridClient.Width(), co.Y, o.X + gridWindow.Width(), co.Y + gridClient.Height()};
    // Grid row ARow with the lines around it.
    auto band = [&](int ARow) {
        const TRect cell = Grid->CellRect(1, ARow);
        return TRect{co.X, co.Y + cell.Top - 1, co.X + gridClient.Width(), co.Y + cell.Bottom + 1};
    };
    for (const WORD key : {VK_RIGHT, VK_DOWN, VK_DOWN, VK_LEFT, VK_UP}) {
        SCOPED_TRACE(key);
        const int before = Grid->Row();
        Session.Backend().TakePresented(1);
        Session.Input.PressKey(key);
        Settle();
        TRegion presented = Session.Backend().TakePresented(1);
        EXPECT_FALSE(presented.IsEmpty());
        TRegion allowed(band(before));
        allowed.Union(band(Grid->Row()));
        allowed.Union(scrollBar);
        presented.Subtract(allowed);
        EXPECT_TRUE(presented.IsEmpty()) << "presented beyond the changed rows: " << presented.Bounds().Left << ","
                                         << presented.Bounds().Top << " to " << presented.Bounds().Right << ","
                                         << presented.Bounds().Bottom;
    }
}

// Down on the last visible row and Up on the first move the pixels and paint the row uncovered
// and the marks of the current row; the Row property moves the marks. What the window shows
// after each step is what a full repaint shows, with the whole row repainted where row select or
// a drawing handler needs it.
TEST_F(GridDrawingTest, RowMovesShowWhatAFullRepaintShows)
{
    enum TVariant { vPlain, vRowSelect, vHandler };
    Records = 1000;
    AddColumns(5);
    for (int i = 0; i < 5; ++i) Columns()->GeTZelColumn(i)->SetWidth(60);
    ShowGrid();
    Grid->SetFocus();
    const auto firstDifference = [](const TBitmap& A, const TBitmap& B) -> std::string {
        if (A.Width() != B.Width() || A.Height() != B.Height()) return "size";
        for (int y = 0; y < A.Height(); ++y)
            for (int x = 0; x < A.Width(); ++x)
                if (A.Pixel(x, y) != B.Pixel(x, y)) return std::to_string(x) + "," + std::to_string(y);
        return "";
    };
    struct TStep {
        const char* Name;
        std::function<void()> Act;
        int Scrolled;
    };
    const TStep steps[] = {
        {"Down at the bottom", [&] { Session.Input.PressKey(VK_DOWN); }, 1},
        {"Down at the bottom again", [&] { Session.Input.PressKey(VK_DOWN); }, 1},
        {"Row to the top row", [&] { Grid->SetCurrentRow(Grid->TopRow()); }, 0},
        {"Up at the top", [&] { Session.Input.PressKey(VK_UP); }, -1},
    };
    for (TVariant variant : {vPlain, vRowSelect, vHandler}) {
        TZelGridOptions options = Grid->Options();
        if (variant == vRowSelect) options.Include(dgRowSelect);
        else options.Exclude(dgRowSelect);
        Grid->SetOptions(options);
        Grid->OnDrawColumnCell = nullptr;
        if (variant == vHandler)
            Grid->OnDrawColumnCell = [this](TObject*, const TRect& Rect, int DataCol, TZelColumn*, TGridDrawState) {
                // A bar across every cell of the current row.
                const TRect current = Grid->CellRect(DataCol + 1, Grid->Row());
                if (current.Top <= Rect.Top && Rect.Bottom <= current.Bottom) Grid->Canvas()->FillRect(Rect.Inflate(0, -6));
            };
        Grid->SetTopRow(5);
        Grid->SetCurrentRow(Grid->TopRow() + Grid->VisibleRowCount() - 1);
        Shot();
        for (const TStep& step : steps) {
            const int top = Grid->TopRow();
            Asked.clear();
            step.Act();
            Settle();
            ASSERT_EQ(Grid->TopRow(), top + step.Scrolled) << variant << step.Name;
            const std::size_t asked = Asked.size();
            const std::unique_ptr<TBitmap> stepped = CaptureWindow(Grid->Handle());
            EXPECT_EQ(firstDifference(*stepped, *Shot()), "") << "variant " << variant << ", " << step.Name;
            // The row left and the row entered are repainted whole, with the row uncovered and
            // the row whose grid line it uncovers: at most four rows, never the page.
            if (variant == vPlain) {
                EXPECT_LE(asked, 4u * 5u) << step.Name;
            }
        }
    }
}

// A drawing handler colours each record by the data row being painted (DrawingDataRow), not by
// the current row: after a full paint, after row steps that scroll and paint only the row they
// uncover, and after a page step, every visible cell shows its own record's colour.
TEST_F(GridDrawingTest, DrawingHandlerColoursEachRecordByTheRowBeingPainted)
{
    Records = 100;
    AddColumns(3);
    const TColor colours[] = {clRed, clLime, clBlue};
    Grid->OnDrawColumnCell = [&](TObject*, const TRect& Rect, int, TZelColumn*, TGridDrawState) {
        Grid->Canvas()->Brush()->SetColor(colours[Grid->DrawingDataRow() % 3]);
        Grid->Canvas()->FillRect(Rect);
    };
    ShowGrid();
    Grid->SetFocus();
    struct TStep {
        const char* What;
        std::function<void()> Act;
    };
    const TStep steps[] = {
        {"the first paint", [] {}},
        {"Down to the last visible row", [&] { Grid->SetCurrentRow(Grid->TopRow() + Grid->VisibleRowCount() - 1); }},
        {"Down past it, scrolling a row", [&] { Session.Input.PressKey(VK_DOWN); }},
        {"Down again", [&] { Session.Input.PressKey(VK_DOWN); }},
        {"a page down", [&] { Session.Input.PressKey(VK_NEXT); }},
        {"Up to the top row and past it", [&] {
             Grid->SetCurrentRow(Grid->TopRow());
             Session.Input.PressKey(VK_UP);
         }},
    };
    for (const TStep& step : steps) {
        SCOPED_TRACE(step.What);
        step.Act();
        Settle();
        const std::unique_ptr<TBitmap> shot = CaptureWindow(Grid->Handle());
        ASSERT_GE(Grid->VisibleRowCount(), 5);
        for (int row = Grid->TopRow(); row < Grid->TopRow() + Grid->VisibleRowCount(); ++row) {
            for (int col = 1; col <= 3; ++col) {
                const TRect r = Grid->CellRect(col, row);
                const TPixel expected = ColorToPixel(colours[(row - Grid->TitleRows()) % 3]);
                EXPECT_EQ(At(*shot, (r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2), expected)
                    << "grid row " << row << ", column " << col;
            }
        }
    }
}
