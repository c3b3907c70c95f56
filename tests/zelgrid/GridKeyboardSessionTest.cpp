// The grid's keyboard inside its form: Delete answered through the "Delete record?" dialog, the
// read-only rule in one column, Tab with and without dgTabs, Enter and Escape when the form has
// default and cancel buttons, switching the layout while editing, and handlers on the keyboard
// path that throw.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <map>
#include <stdexcept>

#include "ZelGridTestSupport.h"
#include "host/controls/Application.h"
#include "host/controls/Dialogs.h"
#include "host/controls/StdCtrls.h"
#include "host/windows/Input.h"

namespace {

using Events = std::vector<std::string>;

class GridKeyboardSessionTest : public ZelGridTest {
protected:
    Events Log;
    std::map<std::pair<int, int>, std::string> Stored;
    int Dialogs = 0;
    TModalResult Answer = mrCancel;
    // Answers every modal dialog by pressing Enter (OK) or Escape (Cancel), as a user would.
    TModalHookGuard Hook{[this](TCustomForm* Form) {
        ++Dialogs;
        Log.push_back("dialog " + Form->Caption());
        Session.Input.PressKey(Answer == mrOk ? VK_RETURN : VK_ESCAPE);
    }};

    GridKeyboardSessionTest()
    {
        Records = 5;
        AddColumns(4);
        Grid->OnGetDataCell = [this](int ACol, int ARow, std::string& Value) {
            auto it = Stored.find({ACol, ARow});
            Value = it != Stored.end() ? it->second : "c" + std::to_string(ACol) + "r" + std::to_string(ARow);
        };
        Grid->OnValidateData = [this](int ACol, int ARow, const std::string& NewVal, bool&) {
            Log.push_back("validate " + std::to_string(ACol) + "," + std::to_string(ARow) + " " + NewVal);
            Stored[{ACol, ARow}] = NewVal;
        };
        Grid->OnMoveToRow = [this](int ARow) { Log.push_back("row " + std::to_string(ARow)); };
        Grid->OnAppendRecord = [this](TObject*) { Log.push_back("append"); };
        Grid->OnDeleteRecord = [this](int ARow) { Log.push_back("delete " + std::to_string(ARow)); };
        ShowGrid();
        Grid->SetFocus();
        ProcessMessages();
        Log.clear();
    }
    Events Take() { return std::exchange(Log, {}); }
    TGridCoord Cell() const { return {Grid->Col(), Grid->Row()}; }
    bool EditorShown() const { return Grid->Editor() && Grid->Editor()->IsShown(); }
    void Press(WORD Key, TShiftState Shift = {})
    {
        Session.Input.PressKey(Key, Shift);
        ProcessMessages();
    }
};

TEST_F(GridKeyboardSessionTest, DeleteIsConfirmedThroughTheDialog)
{
    Grid->SetCurrentRow(3);
    Take();
    Answer = mrCancel;
    Press(VK_DELETE);
    EXPECT_EQ(Take(), Events{"dialog Confirm"}) << "Cancel deletes nothing";
    EXPECT_TRUE(Grid->Focused()) << "the focus comes back to the grid";
    Answer = mrOk;
    Press(VK_DELETE);
    EXPECT_EQ(Take(), (Events{"dialog Confirm", "delete 2", "row 2"})) << "OK deletes the current data row";

    Grid->SetOptions(Grid->Options() - TZelGridOptions{dgConfirmDelete});
    Press(VK_DELETE);
    EXPECT_EQ(Take(), (Events{"delete 1", "row 1"})) << "without dgConfirmDelete no question";
    Grid->SetOptions(Grid->Options() + TZelGridOptions{dgConfirmDelete});
    Press(VK_F2);
    Press(VK_DELETE);
    EXPECT_EQ(Dialogs, 2) << "Delete in edit mode edits the text and asks nothing";
    EXPECT_TRUE(Take().empty());

    // The grid goes on after the dialog: the next key moves as usual.
    Press(VK_ESCAPE);
    Press(VK_DOWN);
    EXPECT_EQ(Grid->Row(), 2);
    EXPECT_EQ(Grid->UpdateLock(), 0);
}

TEST_F(GridKeyboardSessionTest, ReadOnlyColumnKeepsOnlyNavigation)
{
    Columns()->GeTZelColumn(1)->SetReadOnly(true);
    Grid->LayoutChanged();
    Grid->SetOptions(Grid->Options() - TZelGridOptions{dgConfirmDelete});
    // A new editor's first hide commits what it loaded; open and close it once beforehand.
    Press(VK_F2);
    Press(VK_ESCAPE);
    Press(VK_RIGHT);
    ASSERT_EQ(Cell(), (TGridCoord{2, 1}));
    Take();
    // Neither an editing key nor a letter opens the editor or deletes; navigation still works.
    for (WORD key : {WORD(VK_F2), WORD(VK_DELETE), WORD('A'), WORD(VK_RETURN), WORD(VK_TAB), WORD(VK_ESCAPE)}) {
        Press(key);
        EXPECT_FALSE(EditorShown()) << key;
        EXPECT_EQ(Cell(), (TGridCoord{2, 1})) << key;
        EXPECT_EQ(Take(), Events{}) << key;
    }
    EXPECT_EQ(Take(), Events{}) << "nothing deleted, moved or committed";
    Press(VK_DOWN);
    Press(VK_RIGHT);
    EXPECT_EQ(Cell(), (TGridCoord{3, 2}));
    Press(VK_F2);
    EXPECT_TRUE(EditorShown()) << "a writable column edits again";
}

TEST_F(GridKeyboardSessionTest, TabNeedsDgTabsAndIgnoresAltAndCtrl)
{
    auto* other = new TButton(Form);
    other->SetBounds(0, 285, 75, 12);
    other->SetParent(Form);
    ProcessMessages();
    Grid->SetFocus();
    Events keys;
    Grid->OnKeyDown = [&](TObject*, WORD& Key, TShiftState) { keys.push_back(std::to_string(Key)); };
    Press(VK_TAB, {ssAlt});
    Press(VK_TAB, {ssCtrl});
    EXPECT_EQ(Cell(), (TGridCoord{1, 1}));
    EXPECT_TRUE(Take().empty());

    Grid->SetOptions(Grid->Options() - TZelGridOptions{dgTabs});
    keys.clear();
    Press(VK_TAB);
    EXPECT_TRUE(other->Focused()) << "without dgTabs Tab moves to the next control";
    EXPECT_TRUE(keys.empty()) << "and never reaches the grid's keys";
    EXPECT_EQ(Cell(), (TGridCoord{1, 1}));
}

TEST_F(GridKeyboardSessionTest, EnterAndEscapeGoToFormButtonsUnlessEditing)
{
    auto* ok = new TButton(Form);
    ok->SetDefault(true);
    ok->SetBounds(0, 285, 60, 12);
    ok->SetParent(Form);
    auto* cancel = new TButton(Form);
    cancel->SetCancel(true);
    cancel->SetBounds(70, 285, 60, 12);
    cancel->SetParent(Form);
    ok->OnClick = [this](TObject*) { Log.push_back("ok"); };
    cancel->OnClick = [this](TObject*) { Log.push_back("cancel"); };
    ProcessMessages();
    Grid->SetFocus();
    Take();

    Press(VK_RETURN);
    Press(VK_ESCAPE);
    EXPECT_EQ(Take(), (Events{"ok", "cancel"})) << "the grid is not editing: the buttons answer";
    EXPECT_FALSE(EditorShown());

    Session.Input.TypeText("x");
    Press(VK_RETURN);
    EXPECT_EQ(Take(), Events{"validate 0,0 x"}) << "while editing Enter commits in the grid";
    EXPECT_FALSE(Grid->EditorActive());
    Press(VK_F2);
    Press(VK_ESCAPE);
    EXPECT_FALSE(Grid->EditorActive()) << "and Escape leaves edit mode";
    EXPECT_TRUE(Take().empty()) << "no button clicked";
}

TEST_F(GridKeyboardSessionTest, SwitchingLayoutWhileEditingCommitsOnceAndFollowsTheCell)
{
    TZelGridColumns* second = Grid->Layout()->Add()->GeTZelColumns();
    second->Add();
    second->Add();
    Press(VK_RIGHT);
    Press(VK_RIGHT);
    Press(VK_RIGHT);
    Session.Input.TypeText("abc");
    ASSERT_TRUE(EditorShown());
    Take();
    Grid->SetLayoutIndex(1);
    ProcessMessages();
    EXPECT_EQ(Grid->ColCount(), 3);
    const Events after = Take();
    EXPECT_LE(std::count(after.begin(), after.end(), "validate 3,0 abc"), 1) << "committed at most once";
    if (EditorShown()) {
        EXPECT_EQ(Grid->Editor()->BoundsRect(), Grid->CellRect(Grid->Col(), Grid->Row()));
        std::string text;
        Grid->OnGetDataCell(Grid->RawToDataColumn(Grid->Col()), Grid->Row() - 1, text);
        EXPECT_EQ(Grid->Editor()->Text(), text) << "the editor shows the new cell's text";
    }
    Press(VK_DOWN);
    const Events down = Take();
    EXPECT_EQ(std::count(down.begin(), down.end(), "validate 3,0 abc"), 0) << "nothing committed twice";
    EXPECT_EQ(Grid->Row(), 2);
}

TEST_F(GridKeyboardSessionTest, ThrowingHandlersOnTheKeyboardPathLeaveTheGridUsable)
{
    // Each application handler the keyboard reaches throws in turn; after each the brackets are
    // closed, the editor is hidden or over the current cell, and no text is committed twice.
    const auto boom = [] { throw std::runtime_error("handler"); };
    int commits = 0;
    struct TSite {
        const char* Name;
        std::function<void()> Arm;
        std::function<void()> Act;
    };
    const std::vector<TSite> sites = {
        {"OnKeyDown from the editor", [&] {
             Grid->OnKeyDown = [&](TObject* Sender, WORD&, TShiftState) { if (Sender != Grid) boom(); };
         }, [&] { Session.Input.TypeText("e"); Press(VK_DOWN); }},
        {"OnKeyPress from the editor", [&] {
             Grid->OnKeyPress = [&](TObject* Sender, char&) { if (Sender != Grid) boom(); };
         }, [&] { Press(VK_F2); Session.Input.TypeText("p"); }},
        {"OnKeyUp from the editor", [&] { Grid->OnKeyUp = [&](TObject*, WORD&, TShiftState) { boom(); }; },
         [&] { Press(VK_F2); Session.Input.TypeText("u"); }},
        {"OnColEnter on Tab", [&] { Grid->OnColEnter = [&](TObject*) { boom(); }; },
         [&] { Session.Input.TypeText("t"); Press(VK_TAB); }},
        {"OnMoveToRow on a Tab wrap", [&] { Grid->OnMoveToRow = [&](int) { boom(); }; },
         [&] { Press(VK_END); Session.Input.TypeText("w"); Press(VK_TAB); }},
        {"OnAppendRecord on Tab", [&] { Grid->OnAppendRecord = [&](TObject*) { boom(); }; },
         [&] { Grid->SetCurrentRow(5); Press(VK_END); Press(VK_TAB); }},
        {"the modal hook of the delete question", [&] { Application().OnModalBegin = [&](TCustomForm*) { boom(); }; },
         [&] { Press(VK_DELETE); }},
        {"OnDeleteRecord after OK", [&] {
             Answer = mrOk;
             Grid->OnDeleteRecord = [&](int) { boom(); };
         }, [&] { Press(VK_DELETE); }},
        {"OnValidateData on Ctrl+End", [&] {
             Grid->OnValidateData = [&](int, int, const std::string&, bool&) { ++commits; boom(); };
         }, [&] { Session.Input.TypeText("v"); Press(VK_END, {ssCtrl}); }},
        {"OnDblClick from the editor", [&] { Grid->OnDblClick = [&](TObject*) { boom(); }; },
         [&] {
             Press(VK_F2);
             const TRect r = Grid->Editor()->ClientRect();
             Session.Input.DoubleClick(Grid->Editor()->Handle(), {r.Width() / 2, r.Height() / 2});
         }},
    };
    const TModalHook hook = Application().OnModalBegin;
    for (const TSite& site : sites) {
        commits = 0;
        Grid->OnValidateData = [&](int, int, const std::string&, bool&) { ++commits; };
        Answer = mrCancel;
        site.Arm();
        try {
            site.Act();
        } catch (const std::exception&) {
        }
        ProcessMessages();
        EXPECT_EQ(Grid->UpdateLock(), 0) << site.Name;
        EXPECT_EQ(Grid->LayoutLock(), 0) << site.Name;
        EXPECT_EQ(Application().ModalLevel(), 0) << site.Name;
        if (EditorShown()) {
            EXPECT_EQ(Grid->Editor()->BoundsRect(), Grid->CellRect(Grid->Col(), Grid->Row())) << site.Name;
        }
        // Disarm; whatever the editor still holds is committed once at most.
        Grid->OnKeyDown = nullptr;
        Grid->OnKeyPress = nullptr;
        Grid->OnKeyUp = nullptr;
        Grid->OnColEnter = nullptr;
        Grid->OnMoveToRow = nullptr;
        Grid->OnAppendRecord = nullptr;
        Grid->OnDeleteRecord = nullptr;
        Grid->OnDblClick = nullptr;
        Grid->OnValidateData = [&](int, int, const std::string&, bool&) { ++commits; };
        Application().OnModalBegin = hook;
        Grid->HideEditor();
        Grid->HideEditor();
        EXPECT_LE(commits, 1) << site.Name;
        Grid->SetCurrentRow(1);
        Grid->SetFocus();
        Press(VK_HOME);
        Press(VK_DOWN);
        EXPECT_EQ(Cell(), (TGridCoord{1, 2})) << "usable after " << site.Name;
        Session.Input.TypeText("z");
        EXPECT_TRUE(EditorShown()) << "edits after " << site.Name;
        Press(VK_ESCAPE);
    }
    RecordProperty("CallSites", static_cast<int>(sites.size()));
    std::printf("keyboard fault injection: %zu call sites\n", sites.size());
}

} // namespace
