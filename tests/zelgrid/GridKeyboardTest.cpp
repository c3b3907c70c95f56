// The grid's keyboard as a user types: the key tables, appending past the last row, the tab step
// over read-only columns, Enter and Escape for edit mode, the read-only rule, and the keys typed
// in the editor reaching the same handlers twice.
#include <gtest/gtest.h>

#include <stdexcept>

#include "ZelGridTestSupport.h"
#include "host/controls/Application.h"
#include "host/controls/StdCtrls.h"
#include "host/windows/Input.h"

namespace {

class GridKeyboardTest : public ZelGridTest {
protected:
    std::vector<std::string> Log;

    GridKeyboardTest()
    {
        Records = 5;
        AddColumns(4);
        Grid->OnGetDataCell = [](int ACol, int ARow, std::string& Value) {
            Value = "c" + std::to_string(ACol) + "r" + std::to_string(ARow);
        };
        Grid->OnValidateData = [this](int ACol, int ARow, const std::string& NewVal, bool&) {
            Log.push_back("validate " + std::to_string(ACol) + "," + std::to_string(ARow) + " " + NewVal);
        };
        Grid->OnMoveToRow = [this](int ARow) { Log.push_back("row " + std::to_string(ARow)); };
        Grid->OnAppendRecord = [this](TObject*) { Log.push_back("append"); };
        Grid->OnDeleteRecord = [this](int ARow) { Log.push_back("delete " + std::to_string(ARow)); };
        ShowGrid();
        Grid->SetFocus();
        ProcessMessages();
        Log.clear();
    }
    ~GridKeyboardTest() override
    {
        delete Form;
        Form = nullptr;
    }
    std::vector<std::string> Take() { return std::exchange(Log, {}); }
    using Events = std::vector<std::string>;
    TGridCoord Cell() const { return {Grid->Col(), Grid->Row()}; }
};

TEST_F(GridKeyboardTest, RowKeysMoveClampAndAppendOnlyWithDown)
{
    struct TStep {
        WORD Key;
        TShiftState Shift;
        int Row;
        Events Expected;
    };
    const TStep steps[] = {
        {VK_UP, {}, 1, {}},                       // first data row: nothing
        {VK_DOWN, {}, 2, {"row 2"}},
        {VK_END, {ssCtrl}, 5, {"row 5"}},
        {VK_DOWN, {}, 5, {"append"}},             // last row: append once, stay
        {VK_DOWN, {ssCtrl}, 5, {"row 5"}},        // Ctrl+Down never appends
        {VK_NEXT, {}, 5, {"row 5"}},              // neither does Page Down
        {VK_END, {ssCtrl}, 5, {"row 5"}},
        {VK_HOME, {ssCtrl}, 1, {"row 1"}},
        {VK_PRIOR, {ssCtrl}, 1, {"row 1"}},       // clamped to the first data row
        {VK_DOWN, {ssShift}, 2, {"row 2"}},       // Shift+Down acts as Down
    };
    for (const TStep& s : steps) {
        Session.Input.PressKey(s.Key, s.Shift);
        EXPECT_EQ(Grid->Row(), s.Row) << s.Key;
        EXPECT_EQ(Take(), s.Expected) << s.Key;
    }
    EXPECT_EQ(Grid->UpdateLock(), 0);
}

TEST_F(GridKeyboardTest, TabSkipsReadOnlyColumnsAndWrapsRows)
{
    Columns()->GeTZelColumn(1)->SetReadOnly(true);
    Columns()->GeTZelColumn(2)->SetReadOnly(true);
    Grid->LayoutChanged();  // the pass sets the tab stops
    ProcessMessages();
    EXPECT_EQ(Cell(), (TGridCoord{1, 1}));
    Session.Input.PressKey(VK_TAB);
    EXPECT_EQ(Cell(), (TGridCoord{4, 1})) << "over the two read-only columns";
    Session.Input.PressKey(VK_TAB);
    EXPECT_EQ(Cell(), (TGridCoord{1, 2})) << "wraps to the first column of the next row";
    Session.Input.PressKey(VK_TAB, {ssShift});
    EXPECT_EQ(Cell(), (TGridCoord{4, 1})) << "Shift+Tab wraps back";
    Take();
    Session.Input.PressKey(VK_TAB, {ssCtrl});
    EXPECT_EQ(Cell(), (TGridCoord{4, 1})) << "Ctrl+Tab does nothing";
    Grid->SetCurrentRow(5);
    Take();
    Session.Input.PressKey(VK_TAB);
    EXPECT_EQ(Take(), Events{"append"}) << "Tab past the last cell appends";
}

TEST_F(GridKeyboardTest, EnterTogglesEditModeAndEscapeCommitsAndCloses)
{
    Session.Input.PressKey(VK_RETURN);
    ASSERT_TRUE(Grid->Editor() && Grid->Editor()->IsShown());
    EXPECT_TRUE(Grid->Editor()->Focused());
    Session.Input.TypeText("zz");
    Session.Input.PressKey(VK_RETURN);
    EXPECT_FALSE(Grid->EditorActive());
    EXPECT_EQ(Take(), Events{"validate 0,0 zz"}) << "Enter in the editor hides it and commits once";

    Session.Input.PressKey(VK_F2);
    EXPECT_EQ(Grid->Editor()->SelLength(), 0) << "F2 opens with nothing selected";
    Session.Input.PressKey(VK_ESCAPE);
    EXPECT_FALSE(Grid->EditorActive());

    // With dgAlwaysShowEditor, Enter commits and the editor stays; Escape does not close it.
    Grid->SetOptions(Grid->Options() + TZelGridOptions{dgAlwaysShowEditor});
    Grid->ShowEditor();
    Session.Input.TypeText("q");
    Take();
    Session.Input.PressKey(VK_RETURN);
    Session.Input.PressKey(VK_ESCAPE);
    EXPECT_TRUE(Grid->Editor()->IsShown());
    EXPECT_EQ(Take(), Events{"validate 0,0 q"});
}

TEST_F(GridKeyboardTest, DefaultButtonTakesEnterOnlyWhileTheGridIsNotEditing)
{
    auto* ok = new TButton(Form);
    ok->SetBounds(300, 285, 60, 14);
    ok->SetDefault(true);
    ok->SetParent(Form);
    int clicks = 0;
    ok->OnClick = [&](TObject*) { ++clicks; };
    Grid->SetFocus();
    Session.Input.PressKey(VK_F2);
    Session.Input.TypeText("e");
    Session.Input.PressKey(VK_RETURN);
    EXPECT_EQ(clicks, 0) << "Enter in the editor belongs to the grid";
    EXPECT_FALSE(Grid->EditorActive());
    EXPECT_EQ(Take(), Events{"validate 0,0 c0r0e"});
    Session.Input.PressKey(VK_RETURN);
    EXPECT_EQ(clicks, 1) << "a grid that does not edit leaves Enter to the default button";
}

TEST_F(GridKeyboardTest, ArrowsInTheEditorLeaveTheCellAtTheTextEnds)
{
    Session.Input.PressKey(VK_F2);
    Session.Input.PressKey(VK_LEFT);
    EXPECT_EQ(Grid->Col(), 1) << "the caret moved inside the text";
    Session.Input.PressKey(VK_END);
    Session.Input.PressKey(VK_RIGHT);
    EXPECT_EQ(Grid->Col(), 2) << "at the end of the text Right moves to the next column";
    Session.Input.PressKey(VK_DOWN);
    EXPECT_EQ(Grid->Row(), 2);
}

TEST_F(GridKeyboardTest, ReadOnlyGridKeepsNavigationOnly)
{
    Grid->ReadOnly = true;
    Grid->ShowEditor();
    Session.Input.PressKey(VK_DOWN);
    EXPECT_EQ(Grid->Row(), 2) << "navigation keys still work";
    Grid->ShowEditor();
    Take();
    Session.Input.PressKey(VK_TAB);
    EXPECT_FALSE(Grid->EditorActive()) << "other keys only hide the editor";
    Grid->SetOptions(Grid->Options() - TZelGridOptions{dgConfirmDelete});
    Session.Input.PressKey(VK_DELETE);
    Session.Input.PressKey(VK_F2);
    EXPECT_EQ(Cell(), (TGridCoord{1, 2}));
    EXPECT_FALSE(Grid->EditorActive());
    EXPECT_TRUE(Take().empty()) << "nothing deleted or moved";
}

TEST_F(GridKeyboardTest, DeleteAsksAndKeyHandlersSeeEditorKeysTwice)
{
    // The question is a modal dialog: Escape answers Cancel, Enter answers OK.
    for (WORD answer : {VK_ESCAPE, VK_RETURN}) {
        int asked = 0;
        TModalHookGuard hook([&](TCustomForm* Dialog) {
            ++asked;
            EXPECT_EQ(Dialog->Caption(), "Confirm");
            Session.Input.PressKey(answer);
        });
        Session.Input.PressKey(VK_DELETE);
        EXPECT_EQ(asked, 1);
    }
    EXPECT_EQ(Take(), (Events{"delete 0", "row 1"})) << "Cancel deleted nothing, OK deleted the row";
    Grid->SetOptions(Grid->Options() - TZelGridOptions{dgConfirmDelete});
    Session.Input.PressKey(VK_DELETE);
    EXPECT_EQ(Take().front(), "delete 0") << "without dgConfirmDelete nobody is asked";
    Grid->ShowEditor();
    Session.Input.PressKey(VK_DELETE);
    EXPECT_TRUE(Take().empty()) << "Delete in edit mode deletes no record";

    Grid->OnKeyDown = [this](TObject* Sender, WORD& Key, TShiftState) {
        Log.push_back(std::string(Sender == Grid ? "grid" : "editor") + " down " + std::to_string(Key));
    };
    Grid->OnKeyPress = [this](TObject* Sender, char& Key) {
        Log.push_back(std::string(Sender == Grid ? "grid" : "editor") + " press " + Key);
    };
    Grid->OnKeyUp = [this](TObject* Sender, WORD& Key, TShiftState) {
        Log.push_back(std::string(Sender == Grid ? "grid" : "editor") + " up " + std::to_string(Key));
    };
    Session.Input.TypeText("k");
    EXPECT_EQ(Take(), (Events{"grid down 75", "editor down 75", "grid press k", "editor press k", "editor up 75"}));

    // A handler clearing the key stops navigation.
    Grid->HideEditor();
    Grid->OnKeyDown = [](TObject*, WORD& Key, TShiftState) { Key = 0; };
    Session.Input.PressKey(VK_DOWN);
    EXPECT_EQ(Grid->Row(), 1);
}

TEST_F(GridKeyboardTest, ThrowingHandlersLeaveTheGridUsable)
{
    // Each handler on the editing and keyboard paths throws in turn; after each the counters are
    // back, the editor is hidden or over the current cell, and nothing was committed twice.
    int validations = 0;
    struct TSite {
        const char* Name;
        std::function<void()> Arm;
        std::function<void()> Act;
    };
    const auto boom = [] { throw std::runtime_error("handler"); };
    Grid->OnValidateData = [&](int, int, const std::string&, bool&) { ++validations; };
    const std::vector<TSite> sites = {
        {"OnKeyDown", [&] { Grid->OnKeyDown = [&](TObject*, WORD&, TShiftState) { boom(); }; },
         [&] { Session.Input.PressKey(VK_DOWN); }},
        {"OnMoveToRow", [&] { Grid->OnMoveToRow = [&](int) { boom(); }; }, [&] { Session.Input.PressKey(VK_DOWN); }},
        {"OnAppendRecord", [&] { Grid->OnAppendRecord = [&](TObject*) { boom(); }; },
         [&] { Grid->SetCurrentRow(5); Session.Input.PressKey(VK_DOWN); }},
        {"OnKeyPress", [&] { Grid->OnKeyPress = [&](TObject*, char&) { boom(); }; },
         [&] { Session.Input.PressKey(VK_RETURN); }},
        {"OnValidateData", [&] { Grid->OnValidateData = [&](int, int, const std::string&, bool&) { ++validations; boom(); }; },
         [&] { Session.Input.TypeText("v"); Session.Input.PressKey(VK_RETURN); }},
        {"OnGetDataCell", [&] { Grid->OnGetDataCell = [&](int, int, std::string&) { boom(); }; },
         [&] { Session.Input.TypeText("g"); }},
        {"OnEditButtonClick", [&] { Columns()->GeTZelColumn(0)->SetButtonStyle(cbsEllipsis); Grid->OnEditButtonClick = [&](TObject*) { boom(); }; },
         [&] { Session.Input.PressKey(VK_F2); }},
        {"OnColExit", [&] { Grid->OnColExit = [&](TObject*) { boom(); }; }, [&] { Session.Input.PressKey(VK_TAB); }},
        {"OnDeleteRecord", [&] { Grid->SetOptions(Grid->Options() - TZelGridOptions{dgConfirmDelete}); Grid->OnDeleteRecord = [&](int) { boom(); }; },
         [&] { Session.Input.PressKey(VK_DELETE); }},
    };
    for (const TSite& site : sites) {
        validations = 0;
        site.Arm();
        try {
            site.Act();
        } catch (const std::exception&) {
        }
        // The repaint that follows may ask the armed handler too and fail the same way, leaving
        // what it did not reach to the next paint.
        for (int paints = 0; paints < 4; ++paints) {
            try {
                ProcessMessages();
                break;
            } catch (const std::exception&) {
            }
        }
        EXPECT_EQ(Grid->UpdateLock(), 0) << site.Name;
        EXPECT_EQ(Grid->LayoutLock(), 0) << site.Name;
        EXPECT_LE(validations, 1) << site.Name;
        if (Grid->Editor() && Grid->Editor()->IsShown()) {
            EXPECT_EQ(Grid->Editor()->BoundsRect(), Grid->CellRect(Grid->Col(), Grid->Row())) << site.Name;
        }
        // Disarm and check the grid still answers keys.
        Grid->OnKeyDown = nullptr;
        Grid->OnMoveToRow = nullptr;
        Grid->OnAppendRecord = nullptr;
        Grid->OnKeyPress = nullptr;
        Grid->OnValidateData = [&](int, int, const std::string&, bool&) { ++validations; };
        Grid->OnGetDataCell = nullptr;
        Grid->OnEditButtonClick = nullptr;
        Grid->OnColExit = nullptr;
        Grid->OnDeleteRecord = nullptr;
        Columns()->GeTZelColumn(0)->SetButtonStyle(cbsAuto);
        Grid->HideEditor();
        Grid->SetCurrentRow(1);
        Grid->SetFocus();
        Session.Input.PressKey(VK_DOWN);
        EXPECT_EQ(Grid->Row(), 2) << "usable after " << site.Name;
    }
}

} // namespace
