// The outline tree as a user drives it: keyboard, mouse, in-place editing, and the application
// changing the nodes under a selection or an edit.
#include "TreeFixture.h"

#include <utility>

#include "host/core/ObjectWatch.h"
#include "host/windows/ScrollBar.h"

TEST_F(TreeTest, KeyboardSession)
{
    struct Step {
        WORD Key;
        const char* Selected;
        const char* Rows;
    };
    const char* all = "Layout0+ Column0+ Alignment Width Font Visible Column1 Layout1";
    const Step steps[] = {
        {VK_DOWN, "Layout0", "Layout0 Layout1"},
        {VK_RIGHT, "Layout0", "Layout0+ Column0 Column1 Layout1"},
        {VK_RIGHT, "Column0", "Layout0+ Column0 Column1 Layout1"},
        {VK_ADD, "Column0", all},
        {VK_DOWN, "Alignment", all},
        {VK_END, "Layout1", all},
        {VK_RIGHT, "Layout1", all},  // no children: nothing
        {VK_HOME, "Layout0", all},
        {VK_UP, "Layout0", all},     // stays at the top
        {VK_NEXT, "Layout1", all},   // a page is more than the rows
        {VK_PRIOR, "Layout0", all},
        {VK_DOWN, "Column0", all},
        {VK_DOWN, "Alignment", all},
        {VK_LEFT, "Column0", all},   // no children: to the parent
        {VK_LEFT, "Column0", "Layout0+ Column0 Column1 Layout1"},
        {VK_LEFT, "Layout0", "Layout0+ Column0 Column1 Layout1"},
        {VK_SUBTRACT, "Layout0", "Layout0 Layout1"},
        {VK_OEM_PLUS, "Layout0", "Layout0+ Column0 Column1 Layout1"},
        {VK_OEM_MINUS, "Layout0", "Layout0 Layout1"},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(std::string("after key ") + std::to_string(s.Key) + " to " + s.Selected);
        Session.Input.PressKey(s.Key);
        EXPECT_EQ(SelectedText(), s.Selected);
        EXPECT_EQ(Rows(), s.Rows);
    }
    // Collapsing a node whose descendant is selected takes the selection up to it.
    Tree->SetSelected(Column1->Item(2));
    Tree->SetSelected(Layout0);
    Tree->SetSelected(Column1->Item(2));
    Layout0->Collapse(false);
    EXPECT_EQ(SelectedText(), "Layout0");
    EXPECT_TRUE(Log.empty()) << "no key edits anything";
}

TEST_F(TreeTest, MouseSession)
{
    Session.Input.Click(TW(), CaptionPoint(Layout1));
    EXPECT_EQ(SelectedText(), "Layout1");
    Session.Input.Click(TW(), ButtonPoint(Layout0));
    EXPECT_EQ(Rows(), "Layout0+ Column0 Column1 Layout1");
    EXPECT_EQ(SelectedText(), "Layout1") << "a button toggles without selecting";
    Session.Input.DoubleClick(TW(), CaptionPoint(Column0));
    EXPECT_EQ(SelectedText(), "Column0");
    EXPECT_EQ(Rows(), "Layout0+ Column0+ Alignment Width Font Visible Column1 Layout1");
    Session.Input.DoubleClick(TW(), ButtonPoint(Column0));
    EXPECT_EQ(Rows(), "Layout0+ Column0 Column1 Layout1") << "a double click on a button toggles once per press";
    Session.Input.Click(TW(), ButtonPoint(Column0));
    Session.Input.Click(TW(), CaptionPoint(Layout1), mbRight);
    EXPECT_EQ(SelectedText(), "Layout1");
    EXPECT_TRUE(Log.empty());

    // Double click on a value edits it; on a read-only value nothing opens.
    TTreeNode* width = Column0->Item(1);
    Session.Input.DoubleClick(TW(), ValuePoint(width));
    EXPECT_TRUE(Tree->EditorMode());
    EXPECT_EQ(Tree->Editor()->Text(), "64");
    Session.Input.DoubleClick(TW(), ValuePoint(Column1));
    EXPECT_EQ(SelectedText(), "Column1");
    EXPECT_FALSE(Tree->EditorMode());

    // The divider sizes the caption column.
    const int y = Tree->RowRect(Layout0).Top + 5;
    Session.Input.Drag(TW(), {200, y}, {150, y});
    EXPECT_EQ(Tree->WidthOutline(), 150);

    // Enough rows to scroll: the wheel and the bar's arrow move the top row.
    for (int i = 0; i < 40; ++i) Tree->Items()->AddChild(Layout1, "Extra" + std::to_string(i));
    Layout1->Expand(false);
    ProcessMessages();
    EXPECT_EQ(Tree->TopRow(), 0);
    // Scrolling moves the rows painted: a paint asks only for the values of the rows uncovered.
    int asked = 0;
    Tree->OnGetNodeData = [&](TTreeNode* Node, std::string& Text, bool&, int&) {
        ++asked;
        Text = Values[Node];
    };
    Session.Input.Wheel(TW(), {100, 100}, -WHEEL_DELTA);
    ProcessMessages();
    EXPECT_EQ(Tree->TopRow(), 3);
    EXPECT_GE(asked, 3);
    EXPECT_LE(asked, 5) << "of " << Tree->VisibleRowCount() << " rows shown";
    const TScrollBarParts bar = GetScrollBarParts(TW(), SB_VERT);
    ASSERT_FALSE(bar.ArrowDown.IsEmpty());
    Session.Input.ClickInWindow(TW(), {bar.ArrowDown.Left + 4, bar.ArrowDown.Top + 4});
    EXPECT_EQ(Tree->TopRow(), 4);
    EXPECT_EQ(GetScrollPos(TW(), SB_VERT), 4);
    Session.Input.PressKey(VK_END);
    EXPECT_EQ(SelectedText(), "Extra39");
    EXPECT_EQ(Tree->TopRow(), Tree->RowCount() - Tree->VisibleRowCount());
    EXPECT_EQ(Tree->GetNodeAt(50, Tree->RowRect(Tree->Selected()).Top + 1), Tree->Selected());
}

TEST_F(TreeTest, EditingSession)
{
    Layout0->Expand(true);
    TTreeNode* alignment = Column0->Item(0);
    TTreeNode* width = Column0->Item(1);
    TTreeNode* font = Column0->Item(2);

    // Plain: the typed text is validated once, when Enter ends the edit.
    Tree->SetSelected(width);
    Session.Input.PressKey(VK_F2);
    ASSERT_TRUE(Tree->EditorMode());
    EXPECT_EQ(Tree->Editor()->SelText(), "64");
    Session.Input.TypeText("120");
    Session.Input.PressKey(VK_RETURN);
    EXPECT_FALSE(Tree->EditorMode());
    EXPECT_EQ(TakeLog(), (std::vector<std::string>{"readonly? Width", "picklist Width arrives with 0", "readonly? Width",
                                                  "validate Width=120"}));
    EXPECT_EQ(Values[width], "120");

    // An edit without a change validates nothing; Escape drops a change.
    Session.Input.PressKey(VK_RETURN);
    Session.Input.PressKey(VK_RETURN);
    Session.Input.PressKey(VK_F2);
    Session.Input.TypeText("7");
    Session.Input.PressKey(VK_ESCAPE);
    EXPECT_FALSE(Tree->EditorMode());
    for (const std::string& entry : TakeLog()) EXPECT_EQ(entry.find("validate"), std::string::npos) << entry;

    // A refused text keeps the editor open with it, and the value unchanged.
    Session.Input.PressKey(VK_F2);
    Session.Input.TypeText("abc");
    EXPECT_THROW(Session.Input.PressKey(VK_RETURN), EConvertError);
    Session.Input.KeyUp(VK_RETURN);
    EXPECT_TRUE(Tree->EditorMode());
    EXPECT_EQ(Tree->Editor()->Text(), "abc");
    EXPECT_EQ(Values[width], "120");
    // ... and the selection does not move away from it.
    EXPECT_THROW(Session.Input.PressKey(VK_DOWN), EConvertError);
    Session.Input.KeyUp(VK_DOWN);
    EXPECT_EQ(Tree->Selected(), width);
    Session.Input.PressKey(VK_ESCAPE);
    EXPECT_FALSE(Tree->EditorMode());
    EXPECT_EQ(Values[width], "120");
    TakeLog();

    // A character typed on the tree starts the edit with it; moving down commits.
    Session.Input.TypeText("5");
    EXPECT_EQ(Tree->Editor()->Text(), "5");
    Session.Input.PressKey(VK_DOWN);
    EXPECT_EQ(Values[width], "5");
    EXPECT_EQ(Tree->Selected(), font);
    EXPECT_FALSE(Tree->EditorMode());
    TakeLog();

    // Drop-down list: the handler gets an empty list; a picked line is validated on Enter.
    Tree->SetSelected(alignment);
    Session.Input.PressKey(VK_F2);
    EXPECT_EQ(Tree->Editor()->EditStyle(), esDropDownList);
    Session.Input.PressKey(VK_DOWN, {ssAlt});
    ASSERT_TRUE(Tree->Editor()->ListVisible());
    EXPECT_EQ(Tree->Editor()->List()->Count(), 3);
    Session.Input.PressKey(VK_DOWN);
    Session.Input.PressKey(VK_RETURN);
    EXPECT_EQ(Tree->Editor()->Text(), "Right");
    Session.Input.PressKey(VK_RETURN);
    EXPECT_EQ(TakeLog(), (std::vector<std::string>{"readonly? Alignment", "picklist Alignment arrives with 0",
                                                  "readonly? Alignment", "validate Alignment=Right"}));

    // Ellipsis: the button's action is validated with the text the handler left.
    Tree->SetSelected(font);
    Session.Input.PressKey(VK_F2);
    const TRect button = Tree->Editor()->ButtonRect();
    Session.Input.Click(Tree->Editor()->Handle(), {button.Left + 4, button.Top + 4});
    EXPECT_EQ(Tree->Editor()->Text(), "Serif;10;clRed");
    Session.Input.PressKey(VK_F2);
    std::vector<std::string> actions;
    for (const std::string& entry : TakeLog())
        if (entry.rfind("button", 0) == 0 || entry.rfind("validate", 0) == 0) actions.push_back(entry);
    EXPECT_EQ(actions, (std::vector<std::string>{"button Font", "validate Font=Serif;10;clRed", "button Font",
                                                 "validate Font=Serif;10;clRed"}));

    // A press on the tree, even on the edited row's caption, ends the edit.
    Session.Input.PressKey(VK_ESCAPE);
    Tree->SetSelected(width);
    Session.Input.PressKey(VK_F2);
    Session.Input.TypeText("44");
    Session.Input.Click(TW(), CaptionPoint(width));
    EXPECT_FALSE(Tree->Editor()->IsShown());
    EXPECT_EQ(Values[width], "44");

    // Tab leaves the tree for the next control; the edit ends with the focus.
    auto* next = new TOutlineTreeView(Form);
    next->SetBounds(390, 0, 20, 20);
    next->SetParent(Form);
    Tree->SetSelected(width);
    Session.Input.PressKey(VK_F2);
    Session.Input.TypeText("33");
    Session.Input.PressKey(VK_TAB);
    EXPECT_TRUE(next->Focused());
    EXPECT_FALSE(Tree->Editor()->IsShown());
    EXPECT_EQ(Values[width], "33");
    Tree->SetFocus();
    TakeLog();

    // Layout and column rows are read-only: nothing opens.
    Session.Input.PressKey(VK_ESCAPE);
    Tree->SetSelected(Column0);
    Session.Input.PressKey(VK_F2);
    EXPECT_FALSE(Tree->EditorMode());
    EXPECT_EQ(TakeLog(), (std::vector<std::string>{"readonly? Column0"}));

    // Without the editing option nothing opens either.
    Tree->SetSelected(width);
    Tree->SetTreeOptions(Tree->TreeOptions() - TOutlineTreeOptions{totEditing});
    Session.Input.PressKey(VK_F2);
    EXPECT_FALSE(Tree->EditorMode());
}

TEST_F(TreeTest, NodeChangesUnderTheSelectionAndTheEdit)
{
    Layout0->Expand(true);
    TTreeNode* width = Column0->Item(1);
    Tree->SetSelected(width);
    Session.Input.PressKey(VK_F2);
    Session.Input.TypeText("9");
    // The application deletes the edited node: the edit is dropped, the selection moves on.
    width->Delete();
    EXPECT_FALSE(Tree->EditorMode());
    EXPECT_EQ(SelectedText(), "Font");
    ProcessMessages();
    Session.Input.PressKey(VK_RETURN);
    Session.Input.PressKey(VK_ESCAPE);
    for (const std::string& entry : TakeLog()) EXPECT_EQ(entry.find("validate"), std::string::npos) << entry;

    // An ancestor of the selection goes.
    Column1->Collapse(false);
    Column0->Delete();
    EXPECT_EQ(SelectedText(), "Column1");
    EXPECT_EQ(Rows(), "Layout0+ Column1 Layout1");
    // Moving a column before its neighbour, as the layout editor's Move Up does.
    TTreeNode* column2 = Tree->Items()->AddChild(Layout0, "Column2");
    column2->MoveTo(Column1, naInsert);
    EXPECT_EQ(Rows(), "Layout0+ Column2 Column1 Layout1");
    Session.Input.PressKey(VK_UP);
    EXPECT_EQ(SelectedText(), "Column2");
    Tree->Items()->Clear();
    EXPECT_EQ(Tree->Selected(), nullptr);
    EXPECT_EQ(Tree->RowCount(), 0);
    Session.Input.PressKey(VK_DOWN);
    ProcessMessages();
}

TEST_F(TreeTest, HandlersMayFreeTheTree)
{
    Layout0->Expand(true);
    TTreeNode* width = Column0->Item(1);
    Tree->SetSelected(width);
    Session.Input.PressKey(VK_F2);
    Session.Input.TypeText("1");
    TObjectWatch alive(Tree);
    Tree->OnValidateNodeData = [this](TTreeNode*, const std::string&) {
        // The handler goes with the tree: nothing of it is touched after the delete.
        TForm* form = std::exchange(Form, nullptr);
        delete form;
    };
    Session.Input.PressKey(VK_RETURN);
    EXPECT_FALSE(alive);

    // Freed while painting a row.
    Form = new TForm(nullptr);
    Form->SetBounds(0, 0, 200, 200);
    Tree = new TOutlineTreeView(Form);
    Tree->SetParent(Form);
    Tree->Items()->Add(nullptr, "a");
    Tree->OnGetNodeData = [this](TTreeNode*, std::string&, bool&, int&) {
        // The handler goes with the tree: nothing of it is touched after the delete.
        TForm* form = std::exchange(Form, nullptr);
        delete form;
    };
    Form->Show();
    ProcessMessages();
    EXPECT_EQ(Form, nullptr);
}
