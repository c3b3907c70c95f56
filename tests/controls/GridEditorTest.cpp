// The base grid's in-place editor and its hooks.
#include "GridFixture.h"

namespace {

class GridEditorTest : public GridTest {
protected:
    GridEditorTest()
    {
        Grid->SetOptions(Grid->Options() + TGridOptions{goEditing});
        Grid->Cells[{1, 1}] = "old";
        Grid->SetFocus();
    }
    TInplaceEdit* Editor() { return Grid->InplaceEditor(); }
};

} // namespace

TEST_F(GridEditorTest, TypingOpensTheEditorWithTheCellTextAndReplacesIt)
{
    Session.Input.TypeText("n");
    ASSERT_NE(Editor(), nullptr);
    EXPECT_TRUE(Editor()->IsShown());
    EXPECT_TRUE(Grid->EditorMode());
    EXPECT_EQ(Editor()->Text(), "n") << "the loaded text was selected, the letter replaced it";
    EXPECT_EQ(Editor()->BoundsRect(), Grid->CellRect(1, 1));
    EXPECT_TRUE(Editor()->Focused());
}

TEST_F(GridEditorTest, MovingToAnotherRowHandsTheTextBack)
{
    Session.Input.TypeText("new");
    Session.Input.PressKey(VK_DOWN);
    EXPECT_EQ(Grid->Row(), 2);
    EXPECT_EQ(Grid->Cells[std::make_pair(1, 1)], "new");
    EXPECT_FALSE(Editor()->IsShown());
    EXPECT_TRUE(Grid->Focused()) << "the focus goes back to the grid";
}

TEST_F(GridEditorTest, EnterTogglesTheEditor)
{
    Session.Input.PressKey(VK_RETURN);
    ASSERT_NE(Editor(), nullptr);
    EXPECT_TRUE(Editor()->IsShown());
    EXPECT_EQ(Editor()->Text(), "old");
    Session.Input.PressKey(VK_BACK);
    Session.Input.PressKey(VK_RETURN);
    EXPECT_FALSE(Editor()->IsShown());
    EXPECT_FALSE(Grid->EditorMode());
    EXPECT_EQ(Grid->Cells[std::make_pair(1, 1)], "");
}

TEST_F(GridEditorTest, RejectedKeysNeverReachTheText)
{
    Grid->RejectedKeys = "5";
    Session.Input.TypeText("a5b");
    EXPECT_EQ(Editor()->Text(), "ab");
}

TEST_F(GridEditorTest, CaretKeysEditInsideTheText)
{
    Session.Input.PressKey(VK_F2);
    ASSERT_TRUE(Editor()->IsShown());
    EXPECT_EQ(Editor()->SelLength(), 0) << "F2 opens without a selection";
    Session.Input.PressKey(VK_HOME);
    Session.Input.PressKey(VK_DELETE);
    Session.Input.TypeText("g");
    EXPECT_EQ(Editor()->Text(), "gld");
}

TEST_F(GridEditorTest, FocusComingBackReturnsToTheEditorWithItsText)
{
    auto* other = new TRecordingGrid(Form);
    other->SetBounds(0, 200, 100, 60);
    other->SetParent(Form);
    Session.Input.TypeText("x");
    other->SetFocus();
    EXPECT_TRUE(Grid->EditorMode());
    EXPECT_FALSE(Grid->IsActiveControl());
    Grid->SetFocus();
    EXPECT_TRUE(Editor()->IsShown());
    EXPECT_TRUE(Editor()->Focused());
    EXPECT_EQ(Editor()->Text(), "x") << "same cell: the text is kept";
}

TEST_F(GridEditorTest, EditorChangesAreReportedToTheParent)
{
    int changes = 0;
    class TListening : public TRecordingGrid {
    public:
        using TRecordingGrid::TRecordingGrid;
        int* Changes = nullptr;

    protected:
        void WMCommand(TWMCommand& Message) override
        {
            if (Message.NotifyCode() == EN_CHANGE) ++*Changes;
        }
    };
    auto* grid = new TListening(Form);
    grid->Changes = &changes;
    grid->SetOptions(grid->Options() + TGridOptions{goEditing});
    grid->SetBounds(0, 200, 200, 80);
    grid->SetParent(Form);
    grid->SetFocus();
    Session.Input.TypeText("ab");
    EXPECT_EQ(changes, 2);
}

TEST_F(GridEditorTest, WithoutGoEditingTypingOpensNothing)
{
    Grid->SetOptions(Grid->Options() - TGridOptions{goEditing});
    Session.Input.TypeText("a");
    EXPECT_EQ(Editor(), nullptr);
    EXPECT_FALSE(Grid->EditorMode());
}

TEST_F(GridEditorTest, TurningEditingOffClosesAnOpenEditor)
{
    Session.Input.TypeText("z");
    ASSERT_TRUE(Editor()->IsShown());
    Grid->SetOptions(Grid->Options() - TGridOptions{goEditing});
    EXPECT_FALSE(Editor()->IsShown());
    EXPECT_FALSE(Grid->EditorMode());
    EXPECT_EQ(Grid->Cells[std::make_pair(1, 1)], "z") << "the text was handed back on the way";
}

TEST_F(GridTest, DescendantWithItsOwnEditRuleNeverGetsTheBaseEditor)
{
    class TOwnEditor : public TRecordingGrid {
    public:
        using TRecordingGrid::TRecordingGrid;
        // A descendant's own rule, as a grid with an editor of its own has.
        bool CanEditShow() { return true; }
        int Created = 0;

    protected:
        TInplaceEdit* CreateInplaceEditor() override
        {
            ++Created;
            return TRecordingGrid::CreateInplaceEditor();
        }
    };
    auto* grid = new TOwnEditor(Form);
    grid->SetBounds(0, 200, 200, 80);
    grid->SetParent(Form);
    grid->SetFocus();
    Session.Input.PressKey(VK_RETURN);
    Session.Input.PressKey(VK_DOWN);
    EXPECT_EQ(grid->Created, 0) << "without goEditing the base never opens its editor";
    EXPECT_EQ(grid->InplaceEditor(), nullptr);
}
