// The ellipsis button and the two drop-down lists.
#include "EditorFixture.h"

namespace {
TPoint Centre(const TRect& R) { return {(R.Left + R.Right) / 2, (R.Top + R.Bottom) / 2}; }
} // namespace

TEST_F(EditorTest, EllipsisButtonCallsTheOwnerOnlyWhenReleasedOverIt)
{
    Style = esEllipsisButton;
    Open();
    const TRect button = Editor->ButtonRect();
    EXPECT_EQ(button.Width(), TCustomInplaceEdit::ButtonWidth);
    Session.Input.Click(EW(), Centre(button));
    EXPECT_EQ(Log, std::vector<std::string>{"button"});

    Log.clear();
    Session.Input.Drag(EW(), Centre(button), {10, 10});
    EXPECT_TRUE(Log.empty()) << "released outside the button: no click";
    EXPECT_EQ(Editor->Text(), CellText) << "and the text is untouched";

    // Without an owner taking keys, the click key (F2) presses the button itself.
    Editor->OnKeyDownParent = nullptr;
    Session.Input.PressKey(VK_F2);
    EXPECT_EQ(Log, std::vector<std::string>{"button"});
}

class PickListTest : public EditorTest {
protected:
    PickListTest()
    {
        Style = esDropDownList;
        Picks = {"red", "green", "blue", "cyan", "magenta", "yellow"};
        CellText = "green";
    }
    TPopupList* List() { return Editor->List(); }
    TRect ListRect()
    {
        TRect r;
        GetWindowRect(List()->Handle(), r);
        return r;
    }
    TRect EditorRect()
    {
        TRect r;
        GetWindowRect(EW(), r);
        return r;
    }
};

TEST_F(PickListTest, KeyboardSessionOpensChoosesAndCancels)
{
    Editor->SetDropDownRows(4);
    Open();
    Session.Input.PressKey(VK_DOWN, {ssAlt});
    ASSERT_TRUE(Editor->ListVisible());
    EXPECT_EQ(GetFocus(), EW()) << "the list never takes the focus";
    EXPECT_EQ(List()->ItemIndex(), 1) << "the current text is highlighted";
    const TRect list = ListRect(), edit = EditorRect();
    EXPECT_EQ(list.Top, edit.Bottom) << "below the cell";
    EXPECT_EQ(list.Left, edit.Left);
    EXPECT_EQ(list.Height(), 4 * List()->ItemHeight() + 2) << "DropDownRows lines high";

    Session.Input.PressKey(VK_DOWN);
    Session.Input.PressKey(VK_DOWN);
    Session.Input.PressKey(VK_DOWN);
    Session.Input.PressKey(VK_UP);
    EXPECT_EQ(Editor->Text(), "green") << "moving in the list changes nothing yet";
    EXPECT_TRUE(Log.empty()) << "keys of an open list stay in the editor";
    Session.Input.PressKey(VK_RETURN);
    EXPECT_FALSE(Editor->ListVisible());
    EXPECT_EQ(Editor->Text(), "cyan");
    EXPECT_EQ(Log, std::vector<std::string>{"EN_CHANGE"}) << "Enter chose: no key reached the owner";

    Log.clear();
    Editor->DropDown();
    Session.Input.PressKey(VK_UP);
    Session.Input.PressKey(VK_ESCAPE);
    EXPECT_FALSE(Editor->ListVisible());
    EXPECT_EQ(Editor->Text(), "cyan") << "Escape closes without choosing";
    EXPECT_TRUE(Log.empty());

    // With the list closed, Up and Down belong to the owner again.
    Session.Input.PressKey(VK_DOWN);
    EXPECT_EQ(Log, std::vector<std::string>{"key 40"});
}

TEST_F(PickListTest, MouseSessionChoosesScrollsAndClosesOutside)
{
    Editor->SetDropDownRows(3);
    Open();
    Session.Input.Click(EW(), Centre(Editor->ButtonRect()));
    ASSERT_TRUE(Editor->ListVisible());
    EXPECT_EQ(List()->TopIndex(), 0);
    // The wheel over the editor scrolls the open list; a click chooses a line.
    Session.Input.Wheel(EW(), {10, 10}, -WHEEL_DELTA);
    EXPECT_EQ(List()->TopIndex(), 3);
    const TRect item = List()->ItemRect(4);
    TPoint p{item.Left + 5, item.Top + 3};
    ScreenToClient(List()->Handle(), p);
    Session.Input.Click(List()->Handle(), p);
    EXPECT_FALSE(Editor->ListVisible());
    EXPECT_EQ(Editor->Text(), "magenta");
    EXPECT_EQ(Editor->SelText(), "magenta");

    // A press outside closes the list and is used up; so do cancel mode and hiding the editor.
    Editor->DropDown();
    Session.Input.Click(Owner->Handle(), {190, 110});
    EXPECT_FALSE(Editor->ListVisible());
    EXPECT_EQ(Editor->Text(), "magenta");
    Editor->DropDown();
    Editor->CancelMode(Owner);
    EXPECT_FALSE(Editor->ListVisible());
    Editor->DropDown();
    Editor->Hide();
    EXPECT_FALSE(Editor->ListVisible());
}

TEST_F(PickListTest, ListOpensAboveTheCellWhenTheScreenEndsBelow)
{
    delete Form;
    Form = new TForm(nullptr);
    Build(100, 900);
    Open();
    Editor->DropDown();
    ASSERT_TRUE(Editor->ListVisible());
    EXPECT_EQ(ListRect().Bottom, EditorRect().Top);
}

TEST_F(PickListTest, ReadOnlyOrEmptyListsNeverOpen)
{
    CellReadOnly = true;
    Open();
    Session.Input.PressKey(VK_DOWN, {ssAlt});
    EXPECT_FALSE(Editor->ListVisible());
    CellReadOnly = false;
    Picks.clear();
    Open();
    Editor->DropDown();
    EXPECT_FALSE(Editor->ListVisible());
}

TEST_F(PickListTest, CheckListSessionBuildsTheTextFromTheBoxes)
{
    Style = esDropDownCheckList;
    CellText = "blue, red,unknown";
    Open();
    Session.Input.PressKey(VK_DOWN, {ssAlt});
    ASSERT_TRUE(Editor->ListVisible());
    std::vector<bool> checks;
    for (int i = 0; i < List()->Count(); ++i) checks.push_back(List()->Checked(i));
    EXPECT_EQ(checks, (std::vector<bool>{true, false, true, false, false, false})) << "checked from the text";

    Session.Input.PressKey(VK_DOWN);
    Session.Input.PressKey(VK_SPACE);
    EXPECT_EQ(Editor->Text(), "red, green, blue");
    const TRect item = List()->ItemRect(0);
    TPoint p{item.Left + 8, item.Top + 4};
    ScreenToClient(List()->Handle(), p);
    Session.Input.Click(List()->Handle(), p);
    EXPECT_TRUE(Editor->ListVisible()) << "a toggle keeps the list open";
    EXPECT_EQ(Editor->Text(), "green, blue");
    EXPECT_EQ(Changes(), 2);

    Session.Input.PressKey(VK_ESCAPE);
    EXPECT_FALSE(Editor->ListVisible());
    EXPECT_EQ(Editor->Text(), "blue, red,unknown") << "Escape gives back the text from before";
    Editor->DropDown();
    Session.Input.PressKey(VK_SPACE);
    Session.Input.PressKey(VK_RETURN);
    EXPECT_EQ(Editor->Text(), "blue");
    EXPECT_TRUE(Without("EN_CHANGE").empty()) << "Space and Enter stayed in the editor";
}
