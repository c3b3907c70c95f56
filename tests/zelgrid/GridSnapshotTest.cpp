// Golden images of representative grids, compared with a small tolerance (text rasterising may
// differ by a level here and there between FreeType versions). To accept a changed look, run
//     ZEL_UPDATE_GOLDEN=1 build/dev/tests/zelgrid/zelgrid_tests --gtest_filter='GridSnapshot*'
// and look at every image under tests/zelgrid/golden before committing them.
#include <functional>
#include <string>

#include "outline/PopupList.h"
#include "tests/support/Golden.h"
#include "tests/support/WindowPicture.h"
#include "tests/zelgrid/DrawingSupport.h"

class GridSnapshotTest : public GridDrawingTest {
protected:
    // Channels may differ by 40 levels on at most 0.4 % of the pixels.
    void ExpectLooksLike(const std::string& Name)
    {
        std::unique_ptr<TBitmap> shot = Shot();
        ASSERT_TRUE(shot);
        ExpectMatchesGolden(Name, *shot, 40, 0.004);
    }

    // The grid's part of the form with the editor's dropped list (a window of its own) laid
    // over it where the screen shows it.
    std::unique_ptr<TBitmap> FormPicture(const TRect& Area)
    {
        Settle();
        TOutInplaceEdit* editor = Grid->Editor();
        return WindowPicture(Form->Handle(), {editor && editor->ListVisible() ? editor->List()->Handle() : nullptr}, Area);
    }
};

TEST_F(GridSnapshotTest, RepresentativeGridsLookAsTheyDid)
{
    struct TCase {
        const char* Name;
        std::function<void()> Arrange;
    };
    const TCase cases[] = {
        {"default", [] {}},
        {"stripes-rowselect",
         [this] {
             Grid->SetBlindedColor(RGB(0xE8, 0xF0, 0xFF));
             Grid->SetBlinded(true);
             Grid->SetOptions(Grid->Options() + TZelGridOptions{dgRowSelect});
             Grid->SetCurrentRow(3);
             Grid->SetFocus();
         }},
        {"hidden-column", [this] { Columns()->GeTZelColumn(1)->SetVisible(false); }},
        {"word-wrap",
         [this] {
             Grid->SetDefRowHeight(34);
             Columns()->GeTZelColumn(1)->SetWordWrap(true);
             Columns()->GeTZelColumn(2)->SetAlignment(taRightJustify);
             Grid->OnGetDataCell = [](int ACol, int ARow, std::string& AValue) {
                 AValue = ACol == 1 ? "wrapped words here" : "R" + std::to_string(ARow) + "C" + std::to_string(ACol);
             };
         }},
        {"flat-hot", [this] { Session.Input.MouseMove(Grid->Handle(), {60, 60}); }},
        {"flat-cold", [this] { Session.Input.MouseLeave(Grid->Handle()); }},
        {"disabled", [this] { Grid->SetEnabled(false); }},
    };
    for (const TCase& test : cases) {
        SCOPED_TRACE(test.Name);
        // A fresh grid for each picture.
        delete Grid;
        Grid = new TCountingGrid(Form);
        Grid->SetBounds(8, 8, 230, 150);
        Grid->OnGetRowCount = [this](int& ARowCount) { ARowCount = Records; };
        Grid->OnGetDataCell = [](int ACol, int ARow, std::string& AValue) {
            AValue = "R" + std::to_string(ARow) + "C" + std::to_string(ACol);
        };
        AddColumns(3);
        ShowGrid();
        Unfocus();
        Grid->SetCurrentRow(2);
        test.Arrange();
        ExpectLooksLike(test.Name);
    }
}

TEST_F(GridSnapshotTest, EditorOverACellLooksAsItDid)
{
    Grid->SetBounds(8, 8, 300, 200);
    Grid->OnGetDataCell = [](int ACol, int ARow, std::string& AValue) {
        AValue = ACol == 1 ? (ARow == 2 ? "red, blue" : "green") : "R" + std::to_string(ARow) + "C" + std::to_string(ACol);
    };
    AddColumns(3);
    Columns()->GeTZelColumn(1)->SetWidth(110);
    ShowGrid();
    Grid->SetFocus();
    const auto open = [this](int Row, TZelColumnButtonStyle Button, TZelColumnType Type, bool Picks) {
        Grid->HideEditor();
        TZelColumn* column = Columns()->GeTZelColumn(1);
        column->SetButtonStyle(Button);
        column->aType = Type;
        column->GetPickList()->Clear();
        if (Picks)
            for (const char* pick : {"red", "green", "blue", "cyan", "magenta"}) column->GetPickList()->Add(pick);
        Grid->SetCurrentRow(Row);
        Grid->SetSelectedIndex(1);
        Grid->InvalidateEditor();
        Grid->ShowEditor();
        ASSERT_TRUE(Grid->Editor() && Grid->Editor()->IsShown());
    };
    const TRect area{0, 0, 320, 230};

    // Opened by typing F2 the whole text is selected.
    open(1, cbsAuto, tctText, false);
    Grid->Editor()->SelectAll();
    ExpectMatchesGolden("editor-selected-text", *FormPicture(area), 40, 0.004);

    open(1, cbsEllipsis, tctText, false);
    Grid->Editor()->Deselect();
    ExpectMatchesGolden("editor-ellipsis", *FormPicture(area), 40, 0.004);

    open(1, cbsAuto, tctText, true);
    Session.Input.PressKey(VK_DOWN, {ssAlt});
    ASSERT_TRUE(Grid->Editor()->ListVisible());
    ExpectMatchesGolden("editor-pick-list", *FormPicture(area), 40, 0.004);

    Session.Input.PressKey(VK_ESCAPE);
    open(3, cbsAuto, tctCheckList, true);
    Session.Input.PressKey(VK_DOWN, {ssAlt});
    Session.Input.PressKey(VK_DOWN);
    ASSERT_TRUE(Grid->Editor()->ListVisible());
    ExpectMatchesGolden("editor-check-list", *FormPicture(area), 40, 0.004);
}

// The grid keeps its focused look while the focus is in its own editor: the title row does not
// turn to the unfocused colours as the editor opens and commits, only when the focus leaves
// for another window. With the indicator off the focus repaint includes raw column 0.
TEST_F(GridSnapshotTest, TheFocusedLookStaysWhileTheGridsOwnEditorHasTheFocus)
{
    AddColumns(3);
    Columns()->GeTZelColumn(1)->SetWidth(110);
    Grid->SetOptions(Grid->Options() - TZelGridOptions{dgIndicator});
    ShowGrid();
    Unfocus();
    // The title row as the screen shows it now, without a repaint of its own.
    const auto titlesLook = [this](TColor Expected, const char* When) {
        Settle();
        const std::unique_ptr<TBitmap> shown = CaptureWindow(Grid->Handle());
        for (int c = 0; c < Grid->ColCount(); ++c) {
            const TRect title = Grid->CellRect(c, 0);
            EXPECT_EQ(At(*shown, title.Right - 3, title.Bottom - 3), ColorToPixel(Expected)) << When << ", column " << c;
        }
    };
    titlesLook(clInactiveCaption, "before the focus");
    Grid->SetFocus();
    titlesLook(clBtnFace, "focused");
    Session.Input.PressKey(VK_F2);
    ASSERT_TRUE(Grid->Editor() && Grid->Editor()->Focused());
    titlesLook(clBtnFace, "editor open");
    ExpectMatchesGolden("editor-focus-no-indicator", *FormPicture({0, 0, 320, 230}), 40, 0.004);
    Session.Input.TypeText("x");
    Session.Input.PressKey(VK_DOWN);
    ASSERT_FALSE(Grid->Editor()->IsShown());
    titlesLook(clBtnFace, "committed");
    Session.Input.PressKey(VK_F2);
    ASSERT_TRUE(Grid->Editor()->Focused());
    Unfocus();
    ASSERT_FALSE(Grid->Editor()->Focused());
    titlesLook(clInactiveCaption, "the focus gone from the editor");
}
