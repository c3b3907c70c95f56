// The grid's in-place editing, driven as a user drives it: typing opens the editor, moving to
// another row commits, focus changes hide and bring it back, and each column's button style
// decides the editor's style.
#include <gtest/gtest.h>

#include <functional>
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

// The editor opens with the text where the cell showed it: left, right-aligned or centred as
// its column (the ink of the glyphs stands in the same pixel columns).
TEST_F(GridEditingTest, EditorShowsTheTextWhereItsColumnAlignsIt)
{
    Grid->SetOptions(Grid->Options() + TZelGridOptions{dgAlwaysShowEditor});
    const TAlignment alignments[] = {taLeftJustify, taRightJustify, taCenter};
    for (int c = 0; c < 3; ++c) {
        Columns()->GeTZelColumn(c)->SetAlignment(alignments[c]);
        Stored[{c, 0}] = "12.50";
    }
    Settle();
    // The pixel columns of the cell's rectangle that hold anything but the background.
    const auto inkColumns = [&](int ACol) {
        const std::unique_ptr<TBitmap> shot = CaptureWindow(H());
        TRect client;
        GetClientRectInWindow(H(), client);
        const TRect cell = Grid->CellRect(ACol, 1).Offset(client.Left, client.Top);
        const TPixel background = ColorToPixel(Grid->Color());
        std::vector<int> ink;
        for (int x = cell.Left; x < cell.Right; ++x)
            for (int y = cell.Top; y < cell.Bottom; ++y)
                if (shot->Pixel(x, y) != background) {
                    ink.push_back(x - cell.Left);
                    break;
                }
        return ink;
    };
    std::vector<int> cellInk[3];
    for (int c = 0; c < 3; ++c) cellInk[c] = inkColumns(c + 1);
    for (int c = 0; c < 3; ++c) {
        SCOPED_TRACE("alignment " + std::to_string(alignments[c]));
        Grid->SetFocus();
        Session.Input.Click(H(), At(c + 1, 1));
        Session.Input.PressKey(VK_F2); // nothing selected
        ASSERT_TRUE(EditorShown());
        EXPECT_EQ(Editor()->Alignment(), alignments[c]);
        Other->SetFocus(); // no caret; the editor stays
        ASSERT_TRUE(EditorShown());
        Settle();
        ASSERT_FALSE(cellInk[c].empty());
        EXPECT_EQ(inkColumns(c + 1), cellInk[c]);
    }
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

// A value the application stores shows at once, the cell's pixels as a full repaint draws them:
// pasted with Ctrl+V, pasted from outside while the editor shows the cell (the typed text gives
// way to the stored one), and committed by an always-shown editor, whose text becomes what the
// application stored.
TEST_F(GridEditingTest, StoredValueShowsAtOnceAsAFullRepaintShowsIt)
{
    Grid->SetOptions(Grid->Options() + TZelGridOptions{dgAlwaysShowEditor});
    Grid->OnPasteCell = [this](int ACol, int ARow) { Stored[{ACol, ARow}] = GetClipboardText(); };
    // As an application binds Ctrl+V.
    Grid->OnKeyDown = [this](TObject*, WORD& Key, TShiftState Shift) {
        if (Key != 'V' || Shift != TShiftState{ssCtrl}) return;
        Key = 0;
        Grid->PasteCell(Grid->Col() - Grid->IndicatorCols(), Grid->Row() - Grid->TitleRows());
    };
    // The application stores its own form of what is typed.
    Grid->OnValidateData = [this](int ACol, int ARow, const std::string& NewVal, bool&) {
        Log.push_back("validate " + Cell(ACol, ARow) + " '" + NewVal + "'");
        Stored[{ACol, ARow}] = "[" + NewVal + "]";
    };
    const auto expectAsRepainted = [&](const char* What) {
        SCOPED_TRACE(What);
        Settle();
        const std::unique_ptr<TBitmap> shown = CaptureWindow(H());
        Grid->Invalidate();
        RedrawWindow(H(), nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
        Settle();
        const std::unique_ptr<TBitmap> repainted = CaptureWindow(H());
        ASSERT_EQ(shown->Width(), repainted->Width());
        int differing = 0;
        for (int y = 0; y < shown->Height(); ++y)
            for (int x = 0; x < shown->Width(); ++x) differing += shown->Pixel(x, y) != repainted->Pixel(x, y);
        EXPECT_EQ(differing, 0);
    };
    Settle();

    SetClipboardText("pasted");
    Session.Input.PressKey('V', {ssCtrl});
    EXPECT_EQ((Stored[{0, 0}]), "pasted");
    expectAsRepainted("Ctrl+V");

    Session.Input.TypeText("typed");
    ASSERT_TRUE(EditorShown());
    SetClipboardText("from a menu");
    Grid->PasteCell(0, 0);
    EXPECT_EQ(Editor()->Text(), "from a menu");
    expectAsRepainted("pasted under the editor");
    Log.clear();
    Session.Input.PressKey(VK_DOWN);
    EXPECT_TRUE(Only("validate").empty()) << "the typed text gave way to the pasted value";
    EXPECT_EQ((Stored[{0, 0}]), "from a menu");

    ASSERT_TRUE(EditorShown()) << "shown again on the next row";
    Session.Input.TypeText("5");
    Session.Input.PressKey(VK_RETURN);
    ASSERT_TRUE(EditorShown());
    EXPECT_EQ((Stored[{0, 1}]), "[5]");
    EXPECT_EQ(Editor()->Text(), "[5]");
    expectAsRepainted("committed with Enter");

    Session.Input.TypeText("6");
    Other->SetFocus();
    ASSERT_TRUE(EditorShown());
    EXPECT_EQ((Stored[{0, 1}]), "[6]");
    EXPECT_EQ(Editor()->Text(), "[6]");
    expectAsRepainted("committed as the focus left");
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

// The edit is bound to the cell it was typed in. Typed "moved" into column A of record 2; then
// something changes under the open editor; then the edit ends as a user or the application ends
// it. The text reaches column A, at A's index when OnValidateData runs, for record 2, exactly
// once; or nowhere when A or record 2 is gone.
TEST_F(GridEditingTest, TypedTextGoesToItsOwnCellWhateverChangesUnderTheEditor)
{
    const TZelGridOptions options = Grid->Options();
    // Moves column A when the commit asks for the stored value.
    bool moveOnAsk = false;
    Grid->OnGetDataCell = [&](int ACol, int ARow, std::string& Value) {
        if (!Grid->Painting && Value == "moved") {
            Log.push_back("get " + Cell(ACol, ARow));
            if (std::exchange(moveOnAsk, false)) Columns()->GeTZelColumn(ACol)->SetIndex(3);
        }
        Value = "c" + std::to_string(ACol) + "r" + std::to_string(ARow);
    };
    Grid->OnValidateData = [&](int ACol, int ARow, const std::string& NewVal, bool&) {
        TZelGridColumns* columns = Columns();
        const std::string name = ACol >= 0 && ACol < columns->Count() ? columns->GeTZelColumn(ACol)->Title()->GetCaption() : "?";
        Log.push_back("validate " + name + "@" + std::to_string(ARow) + " '" + NewVal + "'");
    };
    const auto reset = [&] {
        Grid->HideEditor();
        Grid->SetOptions(options);
        Records = 10;
        Grid->Layout()->Clear();
        for (const char* names : {"ABCD", "XY"}) {
            TZelGridColumns* columns = Grid->Layout()->Add()->GeTZelColumns();
            for (const char* n = names; *n; ++n) columns->Add()->Title()->SetCaption(std::string(1, *n));
        }
        Grid->SetLayoutIndex(0);
        Grid->SetFocus();
        Grid->AMoveColRow(Grid->IndicatorCols(), 2 + Grid->TitleRows(), true, true);
        Session.Input.TypeText("moved");
        Log.clear();
    };
    const auto column = [&](int I) { return Columns()->GeTZelColumn(I); };
    struct TChange {
        const char* Name;
        std::function<void()> Apply;
        const char* Commit; // nullptr: nothing is committed
    };
    const TChange changes[] = {
        {"nothing", [] {}, "validate A@2 'moved'"},
        {"A moved to index 2", [&] { column(0)->SetIndex(2); }, "validate A@2 'moved'"},
        {"A moved by the commit's own question", [&] { moveOnAsk = true; }, "validate A@2 'moved'"},
        {"A hidden", [&] { column(0)->SetVisible(false); }, "validate A@2 'moved'"},
        {"A deleted", [&] { delete column(0); }, nullptr},
        {"another layout shown", [&] { Grid->SetLayoutIndex(1); }, "validate A@2 'moved'"},
        {"the layout's columns cleared", [&] { Columns()->Clear(); }, nullptr},
        {"the layouts replaced", [&] { Grid->Layout()->Clear(); }, nullptr},
        {"the indicator removed", [&] { Grid->SetOptions(options - TZelGridOptions{dgIndicator}); }, "validate A@2 'moved'"},
        {"the title row removed", [&] { Grid->SetOptions(options - TZelGridOptions{dgTitles}); }, "validate A@2 'moved'"},
        {"record 2 gone", [&] { Records = 2; Grid->UpdateRowCount(); }, nullptr},
    };
    struct TEnding {
        const char* Name;
        std::function<void()> Apply;
    };
    const TEnding endings[] = {
        {"Enter", [&] { Session.Input.PressKey(VK_RETURN); }},
        {"Escape", [&] { Session.Input.PressKey(VK_ESCAPE); }},
        {"Down", [&] { Session.Input.PressKey(VK_DOWN); }},
        {"Up", [&] { Session.Input.PressKey(VK_UP); }},
        {"focus elsewhere", [&] { Other->SetFocus(); }},
        {"HideEditor", [&] { Grid->HideEditor(); }},
    };
    for (const TChange& change : changes) {
        for (const TEnding& ending : endings) {
            SCOPED_TRACE(std::string(change.Name) + ", then " + ending.Name);
            reset();
            ASSERT_TRUE(EditorShown());
            change.Apply();
            ending.Apply();
            Grid->HideEditor();
            const std::vector<std::string> expected = change.Commit ? std::vector<std::string>{change.Commit}
                                                                    : std::vector<std::string>{};
            EXPECT_EQ(Only("validate"), expected);
            if (!change.Commit) {
                EXPECT_TRUE(Only("get").empty()) << "nothing asks about a gone cell";
            }
        }
    }
}

// Edit mode switched on while the editor cannot show marks no cell as loaded: when the editor
// shows, it loads the current cell instead of offering the text it held for another record.
TEST_F(GridEditingTest, EditModeSwitchedOnWhileTheEditorCannotShowLoadsItsCellWhenItShows)
{
    Session.Input.TypeText("first");
    Session.Input.PressKey(VK_DOWN);
    Other->SetFocus();
    Grid->SetEditorMode(true);
    Log.clear();
    Grid->SetFocus();
    ASSERT_TRUE(EditorShown());
    EXPECT_EQ(Editor()->Text(), "c0r1");
    Session.Input.TypeText("y");
    Grid->HideEditor();
    EXPECT_EQ(Only("validate"), std::vector<std::string>{"validate 0,1 'y'"});
}

// A commit that drops records leaves the move it was part of without a target: the grid stays
// and never reports a row that no longer exists.
TEST_F(GridEditingTest, MoveAfterACommitThatDroppedRecordsIsCheckedAgain)
{
    Records = 30;
    Grid->UpdateRowCount();
    Grid->OnValidateData = [this](int ACol, int ARow, const std::string& NewVal, bool&) {
        Log.push_back("validate " + Cell(ACol, ARow) + " '" + NewVal + "'");
        Records = 3;
        Grid->UpdateRowCount();
    };
    for (const WORD key : {WORD(VK_DOWN), WORD(VK_NEXT)}) {
        SCOPED_TRACE(key);
        Records = 30;
        Grid->UpdateRowCount();
        Grid->AMoveColRow(1, 9, true, true);
        Session.Input.TypeText("x");
        Log.clear();
        Session.Input.PressKey(key);
        EXPECT_EQ(Log, (std::vector<std::string>{"get 0,8 'x'", "validate 0,8 'x'"})) << "no move follows";
        EXPECT_LT(Grid->Row(), Grid->RowCount());
    }
}

// Scrolling moves the editor with its cell; out of view it hides without a commit and comes
// back with what was typed. Typing while it is out of view brings the cell back first.
TEST_F(GridEditingTest, EditorFollowsItsCellWhenTheGridScrolls)
{
    Records = 200;
    Grid->UpdateRowCount();
    Grid->AMoveColRow(2, 3, true, true);
    Session.Input.TypeText("kept");
    Log.clear();
    const auto over = [&] { return Editor()->BoundsRect() == Grid->CellRect(Grid->Col(), Grid->Row()); };

    Session.Input.Wheel(H(), At(2, 3), -120);
    EXPECT_GT(Grid->TopRow(), 3);
    EXPECT_FALSE(EditorShown()) << "its cell is out of view";
    EXPECT_TRUE(Grid->EditorActive());
    EXPECT_TRUE(Grid->Focused());
    Session.Input.Wheel(H(), At(2, 3), 120);
    ASSERT_TRUE(EditorShown());
    EXPECT_TRUE(over());
    EXPECT_EQ(Editor()->Text(), "kept");
    EXPECT_TRUE(Editor()->Focused());

    // Partly scrolled: the editor moves with its cell.
    Grid->SetTopRow(2);
    ASSERT_TRUE(EditorShown());
    EXPECT_TRUE(over());
    Grid->SetLeftCol(3);
    EXPECT_FALSE(EditorShown()) << "its column is scrolled out to the left";
    Grid->SetLeftCol(1);
    EXPECT_TRUE(EditorShown() && over());

    // Out of view again, a typed character brings the cell back and goes on the text.
    Grid->SetTopRow(50);
    EXPECT_FALSE(EditorShown());
    Session.Input.TypeText("!");
    ASSERT_TRUE(EditorShown());
    EXPECT_TRUE(over());
    EXPECT_EQ(Editor()->Text(), "kept!");
    EXPECT_TRUE(Only("validate").empty()) << "scrolling commits nothing";

    Session.Input.PressKey(VK_DOWN);
    EXPECT_EQ(Only("validate"), std::vector<std::string>{"validate 1,2 'kept!'"});
}

// Keys are 8-bit: a wider character reaches OnKeyPress as "?" and is typed whole unless the
// handler takes it; otherwise it takes the path of any other character, as "b" does here.
TEST_F(GridEditingTest, CharactersBeyondLatin1TakeTheSamePathAsOthers)
{
    bool swallow = false;
    Grid->OnKeyPress = [&](TObject*, char& Key) {
        Log.push_back(std::string("keypress ") + (Key == 0 ? std::string("0") : std::string(1, Key)));
        if (swallow) Key = 0;
    };
    struct TState {
        std::vector<std::string> KeyPresses;
        std::string Text;
        bool Active;
    };
    // Types Ch in three places: after an opening letter, into a read-only column, without editing.
    const auto session = [&](const std::string& Ch) {
        std::vector<TState> seen;
        const auto note = [&] {
            seen.push_back({Only("keypress"), Editor() ? Editor()->Text() : "", Grid->EditorActive()});
            Log.clear();
        };
        Grid->SetOptions(Grid->Options() + TZelGridOptions{dgEditing});
        Columns()->GeTZelColumn(1)->SetReadOnly(false);
        Grid->SetSelectedIndex(0);
        Grid->HideEditor();
        Grid->SetFocus();
        Log.clear();
        Session.Input.TypeText("a" + Ch);
        note();
        swallow = true;
        Session.Input.TypeText(Ch);
        swallow = false;
        note();
        Grid->HideEditor();
        Columns()->GeTZelColumn(1)->SetReadOnly(true);
        Grid->SetSelectedIndex(1);
        Log.clear();
        Session.Input.TypeText(Ch);
        note();
        Grid->SetOptions(Grid->Options() - TZelGridOptions{dgEditing});
        Session.Input.TypeText(Ch);
        note();
        return seen;
    };
    const std::vector<TState> plain = session("b");
    const std::vector<TState> wide = session("\xE2\x82\xAC");
    ASSERT_EQ(plain.size(), wide.size());
    const char* steps[] = {"typed after a letter", "taken by OnKeyPress", "in a read-only column", "without editing"};
    for (std::size_t i = 0; i < plain.size(); ++i) {
        SCOPED_TRACE(steps[i]);
        std::vector<std::string> expected = plain[i].KeyPresses;
        for (std::string& k : expected)
            if (k == "keypress b") k = "keypress ?";
        EXPECT_EQ(wide[i].KeyPresses, expected);
        std::string text = plain[i].Text;
        for (std::size_t at; (at = text.find('b')) != std::string::npos;) text.replace(at, 1, "\xE2\x82\xAC");
        EXPECT_EQ(wide[i].Text, text);
        EXPECT_EQ(wide[i].Active, plain[i].Active);
    }
    EXPECT_FALSE(wide[2].Active) << "a read-only column closes the editor";
    EXPECT_EQ(wide[0].Text, "a\xE2\x82\xAC");
}
} // namespace
