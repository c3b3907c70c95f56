// The grid's in-place editing, driven as a user drives it: typing opens the editor, moving to
// another row commits, focus changes hide and bring it back, and each column's button style
// decides the editor's style.
#include <gtest/gtest.h>

#include <map>
#include <stdexcept>

#include "ZelGridTestSupport.h"
#include "host/windows/Input.h"
#include "outline/PopupList.h"

namespace {

class GridEditingTest : public ZelGridTest {
protected:
    std::vector<std::string> Log;
    // The application's cells: "c<col>r<row>" unless stored.
    std::map<std::pair<int, int>, std::string> Stored;
    TCustomControl* Other = nullptr;

    GridEditingTest()
    {
        AddColumns(4);
        Grid->OnGetDataCell = [this](int ACol, int ARow, std::string& Value) {
            // The paint's questions are not the edit cycle's.
            if (!Grid->Painting) Log.push_back("get " + Cell(ACol, ARow) + " '" + Value + "'");
            auto it = Stored.find({ACol, ARow});
            Value = it != Stored.end() ? it->second : "c" + std::to_string(ACol) + "r" + std::to_string(ARow);
        };
        Grid->OnValidateData = [this](int ACol, int ARow, const std::string& NewVal, bool&) {
            Log.push_back("validate " + Cell(ACol, ARow) + " '" + NewVal + "'");
            Stored[{ACol, ARow}] = NewVal;
        };
        Grid->OnMoveToRow = [this](int ARow) { Log.push_back("row " + std::to_string(ARow)); };
        Grid->OnKeyPress = [this](TObject*, char& Key) { Log.push_back(std::string("keypress ") + Key); };
        ShowGrid();
        Other = new TCustomControl(Form);
        Other->SetTabStop(true);
        Other->SetBounds(0, 285, 100, 10);
        Other->SetParent(Form);
        Grid->SetFocus();
        ProcessMessages();
        Log.clear();
    }
    // The handlers use this fixture's members: the form goes first.
    ~GridEditingTest() override
    {
        delete Form;
        Form = nullptr;
    }
    static std::string Cell(int ACol, int ARow) { return std::to_string(ACol) + "," + std::to_string(ARow); }
    HWND H() { return Grid->Handle(); }
    TPoint At(int ACol, int ARow)
    {
        const TRect r = Grid->CellRect(ACol, ARow);
        return {(r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2};
    }
    TOutInplaceEdit* Editor() { return Grid->Editor(); }
    bool EditorShown() { return Editor() && Editor()->IsShown(); }
    // Only the entries that start with Prefix.
    std::vector<std::string> Only(const std::string& Prefix)
    {
        std::vector<std::string> out;
        for (const std::string& s : Log)
            if (s.rfind(Prefix, 0) == 0) out.push_back(s);
        return out;
    }
};

TEST_F(GridEditingTest, TypedLetterOpensTheEditorOverTheCellAndReplacesTheText)
{
    Session.Input.TypeText("x");
    ASSERT_TRUE(EditorShown());
    EXPECT_TRUE(Grid->EditorActive());
    EXPECT_EQ(Editor()->BoundsRect(), Grid->CellRect(Grid->Col(), Grid->Row()));
    EXPECT_EQ(Editor()->Text(), "x") << "the loaded text was all selected and the letter replaced it";
    EXPECT_EQ(Only("get"), std::vector<std::string>{"get 0,0 ''"}) << "loaded once from the application";
    EXPECT_TRUE(Only("keypress").empty()) << "the opening letter never reaches OnKeyPress";
    EXPECT_TRUE(Editor()->Focused());
    EXPECT_FALSE(Editor()->FSkipTextUpdate) << "the change left something to commit";

    // Without dgEditing, typing opens nothing and reaches OnKeyPress.
    Grid->SetOptions(Grid->Options() - TZelGridOptions{dgEditing});
    Grid->HideEditor();
    Grid->SetFocus();
    Log.clear();
    Session.Input.TypeText("y");
    EXPECT_FALSE(EditorShown());
    EXPECT_EQ(Only("keypress"), std::vector<std::string>{"keypress y"});
}

TEST_F(GridEditingTest, CharactersBeyondAsciiOpenTheEditorAndEditAsWholeCharacters)
{
    // The first character opens the editor whatever its size: Latin-1, beyond it, beyond 16 bits.
    struct TCase {
        const char* Typed;
        const char* Stored;
    };
    const TCase cases[] = {
        {"\xC3\xA9t\xC3\xA9", "\xC3\xA9t\xC3\xA9"},            // été
        {"\xE2\x82\xAC" "5", "\xE2\x82\xAC" "5"},                 // €5
        {"\xF0\x9F\x98\x80!", "\xF0\x9F\x98\x80!"},             // an emoji beyond 16 bits
        {"a\xE2\x82\xAC\b\b", ""},                                // Backspace takes whole characters
        {"\xF0\x9F\x98\x80\b\xC3\xA9", "\xC3\xA9"},
    };
    int row = 0;
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Typed);
        Session.Input.TypeText(c.Typed);
        ASSERT_TRUE(EditorShown());
        EXPECT_EQ(Editor()->Text(), c.Stored);
        Session.Input.PressKey(VK_DOWN);
        const std::pair<int, int> cell{0, row};
        EXPECT_EQ(Stored[cell], c.Stored);
        ++row;
    }
}

TEST_F(GridEditingTest, MovingToAnotherRowCommitsOnceBeforeTheMove)
{
    Session.Input.TypeText("new");
    Log.clear();
    Session.Input.Click(H(), At(1, 3));
    EXPECT_EQ(Log, (std::vector<std::string>{"get 0,0 'new'", "validate 0,0 'new'", "row 3"}))
        << "OnGetDataCell sees the edited text, OnValidateData gets it in data coordinates, then the move";
    EXPECT_FALSE(EditorShown());
    EXPECT_FALSE(Grid->EditorActive());
    EXPECT_EQ(Grid->EditorCol(), -1);

    // A second hide without a change in between commits nothing.
    Log.clear();
    Grid->HideEditor();
    Grid->SetEditorMode(false);
    EXPECT_TRUE(Log.empty());
}

TEST_F(GridEditingTest, SecondPressOnTheCurrentCellOpensTheEditorWithNothingTyped)
{
    Session.Input.Click(H(), At(2, 2));
    Session.Input.Click(H(), At(2, 2));
    ASSERT_TRUE(EditorShown());
    EXPECT_EQ(Editor()->Text(), "c1r1");
    EXPECT_EQ(Editor()->SelText(), "c1r1");
    // F2 style: edit mode with nothing selected.
    Grid->SetEditorMode(true);
    EXPECT_EQ(Editor()->SelLength(), 0);
    EXPECT_EQ(Grid->EditorCol(), Grid->Col());
}

TEST_F(GridEditingTest, ButtonStyleAndPickListChooseTheEditStyle)
{
    struct TCase {
        TZelColumnButtonStyle Button;
        bool Picks;
        TZelColumnType Type;
        TEditStyle Expected;
    };
    const TCase cases[] = {
        {cbsAuto, true, tctText, esDropDownList},   {cbsAuto, true, tctCheckList, esDropDownCheckList},
        {cbsAuto, false, tctText, esNoButton},      {cbsAuto, false, tctCheckList, esNoButton},
        {cbsEllipsis, true, tctText, esEllipsisButton}, {cbsNone, true, tctCheckList, esNoButton},
    };
    for (const TCase& c : cases) {
        TZelColumn* column = Columns()->GeTZelColumn(1);
        column->SetButtonStyle(c.Button);
        column->aType = c.Type;
        column->GetPickList()->Clear();
        if (c.Picks) column->GetPickList()->Add("one");
        Grid->SetSelectedIndex(1);
        Grid->InvalidateEditor();
        Grid->ShowEditor();
        ASSERT_TRUE(EditorShown());
        EXPECT_EQ(Editor()->EditStyle(), c.Expected) << int(c.Button) << " " << c.Picks << " " << int(c.Type);
        EXPECT_EQ(Editor()->PickList()->Count(), c.Picks ? 1 : 0);
        Grid->HideEditor();
    }
    // With dgPopupOnClick every ShowEditor drops the list down.
    Grid->SetOptions(Grid->Options() + TZelGridOptions{dgPopupOnClick});
    Columns()->GeTZelColumn(1)->SetButtonStyle(cbsAuto);
    Grid->ShowEditor();
    EXPECT_TRUE(Editor()->ListVisible());
    // Cancel mode closes it.
    SendMessage(H(), CM_CANCELMODE);
    EXPECT_FALSE(Editor()->ListVisible());
}

TEST_F(GridEditingTest, ReadOnlyColumnOpensAReadOnlyEditor)
{
    Columns()->GeTZelColumn(0)->SetReadOnly(true);
    EXPECT_FALSE(Grid->CanEditModify());
    Grid->ShowEditor();
    ASSERT_TRUE(EditorShown());
    EXPECT_TRUE(Editor()->ReadOnly());
    Grid->HideEditor();
    Grid->ReadOnly = true;
    Grid->SetSelectedIndex(1);
    EXPECT_FALSE(Grid->CanEditAcceptKey('a'));
    Grid->ShowEditor();
    EXPECT_TRUE(Editor()->ReadOnly()) << "the grid's ReadOnly makes every column read-only";
}

TEST_F(GridEditingTest, FocusLeavingHidesTheEditorAndComingBackShowsItAgain)
{
    Session.Input.TypeText("ab");
    Log.clear();
    Other->SetFocus();
    EXPECT_FALSE(EditorShown());
    EXPECT_TRUE(Grid->EditorActive()) << "edit mode stays on";
    EXPECT_EQ(Only("validate"), std::vector<std::string>{"validate 0,0 'ab'"});

    Log.clear();
    Grid->SetFocus();
    ASSERT_TRUE(EditorShown());
    EXPECT_EQ(Editor()->Text(), "ab");
    Grid->HideEditor();
    EXPECT_TRUE(Only("validate").empty()) << "what was committed is not committed again";

    // Focus moving from the grid to its own editor keeps it.
    Grid->ShowEditor();
    EXPECT_TRUE(Editor()->Focused());
    EXPECT_TRUE(EditorShown());
}

TEST_F(GridEditingTest, AlwaysShownEditorStaysWhileAnotherControlIsActive)
{
    Grid->SetOptions(Grid->Options() + TZelGridOptions{dgAlwaysShowEditor});
    Grid->ShowEditor();
    ASSERT_TRUE(EditorShown());
    EXPECT_TRUE(Editor()->AlwaysShow());
    Other->SetFocus();
    EXPECT_TRUE(EditorShown());
    Grid->InvalidateEditor();
    EXPECT_TRUE(EditorShown()) << "may show while the grid is not the active control";
}

TEST_F(GridEditingTest, InvalidateEditorDiscardsUnsavedText)
{
    Session.Input.TypeText("unsaved");
    Stored[{0, 0}] = "fresh";
    Log.clear();
    Grid->InvalidateEditor();
    EXPECT_TRUE(EditorShown());
    EXPECT_EQ(Editor()->Text(), "fresh");
    EXPECT_TRUE(Only("validate").empty());
}

TEST_F(GridEditingTest, FailingCommitStillHidesTheEditorAndPropagates)
{
    Session.Input.TypeText("bad");
    Grid->OnValidateData = [](int, int, const std::string&, bool&) { throw std::runtime_error("refused"); };
    EXPECT_THROW(Grid->HideEditor(), std::runtime_error);
    EXPECT_FALSE(EditorShown());
    EXPECT_EQ(Grid->EditorCol(), -1);
    EXPECT_TRUE(Editor()->FSkipTextUpdate);
    Grid->OnValidateData = nullptr;
    Grid->ShowEditor();
    EXPECT_EQ(Editor()->Text(), "c0r0") << "the grid is usable: the editor reloads";
}

TEST_F(GridEditingTest, LayoutPassOrDesignTimeKeepsTheEditorAway)
{
    Grid->BeginLayout();
    EXPECT_FALSE(Grid->CanEditShow());
    Grid->EndLayout();
    Grid->ShowEditor();
    EXPECT_TRUE(Grid->CanEditShow());
    Other->SetFocus();
    EXPECT_FALSE(Grid->CanEditShow()) << "another control is active";
    Grid->ComponentState.Include(csDesigning);
    Grid->SetFocus();
    EXPECT_FALSE(Grid->CanEditShow());
    Grid->ComponentState.Exclude(csDesigning);
}

} // namespace
